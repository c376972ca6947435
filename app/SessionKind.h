#pragma once
// Which kind of desktop session the program was started in, and so which of
// Qt's platforms its windows use.

#include <cstdlib>
#include <functional>
#include <string_view>

enum class SessionKind {
    NoDisplay,           // nothing to show windows on: the program stops
    PlatformChosen,      // QT_QPA_PLATFORM names a platform: the user's choice stands
    X11,                 // an X11 session: Qt's own choice is xcb
    WaylandWithXWayland, // a Wayland session whose X server answers: the windows use it
    WaylandOnly,         // a Wayland session without X: native, the bars cannot be placed
};

// A Wayland compositor runs the session, whatever platform our windows use:
// the session says so in XDG_SESSION_TYPE, and a compositor started without
// a session manager names its socket in WAYLAND_DISPLAY. Header-only, so the
// hot-key library asks the same question without linking the windows.
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
};

// Asked only in a Wayland session with DISPLAY set: whether that X server
// takes a connection.
using X11Answers = std::function<bool(const char* display)>;

SessionKind DecideSessionKind(const SessionEnvironment& environment, const X11Answers& x11Answers);

// The process's own session, the X server asked through xcb.
SessionKind CurrentSessionKind();

extern const char kNoDisplayMessage[];
extern const char kNoXWaylandMessage[];
