#include "satscope/receiver_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "satscope/control_ids.h"

namespace satscope {
namespace {

// The frames as the receiver expects them, made here independently of the code under test.
std::string Hex(unsigned value)
{
    char text[4];
    std::snprintf(text, sizeof text, "%02X", value & 0xFF);
    return text;
}

std::string Nmea(const std::string& body)
{
    unsigned sum = 0;
    for (const char c : body) sum ^= static_cast<unsigned char>(c);
    return "$" + body + "*" + Hex(sum) + "\r\n";
}

std::string Ubx(unsigned message_class, unsigned id, const std::vector<unsigned>& payload)
{
    std::vector<unsigned> summed = {message_class, id, static_cast<unsigned>(payload.size() & 0xFF),
                                    static_cast<unsigned>(payload.size() >> 8)};
    summed.insert(summed.end(), payload.begin(), payload.end());
    unsigned a = 0;
    unsigned b = 0;
    std::string frame = "\xB5\x62";
    for (const unsigned byte : summed) {
        a = (a + byte) & 0xFF;
        b = (b + a) & 0xFF;
        frame += static_cast<char>(byte);
    }
    return frame + static_cast<char>(a) + static_cast<char>(b);
}

std::string Ptc(unsigned code, unsigned parameter)
{
    return std::string("$CMD") + static_cast<char>(code) + static_cast<char>(parameter) + '\xAA';
}

std::vector<unsigned> StaticHold(unsigned threshold)
{
    std::vector<unsigned> payload = {0x00, 0x40, 0x00, 3, 0, 0, 0, 0, 0x10, 0x27, 0, 0, 5, 0, 250, 0, 250, 0,
                                     100,  0,    0x2C, 0x01};
    payload.push_back(threshold);
    payload.resize(36, 0);
    return payload;
}

// The serial link and the window in one, every call noted in order.
struct Recorder : CommandLink, CommandWindow {
    bool open = true;
    std::vector<std::string> pieces;
    std::vector<std::string> events;  // consecutive writes are one "send"
    std::vector<std::string> traces;
    const ReceiverCommands* commands = nullptr;
    int code_at_clear = -1;

    bool PortOpen() const override { return open; }
    void Write(std::span<const std::uint8_t> bytes) override
    {
        pieces.emplace_back(bytes.begin(), bytes.end());
        if (events.empty() || events.back() != "send") events.push_back("send");
    }
    void SetText(int control, const std::string& text) override
    {
        events.push_back("text " + std::to_string(control) + " '" + text + "'");
    }
    void ShowControl(int id, bool show) override { events.push_back((show ? "show " : "hide ") + std::to_string(id)); }
    void ClearSignal() override
    {
        code_at_clear = commands->LastCode();
        events.push_back("clear");
    }
    void StartTimeToFix() override { events.push_back("start"); }
    void Trace(const std::string& line) override
    {
        traces.push_back(line);
        events.push_back("trace");
    }

