// HomeDeck on a real device server, driven as a person would: taps, remote keys and the
// messages of the programs around it, with program doubles standing in for the suite's players.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "framework/device_services.h"
#include "framework/program_messages.h"
#include "platform/gfx/png_file.h"
#include "platform/testing/temporary_device.h"
#include "tools/devicectl/device_control.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using devicectl::DeviceControl;
using platform::testing::StandIn;
using platform::testing::TemporaryDevice;

constexpr auto kHang = 10s;  // bounds a wait that only a hang would exhaust
const std::string kAppKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP";

bool Eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout = kHang)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

// Stored settings: volume 6 (muted), backlight 4, transmitter on preset 2; the speaker's
// frequency and the presets 88.5, 90.1, 95.5, 107.9.
const char* const kSystemDat = "1002\n0\n6\n1\n4\n0\n2\n881\n885\n901\n955\n1079\n";

class HomeDeckDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(device.InstallWithResources(HOMEDECK_BINARY, "HOMEDECK.EXE", HOMEDECK_RESOURCES));
        std::ofstream(device.Root() / "fs" / "NAND" / "System.dat", std::ios::binary) << kSystemDat;
    }

    // Starts the server and HomeDeck; with the board's card bit set the storage check passes at
    // once. Returns once the main menu is on the screen.
    void Boot(bool card_bit = true)
    {
        std::ofstream(device.Root() / "device.conf", std::ios::app)
            << "board_status = " << (card_bit ? 16 : 0) << "\naudio = fake\n";
        ASSERT_TRUE(device.StartServer());
        DWORD error = 0;
        ASSERT_TRUE(control.Start("\\NAND\\HOMEDECK.EXE", "", error)) << error;
        ASSERT_NE(control.WaitWindow("APP_HOMEDECK", kHang), 0u);
        if (!MenuShows(132, 0, 1002)) {
            std::string error;
            (void)control.SaveScreenshot("/tmp/homedeck_boot.png", error);
            FAIL() << "the main menu did not show\n" << device.Log("HOMEDECK.EXE") << device.Log("server");
        }
    }

    // A skin picture as installed on the device.
    struct Picture {
        std::uint32_t width = 0, height = 0;
        std::vector<std::uint32_t> pixels;
        std::uint32_t At(std::uint32_t x, std::uint32_t y) const
        {
            return x < width && y < height ? pixels[y * width + x] : DeviceControl::Screen::kNoPixel;
        }
    };
    Picture Load(int image)
    {
        Picture picture;
        std::string error;
        const fs::path path = device.Root() / "fs" / "NAND" / "HOMEDECK" / (std::to_string(image) + ".png");
        EXPECT_TRUE(platform::ReadPng(path, picture.width, picture.height, picture.pixels, error)) << error;
        return picture;
    }
    struct Place {
        int x, y, width, height;
    };
    static Place PlaceOf(int id)
    {
        switch (id) {
        case 1001: return {72, 206, 140, 154};
        case 1002: return {212, 206, 130, 154};
        case 1003: return {342, 206, 127, 154};
        case 1004: return {469, 206, 140, 154};
        case 1005: return {609, 206, 123, 154};
        case 1007: return {81, 206, 145, 154};
        case 1008: return {226, 206, 175, 154};
        case 1006: return {9, 412, 63, 68};
        case 1011: return {152, 206, 159, 154};
        case 1012: return {311, 206, 174, 154};
        case 1013: return {485, 206, 174, 154};
        case 1014: return {715, 435, 85, 45};
        case 1015: return {700, 0, 100, 32};
        case 1018: return {207, 296, 45, 45};
        case 1019: return {252, 296, 314, 45};
        case 1020: return {566, 296, 47, 45};
        case 1024: return {278, 98, 45, 45};
        case 1026: return {637, 98, 47, 45};
        case 1027: return {278, 296, 45, 45};
        case 1029: return {489, 296, 47, 45};
        case 1030: return {547, 295, 132, 48};
        case 1031: return {278, 367, 100, 37};
        case 1034: return {578, 367, 100, 37};
        case 1036: return {413, 230, 131, 44};
        default: return {0, 0, 0, 0};
        }
    }

    // Whether a control shows the given frame of its picture: judged at the first point of its
    // middle row where that frame differs from every other frame.
    bool Shows(int image, int frame, int id, std::chrono::milliseconds timeout = kHang)
    {
        const Place place = PlaceOf(id);
        const Picture picture = Load(image);
        const int frames = static_cast<int>(picture.width) / place.width;
        const auto y = static_cast<std::uint32_t>(place.height / 2);
        for (int x = 0; x < place.width; ++x) {
            const std::uint32_t colour = picture.At(static_cast<std::uint32_t>(frame * place.width + x), y);
            bool distinct = true;
            for (int other = 0; other < frames && distinct; ++other)
                distinct = other == frame || picture.At(static_cast<std::uint32_t>(other * place.width + x), y) != colour;
            if (distinct)
                return ScreenShows(static_cast<std::uint32_t>(place.x + x), static_cast<std::uint32_t>(place.y) + y,
                                   colour, timeout);
        }
        ADD_FAILURE() << "frame " << frame << " of " << image << " is like another in its middle row";
        return false;
    }
    bool MenuShows(int image, int frame, int id) { return Shows(image, frame, id); }

    // Whether a point of the screen shows a picture's colour, as presented at the backlight's
    // brightness at that moment.
    bool ScreenShows(std::uint32_t x, std::uint32_t y, std::uint32_t colour, std::chrono::milliseconds timeout)
    {
        return Eventually(
            [&] {
                const auto state = control.DriverState();
                const std::uint32_t brightness = state ? std::min<std::uint32_t>(state->backlight_percent, 100) : 100;
                std::uint32_t presented = 0;
                for (int shift : {0, 8, 16})
                    presented |= (((colour >> shift) & 0xFF) * brightness / 100) << shift;
                DWORD error = 0;
                const auto screen = control.Screenshot(error);
                return screen && screen->At(x, y) == presented;
            },
            timeout);
    }

    std::string SettingsFile()
    {
        std::ifstream in(device.Root() / "fs" / "NAND" / "System.dat", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void Tap(int id)
    {
        const Place place = PlaceOf(id);
        ASSERT_EQ(control.Tap(place.x + place.width / 2, place.y + place.height / 2), 0u);
    }

    // Waits for a driver state to hold.
    bool DriverShows(const std::function<bool(const protocol::DriverStateReply&)>& holds)
    {
        return Eventually([&] {
            const auto state = control.DriverState();
            return state && holds(*state);
        });
    }
    // The n-th value line of System.dat (1: the first value after the format marker).
    std::string SettingsLine(int n)
    {
        const std::string text = SettingsFile();
        std::size_t start = 0;
        for (int line = 0; line < n && start != std::string::npos; ++line) {
            start = text.find('\n', start);
            if (start != std::string::npos)
                ++start;
        }
        if (start == std::string::npos)
            return {};
        return text.substr(start, text.find('\n', start) - start);
    }
    // Whether the screen shows a title picture (a static at 0, 0): judged where it differs
    // from the screen's background.
    bool TitleShows(int image, std::uint32_t width, std::uint32_t height)
    {
        const Picture title = Load(image);
        const Picture background = Load(130);
        const std::uint32_t y = height / 2;
        for (std::uint32_t x = 0; x < width; ++x)
            if (title.At(x, y) != background.At(x, y))
                return ScreenShows(x, y, title.At(x, y), kHang);
        ADD_FAILURE() << image << " is like the background in its middle row";
        return false;
    }
    // How many processes of a program file run.
    std::size_t Running(const std::string& program)
    {
        std::size_t count = 0;
        for (const auto& process : control.Processes())
            count += process.name == program ? 1 : 0;
        return count;
    }
    bool OverlayVisible()
    {
        for (const auto& window : control.Windows())
            if (window.class_name == "CVolumeOverlay")
                return window.visible;
        return false;
    }
    bool TaskbarButtonVisible()
    {
        for (const auto& window : control.Windows())
            if (window.class_name == "HHTaskBar")
                return window.visible;
        return false;
    }
    void StartAndWait(const std::string& path, const std::string& title)
    {
        DWORD error = 0;
        ASSERT_TRUE(control.Start(path, "", error)) << path << " " << error;
        ASSERT_NE(control.WaitWindow(title, kHang), 0u) << title;
    }
    // The launcher's record of the map: 1 once the navigation program has painted and said so.
    bool MapModeBecomes(std::uint32_t mode)
    {
        return Eventually([&] {
            DWORD error = 0;
            const auto value = control.RegistryGet(kAppKey, "MapMode", error);
            return value && value->number == mode;
        });
    }
    void OpenSettingsScreen(int id)
    {
        Tap(1005);
        ASSERT_TRUE(Shows(143, 2, 1011)) << "the settings menu, \"Screen\" highlighted";
        Tap(id);
        // Taps are taken in order with the screen's own messages: the next one waits for the
        // screen it is meant for.
        if (id == 1011) {
            ASSERT_TRUE(Shows(152, 0, 1020)) << "the backlight screen";
        } else {
            ASSERT_TRUE(Shows(163, 0, 1030)) << "the sound screen";
        }
    }

    TemporaryDevice device;
    DeviceControl control{device.Root()};
};

TEST_F(HomeDeckDevice, StartUpAppliesTheStoredSettings)
{
    Boot();
    const auto state = control.DriverState();
    ASSERT_TRUE(state);
    EXPECT_EQ(state->wave_out_volume, WaveOutVolumeFromLevel(6)) << "the stored level, muted or not";
    EXPECT_EQ(state->backlight_percent, 40u);
    EXPECT_EQ(state->fm_word, FmFrequencyWord(2, 901));
    EXPECT_TRUE(state->fm_transmitter_on);
    EXPECT_EQ(state->clock_priority, 4u);
    EXPECT_EQ(device.Log("HOMEDECK.EXE").find("device scan"), std::string::npos) << "the card bit was set";
}


TEST_F(HomeDeckDevice, TheRemotesLeftAndRightKeysMoveTheHighlightAndOkPostsIt)
{
    Boot();
    ASSERT_TRUE(Shows(131, 2, 1001)) << "focus 0 is highlighted at start";
    ASSERT_EQ(control.Key("left"), 0u);
    EXPECT_TRUE(Shows(135, 2, 1005)) << "left from the first button highlights the last";
    EXPECT_TRUE(Shows(131, 0, 1001));
    ASSERT_EQ(control.Key("right"), 0u);
    EXPECT_TRUE(Shows(131, 2, 1001)) << "right from the last highlights the first";
    ASSERT_EQ(control.Key("left"), 0u);
    ASSERT_TRUE(Shows(135, 2, 1005));
    // OK on "System": the settings menu, its first button highlighted.
    ASSERT_EQ(control.Key("enter"), 0u);
    EXPECT_TRUE(Shows(143, 2, 1011)) << "the settings menu with \"Screen\" highlighted";
}

TEST_F(HomeDeckDevice, TitleTapsCloseTogetherStartTheShellAndEndHomeDeck)
{
    ASSERT_TRUE(device.InstallStandIn(StandIn::Explorer));
    Boot();
    // 250 ms apart: nothing.
    ASSERT_EQ(control.Tap(100, 25), 0u);
    std::this_thread::sleep_for(250ms);
    ASSERT_EQ(control.Tap(100, 25), 0u);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(control.FindWindowByName("Desktop"), 0u);
    // Close together: the shell starts and HomeDeck ends.
    ASSERT_EQ(control.Tap(100, 25), 0u);
    ASSERT_EQ(control.Tap(100, 25), 0u);
    EXPECT_NE(control.WaitWindow("Desktop", kHang), 0u);
    EXPECT_TRUE(Eventually([&] { return control.FindWindowByName("APP_HOMEDECK") == 0; }));
}

TEST_F(HomeDeckDevice, ATitleDoubleTapWithoutAShellLeavesHomeDeckRunning)
{
    Boot();
    ASSERT_EQ(control.Tap(100, 25), 0u);
    ASSERT_EQ(control.Tap(100, 25), 0u);
    EXPECT_TRUE(device.WaitForLog("HOMEDECK.EXE", "HomeDeck: no shell to make way for"));
    EXPECT_NE(control.FindWindowByName("APP_HOMEDECK"), 0u);
}

TEST_F(HomeDeckDevice, MusicBesideTheMapNeedsTheMapUp)
{
    ASSERT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, "\\NAND\\MUSIC.EXE"));
    ASSERT_TRUE(device.InstallStandIn(StandIn::Wayfarer));
    Boot();
    DWORD error = 0;
    ASSERT_TRUE(control.Start("\\STORAGE CARD\\WAYFARER\\WAYFARER.EXE", "", error));
    ASSERT_NE(control.WaitWindow("Wayfarer", kHang), 0u);
    // Its window may be up before its first paint says the map is: wait for that, or the
    // cover below could come first and the late "shown" put the map back up.
    ASSERT_TRUE(MapModeBecomes(1));
    // The map is covered: the taskbar button's state writes MapMode 0.
    ASSERT_TRUE(control.CopyData("Wayfarer", WM_OUTSIDE_AUDIO_EVENT, 50, error));
    ASSERT_TRUE(MapModeBecomes(0));
    ASSERT_EQ(control.Foreground("APP_HOMEDECK"), 0u);
    Tap(1003);
    EXPECT_NE(control.WaitWindow("CWarningBox", kHang), 0u) << "the warning box";
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(control.FindWindowByName("APP_MUSIC"), 0u) << "Music must not start";

    // The map up: Music starts.
    ASSERT_TRUE(Eventually([&] { return control.FindWindowByName("CWarningBox") == 0; }));
    ASSERT_EQ(control.RegistrySet(kAppKey, "MapMode", "1"), 0u);
    Tap(1003);
    EXPECT_NE(control.WaitWindow("APP_MUSIC", kHang), 0u);
}

