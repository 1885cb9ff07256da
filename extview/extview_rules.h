// Extview's rules that need no device: its display modes, the camera mode of its command
// line, the AV input's sound level and which outside requests it acts on.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace extview {

struct ModeRect {
    int left, top, right, bottom;
};
// The picture's rectangle by display mode: normal (between the title bar and the bottom bar),
// full screen, right half, right three quarters.
constexpr int kDisplayModes = 4;
constexpr std::array<ModeRect, kDisplayModes> kModeRects = {{
    {0, 32, 800, 408},
    {0, 0, 800, 480},
    {400, 0, 800, 480},
    {200, 0, 800, 480},
}};
constexpr int kNormalMode = 0, kFullScreenMode = 1;

// Only the exact command line "2" is the camera: input channel 2, full screen, taps ignored.
bool IsCameraCommandLine(std::string_view command_line);
int InputChannel(bool camera);
int StartMode(bool camera);
// A tap on the picture: the other of the normal and full-screen modes; none in camera mode.
std::optional<int> ModeAfterTap(int mode, bool camera);

// The AV input's sound level 0..10: silent while muted or while another sound is heard.
int AudioLevel(int volume, bool muted, bool ducked);

// WM_COPYDATA codes from outside: 0 takes the picture full screen, 1 lets it go.
enum class OutsideRequest { TakePicture, LeavePicture };
std::optional<OutsideRequest> OutsideRequestOf(std::uintptr_t code);

}  // namespace extview