    std::string Sent() const
    {
        std::string all;
        for (const std::string& piece : pieces) all += piece;
        return all;
    }
};

struct Commands : ::testing::Test {
    Recorder recorder;
    ReceiverCommands commands{recorder, recorder};
    Commands() { recorder.commands = &commands; }
};

constexpr int kUnchanged = 0xEE;  // the last code a command without one leaves alone

struct FrameCase {
    Command command;
    const char* name;
    std::string frame;
    std::size_t head_size;
    std::size_t tail_size;
    int last_code;
};

TEST_F(Commands, EachCommandSendsItsFrameInPieces)
{
    const std::vector<FrameCase> cases = {
        {Command::SirfHotReset, "SiRF_HOT_RST", Nmea("PSRF101,0,0,0,0,0,0,12,1"), 8, 5, kUnchanged},
        {Command::SirfWarmReset, "SiRF_WARM_RST", Nmea("PSRF101,0,0,0,0,0,0,12,2"), 8, 5, kUnchanged},
        {Command::SirfColdReset, "SiRF_COLD_RST", Nmea("PSRF101,0,0,0,0,0,0,12,4"), 8, 5, kUnchanged},
        {Command::SirfFactoryReset, "SiRF_FACT_RSTT", Nmea("PSRF101,0,0,0,0,0,0,12,8"), 8, 5, kUnchanged},
        {Command::SirfStaticOn, "SiRF_STATIC_ON", Nmea("VORL999,22,N,O"), 14, 5, kUnchanged},
        {Command::SirfStaticOff, "SiRF_STATIC_OFF", Nmea("VORL999,22,N,F"), 14, 5, kUnchanged},
        {Command::SirfSbasOn, "SiRF_SBAS_ON", Nmea("VORL999,73,N,1,30,0,00"), 14, 5, 1},
        {Command::SirfSbasOff, "SiRF_SBAS_OFF", Nmea("VORL999,73,N,0,30,0,00"), 14, 5, 2},
        {Command::SirfReadParameters, "SiRF_RD_PARAM", Nmea("VORL999,31,N,"), 14, 5, kUnchanged},
        {Command::UbloxHotReset, "UBLOX_HOT_RST", Ubx(0x06, 0x04, {0, 0, 2, 0}), 6, 2, 0},
        {Command::UbloxWarmReset, "UBLOX_WARM_RST", Ubx(0x06, 0x04, {1, 0, 2, 0}), 6, 2, 1},
        {Command::UbloxColdReset, "UBLOX_COLD_RST", Ubx(0x06, 0x04, {0xFF, 0x07, 2, 0}), 6, 2, 2},
        {Command::UbloxSbasOn, "UBLOX_SBAS_ON", Ubx(0x06, 0x16, {1, 2, 1, 0, 0, 0, 0, 0}), 6, 2, 3},
        {Command::UbloxSbasOff, "UBLOX_SBAS_OFF", Ubx(0x06, 0x16, {0, 2, 1, 0, 0, 0, 0, 0}), 6, 2, 4},
        {Command::UbloxMaxPerformance, "UBLOX_MAX_PERF_PWR", Ubx(0x06, 0x11, {0, 0}), 6, 2, 5},
        {Command::UbloxEconomy, "UBLOX_ECONO_PWR", Ubx(0x06, 0x11, {0, 4}), 6, 2, 6},
        {Command::UbloxStaticOn, "UBLOX_STATIC_ON", Ubx(0x06, 0x24, StaticHold(244)), 6, 2, 7},
        {Command::UbloxStaticOff, "UBLOX_STATIC_OFF", Ubx(0x06, 0x24, StaticHold(0)), 6, 2, 8},
        {Command::PtcHotReset, "PTC_HOT_RST", Ptc(0x03, 0), 5, 1, kUnchanged},
        {Command::PtcWarmReset, "PTC_WARM_RST", Ptc(0x08, 0), 5, 1, kUnchanged},
        {Command::PtcColdReset, "PTC_COLD_RST", Ptc(0x02, 0), 5, 1, kUnchanged},
        {Command::PtcDgpsOn, "PTC_DGPS_ON", Ptc(0x14, 1), 5, 1, kUnchanged},
        {Command::PtcDgpsOff, "PTC_DGPS_OFF", Ptc(0x14, 0), 5, 1, kUnchanged},
        {Command::PtcGetProprietary, "PTC_GetProprietary", Ptc(0x18, 0), 5, 1, kUnchanged},
        {Command::PtcGetClockDrift, "PTC_GetClockDrift", Ptc(0x0C, 0), 5, 1, kUnchanged},
        {Command::PtcGetRtcFrequency, "PTC_GetRTCFreq", Ptc(0x19, 0), 5, 1, kUnchanged},
    };
    ASSERT_EQ(cases.size(), kCommandCount);
    for (const FrameCase& c : cases) {
        SCOPED_TRACE(c.name);
        recorder.pieces.clear();
        commands.SetLastCode(kUnchanged);
        commands.Run(c.command);
        EXPECT_STREQ(CommandName(c.command), c.name);
        EXPECT_EQ(recorder.Sent(), c.frame);
        ASSERT_GE(recorder.pieces.size(), 2u);
        EXPECT_EQ(recorder.pieces.front(), c.frame.substr(0, c.head_size));
        EXPECT_EQ(recorder.pieces.back(), c.frame.substr(c.frame.size() - c.tail_size));
        for (std::size_t i = 1; i + 1 < recorder.pieces.size(); ++i) {
            EXPECT_GE(recorder.pieces[i].size(), 1u);
            EXPECT_LE(recorder.pieces[i].size(), kDataPieceSize);
        }
        EXPECT_EQ(commands.LastCode(), c.last_code);
    }
}

TEST_F(Commands, SirfStaticOnIsTheVendorHeadTheLetterAndTheTail)
{
    commands.Run(Command::SirfStaticOn);
    const std::string checksum = Nmea("VORL999,22,N,O").substr(15, 3);
    EXPECT_EQ(recorder.pieces, (std::vector<std::string>{"$VORL999,22,N,", "O", checksum + "\r\n"}));
}

TEST(FramePieces, SirfTextEndsAtItsZeroOrAtTheEndOfTheArea)
{
    std::array<std::uint8_t, kCommandDataSize> area;
    area.fill('A');
    auto pieces = SirfPieces(101, area);
    EXPECT_EQ(pieces.size(), 1 + kCommandDataSize / kDataPieceSize + 1);
    std::string all;
    for (const std::string& piece : pieces) all += piece;
    EXPECT_EQ(all, Nmea("PSRF101" + std::string(kCommandDataSize, 'A')));

    area[7] = 0;
    pieces = SirfPieces(101, area);
    EXPECT_EQ(pieces, (std::vector<std::string>{"$PSRF101", "AAAAA", "AA", Nmea("PSRF101AAAAAAA").substr(15)}));
}

TEST(FramePieces, VendorHeadKeepsFourteenCharacters)
{
    const std::vector<std::uint8_t> none;
    EXPECT_EQ(VendorSentencePieces(5, 'N', none).front(), "$VORL999,05,N,");
    EXPECT_EQ(VendorSentencePieces(123, 'Y', none).front(), "$VORL999,12,Y,");
}

TEST_F(Commands, ResetDataTextEndsAtItsOwnTerminator)
{
    // A longer text left in the data area by an earlier command must not trail the reset's.
    std::fill(commands.Data().begin(), commands.Data().end(), 'X');
    commands.Run(Command::SirfColdReset);
    EXPECT_EQ(recorder.Sent(), Nmea("PSRF101,0,0,0,0,0,0,12,4"));
    EXPECT_EQ(commands.Data()[17], 0);
}

TEST_F(Commands, ClosedPortSendsNothingAndTracesWhatWasSkipped)
{
    recorder.open = false;
    const std::vector<std::pair<Command, std::string>> cases = {
        {Command::SirfHotReset, "ERR: First check your comport:skip MID :101"},
        {Command::SirfSbasOn, "ERR: First check your comport:skip CID :73"},
        {Command::UbloxStaticOn, "ERR: First check your comport:skip ID :0x24"},
        {Command::PtcGetClockDrift, "ERR: First check your comport:skip cmd :0x0c"},
    };
    for (const auto& [command, trace] : cases) {
        recorder.traces.clear();
        commands.Run(command);
        ASSERT_FALSE(recorder.traces.empty());
        EXPECT_EQ(recorder.traces.back(), trace);
    }
    EXPECT_TRUE(recorder.pieces.empty());
}

TEST_F(Commands, ResetsRunInTheirFamilysOrder)
{
    commands.Run(Command::SirfHotReset);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"trace", "clear", "send", "text 1109 ' -UNKNOWN'", "hide 1111",
                                                         "start"}));

    recorder.events.clear();
    commands.SetLastCode(kUnchanged);
    commands.Run(Command::UbloxWarmReset);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"trace", "clear", "send", "start"}));
    EXPECT_EQ(recorder.code_at_clear, kCodeUbloxWarm) << "the last code is set before the signal is cleared";

    recorder.events.clear();
    commands.Run(Command::PtcColdReset);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"trace", "clear", "send", "start"}));
}

TEST_F(Commands, ConfigurationLeavesItsDataInTheArea)
{
    commands.Run(Command::SirfSbasOn);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"trace", "send"}));
    const auto data = commands.Data();
    EXPECT_EQ(std::string(data.begin(), data.begin() + 10), std::string("1,30,0,00\0", 10));
    commands.ClearData();
    EXPECT_EQ(std::count(data.begin(), data.end(), 0), static_cast<long>(kCommandDataSize));
}

TEST_F(Commands, ClosedPortStillRunsTheRestOfAReset)
{
    recorder.open = false;
    commands.Run(Command::SirfWarmReset);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"trace", "clear", "trace", "text 1109 ' -UNKNOWN'",
                                                         "hide 1111", "start"}));
}

}  // namespace
}  // namespace satscope
