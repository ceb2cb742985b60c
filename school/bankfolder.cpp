// A subject folder written whole, and what the published banks' files share.
#include "bankparts.h"
#include "bankpublish.h"
#include "errors.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace bankparts
{
QString sqlReason(const QSqlError &e)
{
    return e.databaseText().isEmpty() ? e.text() : e.databaseText();
}

[[noreturn]] void failWith(const QString &what, const QSqlError &e)
{
    throw TrivoError(what + QStringLiteral(": ") + sqlReason(e));
}

bool safeRelativePath(const QString &path)
{
    if (path.isEmpty() || path.size() > 1024 || path.contains(u'\\') || path.contains(QChar(0)))
        return false;
    const QStringList parts = path.split(u'/');
    if (parts.size() > 8)
        return false;
    for (const QString &p : parts)
        if (p.isEmpty() || p == u"." || p == u".." || p.toUtf8().size() > 255)
            return false;
    return parts.size() > 1 || (path != versionFileName && path != scratchFileName);
}

std::optional<HeldVersion> readHeld(const QString &folder)
{
    QFile f(QDir(folder).filePath(versionFileName));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    HeldVersion held;
    for (const QByteArray &line : f.read(4096).split('\n')) {
        const QByteArray l = line.trimmed();
        if (l.startsWith("version="))
            held.version = l.mid(8).toInt();
        else if (l.startsWith("hash="))
            held.hash = QString::fromLatin1(l.mid(5));
    }
    if (held.hash.isEmpty())
        return std::nullopt;
    return held;
}

QByteArray heldText(int version, const QString &hash)
{
    return "version=" + QByteArray::number(version) + "\nhash=" + hash.toLatin1() + '\n';
}

} // namespace bankparts

namespace
{
QString systemReason(int err)
{
    return QString::fromLocal8Bit(std::generic_category().message(err));
}

// A file of the new folder: nobody else knows the folder yet, so each file is
// written in place and reaches the disk before the folder takes the old
// one's name.
void writeNew(const QString &path, const QString &name, const QByteArray &bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        throw TrivoError(cannotWriteText(name, systemReason(errno)));
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    int err = 0;
    while (left > 0 && !err) {
        const ssize_t n = ::write(fd, p, size_t(std::min<qsizetype>(left, qsizetype(1) << 30)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            err = n < 0 ? errno : ENOSPC;
        else {
            p += n;
            left -= n;
        }
    }
    if (!err && ::fdatasync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && !err && errno != EINTR)
        err = errno;
    if (err)
        throw TrivoError(cannotWriteText(name, systemReason(err)));
}

void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
}

QString besideName(const QString &folder, const char *what)
{
    return folder + u'.' + QLatin1String(what) + u'-' +
           QString::number(QRandomGenerator::global()->bounded(100000000), 36);
}

} // namespace

using namespace bankparts;

void replaceSubjectFolder(const QString &folder, const std::vector<BankFile> &files)
{
    const QString target = QDir::cleanPath(QDir(folder).absolutePath());
    const QString staged = besideName(target, "new");
    auto dropStaged = [&] { QDir(staged).removeRecursively(); };
    if (!QDir().mkdir(staged))
        throw TrivoError(
            QStringLiteral("Не удалось создать папку %1 рядом с банком.").arg(QFileInfo(staged).fileName()));
    try {
        for (const BankFile &f : files) {
            if (!safeRelativePath(f.path) && f.path != versionFileName)
                throw TrivoError(QStringLiteral("Недопустимый путь файла банка «%1».").arg(f.path));
            const QString path = staged + u'/' + f.path;
            if (!QDir().mkpath(QFileInfo(path).path()))
                throw TrivoError(QStringLiteral("Не удалось создать папку для файла %1.").arg(f.path));
            writeNew(path, f.path, f.content);
        }
        QDirIterator dirs(staged, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (dirs.hasNext())
            syncFolder(dirs.next());
        syncFolder(staged);
    } catch (...) {
        dropStaged();
        throw;
    }
    // The new folder is whole on the disk; now it takes the old one's name.
    // The old one keeps a second name until the new one is in place.
    const QByteArray to = QFile::encodeName(target);
    if (!QFileInfo::exists(target)) {
        if (::rename(QFile::encodeName(staged).constData(), to.constData()) != 0) {
            const int err = errno;
            dropStaged();
            throw TrivoError(cannotWriteText(QFileInfo(target).fileName(), systemReason(err)));
        }
    } else if (::renameat2(AT_FDCWD, QFile::encodeName(staged).constData(), AT_FDCWD, to.constData(),
                           RENAME_EXCHANGE) == 0) {
        // Swapped in one step: the folder's name never stands empty, for a
        // program reading the bank meanwhile. The staged name now holds the old bank.
        dropStaged();
    } else if (errno != EINVAL && errno != ENOSYS) {
        const int err = errno;
        dropStaged();
        throw TrivoError(cannotWriteText(QFileInfo(target).fileName(), systemReason(err)));
    } else {
        // A file system that cannot swap two names: the old folder steps aside first.
        const QString old = besideName(target, "old");
        const QByteArray kept = QFile::encodeName(old);
        if (::rename(to.constData(), kept.constData()) != 0) {
            const int err = errno;
            dropStaged();
            throw TrivoError(cannotWriteText(QFileInfo(target).fileName(), systemReason(err)));
        }
        if (::rename(QFile::encodeName(staged).constData(), to.constData()) != 0) {
            const int err = errno;
            (void)::rename(kept.constData(), to.constData());
            dropStaged();
            throw TrivoError(cannotWriteText(QFileInfo(target).fileName(), systemReason(err)));
        }
        QDir(old).removeRecursively();
    }
    syncFolder(QFileInfo(target).path());
}
