#pragma once

#include "keyhook/KeyHook.h"

#include <Qt>
#include <array>

// One hot key: the key with exactly these modifiers (NumLock and CapsLock
// do not count) posts message.
struct HotKey {
    int message;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

// Ctrl+Alt+Shift with a letter. Desktops and input methods leave this
// combination alone (GNOME's screencast key Ctrl+Alt+Shift+R is avoided), the
// X server does not reserve it as it does Ctrl+Alt+F-keys, and it cannot be
// typed by accident while answering. HOTKEYS.md tells the user the same.
inline constexpr Qt::KeyboardModifiers HotKeyModifiers =
    Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier;

inline constexpr std::array<HotKey, 4> HotKeys{{
    {KeyHookMessage::Reveal, Qt::Key_F, HotKeyModifiers},     // flip the card
    {KeyHookMessage::Mark, Qt::Key_M, HotKeyModifiers},       // mark as known
    {KeyHookMessage::Minimize, Qt::Key_H, HotKeyModifiers},   // hide / restore
    {KeyHookMessage::SeeThrough, Qt::Key_T, HotKeyModifiers}, // see-through
}};
