// Frames byte-exact against sums worked out here, the field helpers and the UTC clock.
#include <gtest/gtest.h>

#include <string>

#include "tools/gpssim/sentence_frames.h"
#include "tools/gpssim/utc_time.h"

namespace {

using namespace gpssim;

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (int value : values) bytes += static_cast<char>(value);
    return bytes;
}

TEST(SentenceFrames, SentenceIsDollarBodyStarUpperHexCrLf) {
    // XOR of "GPVTG,,T,,M,,N,,K,N" worked out by hand, letter by letter.
    const std::string body = "GPVTG,,T,,M,,N,,K,N";
    int sum = 0;
    for (char c : body) sum ^= static_cast<unsigned char>(c);
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", sum);
    EXPECT_EQ(MakeSentence(body), "$" + body + "*" + digits + "\r\n");
    EXPECT_EQ(MakeSentence(body), "$GPVTG,,T,,M,,N,,K,N*2C\r\n");
    // A checksum with letters is written in upper case, with a leading zero when small.
    EXPECT_EQ(MakeSentence("A"), "$A*41\r\n");
    EXPECT_EQ(MakeSentence("AB"), "$AB*03\r\n");
    EXPECT_EQ(MakeSentence("j"), "$j*6A\r\n");
    EXPECT_EQ(MakeSentence(""), "$*00\r\n");
    EXPECT_EQ(ChecksumDigits(0xAB, HexCase::Lower), "ab");
}

TEST(SentenceFrames, UbxFrameCarriesLengthAndFletcherSums) {
    // A u-blox hot start (CFG-RST): sums over class, id, length and payload.
    const std::string payload = Bytes({0x00, 0x00, 0x02, 0x00});
    const std::string frame = MakeUbxFrame(0x06, 0x04, payload);
    const std::string covered = Bytes({0x06, 0x04, 0x04, 0x00, 0x00, 0x00, 0x02, 0x00});
    int a = 0, b = 0;
    for (char c : covered) {
        a = (a + static_cast<unsigned char>(c)) & 0xFF;
        b = (b + a) & 0xFF;
    }
    EXPECT_EQ(frame, Bytes({0xB5, 0x62}) + covered + Bytes({a, b}));
    EXPECT_EQ(frame, Bytes({0xB5, 0x62, 0x06, 0x04, 0x04, 0x00, 0x00, 0x00, 0x02, 0x00, 0x10, 0x68}));

    // A payload with CR, LF, "$" and 0xB5 0x62 inside passes unchanged; the length is little-endian.
    std::string big(300, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
    big[10] = '$';
    big[11] = '\r';
    big[12] = '\n';
    big[13] = static_cast<char>(0xB5);
    big[14] = 0x62;
    const std::string long_frame = MakeUbxFrame(0x01, 0x02, big);
    ASSERT_EQ(long_frame.size(), 6 + big.size() + 2);
    EXPECT_EQ(static_cast<unsigned char>(long_frame[4]), 300 & 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(long_frame[5]), 300 >> 8);
    EXPECT_EQ(long_frame.substr(6, big.size()), big);
    const UbxChecksum sum = UbxFletcher(long_frame.substr(2, 4 + big.size()));
    EXPECT_EQ(static_cast<unsigned char>(long_frame[long_frame.size() - 2]), sum.a);
    EXPECT_EQ(static_cast<unsigned char>(long_frame.back()), sum.b);
}

TEST(SentenceFrames, FieldsCountTheAddressAsFieldZero) {
    const std::string rmc = "$GPRMC,023000.00,V,,,,,,,150324,,,N*7D\r\n";
    EXPECT_EQ(SentenceAddress(rmc), "GPRMC");
    EXPECT_EQ(SentenceField(rmc, 1), "023000.00");
    EXPECT_EQ(SentenceField(rmc, 3), "");
    EXPECT_EQ(SentenceField(rmc, 9), "150324");
    EXPECT_EQ(SentenceField(rmc, 12), "N");
    EXPECT_EQ(SentenceField(rmc, 13), "") << "past the last field";
    EXPECT_EQ(SentenceAddress("$GPGG"), "GPGG") << "a sentence cut short";
    EXPECT_EQ(SentenceAddress("GPGGA,1"), "") << "no $";
    EXPECT_EQ(SentenceAddress(""), "");
}

TEST(UtcClock, AdvancesAcrossMidnightMonthEndsAndLeapDays) {
    EXPECT_EQ(AddSeconds({2024, 2, 28, 23, 59, 59}, 1), (UtcTime{2024, 2, 29, 0, 0, 0}));
    EXPECT_EQ(AddSeconds({2023, 2, 28, 23, 59, 59}, 1), (UtcTime{2023, 3, 1, 0, 0, 0}));
    EXPECT_EQ(AddSeconds({2099, 12, 31, 23, 59, 59}, 2), (UtcTime{2100, 1, 1, 0, 0, 1}));
    EXPECT_EQ(AddSeconds({2024, 3, 15, 2, 30, 0}, 86400 * 366), (UtcTime{2025, 3, 16, 2, 30, 0}));
    EXPECT_EQ(NmeaTimeField({2024, 3, 5, 7, 8, 9}), "070809.00");
    EXPECT_EQ(NmeaDateField({2024, 3, 5, 7, 8, 9}), "050324");
    // Friday 2024-03-15 02:30:00 UTC: five days into the GPS week, GPS 18 s ahead of UTC.
    EXPECT_EQ(GpsTimeOfWeekMs({2024, 3, 15, 2, 30, 0}), (5u * 86400 + 2 * 3600 + 30 * 60 + 18) * 1000);
    // Saturday 23:59:50 UTC is already the next GPS week.
    EXPECT_EQ(GpsTimeOfWeekMs({2024, 3, 16, 23, 59, 50}), 8000u);
}

TEST(UtcClock, ParsesOnlyWholeValidTimes) {
    EXPECT_EQ(ParseUtcTime("2024-02-29T23:59:59"), (UtcTime{2024, 2, 29, 23, 59, 59}));
    EXPECT_EQ(ParseUtcTime("2030-01-02 03:04:05"), (UtcTime{2030, 1, 2, 3, 4, 5}));
    for (const char* bad : {"2023-02-29T00:00:00", "2024-13-01T00:00:00", "2024-01-01T24:00:00", "1999-12-31T23:59:59",
                            "2024-01-01T00:00", "2024-01-01T00:00:00Z", "2024-1-01T00:00:00", "2024-01-01X00:00:00", ""})
        EXPECT_FALSE(ParseUtcTime(bad)) << bad;
}

}  // namespace
