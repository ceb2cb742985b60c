#include "durablefile.h"
#include "errors.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace
{
std::atomic<int> g_writeFault{0};
std::atomic<int> g_syncFault{0};
std::atomic<int> g_renameFault{0};
std::atomic<int> g_storesBeforeFault{0}; // stores that pass before the fault strikes

// Whether an injected fault may strike the store that starts now.
bool faultMayStrike()
{
    int before = g_storesBeforeFault.load();
    while (before > 0 && !g_storesBeforeFault.compare_exchange_weak(before, before - 1)) {
    }
    return before <= 0;
}

int takeFault(std::atomic<int> &fault, bool mayStrike)
{
    return mayStrike ? fault.exchange(0) : 0;
}

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
int writeAll(int fd, QByteArrayView bytes, bool mayStrike)
{
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        if (const int err = takeFault(g_writeFault, mayStrike))
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

int syncData(int fd, bool mayStrike)
{
    if (const int err = takeFault(g_syncFault, mayStrike))
        return err;
    int r;
    do
        r = ::fdatasync(fd);
    while (r != 0 && errno == EINTR);
    return r == 0 ? 0 : errno;
}

// Writes, syncs and closes the file; 0, or the errno of the first failure.
// The descriptor is closed in every case.
int fill(int fd, const std::function<QByteArrayView()> &pieces, Durability durability, bool mayStrike)
{
    int err = 0;
    try {
        for (QByteArrayView piece = pieces(); !err && !piece.isEmpty(); piece = pieces())
            err = writeAll(fd, piece, mayStrike);
    } catch (...) {
        ::close(fd);
        throw;
    }
    if (!err && durability == Durability::OnDisk)
        err = syncData(fd, mayStrike);
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

void injectStoreFault(StoreStep step, int err, int storesBefore)
{
    (step == StoreStep::Write ? g_writeFault : step == StoreStep::Sync ? g_syncFault : g_renameFault).store(err);
    g_storesBeforeFault.store(err ? storesBefore : 0);
}

namespace
{
// A new content on the disk beside the file it is to replace.
struct Staged {
    QString path;    // as the caller named it, for messages
    QByteArray file; // the file replaced: a link's target
    QByteArray temp; // the new content
    bool mayStrike;  // an injected rename fault may strike this store
};

Staged stage(const QString &path, const std::function<QByteArrayView()> &pieces, Durability durability)
{
    const bool mayStrike = faultMayStrike();
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
        err = fill(fd, pieces, durability, mayStrike);
    } catch (...) {
        ::unlink(temp.constData());
        throw;
    }
    if (err) {
        ::unlink(temp.constData());
        fail(path, err);
    }
    return {path, file, temp, mayStrike};
}

// 0, or the errno of a failed rename of the staged content into its place.
int putInPlace(const Staged &s)
{
    if (const int err = takeFault(g_renameFault, s.mayStrike))
        return err;
    return ::rename(s.temp.constData(), s.file.constData()) == 0 ? 0 : errno;
}

// The new content is in place from here on; only its name may not yet be on
// the disk. A failed sync of the folder is still reported, as a power cut
// could bring the old file back, but the old content is gone already.
void syncPlace(const Staged &s, Durability durability)
{
    if (durability == Durability::OnDisk)
        if (const int err = syncFolder(QFileInfo(QFile::decodeName(s.file)).path()))
            fail(s.path, err);
}

std::function<QByteArrayView()> once(const QByteArray &bytes)
{
    auto given = std::make_shared<bool>(false);
    return [&bytes, given]() -> QByteArrayView {
        if (std::exchange(*given, true))
            return {};
        return bytes;
    };
}
} // namespace

void replaceFile(const QString &path, const QByteArray &bytes, Durability durability)
{
    replaceFile(path, once(bytes), durability);
}

void replaceFile(const QString &path, const std::function<QByteArrayView()> &pieces, Durability durability)
{
    const Staged s = stage(path, pieces, durability);
    if (const int err = putInPlace(s)) {
        ::unlink(s.temp.constData());
        fail(path, err);
    }
    syncPlace(s, durability);
}

void replaceFiles(const std::vector<std::pair<QString, QByteArray>> &files)
{
    std::vector<Staged> staged;
    auto dropStaged = [&staged](size_t from) {
        for (size_t i = from; i < staged.size(); ++i)
            ::unlink(staged[i].temp.constData());
    };
    try {
        for (const auto &[path, bytes] : files)
            staged.push_back(stage(path, once(bytes), Durability::OnDisk));
    } catch (...) {
        dropStaged(0);
        throw;
    }
    // Every new content is on the disk. The old files stay reachable under a
    // second name until all the new ones are in, so that a rename refused half
    // way can be undone.
    std::vector<QByteArray> kept(staged.size());
    auto dropKept = [&kept] {
        for (const QByteArray &k : kept)
            if (!k.isEmpty())
                ::unlink(k.constData());
    };
    for (size_t i = 0; i < staged.size(); ++i) {
        if (::access(staged[i].file.constData(), F_OK) != 0)
            continue; // a new file: undone by removing it
        int err = 0;
        for (int attempt = 0; attempt < 100; ++attempt) {
            kept[i] = staged[i].file + ".old" + QByteArray::number(QRandomGenerator::global()->bounded(1000000));
            if (::link(staged[i].file.constData(), kept[i].constData()) == 0) {
                err = 0;
                break;
            }
            err = errno;
            if (err != EEXIST)
                break;
        }
        if (err) {
            kept[i].clear();
            dropKept();
            dropStaged(0);
            fail(staged[i].path, err);
        }
    }
    for (size_t i = 0; i < staged.size(); ++i) {
        if (const int err = putInPlace(staged[i])) {
            for (size_t j = 0; j < i; ++j) {
                if (kept[j].isEmpty())
                    ::unlink(staged[j].file.constData());
                else if (::rename(kept[j].constData(), staged[j].file.constData()) == 0)
                    kept[j].clear();
            }
            dropKept();
            dropStaged(i);
            fail(staged[i].path, err);
        }
    }
    dropKept();
    for (const Staged &s : staged)
        syncPlace(s, Durability::OnDisk);
}
