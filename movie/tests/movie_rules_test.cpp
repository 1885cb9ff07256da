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

TEST(MovieResumeText, AMegabyteOfJunkReadsAsTheDefaults) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::string junk(1 << 20, '\0');
    for (char& c : junk) c = static_cast<char>(random());
    const std::string inputs[] = {junk, "1002\n" + std::string(1 << 20, '7'), std::string(1 << 20, ' ')};
    for (const std::string& input : inputs) EXPECT_EQ(movie::ParseMovieResume(input), MovieResume{});
}

TEST(MovieResumeText, PositionsTruncateTowardZeroWithoutOverflow) {
    EXPECT_EQ(movie::WholeSeconds(61.9), 61);
    EXPECT_EQ(movie::WholeSeconds(-0.9), 0);
    EXPECT_EQ(movie::WholeSeconds(NAN), 0);
    EXPECT_EQ(movie::WholeSeconds(1e12), INT_MAX);
    EXPECT_EQ(movie::WholeSeconds(-1e12), INT_MIN);
}

TEST(ResumeStart, SavedEntryIsFoundAmongTheKeptOnes) {
    const std::vector<int> kept = {0, 2, 3, 5, 8};  // 1, 4, 6 and 7 are gone
    const int cases[][2] = {{0, 0}, {3, 2}, {8, 4}, {4, -1}, {9, -1}, {-1, -1}};
    for (const auto& [saved, position] : cases) EXPECT_EQ(player::KeptPosition(kept, saved), position) << saved;
    EXPECT_EQ(player::KeptPosition({}, 0), -1);
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
