#include "satscope/nmea_decoders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include "satscope/control_ids.h"

namespace satscope {
namespace {

struct Texts : TextOut {
    std::map<int, std::string> shown;
    int writes = 0;
    void SetText(int control, const std::string& text) override
    {
        shown[control] = text;
        ++writes;
    }
};

struct Decoding : ::testing::Test {
    FixState fix;
    Texts texts;
    DecodeContext context{fix, texts, false};
};

TEST_F(Decoding, GgaShowsPositionTimeSatellitesAndHdop)
{
    DecodeGga("123519,4807.038,N,01131.000,E,2,08,0.9,545.4,M,46.9,M,,*47", context);
    EXPECT_EQ(texts.shown[IDC_LATITUDE], "LATI: 48.117300 N");
    EXPECT_EQ(texts.shown[IDC_LONGITUDE], "LONGI: 11.516667 E");
    EXPECT_EQ(texts.shown[IDC_ALTITUDE], "ALTI: 545.40 M");
    EXPECT_EQ(texts.shown[IDC_UTC_TIME], "UTC Time: 12:35:19");
    EXPECT_EQ(texts.shown[IDC_SATELLITES_USED], "n(SATE): 8");
    EXPECT_EQ(texts.shown[IDC_HDOP], "HDOP: 0.9");
    EXPECT_EQ(fix.fix_quality, 2);
    EXPECT_DOUBLE_EQ(fix.hdop, static_cast<double>(0.9f)) << "through single precision";

    // The same sentence again changes nothing on screen.
    texts.writes = 0;
    DecodeGga("123519,4807.038,N,01131.000,E,2,08,0.9,545.4,M,46.9,M,,*47", context);
    EXPECT_EQ(texts.writes, 0);

    // Compact texts; a hemisphere that is no letter shows as a blank.
    FixState other;
    Texts small;
    DecodeContext compact{other, small, true};
    DecodeGga("235959.99,3733.1234,S,12700.5000,\x01,1,12,1.5,-12.3,M,,,,*00", compact);
    EXPECT_EQ(small.shown[IDC_LATITUDE], "37.5521S");
    EXPECT_EQ(small.shown[IDC_LONGITUDE], "127.0083 ");
    EXPECT_EQ(small.shown[IDC_ALTITUDE], "-12.30 M");
    EXPECT_EQ(small.shown[IDC_UTC_TIME], "23:59:59");
    EXPECT_EQ(small.shown[IDC_SATELLITES_USED], "n(S):12");
}

// The receiver leaves fields empty while it has no fix: the scan stops at the first one and
// every later value is 0 or blank.
TEST_F(Decoding, AnEmptyFieldEndsTheScan)
{
    DecodeGga("123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,,,,*00", context);
    DecodeGga("123520,,,,,0,00,99.9,,,,,,*00", context);
    EXPECT_EQ(texts.shown[IDC_UTC_TIME], "UTC Time: 12:35:20");
    EXPECT_EQ(texts.shown[IDC_LATITUDE], "LATI: 0.000000  ");
    EXPECT_EQ(texts.shown[IDC_SATELLITES_USED], "n(SATE): 0");
    EXPECT_EQ(texts.shown[IDC_HDOP], "HDOP: 0.0") << "after the empty latitude nothing is read";
}

TEST_F(Decoding, GsaShowsTheFixTypeAndTheMeanSignalOfTheUsedSatellites)
{
    for (int i = 0; i < 12; ++i) fix.slots[static_cast<std::size_t>(i)] = {i + 1, 20 + i, 0};
    fix.slots[20] = {40, 99, 0};
    DecodeGsa("A,3,01,02,03,04,05,06,07,08,09,10,11,12,1.8,1.0,1.5*00", context);
    EXPECT_EQ(texts.shown[IDC_FIX_STATE], "STATE: 3D");
    EXPECT_EQ(texts.shown[IDC_MEAN_SIGNAL], "SNR: 25") << "all twelve: (20+...+31)/12";
    for (int i = 0; i < 12; ++i) EXPECT_EQ(fix.slots[static_cast<std::size_t>(i)].used, kUsedInFix);
    EXPECT_EQ(fix.slots[20].used, 0);
    EXPECT_EQ(texts.shown[IDC_PDOP], "PDOP: 1.8");
    EXPECT_EQ(texts.shown[IDC_HDOP], "HDOP: 1.0");
    EXPECT_EQ(texts.shown[IDC_VDOP], "VDOP: 1.5");

    // An empty satellite field: the walk stops there, the dilutions still come from 14 to 16.
    DecodeGsa("A,2,01,02,,04,05,,,,,,,,2.5,1.2,2.2*00", context);
    EXPECT_EQ(texts.shown[IDC_FIX_STATE], "STATE: 2D");
    EXPECT_EQ(texts.shown[IDC_MEAN_SIGNAL], "SNR: 20") << "(20+21)/2";
    EXPECT_EQ(fix.slots[3].used, 0);
    EXPECT_EQ(texts.shown[IDC_PDOP], "PDOP: 2.5");
    EXPECT_EQ(texts.shown[IDC_VDOP], "VDOP: 2.2");

    const std::pair<const char*, const char*> states[] = {
        {"A,1,,,,,,,,,,,,,,,*00", "STATE: NO FIX"}, {"A,7,*00", "STATE: UNKNOWN"}, {",,*00", "STATE: UNKNOWN"}};
    for (const auto& [text, state] : states) {
        DecodeGsa(text, context);
        EXPECT_EQ(texts.shown[IDC_FIX_STATE], state) << text;
        EXPECT_EQ(texts.shown[IDC_MEAN_SIGNAL], "SNR: 0") << text;
    }
    fix.fix_quality = 2;
    DecodeGsa("A,3,01*00", context);
    EXPECT_EQ(texts.shown[IDC_FIX_STATE], "STATE: 3D - DGPS");
}

TEST_F(Decoding, TheFirst3DFixEndsTheTimeToFixCount)
{
    fix.time_to_fix_running = true;
    fix.time_to_fix = 37;
    EXPECT_FALSE(DecodeGsa("A,2,01*00", context));
    EXPECT_EQ(texts.shown.count(IDC_TIME_TO_FIX), 0u);
    EXPECT_TRUE(DecodeGsa("A,3,01*00", context));
    EXPECT_EQ(texts.shown[IDC_TIME_TO_FIX], "RST Time: 37 sec !!");
    EXPECT_EQ(fix.time_to_fix, 0);
    EXPECT_FALSE(DecodeGsa("A,3,01*00", context)) << "once";
    context.compact = true;
    fix.time_to_fix_running = true;
    fix.time_to_fix = 5;
    EXPECT_TRUE(DecodeGsa("A,3,01*00", context));
    EXPECT_EQ(texts.shown[IDC_TIME_TO_FIX], "FT: 5 sec !!");
}

TEST_F(Decoding, AGsvCycleFillsTheSlots)
{
    EXPECT_FALSE(DecodeGsv("3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00*74", fix));
    EXPECT_FALSE(DecodeGsv("3,2,11,14,25,170,00,16,57,208,39,18,67,296,40,19,40,246,00*74", fix));
    EXPECT_TRUE(DecodeGsv("3,3,11,22,42,067,42,24,14,311,43,27,05,244,*74", fix));
    EXPECT_EQ(fix.satellites_in_view, 11);
    EXPECT_EQ(fix.slots[0], (SatelliteSlot{3, 0, 0}));
    EXPECT_EQ(fix.slots[5], (SatelliteSlot{16, 39, 0}));
    EXPECT_EQ(fix.slots[8], (SatelliteSlot{22, 42, 0}));
    EXPECT_EQ(fix.slots[10], (SatelliteSlot{27, 0, 0})) << "an empty SNR is 0";
    EXPECT_EQ(fix.slots[11].prn, 0);
    EXPECT_EQ(fix.write_position, 0) << "ready for the next cycle";

    // Message 1 starts over, whatever was left of a cycle before it.
    DecodeGsv("2,1,05,07,79,048,42*00", fix);
    DecodeGsv("1,1,02,08,10,100,33,09,11,101,34*00", fix);
    EXPECT_EQ(fix.slots[0], (SatelliteSlot{8, 33, 0}));
    EXPECT_EQ(fix.slots[2].prn, 0);
}

TEST_F(Decoding, ASignalIdAfterTheLastGroupIsNoSatellite)
{
    EXPECT_TRUE(DecodeGsv("1,1,02,08,10,100,33,09,11,101,34,1*00", fix));
    EXPECT_EQ(fix.slots[0], (SatelliteSlot{8, 33, 0}));
    EXPECT_EQ(fix.slots[1], (SatelliteSlot{9, 34, 0}));
    EXPECT_EQ(fix.slots[2].prn, 0) << "the trailing 1 is the signal id";
}

TEST_F(Decoding, AGsvCycleWithALostMessageKeepsTheBarsDrawnBefore)
{
    fix.drawn[0] = {5, 44, kUsedInFix};
    fix.drawn[1] = {6, 45, 0};
    DecodeGsv("3,1,09,10,10,100,20,11,11,111,21,12,12,120,22,13,13,130,23*00", fix);
    fix.gsv_skip = true;  // message 2 failed its checksum
    fix.write_position = 0;
    EXPECT_TRUE(DecodeGsv("3,3,09,30,30,300,30*00", fix));
    EXPECT_EQ(fix.slots, fix.drawn);
    EXPECT_FALSE(fix.gsv_skip);
}

TEST_F(Decoding, OutlandishGsvNumbersStayInsideTheSlots)
{
    std::string many = "9,1,99";
    for (int i = 0; i < 40; ++i) many += "," + std::to_string(i + 1) + ",10,100,30";
    DecodeGsv(many + "*00", fix);
    DecodeGsv("9,2,99,-5,1,1,99999999999999999999,-3,1,1,1*00", fix);
    EXPECT_EQ(fix.slots[29].prn, 30);
    EXPECT_EQ(fix.satellites_in_view, 99);
    DecodeGsv("1,1,-2147483649,1,1,1,1*00", fix);
    EXPECT_EQ(fix.satellites_in_view, -2147483647 - 1) << "saturated";
    EXPECT_EQ(fix.write_position, 0);
}

TEST_F(Decoding, RmcShowsTheDateAndStampsTheLog)
{
    DecodeRmc("123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A", context);
    EXPECT_EQ(texts.shown[IDC_UTC_DATE], "UTC Date: 2094-03-23");
    EXPECT_EQ(texts.shown[IDC_UTC_TIME], "UTC Time: 12:35:19");
    EXPECT_EQ(texts.shown[IDC_LATITUDE], "LATI: 48.117300 N");
    EXPECT_TRUE(fix.log_time.valid);
    EXPECT_EQ(fix.log_time.year, 94);
    EXPECT_EQ(fix.log_time.hour, 12);
    EXPECT_EQ(fix.log_time.second, 19);

    // The same day later: the log follows the latest time.
    DecodeRmc("140001,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*00", context);
    EXPECT_EQ(fix.log_time.hour, 14);
    EXPECT_EQ(fix.log_time.second, 1);

    // No fix: the date still counts, read from its own field.
    FixState empty;
    Texts other;
    DecodeContext context2{empty, other, true};
    DecodeRmc("000005,V,,,,,,,010126,,,N*00", context2);
    EXPECT_EQ(other.shown[IDC_UTC_DATE], "2026-01-01");
    EXPECT_TRUE(empty.log_time.valid);
    DecodeRmc("000005,V,,,,,,,,,,N*00", context);
    EXPECT_EQ(texts.shown[IDC_UTC_DATE], "UTC Date: 2000-00-00");
}

TEST(NmeaNumbers, ConvertAndSaturate)
{
    EXPECT_NEAR(DegreesFromNmea(4807.038), 48.1173, 1e-9);
    const Hms time = SplitSixDigits(235959.99);
    EXPECT_EQ(time.first, 23);
    EXPECT_EQ(time.second, 59);
    EXPECT_EQ(time.third, 59);
    const Hms huge = SplitSixDigits(1e300);
    EXPECT_EQ(huge.first, 2147483647);
    const Hms nan = SplitSixDigits(std::nan(""));
    EXPECT_EQ(nan.first, 0);
}

}  // namespace
}  // namespace satscope
