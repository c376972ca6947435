#pragma once

#include <functional>

// How one platform catches the hot keys of HotKeys.h. The router switches a
// backend on while a target is set and delivery is not suspended; the backend
// reports each press of a hot key to its sink with the hot key's message.
class HotKeyBackend {
public:
    using Sink = std::function<void(int message)>;

    virtual ~HotKeyBackend() = default;

    // Start catching the keys. False when not one of them could be taken.
    virtual bool listen() = 0;
    // Let the keys go; they reach whoever has the focus again.
    virtual void stop() = 0;
};
