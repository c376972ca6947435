// The session kind, which decides the windows' platform before Qt starts.
#include "app/SessionKind.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(SessionKind, EachSession_PlatformFollowsTheChoiceTheDisplaysAndTheXServer)
{
    struct Case {
        const char* platform;
        const char* x11;
        const char* wayland;
        bool x11Answers;
        SessionKind expected;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, true, SessionKind::NoDisplay},
        {"", "", "", true, SessionKind::NoDisplay},
        {nullptr, ":1", nullptr, true, SessionKind::X11},
        // An X11 session's server is left to Qt, which says itself when it
        // cannot reach it.
        {nullptr, ":1", "", false, SessionKind::X11},
        {nullptr, ":1", "wayland-0", true, SessionKind::WaylandWithXWayland},
        {nullptr, ":1", "wayland-0", false, SessionKind::WaylandOnly},
        {nullptr, nullptr, "wayland-0", true, SessionKind::WaylandOnly},
        {nullptr, "", "wayland-0", true, SessionKind::WaylandOnly},
        {"wayland", ":1", "wayland-0", true, SessionKind::PlatformChosen},
        {"offscreen", nullptr, nullptr, false, SessionKind::PlatformChosen},
        {"", ":1", "wayland-0", true, SessionKind::WaylandWithXWayland},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.platform ? c.platform : "-") + " " + (c.x11 ? c.x11 : "-") + " " +
                     (c.wayland ? c.wayland : "-") + (c.x11Answers ? " answers" : " silent"));
        std::vector<std::string> asked;
        const auto answers = [&](const char* display) {
            asked.emplace_back(display);
            return c.x11Answers;
        };
        EXPECT_EQ(DecideSessionKind({c.platform, c.x11, c.wayland}, answers), c.expected);
        // The X server named in DISPLAY is the one asked.
        for (const std::string& display : asked)
            EXPECT_EQ(display, c.x11);
    }
}
