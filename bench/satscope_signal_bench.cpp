// SatScope's signal bars on the full-size window: a pixel DC of 800x480, a left area of 570
// pixels and a signal area 227 high, 30 satellites in view. Times an update in which every bar
// changed (two skies drawn in turn), a full redraw, and, in the same run, a bare FillRect of
// the signal area, the least any redraw must do. Prints median and 99th percentile of each, the
// ratios to the bare fill, and the window's targets (update 2 ms, full 5 ms) beside them.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/bench_report.h"
#include "satscope/sentence_handler.h"
#include "satscope/signal_canvas.h"
#include "satscope/signal_view.h"

namespace {

using bench::Clock;

constexpr int kWidth = 800;
constexpr int kHeight = 480;
constexpr satscope::SignalArea kArea{570, 227};
constexpr int kRounds = 400;

double Percentile(std::vector<double> samples, double q)
{
    if (samples.empty()) return 0;
    std::sort(samples.begin(), samples.end());
    return samples[std::min(samples.size() - 1, static_cast<std::size_t>(q * static_cast<double>(samples.size())))];
}

void Print(const char* what, const std::vector<double>& samples, double target_ms)
{
    const double median = Percentile(samples, 0.5);
    const double p99 = Percentile(samples, 0.99);
    std::printf("%-44s median %7.3f ms   p99 %7.3f ms   (n=%zu)", what, median, p99, samples.size());
    if (target_ms > 0) std::printf("   target %.0f ms: %s", target_ms, p99 <= target_ms ? "met" : "MISSED");
    std::printf("\n");
}

// 30 satellites; `phase` moves every SNR and PRN so that each bar differs from the other sky's.
void SetSky(satscope::FixState& fix, int phase)
{
    fix.satellites_in_view = satscope::kSatelliteSlots;
    for (int i = 0; i < satscope::kSatelliteSlots; ++i)
        fix.slots[static_cast<std::size_t>(i)] = {1 + i + phase * 40, 15 + (i * 7 + phase) % 35,
                                                  i % 3 ? satscope::kUsedInFix : 0};
}

}  // namespace

int main()
{
    std::vector<std::uint32_t> pixels(kWidth * kHeight, 0xFFFFFF);
    HDC dc = platform::CreateDCForPixels(pixels.data(), kWidth, kHeight, kWidth * 4);
    const satscope::SignalRect area = satscope::ClearRect(kArea);
    const RECT clip{area.x, area.y, area.x + area.width, area.y + area.height};
    std::printf("signal area %dx%d at (%d, %d), 30 bars; load %s\n", area.width, area.height, area.x, area.y,
                bench::LoadAverage().c_str());

    satscope::FixState fix;
    satscope::SignalView view;
    std::vector<double> update_ms, full_ms, fill_ms;
    int bars = 0;
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    for (int round = 0; round < kRounds; ++round) {
        // The window makes its canvas for each drawing, so its making is timed with it.
        SetSky(fix, round % 2);
        auto start = Clock::now();
        {
            satscope::GdiSignalCanvas canvas(dc, clip);
            bars += view.Draw(fix, satscope::SignalDraw::Update, true, kArea, canvas);
        }
        update_ms.push_back(bench::Millis(Clock::now() - start));

        start = Clock::now();
        {
            satscope::GdiSignalCanvas canvas(dc, clip);
            bars += view.Draw(fix, satscope::SignalDraw::Full, true, kArea, canvas);
        }
        full_ms.push_back(bench::Millis(Clock::now() - start));

        start = Clock::now();
        FillRect(dc, &clip, white);
        fill_ms.push_back(bench::Millis(Clock::now() - start));
    }
    DeleteObject(white);
    DeleteDC(dc);

    Print("update, all 30 bars changed", update_ms, 2);
    Print("full redraw, 30 bars", full_ms, 5);
    Print("bare FillRect of the signal area", fill_ms, 0);
    const double fill = std::max(Percentile(fill_ms, 0.5), 1e-6);
    std::printf("median ratios to the bare fill: update %.1f, full %.1f (%d bars drawn)\n",
                Percentile(update_ms, 0.5) / fill, Percentile(full_ms, 0.5) / fill, bars);
    return bars == 2 * kRounds * satscope::kSatelliteSlots ? 0 : 1;
}
