// The two files SatScope keeps beside its program: the settings it reads (UIConfig.ini) and the
// log it appends to (log.txt).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/win32_types.h"

namespace satscope {

// The program's folder as a device path, with its last backslash ("\NAND\").
std::string ProgramFolder();

// The settings file's text, created empty when missing; nothing when it cannot be read.
std::optional<std::string> ReadSettingsFile(const std::string& path);

// log.txt, opened for appending by each start of logging.
class LogFile {
public:
    LogFile() = default;
    ~LogFile() { Close(); }
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // False (the reason in the debug log) when the file cannot be opened.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_file != INVALID_HANDLE_VALUE; }
    // Writes the bytes whole, at the end of the file.
    void Write(std::string_view text);

private:
    HANDLE m_file = INVALID_HANDLE_VALUE;
    std::string m_path;
};

}  // namespace satscope
