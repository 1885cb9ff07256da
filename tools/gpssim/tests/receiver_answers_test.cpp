// The receiver's answers to the program's commands, family by family: the exact bytes sent back,
// the resets and what each command changes; frames that are not intact and commands the
// receiver does not know get nothing. Frames are cut by the real CommandReader, and every sum
// is checked here by hand, not with the code under test.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tools/gpssim/command_reader.h"
#include "tools/gpssim/receiver_answers.h"
#include "tools/gpssim/tests/independent_frames.h"

namespace {

using namespace gpssim;
using gpssim::testing::UbxFrame;
using gpssim::testing::WithChecksum;

// "$" body "*" HH CR LF with HH the XOR of the body, upper case.
::testing::AssertionResult ChecksumRight(const std::string& sentence) {
    const std::size_t star = sentence.find('*');
    if (sentence.empty() || sentence[0] != '$' || star == std::string::npos || star + 5 != sentence.size() ||
        sentence.substr(star + 3) != "\r\n")
        return ::testing::AssertionFailure() << "not framed: " << sentence;
    if (WithChecksum(sentence.substr(1, star - 1)) != sentence) return ::testing::AssertionFailure() << "sum: " << sentence;
    return ::testing::AssertionSuccess();
}

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (int value : values) bytes += static_cast<char>(value);
    return bytes;
}

std::string Ack(int id) { return UbxFrame(0x05, 0x01, Bytes({0x06, id})); }
std::string Nak(int id) { return UbxFrame(0x05, 0x00, Bytes({0x06, id})); }
std::string Ptc(int code, int parameter, int end = 0xAA) { return "$CMD" + Bytes({code, parameter, end}); }

ReceiverConfig Config(int baud, std::set<int> failing = {}, std::set<int> rejected = {}) {
    ReceiverConfig config;
    config.baud = baud;
    config.failing_vendor_ids = std::move(failing);
    config.rejected_ubx_ids = std::move(rejected);
    return config;
}

ReceiverSettings Settings(bool static_navigation, bool sbas) {
    ReceiverSettings settings;
    settings.static_navigation = static_navigation;
    settings.sbas = sbas;
    return settings;
}

// The one frame the reader cuts from these bytes.
CommandFrame Frame(const std::string& bytes) {
    CommandReader reader;
    std::vector<CommandFrame> frames;
    reader.Feed(bytes, frames);
    EXPECT_EQ(frames.size(), 1u) << "fixture is not one frame";
    return frames.empty() ? CommandFrame{} : frames[0];
}

// The answer's pieces as bytes, one string each.
std::vector<std::string> Sent(const ReceiverAnswer& answer) {
    std::vector<std::string> sent;
    for (const Piece& piece : answer.pieces) sent.push_back(piece.bytes);
    return sent;
}

std::vector<std::string> Boot(const ReceiverAnswer& answer) {
    std::vector<std::string> sent;
    if (answer.reset)
        for (const Piece& piece : answer.reset->boot_message) sent.push_back(piece.bytes);
    return sent;
}

const std::string kNav5StaticOn = Bytes({0x00, 0x40, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x10, 0x27, 0x00, 0x00, 0x05, 0x00, 0xFA, 0x00, 0xFA,
                                         0x00, 0x64, 0x00, 0x2C, 0x01, 0xF4, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});

TEST(ReceiverAnswers, SirfResetsRestartAndSendTheVersionAfterward) {
    ReceiverAnswers receiver({});
    const std::vector<std::string> version = {WithChecksum("PSRF195,GSW3 VERSION: 3.5.0-P1.01"),
                                              WithChecksum("PSRF195,VORL0F_FWVER1.02.3")};
    for (const std::string& sentence : version) EXPECT_TRUE(ChecksumRight(sentence));
    const struct {
        const char* which;
        ResetKind kind;
    } resets[] = {{"1", ResetKind::Hot}, {"2", ResetKind::Warm}, {"4", ResetKind::Cold}, {"8", ResetKind::Factory}};
    for (const auto& reset : resets) {
        const ReceiverAnswer answer = receiver.Handle(Frame(WithChecksum(std::string("PSRF101,0,0,0,0,0,0,12,") + reset.which)));
        EXPECT_TRUE(answer.pieces.empty()) << "silent at once: " << reset.which;
        ASSERT_TRUE(answer.reset) << reset.which;
        EXPECT_EQ(answer.reset->kind, reset.kind);
        EXPECT_EQ(Boot(answer), version);
    }
    // Not a reset the receiver knows, or not whole: nothing.
    for (const char* body : {"PSRF101,0,0,0,0,0,0,12,3", "PSRF101,0,0,0,0,0,12,1", "PSRF101,0,0,0,0,0,0,12,1,0", "PSRF100,0,0,0,0,0,0,12,1"})
        EXPECT_EQ(receiver.Handle(Frame(WithChecksum(body))), ReceiverAnswer{}) << body;
    EXPECT_EQ(receiver.Handle(Frame("$PSRF101,0,0,0,0,0,0,12,4*12\r\n")), ReceiverAnswer{}) << "wrong checksum";
}

