// Movie's film marks, the text of \NAND\MovieMarks.dat: besides its one resume point, Movie keeps
// where each of the last kMostFilmMarks films was left, so that a film started again from its
// beginning can offer to go back there. Links only the standard library; the program reads and
// writes the file around it.
//
// A film is its device path, compared ignoring ASCII case as the device's file names are, together
// with its size in bytes: another file under the same name has no mark. Every mark a FilmMarks
// holds has a path that FormatFilmMarks can write on one line and seconds within
// 0 .. kMostMarkSeconds, whether it was remembered or read from the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace movie {

constexpr std::size_t kMostFilmMarks = 32;
constexpr std::size_t kMostMarkPathBytes = 1024;  // UTF-8 bytes of a device path
// A mark past 100 hours is not a real one; it is kept at 100 hours.
constexpr int kMostMarkSeconds = 100 * 60 * 60;

struct FilmMark {
    std::string path;        // the film's device path, UTF-8 (e.g. "\\STORAGE CARD\\films\\a.mp4")
    std::uint64_t size = 0;  // the file's size in bytes: a different file under the same name has no mark
    int seconds = 0;         // where it was left
    bool operator==(const FilmMark&) const = default;
};

class FilmMarks {
public:
    // The mark of a film (path compared ignoring ASCII case, and the size equal), or nothing.
    std::optional<FilmMark> Find(std::string_view path, std::uint64_t size) const;

    // Puts the film's mark first, replacing its older one; the oldest beyond kMostFilmMarks go.
    // A path that is empty, longer than kMostMarkPathBytes, not UTF-8 or holding a control
    // character (below 0x20, or 0x7F) is not kept and gives false: a tab or a line end would break
    // the file's lines. Seconds are clamped to 0 .. kMostMarkSeconds.
    bool Remember(const FilmMark& mark);

    // Removes the film's mark, as a film played to its end has nothing to come back to; false when
    // there was none.
    bool Forget(std::string_view path, std::uint64_t size);

    // Newest first.
    const std::vector<FilmMark>& Marks() const { return m_marks; }

private:
    std::vector<FilmMark> m_marks;
};

// The file's text: a first line "MOVIEMARKS 1", then one line per mark, newest first:
// "<seconds>\t<size>\t<path>\n".
std::string FormatFilmMarks(const FilmMarks& marks);

// Reads what FormatFilmMarks writes. A missing or different first line gives no marks. A line
// that does not read (a number that is not plain decimal digits or overflows, a missing tab, a
// path Remember refuses) is skipped and the rest still read. CR LF line ends are accepted, and so
// is a last line without its line end. A second mark of the same film is ignored, so the first,
// newest, wins; at most kMostFilmMarks are kept. Any text reads in time linear in its length.
FilmMarks ParseFilmMarks(std::string_view text);

}  // namespace movie
