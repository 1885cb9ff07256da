// Telecast's screen rules that need no window: the idle count that takes the normal screen to
// full screen, the navigation program's side panel narrowing the full-screen picture, and the
// value of a WM_COPYDATA payload. The main dialog applies them; tests check them alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace telecast {

// Seconds without a touch after which the normal screen goes full screen.
constexpr int kIdleSecondsToFullScreen = 5;

// The idle count after one more second: 0 while it does not count (picture-in-picture, a layout
// other than the normal one, the player thread at work), else one more. The screen toggles when
// it reaches kIdleSecondsToFullScreen.
int NextIdleCount(int seconds, bool counting);

// A rectangle: left, top, right, bottom.
struct ScreenRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const ScreenRect&) const = default;
};

// Where the full-screen picture goes while the navigation program's side panel takes `panel`
// pixels on the right: the screen less the panel (0: the whole screen). None for a panel that
// would leave no picture at all (at or beyond the screen's width) or a negative one.
std::optional<ScreenRect> NarrowedRect(int panel, int screen_width, int screen_height);

// The 32-bit little-endian value of a WM_COPYDATA payload; none unless it holds exactly four
// bytes, so that a short or odd payload is never read.
std::optional<std::int32_t> CopyDataValue(const void* data, std::size_t size);

}  // namespace telecast
