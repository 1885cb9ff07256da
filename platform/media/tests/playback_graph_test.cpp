// Playback of real files through the filter graph and GStreamer. The clips are made once per
// build by gst-launch-1.0 into the build tree; each test plays them from a device root of its
// own, at real-time pace into sinks that output nothing.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "graph_test_support.h"
#include "platform/files/tests/temp_device_root.h"
#include "platform/media/com_object.h"
#include "platform/media/filter_graph.h"
#include "platform/media/playback_sinks.h"
#include "platform/media/result_codes.h"

namespace platform::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const fs::path kClipDir = MEDIA_GRAPH_CLIP_DIR;
constexpr double kClipSeconds = 6.0;

// Six seconds each: 25 frames a second of 160x120 video, 44.1 kHz stereo tone.
struct ClipRecipe {
    const char* file;
    const char* pipeline;  // ends in a filesink whose location is appended
};
constexpr ClipRecipe kRecipes[] = {
    {"tone.wav", "audiotestsrc samplesperbuffer=4410 num-buffers=60 ! audio/x-raw,rate=44100,channels=2 ! wavenc "
                 "! filesink"},
    {"movie.ogg", "videotestsrc num-buffers=150 ! video/x-raw,width=160,height=120,framerate=25/1 ! theoraenc ! mux. "
                  "audiotestsrc samplesperbuffer=4410 num-buffers=60 ! audioconvert ! vorbisenc ! mux. "
                  "oggmux name=mux ! filesink"},
    {"silent.ogg", "videotestsrc num-buffers=150 ! video/x-raw,width=160,height=120,framerate=25/1 ! theoraenc "
                   "! oggmux ! filesink"},
};

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ClipEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        fs::create_directories(kClipDir);
        for (const ClipRecipe& recipe : kRecipes) {
            const fs::path clip = kClipDir / recipe.file;
            if (fs::exists(clip) && fs::file_size(clip) > 0) continue;
            // Made under another name and renamed, so a test binary stopped half-way never
            // leaves a half-written clip in the cache.
            const fs::path partial = clip.string() + ".partial";
            const std::string command = std::string("timeout 60 gst-launch-1.0 -q ") + recipe.pipeline + " location='" +
                                        partial.string() + "' >/dev/null 2>&1";
            ASSERT_EQ(std::system(command.c_str()), 0) << command;
            fs::rename(partial, clip);
        }
    }
};

const auto* const kClips = ::testing::AddGlobalTestEnvironment(new ClipEnvironment);

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

size_t EntriesIn(const char* directory)
{
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(directory)) ++count;
    return count;
}

class PlaybackGraph : public ::testing::Test {
protected:
    // Copies a clip into the device and gives its device path.
    std::string Place(const std::string& clip, const std::string& device_folder = "\\STORAGE CARD\\Music",
                      const std::string& device_name = {})
    {
        const std::string name = device_name.empty() ? clip : device_name;
        m_root.WriteHostFile(HostRelative(device_folder) + "/" + name, ReadFile(kClipDir / clip));
        return device_folder + "\\" + name;
    }
    void PlaceBytes(const std::string& device_path, const std::string& bytes)
    {
        m_root.WriteHostFile(HostRelative(device_path), bytes);
    }
    static std::string HostRelative(std::string device_path)
    {
        for (char& c : device_path) {
            if (c == '\\') c = '/';
        }
        return device_path.substr(1);
    }

    // A graph with the clip rendered and nothing run yet.
    Graph Rendered(const std::string& clip)
    {
        Graph graph = MakeGraph();
        EXPECT_EQ(graph.builder->RenderFile(Place(clip), nullptr), S_OK) << clip;
        return graph;
    }

    static double Position(const Graph& graph)
    {
        REFTIME seconds = -1;
        EXPECT_EQ(graph.position->get_CurrentPosition(&seconds), S_OK);
        return seconds;
    }
    static OAFilterState Settled(const Graph& graph)
    {
        OAFilterState state = -1;
        EXPECT_EQ(graph.control->GetState(2000, &state), S_OK) << "the graph did not settle in 2 s";
        return state;
    }

