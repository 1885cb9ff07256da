// The rules every player of the suite follows and that need no window: the graph's volume
// index, the volume and FM steps, the paged list box of nine rows with its scroll thumb, the
// list's kept entries, the end of a track and the clock and FM texts. Links only the standard
// library, so it is tested alone.
#pragma once

#include <string>
#include <vector>

namespace player {

constexpr int kMaxVolumeLevel = 10;
// The highest index the graph plays at while the player is ducked.
constexpr int kDuckedVolumeIndex = 3;

enum class Muting { Off, On };
enum class Ducking { Off, On };

// The graph's volume index 0..10 (the player maps it to hundredths of a dB): 0 when muted; when
// ducked the smaller of the level and kDuckedVolumeIndex; otherwise full when the level is above
// 0, else 0. A level outside 0..10 is taken as the nearer end.
int GraphVolumeIndex(Muting muting, Ducking ducking, int level);

// The volume buttons: down stops at 0, up at kMaxVolumeLevel; a level outside that range is taken
// as the nearer end first.
int VolumeDown(int level);
int VolumeUp(int level);

// The playlist's list box: 9 rows a page. The page start is a multiple of 9 and the row 0..8 is
// within the page, so the selected entry is page start + row. An empty list selects nothing.
class PlaylistCursor {
public:
    static constexpr int kRowsPerPage = 9;
    static constexpr int kThumbHeight = 64;

    // A negative count is taken as 0; a selection outside the list selects entry 0.
    void Reset(int count, int selected);

    int Count() const { return m_count; }
    int PageStart() const { return m_page_start; }
    int Row() const { return m_row; }
    int Selected() const { return m_count == 0 ? -1 : m_page_start + m_row; }
    int Pages() const;

    // Selects an entry and turns to the page holding it; false, with nothing changed, outside the
    // list.
    bool Select(int entry);
    // The next and previous entries, wrapping from the last to the first and back; false on an
    // empty list.
    bool Next();
    bool Previous();
    // Turn a page and put the selection on its first row; false on the first (or last) page.
    bool PageUp();
    bool PageDown();
    // A tap on a row of the page; false when the row holds no entry.
    bool SelectRow(int row);
    // The entry shown on a row of the page, -1 when the row holds none.
    int EntryAtRow(int row) const;

    // The scroll thumb's offset from the top of a track `height` pixels high: 1 pixel below the
    // top on the first page, down evenly per page so that the last page leaves it 1 pixel above
    // the bottom; 0 while the list has fewer than two pages.
    int ThumbOffset(int height) const;

private:
    void Place(int entry);  // selects an entry known to be in the list

    int m_count = 0;
    int m_page_start = 0;
    int m_row = 0;
};

// The list keeps only the playlist file's entries whose files exist; a resume file saves an entry
// by its number among all entries of the file. `kept_file_numbers` holds, for each kept entry
// in list order, its number in the file. The list position of `saved_file_number`, or -1 when
// that entry was not kept or is no entry at all.
int KeptPosition(const std::vector<int>& kept_file_numbers, int saved_file_number);

// A position in whole seconds: truncated toward zero; NaN gives 0 and positions beyond int's
// range saturate, so that no position makes the conversion undefined.
int WholeSeconds(double position);

// The position timer's check: the file has played to its end (a duration of 0 or less is not
// known yet and never ends). The graph's own end-of-stream notice is acted on as well, by the
// caller.
bool ReachedEnd(double position, double duration);

// The end of a track as the position timer sees it: at the duration once that is known; while
// it is not (a stream that does not tell it, or a graph that cannot read it), once the
// position has stood still for a number of readings in a row, so a track that cannot go on
// never stays "playing" with its time frozen.
class TrackEndWatch {
public:
    explicit TrackEndWatch(int still_readings) : m_still_readings(still_readings) {}
    // A new track, or a seek: the readings start again.
    void Restart();
    bool Ended(double position, double duration);

private:
    int m_still_readings;
    double m_last = -1;
    int m_still = 0;
};

// "hh:mm:ss" of whole seconds; a negative (or NaN) position shows 0, and hours past 99 show all
// their digits.
std::string ClockText(double seconds);

constexpr int kFmChannels = 5;  // channel 0 is off

// The FM button's text: none for channel 0 (off) or a frequency below 0, else the frequency, kept
// in 0.1 MHz, as "88.1".
std::string FmText(int channel_index, int frequency);
// The FM button cycles 0 -> 1 -> 2 -> 3 -> 4 -> 0; from a channel outside that range it goes to 1.
int NextFmChannel(int channel_index);

}  // namespace player
