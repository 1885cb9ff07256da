// FileShelf on a real device server, sent by a player's stand-in and driven by taps: what the
// playlist file holds and what the player is told at each way out, the volumes coming and
// going under the view, and the buttons' looks.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "framework/program_messages.h"
#include "platform/gfx/gfx.h"
#include "platform/gfx/png_file.h"
#include "platform/testing/temporary_device.h"
#include "tools/devicectl/device_control.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using devicectl::DeviceControl;
using platform::testing::TemporaryDevice;
using platform::testing::WaitUntil;

constexpr auto kHang = 10s;

// "음악" and "노래" in UTF-8 and in code page 949.
const std::string kMusic = "\xEC\x9D\x8C\xEC\x95\x85";
const std::string kMusic949 = "\xC0\xBD\xBE\xC7";
const std::string kSong = "\xEB\x85\xB8\xEB\x9E\x98";
const std::string kSong949 = "\xB3\xEB\xB7\xA1";

// Screen places: the middle of a file-list row, and of the buttons.
struct Point {
    int x, y;
};
Point FileRow(int row) { return {602, 88 + 1 + 32 * row + 16}; }
Point PlayRow(int row) { return {178, 88 + 1 + 32 * row + 16}; }
constexpr Point kOpen{667, 446}, kGoUp{755, 446}, kCheckAll{491, 446}, kAdd{398, 197}, kConfirm{398, 283},
    kCancel{750, 16}, kClear{132, 446}, kDeleteChecked{44, 446}, kMoveDown{308, 446};

