// Timed runs of the players' filter graph on a real server, each beside GStreamer's own
// playbin on the same file in the same run:
//   - opening a 480p H.264 MP4 with sound to its first frame on the overlay, as a player opens
//     it (CFilterControl: render, place the picture, run), seen in the server's overlay frame
//     counter, which counts each frame the renderer hands the overlay; beside an in-process
//     playbin with fakesinks, set to PLAYING, to its video sink's first buffer;
//   - playing it for 20 s: the CPU share of this process, of the server and of a
//     `gst-launch-1.0 playbin` child with clocked fakesinks;
//   - 100 open, play and close cycles: resident memory, threads and descriptors after cycle
//     10 and after cycle 100.
// The clip is made once with gst-launch-1.0 into the build tree. Prints medians and 90th
// percentiles in milliseconds, CPU as a share of one core, and the load average around the
// run, since the figures depend on what else the machine does.
#include <gst/gst.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_report.h"
#include "bench/first_buffer.h"
#include "movie/filter_control.h"
#include "platform/media/media_classes.h"
#include "platform/testing/media_clips.h"
#include "platform/testing/temporary_device.h"
#include "tools/devicectl/device_control.h"

extern char** environ;

namespace {

using bench::CpuSecondsOf;
using bench::LoadAverage;
using bench::Millis;
using bench::Report;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr int kRounds = 20;
constexpr int kCycles = 100;
constexpr auto kPlayTime = 20s;
constexpr const char* kClipName = bench::k480pClipName;
constexpr const auto& kClip = bench::k480pClip;
constexpr const char* kDevicePath = "\\STORAGE CARD\\Movie\\bench480.mp4";
constexpr RECT kPicture = {0, 0, 800, 480};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double OwnCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

size_t EntriesIn(const char* directory)
{
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(directory)) ++count;
    return count;
}

