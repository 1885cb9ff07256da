#include "platform/resources/string_table_file.h"

#include <gtest/gtest.h>

namespace resources {
namespace {

TEST(StringTableFile, GoodFileParsesExactly) {
    const auto result = ParseStringTable(
        "# HomeDeck\n"
        "1\t현재모드에서 지원하지 않는 기능입니다.\r\n"
        "\n"
        "4294967295\ttab\tinside\n"
        "7\t\n");
    EXPECT_TRUE(result.errors.empty());
    EXPECT_EQ(result.entries, (std::vector<StringEntry>{{1, "현재모드에서 지원하지 않는 기능입니다.", 2},
                                                         {4294967295u, "tab\tinside", 4},
                                                         {7, "", 5}}));
}

TEST(StringTableFile, BadLinesAreReported) {
    const auto result = ParseStringTable(
        "1 no tab\n"
        "\tno number\n"
        "x1\ttext\n"
        "4294967296\ttoo big\n"
        "00000000001\televen digits\n"
        "2\t\xff\xfe\n"
        "3\tfine\n"
        "3\tagain\n");
    EXPECT_EQ(result.errors, (std::vector<ParseError>{{1, "no tab between the number and the text"},
                                                       {2, "'' is not a string number"},
                                                       {3, "'x1' is not a string number"},
                                                       {4, "'4294967296' is not a string number"},
                                                       {5, "'00000000001' is not a string number"},
                                                       {6, "text is not UTF-8"},
                                                       {8, "string 3 given twice"}}));
    EXPECT_EQ(result.entries, (std::vector<StringEntry>{{3, "fine", 7}}));
}

TEST(StringTableFile, ByteOrderMarkIsReportedButTheLineStillReads) {
    const auto result = ParseStringTable("\xEF\xBB\xBF" "1\tA\n");
    ASSERT_EQ(result.errors.size(), 1u);
    EXPECT_EQ(result.errors[0].line, 1);
    EXPECT_EQ(result.entries.size(), 1u);
}

TEST(StringTableFile, AnyBytesAreSafe) {
    // A logged seed, so a failure can be replayed.
    const unsigned seed = 20261207;
    SCOPED_TRACE(seed);
    unsigned state = seed;
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        const int length = static_cast<int>(state % 64);
        for (int i = 0; i < length; ++i) {
            state = state * 1103515245u + 12345u;
            const char pool[] = {'1', '9', '\t', '\n', '\r', '#', ' ', '\xff', '\xed', 'a'};
            bytes.push_back(pool[(state >> 16) % sizeof pool]);
        }
        state = state * 1103515245u + 12345u;
        const auto result = ParseStringTable(bytes);
        for (const auto& error : result.errors) {
            EXPECT_GE(error.line, 1);
            EXPECT_FALSE(error.reason.empty());
        }
    }
}

}  // namespace
}  // namespace resources
