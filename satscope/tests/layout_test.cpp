#include "satscope/layout.h"

#include <gtest/gtest.h>

#include <map>

#include "satscope/control_ids.h"

namespace satscope {
namespace {

std::map<int, Placement> ById(const LayoutResult& layout)
{
    std::map<int, Placement> placements;
    for (const Placement& p : layout.placements) placements[p.id] = p;
    return placements;
}

TEST(Layout, AFullWindowOf800By480)
{
    const LayoutResult layout = ComputeLayout({});
    EXPECT_FALSE(layout.compact);
    EXPECT_EQ(layout.client_height, 455);
    EXPECT_EQ(layout.left_width, 570);
    EXPECT_EQ(layout.signal_height, 227);
    EXPECT_EQ(layout.summary_height, 45);
    EXPECT_EQ(layout.list_height, 182);
    auto at = ById(layout);
    const auto expect = [&](int id, int x, int y, int w, int h, bool visible) {
        const Placement& p = at[id];
        EXPECT_EQ(p.x, x) << id;
        EXPECT_EQ(p.y, y) << id;
        EXPECT_EQ(p.width, w) << id;
        EXPECT_EQ(p.height, h) << id;
        EXPECT_EQ(p.visible, visible) << id;
    };
    expect(IDC_SENTENCES, 2, 272, 568, 178, true);
    expect(IDC_FIX_STATE, 2, 227, 190, 15, true);
    expect(IDC_VDOP, 2 + 2 * 190, 242, 190, 15, true);
    expect(IDC_ALTITUDE, 382, 257, 190, 15, true);
    expect(IDC_COMMAND_FIRST, 572, 229, 109, 37, true);       // row 0, column 0
    expect(IDC_COMMAND_FIRST + 1, 572 + 113, 229, 109, 37, true);
    expect(IDC_LOG, 685, 5 * 37 + 227 + 2, 109, 37, true);    // row 5, column 1
    expect(IDC_NOTICE, 4, 2, 562, 15, false);
    expect(IDC_PORTS, 572, 2, 111, 20, true);
    expect(IDC_BAUDS, 572 + 115, 2, 111, 20, true);
    expect(IDC_CONNECT, 572, 24, 222, 25, true);
    expect(IDC_TYPE_UBLOX, 572 + 76, 49, 76, 25, true);
    expect(IDC_VERSION_SECOND, 572, 179, 226, 20, true);
    expect(IDC_PRESET_FIRST + 4, 572 + 4 * 46, 227 - 27, 44, 20, true);
    EXPECT_TRUE(layout.captions.empty());
    EXPECT_STREQ(WindowTitle(layout.compact), "[VORL] SATSCOPE_PLUS_v1.00");
}

TEST(Layout, ASmallWindowIsCompact)
{
    LayoutInput input;
    input.window_width = 320;
    input.window_height = 300;
    LayoutResult layout = ComputeLayout(input);
    EXPECT_TRUE(layout.compact);
    EXPECT_EQ(layout.left_width, 220);
    auto at = ById(layout);
    EXPECT_FALSE(at[IDC_PRESET_FIRST].visible);
    EXPECT_FALSE(at[IDC_VERSION_TITLE].visible);
    EXPECT_FALSE(at[IDC_VERSION_FIRST].visible);
    EXPECT_TRUE(at[IDC_UTC_DATE].visible) << "301 > height >= 251 keeps the times";
    const std::vector<std::pair<int, std::string>> captions = {
        {IDC_TYPE_SIRF, "S"}, {IDC_TYPE_UBLOX, "U"}, {IDC_TYPE_PTC, "P"}, {IDC_CONNECT, "CON"}, {IDC_TIME_TO_FIX, "FT: none"}};
    EXPECT_EQ(layout.captions, captions);
    EXPECT_STREQ(WindowTitle(true), "[VORL] MINI SatScope_v1.00 ");

    input.window_height = 240;
    input.port_open = true;
    layout = ComputeLayout(input);
    at = ById(layout);
    EXPECT_FALSE(at[IDC_UTC_DATE].visible);
    EXPECT_FALSE(at[IDC_UTC_TIME].visible);
    EXPECT_FALSE(at[IDC_TIME_TO_FIX].visible);
    EXPECT_EQ(layout.captions[3].second, "DIS");
}

TEST(Layout, AZeroShareHidesItsArea)
{
    LayoutInput input;
    input.signal_share = 9;
    input.summary_share = 1;
    input.list_share = 0;
    auto at = ById(ComputeLayout(input));
    EXPECT_FALSE(at[IDC_SENTENCES].visible);
    EXPECT_TRUE(at[IDC_FIX_STATE].visible);
    input = {};
    input.signal_share = 1;
    input.summary_share = 0;
    at = ById(ComputeLayout(input));
    EXPECT_FALSE(at[IDC_LATITUDE].visible);
    input.summary_share = input.signal_share = input.list_share = 0;
    const LayoutResult none = ComputeLayout(input);
    EXPECT_EQ(none.signal_height, 0) << "no division by zero";
}

}  // namespace
}  // namespace satscope
