// SatScope driving a receiver on a real device server: every command button's frame on gpssim's
// wire, the receiver's answers in the notice and version lines, the buttons per type, the
// time-to-fix counter against a receiver that takes a known time, and the signal bars and the
// window-split presets by the screen's pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "satscope/control_ids.h"
#include "satscope/tests/satscope_device.h"
#include "tools/gpssim/gpssim_child.h"
#include "tools/gpssim/sentence_frames.h"

namespace {

using namespace satscope;
using namespace satscope::testing;
using gpssim::GpsSim;

const std::string kDeveloper = "HID=KTQW_RZN\r\nHPWD=KTQW817\r\n";

// Frames as the receiver must see them, by gpssim's frame writer, which is the receiver's and
// shares nothing with SatScope's.
using gpssim::MakeSentence;

std::string SirfReset(int kind)
{
    return MakeSentence("PSRF101,0,0,0,0,0,0,12," + std::to_string(kind));
}

std::string Vendor(const std::string& id, const std::string& data)
{
    return MakeSentence("VORL999," + id + ",N," + data);
}

std::string Ubx(std::uint8_t message_class, std::uint8_t id, const std::vector<std::uint8_t>& payload)
{
    return gpssim::MakeUbxFrame(message_class, id, std::string(payload.begin(), payload.end()));
}

std::string Ptc(std::uint8_t code, std::uint8_t parameter)
{
    return std::string("$CMD") + static_cast<char>(code) + static_cast<char>(parameter) + '\xAA';
}

std::vector<std::uint8_t> StaticHold(bool on)
{
    std::vector<std::uint8_t> payload = {0x00, 0x40, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x10, 0x27, 0x00, 0x00,
                                         0x05, 0x00, 0xFA, 0x00, 0xFA, 0x00, 0x64, 0x00, 0x2C, 0x01, 0xF4, 0x00};
    payload.resize(36, 0x00);
    if (!on) payload[22] = 0x00;
    return payload;
}

struct WireFrame {
    bool intact = false;
    std::string bytes;
};

// gpssim's wire log: a line per frame, "kind ok|bad" and its bytes in hexadecimal, then " | " and
// the frame decoded.
std::vector<WireFrame> ReadWire(const fs::path& path)
{
    std::vector<WireFrame> frames;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string kind, state, word;
        words >> kind >> state;
        WireFrame frame{state == "ok", {}};
        while (words >> word && word != "|") frame.bytes += static_cast<char>(std::stoul(word, nullptr, 16));
        frames.push_back(frame);
    }
    return frames;
}

struct Step {
    int button;
    std::string caption;
    std::string frame;
    std::string notice;  // empty: none expected
    bool reset = false;  // the receiver restarts, and takes no command until it is back
};

class SatScopeReceiver : public SatScopeDevice {
protected:
    fs::path Wire() const { return device.Root() / "wire.log"; }
    std::vector<WireFrame> Frames() { return ReadWire(Wire()); }
    bool FramesReach(std::size_t count)
    {
        return WaitUntil([&] { return Frames().size() >= count; }, kHang);
    }
    bool Visible(int id) { return Control(id) && Control(id)->visible; }
    bool Enabled(int id) { return Control(id) && Control(id)->enabled; }
    std::set<int> VisibleCommands()
    {
        std::set<int> shown;
        for (int id = IDC_COMMAND_FIRST; id <= IDC_COMMAND_LAST; ++id)
            if (Visible(id)) shown.insert(id);
        return shown;
    }
    // The set of buttons shown comes to be `wanted`: a change of type sets the captions and
    // shows and hides buttons one after the other.
    bool CommandsShown(const std::set<int>& wanted)
    {
        return WaitUntil([&] { return VisibleCommands() == wanted; }, kHang);
    }
    static std::string Ids(const std::set<int>& ids)
    {
        std::string text;
        for (int id : ids) text += std::to_string(id) + " ";
        return text;
    }
    // Taps each button and checks its frame on the wire, then its notice.
    void Run(const std::vector<Step>& steps)
    {
        for (const Step& step : steps) {
            SCOPED_TRACE(step.caption);
            EXPECT_EQ(Text(step.button), step.caption);
            const std::size_t before = Frames().size();
            Click(step.button);
            ASSERT_TRUE(FramesReach(before + 1)) << device.Log("SATSCOPE.EXE");
            const WireFrame frame = Frames()[before];
            EXPECT_TRUE(frame.intact);
            EXPECT_EQ(frame.bytes, step.frame);
            if (!step.notice.empty()) {
                EXPECT_TRUE(TextBecomes(IDC_NOTICE, step.notice)) << Text(IDC_NOTICE).value_or("");
                EXPECT_TRUE(Visible(IDC_NOTICE));
            }
            if (step.reset) std::this_thread::sleep_for(700ms);  // gpssim is quiet for 0.2 s
        }
    }
};

