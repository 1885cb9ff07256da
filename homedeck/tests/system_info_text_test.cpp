#include "homedeck/system_info_text.h"

#include <gtest/gtest.h>

namespace homedeck {
namespace {

TEST(FormatSize, ChangesUnitAtTheEdgesAndCutsHundredths) {
    EXPECT_EQ(FormatSize(0), "0KB");
    EXPECT_EQ(FormatSize(1024), "1024KB");
    EXPECT_EQ(FormatSize(1025), "1.00MB");
    EXPECT_EQ(FormatSize(1535), "1.49MB");
    EXPECT_EQ(FormatSize(1048576), "1024.00MB");
    EXPECT_EQ(FormatSize(1048577), "1.00GB");
    EXPECT_EQ(FormatSize(2000000), "1.90GB");
    EXPECT_EQ(FormatSize(0xFFFFFFFFu), "4095.99GB");
}

TEST(StorageSizes, AreKilobytesOfTheCardAndNeverWrap) {
    const auto sizes = StorageSizesOf(2000000ull * 1024 + 1023, 500000ull * 1024);
    EXPECT_EQ(sizes.total_k, 2000000u);
    EXPECT_EQ(sizes.free_k, 500000u);
    EXPECT_EQ(sizes.used_k, 1500000u);
    EXPECT_EQ(StorageSizesOf(1024, 4096).used_k, 0u);
}

TEST(VersionText, ReadsTheFourDigitsOfAFullVersionAndKeepsShortOnes) {
    EXPECT_EQ(VersionText("1, 0, 2, 3"), "1.023");
    EXPECT_EQ(VersionText("2, 1, 0, 7, build"), "2.107");
    EXPECT_EQ(VersionText(""), "1.000");
    EXPECT_EQ(VersionText("1, 0, 2, "), "1, 0, 2, ");  // nine characters: no tenth to read
    EXPECT_EQ(VersionText("1.5"), "1.5");
}

}  // namespace
}  // namespace homedeck
