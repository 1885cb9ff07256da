// Media clips for tests, made once per build tree with gst-launch-1.0 and kept in a cache
// folder: each is written under a name of the making process's own and renamed, so a test
// binary stopped half-way never leaves half a clip behind, and two making it at once do not
// write into one file.
#pragma once

#include <filesystem>
#include <span>
#include <string>

namespace platform::testing {

struct ClipRecipe {
    const char* file;
    const char* pipeline;  // a gst-launch-1.0 line ending in a filesink; its location is appended
};

// Six seconds each: tone.wav (44.1 kHz stereo tone), movie.ogg (160x120 Theora at 25 frames a
// second with a Vorbis tone) and silent.ogg (the same picture without sound).
std::span<const ClipRecipe> StandardClips();
// Eight seconds of a T-DMB TV service (tv.ts: 320x240 H.264 with AAC in a transport stream, the
// colour bars, still), of a second one (tv_ball.ts: the same, a white ball moving over orange
// RGB(224, 128, 32)) and of a radio service (radio.ts: MPEG audio layer II), a slide (slide.jpg,
// red) and the radio's default picture (initDAB.jpg, blue).
std::span<const ClipRecipe> BroadcastClips();

// Makes the clips missing from the folder; false with the command that failed.
bool MakeClips(const std::filesystem::path& folder, std::span<const ClipRecipe> recipes, std::string& failed);

}  // namespace platform::testing
