#include "satscope/receiver_replies.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "satscope/control_ids.h"
#include "satscope/sentence_handler.h"
#include "satscope/tests/nmea_builder.h"

namespace satscope {
namespace {

using testing::Sentence;

struct NoLink : CommandLink {
    bool PortOpen() const override { return false; }
    void Write(std::span<const std::uint8_t>) override {}
};

struct NoCommandWindow : CommandWindow {
    void SetText(int, const std::string&) override {}
    void ShowControl(int, bool) override {}
    void ClearSignal() override {}
    void StartTimeToFix() override {}
    void Trace(const std::string&) override {}
};

struct FakeReplyWindow : ReplyWindow {
    std::vector<std::string> notices;
    std::map<int, std::string> texts;
    std::vector<std::string> shows;
    void SetText(int control, const std::string& text) override { texts[control] = text; }
    void ShowControl(int id, bool show) override { shows.push_back((show ? "show " : "hide ") + std::to_string(id)); }
    void ShowNotice(const std::string& text) override { notices.push_back(text); }
    bool Untouched() const { return notices.empty() && texts.empty() && shows.empty(); }
};

// The sentence handler's window and log, which these tests do not look at.
struct QuietScope : ScopeWindow {
    void SetText(int, const std::string&) override {}
    int ListCount() override { return 0; }
    void DeleteFirstListLine() override {}
    void AppendListLine(const std::string&) override {}
    void StartTimer(unsigned, unsigned) override {}
    void StopTimer(unsigned) override {}
    void DrawSignal(SignalDraw) override {}
    void Trace(const std::string&) override {}
};
struct NoLog : SentenceLog {
    bool Active() const override { return false; }
    void WriteSentence(std::string_view) override {}
};

// Replies reach the handler the way the window's sentences do: through the sentence handler.
struct Replies : ::testing::Test {
    NoLink link;
    NoCommandWindow command_window;
    ReceiverCommands commands{link, command_window};
    FakeReplyWindow window;
    ReceiverReplyHandler handler{commands, window};
    FixState fix;
    QuietScope scope;
    NoLog log;
    SentenceHandler sentences{fix, scope, log};