long ResidentKilobytes()
{
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

class GraphBench {
public:
    bool Start(std::string& failed)
    {
        std::ofstream(m_device.Root() / "device.conf", std::ios::app) << "audio = fake\n";
        if (!platform::testing::MakeClips(GRAPH_BENCH_CLIP_DIR, kClip, failed)) return false;
        m_clip = fs::path(GRAPH_BENCH_CLIP_DIR) / kClipName;
        const fs::path folder = m_device.Root() / "fs" / "STORAGE CARD" / "Movie";
        fs::create_directories(folder);
        fs::copy_file(m_clip, folder / kClipName, fs::copy_options::overwrite_existing);
        if (!m_device.StartServer()) {
            failed = "the device server did not start";
            return false;
        }
        return platform::RegisterMediaClasses() == S_OK;
    }

    const fs::path& Clip() const { return m_clip; }
    pid_t ServerPid() const { return m_device.ServerPid(); }

    std::uint64_t Frames()
    {
        auto info = m_control.Overlay();
        return info && info->open ? info->frames : 0;
    }
    // Polls the server until the overlay has shown `count` frames; false after 5 s.
    bool WaitForFrames(std::uint64_t count)
    {
        const auto deadline = Clock::now() + 5s;
        while (Frames() < count) {
            if (Clock::now() > deadline) return false;
            std::this_thread::sleep_for(200us);
        }
        return true;
    }

    // A player's open: the graph, the file rendered, the picture placed and running.
    bool Open(movie::CFilterControl& player)
    {
        return player.CreateFilterForPlaying(kDevicePath, kPicture) && SUCCEEDED(player.LastResult()) &&
               player.RunGraph();
    }
    static void Close(movie::CFilterControl& player) { player.TearDown(); }

private:
    platform::testing::TemporaryDevice m_device;
    devicectl::DeviceControl m_control{m_device.Root()};
    fs::path m_clip;
};

void OpenToFirstFrame(GraphBench& bench)
{
    std::vector<double> rendered, first_frame, run_to_next;
    for (int round = 0; round < kRounds; ++round) {
        movie::CFilterControl player;
        const auto started = Clock::now();
        if (!player.CreateFilterForPlaying(kDevicePath, kPicture) || FAILED(player.LastResult())) {
            std::fprintf(stderr, "open to first frame: the clip did not render (0x%08X)\n",
                         static_cast<unsigned>(player.LastResult()));
            return;
        }
        rendered.push_back(Millis(Clock::now() - started));
        const auto run = Clock::now();
        player.RunGraph();
        if (!bench.WaitForFrames(1)) {
            std::fprintf(stderr, "open to first frame: no frame reached the overlay\n");
            return;
        }
        first_frame.push_back(Millis(Clock::now() - started));
        // The picture placed while stopped is the paused frame; running brings the next.
        const std::uint64_t shown = bench.Frames();
        if (bench.WaitForFrames(shown + 1)) run_to_next.push_back(Millis(Clock::now() - run));
        GraphBench::Close(player);
    }
    Report("graph: RenderFile + SetDisplay returned", rendered);
    Report("graph: open to first frame on the overlay", first_frame);
    Report("graph: Run to the next frame on the overlay", run_to_next);
}

// An in-process playbin with fakesinks, as `gst-launch-1.0 playbin` builds it: PLAYING to the
// video sink's first buffer.
void PlaybinToFirstBuffer(const fs::path& clip)
{
    gst_init(nullptr, nullptr);
    gchar* uri = gst_filename_to_uri(clip.c_str(), nullptr);
    std::vector<double> first_buffer;
    for (int round = 0; round < kRounds; ++round) {
        const auto started = Clock::now();
        GstElement* playbin = gst_element_factory_make("playbin", nullptr);
        GstElement* video = gst_element_factory_make("fakesink", nullptr);
        GstElement* audio = gst_element_factory_make("fakesink", nullptr);
        g_object_set(video, "sync", TRUE, nullptr);
        g_object_set(audio, "sync", TRUE, nullptr);
        g_object_set(playbin, "uri", uri, "video-sink", video, "audio-sink", audio, nullptr);
        if (auto taken = bench::PlayingToFirstBuffer(playbin, video, started)) first_buffer.push_back(*taken);
        gst_object_unref(playbin);
    }
    g_free(uri);
    Report("playbin in process: PLAYING to first video buffer", first_buffer);
}

void CpuWhilePlaying(GraphBench& bench)
{
    movie::CFilterControl player;
    if (!bench.Open(player) || !bench.WaitForFrames(1)) {
        std::fprintf(stderr, "CPU while playing: the clip did not play\n");
        return;
    }
    const auto started = Clock::now();
    const double own = OwnCpuSeconds();
    const double server = CpuSecondsOf(bench.ServerPid());
    const std::uint64_t frames = bench.Frames();
    std::this_thread::sleep_for(kPlayTime);
    const double wall = Seconds(Clock::now() - started);
    const double own_share = (OwnCpuSeconds() - own) / wall;
    const double server_share = (CpuSecondsOf(bench.ServerPid()) - server) / wall;
    const std::uint64_t shown = bench.Frames() - frames;
    GraphBench::Close(player);
    std::printf("%-60s %6.1f %% of a core\n", "graph: this process while playing 20 s", own_share * 100);
    std::printf("%-60s %6.1f %% of a core (%llu frames, %.1f a second)\n", "graph: the device server meanwhile",
                server_share * 100, static_cast<unsigned long long>(shown), static_cast<double>(shown) / wall);

    // The same file through gst-launch-1.0, measured over the same 20 s once it is playing.
    const std::string uri = "uri=file://" + bench.Clip().string();
    const char* argv[] = {"gst-launch-1.0", "-q", "playbin", uri.c_str(), "video-sink=fakesink sync=true",
                          "audio-sink=fakesink sync=true", nullptr};
    pid_t child = -1;
    if (posix_spawnp(&child, "gst-launch-1.0", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
        std::fprintf(stderr, "CPU while playing: gst-launch-1.0 did not start\n");
        return;
    }
    std::this_thread::sleep_for(1s);
    const auto child_started = Clock::now();
    const double child_cpu = CpuSecondsOf(child);
    std::this_thread::sleep_for(kPlayTime);
    const double child_share = (CpuSecondsOf(child) - child_cpu) / Seconds(Clock::now() - child_started);
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    std::printf("%-60s %6.1f %% of a core\n", "gst-launch-1.0 playbin, fakesinks, 20 s", child_share * 100);
}

void Cycles(GraphBench& bench)
{
    for (int cycle = 1; cycle <= kCycles; ++cycle) {
        movie::CFilterControl player;
        if (!bench.Open(player) || !bench.WaitForFrames(3)) {
            std::fprintf(stderr, "cycles: cycle %d did not play\n", cycle);
            return;
        }
        GraphBench::Close(player);
        if (cycle == 10 || cycle == kCycles) {
            // Streaming threads, and the server connections they opened to hand frames to the
            // overlay, end a moment after the pipeline is down: the counts are read once they
            // have held for 200 ms.
            size_t threads = 0, descriptors = 0;
            for (int look = 0; look < 20; ++look) {
                const size_t now_threads = EntriesIn("/proc/self/task");
                const size_t now_descriptors = EntriesIn("/proc/self/fd");
                if (now_threads == threads && now_descriptors == descriptors) break;
                threads = now_threads;
                descriptors = now_descriptors;
                std::this_thread::sleep_for(200ms);
            }
            std::printf("after cycle %3d: resident %6ld KB, %3zu threads, %3zu descriptors\n", cycle,
                        ResidentKilobytes(), threads, descriptors);
        }
    }
}

}  // namespace

int main()
{
    std::printf("load average before: %s\n", LoadAverage().c_str());
    GraphBench bench;
    std::string failed;
    if (!bench.Start(failed)) {
        std::fprintf(stderr, "graph_bench: %s\n", failed.c_str());
        return 1;
    }
    OpenToFirstFrame(bench);
    PlaybinToFirstBuffer(bench.Clip());
    CpuWhilePlaying(bench);
    Cycles(bench);
    std::printf("load average after: %s\n", LoadAverage().c_str());
    return 0;
}
