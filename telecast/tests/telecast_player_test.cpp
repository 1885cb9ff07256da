// Telecast's player on a real device: its graph of the vendor's T-DMB filters in each layout,
// tuned through the server's receiver, playing the broadcast clips.
#include "telecast/telecast_player.h"
#include "telecast/directshow_priorities.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/device_root.h"
#include "platform/media/com_runtime.h"
#include "platform/media/filter_interfaces.h"
#include "platform/media/media_classes.h"
#include "platform/registry/registry.h"
#include "platform/testing/temporary_device.h"
#include "telecast/tests/broadcast_band.h"
#include "tools/devicectl/device_control.h"

namespace telecast {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using platform::testing::TemporaryDevice;
using platform::testing::WaitUntil;

// One ensemble at 175280 kHz: a TV service whose audio is BSAC, one whose audio is HE-AAC, and a
// radio service with a slide and two labels.
test_band::Band PlayerBand()
{
    return std::move(test_band::Band(20, 20)
                         .Ensemble(175280, "0x7A01")
                         .Tv("TV One", "0x101", 1)
                         .Tv("TV Two", "0x102", 2, "audio = he-aac\n")
                         .Radio("Radio", "0x201", 3,
                                "slide = " + test_band::Clip("slide.jpg").string() +
                                    "\ndynamic_label = First label\ndynamic_label = 두 번째\ndynamic_label_seconds = 1\n"));
}

ChannelRecord Record(std::uint32_t service_id, std::int32_t sub_channel, std::int32_t type, std::uint8_t coding)
{
    ChannelRecord record;
    record.frequency = 175280;
    record.service_id = service_id;
    record.sub_channel_id = sub_channel;
    record.service_type = type;
    record.audio_coding = coding;
    record.audio_a = type == kTvService ? 2 : 0;
    record.audio_b = type == kTvService ? 48000 : 0;
    return record;
}

class TelecastGraph : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test_band::MakeBroadcastClips(); }
    void SetUp() override
    {
        test_band::InstallDefaultPicture(m_device);
        PlayerBand().WriteTo(m_device);
        platform::ReloadConfig();
        ASSERT_TRUE(m_device.StartServer());
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        ASSERT_EQ(platform::RegisterMediaClasses(), S_OK);
        ASSERT_TRUE(m_player.CreateGraph());
    }
    void TearDown() override
    {
        m_player.Teardown();
        CoUninitialize();
    }

    int FilterCount()
    {
        Held<IEnumFilters> filters;
        int count = 0;
        if (FAILED(m_player.Helper().Graph()->EnumFilters(filters.Out()))) return -1;
        for (;;) {
            Held<IBaseFilter> filter;
            ULONG fetched = 0;
            if (filters->Next(1, filter.Out(), &fetched) != S_OK) return count;
            ++count;
        }
    }
    bool HasFilter(const char* name)
    {
        Held<IBaseFilter> filter;
        return SUCCEEDED(m_player.Helper().Graph()->FindFilterByName(name, filter.Out()));
    }
    // Tunes the record as the player thread does: region, frequency, service, and reads both back.
    bool Tune(const ChannelRecord& record)
    {
        DWORD region[3] = {0, 82, 0};
        DWORD frequency[2] = {0, static_cast<DWORD>(record.frequency)};
        DWORD service[3] = {0, record.service_id, static_cast<DWORD>(record.sub_channel_id)};
        DWORD current[3] = {};
        return m_player.TunerSet(kTunerRegion, region) && m_player.TunerSet(kTunerFrequency, frequency) &&
               m_player.TunerSet(kTunerService, service) && m_player.TunerGet(kTunerCurrentFrequency, current) &&
               current[1] == 175280;
    }
    std::uint64_t Frames()
    {
        const auto overlay = m_control.Overlay();
        return overlay && overlay->open ? overlay->frames : 0;
    }

    TemporaryDevice m_device;
    devicectl::DeviceControl m_control{m_device.Root()};
    TelecastPlayer m_player;
};

