#pragma once
// Another client of the test's X server, on a connection of its own: it
// plays the learner's keyboard through XTEST and holds a focused window of
// its own, as another program on the desktop does.
#include <QRect>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <memory>
#include <vector>

// The modifiers of the hot keys, held in this order.
inline const std::vector<KeySym> CtrlAltShift{XK_Control_L, XK_Alt_L, XK_Shift_L};

class OtherClient {
public:
    OtherClient() : m_display(XOpenDisplay(nullptr)) {}

    // Whether the server is there and fakes input.
    bool Usable() const
    {
        int event = 0, error = 0, major = 0, minor = 0;
        return m_display && XTestQueryExtension(m_display.get(), &event, &error, &major, &minor);
    }

    KeyCode Keycode(KeySym keysym) const { return XKeysymToKeycode(m_display.get(), keysym); }

    // key pressed and let go, with modifiers held around it as a person
    // holds them.
    void Type(KeySym key, const std::vector<KeySym>& modifiers = {})
    {
        for (KeySym modifier : modifiers)
            Fake(modifier, true);
        Fake(key, true);
        Fake(key, false);
        for (auto modifier = modifiers.rbegin(); modifier != modifiers.rend(); ++modifier)
            Fake(*modifier, false);
        XSync(display(), False);
    }

    // A window of this client at area, mapped and holding the keyboard
    // focus. The key presses that reach it wait in this client's queue.
    Window FocusOwnWindow(QRect area)
    {
        Display* dpy = display();
        const int screen = DefaultScreen(dpy);
        const Window window =
            XCreateSimpleWindow(dpy, RootWindow(dpy, screen), area.x(), area.y(), static_cast<unsigned>(area.width()),
                                static_cast<unsigned>(area.height()), 0, BlackPixel(dpy, screen), WhitePixel(dpy, screen));
        XSelectInput(dpy, window, KeyPressMask | StructureNotifyMask);
        XMapWindow(dpy, window);
        XEvent event;
        do
            XWindowEvent(dpy, window, StructureNotifyMask, &event);
        while (event.type != MapNotify);
        XSetInputFocus(dpy, window, RevertToParent, CurrentTime);
        XSync(dpy, False);
        return window;
    }

protected:
    Display* display() const { return m_display.get(); }
    void Fake(KeySym keysym, bool down) { XTestFakeKeyEvent(display(), Keycode(keysym), down, CurrentTime); }

private:
    struct Closer {
        void operator()(Display* dpy) const { XCloseDisplay(dpy); }
    };
    std::unique_ptr<Display, Closer> m_display;
};
