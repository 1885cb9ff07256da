// What the timed runs share: their 480p film, milliseconds of a steady-clock span, the median and 90th
// percentile line of a set of samples, the load average around a run, and the CPU seconds a
// process has used.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/testing/media_clips.h"

namespace bench {

// The timed runs' film: 854x480 H.264 at 25 frames a second with a stereo AAC tone, 24 s, long
// enough to play 20 s of it.
inline constexpr const char* k480pClipName = "bench480.mp4";
inline constexpr platform::testing::ClipRecipe k480pClip[] = {
    {k480pClipName, "videotestsrc num-buffers=600 pattern=smpte ! video/x-raw,width=854,height=480,framerate=25/1 "
                    "! x264enc speed-preset=veryfast key-int-max=50 bitrate=1500 ! video/x-h264,profile=main ! mux. "
                    "audiotestsrc num-buffers=1034 ! audio/x-raw,rate=44100,channels=2 ! audioconvert ! avenc_aac "
                    "! mux. mp4mux name=mux ! filesink"},
};

using Clock = std::chrono::steady_clock;

inline double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Polls `done` every `poll` until it holds, at most `timeout`; the milliseconds since `since`
// then, or nothing.
template <class Done>
std::optional<double> Until(Clock::time_point since, Clock::duration timeout, Clock::duration poll, Done done) {
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        if (done()) return Millis(Clock::now() - since);
        std::this_thread::sleep_for(poll);
    }
    return std::nullopt;
}

inline double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0 : samples[samples.size() / 2];
}

inline void Report(const char* what, std::vector<double> samples) {
    if (samples.empty()) {
        std::printf("%-62s no samples\n", what);
        return;
    }
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) {
        return samples[std::min(samples.size() - 1, static_cast<std::size_t>(q * static_cast<double>(samples.size())))];
    };
    std::printf("%-62s median %8.2f ms   p90 %8.2f ms   (n=%zu)\n", what, at(0.5), at(0.9), samples.size());
}

inline std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

// Seconds of CPU a process has used, user and system, from /proc/<pid>/stat.
inline double CpuSecondsOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The command name may hold spaces; the fields count from after its closing parenthesis.
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) return 0.0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long utime = 0, stime = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14) utime = std::stoul(field);
        if (index == 15) {
            stime = std::stoul(field);
            break;
        }
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace bench
