#pragma once
// An operation measured in a child process of its own, so that it pays for
// memory the process has never used and its peak memory is its own: the time
// of its first run and of the fastest repeat, and the peak above the size the
// child had when the operation began. Also the plain read the bank's
// operations are compared with.
#include "text.h"

#include <QString>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{

struct Measured {
    double seconds = 0;      // the first run
    double againSeconds = 0; // the fastest repeat
    double peakKiB = 0;      // above the size at the start
    double highWaterKiB = 0; // the whole process at its peak during the runs
    bool ok = false;
};

long statusKiB(const char *field)
{
    FILE *f = std::fopen("/proc/self/status", "r");
    if (!f)
        return 0;
    char line[256];
    long kib = 0;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, field, std::strlen(field)) == 0)
            kib = std::atol(line + std::strlen(field));
    std::fclose(f);
    return kib;
}

// Runs setup once and op `repeat` times in a child process.
template <class Setup, class Op> Measured inChild(int repeat, Setup setup, Op op)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        Measured m;
        try {
            cp1251Available(); // the program makes its code page table at start-up, before any of these
            setup();
            // The peak counter starts again from the present size.
            if (const int f = open("/proc/self/clear_refs", O_WRONLY); f >= 0) {
                (void)!write(f, "5", 1);
                close(f);
            }
            const long start = statusKiB("VmRSS:");
            m.againSeconds = 1e9;
            for (int i = 0; i < repeat; ++i) {
                const auto t0 = std::chrono::steady_clock::now();
                op();
                const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
                (i == 0 ? m.seconds : m.againSeconds) = i == 0 ? s : std::min(m.againSeconds, s);
            }
            m.highWaterKiB = double(statusKiB("VmHWM:"));
            m.peakKiB = m.highWaterKiB - double(start);
            m.ok = true;
        } catch (...) {
        }
        (void)!write(fds[1], &m, sizeof m);
        _exit(0);
    }
    close(fds[1]);
    Measured m;
    if (pid < 0 || read(fds[0], &m, sizeof m) != sizeof m)
        m = {};
    close(fds[0]);
    if (pid > 0)
        waitpid(pid, nullptr, 0);
    return m;
}

// A plain read: each file's bytes into memory of its size, as a program that
// keeps a file reads it.
void plainRead(const std::vector<QString> &files)
{
    for (const QString &path : files) {
        const int fd = open(path.toLocal8Bit().constData(), O_RDONLY);
        struct stat st = {};
        if (fd < 0 || fstat(fd, &st) != 0)
            throw 1;
        std::unique_ptr<char[]> buf(new char[size_t(st.st_size) + 1]);
        for (off_t got = 0; got < st.st_size;) {
            const ssize_t n = read(fd, buf.get() + got, size_t(st.st_size - got));
            if (n <= 0)
                throw 1;
            got += n;
        }
        benchmark::DoNotOptimize(buf.get());
        close(fd);
    }
}

void keepBest(Measured &best, const Measured &m)
{
    if (!m.ok) {
        best.ok = false;
        best.seconds = -1;
        return;
    }
    if (best.seconds < 0)
        return; // a failed run stays failed
    if (!best.ok || m.seconds < best.seconds)
        best.seconds = m.seconds;
    best.againSeconds = best.ok ? std::min(best.againSeconds, m.againSeconds) : m.againSeconds;
    best.peakKiB = std::max(best.peakKiB, m.peakKiB);
    best.highWaterKiB = std::max(best.highWaterKiB, m.highWaterKiB);
    best.ok = true;
}

} // namespace
