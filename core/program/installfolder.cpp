#include "installfolder.h"
#include "errors.h"
#include "text.h"

#include <QDir>
#include <QFileInfo>

namespace
{
QString &rootPath()
{
    static QString root = QDir::currentPath();
    return root;
}

bool within(const QString &path, const QString &root)
{
    return path == root || path.startsWith(root.endsWith(u'/') ? root : root + u'/');
}

// The deepest part of the path that exists, with every link resolved.
QString resolvedExistingPart(QString path)
{
    for (;;) {
        const QFileInfo fi(path);
        if (fi.exists())
            return fi.canonicalFilePath();
        const QString up = fi.path();
        if (up == path)
            return {};
        path = up;
    }
}

bool plainName(const QString &name)
{
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\') && name != u"." &&
           !name.contains(QStringLiteral(".."));
}
} // namespace

QString installRoot()
{
    return rootPath();
}

void setInstallRoot(const QString &absolute)
{
    rootPath() = absolute;
}

QString installPath(const QString &relative)
{
    return QDir(rootPath()).filePath(relative);
}

std::optional<QString> insidePath(const QString &relative)
{
    if (relative.isEmpty() || relative.contains(u'\\') || QDir::isAbsolutePath(relative))
        return std::nullopt;
    for (const QString &step : relative.split(u'/'))
        if (step == u"..")
            return std::nullopt;
    const QString root = QDir::cleanPath(QDir(rootPath()).absolutePath());
    const QString path = QDir::cleanPath(root + u'/' + relative);
    if (!within(path, root) || path == root)
        return std::nullopt;
    // A link inside the folder may still lead out of it.
    const QString realRoot = QFileInfo(root).exists() ? QFileInfo(root).canonicalFilePath() : root;
    const QString real = resolvedExistingPart(path);
    if (!real.isEmpty() && !within(real, realRoot))
        return std::nullopt;
    return path;
}

QString subjectFolderProblem(const QString &subject, const QString &folder)
{
    const QString name = trimmed(folder);
    if (plainName(name) && insidePath(name))
        return {};
    return QStringLiteral("Предмет «%1»: папка «%2» не подходит для банка вопросов. Папка предмета задаётся "
                          "одним именем папки внутри папки программы (не пустым, без «/», «\\» и «..»). "
                          "Исправьте её в списке предметов.")
        .arg(trimmed(subject), folder);
}

QString subjectFolderPath(const QString &folder, const QString &subject)
{
    const QString problem = subjectFolderProblem(subject, folder);
    if (!problem.isEmpty())
        throw TrivoError(problem);
    return *insidePath(trimmed(folder));
}

std::optional<QString> fotoPath(const QString &folder, const QString &name)
{
    // Two plain names under the installation folder; insidePath follows any
    // link on the whole way, the subject folder's included.
    const QString f = trimmed(folder);
    if (!plainName(f) || !plainName(name))
        return std::nullopt;
    return insidePath(f + QStringLiteral("/Foto/") + name);
}

std::optional<QString> fileInFolder(const QString &folder, const QString &name)
{
    if (!plainName(name))
        return std::nullopt;
    const QString path = QDir::cleanPath(QDir(folder).absolutePath()) + u'/' + name;
    const QFileInfo file(path);
    if (file.exists() && !within(file.canonicalFilePath(), QFileInfo(folder).canonicalFilePath()))
        return std::nullopt;
    return path;
}
