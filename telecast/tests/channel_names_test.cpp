// Korean names through the device's own code page 949 conversion, as the program passes it.
#include <gtest/gtest.h>

#include "platform/files/codepage.h"
#include "telecast/channel_table.h"
#include "telecast/scan_file.h"
#include "telecast/tests/channel_builder.h"

namespace telecast {
namespace {

const CodePageToWide kCodePage949 = [](std::string_view text) { return platform::CodePageToWide(949, text); };

TEST(KoreanChannelNames, RoundTripThroughTheFileAndTheList)
{
    const std::u16string music = u"KBS \uC74C\uC545";                                  // "KBS 음악"
    const std::u16string long_name = u"\uD55C\uAD6D\uBC29\uC1A1\uACF5\uC0AC\uD2F0\uBE44\uB77C\uB514";  // 10 syllables
    ChannelTable table;
    table.Add(fixture::MakeRecord(kRadioService, NameBytes(platform::WideToCodePage(949, music))));
    table.Add(fixture::MakeRecord(kRadioService, NameBytes(platform::WideToCodePage(949, long_name))));
    ASSERT_EQ(platform::WideToCodePage(949, long_name).size(), kNameBytes);  // fills the name, no terminator

    const ScanFileLoad load = ParseScanFile(FormatScanFile(table));
    ASSERT_EQ(load.status, LoadStatus::Loaded) << load.reason;
    ChannelTable loaded = load.table;
    const ChannelList list = loaded.ListOf(ListType::Radio, kCodePage949);
    EXPECT_EQ(list.lines, (std::vector<std::u16string>{music, long_name}));

    const auto found = loaded.SelectByName(ListType::Radio, long_name, kCodePage949);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(loaded.selected_radio, 1);
    EXPECT_EQ(found->name, table.records[1].name);
}

}  // namespace
}  // namespace telecast
