// The firmware update, the system information screen and the device scan box, through
// HomeDeck on a real device server: packs on the storage card, the flash disk and \NAND read
// back, and the screen's texts taken from the text trace.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "homedeck/update_pack.h"
#include "platform/testing/temporary_device.h"
#include "tools/devicectl/device_control.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using devicectl::DeviceControl;
using homedeck::PackPart;
using platform::testing::StandIn;
using platform::testing::TemporaryDevice;
using Bytes = std::vector<std::uint8_t>;

constexpr auto kHang = 20s;  // bounds a wait that only a hang would exhaust
constexpr std::size_t kSector = 512;

const std::string kDone = "업데이트가 완료되었습니다.";
const std::string kFailed = "업데이트에 실패했습니다. 업데이트 파일은 카드에 남아 있습니다.";
const std::string kCut = "지난 업데이트가 중단되었습니다. 다시 업데이트해 주십시오.";

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

Bytes ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const fs::path& path, const Bytes& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

Bytes Pattern(std::size_t size, std::uint8_t seed)
{
    Bytes bytes(size);
    std::uint32_t x = 2463534242u + seed;
    for (auto& byte : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        byte = static_cast<std::uint8_t>(x);
    }
    return bytes;
}

// A disk image: its length stamped at byte 28, as the logo's place is read from there.
Bytes Image(std::size_t size, std::uint8_t seed)
{
    Bytes image = Pattern(size, seed);
    homedeck::WriteLittleEndian32(image.data() + 28, static_cast<std::uint32_t>(size));
    return image;
}

class FirmwareUpdateDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(device.InstallWithResources(HOMEDECK_BINARY, "HOMEDECK.EXE", HOMEDECK_RESOURCES));
        fs::create_directories(Card());
        // Programs of an older release, to be replaced: the program double with a few bytes
        // more, which tell it from the new one and change nothing in how it runs.
        for (const char* name : {"MUSIC.EXE", "SATSCOPE.EXE", "TELECAST.EXE"}) {
            ASSERT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, std::string("\\NAND\\") + name));
            std::ofstream(Nand() / name, std::ios::binary | std::ios::app) << "old release";
        }
    }

    fs::path Nand() const { return device.Root() / "fs" / "NAND"; }
    fs::path Card() const { return device.Root() / "fs" / "STORAGE CARD"; }
    fs::path Update() const { return Card() / "UPDATE"; }
    fs::path State() const { return device.Root() / "state"; }

    void Boot(const std::string& extra_conf = {}, int board_status = 16)
    {
        std::ofstream(device.Root() / "device.conf", std::ios::app)
            << "board_status = " << board_status << "\naudio = fake\ntrace_text = 1\nflash_sectors = " << flash_sectors << "\n"
            << extra_conf;
        ASSERT_TRUE(device.StartServer());
        StartHomeDeck();
    }
    void StartHomeDeck()
    {
        DWORD error = 0;
        ASSERT_TRUE(control.Start("\\NAND\\HOMEDECK.EXE", "", error)) << error;
        ASSERT_NE(control.WaitWindow("APP_HOMEDECK", kHang), 0u);
    }

    std::string HomeDeckLog() const { return device.Log("HOMEDECK.EXE"); }
    // HomeDeck's log from `from` on, once `text` is in it.
    bool LogShows(const std::string& text, std::size_t from = 0, std::chrono::milliseconds timeout = kHang) const
    {
        return Eventually([&] { const auto log = HomeDeckLog(); return log.size() > from && log.find(text, from) != std::string::npos; }, timeout);
    }
    static std::string Traced(int left, int top, int right, int bottom, const std::string& text)
    {
        return "DrawText " + std::to_string(left) + "," + std::to_string(top) + "," + std::to_string(right) + "," +
               std::to_string(bottom) + " \"" + text + "\"";
    }

    // Settings, then the information screen, whose texts are drawn last.
    void OpenInformation()
    {
        const std::size_t from = HomeDeckLog().size();
        // The settings menu is up once the main menu's navigation button has left the screen.
        // HomeDeck paints nothing until its storage check has passed: the screen is black till then.
        DWORD error = 0;
        std::uint32_t navigation = 0;
        ASSERT_TRUE(Eventually([&] {
            const auto screen = control.Screenshot(error);
            navigation = screen ? screen->At(100, 280) : 0;
            return navigation != 0 && navigation != DeviceControl::Screen::kNoPixel;
        })) << "the main menu did not show";
        ASSERT_EQ(control.Tap(609 + 61, 206 + 77), 0u);
        ASSERT_TRUE(Eventually([&] {
            const auto screen = control.Screenshot(error);
            return screen && screen->At(100, 280) != navigation;
        }));
        ASSERT_EQ(control.Tap(485 + 87, 206 + 77), 0u);
        ASSERT_TRUE(LogShows("\"MODEL: ZR4\"", from)) << HomeDeckLog() << device.Log("server");
    }

    // Taps Update and waits for the outcome's line on the screen; the log of this run.
    std::string RunUpdate()
    {
        const std::size_t from = HomeDeckLog().size();
        EXPECT_EQ(control.Tap(677 + 46, 426 + 24), 0u);
        EXPECT_TRUE(LogShows("HomeDeck: update ", from)) << HomeDeckLog();
        EXPECT_TRUE(LogShows("DrawText 164,44,620,80", from)) << HomeDeckLog();
        return HomeDeckLog().substr(from);
    }

    // The flash disk's bytes up to its last written one: a disk not made yet reads as empty.
    Bytes Flash() const
    {
        Bytes disk = ReadAll(State() / "flash.img");
        while (!disk.empty() && disk.back() == 0)
            disk.pop_back();
        return disk;
    }
    Bytes Sectors(const Bytes& disk, std::size_t first, std::size_t count) const
    {
        if (disk.size() < (first + count) * kSector) {
            Bytes padded = disk;
            padded.resize((first + count) * kSector, 0);
            return Sectors(padded, first, count);
        }
        return Bytes(disk.begin() + static_cast<std::ptrdiff_t>(first * kSector),
                     disk.begin() + static_cast<std::ptrdiff_t>((first + count) * kSector));
    }
    void WritePack(const std::vector<PackPart>& parts)
    {
        const auto pack = homedeck::BuildPack(parts);
        ASSERT_TRUE(pack);
        WriteAll(Update() / "UPDATE.PACK", *pack);
    }

    std::uint32_t flash_sectors = 4096;  // 2 MB
    TemporaryDevice device;
    DeviceControl control{device.Root()};
};

