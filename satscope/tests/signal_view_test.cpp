#include "satscope/signal_view.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "satscope/sentence_handler.h"

namespace satscope {
namespace {

// What the view asked of its canvas, in order. A fill has no text; a text has no size or colour.
struct Op {
    int x = 0, y = 0, width = 0, height = 0;
    int r = 0, g = 0, b = 0;
    std::string text;
    bool operator==(const Op&) const = default;
};

Op FillOp(int x, int y, int width, int height, int r, int g, int b) { return {x, y, width, height, r, g, b, {}}; }
Op TextOp(int x, int y, std::string text) { return {x, y, 0, 0, 0, 0, 0, std::move(text)}; }

std::ostream& operator<<(std::ostream& out, const Op& op)
{
    if (!op.text.empty()) return out << "text(" << op.x << "," << op.y << ",\"" << op.text << "\")";
    return out << "fill(" << op.x << "," << op.y << " " << op.width << "x" << op.height << " " << op.r << ","
               << op.g << "," << op.b << ")";
}

struct Recorder final : SignalCanvas {
    std::vector<Op> ops;
    void Fill(int x, int y, int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b) override
    {
        ops.push_back(FillOp(x, y, width, height, r, g, b));
    }
    void Text(int x, int y, const std::string& text) override { ops.push_back(TextOp(x, y, text)); }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const Op& op : ops)
            if (!op.text.empty()) texts.push_back(op.text);
        return texts;
    }
};

FixState Sky(const std::vector<SatelliteSlot>& satellites)
{
    FixState fix;
    for (std::size_t i = 0; i < satellites.size() && i < fix.slots.size(); ++i) fix.slots[i] = satellites[i];
    fix.satellites_in_view = static_cast<std::int32_t>(satellites.size());
    return fix;
}

// Satellite i has PRN i + 1 and SNR 20 + i, every other one used in the fix.
FixState Rising(int count)
{
    std::vector<SatelliteSlot> satellites;
    for (int i = 0; i < count; ++i) satellites.push_back({i + 1, 20 + i, i % 2 ? kUsedInFix : 0});
    return Sky(satellites);
}

constexpr SignalArea kArea{440, 227};

struct Drawing : ::testing::Test {
    SignalView view;
    Recorder canvas;
    int Draw(FixState& fix, SignalDraw mode, SignalArea area = kArea)
    {
        canvas.ops.clear();
        return view.Draw(fix, mode, true, area, canvas);
    }
};

TEST_F(Drawing, EightSatellitesIn440PixelsGiveWideBarsWithBracketedLabels)
{
    FixState fix = Rising(8);
    EXPECT_EQ(Draw(fix, SignalDraw::Full), 8);
    // Width (440 - 2) / 8 = 54. The strip right of the last column, [434, 439), is cleared
    // first; then per bar its column, its SNR, its PRN and the bar. Bar 3: SNR 23, height
    // 23 * 227 / 70 = 74, used.
    ASSERT_EQ(canvas.ops.size(), 1u + 8 * 4);
    EXPECT_EQ(canvas.ops[0], FillOp(434, 0, 5, 223, 255, 255, 255));
    const std::vector<Op> bar3(canvas.ops.begin() + 1 + 3 * 4, canvas.ops.begin() + 1 + 4 * 4);
    EXPECT_EQ(bar3, (std::vector<Op>{FillOp(164, 0, 54, 223, 255, 255, 255), TextOp(171, 227 - 74 - 45, "23"),
                                     TextOp(169, 207, "[4]"), FillOp(166, 227 - 74 - 20, 49, 74, 102, 204, 0)}));
    // Bar 7 is the strongest (SNR 27) and used: its labels say so, in the brighter green.
    const std::vector<Op> bar7(canvas.ops.end() - 4, canvas.ops.end());
    EXPECT_EQ(bar7[1].text, "27 max");
    EXPECT_EQ(bar7[2].text, "[8*]");
    EXPECT_EQ(bar7[3], FillOp(7 * 54 + 4, 227 - 87 - 20, 49, 87, 102, 238, 0));
    EXPECT_EQ(canvas.ops[1 + 3], FillOp(4, 227 - 64 - 20, 49, 64, 153, 153, 153));  // bar 0: not used
    EXPECT_EQ(view.LastStrongest(), (Strongest{8, 27}));
    EXPECT_EQ(fix.drawn_count, 8);
    EXPECT_EQ(fix.drawn[7], fix.slots[7]);
}

