// What the window tests share: a device of their own with WINPROBE.EXE installed, probes started
// on it, and this thread's messages pumped for a bounded time.
#pragma once

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel/kernel.h"
#include "platform/testing/temporary_device.h"
#include "platform/testing/test_window.h"
#include "platform/window/local_windows.h"
#include "platform/window/window.h"

namespace window_tests {

using namespace std::chrono_literals;

constexpr UINT kAnswer = WM_USER + 1;  // the probe returns wparam + lparam
constexpr UINT kChain = WM_USER + 2;   // the probe forwards wparam + 1 to its next= window
constexpr UINT kSleep = WM_USER + 5;   // the probe sleeps wparam ms, then returns 7

class ProbeDevice : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.Install(platform::testing::WindowProbeBinary(), "WINPROBE.EXE"));
        ASSERT_TRUE(device.StartServer());
    }
    // The next device numbers its windows afresh: none of this test's may stay in this thread.
    void TearDown() override {
        for (HANDLE probe : m_probes) {
            TerminateProcess(probe, 0);
            WaitForSingleObject(probe, 5000);
            CloseHandle(probe);
        }
        for (auto hwnd : platform::LocalWindows::Instance().OwnedBy(GetCurrentThreadId()))
            DestroyWindow(platform::WindowFromNumber(hwnd));
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    // Starts a probe and waits for its ready line (none: does not wait); its window (found by
    // title=), or null.
    HWND StartProbe(const std::string& arguments, const std::string& title, const std::string& ready = "window ready") {
        SHELLEXECUTEINFO info;
        info.fMask = SEE_MASK_NOCLOSEPROCESS;
        info.lpFile = "\\NAND\\WINPROBE.EXE";
        info.lpParameters = "title=" + title + " " + arguments;
        EXPECT_TRUE(ShellExecuteEx(&info)) << GetLastError();
        m_probes.push_back(info.hProcess);
        if (ready.empty()) return nullptr;
        EXPECT_TRUE(device.WaitForLog("WINPROBE.EXE", title + " " + ready)) << arguments;
        return FindWindow("", title);
    }
    HANDLE LastProbe() const { return m_probes.back(); }
    // Dispatches this thread's messages until done() holds or the time is up.
    static bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 5s) {
        return platform::testing::PumpUntil(done, timeout);
    }

    platform::testing::TemporaryDevice device;
    std::vector<HANDLE> m_probes;
};

}  // namespace window_tests
