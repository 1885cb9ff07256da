#include "platform/device_root.h"

#include <cstdlib>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <unistd.h>

namespace platform {
namespace {

// Never destroyed: a thread still running while the program exits may log, and a log line
// reads the root and the program's name after static destruction has begun.
struct Settings {
    std::mutex mutex;
    std::optional<std::filesystem::path> root;
    std::optional<DeviceConfig> config;
    std::optional<std::string> program_name;
};

Settings& Shared() {
    static Settings* const settings = new Settings;
    return *settings;
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

}  // namespace

std::filesystem::path DeviceRootDir() {
    std::lock_guard lock(Shared().mutex);
    if (!Shared().root) {
        const char* env = std::getenv("DEVICE_ROOT");
        std::filesystem::path root = (env && *env) ? std::filesystem::path(env) : std::filesystem::path("device");
        std::error_code error;
        auto absolute = std::filesystem::absolute(root, error);
        Shared().root = error ? root : absolute.lexically_normal();
    }
    return *Shared().root;
}

void SetDeviceRootDir(const std::filesystem::path& root) {
    std::lock_guard lock(Shared().mutex);
    std::error_code error;
    auto absolute = std::filesystem::absolute(root, error);
    Shared().root = error ? root : absolute.lexically_normal();
    Shared().config.reset();
}

DeviceConfig DeviceConfig::Parse(const std::string& text) {
    DeviceConfig config;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#') continue;
        const auto equals = line.find('=');
        if (equals == std::string::npos) continue;
        auto key = Trim(line.substr(0, equals));
        if (!key.empty()) config.m_values[key] = Trim(line.substr(equals + 1));
    }
    return config;
}

DeviceConfig DeviceConfig::Load(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    std::ostringstream text;
    text << in.rdbuf();
    return Parse(text.str());
}

std::string DeviceConfig::Get(const std::string& key, const std::string& fallback) const {
    auto found = m_values.find(key);
    return found == m_values.end() ? fallback : found->second;
}

long DeviceConfig::GetInt(const std::string& key, long fallback) const {
    auto found = m_values.find(key);
    if (found == m_values.end() || found->second.empty()) return fallback;
    char* end = nullptr;
    long value = std::strtol(found->second.c_str(), &end, 0);
    return (end && *end == '\0') ? value : fallback;
}

const DeviceConfig& Config() {
    auto root = DeviceRootDir();
    std::lock_guard lock(Shared().mutex);
    if (!Shared().config) Shared().config = DeviceConfig::Load(root / "device.conf");
    return *Shared().config;
}

void ReloadConfig() {
    std::lock_guard lock(Shared().mutex);
    Shared().config.reset();
}

std::string ProgramName() {
    std::lock_guard lock(Shared().mutex);
    if (!Shared().program_name) {
        const char* env = std::getenv("DEVICE_PROGRAM");
        if (env && *env) {
            Shared().program_name = env;
        } else {
            char buffer[4096];
            ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
            Shared().program_name = length > 0 ? std::filesystem::path(std::string(buffer, static_cast<size_t>(length))).filename().string()
                                        : std::string("program");
        }
    }
    return *Shared().program_name;
}

void SetProgramName(const std::string& name) {
    std::lock_guard lock(Shared().mutex);
    Shared().program_name = name;
}

}  // namespace platform
