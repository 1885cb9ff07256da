#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "movie/movie_player_state.h"
#include "movie/movie_resume.h"

namespace {

using movie::MovieResume;
using movie::PlaylistCursor;
using movie::StartPoint;

// --- Movie.dat ------------------------------------------------------------------------------------

TEST(MovieResumeText, WrittenRecordsReadBackClamped) {
    EXPECT_EQ(movie::FormatMovieResume({12, movie::kPaused, 3605}), "1002\n12\n2\n3605\n");
    const MovieResume records[] = {
        {12, movie::kPaused, 3605}, {0, movie::kPlaying, 0}, {INT_MAX, movie::kPlaying, movie::kMaxResumeSeconds},
        {-1, movie::kPlaying, 50}, {3, 9, 50}, {3, movie::kPlaying, -7}, {3, movie::kPlaying, INT_MAX},
    };
    for (const MovieResume& record : records) {
        const std::string text = movie::FormatMovieResume(record);
        EXPECT_EQ(movie::ParseMovieResume(text), movie::ClampMovieResume(record)) << text;
    }
}

TEST(MovieResumeText, UnreadableTextGivesTheDefaultRecord) {
    const char* texts[] = {
        "", "\n\n", "1001\n1\n0\n5\n", "1002\n1\n0\n", "1002\nx\n0\n5\n", "1002\n1\n0\n5s\n", "1002 1 - 5",
        "1002\n99999999999\n0\n5\n", "1002\n1\n0\n2147483648\n", "1002\n-3\n0\n5\n", "1002\n1\n0\n-99999999999999\n",
    };
    for (const char* text : texts) EXPECT_EQ(movie::ParseMovieResume(text), MovieResume{}) << text;
}

TEST(MovieResumeText, OutOfRangeFieldsAreClamped) {
    const std::pair<const char*, MovieResume> cases[] = {
        {"1002\n4\n7\n30\n", {4, movie::kStopped, 30}},
        {"1002\n4\n0\n-30\n", {4, movie::kPlaying, 0}},
        {"1002\n4\n0\n360000\n", {4, movie::kPlaying, 360000}},
        {"1002\n4\n2\n360001\n", {4, movie::kStopped, 0}},
        {"1002\n4\n0\n-2147483648\n", {4, movie::kPlaying, 0}},
        // Spaces, signs, CR LF line ends and anything after the fourth number, as fscanf reads them.
        {"  1002\r\n+4\r\n 2\r\n\t61\r\n", {4, movie::kPaused, 61}},
        {"1002 4 0 61 trailing words", {4, movie::kPlaying, 61}},
    };
    for (const auto& [text, record] : cases) EXPECT_EQ(movie::ParseMovieResume(text), record) << text;
}

TEST(MovieResumeText, AMegabyteOfJunkIsReadQuickly) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::string junk(1 << 20, '\0');
    for (char& c : junk) c = static_cast<char>(random());
    const std::string inputs[] = {junk, "1002\n" + std::string(1 << 20, '7'), std::string(1 << 20, ' ')};
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& input : inputs) EXPECT_EQ(movie::ParseMovieResume(input), MovieResume{});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(MovieResumeText, PositionsTruncateTowardZeroWithoutOverflow) {
    EXPECT_EQ(movie::WholeSeconds(61.9), 61);
    EXPECT_EQ(movie::WholeSeconds(-0.9), 0);
    EXPECT_EQ(movie::WholeSeconds(NAN), 0);
    EXPECT_EQ(movie::WholeSeconds(1e12), INT_MAX);
    EXPECT_EQ(movie::WholeSeconds(-1e12), INT_MIN);
}

// --- Volume, texts and steps --------------------------------------------------------------------

TEST(PlayerRules, GraphVolumeIndex) {
    using movie::Ducking;
    using movie::Muting;
    EXPECT_EQ(movie::GraphVolumeIndex(Muting::Off, Ducking::On, 5), 3);
    EXPECT_EQ(movie::GraphVolumeIndex(Muting::Off, Ducking::On, 2), 2);
    EXPECT_EQ(movie::GraphVolumeIndex(Muting::Off, Ducking::On, -4), 0);
    EXPECT_EQ(movie::GraphVolumeIndex(Muting::Off, Ducking::Off, 5), 10);
    EXPECT_EQ(movie::GraphVolumeIndex(Muting::Off, Ducking::Off, 0), 0);
    EXPECT_EQ(movie::GraphVolumeIndex(Muting::On, Ducking::Off, 5), 0);
    EXPECT_EQ(movie::GraphVolumeIndex(Muting::On, Ducking::On, 5), 0);
}

