// SatScope on a real device server, its COM1 mapped to the pty of a running gpssim: settings,
// connecting, what the receiver sent shown and listed, the log, closing, and a port that goes.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "satscope/control_ids.h"
#include "satscope/fix_state.h"
#include "satscope/sentence_assembler.h"
#include "satscope/sentence_handler.h"
#include "satscope/tests/satscope_device.h"
#include "tools/gpssim/gpssim_child.h"
#include "tools/gpssim/sentence_frames.h"

namespace {

using namespace satscope;
using namespace satscope::testing;
using gpssim::GpsSim;

// What the window would show for the same bytes: the parser and the handler over a window that
// keeps texts and list lines.
struct Model : ScopeWindow, SentenceLog {
    std::map<int, std::string> texts;
    std::vector<std::string> list;
    void SetText(int control, const std::string& text) override { texts[control] = text; }
    int ListCount() override { return static_cast<int>(list.size()); }
    void DeleteFirstListLine() override { list.erase(list.begin()); }
    void AppendListLine(const std::string& line) override { list.push_back(line); }
    void StartTimer(unsigned, unsigned) override {}
    void StopTimer(unsigned) override {}
    void DrawSignal(SignalDraw) override {}
    void Trace(const std::string&) override {}
    bool Active() const override { return false; }
    void WriteSentence(std::string_view) override {}
};

// The sentences of a byte stream that a careful reader takes, by rules written here: "$", then
// printable characters other than "$" and "*", "*", two upper-case hex digits matching the XOR,
// and CR right after them.
std::vector<std::string> ValidSentences(const std::string& bytes)
{
    std::vector<std::string> valid;
    for (std::size_t at = bytes.find('$'); at != std::string::npos; at = bytes.find('$', at + 1)) {
        const std::size_t star = bytes.find_first_of("*$", at + 1);
        if (star == std::string::npos || bytes[star] != '*' || star + 3 >= bytes.size()) continue;
        unsigned sum = 0;
        bool printable = true;
        for (std::size_t i = at + 1; i < star; ++i) {
            const auto c = static_cast<unsigned char>(bytes[i]);
            printable &= c >= 0x20 && c < 0x7F;
            sum ^= c;
        }
        const auto hex = [](char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1; };
        const int high = hex(bytes[star + 1]), low = hex(bytes[star + 2]);
        if (!printable || high < 0 || low < 0 || static_cast<unsigned>(high * 16 + low) != sum || bytes[star + 3] != '\r')
            continue;
        valid.push_back(bytes.substr(at, star + 3 - at));
    }
    return valid;
}

// At 4,800 and at 115,200 baud, with faults of every kind and UBX frames among the sentences,
// the summary shows what the same bytes give, and the list holds only whole, valid sentences.
TEST_F(SatScopeDevice, ShowsWhatTheReceiverSentAtBothSpeeds)
{
    const std::pair<const char*, const char*> runs[] = {{"4800", "1"}, {"115200", "4"}};
    for (const auto& [baud, rate] : runs) {
        SCOPED_TRACE(baud);
        GpsSim sim(GPSSIM_BINARY, {"--baud", baud, "--rate", rate, "--seed", "11", "--fix-after", "2", "--3d-after", "1", "--cycles",
                    std::string(baud) == "4800" ? "9" : "28", "--faults", "12", "--ubx", "--sent", sent});
        ASSERT_FALSE(sim.Pty().empty());
        MapCom1(sim.Pty());
        Start(Ini("COM1:", baud, true));
        ASSERT_TRUE(TextBecomes(IDC_CONNECT, "DISCONNECTION")) << device.Log("SATSCOPE.EXE");
        ASSERT_TRUE(sim.Wait(60s));
        std::this_thread::sleep_for(1500ms);  // the last bytes reach the window

        const std::string bytes = ReadAll(sent);
        Model model;
        FixState fix;
        SentenceHandler handler(fix, model, model);
        SentenceAssembler assembler(handler);
        assembler.Feed(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
        for (int id = IDC_FIX_STATE; id <= IDC_UTC_TIME; ++id) {
            ASSERT_TRUE(model.texts.count(id)) << id;
            EXPECT_EQ(Text(id), model.texts[id]) << "control " << id;
        }

        const std::vector<std::string> valid = ValidSentences(bytes);
        // The list's items reach the server a moment after the list changes.
        std::vector<std::string> listed;
        WaitUntil([&] { return !(listed = Items(IDC_SENTENCES)).empty() && listed.back() == valid.back(); }, kHang);
        ASSERT_GE(listed.size(), 10u);
        ASSERT_LE(listed.size(), valid.size());
        const std::vector<std::string> tail(valid.end() - static_cast<long>(listed.size()), valid.end());
        EXPECT_EQ(listed, tail) << "the list ends with the last valid sentences, in order\n" << device.Log("SATSCOPE.EXE");

        control.Close(title);
        ASSERT_TRUE(WaitUntil([&] { return !Running(); }, kHang));
        fs::remove(sent);
    }
}

// No port, no baud rate, a port the device does not have: each leaves its status text in the
// debug log, the link closed, the caption "CONNECTION" and the lists enabled. A good connect
// turns both ways.
TEST_F(SatScopeDevice, ConnectFailuresLeaveTheLinkClosed)
{
    GpsSim sim(GPSSIM_BINARY, {"--baud", "9600", "--rate", "2"});
    ASSERT_FALSE(sim.Pty().empty());
    MapCom1(sim.Pty());
    struct Case {
        const char* what;
        std::string ini;
        const char* status;
    };
    const Case cases[] = {
        {"a file without STATUS", "[VORL_GPS_VIEWERS_PARAMETERS]\r\nCOMPORT=COM1:\r\n", "comport open fail"},
        {"a bad baud rate", Ini("COM1:", "14400", false), "baudrate open fail "},
        {"an unmapped port", Ini("COM2:", "9600", false), "open port fail "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Start(c.ini);
        Click(IDC_CONNECT);
        EXPECT_TRUE(device.WaitForLog("SATSCOPE.EXE", std::string("SatScope: ") + c.status)) << device.Log("SATSCOPE.EXE");
        EXPECT_EQ(Text(IDC_CONNECT), "CONNECTION");
        EXPECT_TRUE(Control(IDC_PORTS)->enabled);
        EXPECT_FALSE(Control(IDC_PAUSE)->enabled) << "commands only while connected";
        ASSERT_EQ(control.Close(title), 0u);
        ASSERT_TRUE(WaitUntil([&] { return !Running(); }, kHang));
    }
    const std::string log = device.Log("SATSCOPE.EXE");
    EXPECT_NE(log.find("SatScope: Can't find INI catagory"), std::string::npos);
    EXPECT_NE(log.find("SatScope: Invalided Baudrate"), std::string::npos);

    Start(Ini("COM1:", "9600", false));
    Click(IDC_CONNECT);
    ASSERT_TRUE(TextBecomes(IDC_CONNECT, "DISCONNECTION"));
    EXPECT_FALSE(Control(IDC_PORTS)->enabled);
    EXPECT_FALSE(Control(IDC_BAUDS)->enabled);
    EXPECT_TRUE(Control(IDC_LOG)->enabled);
    ASSERT_TRUE(WaitUntil([&] { return Text(IDC_UTC_TIME).value_or("").rfind("UTC Time: ", 0) == 0; }, kHang));
    Click(IDC_CONNECT);
    ASSERT_TRUE(TextBecomes(IDC_CONNECT, "CONNECTION"));
    EXPECT_TRUE(Control(IDC_PORTS)->enabled);
    EXPECT_FALSE(Control(IDC_LOG)->enabled);
}

// The log: a SYSTEM_TIME header before any RMC, every valid sentence as it came, paused ones
// too, the pause marks; a second start appends with a UTC_TIME header; closing the window
// leaves the file whole.
TEST_F(SatScopeDevice, TheLogHoldsItsHeadersEverySentenceAndThePauseMarks)
{
    // A receiver that sends no RMC.
    std::string replay;
    for (int i = 0; i < 5; ++i) {
        const std::string second = std::to_string(i);
        for (const std::string& body : std::vector<std::string>{"GPGGA,10000" + second + ",3730.000,N,12700.000,E,1,05,1.1,20.0,M,,,,",
                                       "GPGSA,A,3,01,02,03,04,05,,,,,,,,2.0,1.1,1.7", "GPVTG,0.0,T,,M,0.0,N,0.0,K",
                                       "GPGLL,3730.000,N,12700.000,E,10000" + second + ",A"}) {
            replay += gpssim::MakeSentence(body);
        }
    }
    WriteFile(device.Root() / "gga.nmea", replay);
    {
        GpsSim sim(GPSSIM_BINARY, {"--baud", "38400", "--replay", (device.Root() / "gga.nmea").string(), "--sent", sent});
        MapCom1(sim.Pty());
        Start(Ini("COM1:", "38400", true));
        ASSERT_TRUE(TextBecomes(IDC_CONNECT, "DISCONNECTION"));
        Click(IDC_LOG);
        ASSERT_TRUE(TextBecomes(IDC_LOG, "STOP_WR"));
        std::this_thread::sleep_for(1500ms);
        Click(IDC_PAUSE);
        ASSERT_TRUE(TextBecomes(IDC_PAUSE, "RUNNING"));
        const auto list_paused = Items(IDC_SENTENCES);
        std::this_thread::sleep_for(1500ms);
        EXPECT_EQ(Items(IDC_SENTENCES), list_paused) << "the list stands still while paused";
        Click(IDC_PAUSE);
        ASSERT_TRUE(TextBecomes(IDC_PAUSE, "PAUSE"));
        std::this_thread::sleep_for(1000ms);
        ASSERT_EQ(control.Close(title), 0u);
        ASSERT_TRUE(WaitUntil([&] { return !Running(); }, kHang));
    }
    const std::string log = ReadAll(Host("NAND/log.txt"));
    ASSERT_EQ(log.rfind(" \n\n\n---- WRITE LOG START ----\n---- TIME [SYSTEM_TIME: ", 0), 0u) << log;
    const std::size_t body = log.find("----\n\n", log.find("---- POSITION [")) + 6;
    ASSERT_NE(log.find("---- POSITION [LATI: 0.000000( ) LONGI:0.000000( )]  ----\n\n"), std::string::npos)
        << "no position yet at the start";
    const std::size_t start = log.find("\n_pause_start_\n");
    const std::size_t end = log.find("\n_pause_end_\n");
    ASSERT_NE(start, std::string::npos);
    ASSERT_NE(end, std::string::npos);
    EXPECT_LT(start, end);
    // Outside the marks, the log is sentences, each on its own line, each a valid one in the
    // order sent.
    std::string lines = log.substr(body, start - body) + "\n" + log.substr(start + 15, end - start - 15) + "\n" +
                        log.substr(end + 13);
    const std::vector<std::string> valid = ValidSentences(ReadAll(sent));
    std::vector<std::string> logged;
    for (std::size_t at = 0; at < lines.size();) {
        const std::size_t next = lines.find('\n', at);
        const std::string line = lines.substr(at, next - at);
        if (!line.empty()) logged.push_back(line);
        at = next == std::string::npos ? lines.size() : next + 1;
    }
    ASSERT_GE(logged.size(), 10u);
    const auto first = std::find(valid.begin(), valid.end(), logged.front());
    ASSERT_NE(first, valid.end());
    for (std::size_t i = 0; i < logged.size(); ++i) {
        ASSERT_LT(static_cast<std::size_t>(first - valid.begin()) + i, valid.size());
        EXPECT_EQ(logged[i], *(first + static_cast<long>(i))) << "line " << i;
    }

    // With RMC: the next start appends and stamps the receiver's time.
    GpsSim sim(GPSSIM_BINARY, {"--baud", "38400", "--rate", "4", "--fix-after", "0", "--start", "2026-07-04T10:20:30"});
    MapCom1(sim.Pty());
    Start(Ini("COM1:", "38400", true));
    ASSERT_TRUE(WaitUntil([&] { return Text(IDC_UTC_DATE) == "UTC Date: 2026-07-04"; }, kHang));
    Click(IDC_LOG);
    ASSERT_TRUE(TextBecomes(IDC_LOG, "STOP_WR"));
    Click(IDC_LOG);
    ASSERT_TRUE(TextBecomes(IDC_LOG, "WR_LOG"));
    const std::string appended = ReadAll(Host("NAND/log.txt"));
    ASSERT_EQ(appended.rfind(log, 0), 0u) << "the first log stays as it was";
    EXPECT_EQ(appended.find("---- TIME [UTC_TIME: 2026-7-4  10:", log.size()), log.size() + 30) << appended.substr(log.size());
}

// Closing while connected ends the program; twenty connect rounds leave no descriptor behind.
TEST_F(SatScopeDevice, ConnectRoundsLeakNothingAndCloseEndsTheProgram)
{
    GpsSim sim(GPSSIM_BINARY, {"--baud", "115200", "--rate", "5"});
    MapCom1(sim.Pty());
    Start(Ini("COM1:", "115200", false));
    const auto pid = Pid();
    ASSERT_TRUE(pid);
    const auto descriptors = [&] {
        std::size_t count = 0;
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/" + std::to_string(*pid) + "/fd")) ++count;
        return count;
    };
    Click(IDC_CONNECT);
    ASSERT_TRUE(TextBecomes(IDC_CONNECT, "DISCONNECTION"));
    Click(IDC_CONNECT);
    ASSERT_TRUE(TextBecomes(IDC_CONNECT, "CONNECTION"));
    const std::size_t before = descriptors();
    for (int round = 0; round < 20; ++round) {
        Click(IDC_CONNECT);
        ASSERT_TRUE(TextBecomes(IDC_CONNECT, "DISCONNECTION")) << round;
        Click(IDC_CONNECT);
        ASSERT_TRUE(TextBecomes(IDC_CONNECT, "CONNECTION")) << round;
    }
    // A round's reader thread may still be closing its own connection: a leak stays.
    std::size_t after = 0;
    EXPECT_TRUE(WaitUntil([&] { return (after = descriptors()) <= before; }, kHang)) << after << " descriptors, " << before
                                                                                     << " before the rounds";

    Click(IDC_CONNECT);
    ASSERT_TRUE(TextBecomes(IDC_CONNECT, "DISCONNECTION"));
    ASSERT_EQ(control.Close(title), 0u);
    EXPECT_TRUE(WaitUntil([&] { return !Running(); }, kHang)) << device.Log("SATSCOPE.EXE");
}

// The receiver's line goes away while connected: one debug line, and the connect button still
// disconnects.
TEST_F(SatScopeDevice, AVanishedPortCanStillBeDisconnected)
{
    GpsSim sim(GPSSIM_BINARY, {"--baud", "9600", "--rate", "2"});
    MapCom1(sim.Pty());
    Start(Ini("COM1:", "9600", true));
    ASSERT_TRUE(TextBecomes(IDC_CONNECT, "DISCONNECTION"));
    ASSERT_TRUE(WaitUntil([&] { return Text(IDC_UTC_TIME).value_or("").rfind("UTC Time: ", 0) == 0; }, kHang));
    sim.Stop();
    ASSERT_TRUE(device.WaitForLog("SATSCOPE.EXE", "the line is gone"));
    std::this_thread::sleep_for(500ms);
    const std::string log = device.Log("SATSCOPE.EXE");
    EXPECT_EQ(log.find("the line is gone"), log.rfind("the line is gone")) << "once";
    Click(IDC_CONNECT);
    EXPECT_TRUE(TextBecomes(IDC_CONNECT, "CONNECTION"));
    ASSERT_EQ(control.Close(title), 0u);
    EXPECT_TRUE(WaitUntil([&] { return !Running(); }, kHang));
}

// The window at the screen's 800 x 480 and at 320 x 240, where it is compact.
TEST_F(SatScopeDevice, LaysItselfOutFullAndCompact)
{
    Start(Ini("COM1:", "4800", false));
    EXPECT_EQ(title, "[VORL] SATSCOPE_PLUS_v1.00");
    auto rect = [&](int id) { return Control(id)->rect; };
    EXPECT_EQ(rect(IDC_SENTENCES).left, 2);
    EXPECT_EQ(rect(IDC_SENTENCES).top, 272);
    EXPECT_EQ(rect(IDC_CONNECT).left, 572);
    EXPECT_EQ(rect(IDC_CONNECT).right - rect(IDC_CONNECT).left, 222);
    EXPECT_EQ(rect(IDC_LOG).top, 414);
    EXPECT_TRUE(Control(IDC_PRESET_FIRST)->visible);
    EXPECT_TRUE(Control(IDC_PAUSE)->visible);
    EXPECT_EQ(Text(IDC_COMMAND_FIRST), "HOT_RST");
    EXPECT_TRUE(Control(IDC_COMMAND_FIRST + 3)->visible) << "SiRF's factory reset";
    EXPECT_FALSE(Control(IDC_COMMAND_FIRST + 4)->visible) << "configuration only in developer mode";
    EXPECT_FALSE(Control(IDC_NOTICE)->visible);
    EXPECT_EQ(Text(IDC_TYPE_SIRF), "GGMS");
    ASSERT_EQ(control.Close(title), 0u);
    ASSERT_TRUE(WaitUntil([&] { return !Running(); }, kHang));

    Start(Ini("COM1:", "4800", false, "TOTAL_WINDOWS_WIDTH=320\r\nTOTAL_WINDOWS_HEIGHT=240\r\n"));
    EXPECT_EQ(title, "[VORL] MINI SatScope_v1.00 ");
    EXPECT_EQ(Text(IDC_TYPE_SIRF), "S");
    EXPECT_EQ(Text(IDC_TYPE_PTC), "P");
    EXPECT_EQ(Text(IDC_CONNECT), "CON");
    EXPECT_EQ(Text(IDC_PAUSE), "PAU");
    EXPECT_EQ(Text(IDC_LOG), "W_L");
    EXPECT_FALSE(Control(IDC_PRESET_FIRST)->visible);
    EXPECT_FALSE(Control(IDC_VERSION_FIRST)->visible);
    EXPECT_FALSE(Control(IDC_UTC_DATE)->visible);
    EXPECT_FALSE(Control(IDC_TIME_TO_FIX)->visible);
    EXPECT_EQ(rect(IDC_CONNECT).left, 222);
    EXPECT_EQ(rect(IDC_CONNECT).right - rect(IDC_CONNECT).left, 92);
    for (const auto& window : control.Windows())
        if (window.program == "SATSCOPE.EXE" && window.parent == 0) {
            EXPECT_EQ(window.rect.right - window.rect.left, 320);
            EXPECT_EQ(window.rect.bottom - window.rect.top, 240);
        }
}

}  // namespace
