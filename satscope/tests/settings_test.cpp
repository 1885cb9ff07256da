#include "satscope/settings.h"

#include <gtest/gtest.h>

#include <string>

#include "satscope/ini_reader.h"

namespace satscope {
namespace {

const std::string kGood =
    "[VORL_GPS_VIEWERS_PARAMETERS]\r\n"
    "STATUS=VALIDATED\r\n"
    "COMPORT=COM3:\r\n"
    "BAUDRATE=115200\r\n"
    "HID=KTQW_RZN\r\n"
    "HPWD=KTQW817\r\n"
    "TOTAL_WINDOWS_WIDTH=640\r\n"
    "TOTAL_WINDOWS_HEIGHT=240\r\n"
    "AUTOCONNECT=1\r\n"
    "CONTROL_WINDOWS_SIZE=200\r\n"
    "SIGNAL_WINDOWS_PERCENTAGE=4\r\n"
    "SUM_WINDOWS_PERCENTAGE=1\r\n"
    "LIST_WINDOWS_PERCENTAGE=5\r\n";

SettingsLoad LoadText(const std::string& text)
{
    return LoadSettings([&](std::string_view key) { return LookupSetting(&text, key); }, 800, 480);
}

TEST(Settings, AGoodFileSetsEverything)
{
    const SettingsLoad load = LoadText(kGood);
    EXPECT_EQ(load.status, "");
    EXPECT_EQ(load.settings.port, 2);
    EXPECT_EQ(load.settings.baud, 5);
    EXPECT_EQ(load.settings.baud_rate, 115200u);
    EXPECT_TRUE(load.settings.developer);
    EXPECT_EQ(load.settings.window_width, 640);
    EXPECT_EQ(load.settings.window_height, 240);
    EXPECT_TRUE(load.settings.auto_connect);
    EXPECT_EQ(load.settings.control_width, 200);
    EXPECT_EQ(load.settings.signal_share, 4);
    EXPECT_EQ(load.settings.list_share, 5);
    EXPECT_TRUE(load.traces.empty());
}

std::string Replace(std::string text, const std::string& line, const std::string& with)
{
    const auto at = text.find(line);
    return text.replace(at, line.size(), with);
}

// Each failing check stops the load with its message; what follows keeps its default.
TEST(Settings, TheFirstFailingCheckStopsTheLoad)
{
    struct Case {
        const char* what;
        std::string text;
        const char* status;
        int port;
        int baud;
    };
    const Case cases[] = {
        {"not validated", Replace(kGood, "VALIDATED", "OK"), "This File is not validated !!", -1, -1},
        {"no STATUS", Replace(kGood, "STATUS=VALIDATED\r\n", ""), "Can't find INI catagory", -1, -1},
        {"COM10:", Replace(kGood, "COM3:", "COM10:"), "Be different INI comport from your device", -1, -1},
        {"a bad port name", Replace(kGood, "COM3:", "TTY1:"), "Invalided Comport NAME (Check your words: [COM1:])", -1, -1},
        {"too short for its colon", Replace(kGood, "COM3:", "COM3"), "Invalided Comport NAME (Check your words: [COM1:])", -1, -1},
        {"very short", Replace(kGood, "COM3:", "CO"), "Invalided Comport NAME (Check your words: [COM1:])", -1, -1},
        {"14400 baud", Replace(kGood, "115200", "14400"),
         "Invalided Baudrate (SUPPORTED BPS: 4800,9600,19200,38400,57600 and 115200)", 2, -1},
        {"no section", Replace(kGood, "[VORL_GPS_VIEWERS_PARAMETERS]", "[OTHER]"), "Can't find INI catagory", -1, -1},
    };
    for (const Case& c : cases) {
        const SettingsLoad load = LoadText(c.text);
        EXPECT_EQ(load.status, c.status) << c.what;
        EXPECT_EQ(load.settings.port, c.port) << c.what;
        EXPECT_EQ(load.settings.baud, c.baud) << c.what;
        EXPECT_FALSE(load.settings.auto_connect) << c.what << ": later keys are not read";
        EXPECT_EQ(load.settings.window_width, 800) << c.what;
    }
    const SettingsLoad none = LoadSettings([](std::string_view key) { return LookupSetting(nullptr, key); }, 800, 480);
    EXPECT_EQ(none.status, "Can't find INI-file");
}

TEST(Settings, MissingKeysKeepTheirDefaults)
{
    std::string text = Replace(kGood, "LIST_WINDOWS_PERCENTAGE=5\r\n", "");
    text = Replace(text, "HPWD=KTQW817\r\n", "");
    text = Replace(text, "AUTOCONNECT=1\r\n", "");
    const SettingsLoad load = LoadText(text);
    EXPECT_EQ(load.status, "");
    EXPECT_FALSE(load.settings.developer) << "no password";
    EXPECT_FALSE(load.settings.auto_connect);
    EXPECT_EQ(load.settings.signal_share, 5) << "two of three proportions: the defaults stay";
    EXPECT_EQ(load.settings.summary_share, 1);
    EXPECT_EQ(load.settings.list_share, 4);
    EXPECT_EQ(load.settings.window_width, 640);
}

TEST(Settings, SizesTheWindowCannotHaveAreRefused)
{
    struct Case {
        std::string line, with;
    };
    const Case cases[] = {
        {"SUM_WINDOWS_PERCENTAGE=1", "SUM_WINDOWS_PERCENTAGE=-9"},
        {"LIST_WINDOWS_PERCENTAGE=5", "LIST_WINDOWS_PERCENTAGE=-9"},
        {"TOTAL_WINDOWS_WIDTH=640", "TOTAL_WINDOWS_WIDTH=0"},
        {"TOTAL_WINDOWS_HEIGHT=240", "TOTAL_WINDOWS_HEIGHT=-1"},
        {"CONTROL_WINDOWS_SIZE=200", "CONTROL_WINDOWS_SIZE=640"},
    };
    std::string zero = Replace(kGood, "SUM_WINDOWS_PERCENTAGE=1", "SUM_WINDOWS_PERCENTAGE=0");
    zero = Replace(zero, "SIGNAL_WINDOWS_PERCENTAGE=4", "SIGNAL_WINDOWS_PERCENTAGE=0");
    zero = Replace(zero, "LIST_WINDOWS_PERCENTAGE=5", "LIST_WINDOWS_PERCENTAGE=0");
    const SettingsLoad all_zero = LoadText(zero);
    EXPECT_EQ(all_zero.settings.signal_share, 5);
    EXPECT_EQ(all_zero.traces.size(), 1u);
    for (const Case& c : cases) {
        const SettingsLoad load = LoadText(Replace(kGood, c.line, c.with));
        EXPECT_EQ(load.traces.size(), 1u) << c.with;
        EXPECT_GT(load.settings.window_width, load.settings.control_width) << c.with;
        EXPECT_GT(load.settings.window_height, 0) << c.with;
        EXPECT_GT(load.settings.signal_share + load.settings.summary_share + load.settings.list_share, 0) << c.with;
    }
}

// The file's odd lines are read as meant.
TEST(IniReader, ReadsOddLinesAsMeant)
{
    const std::string section = "[VORL_GPS_VIEWERS_PARAMETERS] trailing words\r\n";
    const std::string long_line(5000, 'x');
    const std::string file = "\xEF\xBB\xBF; comment\r\nCOMPORT=COM9:\r\n" + section +
                             "; COMPORT=COM1:\r\n"
                             "=COMPORT=COM2:\r\n"
                             "no equals here\r\n"
                             "COMPORTX=COM4:\r\n"
                             "LONG=" + long_line + "COMPORT=COM7:\r\n"
                             "COMPORT=COM5:\r\n"
                             "MULTI=a\\nb\\n\r\n"
                             "WIDE=123456789012345678901234567890123\r\n"
                             "KOREAN=\xEA\xB0\x80\xEA\xB0\x80\xEA\xB0\x80\xEA\xB0\x80\xEA\xB0\x80\xEA\xB0\x80\xEA\xB0\x80"
                             "\xEA\xB0\x80\xEA\xB0\x80\xEA\xB0\x80\xEA\xB0\x80\xEA\xB0\x80\xEA\xB0\x80\xEA\xB0\x80"
                             "\xEA\xB0\x80\xEA\xB0\x80\xEA\xB0\x80\xEA\xB0\x80\xEA\xB0\x80\xEA\xB0\x80\xEA\xB0\x80"
                             "\xEA\xB0\x80\xEA\xB0\x80\xEA\xB0\x80\xEA\xB0\x80\xEA\xB0\x80\xEA\xB0\x80\xEA\xB0\x80"
                             "\xEA\xB0\x80\xEA\xB0\x80\r\n"
                             "NUL=ab" + std::string(1, '\0') + "cd\r\n"
                             "BAD=\xFF\xFE\r\n"
                             "[OTHER]\r\n"
                             "BAUDRATE=4800\r\n";
    const std::string_view s = "VORL_GPS_VIEWERS_PARAMETERS";
    EXPECT_EQ(IniLookup(file, s, "COMPORT"), "COM5:") << "the first match inside the section";
    EXPECT_EQ(IniLookup(file, s, "MULTI"), "a\nb") << "escapes read, the last line feed dropped";
    EXPECT_EQ(IniLookup(file, s, "WIDE"), "12345678901234567890123456789");
    EXPECT_EQ(IniLookup(file, s, "KOREAN")->size(), 29u * 3) << "cut at a character";
    EXPECT_EQ(IniLookup(file, s, "NUL"), "ab");
    EXPECT_EQ(IniLookup(file, s, "BAD"), "\xFF\xFE");
    EXPECT_EQ(IniLookup(file, s, "BAUDRATE"), std::nullopt) << "another section's key";
    EXPECT_EQ(IniLookup(file, s, "LONG")->size(), 29u);
    EXPECT_EQ(IniLookup("[VORL_GPS_VIEWERS_PARAMETERS]", s, "COMPORT"), std::nullopt);
    EXPECT_EQ(IniLookup("", s, "COMPORT"), std::nullopt);
    EXPECT_EQ(IniLookup("[VORL_GPS_VIEWERS_PARAMETERS\nCOMPORT=COM1:", s, "COMPORT"), std::nullopt);
}

TEST(IniReader, ALongLineStaysOneLine)
{
    // A line of 3,000 characters whose tail looks like a key: the tail is no line of its own.
    const std::string file = "[S]\n" + std::string(2047, 'a') + "KEY=tail\nKEY=real\n";
    EXPECT_EQ(IniLookup(file, "S", "KEY"), "real");
    const std::string cut = "[S]\nKEY=" + std::string(3000, 'v') + "\n";
    EXPECT_EQ(IniLookup(cut, "S", "KEY"), std::string(29, 'v'));
}

}  // namespace
}  // namespace satscope
