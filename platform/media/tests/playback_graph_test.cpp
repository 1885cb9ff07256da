// Playback of real files through the filter graph and GStreamer, at real-time pace into sinks
// that output nothing.
#include <gtest/gtest.h>

#include <random>

#include "platform/media/com_object.h"
#include "playback_fixture.h"

namespace platform::testing {
namespace {

size_t EntriesIn(const char* directory)
{
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(directory)) ++count;
    return count;
}
TEST_F(PlaybackGraph, RenderFileListsWhatItBuiltAndKnowsTheDurationBeforeRunning)
{
    struct Case {
        const char* clip;
        const char* device_name;
        std::vector<std::string> filters;
    };
    const Case cases[] = {
        {"movie.ogg", "노래 #1 100% a+b.ogg", {"Source", "Audio Renderer", "TCC Video Renderer"}},
        {"tone.wav", "tone.wav", {"Source", "Audio Renderer"}},
        {"silent.ogg", "silent.ogg", {"Source", "TCC Video Renderer"}},
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
    for (const StateCase& c : kEveryState) {
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

}  // namespace
}  // namespace platform::testing
