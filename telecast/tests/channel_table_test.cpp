#include "telecast/channel_table.h"

#include <gtest/gtest.h>

#include <limits>

#include "telecast/tests/channel_builder.h"

namespace telecast {
namespace {

using fixture::kLatin1;
using fixture::MakeRecord;

// Radio "KBS", TV "MBC", radio "SBS", TV "KBS" (a name in both lists), radio "YTN".
ChannelTable MakeTable(std::int32_t region_code)
{
    const auto name = [&](std::u16string_view text) {
        return region_code == kKoreaRegionCode ? NameBytes(std::string(text.begin(), text.end())) : NameBytes(text);
    };
    ChannelTable table;
    table.region_code = region_code;
    table.Add(MakeRecord(kRadioService, name(u"KBS"), 1));
    table.Add(MakeRecord(kTvService, name(u"MBC"), 2));
    table.Add(MakeRecord(kRadioService, name(u"SBS"), 3));
    table.Add(MakeRecord(kTvService, name(u"KBS"), 4));
    table.Add(MakeRecord(kRadioService, name(u"YTN"), 5));
    return table;
}

TEST(ChannelNames, AreCutAtTheirTerminatorOrTakenWhole)
{
    EXPECT_EQ(NameText(NameBytes("KBS"), kKoreaRegionCode, kLatin1), u"KBS");
    EXPECT_EQ(NameText(NameBytes(u"Radio \u00C9"), 44, kLatin1), u"Radio \u00C9");
    // The UTF-16 name is not the code page's text: bytes K 0 B 0 ... read as "K" there.
    EXPECT_EQ(NameText(NameBytes(u"KBS"), kKoreaRegionCode, kLatin1), u"K");

    // Names that fill all 20 bytes have no terminator and end with the bytes.
    EXPECT_EQ(NameText(NameBytes("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), kKoreaRegionCode, kLatin1), u"ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(NameText(NameBytes(u"0123456789abc"), 44, kLatin1), u"0123456789");
}

TEST(ChannelSelect, ByNameTakesTheFirstRecordOfTheType)
{
    for (const std::int32_t region : {kKoreaRegionCode, 44}) {
        SCOPED_TRACE(region);
        ChannelTable table = MakeTable(region);
        const auto tv = table.SelectByName(ListType::Tv, u"KBS", kLatin1);
        ASSERT_TRUE(tv.has_value());
        EXPECT_EQ(tv->frequency, 4);
        EXPECT_EQ(table.current, 3);
        EXPECT_EQ(table.selected_tv, 3);
        EXPECT_EQ(table.selected_radio, 0);

        const auto radio = table.SelectByName(ListType::Radio, u"SBS", kLatin1);
        ASSERT_TRUE(radio.has_value());
        EXPECT_EQ(table.current, 2);
        EXPECT_EQ(table.selected_radio, 2);
        EXPECT_EQ(table.selected_tv, 3);

        // No match (a name of the other list, a prefix) leaves everything as it was.
        const ChannelTable before = table;
        EXPECT_FALSE(table.SelectByName(ListType::Tv, u"SBS", kLatin1));
        EXPECT_FALSE(table.SelectByName(ListType::Radio, u"KB", kLatin1));
        EXPECT_EQ(table, before);
    }
}

TEST(ChannelSelect, EveryLineOfAListFindsItsRecordInEitherRegion)
{
    for (const std::int32_t region : {kKoreaRegionCode, 1, 44}) {
        for (const ListType type : {ListType::Radio, ListType::Tv}) {
            SCOPED_TRACE(::testing::Message() << "region " << region << " type " << static_cast<int>(type));
            ChannelTable table = MakeTable(region);
            const ChannelList list = table.ListOf(type, kLatin1);
            ASSERT_FALSE(list.lines.empty());
            for (std::size_t line = 0; line < list.lines.size(); ++line) {
                ASSERT_TRUE(table.SelectByName(type, list.lines[line], kLatin1)) << "line " << line;
                EXPECT_EQ(table.ListOf(type, kLatin1).position, line);
            }
        }
    }
}

TEST(ChannelList, HoldsTheTypesNamesAndTheSelectedLine)
{
    ChannelTable table = MakeTable(kKoreaRegionCode);
    table.selected_radio = 4;
    table.selected_tv = 0;  // a radio record: no line of the TV list
    const ChannelList radio = table.ListOf(ListType::Radio, kLatin1);
    EXPECT_EQ(radio.lines, (std::vector<std::u16string>{u"KBS", u"SBS", u"YTN"}));
    EXPECT_EQ(radio.position, 2u);
    const ChannelList tv = table.ListOf(ListType::Tv, kLatin1);
    EXPECT_EQ(tv.lines, (std::vector<std::u16string>{u"MBC", u"KBS"}));
    EXPECT_FALSE(tv.position.has_value());

    table.selected_radio = -1;
    EXPECT_FALSE(table.ListOf(ListType::Radio, kLatin1).position.has_value());
}

TEST(ChannelCurrent, IsTheSelectedRecordOnlyWhenInsideTheArrayAndOfTheType)
{
    ChannelTable table = MakeTable(kKoreaRegionCode);
    table.selected_radio = 2;
    table.selected_tv = 1;
    ASSERT_NE(table.Current(ListType::Radio), nullptr);
    EXPECT_EQ(table.Current(ListType::Radio)->frequency, 3);
    ASSERT_NE(table.Current(ListType::Tv), nullptr);
    EXPECT_EQ(table.Current(ListType::Tv)->frequency, 2);

    table.selected_tv = 0;  // a radio record
    EXPECT_EQ(table.Current(ListType::Tv), nullptr);
    for (const std::int32_t index : {-1, 5, 6, std::numeric_limits<std::int32_t>::max(),
                                     std::numeric_limits<std::int32_t>::min()}) {
        table.selected_radio = index;
        EXPECT_EQ(table.Current(ListType::Radio), nullptr) << index;
    }
    EXPECT_EQ(ChannelTable{}.Current(ListType::Tv), nullptr);
}

TEST(ChannelAudio, ValuesGoIntoTheCurrentRecordOnly)
{
    ChannelTable table = MakeTable(kKoreaRegionCode);
    table.current = 3;
    const ChannelTable before = table;
    ASSERT_TRUE(table.StoreAudioValues({.coding = 0, .a = 5, .b = 44100}));
    EXPECT_EQ(table.records[3].audio_coding, 0);
    EXPECT_EQ(table.records[3].audio_a, 5);
    EXPECT_EQ(table.records[3].audio_b, 44100);
    for (const std::size_t other : {0u, 1u, 2u, 4u}) EXPECT_EQ(table.records[other], before.records[other]);

    for (const std::int32_t index : {-1, 5, std::numeric_limits<std::int32_t>::max()}) {
        table.current = index;
        const ChannelTable unchanged = table;
        EXPECT_FALSE(table.StoreAudioValues({.coding = 9, .a = 9, .b = 9})) << index;
        EXPECT_EQ(table, unchanged);
    }
}

TEST(ChannelTable, ClearKeepsTheTunerSettingsAndTheListType)
{
    ChannelTable table = MakeTable(44);
    table.band = 2;
    table.list_type = ListType::Radio;
    table.selected_radio = 4;
    table.selected_tv = 3;
    table.current = 4;
    table.Clear();
    EXPECT_TRUE(table.records.empty());
    EXPECT_EQ(table.selected_radio, 0);
    EXPECT_EQ(table.selected_tv, 0);
    EXPECT_EQ(table.current, 0);
    EXPECT_EQ(table.region_code, 44);
    EXPECT_EQ(table.band, 2);
    EXPECT_EQ(table.list_type, ListType::Radio);
}

}  // namespace
}  // namespace telecast
