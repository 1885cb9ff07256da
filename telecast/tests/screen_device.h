// The fixture of the tests of Telecast's whole screen on a real device server: its windows by
// class, the suite's registry values, and a window standing in for HomeDeck that logs what
// Telecast tells it.
#pragma once

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "framework/program_messages.h"
#include "platform/registry/registry.h"
#include "telecast/tests/telecast_device.h"

namespace telecast {

inline constexpr char kAppKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP";
inline constexpr char kNavigation[] = "Wayfarer";
inline constexpr protocol::Rect kNormalBox{0, 32, 579, 410}, kFullScreen{0, 0, 800, 480}, kPipRect{400, 135, 800, 480};

class TelecastScreenDevice : public TelecastDevice {
protected:
    std::optional<protocol::WindowInfo> Window(const std::string& class_name, const std::string& title = "")
    {
        for (const auto& window : control.Windows())
            if (window.class_name == class_name && (title.empty() || window.title == title)) return window;
        return std::nullopt;
    }
    std::optional<protocol::WindowInfo> Main() { return Window("DMB_TELECAST_DIALOG", kWindow); }
    bool At(const std::optional<protocol::WindowInfo>& window, const protocol::Rect& rect)
    {
        return window && window->rect.left == rect.left && window->rect.top == rect.top &&
               window->rect.right == rect.right && window->rect.bottom == rect.bottom;
    }
    bool Shown(const char* class_name)
    {
        const auto window = Window(class_name);
        return window && window->visible;
    }
    std::optional<DWORD> AppValue(const char* name)
    {
        DWORD error = 0;
        const auto value = control.RegistryGet(kAppKey, name, error);
        if (!value || value->type != REG_DWORD) return std::nullopt;
        return value->number;
    }
    // A top-level window of another program, titled `title`, that logs every `message` it gets.
    void StartProbe(const std::string& title, unsigned message)
    {
        ASSERT_TRUE(device.Install(platform::testing::WindowProbeBinary(), "WINPROBE.EXE"));
        ASSERT_TRUE(device.StartServer());
        DWORD error = 0;
        ASSERT_TRUE(control.Start("\\NAND\\WINPROBE.EXE", "title=" + title + " log=" + std::to_string(message), error))
            << error;
        ASSERT_NE(control.WaitWindow(title, kHang), 0u);
    }
    // A window standing in for HomeDeck that logs every WM_MMS_SETTING it gets.
    void StartHomeDeckProbe() { StartProbe("APP_HOMEDECK", WM_MMS_SETTING); }
    // Whether the navigation program's window is the foreground window.
    bool MapInFront()
    {
        for (const auto& window : control.Windows())
            if (window.title == kNavigation) return window.foreground;
        return false;
    }
    // The "got" lines of the HomeDeck probe: "<code> <value>" with Telecast's id taken off.
    std::vector<std::string> HomeDeckHeard()
    {
        std::vector<std::string> heard;
        for (const std::string& line : device.LogLines("WINPROBE.EXE")) {
            unsigned code = 0;
            long lparam = 0;
            const auto at = line.find("got 1127 ");
            if (at == std::string::npos || std::sscanf(line.c_str() + at, "got 1127 %u %ld", &code, &lparam) != 2)
                continue;
            if ((lparam >> 16) != PROGRAM_TELECAST) continue;
            heard.push_back(std::to_string(code) + " " + std::to_string(lparam & 0xFFFF));
        }
        return heard;
    }
    bool Heard(const std::string& what)
    {
        return platform::testing::WaitUntil([&] {
            const auto heard = HomeDeckHeard();
            return std::find(heard.begin(), heard.end(), what) != heard.end();
        }, kHang);
    }
};

}  // namespace telecast
