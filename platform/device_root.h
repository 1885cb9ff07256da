// Where the simulated device lives on disk, and the board settings in its device.conf.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace platform {

// The device root: set explicitly (tools' --root), else $DEVICE_ROOT, else ./device.
// Always returned as an absolute path.
std::filesystem::path DeviceRootDir();
void SetDeviceRootDir(const std::filesystem::path& root);

inline std::filesystem::path DeviceFsDir() { return DeviceRootDir() / "fs"; }
inline std::filesystem::path DeviceStateDir() { return DeviceRootDir() / "state"; }
inline std::filesystem::path DeviceRunDir() { return DeviceRootDir() / "run"; }
inline std::filesystem::path DeviceSocketPath() { return DeviceRunDir() / "server.sock"; }

// device.conf: plain "key = value" lines; '#' starts a comment line. Unknown keys are kept.
class DeviceConfig {
public:
    static DeviceConfig Parse(const std::string& text);
    static DeviceConfig Load(const std::filesystem::path& file);

    std::string Get(const std::string& key, const std::string& fallback = {}) const;
    long GetInt(const std::string& key, long fallback) const;
    bool Has(const std::string& key) const { return m_values.count(key) != 0; }
    void Set(const std::string& key, const std::string& value) { m_values[key] = value; }

private:
    std::map<std::string, std::string> m_values;
};

// The configuration of the current device root, read once on first use.
const DeviceConfig& Config();
// Forget the cached configuration (tests that switch device roots).
void ReloadConfig();

// The program's own name as the device knows it ("MUSIC.EXE"), used for its log file.
std::string ProgramName();
void SetProgramName(const std::string& name);

}  // namespace platform
