// Fuzzes MovieMarks.dat's reader: any bytes as the file's text must give at most 32 marks, each
// with a path the file can hold and seconds within 100 hours, no film twice, and writing them must
// read back as the same marks.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "movie/movie_marks.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The same film: the same size, and paths equal but for ASCII case.
bool SameFilm(const movie::FilmMark& a, const movie::FilmMark& b) {
    if (a.size != b.size || a.path.size() != b.path.size()) return false;
    for (std::size_t i = 0; i < a.path.size(); ++i) {
        if (AsciiLower(a.path[i]) != AsciiLower(b.path[i])) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const movie::FilmMarks marks = movie::ParseFilmMarks(text);
    const std::vector<movie::FilmMark>& read = marks.Marks();
    Check(read.size() <= movie::kMostFilmMarks);
    for (std::size_t i = 0; i < read.size(); ++i) {
        const movie::FilmMark& mark = read[i];
        Check(mark.seconds >= 0 && mark.seconds <= movie::kMostMarkSeconds);
        // A mark a fresh list keeps unchanged has a path that passes Remember's rule.
        movie::FilmMarks alone;
        Check(alone.Remember(mark) && alone.Marks().front() == mark);
        for (std::size_t j = i + 1; j < read.size(); ++j) Check(!SameFilm(mark, read[j]));
        Check(marks.Find(mark.path, mark.size) == mark);
    }
    const movie::FilmMarks reread = movie::ParseFilmMarks(movie::FormatFilmMarks(marks));
    Check(reread.Marks() == read);
    return 0;
}
