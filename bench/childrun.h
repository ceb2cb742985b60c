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
    long maxRssKiB = 0;
    bool ok = false;
};

// Runs argv with standard output to /dev/null; the time from start to end and the child's peak memory.
ChildRun runChild(const std::vector<std::string> &argv)
{
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        if (null < 0 || dup2(null, STDOUT_FILENO) < 0)
            _exit(127);
        execvp(args[0], args.data());
        _exit(127);
    }
    ChildRun r;
    if (pid < 0)
        return r;
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
