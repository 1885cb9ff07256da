// What the device tells of its programs' audio: each graph's output listed with its state,
// position and level as devicectl audio shows them, and recordings of what the device plays,
// all on a device server of the test's own.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <numbers>
#include <optional>
#include <algorithm>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/devices/wave_out.h"
#include "platform/device_root.h"
#include "platform/kernel/kernel.h"
#include "platform/testing/media_clips.h"
#include "platform/testing/temporary_device.h"
#include "devicectl_command.h"
#include "playback_fixture.h"
#include "tools/devicectl/device_control.h"
#include "wave_reader.h"

namespace platform::testing {
namespace {

// Sines the same on both channels: 440 Hz with a peak of -6 dB of full scale, 1 kHz at -12 dB.
constexpr ClipRecipe kToneClips[] = {
    {"sine440-6dB.wav", "audiotestsrc wave=sine freq=440 volume=0.5 samplesperbuffer=4410 num-buffers=100 "
                        "! audio/x-raw,format=S16LE,rate=44100,channels=2 ! wavenc ! filesink"},
    {"sine1k-12dB.wav", "audiotestsrc wave=sine freq=1000 volume=0.25 samplesperbuffer=4410 num-buffers=100 "
                        "! audio/x-raw,format=S16LE,rate=44100,channels=2 ! wavenc ! filesink"},
};
constexpr const char* kTone440 = "sine440-6dB.wav";
constexpr const char* kTone1k = "sine1k-12dB.wav";
constexpr double kTone440Db = -6.02;
constexpr double kTone1kDb = -12.04;

class ToneClipEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        std::string failed;
        ASSERT_TRUE(MakeClips(kClipDir, kToneClips, failed)) << failed;
    }
};
const auto* const kToneClipEnvironment = ::testing::AddGlobalTestEnvironment(new ToneClipEnvironment);

using protocol::AudioGraphState;
using protocol::AudioOutputInfo;

double Db(double amplitude) { return 20 * std::log10(amplitude); }

// The amplitude of one frequency in a channel over [from, to) seconds (a single DFT bin).
double AmplitudeAt(const WaveFile& wave, int channel, double frequency, double from, double to)
{
    const auto first = static_cast<std::size_t>(from * wave.rate);
    const auto last = std::min(static_cast<std::size_t>(to * wave.rate), wave.samples.size() / wave.channels);
    std::complex<double> sum;
    for (std::size_t frame = first; frame < last; ++frame) {
        const double angle = 2 * std::numbers::pi * frequency * static_cast<double>(frame) / wave.rate;
        sum += wave.samples[frame * wave.channels + channel] / 32768.0 * std::polar(1.0, -angle);
    }
    return 2 * std::abs(sum) / static_cast<double>(std::max<std::size_t>(last - first, 1));
}

// A device with the tone clips in \NAND, and the graphs of this test process as its program.
class AudioReport : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_device.StartServer());
        for (const char* clip : {kTone440, kTone1k})
            fs::copy_file(kClipDir / clip, m_device.Root() / "fs" / "NAND" / clip);
    }

    Graph Rendered(const char* clip)
    {
        Graph graph = MakeGraph();
        EXPECT_EQ(graph.builder->RenderFile(std::string("\\NAND\\") + clip, nullptr), S_OK);
        return graph;
    }
    // The outputs of one process, by output number.
    std::vector<AudioOutputInfo> OutputsOf(std::uint32_t pid)
    {
        std::vector<AudioOutputInfo> found;
        for (const AudioOutputInfo& output : m_control.AudioOutputs().value_or(std::vector<AudioOutputInfo>{}))
            if (output.process_id == pid) found.push_back(output);
        return found;
    }
    // This process's only output, once it is listed with the state.
    std::optional<AudioOutputInfo> WaitForState(AudioGraphState state, std::chrono::milliseconds timeout = 2s)
    {
        std::optional<AudioOutputInfo> seen;
        WaitUntil(
            [&] {
                const auto outputs = OutputsOf(static_cast<std::uint32_t>(::getpid()));
                seen = outputs.size() == 1 ? std::optional(outputs[0]) : std::nullopt;
                return seen && seen->state == static_cast<std::uint8_t>(state);
            },
            timeout);
        return seen && seen->state == static_cast<std::uint8_t>(state) ? seen : std::nullopt;
    }
    double LevelDb() { return WaitForState(AudioGraphState::Running).value_or(AudioOutputInfo{}).level / 100.0; }
    fs::path Recorded(const char* name) const { return m_device.Root() / name; }

    TemporaryDevice m_device;
    ComScope m_com;
    devicectl::DeviceControl m_control{m_device.Root()};
};