TEST_F(FirmwareUpdateDevice, AGoodPackInstallsEveryPartAndTheLogoAndLeavesTheCardClean)
{
    const Bytes loader = Pattern(3000, 1);
    const Bytes image = Image(5 * kSector + 77, 2);  // an odd length: its last sector is padded
    const Bytes logo = Pattern(2 * kSector + 5, 3);
    const Bytes music = ReadAll(PROGRAM_DOUBLE_BINARY);
    const Bytes telecast = ReadAll(VERSIONED_DOUBLE_BINARY);
    WritePack({{homedeck::kPackBootLoader, loader},
               {homedeck::kPackDiskImage, image},
               {4, music},
               {12, music},
               {8, telecast},
               {2, Pattern(100, 9)}});
    WriteAll(Update() / "LOGO.BIN", logo);
    Boot();
    // Music and Telecast run: the update closes them before it writes.
    DWORD error = 0;
    ASSERT_TRUE(control.Start("\\NAND\\MUSIC.EXE", "", error));
    ASSERT_TRUE(control.Start("\\NAND\\TELECAST.EXE", "", error));
    ASSERT_NE(control.WaitWindow("APP_MUSIC", kHang), 0u);
    ASSERT_NE(control.WaitWindow("DMB_TELECAST", kHang), 0u);
    ASSERT_EQ(control.Foreground("APP_HOMEDECK"), 0u);
    OpenInformation();
    EXPECT_TRUE(LogShows(Traced(288, 202, 610, 230, "1.000"))) << "the old Telecast has no version record";

    const std::string log = RunUpdate();
    EXPECT_NE(log.find("HomeDeck: update done"), std::string::npos) << log;
    EXPECT_NE(log.find(Traced(164, 44, 620, 80, kDone)), std::string::npos) << log;
    EXPECT_NE(log.find(Traced(288, 202, 610, 230, "1.023")), std::string::npos) << "the new Telecast's version";
    EXPECT_FALSE(control.ProgramRunning("MUSIC.EXE"));
    EXPECT_FALSE(control.ProgramRunning("TELECAST.EXE"));
    EXPECT_EQ(log.find("still running"), std::string::npos) << log;

    // Progress only rises, to 100.
    int last = -1;
    for (std::size_t at = log.find("progress "); at != std::string::npos; at = log.find("progress ", at + 1)) {
        const int percent = std::stoi(log.substr(at + 9));
        EXPECT_GE(percent, last);
        last = percent;
    }
    EXPECT_EQ(last, 100);

    for (const auto& [name, bytes] : {std::pair{"MUSIC.EXE", music}, {"SATSCOPE.EXE", music}, {"TELECAST.EXE", telecast}}) {
        EXPECT_EQ(ReadAll(Nand() / name), bytes) << name;
        EXPECT_TRUE((fs::status(Nand() / name).permissions() & fs::perms::owner_exec) != fs::perms::none) << name;
    }
    const Bytes disk = Flash();
    Bytes padded_image = image;
    padded_image.resize(6 * kSector, 0);
    EXPECT_EQ(Sectors(disk, 8, 6), padded_image);
    Bytes padded_logo = logo;
    padded_logo.resize(3 * kSector, 0);
    EXPECT_EQ(Sectors(disk, 14, 3), padded_logo);
    Bytes marker(kSector, 0);
    marker[0] = 0xF0;
    EXPECT_EQ(Sectors(disk, 17, 1), marker);
    EXPECT_EQ(ReadAll(State() / "bootloader.img"), loader);
    EXPECT_FALSE(fs::exists(device.Root() / "fs" / "UPDATE.ROM"));
    EXPECT_FALSE(fs::exists(Nand() / "UPDATE.RUN"));
    EXPECT_FALSE(fs::exists(Update() / "UPDATE.PACK"));
    EXPECT_FALSE(fs::exists(Update() / "LOGO.BIN"));
    for (const auto& entry : fs::directory_iterator(Nand()))
        EXPECT_EQ(entry.path().filename().string().find("UPDATING_"), std::string::npos) << entry.path();

    // The new Music is the one that runs.
    const std::size_t music_log = device.Log("MUSIC.EXE").size();
    ASSERT_TRUE(control.Start("\\NAND\\MUSIC.EXE", "", error));
    EXPECT_TRUE(Eventually([&] { return device.Log("MUSIC.EXE").find("started", music_log) != std::string::npos; }));
}