    TempDeviceRoot m_root;
    ComScope m_com;
};

std::vector<std::string> FilterNames(IGraphBuilder* graph)
{
    Held<IEnumFilters> walk;
    EXPECT_EQ(graph->EnumFilters(walk.Out()), S_OK);
    std::vector<std::string> names;
    IBaseFilter* filter = nullptr;
    while (walk->Next(1, &filter, nullptr) == S_OK) {
        FILTER_INFO info;
        EXPECT_EQ(filter->QueryFilterInfo(&info), S_OK);
        if (info.pGraph) info.pGraph->Release();
        names.push_back(info.achName);
        filter->Release();
    }
    return names;
}

TEST_F(PlaybackGraph, RenderFileListsWhatItBuiltAndKnowsTheDurationBeforeRunning)
{
    struct Case {
        const char* clip;
        const char* device_name;
        std::vector<std::string> filters;
    };
    const Case cases[] = {
        {"movie.ogg", "노래 #1 100% a+b.ogg", {"Source", "Audio Renderer", "Video Renderer"}},
        {"tone.wav", "tone.wav", {"Source", "Audio Renderer"}},
        {"silent.ogg", "silent.ogg", {"Source", "Video Renderer"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device_name);
        Graph graph = MakeGraph();
        const auto started = Clock::now();
        ASSERT_EQ(graph.builder->RenderFile(Place(c.clip, "\\STORAGE CARD\\My Music", c.device_name), nullptr), S_OK);
        EXPECT_LT(SecondsSince(started), 2.0);
        EXPECT_EQ(FilterNames(graph.builder.Get()), c.filters);
        REFTIME duration = 0;
        EXPECT_EQ(graph.position->get_Duration(&duration), S_OK);
        EXPECT_NEAR(duration, kClipSeconds, 0.05);
        EXPECT_EQ(Position(graph), 0.0);
        OAFilterState state = -1;
        EXPECT_EQ(graph.control->GetState(0, &state), S_OK);
        EXPECT_EQ(state, State_Stopped);
        EXPECT_EQ(graph.builder->RenderFile(Place(c.clip), nullptr), VFW_E_WRONG_STATE) << "one file per graph";
    }
}

TEST_F(PlaybackGraph, RunningKeepsWallClockPaceAndPauseHoldsThePosition)
{
    Graph graph = Rendered("movie.ogg");
    ASSERT_EQ(graph.control->Run(), S_OK);
    ASSERT_EQ(Settled(graph), State_Running);
    ASSERT_TRUE(WaitUntil([&] { return Position(graph) > 0.05; }, 1s)) << "playback did not start";
    const double first = Position(graph);
    const auto first_read = Clock::now();
    std::this_thread::sleep_for(2s);
    const double played = Position(graph) - first;
    EXPECT_NEAR(played, SecondsSince(first_read), 0.15);

    ASSERT_EQ(graph.control->Pause(), S_OK);
    EXPECT_EQ(Settled(graph), State_Paused);
    const double paused_at = Position(graph);
    std::this_thread::sleep_for(1s);
    EXPECT_NEAR(Position(graph), paused_at, 0.02);
}

TEST_F(PlaybackGraph, SeekReadsBackAtOnceAndLandsInEveryState)
{
    Graph graph = Rendered("movie.ogg");
    struct Case {
        const char* name;
        HRESULT (IMediaControl::*enter)();
        OAFilterState state;
    };
    const Case cases[] = {
        {"running", &IMediaControl::Run, State_Running},
        {"paused", &IMediaControl::Pause, State_Paused},
        {"stopped", &IMediaControl::Stop, State_Stopped},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(graph.position->put_CurrentPosition(1.0), S_OK);
        ASSERT_EQ((graph.control.Get()->*c.enter)(), S_OK);
        ASSERT_EQ(Settled(graph), c.state);
        const auto asked = Clock::now();
        ASSERT_EQ(graph.position->put_CurrentPosition(3.0), S_OK);
        EXPECT_EQ(Position(graph), 3.0) << "the requested position reads back at once";
        ASSERT_EQ(Settled(graph), c.state);
        const double landed = Position(graph);
        const double moved_since = c.state == State_Running ? SecondsSince(asked) : 0.0;
        EXPECT_GE(landed, 3.0 - 0.1);
        EXPECT_LE(landed, 3.0 + moved_since + 0.1);
    }
    EXPECT_EQ(graph.position->put_CurrentPosition(-1.0), E_INVALIDARG);
}

TEST_F(PlaybackGraph, StopRewindsAndIsHarmlessTwice)
{
    Graph graph = Rendered("tone.wav");
    ASSERT_EQ(graph.control->Run(), S_OK);
    ASSERT_TRUE(WaitUntil([&] { return Position(graph) > 0.5; }, 2s));
    for (int time = 0; time < 2; ++time) {
        EXPECT_EQ(graph.control->Stop(), S_OK);
        EXPECT_EQ(Position(graph), 0.0);
        EXPECT_EQ(Settled(graph), State_Stopped);
        EXPECT_EQ(Position(graph), 0.0);
    }
    REFTIME duration = 0;
    EXPECT_EQ(graph.position->get_Duration(&duration), S_OK);
    EXPECT_NEAR(duration, kClipSeconds, 0.05) << "a stopped graph still knows its duration";

    ASSERT_EQ(graph.control->Run(), S_OK);
    std::this_thread::sleep_for(300ms);
    const double restarted = Position(graph);
    EXPECT_GT(restarted, 0.1);
    EXPECT_LT(restarted, 0.6) << "Run after Stop starts from the beginning";
}

TEST_F(PlaybackGraph, AtTheEndThePositionIsTheDurationAndTheGraphStillRuns)
{
    Graph graph = Rendered("movie.ogg");
    REFTIME duration = 0;
    ASSERT_EQ(graph.position->get_Duration(&duration), S_OK);
    ASSERT_EQ(graph.position->put_CurrentPosition(duration - 0.4), S_OK);
    ASSERT_EQ(graph.control->Run(), S_OK);
    EXPECT_TRUE(WaitUntil([&] { return Position(graph) == duration; }, 2s)) << "last read " << Position(graph);
    OAFilterState state = -1;
    EXPECT_EQ(graph.control->GetState(100, &state), S_OK);
    EXPECT_EQ(state, State_Running);
    // A seek from the end plays again.
    ASSERT_EQ(graph.position->put_CurrentPosition(2.0), S_OK);
    ASSERT_EQ(Settled(graph), State_Running);
    std::this_thread::sleep_for(200ms);
    EXPECT_LT(Position(graph), 2.5);
}

TEST_F(PlaybackGraph, FilesThatCannotPlayFailWithTheirCodesInTime)
{
    std::mt19937 random(20261208u);
    std::string noise(64 * 1024, '\0');
    for (char& byte : noise) byte = static_cast<char>(random());
    PlaceBytes("\\STORAGE CARD\\noise.mp3", noise);
    PlaceBytes("\\STORAGE CARD\\empty.ogg", "");
    fs::create_directories(m_root.Fs() / "STORAGE CARD" / "folder.avi");
    const std::string movie = ReadFile(kClipDir / "movie.ogg");
    PlaceBytes("\\STORAGE CARD\\cut.ogg", movie.substr(0, movie.size() * 2 / 5));

    struct Case {
        const char* device_path;
        HRESULT expected;
    };
    const Case cases[] = {
        {"\\STORAGE CARD\\missing.mp3", HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)},
        {"\\STORAGE CARD\\noise.mp3", VFW_E_UNSUPPORTED_STREAM},
        {"\\STORAGE CARD\\empty.ogg", VFW_E_UNSUPPORTED_STREAM},
        {"\\STORAGE CARD\\folder.avi", VFW_E_UNSUPPORTED_STREAM},
        {"\\STORAGE CARD\\cut.ogg", S_OK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device_path);
        Graph graph = MakeGraph();
        const auto started = Clock::now();
        EXPECT_EQ(graph.builder->RenderFile(c.device_path, nullptr), c.expected);
        EXPECT_LT(SecondsSince(started), 2.2);
        if (FAILED(c.expected)) {
            EXPECT_TRUE(FilterNames(graph.builder.Get()).empty());
            REFTIME duration = -1;
            EXPECT_EQ(graph.position->get_Duration(&duration), VFW_E_WRONG_STATE);
        }
    }
}

