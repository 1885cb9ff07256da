// Windows and messages across programs, through the real server. This test process is one
// program (with windows of its own); WINPROBE.EXE instances are others.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <random>
#include <thread>
#include <vector>

#include "platform/kernel/kernel.h"
#include "platform/testing/temporary_device.h"
#include "platform/window/window.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using platform::testing::TemporaryDevice;

constexpr UINT kAnswer = WM_USER + 1;
constexpr UINT kChain = WM_USER + 2;
constexpr UINT kLog = WM_USER + 10;
constexpr UINT kSequence = WM_USER + 20;

// What this program's own test window saw.
std::vector<std::pair<UINT, WPARAM>> s_seen;

LRESULT TestWindowProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case kChain:
            return static_cast<LRESULT>(wparam + 100);  // the end of every chain
        case kLog:
        case kSequence:
        case WM_ACTIVATE:
        case WM_TIMER:
            s_seen.emplace_back(message, wparam);
            return 0;
        default:
            return DefWindowProc(hwnd, message, wparam, lparam);
    }
}

std::uint32_t Fnv(const std::vector<std::uint8_t>& bytes, std::uint32_t code) {
    std::uint32_t hash = 2166136261u;
    for (auto byte : bytes) hash = (hash ^ byte) * 16777619u;
    return (hash ^ code) & 0x7FFFFFFF;
}

class Windows : public ::testing::Test {
protected:
    void SetUp() override {
        s_seen.clear();
        ASSERT_TRUE(device.Install(platform::testing::WindowProbeBinary(), "WINPROBE.EXE"));
        ASSERT_TRUE(device.StartServer());
        static bool registered = false;
        if (!registered) {
            WNDCLASS window_class;
            window_class.lpfnWndProc = TestWindowProcedure;
            window_class.lpszClassName = "TEST_WINDOW";
            ASSERT_TRUE(RegisterClass(&window_class));
            registered = true;
        }
    }
    HWND CreateTestWindow(const std::string& title, DWORD style = WS_POPUP | WS_VISIBLE) {
        return CreateWindowEx(0, "TEST_WINDOW", title, style, 0, 0, 800, 480, nullptr, nullptr, nullptr, nullptr);
    }
    // Starts a probe and waits for its window; returns its process handle.
    HANDLE StartProbe(const std::string& arguments, const std::string& ready_line) {
        SHELLEXECUTEINFO info;
        info.fMask = SEE_MASK_NOCLOSEPROCESS;
        info.lpFile = "\\NAND\\WINPROBE.EXE";
        info.lpParameters = arguments;
        EXPECT_TRUE(ShellExecuteEx(&info)) << GetLastError();
        EXPECT_TRUE(device.WaitForLog("WINPROBE.EXE", ready_line)) << arguments;
        m_probes.push_back(info.hProcess);
        return info.hProcess;
    }
    // Pumps this thread's messages for a while, dispatching them.
    void Pump(std::chrono::milliseconds duration) {
        const auto end = Clock::now() + duration;
        MSG msg;
        while (Clock::now() < end) {
            while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
            std::this_thread::sleep_for(2ms);
        }
    }
    void TearDown() override {
        for (HANDLE probe : m_probes) {
            TerminateProcess(probe, 0);
            CloseHandle(probe);
        }
    }
    TemporaryDevice device;
    std::vector<HANDLE> m_probes;
};

TEST_F(Windows, SendChainsThroughThreeProgramsCompleteAThousandTimes) {
    HWND a = CreateTestWindow("A");
    ASSERT_NE(a, nullptr);
    StartProbe("title=C next=A", "C window ready");
    StartProbe("title=B next=C", "B window ready");
    StartProbe("title=D next=A", "D window ready");
    HWND b = FindWindow("", "B");
    HWND d = FindWindow("", "D");
    ASSERT_NE(b, nullptr);
    for (int i = 0; i < 1000; ++i) {
        // A -> B -> C -> A: A's own window answers while A waits for B.
        ASSERT_EQ(SendMessage(b, kChain, 0, 0), 102) << "round " << i;
        ASSERT_EQ(SendMessage(d, kChain, 0, 0), 101) << "round " << i;
    }
    EXPECT_EQ(SendMessage(b, kAnswer, 40, 2), 42);
    DestroyWindow(a);
}

