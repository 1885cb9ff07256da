// Timed runs of the launcher on a real server:
//   - HomeDeck's cold start to its main menu's first whole frame, less the 500 ms its
//     start-up timer waits before the menu may paint, beside the skin demo's start to its
//     first whole frame in the same run;
//   - a tap on a launcher button to the started program's first whole frame (Music, here the
//     program double installed as MUSIC.EXE, and the Photo stand-in), beside `devicectl start`
//     of the same program to its first frame. The difference of the medians is the
//     launcher's share: the tap's way to HomeDeck, its button and its ShellExecuteEx.
// A frame counts as whole when every point sampled from a settled screenshot of it (where it
// differs from the screen before) shows its colour. Prints median and 99th percentile in
// milliseconds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/whole_frame.h"
#include "platform/testing/temporary_device.h"
#include "tools/devicectl/device_control.h"

namespace {

using devicectl::DeviceControl;
using platform::testing::StandIn;
using platform::testing::TemporaryDevice;
namespace fs = std::filesystem;

constexpr double kStartupTimerMs = 500;  // HomeDeck's menu may not paint before it
constexpr int kRounds = 20;

double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0 : samples[samples.size() / 2];
}

void Report(const char* what, std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) {
        return samples[std::min(samples.size() - 1, static_cast<std::size_t>(q * samples.size()))];
    };
    std::printf("%-58s median %8.1f ms   p99 %8.1f ms   (n=%zu)\n", what, at(0.5), at(0.99), samples.size());
}

class Bench {
public:
    bool Boot() {
        std::ofstream(m_device.Root() / "device.conf", std::ios::app) << "board_status = 16\naudio = fake\n";
        std::error_code error;
        fs::copy(HOMEDECK_RESOURCES, m_device.Root() / "fs" / "NAND" / "HOMEDECK", fs::copy_options::recursive, error);
        fs::copy(SKINDEMO_RESOURCES, m_device.Root() / "fs" / "NAND" / "SKINDEMO", fs::copy_options::recursive, error);
        return !error && m_device.Install(HOMEDECK_BINARY, "HOMEDECK.EXE") &&
               m_device.Install(SKINDEMO_BINARY, "SKINDEMO.EXE") &&
               m_device.InstallStandIn(StandIn::ProgramDouble, "\\NAND\\MUSIC.EXE") &&
               m_device.InstallStandIn(StandIn::Photo) && m_device.StartServer();
    }

    TemporaryDevice m_device;
    DeviceControl m_control{m_device.Root()};
    bench::WholeFrameTimer m_timer{m_control};
};

int Run() {
    Bench device;
    if (!device.Boot()) {
        std::fprintf(stderr, "no device\n");
        return 1;
    }
    bench::WholeFrameTimer& bench = device.m_timer;

    // Cold starts: HomeDeck to its menu, the skin demo to its dialog.
    const auto homedeck = bench.Time(
        "APP_HOMEDECK", [&] { return bench.StartByPath("\\NAND\\HOMEDECK.EXE"); }, bench.Closer("APP_HOMEDECK"),
        kRounds);
    const auto skindemo = bench.Time(
        "SkinDemo", [&] { return bench.StartByPath("\\NAND\\SKINDEMO.EXE"); }, bench.Closer("SkinDemo"), kRounds);
    if (!homedeck || !skindemo) return 1;
    std::vector<double> less_timer;
    for (double sample : *homedeck) less_timer.push_back(sample - kStartupTimerMs);
    Report("HomeDeck cold start to menu's first frame", *homedeck);
    Report("  less the 500 ms start-up timer", less_timer);
    Report("skin demo start to first frame (same run)", *skindemo);

    // Starts through the launcher and by devicectl.
    if (!bench.StartByPath("\\NAND\\HOMEDECK.EXE") || !bench.WaitWindow("APP_HOMEDECK", true)) return 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    const auto music_by_tap = bench.Time(
        "APP_MUSIC", [&] { return bench.Tap(405, 283); }, bench.Closer("APP_MUSIC"), kRounds);
    const auto music_by_start = bench.Time(
        "APP_MUSIC", [&] { return bench.StartByPath("\\NAND\\MUSIC.EXE"); }, bench.Closer("APP_MUSIC"), kRounds);
    // Photo sits on the multimedia menu.
    if (!bench.Tap(539, 283)) return 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const auto photo_by_tap = bench.Time(
        "APP_PHOTO", [&] { return bench.Tap(313, 283); }, bench.Closer("APP_PHOTO"), kRounds);
    const auto photo_by_start = bench.Time(
        "APP_PHOTO", [&] { return bench.StartByPath("\\NAND\\PHOTO.EXE"); }, bench.Closer("APP_PHOTO"), kRounds);
    if (!music_by_tap || !music_by_start || !photo_by_tap || !photo_by_start) return 1;
    Report("tap on Music to Music's first frame", *music_by_tap);
    Report("devicectl start of Music to its first frame", *music_by_start);
    std::printf("  launcher's share (difference of medians): %.1f ms\n", Median(*music_by_tap) - Median(*music_by_start));
    Report("tap on Photo to Photo's first frame", *photo_by_tap);
    Report("devicectl start of Photo to its first frame", *photo_by_start);
    std::printf("  launcher's share (difference of medians): %.1f ms\n", Median(*photo_by_tap) - Median(*photo_by_start));
    return 0;
}

}  // namespace

int main() { return Run(); }