TEST_F(FirmwareUpdateDevice, FactoryMarkerKeepsTheFilesAndPacksWithNothingToInstallStillFinish)
{
    const Bytes logo = Pattern(700, 4);
    WritePack({{2, Pattern(64, 5)}, {2, Pattern(8, 6)}});
    WriteAll(Update() / "LOGO.BIN", logo);
    WriteAll(Update() / "FACTORY.TXT", Bytes{'x'});
    // An installed image of three sectors: the logo goes after it, at sector 11.
    Bytes disk = Image(3 * kSector, 7);
    disk.insert(disk.begin(), 8 * kSector, 0);
    WriteAll(State() / "flash.img", disk);
    Boot();
    const Bytes nand_before = ReadAll(Nand() / "MUSIC.EXE");
    OpenInformation();

    std::string log = RunUpdate();
    EXPECT_NE(log.find(Traced(164, 44, 620, 80, kDone)), std::string::npos) << log;
    EXPECT_TRUE(fs::exists(Update() / "UPDATE.PACK"));
    EXPECT_TRUE(fs::exists(Update() / "LOGO.BIN"));
    EXPECT_EQ(ReadAll(Nand() / "MUSIC.EXE"), nand_before);
    Bytes padded_logo = logo;
    padded_logo.resize(2 * kSector, 0);
    EXPECT_EQ(Sectors(Flash(), 11, 2), padded_logo);
    EXPECT_EQ(Sectors(Flash(), 13, 1)[0], 0xF0) << "the marker after the logo";

    // Without the marker the same update cleans up after itself.
    fs::remove(Update() / "FACTORY.TXT");
    log = RunUpdate();
    EXPECT_NE(log.find(Traced(164, 44, 620, 80, kDone)), std::string::npos) << log;
    EXPECT_FALSE(fs::exists(Update() / "UPDATE.PACK"));
    EXPECT_FALSE(fs::exists(Update() / "LOGO.BIN"));

    // A pack that is not one: refused, the logo still goes on, both stay on the card.
    auto pack = *homedeck::BuildPack({{4, Pattern(64, 7)}});
    pack[0] = 'K', pack[1] = 'C', pack[2] = 'A', pack[3] = 'P';
    WriteAll(Update() / "UPDATE.PACK", pack);
    const Bytes second_logo = Pattern(300, 8);
    WriteAll(Update() / "LOGO.BIN", second_logo);
    log = RunUpdate();
    EXPECT_NE(log.find("Invalid pack image\n"), std::string::npos) << log;
    EXPECT_NE(log.find(Traced(164, 44, 620, 80, kFailed)), std::string::npos) << log;
    Bytes padded = second_logo;
    padded.resize(kSector, 0);
    EXPECT_EQ(Sectors(Flash(), 11, 1), padded);
    EXPECT_TRUE(fs::exists(Update() / "UPDATE.PACK"));
    EXPECT_TRUE(fs::exists(Update() / "LOGO.BIN"));
    EXPECT_EQ(ReadAll(Nand() / "MUSIC.EXE"), nand_before);
}