// In developer mode, every button of every type sends its command's frame, byte for byte, and
// what the receiver answers is shown; the notice goes after 3 s and leaves a white band.
TEST_F(SatScopeReceiver, EveryCommandLeavesWholeAndItsAnswerIsShown)
{
    GpsSim sim(GPSSIM_BINARY, {"--baud", "9600", "--rate", "2", "--reset-quiet", "0.2", "--ttff", "2", "--wire",
                               Wire().string()});
    ASSERT_FALSE(sim.Pty().empty());
    MapCom1(sim.Pty());
    Start(Ini("COM1:", "9600", false, kDeveloper));
    EXPECT_FALSE(Enabled(IDC_COMMAND_FIRST)) << "commands only while connected";
    Click(IDC_CONNECT);
    ASSERT_TRUE(TextBecomes(IDC_CONNECT, "DISCONNECTION"));
    ASSERT_TRUE(Enabled(IDC_COMMAND_FIRST));

    // SiRF, the type at start.
    EXPECT_EQ(VisibleCommands(), (std::set<int>{1026, 1027, 1028, 1029, 1030, 1031, 1032, 1033, 1034, 1036, 1037}));
    Run({{1026, "HOT_RST", SirfReset(1), "", true}});
    // A SiRF reset forgets the receiver's version until it tells it again.
    EXPECT_TRUE(TextBecomes(IDC_VERSION_FIRST, " -3.5.0-P1.01")) << Text(IDC_VERSION_FIRST).value_or("");
    EXPECT_TRUE(TextBecomes(IDC_VERSION_SECOND, " -1.02.3"));
    EXPECT_TRUE(WaitUntil([&] { return Visible(IDC_VERSION_SECOND); }, kHang));
    Run({{1027, "WARM_RST", SirfReset(2), "", true},
         {1028, "COLD_RST", SirfReset(4), "", true},
         {1029, "FACT_RST", SirfReset(8), "", true},
         {1030, "STATIC_ON", Vendor("22", "O"), "> Static Navigation ON ... SUCCESS"},
         {1031, "STATIC_OFF", Vendor("22", "F"), "> Static Navigation OFF ... SUCCESS"},
         {1032, "DGPS_ON", Vendor("73", "1,30,0,00"), "> DGPS(SBAS) ON ... SUCCESS"},
         {1033, "DGPS_OFF", Vendor("73", "0,30,0,00"), "> DGPS(SBAS) OFF ... SUCCESS"},
         {1034, "RD_PARAM", Vendor("31", ""), "> GGA:1 GLL:0 GSA:1 GSV:1 RMC:1 VTG:1 ZDA:0 DRT:0 StaticN:N Baud:9600"}});

    Click(IDC_TYPE_UBLOX);
    ASSERT_TRUE(TextBecomes(1030, "DGPS_ON"));
    EXPECT_TRUE(CommandsShown({1026, 1027, 1028, 1030, 1031, 1032, 1033, 1034, 1035, 1036, 1037})) << "shown: " << Ids(VisibleCommands());
    Run({{1026, "HOT_RST", Ubx(0x06, 0x04, {0x00, 0x00, 0x02, 0x00}), "> Hot Reset SET ... SUCCESS", true},
         {1027, "WARM_RST", Ubx(0x06, 0x04, {0x01, 0x00, 0x02, 0x00}), "> Warm Reset SET ... SUCCESS", true},
         {1028, "COLD_RST", Ubx(0x06, 0x04, {0xFF, 0x07, 0x02, 0x00}), "> Cold Reset SET ... SUCCESS", true},
         {1030, "DGPS_ON", Ubx(0x06, 0x16, {0x01, 0x02, 0x01, 0, 0, 0, 0, 0}), "> DGPS(SBAS) ON ... SUCCESS"},
         {1031, "DGPS_OFF", Ubx(0x06, 0x16, {0x00, 0x02, 0x01, 0, 0, 0, 0, 0}), "> DGPS(SBAS) OFF ... SUCCESS"},
         {1032, "MAX_PWR", Ubx(0x06, 0x11, {0x00, 0x00}), "> Max Performance Power SET... SUCCESS"},
         {1033, "ECO_PWR", Ubx(0x06, 0x11, {0x00, 0x04}), "> Economic Power SET ... SUCCESS"},
         {1034, "STATIC_ON", Ubx(0x06, 0x24, StaticHold(true)), "> Static Hold Threshold(5m/s)... SUCCESS"},
         {1035, "STATIC_OFF", Ubx(0x06, 0x24, StaticHold(false)), "> Static Hold Disable ... SUCCESS"}});

    Click(IDC_TYPE_PTC);
    ASSERT_TRUE(TextBecomes(1032, "RD_PROPRI"));
    EXPECT_TRUE(CommandsShown({1026, 1027, 1028, 1030, 1031, 1032, 1033, 1034, 1036, 1037})) << "shown: " << Ids(VisibleCommands());
    Run({{1026, "HOT_RST", Ptc(0x03, 0x00), "", true}});
    EXPECT_TRUE(TextBecomes(IDC_VERSION_FIRST, " -V2.10"));
    EXPECT_TRUE(WaitUntil([&] { return !Visible(IDC_VERSION_SECOND); }, kHang));
    Run({{1027, "WARM_RST", Ptc(0x08, 0x00), "", true},
         {1028, "COLD_RST", Ptc(0x02, 0x00), "", true},
         {1030, "DGPS_ON", Ptc(0x14, 0x01), ""},
         {1032, "RD_PROPRI", Ptc(0x18, 0x00), "> NAVmk:1 ELEmk:5 HDOPmk:20 PDOPmk:25 SBAS:1 BAUD:9600 DATUM:0 PIN:0"},
         {1031, "DGPS_OFF", Ptc(0x14, 0x00), ""},
         {1033, "RD_CLK_DRIF", Ptc(0x0C, 0x00), "> Clock Drift: -1234 (UNIT=0.0001PPM)"},
         {1034, "RD_RTC_FRQ", Ptc(0x19, 0x00), "> RTC Frequency: 32768 Hz"}});

    // Commands in quick succession (posted as the buttons send them, faster than any finger):
    // whole frames, one after the other.
    const std::size_t before = Frames().size();
    for (int i = 0; i < 3; ++i)
        for (const int button : {1032, 1033, 1034}) ASSERT_EQ(control.Post(title, 0x0111 /* WM_COMMAND */, button, 0), 0u);
    ASSERT_TRUE(FramesReach(before + 9)) << Frames().size() - before << " frames\n" << device.Log("SATSCOPE.EXE");
    const std::vector<WireFrame> frames = Frames();
    for (std::size_t i = before; i < frames.size(); ++i) {
        EXPECT_TRUE(frames[i].intact) << i;
        const std::uint8_t code = static_cast<std::uint8_t>("\x18\x0C\x19"[(i - before) % 3]);
        EXPECT_EQ(frames[i].bytes, Ptc(code, 0x00)) << i;
    }

    // The notice goes 3 s after the last answer, and a white band covers where it stood.
    ASSERT_TRUE(WaitUntil([&] { return !Visible(IDC_NOTICE); }, kHang));
    std::this_thread::sleep_for(200ms);
    DWORD error = 0;
    const auto screen = control.Screenshot(error);
    ASSERT_TRUE(screen);
    // The rows above any label (gpssim's SNRs stay under 53, so labels start below y 14).
    const auto notice = Control(IDC_NOTICE)->rect;
    for (int x = notice.left; x < notice.right; x += 7)
        for (int y = notice.top; y < notice.top + 11; y += 2)
            ASSERT_EQ(screen->At(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y)), 0xFFFFFFu) << x << "," << y;

    // Disconnected, a command that still reaches the window sends nothing and says why.
    Click(IDC_CONNECT);
    ASSERT_TRUE(TextBecomes(IDC_CONNECT, "CONNECTION"));
    const std::size_t closed = Frames().size();
    ASSERT_EQ(control.Post(title, 0x0111 /* WM_COMMAND */, IDC_COMMAND_FIRST, 0), 0u);
    EXPECT_TRUE(device.WaitForLog("SATSCOPE.EXE", "ERR: First check your comport:skip cmd :0x03"));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(Frames().size(), closed);
}

