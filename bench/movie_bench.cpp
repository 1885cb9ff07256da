// Timed runs of Movie on a real server:
//   - the play button to the film's first frame on the overlay (a 480p H.264 MP4 with sound),
//     seen in the server's overlay frame counter, beside a bare in-process
//     `filesrc ! decodebin ! fakesink` on the same file, PLAYING to its first buffer: what
//     GStreamer alone takes to read, demultiplex and decode the start of the file;
//   - the resume point written whole (beside, flushed, moved over) on the device's \NAND;
//   - Movie's start to its first painted screen with a playlist of 1,000 entries on the card,
//     beside the same start with an empty playlist;
//   - the CPU share of Movie playing the film for 10 s with a subtitle every half second,
//     beside the same film without subtitles.
// Prints medians and 90th percentiles in milliseconds, CPU as a share of one core, and the
// load average around the run, since the figures depend on what else the machine does.
#include <gst/gst.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_report.h"
#include "bench/first_buffer.h"
#include "framework/state_file.h"
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

constexpr int kPlayRounds = 20;
constexpr int kWriteRounds = 100;
constexpr int kStartRounds = 5;
constexpr int kListEntries = 1000;
constexpr auto kCpuWindow = 10s;
constexpr const char* kClipName = bench::k480pClipName;
constexpr const auto& kClip = bench::k480pClip;
constexpr int kPlayX = 30, kPlayY = 445, kStopX = 90, kStopY = 445;

class MovieBench {
public:
    bool Start(std::string& failed) {
        if (!platform::testing::MakeClips(MOVIE_BENCH_CLIP_DIR, kClip, failed)) return false;
        if (!m_device.Install(MOVIE_BINARY, "MOVIE.EXE")) {
            failed = "Movie could not be installed";
            return false;
        }
        fs::copy(MOVIE_RESOURCES, Host("NAND/MOVIE"), fs::copy_options::recursive);
        fs::create_directories(Host("STORAGE CARD/films"));
        for (const char* name : {"plain.mp4", "titled.mp4"})
            fs::copy_file(fs::path(MOVIE_BENCH_CLIP_DIR) / kClipName, Host(std::string("STORAGE CARD/films/") + name));
        // A subtitle every half second for the whole film.
        std::ofstream smi(Host("STORAGE CARD/films/titled.smi"));
        smi << "<SAMI><BODY>\r\n";
        for (int ms = 0; ms < 24000; ms += 500) smi << "<SYNC Start=" << ms << "><P Class=KRCC>Line " << ms << "\r\n";
        smi << "</BODY></SAMI>\r\n";
        smi.close();
        // The 1,000 entries: links to one small file.
        std::ofstream(Host("STORAGE CARD/films/tiny.mp4")) << "x";
        for (int i = 0; i < kListEntries; ++i)
            fs::create_hard_link(Host("STORAGE CARD/films/tiny.mp4"),
                                 Host("STORAGE CARD/films/e" + std::to_string(i) + ".mp4"));
        if (!m_device.StartServer()) {
            failed = "the device server did not start";
            return false;
        }
        return true;
    }

    fs::path Host(const std::string& relative) const { return m_device.Root() / "fs" / relative; }
    DeviceControl& Control() { return m_control; }

    void WritePlaylist(const std::vector<std::string>& names) {
        std::ofstream out(Host("NAND/MOVIELIST.M3U"), std::ios::binary);
        out << "#EXTM3U\r\n";
        for (const auto& name : names) out << "\\STORAGE CARD\\films\\" << name << "\r\n";
    }

