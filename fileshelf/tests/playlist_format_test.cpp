#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "fileshelf/playlist_format.h"

namespace {

using fileshelf::PlaylistEntryBytes;
using fileshelf::PlaylistScanner;

struct Entry {
    std::string path;
    std::string title;
    std::int32_t duration_ms;
    bool operator==(const Entry&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Entry& entry) {
    return out << "{\"" << entry.path << "\", \"" << entry.title << "\", " << entry.duration_ms << "}";
}

std::vector<Entry> Scan(const std::string& bytes) {
    std::vector<Entry> entries;
    PlaylistScanner scanner(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    PlaylistEntryBytes entry;
    while (scanner.Next(entry)) entries.push_back({std::string(entry.path), std::string(entry.title), entry.duration_ms});
    EXPECT_EQ(scanner.Cursor(), bytes.size());
    return entries;
}

TEST(PlaylistScanner, EmptyImageHasNoEntries) {
    EXPECT_TRUE(Scan("").empty());
    PlaylistScanner scanner(nullptr, 100);
    PlaylistEntryBytes entry;
    EXPECT_FALSE(scanner.Next(entry));
}

TEST(PlaylistScanner, WhatFileShelfWrites) {
    EXPECT_EQ(Scan("#EXTM3U\r\n#EXTINF:0\r\n\\STORAGE CARD\\a.mp3\r\n#EXTINF:0\r\n\\USB DRIVE\\b.avi\r\n"),
              (std::vector<Entry>{{"\\STORAGE CARD\\a.mp3", "", 0}, {"\\USB DRIVE\\b.avi", "", 0}}));
}

TEST(PlaylistScanner, NegativeDurationAndTitle) {
    EXPECT_EQ(Scan("#EXTM3U\r\n#EXTINF:-1,Title\r\n\\a.mp3\r\n"), (std::vector<Entry>{{"\\a.mp3", "Title", -1000}}));
}

TEST(PlaylistScanner, LowerCaseTagAndBlanksBeforeTheTitle) {
    EXPECT_EQ(Scan("#extinf:215,  \t Song Title\r\n\\a.mp3\r\n"), (std::vector<Entry>{{"\\a.mp3", "Song Title", 215000}}));
    EXPECT_EQ(Scan("#ExtInf: 7,T\n\\a.mp3\n"), (std::vector<Entry>{{"\\a.mp3", "T", 7000}}));
}

TEST(PlaylistScanner, PathWithBlanksAndTabsAround) {
    EXPECT_EQ(Scan(" \t\\STORAGE CARD\\My Song.mp3 \t \r\n"), (std::vector<Entry>{{"\\STORAGE CARD\\My Song.mp3", "", 0}}));
}

TEST(PlaylistScanner, TheLaterOfTwoExtinfLinesWins) {
    EXPECT_EQ(Scan("#EXTINF:1,First\r\n#EXTINF:2,Second\r\n\\a.mp3\r\n"), (std::vector<Entry>{{"\\a.mp3", "Second", 2000}}));
    // A line without a comma sets nothing, so the earlier one stays.
    EXPECT_EQ(Scan("#EXTINF:1,First\r\n#EXTINF:2\r\n\\a.mp3\r\n"), (std::vector<Entry>{{"\\a.mp3", "First", 1000}}));
}

TEST(PlaylistScanner, TitleAndDurationBelongOnlyToTheNextPath) {
    EXPECT_EQ(Scan("#EXTINF:5,Five\r\n\\a.mp3\r\n\\b.mp3\r\n"),
              (std::vector<Entry>{{"\\a.mp3", "Five", 5000}, {"\\b.mp3", "", 0}}));
}

TEST(PlaylistScanner, TrailingExtinfLineIsDropped) {
    EXPECT_EQ(Scan("#EXTM3U\r\n#EXTINF:3,A\r\n\\a.mp3\r\n#EXTINF:4,B\r\n"), (std::vector<Entry>{{"\\a.mp3", "A", 3000}}));
    EXPECT_EQ(Scan("#EXTINF:4,B"), std::vector<Entry>{});
}

TEST(PlaylistScanner, LfOnlyAndNoFinalLineEnd) {
    EXPECT_EQ(Scan("#EXTM3U\n#EXTINF:0\n\\a.mp3\n\\b.mp3"), (std::vector<Entry>{{"\\a.mp3", "", 0}, {"\\b.mp3", "", 0}}));
}

TEST(PlaylistScanner, NoHeaderNeededAndCommentsIgnored) {
    EXPECT_EQ(Scan("# a comment\r\n\r\n   \r\n\\a.mp3\r\n#EXTM3U\r\n"), (std::vector<Entry>{{"\\a.mp3", "", 0}}));
}

TEST(PlaylistScanner, SingleVisibleByteLinesAreSkippedAsOnTheDevice) {
    EXPECT_EQ(Scan("x\r\n  y \r\nab\r\n"), (std::vector<Entry>{{"ab", "", 0}}));
}

TEST(PlaylistScanner, EmptyTitleAfterComma) {
    EXPECT_EQ(Scan("#EXTINF:12,\r\n\\a.mp3\r\n"), (std::vector<Entry>{{"\\a.mp3", "", 12000}}));
    EXPECT_EQ(Scan("#EXTINF:,T\r\n\\a.mp3\r\n"), (std::vector<Entry>{{"\\a.mp3", "T", 0}}));
}

TEST(PlaylistScanner, LongLinesAreCutToTheLineBuffer) {
    const std::string long_path = "\\" + std::string(400, 'p');
    const std::string long_title(600, 't');
    auto entries = Scan("#EXTINF:1," + long_title + "\r\n" + long_path + "\r\n\\next.mp3\r\n");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].path, long_path.substr(0, fileshelf::kLineBufferSize - 1));
    EXPECT_EQ(entries[0].title, long_title.substr(0, fileshelf::kLineBufferSize - 1 - 10));
    EXPECT_EQ(entries[1].path, "\\next.mp3");
}

TEST(PlaylistScanner, DurationIsTakenDigitByDigitWithoutChecks) {
    EXPECT_EQ(fileshelf::ParseExtinfDuration("123"), 123000);
    EXPECT_EQ(fileshelf::ParseExtinfDuration("  -1"), -1000);
    EXPECT_EQ(fileshelf::ParseExtinfDuration(""), 0);
    EXPECT_EQ(fileshelf::ParseExtinfDuration("-"), 0);
    EXPECT_EQ(fileshelf::ParseExtinfDuration("1a"), (10 + ('a' - '0')) * 1000);
    // Any bytes give some value and never undefined behaviour.
    (void)fileshelf::ParseExtinfDuration("99999999999999999999");
    (void)fileshelf::ParseExtinfDuration("\xFF\xFF\xFF\xFF\xFF\xFF");
}

TEST(PlaylistScanner, EveryPrefixOfAPlaylistScansCleanly) {
    const std::string full = "#EXTM3U\r\n#EXTINF:-1,Title\r\n  \\a b.mp3\t\r\n#extinf:3\n\\c.mp3\n#EXTINF:9,X";
    for (std::size_t length = 0; length <= full.size(); ++length) {
        const std::string prefix = full.substr(0, length);
        auto entries = Scan(prefix);
        EXPECT_LE(entries.size(), 2u);
    }
}

TEST(PlaylistScanner, RandomBytesNeverOverrun) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::uint8_t> bytes(random() % 2000);
        for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
        PlaylistScanner scanner(bytes.data(), bytes.size());
        PlaylistEntryBytes entry;
        while (scanner.Next(entry)) {
            ASSERT_LE(entry.path.size(), fileshelf::kLineBufferSize - 1);
            ASSERT_GE(reinterpret_cast<const std::uint8_t*>(entry.path.data()), bytes.data());
            ASSERT_LE(reinterpret_cast<const std::uint8_t*>(entry.path.data() + entry.path.size()), bytes.data() + bytes.size());
        }
    }
}