// Rejections and failed statuses say FAIL; the pause caption survives a change of type; outside
// developer mode u-blox offers only its resets.
TEST_F(SatScopeReceiver, RejectionsSayFailAndTypesShowTheirButtons)
{
    GpsSim sim(GPSSIM_BINARY, {"--baud", "9600", "--rate", "2", "--nak", "0x24", "--fail", "73", "--wire", Wire().string()});
    MapCom1(sim.Pty());
    Start(Ini("COM1:", "9600", true, kDeveloper));
    ASSERT_TRUE(TextBecomes(IDC_CONNECT, "DISCONNECTION"));
    Run({{1032, "DGPS_ON", Vendor("73", "1,30,0,00"), "> DGPS(SBAS) SET ... FAIL"},
         {1030, "STATIC_ON", Vendor("22", "O"), "> Static Navigation ON ... SUCCESS"}});
    Click(IDC_PAUSE);
    ASSERT_TRUE(TextBecomes(IDC_PAUSE, "RUNNING"));
    Click(IDC_TYPE_UBLOX);
    ASSERT_TRUE(TextBecomes(1034, "STATIC_ON"));
    EXPECT_EQ(Text(IDC_PAUSE), "RUNNING");
    Click(IDC_PAUSE);
    ASSERT_TRUE(TextBecomes(IDC_PAUSE, "PAUSE"));
    Run({{1034, "STATIC_ON", Ubx(0x06, 0x24, StaticHold(true)), "> Static Navigation SET ... FAIL"},
         {1032, "MAX_PWR", Ubx(0x06, 0x11, {0x00, 0x00}), "> Max Performance Power SET... SUCCESS"}});
    ASSERT_EQ(control.Close(title), 0u);
    ASSERT_TRUE(WaitUntil([&] { return !Running(); }, kHang));

    Start(Ini("COM1:", "9600", true));
    ASSERT_TRUE(TextBecomes(IDC_CONNECT, "DISCONNECTION"));
    EXPECT_EQ(VisibleCommands(), (std::set<int>{1026, 1027, 1028, 1029, 1036, 1037}));
    Click(IDC_TYPE_UBLOX);
    ASSERT_TRUE(WaitUntil([&] { return VisibleCommands() == std::set<int>{1026, 1027, 1028, 1036, 1037}; }, kHang));
    Click(IDC_TYPE_UBLOX);  // the current type again: nothing changes
    EXPECT_EQ(VisibleCommands(), (std::set<int>{1026, 1027, 1028, 1036, 1037}));
}

