#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "movie/smi_subtitle.h"
#include "movie/tests/sami_builder.h"
#include "platform/device_root.h"
#include "platform/files/codepage.h"
#include "platform/files/files.h"
#include "platform/files/tests/temp_device_root.h"
#include "platform/kernel/debug_output.h"

namespace {

using movie::SmiSubtitle;
using movie::testing::Cue;
using movie::testing::MakeSami;

// "안녕하세요" (hello) and "세상" (world): UTF-8 and code page 949.
const std::string kHelloUtf8 = "\xEC\x95\x88\xEB\x85\x95\xED\x95\x98\xEC\x84\xB8\xEC\x9A\x94";
const std::string kHello949 = "\xBE\xC8\xB3\xE7\xC7\xCF\xBC\xBC\xBF\xE4";
const std::string kWorldUtf8 = "\xEC\x84\xB8\xEC\x83\x81";
const std::string kWorld949 = "\xBC\xBC\xBB\xF3";

constexpr const char* kVideo = "\\STORAGE CARD\\Movie\\Film.avi";

class SmiSubtitleTest : public ::testing::Test {
protected:
    void SetUp() override { platform::SetProgramName("MOVIE.EXE"); }

    void WriteSubtitle(const std::string& host_name, const std::string& bytes) {
        m_device.WriteHostFile("STORAGE CARD/Movie/" + host_name, bytes);
    }

    // TextAt into a buffer of exactly `room` characters; the text as UTF-8.
    std::pair<int, std::string> TextAt(SmiSubtitle& subtitle, double seconds, int room = SmiSubtitle::kTextRoom) {
        std::vector<WCHAR> buffer(static_cast<std::size_t>(room), u'#');
        int shown = subtitle.TextAt(seconds, buffer.data(), room);
        return {shown, platform::WideToUtf8(std::u16string(buffer.data()))};
    }

