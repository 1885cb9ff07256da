// The shared settings file and its validation, on a device root of its own.
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

#include "framework/settings_file.h"
#include "framework/system_settings.h"
#include "platform/device_root.h"
#include "platform/registry/registry.h"
#include "platform/testing/temporary_device.h"

namespace {

class Settings : public ::testing::Test {
protected:
    void Write(const std::string& text) {
        std::ofstream(device.Root() / "fs" / "NAND" / "System.dat", std::ios::binary) << text;
    }
    std::string Read() {
        std::ifstream in(device.Root() / "fs" / "NAND" / "System.dat", std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    static std::string File(std::initializer_list<int> numbers) {
        std::string text;
        for (int n : numbers) text += std::to_string(n) + "\n";
        return text;
    }
    platform::testing::TemporaryDevice device;  // no server: the file calls work alone
};

TEST_F(Settings, DefaultsWithoutAFileAndAWrongVersionIgnoresTheWholeFile) {
    CSystemSettings missing;
    EXPECT_FALSE(missing.Load());
    const int defaults[] = {5, 5, 0, 5, 1, 0, 881, 881, 883, 885, 887, 889};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(missing.Get(i + 1), defaults[i]) << "value " << i + 1;

    Write(File({1001, 1, 2, 1, 3, 0, 2, 900, 901, 902, 903, 904}));
    CSystemSettings old_version;
    for (int i = 0; i < 12; ++i) EXPECT_EQ(old_version.Get(i + 1), defaults[i]) << "value " << i + 1;
}

TEST_F(Settings, OutOfRangeValuesFallBackOneByOne) {
    // volume 11, mute 2, FM mode 3, channel 5; the spare level and backlight are fine.
    Write(File({1002, 3, 11, 2, 7, 3, 5, 881, 1000, 883, 885, 887}));
    CSystemSettings settings;
    EXPECT_EQ(settings.Get(CSystemSettings::SPARE_LEVEL), 3);
    EXPECT_EQ(settings.Volume(), 5);
    EXPECT_EQ(settings.Mute(), 0);
    EXPECT_EQ(settings.Backlight(), 7);
    EXPECT_EQ(settings.AudioOutput(), 1);
    EXPECT_EQ(settings.FmChannel(), 0);
    EXPECT_EQ(settings.FrequencyOf(1), 1000) << "a valid frequency list stays";
}

TEST_F(Settings, OneBadFrequencyResetsAllFiveAndTheSpareSlot) {
    for (int slot = 0; slot < 5; ++slot) {
        std::initializer_list<int> base = {1002, 5, 5, 0, 5, 1, 2, 900, 901, 902, 903, 904};
        std::vector<int> numbers(base);
        numbers[static_cast<std::size_t>(7 + slot)] = 1080;
        std::string text;
        for (int n : numbers) text += std::to_string(n) + "\n";
        Write(text);
        CSystemSettings settings;
        const int expected[] = {881, 881, 883, 885, 887, 889};
        for (int i = 0; i < 6; ++i) EXPECT_EQ(settings.Get(7 + i), expected[i]) << "slot " << slot;
        EXPECT_EQ(settings.FmChannel(), 2) << "the other values stay";
    }
    Write(File({1002, 5, 5, 0, 5, 1, 2, 880, 881, 883, 885, 887}));
    EXPECT_EQ(CSystemSettings().FrequencyOf(1), 881) << "880 is out of range too";
}

TEST_F(Settings, ASavedFileHasExactlyTwelveLinesAndReadsBack) {
    CSystemSettings settings;
    settings.SetVolume(9);
    settings.SetMute(1);
    settings.Set(CSystemSettings::FREQUENCY_0 + 3, 1001);
    settings.Set(CSystemSettings::FREQUENCY_5, 1079);  // never written
    ASSERT_TRUE(settings.Save());
    EXPECT_EQ(Read(), File({1002, 5, 9, 1, 5, 1, 0, 881, 881, 883, 1001, 887}));
    EXPECT_FALSE(std::filesystem::exists(device.Root() / "fs" / "NAND" / "System.dat.new"));
    CSystemSettings again;
    EXPECT_EQ(again.Volume(), 9);
    EXPECT_EQ(again.FrequencyOf(3), 1001);
    EXPECT_EQ(again.Get(CSystemSettings::FREQUENCY_5), 889);
}

TEST_F(Settings, AFailedSaveLeavesTheOldFileWhole) {
    Write(File({1002, 1, 2, 0, 3, 1, 0, 881, 881, 883, 885, 887}));
    // A directory where the new file would go makes the save fail before anything is replaced.
    std::filesystem::create_directory(device.Root() / "fs" / "NAND" / "System.dat.new");
    CSystemSettings settings;
    settings.SetVolume(10);
    EXPECT_FALSE(settings.Save());
    EXPECT_EQ(Read(), File({1002, 1, 2, 0, 3, 1, 0, 881, 881, 883, 885, 887}));
}

TEST(SettingsFile, ReadsWhatTheCLibraryWouldAndStopsAtGarbage) {
    auto contents = settings_file::Parse("  1002\n+3 -4\r\n7x 9\n");
    EXPECT_TRUE(contents.version_matches);
    EXPECT_EQ(contents.values_read, 3);
    EXPECT_EQ(contents.values[0], 3);
    EXPECT_EQ(contents.values[1], -4);
    EXPECT_EQ(contents.values[2], 7);
    EXPECT_FALSE(settings_file::Parse("").version_matches);
    EXPECT_FALSE(settings_file::Parse("10020\n").version_matches);
    auto huge = settings_file::Parse("1002 99999999999999999999 -99999999999999999999");
    EXPECT_EQ(huge.values[0], 2147483647);
    EXPECT_EQ(huge.values[1], -2147483647 - 1);
}

}  // namespace

namespace {

TEST(SettingsRegistry, AppValuesPanelSizeAndVersionWithTheirFailureLines) {
    platform::testing::TemporaryDevice device;
    ASSERT_TRUE(device.StartServer());
    platform::SetProgramName("TEST.EXE");
    EXPECT_EQ(ReadAppValue("MapMode", 7), 7u) << "a missing value gives the default";
    EXPECT_TRUE(device.WaitForLog("TEST.EXE", "RegQueryValueEx [MapMode]FAILED!!!!!!!!!!!!!!!!!"));
    WriteAppValue("MapMode", 1);
    EXPECT_EQ(ReadAppValue("MapMode", 7), 1u);
    EXPECT_EQ(platform::RegReadDword("HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP", "MapMode"), 1u);

    auto panel = ReadPanelSize();  // the server seeds it from the board's screen size
    ASSERT_TRUE(panel.has_value());
    EXPECT_EQ(panel->width, 800u);
    EXPECT_EQ(panel->height, 480u);
    ASSERT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, "Drivers\\Display"), ERROR_SUCCESS);
    EXPECT_FALSE(ReadPanelSize().has_value());
    EXPECT_TRUE(device.WaitForLog("TEST.EXE", "Couldn't get LCD size from registry"));

    EXPECT_EQ(ReadProductVersion(), "1.000");
    ASSERT_EQ(platform::RegWriteString("HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP", "x", "y"), ERROR_SUCCESS);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORIVANTEK\\PRODUCT", 0, "", 0, KEY_ALL_ACCESS, nullptr, &key,
                             nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(platform::RegWriteString("HKEY_LOCAL_MACHINE\\SOFTWARE\\ORIVANTEK\\PRODUCT", "Version", "2.107"),
              ERROR_SUCCESS);
    EXPECT_EQ(ReadProductVersion(), "2.107");
}

}  // namespace