// Compact: short captions for every type, the short parameter text, and no second version line.
TEST_F(SatScopeReceiver, CompactWindowUsesShortCaptionsAndTexts)
{
    GpsSim sim(GPSSIM_BINARY, {"--baud", "4800", "--rate", "1", "--reset-quiet", "0.2", "--wire", Wire().string()});
    MapCom1(sim.Pty());
    Start(Ini("COM1:", "4800", true, kDeveloper + "TOTAL_WINDOWS_WIDTH=320\r\nTOTAL_WINDOWS_HEIGHT=240\r\n"));
    ASSERT_TRUE(TextBecomes(IDC_CONNECT, "DIS"));
    const std::vector<std::string> sirf = {"H_R", "W_R", "C_R", "F_R", "S_O", "S_X", "D_O", "D_X", "R_P"};
    for (std::size_t i = 0; i < sirf.size(); ++i) EXPECT_EQ(Text(1026 + static_cast<int>(i)), sirf[i]);
    Run({{1034, "R_P", Vendor("31", ""), "> 1 :0 :1 :1 :1 :1 :0, drt:0 stn:N bau:4800"},
         {1026, "H_R", SirfReset(1), "", true}});
    std::this_thread::sleep_for(1500ms);  // the version text has come
    EXPECT_FALSE(Visible(IDC_VERSION_SECOND));
    Click(IDC_TYPE_UBLOX);
    ASSERT_TRUE(TextBecomes(1032, "M_P"));
    EXPECT_EQ(Text(1033), "E_P");
    EXPECT_EQ(Text(1035), "S_X");
    Click(IDC_TYPE_PTC);
    ASSERT_TRUE(TextBecomes(1032, "R_P"));
    EXPECT_EQ(Text(1033), "R_C");
    EXPECT_EQ(Text(1034), "R_R");
    EXPECT_EQ(Text(IDC_PAUSE), "PAU");

    std::string error;
    ASSERT_TRUE(control.SaveScreenshot(device.Root() / "compact.png", error)) << error;
}

