#pragma once

#include "keyhook/KeyHook.h"

#include <Qt>
#include <array>

// One hot key: the key with exactly these modifiers (NumLock and CapsLock
// do not count) posts message. A desktop portal knows it by portalId and
// shows description in the desktop's shortcut settings.
struct HotKey {
    int message;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    const char* portalId;
    const char* description;
};

// Ctrl+Alt+Shift with a letter. Desktops and input methods leave this
// combination alone (GNOME's screencast key Ctrl+Alt+Shift+R is avoided), the
// X server does not reserve it as it does Ctrl+Alt+F-keys, and it cannot be
// typed by accident while answering. HOTKEYS.md tells the user the same.
inline constexpr Qt::KeyboardModifiers HotKeyModifiers =
    Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier;

// The portal ids are stored by the desktop with the learner's choice of
// keys; renaming one loses that choice.
inline constexpr std::array<HotKey, 4> HotKeys{{
    {KeyHookMessage::Reveal, Qt::Key_F, HotKeyModifiers, "reveal", "Flip the card"},
    {KeyHookMessage::Mark, Qt::Key_M, HotKeyModifiers, "mark", "Mark the word as known, or unmark it"},
    {KeyHookMessage::Minimize, Qt::Key_H, HotKeyModifiers, "minimise", "Hide the drill bar, or bring it back"},
    {KeyHookMessage::SeeThrough, Qt::Key_T, HotKeyModifiers, "see-through", "See-through look on or off"},
}};