class FileShelfDevice : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.Install(FILESHELF_BINARY, "FILESHELF.EXE"));
        ASSERT_TRUE(device.InstallAt(LIST_PLAYER_BINARY, "\\NAND\\LISTPLAYER.EXE"));
        fs::copy(FILESHELF_RESOURCES, Host("NAND/FILESHELF"), fs::copy_options::recursive);
        // The card: music in a Korean folder (a film and a text among it), a text at its top.
        for (const std::string& name : {kSong + " 01.mp3", kSong + " 02.mp3", std::string("A.MP3"),
                                        std::string("c.mp4"), std::string("x.wma")})
            Touch("STORAGE CARD/" + kMusic + "/" + name);
        Touch("STORAGE CARD/readme.txt");
        fs::create_directories(Host("USB DRIVE"));
        ASSERT_TRUE(device.StartServer());
    }

    fs::path Host(const std::string& relative) const { return device.Root() / "fs" / fs::u8path(relative); }
    void Touch(const std::string& relative) {
        fs::create_directories(Host(relative).parent_path());
        std::ofstream(Host(relative)) << "x";
    }
    std::string Read(const std::string& relative) const {
        std::ifstream in(Host(relative), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // The player's stand-in, which starts FileShelf with its own name.
    void StartFromPlayer(const std::string& player = "APP_MUSIC") {
        DWORD error = 0;
        ASSERT_TRUE(control.Start("\\NAND\\LISTPLAYER.EXE", player, error)) << error;
        ASSERT_NE(control.WaitWindow("APP_BROWSER", kHang), 0u) << device.Log("LISTPLAYER.EXE");
        Settle();
    }
    // Lets the screen catch up with the last tap.
    void Settle() { std::this_thread::sleep_for(300ms); }
    void Tap(Point point) {
        ASSERT_EQ(control.Tap(point.x, point.y), 0u);
        Settle();
    }
    bool FileShelfRunning() {
        for (const auto& process : control.Processes())
            if (process.name.find("FILESHELF") != std::string::npos) return true;
        return false;
    }
    bool EndsWithin2s() { return WaitUntil([&] { return !FileShelfRunning(); }, 2s); }
    bool PlayerWasTold(const std::string& result) {
        return WaitUntil([&] { return Log("LISTPLAYER.EXE").find("WM_PLAYLIST_RESULT " + result) != std::string::npos; },
                         kHang);
    }
    std::string Log(const std::string& program) const { return device.Log(program); }

    // Whether the button at its place shows the row `row` (0 normal, 1 disabled) of its picture.
    bool Shows(int image, int left, int top, int row) {
        std::uint32_t width = 0, height = 0;
        std::vector<std::uint32_t> pixels;
        std::string error;
        if (!platform::ReadPng(Host("NAND/FILESHELF/" + std::to_string(image) + ".png"), width, height, pixels, error))
            return false;
        const std::uint32_t frame_height = height / 2;
        return WaitUntil([&] {
            DWORD failure = 0;
            auto screen = control.Screenshot(failure);
            if (!screen) return false;
            for (std::uint32_t y = 6; y < frame_height - 6; y += 7)
                for (std::uint32_t x = 6; x < 40; x += 5)
                    if (screen->At(left + x, top + y) != pixels[(row * frame_height + y) * width + x]) return false;
            return true;
        }, 2s);
    }

    TemporaryDevice device;
    DeviceControl control{device.Root()};
};

TEST_F(FileShelfDevice, ConfirmWritesTheCheckedFilesAndThePlayerStartsTheCurrentEntry) {
    StartFromPlayer("app_music");
    Tap(FileRow(0));  // "STORAGE CARD", the first of the two volumes
    Tap(kOpen);
    Tap(FileRow(0));  // "음악"; the text file beside it is not music
    Tap(kOpen);
    Tap(kCheckAll);
    Tap(kAdd);
    Tap(kAdd);  // a second Add finds every file there already
    Tap(kConfirm);
    ASSERT_TRUE(PlayerWasTold("0 0")) << Log("LISTPLAYER.EXE") << Log("FILESHELF.EXE");
    EXPECT_TRUE(EndsWithin2s());
    // Folders' files in the file list's order, the film left out, in code page 949 with CR LF.
    const std::string folder = "\\STORAGE CARD\\" + kMusic949 + "\\";
    EXPECT_EQ(Read("NAND/MUSICLIST.M3U"), "#EXTM3U\r\n"
                                          "#EXTINF:0\r\n" + folder + "A.MP3\r\n"
                                          "#EXTINF:0\r\n" + folder + "x.wma\r\n"
                                          "#EXTINF:0\r\n" + folder + kSong949 + " 01.mp3\r\n"
                                          "#EXTINF:0\r\n" + folder + kSong949 + " 02.mp3\r\n");
    const std::string log = Log("FILESHELF.EXE");
    for (const char* line : {"FILESHELF THREAD END", "Wait MessageLoop CListViewEx-PLAY: WM_QUIT",
                             "Wait MessageLoop CListViewEx-FILE: WM_QUIT", "CListViewEx::Register => CListViewEx-FILE"})
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    EXPECT_EQ(Log("LISTPLAYER.EXE").find("WM_PLAYLIST_RESULT 0 1"), std::string::npos) << "one message only";
}

TEST_F(FileShelfDevice, CancelKeepsTheFileAndAnUnreadableEntryDropsOnlyFromTheList) {
    // Two copies of one file and a file the card no longer has.
    const std::string folder = "\\STORAGE CARD\\" + kMusic949 + "\\";
    const std::string kept = "#EXTM3U\r\n#EXTINF:0\r\n" + folder + "x.wma\r\n#EXTINF:0\r\n" + folder +
                             "x.wma\r\n#EXTINF:0\r\n\\STORAGE CARD\\gone.mp3\r\n";
    std::ofstream(Host("NAND/MUSICLIST.M3U"), std::ios::binary) << kept;
    StartFromPlayer();
    Tap(kCancel);
    ASSERT_TRUE(PlayerWasTold("0 1"));
    EXPECT_TRUE(EndsWithin2s());
    EXPECT_EQ(Read("NAND/MUSICLIST.M3U"), kept);

    // Confirmed at once, the list goes back as it was loaded: duplicates stay, the gone file not.
    EXPECT_EQ(control.Close("APP_MUSIC"), 0u);
    StartFromPlayer();
    Tap(kConfirm);
    ASSERT_TRUE(PlayerWasTold("0 0"));
    EXPECT_EQ(Read("NAND/MUSICLIST.M3U"),
              "#EXTM3U\r\n#EXTINF:0\r\n" + folder + "x.wma\r\n#EXTINF:0\r\n" + folder + "x.wma\r\n");
}

TEST_F(FileShelfDevice, ClosingTheWindowWritesAndTellsNothing) {
    StartFromPlayer();
    ASSERT_EQ(control.Post("APP_BROWSER", WM_CLOSE, 0, 0), 0u);
    EXPECT_TRUE(EndsWithin2s());
    EXPECT_NE(Log("FILESHELF.EXE").find("FILESHELF WM_CLOSE...\n"), std::string::npos);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(Log("LISTPLAYER.EXE").find("WM_PLAYLIST_RESULT"), std::string::npos);
    EXPECT_FALSE(fs::exists(Host("NAND/MUSICLIST.M3U")));
}

TEST_F(FileShelfDevice, WithoutAModeNothingIsWrittenOrPosted) {
    DWORD error = 0;
    ASSERT_TRUE(control.Start("\\NAND\\FILESHELF.EXE", "", error)) << error;
    ASSERT_NE(control.WaitWindow("APP_BROWSER", kHang), 0u);
    Settle();
    Tap(kConfirm);
    EXPECT_TRUE(EndsWithin2s());
    for (const char* list : {"NAND/MUSICLIST.M3U", "NAND/MOVIELIST.M3U", "NAND/PHOTOLIST.M3U", "NAND/TEXTLIST.M3U"})
        EXPECT_FALSE(fs::exists(Host(list))) << list;
}

TEST_F(FileShelfDevice, ButtonsShowWhetherTheyActAndACardPulledInsideItReturnsToTheTop) {
    StartFromPlayer();
    // An empty play list: its clearing does nothing and looks it; at the top level there is
    // no going up.
    EXPECT_TRUE(Shows(133, 88, 412, 1)) << "clear disabled";
    EXPECT_TRUE(Shows(136, 711, 412, 1)) << "go up disabled at the top";
    Tap(kClear);
    EXPECT_TRUE(Shows(133, 88, 412, 1));

    Tap(FileRow(0));
    Tap(kOpen);
    EXPECT_TRUE(Shows(136, 711, 412, 0)) << "go up inside the card";
    std::string error;
    ASSERT_TRUE(control.SetMediumInserted(DeviceControl::Medium::StorageCard, false, error)) << error;
    EXPECT_TRUE(Shows(136, 711, 412, 1)) << "back at the top within 2 s";
    // Pulled again while inside the USB drive, nothing changes there.
    ASSERT_TRUE(control.SetMediumInserted(DeviceControl::Medium::StorageCard, true, error)) << error;
    std::this_thread::sleep_for(1500ms);
    Tap(FileRow(1));  // "USB DRIVE", after the card
    Tap(kOpen);
    EXPECT_TRUE(Shows(136, 711, 412, 0));
    ASSERT_TRUE(control.SetMediumInserted(DeviceControl::Medium::StorageCard, false, error)) << error;
    std::this_thread::sleep_for(1500ms);
    EXPECT_TRUE(Shows(136, 711, 412, 0)) << "still inside the USB drive";
    Tap(kGoUp);
    EXPECT_TRUE(Shows(136, 711, 412, 1));
}

TEST_F(FileShelfDevice, EditingKeepsCheckMarksAndTheCurrentRowWhereTheUserExpectsThem) {
    const std::string folder = "\\STORAGE CARD\\" + kMusic949 + "\\";
    std::string list = "#EXTM3U\r\n";
    for (const char* name : {"A.MP3", "x.wma", "c.mp4", "readme.txt"}) {
        if (std::string(name) == "readme.txt") list += "#EXTINF:0\r\n\\STORAGE CARD\\readme.txt\r\n";
        else list += "#EXTINF:0\r\n" + folder + name + "\r\n";
    }
    std::ofstream(Host("NAND/MUSICLIST.M3U"), std::ios::binary) << list;
    StartFromPlayer();
    // The first row cannot go up, even when told to directly; down it takes its check mark.
    Tap(PlayRow(0));
    ASSERT_EQ(control.Post("APP_BROWSER", WM_COMMAND, 1006, 0), 0u);
    Tap(kMoveDown);
    // Rows: x.wma, A.MP3 (checked, current), c.mp4, readme.txt. Checking the last row and
    // deleting both checked rows leaves the last remaining row current.
    Tap(PlayRow(3));
    Tap(kDeleteChecked);
    Tap(kConfirm);
    ASSERT_TRUE(PlayerWasTold("1 0")) << Log("LISTPLAYER.EXE");
    EXPECT_EQ(Read("NAND/MUSICLIST.M3U"),
              "#EXTM3U\r\n#EXTINF:0\r\n" + folder + "x.wma\r\n#EXTINF:0\r\n" + folder + "c.mp4\r\n");
}

TEST_F(FileShelfDevice, StrayCommandsAndMessagesChangeNothingAndTwoConfirmsWriteOnce) {
    StartFromPlayer();
    // Add with nothing checked, Open on no folder, a page down past the last page, the slider
    // notice of a release over nothing, and a tap notice for a row that is not there.
    for (WPARAM id : {1014u, 1012u, 1003u, 1009u}) ASSERT_EQ(control.Post("APP_BROWSER", WM_COMMAND, id, 0), 0u);
    ASSERT_EQ(control.Post("APP_BROWSER", WM_USER + 100, 514, 120), 0u);
    ASSERT_EQ(control.Post("APP_BROWSER", WM_USER + 100, 1001, 57), 0u);
    Settle();
    ASSERT_EQ(control.Post("APP_BROWSER", WM_COMMAND, 1015, 0), 0u);
    ASSERT_EQ(control.Post("APP_BROWSER", WM_COMMAND, 1015, 0), 0u);
    ASSERT_EQ(control.Post("APP_BROWSER", WM_COMMAND, 1016, 0), 0u);
    ASSERT_TRUE(PlayerWasTold("0 0"));
    EXPECT_TRUE(EndsWithin2s());
    EXPECT_EQ(Read("NAND/MUSICLIST.M3U"), "") << "an empty play list writes an empty file";
    const std::string told = Log("LISTPLAYER.EXE");
    EXPECT_EQ(told.find("WM_PLAYLIST_RESULT"), told.rfind("WM_PLAYLIST_RESULT")) << told;
}

// Pixels of a list window on the screen against its pictures: the cursor bar, both check-box
// looks, folder icons without their key colour, the scroll thumb of page 3 of 3, and a Korean
// name drawn in the rows' font.
TEST_F(FileShelfDevice, TheListsArePaintedFromTheirPicturesAndShowKoreanNames) {
    for (int i = 0; i < 17; ++i) Touch("STORAGE CARD/" + kMusic + "/" + kSong + " " + std::to_string(10 + i) + ".mp3");
    StartFromPlayer();
    Tap(FileRow(0));
    Tap(kOpen);
    Tap(FileRow(0));  // 음악, checked, and the cursor row
    auto picture = [&](int image, std::uint32_t& width, std::vector<std::uint32_t>& pixels) {
        std::uint32_t height = 0;
        std::string error;
        EXPECT_TRUE(platform::ReadPng(Host("NAND/FILESHELF/" + std::to_string(image) + ".png"), width, height, pixels,
                                      error))
            << error;
    };
    std::uint32_t box_width = 0, folder_width = 0, bar_width = 0, thumb_width = 0;
    std::vector<std::uint32_t> box, folder, bar, thumb;
    picture(130, box_width, box);
    picture(134, folder_width, folder);
    picture(148, bar_width, bar);
    picture(144, thumb_width, thumb);
    const int left = 452, top = 88;
    DWORD error = 0;
    auto screen = control.Screenshot(error);
    ASSERT_TRUE(screen) << error;
    // Row 0 (the cursor, checked, a folder): the bar's edge, the checked box, the folder icon.
    EXPECT_EQ(screen->At(left + 12 + 1, top + 1 + 16), bar[16 * bar_width + 1]) << "the cursor bar";
    EXPECT_EQ(screen->At(left + 16 + 10, top + 1 + 5 + 10), box[10 * box_width + 21 + 10]) << "a checked box";
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 20; ++x) {
            const std::uint32_t icon = folder[static_cast<std::size_t>(y) * folder_width + x];
            const std::uint32_t shown = screen->At(left + 41 + x, top + 1 + 5 + y);
            EXPECT_NE(shown, 0xF800F8u) << "key colour at " << x << "," << y;
            if (icon != 0xF800F8u) {
                EXPECT_EQ(shown, icon) << x << "," << y;
            }
        }

    Tap(kOpen);
    // Inside: 21 songs ("A", "x", then the Korean names), three pages. Row 2 is an unchecked
    // song: its box, and its name.
    screen = control.Screenshot(error);
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->At(left + 16 + 10, top + 65 + 5 + 10), box[10 * box_width + 10]) << "an unchecked box";
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP mask = CreateCompatibleBitmap(dc, 300, 32);
    HGDIOBJ previous = SelectObject(dc, mask);
    HFONT font = CreateFont(-19, 0, 0, 0, FW_NORMAL, 0, 0, 0, HANGEUL_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                            ANTIALIASED_QUALITY, DEFAULT_PITCH, "NanumGothic");
    HGDIOBJ previous_font = SelectObject(dc, font);
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, TRANSPARENT);
    RECT text{0, 0, 300, 32};
    DrawText(dc, kSong + " 01", -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);  // row 2
    int glyph_pixels = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 280; ++x) {
            if ((GetPixel(dc, x, y) & 0xFFFFFF) != 0xFFFFFF) continue;
            ++glyph_pixels;
            EXPECT_EQ(screen->At(left + 43 + x, top + 65 + y), 0xFFFFFFu) << "a stroke of the name at " << x << "," << y;
        }
    EXPECT_GT(glyph_pixels, 50) << "the font drew the Hangul";
    SelectObject(dc, previous_font);
    DeleteObject(font);
    SelectObject(dc, previous);
    DeleteObject(mask);
    DeleteDC(dc);

    // Page 3 of 3: the thumb's several-pages frame at y 191.
    Tap({710, 379});
    Tap({710, 379});
    screen = control.Screenshot(error);
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->At(left + 339 + 1, top + 191 + 32), thumb[32 * thumb_width + 4 + 1]) << "the thumb on page 3";
    EXPECT_NE(screen->At(left + 339 + 1, top + 190), thumb[32 * thumb_width + 4 + 1]) << "and not above it";
}

