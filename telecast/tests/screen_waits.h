// Waits on the device's screen for tests whose own thread owns windows on it: the thread's
// messages are served while it waits, so its windows paint.
#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include "platform/testing/test_window.h"
#include "tools/devicectl/device_control.h"

namespace telecast::test_screen {

using Screen = devicectl::DeviceControl::Screen;

// Serves the thread's messages and takes screenshots until one passes the test or the time is
// up; the last screen either way (an empty one when none could be taken).
inline Screen ScreenWhere(devicectl::DeviceControl& control, const std::function<bool(const Screen&)>& test,
                          std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    DWORD error = 0;
    std::optional<Screen> screen;
    do {
        platform::testing::PumpFor(std::chrono::milliseconds(10));
        screen = control.Screenshot(error);
    } while (!(screen && test(*screen)) && std::chrono::steady_clock::now() < end);
    return screen.value_or(Screen{});
}

}  // namespace telecast::test_screen
