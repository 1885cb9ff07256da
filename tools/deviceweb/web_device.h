// What the device's page server asks of a running device: its screen and when it changes, the
// pen and the remote keys, the board (media, backlight, drivers, programs) and the programs'
// logs. ConnectDevice gives the one the tool uses, which drives the device as devicectl does;
// tests give a device of their own to see exactly what reaches it.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/removable_media.h"
#include "platform/win32_types.h"
#include "tools/deviceweb/web_rules.h"

namespace deviceweb {

// The screen as presented: 0x00RRGGBB pixels, rows packed, and the number of the frame.
struct ScreenPicture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint64_t frame = 0;
    std::vector<std::uint32_t> pixels;
};

// The board as the page shows it.
struct BoardState {
    std::string drivers;   // as `devicectl state` prints it
    std::string programs;  // as `devicectl ps` prints it
    bool card_inserted = false;
    bool usb_inserted = false;
    std::uint32_t backlight_level = 0;
    bool backlight_on = true;
};

class Device {
public:
    virtual ~Device() = default;

    virtual std::optional<ScreenPicture> Screenshot() = 0;
    // Waits until a frame numbered above `after` is presented or the time is up; the number
    // of the last presented frame, or nothing when the device does not answer.
    virtual std::optional<std::uint64_t> WaitScreenChange(std::uint64_t after, std::chrono::milliseconds timeout) = 0;

    // Each gives 0, or the device's error (ERROR_BROKEN_PIPE: the device does not answer).
    virtual DWORD Pen(PenAction action, std::int32_t x, std::int32_t y) = 0;
    virtual DWORD Key(const std::string& name) = 0;  // a name RemoteKeyNamed gives
    virtual DWORD SetBacklight(std::uint32_t level) = 0;
    // False with the reason ("no STORAGE CARD is inserted").
    virtual bool SetMedium(platform::RemovableMedium medium, bool inserted, std::string& error) = 0;

    // Nothing when the device does not answer.
    virtual std::optional<BoardState> Board() = 0;
    // The names of the logs the device keeps (MUSIC.EXE, server), sorted.
    virtual std::vector<std::string> LogNames() = 0;
    // The last `max_bytes` of a log the device keeps (one LogNames gives); nothing when it has none.
    virtual std::optional<std::string> LogTail(const std::string& name, std::size_t max_bytes) = 0;
};

// The device whose root is given, driven through its device server.
std::unique_ptr<Device> ConnectDevice(const std::filesystem::path& root);

}  // namespace deviceweb
