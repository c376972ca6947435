#pragma once

#include "keyhook/HotKeyBackend.h"

#include <QAbstractNativeEventFilter>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

struct xcb_connection_t;

// On X11 the hot keys are taken from the whole desktop: passive key grabs on
// every root window, so they work while another program has the focus. The
// presses come back through Qt's own connection and are taken out of its
// event stream before Qt looks at them.
class X11HotKeyGrabber final : public HotKeyBackend, public QAbstractNativeEventFilter {
public:
    X11HotKeyGrabber(xcb_connection_t* connection, Sink sink);
    ~X11HotKeyGrabber() override;

    bool listen() override;
    void stop() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    // One hot key grabbed on one root window under all lock variants.
    struct Grab {
        std::uint32_t root;
        std::uint8_t keycode;
        std::uint16_t modifiers;
        int message;
    };

    const Grab* findGrab(std::uint32_t window, std::uint8_t keycode, std::uint16_t state) const;

    xcb_connection_t* m_connection;
    Sink m_sink;
    std::vector<Grab> m_grabs;
    // NumLock's modifier bit and CapsLock's, ignored when matching presses.
    std::uint16_t m_lockMask = 0;
    // Keys pressed and not yet released, so that the auto-repeat of a held
    // hot key counts once.
    std::array<bool, 256> m_held{};
    // The last release of a held key. While a key repeats, X sends a release
    // and a press with one time stamp; a press that matches it is a repeat.
    struct Release {
        std::uint8_t keycode;
        std::uint32_t time;
    };
    std::optional<Release> m_lastRelease;
};
