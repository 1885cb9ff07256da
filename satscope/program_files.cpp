#include "satscope/program_files.h"

#include "platform/files/files.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"

namespace satscope {
namespace {

// Far more than any settings file; a bigger one is read as its first megabyte.
constexpr DWORD kLargestSettingsFile = 1 << 20;

}  // namespace

std::string ProgramFolder()
{
    const std::string& program = GetModuleFileName();
    const std::size_t slash = program.rfind('\\');
    return slash == std::string::npos ? std::string("\\") : program.substr(0, slash + 1);
}

std::optional<std::string> ReadSettingsFile(const std::string& path)
{
    HANDLE file = CreateFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    if (file == INVALID_HANDLE_VALUE) {
        DebugPrintf("SatScope: %s cannot be read (error %u)\r\n", path.c_str(), GetLastError());
        return std::nullopt;
    }
    std::string text;
    char chunk[8192];
    DWORD read = 0;
    while (text.size() < kLargestSettingsFile && ReadFile(file, chunk, sizeof chunk, &read) && read > 0)
        text.append(chunk, read);
    CloseHandle(file);
    if (text.size() > kLargestSettingsFile) text.resize(kLargestSettingsFile);
    return text;
}

bool LogFile::Open(const std::string& path)
{
    Close();
    m_file = CreateFile(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    if (m_file == INVALID_HANDLE_VALUE) {
        DebugPrintf("SatScope: the log %s cannot be opened (error %u)\r\n", path.c_str(), GetLastError());
        return false;
    }
    SetFilePointer(m_file, 0, nullptr, FILE_END);
    m_path = path;
    return true;
}

void LogFile::Close()
{
    if (m_file != INVALID_HANDLE_VALUE) CloseHandle(m_file);
    m_file = INVALID_HANDLE_VALUE;
}

void LogFile::Write(std::string_view text)
{
    if (m_file == INVALID_HANDLE_VALUE || text.empty()) return;
    DWORD written = 0;
    if (!WriteFile(m_file, text.data(), static_cast<DWORD>(text.size()), &written) || written != text.size())
        DebugPrintf("SatScope: the log %s took %u of %zu bytes (error %u)\r\n", m_path.c_str(), written, text.size(),
                    GetLastError());
}

}  // namespace satscope