TEST_F(FileShelfDevice, AFolderGoneBeforeItOpensShowsAnEmptyListWithOnlyTheWayUp) {
    StartFromPlayer();
    Tap(FileRow(0));
    Tap(kOpen);
    Tap(FileRow(0));  // 음악
    fs::remove_all(Host("STORAGE CARD/" + kMusic));
    Tap(kOpen);
    EXPECT_TRUE(WaitUntil([&] { return Log("FILESHELF.EXE").find(" is no folder\n") != std::string::npos; }, 2s))
        << Log("FILESHELF.EXE");
    EXPECT_TRUE(Shows(136, 711, 412, 0)) << "going up still acts";
    EXPECT_TRUE(Shows(147, 447, 412, 1)) << "nothing to check";
    EXPECT_TRUE(Shows(135, 623, 412, 1)) << "nothing to open";
    Tap(kGoUp);  // the card, which holds no music now
    EXPECT_TRUE(Shows(135, 623, 412, 1));
    Tap(kGoUp);  // the top level, its first row a folder again
    EXPECT_TRUE(Shows(135, 623, 412, 0));
}

TEST_F(FileShelfDevice, AListThatCannotBeWrittenKeepsTheOldOneAndThePlayerStartsFromTheTop) {
    const std::string old_list = "#EXTM3U\r\n#EXTINF:0\r\n\\STORAGE CARD\\readme.txt\r\n";
    std::ofstream(Host("NAND/MUSICLIST.M3U"), std::ios::binary) << old_list;
    // The new list is written beside the old one first; a folder in that place stops it.
    fs::create_directories(Host("NAND/MUSICLIST.M3U.new"));
    StartFromPlayer();
    Tap(kClear);
    Tap(kConfirm);
    ASSERT_TRUE(PlayerWasTold("0 1")) << Log("LISTPLAYER.EXE");
    EXPECT_TRUE(EndsWithin2s());
    EXPECT_EQ(Read("NAND/MUSICLIST.M3U"), old_list);
    EXPECT_NE(Log("FILESHELF.EXE").find("the old list stays"), std::string::npos) << Log("FILESHELF.EXE");
}

