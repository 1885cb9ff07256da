// Telecast itself on a real device server, its receiver playing a band of broadcast clips made
// once per build: the fixture the device tests share.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <chrono>
#include <iterator>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "platform/gfx/png_file.h"
#include "platform/testing/temporary_device.h"
#include "platform/window/window.h"
#include "telecast/scan_file.h"
#include "telecast/tests/broadcast_band.h"
#include "tools/devicectl/device_control.h"

namespace telecast {

inline constexpr std::chrono::seconds kHang{15};
inline constexpr char kWindow[] = "DMB_TELECAST";
inline constexpr std::uint32_t kLines = 1040;

// 175280 kHz: two TV services (the second's audio is really HE-AAC) and a radio one with a
// Korean name; 181280 kHz: fourteen radio services, of which a scan takes ten.
inline test_band::Band DemoBand(int dwell_ms = 20)
{
    return std::move(test_band::Band(dwell_ms, 20)
                         .Ensemble(175280, "1")
                         .Tv("TV One", "0x101", 1)
                         .Radio("라디오 하나", "0x201", 2, "slide = " + test_band::Clip("slide.jpg").string() + "\n")
                         .Tv("TV Two", "0x102", 3, "audio = he-aac\n")
                         .Ensemble(181280, "2")
                         .ManyRadio(14, true));
}

class TelecastDevice : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test_band::MakeBroadcastClips(); }
    void SetUp() override
    {
        ASSERT_TRUE(device.Install(TELECAST_BINARY, "TELECAST.EXE"));
        std::filesystem::copy(TELECAST_RESOURCES, Host("NAND/TELECAST"), std::filesystem::copy_options::recursive);
        test_band::InstallDefaultPicture(device);
        DemoBand().WriteTo(device);
    }
    void TearDown() override
    {
        if (!started) return;
        control.KillPrograms();
    }

    std::filesystem::path Host(const std::string& relative) const { return device.Root() / "fs" / std::filesystem::u8path(relative); }
    std::string ScanFile() const
    {
        std::ifstream in(Host("NAND/TelecastScan.dat"), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // Starts Telecast. Unless the test watches the idle count, a hand stays on the screen (the
    // touch panel's event every half second) so that the normal layout does not go full screen
    // after five idle seconds under the test's feet.
    void StartTelecast(const std::string& arguments = "")
    {
        ASSERT_TRUE(device.StartServer());
        started = true;
        DWORD error = 0;
        ASSERT_TRUE(control.Start("\\NAND\\TELECAST.EXE", arguments, error)) << error;
        ASSERT_NE(control.WaitWindow(kWindow, kHang), 0u) << device.Log("TELECAST.EXE");
        if (keep_touching) {
            toucher = std::jthread([root = device.Root()](std::stop_token stop) {
                devicectl::DeviceControl hand(root);
                while (!stop.stop_requested()) {
                    hand.EventOperation("set", "KTOUCH_EVENT");
                    std::this_thread::sleep_for(std::chrono::milliseconds(500));
                }
            });
        }
    }
    void Command(int id)
    {
        control.Post(kWindow, WM_COMMAND, static_cast<WPARAM>(id), 0);
    }
    std::vector<std::string> Lines()
    {
        DWORD error = 0;
        const auto items = control.Items(kWindow, kLines, error);
        return items ? items->items : std::vector<std::string>{};
    }
    std::string Receiver()
    {
        DWORD error = 0;
        return control.Receiver("", error).value_or("");
    }
    std::string Receiver(const std::string& command)
    {
        DWORD error = 0;
        return control.Receiver(command, error).value_or("no answer");
    }
    // How many scan steps the receiver has been asked for.
    int ScanSteps()
    {
        const std::string state = Receiver();
        const auto at = state.find("steps: ");
        return at == std::string::npos ? -1 : std::stoi(state.substr(at + 7));
    }
    std::uint64_t Frames()
    {
        const auto overlay = control.Overlay();
        return overlay && overlay->open ? overlay->frames : 0;
    }
    // What to print when a wait runs out: the receiver, the overlay and Telecast's log.
    std::string Situation()
    {
        return Receiver() + "frames: " + std::to_string(Frames()) + "\n" + device.Log("TELECAST.EXE");
    }
    bool Tuned(const std::string& service) { return Receiver().find("service: " + service) != std::string::npos; }
    // The no-signal picture as the skin has it, over the whole box (0, 32, 579 x 378).
    bool NoSignalShown()
    {
        std::uint32_t width = 0, height = 0;
        std::vector<std::uint32_t> picture;
        std::string error;
        if (!platform::ReadPng(Host("NAND/TELECAST/147.png"), width, height, picture, error)) return false;
        DWORD failure = 0;
        const auto screen = control.Screenshot(failure);
        if (!screen) return false;
        for (std::uint32_t y = 0; y < height; y += 17)
            for (std::uint32_t x = 0; x < width; x += 13)
                if ((screen->At(static_cast<int>(x), static_cast<int>(32 + y)) & 0xFFFFFF) !=
                    (picture[y * width + x] & 0xFFFFFF))
                    return false;
        return true;
    }
    // A TV service's record as a scan stores it, its audio BSAC unless said otherwise.
    static ChannelRecord TvRecord(std::uint32_t id, const char* name, std::int32_t sub_channel,
                                  std::uint8_t coding = kBsacAudioCoding)
    {
        ChannelRecord record;
        record.frequency = 175280;
        record.service_id = id;
        record.name = NameBytes(name);
        record.sub_channel_id = sub_channel;
        record.service_type = kTvService;
        record.audio_coding = coding;
        record.audio_a = 2;
        record.audio_b = 48000;
        return record;
    }
    // A scan file that starts on the TV service.
    void WriteTable(std::uint8_t second_tv_coding)
    {
        ChannelTable table;
        const ChannelRecord one = TvRecord(0x101, "TV One", 1);
        const ChannelRecord two = TvRecord(0x102, "TV Two", 3, second_tv_coding);
        table.Add(one);
        table.Add(two);
        table.selected_tv = 0;
        std::filesystem::create_directories(Host("NAND"));
        std::ofstream(Host("NAND/TelecastScan.dat"), std::ios::binary) << FormatScanFile(table);
    }

    platform::testing::TemporaryDevice device;
    devicectl::DeviceControl control{device.Root()};
    bool started = false;
    bool keep_touching = true;
    std::jthread toucher;  // ends before the device goes
};

}  // namespace telecast
