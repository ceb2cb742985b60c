#include "DocxDocument.h"
#include "DocxWriter.h"
#include "errors.h"
#include "programstate.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

QString writeNewFile(const QString &folder, const QString &base, const QString &suffix, const QByteArray &bytes)
{
    const QString shown = QDir::toNativeSeparators(folder);
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        throw TrivoError(cannotMakeFolderText(shown));
    QTemporaryFile temp(QDir(folder).filePath(QStringLiteral(".%1-XXXXXX.tmp").arg(base)));
    if (!temp.open() || temp.write(bytes) != bytes.size() || !temp.flush())
        throw TrivoError(QStringLiteral("Не удалось записать файл в папку %1: %2").arg(shown, temp.errorString()));
    // rename() never replaces an existing file, so a name taken meanwhile is simply skipped.
    for (int n = 1; n < 10000; ++n) {
        const QString name = n == 1 ? base + suffix : QStringLiteral("%1_%2%3").arg(base).arg(n).arg(suffix);
        const QString path = QDir(folder).filePath(name);
        if (QFileInfo::exists(path))
            continue;
        if (temp.rename(path)) {
            temp.setAutoRemove(false);
            return path;
        }
        if (!QFileInfo::exists(path))
            throw TrivoError(cannotWriteText(QDir::toNativeSeparators(path), temp.errorString()));
    }
    throw TrivoError(QStringLiteral("В папке %1 не нашлось свободного имени для файла %2").arg(shown, base));
}

DocxDocument::DocxDocument(DesktopHooks hooks) : m_hooks(std::move(hooks)) {}

QString DocxDocument::folder() const
{
    return m_folder.isEmpty() ? installPath(QStringLiteral("Documents")) : m_folder;
}

QString DocxDocument::writeFile()
{
    try {
        const QByteArray bytes = docxPackage(m_model);
        const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
        return writeNewFile(folder(), stamp, QStringLiteral(".docx"), bytes);
    } catch (const TrivoError &e) {
        m_hooks.error(e.text());
        return {};
    }
}

bool DocxDocument::makeVisible()
{
    if (m_lastFile.isEmpty() || m_writtenRevision != m_model.revision() || !QFileInfo::exists(m_lastFile)) {
        const QString path = writeFile();
        if (path.isEmpty())
            return false;
        m_lastFile = path;
        m_writtenRevision = m_model.revision();
    }
    if (m_hooks.open(m_lastFile))
        return true;
    m_hooks.notOpened(m_lastFile);
    return false;
}
