// The line's parts that need no pty: the pacing arithmetic (on an injected clock), the
// transmitter with a sink that takes only some bytes, the port-mode line and the command lines.
#include <gtest/gtest.h>

#include <termios.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "tools/gpssim/gpssim_options.h"
#include "tools/gpssim/port_mode.h"
#include "tools/gpssim/transmitter.h"

namespace {

using namespace gpssim;

constexpr std::int64_t kMs = 1'000'000;

TEST(Pacer, LetsBaudOverTenBytesPerSecondInSmallBursts) {
    Pacer pacer(4800, 0);
    std::size_t sent = 0;
    for (std::int64_t t = 0; t <= 1000 * kMs; t += 10 * kMs) sent += pacer.Take(t, 1000);
    EXPECT_EQ(sent, 480u) << "one second at 4800 baud";
    // After a long pause only a burst's worth is there, not the whole pause's.
    EXPECT_EQ(pacer.Take(60'000 * kMs, 1000), 9u);
    EXPECT_EQ(pacer.Take(60'000 * kMs, 1000), 0u);
    EXPECT_EQ(pacer.ReadyAt(5), 60'000 * kMs + 9'166'667) << "4.4 bytes short at 480 bytes per second";
    // Bytes not wanted stay in the bucket.
    Pacer fast(115200, 0);
    EXPECT_EQ(fast.Take(10 * kMs, 7), 7u);
    EXPECT_EQ(fast.Take(10 * kMs, 1000), 115u - 7u);
}

class PartSink : public ByteSink {
public:
    std::size_t room = 1000;
    std::string taken;
    std::size_t Write(std::string_view bytes) override {
        const std::size_t count = std::min(room, bytes.size());
        taken.append(bytes.substr(0, count));
        room -= count;
        return count;
    }
};

TEST(Transmitter, SendsInOrderCountsWhatTheLineDoesNotTakeAndMarksWholePieces) {
    Transmitter transmitter;
    std::string written;
    std::vector<std::string> whole;
    transmitter.on_written = [&](std::string_view bytes) { written += bytes; };
    transmitter.on_piece_sent = [&](const Piece& piece) { whole.push_back(piece.bytes); };
    transmitter.Queue({{PieceKind::Sentence, "$AAAA*00\r\n"}, {PieceKind::UbxFrame, "\xB5\x62xx"}, {PieceKind::Sentence, "$B*00\r\n"}});
    EXPECT_EQ(transmitter.Waiting(), 21u);

    PartSink sink;
    EXPECT_EQ(transmitter.Send(4, sink), 4u);
    EXPECT_TRUE(whole.empty());
    sink.room = 8;  // the line fills in the middle of the frame
    EXPECT_EQ(transmitter.Send(100, sink), 17u);
    EXPECT_TRUE(transmitter.Idle());
    EXPECT_EQ(written, "$AAAA*00\r\n\xB5\x62");
    EXPECT_EQ(sink.taken, written);
    EXPECT_EQ(transmitter.Lost(), 9u);
    EXPECT_EQ(whole, std::vector<std::string>{"$AAAA*00\r\n"}) << "only pieces whose last byte went";
}

TEST(Transmitter, DiscardKeepsOnlyThePieceOnItsWay) {
    Transmitter transmitter;
    PartSink sink;
    transmitter.Queue({{PieceKind::Sentence, "$A*41\r\n"}, {PieceKind::Sentence, "$B*42\r\n"}});
    transmitter.Send(3, sink);
    transmitter.DiscardUnstarted();
    transmitter.Send(100, sink);
    EXPECT_EQ(sink.taken, "$A*41\r\n");
    transmitter.Queue({{PieceKind::Sentence, "$A*41\r\n"}});
    transmitter.DiscardUnstarted();
    EXPECT_TRUE(transmitter.Idle()) << "nothing begun, nothing kept";
}

TEST(Transmitter, AnswersGoRightAfterThePieceOnItsWayInTheirOrder) {
    Transmitter transmitter;
    PartSink sink;
    std::vector<std::string> whole;
    transmitter.on_piece_sent = [&](const Piece& piece) { whole.push_back(piece.bytes); };
    transmitter.Queue({{PieceKind::Sentence, "$A*41\r\n"}, {PieceKind::Sentence, "$B*42\r\n"}});
    transmitter.Send(3, sink);  // "$A" is on its way
    transmitter.QueueNext({{PieceKind::Sentence, "$X*58\r\n"}, {PieceKind::UbxFrame, "\xB5\x62yy"}});
    transmitter.QueueNext({{PieceKind::Sentence, "$Y*59\r\n"}, {PieceKind::Sentence, ""}});
    EXPECT_TRUE(transmitter.CycleQueued());
    transmitter.Send(4 + 7 + 4 + 7 + 1, sink);  // the rest of "$A", the answers and one byte of "$B"
    transmitter.QueueNext({{PieceKind::Sentence, "$Z*5A\r\n"}});
    transmitter.Send(100, sink);
    EXPECT_EQ(sink.taken, "$A*41\r\n$X*58\r\n\xB5\x62yy$Y*59\r\n$B*42\r\n$Z*5A\r\n");
    EXPECT_EQ(whole.size(), 6u) << "answers are pieces like any other";

    // Answers alone are no cycle: the next one may be queued behind them.
    transmitter.QueueNext({{PieceKind::Sentence, "$X*58\r\n"}});
    EXPECT_FALSE(transmitter.CycleQueued());
    EXPECT_FALSE(transmitter.Idle());
    transmitter.Queue({{PieceKind::Sentence, "$B*42\r\n"}});
    transmitter.QueueNext({{PieceKind::Sentence, "$Y*59\r\n"}});
    sink.taken.clear();
    transmitter.Send(100, sink);
    EXPECT_EQ(sink.taken, "$X*58\r\n$Y*59\r\n$B*42\r\n");
}

TEST(PortMode, SaysRawOrListsWhatTranslates) {
    termios mode{};
    ::cfmakeraw(&mode);
    ::cfsetspeed(&mode, B115200);
    EXPECT_EQ(DescribePortMode(mode), "115200 8N1 raw");
    ::cfsetspeed(&mode, B4800);
    mode.c_cflag = (mode.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB;
    EXPECT_EQ(DescribePortMode(mode), "4800 7E2 raw");
    mode.c_cflag |= PARODD;
    mode.c_lflag |= ICANON | ECHO;
    mode.c_iflag |= ICRNL;
    mode.c_oflag |= OPOST;
    EXPECT_EQ(DescribePortMode(mode), "4800 7O2 icanon echo icrnl opost");
    EXPECT_EQ(BaudOfSpeed(SpeedOfBaud(57600)), 57600);
    EXPECT_EQ(SpeedOfBaud(12345), B0);
}

std::vector<std::string_view> Words(std::initializer_list<const char*> words) { return {words.begin(), words.end()}; }

TEST(Options, CommandLineValuesAndMistakes) {
    const ParsedOptions parsed = ParseOptions(Words({"--rate", "2.5", "--seed", "9", "--fix-after", "0", "--cycles", "3",
                                                     "--ubx", "--baud", "115200", "--faults", "12.5", "--start",
                                                     "2025-12-31T23:59:59", "--sent", "s", "--check-port"}));
    ASSERT_EQ(parsed.error, "");
    const Options& o = parsed.options;
    EXPECT_EQ(o.rate, 2.5);
    EXPECT_EQ(o.seed, 9u);
    EXPECT_EQ(o.fix_after, 0);
    EXPECT_EQ(o.cycles, 3u);
    EXPECT_TRUE(o.ubx);
    EXPECT_EQ(o.baud, 115200);
    EXPECT_EQ(o.fault_percent, 12.5);
    EXPECT_EQ(o.start, (UtcTime{2025, 12, 31, 23, 59, 59}));
    EXPECT_EQ(o.sent_file, "s");
    EXPECT_TRUE(o.check_port);
    for (auto bad : {Words({"--rate", "0"}), Words({"--rate", "x"}), Words({"--baud"}), Words({"--faults", "101"}),
                     Words({"--once"}), Words({"--start", "2024-02-30T00:00:00"}), Words({"--bogus"}),
                     Words({"--cycles", "-1"}), Words({"--sent", ""})})
        EXPECT_NE(ParseOptions(bad).error, "") << bad[0];
    EXPECT_EQ(ParseOptions(Words({"--replay", "f", "--once"})).error, "");
}

TEST(Options, HowTheReceiverAnswers) {
    const Options defaults = ParseOptions({}).options;
    EXPECT_EQ(defaults.reset_quiet, 1);
    EXPECT_EQ(defaults.ttff, 12);
    EXPECT_TRUE(defaults.failing_vendor_ids.empty());
    EXPECT_TRUE(defaults.rejected_ubx_ids.empty());
    const ParsedOptions parsed = ParseOptions(Words({"--reset-quiet", "0.25", "--ttff", "0", "--fail", "73", "--fail", "22",
                                                     "--nak", "0x24", "--nak", "17", "--nak", "0X04"}));
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.reset_quiet, 0.25);
    EXPECT_EQ(parsed.options.ttff, 0);
    EXPECT_EQ(parsed.options.failing_vendor_ids, (std::set<int>{22, 73}));
    EXPECT_EQ(parsed.options.rejected_ubx_ids, (std::set<int>{0x04, 0x11, 0x24}));
    EXPECT_EQ(ParseOptions(Words({"--reset-quiet", "60", "--ttff", "3600", "--fail", "0", "--nak", "0xFF"})).error, "");
    for (auto bad : {Words({"--reset-quiet", "60.5"}), Words({"--reset-quiet", "-1"}), Words({"--reset-quiet", "nan"}),
                     Words({"--ttff", "3601"}), Words({"--ttff", "soon"}), Words({"--ttff"}), Words({"--fail", "100"}),
                     Words({"--fail", "0x16"}), Words({"--fail", "-1"}), Words({"--nak", "256"}), Words({"--nak", "0x100"}),
                     Words({"--nak", "0x"}), Words({"--nak", "0x-1"}), Words({"--nak", "ack"})}) {
        const std::string error = ParseOptions(bad).error;
        EXPECT_EQ(error.rfind(std::string(bad[0]), 0), 0u) << bad[0] << (bad.size() > 1 ? bad[1] : "") << ": " << error;
    }
    const std::string usage = UsageText();
    for (const char* word : {"--reset-quiet", "--ttff", "--fail", "--nak"}) EXPECT_NE(usage.find(word), std::string::npos) << word;
}

TEST(Options, StdinCommands) {
    std::string error;
    const auto bad = ParseControlCommand("  bad 3 \r", error);
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->kind, ControlCommand::Kind::Fault);
    EXPECT_EQ(bad->fault, FaultKind::Bad);
    EXPECT_EQ(bad->count, 3);
    EXPECT_EQ(ParseControlCommand("drop-gsv 2", error)->fault, FaultKind::DropGsv);
    EXPECT_EQ(ParseControlCommand("quiet 1.5", error)->seconds, 1.5);
    EXPECT_EQ(ParseControlCommand("check", error)->kind, ControlCommand::Kind::Check);
    EXPECT_EQ(ParseControlCommand("quit", error)->kind, ControlCommand::Kind::Quit);
    for (const char* wrong : {"bad", "bad 0", "bad x", "cut 2 3", "quiet", "quiet -1", "quit now", "jam 3", ""}) {
        error.clear();
        EXPECT_FALSE(ParseControlCommand(wrong, error)) << wrong;
        EXPECT_NE(error, "") << wrong;
    }
    // Every flag and every command is in the usage text.
    const std::string usage = UsageText();
    for (const char* word : {"--replay", "--once", "--rate", "--seed", "--fix-after", "--3d-after", "--start", "--cycles",
                             "--ubx", "--baud", "--faults", "--sent", "--timing", "--wire", "--check-port", "bad N",
                             "lower N", "cut N", "noise N", "drop-gsv N", "quiet S", "check", "quit"})
        EXPECT_NE(usage.find(word), std::string::npos) << word;
}

}  // namespace
