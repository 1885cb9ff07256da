// Music on a real device server: tracks from the card played through the real graph and heard
// at the device's audio output, the four orders, the PLAYLIST box, the resume point with its
// preset and mode, the volume with HomeDeck, and damaged input.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "framework/program_messages.h"
#include "platform/testing/media_clips.h"
#include "platform/testing/temporary_device.h"
#include "tools/devicectl/device_control.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using devicectl::DeviceControl;
using platform::testing::TemporaryDevice;
using platform::testing::WaitUntil;

constexpr auto kHang = 10s;

// Tracks of 1.5 s, one tone each and told apart by name, and one of 8 s; MP3 with ID3 tags.
const platform::testing::ClipRecipe kClips[] = {
    {"a.mp3", "audiotestsrc freq=440 num-buffers=65 samplesperbuffer=1024 ! audio/x-raw,rate=44100 ! audioconvert "
              "! lamemp3enc ! taginject tags=\"title=Alpha,artist=Tester\" ! id3v2mux ! filesink"},
    {"b.mp3", "audiotestsrc freq=660 num-buffers=65 samplesperbuffer=1024 ! audio/x-raw,rate=44100 ! audioconvert "
              "! lamemp3enc ! id3v2mux ! filesink"},
    {"c.mp3", "audiotestsrc freq=880 num-buffers=65 samplesperbuffer=1024 ! audio/x-raw,rate=44100 ! audioconvert "
              "! lamemp3enc ! id3v2mux ! filesink"},
    {"long.mp3", "audiotestsrc freq=550 num-buffers=345 samplesperbuffer=1024 ! audio/x-raw,rate=44100 "
                 "! audioconvert ! lamemp3enc ! id3v2mux ! filesink"},
    {"d.ogg", "audiotestsrc freq=330 num-buffers=65 samplesperbuffer=1024 ! audio/x-raw,rate=44100 ! audioconvert "
              "! vorbisenc ! oggmux ! filesink"},
    {"e.flac", "audiotestsrc freq=770 num-buffers=65 samplesperbuffer=1024 ! audio/x-raw,rate=44100 ! audioconvert "
               "! flacenc ! filesink"},
    {"f.wav", "audiotestsrc freq=990 num-buffers=65 samplesperbuffer=1024 ! audio/x-raw,rate=44100 ! audioconvert "
              "! wavenc ! filesink"},
    // Four tones at the band centres of preset 1, 20 s, as plain samples.
    {"bands.wav", "audiotestsrc freq=100 volume=0.12 num-buffers=940 samplesperbuffer=1024 ! m. "
                  "audiotestsrc freq=600 volume=0.12 num-buffers=940 samplesperbuffer=1024 ! m. "
                  "audiotestsrc freq=3000 volume=0.12 num-buffers=940 samplesperbuffer=1024 ! m. "
                  "audiotestsrc freq=12000 volume=0.12 num-buffers=940 samplesperbuffer=1024 ! m. "
                  "audiomixer name=m ! audio/x-raw,rate=48000,channels=2,format=S16LE ! wavenc ! filesink"},
};

// The level in dB of one frequency in a 16-bit stereo WAV recording (its left channel), by the
// Goertzel filter over the whole recording.
double ToneLevel(const fs::path& wav, double frequency) {
    std::ifstream in(wav, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 44) return -200;
    const std::size_t frames = (bytes.size() - 44) / 4;
    const double rate = 48000;
    const double coefficient = 2 * std::cos(2 * M_PI * frequency / rate);
    double s1 = 0, s2 = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        const auto lo = static_cast<unsigned char>(bytes[44 + i * 4]);
        const auto hi = static_cast<unsigned char>(bytes[44 + i * 4 + 1]);
        const double sample = static_cast<std::int16_t>(lo | hi << 8) / 32768.0;
        const double s0 = sample + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    return 10 * std::log10(power / static_cast<double>(frames * frames) + 1e-20);
}

struct Point {
    int x, y;
};
constexpr Point kPlay{30, 445}, kStop{90, 445}, kNext{210, 445}, kPreset{206, 328}, kMode{279, 328},
    kVolumeDown{327, 445}, kVolumeUp{435, 445}, kClose{748, 16};
Point Row(int row) { return {690, 72 + 1 + 37 * row + 18}; }
constexpr auto kRunning = static_cast<std::uint8_t>(protocol::AudioGraphState::Running);
constexpr auto kPaused = static_cast<std::uint8_t>(protocol::AudioGraphState::Paused);