TEST_F(TelecastGraph, EachLayoutHoldsItsFiltersAndConnectsOnlyRadioAndTv)
{
    ASSERT_TRUE(m_player.Build(0));
    EXPECT_EQ(FilterCount(), 1);
    EXPECT_TRUE(HasFilter("TCC TELECASTTune"));
    EXPECT_FALSE(m_player.Connect());
    EXPECT_EQ(m_player.Status(), kStatusBadLayout) << "the tuner alone has nothing to connect";

    ASSERT_TRUE(m_player.Build(2));
    EXPECT_EQ(FilterCount(), 7);
    for (const char* name : {"Tcc DMB System Parser", "TCC H264Dec Filter", "TCC BSACDec Filter", "TCC EAACPLUSDec Filter",
                             "TCC Video Renderer", "Audio Renderer"})
        EXPECT_TRUE(HasFilter(name)) << name;
    ASSERT_TRUE(m_player.Connect()) << std::hex << m_player.Status();
    EXPECT_TRUE(m_player.Connected());

    // A new layout takes the old one down first, whatever the graph put between its pins.
    ASSERT_TRUE(m_player.Build(1));
    EXPECT_FALSE(m_player.Connected());
    EXPECT_EQ(FilterCount(), 6);
    EXPECT_FALSE(HasFilter("Tcc DMB System Parser"));
    ASSERT_TRUE(m_player.Connect()) << std::hex << m_player.Status();

    EXPECT_FALSE(m_player.Build(5));
    EXPECT_EQ(m_player.Status(), kStatusBadLayout);
    EXPECT_EQ(FilterCount(), 0);

    m_player.Teardown();
    EXPECT_FALSE(m_player.HasGraph());
    EXPECT_FALSE(m_player.Build(2));
    EXPECT_EQ(m_player.Status(), kStatusNoGraph);
}

TEST_F(TelecastGraph, ATvServicePlaysInTheLayoutsRectangleAndStopsHidden)
{
    ASSERT_TRUE(m_player.Build(2));
    ASSERT_TRUE(m_player.Connect());
    const RECT box = {0, 32, 579, 410};
    ASSERT_TRUE(m_player.SetVideoRect(&box));
    ASSERT_TRUE(m_player.Configure(Record(0x101, 1, kTvService, kBsacAudioCoding)));
    ASSERT_TRUE(Tune(Record(0x101, 1, kTvService, kBsacAudioCoding)));
    ASSERT_TRUE(m_player.Play());
    EXPECT_EQ(m_player.State(), kGraphRunning);
    ASSERT_TRUE(WaitUntil([&] { return Frames() >= 5; }, 15s)) << "the service's picture does not arrive";
    const auto overlay = m_control.Overlay();
    ASSERT_TRUE(overlay);
    // The 4:3 picture fills the box's height, centred across its width.
    EXPECT_EQ(overlay->destination.top, 32) << "the picture sits in the box, not above it";
    EXPECT_EQ(overlay->destination.bottom, 410);
    EXPECT_GE(overlay->destination.left, 0);
    EXPECT_LE(overlay->destination.right, 579);
    EXPECT_NEAR(overlay->destination.left + overlay->destination.right, 579, 1);

    ASSERT_TRUE(m_player.SetVolumeStep(7));
    int step = -1;
    ASSERT_TRUE(m_player.VolumeStep(step));
    EXPECT_EQ(step, 7);

    ASSERT_TRUE(m_player.StopPlayback());
    EXPECT_EQ(m_player.State(), kGraphStopped);
    EXPECT_FALSE(m_player.Running());

    // Another service of the ensemble, its audio through the other decoder; the picture comes
    // back with the run.
    ASSERT_TRUE(m_player.Configure(Record(0x102, 2, kTvService, 0)));
    ASSERT_TRUE(Tune(Record(0x102, 2, kTvService, 0)));
    const std::uint64_t before = Frames();
    ASSERT_TRUE(m_player.Play());
    EXPECT_TRUE(WaitUntil([&] { return Frames() >= before + 5; }, 15s)) << "no picture after the stop";
}