TEST(ReceiverAnswers, VendorSentencesAnswerWithStatusAndRememberTheSettings) {
    ReceiverAnswers receiver(Config(9600));
    const struct {
        const char* command;
        const char* answer;  // body; empty: no answer
    } exchanges[] = {
        {"VORL999,31,N,", "VORL999,31,N,00,1,0,1,1,1,1,0,0,0,0,0,N,9600"},
        {"VORL999,22,N,O", "VORL999,22,N,00,O"},
        {"VORL999,31,N,", "VORL999,31,N,00,1,0,1,1,1,1,0,0,0,0,0,Y,9600"},
        {"VORL999,22,N,F", "VORL999,22,N,00,F"},
        {"VORL999,31,N", "VORL999,31,N,00,1,0,1,1,1,1,0,0,0,0,0,N,9600"},  // no comma before empty data
        {"VORL999,73,N,1,30,0,00", "VORL999,73,N,00,1,30,0,00"},
        {"VORL999,73,N,0,30,0,00", "VORL999,73,N,00,0,30,0,00"},
        {"VORL999,22,N,X", "VORL999,22,N,01,X"},  // data it cannot read fails
        {"VORL999,45,N,1", ""},                  // an id it does not know
        {"VORL999,2,N,O", ""},                   // an id of one digit
        {"VORL999,22,NO", ""},                   // a flag of two characters
        {"VORL999", ""},
    };
    for (const auto& exchange : exchanges) {
        const ReceiverAnswer answer = receiver.Handle(Frame(WithChecksum(exchange.command)));
        EXPECT_FALSE(answer.reset);
        if (*exchange.answer == '\0') {
            EXPECT_TRUE(answer.pieces.empty()) << exchange.command;
            continue;
        }
        ASSERT_EQ(Sent(answer).size(), 1u) << exchange.command;
        EXPECT_EQ(Sent(answer)[0], WithChecksum(exchange.answer)) << exchange.command;
        EXPECT_TRUE(ChecksumRight(Sent(answer)[0]));
    }

    // The parameters read the way the program reads them: status at the first comma + 6, data
    // at + 9, eleven rates, the static flag and the baud rate.
    receiver.Handle(Frame(WithChecksum("VORL999,22,N,O")));
    const std::string read = Sent(receiver.Handle(Frame(WithChecksum("VORL999,31,N,"))))[0];
    const std::size_t comma = read.find(',');
    EXPECT_EQ(read.substr(comma + 6, 2), "00");
    int rates[11];
    char flag = 0;
    long baud = 0;
    ASSERT_EQ(std::sscanf(read.c_str() + comma + 9, "%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%c,%ld", &rates[0], &rates[1], &rates[2],
                          &rates[3], &rates[4], &rates[5], &rates[6], &rates[7], &rates[8], &rates[9], &rates[10], &flag, &baud),
              13);
    EXPECT_EQ(rates[0] + rates[2] + rates[3] + rates[4] + rates[5], 5) << "GGA, GSA, RMC, VTG and GSV every cycle";
    EXPECT_EQ(rates[1] + rates[8] + rates[10], 0) << "no GLL, ZDA or DRT";
    EXPECT_EQ(flag, 'Y');
    EXPECT_EQ(baud, 9600);
    EXPECT_EQ(receiver.Settings(), Settings(true, false));

    EXPECT_EQ(receiver.Handle(Frame("$VORL999,22,N,F*00\r\n")), ReceiverAnswer{}) << "wrong checksum";
    EXPECT_TRUE(receiver.Settings().static_navigation) << "and no effect";
}