TEST_F(Drawing, TwelveSatellitesGiveNarrowBarsWithPlainLabels)
{
    FixState fix = Rising(12);
    Draw(fix, SignalDraw::Full);
    const std::vector<Op> last(canvas.ops.end() - 4, canvas.ops.end());  // width 438 / 12 = 36
    EXPECT_EQ(last[1], TextOp(11 * 36 + 18 - 8, 227 - 31 * 227 / 70 - 45, "31\""));
    EXPECT_EQ(last[2], TextOp(11 * 36 + 18 - 8, 207, "12"));
    EXPECT_EQ(last[3].width, 31);
    EXPECT_EQ(canvas.Texts()[1], "1");
}

TEST_F(Drawing, TheStrongestIsOneSatelliteWithSignal)
{
    FixState single = Sky({{5, 40, kUsedInFix}});
    Draw(single, SignalDraw::Full);
    EXPECT_EQ(canvas.Texts(), (std::vector<std::string>{"40", "[5]"}));
    EXPECT_EQ(canvas.ops.back().g, 204);
    EXPECT_EQ(view.LastStrongest(), Strongest{});

    // Of two equal SNRs the first is the strongest; a slot without a satellite keeps an SNR from
    // an earlier cycle, which does not count.
    FixState tie = Sky({{3, 30, 0}, {9, 44, 0}, {0, 60, 0}, {12, 44, 0}});
    Draw(tie, SignalDraw::Full);
    EXPECT_EQ(canvas.Texts(), (std::vector<std::string>{"30", "[3]", "44 max", "[9*]", "44", "[12]"}));
    EXPECT_EQ(view.LastStrongest(), (Strongest{9, 44}));
    EXPECT_EQ(canvas.ops[1 + 4 + 3].r, 153);  // the strongest's own green is for a used satellite

    FixState silent = Sky({{3, 0, 0}, {9, 0, 0}});
    Draw(silent, SignalDraw::Full);
    EXPECT_EQ(view.LastStrongest(), Strongest{});
}

TEST_F(Drawing, UpdateDrawsWhatChangedAndEverythingWhenTheSkyReorders)
{
    FixState fix = Rising(8);
    Draw(fix, SignalDraw::Update);
    EXPECT_EQ(Draw(fix, SignalDraw::Update), 0);
    EXPECT_TRUE(canvas.ops.empty());

    fix.slots[2].snr = 26;  // below the strongest (27)
    fix.slots[5].used = kUsedInFix - 1;
    EXPECT_EQ(Draw(fix, SignalDraw::Update), 2);
    EXPECT_EQ(canvas.ops[0].x, 2 * 54 + 2);
    EXPECT_EQ(canvas.ops[4].x, 5 * 54 + 2);

    fix.slots[2].snr = 35;  // a new strongest: the old one's bar still says "max"
    EXPECT_EQ(Draw(fix, SignalDraw::Update), 8);
    EXPECT_EQ(view.LastStrongest(), (Strongest{3, 35}));

    fix.satellites_in_view = 7;  // fewer, wider bars
    EXPECT_EQ(Draw(fix, SignalDraw::Update), 7);
    EXPECT_EQ(canvas.ops[1].width, 62);
    EXPECT_EQ(fix.drawn_count, 7);
}

