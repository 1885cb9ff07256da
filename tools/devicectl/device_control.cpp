#include "tools/devicectl/device_control.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/device_root.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/server_connection.h"
#include "platform/registry/registry.h"

namespace devicectl {
namespace {

template <class Request>
bool Call(const Request& request, typename Request::Reply& reply) {
    auto* connection = platform::ServerConnection::Current();
    return connection && connection->Call(request, reply);
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

}  // namespace devicectl
