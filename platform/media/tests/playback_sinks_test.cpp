// The graph's sinks replaced through its sink seam, to hear the volume, hold a seek back and
// leave a stream out.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>

#include "platform/media/filter_graph.h"
#include "platform/media/playback_sinks.h"
#include "playback_fixture.h"

namespace platform::testing {
namespace {

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

// No video renderer can be made: the file's video is left out and its audio still plays.
class AudioOnlySinks final : public media::PlaybackSinks {
public:
    GstElement* MakeAudioSink() override
    {
        GstElement* sink = gst_element_factory_make("fakesink", nullptr);
        g_object_set(sink, "sync", TRUE, nullptr);
        return sink;
    }
    GstElement* MakeVideoSink() override { return nullptr; }
};

TEST_F(PlaybackGraph, AStreamThatCannotBeRenderedIsLeftOutAndTheRestPlays)
{
    Graph graph = AdoptGraph(new media::CFilterGraph([] { return std::make_unique<AudioOnlySinks>(); }));
    ASSERT_EQ(graph.builder->RenderFile(Place("movie.ogg"), nullptr), S_OK);
    EXPECT_EQ(FilterNames(graph.builder.Get()), (std::vector<std::string>{"Source", "Audio Renderer"}));
    ASSERT_EQ(graph.control->Run(), S_OK);
    EXPECT_TRUE(WaitUntil([&] { return Position(graph) > 0.5; }, 2s)) << "the audio did not play";
    EXPECT_EQ(Settled(graph), State_Running);
}
// The audio goes to a sink that takes only video: the audio branch cannot be linked, and the
// sink must not stay behind waiting for audio that never comes.
class MismatchedSinks final : public media::PlaybackSinks {
public:
    GstElement* MakeAudioSink() override { return gst_element_factory_make("fakevideosink", nullptr); }
    GstElement* MakeVideoSink() override
    {
        GstElement* sink = gst_element_factory_make("fakesink", nullptr);
        g_object_set(sink, "sync", TRUE, nullptr);
        return sink;
    }
};

TEST_F(PlaybackGraph, ABranchThatCannotBeLinkedLeavesNothingBehind)
{
    gst_init(nullptr, nullptr);
    GstElementFactory* video_only = gst_element_factory_find("fakevideosink");
    if (!video_only) GTEST_SKIP() << "fakevideosink is not installed";
    gst_object_unref(video_only);
    Graph graph = AdoptGraph(new media::CFilterGraph([] { return std::make_unique<MismatchedSinks>(); }));
    const auto started = Clock::now();
    ASSERT_EQ(graph.builder->RenderFile(Place("movie.ogg"), nullptr), S_OK);
    EXPECT_LT(SecondsSince(started), 1.0);
    EXPECT_EQ(FilterNames(graph.builder.Get()), (std::vector<std::string>{"Source", "TCC Video Renderer"}));
    ASSERT_EQ(graph.control->Run(), S_OK);
    EXPECT_EQ(Settled(graph), State_Running) << "a sink left behind keeps the graph from running";
    EXPECT_TRUE(WaitUntil([&] { return Position(graph) > 0.5; }, 2s)) << "the video did not play";
}

}  // namespace
}  // namespace platform::testing