TEST_F(TelecastGraph, ARadioServiceHandsItsLabelsToTheMainWindow)
{
    ASSERT_TRUE(m_player.Build(1));
    ASSERT_TRUE(m_player.Connect());
    ASSERT_TRUE(m_player.SetVideoRect(nullptr));
    ASSERT_TRUE(m_player.Configure(Record(0x201, 3, kRadioService, 0)));
    EXPECT_TRUE(m_player.DynamicLabel().empty());
    ASSERT_TRUE(Tune(Record(0x201, 3, kRadioService, 0)));
    ASSERT_TRUE(m_player.Play());
    EXPECT_TRUE(WaitUntil([&] { return m_player.DynamicLabel() == u"First label"; }, 15s));
    EXPECT_TRUE(WaitUntil([&] { return m_player.DynamicLabel() == u"두 번째"; }, 15s)) << "a new label replaces it";
    EXPECT_TRUE(WaitUntil([&] { return Frames() >= 3; }, 15s)) << "the radio's pictures reach the renderer";

    // A label is kept once: the same text again changes nothing; one too long is cut.
    m_player.TakeDynamicLabel(u"두 번째");
    m_player.TakeDynamicLabel(std::u16string(400, u'x'));
    EXPECT_EQ(m_player.DynamicLabel().size(), kDynamicLabelChars - 1);
}

TEST_F(TelecastGraph, TheTunerAnswersWhatTheReceiverHoldsAndRefusesWhatIsNotOnAir)
{
    ASSERT_TRUE(m_player.Build(0));
    DWORD region[3] = {0, 82, 0};
    ASSERT_TRUE(m_player.TunerSet(kTunerRegion, region));
    DWORD indexes[3] = {};
    ASSERT_TRUE(m_player.TunerGet(kTunerIndexes, indexes));
    EXPECT_EQ(indexes[1], 0u);
    EXPECT_EQ(indexes[2], 21u);
    DWORD nothing[2] = {0, 177008};
    EXPECT_FALSE(m_player.TunerSet(kTunerFrequency, nothing));
    DWORD frequency[2] = {0, 175280};
    ASSERT_TRUE(m_player.TunerSet(kTunerFrequency, frequency));
    DWORD absent[3] = {0, 0x999, 1};
    EXPECT_FALSE(m_player.TunerSet(kTunerService, absent));
    DWORD signal[3] = {};
    ASSERT_TRUE(m_player.TunerGet(kTunerSignal, signal));
    EXPECT_EQ(signal[1], 100u);
    EXPECT_EQ(signal[2], 0u);
}

TEST(DirectShowPriorities, AreSetWhileTelecastRunsAndLeaveOnlyWhatWasTelecasts)
{
    TemporaryDevice device;
    ASSERT_TRUE(device.StartServer());
    const std::string key = std::string("HKEY_LOCAL_MACHINE\\") + kThreadPriorityKey;
    ASSERT_TRUE(SetDirectShowThreadPriorities());
    EXPECT_EQ(platform::RegReadDword(key, "Highest"), 247u);
    EXPECT_EQ(platform::RegReadDword(key, "AboveNormal"), 248u);
    EXPECT_EQ(platform::RegReadDword(key, "Normal"), 248u);
    EXPECT_EQ(platform::RegReadDword(key, "BelowNormal"), 248u);
    EXPECT_EQ(platform::RegReadDword(key, "Video"), 247u);

    // Another program's DirectShow setting keeps the key that holds it.
    const std::string directshow = std::string("HKEY_LOCAL_MACHINE\\") + kDirectShowKey;
    ASSERT_EQ(platform::RegWriteDword(directshow, "Other", 1), ERROR_SUCCESS);
    DeleteDirectShowThreadPriorities();
    EXPECT_FALSE(platform::RegReadDword(key, "Highest"));
    EXPECT_EQ(platform::RegReadDword(directshow, "Other"), 1u);

    HKEY opened = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kDirectShowKey, 0, KEY_ALL_ACCESS, &opened), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteValue(opened, "Other"), ERROR_SUCCESS);
    RegCloseKey(opened);
    ASSERT_TRUE(SetDirectShowThreadPriorities());
    DeleteDirectShowThreadPriorities();
    EXPECT_NE(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kDirectShowKey, 0, KEY_READ, &opened), ERROR_SUCCESS)
        << "nothing else in it: the DirectShow key goes too";
}

}  // namespace
}  // namespace telecast
