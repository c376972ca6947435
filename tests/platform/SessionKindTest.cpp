// The session kind, which decides the windows' platform before Qt starts.
#include "platform/SessionKind.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(SessionKind, EachSession_PlatformFollowsTheChoiceTheDisplaysAndWhetherTheyAnswer)
{
    struct Case {
        const char* platform;
        const char* x11;
        const char* wayland;
        const char* runtime;
        bool x11Answers;
        bool waylandAnswers;
        SessionKind expected;
        const char* waylandAsked; // the compositor's socket, when it is asked
    };
    const char* run = "/run/user/1000";
    const Case cases[] = {
        {nullptr, nullptr, nullptr, run, true, true, SessionKind::NoDisplay, nullptr},
        {"", "", "", run, true, true, SessionKind::NoDisplay, nullptr},
        {nullptr, ":1", nullptr, run, true, true, SessionKind::X11, nullptr},
        {nullptr, ":1", "", run, true, true, SessionKind::X11, nullptr},
        // A stale DISPLAY: Qt's xcb platform would abort on it.
        {nullptr, ":1", "", run, false, true, SessionKind::X11Silent, nullptr},
        {nullptr, ":1", "wayland-0", run, true, false, SessionKind::WaylandWithXWayland, nullptr},
        {nullptr, ":1", "wayland-0", run, false, true, SessionKind::WaylandOnly, "/run/user/1000/wayland-0"},
        {nullptr, nullptr, "wayland-0", run, true, true, SessionKind::WaylandOnly, "/run/user/1000/wayland-0"},
        {nullptr, "", "wayland-0", run, true, true, SessionKind::WaylandOnly, "/run/user/1000/wayland-0"},
        {nullptr, nullptr, "/tmp/w/socket", nullptr, true, true, SessionKind::WaylandOnly, "/tmp/w/socket"},
        // A compositor gone, and no X server to fall back on.
        {nullptr, nullptr, "wayland-0", run, true, false, SessionKind::WaylandSilent, "/run/user/1000/wayland-0"},
        {nullptr, ":1", "wayland-0", run, false, false, SessionKind::WaylandSilent, "/run/user/1000/wayland-0"},
        // A relative name without an absolute runtime folder names no socket.
        {nullptr, nullptr, "wayland-0", nullptr, true, true, SessionKind::WaylandSilent, nullptr},
        {nullptr, nullptr, "wayland-0", "run", true, true, SessionKind::WaylandSilent, nullptr},
        {"wayland", ":1", "wayland-0", run, false, false, SessionKind::PlatformChosenInWayland, nullptr},
        {"offscreen", nullptr, nullptr, run, false, false, SessionKind::PlatformChosen, nullptr},
        {"xcb", ":1", nullptr, run, false, false, SessionKind::PlatformChosen, nullptr},
        {"", ":1", "wayland-0", run, true, true, SessionKind::WaylandWithXWayland, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.platform ? c.platform : "-") + " " + (c.x11 ? c.x11 : "-") + " " +
                     (c.wayland ? c.wayland : "-") + " " + (c.runtime ? c.runtime : "-") +
                     (c.x11Answers ? " x11 answers" : " x11 silent") +
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
        EXPECT_EQ(DecideSessionKind({c.platform, c.x11, c.wayland, c.runtime, nullptr}, x11, wayland), c.expected);
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

// Given XDG_SESSION_TYPE=wayland, when WAYLAND_DISPLAY is set or taken
// away, then the session counts as Wayland for the hot keys and the screen
// copy all the same, and the platform still follows the displays.
TEST(SessionKind, SessionTypeWayland_CountsAsWaylandWithOrWithoutItsSocket)
{
    struct Case {
        const char* platform;
        const char* x11;
        const char* wayland;
        const char* type;
        bool x11Answers;
        SessionKind expected;
        bool inWayland;
    };
    const Case cases[] = {
        {nullptr, ":1", nullptr, "wayland", true, SessionKind::WaylandWithXWayland, true},
        {nullptr, ":1", nullptr, "x11", true, SessionKind::X11, false},
        {nullptr, ":1", nullptr, "wayland", false, SessionKind::X11Silent, false},
        {nullptr, nullptr, nullptr, "wayland", true, SessionKind::NoDisplay, false},
        {"xcb", ":1", nullptr, "wayland", true, SessionKind::PlatformChosenInWayland, true},
        {"xcb", ":1", "wayland-0", nullptr, true, SessionKind::PlatformChosenInWayland, true},
        {"xcb", ":1", nullptr, "tty", true, SessionKind::PlatformChosen, false},
        {nullptr, ":1", "wayland-0", nullptr, true, SessionKind::WaylandWithXWayland, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.platform ? c.platform : "-") + " " + (c.x11 ? c.x11 : "-") + " " +
                     (c.wayland ? c.wayland : "-") + " " + (c.type ? c.type : "-"));
        const SessionKind kind = DecideSessionKind(
            {c.platform, c.x11, c.wayland, "/run/user/1000", c.type}, [&](const char*) { return c.x11Answers; },
            [](const char*) { return true; });
        EXPECT_EQ(kind, c.expected);
        EXPECT_EQ(IsWaylandKind(kind), c.inWayland);
    }
}
