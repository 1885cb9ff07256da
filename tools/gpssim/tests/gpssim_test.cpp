// gpssim itself: started as a program, read through the pty it prints, driven by its stdin.
// Every wait has a generous time-out; nothing here measures speed.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tools/gpssim/gpssim_child.h"
#include "tools/gpssim/tests/independent_frames.h"

namespace {

namespace fs = std::filesystem;
using gpssim::testing::UbxFrame;
using gpssim::testing::WithChecksum;
using Clock = std::chrono::steady_clock;
constexpr auto kPatience = std::chrono::seconds(15);

// gpssim as a child process with its stdin and stdout on pipes.
class GpssimProcess : public gpssim::GpsSim {
public:
    explicit GpssimProcess(const std::vector<std::string>& arguments) : GpsSim(GPSSIM_BINARY, arguments) {}
    void Send(const std::string& text) { ASSERT_TRUE(GpsSim::Send(text)); }
};

// The program's end of the line, opened raw at a baud rate, as a serial port driver would.
class SlavePort {
public:
    SlavePort(const std::string& path, speed_t speed) {
        m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0) return;
        termios mode{};
        ::tcgetattr(m_fd, &mode);
        ::cfmakeraw(&mode);
        ::cfsetspeed(&mode, speed);
        ::tcsetattr(m_fd, TCSANOW, &mode);
        ::tcflush(m_fd, TCIFLUSH);  // what piled up before it was opened
    }
    ~SlavePort() {
        if (m_fd >= 0) ::close(m_fd);
    }
    bool IsOpen() const { return m_fd >= 0; }
    void SetLocalFlags(tcflag_t flags) {
        termios mode{};
        ::tcgetattr(m_fd, &mode);
        mode.c_lflag = flags;
        ::tcsetattr(m_fd, TCSANOW, &mode);
    }
    void Write(const std::string& bytes) { ASSERT_EQ(::write(m_fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size())); }
    // Whole sentences, from the first "$" on, until `count` have come.
    // Sentences already read come first; only then does it wait for more.
    std::vector<std::string> ReadSentences(std::size_t count) {
        std::vector<std::string> sentences;
        const auto deadline = Clock::now() + kPatience;
        for (;;) {
            TakeSentences(sentences, count);
            if (sentences.size() >= count || Clock::now() >= deadline) return sentences;
            pollfd fd{m_fd, POLLIN, 0};
            if (::poll(&fd, 1, 100) <= 0) continue;
            char chunk[512];
            const ssize_t got = ::read(m_fd, chunk, sizeof chunk);
            if (got <= 0) continue;
            m_read.append(chunk, static_cast<std::size_t>(got));
            m_pending.append(chunk, static_cast<std::size_t>(got));
        }
    }
    // Bytes have come that no sentence read so far holds.
    bool Pending() {
        pollfd fd{m_fd, POLLIN, 0};
        return !m_pending.empty() || ::poll(&fd, 1, 0) > 0;
    }
    // Reads until everything read so far holds `wanted`.
    bool ReadUntil(const std::string& wanted) {
        const auto deadline = Clock::now() + kPatience;
        while (m_read.find(wanted) == std::string::npos && Clock::now() < deadline) {
            pollfd fd{m_fd, POLLIN, 0};
            if (::poll(&fd, 1, 100) <= 0) continue;
            char chunk[512];
            const ssize_t got = ::read(m_fd, chunk, sizeof chunk);
            if (got > 0) m_read.append(chunk, static_cast<std::size_t>(got));
        }
        return m_read.find(wanted) != std::string::npos;
    }
    const std::string& AllRead() const { return m_read; }

private:
    void TakeSentences(std::vector<std::string>& sentences, std::size_t count) {
        if (!m_synced) {
            const std::size_t start = m_pending.find("\r\n$");
            if (start == std::string::npos) return;
            m_pending.erase(0, start + 2);
            m_synced = true;
        }
        std::size_t end;
        while (sentences.size() < count && (end = m_pending.find("\r\n")) != std::string::npos) {
            sentences.push_back(m_pending.substr(0, end + 2));
            m_pending.erase(0, end + 2);
        }
    }

