// A device root of its own for each test: a fresh temporary directory with fs/NAND, removed
// afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/device_root.h"

namespace platform::testing {

class TempDeviceRoot {
public:
    TempDeviceRoot() {
        std::string pattern = (std::filesystem::temp_directory_path() / "headunit-files-XXXXXX").string();
        char* made = ::mkdtemp(pattern.data());
        m_root = made ? std::filesystem::path(made) : std::filesystem::path(pattern);
        std::filesystem::create_directories(m_root / "fs" / "NAND");
        platform::SetDeviceRootDir(m_root);
    }
    ~TempDeviceRoot() {
        std::error_code error;
        // Read-only files and directories made by a test must not stop the clean-up.
        for (auto& entry : std::filesystem::recursive_directory_iterator(m_root, error)) {
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, error);
        }
        std::filesystem::remove_all(m_root, error);
    }
    TempDeviceRoot(const TempDeviceRoot&) = delete;
    TempDeviceRoot& operator=(const TempDeviceRoot&) = delete;

    const std::filesystem::path& Root() const { return m_root; }
    std::filesystem::path Fs() const { return m_root / "fs"; }

    // Writes a host file below fs/ (relative path with '/').
    void WriteHostFile(const std::string& relative, const std::string& bytes) const {
        auto path = Fs() / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        out << bytes;
    }
    std::string ReadHostFile(const std::string& relative) const {
        std::ifstream in(Fs() / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void WriteConfig(const std::string& text) const {
        std::ofstream(m_root / "device.conf") << text;
        platform::ReloadConfig();
    }

private:
    std::filesystem::path m_root;
};

}  // namespace platform::testing
