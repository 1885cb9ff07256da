#include "platform/media/guid.h"

#include <gtest/gtest.h>

#include "platform/media/media_ids.h"

namespace platform {
namespace {

TEST(Guid, FieldsComeFromTheTextualForm)
{
    EXPECT_EQ(CLSID_FilterGraph.Data1, 0xE436EBB3u);
    EXPECT_EQ(CLSID_FilterGraph.Data2, 0x524Fu);
    EXPECT_EQ(CLSID_FilterGraph.Data3, 0x11CEu);
    const BYTE data4[8] = {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(CLSID_FilterGraph.Data4[i], data4[i]) << "byte " << i;
}

TEST(Guid, ParseAndFormatRoundTrip)
{
    for (const GUID& id : {CLSID_FilterGraph, IID_IUnknown, IID_IGraphBuilder, CLSID_DEQFilter, CLSID_CAM}) {
        std::string text = FormatGuid(id);
        EXPECT_EQ(ParseGuid(text), id) << text;
        EXPECT_EQ(ParseGuid("{" + text + "}"), id) << text;
    }
    EXPECT_EQ(FormatGuid(CLSID_FilterGraph), "E436EBB3-524F-11CE-9F53-0020AF0BA770");
    EXPECT_EQ(ParseGuid("{e436ebb3-524f-11ce-9f53-0020af0ba770}"), CLSID_FilterGraph);
    EXPECT_EQ(FormatGuid(GUID{}), "00000000-0000-0000-0000-000000000000");
}

TEST(Guid, MalformedTextIsRefused)
{
    const char* malformed[] = {
        "",
        "{}",
        "{",
        "E436EBB3-524F-11CE-9F53-0020AF0BA77",     // one digit short
        "E436EBB3-524F-11CE-9F53-0020AF0BA7700",   // one digit over
        "E436EBB3524F-11CE-9F53-0020AF0BA7700",    // a hyphen missing
        "E436EBB3-524F-11CE-9F530-020AF0BA770",    // hyphen moved
        "E436EBB3-524F-11CE-9F53-0020AF0BA77G",    // not a hex digit
        "E436EBB3-524F-11CE-9F53-0020AF0BA77 ",
        " E436EBB3-524F-11CE-9F53-0020AF0BA770",
        "{E436EBB3-524F-11CE-9F53-0020AF0BA770",   // unbalanced braces
        "E436EBB3-524F-11CE-9F53-0020AF0BA770}",
        "{{E436EBB3-524F-11CE-9F53-0020AF0BA770}}",
        "+436EBB3-524F-11CE-9F53-0020AF0BA770",
        "0xE436EBB3-524F-11CE-9F53-0020AF0BA7",
    };
    for (const char* text : malformed) EXPECT_FALSE(ParseGuid(text).has_value()) << '"' << text << '"';
}

TEST(Guid, WordsAreTheMemoryLayout)
{
    // The players print a class id as its four 32-bit words in memory order.
    auto words = GuidWords(CLSID_FilterGraph);
    EXPECT_EQ(words[0], 0xE436EBB3u);
    EXPECT_EQ(words[1], 0x11CE524Fu);
    EXPECT_EQ(words[2], 0x2000539Fu);
    EXPECT_EQ(words[3], 0x70A70BAFu);
}

}  // namespace
}  // namespace platform