    int m_fd = -1;
    bool m_synced = false;
    std::string m_pending;
    std::string m_read;
};

bool ChecksumRight(const std::string& sentence) {
    const std::size_t star = sentence.find('*');
    if (sentence.empty() || sentence[0] != '$' || star == std::string::npos || star + 5 != sentence.size()) return false;
    int sum = 0;
    for (std::size_t i = 1; i < star; ++i) sum ^= static_cast<unsigned char>(sentence[i]);
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", sum);
    return sentence.compare(star + 1, 2, digits) == 0;
}

// The address of a sentence ("GPGGA") and its fields after it.
std::string AddressOf(const std::string& sentence) { return sentence.substr(1, sentence.find_first_of(",*") - 1); }
std::string FieldOf(const std::string& sentence, int index) {
    std::size_t begin = 0;
    for (int i = 0; i < index; ++i) begin = sentence.find(',', begin) + 1;
    return sentence.substr(begin, sentence.find_first_of(",*", begin) - begin);
}
// The seconds of the day of a GGA's "hhmmss.00".
int CycleSecond(const std::string& gga) {
    const std::string time = FieldOf(gga, 1);
    return std::stoi(time.substr(0, 2)) * 3600 + std::stoi(time.substr(2, 2)) * 60 + std::stoi(time.substr(4, 2));
}

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Waits until a file holds `wanted`.
bool FileGets(const fs::path& path, const std::string& wanted) {
    const auto deadline = Clock::now() + kPatience;
    while (Clock::now() < deadline) {
        if (ReadFile(path).find(wanted) != std::string::npos) return true;
        ::usleep(20000);
    }
    return false;
}

class Gpssim : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("gpssim_test_" + std::to_string(::getpid()) + "_" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    fs::path m_dir;
};

TEST_F(Gpssim, SendsWholeSentencesAt115200AndReportsThePortMode) {
    const fs::path wire = m_dir / "wire.log";
    const fs::path sent = m_dir / "sent.bin";
    const fs::path timing = m_dir / "timing.log";
    GpssimProcess gpssim({"--baud", "115200", "--rate", "5", "--fix-after", "2", "--3d-after", "1", "--check-port",
                          "--wire", wire.string(), "--sent", sent.string(), "--timing", timing.string()});
    const auto path = gpssim.ReadLine();
    ASSERT_TRUE(path);
    ASSERT_EQ(path->rfind("/dev/", 0), 0u) << *path;
    SlavePort port(*path, B115200);
    ASSERT_TRUE(port.IsOpen());
    EXPECT_TRUE(gpssim.WaitForLine("port 115200 8N1 raw"));

    const std::vector<std::string> sentences = port.ReadSentences(40);
    ASSERT_EQ(sentences.size(), 40u);
    bool fixed = false;
    for (const std::string& sentence : sentences) {
        EXPECT_TRUE(ChecksumRight(sentence)) << sentence;
        fixed |= sentence.rfind("$GPGSA,A,3,", 0) == 0;
    }
    EXPECT_TRUE(fixed) << "a 3D fix after three cycles";

    // A line discipline left on is named; the program's port back to raw.
    port.SetLocalFlags(ICANON | ISIG);
    EXPECT_TRUE(gpssim.WaitForLine("port 115200 8N1 icanon isig"));
    port.SetLocalFlags(0);
    EXPECT_TRUE(gpssim.WaitForLine("port 115200 8N1 raw"));
    gpssim.Send("check\n");
    EXPECT_TRUE(gpssim.WaitForLine("port 115200 8N1 raw")) << "on demand, unchanged or not";

    // What the program writes comes out of the wire log frame by frame.
    port.Write(std::string("$PSRF101,0,0,0,0,0,0,12,1*15\r\n\xB5\x62\x06\x04\x04\x00\x00\x00\x02\x00\x10\x68", 42));
    EXPECT_TRUE(FileGets(wire, "nmea ok 24 50 53 52 46 31 30 31 2C"));
    EXPECT_TRUE(FileGets(wire, "ubx ok B5 62 06 04 04 00 00 00 02 00 10 68 | UBX class 0x06 id 0x04 len 4\n"));

    gpssim.Send("quit\n");
    EXPECT_EQ(gpssim.Wait(), 0);

    // Everything the program read was sent and logged as sent; each sentence has a timing line.
    EXPECT_NE(ReadFile(sent).find(port.AllRead()), std::string::npos);
    std::istringstream lines(ReadFile(timing));
    std::string line;
    long long last = 0;
    int count = 0, with_time = 0;
    while (std::getline(lines, line)) {
        long long ns = 0;
        char address[16] = {}, time[16] = {};
        const int fields = std::sscanf(line.c_str(), "%lld %15s %15s", &ns, address, time);
        ASSERT_GE(fields, 2) << line;
        EXPECT_GE(ns, last);
        last = ns;
        ++count;
        if (fields == 3) {
            ++with_time;
            EXPECT_TRUE(std::string(address) == "GPGGA" || std::string(address) == "GPRMC") << line;
            EXPECT_EQ(std::strlen(time), 9u) << line;
        }
    }
    EXPECT_GE(count, 40);
    EXPECT_GT(with_time, 0);
}

