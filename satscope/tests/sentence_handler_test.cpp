#include "satscope/sentence_handler.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "satscope/control_ids.h"
#include "satscope/tests/nmea_builder.h"

namespace satscope {
namespace {

using testing::Sentence;

struct FakeWindow : ScopeWindow {
    std::map<int, std::string> texts;
    std::vector<std::string> list;
    std::map<unsigned, unsigned> timers;  // running, by id
    std::vector<SignalDraw> draws;
    std::vector<std::string> traces;
    void SetText(int control, const std::string& text) override { texts[control] = text; }
    int ListCount() override { return static_cast<int>(list.size()); }
    void DeleteFirstListLine() override { list.erase(list.begin()); }
    void AppendListLine(const std::string& line) override { list.push_back(line); }
    void StartTimer(unsigned id, unsigned ms) override { timers[id] = ms; }
    void StopTimer(unsigned id) override { timers.erase(id); }
    void DrawSignal(SignalDraw mode) override { draws.push_back(mode); }
    void Trace(const std::string& line) override { traces.push_back(line); }
};

struct FakeLog : SentenceLog {
    bool active = false;
    std::string written;
    bool Active() const override { return active; }
    void WriteSentence(std::string_view sentence) override { written += std::string(sentence) + "\n"; }
};

struct FakeReplies : ReceiverReplies {
    std::vector<std::string> calls;
    void OnUbxFrame(std::uint8_t c, std::uint8_t id, std::span<const std::uint8_t> p) override
    {
        calls.push_back("ubx " + std::to_string(c) + " " + std::to_string(id) + " " + std::to_string(p.size()));
    }
    void OnVendorReply(std::string_view s) override { calls.push_back("vorl " + std::string(s)); }
    void OnPtcReply(std::string_view code, std::string_view data) override
    {
        calls.push_back("ptc " + std::string(code) + " " + std::string(data));
    }
    void OnSirfReply(std::string_view text) override { calls.push_back("sirf " + std::string(text)); }
    void ClearCommandData() override { calls.push_back("clear"); }
};

struct Handling : ::testing::Test {
    FixState fix;
    FakeWindow window;
    FakeLog log;
    SentenceHandler handler{fix, window, log};
    void Feed(const std::string& body) { handler.OnSentence(Sentence(body)); }
};

TEST_F(Handling, ListsLogsAndDecodesEachSentence)
{
    log.active = true;
    Feed("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
    ASSERT_EQ(window.list.size(), 1u);
    EXPECT_EQ(window.list[0], Sentence("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"));
    EXPECT_EQ(log.written, window.list[0] + "\n");
    EXPECT_EQ(window.texts[IDC_UTC_TIME], "UTC Time: 12:35:19");
    EXPECT_EQ(window.timers[kTimerNoData], kNoDataMs) << "the data watchdog runs again";
}

TEST_F(Handling, PausedSentencesReachOnlyTheLog)
{
    log.active = true;
    fix.paused = true;
    Feed("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
    EXPECT_TRUE(window.list.empty());
    EXPECT_TRUE(window.texts.empty());
    EXPECT_FALSE(log.written.empty());
}

TEST_F(Handling, TheListKeepsItsLimitPerPreset)
{
    const std::pair<int, std::size_t> limits[] = {{0, 16}, {1, 26}, {3, 31}, {4, 26}};
    for (const auto& [preset, lines] : limits) {
        window.list.clear();
        handler.SetPreset(preset);
        for (int i = 0; i < 100; ++i) Feed("GPVTG," + std::to_string(i));
        EXPECT_EQ(window.list.size(), lines) << "preset " << preset;
        EXPECT_EQ(window.list.back(), Sentence("GPVTG,99"));
    }
    window.list.clear();
    handler.SetPreset(2);
    Feed("GPVTG,1");
    EXPECT_TRUE(window.list.empty()) << "preset 2 has no list";
}

TEST_F(Handling, GsvCyclesRedrawAndWatchForTheNext)
{
    Feed("GPGSV,2,1,05,07,79,048,42,08,10,100,33,09,11,101,34,10,12,102,35");
    EXPECT_TRUE(window.draws.empty());
    EXPECT_EQ(window.timers[kTimerNoGsv], kNoGsvMs);
    Feed("GPGSV,2,2,05,11,13,103,36");
    ASSERT_EQ(window.draws.size(), 1u);
    EXPECT_EQ(window.draws[0], SignalDraw::Update);

    handler.OnGsvChecksumError();
    EXPECT_TRUE(fix.gsv_skip);
    EXPECT_EQ(window.traces.back(), "GSV check sum eRROR!!");

    EXPECT_TRUE(handler.OnTimer(kTimerNoGsv));
    EXPECT_EQ(window.draws.back(), SignalDraw::Clear);
    fix.paused = true;
    EXPECT_TRUE(handler.OnTimer(kTimerNoGsv));
    EXPECT_EQ(window.draws.size(), 2u) << "no clear while paused";
}

TEST_F(Handling, ReceiverRepliesGoToTheirHandlers)
{
    FakeReplies replies;
    handler.SetReplies(&replies);
    Feed("PTCFV,1,V2.3");
    Feed("VORL999,22,N,00,O");
    Feed("PSRF195,GSW3.2.4");
    Feed("GPGLL,1");
    Feed("GNGGA,1");
    const std::uint8_t payload[] = {6, 4};
    handler.OnUbxFrame(5, 1, payload);
    const std::vector<std::string> expected = {"ptc FV " + Sentence("PTCFV,1,V2.3").substr(7),
                                               "vorl " + Sentence("VORL999,22,N,00,O"),
                                               "clear",
                                               "sirf " + Sentence("PSRF195,GSW3.2.4").substr(7),
                                               "clear",
                                               "ubx 5 1 2"};
    EXPECT_EQ(replies.calls, expected);
    EXPECT_EQ(window.traces, std::vector<std::string>{"other MID"});
}

TEST_F(Handling, TheTimeToFixCountsFromEveryReset)
{
    handler.StartTimeToFix();
    EXPECT_EQ(window.texts[IDC_TIME_TO_FIX], "RST Time: 0 sec");
    EXPECT_EQ(window.draws.back(), SignalDraw::Clear);
    for (int i = 0; i < 37; ++i) handler.OnTimer(kTimerTimeToFix);
    EXPECT_EQ(window.texts[IDC_TIME_TO_FIX], "RST Time: 37 sec");
    Feed("GPGSA,A,3,01,02,03,,,,,,,,,,2.0,1.0,1.7");
    EXPECT_EQ(window.texts[IDC_TIME_TO_FIX], "RST Time: 37 sec !!");
    EXPECT_EQ(window.timers.count(kTimerTimeToFix), 0u);
    handler.OnTimer(kTimerTimeToFix);  // a tick queued before the stop
    EXPECT_EQ(window.texts[IDC_TIME_TO_FIX], "RST Time: 37 sec !!");

    // A second reset starts from 0 again; silence then gives the count up.
    handler.StartTimeToFix();
    handler.OnTimer(kTimerTimeToFix);
    handler.OnTimer(kTimerTimeToFix);
    EXPECT_EQ(window.texts[IDC_TIME_TO_FIX], "RST Time: 2 sec");
    handler.OnTimer(kTimerNoData);
    EXPECT_EQ(window.texts[IDC_TIME_TO_FIX], "RST Time: none");
    EXPECT_EQ(window.timers.count(kTimerTimeToFix), 0u);
}

TEST(SentenceListLine, ShowsOnlyPrintableText)
{
    EXPECT_EQ(ListLine(std::string_view("$GP\x01\xFFX*00", 9)), "$GP??X*00");
}

}  // namespace
}  // namespace satscope
