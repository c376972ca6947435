#include "keyhook/X11HotKeyGrabber.h"

#include "keyhook/HotKeys.h"

#include <QCoreApplication>
#include <X11/keysym.h>
#include <cstdlib>
#include <memory>
#include <utility>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

struct KeySymbolsDeleter {
    void operator()(xcb_key_symbols_t* symbols) const { xcb_key_symbols_free(symbols); }
};
using KeySymbols = std::unique_ptr<xcb_key_symbols_t, KeySymbolsDeleter>;

constexpr std::uint16_t ModifierBits = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_LOCK | XCB_MOD_MASK_CONTROL
    | XCB_MOD_MASK_1 | XCB_MOD_MASK_2 | XCB_MOD_MASK_3 | XCB_MOD_MASK_4 | XCB_MOD_MASK_5;

std::uint16_t x11Modifiers(Qt::KeyboardModifiers modifiers)
{
    std::uint16_t mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Qt::AltModifier)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & Qt::MetaModifier)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

// The keys the hot-key table can name; 0 for any other.
xcb_keysym_t keysymFor(Qt::Key key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return XK_a + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return XK_0 + (key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return XK_F1 + (key - Qt::Key_F1);
    return 0;
}

// Every keycode that produces keysym in the current keyboard mapping.
std::vector<xcb_keycode_t> keycodesFor(xcb_key_symbols_t* symbols, xcb_keysym_t keysym)
{
    std::vector<xcb_keycode_t> keycodes;
    XcbReply<xcb_keycode_t> list(xcb_key_symbols_get_keycode(symbols, keysym));
    for (const xcb_keycode_t* code = list.get(); code && *code != XCB_NO_SYMBOL; ++code)
        keycodes.push_back(*code);
    return keycodes;
}

// NumLock is whichever of Mod1..Mod5 the keyboard mapping puts it on.
std::uint16_t numLockMask(xcb_connection_t* connection, xcb_key_symbols_t* symbols)
{
    const std::vector<xcb_keycode_t> numLockCodes = keycodesFor(symbols, XK_Num_Lock);
    XcbReply<xcb_get_modifier_mapping_reply_t> mapping(
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr));
    if (!mapping || numLockCodes.empty())
        return 0;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t code = codes[modifier * perModifier + i];
            for (xcb_keycode_t numLock : numLockCodes) {
                if (code != 0 && code == numLock)
                    return static_cast<std::uint16_t>(1u << modifier);
            }
        }
    }
    return 0;
}

std::vector<xcb_window_t> rootWindows(xcb_connection_t* connection)
{
    std::vector<xcb_window_t> roots;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(connection)); it.rem; xcb_screen_next(&it))
        roots.push_back(it.data->root);
    return roots;
}

// The lock variants of a grab: NumLock and CapsLock change the modifier
// state, and a grab matches the state exactly.
std::vector<std::uint16_t> lockVariants(std::uint16_t modifiers, std::uint16_t numLock)
{
    std::vector<std::uint16_t> variants{modifiers, static_cast<std::uint16_t>(modifiers | XCB_MOD_MASK_LOCK)};
    if (numLock) {
        variants.push_back(modifiers | numLock);
        variants.push_back(modifiers | numLock | XCB_MOD_MASK_LOCK);
    }
    return variants;
}

} // namespace

X11HotKeyGrabber::X11HotKeyGrabber(xcb_connection_t* connection, Sink sink)
    : m_connection(connection)
    , m_sink(std::move(sink))
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installNativeEventFilter(this);
}

X11HotKeyGrabber::~X11HotKeyGrabber()
{
    stop();
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeNativeEventFilter(this);
}

bool X11HotKeyGrabber::listen()
{
    if (!m_grabs.empty())
        return true;
    KeySymbols symbols(xcb_key_symbols_alloc(m_connection));
    if (!symbols)
        return false;
    const std::uint16_t numLock = numLockMask(m_connection, symbols.get());
    m_lockMask = numLock | XCB_MOD_MASK_LOCK;
    m_held.fill(false);

    // A key another program holds already answers BadAccess. It is left to
    // that program; the others still work. Checked requests keep the error
    // out of Qt's event stream, where Qt would report it. The grabs report
    // to the root window even while one of our own windows has the focus,
    // which is where the filter below looks for them.
    for (xcb_window_t root : rootWindows(m_connection)) {
        for (const HotKey& hotKey : HotKeys) {
            const std::uint16_t modifiers = x11Modifiers(hotKey.modifiers);
            for (xcb_keycode_t keycode : keycodesFor(symbols.get(), keysymFor(hotKey.key))) {
                std::vector<xcb_void_cookie_t> cookies;
                for (std::uint16_t variant : lockVariants(modifiers, numLock)) {
                    cookies.push_back(xcb_grab_key_checked(
                        m_connection, false, root, variant, keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
                }
                bool taken = false;
                for (xcb_void_cookie_t cookie : cookies) {
                    XcbReply<xcb_generic_error_t> error(xcb_request_check(m_connection, cookie));
                    taken = taken || !error;
                }
                if (taken)
                    m_grabs.push_back(Grab{root, keycode, modifiers, hotKey.message});
            }
        }
    }
    return !m_grabs.empty();
}

void X11HotKeyGrabber::stop()
{
    if (m_grabs.empty())
        return;
    // Ungrabbing a variant another program holds leaves that program's grab
    // alone, so every variant of a taken key can be released.
    const std::uint16_t numLock = m_lockMask & ~XCB_MOD_MASK_LOCK;
    xcb_void_cookie_t last{};
    for (const Grab& grab : m_grabs) {
        for (std::uint16_t variant : lockVariants(grab.modifiers, numLock))
            last = xcb_ungrab_key_checked(m_connection, grab.keycode, grab.root, variant);
    }
    // Waiting for the last answer means the server has released every key
    // before this returns, so a key pressed afterwards reaches the focus.
    XcbReply<xcb_generic_error_t> error(xcb_request_check(m_connection, last));
    m_grabs.clear();
    m_held.fill(false);
    m_lastRelease.reset();
}

const X11HotKeyGrabber::Grab* X11HotKeyGrabber::findGrab(
    std::uint32_t window, std::uint8_t keycode, std::uint16_t state) const
{
    const std::uint16_t modifiers = state & ModifierBits & ~m_lockMask;
    for (const Grab& grab : m_grabs) {
        if (grab.root == window && grab.keycode == keycode && grab.modifiers == modifiers)
            return &grab;
    }
    return nullptr;
}

bool X11HotKeyGrabber::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (m_grabs.empty() || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const std::uint8_t type = event->response_type & ~0x80;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    // Press and release share one layout.
    const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
    if (type == XCB_KEY_RELEASE) {
        // The release may come with the modifiers already let go.
        if (!std::exchange(m_held[key->detail], false))
            return false;
        m_lastRelease = Release{key->detail, key->time};
        return true;
    }
    const bool repeat = m_held[key->detail]
        || (m_lastRelease && m_lastRelease->keycode == key->detail && m_lastRelease->time == key->time);
    m_lastRelease.reset();
    const Grab* grab = findGrab(key->event, key->detail, key->state);
    if (!grab)
        return false;
    m_held[key->detail] = true;
    if (!repeat)
        m_sink(grab->message);
    return true;
}
