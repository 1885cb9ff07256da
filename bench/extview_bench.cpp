// Timed runs of Extview on a real server, its camera the moving test pattern of device.conf's
// `camera = test`:
//   - Extview's start (`devicectl start`, argument "1") to its first camera frame on the overlay,
//     ten starts, each after the last one has ended;
//   - a tap on the picture to the first frame at the other mode's rectangle (the graph is torn
//     down and built again for it), 20 taps, normal and full screen in turn;
//   - the frames shown a second over five seconds, and Extview's share of one core meanwhile.
// Prints medians and 90th percentiles in milliseconds and the load average around the run.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_report.h"
#include "platform/testing/temporary_device.h"
#include "tools/devicectl/device_control.h"

namespace {

using bench::Clock;
using bench::Report;
using namespace std::chrono_literals;

constexpr int kStartRounds = 10;
constexpr int kTapRounds = 20;
constexpr auto kWait = 15s;
constexpr char kWindow[] = "APP_EXTVIEW";

struct Picture {
    protocol::Rect rect;
    std::uint64_t frames = 0;
};

std::optional<Picture> Shown(devicectl::DeviceControl& control)
{
    const auto overlay = control.Overlay();
    if (!overlay || !overlay->open || overlay->program != "EXTVIEW.EXE") return std::nullopt;
    return Picture{overlay->destination, overlay->frames};
}

template <class Done>
std::optional<double> Until(Clock::time_point since, Done done)
{
    return bench::Until(since, kWait, 500us, done);
}

std::optional<std::uint32_t> ExtviewPid(devicectl::DeviceControl& control)
{
    for (const auto& process : control.Processes())
        if (process.path.find("EXTVIEW.EXE") != std::string::npos) return process.process_id;
    return std::nullopt;
}

bool Ended(devicectl::DeviceControl& control)
{
    return Until(Clock::now(), [&] { return !ExtviewPid(control); }).has_value();
}

}  // namespace

int main()
{
    std::printf("load average before: %s\n", bench::LoadAverage().c_str());
    platform::testing::TemporaryDevice device;
    if (!device.InstallWithResources(EXTVIEW_BINARY, "EXTVIEW.EXE", EXTVIEW_RESOURCES) || !device.StartServer()) {
        std::fprintf(stderr, "extview_bench: no device\n");
        return 1;
    }
    devicectl::DeviceControl control(device.Root());
    DWORD start_error = 0;

    std::vector<double> starts;
    for (int round = 0; round < kStartRounds; ++round) {
        const auto begun = Clock::now();
        if (!control.Start("\\NAND\\EXTVIEW.EXE", "1", start_error)) break;
        const auto taken = Until(begun, [&] {
            const auto picture = Shown(control);
            return picture && picture->frames >= 1;
        });
        if (!taken) {
            std::fprintf(stderr, "extview_bench: no first frame\n%s\n", device.Log("EXTVIEW.EXE").c_str());
            return 1;
        }
        starts.push_back(*taken);
        control.Close(kWindow);
        if (!Ended(control)) return 1;
    }

    // The taps, and then the steady picture, on one run.
    if (!control.Start("\\NAND\\EXTVIEW.EXE", "1", start_error) || !Until(Clock::now(), [&] { return Shown(control); }))
        return 1;
    std::this_thread::sleep_for(1s);
    std::vector<double> taps;
    for (int round = 0; round < kTapRounds; ++round) {
        const auto before = Shown(control);
        if (!before) return 1;
        const auto begun = Clock::now();
        control.Tap(400, 240);
        // The overlay may move before a frame of the new graph is on it: the first frame is
        // the first count above the one seen at the new rectangle.
        std::optional<std::uint64_t> at_new_rect;
        const auto taken = Until(begun, [&] {
            const auto picture = Shown(control);
            if (!picture || (picture->rect.top == before->rect.top && picture->rect.bottom == before->rect.bottom))
                return false;
            if (!at_new_rect) at_new_rect = picture->frames;
            return picture->frames > *at_new_rect;
        });
        if (!taken) {
            std::fprintf(stderr, "extview_bench: no frame at the new rectangle\n");
            return 1;
        }
        taps.push_back(*taken);
        std::this_thread::sleep_for(500ms);  // more than the PIP box's tap interval
    }

    const auto pid = ExtviewPid(control);
    const auto first = Shown(control);
    const double cpu_before = pid ? bench::CpuSecondsOf(static_cast<pid_t>(*pid)) : 0;
    const auto measured_from = Clock::now();
    std::this_thread::sleep_for(5s);
    const auto last = Shown(control);
    const double seconds = bench::Millis(Clock::now() - measured_from) / 1000;
    const double cpu = pid ? bench::CpuSecondsOf(static_cast<pid_t>(*pid)) - cpu_before : 0;

    Report("start to the first camera frame (target 500 ms)", starts);
    Report("tap to the first frame at the new rectangle (target 300 ms)", taps);
    if (first && last && last->frames >= first->frames)
        std::printf("%-62s %8.1f frames/s (target 25)\n", "frames shown while steady",
                    static_cast<double>(last->frames - first->frames) / seconds);
    std::printf("%-62s %8.1f %% of one core (target under 25 %%)\n", "Extview's CPU share meanwhile", 100 * cpu / seconds);
    std::printf("load average after: %s\n", bench::LoadAverage().c_str());
    control.Close(kWindow);
    return 0;
}
