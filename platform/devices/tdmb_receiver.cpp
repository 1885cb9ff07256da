#include "platform/devices/tdmb_receiver.h"

#include <charconv>
#include <cstring>

#include "platform/devices/stream_device.h"
#include "platform/kernel/kernel.h"

namespace platform::tdmb {
namespace {

constexpr std::size_t kMaxReplyBytes = 64 * 1024;

bool ReadNumber(std::string_view text, std::uint32_t& value) {
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

std::vector<std::uint8_t> Bytes(DWORD property, const std::vector<std::uint32_t>& words) {
    // The record's first word is the caller's own and the receiver ignores it.
    std::vector<std::uint8_t> bytes((words.size() + 2) * 4, 0);
    std::memcpy(bytes.data(), &property, 4);
    if (!words.empty()) std::memcpy(bytes.data() + 8, words.data(), words.size() * 4);
    return bytes;
}

}  // namespace

std::string FormatTunedService(const TunedService& service) {
    std::string text;
    auto line = [&text](std::string_view key, const std::string& value) {
        text.append(key).append("=").append(value).append("\n");
    };
    auto number = [&line](std::string_view key, std::uint32_t value) { line(key, std::to_string(value)); };
    number("tuned", service.tuned ? 1 : 0);
    number("frequency", service.frequency_khz);
    number("service", service.service_id);
    number("subchannel", service.subchannel_id);
    number("type", service.type);
    number("audio", service.audio_coding);
    number("audio_a", service.audio_a);
    number("audio_b", service.audio_b);
    number("signal", service.signal_level);
    number("errors", service.error_measure);
    number("dropped", service.dropped ? 1 : 0);
    line("media", service.media);
    for (const std::string& slide : service.slides) line("slide", slide);
    number("slide_seconds", service.slide_seconds);
    for (const std::string& label : service.dynamic_labels) line("dynamic_label", label);
    number("dynamic_label_seconds", service.dynamic_label_seconds);
    return text;
}

std::optional<TunedService> ParseTunedService(std::string_view text) {
    TunedService service;
    bool saw_tuned = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) return std::nullopt;  // every line ends in a newline
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) return std::nullopt;
        const std::string_view key = line.substr(0, equals);
        const std::string_view value = line.substr(equals + 1);
        std::uint32_t number = 0;
        const bool is_number = ReadNumber(value, number);
        auto set = [&](std::uint32_t& field) { field = number; return is_number; };
        auto flag = [&](bool& field) { field = number == 1; return is_number && number <= 1; };
        bool good = true;
        if (key == "tuned") {
            good = flag(service.tuned);
            saw_tuned = true;
        }
        else if (key == "frequency") good = set(service.frequency_khz);
        else if (key == "service") good = set(service.service_id);
        else if (key == "subchannel") good = set(service.subchannel_id);
        else if (key == "type") good = set(service.type);
        else if (key == "audio") {
            good = is_number && number <= 0xFF;
            service.audio_coding = static_cast<std::uint8_t>(number);
        }
        else if (key == "audio_a") good = set(service.audio_a);
        else if (key == "audio_b") good = set(service.audio_b);
        else if (key == "signal") good = set(service.signal_level);
        else if (key == "errors") good = set(service.error_measure);
        else if (key == "dropped") good = flag(service.dropped);
        else if (key == "media") service.media = std::string(value);
        else if (key == "slide") service.slides.emplace_back(value);
        else if (key == "slide_seconds") good = set(service.slide_seconds) && number > 0;
        else if (key == "dynamic_label") service.dynamic_labels.emplace_back(value);
        else if (key == "dynamic_label_seconds") good = set(service.dynamic_label_seconds) && number > 0;
        if (!good) return std::nullopt;
    }
    if (!saw_tuned) return std::nullopt;
    return service;
}

ReceiverClient::ReceiverClient() = default;

ReceiverClient::~ReceiverClient() {
    if (IsOpen()) CloseHandle(m_device);
}

ReceiverClient& ReceiverClient::ForThisThread() {
    thread_local ReceiverClient client;
    return client;
}

bool ReceiverClient::Open() {
    if (IsOpen()) return true;
    m_device = OpenStreamDevice(kReceiverDevice, 0, 0);
    return IsOpen();
}

bool ReceiverClient::Set(DWORD property, const std::vector<std::uint32_t>& words) {
    if (!Open()) return false;
    const std::vector<std::uint8_t> input = Bytes(property, words);
    DWORD returned = 0;
    return DeviceIoControl(m_device, kIoctlTunerSet, input.data(), static_cast<DWORD>(input.size()), nullptr, 0,
                           &returned, nullptr) != FALSE;
}

bool ReceiverClient::Get(DWORD property, const std::vector<std::uint32_t>& words, std::size_t reply_words,
                         std::vector<std::uint32_t>& reply) {
    reply.assign(reply_words, 0);
    if (!Open() || reply_words * 4 > kMaxReplyBytes) return false;
    const std::vector<std::uint8_t> input = Bytes(property, words);
    DWORD returned = 0;
    if (!DeviceIoControl(m_device, kIoctlTunerGet, input.data(), static_cast<DWORD>(input.size()), reply.data(),
                         static_cast<DWORD>(reply_words * 4), &returned, nullptr))
        return false;
    reply.resize(returned / 4);
    return true;
}

std::optional<TunedService> ReceiverClient::Tuned() {
    if (!Open()) return std::nullopt;
    std::string text(kMaxReplyBytes, '\0');
    DWORD returned = 0;
    if (!DeviceIoControl(m_device, kIoctlTunedService, nullptr, 0, text.data(), static_cast<DWORD>(text.size()),
                         &returned, nullptr))
        return std::nullopt;
    text.resize(returned);
    return ParseTunedService(text);
}

std::optional<std::string> ReceiverClient::Control(std::string_view command) {
    if (!Open()) return std::nullopt;
    std::string reply(kMaxReplyBytes, '\0');
    DWORD returned = 0;
    if (!DeviceIoControl(m_device, kIoctlReceiverControl, command.data(), static_cast<DWORD>(command.size()),
                         reply.data(), static_cast<DWORD>(reply.size()), &returned, nullptr))
        return std::nullopt;
    reply.resize(returned);
    return reply;
}

}  // namespace platform::tdmb