TEST_F(PlaybackGraph, ReleasingTheGraphLeavesNoThreadDescriptorOrObject)
{
    auto play_and_release = [&] {
        Graph graph = Rendered("movie.ogg");
        ASSERT_EQ(graph.control->Run(), S_OK);
        ASSERT_TRUE(WaitUntil([&] { return Position(graph) > 0.3; }, 2s));
    };
    // The first graph starts GStreamer itself, which stays for the process.
    play_and_release();
    const size_t threads = EntriesIn("/proc/self/task");
    const size_t descriptors = EntriesIn("/proc/self/fd");
    const LONG objects = ComLiveObjects();

    play_and_release();
    EXPECT_TRUE(WaitUntil([&] { return EntriesIn("/proc/self/task") <= threads; }, 2s))
        << EntriesIn("/proc/self/task") << " threads, " << threads << " before";
    EXPECT_EQ(EntriesIn("/proc/self/fd"), descriptors);
    EXPECT_EQ(ComLiveObjects(), objects);
}

// Audio sinks that keep the loudest 16-bit sample they are handed, or -1 for audio in any
// other form, so that a test hears what the volume did.
class PeakSinks final : public media::PlaybackSinks {
public:
    explicit PeakSinks(std::shared_ptr<std::atomic<int>> peak) : m_peak(std::move(peak)) {}

