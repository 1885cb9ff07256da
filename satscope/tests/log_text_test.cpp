#include "satscope/log_text.h"

#include <gtest/gtest.h>

namespace satscope {
namespace {

TEST(LogText, TheHeaderTellsTheTimeAndPosition)
{
    FixState fix;
    const WallClock clock{3, 2026, 12, 9, 7, 5, 3, 42};
    EXPECT_EQ(LogHeader(fix, clock),
              " \n\n\n---- WRITE LOG START ----\n"
              "---- TIME [SYSTEM_TIME: WED 2026/12/9  7:5:3:42] ----\n"
              "---- POSITION [LATI: 0.000000( ) LONGI:0.000000( )]  ----\n\n");
    fix.log_time = {true, 26, 1, 2, 3, 4, 5};
    fix.latitude = 37.5;
    fix.latitude_hemisphere = 'N';
    fix.longitude = 127.25;
    fix.longitude_hemisphere = 'E';
    EXPECT_EQ(LogHeader(fix, clock),
              " \n\n\n---- WRITE LOG START ----\n"
              "---- TIME [UTC_TIME: 2026-1-2  3:4:5] ----\n"
              "---- POSITION [LATI: 37.500000(N) LONGI:127.250000(E)]  ----\n\n");
}

}  // namespace
}  // namespace satscope