class MusicDevice : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string failed;
        ASSERT_TRUE(platform::testing::MakeClips(MUSIC_CLIP_DIR, kClips, failed)) << failed;
    }

    void SetUp() override {
        ASSERT_TRUE(device.Install(MUSIC_BINARY, "MUSIC.EXE"));
        fs::copy(MUSIC_RESOURCES, Host("NAND/MUSIC"), fs::copy_options::recursive);
        fs::create_directories(Host("STORAGE CARD/music"));
        for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "long.mp3", "bands.wav", "d.ogg", "e.flac", "f.wav"})
            fs::copy_file(fs::path(MUSIC_CLIP_DIR) / name, Host(std::string("STORAGE CARD/music/") + name));
    }

    // The device's programs end with the test, before its server: a program slow to notice
    // its server gone must not outlive the test and hold the test runner's output open.
    void TearDown() override {
        if (!server_started) return;
        for (const auto& process : control.Processes())
            if (process.process_id != static_cast<std::uint32_t>(::getpid()) && !process.path.empty())
                ::kill(static_cast<pid_t>(process.process_id), SIGKILL);
    }

    fs::path Host(const std::string& relative) const { return device.Root() / "fs" / fs::u8path(relative); }
    void WriteFile(const std::string& relative, const std::string& bytes) {
        fs::create_directories(Host(relative).parent_path());
        std::ofstream(Host(relative), std::ios::binary) << bytes;
    }
    std::string ReadFile(const std::string& relative) const {
        std::ifstream in(Host(relative), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void WritePlaylist(const std::vector<std::string>& names) {
        std::string text = "#EXTM3U\r\n";
        for (const auto& name : names) text += "\\STORAGE CARD\\music\\" + name + "\r\n";
        WriteFile("NAND/MUSICLIST.M3U", text);
    }
    void StartMusic() {
        if (!server_started) {
            ASSERT_TRUE(device.StartServer());
            server_started = true;
        }
        DWORD error = 0;
        ASSERT_TRUE(control.Start("\\NAND\\MUSIC.EXE", "", error)) << error;
        ASSERT_NE(control.WaitWindow("APP_MUSIC", kHang), 0u) << device.Log("MUSIC.EXE");
        std::this_thread::sleep_for(300ms);
    }
    bool MusicRunning() {
        for (const auto& process : control.Processes())
            if (process.name == "MUSIC.EXE") return true;
        return false;
    }
    void Tap(Point point) {
        ASSERT_EQ(control.Tap(point.x, point.y), 0u);
        std::this_thread::sleep_for(150ms);
    }
    std::string Log() const { return device.Log("MUSIC.EXE"); }

    // Music's graph and its audio output as the device sees them.
    std::optional<protocol::GraphInfo> Graph() {
        const auto graphs = control.Graphs();
        if (!graphs) return std::nullopt;
        for (const auto& graph : *graphs)
            if (graph.program == "MUSIC.EXE") return graph;
        return std::nullopt;
    }
    std::optional<protocol::AudioOutputInfo> Output() {
        const auto outputs = control.AudioOutputs();
        if (!outputs) return std::nullopt;
        for (const auto& output : *outputs)
            if (output.program == "MUSIC.EXE") return output;
        return std::nullopt;
    }
    bool Playing(const std::string& name, std::chrono::milliseconds within = kHang) {
        return WaitUntil([&] {
            const auto graph = Graph();
            return graph && graph->state == kRunning && graph->file.find("\\" + name) != std::string::npos;
        }, within);
    }
    // The tracks heard one after another, as the graph names them, until `count` or the time is up.
    std::vector<std::string> TracksPlayed(std::size_t count, std::chrono::milliseconds within) {
        std::vector<std::string> played;
        const auto deadline = std::chrono::steady_clock::now() + within;
        std::uint32_t last_graph = 0;
        while (played.size() < count && std::chrono::steady_clock::now() < deadline) {
            const auto graph = Graph();
            if (graph && graph->state == kRunning && graph->graph != last_graph) {
                last_graph = graph->graph;
                played.push_back(graph->file.substr(graph->file.rfind('\\') + 1));
            }
            std::this_thread::sleep_for(20ms);
        }
        return played;
    }

    TemporaryDevice device;
    DeviceControl control{device.Root()};
    bool server_started = false;
};

// ---- Playing and hearing -----------------------------------------------------------------

TEST_F(MusicDevice, ATappedTrackIsHeardItsTimeRunsAndPauseHoldsBoth) {
    WritePlaylist({"long.mp3"});
    StartMusic();
    Tap(kPlay);
    ASSERT_TRUE(Playing("long.mp3")) << Log();
    // Heard: the output plays and carries a level.
    ASSERT_TRUE(WaitUntil([&] {
        const auto output = Output();
        return output && output->state == kRunning && output->level != protocol::kSilentAudioLevel;
    }, kHang));
    const auto before = Output();
    std::this_thread::sleep_for(2s);
    const auto after = Output();
    ASSERT_TRUE(before && after);
    const double advanced = static_cast<double>(after->position_us - before->position_us) / 1e6;
    EXPECT_NEAR(advanced, 2.0, 0.3);
    Tap(kPlay);  // pause
    ASSERT_TRUE(WaitUntil([&] {
        const auto graph = Graph();
        return graph && graph->state == kPaused;
    }, kHang));
    const auto paused = Graph();
    std::this_thread::sleep_for(1s);
    const auto still = Graph();
    ASSERT_TRUE(paused && still);
    EXPECT_EQ(paused->position_ms, still->position_ms) << "pause holds the position";
    // The seek bar's middle goes to the middle of the track and plays on.
    ASSERT_EQ(control.Drag(100, 383, 79 + (420 - 14) / 2, 383, 200ms), 0u);
    EXPECT_TRUE(WaitUntil([&] {
        const auto graph = Graph();
        return graph && graph->state == kRunning && graph->position_ms >= 3500;
    }, kHang)) << Log();
}

TEST_F(MusicDevice, OggFlacAndWaveTracksPlayInTurn) {
    WritePlaylist({"d.ogg", "e.flac", "f.wav"});
    StartMusic();
    Tap(kPlay);
    EXPECT_EQ(TracksPlayed(3, 12s), (std::vector<std::string>{"d.ogg", "e.flac", "f.wav"})) << Log();
}

// ---- Orders ------------------------------------------------------------------------------

TEST_F(MusicDevice, RepeatAllWrapsAndRepeatOneRepeats) {
    WritePlaylist({"a.mp3", "b.mp3", "c.mp3"});
    StartMusic();
    Tap(Row(1));
    EXPECT_EQ(TracksPlayed(3, 10s), (std::vector<std::string>{"b.mp3", "c.mp3", "a.mp3"})) << Log();
    // Repeat one: the track comes again at its end; next by hand moves on.
    for (int i = 0; i < 3; ++i) Tap(kMode);
    const auto repeated = TracksPlayed(2, 6s);
    ASSERT_EQ(repeated.size(), 2u) << Log();
    EXPECT_EQ(repeated[0], repeated[1]);
    Tap(kNext);
    EXPECT_TRUE(WaitUntil([&] {
        const auto graph = Graph();
        return graph && graph->state == kRunning && graph->file.find("\\" + repeated[1]) == std::string::npos;
    }, 4s)) << "next by hand moves on: " << Log();
}

TEST_F(MusicDevice, ShuffleOncePlaysEachRowOnceThenStops) {
    WritePlaylist({"a.mp3", "b.mp3", "c.mp3"});
    WriteFile("NAND/Music.dat", "1002\n0\n0\n1\n1\n0\n");  // mode 1, stopped
    StartMusic();
    Tap(kPlay);
    const auto played = TracksPlayed(4, 12s);
    ASSERT_EQ(played.size(), 3u) << Log();
    std::vector<std::string> sorted = played;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<std::string>{"a.mp3", "b.mp3", "c.mp3"}));
    EXPECT_TRUE(WaitUntil([&] { return !Graph(); }, 3s)) << "stopped after the pass";
    EXPECT_NE(Log().find("Music: shuffle seed "), std::string::npos);
}

