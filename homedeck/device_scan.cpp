#include "homedeck/device_scan.h"

#include "platform/kernel/debug_output.h"

namespace homedeck {

bool RunDeviceScan(HWND, bool topmost)
{
    DebugPrintf("HomeDeck: storage card missing; device scan box (message %u) not available\r\n",
                topmost ? WM_SCAN_SHOW_TOPMOST : WM_SCAN_SHOW);
    return false;
}

}  // namespace homedeck