TEST_F(FileShelfDevice, NumberedNamesGoByTheirNumbersWhenTheSuiteAsksForIt) {
    for (const char* name : {"Track 2.mp3", "Track 10.mp3", "Track 1.mp3"}) Touch(std::string("STORAGE CARD/Tracks/") + name);
    auto added = [&](const char* natural) {
        EXPECT_EQ(control.RegistrySet("HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP", "NaturalSort", natural), 0u);
        StartFromPlayer();
        Tap(FileRow(0));
        Tap(kOpen);
        Tap(FileRow(0));  // "Tracks", after "readme.txt" is left out and before 음악
        Tap(kOpen);
        Tap(kCheckAll);
        Tap(kAdd);  // the checked rows in the list's order
        Tap(kConfirm);
        EXPECT_TRUE(PlayerWasTold("0 0"));
        EXPECT_TRUE(EndsWithin2s());
        EXPECT_EQ(control.Close("APP_MUSIC"), 0u);
        // The tracks' numbers in the written order.
        const std::string list = Read("NAND/MUSICLIST.M3U");
        std::string numbers;
        for (std::size_t at = list.find("Track "); at != std::string::npos; at = list.find("Track ", at + 1))
            numbers += list.substr(at + 6, list.find('.', at) - at - 6) + " ";
        fs::remove(Host("NAND/MUSICLIST.M3U"));
        return numbers;
    };
    EXPECT_EQ(added("0"), "1 10 2 ");
    EXPECT_EQ(added("1"), "1 2 10 ");
}

