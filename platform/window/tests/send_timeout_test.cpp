// SendMessageTimeout through a real server: answered in time, given up on (the late answer is
// dropped, not taken for the next one), refused at once for a thread that does not respond, and
// ended at once when the window's program goes.
#include "platform/window/tests/probe_device.h"

namespace window_tests {
namespace {

using Clock = std::chrono::steady_clock;

LRESULT ChainEnd(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    return message == kChain ? static_cast<LRESULT>(wparam + 100) : DefWindowProc(hwnd, message, wparam, lparam);
}

struct Outcome {
    LRESULT returned;
    DWORD_PTR result;
    DWORD error;
    bool operator==(const Outcome&) const = default;
};

Outcome Send(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT flags, UINT timeout_ms) {
    DWORD_PTR result = 0xFEED;
    SetLastError(0xDEADBEEF);
    const LRESULT returned = SendMessageTimeout(hwnd, message, wparam, lparam, flags, timeout_ms, &result);
    return {returned, result, GetLastError()};
}

class SendTimeout : public ProbeDevice {};

TEST_F(SendTimeout, AnswersInTimeGivesUpOnLateOnesAndDropsTheirAnswers) {
    WNDCLASS window_class;
    window_class.lpfnWndProc = ChainEnd;
    window_class.lpszClassName = "CHAIN_END";
    RegisterClass(&window_class);
    HWND mine = CreateWindowEx(0, "CHAIN_END", "A", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND probe = StartProbe("next=A", "SLOW");
    constexpr DWORD kUntouched = 0xDEADBEEF;
    EXPECT_EQ(Send(probe, kAnswer, 40, 2, SMTO_NORMAL, 1000), (Outcome{TRUE, 42, kUntouched}));
    // The probe sends back to this thread's window while this thread waits: it is handled.
    EXPECT_EQ(Send(probe, kChain, 0, 0, SMTO_ABORTIFHUNG, 1000), (Outcome{TRUE, 101, kUntouched}));
    const auto start = Clock::now();
    EXPECT_EQ(Send(probe, kSleep, 1500, 0, SMTO_NORMAL, 100), (Outcome{FALSE, 0, ERROR_TIMEOUT}));
    EXPECT_LT(Clock::now() - start, 1400ms) << "the caller goes on at its deadline";
    // Answered when the sleep is over; its answer (7) must not be taken for this one's.
    EXPECT_EQ(Send(probe, kAnswer, 1, 2, SMTO_NORMAL, 5000), (Outcome{TRUE, 3, kUntouched}));
    EXPECT_EQ(Send(probe, kAnswer, 1, 2, 0x80, 1000), (Outcome{FALSE, 0, ERROR_INVALID_PARAMETER}));
    DestroyWindow(mine);
    EXPECT_EQ(Send(mine, kAnswer, 1, 2, SMTO_NORMAL, 1000), (Outcome{FALSE, 0, ERROR_INVALID_WINDOW_HANDLE}));
}

TEST_F(SendTimeout, AThreadLeavingASendUnansweredFiveSecondsIsHung) {
    HWND probe = StartProbe("", "HUNG");
    EXPECT_EQ(Send(probe, kSleep, 5800, 0, SMTO_NORMAL, 50).error, ERROR_TIMEOUT);
    std::this_thread::sleep_for(5200ms);
    const auto start = Clock::now();
    EXPECT_EQ(Send(probe, kAnswer, 1, 2, SMTO_ABORTIFHUNG, 3000), (Outcome{FALSE, 0, ERROR_TIMEOUT}));
    EXPECT_LT(Clock::now() - start, 1s) << "a hung thread is not waited for";
    EXPECT_EQ(Send(probe, kAnswer, 1, 2, SMTO_NORMAL, 3000), (Outcome{TRUE, 3, 0xDEADBEEF}));
    EXPECT_EQ(Send(probe, kAnswer, 1, 2, SMTO_ABORTIFHUNG, 1000), (Outcome{TRUE, 3, 0xDEADBEEF}))
        << "a thread that answered again responds";
}

TEST_F(SendTimeout, ASendToAProgramThatEndsMeanwhileEndsAtOnce) {
    HWND probe = StartProbe("", "DOOMED");
    Outcome outcome{};
    std::thread sender([&] { outcome = Send(probe, kSleep, 3000, 0, SMTO_NORMAL, 20000); });
    std::this_thread::sleep_for(200ms);
    const auto start = Clock::now();
    ASSERT_TRUE(TerminateProcess(LastProbe(), 0));
    sender.join();
    EXPECT_LT(Clock::now() - start, 2s);
    EXPECT_EQ(outcome, (Outcome{FALSE, 0, ERROR_INVALID_WINDOW_HANDLE}));
}

}  // namespace
}  // namespace window_tests
