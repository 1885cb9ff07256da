// Fuzzes Music.dat's reader: any bytes as the file's text must give a record the player can use
// (an entry of 0 or more, a known preset, mode and state, a position within 100 hours), and
// writing that record must read back as the same record.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "music/equaliser_presets.h"
#include "music/music_resume.h"
#include "music/play_order.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const music::MusicResume record = music::ParseMusicResume(text);
    Check(record.entry >= 0);
    Check(record.preset >= 0 && record.preset < music::kEqualiserPresets);
    Check(record.mode >= 0 && record.mode < music::kPlayModes);
    Check(record.state >= music::kPlaying && record.state <= music::kPaused);
    Check(record.seconds >= 0 && record.seconds <= music::kMaxResumeSeconds);
    Check(music::ClampMusicResume(record) == record);
    const std::string written = music::FormatMusicResume(record);
    Check(music::ParseMusicResume(written) == record);
    return 0;
}
