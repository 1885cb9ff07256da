// Telecast itself on a real device server with the receiver playing a band of broadcast clips:
// the scan and its file, the audio the receiver reports, the signal monitor, a damaged file.
#include "telecast/tests/telecast_device.h"

#include <thread>

namespace telecast {
namespace {

namespace fs = std::filesystem;
using platform::testing::WaitUntil;
using namespace std::chrono_literals;

TEST_F(TelecastDevice, AScanFillsTheListInScanOrderWritesTheFileAndPlaysTheFirstService)
{
    StartTelecast();
    Command(1007);
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(Host("NAND/TelecastScan.dat")); }, kHang))
        << device.Log("TELECAST.EXE");
    const std::string bytes = ScanFile();
    const ScanFileLoad load = ParseScanFile(bytes);
    ASSERT_EQ(load.status, LoadStatus::Loaded) << load.reason;
    ASSERT_EQ(load.table.records.size(), 3u + 10u) << "fourteen services on one frequency add ten";
    EXPECT_EQ(FormatScanFile(load.table), bytes) << "the file reads back to the same bytes";
    EXPECT_NE(bytes.find("\n201\n\xB6\xF3\xB5\xF0\xBF\xC0 \xC7\xCF\xB3\xAA"), std::string::npos)
        << "the id in hexadecimal, then the name's bytes in code page 949";
    EXPECT_EQ(Lines(), (std::vector<std::string>{"TV One", "TV Two"})) << "the TV tab lists its services in scan order";

    // The list plays its first line when the scan is over.
    ASSERT_TRUE(WaitUntil([&] { return Tuned("0x101"); }, kHang)) << Receiver();
    EXPECT_TRUE(WaitUntil([&] { return Frames() >= 10; }, kHang)) << "the service's picture does not arrive";

    // The radio tab lists the radio services, Korean name and all.
    Command(1011);
    ASSERT_TRUE(WaitUntil([&] { return Lines().size() == 11; }, kHang));
    EXPECT_EQ(Lines().front(), "라디오 하나");
    EXPECT_TRUE(WaitUntil([&] { return Tuned("0x201"); }, kHang)) << Receiver();
}

TEST_F(TelecastDevice, AServiceWhoseAudioIsNotWhatTheScanAssumedGetsItsCodingInTheFile)
{
    WriteTable(kBsacAudioCoding);
    // The second TV service is chosen from the list; its audio is really HE-AAC.
    StartTelecast();
    ASSERT_TRUE(WaitUntil([&] { return Tuned("0x101"); }, kHang)) << Receiver();
    control.Post(kWindow, WM_USER + 100, 1017, 1);
    ASSERT_TRUE(WaitUntil([&] { return Tuned("0x102"); }, kHang)) << Receiver();
    ASSERT_TRUE(WaitUntil([&] {
        const ScanFileLoad load = ParseScanFile(ScanFile());
        return load.table.records.size() == 2 && load.table.records[1].audio_coding == 0;
    }, kHang)) << "the receiver's word on the audio is not kept\n" << Receiver() << device.Log("TELECAST.EXE");
    EXPECT_TRUE(WaitUntil([&] { return Frames() >= 10; }, kHang));

    // A line the list does not have is not taken.
    control.Post(kWindow, WM_USER + 100, 1017, 7);
    std::this_thread::sleep_for(1s);
    EXPECT_TRUE(Tuned("0x102"));
}

TEST_F(TelecastDevice, TwoBadSecondsRaiseTheNoSignalPictureAndTwoGoodOnesTakeItDown)
{
    WriteTable(0);
    StartTelecast();
    ASSERT_TRUE(WaitUntil([&] { return Tuned("0x101") && Frames() >= 5; }, kHang)) << Receiver();
    EXPECT_FALSE(NoSignalShown());

    ASSERT_EQ(Receiver("signal 175280 50 10001"), "ok");
    EXPECT_TRUE(WaitUntil([&] { return NoSignalShown(); }, kHang)) << "two bad seconds show no picture";
    ASSERT_EQ(Receiver("signal all 100 0"), "ok");
    EXPECT_TRUE(WaitUntil([&] { return !NoSignalShown(); }, kHang)) << "two good seconds bring the service back";
    // A second loss shows it again.
    ASSERT_EQ(Receiver("signal 175280 50 10001"), "ok");
    EXPECT_TRUE(WaitUntil([&] { return NoSignalShown(); }, kHang));
}

TEST_F(TelecastDevice, ADamagedScanFileIsRefusedWholeAndAScanWritesAGoodOne)
{
    fs::create_directories(Host("NAND"));
    std::ofstream(Host("NAND/TelecastScan.dat"), std::ios::binary) << "1004\n82\n0\n2000000000\n0\n0\n2\n";
    StartTelecast();
    EXPECT_TRUE(device.WaitForLog("TELECAST.EXE", "TelecastScan.dat refused, line 4", kHang))
        << device.Log("TELECAST.EXE");
    EXPECT_TRUE(Lines().empty());
    EXPECT_TRUE(WaitUntil([&] { return NoSignalShown(); }, kHang)) << "nothing to play";

    Command(1007);
    ASSERT_TRUE(WaitUntil([&] { return ParseScanFile(ScanFile()).status == LoadStatus::Loaded; }, kHang));
    EXPECT_EQ(ParseScanFile(ScanFile()).table.records.size(), 13u);
}

}  // namespace
}  // namespace telecast
