// The wave-out volume of the device: low word the left channel, high word the right, each
// 0 (silent) to 0xFFFF (full). Kept by the device server; every program's audio applies it.
#pragma once

#include "platform/win32_types.h"

using HWAVEOUT = void*;
using MMRESULT = UINT;
constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;

// The device pulses this named manual-reset event each time the wave-out volume changes: a
// program's audio output waiting on it applies the new volume at once instead of polling.
constexpr const char* kWaveOutVolumeEvent = "WAVEOUT_VOLUME_EVENT";

MMRESULT waveOutSetVolume(HWAVEOUT device, DWORD volume);
MMRESULT waveOutGetVolume(HWAVEOUT device, DWORD* volume);
