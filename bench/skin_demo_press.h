// A press to its pressed pixels, and the skin demo's for the benchmarks that set a figure beside
// it: the pen goes down on a button, and the press counts as shown when a point of the button's
// body leaves its normal frame's colour; the pen is lifted and the normal frame awaited before
// the next press. The program must be running and settled on the device `control` drives.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <thread>
#include <vector>

#include "tools/devicectl/device_control.h"

namespace bench {

// Microseconds from each press at (x, y) to the first screen on which that point has left its
// colour at rest, or nothing when a pressed or a normal frame did not show within 2 s. The
// button must look the same before each press (its release changes nothing at the point).
inline std::optional<std::vector<double>> PressTimes(devicectl::DeviceControl& control, std::uint32_t x,
                                                     std::uint32_t y, int rounds) {
    using Clock = std::chrono::steady_clock;
    DWORD error = 0;
    const auto at_rest = control.Screenshot(error);
    if (!at_rest) return std::nullopt;
    const std::uint32_t normal = at_rest->At(x, y);
    auto wait_body = [&](bool pressed) {
        const auto begin = Clock::now();
        while (Clock::now() - begin < std::chrono::seconds(2)) {
            const auto screen = control.Screenshot(error);
            if (screen && (screen->At(x, y) != normal) == pressed) return true;
        }
        return false;
    };
    std::vector<double> presses;
    for (int round = 0; round < rounds; ++round) {
        const auto start = Clock::now();
        control.Press(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y));
        if (!wait_body(true)) return std::nullopt;
        presses.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        control.Release(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y));
        if (!wait_body(false)) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    return presses;
}

// The skin demo's pause button, inside its body below its icon.
inline std::optional<std::vector<double>> SkinDemoPressTimes(devicectl::DeviceControl& control, int rounds) {
    return PressTimes(control, 398, 262, rounds);
}

}  // namespace bench
