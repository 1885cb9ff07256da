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

constexpr MMRESULT MMSYSERR_NOTSUPPORTED = 8;
// waveOutMessage's message setting the AV input's sound level (param1: 0 silent .. 10).
constexpr UINT WODM_AV_INPUT_LEVEL = 122;

MMRESULT waveOutSetVolume(HWAVEOUT device, DWORD volume);
// A driver message to the wave-out device: WODM_AV_INPUT_LEVEL with a level 0..10 (above it:
// MMSYSERR_INVALPARAM); any other message MMSYSERR_NOTSUPPORTED.
MMRESULT waveOutMessage(HWAVEOUT device, UINT message, DWORD_PTR param1, DWORD_PTR param2);
MMRESULT waveOutGetVolume(HWAVEOUT device, DWORD* volume);
