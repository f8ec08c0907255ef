#include "platform/global_hotkeys.h"

#include <QGuiApplication>

#if FOLVANE_X11

#include <xcb/xcb.h>

#include <memory>

namespace {

xcb_connection_t* x11Connection() {
    // Under "offscreen" Qt still answers with an X11 interface whose
    // connection is null: only the xcb platform has a display to grab on.
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t rootWindow(xcb_connection_t* c) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
    return it.rem ? it.data->root : 0;
}

unsigned keysymFor(Qt::Key key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return 0x61 + (key - Qt::Key_A);  // XK_a..XK_z
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35) return 0xFFBE + (key - Qt::Key_F1);  // XK_F1..
    return 0;
}

unsigned keycodeFor(xcb_connection_t* c, unsigned keysym) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    const auto first = setup->min_keycode;
    const int count = setup->max_keycode - first + 1;
    auto cookie = xcb_get_keyboard_mapping(c, first, static_cast<uint8_t>(count));
    std::unique_ptr<xcb_get_keyboard_mapping_reply_t, decltype(&free)> reply(
        xcb_get_keyboard_mapping_reply(c, cookie, nullptr), &free);
    if (!reply) return 0;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply.get());
    const int per = reply->keysyms_per_keycode;
    for (int k = 0; k < count; ++k)
        for (int j = 0; j < per; ++j)
            if (syms[k * per + j] == keysym) return static_cast<unsigned>(first + k);
    return 0;
}

unsigned x11Modifiers(Qt::KeyboardModifiers m) {
    unsigned x = 0;
    if (m & Qt::ShiftModifier) x |= XCB_MOD_MASK_SHIFT;
    if (m & Qt::ControlModifier) x |= XCB_MOD_MASK_CONTROL;
    if (m & Qt::AltModifier) x |= XCB_MOD_MASK_1;
    if (m & Qt::MetaModifier) x |= XCB_MOD_MASK_4;
    return x;
}

// CapsLock and NumLock must not stop a hot key: each grab is made with every
// combination of them.
constexpr unsigned kLockVariants[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
constexpr unsigned kRelevantModifiers =
    XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

}  // namespace

GlobalHotKeys::GlobalHotKeys(QObject* parent) : QObject(parent) {}

GlobalHotKeys::~GlobalHotKeys() {
    unregisterAll();
    if (filterInstalled_ && qApp) qApp->removeNativeEventFilter(this);
}

int GlobalHotKeys::registerHotKey(Qt::KeyboardModifiers modifiers, Qt::Key key) {
    xcb_connection_t* c = x11Connection();
    if (!c) return 0;
    const unsigned keysym = keysymFor(key);
    const unsigned keycode = keysym ? keycodeFor(c, keysym) : 0;
    const xcb_window_t root = rootWindow(c);
    if (!keycode || !root) return 0;
    const unsigned mods = x11Modifiers(modifiers);

    // Checked requests: another client holding the combination answers with
    // an access error, which an unchecked grab would hide.
    xcb_void_cookie_t cookies[std::size(kLockVariants)];
    for (std::size_t i = 0; i < std::size(kLockVariants); ++i)
        cookies[i] = xcb_grab_key_checked(c, 1, root, static_cast<uint16_t>(mods | kLockVariants[i]),
                                          static_cast<xcb_keycode_t>(keycode), XCB_GRAB_MODE_ASYNC,
                                          XCB_GRAB_MODE_ASYNC);
    bool ok = true;
    for (auto cookie : cookies) {
        if (xcb_generic_error_t* e = xcb_request_check(c, cookie)) {
            ok = false;
            free(e);
        }
    }
    const Grab g{nextId_, keycode, mods};
    if (!ok) {
        ungrab(g);
        return 0;
    }
    if (!filterInstalled_) {
        qApp->installNativeEventFilter(this);
        filterInstalled_ = true;
    }
    grabs_.push_back(g);
    return nextId_++;
}

void GlobalHotKeys::ungrab(const Grab& g) {
    xcb_connection_t* c = x11Connection();
    if (!c) return;
    const xcb_window_t root = rootWindow(c);
    for (unsigned variant : kLockVariants)
        xcb_ungrab_key(c, static_cast<xcb_keycode_t>(g.keycode), root, static_cast<uint16_t>(g.modifiers | variant));
    xcb_flush(c);
}

void GlobalHotKeys::unregisterAll() {
    for (const Grab& g : grabs_) ungrab(g);
    grabs_.clear();
}

bool GlobalHotKeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    auto* ev = static_cast<xcb_generic_event_t*>(message);
    if ((ev->response_type & 0x7F) != XCB_KEY_PRESS) return false;
    auto* key = reinterpret_cast<xcb_key_press_event_t*>(ev);
    const unsigned mods = key->state & kRelevantModifiers;
    for (const Grab& g : grabs_) {
        if (g.keycode == key->detail && g.modifiers == mods) {
            Q_EMIT activated(g.id);
            return true;
        }
    }
    return false;
}

#else  // built without X11: no global keys; every registration answers 0.

GlobalHotKeys::GlobalHotKeys(QObject* parent) : QObject(parent) {}
GlobalHotKeys::~GlobalHotKeys() = default;
int GlobalHotKeys::registerHotKey(Qt::KeyboardModifiers, Qt::Key) { return 0; }
void GlobalHotKeys::unregisterAll() {}
void GlobalHotKeys::ungrab(const Grab&) {}
bool GlobalHotKeys::nativeEventFilter(const QByteArray&, void*, qintptr*) { return false; }

#endif
