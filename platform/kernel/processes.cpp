// Starting and ending programs, and the program's own command line.
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/device_root.h"
#include "platform/kernel/handle_table.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/server_connection.h"

namespace {

using platform::CallServer;

std::string ReadCommandLine() {
    // Programs the device starts get the text after their path whole; a program started by
    // hand gets its arguments joined by blanks.
    if (const char* text = std::getenv("DEVICE_COMMAND_LINE")) return text;
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto first_end = all.find('\0');
    if (first_end == std::string::npos) return {};
    std::string rest = all.substr(first_end + 1);
    if (!rest.empty() && rest.back() == '\0') rest.pop_back();
    for (auto& c : rest)
        if (c == '\0') c = ' ';
    return rest;
}

}  // namespace

const std::string& GetCommandLine() {
    static const std::string command_line = ReadCommandLine();
    return command_line;
}

const std::string& GetModuleFileName() {
    static const std::string path = [] {
        const char* started_as = std::getenv("DEVICE_PROGRAM_PATH");
        return started_as && *started_as ? std::string(started_as) : "\\NAND\\" + platform::ProgramName();
    }();
    return path;
}

BOOL ShellExecuteEx(SHELLEXECUTEINFO* info) {
    if (!info) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    info->hProcess = nullptr;
    protocol::StartProcessRequest request;
    request.path = info->lpFile;
    request.verb = info->lpVerb;
    request.parameters = info->lpParameters;
    protocol::StartProcessReply reply;
    if (!CallServer(request, reply)) return FALSE;
    if (reply.error != 0 && reply.handle == 0) {
        SetLastError(reply.error);
        return FALSE;
    }
    HANDLE process = platform::MakeHandle(reply.handle);
    if (info->fMask & SEE_MASK_NOCLOSEPROCESS) info->hProcess = process;
    else CloseHandle(process);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL TerminateProcess(HANDLE process, DWORD exit_code) {
    protocol::TerminateProcessRequest request;
    request.handle = static_cast<std::uint32_t>(platform::HandleValue(process));
    request.exit_code = exit_code;
    return platform::CallForStatus(request);
}

BOOL GetExitCodeProcess(HANDLE process, DWORD* exit_code) {
    protocol::ProcessExitCodeRequest request;
    request.handle = static_cast<std::uint32_t>(platform::HandleValue(process));
    protocol::ExitCodeReply reply;
    if (!exit_code || !CallServer(request, reply)) return FALSE;
    if (reply.error) {
        SetLastError(reply.error);
        return FALSE;
    }
    *exit_code = reply.exit_code;
    return TRUE;
}