TEST(PlayerRules, StepsStopAtTheEnds) {
    EXPECT_EQ(movie::VolumeDown(0), 0);
    EXPECT_EQ(movie::VolumeDown(15), 9);
    EXPECT_EQ(movie::VolumeUp(10), 10);
    EXPECT_EQ(movie::VolumeUp(-3), 1);
    const int next_channels[][2] = {{0, 1}, {3, 4}, {4, 0}, {5, 1}, {-1, 1}};
    for (const auto& [from, to] : next_channels) EXPECT_EQ(movie::NextFmChannel(from), to) << from;
}

TEST(PlayerRules, Texts) {
    EXPECT_EQ(movie::FmText(0, 881), "");
    EXPECT_EQ(movie::FmText(2, 881), "88.1");
    EXPECT_EQ(movie::FmText(1, 1079), "107.9");
    EXPECT_EQ(movie::FmText(1, -5), "");
    EXPECT_EQ(movie::ClockText(3725.9), "01:02:05");
    EXPECT_EQ(movie::ClockText(-4), "00:00:00");
    EXPECT_EQ(movie::ClockText(360000), "100:00:00");
    EXPECT_EQ(movie::ClockText(INFINITY), "596523:14:07");
    EXPECT_TRUE(movie::ReachedEnd(90, 90));
    EXPECT_FALSE(movie::ReachedEnd(89.9, 90));
    EXPECT_FALSE(movie::ReachedEnd(5, 0));
    EXPECT_FALSE(movie::ReachedEnd(NAN, 90));
}

// --- The playlist's list box --------------------------------------------------------------------

PlaylistCursor Cursor(int count, int selected) {
    PlaylistCursor cursor;
    cursor.Reset(count, selected);
    return cursor;
}

void ExpectAt(const PlaylistCursor& cursor, int page_start, int row) {
    EXPECT_EQ(cursor.PageStart(), page_start);
    EXPECT_EQ(cursor.Row(), row);
    EXPECT_EQ(cursor.Selected(), page_start + row);
}

TEST(PlaylistCursor, NextAndPreviousWrapAndTurnThePage) {
    PlaylistCursor cursor = Cursor(20, 19);  // the last page holds entries 18 and 19
    ExpectAt(cursor, 18, 1);
    EXPECT_TRUE(cursor.Next());
    ExpectAt(cursor, 0, 0);
    EXPECT_TRUE(cursor.Previous());
    ExpectAt(cursor, 18, 1);
    cursor = Cursor(20, 8);
    EXPECT_TRUE(cursor.Next());
    ExpectAt(cursor, 9, 0);
    EXPECT_TRUE(cursor.Previous());
    ExpectAt(cursor, 0, 8);
}

TEST(PlaylistCursor, PagingStopsAtTheEnds) {
    PlaylistCursor cursor = Cursor(18, 4);
    EXPECT_FALSE(cursor.PageUp());
    EXPECT_TRUE(cursor.PageDown());
    ExpectAt(cursor, 9, 0);
    EXPECT_FALSE(cursor.PageDown());  // count == page start + 9
    EXPECT_TRUE(cursor.PageUp());
    ExpectAt(cursor, 0, 0);
    cursor = Cursor(19, 0);
    EXPECT_TRUE(cursor.PageDown() && cursor.PageDown());
    ExpectAt(cursor, 18, 0);
}

TEST(PlaylistCursor, OnlyRowsHoldingAnEntryCanBeTapped) {
    PlaylistCursor cursor = Cursor(20, 18);
    EXPECT_EQ(cursor.EntryAtRow(1), 19);
    for (const int row : {2, 8, 9, -1}) {
        EXPECT_EQ(cursor.EntryAtRow(row), -1) << row;
        EXPECT_FALSE(cursor.SelectRow(row)) << row;
    }
    ExpectAt(cursor, 18, 0);
    EXPECT_TRUE(cursor.SelectRow(1));
    ExpectAt(cursor, 18, 1);
}

