// Movie's resume point, the text of \NAND\Movie.dat: four decimal numbers, one a line — the
// marker 1002, the entry number, the play state and the position in whole seconds. Links only
// the standard library; the program reads and writes the file around it.
//
// A record read from the file, or about to be written, is clamped so that a caller never gets an
// entry below 0, a state outside PlayState or a position outside 0 .. kMaxResumeSeconds.
#pragma once

#include <string>
#include <string_view>

#include "framework/player_rules.h"

namespace movie {

// The player's state, as Movie keeps it and as Movie.dat stores it.
enum PlayState : int { kPlaying = 0, kStopped = 1, kPaused = 2 };

constexpr int kResumeMarker = 1002;
// A saved position past 100 hours is not a real one; the record then starts stopped at 0 s.
constexpr int kMaxResumeSeconds = 100 * 60 * 60;

struct MovieResume {
    int entry = 0;  // the entry's number among all entries of the playlist file
    int state = kStopped;
    int seconds = 0;
    bool operator==(const MovieResume&) const = default;
};

// The record as a caller may use it: a negative entry gives the default record, a state outside
// PlayState becomes stopped, a negative position 0, and a position past kMaxResumeSeconds 0 with
// the state stopped.
MovieResume ClampMovieResume(const MovieResume& resume);

// A play position as the record stores it: whole seconds, truncated toward zero.
using player::WholeSeconds;

// "1002\n<entry>\n<state>\n<seconds>\n" of the clamped record.
std::string FormatMovieResume(const MovieResume& resume);

// Reads four whitespace-separated decimal numbers, each with an optional sign, as the device's
// fscanf("%d\n") reads them; whatever follows the fourth is ignored. The default record when the
// text is short, the first number is not the marker, a number has other characters in it or
// overflows int; otherwise the clamped record.
MovieResume ParseMovieResume(std::string_view text);

}  // namespace movie