TEST_F(Windows, ASendToAKilledProgramsWindowReturnsZeroAtOnceAndItsWindowsAreGone) {
    HANDLE probe = StartProbe("title=DOOMED", "DOOMED window ready");
    HWND doomed = FindWindow("", "DOOMED");
    ASSERT_NE(doomed, nullptr);
    ASSERT_EQ(SendMessage(doomed, kAnswer, 1, 2), 3);
    ASSERT_TRUE(TerminateProcess(probe, 9));
    const auto start = Clock::now();
    EXPECT_EQ(SendMessage(doomed, kAnswer, 1, 2), 0);
    EXPECT_LT(Clock::now() - start, 1s) << "a send to a dead program must not wait";
    ASSERT_EQ(WaitForSingleObject(probe, 5000), WAIT_OBJECT_0);
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(SendMessage(doomed, kAnswer, 1, 2), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(IsWindow(doomed));
    EXPECT_EQ(FindWindow("", "DOOMED"), nullptr);
}

TEST_F(Windows, ABroadcastReachesEveryTopLevelWindowOfEveryProgram) {
    HWND mine = CreateTestWindow("MINE");
    StartProbe("title=P1", "P1 window ready");
    StartProbe("title=P2 hidden", "P2 window ready");
    ASSERT_TRUE(PostMessage(HWND_BROADCAST, kLog, 7, 8));
    EXPECT_TRUE(device.WaitForLog("WINPROBE.EXE", "P1 got 1034 7 8"));
    EXPECT_TRUE(device.WaitForLog("WINPROBE.EXE", "P2 got 1034 7 8"));
    Pump(100ms);
    EXPECT_NE(std::find(s_seen.begin(), s_seen.end(), std::make_pair(kLog, WPARAM{7})), s_seen.end());
    DestroyWindow(mine);
}

TEST_F(Windows, CopyDataOf4BytesAnd64KiBArrivesIntact) {
    StartProbe("title=SINK", "SINK window ready");
    HWND sink = FindWindow("", "SINK");
    std::mt19937 random(20261207);
    for (std::size_t size : {std::size_t{4}, std::size_t{64 * 1024}}) {
        std::vector<std::uint8_t> data(size);
        for (auto& byte : data) byte = static_cast<std::uint8_t>(random());
        COPYDATASTRUCT copy;
        copy.dwData = 1069;
        copy.cbData = static_cast<DWORD>(size);
        copy.lpData = data.data();
        EXPECT_EQ(SendMessage(sink, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy)),
                  static_cast<LRESULT>(Fnv(data, 1069)))
            << size << " bytes";
    }
    std::vector<std::uint8_t> too_big(64 * 1024 + 1);
    COPYDATASTRUCT copy{4096, static_cast<DWORD>(too_big.size()), too_big.data()};
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(SendMessage(sink, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy)), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(SendMessage(sink, kAnswer, 2, 3), 5) << "the window still answers after the refused send";
}

TEST_F(Windows, FindWindowByTitleByClassAndBothAndADialogTitleIsFoundRightAfterItsInitialisation) {
    StartProbe("title=PLAIN class=PLAIN_CLASS", "PLAIN window ready");
    HANDLE dialog = StartProbe("dialog title=APP_TEST class=TEST_DIALOG", "APP_TEST dialog ready");
    HWND by_title = FindWindow("", "APP_TEST");
    ASSERT_NE(by_title, nullptr) << "the title set in OnInitDialog must be found at once";
    EXPECT_EQ(FindWindow("TEST_DIALOG", ""), by_title);
    EXPECT_EQ(FindWindow("test_dialog", "APP_TEST"), by_title);
    EXPECT_EQ(FindWindow("TEST_DIALOG", "PLAIN"), nullptr);
    EXPECT_NE(FindWindow("PLAIN_CLASS", ""), nullptr);
    EXPECT_EQ(FindWindow("", "NOBODY"), nullptr);
    EXPECT_EQ(GetWindowText(by_title), "APP_TEST");
    EXPECT_TRUE(IsWindowVisible(by_title));
    RECT rect;
    ASSERT_TRUE(GetWindowRect(by_title, &rect));
    EXPECT_EQ(rect.right - rect.left, 800);
    EXPECT_EQ(rect.bottom - rect.top, 480);
    // A dialog closes on WM_CLOSE, as Cancel.
    SendMessage(by_title, WM_CLOSE, 0, 0);
    EXPECT_TRUE(device.WaitForLog("WINPROBE.EXE", "APP_TEST dialog ended 2"));
    EXPECT_EQ(WaitForSingleObject(dialog, 5000), WAIT_OBJECT_0);
}