TEST_F(Gpssim, ReplaysAFileOnceByItsLineRules) {
    const fs::path replay = m_dir / "drive.nmea";
    const fs::path sent = m_dir / "sent.bin";
    const std::string frame("\xB5\x62\x05\x01\x02\x00\x06\x24\x32\x5B", 10);
    std::ofstream(replay, std::ios::binary) << "# two seconds\n$GPGGA,1*00\n" << frame << "$GPRMC,1*00\r\n\n$GPGGA,2*00\n$GPRMC,2*00";
    GpssimProcess gpssim({"--replay", replay.string(), "--once", "--baud", "115200", "--rate", "20", "--sent", sent.string()});
    ASSERT_TRUE(gpssim.ReadLine());
    EXPECT_EQ(gpssim.Wait(), 0) << "--once ends at the file's end";
    EXPECT_EQ(ReadFile(sent), "$GPGGA,1*00\r\n" + frame + "$GPRMC,1*00\r\n$GPGGA,2*00\r\n$GPRMC,2*00\r\n");
}

TEST_F(Gpssim, FaultsOnDemandAndTheEndOfStdinDoesNotEndIt) {
    GpssimProcess gpssim({"--baud", "115200", "--rate", "10", "--fix-after", "0"});
    const auto path = gpssim.ReadLine();
    ASSERT_TRUE(path);
    SlavePort port(*path, B115200);
    ASSERT_EQ(port.ReadSentences(3).size(), 3u);
    gpssim.Send("bad 3\n");
    gpssim.CloseStdin();
    // Three wrong checksums in a row, then right ones again.
    int bad_in_a_row = 0;
    bool seen = false;
    for (int i = 0; i < 200 && !seen; ++i) {
        const std::vector<std::string> one = port.ReadSentences(1);
        ASSERT_EQ(one.size(), 1u);
        if (!ChecksumRight(one[0])) {
            ++bad_in_a_row;
        } else if (bad_in_a_row > 0) {
            EXPECT_EQ(bad_in_a_row, 3);
            seen = true;
        }
    }
    EXPECT_TRUE(seen);
    EXPECT_EQ(port.ReadSentences(10).size(), 10u) << "still sending with stdin closed";
    gpssim.Signal(SIGTERM);
    EXPECT_EQ(gpssim.Wait(), 0);
}

TEST_F(Gpssim, TheLineOutlivesTheProgramsPortAndNeverBlocks) {
    const fs::path sent = m_dir / "sent.bin";
    // About 45 KB a second with nobody reading at first: the pty's queue fills, and the rest is dropped.
    GpssimProcess gpssim({"--baud", "1000000", "--rate", "100", "--cycles", "200", "--sent", sent.string()});
    const auto path = gpssim.ReadLine();
    ASSERT_TRUE(path);
    {
        SlavePort port(*path, B115200);
        ASSERT_EQ(port.ReadSentences(3).size(), 3u);
    }
    // Closed and opened again, as a program does between connections: the line is still there.
    SlavePort again(*path, B115200);
    const std::vector<std::string> sentences = again.ReadSentences(5);
    ASSERT_EQ(sentences.size(), 5u);
    for (const std::string& sentence : sentences) EXPECT_TRUE(ChecksumRight(sentence)) << sentence;
    EXPECT_EQ(gpssim.Wait(), 0) << "ends after its 200 cycles, whatever the line took";
}