// The backlight screen applies every change at once within 1..10; Back puts the stored level
// back, Save writes it as the fourth value of System.dat.
TEST_F(HomeDeckDevice, TheBacklightScreenActsAtOnceBackRestoresAndSaveWrites)
{
    Boot();
    OpenSettingsScreen(1011);
    ASSERT_TRUE(DriverShows([](const auto& s) { return s.backlight_percent == 40; }));
    Tap(1020);
    EXPECT_TRUE(DriverShows([](const auto& s) { return s.backlight_percent == 50; })) << "plus";
    for (int i = 0; i < 6; ++i)
        Tap(1018);
    EXPECT_TRUE(DriverShows([](const auto& s) { return s.backlight_percent == 10; })) << "minus stops at 1";
    ASSERT_EQ(control.Tap(252 + 30 * 6 + 10, 296 + 20), 0u);
    EXPECT_TRUE(DriverShows([](const auto& s) { return s.backlight_percent == 70; })) << "the slider's seventh step";
    Tap(1015);
    EXPECT_TRUE(DriverShows([](const auto& s) { return s.backlight_percent == 40; })) << "Back restores";
    EXPECT_EQ(SettingsLine(4), "4");

    // Back on the settings menu; the same screen again, plus twice and Save.
    ASSERT_TRUE(Shows(143, 2, 1011));
    Tap(1011);
    ASSERT_TRUE(Shows(152, 0, 1020));
    Tap(1020);
    Tap(1020);
    ASSERT_TRUE(DriverShows([](const auto& s) { return s.backlight_percent == 60; }));
    Tap(1014);
    EXPECT_TRUE(Eventually([&] { return SettingsLine(4) == "6"; })) << SettingsFile();
}

