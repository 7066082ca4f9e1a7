#include "src/CustomControl/capslockstate.h"

#include "corviscommon/logging.h"

#include <QGuiApplication>

// Xlib's macros (None, Bool, Status, ...) clash with Qt names: include it after every Qt header.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace {

CapsLockState::Reader& testReader()
{
    static CapsLockState::Reader reader;
    return reader;
}

// Bit of the Caps Lock indicator in XkbGetIndicatorState's mask: 0 in the standard keymaps, and
// asked of the server once in case a keymap numbers it otherwise.
unsigned int g_capsLockBit = 0;

// One connection of our own for the life of the process, opened at the first question. A failed
// open is remembered so that key presses do not retry it.
Display* xkbDisplay()
{
    static bool tried = false;
    static Display* display = nullptr;
    if (tried) {
        return display;
    }
    tried = true;
    display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        LOG(WARNING) << "CapsLockState: cannot open the X display, no Caps Lock hint";
        return nullptr;
    }
    int opcode = 0;
    int event = 0;
    int error = 0;
    int major = XkbMajorVersion;
    int minor = XkbMinorVersion;
    if (!XkbQueryExtension(display, &opcode, &event, &error, &major, &minor)) {
        LOG(WARNING) << "CapsLockState: the X server has no XKB extension, no Caps Lock hint";
        XCloseDisplay(display);
        display = nullptr;
        return nullptr;
    }
    int index = -1;
    const Atom capsLock = XInternAtom(display, "Caps Lock", False);
    if (XkbGetNamedIndicator(display, capsLock, &index, nullptr, nullptr, nullptr) && index >= 0 && index < 32) {
        g_capsLockBit = static_cast<unsigned int>(index);
    }
    return display;
}

}  // namespace

void CapsLockState::setReaderForTest(Reader reader)
{
    testReader() = std::move(reader);
}

CapsLockState::State CapsLockState::query()
{
    if (testReader()) {
        return testReader()();
    }
    return readXkb();
}

CapsLockState::State CapsLockState::readXkb()
{
    // Only the xcb platform has an X server behind it; asking another display (DISPLAY left set
    // under offscreen or Wayland) would report a keyboard the user is not typing on.
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return Unknown;
    }
    Display* display = xkbDisplay();
    if (display == nullptr) {
        return Unknown;
    }
    unsigned int indicators = 0;
    if (XkbGetIndicatorState(display, XkbUseCoreKbd, &indicators) != Success) {
        return Unknown;
    }
    return (indicators & (1U << g_capsLockBit)) != 0 ? On : Off;
}