// ---- The playlist box --------------------------------------------------------------------

TEST_F(MusicDevice, ThePlaylistBoxPlaysATappedRowAndIgnoresATapBelowTheRows) {
    WritePlaylist({"a.mp3", "b.mp3", "c.mp3"});
    StartMusic();
    bool found = false;
    for (const auto& window : control.Windows()) {
        if (window.class_name != "PLAYLIST") continue;
        found = true;
        EXPECT_EQ(window.rect.left, 582);
        EXPECT_EQ(window.rect.top, 72);
        EXPECT_EQ(window.rect.right - window.rect.left, 217);
        EXPECT_EQ(window.rect.bottom - window.rect.top, 336);
    }
    EXPECT_TRUE(found);
    Tap(Row(5));  // no row there
    std::this_thread::sleep_for(600ms);
    EXPECT_FALSE(Graph());
    Tap(Row(2));
    EXPECT_TRUE(Playing("c.mp3")) << Log();
    // Three nexts within 300 ms: only the last plays.
    ASSERT_EQ(control.Tap(kNext.x, kNext.y, 3, 80ms), 0u);
    EXPECT_EQ(TracksPlayed(1, 3s), (std::vector<std::string>{"c.mp3"})) << "c → a → b → c: " << Log();
}

TEST_F(MusicDevice, PagingTwentyRowsMovesTheThumbAndTheFmButtonTunesTheTransmitter) {
    std::vector<std::string> names;
    for (int i = 0; i < 20; ++i) names.push_back(i % 2 ? "a.mp3" : "b.mp3");
    WritePlaylist(names);
    WriteFile("NAND/System.dat", "1002\n5\n5\n0\n5\n1\n0\n881\n901\n921\n941\n961\n");
    StartMusic();
    // Three pages: the second puts the thumb (336 - 66) / 2 + 1 pixels down from its first place.
    const auto thumb_at = [&](int offset) {
        DWORD error = 0;
        const auto screen = control.Screenshot(error);
        if (!screen) return false;
        const auto at = [&](int y) { return screen->At(582 + 212, 72 + 1 + y + 32) & 0xFFFFFF; };
        return at(offset) != at(offset == 0 ? 136 : 0);
    };
    EXPECT_TRUE(WaitUntil([&] { return thumb_at(0); }, 3s));
    Tap({746, 445});  // page down
    EXPECT_TRUE(WaitUntil([&] { return thumb_at(136); }, 3s));
    // Four FM taps: channel 4 and its frequency (96.1 MHz) on the transmitter.
    for (int i = 0; i < 4; ++i) Tap({524, 445});
    EXPECT_TRUE(WaitUntil([&] {
        const auto state = control.DriverState();
        return state && state->fm_word == (0xCC0800u | 961u);
    }, 3s));
}

