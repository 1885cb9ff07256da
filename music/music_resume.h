// Music's resume point, the text of \NAND\Music.dat: six decimal numbers, one a line — the marker
// 1002, the entry number, the equaliser preset, the play mode, the play state and the position in
// whole seconds. Links only the standard library and the players' rules; the program reads and
// writes the file around it.
//
// Each value is checked on its own: one that is damaged takes its own default and the others are
// kept, so a bad preset does not cost the listener the track and position.
#pragma once

#include <string>
#include <string_view>

#include "framework/player_rules.h"

namespace music {

// The player's state, as Music keeps it and as Music.dat stores it.
enum PlayState : int { kPlaying = 0, kStopped = 1, kPaused = 2 };

constexpr int kResumeMarker = 1002;
// A saved position past 100 hours is not a real one.
constexpr int kMaxResumeSeconds = 100 * 60 * 60;

struct MusicResume {
    int entry = 0;   // the entry's number among all entries of the playlist file
    int preset = 0;  // the equaliser preset, 0 .. kEqualiserPresets - 1
    int mode = 0;    // the play mode, 0 .. kPlayModes - 1
    int state = kStopped;
    int seconds = 0;
    bool operator==(const MusicResume&) const = default;
};

// The record as a caller may use it: each value outside its range takes its default on its own —
// a negative entry 0, a preset outside 0..4 or a mode outside 0..3 0, a state outside PlayState
// stopped, a position below 0 or past kMaxResumeSeconds 0.
MusicResume ClampMusicResume(const MusicResume& resume);

// A play position as the record stores it: whole seconds, truncated toward zero.
using player::WholeSeconds;

// "1002\n<entry>\n<preset>\n<mode>\n<state>\n<seconds>\n" of the clamped record, so that what is
// written reads back unchanged.
std::string FormatMusicResume(const MusicResume& resume);

// Reads whitespace-separated decimal numbers, each with an optional sign, in order as the device's
// fscanf("%d\n") reads them; whatever follows the sixth is ignored. Empty text or a first number
// other than the marker gives the default record. After the marker each value stands alone:
//  - a value that overflows int or is out of its range takes its default, and reading goes on;
//  - a value missing at the end of the text, or one with other characters in it, takes its
//    default, and reading stops there, so the values after it keep theirs too.
MusicResume ParseMusicResume(std::string_view text);

}  // namespace music
