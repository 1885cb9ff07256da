// The device's audio output in each device.conf mode, heard through the capture file: what it
// holds, how loud, and how the wave-out volume set from outside the program reaches it.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cctype>
#include <cstring>

#include "platform/device_root.h"
#include "platform/media/audio_output.h"
#include "platform/testing/media_clips.h"
#include "platform/testing/temporary_device.h"
#include "playback_fixture.h"
#include "wave_reader.h"
#include "tools/devicectl/device_control.h"

namespace platform::testing {
namespace {

// A 1 kHz sine at half of full scale, the same on both channels.
constexpr ClipRecipe kSineClip = {"sine1k.wav",
                                  "audiotestsrc wave=sine freq=1000 volume=0.5 samplesperbuffer=4410 num-buffers=60 "
                                  "! audio/x-raw,format=S16LE,rate=44100,channels=2 ! wavenc ! filesink"};

class SineClipEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        std::string failed;
        ASSERT_TRUE(MakeClips(kClipDir, std::span(&kSineClip, 1), failed)) << failed;
    }
};
const auto* const kSineClipEnvironment = ::testing::AddGlobalTestEnvironment(new SineClipEnvironment);

// A device whose server runs with the given audio mode, and graphs made as a program makes
// them.
class AudioOutput : public ::testing::Test {
protected:
    void StartDevice(const std::string& mode)
    {
        std::ofstream(m_device.Root() / "device.conf") << "audio = " << mode << "\n";
        ReloadConfig();
        ASSERT_TRUE(m_device.StartServer());
        const fs::path clip = m_device.Root() / "fs" / "NAND" / kSineClip.file;
        fs::copy_file(kClipDir / kSineClip.file, clip);
    }
    Graph RenderedSine()
    {
        Graph graph = MakeGraph();
        EXPECT_EQ(graph.builder->RenderFile(std::string("\\NAND\\") + kSineClip.file, nullptr), S_OK);
        return graph;
    }
    fs::path AudioFolder() const { return m_device.Root() / "state" / "audio"; }
    // The capture files the device holds.
    std::vector<fs::path> Captures() const
    {
        std::vector<fs::path> files;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(AudioFolder(), error)) files.push_back(entry.path());
        return files;
    }
    static double Position(const Graph& graph)
    {
        REFTIME seconds = -1;
        EXPECT_EQ(graph.position->get_CurrentPosition(&seconds), S_OK);
        return seconds;
    }
    static void Settle(const Graph& graph)
    {
        OAFilterState state = -1;
        EXPECT_EQ(graph.control->GetState(10000, &state), S_OK) << "the graph did not settle in 10 s";
    }
    double SourceLevelDb() const { return ReadWave(kClipDir / kSineClip.file).LevelDb(0, 0.1, 1.0); }

    TemporaryDevice m_device;
    ComScope m_com;
};

TEST_F(AudioOutput, CaptureHoldsWhatWasPlayedAtTheSourceLevel)
{
    StartDevice("capture");
    double played = 0;
    {
        Graph graph = RenderedSine();
        const auto started = Clock::now();
        ASSERT_EQ(graph.control->Run(), S_OK);
        std::this_thread::sleep_for(2s);
        ASSERT_EQ(graph.control->Pause(), S_OK);
        played = SecondsSince(started);
        Settle(graph);
    }
    const std::vector<fs::path> captures = Captures();
    ASSERT_EQ(captures.size(), 1u);
    const std::string name = captures[0].filename().string();
    const std::string prefix = ProgramName() + "-";
    EXPECT_TRUE(name.starts_with(prefix) && name.ends_with(".wav") &&
                std::all_of(name.begin() + prefix.size(), name.end() - 4, [](char c) { return std::isdigit(c); }))
        << name;
    const WaveFile capture = ReadWave(captures[0]);
    ASSERT_TRUE(capture.valid) << "not a 16-bit PCM WAV file";
    EXPECT_EQ(capture.rate, 44100);
    EXPECT_EQ(capture.channels, 2);
    EXPECT_NEAR(capture.Seconds(), played, 0.15);
    for (int channel : {0, 1}) EXPECT_NEAR(capture.LevelDb(channel, 0.2, 1.8), SourceLevelDb(), 0.3) << channel;
}

TEST_F(AudioOutput, EachGraphVolumeIsHeardAtItsLevel)
{
    StartDevice("capture");
    Graph graph = RenderedSine();
    const double source = SourceLevelDb();
    const LONG volumes[] = {-10000, -5600, -4500, -3350, -2800, -2200, -1750, -1300, -800, -500, 0};
    struct Played {
        LONG volume;
        std::uintmax_t from;
        std::uintmax_t to;
    };
    std::vector<Played> segments;
    const auto captured_bytes = [&] {
        const std::vector<fs::path> captures = Captures();
        return captures.empty() ? std::uintmax_t{0} : fs::file_size(captures[0]) - 44;
    };
    for (LONG volume : volumes) {
        ASSERT_EQ(graph.audio->put_Volume(volume), S_OK);
        // Samples already past the volume were scaled before; a seek sends fresh ones.
        ASSERT_EQ(graph.control->Pause(), S_OK);
        ASSERT_EQ(graph.position->put_CurrentPosition(1.0), S_OK);
        Settle(graph);
        const std::uintmax_t from = captured_bytes();
        ASSERT_EQ(graph.control->Run(), S_OK);
        std::this_thread::sleep_for(250ms);
        ASSERT_EQ(graph.control->Pause(), S_OK);
        Settle(graph);
        segments.push_back({volume, from, captured_bytes()});
    }
    ASSERT_EQ(Captures().size(), 1u);
    const WaveFile capture = ReadWave(Captures()[0]);
    ASSERT_TRUE(capture.valid);
    const double bytes_a_second = capture.rate * capture.channels * 2.0;
    for (const Played& segment : segments) {
        SCOPED_TRACE(segment.volume);
        // The edges of each stretch are left out: a block may straddle the pause.
        const double from = segment.from / bytes_a_second + 0.03;
        const double to = segment.to / bytes_a_second - 0.03;
        ASSERT_GT(to - from, 0.1) << "too little was played";
        for (int channel : {0, 1}) {
            if (segment.volume == -10000) EXPECT_EQ(capture.Peak(channel, from, to), 0) << "not silent";
            else EXPECT_NEAR(capture.LevelDb(channel, from, to), source + segment.volume / 100.0, 0.3);
        }
    }
}