    GstElement* MakeAudioSink() override
    {
        GstElement* sink = gst_element_factory_make("fakesink", nullptr);
        g_object_set(sink, "sync", TRUE, "signal-handoffs", TRUE, nullptr);
        g_signal_connect(sink, "handoff", G_CALLBACK(+[](GstElement*, GstBuffer* buffer, GstPad* pad, gpointer data) {
                             static_cast<PeakSinks*>(data)->Hear(buffer, pad);
                         }),
                         this);
        return sink;
    }
    GstElement* MakeVideoSink() override { return gst_element_factory_make("fakesink", nullptr); }

private:
    void Hear(GstBuffer* buffer, GstPad* pad)
    {
        GstCaps* caps = gst_pad_get_current_caps(pad);
        const char* format = caps ? gst_structure_get_string(gst_caps_get_structure(caps, 0), "format") : nullptr;
        const bool s16 = format && std::string(format) == "S16LE";
        if (caps) gst_caps_unref(caps);
        if (!s16) {
            m_peak->store(-1);
            return;
        }
        GstMapInfo map;
        if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return;
        int loudest = 0;
        for (size_t i = 0; i + 1 < map.size; i += 2) {
            const auto sample = static_cast<int16_t>(map.data[i] | (map.data[i + 1] << 8));
            loudest = std::max(loudest, std::abs(static_cast<int>(sample)));
        }
        gst_buffer_unmap(buffer, &map);
        int seen = m_peak->load();
        while (seen >= 0 && loudest > seen && !m_peak->compare_exchange_weak(seen, loudest)) {
        }
    }

    std::shared_ptr<std::atomic<int>> m_peak;
};

