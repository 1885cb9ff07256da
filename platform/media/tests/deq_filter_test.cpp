// The equaliser, "TCC DEQ Filter", in a graph's audio path on a real device, heard through
// the capture output: off, it leaves every sample as it was; Music's preset 1 cuts and lifts
// the tones it aims at; a record given while playing is heard at once; values out of range
// play clamped; and a boost beyond full scale saturates instead of wrapping round.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "platform/device_root.h"
#include "platform/media/class_registry.h"
#include "platform/media/media_ids.h"
#include "platform/media/vendor/vendor_interfaces.h"
#include "platform/testing/media_clips.h"
#include "platform/testing/temporary_device.h"
#include "playback_fixture.h"
#include "wave_reader.h"

namespace platform::testing {
namespace {

using vendor::DeqRecord;

// Tones a quarter of full scale, and one at full scale; the same on both channels.
constexpr ClipRecipe kToneClips[] = {
    {"deq600.wav", "audiotestsrc wave=sine freq=600 volume=0.25 samplesperbuffer=4410 num-buffers=30 "
                   "! audio/x-raw,format=S16LE,rate=44100,channels=2 ! wavenc ! filesink"},
    {"deq3000.wav", "audiotestsrc wave=sine freq=3000 volume=0.25 samplesperbuffer=4410 num-buffers=30 "
                    "! audio/x-raw,format=S16LE,rate=44100,channels=2 ! wavenc ! filesink"},
    {"deqfull1000.wav", "audiotestsrc wave=sine freq=1000 volume=1.0 samplesperbuffer=4410 num-buffers=30 "
                        "! audio/x-raw,format=S16LE,rate=44100,channels=2 ! wavenc ! filesink"},
};

class ToneClipEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        std::string failed;
        ASSERT_TRUE(MakeClips(kClipDir, kToneClips, failed)) << failed;
    }
};
const auto* const kToneClipEnvironment = ::testing::AddGlobalTestEnvironment(new ToneClipEnvironment);

struct Band {
    std::int32_t frequency, width, kind, gain;
};

DeqRecord RecordOf(std::initializer_list<Band> bands)
{
    DeqRecord record;
    record.enable = 1;
    int i = 0;
    for (const Band& band : bands) {
        record.frequency[i] = band.frequency;
        record.width[i] = band.width;
        record.kind[i] = band.kind;
        record.gain[i] = band.gain;
        ++i;
    }
    return record;
}

// Music's preset 1.
const DeqRecord kPresetOne =
    RecordOf({{100, 9, 0, 6}, {600, 4, 1, -4}, {3000, 7, 1, 4}, {12000, 9, 1, 4}, {16000, 9, 1, 0}});

// A graph with the equaliser added the way Music adds it, and the clip rendered.
struct EqualisedGraph {
    Graph graph;
    Held<IDEQSettings> settings;
};

class DeqFilter : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::ofstream(m_device.Root() / "device.conf") << "audio = capture\n";
        ReloadConfig();
        ASSERT_TRUE(m_device.StartServer());
        for (const ClipRecipe& clip : kToneClips)
            fs::copy_file(kClipDir / clip.file, m_device.Root() / "fs" / "NAND" / clip.file);
    }

    EqualisedGraph Rendered(const char* clip, const DeqRecord& record)
    {
        EqualisedGraph made{MakeGraph(), {}};
        Held<IBaseFilter> filter;
        EXPECT_EQ(CoCreateInstance(CLSID_DEQFilter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.OutVoid()),
                  S_OK);
        if (!filter) return made;
        EXPECT_EQ(made.graph.builder->AddFilter(filter.Get(), "TCC DEQ Filter"), S_OK);
        EXPECT_EQ(filter->QueryInterface(IID_IDEQSettings, made.settings.OutVoid()), S_OK);
        if (made.settings) {
            EXPECT_EQ(made.settings->SetParameters(record), S_OK);
        }
        EXPECT_EQ(made.graph.builder->RenderFile(std::string("\\NAND\\") + clip, nullptr), S_OK);
        return made;
    }

    // Plays the clip through the equaliser for `seconds` and gives what was heard.
    WaveFile Heard(const char* clip, const DeqRecord& record, std::chrono::milliseconds seconds = 1200ms)
    {
        const std::set<fs::path> before = Captures();
        {
            EqualisedGraph made = Rendered(clip, record);
            EXPECT_EQ(made.graph.control->Run(), S_OK);
            std::this_thread::sleep_for(seconds);
            EXPECT_EQ(made.graph.control->Pause(), S_OK);
            Settle(made.graph);
        }
        return NewCapture(before);
    }

    std::set<fs::path> Captures() const
    {
        std::set<fs::path> files;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(m_device.Root() / "state" / "audio", error))
            files.insert(entry.path());
        return files;
    }
    WaveFile NewCapture(const std::set<fs::path>& before) const
    {
        std::vector<fs::path> added;
        for (const fs::path& file : Captures()) {
            if (!before.count(file)) added.push_back(file);
        }
        EXPECT_EQ(added.size(), 1u) << "one capture per graph";
        WaveFile wave = added.empty() ? WaveFile{} : ReadWave(added[0]);
        EXPECT_TRUE(wave.valid);
        return wave;
    }
    static void Settle(const Graph& graph)
    {
        OAFilterState state = -1;
        EXPECT_EQ(graph.control->GetState(10000, &state), S_OK) << "the graph did not settle in 10 s";
    }
    static double SourceLevelDb(const char* clip) { return ReadWave(kClipDir / clip).LevelDb(0, 0.1, 1.0); }

    TemporaryDevice m_device;
    ComScope m_com;
};