TEST_F(Drawing, AClearMakesTheNextUpdateDrawAllAndKeepsTheDrawnCopy)
{
    FixState fix = Rising(6);
    Draw(fix, SignalDraw::Full);
    const auto drawn = fix.drawn;

    Draw(fix, SignalDraw::ClearGrey);
    EXPECT_EQ(canvas.ops, (std::vector<Op>{FillOp(2, 0, 437, 223, 190, 190, 190)}));
    EXPECT_EQ(fix.drawn_count, 0);
    EXPECT_EQ(Draw(fix, SignalDraw::Update), 6);

    // Hidden area: nothing is painted, but the bookkeeping still says no bar is shown.
    canvas.ops.clear();
    EXPECT_EQ(view.Draw(fix, SignalDraw::Clear, false, kArea, canvas), 0);
    EXPECT_EQ(view.Draw(fix, SignalDraw::Full, false, kArea, canvas), 0);
    EXPECT_TRUE(canvas.ops.empty());
    EXPECT_EQ(fix.drawn_count, 0);
    EXPECT_EQ(fix.drawn, drawn);
    EXPECT_EQ(Draw(fix, SignalDraw::Update), 6);
    EXPECT_EQ(view.Draws(), 18);
}

TEST_F(Drawing, CountsAndSnrsOutsideTheirRangesAreHeldToThem)
{
    FixState many = Rising(30);
    many.satellites_in_view = 45;
    EXPECT_EQ(Draw(many, SignalDraw::Full), 30);
    EXPECT_EQ(many.drawn_count, 30);

    many.satellites_in_view = -3;
    EXPECT_EQ(Draw(many, SignalDraw::Update), 0);
    EXPECT_EQ(canvas.ops, (std::vector<Op>{FillOp(2, 0, 437, 223, 255, 255, 255)}));
    EXPECT_EQ(many.drawn_count, 0);

    // SNR -5 makes no bar; 150 sizes as 99, taller than the area, and is cut at its top.
    FixState odd = Sky({{4, -5, kUsedInFix}, {7, 150, kUsedInFix}});
    Draw(odd, SignalDraw::Full);
    EXPECT_EQ(canvas.Texts(), (std::vector<std::string>{"-5", "[4]", "150 max", "[7*]"}));
    EXPECT_EQ(canvas.ops.back(), FillOp(219 + 4, 0, 214, 207, 102, 238, 0));
    EXPECT_EQ(canvas.ops[canvas.ops.size() - 5], TextOp(219 / 2 - 20, 207, "[4]"));  // no bar after it
}

// Random skies in random areas, drawn in random modes: nothing lands outside the clear
// rectangle, and the drawn copy always matches the satellites shown.
TEST(SignalViewProperty, NothingLeavesTheClearRectangle)
{
    for (unsigned seed = 1; seed <= 300; ++seed) {
        std::mt19937 random(seed);
        const auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
        const SignalArea area{pick(-10, 900), pick(-10, 500)};
        const SignalRect clear = ClearRect(area);
        FixState fix;
        SignalView view;
        Recorder canvas;
        for (int round = 0; round < 8; ++round) {
            fix.satellites_in_view = pick(-2, 40);
            for (SatelliteSlot& slot : fix.slots) slot = {pick(0, 3) ? pick(1, 200) : 0, pick(-20, 200), pick(0, 3)};
            const auto mode = static_cast<SignalDraw>(pick(0, 3));
            view.Draw(fix, mode, true, area, canvas);
            const int shown = std::min(fix.satellites_in_view, kSatelliteSlots);
            if ((mode == SignalDraw::Full || mode == SignalDraw::Update) && shown > 0) {
                ASSERT_EQ(fix.drawn_count, shown) << "seed " << seed;
                for (std::size_t i = 0; i < static_cast<std::size_t>(shown); ++i)
                    ASSERT_EQ(fix.drawn[i], fix.slots[i]) << "seed " << seed << " slot " << i;
            }
        }
        for (const Op& op : canvas.ops) {
            SCOPED_TRACE(::testing::Message() << "seed " << seed << " " << op);
            if (!op.text.empty()) {
                EXPECT_LT(op.x, clear.x + clear.width);
                EXPECT_LT(op.y, clear.y + clear.height);
                continue;
            }
            EXPECT_GT(op.width, 0);
            EXPECT_GT(op.height, 0);
            EXPECT_GE(op.x, clear.x);
            EXPECT_GE(op.y, clear.y);
            EXPECT_LE(op.x + op.width, clear.x + clear.width);
            EXPECT_LE(op.y + op.height, clear.y + clear.height);
        }
    }
}

}  // namespace
}  // namespace satscope
