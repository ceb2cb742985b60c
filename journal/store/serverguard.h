#pragma once
#include <QSqlDatabase>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sys/types.h>
#include <thread>

// Bounds the waits on the journal's server. The database client waits for an
// answer as long as the connection stands, and a server that froze, or a
// network cut where the school's switch still answers, leaves it standing for
// many minutes. While a step is armed, the guard's own thread watches the
// clock; a step that overruns has its socket shut, so the call that waits
// returns at once with an error. Arm and disarm from the thread that uses the
// connection; giveUp() from any thread.
class ServerGuard
{
public:
    ServerGuard() = default;
    ~ServerGuard();
    ServerGuard(const ServerGuard &) = delete;
    ServerGuard &operator=(const ServerGuard &) = delete;

    // Starts a step of at most seconds on the open connection db. False (and
    // nothing armed) when a step is armed already: the outer one keeps its time.
    bool arm(const QSqlDatabase &db, int seconds);
    void disarm();
    // Whether the last step was cut; arming a new step forgets it.
    bool cut() const;

    // Cuts the connection now and every step armed from now on: for a program
    // that is closing and cannot wait for the server any longer.
    void giveUp();
    bool gaveUp() const;

private:
    using Clock = std::chrono::steady_clock;
    void watch();
    void cutLocked();
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::thread m_thread;
    int m_socket = -1;
    // The socket's identity when armed: a number the client closed and the
    // system gave to another file is never shut.
    dev_t m_device = 0;
    ino_t m_inode = 0;
    Clock::time_point m_deadline = Clock::time_point::max();
    bool m_armed = false, m_cut = false, m_gaveUp = false, m_stop = false;
};