// A cold reset against a receiver that takes 37 s to its 3D fix shows that time; a receiver that
// stays silent after a reset gives up the count.
TEST_F(SatScopeReceiver, TimeToFixCountsToTheReceiversFirst3DFix)
{
    GpsSim sim(GPSSIM_BINARY, {"--baud", "4800", "--rate", "1", "--ttff", "37", "--fix-after", "0"});
    MapCom1(sim.Pty());
    Start(Ini("COM1:", "4800", true));
    ASSERT_TRUE(TextBecomes(IDC_CONNECT, "DISCONNECTION"));
    // The receiver has spoken: from here its silence counts.
    ASSERT_TRUE(WaitUntil([&] { return Text(IDC_UTC_TIME).value_or("").rfind("UTC Time: ", 0) == 0; }, kHang));

    Click(1028);
    ASSERT_TRUE(TextBecomes(IDC_TIME_TO_FIX, "RST Time: 0 sec"));
    ASSERT_TRUE(sim.Send("quiet 6\n"));
    EXPECT_TRUE(TextBecomes(IDC_TIME_TO_FIX, "RST Time: none")) << Text(IDC_TIME_TO_FIX).value_or("");

    // The receiver takes commands again once it speaks again.
    const std::string silent_at = Text(IDC_UTC_TIME).value_or("");
    ASSERT_TRUE(WaitUntil([&] { return Text(IDC_UTC_TIME).value_or("") != silent_at; }, kHang));
    Click(1028);
    std::string text;
    ASSERT_TRUE(WaitUntil([&] { return (text = Text(IDC_TIME_TO_FIX).value_or("")).find("!!") != std::string::npos; },
                          60s))
        << text;
    int seconds = 0;
    ASSERT_EQ(std::sscanf(text.c_str(), "RST Time: %d sec !!", &seconds), 1) << text;
    EXPECT_GE(seconds, 36);
    EXPECT_LE(seconds, 38);
    std::this_thread::sleep_for(2s);
    EXPECT_EQ(Text(IDC_TIME_TO_FIX), text) << "the count stops at the fix";
}

// A sky for a replayed receiver: its satellites' PRNs and SNRs and those used in the fix.
struct Sky {
    std::vector<std::pair<int, int>> satellites;  // PRN, SNR
    std::vector<int> used;
};

