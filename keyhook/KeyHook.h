#pragma once

class QObject;

// The hot-key library the drill bar drives. While a hook is set and not
// suspended, four key combinations (HotKeys.h) become events posted to the
// target; nothing else about the keyboard is reported.

#define KEYHOOK_EXPORT __attribute__((visibility("default")))

// The event types posted to the target: plain QEvents of these types, with no
// data. They keep the numbers of the drill messages they stand for (WM_USER+6
// to WM_USER+9); the drill code checks its own constants against these.
namespace KeyHookMessage {
inline constexpr int Reveal = 0x406;
inline constexpr int Mark = 0x407;
inline constexpr int Minimize = 0x408;
inline constexpr int SeeThrough = 0x409;
}

// The kind of desktop session, as the program decided it: the library reads
// no environment of its own. In a Wayland session the desktop portal is
// asked for the keys first.
enum class KeyHookSession { Other, Wayland };

// on != 0: set the hook for target, replacing any previous target and ending
// a suspension left over from it. on == 0: remove the hook (threadId 0,
// target nullptr). threadId is the caller's UI thread and only informational.
// Returns 1 when the hook is set (or removed), 0 when it could not be set: no
// QGuiApplication, a call from another thread than the application's, a null
// target, or not a single hot key could be taken.
// Events already posted but not yet delivered are withdrawn on removal, so
// once SetKeyHook(0, ...) returns the target sees no further hot key.
KEYHOOK_EXPORT int SetKeyHook(int on, unsigned long threadId, QObject* target);

// Suspend delivery; the keys are released meanwhile and reach whoever has the
// focus. Pending events are withdrawn as on removal.
KEYHOOK_EXPORT void OffKeyHook();

// Resume delivery after OffKeyHook.
KEYHOOK_EXPORT void OnKeyHook();

// Tells the library the session the program runs in (KeyHookSession::Other
// until told), before the first SetKeyHook. Told another session later, it
// removes the hook, and the next SetKeyHook chooses the means anew. Ignored
// from another thread than the application's.
KEYHOOK_EXPORT void SetKeyHookSession(KeyHookSession session);
