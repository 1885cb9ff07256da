// The device the page server drives: its device server, through the operations devicectl
// uses, and its log files, read only by the names found in its log folder.
#include <algorithm>
#include <fstream>
#include <system_error>

#include "platform/device_root.h"
#include "tools/devicectl/device_control.h"
#include "tools/deviceweb/web_device.h"

namespace deviceweb {
namespace {

class ControlledDevice final : public Device {
public:
    explicit ControlledDevice(const std::filesystem::path& root) : m_root(root), m_control(root) {
        // Its connections show in the device's program list as the page server's.
        platform::SetProgramName("deviceweb");
    }

    std::optional<ScreenPicture> Screenshot() override {
        DWORD error = 0;
        auto screen = m_control.Screenshot(error);
        if (!screen) return std::nullopt;
        return ScreenPicture{screen->width, screen->height, screen->frame, std::move(screen->pixels)};
    }

    std::optional<std::uint64_t> WaitScreenChange(std::uint64_t after, std::chrono::milliseconds timeout) override {
        return m_control.WaitScreenChange(after, timeout);
    }

    DWORD Pen(PenAction action, std::int32_t x, std::int32_t y) override {
        switch (action) {
            case PenAction::Press: return m_control.Press(x, y);
            case PenAction::Move: return m_control.Move(x, y);
            case PenAction::Release: return m_control.Release(x, y);
        }
        return ERROR_INVALID_PARAMETER;
    }

    DWORD Key(const std::string& name) override { return m_control.Key(name); }

    DWORD SetBacklight(std::uint32_t level) override {
        DWORD error = 0;
        return m_control.Backlight(level, std::nullopt, error) ? 0 : error;
    }

    bool SetMedium(platform::RemovableMedium medium, bool inserted, std::string& error) override {
        return m_control.SetMediumInserted(medium, inserted, error);
    }

    std::optional<BoardState> Board() override {
        const auto drivers = m_control.DriverState();
        if (!drivers) return std::nullopt;
        BoardState board;
        board.drivers = m_control.StateText(*drivers);
        board.programs = devicectl::Describe(m_control.Processes());
        board.card_inserted = platform::MediumInserted(m_root, platform::RemovableMedium::StorageCard);
        board.usb_inserted = platform::MediumInserted(m_root, platform::RemovableMedium::UsbDrive);
        board.backlight_level = drivers->backlight_percent;
        board.backlight_on = drivers->backlight_on;
        return board;
    }

    std::vector<std::string> LogNames() override {
        std::vector<std::string> names;
        std::error_code ec;
        for (std::filesystem::directory_iterator entry(LogFolder(), ec), end; !ec && entry != end; entry.increment(ec)) {
            const auto& path = entry->path();
            std::error_code type_error;
            if (path.extension() == ".log" && entry->is_regular_file(type_error) &&
                LogNameValid(path.stem().string()))
                names.push_back(path.stem().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::optional<std::string> LogTail(const std::string& name, std::size_t max_bytes) override {
        // Only a name the folder listing gave becomes a path.
        const auto names = LogNames();
        if (!std::binary_search(names.begin(), names.end(), name)) return std::nullopt;
        std::ifstream in(LogFolder() / (name + ".log"), std::ios::binary | std::ios::ate);
        if (!in) return std::nullopt;
        const std::streamoff size = in.tellg();
        const std::streamoff start = std::max<std::streamoff>(0, size - static_cast<std::streamoff>(max_bytes));
        in.seekg(start);
        std::string text(static_cast<std::size_t>(size - start), '\0');
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<std::size_t>(std::max<std::streamsize>(0, in.gcount())));
        return text;
    }

private:
    std::filesystem::path LogFolder() const { return m_root / "state" / "logs"; }

    std::filesystem::path m_root;
    devicectl::DeviceControl m_control;
};

}  // namespace

std::unique_ptr<Device> ConnectDevice(const std::filesystem::path& root) {
    return std::make_unique<ControlledDevice>(root);
}

}  // namespace deviceweb
