#pragma once
// Which kind of desktop session the program was started in, and so which of
// Qt's platforms its windows use.

#include <functional>

enum class SessionKind {
    NoDisplay,               // nothing to show windows on: the program stops
    X11Silent,               // DISPLAY is set, but its X server does not answer: the program stops
    WaylandSilent,           // neither the compositor of WAYLAND_DISPLAY nor an X server answers: it stops
    PlatformChosen,          // QT_QPA_PLATFORM names a platform: the user's choice stands
    PlatformChosenInWayland, // as PlatformChosen, in a Wayland session
    X11,                     // an X11 session: Qt's own choice is xcb
    WaylandWithXWayland,     // a Wayland session whose X server answers: the windows use it
    WaylandOnly,             // a Wayland session without X: native, the bars cannot be placed
};

// The session's variables; a null or empty value counts as unset, as Qt
// counts it.
struct SessionEnvironment {
    const char* platform;       // QT_QPA_PLATFORM
    const char* x11Display;     // DISPLAY
    const char* waylandDisplay; // WAYLAND_DISPLAY
    const char* runtimeFolder;  // XDG_RUNTIME_DIR, where a relative WAYLAND_DISPLAY lies
    const char* sessionType;    // XDG_SESSION_TYPE
};

// Whether the X server named in DISPLAY takes a connection. Asked whenever
// DISPLAY is set and the platform is not the user's choice.
using X11Answers = std::function<bool(const char* display)>;
// Whether a compositor listens on the socket at this path. Asked only in a
// Wayland session where no X server answers.
using WaylandAnswers = std::function<bool(const char* socketPath)>;

SessionKind DecideSessionKind(const SessionEnvironment& environment, const X11Answers& x11Answers,
                              const WaylandAnswers& waylandAnswers);

// A Wayland compositor runs the session, whatever platform our windows
// use. Then the X server, if any, is XWayland, which sees neither the keys
// pressed in other programs nor the Wayland windows on the screen: the hot
// keys and the screen copy go through the desktop's portal instead.
bool IsWaylandKind(SessionKind kind);

// The process's own session: the X server asked through xcb, the compositor
// through a plain connection to its socket.
SessionKind CurrentSessionKind();

extern const char kNoDisplayMessage[];
extern const char kNoXWaylandMessage[];
// printf formats; the variable's value takes the place of %s.
extern const char kX11SilentMessage[];
extern const char kWaylandSilentMessage[];