// Every way a pack can be bad: a line in the log, nothing written anywhere, the pack kept and
// the failure on the screen.
TEST_F(FirmwareUpdateDevice, ABadPackWritesNothingAndStaysOnTheCard)
{
    flash_sectors = 64;  // 32 KB: an image of 30 KB from sector 8 does not fit
    Boot();
    OpenInformation();
    const Bytes music = Pattern(4000, 10);
    const Bytes image = Image(3 * kSector, 11);
    const Bytes loader = Pattern(1000, 12);
    const Bytes good = *homedeck::BuildPack({{homedeck::kPackBootLoader, loader}, {homedeck::kPackDiskImage, image}, {4, music}});
    auto with_word = [&](std::size_t at, std::uint32_t value) {
        Bytes pack = good;
        homedeck::WriteLittleEndian32(pack.data() + at, value);
        return pack;
    };
    constexpr std::size_t kEntry1 = 12 + 16;  // the image's entry
    struct Case {
        const char* what;
        Bytes pack;
        const char* line;
    };
    const std::vector<Case> cases = {
        {"one bad checksum of three", with_word(kEntry1 + 4, 0x12345678), "CRC Error: 0x"},
        {"a count past the file", with_word(4, 0x10000001), "Invalid pack image"},
        {"a short table", Bytes(good.begin(), good.begin() + 12 + 16 + 7), "Invalid pack image"},
        {"data past the end", with_word(kEntry1 + 8, static_cast<std::uint32_t>(good.size())), "past the end"},
        {"offset + length overflowing", with_word(kEntry1 + 12, 0xFFFFFF00u), "past the end"},
        {"an empty boot loader", with_word(12 + 8, 0), "Empty boot loader"},
        {"an image past the disk", *homedeck::BuildPack({{homedeck::kPackDiskImage, Image(60 * kSector, 13)}}),
         "past the end of the disk"},
        {"an empty pack", Bytes{}, "Invalid pack image"},
    };
    for (const Case& bad : cases) {
        SCOPED_TRACE(bad.what);
        const Bytes nand = ReadAll(Nand() / "MUSIC.EXE");
        const Bytes disk = Flash();
        const Bytes boot = ReadAll(State() / "bootloader.img");
        WriteAll(Update() / "UPDATE.PACK", bad.pack);
        const std::string log = RunUpdate();
        EXPECT_NE(log.find(bad.line), std::string::npos) << log;
        EXPECT_NE(log.find(Traced(164, 44, 620, 80, kFailed)), std::string::npos) << log;
        EXPECT_EQ(ReadAll(Nand() / "MUSIC.EXE"), nand);
        EXPECT_EQ(Flash(), disk);
        EXPECT_EQ(ReadAll(State() / "bootloader.img"), boot);
        EXPECT_EQ(ReadAll(Update() / "UPDATE.PACK"), bad.pack);
    }
    // Pressed twice, or 1042 posted meanwhile: one update.
    WriteAll(Update() / "UPDATE.PACK", good);
    const std::size_t from = HomeDeckLog().size();
    ASSERT_EQ(control.Tap(677 + 46, 426 + 24), 0u);
    ASSERT_EQ(control.Post("APP_HOMEDECK", 0x0111 /* WM_COMMAND */, 1042, 0), 0u);
    ASSERT_TRUE(LogShows("HomeDeck: update ", from));
    std::this_thread::sleep_for(1500ms);
    const std::string log = HomeDeckLog().substr(from);
    std::size_t runs = 0;
    for (std::size_t at = log.find("File opened"); at != std::string::npos; at = log.find("File opened", at + 1))
        ++runs;
    EXPECT_EQ(runs, 1u) << log;
}