// One second of a receiver seeing `sky`: GGA, GSA and the GSV messages (four satellites each);
// `bad_gsv` (1-based) spoils that message's checksum.
std::string Cycle(const Sky& sky, int bad_gsv = 0)
{
    std::string bytes = MakeSentence("GPGGA,120000,3730.000,N,12700.000,E,1,05,1.1,20.0,M,,,,");
    std::string gsa = "GPGSA,A,3";
    for (std::size_t i = 0; i < 12; ++i) gsa += "," + (i < sky.used.size() ? std::to_string(sky.used[i]) : std::string());
    bytes += MakeSentence(gsa + ",2.0,1.1,1.7");
    const std::size_t count = sky.satellites.size();
    const std::size_t messages = std::max<std::size_t>(1, (count + 3) / 4);
    for (std::size_t m = 0; m < messages; ++m) {
        std::string gsv = "GPGSV," + std::to_string(messages) + "," + std::to_string(m + 1) + "," + std::to_string(count);
        for (std::size_t i = m * 4; i < std::min(count, m * 4 + 4); ++i)
            gsv += "," + std::to_string(sky.satellites[i].first) + ",45,120," + std::to_string(sky.satellites[i].second);
        std::string sentence = MakeSentence(gsv);
        if (static_cast<int>(m + 1) == bad_gsv) sentence[sentence.size() - 3] = sentence[sentence.size() - 3] == '0' ? '1' : '0';
        bytes += sentence;
    }
    return bytes;
}

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kNotUsed = 0x999999;
constexpr std::uint32_t kUsed = 0x66CC00;
constexpr std::uint32_t kStrongest = 0x66EE00;

class SatScopeBars : public SatScopeReceiver {
protected:
    // Starts SatScope in a window whose left area is 440 pixels wide, on a receiver that replays
    // `cycles` over and over.
    void StartOn(const std::string& cycles, const std::string& extra = {})
    {
        WriteFile(device.Root() / "sky.nmea", cycles);
        sim.emplace(GPSSIM_BINARY, std::vector<std::string>{"--baud", "38400", "--rate", "4", "--replay",
                                                            (device.Root() / "sky.nmea").string()});
        MapCom1(sim->Pty());
        Start(Ini("COM1:", "38400", true, "TOTAL_WINDOWS_WIDTH=670\r\n" + extra));
        ASSERT_TRUE(TextBecomes(IDC_CONNECT, "DISCONNECTION"));
        for (const auto& window : control.Windows())
            if (window.program == "SATSCOPE.EXE" && window.parent == 0 && window.owner == 0) origin = {window.rect.left, window.rect.top};
    }
    void Stop()
    {
        ASSERT_EQ(control.Close(title), 0u);
        ASSERT_TRUE(WaitUntil([&] { return !Running(); }, kHang));
        sim.reset();
    }
    devicectl::DeviceControl::Screen Screen()
    {
        DWORD error = 0;
        auto screen = control.Screenshot(error);
        return screen ? *screen : devicectl::DeviceControl::Screen{};
    }
    std::uint32_t At(const devicectl::DeviceControl::Screen& screen, int x, int y)
    {
        return screen.At(static_cast<std::uint32_t>(origin.first + x), static_cast<std::uint32_t>(origin.second + y));
    }
    // Waits until the point of the window shows the colour.
    bool Shows(int x, int y, std::uint32_t colour)
    {
        return WaitUntil([&] { return At(Screen(), x, y) == colour; }, kHang);
    }
    // The widths of the coloured runs along a row of the signal area.
    std::vector<std::pair<int, int>> Runs(const devicectl::DeviceControl::Screen& screen, int y)
    {
        std::vector<std::pair<int, int>> runs;  // start, width
        for (int x = 0; x < 440; ++x) {
            const std::uint32_t colour = At(screen, x, y);
            const bool bar = colour == kNotUsed || colour == kUsed || colour == kStrongest;
            if (!bar) continue;
            if (!runs.empty() && runs.back().first + runs.back().second == x && At(screen, x - 1, y) == colour)
                ++runs.back().second;
            else
                runs.emplace_back(x, 1);
        }
        return runs;
    }

