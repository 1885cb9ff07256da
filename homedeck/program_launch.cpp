#include "homedeck/program_launch.h"

#include "framework/program_messages.h"
#include "platform/files/files.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"

namespace homedeck {

int LaunchOrActivate(const std::string& window_name, const std::string& path, const std::string& argument,
                     BringToFront bring_to_front)
{
    if (HWND running = FindProgramWindow(window_name)) {
        if (bring_to_front == BringToFront::Yes)
            SetForegroundWindow(running);
        return kLaunchRunning;
    }
    if (GetFileAttributes(path) == INVALID_FILE_ATTRIBUTES) {
        DebugPrintf("HomeDeck: cannot start %s (no such file)\r\n", path.c_str());
        return kLaunchFailed;
    }
    SHELLEXECUTEINFO start;
    start.fMask = SEE_MASK_NOCLOSEPROCESS;
    start.lpVerb = "Open";
    start.lpFile = path;
    start.lpParameters = argument;
    if (!ShellExecuteEx(&start)) {
        // The file is there but would not start: nothing runs, so nothing may be closed for it.
        DebugPrintf("HomeDeck: cannot start %s (error %u)\r\n", path.c_str(), static_cast<unsigned>(GetLastError()));
        return kLaunchFailed;
    }
    if (start.hProcess) {
        WaitForSingleObject(start.hProcess, kLaunchWaitMs);
        CloseHandle(start.hProcess);
    }
    return kLaunchStarted;
}

bool CloseProgram(const std::string& window_name)
{
    HWND window = FindProgramWindow(window_name);
    if (!window)
        return true;
    DWORD_PTR result = 0;
    if (SendMessageTimeout(window, WM_CLOSE, 0, 0, SMTO_NORMAL, kCloseWaitMs, &result))
        return true;
    if (GetLastError() == ERROR_TIMEOUT)
        DebugPrintf("HomeDeck: %s did not close within %u ms\r\n", window_name.c_str(), static_cast<unsigned>(kCloseWaitMs));
    return false;
}

bool IsRunning(const ProgramPlace& program)
{
    return FindProgramWindow(program.windowName) != nullptr;
}

void SendTelecast(std::uintptr_t code, std::int32_t value)
{
    HWND telecast = FindProgramWindow(kTelecast.windowName);
    if (!telecast)
        return;
    COPYDATASTRUCT data;
    data.dwData = code;
    data.cbData = sizeof value;
    data.lpData = &value;
    SendMessage(telecast, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

}  // namespace homedeck
