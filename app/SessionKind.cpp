#include "app/SessionKind.h"

#if VOKABO_HAVE_XCB
#include <xcb/xcb.h>
#endif

const char kNoDisplayMessage[] =
    "vokabo: no display found (DISPLAY is not set); start Vokabo from a graphical desktop.\n";
const char kNoXWaylandMessage[] =
    "vokabo: no XWayland in this Wayland session; the drill bars cannot be placed or kept above other windows.\n";

namespace {

bool Set(const char* value)
{
    return value && *value;
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
SessionKind DecideSessionKind(const SessionEnvironment& environment, const X11Answers& x11Answers)
{
    if (Set(environment.platform))
        return SessionKind::PlatformChosen;
    const bool x11 = Set(environment.x11Display);
    if (!Set(environment.waylandDisplay))
        return x11 ? SessionKind::X11 : SessionKind::NoDisplay;
    if (x11 && x11Answers(environment.x11Display))
        return SessionKind::WaylandWithXWayland;
    return SessionKind::WaylandOnly;
}

SessionKind CurrentSessionKind()
{
    const SessionEnvironment environment{std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"),
                                         std::getenv("WAYLAND_DISPLAY")};
    return DecideSessionKind(environment, X11ServerAnswers);
}
