#pragma once

#include <functional>

// Whether Caps Lock is on, read from the keyboard indicators of the X server (XKB). On a
// platform without an X display (offscreen, Wayland, no DISPLAY) the state is Unknown and no
// hint is shown. Tests replace the reader with setReaderForTest().
class CapsLockState
{
public:
    enum State {
        Unknown = -1,
        Off = 0,
        On = 1,
    };
    using Reader = std::function<State()>;

    // The current state, through the test reader when one is set.
    static State query();

    // An empty reader restores the X server's state.
    static void setReaderForTest(Reader reader);

private:
    static State readXkb();
};
