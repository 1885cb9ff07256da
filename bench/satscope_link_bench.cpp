// SatScope on a real server, its COM1 on gpssim's pty:
//   - at 4,800 baud, from the last byte of each GGA on the line (gpssim's --timing, monotonic
//     clock) to the UTC time it carries in SatScope's control 1025, read through the server
//     every 2 ms; median and 99th percentile, SATSCOPE.EXE's share of a core, and any
//     backlog (cycles gpssim skipped, batches SatScope dropped, "ERR: over FIFO!");
//   - at 115,200 baud and 20 cycles a second with UBX frames, nothing dropped (no batch the
//     receive thread had to drop, no "ERR: over FIFO!") and SATSCOPE.EXE's share of a core;
//   - at 4,800 baud, SATSCOPE.EXE's share of a core with the signal bars drawn and without
//     (a settings file that gives the bars no height): what drawing costs;
//   - at 38,400 baud, a PTC query button: from the tap to the command's last byte read by
//     gpssim (its --wire log), and from the last byte of gpssim's answer (--timing) to the
//     answer's text in the notice line (control 1114).
// Usage: satscope_link_bench [SECONDS]   (default 60; 600 for the ten-minute run)
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_report.h"
#include "platform/testing/temporary_device.h"
#include "tools/devicectl/device_control.h"
#include "tools/gpssim/gpssim_child.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using devicectl::DeviceControl;
using platform::testing::TemporaryDevice;

constexpr const char* kTitle = "[VORL] SATSCOPE_PLUS_v1.00";
constexpr std::uint32_t kUtcTime = 1025;

std::int64_t MonotonicNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// "123519.00" → "UTC Time: 12:35:19".
std::string TimeText(const std::string& field)
{
    if (field.size() < 6) return {};
    return "UTC Time: " + field.substr(0, 2) + ":" + field.substr(2, 2) + ":" + field.substr(4, 2);
}

struct Device {
    TemporaryDevice device;
    DeviceControl control{device.Root()};
    bool Start(const std::string& pty, const char* baud, const std::string& extra = {})
    {
        std::ofstream(device.Root() / "device.conf", std::ios::app) << "\nCOM1 = " << pty << "\n";
        if (!device.Install(SATSCOPE_BINARY, "SATSCOPE.EXE")) return false;
        fs::copy(SATSCOPE_RESOURCES, device.Root() / "fs/NAND/SATSCOPE", fs::copy_options::recursive);
        std::ofstream(device.Root() / "fs/NAND/UIConfig.ini", std::ios::binary)
            << "[VORL_GPS_VIEWERS_PARAMETERS]\r\nSTATUS=VALIDATED\r\nCOMPORT=COM1:\r\nBAUDRATE=" << baud
            << "\r\nAUTOCONNECT=1\r\n" << extra;
        if (!device.StartServer()) return false;
        DWORD error = 0;
        if (!control.Start("\\NAND\\SATSCOPE.EXE", "", error)) return false;
        return control.WaitWindow(kTitle, 10s) != 0;
    }
    pid_t Pid()
    {
        for (const auto& process : control.Processes())
            if (process.name == "SATSCOPE.EXE") return static_cast<pid_t>(process.process_id);
        return 0;
    }
    ~Device()
    {
        for (const auto& process : control.Processes())
            if (process.process_id != static_cast<std::uint32_t>(::getpid()) && !process.path.empty())
                ::kill(static_cast<pid_t>(process.process_id), SIGKILL);
    }
};

std::size_t Count(const std::string& text, const std::string& what)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

void Latency(int seconds)
{
    Device run;
    const fs::path timing = run.device.Root() / "timing.txt";
    gpssim::GpsSim sim(GPSSIM_BINARY, {"--baud", "4800", "--rate", "1", "--fix-after", "2", "--timing", timing.string()});
    if (sim.Pty().empty() || !run.Start(sim.Pty(), "4800")) {
        std::printf("latency: the device did not start\n");
        return;
    }
    const pid_t pid = run.Pid();
    std::this_thread::sleep_for(2s);  // connected, past the first cycle
    const double cpu_before = bench::CpuSecondsOf(pid);
    const auto started = std::chrono::steady_clock::now();
    const std::int64_t first_ns = MonotonicNs();
    std::map<std::string, std::int64_t> seen;  // time text → when it first showed
    std::string last;
    while (std::chrono::steady_clock::now() - started < std::chrono::seconds(seconds)) {
        DWORD error = 0;
        const auto text = run.control.ControlText(kTitle, kUtcTime, error);
        const std::int64_t now = MonotonicNs();
        if (text && *text != last) {
            last = *text;
            seen.emplace(*text, now);
        }
        std::this_thread::sleep_for(2ms);
    }
    const double cpu = bench::CpuSecondsOf(pid) - cpu_before;
    sim.Stop();

    std::vector<double> latencies;
    std::ifstream in(timing);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::int64_t ns = 0;
        std::string address, time;
        fields >> ns >> address >> time;
        if (address != "GPGGA" || ns < first_ns) continue;  // on screen before the watch began
        const auto shown = seen.find(TimeText(time));
        if (shown != seen.end() && shown->second >= ns) latencies.push_back((shown->second - ns) / 1e6);
    }
    const std::string log = run.device.Log("SATSCOPE.EXE");
    bench::Report("4800 baud: GGA's last byte to its time on screen", latencies);
    std::sort(latencies.begin(), latencies.end());
    if (!latencies.empty())
        std::printf("  p99 %.2f ms over %zu GGAs; SATSCOPE.EXE %.2f %% of a core over %d s; dropped batches %zu, "
                    "over FIFO %zu\n",
                    latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)], latencies.size(),
                    100.0 * cpu / seconds, seconds, Count(log, "bytes dropped"), Count(log, "ERR: over FIFO!"));
}

