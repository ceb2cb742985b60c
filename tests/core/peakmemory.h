#pragma once
// How much memory a piece of work takes at its peak. It runs in a child
// process, so that whatever earlier tests took does not count, and a crash
// of the work is seen as a failure rather than taking the test down.
#include <QtGlobal>
#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

inline qint64 residentBytes()
{
    long pages = 0, resident = 0;
    FILE *f = std::fopen("/proc/self/statm", "r");
    if (!f)
        return 0;
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
        resident = 0;
    std::fclose(f);
    return qint64(resident) * sysconf(_SC_PAGESIZE);
}

// The bytes by which the resident memory grew at its peak while work ran;
// -1 when the work crashed or the child could not report.
inline qint64 peakGrowthOf(const std::function<void()> &work)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return -1;
    }
    if (pid == 0) {
        close(fds[0]);
        const qint64 before = residentBytes();
        try {
            work();
        } catch (...) {
        }
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        const qint64 growth = qint64(u.ru_maxrss) * 1024 - before;
        const bool sent = write(fds[1], &growth, sizeof growth) == sizeof growth;
        _exit(sent ? 0 : 1);
    }
    close(fds[1]);
    qint64 growth = -1;
    if (read(fds[0], &growth, sizeof growth) != sizeof growth)
        growth = -1;
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? growth : -1;
}

// What a reader may take beyond the file it reads.
inline qint64 memoryAllowedFor(qint64 fileSize)
{
    return 20 * fileSize + 50 * 1024 * 1024;
}
