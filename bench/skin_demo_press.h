// The skin demo's press to pressed pixels, for the benchmarks that set a figure beside it: the
// pen goes down on the demo's pause button, and the press counts as shown when the button's
// body leaves its normal frame's colour; the pen is lifted and the normal frame awaited before
// the next press. The demo must be running and settled on the device `control` drives.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <thread>
#include <vector>

#include "tools/devicectl/device_control.h"

namespace bench {

// Microseconds from each press to its pressed frame, or nothing when a pressed or a normal
// frame did not show within 2 s.
inline std::optional<std::vector<double>> SkinDemoPressTimes(devicectl::DeviceControl& control, int rounds) {
    using Clock = std::chrono::steady_clock;
    constexpr std::uint32_t kBodyX = 398, kBodyY = 262;  // inside the pause button, below its icon
    DWORD error = 0;
    const auto at_rest = control.Screenshot(error);
    if (!at_rest) return std::nullopt;
    const std::uint32_t normal = at_rest->At(kBodyX, kBodyY);
    auto wait_body = [&](bool pressed) {
        const auto begin = Clock::now();
        while (Clock::now() - begin < std::chrono::seconds(2)) {
            const auto screen = control.Screenshot(error);
            if (screen && (screen->At(kBodyX, kBodyY) != normal) == pressed) return true;
        }
        return false;
    };
    std::vector<double> presses;
    for (int round = 0; round < rounds; ++round) {
        const auto start = Clock::now();
        control.Press(static_cast<std::int32_t>(kBodyX), static_cast<std::int32_t>(kBodyY));
        if (!wait_body(true)) return std::nullopt;
        presses.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        control.Release(static_cast<std::int32_t>(kBodyX), static_cast<std::int32_t>(kBodyY));
        if (!wait_body(false)) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    return presses;
}

}  // namespace bench
