#pragma once
// Runs a program as a child process, the way the benchmarks compare whole
// programs: wall time from start to end and the child's peak memory.
#include <chrono>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{
struct ChildRun {
    double seconds = 0;
    double upSeconds = 0; // until the child said it was up (programs told through TRIVO_STARTED_FD)
    long maxRssKiB = 0;
    bool ok = false;
};

// Runs argv with standard output to /dev/null; the time from start to end and the child's peak memory.
// The child finds a descriptor in TRIVO_STARTED_FD; the byte it writes there marks the moment it is up.
ChildRun runChild(const std::vector<std::string> &argv)
{
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    int up[2];
    if (pipe(up) != 0)
        return {};
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        close(up[0]);
        setenv("TRIVO_STARTED_FD", std::to_string(up[1]).c_str(), 1);
        const int null = open("/dev/null", O_WRONLY);
        if (null < 0 || dup2(null, STDOUT_FILENO) < 0)
            _exit(127);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(up[1]);
    ChildRun r;
    if (pid < 0) {
        close(up[0]);
        return r;
    }
    char byte = 0;
    if (read(up[0], &byte, 1) == 1)
        r.upSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    close(up[0]);
    int status = 0;
    rusage use{};
    if (wait4(pid, &status, 0, &use) != pid)
        return r;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.maxRssKiB = use.ru_maxrss;
    r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return r;
}

} // namespace
