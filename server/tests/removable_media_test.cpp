// The storage card and the USB drive going in and out of a running device: the medium's folder
// moves, and every top-level window hears of it through WM_DEVICECHANGE.
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/testing/temporary_device.h"
#include "platform/window/window.h"
#include "tools/devicectl/device_control.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Medium = devicectl::DeviceControl::Medium;
using platform::testing::TemporaryDevice;
using platform::testing::WaitUntil;
using Heard = std::pair<WPARAM, LPARAM>;

std::mutex s_heard_mutex;
std::vector<Heard> s_heard;

LRESULT ListenerProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != WM_DEVICECHANGE) return DefWindowProc(hwnd, message, wparam, lparam);
    std::lock_guard lock(s_heard_mutex);
    s_heard.emplace_back(wparam, lparam);
    return TRUE;
}

// A top-level window on a thread of its own, as a program's main window is, keeping the
// WM_DEVICECHANGE messages its message loop hands it.
class Listener {
public:
    Listener() {
        {
            std::lock_guard lock(s_heard_mutex);
            s_heard.clear();
        }
        m_thread = std::thread([this] { Run(); });
        WaitUntil([this] { return m_window.load() != nullptr || m_failed.load(); }, 5s);
    }
    ~Listener() {
        m_stop = true;
        m_thread.join();
    }
    bool Ready() const { return m_window.load() != nullptr; }
    std::vector<Heard> Messages() const {
        std::lock_guard lock(s_heard_mutex);
        return s_heard;
    }

private:
    void Run() {
        static const bool registered = [] {
            WNDCLASS window_class;
            window_class.lpfnWndProc = ListenerProcedure;
            window_class.lpszClassName = "MEDIA_LISTENER";
            return RegisterClass(&window_class) != 0;
        }();
        HWND hwnd = registered ? CreateWindowEx(0, "MEDIA_LISTENER", "LISTENER", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100,
                                                nullptr, nullptr, nullptr, nullptr)
                               : nullptr;
        if (!hwnd) {
            m_failed = true;
            return;
        }
        m_window = hwnd;
        MSG msg;
        while (!m_stop) {
            while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
            std::this_thread::sleep_for(2ms);
        }
        DestroyWindow(hwnd);
    }

    std::atomic<HWND> m_window{nullptr};
    std::atomic<bool> m_failed{false};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

class RemovableMedia : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(Card() / "MUSIC");
        std::ofstream(Card() / "MUSIC" / "song.mp3") << "data";
        ASSERT_TRUE(m_device.StartServer());
    }
    fs::path Card() const { return m_device.Root() / "fs" / "STORAGE CARD"; }
    fs::path Usb() const { return m_device.Root() / "fs" / "USB DRIVE"; }
    fs::path Removed(const char* name) const { return m_device.Root() / "state" / "removed" / name; }
    // Waits until the listener has heard `count` messages; what it heard.
    std::vector<Heard> HeardOnce(const Listener& listener, std::size_t count) {
        WaitUntil([&] { return listener.Messages().size() >= count; }, 3s);
        return listener.Messages();
    }

    TemporaryDevice m_device;
    devicectl::DeviceControl m_control{m_device.Root()};
};

TEST_F(RemovableMedia, CardOutAndUsbInMoveTheFoldersAndPostWmDeviceChangeToTopLevelWindows) {
    Listener listener;
    ASSERT_TRUE(listener.Ready());
    std::string error;

    ASSERT_TRUE(m_control.SetMediumInserted(Medium::StorageCard, false, error)) << error;
    EXPECT_EQ(HeardOnce(listener, 1), (std::vector<Heard>{{DBT_DEVICEREMOVECOMPLETE, 0}}));
    EXPECT_FALSE(fs::exists(Card()));
    EXPECT_TRUE(fs::exists(Removed("STORAGE CARD") / "MUSIC" / "song.mp3")) << "the card keeps its files";

    ASSERT_TRUE(m_control.SetMediumInserted(Medium::UsbDrive, true, error)) << error;
    EXPECT_EQ(HeardOnce(listener, 2), (std::vector<Heard>{{DBT_DEVICEREMOVECOMPLETE, 0}, {DBT_DEVICEARRIVAL, 0}}));
    EXPECT_TRUE(fs::is_directory(Usb()));

    ASSERT_TRUE(m_control.SetMediumInserted(Medium::StorageCard, true, error)) << error;
    EXPECT_EQ(HeardOnce(listener, 3).back(), (Heard{DBT_DEVICEARRIVAL, 0}));
    EXPECT_TRUE(fs::exists(Card() / "MUSIC" / "song.mp3")) << "the card comes back with its files";
    EXPECT_FALSE(fs::exists(Removed("STORAGE CARD")));
}

TEST_F(RemovableMedia, WhatChangesNothingIsToldToNobodyAndRemovingAnAbsentMediumFails) {
    Listener listener;
    ASSERT_TRUE(listener.Ready());
    std::string error;
    ASSERT_TRUE(m_control.SetMediumInserted(Medium::StorageCard, true, error)) << "inserting what is in succeeds";
    EXPECT_FALSE(m_control.SetMediumInserted(Medium::UsbDrive, false, error));
    EXPECT_EQ(error, "no USB DRIVE is inserted");
    EXPECT_FALSE(fs::exists(Removed("USB DRIVE")));

    // Only the removal that follows is heard: the calls before it posted nothing.
    ASSERT_TRUE(m_control.SetMediumInserted(Medium::StorageCard, false, error)) << error;
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(HeardOnce(listener, 1), (std::vector<Heard>{{DBT_DEVICEREMOVECOMPLETE, 0}}));
}

TEST_F(RemovableMedia, AMediumIsFoundIgnoringCaseAndAnOlderRemovedOneGivesWay) {
    std::string error;
    ASSERT_TRUE(m_control.SetMediumInserted(Medium::StorageCard, false, error)) << error;
    // A program made the card's folder anew under another spelling: that is the card now.
    fs::create_directories(m_device.Root() / "fs" / "Storage Card");
    std::ofstream(m_device.Root() / "fs" / "Storage Card" / "new.txt") << "new";
    ASSERT_TRUE(m_control.SetMediumInserted(Medium::StorageCard, true, error)) << error;
    EXPECT_TRUE(fs::exists(Removed("STORAGE CARD"))) << "inserting a card that is in changes nothing";
    ASSERT_TRUE(m_control.SetMediumInserted(Medium::StorageCard, false, error)) << error;
    EXPECT_FALSE(fs::exists(m_device.Root() / "fs" / "Storage Card"));
    EXPECT_TRUE(fs::exists(Removed("STORAGE CARD") / "new.txt"));
    EXPECT_FALSE(fs::exists(Removed("STORAGE CARD") / "MUSIC")) << "the older removed card gave way";
}

}  // namespace