    std::optional<GpsSim> sim;
    std::pair<int, int> origin;
    static constexpr int kSignal = 227;  // five tenths of 455
};

// Eight satellites in a 440-pixel area: 54-pixel bars, the strongest marked, coloured by state;
// twelve: 36-pixel bars; one: no strongest.
TEST_F(SatScopeBars, BarsAreSizedAndColouredBySatellites)
{
    const Sky eight{{{1, 30}, {2, 35}, {3, 40}, {4, 45}, {5, 20}, {6, 25}, {7, 33}, {8, 28}}, {1, 2, 3, 4}};
    StartOn(Cycle(eight));
    const int bottom = kSignal - 22;
    ASSERT_TRUE(Shows(3 * 54 + 30, bottom, kStrongest)) << device.Log("SATSCOPE.EXE");
    const auto screen = Screen();
    std::vector<std::pair<int, int>> expected;
    for (int i = 0; i < 8; ++i) expected.emplace_back(i * 54 + 4, 49);
    EXPECT_EQ(Runs(screen, bottom), expected);
    const std::uint32_t colours[8] = {kUsed, kUsed, kUsed, kStrongest, kNotUsed, kNotUsed, kNotUsed, kNotUsed};
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        const int centre = i * 54 + 28;
        const int height = eight.satellites[static_cast<std::size_t>(i)].second * kSignal / 70;
        EXPECT_EQ(At(screen, centre, bottom), colours[i]);
        EXPECT_EQ(At(screen, centre, kSignal - 20 - height), colours[i]) << "the bar's top row";
        EXPECT_EQ(At(screen, centre, kSignal - 20 - height - 3), kWhite) << "nothing just above the bar";
        EXPECT_EQ(At(screen, centre, kSignal - 19), kWhite) << "nothing below the bar";
    }
    Stop();

    Sky twelve;
    for (int prn = 1; prn <= 12; ++prn) twelve.satellites.emplace_back(prn, 20 + prn);
    twelve.used = {12};
    StartOn(Cycle(twelve));
    ASSERT_TRUE(Shows(11 * 36 + 20, bottom, kStrongest));
    expected.clear();
    for (int i = 0; i < 12; ++i) expected.emplace_back(i * 36 + 4, 31);
    EXPECT_EQ(Runs(Screen(), bottom), expected);
    Stop();

    StartOn(Cycle({{{9, 40}}, {9}}));
    EXPECT_TRUE(Shows(200, bottom, kUsed)) << "one satellite is never the strongest";
    EXPECT_EQ(Runs(Screen(), bottom), (std::vector<std::pair<int, int>>{{4, 433}}));
}

// Updates redraw only the bars that changed; a cycle that lost a GSV message keeps the bars of
// the cycle before; no GSV for 1.5 s clears the area.
TEST_F(SatScopeBars, UpdatesRedrawOnlyWhatChanged)
{
    Sky a{{{1, 30}, {2, 35}, {3, 40}, {4, 45}, {5, 20}, {6, 25}, {7, 33}, {8, 28}, {9, 22}, {10, 24}, {11, 26}, {12, 27}},
          {1, 2, 3, 4}};
    Sky b = a;
    b.satellites[2].second = 41;  // one bar changes from cycle to cycle
    Sky spoiled = a;
    for (auto& satellite : spoiled.satellites) satellite.second = 10;  // what a lost message's cycle would show
    StartOn(Cycle(a) + Cycle(b) + Cycle(spoiled, 2));
    const int bottom = kSignal - 22;
    ASSERT_TRUE(Shows(3 * 36 + 20, bottom, kStrongest));
    ASSERT_TRUE(device.WaitForLog("SATSCOPE.EXE", "SatScope: 1 bars drawn")) << device.Log("SATSCOPE.EXE");
    // Over several rounds the bars never show the spoiled cycle's low SNR: bar 1 stays at its
    // height of 35.
    for (int round = 0; round < 8; ++round) {
        const auto screen = Screen();
        EXPECT_EQ(At(screen, 1 * 36 + 20, kSignal - 20 - 35 * kSignal / 70), kUsed) << round;
        std::this_thread::sleep_for(150ms);
    }
    Stop();

    // Satellites for a second, then three seconds without a GSV.
    const std::string quiet = MakeSentence("GPGGA,120001,3730.000,N,12700.000,E,1,05,1.1,20.0,M,,,,");
    StartOn(Cycle(a) + quiet + quiet + quiet + quiet + quiet + quiet + quiet + quiet);
    ASSERT_TRUE(Shows(3 * 36 + 20, bottom, kStrongest));
    EXPECT_TRUE(Shows(3 * 36 + 20, bottom, kWhite)) << "no GSV for 1.5 s clears the bars";
}

