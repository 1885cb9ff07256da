// The players' rules: the graph's volume index, the volume and FM steps, the texts, and the
// paged list box with its scroll thumb.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "framework/player_rules.h"

namespace {

using player::Ducking;
using player::Muting;
using player::PlaylistCursor;

// --- Volume, texts and steps --------------------------------------------------------------------

TEST(PlayerRules, GraphVolumeIndex) {
    using player::Ducking;
    using player::Muting;
    EXPECT_EQ(player::GraphVolumeIndex(Muting::Off, Ducking::On, 5), 3);
    EXPECT_EQ(player::GraphVolumeIndex(Muting::Off, Ducking::On, 2), 2);
    EXPECT_EQ(player::GraphVolumeIndex(Muting::Off, Ducking::On, -4), 0);
    EXPECT_EQ(player::GraphVolumeIndex(Muting::Off, Ducking::Off, 5), 10);
    EXPECT_EQ(player::GraphVolumeIndex(Muting::Off, Ducking::Off, 0), 0);
    EXPECT_EQ(player::GraphVolumeIndex(Muting::On, Ducking::Off, 5), 0);
    EXPECT_EQ(player::GraphVolumeIndex(Muting::On, Ducking::On, 5), 0);
}

TEST(PlayerRules, StepsStopAtTheEnds) {
    EXPECT_EQ(player::VolumeDown(0), 0);
    EXPECT_EQ(player::VolumeDown(15), 9);
    EXPECT_EQ(player::VolumeUp(10), 10);
    EXPECT_EQ(player::VolumeUp(-3), 1);
    const int next_channels[][2] = {{0, 1}, {3, 4}, {4, 0}, {5, 1}, {-1, 1}};
    for (const auto& [from, to] : next_channels) EXPECT_EQ(player::NextFmChannel(from), to) << from;
}

TEST(PlayerRules, Texts) {
    EXPECT_EQ(player::FmText(0, 881), "");
    EXPECT_EQ(player::FmText(2, 881), "88.1");
    EXPECT_EQ(player::FmText(1, 1079), "107.9");
    EXPECT_EQ(player::FmText(1, -5), "");
    EXPECT_EQ(player::ClockText(3725.9), "01:02:05");
    EXPECT_EQ(player::ClockText(-4), "00:00:00");
    EXPECT_EQ(player::ClockText(360000), "100:00:00");
    EXPECT_EQ(player::ClockText(INFINITY), "596523:14:07");
    EXPECT_TRUE(player::ReachedEnd(90, 90));
    EXPECT_FALSE(player::ReachedEnd(89.9, 90));
    EXPECT_FALSE(player::ReachedEnd(5, 0));
    EXPECT_FALSE(player::ReachedEnd(NAN, 90));
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

}  // namespace