TEST(PlaylistCursor, SelectionsOutsideTheListAreRefused) {
    PlaylistCursor cursor = Cursor(20, 25);
    ExpectAt(cursor, 0, 0);
    EXPECT_TRUE(cursor.Select(13));
    ExpectAt(cursor, 9, 4);
    EXPECT_FALSE(cursor.Select(20));
    EXPECT_FALSE(cursor.Select(-1));
    ExpectAt(cursor, 9, 4);
}

TEST(PlaylistCursor, AnEmptyListSelectsNothing) {
    for (const int count : {0, -5}) {
        PlaylistCursor cursor = Cursor(count, 0);
        EXPECT_EQ(cursor.Count(), 0);
        EXPECT_EQ(cursor.Selected(), -1);
        EXPECT_EQ(cursor.Pages(), 0);
        EXPECT_FALSE(cursor.Next() || cursor.Previous() || cursor.PageUp() || cursor.PageDown() ||
                     cursor.SelectRow(0) || cursor.Select(0));
        EXPECT_EQ(cursor.EntryAtRow(0), -1);
        EXPECT_EQ(cursor.ThumbOffset(340), 0);
    }
}

TEST(PlaylistCursor, ThumbMovesEvenlyDownTheTrack) {
    EXPECT_EQ(Cursor(9, 8).ThumbOffset(340), 0);
    EXPECT_EQ(Cursor(10, 0).ThumbOffset(340), 1);
    EXPECT_EQ(Cursor(10, 9).ThumbOffset(340), 275);  // 64 pixels down to 1 above the bottom
    EXPECT_EQ(Cursor(100, 0).ThumbOffset(340), 1);
    EXPECT_EQ(Cursor(100, 45).ThumbOffset(340), 125);
    EXPECT_EQ(Cursor(100, 99).ThumbOffset(340), 275);
    EXPECT_EQ(Cursor(100, 99).ThumbOffset(40), 1);
}

TEST(PlaylistCursor, AHugeListNeitherOverflowsNorPagesPastItsEnd) {
    PlaylistCursor cursor = Cursor(INT_MAX, INT_MAX - 1);
    EXPECT_EQ(cursor.Pages(), INT_MAX / 9 + 1);
    EXPECT_FALSE(cursor.PageDown());
    EXPECT_EQ(cursor.EntryAtRow(8), -1);
    EXPECT_EQ(cursor.ThumbOffset(340), 275);
}

// --- Where playback starts ----------------------------------------------------------------------

TEST(ResumeStart, SavedEntryIsFoundAmongTheKeptOnes) {
    const std::vector<int> kept = {0, 2, 3, 5, 8};  // 1, 4, 6 and 7 are gone
    const int cases[][2] = {{0, 0}, {3, 2}, {8, 4}, {4, -1}, {9, -1}, {-1, -1}};
    for (const auto& [saved, position] : cases) EXPECT_EQ(movie::KeptPosition(kept, saved), position) << saved;
    EXPECT_EQ(movie::KeptPosition({}, 0), -1);
}

TEST(ResumeStart, OnlyAPlayingEntryResumesItsPosition) {
    const std::vector<int> kept = {0, 2, 3, 5, 8};
    const std::pair<MovieResume, StartPoint> cases[] = {
        {{3, movie::kPlaying, 61}, {2, movie::kPlaying, 61}},
        {{3, movie::kPaused, 61}, {2, movie::kStopped, 0}},
        {{3, movie::kStopped, 61}, {2, movie::kStopped, 0}},
        {{3, movie::kPlaying, 999999}, {2, movie::kStopped, 0}},
        {{4, movie::kPlaying, 61}, {}},  // gone
        {{5, movie::kPlaying, 61}, {3, movie::kPlaying, 61}},
        {{9, movie::kPlaying, 61}, {}},  // past the file's entries
    };
    for (const auto& [resume, start] : cases) EXPECT_EQ(movie::ResumeStartPoint(resume, kept), start) << resume.entry;
    EXPECT_EQ(movie::ResumeStartPoint({0, movie::kPlaying, 61}, {}), StartPoint{});
}

}  // namespace