TEST_F(AudioReport, APlayingToneIsListedWithItsStatePositionAndLevelUntilItsGraphGoes)
{
    {
        Graph graph = Rendered(kTone440);
        const auto rendered = WaitForState(AudioGraphState::Stopped);
        ASSERT_TRUE(rendered) << "a rendered graph is listed, stopped";
        EXPECT_EQ(rendered->program, ProgramName());
        EXPECT_EQ(rendered->level, protocol::kSilentAudioLevel);

        ASSERT_EQ(graph.control->Run(), S_OK);
        ASSERT_TRUE(WaitForState(AudioGraphState::Running));
        std::this_thread::sleep_for(300ms);
        const auto first = WaitForState(AudioGraphState::Running);
        const auto first_at = Clock::now();
        std::this_thread::sleep_for(1s);
        const auto second = WaitForState(AudioGraphState::Running);
        ASSERT_TRUE(first && second);
        EXPECT_NEAR((second->position_us - first->position_us) / 1e6, SecondsSince(first_at), 0.3)
            << "the position keeps wall-clock pace";
        EXPECT_NEAR(second->level / 100.0, kTone440Db, 1.0) << "the peak of the tone";

        // The level is what would be heard: after the wave-out volume.
        DWORD error = 0;
        ASSERT_TRUE(m_control.WaveOut(0x7FFF7FFFu, error));
        EXPECT_TRUE(WaitUntil([&] { return std::abs(LevelDb() - (kTone440Db - 6.02)) < 1.0; }, 2s)) << LevelDb();
        ASSERT_TRUE(m_control.WaveOut(0xFFFFFFFFu, error));

        ASSERT_EQ(graph.control->Pause(), S_OK);
        const auto paused = WaitForState(AudioGraphState::Paused);
        ASSERT_TRUE(paused);
        std::this_thread::sleep_for(500ms);
        const auto later = WaitForState(AudioGraphState::Paused);
        ASSERT_TRUE(later);
        EXPECT_NEAR(later->position_us / 1e6, paused->position_us / 1e6, 0.02) << "the position holds while paused";
        EXPECT_EQ(later->level, protocol::kSilentAudioLevel) << "nothing plays while paused";

        ASSERT_EQ(graph.control->Stop(), S_OK);
        ASSERT_TRUE(WaitForState(AudioGraphState::Stopped)) << "a stopped graph reads stopped, not paused";
        // The next report after the stop's seek has the position back at the start.
        EXPECT_TRUE(WaitUntil([&] { return WaitForState(AudioGraphState::Stopped).value_or(AudioOutputInfo{}).position_us == 0; }, 1s));
    }
    EXPECT_TRUE(OutputsOf(static_cast<std::uint32_t>(::getpid())).empty()) << "the torn-down graph's line is gone";
}

TEST_F(AudioReport, AProgramThatIsKilledDropsOutOfTheList)
{
    ASSERT_TRUE(m_device.Install(ProbeBinary(), "PROBE.EXE"));
    StartedPrograms programs(m_device);
    HANDLE probe = programs.Start("\\NAND\\PROBE.EXE", std::string("play \\NAND\\") + kTone440 + ";sleep 30000");
    ASSERT_NE(probe, nullptr);
    std::uint32_t pid = 0;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (const AudioOutputInfo& output : m_control.AudioOutputs().value_or(std::vector<AudioOutputInfo>{}))
                if (output.program == "PROBE.EXE" && output.state == static_cast<std::uint8_t>(AudioGraphState::Running))
                    pid = output.process_id;
            return pid != 0;
        },
        5s))
        << m_device.Log("PROBE.EXE");
    ASSERT_TRUE(TerminateProcess(probe, 1));
    EXPECT_TRUE(WaitUntil([&] { return OutputsOf(pid).empty(); }, 2s)) << "the killed program is still listed";
}

TEST_F(AudioReport, ARecordingHoldsEveryPlayingGraphMixedForTheTimeAsked)
{
    Graph low = Rendered(kTone440);
    Graph high = Rendered(kTone1k);
    ASSERT_EQ(low.control->Run(), S_OK);
    ASSERT_EQ(high.control->Run(), S_OK);
    ASSERT_TRUE(WaitUntil(
        [&] {
            const auto outputs = OutputsOf(static_cast<std::uint32_t>(::getpid()));
            return outputs.size() == 2 && std::all_of(outputs.begin(), outputs.end(), [](const AudioOutputInfo& output) {
                       return output.state == static_cast<std::uint8_t>(AudioGraphState::Running);
                   });
        },
        2s));
    std::this_thread::sleep_for(200ms);

    std::string error;
    const auto asked = Clock::now();
    ASSERT_TRUE(m_control.RecordAudio(Recorded("mix.wav"), 1000ms, error)) << error;
    EXPECT_GE(SecondsSince(asked), 1.0) << "the recording covers the time asked for, from when it was asked";
    const WaveFile wave = ReadWave(Recorded("mix.wav"));
    ASSERT_TRUE(wave.valid);
    EXPECT_EQ(wave.rate, 48000);
    EXPECT_EQ(wave.channels, 2);
    EXPECT_NEAR(wave.Seconds(), 1.0, 0.05);
    for (int channel : {0, 1}) {
        SCOPED_TRACE(channel);
        EXPECT_NEAR(Db(AmplitudeAt(wave, channel, 440, 0, wave.Seconds())), kTone440Db, 1.0);
        EXPECT_NEAR(Db(AmplitudeAt(wave, channel, 1000, 0, wave.Seconds())), kTone1kDb, 1.0);
        EXPECT_LT(Db(AmplitudeAt(wave, channel, 700, 0, wave.Seconds())), -40) << "nothing else";
        // No stretch of it is missing: every 20 ms holds the sum of both tones.
        const double expected = 10 * std::log10(0.5 * 0.5 / 2 + 0.25 * 0.25 / 2);
        for (double from = 0; from + 0.02 <= wave.Seconds(); from += 0.02)
            ASSERT_NEAR(wave.LevelDb(channel, from, from + 0.02), expected, 1.5) << "at " << from << " s";
    }
    for (const auto& entry : fs::directory_iterator(m_device.Root()))
        EXPECT_FALSE(entry.path().filename().string().starts_with("mix.wav.")) << "left behind: " << entry.path();
}

