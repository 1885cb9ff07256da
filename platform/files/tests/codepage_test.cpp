#include <gtest/gtest.h>

#include "platform/files/codepage.h"
#include "platform/files/tests/temp_device_root.h"
#include "platform/kernel/kernel.h"

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;

// "음악 파일" (music file): in code page 949 and in UTF-16 and UTF-8.
const std::string kKorean949 = "\xC0\xBD\xBE\xC7 \xC6\xC4\xC0\xCF";
const std::u16string kKoreanWide = u"\uC74C\uC545 \uD30C\uC77C";
const std::string kKoreanUtf8 = "\xEC\x9D\x8C\xEC\x95\x85 \xED\x8C\x8C\xEC\x9D\xBC";

class CodePageTest : public ::testing::Test {
protected:
    platform::testing::TempDeviceRoot m_device;
};

TEST_F(CodePageTest, SystemCodePageDefaultsTo949AndFollowsTheConfiguration) {
    EXPECT_EQ(platform::SystemCodePage(), 949u);
    m_device.WriteConfig("codepage = 1252\n");
    EXPECT_EQ(platform::SystemCodePage(), 1252u);
    EXPECT_EQ(platform::AnsiToWide("caf\xE9"), u"caf\u00E9");
}

TEST_F(CodePageTest, KoreanRoundTripsThroughCodePage949) {
    EXPECT_EQ(platform::AnsiToWide(kKorean949), kKoreanWide);
    EXPECT_EQ(platform::WideToAnsi(kKoreanWide), kKorean949);
    EXPECT_EQ(platform::AnsiToUtf8(kKorean949), kKoreanUtf8);
    EXPECT_EQ(platform::Utf8ToAnsi(kKoreanUtf8), kKorean949);
    EXPECT_EQ(platform::Utf8ToWide(kKoreanUtf8), kKoreanWide);
    EXPECT_EQ(platform::WideToUtf8(kKoreanWide), kKoreanUtf8);
    // A character of the extended (UHC) range that EUC-KR lacks: "똠".
    EXPECT_EQ(platform::AnsiToWide("\x8C\x63"), u"\uB620");
    EXPECT_EQ(platform::WideToAnsi(u"\uB620"), "\x8C\x63");
    // A backslash stays a backslash, so device paths convert.
    EXPECT_EQ(platform::AnsiToWide("\\NAND\\\xC0\xBD\xBE\xC7.mp3"), u"\\NAND\\\uC74C\uC545.mp3");
}

TEST_F(CodePageTest, Win32FormsReportSizesAndConvert) {
    SetLastError(kSentinel);
    int needed = MultiByteToWideChar(CP_ACP, 0, kKorean949.c_str(), -1, nullptr, 0);
    EXPECT_EQ(needed, 6);  // five characters and the terminating zero
    std::u16string wide(static_cast<size_t>(needed), u'x');
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, kKorean949.c_str(), -1, wide.data(), needed), 6);
    EXPECT_EQ(wide, kKoreanWide + u'\0');

    SetLastError(kSentinel);
    char16_t small[3];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, kKorean949.c_str(), -1, small, 3), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);

    needed = WideCharToMultiByte(CP_ACP, 0, kKoreanWide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    EXPECT_EQ(needed, 10);
    std::string text(static_cast<size_t>(needed), 'x');
    BOOL used_default = TRUE;
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, kKoreanWide.c_str(), -1, text.data(), needed, nullptr, &used_default), 10);
    EXPECT_EQ(text, kKorean949 + '\0');
    EXPECT_FALSE(used_default);

    needed = WideCharToMultiByte(CP_UTF8, 0, kKoreanWide.c_str(), static_cast<int>(kKoreanWide.size()), nullptr, 0,
                                 nullptr, nullptr);
    EXPECT_EQ(needed, static_cast<int>(kKoreanUtf8.size()));

    SetLastError(kSentinel);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 0, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    SetLastError(kSentinel);
    EXPECT_EQ(MultiByteToWideChar(12345, 0, "\xC0\xBD", 2, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(CodePageTest, InvalidBytesBecomeReplacementCharacters) {
    // A lead byte followed by a byte that cannot trail it, a lone trail-range byte, and a lead
    // byte cut off at the end.
    EXPECT_EQ(platform::AnsiToWide("a\xC0 b"), u"a\uFFFD b");  // a space cannot trail a lead byte
    EXPECT_EQ(platform::AnsiToWide("\xFF\xFF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(platform::AnsiToWide("ok\xC0"), u"ok\uFFFD");
    EXPECT_EQ(platform::Utf8ToWide("a\xC3(\xED\xA0\x80z"), u"a\uFFFD(\uFFFD\uFFFD\uFFFDz");
    // Characters the code page lacks, and lone surrogates, become the default character.
    EXPECT_EQ(platform::WideToAnsi(u"x\u0E01y"), "x?y");
    EXPECT_EQ(platform::WideToAnsi(u"\U0001F600!"), "?!");
    EXPECT_EQ(platform::WideToAnsi(std::u16string(u"a") + char16_t(0xD800) + u"b"), "a?b");
    EXPECT_EQ(platform::WideToUtf8(std::u16string(u"a") + char16_t(0xDC00)), "a\xEF\xBF\xBD");
    BOOL used_default = FALSE;
    char out[8] = {};
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"\u0E01", 1, out, sizeof(out), "*", &used_default), 1);
    EXPECT_EQ(out[0], '*');
    EXPECT_TRUE(used_default);
}

TEST_F(CodePageTest, EveryByteSequenceConvertsWithinBounds) {
    // Every pair of bytes, alone and framed by ASCII: the output never has more code units than
    // bytes, and the frame always survives (a space can never be the second byte of a character).
    for (int first = 0; first < 256; ++first) {
        for (int second = 0; second < 256; ++second) {
            const char bytes[4] = {'x', static_cast<char>(first), static_cast<char>(second), ' '};
            const std::string_view pair(bytes + 1, 2);
            auto wide = platform::AnsiToWide(pair);
            ASSERT_GE(wide.size(), 1u) << first << " " << second;
            ASSERT_LE(wide.size(), 2u) << first << " " << second;
            ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, pair.data(), 2, nullptr, 0), static_cast<int>(wide.size()));
            auto framed = platform::AnsiToWide(std::string_view(bytes, 4));
            ASSERT_EQ(framed.front(), u'x') << first << " " << second;
            ASSERT_EQ(framed.back(), u' ') << first << " " << second;
            ASSERT_EQ(platform::AnsiToUtf8(std::string_view(bytes, 4)), platform::WideToUtf8(framed));
        }
    }
}

TEST_F(CodePageTest, UnassignedCodesThatTheConverterConsumesAreReplacedOnce) {
    // glibc's code page 949 converter swallows A2 E8 before reporting it as invalid.
    EXPECT_EQ(platform::AnsiToWide("\xA2\xE8"), u"\uFFFD");
    EXPECT_EQ(platform::AnsiToWide("x\xA2\xE8" "AB"), u"x\uFFFDAB");
    EXPECT_EQ(platform::AnsiToUtf8("x\xA2\xE8" "AB"), "x\xEF\xBF\xBD" "AB");
    EXPECT_EQ(platform::AnsiToWide("\xA2\xE8\xA2\xE8\xC0"), u"\uFFFD\uFFFD\uFFFD");
}

TEST_F(CodePageTest, EmbeddedZerosAreKept) {
    const std::string text("a\0b", 3);
    EXPECT_EQ(platform::AnsiToWide(text), std::u16string(u"a\0b", 3));
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text.data(), 3, nullptr, 0), 3);
}

}  // namespace