TEST_F(PlaybackGraph, VolumeInHundredthsOfADecibelScalesWhatIsPlayed)
{
    auto peak = std::make_shared<std::atomic<int>>(0);
    Graph graph = AdoptGraph(new media::CFilterGraph([peak] { return std::make_unique<PeakSinks>(peak); }));
    ASSERT_EQ(graph.builder->RenderFile(Place("tone.wav"), nullptr), S_OK);
    // The clip's tone peaks at 0.8 of full scale; -20 dB is a tenth of that.
    struct Case {
        LONG volume;
        int expected_peak;
    };
    const Case cases[] = {{0, 26214}, {-2000, 2621}, {-10000, 0}, {-600, 13138}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.volume);
        ASSERT_EQ(graph.audio->put_Volume(c.volume), S_OK);
        // Samples already past the volume were scaled before; a seek sends fresh ones.
        ASSERT_EQ(graph.control->Pause(), S_OK);
        ASSERT_EQ(graph.position->put_CurrentPosition(1.0), S_OK);
        ASSERT_EQ(Settled(graph), State_Paused);
        peak->store(0);
        ASSERT_EQ(graph.control->Run(), S_OK);
        std::this_thread::sleep_for(150ms);
        ASSERT_EQ(graph.control->Pause(), S_OK);
        EXPECT_NEAR(peak->load(), c.expected_peak, c.expected_peak / 50 + 2);
    }
}

// Audio sinks whose input the test can hold back: while a blocking probe sits on it no
// buffer reaches the sink, so a seek never prerolls and the graph stays between states. A
// flush still passes, as it must for the seek to start.
class HeldBackSinks final : public media::PlaybackSinks {
public:
    explicit HeldBackSinks(std::shared_ptr<GstPad*> input) : m_input(std::move(input)) {}

    GstElement* MakeAudioSink() override
    {
        GstElement* sink = gst_element_factory_make("fakesink", nullptr);
        g_object_set(sink, "sync", TRUE, nullptr);
        *m_input = gst_element_get_static_pad(sink, "sink");
        return sink;
    }
    GstElement* MakeVideoSink() override { return gst_element_factory_make("fakesink", nullptr); }

private:
    std::shared_ptr<GstPad*> m_input;
};

TEST_F(PlaybackGraph, GetStateWaitsNoLongerThanAskedWhileTheGraphIsBetweenStates)
{
    auto input = std::make_shared<GstPad*>(nullptr);
    {
        Graph graph = AdoptGraph(new media::CFilterGraph([input] { return std::make_unique<HeldBackSinks>(input); }));
        ASSERT_EQ(graph.builder->RenderFile(Place("tone.wav"), nullptr), S_OK);
        ASSERT_NE(*input, nullptr);
        ASSERT_EQ(graph.control->Pause(), S_OK);
        ASSERT_EQ(Settled(graph), State_Paused);

        const gulong probe = gst_pad_add_probe(
            *input, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BLOCK | GST_PAD_PROBE_TYPE_BUFFER),
            [](GstPad*, GstPadProbeInfo*, gpointer) { return GST_PAD_PROBE_OK; }, nullptr, nullptr);
        ASSERT_EQ(graph.position->put_CurrentPosition(2.0), S_OK);
        OAFilterState state = -1;
        const auto asked = Clock::now();
        EXPECT_EQ(graph.control->GetState(200, &state), VFW_S_STATE_INTERMEDIATE);
        EXPECT_EQ(state, State_Paused) << "the state being entered";
        EXPECT_NEAR(SecondsSince(asked), 0.2, 0.1);
        EXPECT_EQ(Position(graph), 2.0) << "a seek that has not landed reads as asked";

        gst_pad_remove_probe(*input, probe);
        EXPECT_EQ(Settled(graph), State_Paused);
        EXPECT_NEAR(Position(graph), 2.0, 0.1);
    }
    gst_object_unref(*input);
}

}  // namespace
}  // namespace platform::testing
