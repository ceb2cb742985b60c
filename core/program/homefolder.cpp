#include "homefolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <optional>

namespace
{
const QString homeOption = QStringLiteral("--home");

QString absoluteFrom(const QString &current, const QString &folder)
{
    return QDir::cleanPath(QDir(current).absoluteFilePath(folder));
}

bool holdsBaza(const QString &folder)
{
    return QFileInfo(QDir(folder).filePath(QStringLiteral("Baza"))).isDir();
}

bool inBaza(const QString &relative)
{
    return relative.startsWith(QStringLiteral("Baza/"));
}

// The shipped files a folder in use gets back when they are missing.
bool restorable(const QString &relative)
{
    return inBaza(relative) || relative.startsWith(QStringLiteral("Help/"));
}

QString cannotMake(const QString &folder)
{
    return QStringLiteral("Не удалось создать папку программы «%1». Укажите другую папку при запуске: "
                          "trivo --home ПАПКА (или в переменной окружения TRIVO_HOME).")
        .arg(QDir::toNativeSeparators(folder));
}
} // namespace

HomeChoice chooseHomeFolder(const QStringList &arguments, const QString &environment, const QString &current,
                            const QString &userHome)
{
    std::optional<QString> given; // the last --home wins
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (a == homeOption) {
            if (i + 1 == arguments.size())
                return {{}, QStringLiteral("После --home укажите папку программы: trivo --home ПАПКА.")};
            given = arguments[++i];
        } else if (a.startsWith(homeOption + u'=')) {
            given = a.mid(homeOption.size() + 1);
        }
    }
    if (given) {
        if (given->trimmed().isEmpty())
            return {{},
                    QStringLiteral("После --home указана пустая папка; укажите папку программы: trivo --home ПАПКА.")};
        return {absoluteFrom(current, *given), {}};
    }
    if (!environment.trimmed().isEmpty())
        return {absoluteFrom(current, environment), {}};
    if (holdsBaza(current))
        return {QDir::cleanPath(current), {}};
    return {absoluteFrom(userHome, QStringLiteral("Trivo")), {}};
}

QString shippedFolder(const QString &executableFolder)
{
    const QDir bin(executableFolder);
    for (const QString &relative : {QStringLiteral("../dist"), QStringLiteral("../share/trivo")}) {
        const QString candidate = QDir::cleanPath(bin.absoluteFilePath(relative));
        if (holdsBaza(candidate))
            return candidate;
    }
    return {};
}

QString prepareHomeFolder(const QString &folder, const QString &shipped)
{
    if (shipped.isEmpty()) {
        if (holdsBaza(folder))
            return {};
        return QStringLiteral("Не найдены файлы, которые поставляются с программой (папка dist рядом с папкой "
                              "bin или share/trivo установленной программы), поэтому папку программы «%1» "
                              "нечем заполнить. Установите программу заново.")
            .arg(QDir::toNativeSeparators(folder));
    }
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        return cannotMake(folder);

    // A folder in use is the teacher's: only the help and the program's own
    // sample files may come back, never a bank file into a subject folder.
    // Baza comes last, so that a first filling cut short is taken up again at
    // the next start.
    const bool fresh = !holdsBaza(folder);
    const QDir from(shipped), to(folder);
    QStringList files;
    QDirIterator it(shipped, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString relative = from.relativeFilePath(it.next());
        if (fresh || restorable(relative))
            files << relative;
    }
    std::stable_partition(files.begin(), files.end(), [](const QString &f) { return !inBaza(f); });
    for (const QString &relative : files) {
        const QString source = from.filePath(relative);
        const QString target = to.filePath(relative);
        const QFileInfo existing(target);
        // A teacher's file, or a link the teacher put there, stays as it is.
        if (existing.exists() || existing.isSymLink())
            continue;
        QFile in(source);
        if (!QDir().mkpath(existing.path()) || !in.copy(target))
            return QStringLiteral("Не удалось скопировать файл «%1» в папку программы «%2»: %3")
                .arg(relative, QDir::toNativeSeparators(folder),
                     in.error() == QFile::NoError ? QStringLiteral("не удалось создать папку") : in.errorString());
        // Shipped files may be installed read-only; the copies are the teacher's to edit.
        QFile::setPermissions(target, QFile::permissions(target) | QFile::ReadOwner | QFile::WriteOwner);
    }
    return {};
}
