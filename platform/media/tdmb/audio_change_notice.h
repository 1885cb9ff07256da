// The system parser's word to the player that the tuned service's audio is not what the player
// configured: the registered message "TCC_TELECAST_AUDIOCHANGE_MSG", posted to the program's
// main window with lParam pointing at the audio the service really has.
//
// The main window is the front-most top-level window of this process that has no owner (the
// record lives in this process, so no other process's window may be told). The record is one
// static per process: it stays valid after the post, and a later notice overwrites it with the
// newer values, which are the ones the player needs.
#pragma once

#include <cstdint>

#include "platform/media/tdmb/broadcast_rules.h"
#include "platform/win32_types.h"
#include "platform/window/window.h"

namespace platform::tdmb {

inline constexpr char kAudioChangeMessage[] = "TCC_TELECAST_AUDIOCHANGE_MSG";

struct AudioChangeRecord {
    std::uint8_t coding = 0;
    std::uint8_t padding[3] = {};
    std::uint32_t b = 0;
    std::uint32_t a = 0;
};

// The window the notice goes to; null when the process has none.
HWND ProgramMainWindow();

// Posts the notice; false when there is no main window or the post fails.
bool PostAudioChange(const AudioSettings& actual);

// The record this program's notices point at: a notice whose lParam is anything else came from
// another program and points at nothing of this one.
const AudioChangeRecord* ThisProgramsAudioChangeRecord();

}  // namespace platform::tdmb
