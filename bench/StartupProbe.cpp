// Measures one start of a program from outside: the wall time from just
// before the process is spawned until it has ended, and its CPU time (user
// and system, every thread) and peak resident set size from wait4. Run with
// libfirst_paint_exit.so preloaded, the program ends at its first full
// paint, so all three cover the start-up and nothing after it.
//
//   startup_probe PROGRAM [ARGS...]
//
// Prints one line:
//   startup_ms=<ms> cpu_ms=<ms> peak_rss_kb=<kB> exit=<code>
// Exit status 0 when the program ended by itself with status 0.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kExitTimeoutMs = 30000;

double Milliseconds(const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; }

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: startup_probe PROGRAM [ARGS...]\n");
        return 2;
    }
    pid_t child = 0;
    const auto start = Clock::now();
    if (posix_spawn(&child, argv[1], nullptr, nullptr, argv + 1, environ) != 0) {
        std::fprintf(stderr, "startup_probe: cannot start %s: %s\n", argv[1], std::strerror(errno));
        return 2;
    }
    // A pidfd becomes readable the moment the process ends, so the end is
    // taken without a polling interval's delay.
    const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
    if (pidfd < 0) {
        std::fprintf(stderr, "startup_probe: pidfd_open: %s\n", std::strerror(errno));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        return 2;
    }
    pollfd fd{pidfd, POLLIN, 0};
    const bool endedByItself = poll(&fd, 1, kExitTimeoutMs) == 1;
    const auto ended = Clock::now();
    if (!endedByItself)
        kill(child, SIGKILL);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    close(pidfd);
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (!endedByItself)
        std::fprintf(stderr, "startup_probe: %s did not end within %d s\n", argv[1], kExitTimeoutMs / 1000);
    std::printf("startup_ms=%.3f cpu_ms=%.3f peak_rss_kb=%ld exit=%d\n",
                std::chrono::duration<double, std::milli>(ended - start).count(),
                Milliseconds(usage.ru_utime) + Milliseconds(usage.ru_stime), usage.ru_maxrss, code);
    return endedByItself && code == 0 ? 0 : 1;
}
