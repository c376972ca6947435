// The session kind, which decides the windows' platform before Qt starts.
#include "platform/SessionKind.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

// Given the session's variables and which displays answer, the platform
// follows the choice, then the displays; only the displays the decision
// needs are asked. XDG_SESSION_TYPE=wayland makes a Wayland session for the
// hot keys and the screen copy even without WAYLAND_DISPLAY, and the
// platform still follows the displays.
TEST(SessionKind, EachSession_PlatformFollowsTheChoiceTheDisplaysAndWhetherTheyAnswer)
{
    struct Case {
        const char* platform;
        const char* x11;
        const char* wayland;
        const char* runtime;
        const char* type;
        bool x11Answers;
        bool waylandAnswers;
        SessionKind expected;
        const char* waylandAsked; // the compositor's socket, when it is asked
    };
    const char* run = "/run/user/1000";
    const char* w0 = "/run/user/1000/wayland-0";
    const Case cases[] = {
        {nullptr, nullptr, nullptr, run, nullptr, true, true, SessionKind::NoDisplay, nullptr},
        {"", "", "", run, nullptr, true, true, SessionKind::NoDisplay, nullptr},
        {nullptr, ":1", nullptr, run, nullptr, true, true, SessionKind::X11, nullptr},
        {nullptr, ":1", "", run, nullptr, true, true, SessionKind::X11, nullptr},
        // A stale DISPLAY: Qt's xcb platform would abort on it.
        {nullptr, ":1", "", run, nullptr, false, true, SessionKind::X11Silent, nullptr},
        {nullptr, ":1", "wayland-0", run, nullptr, true, false, SessionKind::WaylandWithXWayland, nullptr},
        {nullptr, ":1", "wayland-0", run, nullptr, false, true, SessionKind::WaylandOnly, w0},
        {nullptr, nullptr, "wayland-0", run, nullptr, true, true, SessionKind::WaylandOnly, w0},
        {nullptr, "", "wayland-0", run, nullptr, true, true, SessionKind::WaylandOnly, w0},
        {nullptr, nullptr, "/tmp/w/socket", nullptr, nullptr, true, true, SessionKind::WaylandOnly, "/tmp/w/socket"},
        // A compositor gone, and no X server to fall back on.
        {nullptr, nullptr, "wayland-0", run, nullptr, true, false, SessionKind::WaylandSilent, w0},
        {nullptr, ":1", "wayland-0", run, nullptr, false, false, SessionKind::WaylandSilent, w0},
        // A relative name without an absolute runtime folder names no socket.
        {nullptr, nullptr, "wayland-0", nullptr, nullptr, true, true, SessionKind::WaylandSilent, nullptr},
        {nullptr, nullptr, "wayland-0", "run", nullptr, true, true, SessionKind::WaylandSilent, nullptr},
        {"wayland", ":1", "wayland-0", run, nullptr, false, false, SessionKind::PlatformChosenInWayland, nullptr},
        {"offscreen", nullptr, nullptr, run, nullptr, false, false, SessionKind::PlatformChosen, nullptr},
        {"xcb", ":1", nullptr, run, nullptr, false, false, SessionKind::PlatformChosen, nullptr},
        {"", ":1", "wayland-0", run, nullptr, true, true, SessionKind::WaylandWithXWayland, nullptr},
        {nullptr, ":1", nullptr, run, "wayland", true, true, SessionKind::WaylandWithXWayland, nullptr},
        {nullptr, ":1", nullptr, run, "x11", true, true, SessionKind::X11, nullptr},
        {nullptr, ":1", nullptr, run, "wayland", false, true, SessionKind::X11Silent, nullptr},
        {nullptr, nullptr, nullptr, run, "wayland", true, true, SessionKind::NoDisplay, nullptr},
        {"xcb", ":1", nullptr, run, "wayland", true, true, SessionKind::PlatformChosenInWayland, nullptr},
        {"xcb", ":1", nullptr, run, "tty", true, true, SessionKind::PlatformChosen, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.platform ? c.platform : "-") + " " + (c.x11 ? c.x11 : "-") + " " +
                     (c.wayland ? c.wayland : "-") + " " + (c.runtime ? c.runtime : "-") + " " +
                     (c.type ? c.type : "-") + (c.x11Answers ? " x11 answers" : " x11 silent") +
                     (c.waylandAnswers ? " wayland answers" : " wayland silent"));
        std::vector<std::string> x11Asked;
        std::vector<std::string> waylandAsked;
        const auto x11 = [&](const char* display) {
            x11Asked.emplace_back(display);
            return c.x11Answers;
        };
        const auto wayland = [&](const char* socket) {
            waylandAsked.emplace_back(socket);
            return c.waylandAnswers;
        };
        EXPECT_EQ(DecideSessionKind({c.platform, c.x11, c.wayland, c.runtime, c.type}, x11, wayland), c.expected);
        // The X server named in DISPLAY is the one asked, and a chosen
        // platform is not second-guessed.
        for (const std::string& display : x11Asked)
            EXPECT_EQ(display, c.x11);
        if (c.platform && *c.platform) {
            EXPECT_TRUE(x11Asked.empty());
        }
        EXPECT_EQ(waylandAsked, c.waylandAsked ? std::vector<std::string>{c.waylandAsked} : std::vector<std::string>{});
    }
}

// A Wayland compositor runs the session, whatever platform the windows use:
// the hot keys and the screen copy go through the portal.
TEST(SessionKind, WaylandKinds_AreThoseWithACompositorBehindThem)
{
    const std::pair<SessionKind, bool> kinds[] = {
        {SessionKind::NoDisplay, false},          {SessionKind::X11Silent, false},
        {SessionKind::PlatformChosen, false},     {SessionKind::X11, false},
        {SessionKind::WaylandSilent, true},       {SessionKind::PlatformChosenInWayland, true},
        {SessionKind::WaylandWithXWayland, true}, {SessionKind::WaylandOnly, true},
    };
    for (const auto& [kind, wayland] : kinds)
        EXPECT_EQ(IsWaylandKind(kind), wayland) << static_cast<int>(kind);
}
