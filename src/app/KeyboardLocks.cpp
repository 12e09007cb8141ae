// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyboardLocks.h"

#include <QGuiApplication>

#if defined(Q_OS_WIN)
#include <windows.h>
#elif defined(KORDAVEL_HAVE_X11)
#include <QtGui/qguiapplication_platform.h>
#include <X11/XKBlib.h>
#endif

namespace kordavel {

#if defined(KORDAVEL_HAVE_X11)
namespace {

bool indicator(Display *display, const char *name)
{
    const Atom atom = XInternAtom(display, name, True);
    if (atom == None)
        return false;
    Bool on = False;
    if (!XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr))
        return false;
    return on;
}

} // namespace
#endif

std::optional<LockStates> keyboardLocks()
{
#if defined(Q_OS_WIN)
    LockStates s;
    s.numLock = GetKeyState(VK_NUMLOCK) & 1;
    s.capsLock = GetKeyState(VK_CAPITAL) & 1;
    s.scrollLock = GetKeyState(VK_SCROLL) & 1;
    return s;
#elif defined(KORDAVEL_HAVE_X11)
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display *display = x11 ? x11->display() : nullptr;
    if (!display)
        return std::nullopt;
    LockStates s;
    s.numLock = indicator(display, "Num Lock");
    s.capsLock = indicator(display, "Caps Lock");
    s.scrollLock = indicator(display, "Scroll Lock");
    return s;
#else
    return std::nullopt;
#endif
}

} // namespace kordavel