    std::optional<pid_t> StartMovie() {
        DWORD error = 0;
        auto pid = m_control.Start("\\NAND\\MOVIE.EXE", "", error);
        if (!pid || !m_control.WaitWindow("APP_MOVIE", 10s)) return std::nullopt;
        return static_cast<pid_t>(*pid);
    }
    bool CloseMovie() {
        m_control.Close("APP_MOVIE");
        const auto deadline = Clock::now() + 10s;
        while (Clock::now() < deadline) {
            bool running = false;
            for (const auto& process : m_control.Processes())
                running = running || process.name == "MOVIE.EXE";
            if (!running) return true;
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }

    std::uint64_t Frames() {
        auto info = m_control.Overlay();
        return info && info->open ? info->frames : 0;
    }
    // Polls the server until `done`, at most 10 s; the time from `since`, or nothing.
    template <class Done>
    std::optional<double> Until(Clock::time_point since, Done done) {
        const auto deadline = Clock::now() + 10s;
        while (Clock::now() < deadline) {
            if (done()) return Millis(Clock::now() - since);
            std::this_thread::sleep_for(200us);
        }
        return std::nullopt;
    }

private:
    platform::testing::TemporaryDevice m_device;
    DeviceControl m_control{m_device.Root()};
};

// Play to the first frame: from the pen's release on the play button.
std::vector<double> PlayToFirstFrame(MovieBench& bench) {
    std::vector<double> samples;
    auto& control = bench.Control();
    for (int round = 0; round < kPlayRounds; ++round) {
        control.Tap(kStopX, kStopY);
        if (!bench.Until(Clock::now(), [&] { return bench.Frames() == 0; })) continue;
        std::this_thread::sleep_for(200ms);
        control.Press(kPlayX, kPlayY);
        const auto released = Clock::now();
        control.Release(kPlayX, kPlayY);
        if (auto taken = bench.Until(released, [&] { return bench.Frames() >= 1; })) samples.push_back(*taken);
    }
    control.Tap(kStopX, kStopY);
    return samples;
}

// A bare `filesrc ! decodebin ! fakesink` in this process: PLAYING to its sink's first buffer.
std::vector<double> BareDecodeToFirstBuffer(const fs::path& clip) {
    gst_init(nullptr, nullptr);
    std::vector<double> samples;
    for (int round = 0; round < kPlayRounds; ++round) {
        const auto started = Clock::now();
        const std::string line = "filesrc location=\"" + clip.string() + "\" ! decodebin ! fakesink name=sink sync=true";
        GstElement* pipeline = gst_parse_launch(line.c_str(), nullptr);
        GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
        if (auto taken = bench::PlayingToFirstBuffer(pipeline, sink, started)) samples.push_back(*taken);
        gst_object_unref(sink);
        gst_object_unref(pipeline);
    }
    return samples;
}

std::vector<double> ResumeWrites() {
    std::vector<double> samples;
    for (int round = 0; round < kWriteRounds; ++round) {
        const auto started = Clock::now();
        const std::string text = "1002\n" + std::to_string(round) + "\n0\n" + std::to_string(round * 7) + "\n";
        if (ReplaceStateFile("\\NAND\\Movie.dat", text)) samples.push_back(Millis(Clock::now() - started));
    }
    return samples;
}

// Movie's start to its painted screen: the bottom bar's play button drawn.
std::vector<double> StartToScreen(MovieBench& bench, int entries) {
    std::vector<std::string> names;
    for (int i = 0; i < entries; ++i) names.push_back("e" + std::to_string(i) + ".mp4");
    bench.WritePlaylist(names);
    std::vector<double> samples;
    auto& control = bench.Control();
    for (int round = 0; round < kStartRounds; ++round) {
        std::remove(bench.Host("NAND/Movie.dat").c_str());
        DWORD error = 0;
        const auto started = Clock::now();
        if (!control.Start("\\NAND\\MOVIE.EXE", "", error)) continue;
        const auto painted = bench.Until(started, [&] {
            DWORD failure = 0;
            const auto screen = control.Screenshot(failure);
            return screen && (screen->At(kPlayX, 470) & 0xFFFFFF) != 0 && (screen->At(400, 300) & 0xFFFFFF) != 0;
        });
        if (painted) samples.push_back(*painted);
        bench.CloseMovie();
    }
    return samples;
}

// Movie's CPU share over the window while it plays one entry.
std::optional<double> CpuWhilePlaying(MovieBench& bench, const std::string& name) {
    bench.WritePlaylist({name});
    std::remove(bench.Host("NAND/Movie.dat").c_str());
    const auto pid = bench.StartMovie();
    if (!pid) return std::nullopt;
    std::this_thread::sleep_for(500ms);
    bench.Control().Tap(kPlayX, kPlayY);
    if (!bench.Until(Clock::now(), [&] { return bench.Frames() >= 1; })) return std::nullopt;
    const double before = CpuSecondsOf(*pid);
    std::this_thread::sleep_for(kCpuWindow);
    const double used = CpuSecondsOf(*pid) - before;
    bench.CloseMovie();
    return used / std::chrono::duration<double>(kCpuWindow).count();
}

}  // namespace

int main() {
    std::printf("load average before: %s\n", LoadAverage().c_str());
    MovieBench bench;
    std::string failed;
    if (!bench.Start(failed)) {
        std::fprintf(stderr, "movie_bench: %s\n", failed.c_str());
        return 1;
    }

    bench.WritePlaylist({"plain.mp4"});
    if (!bench.StartMovie()) {
        std::fprintf(stderr, "movie_bench: Movie did not start\n");
        return 1;
    }
    std::this_thread::sleep_for(500ms);
    Report("play to the first frame on the overlay, 480p (target 300 ms)", PlayToFirstFrame(bench));
    bench.CloseMovie();
    Report("bare filesrc ! decodebin ! fakesink to its first buffer", BareDecodeToFirstBuffer(
        fs::path(MOVIE_BENCH_CLIP_DIR) / kClipName));

    Report("resume point written whole with flush (target 20 ms)", ResumeWrites());

    Report("start with 1,000 entries to the painted screen (target 300 ms)", StartToScreen(bench, kListEntries));
    Report("start with an empty list to the painted screen", StartToScreen(bench, 0));

    const auto plain = CpuWhilePlaying(bench, "plain.mp4");
    const auto titled = CpuWhilePlaying(bench, "titled.mp4");
    if (plain && titled) {
        std::printf("%-62s %6.1f %% of a core\n", "Movie playing 480p, 10 s, no subtitles", *plain * 100);
        std::printf("%-62s %6.1f %% of a core\n", "Movie playing 480p, 10 s, a subtitle every 0.5 s", *titled * 100);
        std::printf("%-62s %6.1f %% of a core (target under 3 %%)\n", "subtitles' cost", (*titled - *plain) * 100);
    } else {
        std::printf("CPU while playing: no figures (the film did not play)\n");
    }
    std::printf("load average after: %s\n", LoadAverage().c_str());
    return 0;
}