// The five presets split the window by their proportions: the bars stand on the new signal
// height, preset 2 has no list and stops filling it, preset 3 draws no bars, and any number of
// changes leaves the window its size.
TEST_F(SatScopeBars, PresetsSplitTheWindow)
{
    const Sky eight{{{1, 30}, {2, 35}, {3, 40}, {4, 45}, {5, 20}, {6, 25}, {7, 33}, {8, 28}}, {1, 2, 3, 4}};
    StartOn(Cycle(eight));
    const auto window_rect = [&] {
        for (const auto& window : control.Windows())
            if (window.program == "SATSCOPE.EXE" && window.parent == 0 && window.owner == 0) return window.rect;
        return decltype(control.Windows().front().rect){};
    };
    const auto before = window_rect();
    const int centre = 3 * 54 + 28;
    ASSERT_TRUE(Shows(centre, kSignal - 22, kStrongest));

    struct Preset {
        int button;
        int signal;
    };
    // 455 pixels of client area split signal : summary : list.
    for (const Preset preset : {Preset{1104, 9 * 455 / 10}, Preset{1106, 4 * 455 / 10}, Preset{1107, 455 / 3},
                                Preset{1103, 5 * 455 / 10}}) {
        SCOPED_TRACE(preset.button);
        Click(preset.button);
        // The summary grid stands right under the signal area.
        ASSERT_TRUE(WaitUntil([&] { return Control(IDC_FIX_STATE)->rect.top == origin.second + preset.signal; }, kHang));
        EXPECT_TRUE(Shows(centre, preset.signal - 22, kStrongest)) << device.Log("SATSCOPE.EXE");
        EXPECT_EQ(At(Screen(), centre, preset.signal - 19), kWhite);
        if (preset.button == 1104) {
            EXPECT_FALSE(Visible(IDC_SENTENCES));
            std::this_thread::sleep_for(300ms);  // the list's items as the server last heard them
            const auto listed = Items(IDC_SENTENCES);
            std::this_thread::sleep_for(1s);
            EXPECT_EQ(Items(IDC_SENTENCES), listed) << "preset 2 adds nothing to the list";
        } else {
            EXPECT_TRUE(Visible(IDC_SENTENCES));
        }
    }

    Click(1105);
    ASSERT_TRUE(WaitUntil([&] { return Control(IDC_SENTENCES)->rect.top == origin.second + 2 * 455 / 10; }, kHang));
    std::this_thread::sleep_for(600ms);
    const auto screen = Screen();
    for (int x = 4; x < 440; x += 9) EXPECT_NE(At(screen, x, 2 * 455 / 10 + 100), kStrongest) << "preset 3 draws no bars";

    for (int round = 0; round < 4; ++round)
        for (int button = 1103; button <= 1107; ++button) Click(button);
    std::this_thread::sleep_for(300ms);
    const auto after = window_rect();
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
    EXPECT_TRUE(Shows(centre, 455 / 3 - 22, kStrongest)) << "the last preset, 5, draws";
}

}  // namespace