// The sound and FM screen: the frequency wraps round the band, Add stores and tunes, a preset
// tunes, Back after a volume move restores it everywhere, and the speaker saves channel 0.
TEST_F(HomeDeckDevice, TheSoundScreenTunesRelaysAndRestores)
{
    ASSERT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, "\\NAND\\MOVIE.EXE"));
    ASSERT_TRUE(device.InstallStandIn(StandIn::Wayfarer));
    Boot();
    DWORD error = 0;
    ASSERT_TRUE(control.Start("\\NAND\\MOVIE.EXE", "", error));
    ASSERT_NE(control.WaitWindow("APP_MOVIE", kHang), 0u);
    ASSERT_TRUE(control.Start("\\STORAGE CARD\\WAYFARER\\WAYFARER.EXE", "", error));
    ASSERT_NE(control.WaitWindow("Wayfarer", kHang), 0u);
    ASSERT_EQ(control.Foreground("APP_HOMEDECK"), 0u);
    OpenSettingsScreen(1012);

    // Preset 4 (107.9): tuned and relayed.
    Tap(1034);
    EXPECT_TRUE(DriverShows([](const auto& s) { return s.fm_word == FmFrequencyWord(4, 1079); }));
    EXPECT_TRUE(device.WaitForLog("MOVIE.EXE", "APP_MOVIE: WM_MMS_SETTING wparam=101 lparam=4"));
    // Plus at 107.9 shows 88.1; Add stores it in preset 4 and tunes it.
    Tap(1029);
    Tap(1030);
    EXPECT_TRUE(DriverShows([](const auto& s) { return s.fm_word == FmFrequencyWord(4, 881); }));
    // Minus at 88.1 is 107.9 again, which no preset holds now: Add stores it back.
    Tap(1027);
    Tap(1030);
    EXPECT_TRUE(DriverShows([](const auto& s) { return s.fm_word == FmFrequencyWord(4, 1079); }));

    // The volume moved without Save: Back restores the wave-out, the map's volume and the
    // players', and leaves the file alone.
    const std::string before = SettingsFile();
    Tap(1026);
    EXPECT_TRUE(DriverShows([](const auto& s) { return s.wave_out_volume == WaveOutVolumeFromLevel(7); }));
    EXPECT_TRUE(device.WaitForLog("MOVIE.EXE", "APP_MOVIE: WM_MMS_SETTING wparam=100 lparam=7"));
    Tap(1015);
    EXPECT_TRUE(DriverShows([](const auto& s) { return s.wave_out_volume == WaveOutVolumeFromLevel(6); }));
    EXPECT_TRUE(device.WaitForLog("MOVIE.EXE", "APP_MOVIE: WM_MMS_SETTING wparam=100 lparam=6"));
    EXPECT_TRUE(device.WaitForLog("WAYFARER.EXE", "Wayfarer: volume 3"));
    EXPECT_EQ(SettingsFile(), before);

    // The speaker, saved: channel 0.
    ASSERT_TRUE(Shows(144, 2, 1012)) << "back on the settings menu";
    Tap(1012);
    ASSERT_TRUE(Shows(163, 0, 1030));
    Tap(1036);
    EXPECT_TRUE(DriverShows([](const auto& s) { return !s.fm_transmitter_on && s.fm_speaker_on; }));
    Tap(1014);
    EXPECT_TRUE(Eventually([&] { return SettingsLine(5) == "1" && SettingsLine(6) == "0"; })) << SettingsFile();
}

