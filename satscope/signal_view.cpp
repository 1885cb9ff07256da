#include "satscope/signal_view.h"

#include <algorithm>

#include "satscope/sentence_handler.h"

namespace satscope {

namespace {

struct Colour {
    std::uint8_t r, g, b;
};

constexpr Colour kWhite{255, 255, 255};
constexpr Colour kGrey{190, 190, 190};
constexpr Colour kNotUsed{153, 153, 153};
constexpr Colour kUsed{102, 204, 0};
constexpr Colour kUsedStrongest{102, 238, 0};

// Labels of bars narrower than this are shortened to fit.
constexpr int kNarrowBar = 40;
// A bar's height is its SNR scaled so that 70 dB-Hz fills the area; SNRs past these bounds
// are not real readings.
constexpr std::int32_t kLowestSnr = 0;
constexpr std::int32_t kHighestSnr = 99;
constexpr std::int64_t kFullScaleSnr = 70;

int ClampToInt(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

void Fill(SignalCanvas& canvas, const SignalRect& rect, Colour colour)
{
    canvas.Fill(rect.x, rect.y, rect.width, rect.height, colour.r, colour.g, colour.b);
}

// The first slot with the highest SNR among those holding a satellite, or -1 when there is no
// strongest: a single satellite, or no SNR above 0. Slots without a satellite are passed over:
// their SNR is what an earlier cycle left there.
int StrongestSlot(const FixState& fix, int count)
{
    if (count == 1) return -1;
    int strongest = -1;
    for (int i = 0; i < count; ++i) {
        const SatelliteSlot& slot = fix.slots[static_cast<std::size_t>(i)];
        if (slot.prn == 0) continue;
        if (strongest < 0 || slot.snr > fix.slots[static_cast<std::size_t>(strongest)].snr) strongest = i;
    }
    if (strongest >= 0 && fix.slots[static_cast<std::size_t>(strongest)].snr <= 0) return -1;
    return strongest;
}

Colour BarColour(const SatelliteSlot& slot, bool strongest)
{
    if (slot.used != kUsedInFix) return kNotUsed;
    return strongest ? kUsedStrongest : kUsed;
}

// One slot: its column cleared, then, when it holds a satellite, the SNR above the bar, the
// PRN under it and the bar.
void DrawSlot(SignalCanvas& canvas, const SignalArea& area, int index, int width, const SatelliteSlot& slot,
              bool strongest)
{
    const int signal = area.signal_height;
    const int x = index * width;
    Fill(canvas, {x + 2, 0, width, ClampToInt(std::int64_t{signal} - 4)}, kWhite);
    if (slot.prn == 0) return;

    // A bar taller than the area is cut at its top anyway; holding it to the area's height
    // keeps the arithmetic inside an int for any area.
    const std::int64_t snr = std::clamp(slot.snr, kLowestSnr, kHighestSnr);
    const int height = static_cast<int>(std::clamp<std::int64_t>(snr * signal / kFullScaleSnr, 0, std::max(signal, 0)));
    const bool narrow = width < kNarrowBar;

    // The labels say what the receiver sent; only the bar's size is held to the range.
    std::string snr_text = std::to_string(slot.snr);
    if (strongest) snr_text += narrow ? "\"" : " max";
    const std::string prn_text = narrow      ? std::to_string(slot.prn)
                                 : strongest ? "[" + std::to_string(slot.prn) + "*]"
                                             : "[" + std::to_string(slot.prn) + "]";
    const int centre = x + width / 2;
    canvas.Text(centre - (narrow ? 8 : 18), ClampToInt(std::int64_t{signal} - height - 45), snr_text);
    canvas.Text(centre - (narrow ? 8 : 20), ClampToInt(std::int64_t{signal} - 20), prn_text);
    const int top = ClampToInt(std::int64_t{signal} - height - 20);
    Fill(canvas, {x + 4, top, width - 5, height}, BarColour(slot, strongest));
}

}  // namespace

SignalRect ClearRect(const SignalArea& area)
{
    return {2, 0, ClampToInt(std::max<std::int64_t>(0, std::int64_t{area.left_width} - 3)),
            ClampToInt(std::max<std::int64_t>(0, std::int64_t{area.signal_height} - 4))};
}

void ClippedCanvas::Fill(int x, int y, int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    if (m_clip.Empty() || width <= 0 || height <= 0) return;
    const std::int64_t left = std::max<std::int64_t>(x, m_clip.x);
    const std::int64_t top = std::max<std::int64_t>(y, m_clip.y);
    const std::int64_t clip_right = std::int64_t{m_clip.x} + m_clip.width;
    const std::int64_t clip_bottom = std::int64_t{m_clip.y} + m_clip.height;
    const std::int64_t right = std::min<std::int64_t>(std::int64_t{x} + width, clip_right);
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{y} + height, clip_bottom);
    if (left >= right || top >= bottom) return;
    m_target.Fill(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                  static_cast<int>(bottom - top), r, g, b);
}

void ClippedCanvas::Text(int x, int y, const std::string& text)
{
    if (m_clip.Empty() || text.empty()) return;
    if (std::int64_t{x} >= std::int64_t{m_clip.x} + m_clip.width) return;
    if (std::int64_t{y} >= std::int64_t{m_clip.y} + m_clip.height) return;
    m_target.Text(x, y, text);
}

int SignalView::Draw(FixState& fix, SignalDraw mode, bool can_draw, const SignalArea& area, SignalCanvas& canvas)
{
    const SignalRect clear = ClearRect(area);
    ClippedCanvas clipped(canvas, clear);
    if (mode == SignalDraw::Clear || mode == SignalDraw::ClearGrey) {
        // Whether or not the area shows, no bar is on it now: the next update draws them all.
        // The last-drawn copy stays, for a GSV cycle with a lost message to fall back on.
        fix.drawn_count = 0;
        if (can_draw) Fill(clipped, clear, mode == SignalDraw::ClearGrey ? kGrey : kWhite);
        return 0;
    }
    if (!can_draw) return 0;
    if (fix.satellites_in_view <= 0) {
        fix.drawn_count = 0;
        Fill(clipped, clear, kWhite);
        return 0;
    }

    const int count = std::min<std::int32_t>(fix.satellites_in_view, kSatelliteSlots);
    const int width = static_cast<int>(std::max<std::int64_t>(0, std::int64_t{area.left_width} - 2) / count);
    const int strongest_slot = StrongestSlot(fix, count);
    Strongest strongest;
    if (strongest_slot >= 0) {
        const SatelliteSlot& slot = fix.slots[static_cast<std::size_t>(strongest_slot)];
        strongest = {slot.prn, slot.snr};
    }
    // Every bar is drawn again when asked to, when their number (and so their width) changed,
    // or when another satellite became the strongest, whose old bar still says "max".
    bool all = mode == SignalDraw::Full || count != fix.drawn_count;
    if (strongest != m_strongest) {
        all = true;
        m_strongest = strongest;
    }
    if (all) {
        // Right of the last column: what wider bars of an earlier count left there.
        const int end = count * width + 2;
        Fill(clipped, {end, 0, clear.x + clear.width - end, clear.height}, kWhite);
    }

    int bars = 0;
    for (int i = 0; i < count; ++i) {
        const auto at = static_cast<std::size_t>(i);
        if (!all && fix.slots[at] == fix.drawn[at]) continue;
        DrawSlot(clipped, area, i, width, fix.slots[at], i == strongest_slot);
        fix.drawn[at] = fix.slots[at];
        if (fix.slots[at].prn != 0) ++bars;
    }
    fix.drawn_count = count;
    m_draws += static_cast<unsigned>(bars);
    return bars;
}

}  // namespace satscope
