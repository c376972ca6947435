#pragma once

#include <functional>

// How one platform catches the hot keys of HotKeys.h. The router switches a
// backend on while a target is set and delivery is not suspended; the backend
// reports each press of a hot key to its sink with the hot key's message,
// and only between listen() and stop(): the router posts whatever it is
// told. A press that arrives after stop(), as a portal's signal may, is the
// backend's to drop.
class HotKeyBackend {
public:
    using Sink = std::function<void(int message)>;

    virtual ~HotKeyBackend() = default;

    // Whether the keys can come from here now. A backend that learns this
    // later (a desktop portal answers when the desktop has decided) tells the
    // router through the callback it was made with; until it is ready, and
    // for good once it has failed, the next backend catches the keys.
    virtual bool ready() const { return true; }
    // Start catching the keys. False when not one of them could be taken.
    virtual bool listen() = 0;
    // Let the keys go; they reach whoever has the focus again.
    virtual void stop() = 0;
};
