// Fuzzes Movie.dat's reader: any bytes as the file's text must give a record the player can use
// (an entry of 0 or more, a known state, a position within 100 hours), and writing that record
// must read back as the same record.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "movie/movie_resume.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const movie::MovieResume record = movie::ParseMovieResume(text);
    Check(record.entry >= 0);
    Check(record.state >= movie::kPlaying && record.state <= movie::kPaused);
    Check(record.seconds >= 0 && record.seconds <= movie::kMaxResumeSeconds);
    Check(movie::ClampMovieResume(record) == record);
    const std::string written = movie::FormatMovieResume(record);
    Check(movie::ParseMovieResume(written) == record);
    return 0;
}