TEST_F(MusicDevice, FileShelfEditsTheListAndItsConfirmPlaysTheChosenEntry) {
    ASSERT_TRUE(device.Install(FILESHELF_BINARY, "FILESHELF.EXE"));
    fs::copy(FILESHELF_RESOURCES, Host("NAND/FILESHELF"), fs::copy_options::recursive);
    WritePlaylist({"a.mp3", "b.mp3", "c.mp3"});
    StartMusic();
    Tap({748, 51});  // edit the list
    ASSERT_NE(control.WaitWindow("APP_BROWSER", kHang), 0u) << Log();
    EXPECT_TRUE(WaitUntil([&] {
        for (const auto& process : control.Processes())
            if (process.name == "FILESHELF.EXE") return process.command_line == "APP_MUSIC";
        return false;
    }, 3s));
    std::this_thread::sleep_for(500ms);
    // Cancel changes nothing.
    Tap({750, 16});
    ASSERT_TRUE(WaitUntil([&] { return control.FindWindowByName("APP_BROWSER") == 0; }, kHang));
    std::this_thread::sleep_for(500ms);
    EXPECT_FALSE(Graph());
    // Again, the third row of FileShelf's play list made current, and confirmed.
    Tap({748, 51});
    ASSERT_NE(control.WaitWindow("APP_BROWSER", kHang), 0u);
    std::this_thread::sleep_for(500ms);
    Tap({178, 88 + 1 + 32 * 2 + 16});
    Tap({398, 283});
    EXPECT_TRUE(Playing("c.mp3")) << Log() << device.Log("FILESHELF.EXE");
    // An empty list stops and clears the texts.
    WritePlaylist({});
    ASSERT_EQ(control.Post("APP_MUSIC", WM_PLAYLIST_RESULT, 0, 0), 0u);
    EXPECT_TRUE(WaitUntil([&] { return !Graph(); }, 3s));
}

// ---- The equaliser -----------------------------------------------------------------------