// A cold reset on the line: the receiver falls silent, tells its version, and fixes again
// --ttff seconds after the reset, counted in the cycles' own times.
TEST_F(Gpssim, AResetSilencesTheReceiverThenItsVersionThenTheFixComesBackAfterTheTtff) {
    const fs::path wire = m_dir / "wire.log";
    constexpr int kRate = 4;
    constexpr int kTtff = 4;
    GpssimProcess gpssim({"--baud", "115200", "--rate", std::to_string(kRate), "--fix-after", "0", "--3d-after", "0",
                          "--ttff", std::to_string(kTtff), "--reset-quiet", "0.5", "--wire", wire.string()});
    const auto path = gpssim.ReadLine();
    ASSERT_TRUE(path);
    SlavePort port(*path, B115200);
    ASSERT_TRUE(port.IsOpen());
    // Write the reset right after the last sentence of the latest cycle, while the line rests.
    int last_cycle = -1;
    for (int i = 0; i < 100; ++i) {
        const std::vector<std::string> one = port.ReadSentences(1);
        ASSERT_EQ(one.size(), 1u);
        if (AddressOf(one[0]) == "GPGGA") last_cycle = CycleSecond(one[0]);
        if (AddressOf(one[0]) == "GPVTG" && last_cycle >= 0 && !port.Pending()) break;
    }
    ASSERT_GE(last_cycle, 0);
    const std::string reset = WithChecksum("PSRF101,0,0,0,0,0,0,12,4");
    port.Write(reset);

    // Perhaps the rest of a cycle that had begun, then the version text, then cycles.
    const std::vector<std::string> version = {WithChecksum("PSRF195,GSW3 VERSION: 3.5.0-P1.01"),
                                              WithChecksum("PSRF195,VORL0F_FWVER1.02.3")};
    std::vector<std::string> after;
    while (after.size() < 20) {
        const std::vector<std::string> one = port.ReadSentences(1);
        ASSERT_EQ(one.size(), 1u);
        if (one[0] == version[0]) break;
        ASSERT_NE(AddressOf(one[0]), "PSRF195") << one[0];
        if (AddressOf(one[0]) == "GPGGA") last_cycle = CycleSecond(one[0]);
        after.push_back(one[0]);
    }
    ASSERT_LT(after.size(), 20u) << "no version text: " << ::testing::PrintToString(after);
    EXPECT_LE(after.size(), 7u) << "at most one cycle begun before the reset came: " << ::testing::PrintToString(after);
    EXPECT_EQ(port.ReadSentences(1), std::vector<std::string>{version[1]});

    // The first cycle after the silence: the cycles due in it were left out.
    std::vector<std::string> cycles = port.ReadSentences(1);
    ASSERT_EQ(cycles.size(), 1u);
    ASSERT_EQ(AddressOf(cycles[0]), "GPGGA") << "a whole cycle follows the version";
    EXPECT_GE(CycleSecond(cycles[0]), last_cycle + 2) << "0.5 s quiet at 4 cycles a second";

    // The fix by GSA, cycle by cycle: none, then 2D from 3 s before the 3D fix.
    int cycle = CycleSecond(cycles[0]);
    int first_2d = -1, first_3d = -1, previous_mode = 1;
    for (int i = 0; i < 400 && first_3d < 0; ++i) {
        const std::vector<std::string> one = port.ReadSentences(1);
        ASSERT_EQ(one.size(), 1u);
        EXPECT_TRUE(ChecksumRight(one[0])) << one[0];
        if (AddressOf(one[0]) == "GPGGA") cycle = CycleSecond(one[0]);
        if (AddressOf(one[0]) != "GPGSA") continue;
        const int mode = std::stoi(FieldOf(one[0], 2));
        EXPECT_GE(mode, previous_mode) << "the fix only improves";
        previous_mode = mode;
        if (mode == 2 && first_2d < 0) first_2d = cycle;
        if (mode == 3) first_3d = cycle;
    }
    ASSERT_GE(first_3d, 0) << "no 3D fix after the reset";
    ASSERT_GE(first_2d, 0) << "no 2D fix before it";
    // The reset came after last_cycle had been made, so the first cycle due kTtff seconds after
    // it is at least kTtff * kRate + 1 cycles on; one more when it came just as the next cycle
    // fell due.
    EXPECT_GE(first_3d - last_cycle, kTtff * kRate + 1);
    EXPECT_LE(first_3d - last_cycle, kTtff * kRate + 2);
    EXPECT_GE(first_2d - last_cycle, (kTtff - 3) * kRate + 1);
    EXPECT_LE(first_2d - last_cycle, (kTtff - 3) * kRate + 2);
    EXPECT_TRUE(FileGets(wire, " | " + reset.substr(0, reset.size() - 2) + "\n"));
    gpssim.Stop();
}

