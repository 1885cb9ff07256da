// The reader of what the program writes: whole frames however the bytes are split, junk
// skipped and counted, broken frames abandoned without losing the next one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/gpssim/command_reader.h"
#include "tools/gpssim/tests/independent_frames.h"

namespace {

using namespace gpssim;
using gpssim::testing::WithChecksum;

const std::string kSirfHot = "$PSRF101,0,0,0,0,0,0,12,1*15\r\n";
const std::string kVendorStatic = "$VORL999,22,N,O*13\r\n";
const std::string kUbxHot("\xB5\x62\x06\x04\x04\x00\x00\x00\x02\x00\x10\x68", 12);
const std::string kPtcCold("$CMD\x02\x00\xAA", 7);

std::vector<CommandFrame> ReadAll(const std::string& bytes, CommandReader& reader) {
    std::vector<CommandFrame> frames;
    reader.Feed(bytes, frames);
    return frames;
}

std::vector<CommandFrame> ReadAll(const std::string& bytes) {
    CommandReader reader;
    return ReadAll(bytes, reader);
}

TEST(CommandReader, ReadsEachKindOfFrameWhole) {
    ASSERT_EQ(WithChecksum("VORL999,22,N,O"), kVendorStatic);
    ASSERT_EQ(WithChecksum("PSRF101,0,0,0,0,0,0,12,1"), kSirfHot);
    const std::vector<CommandFrame> frames = ReadAll(kSirfHot + kUbxHot + kPtcCold + kVendorStatic);
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0], (CommandFrame{CommandFrameKind::Nmea, kSirfHot, true}));
    EXPECT_EQ(frames[1], (CommandFrame{CommandFrameKind::Ubx, kUbxHot, true}));
    EXPECT_EQ(frames[2], (CommandFrame{CommandFrameKind::ByteCommand, kPtcCold, true}));
    EXPECT_EQ(frames[3], (CommandFrame{CommandFrameKind::Nmea, kVendorStatic, true}));
}

TEST(CommandReader, AnySplitGivesTheSameFrames) {
    // A byte command whose bytes are "$" and 0xB5, and a UBX payload holding "$" and CR LF.
    const std::string ptc_odd("$CMD$\xB5\xAA", 7);
    const std::string ubx_odd("\xB5\x62\x06\x24\x04\x00$\r\n\xB5\x5B\x53", 12);
    const std::string stream = "zz" + kSirfHot + ptc_odd + ubx_odd + "\x01" + kUbxHot + kVendorStatic;
    const std::vector<CommandFrame> whole = ReadAll(stream);
    ASSERT_EQ(whole.size(), 5u);
    EXPECT_EQ(whole[1].bytes, ptc_odd);
    EXPECT_EQ(whole[2].bytes, ubx_odd);
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        for (std::size_t second = cut; second <= stream.size(); second += 7) {
            CommandReader reader;
            std::vector<CommandFrame> frames;
            reader.Feed(std::string_view(stream).substr(0, cut), frames);
            reader.Feed(std::string_view(stream).substr(cut, second - cut), frames);
            reader.Feed(std::string_view(stream).substr(second), frames);
            ASSERT_EQ(frames, whole) << "split at " << cut << " and " << second;
            EXPECT_EQ(reader.JunkBytes(), 3u);
            EXPECT_EQ(reader.Held(), 0u);
        }
    }
    // Byte by byte.
    CommandReader reader;
    std::vector<CommandFrame> frames;
    for (char c : stream) reader.Feed(std::string_view(&c, 1), frames);
    EXPECT_EQ(frames, whole);
}