// The card pulled while the image is written: the update ends with every program file whole,
// nothing staged left, the pack there when the card comes back; HomeDeck starts again and a
// second run succeeds. The same after the power is cut during the file entries.
TEST_F(FirmwareUpdateDevice, ACardPulledOrAPowerCutMidwayLeavesEveryFileWholeAndASecondRunSucceeds)
{
    flash_sectors = 160 * 1024;  // 80 MB
    const Bytes image = Image(32u << 20, 20);
    const Bytes music = ReadAll(PROGRAM_DOUBLE_BINARY);
    const Bytes loader = Pattern(4096, 21);
    // Six program files after the image: the power goes after the first of them, with five
    // still to write.
    const Bytes other = Pattern(4u << 20, 22);
    WritePack({{homedeck::kPackBootLoader, loader}, {homedeck::kPackDiskImage, image}, {4, music}, {12, music},
               {5, other}, {6, other}, {9, other}, {10, other}});
    const Bytes pack = ReadAll(Update() / "UPDATE.PACK");
    const Bytes old_satscope = ReadAll(Nand() / "SATSCOPE.EXE");
    const Bytes old_music = ReadAll(Nand() / "MUSIC.EXE");
    Boot();
    OpenInformation();

    std::size_t from = HomeDeckLog().size();
    ASSERT_EQ(control.Tap(677 + 46, 426 + 24), 0u);
    ASSERT_TRUE(LogShows("progress 21", from)) << HomeDeckLog().substr(from);
    std::string error;
    ASSERT_TRUE(control.SetMediumInserted(DeviceControl::Medium::StorageCard, false, error)) << error;
    ASSERT_TRUE(LogShows("DrawText 164,44,620,80", from)) << HomeDeckLog().substr(from);
    std::string log = HomeDeckLog().substr(from);
    EXPECT_NE(log.find(Traced(164, 44, 620, 80, kFailed)), std::string::npos) << log;
    EXPECT_EQ(ReadAll(Nand() / "SATSCOPE.EXE"), old_satscope);
    EXPECT_EQ(ReadAll(State() / "bootloader.img"), loader) << "installed whole before the image";
    for (const auto& entry : fs::directory_iterator(Nand()))
        EXPECT_EQ(entry.path().filename().string().find("UPDATING_"), std::string::npos) << entry.path();
    EXPECT_FALSE(fs::exists(device.Root() / "fs" / "UPDATE.ROM"));
    ASSERT_TRUE(control.SetMediumInserted(DeviceControl::Medium::StorageCard, true, error)) << error;
    EXPECT_EQ(ReadAll(Update() / "UPDATE.PACK"), pack);

    // The power goes while the program files are written.
    from = HomeDeckLog().size();
    ASSERT_EQ(control.Tap(677 + 46, 426 + 24), 0u);
    ASSERT_TRUE(LogShows("progress 73", from)) << HomeDeckLog().substr(from);
    ASSERT_TRUE(control.PowerCut());
    for (const auto& [name, old] : {std::pair{"MUSIC.EXE", old_music}, {"SATSCOPE.EXE", old_satscope}}) {
        const Bytes file = ReadAll(Nand() / name);
        EXPECT_TRUE(file == music || file == old) << name << " is old or new, never cut";
    }

    // The device comes back: HomeDeck clears what was staged, and the update runs through.
    ASSERT_TRUE(device.StartServer());
    StartHomeDeck();
    for (const auto& entry : fs::directory_iterator(Nand()))
        EXPECT_EQ(entry.path().filename().string().find("UPDATING_"), std::string::npos) << entry.path();
    OpenInformation();
    EXPECT_TRUE(LogShows(Traced(164, 44, 620, 80, kCut))) << "the screen tells of the update cut short";
    EXPECT_FALSE(fs::exists(Nand() / "UPDATE.RUN"));
    log = RunUpdate();
    EXPECT_NE(log.find(Traced(164, 44, 620, 80, kDone)), std::string::npos) << log;
    EXPECT_EQ(ReadAll(Nand() / "SATSCOPE.EXE"), music);
    EXPECT_EQ(Sectors(Flash(), 8, 1), Bytes(image.begin(), image.begin() + kSector));
}