// UBX configuration answered with ACK-ACK or, for an id named by --nak, ACK-NAK, and a PTC query
// answered, while a log is replayed; the answers are in the sent log too.
TEST_F(Gpssim, AnswersUbxAndPtcCommandsWhileReplaying) {
    const fs::path replay = m_dir / "drive.nmea";
    const fs::path sent = m_dir / "sent.bin";
    std::ofstream(replay, std::ios::binary) << "$GPGGA,1*00\n$GPRMC,1*00\n";
    GpssimProcess gpssim({"--replay", replay.string(), "--baud", "115200", "--rate", "10", "--nak", "0x24", "--sent", sent.string()});
    const auto path = gpssim.ReadLine();
    ASSERT_TRUE(path);
    SlavePort port(*path, B115200);
    ASSERT_TRUE(port.IsOpen());
    ASSERT_EQ(port.ReadSentences(2).size(), 2u);

    std::string nav5_payload("\x00\x40\x00\x03\x00\x00\x00\x00\x10\x27\x00\x00\x05\x00\xFA\x00\xFA\x00\x64\x00\x2C\x01\xF4\x00", 24);
    nav5_payload += std::string(12, '\0');
    port.Write(UbxFrame(0x06, 0x24, nav5_payload));  // CFG-NAV5
    const std::string nak("\xB5\x62\x05\x00\x02\x00\x06\x24\x31\x56", 10);
    EXPECT_TRUE(port.ReadUntil(nak)) << "ACK-NAK for CFG-NAV5";

    port.Write(std::string("\xB5\x62\x06\x11\x02\x00\x00\x04\x1D\x85", 10));  // CFG-RXM, economy
    const std::string ack("\xB5\x62\x05\x01\x02\x00\x06\x11\x1F\x48", 10);
    EXPECT_TRUE(port.ReadUntil(ack)) << "ACK-ACK for CFG-RXM";

    port.Write(std::string("$CMD\x19\x00\xAA", 7));
    EXPECT_TRUE(port.ReadUntil(WithChecksum("PTCRF,32768")));
    gpssim.Stop();
    const std::string logged = ReadFile(sent);
    for (const std::string& answer : {nak, ack, WithChecksum("PTCRF,32768")})
        EXPECT_NE(logged.find(answer), std::string::npos) << "in the sent log";
}

TEST_F(Gpssim, HelpListsTheOptionsAndAMistakeIsRefused) {
    {
        GpssimProcess gpssim({"--help"});
        const auto first = gpssim.ReadLine();
        ASSERT_TRUE(first);
        EXPECT_EQ(first->rfind("usage: gpssim", 0), 0u);
        EXPECT_EQ(gpssim.Wait(), 0);
    }
    GpssimProcess gpssim({"--rate", "fast"});
    EXPECT_FALSE(gpssim.ReadLine()) << "no pty path for a bad command line";
    EXPECT_EQ(gpssim.Wait(), 2);
}

}  // namespace
