#include "platform/resources/line_reader.h"

#include <gtest/gtest.h>

namespace resources {
namespace {

TEST(SplitWords, QuotedTextIsOneWordWithoutQuotes) {
    auto words = SplitWords("a  \"b c\"\td \"\"");
    ASSERT_TRUE(words);
    EXPECT_EQ(*words, (std::vector<std::string>{"a", "b c", "d", ""}));
}

TEST(SplitWords, UnclosedQuoteFails) { EXPECT_FALSE(SplitWords("label \"open")); }

TEST(ParseNumber, RangeAndJunk) {
    EXPECT_EQ(ParseNumber("65535", 0, 65535), 65535);
    EXPECT_EQ(ParseNumber("-3", -5, 5), -3);
    EXPECT_FALSE(ParseNumber("65536", 0, 65535));
    EXPECT_FALSE(ParseNumber("", 0, 9));
    EXPECT_FALSE(ParseNumber("-", -9, 9));
    EXPECT_FALSE(ParseNumber("12a", 0, 100));
    EXPECT_FALSE(ParseNumber("99999999999999999999", 0, 100));  // too long to overflow
    EXPECT_EQ(ParseNumber("4294967295", 0, UINT32_MAX), 4294967295);
}

TEST(ParseSize, WidthByHeight) {
    EXPECT_EQ(ParseSize("61x61", 2048), (Size2{61, 61}));
    EXPECT_FALSE(ParseSize("0x5", 2048));
    EXPECT_FALSE(ParseSize("5x", 2048));
    EXPECT_FALSE(ParseSize("5*5", 2048));
    EXPECT_FALSE(ParseSize("3000x5", 2048));
}

TEST(IsValidUtf8, AcceptsKoreanRejectsBrokenSequences) {
    EXPECT_TRUE(IsValidUtf8("현재모드"));
    EXPECT_FALSE(IsValidUtf8("\xED\x98"));              // cut short
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));              // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));          // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));      // past U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\x80"));
}

TEST(ForEachLine, NumbersEveryLineAndSkipsComments) {
    std::vector<std::pair<int, std::string>> seen;
    ForEachLine("a\r\n# note\n\n  \nb", Comments::Skip,
                [&](int number, std::string_view line) { seen.emplace_back(number, std::string(line)); });
    EXPECT_EQ(seen, (std::vector<std::pair<int, std::string>>{{1, "a"}, {5, "b"}}));
}

}  // namespace
}  // namespace resources