TEST_F(FileShelfDevice, AddWithSubfoldersTakesEveryLevelDepthFirst) {
    for (const char* name : {"Road/b.mp3", "Road/Inner/c.mp3", "Road/Inner/Deeper/d.mp3", "Road/a.mp3", "Road/e.mp4"})
        Touch(std::string("STORAGE CARD/") + name);
    StartFromPlayer();
    EXPECT_TRUE(Shows(149, 361, 88, 1)) << "nothing checked yet";
    Tap(FileRow(0));
    Tap(kOpen);
    Tap(FileRow(0));  // "Road", before 음악
    EXPECT_TRUE(Shows(149, 361, 88, 0));
    Tap({398, 121});
    Tap(kConfirm);
    ASSERT_TRUE(PlayerWasTold("0 0"));
    const std::string road = "\\STORAGE CARD\\Road\\";
    EXPECT_EQ(Read("NAND/MUSICLIST.M3U"), "#EXTM3U\r\n"
                                          "#EXTINF:0\r\n" + road + "Inner\\Deeper\\d.mp3\r\n"
                                          "#EXTINF:0\r\n" + road + "Inner\\c.mp3\r\n"
                                          "#EXTINF:0\r\n" + road + "a.mp3\r\n"
                                          "#EXTINF:0\r\n" + road + "b.mp3\r\n");
}

}  // namespace
