#include "globalshortcut.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>

namespace {

// Lock keys change the state bits of a key press; the key is grabbed once for each
// combination of them so that Caps Lock or Num Lock being on does not disable the hot key.
constexpr quint16 kNumLockMask = XCB_MOD_MASK_2;
constexpr quint16 kLockVariants[] = {0, XCB_MOD_MASK_LOCK, kNumLockMask,
                                     XCB_MOD_MASK_LOCK | kNumLockMask};
constexpr quint16 kRelevantModifiers =
    XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

struct KeysymEntry
{
    Qt::Key key;
    quint32 keysym;
};

constexpr KeysymEntry kSpecialKeys[] = {
    {Qt::Key_Escape, 0xff1b},   {Qt::Key_Tab, 0xff09},      {Qt::Key_Backspace, 0xff08},
    {Qt::Key_Return, 0xff0d},   {Qt::Key_Enter, 0xff8d},    {Qt::Key_Insert, 0xff63},
    {Qt::Key_Delete, 0xffff},   {Qt::Key_Pause, 0xff13},    {Qt::Key_Print, 0xff61},
    {Qt::Key_Home, 0xff50},     {Qt::Key_End, 0xff57},      {Qt::Key_Left, 0xff51},
    {Qt::Key_Up, 0xff52},       {Qt::Key_Right, 0xff53},    {Qt::Key_Down, 0xff54},
    {Qt::Key_PageUp, 0xff55},   {Qt::Key_PageDown, 0xff56}, {Qt::Key_Space, 0x0020},
    {Qt::Key_CapsLock, 0xffe5}, {Qt::Key_NumLock, 0xff7f},  {Qt::Key_ScrollLock, 0xff14},
    {Qt::Key_Menu, 0xff67},
};

xcb_connection_t *x11Connection()
{
    auto *pApp = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!pApp)
        return nullptr;
    auto *pX11 = pApp->nativeInterface<QNativeInterface::QX11Application>();
    return pX11 ? pX11->connection() : nullptr;
}

} // namespace

GlobalShortcut::GlobalShortcut(QObject *parent) : QObject(parent) {}

GlobalShortcut::GlobalShortcut(const QKeySequence &shortcut, QObject *parent) : QObject(parent)
{
    setShortcut(shortcut);
}

GlobalShortcut::~GlobalShortcut()
{
    ungrab();
}

quint32 GlobalShortcut::keysymForKey(Qt::Key key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return quint32(key) - Qt::Key_A + 'a';
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde)
        return quint32(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return 0xffbe + (quint32(key) - Qt::Key_F1);
    for (const KeysymEntry &entry : kSpecialKeys) {
        if (entry.key == key)
            return entry.keysym;
    }
    return 0;
}

quint16 GlobalShortcut::x11Modifiers(Qt::KeyboardModifiers modifiers)
{
    quint16 mask = 0;
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

bool GlobalShortcut::setShortcut(const QKeySequence &shortcut)
{
    ungrab();
    m_shortcut = shortcut;
    if (shortcut.isEmpty())
        return false;
    if (shortcut.count() > 1)
        m_trace.traceText("only the first key is used of", shortcut.toString());
    return grab(shortcut[0]);
}

bool GlobalShortcut::grab(const QKeyCombination &combination)
{
    xcb_connection_t *pConnection = x11Connection();
    if (!pConnection) {
        static bool bReported = false;
        if (!bReported) {
            bReported = true;
            m_trace.trace("no X11 display: global shortcuts are not registered");
        }
        return false;
    }

    const quint32 keysym = keysymForKey(combination.key());
    if (keysym == 0) {
        m_trace.traceError("no X11 key for " + QKeySequence(combination).toString());
        return false;
    }

    xcb_key_symbols_t *pSymbols = xcb_key_symbols_alloc(pConnection);
    xcb_keycode_t *pCodes = pSymbols ? xcb_key_symbols_get_keycode(pSymbols, keysym) : nullptr;
    QVector<quint8> keycodes;
    for (xcb_keycode_t *pCode = pCodes; pCode && *pCode != XCB_NO_SYMBOL; ++pCode) {
        if (!keycodes.contains(*pCode))
            keycodes.append(*pCode);
    }
    std::free(pCodes);
    if (pSymbols)
        xcb_key_symbols_free(pSymbols);
    if (keycodes.isEmpty()) {
        m_trace.traceError("key not on this keyboard: " + QKeySequence(combination).toString());
        return false;
    }

    const xcb_screen_t *pScreen = xcb_setup_roots_iterator(xcb_get_setup(pConnection)).data;
    m_iRootWindow = pScreen->root;
    m_iModifiers = x11Modifiers(combination.keyboardModifiers());

    // Grab every variant before looking at the replies; one refused grab (another client
    // holds the combination) undoes the others so that no half-registered key remains.
    QVector<xcb_void_cookie_t> cookies;
    for (quint8 keycode : keycodes) {
        for (quint16 lockMask : kLockVariants) {
            cookies.append(xcb_grab_key_checked(pConnection, 1, m_iRootWindow,
                                                m_iModifiers | lockMask, keycode,
                                                XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        }
    }
    bool bRefused = false;
    for (const xcb_void_cookie_t &cookie : cookies) {
        if (xcb_generic_error_t *pError = xcb_request_check(pConnection, cookie)) {
            bRefused = true;
            std::free(pError);
        }
    }
    m_keycodes = keycodes;
    if (bRefused) {
        m_trace.traceError("hot key held by another program: " +
                           QKeySequence(combination).toString());
        ungrab();
        return false;
    }
    QCoreApplication::instance()->installNativeEventFilter(this);
    m_trace.traceText("registered", QKeySequence(combination).toString());
    return true;
}

void GlobalShortcut::ungrab()
{
    if (m_keycodes.isEmpty())
        return;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    if (xcb_connection_t *pConnection = x11Connection()) {
        for (quint8 keycode : std::as_const(m_keycodes)) {
            for (quint16 lockMask : kLockVariants)
                xcb_ungrab_key(pConnection, keycode, m_iRootWindow, m_iModifiers | lockMask);
        }
        xcb_flush(pConnection);
    }
    m_keycodes.clear();
}

bool GlobalShortcut::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t" || m_keycodes.isEmpty())
        return false;
    const auto *pEvent = static_cast<const xcb_generic_event_t *>(message);
    if ((pEvent->response_type & 0x7f) != XCB_KEY_PRESS)
        return false;
    const auto *pKey = static_cast<const xcb_key_press_event_t *>(message);
    if (pKey->event == m_iRootWindow && m_keycodes.contains(pKey->detail) &&
        (pKey->state & kRelevantModifiers) == m_iModifiers)
        emit activated();
    // Other shortcuts on the same key must see the press too.
    return false;
}
