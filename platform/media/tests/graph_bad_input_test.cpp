// Files a player may be handed that are broken in the ways real files break, a card pulled
// while it plays, and the players' calls in the wrong order: each either plays what can be
// played or fails with the graph's code within the render wait, and a released graph leaves
// no thread, descriptor or object behind.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "container_clips.h"
#include "platform/media/com_object.h"
#include "playback_fixture.h"
#include "process_counts.h"

namespace platform::testing {
namespace {

// The graph's render wait and a margin for a loaded machine.
constexpr double kRenderSeconds = 2.2;

// Each clip plays once in the process before any count is taken: the first graph starts
// GStreamer's own threads, each decoder's library opens what it keeps, and the first debug
// line opens the program's log.
class BadInputGraph : public PlaybackGraph {
protected:
    void SetUp() override
    {
        static bool warmed_up = false;
        if (!warmed_up) {
            for (const char* clip : {"movie.ogg", "tone.wav", "h264.mp4", "mjpeg.avi", "theora.mkv"}) {
                Graph graph = Rendered(clip);
                ASSERT_EQ(graph.control->Run(), S_OK) << clip;
                ASSERT_TRUE(WaitUntil([&] { return Position(graph) > 0.1; }, 2s)) << clip << " does not play";
            }
            EXPECT_EQ(MakeGraph().builder->RenderFile("\\STORAGE CARD\\missing.ogg", nullptr),
                      HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
            warmed_up = true;
        }
        m_baseline = ProcessCounts::Settled();
        m_objects = ComLiveObjects();
    }
    void TearDown() override
    {
        EXPECT_TRUE(BackTo(m_baseline));
        EXPECT_EQ(ComLiveObjects(), m_objects) << "an object outlived its graph";
    }

    static double Duration(const Graph& graph)
    {
        REFTIME seconds = -1;
        EXPECT_EQ(graph.position->get_Duration(&seconds), S_OK);
        return seconds;
    }

    // The players' tear-down: stop, take every filter out, release.
    static void TearDownAsPlayersDo(Graph& graph)
    {
        EXPECT_EQ(graph.control->Stop(), S_OK);
        for (IBaseFilter* filter : Filters(graph)) {
            EXPECT_EQ(graph.builder->RemoveFilter(filter), S_OK);
            filter->Release();
        }
        graph = Graph{};
    }
    static std::vector<IBaseFilter*> Filters(const Graph& graph)
    {
        Held<IEnumFilters> walk;
        EXPECT_EQ(graph.builder->EnumFilters(walk.Out()), S_OK);
        std::vector<IBaseFilter*> filters;
        IBaseFilter* filter = nullptr;
        while (walk && walk->Next(1, &filter, nullptr) == S_OK) filters.push_back(filter);
        return filters;
    }

    ProcessCounts m_baseline;
    LONG m_objects = 0;
};

// The clip with four bytes at `offset` replaced by a little-endian value.
std::string WithU32At(std::string bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
    return bytes;
}

// The clip with every `from` replaced by `to` of the same length; empty when `from` is absent,
// so that a clip made differently fails its case instead of passing it untouched.
std::string Replaced(std::string bytes, std::string_view from, std::string_view to)
{
    size_t at = bytes.find(from);
    if (at == std::string::npos || from.size() != to.size()) return {};
    for (; at != std::string::npos; at = bytes.find(from, at + 1)) bytes.replace(at, to.size(), to);
    return bytes;
}

// A device path of exactly `length` characters on the card, through folders of 60.
std::string DevicePathOfLength(size_t length, const std::string& extension)
{
    std::string path = "\\STORAGE CARD";
    while (length - path.size() > 80) path += "\\" + std::string(60, 'd');
    return path + "\\" + std::string(length - path.size() - 1 - extension.size(), 'n') + extension;
}

TEST_F(BadInputGraph, BrokenFilesPlayWhatTheyHoldOrFailWithTheirCodes)
{
    const std::string wave = ReadFile(kClipDir / "tone.wav");
    const size_t data = wave.find("data");
    const size_t format = wave.find("fmt ");
    ASSERT_NE(data, std::string::npos);
    ASSERT_NE(format, std::string::npos);
    const std::string matroska = ReadFile(kClipDir / "theora.mkv");
    const std::string mp4 = ReadFile(kClipDir / "h264.mp4");
    const std::string avi = ReadFile(kClipDir / "mjpeg.avi");
    const std::string movie = ReadFile(kClipDir / "movie.ogg");
    const std::vector<std::string> audio_only = {"Source", "Audio Renderer"};
    const std::vector<std::string> audio_and_video = {"Source", "Audio Renderer", "TCC Video Renderer"};

    struct Case {
        const char* name;
        std::string device_path;
        std::string bytes;  // placed at the path unless `absent`
        HRESULT expected;
        std::vector<std::string> filters;  // what a rendered file lists
        bool absent = false;
        // The decoder sometimes drops an error its demuxer posts while starting, and the
        // render then ends at its wait, as a file that did not get ready in time.
        HRESULT or_else = expected;
    };
    const Case cases[] = {
        {"a WAV whose header claims 2 GB of samples", "\\STORAGE CARD\\long.wav",
         WithU32At(WithU32At(wave, data + 4, 0x7FFFFFF0u), 4, 0x7FFFFFF0u + static_cast<uint32_t>(data)), S_OK,
         audio_only},
        {"a stereo WAV in a format nobody decodes", "\\STORAGE CARD\\tag.wav", WithU32At(wave, format + 8, 0x00023456u),
         VFW_E_UNSUPPORTED_STREAM, {}},
        {"Matroska with no stream anything decodes", "\\STORAGE CARD\\nothing.mkv",
         Replaced(Replaced(matroska, "V_THEORA", "V_QWERTY"), "A_VORBIS", "A_QWERTY"), VFW_E_UNSUPPORTED_STREAM, {}},
        {"Matroska whose video nothing decodes", "\\STORAGE CARD\\sound.mkv",
         Replaced(matroska, "V_THEORA", "V_QWERTY"), S_OK, audio_only},
        {"an MP4 cut before its movie box", "\\STORAGE CARD\\cut.mp4", mp4.substr(0, mp4.size() / 2),
         VFW_E_UNSUPPORTED_STREAM, {}, false, E_FAIL},
        {"an AVI cut in half", "\\STORAGE CARD\\cut.avi", avi.substr(0, avi.size() / 2), S_OK, audio_and_video},
        {"a 300-character path", DevicePathOfLength(300, ".ogg"), movie, S_OK, audio_and_video},
        {"a 300-character path to nothing", DevicePathOfLength(300, ".mp3"), {}, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
         {}, true},
        {"a 300-character name", "\\STORAGE CARD\\" + std::string(296, 'n') + ".ogg", {},
         HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.absent) {
            ASSERT_FALSE(c.bytes.empty()) << "the clip is not as these cases expect";
            PlaceBytes(c.device_path, c.bytes);
        }
        {
            Graph graph = MakeGraph();
            const auto started = Clock::now();
            const HRESULT rendered = graph.builder->RenderFile(c.device_path, nullptr);
            EXPECT_TRUE(rendered == c.expected || rendered == c.or_else) << ResultName(rendered);
            EXPECT_LT(SecondsSince(started), kRenderSeconds);
            EXPECT_EQ(FilterNames(graph.builder.Get()), c.filters);
            if (c.expected == S_OK) {
                // What plays is what the file holds, whatever its header says.
                EXPECT_LE(Duration(graph), kClipSeconds + 0.05);
                ASSERT_EQ(graph.control->Run(), S_OK);
                EXPECT_TRUE(WaitUntil([&] { return Position(graph) > 0.2; }, 2s)) << "it does not play";
            }
        }
        EXPECT_TRUE(BackTo(m_baseline));
    }
}

// A storage card pulled while a file on it plays: what the pipeline had read ahead may still
// play, then the position holds where the data ran out, short of the end, and the players'
// tear-down completes at once. Deleting the file does the same.
TEST_F(BadInputGraph, PullingTheCardStopsPlaybackWhereTheDataRanOut)
{
    const fs::path card = m_root.Fs() / "STORAGE CARD";
    // As `devicectl card out` does: the card's folder moves out of the device's file system.
    const auto pull_card = [&](const fs::path&) {
        fs::create_directories(m_root.Root() / "state" / "removed");
        fs::rename(card, m_root.Root() / "state" / "removed" / "STORAGE CARD");
    };
    const auto delete_file = [](const fs::path& file) { fs::remove(file); };
    enum class Pulled { WhilePlaying, BeforeRun };
    struct Case {
        const char* clip;
        const char* name;
        std::function<void(const fs::path&)> remove;
        Pulled when = Pulled::WhilePlaying;
    };
    const Case cases[] = {
        {"movie.ogg", "card out", pull_card},
        {"tone.wav", "card out", pull_card},
        {"h264.mp4", "card out", pull_card},
        {"mjpeg.avi", "file deleted", delete_file},
        {"theora.mkv", "card out before Run", pull_card, Pulled::BeforeRun},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.clip) + ", " + c.name);
        Graph graph = Rendered(c.clip);
        if (c.when == Pulled::BeforeRun) c.remove(card / "Music" / c.clip);
        ASSERT_EQ(graph.control->Run(), S_OK);
        if (c.when == Pulled::WhilePlaying) {
            ASSERT_TRUE(WaitUntil([&] { return Position(graph) > 0.3; }, 2s));
            c.remove(card / "Music" / c.clip);
        }