TEST_F(MusicDevice, APresetMovesEachBandItsWayAndTheNextTrackKeepsIt) {
    WritePlaylist({"bands.wav", "bands.wav"});
    StartMusic();
    Tap(kPlay);
    ASSERT_TRUE(Playing("bands.wav")) << Log();
    std::this_thread::sleep_for(500ms);
    const auto record = [&](const std::string& name) {
        const fs::path file = device.Root() / (name + ".wav");
        std::string error;
        EXPECT_TRUE(control.RecordAudio(file, 1500ms, error)) << error;
        return file;
    };
    const fs::path flat = record("flat");
    Tap(kPreset);  // preset 1: +6 dB at 100 Hz, -4 at 600, +4 at 3000 and 12000
    std::this_thread::sleep_for(300ms);
    const fs::path shaped = record("shaped");
    const struct {
        double frequency, gain;
    } bands[] = {{100, 6}, {600, -4}, {3000, 4}, {12000, 4}};
    for (const auto& band : bands) {
        const double moved = ToneLevel(shaped, band.frequency) - ToneLevel(flat, band.frequency);
        EXPECT_GE(moved * (band.gain > 0 ? 1 : -1), std::abs(band.gain) / 3) << band.frequency << " Hz moved " << moved;
    }
    // The next track starts with the preset in use.
    Tap(kNext);
    ASSERT_TRUE(WaitUntil([&] {
        const auto graph = Graph();
        return graph && graph->graph >= 2 && graph->state == kRunning;
    }, kHang));
    std::this_thread::sleep_for(500ms);
    const fs::path next = record("next");
    EXPECT_GE(ToneLevel(next, 100) - ToneLevel(flat, 100), 2.0);
}

// ---- The resume point --------------------------------------------------------------------

TEST_F(MusicDevice, ResumesTheTrackAtItsSecondWithItsPresetAndMode) {
    WritePlaylist({"a.mp3", "gone.mp3", "b.mp3", "long.mp3"});
    fs::remove(Host("STORAGE CARD/music/gone.mp3"));
    StartMusic();
    Tap(Row(2));  // long.mp3, the fourth entry of the file
    ASSERT_TRUE(Playing("long.mp3")) << Log();
    Tap(kPreset);
    Tap(kPreset);
    for (int i = 0; i < 3; ++i) Tap(kMode);
    ASSERT_TRUE(WaitUntil([&] {
        const auto graph = Graph();
        return graph && graph->position_ms >= 5000;
    }, kHang));
    ASSERT_EQ(control.Close("APP_MUSIC"), 0u);
    ASSERT_TRUE(WaitUntil([&] { return !MusicRunning(); }, kHang));
    int marker = 0, entry = -1, preset = -1, mode = -1, state = -1, seconds = -1;
    const std::string saved = ReadFile("NAND/Music.dat");
    ASSERT_EQ(std::sscanf(saved.c_str(), "%d %d %d %d %d %d", &marker, &entry, &preset, &mode, &state, &seconds), 6)
        << saved;
    EXPECT_EQ(marker, 1002);
    EXPECT_EQ(entry, 3) << "the entry's number in the playlist file";
    EXPECT_EQ(preset, 2);
    EXPECT_EQ(mode, 3);
    EXPECT_EQ(state, 0);
    EXPECT_GE(seconds, 5);

    StartMusic();
    ASSERT_TRUE(Playing("long.mp3")) << "no tap needed: " << Log();
    const auto graph = Graph();
    ASSERT_TRUE(graph);
    EXPECT_GE(graph->position_ms, seconds * 1000 - 100);
    EXPECT_LE(graph->position_ms, seconds * 1000 + 1500);
}

// ---- Volume ------------------------------------------------------------------------------

