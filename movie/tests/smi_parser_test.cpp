#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "movie/smi_parser.h"
#include "movie/tests/sami_builder.h"

namespace {

using movie::SmiEncoding;
using movie::SyncCursor;
using movie::SyncEntry;
using movie::SyncTable;
using movie::testing::AsciiToUtf16File;
using movie::testing::Cue;
using movie::testing::MakeSami;

// A parsed file, kept with its padding as the subtitle object keeps it.
class Parsed {
public:
    explicit Parsed(const std::string& file) : m_bytes(file.size() + movie::kImagePadding, 0) {
        std::memcpy(m_bytes.data(), file.data(), file.size());
        m_size = file.size();
        m_encoding = movie::DetectEncoding(m_bytes.data(), m_size);
        EXPECT_TRUE(m_table.Allocate());
        m_dropped = movie::ParseSyncTags(m_bytes.data(), m_size, m_encoding, m_table);
        m_table.SortByStart();
    }

    std::vector<std::int32_t> Starts() const {
        std::vector<std::int32_t> starts;
        for (std::size_t i = 0; i < m_table.Count(); ++i) starts.push_back(m_table[i].start_ms);
        return starts;
    }
    // Text of an entry; UTF-16 files' text narrowed (the tests use ASCII there).
    std::string Text(const SyncEntry& entry) const {
        std::string bytes;
        std::u16string wide;
        movie::ExtractText(m_bytes.data(), m_size, m_encoding, entry, bytes, wide);
        if (m_encoding == SmiEncoding::Utf16) {
            for (char16_t c : wide) bytes.push_back(static_cast<char>(c));
        }
        return bytes;
    }
    std::string Text(std::size_t index) const { return Text(m_table[index]); }

