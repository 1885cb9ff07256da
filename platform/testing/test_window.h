// What tests that draw on the device's screen from their own thread share: skin pictures made
// for the test, and the pump that serves the test thread's windows while it waits.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>

#include "platform/win32_types.h"

namespace platform::testing {

// Writes `id`.png into `dir`, width x height, each pixel the 0xRRGGBB colour(x, y) gives. False
// when the picture could not be saved.
bool WriteTestPicture(const std::filesystem::path& dir, UINT id, int width, int height,
                      const std::function<std::uint32_t(int x, int y)>& colour);

// Dispatches the calling thread's messages for the duration.
void PumpFor(std::chrono::milliseconds duration);
// Dispatches the calling thread's messages until done() holds (true) or the time is up (false).
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

}  // namespace platform::testing
