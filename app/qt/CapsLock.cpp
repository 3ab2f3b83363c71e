#include "app/qt/CapsLock.h"

#include <QGuiApplication>

// Xlib defines macros (Bool, None, Status, ...) that clash with Qt's names: it comes last.
#include <X11/XKBlib.h>

namespace tavrin {

namespace {

std::function<bool()>& Source() {
    static std::function<bool()> source;
    return source;
}

bool DisplayCapsLock() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return false;
    XkbStateRec state{};
    if (XkbGetState(display, XkbUseCoreKbd, &state) != Success)
        return false;
    return (state.locked_mods & LockMask) != 0;
}

} // namespace

bool CapsLockToggled() {
    return Source() ? Source()() : DisplayCapsLock();
}

void SetCapsLockSource(std::function<bool()> source) {
    Source() = std::move(source);
}

} // namespace tavrin
