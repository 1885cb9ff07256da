#include "telecast/scan_file.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "telecast/tests/channel_builder.h"

namespace telecast {
namespace {

using fixture::MakeRecord;
using fixture::ScratchFolder;

// A Korean table: a TV service, then a radio service whose name fills all 20 bytes.
ChannelTable MakeKoreanTable()
{
    ChannelTable table;
    table.selected_radio = 1;
    table.list_type = ListType::Tv;
    table.Add(MakeRecord(kTvService, NameBytes("MBC TV"), 181280, 0xE0A1));
    table.Add(MakeRecord(kRadioService, NameBytes("ABCDEFGHIJKLMNOPQRST"), -5, 0xFFFFFFFF));
    return table;
}

// The file's lines as the writer lays them out, the name's 20 bytes as one line.
std::vector<std::string> LinesOf(const ChannelTable& table)
{
    const std::string text = FormatScanFile(table);
    std::vector<std::string> lines;
    std::size_t position = 0;
    while (position < text.size()) {
        const bool name_line = lines.size() >= 7 && (lines.size() - 7) % 10 == 3;
        const std::size_t end = name_line ? position + kNameBytes : text.find('\n', position);
        lines.push_back(text.substr(position, end - position));
        position = end + 1;
    }
    return lines;
}

std::string Join(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void WriteAll(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(ScanFileFormat, WritesTheKnownBytes)
{
    const std::string expected = std::string("1004\n82\n0\n2\n1\n0\n2\n") +
                                 "3\n181280\ne0a1\nMBC TV" + std::string(14, '\0') + "\n7\n2\n-1\n22\n2\n48000\n" +
                                 "3\n-5\nffffffff\nABCDEFGHIJKLMNOPQRST\n7\n1\n-1\n0\n0\n0\n";
    EXPECT_EQ(FormatScanFile(MakeKoreanTable()), expected);
    EXPECT_EQ(FormatScanFile(ChannelTable{}), "1004\n82\n0\n0\n0\n0\n2\n");
}

TEST(ScanFileFormat, RoundTripsNamesOfEveryKind)
{
    ChannelTable korean = MakeKoreanTable();
    korean.Add(MakeRecord(kRadioService, NameBytes("\xC0\xBD\xBE\xC7 \xC6\xC4\xC0\xCF")));  // code page 949
    korean.Add(MakeRecord(kRadioService, NameBytes(" KBS")));     // "%x\n" would swallow the space
    korean.Add(MakeRecord(kTvService, NameBytes("\t\r\nYTN\r")));  // white space at both ends
    korean.Add(MakeRecord(kRadioService, NameBytes("")));
    korean.Add(MakeRecord(5, NameBytes("other"), 1, 2));

    ChannelTable europe;
    europe.region_code = 44;
    europe.band = 3;
    europe.list_type = ListType::Radio;
    europe.selected_radio = 2;
    europe.selected_tv = -3;
    europe.Add(MakeRecord(kTvService, NameBytes(u"BBC One HD")));          // all 20 bytes
    europe.Add(MakeRecord(kRadioService, NameBytes(u"\u0A0A Radio")));  // line feed bytes in the name
    europe.Add(MakeRecord(kRadioService, NameBytes(u" Jazz")));

    for (ChannelTable& table : {std::ref(korean), std::ref(europe)}) {
        SCOPED_TRACE(table.region_code);
        const ScanFileLoad load = ParseScanFile(FormatScanFile(table));
        ASSERT_EQ(load.status, LoadStatus::Loaded) << load.reason;
        EXPECT_EQ(load.reason, "");
        table.current = table.SelectedIndex(table.list_type);
        EXPECT_EQ(load.table, table);
    }
    EXPECT_EQ(ParseScanFile(FormatScanFile(europe)).table.records[2].name, NameBytes(u" Jazz"));
}

TEST(ScanFileLoad, StartsOnTheSelectedRecordOfTheListType)
{
    ChannelTable table;
    for (int i = 0; i < 12; ++i) table.Add(MakeRecord(i % 2 ? kRadioService : kTvService, NameBytes("S"), i));
    table.list_type = ListType::Radio;
    table.selected_radio = 7;
    table.selected_tv = 4;

    ScanFileLoad load = ParseScanFile(FormatScanFile(table));
    ASSERT_EQ(load.status, LoadStatus::Loaded);
    EXPECT_EQ(load.table.current, 7);
    ASSERT_NE(load.table.Current(ListType::Radio), nullptr);
    EXPECT_EQ(load.table.Current(ListType::Radio)->frequency, 7);

    table.records[7].service_type = kTvService;  // record 7 is no radio service: nothing to start on
    load = ParseScanFile(FormatScanFile(table));
    EXPECT_EQ(load.table.current, 7);
    EXPECT_EQ(load.table.Current(ListType::Radio), nullptr);

    table.list_type = ListType::Tv;
    load = ParseScanFile(FormatScanFile(table));
    EXPECT_EQ(load.table.current, 4);
    ASSERT_NE(load.table.Current(ListType::Tv), nullptr);
    EXPECT_EQ(load.table.Current(ListType::Tv)->frequency, 4);

    // Indexes outside the array load as they are and select nothing.
    table.selected_tv = 12;
    table.selected_radio = -1;
    load = ParseScanFile(FormatScanFile(table));
    ASSERT_EQ(load.status, LoadStatus::Loaded);
    EXPECT_EQ(load.table.current, 12);
    EXPECT_EQ(load.table.Current(ListType::Tv), nullptr);
    EXPECT_EQ(load.table.Current(ListType::Radio), nullptr);
    EXPECT_FALSE(load.table.StoreAudioValues({.coding = 1, .a = 1, .b = 1}));
}

TEST(ScanFileLoad, RefusesADamagedFileWhole)
{
    struct Damage {
        int line;  // 1-based line replaced
        std::string text;
        LoadStatus status;
        int refused_at;
    };
    const Damage damages[] = {
        {1, "1003", LoadStatus::Foreign, 1},
        {1, "", LoadStatus::Foreign, 1},
        {2, "eighty-two", LoadStatus::Damaged, 2},
        {4, "2000000000", LoadStatus::Damaged, 4},
        {4, "10001", LoadStatus::Damaged, 4},
        {4, "-1", LoadStatus::Damaged, 4},
        {4, "3", LoadStatus::Damaged, 28},  // one record more than the file holds
        {5, "1 2", LoadStatus::Damaged, 5},
        {6, "2147483648", LoadStatus::Damaged, 6},
        {7, "3", LoadStatus::Damaged, 7},
        {7, "0", LoadStatus::Damaged, 7},
        {9, "12x", LoadStatus::Damaged, 9},
        {10, "e0g1", LoadStatus::Damaged, 10},
        {10, "-1", LoadStatus::Damaged, 10},
        {10, "100000000", LoadStatus::Damaged, 10},
        {11, "MBC TV", LoadStatus::Damaged, 11},  // a name line short of its 20 bytes
        {11, std::string(21, 'N'), LoadStatus::Damaged, 11},
        {15, "256", LoadStatus::Damaged, 15},
        {15, "-1", LoadStatus::Damaged, 15},
        {27, "", LoadStatus::Damaged, 27},
        {27, std::string(40, '0'), LoadStatus::Damaged, 27},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(::testing::Message() << "line " << damage.line << " as \"" << damage.text << "\"");
        std::vector<std::string> lines = LinesOf(MakeKoreanTable());
        ASSERT_EQ(lines.size(), 27u);
        lines[static_cast<std::size_t>(damage.line - 1)] = damage.text;
        const ScanFileLoad load = ParseScanFile(Join(lines));
        EXPECT_EQ(load.status, damage.status);
        EXPECT_EQ(load.line, damage.refused_at);
        EXPECT_EQ(load.reason.rfind("line " + std::to_string(damage.refused_at) + ": ", 0), 0u) << load.reason;
        EXPECT_EQ(load.table, ChannelTable{});
    }
}

TEST(ScanFileLoad, RefusesEveryFileCutShort)
{
    const std::string whole = FormatScanFile(MakeKoreanTable());
    for (std::size_t size = 0; size < whole.size(); ++size) {
        const ScanFileLoad load = ParseScanFile(std::string_view(whole).substr(0, size));
        EXPECT_NE(load.status, LoadStatus::Loaded) << size << " bytes";
        EXPECT_EQ(load.table, ChannelTable{}) << size << " bytes";
    }
}

TEST(ScanFileLoad, ReadsNumbersAsTheyMayBeSpelled)
{
    // Blanks around a number, a sign, and the carriage returns of a file that went through an
    // editor read as the writer's numbers; the name is still its 20 bytes.
    std::vector<std::string> lines = LinesOf(MakeKoreanTable());
    for (std::string& line : lines) line += "\r";
    lines[1] = " +82\t\r";
    lines[9] = "E0A1\r";
    const ScanFileLoad load = ParseScanFile(Join(lines));
    ASSERT_EQ(load.status, LoadStatus::Loaded) << load.reason;
    ChannelTable expected = MakeKoreanTable();
    expected.current = expected.selected_tv;
    EXPECT_EQ(load.table, expected);
}

TEST(ScanFileSave, WritesTheFileWholeAndReadsItBack)
{
    ScratchFolder folder;
    const auto path = folder.Path() / "TelecastScan.dat";
    WriteAll(path, "an older, longer file than the one saved over it\n");

    ChannelTable table = MakeKoreanTable();
    ASSERT_EQ(SaveScanFile(table, path), SaveStatus::Saved);
    EXPECT_EQ(ReadAll(path), FormatScanFile(table));
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "TelecastScan.dat.new"));

    const ScanFileLoad load = LoadScanFile(path);
    ASSERT_EQ(load.status, LoadStatus::Loaded) << load.reason;
    table.current = table.selected_tv;
    EXPECT_EQ(load.table, table);
}

TEST(ScanFileSave, AFailedSaveLeavesTheOldFileAndSaysSo)
{
    ScratchFolder folder;
    const auto path = folder.Path() / "TelecastScan.dat";
    const auto temporary = folder.Path() / "TelecastScan.dat.new";
    ChannelTable table = MakeKoreanTable();
    ASSERT_EQ(SaveScanFile(table, path), SaveStatus::Saved);
    const std::string old_bytes = ReadAll(path);
    table.Add(MakeRecord(kRadioService, NameBytes("new")));

    // The temporary file cannot be created.
    std::filesystem::create_directory(temporary);
    EXPECT_EQ(SaveScanFile(table, path), SaveStatus::CannotCreate);
    EXPECT_EQ(ReadAll(path), old_bytes);
    std::filesystem::remove(temporary);

    // A folder that does not exist.
    EXPECT_EQ(SaveScanFile(table, folder.Path() / "missing" / "TelecastScan.dat"), SaveStatus::CannotCreate);

    // The disk fills up while the file is written: the process may write 64 bytes at most.
    {
        rlimit old_limit{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
        const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old_limit;
        small.rlim_cur = 64;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        const SaveStatus status = SaveScanFile(table, path);
        setrlimit(RLIMIT_FSIZE, &old_limit);
        std::signal(SIGXFSZ, old_handler);
        EXPECT_EQ(status, SaveStatus::WriteFailed);
    }
    EXPECT_EQ(ReadAll(path), old_bytes);
    EXPECT_FALSE(std::filesystem::exists(temporary));

    // Something that is no file stands where the file goes.
    const auto taken = folder.Path() / "taken";
    std::filesystem::create_directories(taken / "inside");
    EXPECT_EQ(SaveScanFile(table, taken), SaveStatus::CannotReplace);
    EXPECT_TRUE(std::filesystem::is_directory(taken / "inside"));
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "taken.new"));
}

TEST(ScanFileLoad, OfAFileThatIsMissingOrNoScanFile)
{
    ScratchFolder folder;
    ScanFileLoad load = LoadScanFile(folder.Path() / "TelecastScan.dat");
    EXPECT_EQ(load.status, LoadStatus::Missing);
    EXPECT_EQ(load.table, ChannelTable{});

    load = LoadScanFile(folder.Path());
    EXPECT_EQ(load.status, LoadStatus::Unreadable);
    EXPECT_EQ(load.table, ChannelTable{});

    const auto huge = folder.Path() / "huge.dat";
    WriteAll(huge, FormatScanFile(MakeKoreanTable()));
    std::filesystem::resize_file(huge, kMostScanFileBytes + 1);
    load = LoadScanFile(huge);
    EXPECT_EQ(load.status, LoadStatus::Unreadable);
    EXPECT_EQ(load.table, ChannelTable{});
}

TEST(ScanFileSave, AudioValuesAreStoredAndSaved)
{
    ScratchFolder folder;
    const auto path = folder.Path() / "TelecastScan.dat";
    ChannelTable table = MakeKoreanTable();
    table.current = 0;
    ASSERT_EQ(StoreAudioValuesAndSave(table, {.coding = 0, .a = 3, .b = 24000}, path), SaveStatus::Saved);
    const ScanFileLoad load = LoadScanFile(path);
    ASSERT_EQ(load.status, LoadStatus::Loaded) << load.reason;
    EXPECT_EQ(load.table.records[0].audio_coding, 0);
    EXPECT_EQ(load.table.records[0].audio_a, 3);
    EXPECT_EQ(load.table.records[0].audio_b, 24000);
    EXPECT_EQ(load.table.records[1], table.records[1]);

    // No current record: nothing stored, nothing written.
    table.current = 2;
    const auto other = folder.Path() / "other.dat";
    EXPECT_EQ(StoreAudioValuesAndSave(table, {.coding = 1, .a = 1, .b = 1}, other), SaveStatus::Saved);
    EXPECT_FALSE(std::filesystem::exists(other));
}

}  // namespace
}  // namespace telecast
