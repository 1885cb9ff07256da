#include "extview/extview_rules.h"

#include <algorithm>

namespace extview {

bool IsCameraCommandLine(std::string_view command_line) { return command_line == "2"; }

int InputChannel(bool camera) { return camera ? 2 : 1; }

int StartMode(bool camera) { return camera ? kFullScreenMode : kNormalMode; }

std::optional<int> ModeAfterTap(int mode, bool camera)
{
    if (camera) return std::nullopt;
    return mode == kNormalMode ? kFullScreenMode : kNormalMode;
}

int AudioLevel(int volume, bool muted, bool ducked)
{
    if (muted || ducked) return 0;
    return std::clamp(volume, 0, 10);
}

std::optional<OutsideRequest> OutsideRequestOf(std::uintptr_t code)
{
    switch (code) {
    case 0: return OutsideRequest::TakePicture;
    case 1: return OutsideRequest::LeavePicture;
    default: return std::nullopt;
    }
}

}  // namespace extview
