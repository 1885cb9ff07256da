#include "tools/devicectl/device_control.h"

#include <signal.h>
#include <sys/socket.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/device_root.h"
#include "platform/devices/camera_connector.h"
#include "platform/devices/tdmb_receiver.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/server_connection.h"
#include "platform/registry/registry.h"
#include "platform/window/window.h"

#include <algorithm>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>

#include "platform/gfx/png_file.h"

namespace devicectl {
namespace {

template <class Request>
bool Call(const Request& request, typename Request::Reply& reply) {
    return platform::CallServer(request, reply);
}

std::optional<DWORD> ParseNumber(const std::string& text) {
    std::string digits = text;
    int base = 10;
    if (digits.rfind("dword:", 0) == 0) {
        digits = digits.substr(6);
        base = 16;
    } else if (digits.rfind("0x", 0) == 0 || digits.rfind("0X", 0) == 0) {
        digits = digits.substr(2);
        base = 16;
    }
    if (digits.empty() || digits.size() > 10) return std::nullopt;
    char* end = nullptr;
    unsigned long long value = std::strtoull(digits.c_str(), &end, base);
    if (*end != '\0' || value > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<DWORD>(value);
}

}  // namespace

DeviceControl::DeviceControl(const std::filesystem::path& root) : m_root(root) {
    platform::SetDeviceRootDir(root);
    platform::SetProgramName("devicectl");
}

bool DeviceControl::Connected() const { return platform::ServerConnection::Current() != nullptr; }

std::optional<std::uint32_t> DeviceControl::Start(const std::string& path, const std::string& arguments, DWORD& error) {
    protocol::StartProcessRequest request{path, "Open", arguments};
    protocol::StartProcessReply reply;
    if (!Call(request, reply)) {
        error = ERROR_BROKEN_PIPE;
        return std::nullopt;
    }
    error = reply.error;
    if (reply.handle == 0) return std::nullopt;
    CloseHandle(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(reply.handle)));
    return reply.process_id;
}

std::vector<protocol::ProcessEntry> DeviceControl::Processes() {
    protocol::ListProcessesRequest request;
    protocol::ProcessListReply reply;
    if (!Call(request, reply)) return {};
    return reply.processes;
}

bool DeviceControl::ProgramRunning(const std::string& file_name) {
    for (const auto& process : Processes()) {
        const std::string& path = process.path;
        if (path.size() >= file_name.size() && path.compare(path.size() - file_name.size(), file_name.size(), file_name) == 0)
            return true;
    }
    return false;
}

void DeviceControl::KillPrograms() {
    for (const auto& process : Processes())
        if (process.process_id != static_cast<std::uint32_t>(::getpid()) && !process.path.empty())
            ::kill(static_cast<pid_t>(process.process_id), SIGKILL);
}

std::optional<std::uint32_t> DeviceControl::PowerCut() {
    auto* connection = platform::ServerConnection::Current();
    if (!connection) return std::nullopt;
    ucred server{};
    socklen_t length = sizeof(server);
    if (::getsockopt(connection->Fd(), SOL_SOCKET, SO_PEERCRED, &server, &length) != 0 || server.pid <= 0)
        return std::nullopt;
    // The programs are listed while the server can still say who they are; the server goes
    // first, so it sees none of them end.
    const auto programs = Processes();
    ::kill(server.pid, SIGKILL);
    for (const auto& process : programs)
        if (process.process_id != static_cast<std::uint32_t>(::getpid()) && !process.path.empty())
            ::kill(static_cast<pid_t>(process.process_id), SIGKILL);
    return static_cast<std::uint32_t>(server.pid);
}

DWORD DeviceControl::EventOperation(const std::string& operation, const std::string& name) {
    if (operation != "set" && operation != "reset" && operation != "pulse") return ERROR_INVALID_PARAMETER;
    HANDLE event = OpenEvent(EVENT_ALL_ACCESS, FALSE, name);
    if (!event) return GetLastError();
    BOOL ok = operation == "set" ? SetEvent(event) : operation == "reset" ? ResetEvent(event) : PulseEvent(event);
    DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    CloseHandle(event);
    return error;
}

std::optional<RegistryValue> DeviceControl::RegistryGet(const std::string& key, const std::string& value_name,
                                                        DWORD& error) {
    protocol::RegQueryValueRequest request{key, value_name};
    protocol::RegValueReply reply;
    if (!Call(request, reply)) {
        error = ERROR_BROKEN_PIPE;
        return std::nullopt;
    }
    error = reply.error;
    if (reply.error) return std::nullopt;
    RegistryValue value;
    value.type = reply.type;
    value.bytes = reply.data;
    if (reply.type == REG_DWORD && reply.data.size() == 4) std::memcpy(&value.number, reply.data.data(), 4);
    if (reply.type == REG_SZ) value.text = platform::RegReadString(key, value_name).value_or("");
    return value;
}

DWORD DeviceControl::RegistrySet(const std::string& key, const std::string& value_name, const std::string& value) {
    protocol::RegCreateKeyRequest create{key};
    protocol::RegKeyReply created;
    if (!Call(create, created)) return ERROR_BROKEN_PIPE;
    if (created.error) return created.error;
    if (auto number = ParseNumber(value)) return static_cast<DWORD>(platform::RegWriteDword(key, value_name, *number));
    return static_cast<DWORD>(platform::RegWriteString(key, value_name, value));
}

std::string DeviceControl::Log(const std::string& program) const {
    std::ifstream in(m_root / "state" / "logs" / (program + ".log"), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

DWORD DeviceControl::Shutdown() {
    protocol::ShutdownRequest request;
    protocol::StatusReply reply;
    if (!Call(request, reply)) return ERROR_BROKEN_PIPE;
    return reply.error;
}

std::vector<protocol::WindowInfo> DeviceControl::Windows() {
    protocol::ListWindowsRequest request;
    protocol::ListWindowsReply reply;
    if (!Call(request, reply)) return {};
    return reply.windows;
}

std::uint32_t DeviceControl::FindWindowByName(const std::string& name) {
    if (name.rfind("0x", 0) == 0) {
        auto number = ParseNumber(name);
        return number && IsWindow(platform::WindowFromNumber(*number)) ? *number : 0;
    }
    HWND hwnd = FindWindow("", name);
    if (!hwnd) hwnd = FindWindow(name, "");
    return platform::WindowNumber(hwnd);
}

std::optional<std::int64_t> DeviceControl::Send(const std::string& name, std::uint32_t message, std::uint64_t wparam,
                                                std::int64_t lparam, DWORD& error) {
    const std::uint32_t hwnd = FindWindowByName(name);
    if (!hwnd) {
        error = ERROR_INVALID_WINDOW_HANDLE;
        return std::nullopt;
    }
    SetLastError(ERROR_SUCCESS);
    LRESULT result = SendMessage(platform::WindowFromNumber(hwnd), message, static_cast<WPARAM>(wparam),
                                 static_cast<LPARAM>(lparam));
    error = GetLastError();
    return static_cast<std::int64_t>(result);
}

DWORD DeviceControl::Post(const std::string& name, std::uint32_t message, std::uint64_t wparam, std::int64_t lparam) {
    const std::uint32_t hwnd = FindWindowByName(name);
    if (!hwnd) return ERROR_INVALID_WINDOW_HANDLE;
    return PostMessage(platform::WindowFromNumber(hwnd), message, static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam))
               ? ERROR_SUCCESS
               : GetLastError();
}

DWORD DeviceControl::Broadcast(std::uint32_t message, std::uint64_t wparam, std::int64_t lparam) {
    return PostMessage(HWND_BROADCAST, message, static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam))
               ? ERROR_SUCCESS
               : GetLastError();
}

std::optional<std::int64_t> DeviceControl::CopyData(const std::string& name, std::uint64_t code, std::int32_t value,
                                                    DWORD& error) {
    std::vector<std::uint8_t> bytes(4);
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i));
    return CopyData(name, code, bytes, error);
}

