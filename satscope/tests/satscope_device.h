// SatScope on a real device server, its COM1 mapped to the pty of a running gpssim: the test
// fixture that installs the program, writes its settings, starts it and reads its window.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/testing/temporary_device.h"
#include "satscope/control_ids.h"
#include "tools/devicectl/device_control.h"

namespace satscope::testing {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using devicectl::DeviceControl;
using platform::testing::TemporaryDevice;
using platform::testing::WaitUntil;

constexpr auto kHang = 10s;

inline std::string Ini(const std::string& port, const std::string& baud, bool auto_connect, const std::string& extra = {})
{
    return "[VORL_GPS_VIEWERS_PARAMETERS]\r\nSTATUS=VALIDATED\r\nCOMPORT=" + port + "\r\nBAUDRATE=" + baud +
           "\r\nAUTOCONNECT=" + (auto_connect ? "1" : "0") + "\r\n" + extra;
}

class SatScopeDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(device.Install(SATSCOPE_BINARY, "SATSCOPE.EXE"));
        fs::copy(SATSCOPE_RESOURCES, Host("NAND/SATSCOPE"), fs::copy_options::recursive);
        sent = (device.Root() / "sent.bin").string();
    }
    void TearDown() override
    {
        if (!server_started) return;
        for (const auto& process : control.Processes())
            if (process.process_id != static_cast<std::uint32_t>(::getpid()) && !process.path.empty())
                ::kill(static_cast<pid_t>(process.process_id), SIGKILL);
    }
    fs::path Host(const std::string& relative) const { return device.Root() / "fs" / fs::u8path(relative); }
    void WriteFile(const fs::path& path, const std::string& bytes)
    {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string ReadAll(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void MapCom1(const std::string& pty)
    {
        std::ofstream(device.Root() / "device.conf", std::ios::app) << "\nCOM1 = " << pty << "\n";
    }
    void Start(const std::string& ini)
    {
        WriteFile(Host("NAND/UIConfig.ini"), ini);
        if (!server_started) {
            ASSERT_TRUE(device.StartServer());
            server_started = true;
        }
        DWORD error = 0;
        ASSERT_TRUE(control.Start("\\NAND\\SATSCOPE.EXE", "", error)) << error;
        // The window shows once it is built and laid out.
        ASSERT_TRUE(WaitUntil([&] { return !(title = Title()).empty(); }, kHang)) << device.Log("SATSCOPE.EXE");
    }
    std::string Title()
    {
        for (const auto& window : control.Windows())
            if (window.program == "SATSCOPE.EXE" && window.parent == 0 && window.owner == 0 && window.visible)
                return window.title;
        return {};
    }
    std::optional<std::string> Text(int id)
    {
        DWORD error = 0;
        return control.ControlText(title.empty() ? Title() : title, static_cast<std::uint32_t>(id), error);
    }
    bool TextBecomes(int id, const std::string& text)
    {
        return WaitUntil([&] { return Text(id) == text; }, kHang);
    }
    std::vector<std::string> Items(int id)
    {
        DWORD error = 0;
        const auto items = control.Items(title, static_cast<std::uint32_t>(id), error);
        return items ? items->items : std::vector<std::string>{};
    }
    void Click(int id) { ASSERT_EQ(control.Click(title, static_cast<std::uint32_t>(id)), 0u) << id; }
    std::optional<protocol::WindowInfo> Control(int id)
    {
        for (const auto& window : control.Windows())
            if (window.program == "SATSCOPE.EXE" && window.control_id == static_cast<std::uint32_t>(id)) return window;
        return std::nullopt;
    }
    bool Running()
    {
        for (const auto& process : control.Processes())
            if (process.name == "SATSCOPE.EXE") return true;
        return false;
    }
    std::optional<std::uint32_t> Pid()
    {
        for (const auto& process : control.Processes())
            if (process.name == "SATSCOPE.EXE") return process.process_id;
        return std::nullopt;
    }

    TemporaryDevice device;
    DeviceControl control{device.Root()};
    bool server_started = false;
    std::string title;
    std::string sent;
};

}  // namespace satscope::testing
