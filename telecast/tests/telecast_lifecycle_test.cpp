// Telecast's life on a real device server: where it starts playing from its scan file, how taps on
// the list restart the channel, a suspend in the middle of a scan and the resume after it, and the
// DirectShow thread priorities it holds while it runs.
#include <thread>

#include "framework/program_messages.h"
#include "platform/registry/registry.h"
#include "telecast/tests/telecast_device.h"

namespace telecast {
namespace {

namespace fs = std::filesystem;
using platform::testing::WaitUntil;
using namespace std::chrono_literals;

constexpr char kThreadPriorityKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\DirectShow\\ThreadPriority";

class TelecastLife : public TelecastDevice {
protected:
    // How many service tunes the receiver has been asked for.
    int Tunes()
    {
        const std::string state = Receiver();
        const auto at = state.find("tunes: ");
        return at == std::string::npos ? -1 : std::stoi(state.substr(at + 7));
    }
    // The two TV services, then ten of the radio services on the second frequency.
    static ChannelTable TwelveRecords()
    {
        ChannelTable table;
        table.Add(TvRecord(0x101, "TV One", 1));
        table.Add(TvRecord(0x102, "TV Two", 3));
        for (int i = 0; i < 10; ++i) {
            ChannelRecord radio;
            radio.frequency = 181280;
            radio.service_id = 0x300 + i;
            radio.name = NameBytes("R" + std::to_string(i));
            radio.sub_channel_id = i;
            radio.service_type = kRadioService;
            table.Add(radio);
        }
        return table;
    }
    void WriteScanFile(const ChannelTable& table)
    {
        fs::create_directories(Host("NAND"));
        std::ofstream(Host("NAND/TelecastScan.dat"), std::ios::binary) << FormatScanFile(table);
    }
    std::optional<DWORD> Priority(const char* name)
    {
        DWORD error = 0;
        const auto value = control.RegistryGet(kThreadPriorityKey, name, error);
        if (!value || value->type != REG_DWORD) return std::nullopt;
        return value->number;
    }
};

TEST_F(TelecastLife, StartsOnTheSelectedRecordOfTheStoredListType)
{
    ChannelTable table = TwelveRecords();
    table.list_type = ListType::Radio;
    table.selected_radio = 7;  // R5 on the second frequency
    table.selected_tv = 1;
    WriteScanFile(table);
    StartTelecast();
    EXPECT_TRUE(WaitUntil([&] { return Tuned("0x305"); }, kHang)) << Situation();
    EXPECT_EQ(Lines().size(), 10u) << "the radio tab is the one shown";
}

TEST_F(TelecastLife, TwoQuickTapsOnTheListRestartTheChannelOnceOnTheLastLine)
{
    // Both services' audio as stored, so that no audio change restarts the channel again.
    WriteTable(0);
    StartTelecast();
    ASSERT_TRUE(WaitUntil([&] { return Tuned("0x101") && Frames() > 0; }, kHang)) << Situation();
    const int before = Tunes();

    // Two releases on the list well inside the half second the restart waits.
    control.Post(kWindow, WM_USER + 100, 1017, 1);
    control.Post(kWindow, WM_USER + 100, 1017, 0);
    control.Post(kWindow, WM_USER + 100, 1017, 1);
    ASSERT_TRUE(WaitUntil([&] { return Tuned("0x102"); }, kHang)) << Situation();
    std::this_thread::sleep_for(1500ms);  // time for a second restart, were one coming
    EXPECT_EQ(Tunes(), before + 1) << "one restart for the last tap only";
    EXPECT_TRUE(Tuned("0x102"));
}

TEST_F(TelecastLife, ASuspendDuringAScanLeavesTheOldFileAndTheResumedScreenWorks)
{
    // Long scan steps, so that the suspend comes in the middle of the scan.
    DemoBand(200).WriteTo(device);
    WriteTable(kBsacAudioCoding);
    const std::string old_file = ScanFile();
    StartTelecast();
    ASSERT_TRUE(WaitUntil([&] { return Tuned("0x101"); }, kHang)) << Situation();

    // The scan button, tapped as a user would: again after a second without a scan step, as a
    // tap that came while the first tune's wait box was still up went to the box. The scan
    // disables the button, so a second tap cannot start a second scan.
    auto tapped = std::chrono::steady_clock::time_point{};
    ASSERT_TRUE(WaitUntil([&] {
        if (ScanSteps() >= 3) return true;
        if (ScanSteps() <= 0 && std::chrono::steady_clock::now() - tapped > 1s) {
            control.Tap(505 + 38, 411 + 34);
            tapped = std::chrono::steady_clock::now();
        }
        return false;
    }, kHang)) << Situation();
    DWORD error = 0;
    ASSERT_TRUE(control.Send(kWindow, WM_EXTVIEW_SUSPEND, 0, 0, error)) << error;
    EXPECT_FALSE(control.Overlay() && control.Overlay()->open) << "the suspended program lets go of the overlay";
    const int steps = ScanSteps();
    std::this_thread::sleep_for(1s);
    EXPECT_LE(ScanSteps(), steps + 1) << "the scan stops with the suspend";
    EXPECT_EQ(ScanFile(), old_file) << "a cut scan leaves the stored list alone";

    ASSERT_TRUE(control.Send(kWindow, WM_EXTVIEW_RESUME, 0, 0, error)) << error;
    EXPECT_TRUE(device.WaitForLog("TELECAST.EXE", "~~~~~~~~~OnExtviewResumeMainProc", kHang));
    // The buttons the scan disabled answer the pen again: a tapped scan runs to its end.
    ASSERT_EQ(control.Tap(505 + 38, 411 + 34), 0u);
    ASSERT_TRUE(WaitUntil([&] { return ScanFile() != old_file; }, 30s)) << Receiver();
    const ScanFileLoad load = ParseScanFile(ScanFile());
    ASSERT_EQ(load.status, LoadStatus::Loaded) << load.reason;
    EXPECT_EQ(load.table.records.size(), 13u);
}

TEST_F(TelecastLife, HoldsTheDirectShowThreadPrioritiesOnlyWhileItRuns)
{
    WriteTable(kBsacAudioCoding);
    StartTelecast();
    // The values are written one after another; "Video" is the last of them.
    ASSERT_TRUE(WaitUntil([&] { return Priority("Video").has_value(); }, kHang));
    EXPECT_EQ(Priority("Highest"), 247u);
    EXPECT_EQ(Priority("AboveNormal"), 248u);
    EXPECT_EQ(Priority("Normal"), 248u);
    EXPECT_EQ(Priority("BelowNormal"), 248u);
    EXPECT_EQ(Priority("Video"), 247u);

    ASSERT_EQ(control.Close(kWindow), 0u);
    ASSERT_TRUE(WaitUntil([&] { return control.FindWindowByName(kWindow) == 0; }, kHang));
    ASSERT_TRUE(WaitUntil([&] { return !control.ProgramRunning("TELECAST.EXE"); }, kHang)) << "Telecast did not end";
    EXPECT_FALSE(Priority("Highest").has_value()) << "the priorities leave with the program";
}

}  // namespace
}  // namespace telecast