    const SyncTable& Table() const { return m_table; }
    SmiEncoding Encoding() const { return m_encoding; }
    std::size_t Dropped() const { return m_dropped; }

private:
    std::vector<std::uint8_t> m_bytes;
    std::size_t m_size = 0;
    SmiEncoding m_encoding;
    SyncTable m_table;
    std::size_t m_dropped = 0;
};

TEST(SmiParser, BuildsTheTableAndNeverAddsTheLastBlock) {
    Parsed parsed(MakeSami({{1000, "<P Class=KRCC>One"}, {2500, "<P Class=KRCC>Two"}}, 4000));
    EXPECT_EQ(parsed.Encoding(), SmiEncoding::CodePage);
    // The closing "&nbsp;" block at 4000 runs to the end of the file: it has no end and is not added.
    EXPECT_EQ(parsed.Starts(), (std::vector<std::int32_t>{1000, 2500}));
    EXPECT_EQ(parsed.Text(0), "One");
    EXPECT_EQ(parsed.Text(1), "Two");
    // Without the closing block the last cue is the one not added.
    Parsed open_ended(MakeSami({{1000, "One"}, {2500, "Two"}}));
    EXPECT_EQ(open_ended.Starts(), (std::vector<std::int32_t>{1000}));
}

TEST(SmiParser, SyncTagsOutOfOrderAreSorted) {
    Parsed parsed(MakeSami({{3000, "C"}, {1000, "A"}, {2000, "B"}, {1000, "A2"}}, 9000));
    EXPECT_EQ(parsed.Starts(), (std::vector<std::int32_t>{1000, 1000, 2000, 3000}));
    EXPECT_EQ(parsed.Text(0), "A");
    EXPECT_EQ(parsed.Text(1), "A2");
    EXPECT_EQ(parsed.Text(3), "C");
}

TEST(SmiParser, TagNamesAndNumbers) {
    Parsed parsed(
        "<sync start=100>lower<SyNc Start = 200 >mixed<SYNC Start=\"300\">quoted<SYNC Start=-5>negative"
        "<SYNC>no equals<SYNC Start=>no number<SYNC Start=abc>letters<SYNCx Start=400>sync prefix"
        "<SYNC Start=99999999999>huge<SYNC Start=500>end");
    EXPECT_EQ(parsed.Starts(), (std::vector<std::int32_t>{-5, 100, 200, 300, 400, INT32_MAX}));
    // A SYNC tag without a usable number closes the block before it and opens none.
    EXPECT_EQ(parsed.Text(0), "negative");
    EXPECT_EQ(parsed.Text(4), "sync prefix");
}

TEST(SmiParser, Utf16Files) {
    Parsed parsed(AsciiToUtf16File(MakeSami({{1000, "<P Class=KRCC>Hello<br>World"}}, 2000)));
    EXPECT_EQ(parsed.Encoding(), SmiEncoding::Utf16);
    EXPECT_EQ(parsed.Starts(), (std::vector<std::int32_t>{1000}));
    EXPECT_EQ(parsed.Text(0), "Hello\nWorld");
    // Big-endian byte order is not a UTF-16 file on the device: single-byte text.
    EXPECT_EQ(movie::DetectEncoding(reinterpret_cast<const std::uint8_t*>("\xFE\xFF"), 2), SmiEncoding::CodePage);
    EXPECT_EQ(movie::DetectEncoding(reinterpret_cast<const std::uint8_t*>("\xFF"), 1), SmiEncoding::CodePage);
}

struct ExtractCase {
    const char* file_text;
    const char* expected;
};

TEST(SmiParser, TextExtraction) {
    const ExtractCase cases[] = {
        {"<P Class=KRCC>Hello<br>World", "Hello\nWorld"},
        {"<P Class=ENCC>Two<BR/>lines<Br />and<br clear=all>more", "Two\nlines\nand\nmore"},
        {"<p class=krcc>&nbsp;", " "},
        {"a&NBSPb&nbsp;;c", "a b ;c"},
        {"<font color=\"#ffff00\">Yellow</font> <b>bold</b><bring>", "Yellow bold"},
        {"Tom & Jerry \\ 50%", "Tom && Jerry \\\\ 50%"},
        {"line\r\none\ttab", "lineonetab"},
        {"\xC7\xD1\xB1\xDB", "\xC7\xD1\xB1\xDB"},
        {"\xB0&x", "\xB0&x"},  // the byte after a lead byte is its trail, whatever it is
        {"<unclosed tag", ""},
        {"text<", "text"},
    };
    for (const auto& test : cases) {
        Parsed parsed(std::string("<SYNC Start=1>") + test.file_text + "<SYNC Start=2>");
        ASSERT_EQ(parsed.Table().Count(), 1u) << test.file_text;
        EXPECT_EQ(parsed.Text(0), test.expected) << test.file_text;
    }
}

TEST(SmiParser, Utf16UnitsWithBit7AreCharacters) {
    // In UTF-16 a unit with bit 7 set is a whole character; the '<' after it still starts a tag.
    std::string file = AsciiToUtf16File("<SYNC Start=1>");
    file += std::string("\xE4\xB2", 2);  // U+B2E4
    for (char c : std::string("<br>x<SYNC Start=2>")) file += std::string{c, '\0'};
    Parsed parsed(file);
    ASSERT_EQ(parsed.Table().Count(), 1u);
    EXPECT_EQ(parsed.Text(0), std::string("\xE4\n") + "x");
}

TEST(SmiParser, CursorWalksForwardAndSeeksBack) {
    Parsed parsed(MakeSami({{1000, "A"}, {2000, "B"}, {3000, "C"}}, 5000));
    const SyncTable& table = parsed.Table();
    SyncCursor cursor;
    struct Step {
        double seconds;
        bool report;
        int entry;  // index into the table, -1 for none
    };
    const Step steps[] = {
        {0.0, false, -1},   {0.99, false, -1}, {1.0, true, 0},   {1.5, false, -1}, {3.2, true, 2},
        {3.3, false, -1},   {2.5, true, 1},    // backwards: from the first entry again
        {2.6, false, -1},   {0.5, true, -1},   // backwards before the first: report, empty text
        {0.6, false, -1},   {4.999, true, 2},  {5.0, false, -1}, {100.0, false, -1},
    };
    for (const auto& step : steps) {
        auto answer = cursor.Advance(table, step.seconds);
        EXPECT_EQ(answer.report, step.report) << step.seconds;
        EXPECT_EQ(answer.entry ? static_cast<int>(answer.entry - &table[0]) : -1, step.entry) << step.seconds;
    }
}

TEST(SmiParser, PlayTimesAreTruncatedAndClamped) {
    EXPECT_EQ(movie::PlayTimeMilliseconds(1.2345), 1234);
    EXPECT_EQ(movie::PlayTimeMilliseconds(-0.0015), -1);
    EXPECT_EQ(movie::PlayTimeMilliseconds(1e300), INT32_MAX);
    EXPECT_EQ(movie::PlayTimeMilliseconds(-1e300), INT32_MIN);
    EXPECT_EQ(movie::PlayTimeMilliseconds(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(SmiParser, TheTableGrowsBy600) {
    std::string file;
    for (int i = 0; i <= 5000; ++i) file += "<SYNC Start=" + std::to_string(i) + ">x";
    Parsed parsed(file);
    EXPECT_EQ(parsed.Table().Count(), 5000u);
    EXPECT_EQ(parsed.Table().Capacity(), 3600u + 3 * 600u);
    EXPECT_EQ(parsed.Dropped(), 0u);

    SyncTable limited;
    ASSERT_TRUE(limited.Allocate());
    limited.SetCapacityLimitForTesting(3600);
    std::vector<std::uint8_t> bytes(file.begin(), file.end());
    bytes.resize(bytes.size() + movie::kImagePadding);
    EXPECT_EQ(movie::ParseSyncTags(bytes.data(), file.size(), SmiEncoding::CodePage, limited), 5000u - 3600u);
    EXPECT_EQ(limited.Count(), 3600u);
}

TEST(SmiParser, EveryPrefixParsesCleanly) {
    const std::string full = MakeSami({{1000, "<P Class=KRCC>Hello<br>World"}, {2000, "&nbsp;\xC7\xD1"}}, 3000);
    for (const std::string& file : {full, AsciiToUtf16File(full)}) {
        for (std::size_t length = 0; length <= file.size(); ++length) {
            Parsed parsed(file.substr(0, length));
            for (std::size_t i = 0; i < parsed.Table().Count(); ++i) (void)parsed.Text(i);
            EXPECT_LE(parsed.Table().Count(), 3u);
        }
    }
}

TEST(SmiParser, RandomBytes) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    const std::string alphabet = "<>=SYNCsync &nbsp;br/0123456789\xB0\xFF\xFE\r\n";
    for (int round = 0; round < 300; ++round) {
        std::string file(random() % 3000, '\0');
        for (auto& byte : file) byte = (random() % 2) ? static_cast<char>(random()) : alphabet[random() % alphabet.size()];
        if (round % 2) file.insert(0, "\xFF\xFE");
        Parsed parsed(file);
        SyncCursor cursor;
        for (std::size_t i = 0; i < parsed.Table().Count(); ++i) {
            const SyncEntry& entry = parsed.Table()[i];
            ASSERT_LE(entry.text_begin, file.size());
            (void)parsed.Text(entry);
            (void)cursor.Advance(parsed.Table(), entry.start_ms / 1000.0);
        }
    }
}

}  // namespace