// With the backlight off, a tap on HomeDeck's screen only wakes it; the next tap acts.
TEST_F(HomeDeckDevice, ATapInTheDarkOnlyWakesTheScreen)
{
    ASSERT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, "\\NAND\\MUSIC.EXE"));
    Boot();
    Tap(1006);
    ASSERT_TRUE(DriverShows([](const auto& s) { return !s.backlight_on; }));
    Tap(1003);
    EXPECT_TRUE(DriverShows([](const auto& s) { return s.backlight_on; }));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(control.FindWindowByName("APP_MUSIC"), 0u) << "the waking tap started Music";
    Tap(1003);
    EXPECT_NE(control.WaitWindow("APP_MUSIC", kHang), 0u);
}

// Mute twice gives the volume back; left and right over a player step the stored volume, over
// Stacker they are the game's.
TEST_F(HomeDeckDevice, MuteAndTheVolumeKeysOverOtherPrograms)
{
    ASSERT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, "\\NAND\\MUSIC.EXE"));
    ASSERT_TRUE(device.InstallStandIn(StandIn::Stacker));
    Boot();
    ASSERT_EQ(control.Key("9"), 0u);
    EXPECT_TRUE(DriverShows([](const auto& s) { return s.wave_out_volume == WaveOutVolumeFromLevel(6); }))
        << "stored muted: the mute key unmutes";
    EXPECT_TRUE(Eventually([&] { return SettingsLine(3) == "0"; }));
    ASSERT_EQ(control.Key("9"), 0u);
    EXPECT_TRUE(DriverShows([](const auto& s) { return s.wave_out_volume == 0; }));
    EXPECT_TRUE(Eventually([&] { return SettingsLine(3) == "1"; }));
    ASSERT_EQ(control.Key("9"), 0u);
    EXPECT_TRUE(DriverShows([](const auto& s) { return s.wave_out_volume == WaveOutVolumeFromLevel(6); }))
        << "muted twice: the volume is back";

    DWORD error = 0;
    ASSERT_TRUE(control.Start("\\NAND\\MUSIC.EXE", "", error));
    ASSERT_NE(control.WaitWindow("APP_MUSIC", kHang), 0u);
    ASSERT_EQ(control.Foreground("APP_MUSIC"), 0u);
    ASSERT_EQ(control.Key("right"), 0u);
    EXPECT_TRUE(Eventually([&] { return SettingsLine(2) == "7"; })) << "right over Music";
    // The volume strip shows over Music for a second, without taking the foreground; seven
    // segments of the slider's step picture.
    EXPECT_TRUE(Eventually([&] { return OverlayVisible(); }));
    const Picture segment = Load(153);
    EXPECT_TRUE(ScreenShows(190 + 95 + 8 + 30 * 6 + 15, 395 + 12 + 13 + 9, segment.At(15, 9), kHang));
    EXPECT_FALSE(ScreenShows(190 + 95 + 8 + 30 * 7 + 15, 395 + 12 + 13 + 9, segment.At(15, 9), 0ms));
    EXPECT_TRUE(Eventually([&] {
        for (const auto& window : control.Windows())
            if (window.title == "APP_MUSIC")
                return window.foreground;
        return false;
    }));
    EXPECT_TRUE(Eventually([&] { return !OverlayVisible(); }, 3s)) << "gone after a second";
    ASSERT_EQ(control.Key("left"), 0u);
    ASSERT_EQ(control.Key("left"), 0u);
    EXPECT_TRUE(Eventually([&] { return SettingsLine(2) == "5"; })) << "left twice over Music";

    ASSERT_TRUE(control.Start("\\NAND\\STACKER.EXE", "", error));
    ASSERT_NE(control.WaitWindow("STACKER", kHang), 0u);
    ASSERT_EQ(control.Foreground("STACKER"), 0u);
    ASSERT_EQ(control.Key("right"), 0u);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(SettingsLine(2), "5") << "over Stacker the keys are the game's";
}