TEST(ReceiverAnswers, FailingVendorIdsAnswer01AndChangeNothing) {
    ReceiverAnswers receiver(Config(4800, {73, 31}));
    EXPECT_EQ(Sent(receiver.Handle(Frame(WithChecksum("VORL999,73,N,1,30,0,00")))),
              std::vector<std::string>{WithChecksum("VORL999,73,N,01,1,30,0,00")});
    EXPECT_EQ(Sent(receiver.Handle(Frame(WithChecksum("VORL999,31,N,")))), std::vector<std::string>{WithChecksum("VORL999,31,N,01,")});
    EXPECT_EQ(Sent(receiver.Handle(Frame(WithChecksum("VORL999,22,N,O")))), std::vector<std::string>{WithChecksum("VORL999,22,N,00,O")});
    EXPECT_EQ(receiver.Settings(), Settings(true, false));
}

TEST(ReceiverAnswers, UbxConfigurationIsAcknowledgedOrRejected) {
    // One acknowledgement written out byte by byte, as the receiver's log shows it.
    ASSERT_EQ(Ack(0x24), std::string("\xB5\x62\x05\x01\x02\x00\x06\x24\x32\x5B", 10));

    ReceiverAnswers receiver(Config(4800, {}, {0x11}));
    const struct {
        std::string frame;
        std::string answer;  // empty: none
        ReceiverSettings after;
    } exchanges[] = {
        {UbxFrame(0x06, 0x16, Bytes({1, 2, 1, 0, 0, 0, 0, 0})), Ack(0x16), Settings(false, true)},
        {UbxFrame(0x06, 0x24, kNav5StaticOn), Ack(0x24), Settings(true, true)},
        {UbxFrame(0x06, 0x11, Bytes({0, 4})), Nak(0x11), Settings(true, true)},  // --nak
        {UbxFrame(0x06, 0x16, Bytes({0, 2, 1, 0, 0, 0, 0})), Nak(0x16), Settings(true, true)},  // one byte short
        {UbxFrame(0x06, 0x16, Bytes({0, 2, 1, 0, 0, 0, 0, 0})), Ack(0x16), Settings(true, false)},
        {UbxFrame(0x06, 0x01, Bytes({1, 2})), "", Settings(true, false)},  // a CFG id it does not take
        {UbxFrame(0x01, 0x24, kNav5StaticOn), "", Settings(true, false)},  // not a CFG class
    };
    for (const auto& exchange : exchanges) {
        const ReceiverAnswer answer = receiver.Handle(Frame(exchange.frame));
        EXPECT_FALSE(answer.reset);
        EXPECT_EQ(Sent(answer), exchange.answer.empty() ? std::vector<std::string>{} : std::vector<std::string>{exchange.answer});
        for (const Piece& piece : answer.pieces) EXPECT_EQ(piece.kind, PieceKind::UbxFrame);
        EXPECT_EQ(receiver.Settings(), exchange.after);
    }
    std::string static_off = kNav5StaticOn;
    static_off[22] = 0;
    EXPECT_EQ(Sent(receiver.Handle(Frame(UbxFrame(0x06, 0x24, static_off)))), std::vector<std::string>{Ack(0x24)});
    EXPECT_FALSE(receiver.Settings().static_navigation);

    // Bad sums: no answer, no effect.
    std::string broken = UbxFrame(0x06, 0x24, kNav5StaticOn);
    broken.back() ^= 1;
    EXPECT_EQ(receiver.Handle(Frame(broken)), ReceiverAnswer{});
    EXPECT_FALSE(receiver.Settings().static_navigation);
}

