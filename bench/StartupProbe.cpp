// Measures one start of a program from outside: the time from just before
// the process is spawned until the X server maps its top-level window with
// the given title, then closes that window as a window manager would and
// reads the process's peak resident set size when it has ended.
//
//   startup_probe TITLE PROGRAM [ARGS...]
//
// Runs in the current directory under $DISPLAY. Prints one line:
//   startup_ms=<ms> peak_rss_kb=<kB> exit=<code>
// Exit status 0 when the window was seen and the program ended by itself.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kMapTimeout = std::chrono::seconds(30);
constexpr auto kExitTimeout = std::chrono::seconds(30);

long WindowPid(Display* display, Window window)
{
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items, &remaining,
                           &data) == Success &&
        data && items == 1 && format == 32)
        pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
    if (data)
        XFree(data);
    return pid;
}

std::string WindowTitle(Display* display, Window window)
{
    const Atom nameAtom = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, nameAtom, 0, 1024, False, utf8, &type, &format, &items, &remaining,
                           &data) == Success &&
        data)
        title.assign(reinterpret_cast<char*>(data), items);
    if (data)
        XFree(data);
    return title;
}

// Waits for the next X event up to `deadline`; false on timeout.
bool NextEvent(Display* display, XEvent& event, Clock::time_point deadline)
{
    while (!XPending(display)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(left));
    }
    XNextEvent(display, &event);
    return true;
}

void SendDeleteWindow(Display* display, Window window)
{
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = window;
    message.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    message.xclient.format = 32;
    message.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    message.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &message);
    XFlush(display);
}

// Reaps the child within the timeout (killing it after that); its rusage
// holds the peak RSS.
int Reap(pid_t child, rusage& usage, bool& endedByItself)
{
    const auto deadline = Clock::now() + kExitTimeout;
    int status = 0;
    endedByItself = true;
    for (;;) {
        const pid_t reaped = wait4(child, &status, WNOHANG, &usage);
        if (reaped == child)
            break;
        if (Clock::now() > deadline) {
            endedByItself = false;
            kill(child, SIGKILL);
            wait4(child, &status, 0, &usage);
            break;
        }
        usleep(2000);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: startup_probe TITLE PROGRAM [ARGS...]\n");
        return 2;
    }
    const std::string title = argv[1];
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "startup_probe: cannot open display\n");
        return 2;
    }
    const Window root = DefaultRootWindow(display);
    // Without a window manager every top-level window is a child of the
    // root, so its mapping is reported here.
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    pid_t child = 0;
    const auto start = Clock::now();
    if (posix_spawn(&child, argv[2], nullptr, nullptr, argv + 2, environ) != 0) {
        std::fprintf(stderr, "startup_probe: cannot start %s: %s\n", argv[2], std::strerror(errno));
        return 2;
    }

    Window mapped = None;
    Clock::time_point mappedAt;
    const auto deadline = start + kMapTimeout;
    XEvent event;
    while (mapped == None && NextEvent(display, event, deadline)) {
        if (event.type != MapNotify)
            continue;
        const auto at = Clock::now();
        const Window window = event.xmap.window;
        if (WindowPid(display, window) == child && WindowTitle(display, window) == title) {
            mapped = window;
            mappedAt = at;
        }
    }
    if (mapped != None)
        SendDeleteWindow(display, mapped);
    else
        kill(child, SIGTERM);

    rusage usage{};
    bool endedByItself = false;
    const int code = Reap(child, usage, endedByItself);
    XCloseDisplay(display);
    if (mapped == None) {
        std::fprintf(stderr, "startup_probe: no window \"%s\" of %s appeared (exit %d)\n", title.c_str(), argv[2],
                     code);
        return 1;
    }
    std::printf("startup_ms=%.3f peak_rss_kb=%ld exit=%d\n",
                std::chrono::duration<double, std::milli>(mappedAt - start).count(), usage.ru_maxrss, code);
    return endedByItself ? 0 : 1;
}
