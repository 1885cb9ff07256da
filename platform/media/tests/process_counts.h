// What a graph may leave behind in the process after it is released: threads and file
// descriptors, counted from /proc/self. GStreamer starts a few threads of its own with the
// first graph and keeps them for the process, so a baseline is taken after a first graph has
// played.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

namespace platform::testing {

struct ProcessCounts {
    size_t threads = 0;
    size_t descriptors = 0;

    static ProcessCounts Now()
    {
        return {EntriesIn("/proc/self/task"), EntriesIn("/proc/self/fd")};
    }

    // The counts once the threads of a graph just released have ended: unchanged over 100 ms,
    // or as they are after two seconds.
    static ProcessCounts Settled()
    {
        ProcessCounts last = Now();
        for (int look = 0; look < 20; ++look) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            const ProcessCounts now = Now();
            if (now.threads == last.threads && now.descriptors == last.descriptors) return now;
            last = now;
        }
        return last;
    }

    static size_t EntriesIn(const char* directory)
    {
        size_t count = 0;
        std::error_code error;
        for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end; it.increment(error))
            ++count;
        return count;
    }
};

inline std::string Describe(const ProcessCounts& counts)
{
    return std::to_string(counts.threads) + " threads, " + std::to_string(counts.descriptors) + " descriptors";
}

// Streaming threads end shortly after the pipeline reaches NULL (GLib's pool lets them go
// once they are idle), so the count is given a bounded while to come back.
inline ::testing::AssertionResult BackTo(const ProcessCounts& baseline,
                                         std::chrono::milliseconds timeout = std::chrono::seconds(2))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    ProcessCounts now = ProcessCounts::Now();
    while (now.threads > baseline.threads || now.descriptors > baseline.descriptors) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return ::testing::AssertionFailure() << Describe(now) << " left; " << Describe(baseline) << " before";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        now = ProcessCounts::Now();
    }
    return ::testing::AssertionSuccess();
}

}  // namespace platform::testing
