// Timed runs of RouteKit on a real server, over the navigation stand-in's map:
//   - RouteKit's start (`devicectl start`) to its strip's first whole frame, beside the skin
//     demo's start to its first whole frame in the same run;
//   - a press on the strip's Music button to Music's first whole frame (the program double
//     installed as MUSIC.EXE), beside `devicectl start` of the same program. Each round starts
//     the strip again and waits for it before the press; the press ends the strip.
// Prints medians and 90th percentiles in milliseconds and the load average around the run.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "bench/bench_report.h"
#include "bench/whole_frame.h"
#include "platform/testing/temporary_device.h"
#include "tools/devicectl/device_control.h"

namespace {

using bench::Median;
using bench::Report;
using platform::testing::StandIn;

constexpr int kRounds = 20;
constexpr char kStrip[] = "APP_ROUTEKIT";
// The Music button's centre inside the strip.
constexpr int kMusicX = 5 + 71, kMusicY = 187 + 24;

}  // namespace

int main()
{
    std::printf("load average before: %s\n", bench::LoadAverage().c_str());
    platform::testing::TemporaryDevice device;
    if (!device.InstallWithResources(ROUTEKIT_BINARY, "ROUTEKIT.EXE", ROUTEKIT_RESOURCES) ||
        !device.InstallWithResources(SKINDEMO_BINARY, "SKINDEMO.EXE", SKINDEMO_RESOURCES) ||
        !device.InstallStandIn(StandIn::ProgramDouble, "\\NAND\\MUSIC.EXE") || !device.InstallStandIn(StandIn::Wayfarer) ||
        !device.StartServer()) {
        std::fprintf(stderr, "routekit_bench: no device\n");
        return 1;
    }
    devicectl::DeviceControl control(device.Root());
    bench::WholeFrameTimer timer(control);
    if (!timer.StartByPath("\\STORAGE CARD\\WAYFARER\\WAYFARER.EXE") || !timer.WaitWindow("Wayfarer", true)) {
        std::fprintf(stderr, "routekit_bench: the map did not start\n");
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));

    const auto start_strip = [&] { return timer.StartByPath("\\NAND\\ROUTEKIT.EXE"); };
    const auto strip = timer.Time(kStrip, start_strip, timer.Closer(kStrip), kRounds);
    const auto skindemo = timer.Time(
        "SkinDemo", [&] { return timer.StartByPath("\\NAND\\SKINDEMO.EXE"); }, timer.Closer("SkinDemo"), kRounds);

    // The press: the strip is started and settled first, off the clock; the press ends it.
    int strip_left = 0, strip_top = 0;
    const auto open_strip = [&] {
        if (!start_strip() || !timer.WaitWindow(kStrip, true)) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        for (const auto& info : control.Windows())
            if (info.title == kStrip) {
                strip_left = info.rect.left;
                strip_top = info.rect.top;
                return true;
            }
        return false;
    };
    const auto press_music = [&] { return timer.Tap(strip_left + kMusicX, strip_top + kMusicY); };
    const auto music_by_press =
        timer.Time("APP_MUSIC", open_strip, press_music, timer.Closer("APP_MUSIC"), kRounds);
    const auto music_by_start = timer.Time(
        "APP_MUSIC", [&] { return timer.StartByPath("\\NAND\\MUSIC.EXE"); }, timer.Closer("APP_MUSIC"), kRounds);
    if (!strip || !skindemo || !music_by_press || !music_by_start) {
        std::fprintf(stderr, "routekit_bench: a run did not finish\n%s\n", device.Log("ROUTEKIT.EXE").c_str());
        return 1;
    }
    Report("RouteKit start to its strip's first frame (target 150 ms)", *strip);
    Report("skin demo start to its first frame (same run)", *skindemo);
    Report("press on Music to Music's first frame (target 400 ms)", *music_by_press);
    Report("devicectl start of Music to its first frame", *music_by_start);
    std::printf("  RouteKit's share (difference of medians): %.1f ms\n", Median(*music_by_press) - Median(*music_by_start));
    std::printf("load average after: %s\n", bench::LoadAverage().c_str());
    return 0;
}