void NothingDropped(int seconds)
{
    Device run;
    const fs::path sent = run.device.Root() / "sent.bin";
    gpssim::GpsSim sim(GPSSIM_BINARY, {"--baud", "115200", "--rate", "20", "--fix-after", "2", "--ubx", "--sent",
                                       sent.string()});
    if (sim.Pty().empty() || !run.Start(sim.Pty(), "115200")) {
        std::printf("115200: the device did not start\n");
        return;
    }
    const pid_t pid = run.Pid();
    const double cpu_before = bench::CpuSecondsOf(pid);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu = bench::CpuSecondsOf(pid) - cpu_before;
    sim.Stop();
    std::this_thread::sleep_for(1s);
    const std::string log = run.device.Log("SATSCOPE.EXE");
    std::printf("115200 baud, 20 cycles/s for %d s: %ju bytes sent; dropped batches %zu, over FIFO %zu; "
                "SATSCOPE.EXE %.1f %% of a core\n",
                seconds, static_cast<std::uintmax_t>(fs::file_size(sent)), Count(log, "bytes dropped"),
                Count(log, "ERR: over FIFO!"), 100.0 * cpu / seconds);
}

// SATSCOPE.EXE's share of a core at 4,800 baud over `seconds`, with the given settings.
double CpuShare(int seconds, const std::string& extra)
{
    Device run;
    gpssim::GpsSim sim(GPSSIM_BINARY, {"--baud", "4800", "--rate", "1", "--fix-after", "2"});
    if (sim.Pty().empty() || !run.Start(sim.Pty(), "4800", extra)) return -1;
    const pid_t pid = run.Pid();
    std::this_thread::sleep_for(2s);
    const double before = bench::CpuSecondsOf(pid);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu = bench::CpuSecondsOf(pid) - before;
    sim.Stop();
    return 100.0 * cpu / seconds;
}

void DrawingCost(int seconds)
{
    const double drawn = CpuShare(seconds, {});
    const double none = CpuShare(seconds, "SIGNAL_WINDOWS_PERCENTAGE=0\r\nSUM_WINDOWS_PERCENTAGE=1\r\nLIST_WINDOWS_PERCENTAGE=4\r\n");
    std::printf("4800 baud for %d s: SATSCOPE.EXE %.2f %% of a core with the bars, %.2f %% without: drawing "
                "adds %.2f %%\n",
                seconds, drawn, none, drawn - none);
}

void CommandRoundTrip(int rounds)
{
    Device run;
    const fs::path wire = run.device.Root() / "wire.log";
    const fs::path timing = run.device.Root() / "timing.txt";
    gpssim::GpsSim sim(GPSSIM_BINARY, {"--baud", "38400", "--rate", "1", "--wire", wire.string(), "--timing",
                                       timing.string()});
    if (sim.Pty().empty() || !run.Start(sim.Pty(), "38400", "HID=KTQW_RZN\r\nHPWD=KTQW817\r\n")) {
        std::printf("commands: the device did not start\n");
        return;
    }
    std::this_thread::sleep_for(1s);
    run.control.Click(kTitle, 1041);  // PTC
    std::this_thread::sleep_for(500ms);
    const auto lines = [&] {
        std::ifstream in(wire);
        return static_cast<std::size_t>(std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n'));
    };
    std::vector<double> taps, replies;
    for (int round = 0; round < rounds; ++round) {
        // The two queries alternate, so the notice's text changes every time.
        const bool drift = round % 2 == 0;
        const std::string notice = drift ? "> Clock Drift: -1234 (UNIT=0.0001PPM)" : "> RTC Frequency: 32768 Hz";
        const std::size_t before = lines();
        const std::int64_t tapped = MonotonicNs();
        run.control.Click(kTitle, drift ? 1033 : 1034);
        std::int64_t on_wire = 0, shown = 0;
        const std::int64_t give_up = tapped + 3'000'000'000;
        while ((!on_wire || !shown) && MonotonicNs() < give_up) {
            if (!on_wire && lines() > before) on_wire = MonotonicNs();
            DWORD error = 0;
            if (!shown && run.control.ControlText(kTitle, 1114, error) == notice) shown = MonotonicNs();
            std::this_thread::sleep_for(500us);
        }
        if (on_wire) taps.push_back((on_wire - tapped) / 1e6);
        // The answer's last byte, from gpssim's timing log: the last answer line of this round.
        std::ifstream in(timing);
        std::string line;
        std::int64_t answered = 0;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::int64_t ns = 0;
            std::string address;
            fields >> ns >> address;
            if (ns >= tapped && address == (drift ? "PTCCD" : "PTCRF")) answered = ns;
        }
        if (shown && answered && shown >= answered) replies.push_back((shown - answered) / 1e6);
        std::this_thread::sleep_for(100ms);
    }
    sim.Stop();
    bench::Report("38400 baud: tap on a command button to its last byte read by the receiver", taps);
    bench::Report("38400 baud: the answer's last byte to its notice on screen", replies);
}

}  // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 60;
    std::printf("load %s\n", bench::LoadAverage().c_str());
    Latency(seconds);
    NothingDropped(std::min(seconds, 60));
    DrawingCost(std::min(seconds, 60));
    CommandRoundTrip(100);
    std::printf("load %s\n", bench::LoadAverage().c_str());
    return 0;
}