TEST(PlaylistWriterLines, Formats) {
    EXPECT_EQ(fileshelf::HeaderLine(), "#EXTM3U\n");
    EXPECT_EQ(fileshelf::ExtinfLine(0, ""), "#EXTINF:0\n");
    EXPECT_EQ(fileshelf::ExtinfLine(215999, "Title"), "#EXTINF:215,Title\n");
    // Seconds come from an unsigned division, as the device writes them.
    EXPECT_EQ(fileshelf::ExtinfLine(-1000, "T"), "#EXTINF:4294966,T\n");
    EXPECT_EQ(fileshelf::PathLine("\\a.mp3"), "\\a.mp3\n");
}

TEST(PlaylistWriterLines, CarriageReturnsBeforeEveryLineFeedWhileTheyFit) {
    std::string bytes = "abc\n";
    fileshelf::InsertCarriageReturns(bytes, 9);
    EXPECT_EQ(bytes, "abc\r\n");
    bytes = "a\nb\n";
    fileshelf::InsertCarriageReturns(bytes, 9);
    EXPECT_EQ(bytes, "a\r\nb\r\n");
    bytes = "a\nb\n";
    fileshelf::InsertCarriageReturns(bytes, 6);  // room for one more byte and the zero only
    EXPECT_EQ(bytes, "a\r\nb\n");
    bytes = "none";
    fileshelf::InsertCarriageReturns(bytes, 9);
    EXPECT_EQ(bytes, "none");
}

}  // namespace
