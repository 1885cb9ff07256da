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

#include "platform/testing/temporary_device.h"
#include "tools/devicectl/device_control.h"

namespace {

using Clock = std::chrono::steady_clock;
using devicectl::DeviceControl;
using platform::testing::StandIn;
using platform::testing::TemporaryDevice;
namespace fs = std::filesystem;

constexpr double kStartupTimerMs = 500;  // HomeDeck's menu may not paint before it
constexpr int kRounds = 20;

double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

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

struct Point {
    std::uint32_t x, y, colour;
};

// The points where a settled screen differs from the one before, on a 24-pixel grid.
std::vector<Point> Differences(const DeviceControl::Screen& before, const DeviceControl::Screen& after) {
    std::vector<Point> points;
    for (std::uint32_t y = 8; y < after.height; y += 24)
        for (std::uint32_t x = 8; x < after.width; x += 24)
            if (after.At(x, y) != before.At(x, y)) points.push_back({x, y, after.At(x, y)});
    return points;
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

    std::optional<DeviceControl::Screen> Shot() {
        DWORD error = 0;
        return m_control.Screenshot(error);
    }

    bool WaitWindow(const std::string& title, bool shown) {
        for (int i = 0; i < 2500; ++i) {
            if ((m_control.FindWindowByName(title) != 0) == shown) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }

    // Polls the screen from `start` until every point shows; the time taken, or nothing.
    std::optional<double> UntilWhole(Clock::time_point start, const std::vector<Point>& points) {
        while (Clock::now() - start < std::chrono::seconds(5)) {
            const auto screen = Shot();
            if (screen && std::all_of(points.begin(), points.end(),
                                      [&](const Point& p) { return screen->At(p.x, p.y) == p.colour; }))
                return Millis(Clock::now() - start);
        }
        return std::nullopt;
    }

    bool StartByPath(const std::string& path) {
        DWORD error = 0;
        return m_control.Start(path, "", error).has_value();
    }

    // A program's start to its first whole frame, `rounds` times; `start` begins it and
    // `reset` brings the screen back to where it was before.
    std::optional<std::vector<double>> Time(const std::string& title, const std::function<bool()>& start,
                                            const std::function<bool()>& reset, int rounds) {
        const auto before = Shot();
        if (!before || !start() || !WaitWindow(title, true)) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        const auto settled = Shot();
        if (!settled) return std::nullopt;
        const auto points = Differences(*before, *settled);
        if (points.size() < 100 || !reset()) return std::nullopt;
        std::vector<double> samples;
        for (int round = 0; round < rounds; ++round) {
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            const auto begun = Clock::now();
            if (!start()) return std::nullopt;
            const auto taken = UntilWhole(begun, points);
            if (!taken) {
                std::fprintf(stderr, "%s did not show whole\n", title.c_str());
                return std::nullopt;
            }
            samples.push_back(*taken);
            if (!reset()) return std::nullopt;
        }
        return samples;
    }

    // Closes a program and waits until the screen is back to what it showed before it.
    std::function<bool()> Closer(const std::string& title) {
        return [this, title] {
            m_control.Close(title);
            if (!WaitWindow(title, false)) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            return true;
        };
    }

    bool Tap(int x, int y) { return m_control.Tap(x, y) == 0; }

    TemporaryDevice m_device;
    DeviceControl m_control{m_device.Root()};
};

int Run() {
    Bench bench;
    if (!bench.Boot()) {
        std::fprintf(stderr, "no device\n");
        return 1;
    }

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