TEST_F(AudioOutput, WaveOutSilencingOneChannelSilencesExactlyThatChannelAtOnce)
{
    StartDevice("capture");
    devicectl::DeviceControl control(m_device.Root());
    DWORD error = 0;
    // Right at half before the graph is made: heard so from the first block on.
    ASSERT_EQ(control.WaveOut(0x7FFFFFFFu, error), 0x7FFFFFFFu);
    double changed_at = 0;
    {
        Graph graph = RenderedSine();
        ASSERT_EQ(graph.control->Run(), S_OK);
        std::this_thread::sleep_for(800ms);
        changed_at = Position(graph);
        ASSERT_EQ(control.WaveOut(0x0000FFFFu, error), 0x0000FFFFu) << "right channel off";
        std::this_thread::sleep_for(600ms);
        ASSERT_EQ(graph.control->Pause(), S_OK);
        Settle(graph);
    }
    ASSERT_EQ(Captures().size(), 1u);
    const WaveFile capture = ReadWave(Captures()[0]);
    ASSERT_TRUE(capture.valid);
    ASSERT_GT(capture.Seconds(), changed_at + 0.3);
    // The capture started at the clip's start, so its time is the clip's.
    constexpr double kBlock = 0.01;
    double silent_from = capture.Seconds();
    while (silent_from - kBlock > 0 && capture.Peak(1, silent_from - kBlock, silent_from) == 0) silent_from -= kBlock;
    EXPECT_LE(silent_from - changed_at, 0.05) << "the change was heard late";
    EXPECT_GE(silent_from - changed_at, -0.02) << "silent before the change";
    EXPECT_NEAR(capture.LevelDb(0, silent_from, capture.Seconds()), SourceLevelDb(), 0.3) << "the left channel";
    EXPECT_NEAR(capture.LevelDb(0, 0.02, changed_at - 0.05), SourceLevelDb(), 0.3);
    EXPECT_NEAR(capture.LevelDb(1, 0.02, changed_at - 0.05), SourceLevelDb() + 20 * std::log10(0x7FFF / 65535.0), 0.3);
}

TEST_F(AudioOutput, FakeOutputKeepsWallClockPaceAndKeepsNothing)
{
    StartDevice("fake");
    Graph graph = RenderedSine();
    const auto started = Clock::now();
    ASSERT_EQ(graph.control->Run(), S_OK);
    std::this_thread::sleep_for(1500ms);
    EXPECT_NEAR(Position(graph), SecondsSince(started), 0.15);
    EXPECT_TRUE(Captures().empty());
}

// Whether this machine has an output of its own, as the system's default output finds it.
bool SystemHasSound()
{
    gst_init(nullptr, nullptr);
    GstElement* sink = gst_element_factory_make("autoaudiosink", nullptr);
    if (!sink) return false;
    gst_object_ref_sink(sink);
    bool real = false;
    if (gst_element_set_state(sink, GST_STATE_READY) == GST_STATE_CHANGE_SUCCESS) {
        GstIterator* children = gst_bin_iterate_elements(GST_BIN(sink));
        GValue item = G_VALUE_INIT;
        while (gst_iterator_next(children, &item) == GST_ITERATOR_OK) {
            GstElementFactory* factory = gst_element_get_factory(GST_ELEMENT(g_value_get_object(&item)));
            real = factory && !g_str_has_prefix(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)), "fake");
            g_value_reset(&item);
        }
        g_value_unset(&item);
        gst_iterator_free(children);
    }
    gst_element_set_state(sink, GST_STATE_NULL);
    gst_object_unref(sink);
    return real;
}

TEST_F(AudioOutput, AutoWithoutASoundCardPlaysWithoutSoundAndSaysSoOnce)
{
    if (SystemHasSound()) GTEST_SKIP() << "this machine has a sound output";
    StartDevice("auto");
    Graph graph = RenderedSine();
    const auto started = Clock::now();
    ASSERT_EQ(graph.control->Run(), S_OK);
    std::this_thread::sleep_for(1s);
    EXPECT_NEAR(Position(graph), SecondsSince(started), 0.15);
    const std::vector<std::string> lines = m_device.LogLines(ProgramName());
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.find("no usable output") != std::string::npos; }),
              1);
}

TEST(AudioOutputMode, DeviceConfNamesAModeInAnyCase)
{
    using media::AudioOutputMode;
    EXPECT_EQ(media::AudioOutputModeOf("auto"), AudioOutputMode::Auto);
    EXPECT_EQ(media::AudioOutputModeOf("FAKE"), AudioOutputMode::Fake);
    EXPECT_EQ(media::AudioOutputModeOf("Capture"), AudioOutputMode::Capture);
    EXPECT_EQ(media::AudioOutputModeOf("captures"), std::nullopt);
    EXPECT_EQ(media::AudioOutputModeOf(""), std::nullopt);
}

}  // namespace
}  // namespace platform::testing