TEST(CommandReader, BrokenFramesAreAbandonedAndTheNextOneStillComes) {
    CommandReader reader;
    const std::string stream =
        "$PSRF101,0,0" + kSirfHot +           // a new "$" inside a sentence
        "$PSRF101,1*14X\r\n" + kSirfHot +     // no CR right after the digits
        "$PSRF\r101*00\r\n" + kSirfHot +      // a CR inside the body
        "$PSRF101*G0\r\n" + kSirfHot +        // a digit that is not hexadecimal
        "\xB5\x62\x06\x04\xFF\xFF" + kUbxHot +  // a length no command has
        std::string("\xB5\x00", 2) + kPtcCold;  // a sync byte without its pair
    const std::vector<CommandFrame> frames = ReadAll(stream, reader);
    ASSERT_EQ(frames.size(), 6u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(frames[i].bytes, kSirfHot) << i;
    EXPECT_EQ(frames[4].bytes, kUbxHot);
    EXPECT_EQ(frames[5].bytes, kPtcCold);
    EXPECT_EQ(reader.JunkBytes(), stream.size() - 4 * kSirfHot.size() - kUbxHot.size() - kPtcCold.size());
}

TEST(CommandReader, WrongSumsComeOutMarkedNotIntact) {
    std::string bad_ubx = kUbxHot;
    bad_ubx.back() = 0x00;
    const std::string lower = "$j*6a\r\n";
    const std::vector<CommandFrame> frames =
        ReadAll("$PSRF101,0,0,0,0,0,0,12,1*16\r\n" + bad_ubx + std::string("$CMD\x02\x00\xAB", 7) + lower);
    ASSERT_EQ(frames.size(), 4u);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(frames[i].intact) << i;
    EXPECT_TRUE(frames[3].intact) << "lower-case digits with the right value";
}

TEST(CommandReader, HoldsNoMoreThanItsLargestFrame) {
    CommandReader reader;
    std::vector<CommandFrame> frames;
    // A sentence that never ends is dropped once it cannot fit any more.
    reader.Feed("$" + std::string(5000, 'A'), frames);
    EXPECT_LT(reader.Held(), CommandReader::kMaxSentence);
    reader.Feed("*00\r\n" + kSirfHot, frames);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].bytes, kSirfHot);
    // The longest sentence that fits comes whole.
    const std::string longest = WithChecksum(std::string(CommandReader::kMaxSentence - 6, 'B'));
    ASSERT_EQ(longest.size(), CommandReader::kMaxSentence);
    frames.clear();
    reader.Feed(longest + WithChecksum(std::string(CommandReader::kMaxSentence - 5, 'B')) + kSirfHot, frames);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].bytes, longest);
    EXPECT_EQ(frames[1].bytes, kSirfHot);
    // A UBX frame of the largest payload waits for all of its bytes, then comes out.
    std::string big("\xB5\x62\x06\x24\x00\x04", 6);
    big += std::string(CommandReader::kMaxUbxPayload, '\0') + std::string("\x2E\x92", 2);
    frames.clear();
    reader.Feed(big.substr(0, big.size() - 1), frames);
    EXPECT_TRUE(frames.empty());
    EXPECT_LE(reader.Held(), CommandReader::kMaxHeld);
    reader.Feed(big.substr(big.size() - 1), frames);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].bytes.size(), big.size());
}

TEST(CommandReader, WireLogLineNamesKindStateAndBytesThenTheFrameDecoded) {
    EXPECT_EQ(WireLogLine({CommandFrameKind::Ubx, kUbxHot, true}),
              "ubx ok B5 62 06 04 04 00 00 00 02 00 10 68 | UBX class 0x06 id 0x04 len 4");
    EXPECT_EQ(WireLogLine({CommandFrameKind::ByteCommand, kPtcCold, true}), "cmd ok 24 43 4D 44 02 00 AA | CMD code 0x02 parameter 0x00");
    EXPECT_EQ(WireLogLine({CommandFrameKind::Nmea, "$A*41\r\n", true}), "nmea ok 24 41 2A 34 31 0D 0A | $A*41");
    // What is wrong with a frame shows in its decoded form too, and a byte a person cannot read
    // does not break the line.
    EXPECT_EQ(WireLogLine({CommandFrameKind::ByteCommand, std::string("$CMD\x19\x00\xAB", 7), false}),
              "cmd bad 24 43 4D 44 19 00 AB | CMD code 0x19 parameter 0x00 end 0xAB");
    EXPECT_EQ(WireLogLine({CommandFrameKind::Nmea, "$\x01\xB6*B7\r\n", true}), "nmea ok 24 01 B6 2A 42 37 0D 0A | $\\x01\\xB6*B7");
    const std::string big("\xB5\x62\x06\x24\x00\x04", 6);
    EXPECT_EQ(DescribeCommandFrame({CommandFrameKind::Ubx, big + std::string(1026, '\0'), false}), "UBX class 0x06 id 0x24 len 1024");
}

}  // namespace
