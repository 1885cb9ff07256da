// The device scan box: while the storage card is missing after start-up, a box tells the user
// it is being looked for. It runs on a thread of its own, closes at the first half-second tick
// that finds the card or after 20 ticks, and then has HomeDeck repeat its storage check (1051),
// which shows a new box while the card stays away.
#pragma once

#include "platform/window/window.h"

namespace homedeck {

// The scan box's messages: 1119 shows it in front of everything, 1120 shows it as a plain
// window (while Extview runs), 1121 hides it.
constexpr UINT WM_SCAN_SHOW_TOPMOST = 1119;
constexpr UINT WM_SCAN_SHOW = 1120;
constexpr UINT WM_SCAN_HIDE = 1121;

constexpr UINT_PTR kScanTimer = 10;
constexpr UINT kScanTickMs = 500;
constexpr int kScanMaxTicks = 20;
constexpr int kScanBoxX = 203, kScanBoxY = 123, kScanBoxWidth = 394, kScanBoxHeight = 233;
constexpr UINT kScanBoxImage = 155;

// Whether the box closes at this tick (counted from 1): the card is there, or the box has
// stood its 10 seconds.
inline bool ScanBoxCloses(int tick, bool card_present) { return card_present || tick * kScanTickMs > 10000; }

// Starts the scan box's thread, waits for its window and tells it to show itself. When it
// closes, the thread posts WM_COMMAND 1051 to `dialog`. False when no box could be made: the
// launcher then goes on as if the scan were done.
bool RunDeviceScan(HWND dialog, bool topmost);

}  // namespace homedeck
