// Timed runs of Telecast's screen on a real server, its receiver playing the TV clips of the demo
// band every device carries (scripts/demo_band.sh):
//   - Telecast's start, from `devicectl start` to the first video frame in the box (the overlay
//     open for Telecast with a frame shown), ten starts, each after the last one has ended, on
//     the list a first start's scan wrote;
//   - the layout toggle (command 1019, posted), from the post to the overlay's destination at
//     the other layout's rectangle, normal to full screen and back, 20 of each, beside one
//     overlay query: the poll's own round trip;
//   - in picture-in-picture, a press on the popup panel's volume-up button (at volume 10, so
//     that its release changes nothing), from the press to its pressed pixels, beside the skin
//     demo's press on the same device.
//
// A hand stays on the screen (the touch panel's event every half second) so that the normal
// layout never goes full screen by itself in the middle of a toggle.
//
// Prints medians and 90th percentiles in milliseconds and the load average around the run,
// since the figures depend on what else the machine does.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_report.h"
#include "bench/skin_demo_press.h"
#include "framework/program_messages.h"
#include "platform/testing/temporary_device.h"
#include "platform/window/window.h"
#include "tools/devicectl/device_control.h"

namespace {

using bench::Clock;
using bench::LoadAverage;
using bench::Median;
using bench::Millis;
using bench::Report;
using devicectl::DeviceControl;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr int kStartRounds = 10;
constexpr int kToggleRounds = 20;
constexpr int kPressRounds = 20;
constexpr auto kWait = 15s;
constexpr char kWindow[] = "DMB_TELECAST";
constexpr WPARAM kToggleLayout = 1019;
constexpr WPARAM kStartScan = 1007;
// The popup panel at the picture-in-picture box's corner (400, 135): its volume-up button's
// body, below the arrow.
constexpr std::uint32_t kVolumeUpX = 400 + 96 + 26, kVolumeUpY = 135 + 240 + 44;
constexpr const char* kTvClip = "hanbit_tv.ts";

bool SameRect(const protocol::Rect& a, const protocol::Rect& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

class ScreenBench {
public:
    bool Install(std::string& failed)
    {
        const fs::path clip = fs::path(TELECAST_BENCH_DEMO_BAND) / kTvClip;
        if (!fs::exists(clip)) {
            failed = "the demo band has no " + clip.string() + " (build the target device_template)";
            return false;
        }
        if (!m_device.Install(TELECAST_BINARY, "TELECAST.EXE") || !m_device.Install(SKINDEMO_BINARY, "SKINDEMO.EXE")) {
            failed = "Telecast or the skin demo could not be installed";
            return false;
        }
        fs::copy(TELECAST_RESOURCES, m_device.Root() / "fs" / "NAND" / "TELECAST", fs::copy_options::recursive);
        fs::copy(SKINDEMO_RESOURCES, m_device.Root() / "fs" / "NAND" / "SKINDEMO", fs::copy_options::recursive);
        std::ofstream(m_device.Root() / "band.txt")
            << "dwell_ms = 20\nlock_ms = 150\n[ensemble]\nfrequency = 175280\nid = 1\n"
               "[service]\nname = TV One\nid = 0x101\nsubchannel = 1\ntype = tv\nmedia = " << clip.string() << "\n";
        std::ofstream(m_device.Root() / "device.conf") << "audio = fake\ntdmb_ensemble = band.txt\n";
        if (!m_device.StartServer()) {
            failed = "the device server did not start";
            return false;
        }
        m_toucher = std::jthread([root = m_device.Root()](std::stop_token stop) {
            DeviceControl hand(root);
            while (!stop.stop_requested()) {
                hand.EventOperation("set", "KTOUCH_EVENT");
                std::this_thread::sleep_for(500ms);
            }
        });
        return true;
    }

    DeviceControl& Control() { return m_control; }
    fs::path ScanFile() const { return m_device.Root() / "fs" / "NAND" / "TelecastScan.dat"; }
    std::string Log() const { return m_device.Log("TELECAST.EXE"); }

    // Polls until `done`, at most kWait; the time since `since`, or nothing.
    template <class Done>
    std::optional<double> Until(Clock::time_point since, Done done)
    {
        return bench::Until(since, kWait, 500us, done);
    }
    std::optional<protocol::OverlayInfoReply> Overlay()
    {
        auto overlay = m_control.Overlay();
        if (!overlay || !overlay->open) return std::nullopt;
        return overlay;
    }
    // Starts Telecast; the time from the start to its first frame in the box.
    std::optional<double> Start(const std::string& arguments)
    {
        const auto started = Clock::now();
        DWORD error = 0;
        if (!m_control.Start("\\NAND\\TELECAST.EXE", arguments, error)) return std::nullopt;
        return Until(started, [&] {
            const auto overlay = Overlay();
            return overlay && overlay->frames >= 1 && overlay->program == "TELECAST.EXE";
        });
    }
    // Closes Telecast and waits for its process to end.
    bool Stop()
    {
        m_control.Close(kWindow);
        return Until(Clock::now(), [&] {
                   for (const auto& process : m_control.Processes())
                       if (process.path.find("TELECAST.EXE") != std::string::npos) return false;
                   return true;
               }).has_value();
    }
    bool Shown(const char* class_name)
    {
        for (const auto& window : m_control.Windows())
            if (window.class_name == class_name) return window.visible;
        return false;
    }

private:
    platform::testing::TemporaryDevice m_device;
    DeviceControl m_control{m_device.Root()};
    std::jthread m_toucher;  // ends before the device goes
};

// A first start scans the band (command 1007), so that the timed starts find a list to play.
bool Scan(ScreenBench& bench, const fs::path& scan_file)
{
    DWORD error = 0;
    if (!bench.Control().Start("\\NAND\\TELECAST.EXE", "", error) || !bench.Control().WaitWindow(kWindow, kWait))
        return false;
    std::this_thread::sleep_for(500ms);
    bench.Control().Post(kWindow, WM_COMMAND, kStartScan, 0);
    const bool scanned = bench.Until(Clock::now(), [&] { return fs::exists(scan_file); }).has_value();
    return bench.Stop() && scanned;
}

std::vector<double> Starts(ScreenBench& bench)
{
    std::vector<double> samples;
    for (int round = 0; round < kStartRounds; ++round) {
        const auto taken = bench.Start("");
        if (!taken) {
            std::fprintf(stderr, "telecast_screen_bench: no first frame\n%s\n", bench.Log().c_str());
            break;
        }
        samples.push_back(*taken);
        if (!bench.Stop()) {
            std::fprintf(stderr, "telecast_screen_bench: Telecast did not end\n");
            break;
        }
    }
    return samples;
}

// Toggles between the layouts; the times to the full screen's and back to the normal box's
// video rectangle, learnt from the first toggle of each, which is not counted.
void Toggles(ScreenBench& bench, std::vector<double>& to_full, std::vector<double>& to_normal,
             std::vector<double>& queries)
{
    const auto first = bench.Start("");
    if (!first) return;
    std::this_thread::sleep_for(1s);
    std::optional<protocol::Rect> rects[2];
    if (auto overlay = bench.Overlay()) rects[0] = overlay->destination;
    for (int toggle = 0; toggle < 2 * kToggleRounds + 1 && rects[0]; ++toggle) {
        const int from = toggle % 2, to = 1 - from;
        const auto posted = Clock::now();
        bench.Control().Post(kWindow, WM_COMMAND, kToggleLayout, 0);
        const auto taken = bench.Until(posted, [&] {
            const auto overlay = bench.Overlay();
            if (!overlay || SameRect(overlay->destination, *rects[from])) return false;
            return !rects[to] || SameRect(overlay->destination, *rects[to]);
        });
        if (!taken) {
            std::fprintf(stderr, "telecast_screen_bench: the video did not move to the other layout\n");
            return;
        }
        if (!rects[to]) rects[to] = bench.Overlay()->destination;
        else (to == 1 ? to_full : to_normal).push_back(*taken);
        std::this_thread::sleep_for(150ms);
    }
    // One overlay query while Telecast plays: what each poll above costs.
    for (int round = 0; round < 200; ++round) {
        const auto asked = Clock::now();
        bench.Control().Overlay();
        queries.push_back(Millis(Clock::now() - asked));
    }
    bench.Stop();
}

std::optional<std::vector<double>> PanelPresses(ScreenBench& bench)
{
    if (!bench.Start("PIP")) return std::nullopt;
    DWORD error = 0;
    bench.Control().Send(kWindow, WM_MMS_SETTING, RELAY_VOLUME, 10, error);
    std::this_thread::sleep_for(1500ms);  // the panel's box in its corner
    bench.Control().Tap(700, 300);
    if (!bench.Until(Clock::now(), [&] { return bench.Shown("CPopupDlg"); })) return std::nullopt;
    std::this_thread::sleep_for(300ms);
    const auto presses = bench::PressTimes(bench.Control(), kVolumeUpX, kVolumeUpY, kPressRounds);
    bench.Stop();
    if (!presses) return std::nullopt;
    std::vector<double> ms;
    for (double us : *presses) ms.push_back(us / 1000);
    return ms;
}

std::optional<std::vector<double>> SkinDemoPresses(ScreenBench& bench)
{
    DWORD error = 0;
    if (!bench.Control().Start("\\NAND\\SKINDEMO.EXE", "", error) ||
        !bench.Control().WaitWindow("SkinDemo", kWait))
        return std::nullopt;
    std::this_thread::sleep_for(500ms);
    const auto presses = bench::SkinDemoPressTimes(bench.Control(), kPressRounds);
    bench.Control().Close("SkinDemo");
    if (!presses) return std::nullopt;
    std::vector<double> ms;
    for (double us : *presses) ms.push_back(us / 1000);
    return ms;
}

}  // namespace

int main()
{
    std::printf("load average before: %s\n", LoadAverage().c_str());
    ScreenBench bench;
    std::string failed;
    if (!bench.Install(failed)) {
        std::fprintf(stderr, "telecast_screen_bench: %s\n", failed.c_str());
        return 1;
    }

    if (!Scan(bench, bench.ScanFile())) {
        std::fprintf(stderr, "telecast_screen_bench: the first start's scan wrote no list\n%s\n", bench.Log().c_str());
        return 1;
    }
    Report("start to the first frame in the box (target 1500 ms)", Starts(bench));

    std::vector<double> to_full, to_normal, queries;
    Toggles(bench, to_full, to_normal, queries);
    std::vector<double> toggles = to_full;
    toggles.insert(toggles.end(), to_normal.begin(), to_normal.end());
    Report("layout toggle to the video at its new rectangle (target 50 ms)", toggles);
    Report("  normal to full screen", to_full);
    Report("  full screen to normal", to_normal);
    Report("  one overlay query while it plays (the poll's round trip)", queries);

    const auto panel = PanelPresses(bench);
    if (!panel) {
        std::fprintf(stderr, "telecast_screen_bench: the panel's pressed frame did not show\n%s\n", bench.Log().c_str());
        return 1;
    }
    Report("popup panel press to its pressed pixels (target 20 ms)", *panel);
    if (const auto demo = SkinDemoPresses(bench)) {
        Report("skin demo press to pressed pixels (same device)", *demo);
        std::printf("  panel press against the skin demo's: %.2f times\n", Median(*panel) / Median(*demo));
    }

    std::printf("load average after: %s\n", LoadAverage().c_str());
    return 0;
}
