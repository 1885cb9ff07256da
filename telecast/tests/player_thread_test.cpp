// Telecast's player thread on a real device: scans the receiver's band into the table, tunes
// and retries, shows the no-signal picture at the fifth failure and plays on when the service
// comes back, and lets go when playing stops.
#include "telecast/player_thread.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <vector>

#include "platform/device_root.h"
#include "platform/kernel/kernel.h"
#include "platform/media/com_runtime.h"
#include "platform/media/media_classes.h"
#include "platform/testing/temporary_device.h"
#include "telecast/tests/broadcast_band.h"
#include "tools/devicectl/device_control.h"

namespace telecast {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using platform::testing::TemporaryDevice;
using platform::testing::WaitUntil;

// 175280 kHz: two TV services and a radio one; 181280 kHz: fourteen radio services, of which a
// scan takes ten.
test_band::Band ThreadBand(int dwell_ms = 10)
{
    return std::move(test_band::Band(dwell_ms, 10)
                         .Ensemble(175280, "1")
                         .Tv("TV One", "0x101", 1)
                         .Radio("Radio A", "0x201", 2)
                         .Tv("TV Two", "0x102", 3)
                         .Ensemble(181280, "2")
                         .ManyRadio(14, false));
}

// What the thread asked of the screen.
class RecordingHost final : public PlayerHost {
public:
    void ShowOverlay(int state) override { Keep([&] { overlays.push_back(state); }); }
    void ShowScanProgress(int percent, int, int) override { Keep([&] { progress.push_back(percent); }); }
    void AddScannedLine(const ChannelRecord& record) override { Keep([&] { lines.push_back(record.service_id); }); }
    void PlayStarted() override { Keep([&] { ++plays; }); }
    void ScanFinished() override { Keep([&] { ++finished; }); }
    void Touched() override { Keep([&] { ++touches; }); }

    template <class Read>
    auto Read_(Read read)
    {
        std::lock_guard lock(mutex);
        return read();
    }

    std::mutex mutex;
    std::vector<int> overlays;
    std::vector<int> progress;
    std::vector<std::uint32_t> lines;
    int plays = 0;
    int finished = 0;
    int touches = 0;

private:
    template <class Change>
    void Keep(Change change)
    {
        std::lock_guard lock(mutex);
        change();
    }
};

class PlayerThreadDevice : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test_band::MakeBroadcastClips(); }
    void SetUp() override
    {
        ThreadBand().WriteTo(m_device);
        platform::ReloadConfig();
        ASSERT_TRUE(m_device.StartServer());
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        ASSERT_EQ(platform::RegisterMediaClasses(), S_OK);
        ASSERT_TRUE(m_player.CreateGraph());
        ASSERT_TRUE(m_thread.Start());
    }
    void TearDown() override
    {
        m_thread.EnablePlaying(false);
        m_thread.SetPlayingState(kPlayingIdle);
        m_thread.Exit();
        m_player.Teardown();
        CoUninitialize();
    }

    // What Start scan does before it hands the scan to the thread.
    void StartScan(ListType shown)
    {
        ASSERT_TRUE(m_player.Build(0));
        m_thread.SetPlayingState(kPlayingScan);
        m_table.Clear();
        DWORD region[3] = {0, 82, 0};
        ASSERT_TRUE(m_player.TunerSet(kTunerRegion, region));
        DWORD indexes[3] = {};
        ASSERT_TRUE(m_player.TunerGet(kTunerIndexes, indexes));
        m_thread.RequestScan(indexes[1], indexes[2], shown);
    }
    void StartTv(const ChannelRecord& record)
    {
        ASSERT_TRUE(m_player.Build(2));
        ASSERT_TRUE(m_player.Connect());
        DWORD region[3] = {0, 82, 0};
        ASSERT_TRUE(m_player.TunerSet(kTunerRegion, region));
        ASSERT_TRUE(m_player.Configure(record));
        m_thread.EnablePlaying(true);
        m_thread.SetPlayingState(kPlayingOn);
        m_thread.RequestTune(record);
    }
    std::string Receiver(const std::string& command)
    {
        DWORD error = 0;
        return m_control.Receiver(command, error).value_or("no answer");
    }

    TemporaryDevice m_device;
    devicectl::DeviceControl m_control{m_device.Root()};
    TelecastPlayer m_player;
    ChannelTable m_table;
    RecordingHost m_host;
    PlayerThread m_thread{m_player, m_table, m_host};
};