// Home with Telecast running: Telecast hears 4099 0, HomeDeck comes forward, then 4099 1; with
// the navigation program running Music and Telecast are spared, the others closed.
TEST_F(HomeDeckDevice, HomeBringsHomeDeckForwardAndClosesTheOthers)
{
    for (const char* name : {"\\NAND\\MUSIC.EXE", "\\NAND\\TELECAST.EXE", "\\NAND\\MOVIE.EXE"})
        ASSERT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, name));
    ASSERT_TRUE(device.InstallStandIn(StandIn::Wayfarer));
    Boot();
    DWORD error = 0;
    for (const char* name : {"\\NAND\\MUSIC.EXE", "\\NAND\\TELECAST.EXE", "\\NAND\\MOVIE.EXE",
                             "\\STORAGE CARD\\WAYFARER\\WAYFARER.EXE"})
        ASSERT_TRUE(control.Start(name, "", error)) << name;
    for (const char* title : {"APP_MUSIC", "DMB_TELECAST", "APP_MOVIE", "Wayfarer"})
        ASSERT_NE(control.WaitWindow(title, kHang), 0u) << title;
    ASSERT_EQ(control.Foreground("APP_MUSIC"), 0u);
    ASSERT_EQ(control.Key("8"), 0u);
    EXPECT_TRUE(device.WaitForLog("TELECAST.EXE", "DMB_TELECAST: WM_COPYDATA code=4099 size=4 data=1"));
    const std::string telecast = device.Log("TELECAST.EXE");
    const auto first = telecast.find("DMB_TELECAST: WM_COPYDATA code=4099 size=4 data=0");
    const auto second = telecast.find("DMB_TELECAST: WM_COPYDATA code=4099 size=4 data=1");
    ASSERT_NE(first, std::string::npos) << telecast;
    EXPECT_LT(first, second);
    EXPECT_TRUE(Eventually([&] { return control.FindWindowByName("APP_MOVIE") == 0; })) << "Movie closed";
    EXPECT_NE(control.FindWindowByName("APP_MUSIC"), 0u) << "Music spared beside the map";
    EXPECT_NE(control.FindWindowByName("DMB_TELECAST"), 0u) << "Telecast spared beside the map";
    EXPECT_TRUE(Eventually([&] {
        const auto windows = control.Windows();
        for (const auto& window : windows)
            if (window.title == "APP_HOMEDECK")
                return window.foreground;
        return false;
    }));
}

// The taskbar button over the map: once the map is up and the navigation program has been in
// front for a second, the button shows at 98, 0; never over HomeDeck; a release on it starts
// one RouteKit.
TEST_F(HomeDeckDevice, TheTaskbarButtonShowsOverTheMapAndStartsRouteKit)
{
    ASSERT_TRUE(device.InstallStandIn(StandIn::Wayfarer));
    ASSERT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, "\\NAND\\ROUTEKIT.EXE"));
    Boot();
    const Picture button = Load(184);
    const std::uint32_t normal = button.At(36, 40);
    DWORD error = 0;
    const auto started = std::chrono::steady_clock::now();
    Tap(1001);
    ASSERT_NE(control.WaitWindow("Wayfarer", kHang), 0u);
    // Wayfarer says its map is up (51) once shown; MapMode follows.
    EXPECT_TRUE(Eventually([&] {
        const auto value = control.RegistryGet(kAppKey, "MapMode", error);
        return value && value->number == 1;
    }));
    // The button waits a second after the map program came to the front.
    ASSERT_TRUE(Eventually([&] { return TaskbarButtonVisible(); }));
    EXPECT_GE(std::chrono::steady_clock::now() - started, 1s);
    EXPECT_TRUE(ScreenShows(98 + 36, 40, normal, kHang)) << "the button over the map";

    // HomeDeck in front hides it.
    ASSERT_EQ(control.Foreground("APP_HOMEDECK"), 0u);
    EXPECT_TRUE(Eventually([&] {
        for (const auto& window : control.Windows())
            if (window.class_name == "HHTaskBar")
                return !window.visible;
        return false;
    })) << "the button never shows over HomeDeck";

    // Back over the map, a release on it starts RouteKit once.
    ASSERT_EQ(control.Foreground("Wayfarer"), 0u);
    ASSERT_TRUE(ScreenShows(98 + 36, 40, normal, kHang));
    ASSERT_EQ(control.Tap(98 + 36, 25), 0u);
    EXPECT_NE(control.WaitWindow("APP_ROUTEKIT", kHang), 0u);
    std::this_thread::sleep_for(500ms);
    std::size_t routekits = 0;
    for (const auto& process : control.Processes())
        routekits += process.name == "ROUTEKIT.EXE" ? 1 : 0;
    EXPECT_EQ(routekits, 1u);
}

// A program that never answers WM_CLOSE keeps the home key waiting five seconds at most; the
// launcher names it and goes on.
TEST_F(HomeDeckDevice, AProgramThatNeverClosesHoldsHomeFiveSecondsAtMost)
{
    ASSERT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, "\\NAND\\MOVIE.EXE"));
    Boot();
    std::ofstream(device.Root() / "fs" / "NAND" / "MOVIE.hang") << "hold";
    DWORD error = 0;
    ASSERT_TRUE(control.Start("\\NAND\\MOVIE.EXE", "", error));
    ASSERT_NE(control.WaitWindow("APP_MOVIE", kHang), 0u);
    ASSERT_EQ(control.Key("8"), 0u);
    EXPECT_TRUE(device.WaitForLog("HOMEDECK.EXE", "HomeDeck: APP_MOVIE did not close within 5000 ms", 15s));
    fs::remove(device.Root() / "fs" / "NAND" / "MOVIE.hang");
    // HomeDeck goes on: it answers the next key.
    ASSERT_EQ(control.Key("9"), 0u);
    EXPECT_TRUE(Eventually([&] { return SettingsLine(3) == "0"; }));
}