        double last = Position(graph);
        const bool held = WaitUntil(
            [&] {
                std::this_thread::sleep_for(300ms);
                const double now = Position(graph);
                return std::exchange(last, now) == now;
            },
            4s);
        EXPECT_TRUE(held) << "still playing at " << last << " s";
        std::this_thread::sleep_for(300ms);
        EXPECT_EQ(Position(graph), last) << "playback went on";
        EXPECT_LT(last, kClipSeconds - 1.0) << "the position ran to the end";

        const auto teardown = Clock::now();
        TearDownAsPlayersDo(graph);
        EXPECT_LT(SecondsSince(teardown), 2.0);
        EXPECT_TRUE(BackTo(m_baseline));
        fs::remove_all(card);
        fs::remove_all(m_root.Root() / "state" / "removed");
    }
}

// Files with nothing in them to play at all, whose codes the playback tests check.
TEST_F(BadInputGraph, FilesThatCannotPlayLeaveNothingBehind)
{
    std::mt19937 random(20261208u);
    std::string noise(64 * 1024, '\0');
    for (char& byte : noise) byte = static_cast<char>(random());
    PlaceBytes("\\STORAGE CARD\\noise.mp3", noise);
    PlaceBytes("\\STORAGE CARD\\empty.ogg", "");
    fs::create_directories(m_root.Fs() / "STORAGE CARD" / "folder.avi");
    for (const char* device_path :
         {"\\STORAGE CARD\\noise.mp3", "\\STORAGE CARD\\empty.ogg", "\\STORAGE CARD\\folder.avi",
          "\\STORAGE CARD\\missing.mp3"}) {
        SCOPED_TRACE(device_path);
        EXPECT_TRUE(FAILED(MakeGraph().builder->RenderFile(device_path, nullptr)));
        EXPECT_TRUE(BackTo(m_baseline));
    }
}

// A graph whose file would not render is as good as a new one: it answers as an empty graph
// and renders the next file it is given.
TEST_F(BadInputGraph, AFailedRenderLeavesAnEmptyGraphThatRendersTheNextFile)
{
    std::string noise(16 * 1024, '\0');
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>(i * 131 + (i >> 7));
    PlaceBytes("\\STORAGE CARD\\noise.avi", noise);

    Graph graph = MakeGraph();
    ASSERT_EQ(graph.builder->RenderFile("\\STORAGE CARD\\noise.avi", nullptr), VFW_E_UNSUPPORTED_STREAM);
    ASSERT_EQ(graph.builder->RenderFile("\\STORAGE CARD\\missing.ogg", nullptr), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    REFTIME seconds = -1;
    EXPECT_EQ(graph.position->get_CurrentPosition(&seconds), VFW_E_WRONG_STATE);
    EXPECT_EQ(graph.position->put_CurrentPosition(1.0), VFW_E_WRONG_STATE);
    LONG can_seek = -1;
    EXPECT_EQ(graph.position->CanSeekForward(&can_seek), S_OK);
    EXPECT_EQ(can_seek, OAFALSE);
    EXPECT_TRUE(FilterNames(graph.builder.Get()).empty());

    ASSERT_EQ(graph.builder->RenderFile(Place("movie.ogg"), nullptr), S_OK);
    EXPECT_EQ(FilterNames(graph.builder.Get()),
              (std::vector<std::string>{"Source", "Audio Renderer", "TCC Video Renderer"}));
    EXPECT_EQ(graph.position->CanSeekForward(&can_seek), S_OK);
    EXPECT_EQ(can_seek, OATRUE);
    ASSERT_EQ(graph.control->Run(), S_OK);
    EXPECT_TRUE(WaitUntil([&] { return Position(graph) > 0.2; }, 2s));
}

// Positions a player computes wrongly, and a tear-down that forgets to stop first.
TEST_F(BadInputGraph, OddSeeksAndATearDownWithoutStopAreHandled)
{
    Graph graph = Rendered("h264.mp4");
    const double duration = Duration(graph);
    ASSERT_EQ(graph.control->Run(), S_OK);
    ASSERT_TRUE(WaitUntil([&] { return Position(graph) > 0.2; }, 2s));
    struct Case {
        double seconds;
        HRESULT expected;
    };
    const Case cases[] = {
        {std::numeric_limits<double>::quiet_NaN(), E_INVALIDARG},
        {std::numeric_limits<double>::infinity(), E_INVALIDARG},
        {-0.5, E_INVALIDARG},
        {1e12, S_OK},  // past the end: the end
        {0.0, S_OK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        const double before = Position(graph);
        EXPECT_EQ(graph.position->put_CurrentPosition(c.seconds), c.expected);
        const double after = Position(graph);
        EXPECT_TRUE(std::isfinite(after));
        EXPECT_GE(after, 0.0);
        EXPECT_LE(after, duration);
        const double expected = FAILED(c.expected) ? before : std::min(c.seconds, duration);
        EXPECT_NEAR(after, expected, FAILED(c.expected) ? 0.5 : 0.1);
    }

    // Every filter out while it still runs, then released.
    for (IBaseFilter* filter : Filters(graph)) {
        EXPECT_EQ(graph.builder->RemoveFilter(filter), S_OK);
        filter->Release();
    }
    const auto released = Clock::now();
    graph = Graph{};
    EXPECT_LT(SecondsSince(released), 2.0);
}

}  // namespace
}  // namespace platform::testing