TEST_F(PlayerThreadDevice, AScanFillsTheTableInScanOrderAndListsTheTypeShown)
{
    StartScan(ListType::Tv);
    ASSERT_TRUE(WaitUntil([&] { return m_host.Read_([&] { return m_host.finished; }) == 1; }, 20s));
    ASSERT_EQ(m_table.records.size(), 3u + 10u) << "fourteen services on one frequency add ten";
    EXPECT_EQ(m_table.records[0].service_id, 0x101u);
    EXPECT_EQ(m_table.records[1].service_id, 0x201u);
    EXPECT_EQ(m_table.records[3].service_id, 0x300u);
    EXPECT_EQ(m_table.records[12].service_id, 0x309u);
    EXPECT_EQ(m_table.records[0].audio_coding, kBsacAudioCoding);
    EXPECT_EQ(m_table.records[0].audio_b, 48000);
    EXPECT_EQ(m_table.records[0].frequency, 175280);
    EXPECT_EQ(std::string(m_table.records[0].name.data()), "TV One");
    EXPECT_EQ(m_host.Read_([&] { return m_host.lines; }), (std::vector<std::uint32_t>{0x101, 0x102}))
        << "only the TV list's lines";
    const std::vector<int> progress = m_host.Read_([&] { return m_host.progress; });
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), 4);
    EXPECT_EQ(progress.back(), 100);
    EXPECT_FALSE(m_thread.Busy());
}

TEST_F(PlayerThreadDevice, AScanStoppedHalfWayKeepsWhatItFoundAndLetsGo)
{
    // Long steps, so that the stop comes in the middle.
    ThreadBand(300).WriteTo(m_device);
    ASSERT_EQ(Receiver("reload"), "ok");
    StartScan(ListType::Radio);
    ASSERT_TRUE(WaitUntil([&] { return m_table.records.size() >= 3; }, 10s));
    m_thread.SetPlayingState(kPlayingIdle);
    ASSERT_TRUE(m_thread.WaitDone(10000)) << "the thread did not let go of the scan";
    EXPECT_EQ(m_host.Read_([&] { return m_host.finished; }), 0) << "a cancelled scan does not finish";
    EXPECT_FALSE(m_thread.Busy());
    EXPECT_GE(m_table.records.size(), 3u);
}

TEST_F(PlayerThreadDevice, ADroppedServiceShowsNoSignalAtTheFifthFailureAndPlaysWhenItIsBack)
{
    ChannelRecord record;
    record.frequency = 175280;
    record.service_id = 0x101;
    record.sub_channel_id = 1;
    record.service_type = kTvService;
    record.audio_coding = kBsacAudioCoding;
    record.audio_a = 2;
    record.audio_b = 48000;
    ASSERT_EQ(Receiver("drop 0x101"), "ok");
    StartTv(record);
    ASSERT_TRUE(WaitUntil([&] { return m_thread.Failures() >= 7; }, 20s)) << "the tune is not retried";
    EXPECT_EQ(m_host.Read_([&] { return m_host.overlays; }), std::vector<int>{kOverlayNoSignal})
        << "the no-signal picture once, at the fifth failure";
    EXPECT_EQ(m_host.Read_([&] { return m_host.plays; }), 0);

    ASSERT_EQ(Receiver("restore 0x101"), "ok");
    ASSERT_TRUE(WaitUntil([&] { return m_host.Read_([&] { return m_host.plays; }) == 1; }, 10s))
        << "the service back on air does not play";
    EXPECT_EQ(m_host.Read_([&] { return m_host.overlays.back(); }), kOverlayNone);
    EXPECT_EQ(m_player.State(), kGraphRunning);
    EXPECT_TRUE(m_thread.WaitDone(10000)) << "a played tune does not let a stop go on";
    EXPECT_FALSE(m_thread.Busy());

    // Stop playing: the thread holds no request; the done event is for the next stop.
    m_thread.EnablePlaying(false);
    {
        std::lock_guard lock(m_thread.Lock());
        m_player.StopPlayback();
    }
    EXPECT_EQ(m_player.State(), kGraphStopped);
}

TEST_F(PlayerThreadDevice, ATuneRequestedWhilePlayingIsOffLetsGoAtOnce)
{
    ChannelRecord record;
    record.frequency = 175280;
    record.service_id = 0x101;
    record.sub_channel_id = 1;
    record.service_type = kTvService;
    m_thread.EnablePlaying(false);
    m_thread.RequestTune(record);
    EXPECT_TRUE(m_thread.WaitDone(10000));
    EXPECT_EQ(m_host.Read_([&] { return m_host.plays; }), 0);

    // The touch panel's event reaches the host.
    HANDLE touch = CreateEvent(FALSE, FALSE, "KTOUCH_EVENT");
    ASSERT_TRUE(touch);
    SetEvent(touch);
    EXPECT_TRUE(WaitUntil([&] { return m_host.Read_([&] { return m_host.touches; }) == 1; }, 5s));
    CloseHandle(touch);
}

}  // namespace
}  // namespace telecast
