// Music.dat as text: what is written reads back, and a damaged value costs only itself.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <random>
#include <string>
#include <utility>

#include "music/music_resume.h"

namespace {

using music::MusicResume;

constexpr int kPlaying = music::kPlaying;
constexpr int kStopped = music::kStopped;
constexpr int kPaused = music::kPaused;

TEST(MusicResumeText, WrittenRecordsReadBackClamped) {
    EXPECT_EQ(music::FormatMusicResume({12, 3, 2, kPaused, 3605}), "1002\n12\n3\n2\n2\n3605\n");
    const std::pair<MusicResume, MusicResume> cases[] = {
        {{12, 3, 2, kPaused, 3605}, {12, 3, 2, kPaused, 3605}},
        {{INT_MAX, 4, 3, kPlaying, music::kMaxResumeSeconds}, {INT_MAX, 4, 3, kPlaying, music::kMaxResumeSeconds}},
        {{-1, 9, 2, kPaused, 50}, {0, 0, 2, kPaused, 50}},
        {{5, 3, -1, 7, INT_MAX}, {5, 3, 0, kStopped, 0}},
        {{INT_MIN, INT_MIN, INT_MAX, INT_MIN, INT_MIN}, {}},
    };
    for (const auto& [record, clamped] : cases) {
        const std::string text = music::FormatMusicResume(record);
        EXPECT_EQ(music::ParseMusicResume(text), clamped) << text;
    }
}

TEST(MusicResumeText, NoFileOrAForeignFileGivesTheDefaultRecord) {
    const char* texts[] = {
        "", "\n\n", " \r\n\t", "1001\n12\n3\n2\n0\n5\n", "-1002\n12\n3\n2\n0\n5\n", "1002x\n12\n3\n2\n0\n5\n",
        "x1002\n12\n3\n2\n0\n5\n", "99999999999\n12\n3\n2\n0\n5\n", "1002\n",
    };
    for (const char* text : texts) EXPECT_EQ(music::ParseMusicResume(text), MusicResume{}) << text;
}

TEST(MusicResumeText, EachValueStandsAlone) {
    const std::pair<const char*, MusicResume> cases[] = {
        // One value out of its range: it alone takes its default.
        {"1002\n-1\n3\n2\n0\n61\n", {0, 3, 2, kPlaying, 61}},
        {"1002\n12\n9\n2\n0\n61\n", {12, 0, 2, kPlaying, 61}},
        {"1002\n12\n3\n-1\n0\n61\n", {12, 3, 0, kPlaying, 61}},
        {"1002\n12\n3\n4\n0\n61\n", {12, 3, 0, kPlaying, 61}},
        {"1002\n12\n3\n2\n7\n61\n", {12, 3, 2, kStopped, 61}},
        {"1002\n12\n3\n2\n0\n-5\n", {12, 3, 2, kPlaying, 0}},
        {"1002\n12\n3\n2\n0\n360000\n", {12, 3, 2, kPlaying, 360000}},
        {"1002\n12\n3\n2\n0\n360001\n", {12, 3, 2, kPlaying, 0}},
        // A value past int's range is skipped whole and the ones after it are still read.
        {"1002\n12\n3\n99999999999\n0\n61\n", {12, 3, 0, kPlaying, 61}},
        {"1002\n2147483648\n3\n2\n0\n61\n", {0, 3, 2, kPlaying, 61}},
        {"1002\n2147483647\n3\n2\n0\n-2147483649\n", {INT_MAX, 3, 2, kPlaying, 0}},
        {"1002\n12\n-99999999999999999999999\n2\n2\n61\n", {12, 0, 2, kPaused, 61}},
    };
    for (const auto& [text, record] : cases) EXPECT_EQ(music::ParseMusicResume(text), record) << text;
}

TEST(MusicResumeText, ReadingStopsAtTheFirstValueThatIsNoNumber) {
    const std::pair<const char*, MusicResume> cases[] = {
        // A short file: the values it has are kept, the missing ones take their defaults.
        {"1002\n12\n", {12, 0, 0, kStopped, 0}},
        {"1002\n12\n3\n2\n", {12, 3, 2, kStopped, 0}},
        {"1002\n12\n3\n2\n2", {12, 3, 2, kPaused, 0}},
        // Letters, a lone sign or characters glued to a number end the reading there.
        {"1002\n12\n3\nshuffle\n0\n61\n", {12, 3, 0, kStopped, 0}},
        {"1002\n12\n3\n2x\n0\n61\n", {12, 3, 0, kStopped, 0}},
        {"1002\n12\n-\n2\n0\n61\n", {12, 0, 0, kStopped, 0}},
        {"1002\n12\n3\n2\n0\n61s\n", {12, 3, 2, kPlaying, 0}},
        {"1002\nx\n3\n2\n0\n61\n", {}},
    };
    for (const auto& [text, record] : cases) EXPECT_EQ(music::ParseMusicResume(text), record) << text;
}

TEST(MusicResumeText, SpacesSignsAndLineEndsReadAsFscanfReadsThem) {
    const std::pair<const char*, MusicResume> cases[] = {
        {"1002\r\n12\r\n3\r\n2\r\n2\r\n61\r\n", {12, 3, 2, kPaused, 61}},
        {"  1002 +12\t3\v\n\n2\f-0   0061 trailing words 99", {12, 3, 2, kPlaying, 61}},
    };
    for (const auto& [text, record] : cases) EXPECT_EQ(music::ParseMusicResume(text), record) << text;
}

TEST(MusicResumeText, AMegabyteOfJunkReadsAsUsableValues) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::string junk(1 << 20, '\0');
    for (char& c : junk) c = static_cast<char>(random());
    const std::string digits(1 << 20, '7');
    const std::pair<std::string, MusicResume> cases[] = {
        {junk, {}},
        {std::string(1 << 20, ' '), {}},
        {"1002\n" + digits, {}},
        // A megabyte-long value overflows alone; the values after it are still read.
        {"1002\n" + digits + "\n3\n2\n0\n61\n", {0, 3, 2, kPlaying, 61}},
    };
    for (const auto& [input, record] : cases) EXPECT_EQ(music::ParseMusicResume(input), record);
    // After a good marker, junk may happen to start with a number or two; whatever is read is usable.
    const MusicResume after_marker = music::ParseMusicResume("1002\n" + junk);
    EXPECT_EQ(music::ClampMusicResume(after_marker), after_marker);
}

}  // namespace
