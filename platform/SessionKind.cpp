#include "platform/SessionKind.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#if VOKABO_HAVE_XCB
#include <xcb/xcb.h>
#endif

const char kNoDisplayMessage[] =
    "vokabo: no display found (DISPLAY is not set); start Vokabo from a graphical desktop.\n";
const char kNoXWaylandMessage[] =
    "vokabo: no XWayland in this Wayland session; the drill bars cannot be placed or kept above other windows.\n";
const char kX11SilentMessage[] =
    "vokabo: the X server in DISPLAY=%s does not answer; start Vokabo from a graphical desktop.\n";
const char kWaylandSilentMessage[] =
    "vokabo: the Wayland compositor in WAYLAND_DISPLAY=%s does not answer; start Vokabo from a graphical desktop.\n";

namespace {

bool Set(const char* value)
{
    return value && *value;
}

// The session says so in XDG_SESSION_TYPE, and a compositor started without
// a session manager names its socket in WAYLAND_DISPLAY. A WAYLAND_DISPLAY
// taken away to keep a program off the compositor leaves the session what
// it is: its X server is still XWayland.
bool InWayland(const SessionEnvironment& environment)
{
    return Set(environment.waylandDisplay) ||
           (environment.sessionType && std::strcmp(environment.sessionType, "wayland") == 0);
}

bool X11ServerAnswers(const char* display)
{
#if VOKABO_HAVE_XCB
    xcb_connection_t* connection = xcb_connect(display, nullptr);
    const bool answers = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return answers;
#else
    (void)display;
    return true;
#endif
}

// A plain connect is all libwayland does before it speaks; a socket file
// left behind by a compositor that is gone refuses it.
bool WaylandCompositorAnswers(const char* socketPath)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (std::strlen(socketPath) >= sizeof address.sun_path)
        return false;
    std::strcpy(address.sun_path, socketPath);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool answers = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return answers;
}

// The socket Qt's wayland platform connects to, found as libwayland finds
// it: an absolute WAYLAND_DISPLAY as it is, a relative one inside
// XDG_RUNTIME_DIR, and nothing without an absolute runtime folder.
std::string WaylandSocketPath(const SessionEnvironment& environment)
{
    const std::string name = environment.waylandDisplay;
    if (name.front() == '/')
        return name;
    if (!Set(environment.runtimeFolder) || environment.runtimeFolder[0] != '/')
        return {};
    return std::string(environment.runtimeFolder) + '/' + name;
}

} // namespace

// The bars are small frameless windows that put themselves at fixed places
// of the screen, stay above the learner's other programs and keep out of the
// taskbar. A native Wayland client can do none of that: the compositor
// places its top-level windows and decides their stacking. Through XWayland
// they are X11 windows, and a compositor that manages them as an X11 window
// manager would (Mutter, KWin) honours their position requests, above state
// and skip-taskbar state; sway centres them all the same, no worse than
// natively. So a Wayland session with an X server that answers gets Qt's
// xcb platform, where Qt itself would choose wayland whenever its wayland
// plugin is installed. The X server is asked, not assumed: a DISPLAY left
// over from elsewhere would make the xcb platform fail where wayland runs.
//
// The display is asked before Qt is: a platform plugin that cannot connect
// makes Qt abort, with five lines of its own and a core file in the data
// folder, where a stale DISPLAY (ssh, sudo, an X server gone) deserves one
// line and a clean stop. A platform the user chose is left to Qt.
SessionKind DecideSessionKind(const SessionEnvironment& environment, const X11Answers& x11Answers,
                              const WaylandAnswers& waylandAnswers)
{
    if (Set(environment.platform))
        return InWayland(environment) ? SessionKind::PlatformChosenInWayland : SessionKind::PlatformChosen;
    const bool x11 = Set(environment.x11Display);
    if (!Set(environment.waylandDisplay)) {
        if (!x11)
            return SessionKind::NoDisplay;
        if (!x11Answers(environment.x11Display))
            return SessionKind::X11Silent;
        return InWayland(environment) ? SessionKind::WaylandWithXWayland : SessionKind::X11;
    }
    if (x11 && x11Answers(environment.x11Display))
        return SessionKind::WaylandWithXWayland;
    const std::string socket = WaylandSocketPath(environment);
    if (!socket.empty() && waylandAnswers(socket.c_str()))
        return SessionKind::WaylandOnly;
    return SessionKind::WaylandSilent;
}

bool IsWaylandKind(SessionKind kind)
{
    switch (kind) {
    case SessionKind::WaylandSilent:
    case SessionKind::PlatformChosenInWayland:
    case SessionKind::WaylandWithXWayland:
    case SessionKind::WaylandOnly:
        return true;
    case SessionKind::NoDisplay:
    case SessionKind::X11Silent:
    case SessionKind::PlatformChosen:
    case SessionKind::X11:
        return false;
    }
    return false;
}

SessionKind CurrentSessionKind()
{
    const SessionEnvironment environment{std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"),
                                         std::getenv("WAYLAND_DISPLAY"), std::getenv("XDG_RUNTIME_DIR"),
                                         std::getenv("XDG_SESSION_TYPE")};
    return DecideSessionKind(environment, X11ServerAnswers, WaylandCompositorAnswers);
}
