#include "platform/kernel/debug_output.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <unistd.h>
#include <vector>

#include "platform/device_root.h"

namespace platform {

std::string LogPathFor(const std::string& program_name) {
    return (DeviceStateDir() / "logs" / (program_name + ".log")).string();
}

namespace {

// Never destroyed, for a thread that logs while the program exits.
struct LogFile {
    std::mutex mutex;
    int fd = -1;
    std::string path;
};

LogFile& Log() {
    static LogFile* const log = new LogFile;
    return *log;
}

void WriteLine(std::string line) {
    // The device's lines end in "\r\n"; the log keeps one '\n' per line.
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    line.push_back('\n');
    LogFile& log = Log();
    std::lock_guard lock(log.mutex);
    auto path = LogPathFor(ProgramName());
    if (path != log.path) {
        if (log.fd >= 0) ::close(log.fd);
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
        log.fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        log.path = path;
    }
    if (log.fd >= 0) {
        ssize_t written = ::write(log.fd, line.data(), line.size());
        (void)written;
    }
    static const bool to_stderr = std::getenv("DEVICE_DEBUG_STDERR") != nullptr;
    if (to_stderr) {
        ssize_t written = ::write(2, line.data(), line.size());
        (void)written;
    }
}

}  // namespace
}  // namespace platform

void OutputDebugString(std::string_view text) {
    // Split at line ends so each line is written whole; a text without an end is one line.
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            platform::WriteLine(std::string(text.substr(start)));
            return;
        }
        platform::WriteLine(std::string(text.substr(start, end - start)));
        start = end + 1;
    }
}

void DebugPrintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length < 0) {
        va_end(args);
        return;
    }
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    va_end(args);
    OutputDebugString(std::string_view(buffer.data(), static_cast<size_t>(length)));
}