    Replies() { sentences.SetReplies(&handler); }
    void Feed(const std::string& body) { sentences.OnSentence(Sentence(body)); }
    void Ack(std::uint8_t id, std::uint8_t acknowledged)
    {
        const std::uint8_t payload[] = {0x06, acknowledged};
        handler.OnUbxFrame(0x05, id, payload);
    }
    std::string Notice()
    {
        if (window.notices.size() != 1) return "<" + std::to_string(window.notices.size()) + " notices>";
        const std::string notice = window.notices[0];
        window.notices.clear();
        return notice;
    }
};

constexpr std::uint8_t kNak = 0x00;
constexpr std::uint8_t kAck = 0x01;

TEST_F(Replies, UbxAcknowledgementsByIdAndLastCode)
{
    struct Case {
        std::uint8_t ack;
        std::uint8_t id;
        std::uint8_t last_code;
        const char* notice;
    };
    const Case cases[] = {
        {kNak, 0x04, 0, "> Reset SET ... FAIL"},
        {kAck, 0x04, 0, "> Hot Reset SET ... SUCCESS"},
        {kAck, 0x04, 1, "> Warm Reset SET ... SUCCESS"},
        {kAck, 0x04, 2, "> Cold Reset SET ... SUCCESS"},
        {kNak, 0x11, 5, "> Power SET ... FAIL"},
        {kAck, 0x11, 5, "> Max Performance Power SET... SUCCESS"},
        {kAck, 0x11, 6, "> Economic Power SET ... SUCCESS"},
        {kNak, 0x16, 3, "> SBAS SET ... FAIL"},
        {kAck, 0x16, 3, "> DGPS(SBAS) ON ... SUCCESS"},
        {kAck, 0x16, 4, "> DGPS(SBAS) OFF ... SUCCESS"},
        {kNak, 0x24, 7, "> Static Navigation SET ... FAIL"},
        {kAck, 0x24, 7, "> Static Hold Threshold(5m/s)... SUCCESS"},
        {kAck, 0x24, 8, "> Static Hold Disable ... SUCCESS"},
    };
    for (const Case& c : cases) {
        commands.SetLastCode(c.last_code);
        Ack(c.ack, c.id);
        EXPECT_EQ(Notice(), c.notice) << int(c.ack) << " " << int(c.id) << " " << int(c.last_code);
    }
}

TEST_F(Replies, UbxAcknowledgementFollowsTheCommandSent)
{
    commands.Run(Command::UbloxStaticOn);
    Ack(kNak, 0x24);
    EXPECT_EQ(Notice(), "> Static Navigation SET ... FAIL");
    commands.Run(Command::UbloxMaxPerformance);
    Ack(kAck, 0x11);
    EXPECT_EQ(Notice(), "> Max Performance Power SET... SUCCESS");
}

TEST_F(Replies, OtherUbxFramesShowNothing)
{
    const std::vector<std::uint8_t> short_payload = {0x06};
    const std::vector<std::uint8_t> other_class = {0x01, 0x24};
    const std::vector<std::uint8_t> other_id = {0x06, 0x08};
    const std::vector<std::uint8_t> acked = {0x06, 0x24};
    handler.OnUbxFrame(0x05, kAck, {});
    handler.OnUbxFrame(0x05, kAck, short_payload);
    handler.OnUbxFrame(0x05, kAck, other_class);
    handler.OnUbxFrame(0x05, kAck, other_id);
    handler.OnUbxFrame(0x05, 0x02, acked);
    handler.OnUbxFrame(0x01, kAck, acked);
    commands.SetLastCode(9);  // no reset has that code
    Ack(kAck, 0x04);
    EXPECT_TRUE(window.Untouched());
}

TEST_F(Replies, VendorRepliesByIdAndStatus)
{
    struct Case {
        const char* body;
        std::uint8_t last_code;
        const char* notice;
    };
    const Case cases[] = {
        {"VORL999,22,N,00,O", 0, "> Static Navigation ON ... SUCCESS"},
        {"VORL999,22,N,00,F", 0, "> Static Navigation OFF ... SUCCESS"},
        {"VORL999,22,N,00", 0, "> Static Navigation OFF ... SUCCESS"},
        {"VORL999,22,N,01,O", 0, "> Static Navigation SET ... FAIL"},
        {"VORL999,73,N,00,1,30,0,00", 1, "> DGPS(SBAS) ON ... SUCCESS"},
        {"VORL999,73,N,00,0,30,0,00", 2, "> DGPS(SBAS) OFF ... SUCCESS"},
        {"VORL999,73,N,01,1,30,0,00", 1, "> DGPS(SBAS) SET ... FAIL"},
        {"VORL999,31,N,02,", 0, "> Get Parameters ... FAIL"},
        // A status that is not two digits is never a success.
        {"VORL999,22,N, 0,O", 0, "> Static Navigation SET ... FAIL"},
        {"VORL999,22,N,+0,O", 0, "> Static Navigation SET ... FAIL"},
        {"VORL999,73,N,0x,1", 1, "> DGPS(SBAS) SET ... FAIL"},
    };
    for (const Case& c : cases) {
        commands.SetLastCode(c.last_code);
        Feed(c.body);
        EXPECT_EQ(Notice(), c.notice) << c.body;
    }
}

TEST_F(Replies, VendorParametersFullCompactAndMissing)
{
    Feed("VORL999,31,N,00,1,2,3,4,5,6,7,8,9,10,11,Y,38400");
    EXPECT_EQ(Notice(), "> GGA:1 GLL:2 GSA:3 GSV:6 RMC:4 VTG:5 ZDA:9 DRT:11 StaticN:Y Baud:38400");
    handler.SetCompact(true);
    Feed("VORL999,31,N,00,1,2,3,4,5,6,7,8,9,10,11,Y,38400");
    EXPECT_EQ(Notice(), "> 1 :2 :3 :6 :4 :5 :9, drt:11 stn:Y bau:38400");
    handler.SetCompact(false);

    // Values the reply leaves out read as 0, a missing character as a blank.
    Feed("VORL999,31,N,00,1,0,1");
    EXPECT_EQ(Notice(), "> GGA:1 GLL:0 GSA:1 GSV:0 RMC:0 VTG:0 ZDA:0 DRT:0 StaticN:  Baud:0");
    Feed("VORL999,31,N,00,1,1,1,1,1,1,0,0,0,0,0,N");
    EXPECT_EQ(Notice(), "> GGA:1 GLL:1 GSA:1 GSV:1 RMC:1 VTG:1 ZDA:0 DRT:0 StaticN:N Baud:0");
    // Numbers beyond 32 bits are held at the limit.
    Feed("VORL999,31,N,00,99999999999,-99999999999,1,1,1,1,0,0,0,0,0,N,4294967296");
    EXPECT_EQ(Notice(), "> GGA:2147483647 GLL:-2147483648 GSA:1 GSV:1 RMC:1 VTG:1 ZDA:0 DRT:0 StaticN:N "
                        "Baud:2147483647");
}

TEST_F(Replies, MalformedVendorRepliesAreIgnored)
{
    commands.Data()[0] = 'X';
    handler.OnVendorReply("$VORL999*00");                     // no comma
    handler.OnVendorReply("$VORL999,22,N,0*00");              // status cut short
    handler.OnVendorReply("$VORL999,22,N,00,O");              // no "*"
    handler.OnVendorReply("$VORL999,22");                     // neither
    handler.OnVendorReply("$VORL999,22,N,00,O" + std::string(140, 'O') + "*00");  // "*" too far
    EXPECT_TRUE(window.Untouched());
    EXPECT_EQ(commands.Data()[0], 'X');

    Feed("VORL999,45,N,00,O");  // an id without a notice
    Feed("VORL999,2X,N,00,O");
    EXPECT_TRUE(window.Untouched());
    EXPECT_EQ(commands.Data()[0], 0) << "a reply empties the command data area";
}

TEST_F(Replies, PtcRepliesAndVersion)
{
    Feed("PTCPS,1,5,20,25,0,4800,0,1");
    EXPECT_EQ(Notice(), "> NAVmk:1 ELEmk:5 HDOPmk:20 PDOPmk:25 SBAS:0 BAUD:4800 DATUM:0 PIN:1");
    Feed("PTCPS,1,5");
    EXPECT_EQ(Notice(), "> NAVmk:1 ELEmk:5 HDOPmk:0 PDOPmk:0 SBAS:0 BAUD:0 DATUM:0 PIN:0");
    Feed("PTCCD,-1234");
    EXPECT_EQ(Notice(), "> Clock Drift: -1234 (UNIT=0.0001PPM)");
    Feed("PTCRF,32768");
    EXPECT_EQ(Notice(), "> RTC Frequency: 32768 Hz");
    Feed("PTCRF,");
    EXPECT_EQ(Notice(), "> RTC Frequency: 0 Hz");
    handler.SetCompact(true);
    Feed("PTCPS,1,5,20,25,1,9600,2,3");
    EXPECT_EQ(Notice(), "> Nm:1 Em:5 Hm:20 Pm:25 SBAS:1 Bau:9600 Dat:2 Pin:3");

    Feed("PTCFV,PTC-GPS,V2.10");
    EXPECT_EQ(window.texts[IDC_VERSION_FIRST], " -V2.10");
    EXPECT_EQ(window.shows, std::vector<std::string>{"hide 1111"});
    EXPECT_TRUE(window.notices.empty()) << "a version is no notice";
}

TEST_F(Replies, PtcRepliesWithoutTheirFieldsOrOfOtherCodes)
{
    Feed("PTCFV,PTC-GPS");  // no version field
    Feed("PTCXY,1,2");
    Feed("PTC");
    EXPECT_TRUE(window.Untouched());
}

TEST_F(Replies, SirfVersionsGoToTheVersionLines)
{
    Feed("PSRF195,GSW3 VERSION: 3.5.0-P1.01");
    EXPECT_EQ(window.texts[IDC_VERSION_FIRST], " -3.5.0-P1.01");
    EXPECT_EQ(window.shows, std::vector<std::string>{"hide 1111"});

    window.shows.clear();
    Feed("PSRF195,VORL0F_FWVER1.02.3");
    EXPECT_EQ(window.texts[IDC_VERSION_SECOND], " -1.02.3");
    EXPECT_EQ(window.shows, std::vector<std::string>{"show 1111"});

    // The compact window keeps its second line hidden.
    window.shows.clear();
    handler.SetCompact(true);
    Feed("PSRF195,VORL0F_FWVER2.00");
    EXPECT_EQ(window.texts[IDC_VERSION_SECOND], " -2.00");
    EXPECT_TRUE(window.shows.empty());
    EXPECT_TRUE(window.notices.empty());
}

TEST_F(Replies, SirfFieldsTooShortOrOfOtherKindsAreIgnored)
{
    Feed("PSRF195,GSW3 VERSION");   // shorter than the text before the version
    Feed("PSRF195,VORL0F_FW");
    Feed("PSRF195,VORL0X_FWVER1.02.3");  // not a firmware version
    Feed("PSRF150,OK");
    Feed("PSRF195");
    EXPECT_TRUE(window.Untouched());
}

}  // namespace
}  // namespace satscope
