#include "WritersModule.h"
#include "errors.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>

#include <mutex>

namespace
{
QString unusableText(const QString &path, const QString &why)
{
    return QStringLiteral("Не удалось загрузить модуль записи документов %1: %2. "
                          "Документы и таблицы не могут быть записаны; установите программу заново.")
        .arg(QDir::toNativeSeparators(path), why);
}
} // namespace

QString writersModulePath()
{
    // The running executable, not the current folder: the program, the bank
    // tool's tests and the benches all sit in one bin folder.
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return QDir::cleanPath(QFileInfo(exe).absolutePath() + QStringLiteral("/../lib/trivo/modules/libtrivo-writers.so"));
}

WritersModule loadWritersModule(const QString &path)
{
    QLibrary library(path);
    if (!QFileInfo::exists(path))
        throw TrivoError(unusableText(path, QStringLiteral("файла нет")));
    if (!library.load())
        throw TrivoError(unusableText(path, library.errorString()));
    // Stays loaded for the rest of the run: QLibrary does not unload on destruction.
    const auto abi = reinterpret_cast<WritersAbiFunction>(library.resolve("trivoWritersAbi"));
    WritersModule m;
    m.zipArchive = reinterpret_cast<ZipArchiveFunction>(library.resolve("trivoZipArchive"));
    m.writeWorkbook = reinterpret_cast<WriteWorkbookFunction>(library.resolve("trivoWriteWorkbook"));
    if (!abi || abi() != writersAbi || !m.zipArchive || !m.writeWorkbook)
        throw TrivoError(unusableText(path, QStringLiteral("модуль от другой версии программы")));
    return m;
}

const WritersModule &writersModule()
{
    static std::mutex guard;
    static WritersModule loaded;
    const std::lock_guard lock(guard);
    if (!loaded.zipArchive)
        loaded = loadWritersModule(writersModulePath()); // tried again at the next call when it failed
    return loaded;
}