std::optional<std::int64_t> DeviceControl::CopyData(const std::string& name, std::uint64_t code,
                                                    const std::vector<std::uint8_t>& bytes, DWORD& error) {
    const std::uint32_t hwnd = FindWindowByName(name);
    if (!hwnd) {
        error = ERROR_INVALID_WINDOW_HANDLE;
        return std::nullopt;
    }
    COPYDATASTRUCT copy;
    copy.dwData = static_cast<std::uintptr_t>(code);
    copy.cbData = static_cast<DWORD>(bytes.size());
    copy.lpData = bytes.empty() ? nullptr : const_cast<std::uint8_t*>(bytes.data());
    SetLastError(ERROR_SUCCESS);
    LRESULT result = SendMessage(platform::WindowFromNumber(hwnd), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy));
    error = GetLastError();
    return static_cast<std::int64_t>(result);
}

DWORD DeviceControl::Foreground(const std::string& name) {
    const std::uint32_t hwnd = FindWindowByName(name);
    if (!hwnd) return ERROR_INVALID_WINDOW_HANDLE;
    return SetForegroundWindow(platform::WindowFromNumber(hwnd)) ? ERROR_SUCCESS : GetLastError();
}

std::uint32_t DeviceControl::WaitWindow(const std::string& name, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (auto hwnd = FindWindowByName(name)) return hwnd;
        if (std::chrono::steady_clock::now() >= deadline) return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

DWORD DeviceControl::Close(const std::string& name) { return Post(name, WM_CLOSE, 0, 0); }

namespace {

DWORD SendInput(protocol::InputKind kind, std::int32_t x, std::int32_t y, std::uint32_t key = 0) {
    protocol::InputRequest request;
    request.kind = static_cast<std::uint8_t>(kind);
    request.x = x;
    request.y = y;
    request.key = key;
    protocol::StatusReply reply;
    if (!Call(request, reply)) return ERROR_BROKEN_PIPE;
    return reply.error;
}

}  // namespace

DWORD DeviceControl::Press(std::int32_t x, std::int32_t y) { return SendInput(protocol::InputKind::PenDown, x, y); }
DWORD DeviceControl::Move(std::int32_t x, std::int32_t y) { return SendInput(protocol::InputKind::PenMove, x, y); }
DWORD DeviceControl::Release(std::int32_t x, std::int32_t y) { return SendInput(protocol::InputKind::PenUp, x, y); }

DWORD DeviceControl::Tap(std::int32_t x, std::int32_t y) {
    if (DWORD error = Press(x, y)) return error;
    return Release(x, y);
}

DWORD DeviceControl::Tap(std::int32_t x, std::int32_t y, unsigned count, std::chrono::milliseconds interval) {
    if (count < 1 || count > kMaxTaps || interval.count() < 0) return ERROR_INVALID_PARAMETER;
    // Counted from one press to the next, so the time a tap itself takes does not add up.
    auto press_at = std::chrono::steady_clock::now();
    for (unsigned i = 0; i < count; ++i) {
        if (i > 0) {
            press_at += interval;
            std::this_thread::sleep_until(press_at);
        }
        if (DWORD error = Tap(x, y)) return error;
    }
    return 0;
}

DWORD DeviceControl::Drag(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                          std::chrono::milliseconds duration) {
    constexpr auto kStep = std::chrono::milliseconds(16);
    const auto steps = std::max<long long>(1, std::min<long long>(duration / kStep, 1000));
    if (DWORD error = Press(x1, y1)) return error;
    for (long long i = 1; i <= steps; ++i) {
        std::this_thread::sleep_for(duration / steps);
        const auto x = static_cast<std::int32_t>(x1 + (static_cast<long long>(x2) - x1) * i / steps);
        const auto y = static_cast<std::int32_t>(y1 + (static_cast<long long>(y2) - y1) * i / steps);
        if (DWORD error = Move(x, y)) return error;
    }
    return Release(x2, y2);
}

DWORD DeviceControl::Key(const std::string& name) {
    std::uint32_t key = 0;
    if (name.size() == 1 && name[0] >= '1' && name[0] <= '9') key = static_cast<std::uint32_t>(name[0] - '0');
    else if (name == "left") key = static_cast<std::uint32_t>(protocol::DeviceKey::Left);
    else if (name == "right") key = static_cast<std::uint32_t>(protocol::DeviceKey::Right);
    else if (name == "enter") key = static_cast<std::uint32_t>(protocol::DeviceKey::Enter);
    else return ERROR_INVALID_PARAMETER;
    return SendInput(protocol::InputKind::Key, 0, 0, key);
}

std::optional<DeviceControl::Screen> DeviceControl::Screenshot(DWORD& error) {
    protocol::ScreenshotRequest request;
    protocol::ScreenshotReply reply;
    int fd = -1;
    auto* connection = platform::ServerConnection::Current();
    if (!connection || !connection->Call(request, reply, &fd)) {
        error = ERROR_BROKEN_PIPE;
        return std::nullopt;
    }
    error = reply.error;
    const std::size_t bytes = static_cast<std::size_t>(reply.pitch) * reply.height;
    if (error == 0 && (fd < 0 || bytes == 0 || reply.pitch < reply.width * 4)) error = ERROR_GEN_FAILURE;
    void* address = error == 0 ? ::mmap(nullptr, bytes, PROT_READ, MAP_SHARED, fd, 0) : MAP_FAILED;
    if (fd >= 0) ::close(fd);
    if (address == MAP_FAILED) {
        if (error == 0) error = ERROR_NOT_ENOUGH_MEMORY;
        return std::nullopt;
    }
    Screen screen;
    screen.width = reply.width;
    screen.height = reply.height;
    screen.frame = reply.frame;
    screen.pixels.resize(static_cast<std::size_t>(reply.width) * reply.height);
    for (std::uint32_t y = 0; y < reply.height; ++y)
        std::memcpy(screen.pixels.data() + static_cast<std::size_t>(y) * reply.width,
                    static_cast<const std::uint8_t*>(address) + static_cast<std::size_t>(y) * reply.pitch, reply.width * 4u);
    ::munmap(address, bytes);
    return screen;
}

DeviceControl::Screen DeviceControl::ScreenShowing(std::uint32_t x, std::uint32_t y, std::uint32_t colour,
                                                   std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    DWORD error = 0;
    std::optional<Screen> screen;
    while (true) {
        screen = Screenshot(error);
        if ((screen && screen->At(x, y) == colour) || std::chrono::steady_clock::now() >= end) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return screen.value_or(Screen{});
}

bool DeviceControl::SaveScreenshot(const std::filesystem::path& file, std::string& error) {
    DWORD code = 0;
    auto screen = Screenshot(code);
    if (!screen) {
        error = "no screenshot (error " + std::to_string(code) + ")";
        return false;
    }
    return platform::WritePng(file, screen->width, screen->height, screen->pixels, error);
}

std::optional<std::string> DeviceControl::StateText() {
    const auto state = DriverState();
    if (!state) return std::nullopt;
    return StateText(*state);
}

std::string DeviceControl::StateText(const protocol::DriverStateReply& state) const {
    auto medium = [this](Medium which) { return platform::MediumInserted(m_root, which) ? "in\n" : "out\n"; };
    return Describe(state) + "storage card   " + medium(Medium::StorageCard) + "usb drive      " +
           medium(Medium::UsbDrive);
}

std::optional<std::uint64_t> DeviceControl::WaitScreenChange(std::uint64_t after, std::chrono::milliseconds timeout) {
    protocol::ScreenChangeRequest request;
    request.after = after;
    // Past a minute the server refuses the wait.
    request.timeout_ms = static_cast<std::uint32_t>(std::clamp<std::int64_t>(timeout.count(), 0, UINT32_MAX));
    protocol::ScreenChangeReply reply;
    if (!Call(request, reply) || reply.error) return std::nullopt;
    return reply.frame;
}

std::optional<protocol::BacklightReply> DeviceControl::Backlight(std::optional<std::uint32_t> level,
                                                                 std::optional<bool> power, DWORD& error) {
    protocol::BacklightRequest request;
    request.set_level = level.has_value();
    request.level = level.value_or(0);
    request.set_power = power.has_value();
    request.power = power.value_or(true);
    protocol::BacklightReply reply;
    if (!Call(request, reply)) {
        error = ERROR_BROKEN_PIPE;
        return std::nullopt;
    }
    error = reply.error;
    if (error) return std::nullopt;
    return reply;
}

std::optional<DWORD> DeviceControl::WaveOut(std::optional<DWORD> volume, DWORD& error) {
    protocol::WaveOutVolumeRequest request{volume.has_value(), volume.value_or(0)};
    protocol::WaveOutVolumeReply reply;
    if (!Call(request, reply)) {
        error = ERROR_BROKEN_PIPE;
        return std::nullopt;
    }
    error = reply.error;
    if (error) return std::nullopt;
    return reply.volume;
}

std::optional<protocol::OverlayInfoReply> DeviceControl::Overlay() {
    protocol::OverlayInfoRequest request;
    protocol::OverlayInfoReply reply;
    if (!Call(request, reply)) return std::nullopt;
    return reply;
}

std::optional<protocol::DriverStateReply> DeviceControl::DriverState() {
    protocol::DriverStateRequest request;
    protocol::DriverStateReply reply;
    if (!Call(request, reply)) return std::nullopt;
    return reply;
}

std::optional<std::vector<std::uint8_t>> DeviceControl::DriverIoControl(const std::string& device, std::uint32_t code,
                                                                         std::vector<std::uint8_t> input,
                                                                         std::uint32_t output_size, DWORD& error) {
    protocol::DriverIoControlRequest request;
    request.device = device;
    request.code = code;
    request.input = std::move(input);
    request.output_size = output_size;
    protocol::IoControlReply reply;
    error = ERROR_BROKEN_PIPE;
    if (!Call(request, reply)) return std::nullopt;
    error = reply.error;
    if (reply.error) return std::nullopt;
    return std::move(reply.output);
}

std::optional<std::string> DeviceControl::Receiver(const std::string& command, DWORD& error) {
    const auto output = DriverIoControl(platform::tdmb::kReceiverDevice, platform::tdmb::kIoctlReceiverControl,
                                        std::vector<std::uint8_t>(command.begin(), command.end()), 64 * 1024, error);
    if (!output) return std::nullopt;
    return std::string(output->begin(), output->end());
}

bool DeviceControl::SetCameraConnected(bool connected, DWORD& error) {
    const std::uint32_t word = connected ? 1 : 0;
    std::vector<std::uint8_t> input(sizeof(word));
    std::memcpy(input.data(), &word, sizeof(word));
    return DriverIoControl(platform::kCameraConnector, platform::kIoctlCameraPlug, std::move(input), 0, error).has_value();
}

bool DeviceControl::SetMediumInserted(Medium medium, bool inserted, std::string& error) {
    if (!Connected()) {
        // A device root being set up before it boots: nobody runs to be told.
        const auto change = platform::SetMediumInserted(m_root, medium, inserted, error);
        return change == platform::MediumChange::Changed || change == platform::MediumChange::Unchanged;
    }
    protocol::SetMediumInsertedRequest request{static_cast<std::uint8_t>(medium), inserted};
    protocol::MediumReply reply;
    if (!Call(request, reply)) {
        error = "the device server did not answer";
        return false;
    }
    if (reply.error == 0) return true;
    error = reply.reason.empty() ? "error " + std::to_string(reply.error) : reply.reason;
    return false;
}

std::string Describe(const protocol::DriverStateReply& state) {
    char text[1024];
    const char* boot_loader_format = state.boot_loader_installed ? "boot loader    %llu bytes\n" : "boot loader    none\n";
    char boot_loader[64];
    std::snprintf(boot_loader, sizeof(boot_loader), boot_loader_format,
                  static_cast<unsigned long long>(state.boot_loader_bytes));
    std::snprintf(text, sizeof(text),
                  "backlight      %u%% %s\n"
                  "fm transmitter word 0x%06X, transmitter %s, speaker %s\n"
                  "remote         %s\n"
                  "clock          CPU %u MHz, BUS %u MHz, priority %u\n"
                  "wave-out       0x%08X\n"
                  "av input       level %u\n"
                  "camera         %s\n"
                  "flash disk     %llu sectors, %llu bytes in use\n"
                  "%s",
                  state.backlight_percent, state.backlight_on ? "on" : "off", state.fm_word,
                  state.fm_transmitter_on ? "on" : "off", state.fm_speaker_on ? "on" : "off",
                  state.remote_receiver_on ? "on" : "off", state.cpu_mhz, state.bus_mhz, state.clock_priority,
                  state.wave_out_volume, state.av_input_level, state.camera_connected ? "in" : "out",
                  static_cast<unsigned long long>(state.flash_sectors),
                  static_cast<unsigned long long>(state.flash_bytes_in_use), boot_loader);
    return text;
}

std::string Describe(const std::vector<protocol::ProcessEntry>& processes) {
    // Columns padded as printf's %-Ns pads them: a longer field is kept whole and pushes on.
    auto field = [](std::string text, std::size_t width) {
        if (text.size() < width) text.append(width - text.size(), ' ');
        return text;
    };
    auto line = [&](const std::string& pid, const std::string& name, const std::string& path,
                    const std::string& command_line) {
        return field(pid, 8) + " " + field(name, 16) + " " + field(path, 34) + " " + command_line + "\n";
    };
    std::string text = line("PID", "PROGRAM", "PATH", "COMMAND LINE");
    for (const auto& process : processes)
        text += line(std::to_string(process.process_id), process.name, process.path.empty() ? "-" : process.path,
                     process.command_line);
    return text;
}

std::string Describe(const RegistryValue& value) {
    char text[64];
    if (value.type == REG_DWORD) {
        std::snprintf(text, sizeof(text), "dword:%08x (%u)", value.number, value.number);
        return text;
    }
    if (value.type == REG_SZ) return "\"" + value.text + "\"";
    std::string out = "hex:";
    for (std::size_t i = 0; i < value.bytes.size(); ++i) {
        std::snprintf(text, sizeof(text), i ? ",%02x" : "%02x", value.bytes[i]);
        out += text;
    }
    return out;
}

std::optional<std::vector<std::uint8_t>> HexBytes(std::string_view text) {
    const auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    if (text.size() % 2 != 0) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    for (std::size_t at = 0; at < text.size(); at += 2) {
        const int high = digit(text[at]), low = digit(text[at + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

}  // namespace devicectl
