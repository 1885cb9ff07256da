// Timed runs of the platform's latencies through a real server on a temporary device:
//   - an event set in one program waking a waiter in another (round trip / 2),
//   - server start until it accepts programs,
//   - starting a program by path until its first requests reach the server,
// each beside the machine's floor: a bare Unix socket round trip between two processes.
// Prints median and 99th percentile in microseconds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <csignal>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "platform/kernel/kernel.h"
#include "platform/testing/temporary_device.h"
#include "platform/window/window.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Summary {
    double median, p99;
};

Summary Summarise(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    auto at = [&](double q) { return samples[std::min(samples.size() - 1, static_cast<size_t>(q * samples.size()))]; };
    return {at(0.5), at(0.99)};
}

double Micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

void Report(const char* what, const std::vector<double>& samples, const char* note = "") {
    auto s = Summarise(samples);
    std::printf("%-52s median %9.1f us   p99 %9.1f us   (n=%zu)%s\n", what, s.median, s.p99, samples.size(), note);
}

std::vector<double> RawSocketRoundTrips(int count) {
    int pair[2];
    ::socketpair(AF_UNIX, SOCK_STREAM, 0, pair);
    pid_t child = fork();
    if (child == 0) {
        ::close(pair[0]);
        char byte;
        while (::read(pair[1], &byte, 1) == 1) ::write(pair[1], &byte, 1);
        _exit(0);
    }
    ::close(pair[1]);
    std::vector<double> samples;
    char byte = 1;
    for (int i = 0; i < count; ++i) {
        auto start = Clock::now();
        ::write(pair[0], &byte, 1);
        ::read(pair[0], &byte, 1);
        samples.push_back(Micros(Clock::now() - start));
    }
    ::close(pair[0]);
    ::waitpid(child, nullptr, 0);
    return samples;
}

}  // namespace

int main() {
    Report("floor: bare Unix socket round trip", RawSocketRoundTrips(5000));

    std::vector<double> starts;
    for (int i = 0; i < 20; ++i) {
        platform::testing::TemporaryDevice device;
        auto start = Clock::now();
        if (!device.StartServer()) return 1;
        starts.push_back(Micros(Clock::now() - start));
    }
    Report("server start to accepting programs", starts);

    platform::testing::TemporaryDevice device;
    device.Install(platform::testing::ProbeBinary(), "PROBE.EXE");
    if (!device.StartServer()) return 1;

    HANDLE ping = CreateEvent(FALSE, FALSE, "BENCH_PING");
    HANDLE pong = CreateEvent(FALSE, FALSE, "BENCH_PONG");
    SHELLEXECUTEINFO info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpFile = "\\NAND\\PROBE.EXE";
    info.lpParameters = "relay BENCH_PING BENCH_PONG";
    ShellExecuteEx(&info);
    std::vector<double> wakeups;
    for (int i = 0; i < 5000; ++i) {
        auto start = Clock::now();
        SetEvent(ping);
        if (WaitForSingleObject(pong, 5000) != WAIT_OBJECT_0) return 1;
        if (i >= 100) wakeups.push_back(Micros(Clock::now() - start) / 2);
    }
    Report("event set to waiter wake-up across programs", wakeups, "  [round trip / 2]");
    TerminateProcess(info.hProcess, 0);
    CloseHandle(info.hProcess);

    HANDLE started = CreateEvent(FALSE, FALSE, "BENCH_STARTED");
    std::vector<double> launches;
    for (int i = 0; i < 50; ++i) {
        SHELLEXECUTEINFO launch;
        launch.fMask = SEE_MASK_NOCLOSEPROCESS;
        launch.lpFile = "\\NAND\\PROBE.EXE";
        launch.lpParameters = "signal BENCH_STARTED";
        auto start = Clock::now();
        ShellExecuteEx(&launch);
        if (WaitForSingleObject(started, 5000) != WAIT_OBJECT_0) return 1;
        launches.push_back(Micros(Clock::now() - start));
        WaitForSingleObject(launch.hProcess, 5000);
        CloseHandle(launch.hProcess);
    }
    Report("start by path until the program's requests arrive", launches, "  [hello+open+set done]");
    CloseHandle(ping);
    CloseHandle(pong);
    CloseHandle(started);

    // Windows: a program with a window answering sends and counting posts.
    device.Install(platform::testing::WindowProbeBinary(), "WINPROBE.EXE");
    SHELLEXECUTEINFO window_program;
    window_program.fMask = SEE_MASK_NOCLOSEPROCESS;
    window_program.lpFile = "\\NAND\\WINPROBE.EXE";
    window_program.lpParameters = "title=BENCH";
    ShellExecuteEx(&window_program);
    HWND target = nullptr;
    for (int i = 0; i < 500 && !target; ++i) {
        target = FindWindow("", "BENCH");
        if (!target) Sleep(10);
    }
    if (!target) return 1;
    std::vector<double> sends;
    for (int i = 0; i < 20000; ++i) {
        auto start = Clock::now();
        if (SendMessage(target, WM_USER + 1, 1, 2) != 3) return 1;
        if (i >= 500) sends.push_back(Micros(Clock::now() - start));
    }
    Report("SendMessage round trip between programs", sends);

    constexpr int kPosts = 200000;
    auto start = Clock::now();
    for (int i = 0; i < kPosts; ++i) PostMessage(target, WM_USER + 3, 0, 0);
    while (SendMessage(target, WM_USER + 4, 0, 0) < kPosts) Sleep(1);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%-52s %9.0f messages/s  (%d posted and handled in %.3f s)\n",
                "PostMessage between programs", kPosts / seconds, kPosts, seconds);
    TerminateProcess(window_program.hProcess, 0);
    CloseHandle(window_program.hProcess);
    return 0;
}
