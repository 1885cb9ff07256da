// Timed runs of the device's page (deviceweb) in headless Chromium on loopback, in front of a
// real server running the skin demo:
//   - a press in the page on the demo's pause button to the pressed pixels drawn in the page,
//     timed inside the page (from its pointerdown to the drawImage that shows them), 30 presses;
//     beside it the same press through devicectl to the pressed pixels in the device's
//     screenshot: the share spent in the device;
//   - an idle page (the screen still, the board refreshed each second): the CPU share of the
//     device server and of deviceweb over 20 s;
//   - 25 screen changes a second for 8 s (pen moves along the seek bar): the pictures the
//     page drew, how many it skipped, the CPU share of server and tool, deviceweb's memory
//     before and after, and how long the page took to show the last change.
// Prints medians and 90th percentiles in milliseconds and the load average around the run.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_report.h"
#include "bench/skin_demo_press.h"
#include "platform/testing/temporary_device.h"
#include "tools/devicectl/device_control.h"
#include "tools/deviceweb/tests/headless_browser.h"
#include "tools/deviceweb/tests/page_tool.h"

namespace {

using bench::Clock;
using namespace std::chrono_literals;
using deviceweb::testing::HeadlessBrowser;

constexpr int kPressRounds = 30;
constexpr std::uint32_t kPauseX = 398, kPauseY = 262;  // the pause button's body, below its icon
constexpr auto kWait = 15s;

// deviceweb's resident memory in KiB, from /proc/<pid>/status.
long ResidentKib(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

// Installs a watch in the page: each drawImage on the screen's canvas checks one point, and
// records the milliseconds from the last pointerdown to the first draw where the point is (or
// is no longer) its colour at rest; it also counts the draws.
std::string PageHooks(std::uint32_t x, std::uint32_t y) {
    return "(() => {"
           " const canvas = document.getElementById('screen'); const ctx = canvas.getContext('2d');"
           " const draw = ctx.drawImage.bind(ctx); window.bench = { draws: 0, latency: null, watch: null };"
           " const pixel = () => { const d = ctx.getImageData(" + std::to_string(x) + ", " + std::to_string(y) +
           ", 1, 1).data; return (d[0] << 16) | (d[1] << 8) | d[2]; };"
           " ctx.drawImage = (...args) => { draw(...args); bench.draws++;"
           "   const w = bench.watch; if (w && ((pixel() !== w.rest) === w.pressed)) {"
           "     bench.latency = performance.now() - w.t0; bench.watch = null; } };"
           " canvas.addEventListener('pointerdown', () => { if (bench.watch) bench.watch.t0 = performance.now(); });"
           " bench.rest = pixel(); return bench.rest; })()";
}

}  // namespace

int main() {
    if (const std::string why = HeadlessBrowser::Unavailable(); !why.empty()) {
        std::fprintf(stderr, "deviceweb_bench: no headless Chromium here (%s)\n", why.c_str());
        return 1;
    }
    std::printf("load average before: %s\n", bench::LoadAverage().c_str());
    platform::testing::TemporaryDevice device;
    if (!device.StartServer() || !device.InstallWithResources(SKINDEMO_BINARY, "SKINDEMO.EXE", SKINDEMO_RESOURCES) ||
        !device.Start("\\NAND\\SKINDEMO.EXE", "") ||
        !device.WaitForLog("SKINDEMO.EXE", "SkinDemo: 14 controls from the demo template", kWait)) {
        std::fprintf(stderr, "deviceweb_bench: the skin demo did not start\n");
        return 1;
    }
    devicectl::DeviceControl control(device.Root());
    deviceweb::testing::PageTool tool(DEVICEWEB_BINARY, device.Root());
    if (tool.Address().empty()) {
        std::fprintf(stderr, "deviceweb_bench: deviceweb did not start: %s\n", tool.Line().c_str());
        return 1;
    }
    HeadlessBrowser browser(1400, 820);
    if (!browser.Started() || !browser.Navigate(tool.Address(), kWait) ||
        !browser.WaitFor("window.deviceView && deviceView.shown > 0", kWait)) {
        std::fprintf(stderr, "deviceweb_bench: the page did not show the device: %s\n", browser.Error().c_str());
        return 1;
    }
    const auto box = browser.Evaluate("(() => { const r = document.getElementById('screen').getBoundingClientRect();"
                                      " return [r.left, r.top, r.width, r.height]; })()");
    if (!box || !browser.Evaluate(PageHooks(kPauseX, kPauseY))) {
        std::fprintf(stderr, "deviceweb_bench: %s\n", browser.Error().c_str());
        return 1;
    }
    const double left = (*box)[0], top = (*box)[1], width = (*box)[2], height = (*box)[3];
    auto page_x = [&](double x) { return left + (x + 0.5) * width / 800; };
    auto page_y = [&](double y) { return top + (y + 0.5) * height / 480; };
    std::this_thread::sleep_for(500ms);

    // A press in the page to its pixels in the page; the release and the normal frame before the next.
    std::vector<double> page_presses;
    for (int round = 0; round < kPressRounds; ++round) {
        browser.Evaluate("bench.latency = null; bench.watch = { rest: bench.rest, pressed: true, t0: 0 }");
        browser.Mouse("mousePressed", page_x(kPauseX), page_y(kPauseY));
        if (!browser.WaitFor("bench.latency !== null", kWait)) break;
        page_presses.push_back(browser.Evaluate("bench.latency")->get<double>());
        browser.Mouse("mouseReleased", page_x(kPauseX), page_y(kPauseY));
        browser.WaitFor("(() => { const d = document.getElementById('screen').getContext('2d').getImageData(" +
                            std::to_string(kPauseX) + ", " + std::to_string(kPauseY) +
                            ", 1, 1).data; return ((d[0] << 16) | (d[1] << 8) | d[2]) === bench.rest; })()",
                        kWait);
        std::this_thread::sleep_for(40ms);
    }
    bench::Report("press in the page to its pixels in the page", page_presses);
    std::vector<double> device_presses;
    if (auto micros = bench::PressTimes(control, kPauseX, kPauseY, kPressRounds))
        for (double us : *micros) device_presses.push_back(us / 1000.0);
    bench::Report("the same press by devicectl to its pixels in a screenshot", device_presses);
    if (!page_presses.empty() && !device_presses.empty())
        std::printf("share spent in the device: %.0f %% of the page's median\n",
                    100.0 * bench::Median(device_presses) / bench::Median(page_presses));

    // An idle page.
    const pid_t server = device.ServerPid();
    std::this_thread::sleep_for(1s);
    double server_cpu = bench::CpuSecondsOf(server), tool_cpu = bench::CpuSecondsOf(tool.Pid());
    auto begin = Clock::now();
    std::this_thread::sleep_for(20s);
    double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    std::printf("idle page, 20 s: device server %.2f %% of a core, deviceweb %.2f %% of a core\n",
                100.0 * (bench::CpuSecondsOf(server) - server_cpu) / seconds,
                100.0 * (bench::CpuSecondsOf(tool.Pid()) - tool_cpu) / seconds);

    // 25 changes a second: the pen held on the seek bar, moved to and fro every 40 ms.
    const long memory_before = ResidentKib(tool.Pid());
    const int draws_before = browser.Evaluate("bench.draws")->get<int>();
    const auto wanted_before = browser.Evaluate("deviceView.wanted")->get<std::uint64_t>();
    server_cpu = bench::CpuSecondsOf(server);
    tool_cpu = bench::CpuSecondsOf(tool.Pid());
    control.Press(152, 140);
    begin = Clock::now();
    int changes = 0;
    for (auto next = begin; next - begin < 8s; next += 40ms, ++changes) {
        std::this_thread::sleep_until(next);
        control.Move(changes % 2 ? 160 + changes % 300 : 600 - changes % 300, 140);
    }
    const auto last_change = Clock::now();
    control.Release(300, 140);
    seconds = std::chrono::duration<double>(last_change - begin).count();
    const double server_share = 100.0 * (bench::CpuSecondsOf(server) - server_cpu) / seconds;
    const double tool_share = 100.0 * (bench::CpuSecondsOf(tool.Pid()) - tool_cpu) / seconds;
    // The page catches up: it shows the newest picture the server announced.
    const auto settled = bench::Until(last_change, kWait, 5ms, [&] {
        const auto caught_up = browser.Evaluate("deviceView.shown >= deviceView.wanted && !deviceView.loading");
        return caught_up && caught_up->get<bool>();
    });
    const int draws = browser.Evaluate("bench.draws")->get<int>() - draws_before;
    const auto announced = browser.Evaluate("deviceView.wanted")->get<std::uint64_t>() - wanted_before;
    std::printf("25 changes a second for %.1f s (%d moves): %llu pictures announced, %d drawn in the page "
                "(%.1f a second), %llu skipped\n",
                seconds, changes, static_cast<unsigned long long>(announced), draws, draws / seconds,
                static_cast<unsigned long long>(announced > static_cast<std::uint64_t>(draws) ? announced - draws : 0));
    std::printf("  meanwhile: device server %.1f %% of a core, deviceweb %.1f %% of a core\n", server_share, tool_share);
    std::printf("  deviceweb memory %ld KiB before, %ld KiB after; the page showed the newest picture %s\n",
                memory_before, ResidentKib(tool.Pid()),
                settled ? (std::to_string(static_cast<int>(*settled)) + " ms after the last change").c_str()
                        : "not within 15 s");
    std::printf("load average after: %s\n", bench::LoadAverage().c_str());
    return 0;
}
