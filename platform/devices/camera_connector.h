// The board's camera and AV input connector, "CAM1:", kept by the device server: whether a
// camera is plugged in. The camera filter's test pattern asks it while it runs (a V4L2 device
// reports its own loss); `devicectl camera in|out` pulls the plug on the bench.
#pragma once

#include "platform/win32_types.h"

namespace platform {

inline constexpr char kCameraConnector[] = "CAM1:";
// No input. Output: a word, 1 while a camera is plugged in, else 0.
inline constexpr DWORD kIoctlCameraSignal = 0x223370;
// Input: a word, 1 to plug the camera in, 0 to pull it out. No output.
inline constexpr DWORD kIoctlCameraPlug = 0x223374;

}  // namespace platform
