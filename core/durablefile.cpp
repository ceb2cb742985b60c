#include "durablefile.h"
#include "errors.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace
{
std::atomic<int> g_writeFault{0};
std::atomic<int> g_syncFault{0};

[[noreturn]] void fail(const QString &path, int err)
{
    const QString why = QString::fromLocal8Bit(std::generic_category().message(err));
    throw TrivoError(cannotWriteText(QFileInfo(path).fileName(), why));
}

// Made the way mkstemp() makes its file, but with the mode passed in: mkstemp()
// fixes 0600, and widening that afterwards would need umask(), which can only be
// read by changing it for the whole process. Here the kernel applies the umask.
int createUnique(const QByteArray &target, mode_t mode, QByteArray &name)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = target + '.';
        for (int i = 0; i < 6; ++i)
            name += letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)];
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || (errno != EEXIST && errno != EINTR))
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// 0, or the errno of the failure.
int writeAll(int fd, QByteArrayView bytes)
{
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        if (const int err = g_writeFault.exchange(0))
            return err;
        const ssize_t n = ::write(fd, p, size_t(std::min<qsizetype>(left, qsizetype(1) << 30)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return ENOSPC; // the disk took nothing and gave no reason: it is full
        p += n;
        left -= n;
    }
    return 0;
}

int syncData(int fd)
{
    if (const int err = g_syncFault.exchange(0))
        return err;
    int r;
    do
        r = ::fdatasync(fd);
    while (r != 0 && errno == EINTR);
    return r == 0 ? 0 : errno;
}

// Writes, syncs and closes the file; 0, or the errno of the first failure.
// The descriptor is closed in every case.
int fill(int fd, const std::function<QByteArrayView()> &pieces, Durability durability)
{
    int err = 0;
    try {
        for (QByteArrayView piece = pieces(); !err && !piece.isEmpty(); piece = pieces())
            err = writeAll(fd, piece);
    } catch (...) {
        ::close(fd);
        throw;
    }
    if (!err && durability == Durability::OnDisk)
        err = syncData(fd);
    // On EINTR the descriptor is closed all the same, and the data is on the disk already.
    if (::close(fd) != 0 && !err && errno != EINTR)
        err = errno;
    return err;
}

// 0, or the errno of a failed sync of the folder's entries.
int syncFolder(const QString &folder)
{
    const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return 0; // a folder that cannot be opened for reading cannot be synced either
    int r;
    do
        r = ::fsync(dir);
    while (r != 0 && errno == EINTR);
    const int err = r == 0 ? 0 : errno;
    ::close(dir);
    return err == EINVAL ? 0 : err; // EINVAL: the filesystem does not sync folders
}
} // namespace

void injectStoreFault(StoreStep step, int err)
{
    (step == StoreStep::Write ? g_writeFault : g_syncFault).store(err);
}

void replaceFile(const QString &path, const QByteArray &bytes, Durability durability)
{
    bool given = false;
    replaceFile(
        path,
        [&]() -> QByteArrayView {
            if (std::exchange(given, true))
                return {};
            return bytes;
        },
        durability);
}

void replaceFile(const QString &path, const std::function<QByteArrayView()> &pieces, Durability durability)
{
    if (path.isEmpty())
        fail(path, ENOENT);
    // Over a symbolic link the link stays and its target gets the new content.
    QString target = path;
    for (int depth = 0; depth < 40 && QFileInfo(target).isSymLink(); ++depth)
        target = QFileInfo(target).symLinkTarget();
    const QByteArray file = QFile::encodeName(target);

    struct stat old = {};
    const bool existed = ::stat(file.constData(), &old) == 0;
    if (existed && S_ISDIR(old.st_mode))
        fail(path, EISDIR);
    // A file made read-only is not replaced, though its folder would allow it.
    if (existed && ::access(file.constData(), W_OK) != 0)
        fail(path, errno);

    // The new file starts with no right the old one lacks, then takes the old
    // rights. Copying them can fail (a file of another owner in a shared folder);
    // the new file is then still no more open than the old one was.
    const mode_t oldRights = old.st_mode & 07777;
    QByteArray temp;
    const int fd = createUnique(file, existed ? (oldRights & 0666) : 0666, temp);
    if (fd < 0)
        fail(path, errno);
    if (existed)
        (void)::fchmod(fd, oldRights);
    int err = 0;
    try {
        err = fill(fd, pieces, durability);
    } catch (...) {
        ::unlink(temp.constData());
        throw;
    }
    if (err) {
        ::unlink(temp.constData());
        fail(path, err);
    }
    if (::rename(temp.constData(), file.constData()) != 0) {
        const int err = errno;
        ::unlink(temp.constData());
        fail(path, err);
    }
    // The new content is in place from here on; only its name may not yet be on
    // the disk. A failed sync of the folder is still reported, as a power cut
    // could bring the old file back, but the old content is gone already.
    if (durability == Durability::OnDisk)
        if (const int err = syncFolder(QFileInfo(target).path()))
            fail(path, err);
}