TEST_F(AudioReport, ARecordingOfNothingPlayingIsSilenceOfTheLengthAsked)
{
    std::string error;
    ASSERT_TRUE(m_control.RecordAudio(Recorded("quiet.wav"), 300ms, error)) << error;
    const WaveFile quiet = ReadWave(Recorded("quiet.wav"));
    ASSERT_TRUE(quiet.valid);
    EXPECT_EQ(quiet.samples.size(), 300u * 48 * 2);
    EXPECT_TRUE(std::all_of(quiet.samples.begin(), quiet.samples.end(), [](std::int16_t sample) { return sample == 0; }));

    // A paused graph plays nothing either.
    Graph graph = Rendered(kTone440);
    ASSERT_EQ(graph.control->Pause(), S_OK);
    ASSERT_TRUE(WaitForState(AudioGraphState::Paused));
    ASSERT_TRUE(m_control.RecordAudio(Recorded("paused.wav"), 300ms, error)) << error;
    const WaveFile paused = ReadWave(Recorded("paused.wav"));
    ASSERT_TRUE(paused.valid);
    EXPECT_EQ(paused.Peak(0, 0, 1), 0);

    ASSERT_TRUE(m_control.RecordAudio(Recorded("empty.wav"), 0ms, error)) << error;
    const WaveFile empty = ReadWave(Recorded("empty.wav"));
    EXPECT_TRUE(empty.valid && empty.samples.empty() && empty.rate == 48000 && empty.channels == 2);
}

TEST_F(AudioReport, RecordingsThatCannotBeMadeFailWithoutLeavingAFile)
{
    std::string error;
    EXPECT_FALSE(m_control.RecordAudio(Recorded("long.wav"), 600001ms, error));
    EXPECT_NE(error.find("600000"), std::string::npos) << error;
    error.clear();
    EXPECT_FALSE(m_control.RecordAudio(m_device.Root() / "no-such-folder" / "x.wav", 100ms, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists(Recorded("long.wav")));
    for (const auto& entry : fs::directory_iterator(m_device.Root()))
        EXPECT_EQ(entry.path().filename().string().find(".wav"), std::string::npos) << entry.path();
}

TEST_F(AudioReport, DevicectlPrintsALinePerOutputAndRefusesBadArguments)
{
    Graph graph = Rendered(kTone440);
    ASSERT_EQ(graph.control->Run(), S_OK);
    ASSERT_TRUE(WaitForState(AudioGraphState::Running));
    std::this_thread::sleep_for(300ms);
    const Command listed = Devicectl(m_device.Root(), "audio");
    EXPECT_EQ(listed.status, 0);
    // One line: "<program>  running  1.234 s  -6.0 dBFS  (pid N, output N)".
    std::istringstream words(listed.output);
    std::string name, state, position, seconds, level, decibels, pid;
    words >> name >> state >> position >> seconds >> level >> decibels >> pid;
    EXPECT_EQ(name, ProgramName());
    EXPECT_EQ(state, "running");
    const auto point = position.find('.');
    EXPECT_TRUE(point != std::string::npos && point > 0 && position.size() == point + 4 &&
                position.find_first_not_of("0123456789.") == std::string::npos)
        << "seconds with three decimals: " << position;
    EXPECT_EQ(seconds, "s");
    EXPECT_NEAR(std::stod(level.empty() ? "0" : level), -6.0, 1.0);
    EXPECT_EQ(decibels, "dBFS");
    EXPECT_EQ(pid, "(pid");
    EXPECT_EQ(std::count(listed.output.begin(), listed.output.end(), '\n'), 1) << listed.output;

    const Command recorded = Devicectl(m_device.Root(), "audio record '" + Recorded("cli.wav").string() + "' 200");
    EXPECT_EQ(recorded.status, 0);
    EXPECT_NEAR(ReadWave(Recorded("cli.wav")).Seconds(), 0.2, 0.001);

    for (const char* bad : {"audio record", "audio record x.wav", "audio record x.wav ten", "audio record x.wav -1",
                            "audio record x.wav 600001", "audio loud", "audio record x.wav 10 20"}) {
        EXPECT_EQ(Devicectl(m_device.Root(), bad).status, 2) << bad;
    }
    EXPECT_FALSE(fs::exists("x.wav"));
}

}  // namespace
}  // namespace platform::testing
