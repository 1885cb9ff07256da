// Where the launcher's storage check meets the device scan box: started when the storage card
// is still missing after the start-up check. The box itself comes with the system information
// screen; until then the seam says what it was asked and shows nothing.
#pragma once

#include "platform/window/window.h"

namespace homedeck {

// The scan box's messages: 1119 shows it in front of everything, 1120 shows it as a plain
// window (while Extview runs).
constexpr UINT WM_SCAN_SHOW_TOPMOST = 1119;
constexpr UINT WM_SCAN_SHOW = 1120;

// Starts the scan box's thread, waits for its window and tells it to show itself. False when
// there is no box to show: the launcher then goes on as if the scan were done.
bool RunDeviceScan(HWND dialog, bool topmost);

}  // namespace homedeck
