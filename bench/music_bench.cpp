// Timed runs of Music on a real server:
//   - a track change between MP3s on the card, from the track-end command (posted to Music) to
//     the new track's first audio at the device's output, seen in the server's list of audio
//     outputs; also from a tap on next (which waits 300 ms for more taps); beside a bare graph
//     start in this process (the players' graph rendered and run) to its first audio;
//   - a list of 10,000 entries, from WM_PLAYLIST_RESULT to its first page in the PLAYLIST box
//     on the composed screen, with every file there and with a tenth missing; beside a floor
//     taken in this process: the list read and one GetFileAttributes per path;
//   - the CPU share of MUSIC.EXE playing an MP3 for 10 s.
// Prints medians, 90th and 95th percentiles in milliseconds, CPU as a share of one core, and
// the load average around the run.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_report.h"
#include "fileshelf/playlist_file.h"
#include "framework/program_messages.h"
#include "movie/filter_control.h"
#include "platform/files/files.h"
#include "platform/media/media_classes.h"
#include "platform/testing/media_clips.h"
#include "platform/testing/temporary_device.h"
#include "tools/devicectl/device_control.h"

namespace {

using bench::Clock;
using bench::CpuSecondsOf;
using bench::LoadAverage;
using bench::Millis;
using bench::Report;
using devicectl::DeviceControl;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr int kChanges = 20;
constexpr int kListRounds = 5;
constexpr int kListEntries = 10000;
constexpr auto kCpuWindow = 10s;
const platform::testing::ClipRecipe kClips[] = {
    {"song.mp3", "audiotestsrc freq=440 num-buffers=1300 samplesperbuffer=1024 ! audio/x-raw,rate=44100,channels=2 "
                 "! audioconvert ! lamemp3enc ! id3v2mux ! filesink"},
};
constexpr int kNextX = 210, kNextY = 445;
constexpr RECT kBox = {582, 72, 799, 408};

std::optional<protocol::AudioOutputInfo> OutputOf(DeviceControl& control, std::uint32_t process) {
    const auto outputs = control.AudioOutputs();
    if (!outputs) return std::nullopt;
    for (const auto& output : *outputs)
        if (output.process_id == process) return output;
    return std::nullopt;
}

void ReportWith95(const char* what, std::vector<double> samples) {
    Report(what, samples);
    if (samples.empty()) return;
    std::sort(samples.begin(), samples.end());
    std::printf("%-62s p95    %8.2f ms\n", "",
                samples[std::min(samples.size() - 1, static_cast<std::size_t>(0.95 * static_cast<double>(samples.size())))]);
}

class MusicBench {
public:
    bool Start(std::string& failed) {
        if (!platform::testing::MakeClips(MUSIC_BENCH_CLIP_DIR, kClips, failed)) return false;
        if (!m_device.Install(MUSIC_BINARY, "MUSIC.EXE")) {
            failed = "Music could not be installed";
            return false;
        }
        fs::copy(MUSIC_RESOURCES, Host("NAND/MUSIC"), fs::copy_options::recursive);
        fs::create_directories(Host("STORAGE CARD/music"));
        for (int i = 0; i < 4; ++i)
            fs::copy_file(fs::path(MUSIC_BENCH_CLIP_DIR) / "song.mp3", Host("STORAGE CARD/music/s" + std::to_string(i) + ".mp3"));
        for (int i = 0; i < kListEntries; ++i)
            fs::create_hard_link(Host("STORAGE CARD/music/s0.mp3"), Host("STORAGE CARD/music/e" + std::to_string(i) + ".mp3"));
        if (!m_device.StartServer()) {
            failed = "the device server did not start";
            return false;
        }
        return platform::RegisterMediaClasses() == S_OK;
    }
    fs::path Host(const std::string& relative) const { return m_device.Root() / "fs" / relative; }
    DeviceControl& Control() { return m_control; }