    std::string Log() const {
        std::ifstream in(platform::LogPathFor("MOVIE.EXE"));
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    platform::testing::TempDeviceRoot m_device;
};

std::string Utf16File(const std::string& utf8) {
    const std::u16string wide = platform::Utf8ToWide(utf8);
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : wide) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

TEST_F(SmiSubtitleTest, UpperCaseSmiBesideTheVideoLoads) {
    WriteSubtitle("FILM.SMI", MakeSami({{1000, "<P Class=KRCC>Hello"}}, 2000));
    SmiSubtitle subtitle;
    EXPECT_EQ(subtitle.Load(kVideo), 1);
    EXPECT_EQ(subtitle.EntryCount(), 1u);
    EXPECT_EQ(TextAt(subtitle, 1.0), (std::pair<int, std::string>{1, "Hello"}));
}

TEST_F(SmiSubtitleTest, KoreanInCodePage949) {
    WriteSubtitle("Film.smi", MakeSami({{1000, "<P Class=KRCC>" + kHello949 + "<br>" + kWorld949},
                                        {3000, "<P Class=KRCC>&nbsp;"}},
                                       4000));
    SmiSubtitle subtitle;
    ASSERT_EQ(subtitle.Load(kVideo), 1);
    EXPECT_EQ(subtitle.Encoding(), movie::SmiEncoding::CodePage);
    EXPECT_EQ(TextAt(subtitle, 1.5), (std::pair<int, std::string>{1, kHelloUtf8 + "\n" + kWorldUtf8}));
    EXPECT_EQ(TextAt(subtitle, 3.0), (std::pair<int, std::string>{1, " "}));
    EXPECT_EQ(TextAt(subtitle, 4.0), (std::pair<int, std::string>{0, ""}));
}

TEST_F(SmiSubtitleTest, KoreanInUtf16) {
    WriteSubtitle("film.smi", Utf16File(MakeSami({{1000, "<P Class=KRCC>" + kHelloUtf8 + "<br>" + kWorldUtf8}}, 4000)));
    SmiSubtitle subtitle;
    ASSERT_EQ(subtitle.Load(kVideo), 1);
    EXPECT_EQ(subtitle.Encoding(), movie::SmiEncoding::Utf16);
    EXPECT_EQ(TextAt(subtitle, 1.0), (std::pair<int, std::string>{1, kHelloUtf8 + "\n" + kWorldUtf8}));
}

TEST_F(SmiSubtitleTest, AClassedParagraphWithTwoWordsSplitByABreakGivesTwoLines) {
    WriteSubtitle("Film.smi", MakeSami({{500, "<P Class=KRCC>first<br>second"}}, 1000));
    SmiSubtitle subtitle;
    ASSERT_EQ(subtitle.Load(kVideo), 1);
    EXPECT_EQ(TextAt(subtitle, 0.5), (std::pair<int, std::string>{1, "first\nsecond"}));
}

TEST_F(SmiSubtitleTest, OutOfOrderSyncsAndBackwardSeeks) {
    WriteSubtitle("Film.smi", MakeSami({{3000, "C"}, {1000, "A"}, {2000, "B"}}, 5000));
    SmiSubtitle subtitle;
    ASSERT_EQ(subtitle.Load(kVideo), 1);
    struct Query {
        double seconds;
        int shown;
        std::string text;
    };
    const Query queries[] = {
        {0.0, 0, ""},  {1.0, 1, "A"}, {1.01, 0, ""}, {2.0, 1, "B"}, {3.5, 1, "C"},
        {1.2, 1, "A"},  // sought back: from the first entry again
        {1.3, 0, ""},  {0.2, 1, ""},  // back before the first subtitle: clear it
        {2.2, 1, "B"}, {4.9, 1, "C"},
        {5.0, 0, ""}, {60.0, 0, ""},  // the closing block is never shown
    };
    for (const auto& query : queries) {
        EXPECT_EQ(TextAt(subtitle, query.seconds), (std::pair<int, std::string>{query.shown, query.text})) << query.seconds;
    }
}

TEST_F(SmiSubtitleTest, TheLastSyncBlockIsNeverShown) {
    WriteSubtitle("Film.smi", MakeSami({{1000, "A"}, {2000, "last block"}}));
    SmiSubtitle subtitle;
    ASSERT_EQ(subtitle.Load(kVideo), 1);
    EXPECT_EQ(subtitle.EntryCount(), 1u);
    EXPECT_EQ(TextAt(subtitle, 1.0), (std::pair<int, std::string>{1, "A"}));
    EXPECT_EQ(TextAt(subtitle, 2.0), (std::pair<int, std::string>{0, ""}));
    EXPECT_EQ(TextAt(subtitle, 7200.0), (std::pair<int, std::string>{0, ""}));
}

TEST_F(SmiSubtitleTest, ASubtitleLongerThanTheRoomIsCut) {
    WriteSubtitle("Film.smi", MakeSami({{0, std::string(1000, 'x')}, {10, std::string(300, '\xB0')}, {20, "&&&&"}, {30, "y"}}, 40));
    SmiSubtitle subtitle;
    ASSERT_EQ(subtitle.Load(kVideo), 1);
    auto [shown, text] = TextAt(subtitle, 0.0);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(text, std::string(259, 'x'));
    // 300 bytes are 150 double-byte characters: they fit in 260, and are cut at 9 in a room of 10.
    auto korean = TextAt(subtitle, 0.010, 10);
    EXPECT_EQ(korean.first, 1);
    EXPECT_EQ(platform::Utf8ToWide(korean.second).size(), 9u);
    // Doubled '&' counts twice; a room of one holds only the zero.
    EXPECT_EQ(TextAt(subtitle, 0.020, 5), (std::pair<int, std::string>{1, "&&&&"}));
    EXPECT_EQ(TextAt(subtitle, 0.030, 1), (std::pair<int, std::string>{1, ""}));
    EXPECT_EQ(subtitle.TextAt(0.0, nullptr, 0), 1) << "sought back: reported, nothing written";
}

TEST_F(SmiSubtitleTest, TheSameVideoIsLoadedOnce) {
    WriteSubtitle("Film.smi", MakeSami({{1000, "A"}}, 2000));
    SmiSubtitle subtitle;
    ASSERT_EQ(subtitle.Load(kVideo), 1);
    std::filesystem::remove(m_device.Fs() / "STORAGE CARD" / "Movie" / "Film.smi");
    EXPECT_EQ(subtitle.Load(kVideo), 1);
    EXPECT_EQ(subtitle.EntryCount(), 1u);
    EXPECT_EQ(subtitle.Load("\\STORAGE CARD\\Movie\\Other.avi"), 0);
    EXPECT_EQ(subtitle.EntryCount(), 0u);
    EXPECT_EQ(subtitle.Load(kVideo), 0) << "a new video loads anew";
}

TEST_F(SmiSubtitleTest, MissingSubtitlesAndThePathRule) {
    SmiSubtitle subtitle;
    EXPECT_EQ(subtitle.Load(kVideo), 0);
    EXPECT_EQ(subtitle.EntryCount(), 0u);
    EXPECT_NE(Log().find("File not found...\n"), std::string::npos);
    EXPECT_EQ(subtitle.Load("\\STORAGE CARD\\Movie\\NoExtension"), 0);
    EXPECT_EQ(movie::SubtitlePathFor("\\a\\b.c.avi"), "\\a\\b.c.smi");
    EXPECT_EQ(movie::SubtitlePathFor("\\a\\b."), "\\a\\b.smi");
    EXPECT_EQ(movie::SubtitlePathFor("\\a\\b"), "");
    EXPECT_EQ(TextAt(subtitle, 1.0), (std::pair<int, std::string>{0, ""}));
}

TEST_F(SmiSubtitleTest, AFileThatVanishesBetweenListingAndOpening) {
    WriteSubtitle("Film.smi", MakeSami({{1000, "A"}}, 2000));
    WIN32_FIND_DATA data;
    HANDLE search = FindFirstFile("\\STORAGE CARD\\Movie\\*.smi", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    std::filesystem::remove(m_device.Fs() / "STORAGE CARD" / "Movie" / "Film.smi");
    SmiSubtitle subtitle;
    EXPECT_EQ(subtitle.Load(kVideo), 0);
    EXPECT_EQ(subtitle.EntryCount(), 0u);
    // Found but not openable (here a folder of that name): the other debug line.
    std::filesystem::create_directories(m_device.Fs() / "STORAGE CARD" / "Movie" / "Film.smi");
    EXPECT_EQ(subtitle.Load(kVideo), 0);
    EXPECT_NE(Log().find("File could not be opened \\STORAGE CARD\\Movie\\Film.smi\n"), std::string::npos) << Log();
}

TEST_F(SmiSubtitleTest, ZeroLengthFile) {
    WriteSubtitle("Film.smi", "");
    SmiSubtitle subtitle;
    EXPECT_EQ(subtitle.Load(kVideo), 1);
    EXPECT_EQ(subtitle.EntryCount(), 0u);
    EXPECT_EQ(TextAt(subtitle, 1.0), (std::pair<int, std::string>{0, ""}));
}

TEST_F(SmiSubtitleTest, SyncWithoutANumber) {
    WriteSubtitle("Film.smi", "<SAMI><BODY><SYNC Start=>none<SYNC Start=1000>A<SYNC Start>B<SYNC Start=2000>C<SYNC Start=3000>");
    SmiSubtitle subtitle;
    ASSERT_EQ(subtitle.Load(kVideo), 1);
    EXPECT_EQ(subtitle.EntryCount(), 2u);
    EXPECT_EQ(TextAt(subtitle, 1.5), (std::pair<int, std::string>{1, "A"}));
    EXPECT_EQ(TextAt(subtitle, 2.5), (std::pair<int, std::string>{1, "C"}));
}

TEST_F(SmiSubtitleTest, RandomBytesFiles) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    for (int round = 0; round < 30; ++round) {
        std::string bytes(random() % 50000, '\0');
        for (auto& byte : bytes) byte = static_cast<char>(random());
        if (round % 3 == 0) bytes.insert(0, "\xFF\xFE");
        if (round % 3 == 1) bytes += MakeSami({{100, "x"}}, 200);
        WriteSubtitle("Film.smi", bytes);
        SmiSubtitle subtitle;
        ASSERT_EQ(subtitle.Load(kVideo), 1);
        for (double seconds = 0; seconds < 2; seconds += 0.05) (void)TextAt(subtitle, seconds, 16);
    }
}

TEST_F(SmiSubtitleTest, FreeForgetsEverything) {
    WriteSubtitle("Film.smi", MakeSami({{1000, "A"}}, 2000));
    SmiSubtitle subtitle;
    ASSERT_EQ(subtitle.Load(kVideo), 1);
    subtitle.Free();
    EXPECT_EQ(subtitle.EntryCount(), 0u);
    EXPECT_EQ(TextAt(subtitle, 1.0), (std::pair<int, std::string>{0, ""}));
    EXPECT_EQ(subtitle.Load(kVideo), 1);
    EXPECT_EQ(TextAt(subtitle, 1.0), (std::pair<int, std::string>{1, "A"}));
}

}  // namespace
