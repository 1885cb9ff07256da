// A program's start to its first whole frame, for the timed runs of the programs that start
// others: a frame counts as whole when every point sampled from a settled screenshot of it
// (where it differs from the screen before) shows its colour.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_report.h"
#include "tools/devicectl/device_control.h"

namespace bench {

class WholeFrameTimer {
public:
    explicit WholeFrameTimer(devicectl::DeviceControl& control) : m_control(control) {}

    std::optional<devicectl::DeviceControl::Screen> Shot()
    {
        DWORD error = 0;
        return m_control.Screenshot(error);
    }

    bool WaitWindow(const std::string& title, bool shown)
    {
        for (int i = 0; i < 2500; ++i) {
            if ((m_control.FindWindowByName(title) != 0) == shown) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }

    bool StartByPath(const std::string& path, const std::string& arguments = "")
    {
        DWORD error = 0;
        return m_control.Start(path, arguments, error).has_value();
    }

    bool Tap(int x, int y) { return m_control.Tap(x, y) == 0; }

    // A program's start to its first whole frame, `rounds` times; `start` begins it and
    // `reset` brings the screen back to where it was before.
    std::optional<std::vector<double>> Time(const std::string& title, const std::function<bool()>& start,
                                            const std::function<bool()>& reset, int rounds)
    {
        return Time(title, [] { return true; }, start, reset, rounds);
    }
    // The same with `prepare` run before each start, off the clock (a menu to open first).
    std::optional<std::vector<double>> Time(const std::string& title, const std::function<bool()>& prepare,
                                            const std::function<bool()>& start, const std::function<bool()>& reset,
                                            int rounds)
    {
        const auto before = Shot();
        if (!before || !prepare() || !start() || !WaitWindow(title, true)) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        const auto settled = Shot();
        if (!settled) return std::nullopt;
        const auto points = Differences(*before, *settled);
        if (points.size() < kLeastPoints || !reset()) return std::nullopt;
        std::vector<double> samples;
        for (int round = 0; round < rounds; ++round) {
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            if (!prepare()) return std::nullopt;
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
    std::function<bool()> Closer(const std::string& title)
    {
        return [this, title] {
            m_control.Close(title);
            if (!WaitWindow(title, false)) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            return true;
        };
    }

private:
    struct Point {
        std::uint32_t x, y, colour;
    };
    // A frame smaller than this many grid points is too small to time.
    static constexpr std::size_t kLeastPoints = 40;

    // The points where a settled screen differs from the one before, on a 24-pixel grid.
    static std::vector<Point> Differences(const devicectl::DeviceControl::Screen& before,
                                          const devicectl::DeviceControl::Screen& after)
    {
        std::vector<Point> points;
        for (std::uint32_t y = 8; y < after.height; y += 24)
            for (std::uint32_t x = 8; x < after.width; x += 24)
                if (after.At(x, y) != before.At(x, y)) points.push_back({x, y, after.At(x, y)});
        return points;
    }

    // Polls the screen from `start` until every point shows; the time taken, or nothing.
    std::optional<double> UntilWhole(Clock::time_point start, const std::vector<Point>& points)
    {
        while (Clock::now() - start < std::chrono::seconds(5)) {
            const auto screen = Shot();
            if (screen && std::all_of(points.begin(), points.end(),
                                      [&](const Point& p) { return screen->At(p.x, p.y) == p.colour; }))
                return Millis(Clock::now() - start);
        }
        return std::nullopt;
    }

    devicectl::DeviceControl& m_control;
};

}  // namespace bench