// The outside message 8590 code 30 starts Telecast's picture over the map unless Music or
// Telecast runs.
TEST_F(HomeDeckDevice, TheOutsidePipRequestStartsTelecastUnlessAPlayerRuns)
{
    ASSERT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, "\\NAND\\TELECAST.EXE"));
    ASSERT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, "\\NAND\\MUSIC.EXE"));
    Boot();
    DWORD error = 0;
    ASSERT_TRUE(control.Start("\\NAND\\MUSIC.EXE", "", error));
    ASSERT_NE(control.WaitWindow("APP_MUSIC", kHang), 0u);
    ASSERT_EQ(control.Broadcast(WM_OUTSIDE_AUDIO_EVENT, 30, 1), 0u);
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(control.FindWindowByName("DMB_TELECAST"), 0u) << "Music runs";
    ASSERT_EQ(control.Close("APP_MUSIC"), 0u);
    ASSERT_TRUE(Eventually([&] { return control.FindWindowByName("APP_MUSIC") == 0; }));
    ASSERT_EQ(control.Broadcast(WM_OUTSIDE_AUDIO_EVENT, 30, 1), 0u);
    EXPECT_NE(control.WaitWindow("DMB_TELECAST", kHang), 0u);
    EXPECT_TRUE(device.WaitForLog("TELECAST.EXE", "started with \"PIP\""));
}

// Code 11 holds the button back eight seconds; 10 and 50 take the map down in MapMode.
TEST_F(HomeDeckDevice, CodeElevenHoldsTheButtonBackEightSeconds)
{
    ASSERT_TRUE(device.InstallStandIn(StandIn::Wayfarer));
    Boot();
    Tap(1001);
    ASSERT_NE(control.WaitWindow("Wayfarer", kHang), 0u);
    ASSERT_TRUE(Eventually([&] { return TaskbarButtonVisible(); }));
    DWORD error = 0;
    const auto map_mode = [&] {
        const auto value = control.RegistryGet(kAppKey, "MapMode", error);
        return value ? static_cast<int>(value->number) : -1;
    };
    ASSERT_TRUE(control.CopyData("Wayfarer", WM_OUTSIDE_AUDIO_EVENT, 50, error));
    EXPECT_TRUE(Eventually([&] { return map_mode() == 0 && !TaskbarButtonVisible(); })) << "50 hides";
    ASSERT_TRUE(control.CopyData("Wayfarer", WM_OUTSIDE_AUDIO_EVENT, 51, error));
    EXPECT_TRUE(Eventually([&] { return map_mode() == 1 && TaskbarButtonVisible(); })) << "51 shows again";
    ASSERT_TRUE(control.CopyData("Wayfarer", WM_OUTSIDE_AUDIO_EVENT, 10, error));
    EXPECT_TRUE(Eventually([&] { return map_mode() == 0; })) << "10 takes the map down";

    // Once the map went down with 10, the button waits for its timer again; 11 sets it to 8 s,
    // in place of the second an activation gives.
    ASSERT_EQ(control.Foreground("APP_HOMEDECK"), 0u);
    ASSERT_TRUE(Eventually([&] { return !TaskbarButtonVisible(); }));
    ASSERT_TRUE(control.CopyData("Wayfarer", WM_OUTSIDE_AUDIO_EVENT, 51, error));
    ASSERT_TRUE(Eventually([&] { return map_mode() == 1; }));
    ASSERT_EQ(control.Foreground("Wayfarer"), 0u);
    const auto held = std::chrono::steady_clock::now();
    ASSERT_TRUE(control.CopyData("Wayfarer", WM_OUTSIDE_AUDIO_EVENT, 11, error));
    std::this_thread::sleep_for(2s);
    EXPECT_FALSE(TaskbarButtonVisible()) << "not a second after the activation, nor before 8 s";
    ASSERT_TRUE(Eventually([&] { return TaskbarButtonVisible(); }, 15s));
    EXPECT_GE(std::chrono::steady_clock::now() - held, 8s);
}

// Navigation started anew: "/m" only beside Telecast, the others closed half a second later,
// Music and Telecast spared. With the map and Telecast both running it only sends 4098.
TEST_F(HomeDeckDevice, NavigationStartsTheMapClosesTheOthersOrTellsTelecast)
{
    for (const char* name : {"\\NAND\\MUSIC.EXE", "\\NAND\\TELECAST.EXE", "\\NAND\\MOVIE.EXE"})
        ASSERT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, name));
    ASSERT_TRUE(device.InstallStandIn(StandIn::Photo));
    ASSERT_TRUE(device.InstallStandIn(StandIn::Wayfarer));
    Boot();
    StartAndWait("\\NAND\\MUSIC.EXE", "APP_MUSIC");
    StartAndWait("\\NAND\\TELECAST.EXE", "DMB_TELECAST");
    StartAndWait("\\NAND\\MOVIE.EXE", "APP_MOVIE");
    StartAndWait("\\NAND\\PHOTO.EXE", "APP_PHOTO");
    ASSERT_EQ(control.Foreground("APP_HOMEDECK"), 0u);
    const auto tapped = std::chrono::steady_clock::now();
    Tap(1001);
    EXPECT_TRUE(device.WaitForLog("WAYFARER.EXE", "Wayfarer: started with \"/m\""));
    EXPECT_TRUE(Eventually([&] {
        return control.FindWindowByName("APP_MOVIE") == 0 && control.FindWindowByName("APP_PHOTO") == 0;
    })) << "Movie and Photo closed";
    EXPECT_GE(std::chrono::steady_clock::now() - tapped, 500ms);
    EXPECT_NE(control.FindWindowByName("APP_MUSIC"), 0u);
    EXPECT_NE(control.FindWindowByName("DMB_TELECAST"), 0u);

    // Both running: the key sends Telecast 4098, 1 with HomeDeck in front and 0 otherwise.
    ASSERT_EQ(control.Foreground("APP_HOMEDECK"), 0u);
    ASSERT_EQ(control.Key("4"), 0u);
    EXPECT_TRUE(device.WaitForLog("TELECAST.EXE", "DMB_TELECAST: WM_COPYDATA code=4098 size=4 data=1"));
    ASSERT_EQ(control.Foreground("Wayfarer"), 0u);
    ASSERT_EQ(control.Key("4"), 0u);
    EXPECT_TRUE(device.WaitForLog("TELECAST.EXE", "DMB_TELECAST: WM_COPYDATA code=4098 size=4 data=0"));
    EXPECT_EQ(Running("WAYFARER.EXE"), 1u);
}

