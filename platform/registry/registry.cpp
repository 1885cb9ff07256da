#include "platform/registry/registry.h"

#include <cstring>
#include <map>
#include <mutex>

#include "platform/files/codepage.h"
#include "platform/kernel/server_connection.h"

namespace platform {
namespace {

std::mutex s_mutex;
std::map<std::uintptr_t, std::string> s_keys;  // open key handle -> full path
std::uintptr_t s_next_key = 0x1000;

std::uintptr_t Value(HKEY key) { return reinterpret_cast<std::uintptr_t>(key); }

const char* RootName(HKEY key) {
    switch (Value(key)) {
        case 0x80000000u: return "HKEY_CLASSES_ROOT";
        case 0x80000001u: return "HKEY_CURRENT_USER";
        case 0x80000002u: return "HKEY_LOCAL_MACHINE";
        case 0x80000003u: return "HKEY_USERS";
        default: return nullptr;
    }
}

// The full path of sub_key below key; empty when key is unknown or sub_key is malformed.
std::string Join(HKEY key, const std::string& sub_key) {
    std::string base = RegistryKeyPath(key);
    if (base.empty()) return {};
    std::string sub = sub_key;
    while (!sub.empty() && sub.front() == '\\') sub.erase(sub.begin());
    while (!sub.empty() && sub.back() == '\\') sub.pop_back();
    return sub.empty() ? base : base + "\\" + sub;
}

HKEY Remember(const std::string& path) {
    std::lock_guard lock(s_mutex);
    s_next_key += 4;
    s_keys[s_next_key] = path;
    return reinterpret_cast<HKEY>(s_next_key);
}

template <class Request>
LONG Call(const Request& request, typename Request::Reply& reply) {
    auto* connection = ServerConnection::Current();
    if (!connection || !connection->Call(request, reply)) return static_cast<LONG>(ERROR_BROKEN_PIPE);
    return static_cast<LONG>(reply.error);
}

}  // namespace

std::string RegistryKeyPath(HKEY key) {
    if (const char* root = RootName(key)) return root;
    std::lock_guard lock(s_mutex);
    auto found = s_keys.find(Value(key));
    return found == s_keys.end() ? std::string() : found->second;
}

std::optional<DWORD> RegReadDword(const std::string& key_path, const std::string& value_name) {
    protocol::RegQueryValueRequest request{key_path, value_name};
    protocol::RegValueReply reply;
    if (Call(request, reply) != 0 || reply.type != REG_DWORD || reply.data.size() != 4) return std::nullopt;
    DWORD value;
    std::memcpy(&value, reply.data.data(), 4);
    return value;
}

std::optional<std::string> RegReadString(const std::string& key_path, const std::string& value_name) {
    protocol::RegQueryValueRequest request{key_path, value_name};
    protocol::RegValueReply reply;
    if (Call(request, reply) != 0 || reply.type != REG_SZ) return std::nullopt;
    std::u16string wide;
    for (std::size_t i = 0; i + 1 < reply.data.size(); i += 2) {
        char16_t unit = static_cast<char16_t>(reply.data[i] | (reply.data[i + 1] << 8));
        if (unit == 0) break;
        wide.push_back(unit);
    }
    return WideToUtf8(wide);
}

LONG RegWriteDword(const std::string& key_path, const std::string& value_name, DWORD value) {
    protocol::RegSetValueRequest request;
    request.path = key_path;
    request.name = value_name;
    request.type = REG_DWORD;
    request.data.resize(4);
    std::memcpy(request.data.data(), &value, 4);
    protocol::StatusReply reply;
    return Call(request, reply);
}

LONG RegWriteString(const std::string& key_path, const std::string& value_name, const std::string& value) {
    protocol::RegSetValueRequest request;
    request.path = key_path;
    request.name = value_name;
    request.type = REG_SZ;
    for (char16_t unit : Utf8ToWide(value)) {
        request.data.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        request.data.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    request.data.push_back(0);
    request.data.push_back(0);
    protocol::StatusReply reply;
    return Call(request, reply);
}

}  // namespace platform

LONG RegCreateKeyEx(HKEY key, const std::string& sub_key, DWORD, const std::string&, DWORD, DWORD, void*, HKEY* result,
                    DWORD* disposition) {
    if (!result) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    const std::string path = platform::Join(key, sub_key);
    if (path.empty()) return static_cast<LONG>(ERROR_INVALID_HANDLE);
    protocol::RegCreateKeyRequest request{path};
    protocol::RegKeyReply reply;
    LONG error = platform::Call(request, reply);
    if (error != 0) return error;
    *result = platform::Remember(path);
    if (disposition) *disposition = reply.created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RegOpenKeyEx(HKEY key, const std::string& sub_key, DWORD, DWORD, HKEY* result) {
    if (!result) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    const std::string path = platform::Join(key, sub_key);
    if (path.empty()) return static_cast<LONG>(ERROR_INVALID_HANDLE);
    protocol::RegOpenKeyRequest request{path};
    protocol::RegKeyReply reply;
    LONG error = platform::Call(request, reply);
    if (error != 0) return error;
    *result = platform::Remember(path);
    return ERROR_SUCCESS;
}

LONG RegQueryValueEx(HKEY key, const std::string& value_name, DWORD*, DWORD* type, BYTE* data, DWORD* data_size) {
    const std::string path = platform::RegistryKeyPath(key);
    if (path.empty()) return static_cast<LONG>(ERROR_INVALID_HANDLE);
    if (data && !data_size) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    protocol::RegQueryValueRequest request{path, value_name};
    protocol::RegValueReply reply;
    LONG error = platform::Call(request, reply);
    if (error != 0) return error;
    if (type) *type = reply.type;
    const auto size = static_cast<DWORD>(reply.data.size());
    if (data_size) {
        const DWORD room = *data_size;
        *data_size = size;
        if (data) {
            if (room < size) return static_cast<LONG>(ERROR_MORE_DATA);
            if (size) std::memcpy(data, reply.data.data(), size);
        }
    }
    return ERROR_SUCCESS;
}

LONG RegSetValueEx(HKEY key, const std::string& value_name, DWORD, DWORD type, const BYTE* data, DWORD data_size) {
    const std::string path = platform::RegistryKeyPath(key);
    if (path.empty()) return static_cast<LONG>(ERROR_INVALID_HANDLE);
    if (!data && data_size) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    protocol::RegSetValueRequest request;
    request.path = path;
    request.name = value_name;
    request.type = type;
    if (data_size) request.data.assign(data, data + data_size);
    protocol::StatusReply reply;
    return platform::Call(request, reply);
}

LONG RegDeleteKey(HKEY key, const std::string& sub_key) {
    const std::string path = platform::Join(key, sub_key);
    if (path.empty()) return static_cast<LONG>(ERROR_INVALID_HANDLE);
    protocol::RegDeleteKeyRequest request{path};
    protocol::StatusReply reply;
    return platform::Call(request, reply);
}

LONG RegQueryInfoKey(HKEY key, DWORD* subkeys, DWORD* values) {
    const std::string path = platform::RegistryKeyPath(key);
    if (path.empty()) return static_cast<LONG>(ERROR_INVALID_HANDLE);
    protocol::RegQueryInfoKeyRequest request{path};
    protocol::RegKeyInfoReply reply;
    const LONG result = platform::Call(request, reply);
    if (result == ERROR_SUCCESS) {
        if (subkeys) *subkeys = reply.subkeys;
        if (values) *values = reply.values;
    }
    return result;
}

LONG RegDeleteValue(HKEY key, const std::string& value_name) {
    const std::string path = platform::RegistryKeyPath(key);
    if (path.empty()) return static_cast<LONG>(ERROR_INVALID_HANDLE);
    protocol::RegDeleteValueRequest request{path, value_name};
    protocol::StatusReply reply;
    return platform::Call(request, reply);
}

LONG RegFlushKey(HKEY key) {
    if (platform::RegistryKeyPath(key).empty()) return static_cast<LONG>(ERROR_INVALID_HANDLE);
    protocol::RegFlushRequest request;
    protocol::StatusReply reply;
    return platform::Call(request, reply);
}

LONG RegCloseKey(HKEY key) {
    if (platform::RootName(key)) return ERROR_SUCCESS;
    std::lock_guard lock(platform::s_mutex);
    return platform::s_keys.erase(platform::Value(key)) ? ERROR_SUCCESS : static_cast<LONG>(ERROR_INVALID_HANDLE);
}