TEST_F(FirmwareUpdateDevice, TheInformationScreenShowsModelVersionsAndTheCardsSizesInOrder)
{
    WriteAll(Card() / "MUSIC" / "SONG.MP3", Bytes(300 * 1024, 1));
    Boot("storage_card_size = 2048000000\n");
    OpenInformation();
    const std::string log = HomeDeckLog();
    const std::vector<std::string> texts = {
        Traced(212, 154, 610, 230, "MODEL: ZR4"),
        Traced(212, 178, 610, 230, "OS:"),
        Traced(212, 202, 610, 230, "DMB:"),
        Traced(288, 178, 610, 230, "1.000"),  // no product version stored
        Traced(288, 202, 610, 230, "1.000"),  // a Telecast without a version record
        Traced(400, 178, 610, 230, "SYSTEM: 1.020"),
        Traced(212, 324, 610, 404, "전체용량:"),
        Traced(212, 348, 610, 404, "사용용량:"),
        Traced(212, 372, 610, 404, "남은용량:"),
        Traced(314, 324, 610, 404, "1.90GB"),
        Traced(314, 348, 610, 404, "300KB"),
        Traced(314, 372, 610, 404, "1.90GB"),
    };
    std::size_t at = log.rfind(texts.front());
    ASSERT_NE(at, std::string::npos) << log;
    for (const std::string& text : texts) {
        at = log.find(text, at);
        ASSERT_NE(at, std::string::npos) << "missing or out of order: " << text << "\n" << log;
    }
}

TEST_F(FirmwareUpdateDevice, WithoutACardTheSizesAreZeroAndTheScanBoxComesBackUntilTheCardIsIn)
{
    fs::remove_all(Card());
    Boot({}, 0);
    auto scan_box = [&]() -> std::optional<protocol::WindowInfo> {
        for (const auto& window : control.Windows())
            if (window.class_name == "CDeviceScanBox" && window.visible)
                return window;
        return std::nullopt;
    };
    ASSERT_TRUE(Eventually([&] { return scan_box().has_value(); })) << HomeDeckLog();
    const auto first = *scan_box();
    EXPECT_EQ(first.rect.left, 203);
    EXPECT_EQ(first.rect.top, 123);
    EXPECT_EQ(first.rect.right - first.rect.left, 394);
    EXPECT_EQ(first.rect.bottom - first.rect.top, 233);
    EXPECT_TRUE(first.topmost);
    const auto shown = std::chrono::steady_clock::now();

    // No card: the box stands its 10 seconds, then a new one follows the storage check's retries.
    ASSERT_TRUE(Eventually([&] { const auto box = scan_box(); return !box || box->hwnd != first.hwnd; }, 15s));
    const auto closed = std::chrono::steady_clock::now();
    EXPECT_GE(closed - shown, 9500ms);
    ASSERT_TRUE(Eventually([&] { const auto box = scan_box(); return box && box->hwnd != first.hwnd; }, 5s));
    EXPECT_LE(std::chrono::steady_clock::now() - closed, 3s);

    // The card goes in: the box is gone at its next tick and no other follows.
    fs::create_directories(Card());
    ASSERT_TRUE(Eventually([&] { return !scan_box(); }, 1500ms));
    std::this_thread::sleep_for(2500ms);
    EXPECT_FALSE(scan_box());

    fs::remove_all(Card());
    OpenInformation();
    const std::string log = HomeDeckLog();
    for (int top : {324, 348, 372})
        EXPECT_NE(log.find(Traced(314, top, 610, 404, "0KB")), std::string::npos) << log;
}

TEST_F(FirmwareUpdateDevice, TheScanBoxStaysOutOfTheTopmostBandWhileExtviewRuns)
{
    fs::remove_all(Card());
    ASSERT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, "\\NAND\\EXTVIEW.EXE"));
    std::ofstream(device.Root() / "device.conf", std::ios::app) << "board_status = 0\naudio = fake\n";
    ASSERT_TRUE(device.StartServer());
    DWORD error = 0;
    ASSERT_TRUE(control.Start("\\NAND\\EXTVIEW.EXE", "", error)) << error;
    ASSERT_NE(control.WaitWindow("APP_EXTVIEW", kHang), 0u);
    StartHomeDeck();
    ASSERT_TRUE(Eventually([&] {
        for (const auto& window : control.Windows())
            if (window.class_name == "CDeviceScanBox" && window.visible)
                return true;
        return false;
    })) << HomeDeckLog();
    for (const auto& window : control.Windows()) {
        if (window.class_name == "CDeviceScanBox") {
            EXPECT_FALSE(window.topmost);
        }
    }
}

}  // namespace
