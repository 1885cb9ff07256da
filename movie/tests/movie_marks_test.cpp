#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "movie/movie_marks.h"

namespace {

using movie::FilmMark;
using movie::FilmMarks;

const std::string kKoreanFilm = "\\STORAGE CARD\\영화\\겨울 여행.mp4";

// Films 0 .. count - 1 remembered in order, so the last one is newest.
FilmMarks MarksOf(int count) {
    FilmMarks marks;
    for (int film = 0; film < count; ++film) {
        EXPECT_TRUE(marks.Remember({"\\SDMMC\\" + std::to_string(film) + ".avi", 1000u + film, film}));
    }
    return marks;
}

// --- Keeping marks --------------------------------------------------------------------------------

TEST(FilmMarks, TheThirtyThirdFilmPushesOutTheOldest) {
    const FilmMarks marks = MarksOf(33);
    ASSERT_EQ(marks.Marks().size(), movie::kMostFilmMarks);
    EXPECT_EQ(marks.Marks().front().path, "\\SDMMC\\32.avi");
    EXPECT_EQ(marks.Marks().back().path, "\\SDMMC\\1.avi");
    EXPECT_FALSE(marks.Find("\\SDMMC\\0.avi", 1000));
}

TEST(FilmMarks, RememberingAFilmAgainMovesItFirstWithoutADuplicate) {
    FilmMarks marks = MarksOf(32);
    ASSERT_TRUE(marks.Remember({"\\sdmmc\\5.AVI", 1005, 77}));
    ASSERT_EQ(marks.Marks().size(), movie::kMostFilmMarks);  // nothing older was pushed out
    EXPECT_EQ(marks.Marks().front(), (FilmMark{"\\sdmmc\\5.AVI", 1005, 77}));
    EXPECT_EQ(marks.Marks().back().path, "\\SDMMC\\0.avi");
    // Another file under the same name is another film; both keep their marks.
    ASSERT_TRUE(marks.Remember({"\\SDMMC\\5.avi", 9999, 3}));
    EXPECT_EQ(marks.Find("\\SDMMC\\5.avi", 1005)->seconds, 77);
    EXPECT_EQ(marks.Find("\\SDMMC\\5.avi", 9999)->seconds, 3);
}

TEST(FilmMarks, FindIgnoresAsciiCaseAndNeedsTheSameSize) {
    FilmMarks marks;
    ASSERT_TRUE(marks.Remember({kKoreanFilm, 734003200, 4321}));
    EXPECT_EQ(marks.Find("\\storage card\\영화\\겨울 여행.MP4", 734003200), (FilmMark{kKoreanFilm, 734003200, 4321}));
    EXPECT_FALSE(marks.Find(kKoreanFilm, 734003201));
    EXPECT_FALSE(marks.Find("\\STORAGE CARD\\영화\\겨울 여행.mp", 734003200));
    EXPECT_FALSE(marks.Find("\\STORAGE CARD\\영화\\여름 여행.mp4", 734003200));
}

TEST(FilmMarks, ForgetRemovesOnlyThatFilm) {
    FilmMarks marks = MarksOf(3);
    EXPECT_FALSE(marks.Forget("\\SDMMC\\1.avi", 1002));  // another size
    EXPECT_TRUE(marks.Forget("\\SDMMC\\1.AVI", 1001));
    EXPECT_FALSE(marks.Forget("\\SDMMC\\1.avi", 1001));
    ASSERT_EQ(marks.Marks().size(), 2u);
    EXPECT_EQ(marks.Marks()[0].path, "\\SDMMC\\2.avi");
    EXPECT_EQ(marks.Marks()[1].path, "\\SDMMC\\0.avi");
}

TEST(FilmMarks, PathsTheFileCannotHoldAreRefused) {
    const std::string refused[] = {
        "", "a\tb.avi", "a\nb.avi", "a\rb.avi", std::string("a\0b.avi", 7), "a\x1F.avi", "a\x7F.avi",
        "\xFF.avi", "\x80.avi", "\xC0\xAF.avi", "\xE0\x9F\xBF.avi", "\xED\xA0\x80.avi", "\xF4\x90\x80\x80.avi",
        "\xEC\x98.avi", "\xEC\x98", std::string(movie::kMostMarkPathBytes + 1, 'a'),
    };
    FilmMarks marks = MarksOf(1);
    for (const std::string& path : refused) EXPECT_FALSE(marks.Remember({path, 1, 1})) << path;
    EXPECT_EQ(marks.Marks().size(), 1u);
    // The longest path, in three-byte Korean characters, and every kind of sequence are kept.
    std::string longest = "a";
    while (longest.size() < movie::kMostMarkPathBytes) longest += "영";
    EXPECT_TRUE(marks.Remember({longest, 1, 1}));
    EXPECT_TRUE(marks.Remember({"\xC2\x80\xDF\xBF\xE0\xA0\x80\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", 1, 1}));
}

TEST(FilmMarks, SecondsAreClamped) {
    const int cases[][2] = {{-5, 0}, {INT_MIN, 0}, {movie::kMostMarkSeconds, movie::kMostMarkSeconds},
                            {movie::kMostMarkSeconds + 1, movie::kMostMarkSeconds}, {INT_MAX, movie::kMostMarkSeconds}};
    for (const auto& [given, kept] : cases) {
        FilmMarks marks;
        ASSERT_TRUE(marks.Remember({"a.avi", 1, given}));
        EXPECT_EQ(marks.Marks().front().seconds, kept) << given;
    }
}

// --- MovieMarks.dat -------------------------------------------------------------------------------

TEST(FilmMarksText, KoreanPathsReadBack) {
    FilmMarks marks;
    ASSERT_TRUE(marks.Remember({"\\SDMMC\\a.avi", 5, 60}));
    ASSERT_TRUE(marks.Remember({kKoreanFilm, 734003200, 4321}));
    const std::string text = movie::FormatFilmMarks(marks);
    EXPECT_EQ(text, "MOVIEMARKS 1\n4321\t734003200\t" + kKoreanFilm + "\n60\t5\t\\SDMMC\\a.avi\n");
    EXPECT_EQ(movie::ParseFilmMarks(text).Marks(), marks.Marks());
    EXPECT_EQ(movie::FormatFilmMarks(FilmMarks{}), "MOVIEMARKS 1\n");
}

TEST(FilmMarksText, AFullSetReadsBackAndLinesPastItAreDropped) {
    const FilmMarks full = MarksOf(32);
    const std::string text = movie::FormatFilmMarks(full);
    EXPECT_EQ(movie::ParseFilmMarks(text).Marks(), full.Marks());
    EXPECT_EQ(movie::ParseFilmMarks(text + "1\t1\tolder.avi\n").Marks(), full.Marks());
    // An older line of the newest film takes no place among the 32.
    const std::size_t second_line = text.find('\n', text.find('\n') + 1) + 1;
    const std::string repeated = text.substr(0, second_line) + "1\t1031\t\\sdmmc\\31.AVI\n" + text.substr(second_line);
    EXPECT_EQ(movie::ParseFilmMarks(repeated).Marks(), full.Marks());
}

TEST(FilmMarksText, BadLinesAreSkippedAndGoodOnesKept) {
    const std::string text =
        "MOVIEMARKS 1\r\n"
        "10\t100\t\\SDMMC\\first.avi\r\n"
        "x\t1\tbad\n-5\t1\tbad\n5\t-1\tbad\n+5\t1\tbad\n 5\t1\tbad\n5\t1 \tbad\n5 1 bad\n5\t1\n\n5\t1\t\n"
        "2147483648\t1\tbad\n5\t18446744073709551616\tbad\n5\t1\tbad\tpath\n5\t1\tbad\xFF\n5\t1\tbad\r\r\n"
        "20\t100\t\\sdmmc\\FIRST.avi\n"  // the same film again: the newer line above wins
        "999999\t18446744073709551615\t\\SDMMC\\long.avi\n"
        "30\t100\t\\SDMMC\\last.avi";
    const std::vector<FilmMark> expected = {{"\\SDMMC\\first.avi", 100, 10},
                                            {"\\SDMMC\\long.avi", UINT64_MAX, movie::kMostMarkSeconds},
                                            {"\\SDMMC\\last.avi", 100, 30}};
    EXPECT_EQ(movie::ParseFilmMarks(text).Marks(), expected);
}

TEST(FilmMarksText, AForeignOrMissingHeaderGivesNoMarks) {
    const std::string line = "5\t1\ta.avi\n";
    const std::string texts[] = {"", line, "MOVIEMARKS 2\n" + line, "moviemarks 1\n" + line, " MOVIEMARKS 1\n" + line,
                                 "MOVIEMARKS 1 \n" + line, "\xEF\xBB\xBFMOVIEMARKS 1\n" + line, "\n" + line};
    for (const std::string& text : texts) EXPECT_TRUE(movie::ParseFilmMarks(text).Marks().empty()) << text;
}

TEST(FilmMarksText, AMegabyteOfNoiseKeepsAtMostTheMarksThereIsRoomFor) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::string noise(1 << 20, '\0');
    for (char& c : noise) c = static_cast<char>(random() % 3 == 0 ? "\t\n\r05a"[random() % 6] : random());
    std::string same_film;
    while (same_film.size() < (1u << 20)) same_film += "1\t1\t" + std::string(movie::kMostMarkPathBytes, 'a') + "\n";
    const std::string inputs[] = {noise, "MOVIEMARKS 1\n" + noise, "MOVIEMARKS 1\n" + same_film,
                                  "MOVIEMARKS 1\n1\t" + std::string(1 << 20, '7') + "\t" + std::string(1 << 20, 'a')};
    for (const std::string& input : inputs) {
        EXPECT_LE(movie::ParseFilmMarks(input).Marks().size(), movie::kMostFilmMarks);
    }
}

}  // namespace