// A navigation program that is there but will not start: nothing runs, so nothing is closed
// for it; once it starts (without Telecast, no "/m"), the others close.
TEST_F(HomeDeckDevice, ANavigationProgramThatFailsToStartClosesNothing)
{
    ASSERT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, "\\NAND\\MOVIE.EXE"));
    ASSERT_TRUE(device.InstallStandIn(StandIn::Wayfarer));
    const fs::path wayfarer = device.Root() / "fs" / "STORAGE CARD" / "WAYFARER" / "WAYFARER.EXE";
    fs::permissions(wayfarer, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::remove);
    Boot();
    StartAndWait("\\NAND\\MOVIE.EXE", "APP_MOVIE");
    ASSERT_EQ(control.Foreground("APP_HOMEDECK"), 0u);
    Tap(1001);
    EXPECT_TRUE(device.WaitForLog("HOMEDECK.EXE", "HomeDeck: cannot start \\STORAGE CARD\\WAYFARER\\WAYFARER.EXE"));
    std::this_thread::sleep_for(700ms);
    EXPECT_NE(control.FindWindowByName("APP_MOVIE"), 0u) << "Movie closed for a program that never started";

    fs::permissions(wayfarer, fs::perms::owner_exec, fs::perm_options::add);
    ASSERT_EQ(control.Foreground("APP_HOMEDECK"), 0u);
    Tap(1001);
    EXPECT_TRUE(device.WaitForLog("WAYFARER.EXE", "Wayfarer: started with \"\""));
    EXPECT_TRUE(Eventually([&] { return control.FindWindowByName("APP_MOVIE") == 0; }));
}

// Telecast beside the map: the PIP key starts the map with "/m"; Telecast's button brings the
// map forward and starts Telecast with "PIP", then only sends 4096; the PIP key sends 4097
// with 1, 0 or 2 by what is in front.
TEST_F(HomeDeckDevice, TelecastBesideTheMapAndThePipKey)
{
    ASSERT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, "\\NAND\\TELECAST.EXE"));
    ASSERT_TRUE(device.InstallStandIn(StandIn::Wayfarer));
    Boot();
    ASSERT_EQ(control.Key("3"), 0u);
    EXPECT_TRUE(device.WaitForLog("WAYFARER.EXE", "Wayfarer: started with \"/m\""));
    ASSERT_NE(control.WaitWindow("Wayfarer", kHang), 0u);
    DWORD error = 0;
    ASSERT_TRUE(Eventually([&] {
        const auto value = control.RegistryGet(kAppKey, "MapMode", error);
        return value && value->number == 1;
    }));

    ASSERT_EQ(control.Foreground("APP_HOMEDECK"), 0u);
    Tap(1002);
    EXPECT_NE(control.WaitWindow("DMB_TELECAST", kHang), 0u);
    EXPECT_TRUE(device.WaitForLog("TELECAST.EXE", "DMB_TELECAST: started with \"PIP\""));
    ASSERT_EQ(control.Foreground("APP_HOMEDECK"), 0u);
    Tap(1002);
    EXPECT_TRUE(device.WaitForLog("TELECAST.EXE", "DMB_TELECAST: WM_COPYDATA code=4096 size=4 data=1"));
    EXPECT_EQ(Running("TELECAST.EXE"), 1u);

    const std::pair<const char*, int> fronts[] = {{"Wayfarer", 1}, {"DMB_TELECAST", 0}, {"APP_HOMEDECK", 2}};
    for (const auto& [front, value] : fronts) {
        ASSERT_EQ(control.Foreground(front), 0u);
        ASSERT_EQ(control.Key("3"), 0u);
        EXPECT_TRUE(device.WaitForLog("TELECAST.EXE", "DMB_TELECAST: WM_COPYDATA code=4097 size=4 data=" +
                                                          std::to_string(value)))
            << front;
    }
}

// The setup key leads to the settings menu from every screen: from the main and multimedia
// menus with its first button, on the settings menu it stays, from 3, 4 and 5 as Back does.
TEST_F(HomeDeckDevice, TheSetupKeyLeadsToTheSettingsMenuFromEveryScreen)
{
    Boot();
    ASSERT_EQ(control.Key("6"), 0u);
    EXPECT_TRUE(Shows(143, 2, 1011)) << "from the main menu";
    ASSERT_EQ(control.Key("6"), 0u);
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(Shows(143, 2, 1011)) << "the settings menu stays";

    Tap(1015);
    ASSERT_TRUE(Shows(135, 2, 1005)) << "Back on the main menu";
    Tap(1004);
    ASSERT_TRUE(Shows(138, 2, 1007)) << "the multimedia menu";
    ASSERT_EQ(control.Key("6"), 0u);
    EXPECT_TRUE(Shows(143, 2, 1011)) << "from the multimedia menu";

    // From the settings menu's own screens: Back, to the button that opened them.
    struct Case {
        int button, image, frame, id;  // the button opening the screen, and a control showing it
        const char* screen;
    };
    const Case cases[] = {
        {1011, 152, 0, 1020, "the backlight screen"},
        {1012, 163, 0, 1030, "the sound screen"},
        {1013, 176, 0, 0, "the information screen"},
    };
    for (const Case& screen : cases) {
        Tap(screen.button);
        if (screen.id) {
            ASSERT_TRUE(Shows(screen.image, screen.frame, screen.id)) << screen.screen;
        } else {
            ASSERT_TRUE(TitleShows(screen.image, 700, 32)) << screen.screen;
        }
        ASSERT_EQ(control.Key("6"), 0u);
        EXPECT_TRUE(Shows(143 + (screen.button - 1011), 2, screen.button)) << "from " << screen.screen;
    }
}

