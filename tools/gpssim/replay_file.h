// A recorded receiver log replayed onto the line. The file is read as lines and binary frames:
//   - a line ending in LF alone is sent with CR LF; a line ending in CR LF is sent as it is; a
//     last line without an ending gets CR LF;
//   - lines starting with "#" (comments) and empty lines are dropped;
//   - where a line would start, 0xB5 0x62 starts a UBX frame, which is passed through unchanged
//     with its declared length (class, id, two length bytes, payload, two checksum bytes); a
//     frame cut short by the end of the file is passed through as far as it goes.
// The pieces are then sent in one-second bursts: a new burst starts at every sentence whose
// address is that of the file's first sentence (a log that starts with GGA replays second by
// second).
#pragma once

#include <string_view>
#include <vector>

#include "tools/gpssim/sentence_frames.h"

namespace gpssim {

std::vector<Piece> ReadReplayPieces(std::string_view file);
std::vector<std::vector<Piece>> GroupReplayCycles(std::vector<Piece> pieces);

}  // namespace gpssim