TEST_F(DeqFilter, IsAFilterWithItsSettingsInterface)
{
    ASSERT_EQ(RegisterMediaClasses(), S_OK);
    Held<IBaseFilter> filter;
    ASSERT_EQ(CoCreateInstance(CLSID_DEQFilter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.OutVoid()), S_OK);
    CLSID clsid{};
    EXPECT_EQ(filter->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_DEQFilter);
    Held<IDEQSettings> settings;
    ASSERT_EQ(filter->QueryInterface(IID_IDEQSettings, settings.OutVoid()), S_OK);
    EXPECT_EQ(settings->Reserved4(), E_NOTIMPL);
    EXPECT_EQ(settings->SetParameters(kPresetOne), S_OK) << "accepted before it is in a graph";
}

TEST_F(DeqFilter, OffLeavesEverySampleAsItWas)
{
    const WaveFile source = ReadWave(kClipDir / "deq3000.wav");
    const WaveFile heard = Heard("deq3000.wav", DeqRecord{});
    ASSERT_TRUE(source.valid && heard.valid);
    ASSERT_GT(heard.samples.size(), source.samples.size() / 4) << "too little was played";
    const size_t compared = std::min(heard.samples.size(), source.samples.size());
    size_t differing = 0;
    for (size_t i = 0; i < compared; ++i) differing += heard.samples[i] != source.samples[i];
    EXPECT_EQ(differing, 0u) << "of " << compared << " samples";
}

TEST_F(DeqFilter, PresetOneCutsSixHundredHertzAndLiftsThreeKilohertz)
{
    struct Expected {
        const char* clip;
        double change_db;
    };
    for (const Expected& expected : {Expected{"deq600.wav", -4.0}, Expected{"deq3000.wav", 4.0}}) {
        SCOPED_TRACE(expected.clip);
        const WaveFile heard = Heard(expected.clip, kPresetOne);
        for (int channel : {0, 1})
            EXPECT_NEAR(heard.LevelDb(channel, 0.2, 1.0), SourceLevelDb(expected.clip) + expected.change_db, 1.5);
    }
}

TEST_F(DeqFilter, ARecordGivenWhilePlayingIsHeardAtOnce)
{
    const std::set<fs::path> before = Captures();
    double changed_at = 0;
    {
        EqualisedGraph made = Rendered("deq600.wav", DeqRecord{});
        ASSERT_TRUE(made.settings);
        ASSERT_EQ(made.graph.control->Run(), S_OK);
        std::this_thread::sleep_for(800ms);
        ASSERT_EQ(made.graph.position->get_CurrentPosition(&changed_at), S_OK);
        ASSERT_EQ(made.settings->SetParameters(RecordOf({{600, 9, 1, -12}})), S_OK);
        std::this_thread::sleep_for(700ms);
        ASSERT_EQ(made.graph.control->Pause(), S_OK);
        Settle(made.graph);
    }
    const WaveFile heard = NewCapture(before);
    ASSERT_GT(heard.Seconds(), changed_at + 0.5);
    const double source = SourceLevelDb("deq600.wav");
    EXPECT_NEAR(heard.LevelDb(0, 0.1, changed_at - 0.05), source, 0.3) << "before the change";
    EXPECT_NEAR(heard.LevelDb(0, changed_at + 0.15, heard.Seconds()), source - 12, 1.5) << "after it";
}

TEST_F(DeqFilter, ValuesOutOfRangeAreClampedAndPlay)
{
    // A band far above Nyquist at a boost beyond any range, and a cut beyond any range at
    // width 0 on the tone itself: the cut is the deepest there is, the tone still plays.
    DeqRecord record = RecordOf({{30000, 9, 1, 100}, {600, 0, 1, -100}, {5000, 9, 7, 0}});
    const WaveFile heard = Heard("deq600.wav", record);
    ASSERT_GT(heard.Seconds(), 0.8);
    for (int channel : {0, 1})
        EXPECT_NEAR(heard.LevelDb(channel, 0.3, 0.8), SourceLevelDb("deq600.wav") - 24.0, 1.5);
}

TEST_F(DeqFilter, ABoostBeyondFullScaleSaturatesAndNeverWraps)
{
    const WaveFile source = ReadWave(kClipDir / "deqfull1000.wav");
    const WaveFile heard = Heard("deqfull1000.wav", RecordOf({{1000, 9, 1, 12}}));
    ASSERT_TRUE(source.valid && heard.valid);
    const double from = 0.2;
    const double to = std::min(heard.Seconds(), 1.0);
    ASSERT_GT(to - from, 0.5);
    int at_full_scale = 0;
    int wrapped = 0;
    for (auto frame = static_cast<size_t>(from * heard.rate); frame < static_cast<size_t>(to * heard.rate); ++frame) {
        for (int channel : {0, 1}) {
            const int in = source.samples[frame * 2 + channel];
            const int out = heard.samples[frame * 2 + channel];
            at_full_scale += out >= 32767 || out <= -32767;
            // Wrapping round turns a loud sample into a loud one of the other sign.
            wrapped += (in > 4096 && out < 0) || (in < -4096 && out > 0);
        }
    }
    EXPECT_EQ(wrapped, 0);
    EXPECT_GT(at_full_scale, (to - from) * heard.rate) << "the boosted peaks stay at full scale";
    EXPECT_GE(heard.Peak(0, from, to), 32767);
}

}  // namespace
}  // namespace platform::testing