// With the map up or not, the remote's Music key over a dark screen: warning and light.
TEST_F(HomeDeckDevice, AGuardedRemoteKeyTurnsTheBacklightOnAndWarns)
{
    ASSERT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, "\\NAND\\MUSIC.EXE"));
    ASSERT_TRUE(device.InstallStandIn(StandIn::Wayfarer));
    Boot();
    StartAndWait("\\STORAGE CARD\\WAYFARER\\WAYFARER.EXE", "Wayfarer");
    ASSERT_TRUE(MapModeBecomes(1)) << "the map painted";
    DWORD error = 0;
    ASSERT_TRUE(control.CopyData("Wayfarer", WM_OUTSIDE_AUDIO_EVENT, 50, error));
    ASSERT_TRUE(MapModeBecomes(0));
    ASSERT_EQ(control.Key("7"), 0u);
    ASSERT_TRUE(DriverShows([](const auto& s) { return !s.backlight_on; }));
    ASSERT_EQ(control.Key("2"), 0u);
    EXPECT_TRUE(DriverShows([](const auto& s) { return s.backlight_on; }));
    EXPECT_NE(control.WaitWindow("CWarningBox", kHang), 0u);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(control.FindWindowByName("APP_MUSIC"), 0u);
}

// A touch that wakes the screen over another program belongs to that program: HomeDeck's next
// tap still acts.
TEST_F(HomeDeckDevice, AWakeTouchOverAnotherProgramLeavesHomeDecksNextTapAlone)
{
    ASSERT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, "\\NAND\\MOVIE.EXE"));
    Boot();
    StartAndWait("\\NAND\\MOVIE.EXE", "APP_MOVIE");
    ASSERT_EQ(control.Foreground("APP_MOVIE"), 0u);
    ASSERT_EQ(control.Key("7"), 0u);
    ASSERT_TRUE(DriverShows([](const auto& s) { return !s.backlight_on; }));
    ASSERT_EQ(control.Tap(400, 240), 0u);
    ASSERT_TRUE(DriverShows([](const auto& s) { return s.backlight_on; }));
    ASSERT_EQ(control.Foreground("APP_HOMEDECK"), 0u);
    Tap(1005);
    EXPECT_TRUE(Shows(143, 2, 1011)) << "HomeDeck's first tap after the wake was swallowed";
}

// Closing HomeDeck on the backlight screen puts the stored level back and leaves the file.
TEST_F(HomeDeckDevice, ClosingOnAnEditedScreenRestoresTheStoredValues)
{
    Boot();
    OpenSettingsScreen(1011);
    Tap(1020);
    ASSERT_TRUE(DriverShows([](const auto& s) { return s.backlight_percent == 50; }));
    ASSERT_EQ(control.Close("APP_HOMEDECK"), 0u);
    ASSERT_TRUE(Eventually([&] { return Running("HOMEDECK.EXE") == 0; }));
    EXPECT_TRUE(DriverShows([](const auto& s) { return s.backlight_percent == 40 && s.backlight_on; }));
    EXPECT_EQ(SettingsLine(4), "4");
}

// Floods: many RouteKit requests start one RouteKit; bursts of keys and taps while programs
// start, screens change and the warning box shows leave HomeDeck running and answering.
TEST_F(HomeDeckDevice, FloodsOfRequestsKeysAndTapsCrashNothing)
{
    for (const char* name : {"\\NAND\\MUSIC.EXE", "\\NAND\\MOVIE.EXE", "\\NAND\\ROUTEKIT.EXE"})
        ASSERT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, name));
    ASSERT_TRUE(device.InstallStandIn(StandIn::Wayfarer));
    Boot();
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(control.Broadcast(WM_TASKBAR_BROADCAST, 0, 0), 0u);
    ASSERT_NE(control.WaitWindow("APP_ROUTEKIT", kHang), 0u);
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(Running("ROUTEKIT.EXE"), 1u);

    const char* const keys[] = {"1", "2", "3", "4", "5", "6", "8", "9", "left", "right", "enter"};
    const int ids[] = {1001, 1002, 1003, 1004, 1005, 1006, 1015, 1014, 1018, 1020, 1030};
    for (int round = 0; round < 40; ++round) {
        ASSERT_EQ(control.Key(keys[round % std::size(keys)]), 0u);
        Tap(ids[(round * 7) % std::size(ids)]);
        if (round % 10 == 9) {
            ASSERT_EQ(control.Broadcast(WM_TASKBAR_BROADCAST, 0, 0), 0u);
        }
    }
    // Still there and answering: the home key brings back the main menu, lit.
    std::this_thread::sleep_for(1s);
    ASSERT_NE(control.FindWindowByName("APP_HOMEDECK"), 0u) << device.Log("HOMEDECK.EXE");
    ASSERT_EQ(control.Key("8"), 0u);
    EXPECT_TRUE(DriverShows([](const auto& s) { return s.backlight_on; }));
    EXPECT_TRUE(Shows(131, 2, 1001)) << "the main menu after the storm";
    EXPECT_LE(Running("ROUTEKIT.EXE"), 1u);
}

}  // namespace