TEST_F(MusicDevice, VolumeDownToZeroMutesAndTellsHomeDeckAndDuckingLowersTheGraph) {
    ASSERT_TRUE(device.InstallStandIn(platform::testing::StandIn::ProgramDouble, "\\NAND\\HOMEDECK.EXE"));
    WriteFile("NAND/System.dat", "1002\n5\n1\n0\n5\n1\n0\n881\n901\n921\n941\n961\n");  // volume 1
    WritePlaylist({"long.mp3"});
    ASSERT_TRUE(device.StartServer());
    server_started = true;
    DWORD error = 0;
    ASSERT_TRUE(control.Start("\\NAND\\HOMEDECK.EXE", "", error));
    ASSERT_NE(control.WaitWindow("APP_HOMEDECK", kHang), 0u);
    StartMusic();
    Tap(kPlay);
    ASSERT_TRUE(Playing("long.mp3"));
    const auto homedeck_got = [&](int code, int value) {
        const std::string line = "WM_MMS_SETTING wparam=" + std::to_string(code) +
                                 " lparam=" + std::to_string(0x10000 + value);
        return WaitUntil([&] { return device.Log("HOMEDECK.EXE").find(line) != std::string::npos; }, 3s);
    };
    const auto volume_is = [&](int volume) {
        return WaitUntil([&] {
            const auto graph = Graph();
            return graph && graph->volume == volume;
        }, 3s);
    };
    Tap(kVolumeDown);
    EXPECT_TRUE(homedeck_got(200, 0));
    EXPECT_TRUE(homedeck_got(204, 1)) << device.Log("HOMEDECK.EXE");
    EXPECT_TRUE(volume_is(-10000));
    Tap(kVolumeUp);
    EXPECT_TRUE(homedeck_got(204, 0));
    EXPECT_TRUE(volume_is(0));
    // Relayed volume 7, then another sound: level 3; its end gives the sound back after a second.
    ASSERT_EQ(control.Post("APP_MUSIC", WM_MMS_SETTING, 100, 7), 0u);
    ASSERT_EQ(control.Broadcast(WM_OUTSIDE_AUDIO_EVENT, 1, 0), 0u);
    EXPECT_TRUE(volume_is(-3350));
    ASSERT_EQ(control.Broadcast(WM_OUTSIDE_AUDIO_EVENT, 0, 0), 0u);
    std::this_thread::sleep_for(700ms);
    EXPECT_TRUE(volume_is(-3350)) << "not before the second is out";
    EXPECT_TRUE(volume_is(0));
    // A relayed mute silences.
    ASSERT_EQ(control.Post("APP_MUSIC", WM_MMS_SETTING, 102, 1), 0u);
    EXPECT_TRUE(volume_is(-10000));
}

// ---- Bad input ---------------------------------------------------------------------------

TEST_F(MusicDevice, DamagedFilesAndMessagesAreSkippedOrIgnored) {
    // Noise named like a song, an empty file, a folder named like one, then a real track.
    std::string noise(50000, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>(i * 7919 % 251);
    WriteFile("STORAGE CARD/music/noise.mp3", noise);
    WriteFile("STORAGE CARD/music/empty.mp3", "");
    fs::create_directories(Host("STORAGE CARD/music/folder.mp3"));
    WritePlaylist({"noise.mp3", "empty.mp3", "folder.mp3", "a.mp3"});
    WriteFile("NAND/Music.dat", "1002\n0\n9\n-1\n7\n-5\n");
    StartMusic();
    Tap(kPlay);
    EXPECT_TRUE(Playing("a.mp3", 15s)) << "the damaged tracks are passed over: " << Log();
    for (const auto& [message, wparam, lparam] : {std::tuple{WM_PLAYLIST_RESULT, -1LL, 1LL},
                                                  std::tuple{WM_SKIN_SLIDER, 1030LL, 99LL},
                                                  std::tuple{WM_MMS_SETTING, 100LL, -5LL},
                                                  std::tuple{WM_MMS_SETTING, 102LL, 7LL},
                                                  std::tuple{WM_OUTSIDE_AUDIO_EVENT, 42LL, 0LL}})
        ASSERT_EQ(control.Post("APP_MUSIC", message, static_cast<std::uint64_t>(wparam), lparam), 0u);
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(MusicRunning());
    // Fifty fast nexts leave one graph.
    ASSERT_EQ(control.Tap(kNext.x, kNext.y, 50, 20ms), 0u);
    std::this_thread::sleep_for(1500ms);
    const auto graphs = control.Graphs();
    ASSERT_TRUE(graphs);
    EXPECT_LE(std::count_if(graphs->begin(), graphs->end(),
                            [](const auto& graph) { return graph.program == "MUSIC.EXE"; }), 1);
    // The card pulled mid-track: stopped at once.
    Tap(kPlay);
    std::string error;
    ASSERT_TRUE(control.SetMediumInserted(DeviceControl::Medium::StorageCard, false, error)) << error;
    EXPECT_TRUE(WaitUntil([&] { return !Graph(); }, 500ms));
    ASSERT_EQ(control.Close("APP_MUSIC"), 0u);
    ASSERT_TRUE(WaitUntil([&] { return !MusicRunning(); }, kHang));
    EXPECT_EQ(ReadFile("NAND/Music.dat").rfind("1002\n", 0), 0u);
}

}  // namespace