TEST_F(Windows, TopmostWindowsStayInFrontAndForegroundActivates) {
    StartProbe("title=NORMAL", "NORMAL window ready");
    StartProbe("title=ONTOP topmost", "ONTOP window ready");
    StartProbe("title=SECRET hidden", "SECRET window ready");
    HWND normal = FindWindow("", "NORMAL");
    HWND ontop = FindWindow("", "ONTOP");
    HWND secret = FindWindow("", "SECRET");
    ASSERT_NE(secret, nullptr) << "a hidden window is still found";
    EXPECT_FALSE(IsWindowVisible(secret));
    EXPECT_TRUE(IsWindowVisible(normal));

    ASSERT_TRUE(SetForegroundWindow(normal));
    EXPECT_EQ(GetForegroundWindow(), normal);
    EXPECT_TRUE(device.WaitForLog("WINPROBE.EXE", "NORMAL activate 1"));
    // Z-order, front to back, as FindWindow by class walks it: the topmost band leads.
    EXPECT_EQ(FindWindow("PROBE_WINDOW", ""), ontop) << "the topmost window must stay in front";
    ASSERT_TRUE(SetWindowPos(ontop, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
    ASSERT_TRUE(SetForegroundWindow(normal));
    EXPECT_EQ(FindWindow("PROBE_WINDOW", ""), normal) << "brought to the top of its band";
    ASSERT_TRUE(SetWindowPos(secret, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
    EXPECT_EQ(FindWindow("PROBE_WINDOW", ""), secret);
    EXPECT_EQ(GetForegroundWindow(), normal) << "SWP_NOACTIVATE keeps the foreground";

    ASSERT_TRUE(ShowWindow(normal, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(normal));
    EXPECT_TRUE(device.WaitForLog("WINPROBE.EXE", "NORMAL activate 0"));
    EXPECT_TRUE(MoveWindow(ontop, 10, 20, 300, 200, TRUE));
    RECT rect;
    ASSERT_TRUE(GetWindowRect(ontop, &rect));
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.bottom, 220);
    EXPECT_FALSE(EnableWindow(ontop, FALSE)) << "it was enabled before";
    EXPECT_FALSE(IsWindowEnabled(ontop));
    EXPECT_TRUE(EnableWindow(ontop, TRUE)) << "it was disabled before";
}

TEST_F(Windows, SentMessagesComeBeforePostedOnesAndPostsKeepTheirOrder) {
    HWND mine = CreateTestWindow("ORDER");
    Pump(50ms);  // its activation
    s_seen.clear();
    std::thread other([&] {
        for (WPARAM i = 0; i < 20; ++i) PostMessage(mine, kSequence, i, 0);
        SendMessage(mine, kLog, 999, 0);  // waits until this thread's loop hands it over
    });
    std::this_thread::sleep_for(300ms);  // both kinds are waiting when the loop comes round
    Pump(100ms);
    other.join();
    ASSERT_EQ(s_seen.size(), 21u);
    EXPECT_EQ(s_seen.front(), std::make_pair(kLog, WPARAM{999})) << "the sent message goes first";
    for (WPARAM i = 0; i < 20; ++i) ASSERT_EQ(s_seen[i + 1], std::make_pair(kSequence, i)) << i;

    // Many posts from another program's thread arrive in the order they were posted.
    s_seen.clear();
    std::thread poster([&] {
        for (WPARAM i = 0; i < 2000; ++i) PostMessage(mine, kSequence, i, 0);
    });
    const auto deadline = Clock::now() + 10s;
    MSG msg;
    while (s_seen.size() < 2000 && Clock::now() < deadline) {
        if (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
        else std::this_thread::sleep_for(1ms);
    }
    poster.join();
    ASSERT_EQ(s_seen.size(), 2000u);
    for (WPARAM i = 0; i < 2000; ++i) ASSERT_EQ(s_seen[i].second, i);
    DestroyWindow(mine);
}

TEST_F(Windows, TimersFireInTheOwnersLoopAndKillingInTheHandlerMakesThemOneShot) {
    HWND mine = CreateTestWindow("TIMERS");
    ASSERT_EQ(SetTimer(mine, 7, 50, nullptr), 7u);
    ASSERT_EQ(SetTimer(mine, 8, 30, nullptr), 8u);
    std::vector<Clock::time_point> ticks;
    int one_shot = 0;
    const auto start = Clock::now();
    MSG msg;
    while (ticks.size() < 10 && Clock::now() - start < 5s) {
        ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
        DispatchMessage(&msg);  // the window's first paint, which comes before timers
        if (msg.message == WM_TIMER && msg.wParam == 7) ticks.push_back(Clock::now());
        if (msg.message == WM_TIMER && msg.wParam == 8) {
            ++one_shot;
            KillTimer(mine, 8);
        }
    }
    ASSERT_EQ(ticks.size(), 10u);
    std::vector<long> intervals;
    for (std::size_t i = 1; i < ticks.size(); ++i)
        intervals.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(ticks[i] - ticks[i - 1]).count());
    std::nth_element(intervals.begin(), intervals.begin() + intervals.size() / 2, intervals.end());
    const long median = intervals[intervals.size() / 2];
    EXPECT_GE(median, 30);
    EXPECT_LE(median, 70);
    EXPECT_EQ(one_shot, 1);
    EXPECT_FALSE(KillTimer(mine, 8));
    EXPECT_TRUE(KillTimer(mine, 7));
    DestroyWindow(mine);
}

TEST_F(Windows, RegisteredMessagesAndCaptureAreDeviceWide) {
    const UINT here = RegisterWindowMessage("TCC_DMB_MESSAGE");
    UINT there = 0;
    std::thread([&] { there = RegisterWindowMessage("tcc_dmb_message"); }).join();
    EXPECT_GE(here, 0xC000u);
    EXPECT_EQ(here, there);
    EXPECT_NE(RegisterWindowMessage("ANOTHER"), here);

    HWND mine = CreateTestWindow("CAPTURE");
    EXPECT_EQ(SetCapture(mine), nullptr);
    EXPECT_EQ(GetCapture(), mine);
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(GetCapture(), nullptr);
    SetCapture(mine);
    DestroyWindow(mine);
    EXPECT_EQ(GetCapture(), nullptr) << "a destroyed window loses the capture";
}

}  // namespace
