#include "serverguard.h"

#include <QSqlDriver>
#include <QVariant>

#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/stat.h>

namespace
{
// The socket of a server connection, or -1. The client library is the one the
// database driver loaded; the program does not link it itself, so it runs
// where only the embedded journal is installed.
int socketOf(const QSqlDatabase &db)
{
    using SocketOf = int (*)(const void *);
    static const SocketOf pqSocket = [] {
        void *lib = ::dlopen("libpq.so.5", RTLD_LAZY | RTLD_NOLOAD);
        return lib ? reinterpret_cast<SocketOf>(::dlsym(lib, "PQsocket")) : nullptr;
    }();
    if (!pqSocket || !db.isOpen() || !db.driver())
        return -1;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
        return -1;
    const void *connection = *static_cast<void *const *>(handle.constData());
    return connection ? pqSocket(connection) : -1;
}
} // namespace

ServerGuard::~ServerGuard()
{
    {
        const std::lock_guard l(m_lock);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool ServerGuard::arm(const QSqlDatabase &db, int seconds)
{
    const int socket = socketOf(db);
    struct stat st = {};
    const bool known = socket >= 0 && ::fstat(socket, &st) == 0;
    const std::lock_guard l(m_lock);
    if (m_armed)
        return false;
    m_armed = true;
    m_cut = false;
    m_socket = known ? socket : -1;
    m_device = st.st_dev;
    m_inode = st.st_ino;
    m_deadline = Clock::now() + std::chrono::seconds(qMax(1, seconds));
    if (m_gaveUp)
        cutLocked();
    if (!m_thread.joinable())
        m_thread = std::thread([this] { watch(); });
    m_wake.notify_all();
    return true;
}

void ServerGuard::disarm()
{
    const std::lock_guard l(m_lock);
    m_armed = false;
    m_socket = -1;
    m_deadline = Clock::time_point::max();
}

bool ServerGuard::cut() const
{
    const std::lock_guard l(m_lock);
    return m_cut;
}

void ServerGuard::giveUp()
{
    const std::lock_guard l(m_lock);
    m_gaveUp = true;
    if (m_armed)
        cutLocked();
}

bool ServerGuard::gaveUp() const
{
    const std::lock_guard l(m_lock);
    return m_gaveUp;
}

void ServerGuard::watch()
{
    std::unique_lock l(m_lock);
    while (!m_stop) {
        if (m_deadline == Clock::time_point::max())
            m_wake.wait(l);
        else if (m_wake.wait_until(l, m_deadline) == std::cv_status::timeout && Clock::now() >= m_deadline) {
            cutLocked();
            m_deadline = Clock::time_point::max();
        }
    }
}

void ServerGuard::cutLocked()
{
    m_cut = true;
    struct stat st = {};
    // Shut, not closed: the number stays the client's until it closes it, and
    // the call waiting on it sees the end of the connection.
    if (m_socket >= 0 && ::fstat(m_socket, &st) == 0 && S_ISSOCK(st.st_mode) && st.st_dev == m_device &&
        st.st_ino == m_inode)
        ::shutdown(m_socket, SHUT_RDWR);
    m_socket = -1;
}