TEST(ReceiverAnswers, UbxResetIsAcknowledgedThenRestartsWithoutVersionText) {
    ReceiverAnswers receiver({});
    const struct {
        std::string payload;
        ResetKind kind;
    } resets[] = {{Bytes({0x00, 0x00, 0x02, 0x00}), ResetKind::Hot},
                  {Bytes({0x01, 0x00, 0x02, 0x00}), ResetKind::Warm},
                  {Bytes({0xFF, 0x07, 0x02, 0x00}), ResetKind::Cold}};
    for (const auto& reset : resets) {
        const ReceiverAnswer answer = receiver.Handle(Frame(UbxFrame(0x06, 0x04, reset.payload)));
        EXPECT_EQ(Sent(answer), std::vector<std::string>{Ack(0x04)});
        ASSERT_TRUE(answer.reset);
        EXPECT_EQ(answer.reset->kind, reset.kind);
        EXPECT_TRUE(answer.reset->boot_message.empty());
    }
    // Rejected: no reset.
    ReceiverAnswers refusing(Config(4800, {}, {0x04}));
    const ReceiverAnswer refused = refusing.Handle(Frame(UbxFrame(0x06, 0x04, Bytes({0xFF, 0x07, 0x02, 0x00}))));
    EXPECT_EQ(Sent(refused), std::vector<std::string>{Nak(0x04)});
    EXPECT_FALSE(refused.reset);
}

TEST(ReceiverAnswers, PtcByteCommandsResetSwitchDgpsAndAnswerQueries) {
    ReceiverAnswers receiver(Config(38400));
    const std::string version = WithChecksum("PTCFV,PTC-GPS,V2.10");
    EXPECT_TRUE(ChecksumRight(version));
    for (const auto& [code, kind] : {std::pair{0x03, ResetKind::Hot}, std::pair{0x08, ResetKind::Warm}, std::pair{0x02, ResetKind::Cold}}) {
        const ReceiverAnswer answer = receiver.Handle(Frame(Ptc(code, 0)));
        EXPECT_TRUE(answer.pieces.empty());
        ASSERT_TRUE(answer.reset) << code;
        EXPECT_EQ(answer.reset->kind, kind);
        EXPECT_EQ(Boot(answer), std::vector<std::string>{version});
    }
    const struct {
        std::string command;
        std::string answer;  // body; empty: none
    } exchanges[] = {
        {Ptc(0x18, 0), "PTCPS,1,5,20,25,0,38400,0,0"},
        {Ptc(0x14, 1), ""},
        {Ptc(0x18, 0), "PTCPS,1,5,20,25,1,38400,0,0"},
        {Ptc(0x14, 7), ""},  // neither on nor off: DGPS stays on
        {Ptc(0x18, 0), "PTCPS,1,5,20,25,1,38400,0,0"},
        {Ptc(0x14, 0), ""},
        {Ptc(0x18, 0), "PTCPS,1,5,20,25,0,38400,0,0"},
        {Ptc(0x0C, 0), "PTCCD,-1234"},
        {Ptc(0x19, 0), "PTCRF,32768"},
        {Ptc(0x55, 0), ""},
        {Ptc(0x19, 0, 0xAB), ""},  // no 0xAA at its end
        {Ptc(0x02, 0, 0x00), ""},
    };
    for (const auto& exchange : exchanges) {
        const ReceiverAnswer answer = receiver.Handle(Frame(exchange.command));
        EXPECT_FALSE(answer.reset);
        if (exchange.answer.empty()) {
            EXPECT_TRUE(answer.pieces.empty()) << exchange.answer;
            continue;
        }
        ASSERT_EQ(Sent(answer).size(), 1u) << exchange.answer;
        EXPECT_EQ(Sent(answer)[0], WithChecksum(exchange.answer));
        EXPECT_TRUE(ChecksumRight(Sent(answer)[0]));
        EXPECT_EQ(answer.pieces[0].kind, PieceKind::Sentence);
    }
}

TEST(ReceiverAnswers, OnlyTheFactoryResetForgetsTheSettings) {
    ReceiverAnswers receiver({});
    receiver.Handle(Frame(WithChecksum("VORL999,22,N,O")));
    receiver.Handle(Frame(Ptc(0x14, 1)));
    const ReceiverSettings configured = Settings(true, true);
    ASSERT_EQ(receiver.Settings(), configured);
    receiver.Handle(Frame(WithChecksum("PSRF101,0,0,0,0,0,0,12,4")));
    receiver.Handle(Frame(Ptc(0x02, 0)));
    EXPECT_EQ(receiver.Settings(), configured) << "cold resets keep them";
    receiver.Handle(Frame(WithChecksum("PSRF101,0,0,0,0,0,0,12,8")));
    EXPECT_EQ(receiver.Settings(), ReceiverSettings{});
}

}  // namespace