    void WritePlaylist(const std::vector<std::string>& names) {
        std::ofstream out(Host("NAND/MUSICLIST.M3U"), std::ios::binary);
        out << "#EXTM3U\r\n";
        for (const auto& name : names) out << "\\STORAGE CARD\\music\\" << name << "\r\n";
    }
    std::optional<std::uint32_t> StartMusic() {
        DWORD error = 0;
        auto pid = m_control.Start("\\NAND\\MUSIC.EXE", "", error);
        if (!pid || !m_control.WaitWindow("APP_MUSIC", 10s)) return std::nullopt;
        std::this_thread::sleep_for(500ms);
        return pid;
    }
    template <class Done>
    std::optional<double> Until(Clock::time_point since, Done done, std::chrono::milliseconds limit = 10s) {
        const auto deadline = Clock::now() + limit;
        while (Clock::now() < deadline) {
            if (done()) return Millis(Clock::now() - since);
            std::this_thread::sleep_for(300us);
        }
        return std::nullopt;
    }
    // The new output's first audio after `since`: an output of Music numbered past `last`
    // whose position has moved.
    std::optional<double> FirstAudio(std::uint32_t music, std::uint32_t& last, Clock::time_point since) {
        auto taken = Until(since, [&] {
            const auto output = OutputOf(m_control, music);
            return output && output->output != last && output->position_us > 0;
        });
        if (const auto output = OutputOf(m_control, music)) last = output->output;
        return taken;
    }

private:
    platform::testing::TemporaryDevice m_device;
    DeviceControl m_control{m_device.Root()};
};

void TrackChanges(MusicBench& bench, std::uint32_t music) {
    auto& control = bench.Control();
    std::uint32_t last = 0;
    control.Post("APP_MUSIC", WM_COMMAND, 1014, 0);
    bench.FirstAudio(music, last, Clock::now());
    std::vector<double> by_command, by_tap;
    for (int i = 0; i < kChanges; ++i) {
        std::this_thread::sleep_for(300ms);
        const auto posted = Clock::now();
        control.Post("APP_MUSIC", WM_COMMAND, 1031, 0);
        if (auto taken = bench.FirstAudio(music, last, posted)) by_command.push_back(*taken);
    }
    for (int i = 0; i < kChanges / 2; ++i) {
        std::this_thread::sleep_for(300ms);
        control.Press(kNextX, kNextY);
        const auto released = Clock::now();
        control.Release(kNextX, kNextY);
        if (auto taken = bench.FirstAudio(music, last, released)) by_tap.push_back(*taken);
    }
    ReportWith95("track end to the next track's first audio (target 150 ms)", by_command);
    ReportWith95("tap on next to the next track's first audio (300 ms wait)", by_tap);
}

void BareGraphStarts(MusicBench& bench) {
    std::vector<double> samples;
    const auto self = static_cast<std::uint32_t>(::getpid());
    std::uint32_t last = 0;
    for (int i = 0; i < kChanges; ++i) {
        movie::CFilterControl graph(movie::FilterControlVariant::Music);
        const auto started = Clock::now();
        if (!graph.CreateFilterForPlaying("\\STORAGE CARD\\music\\s1.mp3", RECT{0, 0, 0, 0}) || !graph.RunGraph()) continue;
        if (auto taken = bench.FirstAudio(self, last, started)) samples.push_back(*taken);
        graph.TearDown();
    }
    ReportWith95("bare graph start in process to its first audio", samples);
}

// The PLAYLIST box's pixels differ from `before`.
bool BoxChanged(DeviceControl& control, const std::optional<DeviceControl::Screen>& before) {
    DWORD error = 0;
    const auto screen = control.Screenshot(error);
    if (!screen || !before) return false;
    for (int y = kBox.top + 5; y < kBox.bottom; y += 6)
        for (int x = kBox.left + 5; x < kBox.right - 10; x += 3)
            if (screen->At(x, y) != before->At(x, y)) return true;
    return false;
}

void LongLists(MusicBench& bench) {
    auto& control = bench.Control();
    for (const bool tenth_missing : {false, true}) {
        std::vector<std::string> names;
        for (int i = 0; i < kListEntries; ++i)
            names.push_back((tenth_missing && i % 10 == 3 ? "missing" : "e") + std::to_string(i) + ".mp3");
        std::vector<double> samples, floor;
        for (int round = 0; round < kListRounds; ++round) {
            // A short list first, so the long one changes the box.
            bench.WritePlaylist({"s0.mp3"});
            control.Post("APP_MUSIC", WM_PLAYLIST_RESULT, 0, 0);
            std::this_thread::sleep_for(600ms);
            control.Post("APP_MUSIC", WM_COMMAND, 1015, 0);
            std::this_thread::sleep_for(300ms);
            DWORD error = 0;
            const auto before = control.Screenshot(error);
            bench.WritePlaylist(names);
            const auto posted = Clock::now();
            control.Post("APP_MUSIC", WM_PLAYLIST_RESULT, 5, 0);
            if (auto taken = bench.Until(posted, [&] { return BoxChanged(control, before); })) samples.push_back(*taken);
            // The floor: the same list read and each path looked up, here.
            const auto started = Clock::now();
            fileshelf::PlaylistFile file;
            if (file.Open(fileshelf::kMusicPlaylistPath, fileshelf::PlaylistAccess::Read)) {
                std::string path, title;
                std::int32_t duration = 0;
                int kept = 0;
                while (file.ReadEntry(path, title, duration)) kept += GetFileAttributes(path) != INVALID_FILE_ATTRIBUTES;
                floor.push_back(Millis(Clock::now() - started));
            }
        }
        Report(tenth_missing ? "10,000 entries, a tenth missing: result to first page" : "10,000 entries: result to first page (target 100 ms)", samples);
        Report(tenth_missing ? "  floor: read and look up each path (a tenth missing)" : "  floor: read and look up each path", floor);
    }
}

}  // namespace

int main() {
    std::printf("load average before: %s\n", LoadAverage().c_str());
    MusicBench bench;
    std::string failed;
    if (!bench.Start(failed)) {
        std::fprintf(stderr, "music_bench: %s\n", failed.c_str());
        return 1;
    }
    bench.WritePlaylist({"s0.mp3", "s1.mp3", "s2.mp3", "s3.mp3"});
    const auto music = bench.StartMusic();
    if (!music) {
        std::fprintf(stderr, "music_bench: Music did not start\n");
        return 1;
    }
    TrackChanges(bench, *music);
    BareGraphStarts(bench);

    // CPU while playing one song: stopped, then played from its start.
    bench.Control().Post("APP_MUSIC", WM_COMMAND, 1015, 0);
    bench.Control().Post("APP_MUSIC", WM_COMMAND, 1014, 0);
    std::this_thread::sleep_for(1s);
    const double before = CpuSecondsOf(static_cast<pid_t>(*music));
    std::this_thread::sleep_for(kCpuWindow);
    const double used = CpuSecondsOf(static_cast<pid_t>(*music)) - before;
    std::printf("%-62s %6.1f %% of a core (target under 10 %%)\n", "MUSIC.EXE playing an MP3, 10 s",
                used / std::chrono::duration<double>(kCpuWindow).count() * 100);

    LongLists(bench);
    std::printf("load average after: %s\n", LoadAverage().c_str());
    return 0;
}
