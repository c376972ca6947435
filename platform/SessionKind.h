#pragma once
// Which kind of desktop session the program was started in, and so which of
// Qt's platforms its windows use.

#include <cstdlib>
#include <functional>
#include <string_view>

enum class SessionKind {
    NoDisplay,           // nothing to show windows on: the program stops
    X11Silent,           // DISPLAY is set, but its X server does not answer: the program stops
    WaylandSilent,       // neither the compositor of WAYLAND_DISPLAY nor an X server answers: it stops
    PlatformChosen,      // QT_QPA_PLATFORM names a platform: the user's choice stands
    X11,                 // an X11 session: Qt's own choice is xcb
    WaylandWithXWayland, // a Wayland session whose X server answers: the windows use it
    WaylandOnly,         // a Wayland session without X: native, the bars cannot be placed
};

// A Wayland compositor runs the session, whatever platform our windows use:
// the session says so in XDG_SESSION_TYPE, and a compositor started without
// a session manager names its socket in WAYLAND_DISPLAY. Start-up tells
// the hot-key library the answer.
inline bool IsWaylandSession()
{
    const char* type = std::getenv("XDG_SESSION_TYPE");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (type && std::string_view(type) == "wayland") || (wayland && *wayland);
}

// The session's variables; a null or empty value counts as unset, as Qt
// counts it.
struct SessionEnvironment {
    const char* platform;       // QT_QPA_PLATFORM
    const char* x11Display;     // DISPLAY
    const char* waylandDisplay; // WAYLAND_DISPLAY
    const char* runtimeFolder;  // XDG_RUNTIME_DIR, where a relative WAYLAND_DISPLAY lies
};

// Whether the X server named in DISPLAY takes a connection. Asked whenever
// DISPLAY is set and the platform is not the user's choice.
using X11Answers = std::function<bool(const char* display)>;
// Whether a compositor listens on the socket at this path. Asked only in a
// Wayland session where no X server answers.
using WaylandAnswers = std::function<bool(const char* socketPath)>;

SessionKind DecideSessionKind(const SessionEnvironment& environment, const X11Answers& x11Answers,
                              const WaylandAnswers& waylandAnswers);

// The process's own session: the X server asked through xcb, the compositor
// through a plain connection to its socket.
SessionKind CurrentSessionKind();

extern const char kNoDisplayMessage[];
extern const char kNoXWaylandMessage[];
// printf formats; the variable's value takes the place of %s.
extern const char kX11SilentMessage[];
extern const char kWaylandSilentMessage[];
