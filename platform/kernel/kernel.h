// Kernel objects and threads as the device OS offers them: events, mutexes, file mappings,
// processes and threads, waits with time-outs, handles, ticks. Objects live in the device
// server and are shared between programs by name.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "platform/kernel/last_error.h"
#include "platform/win32_types.h"

// Events.
HANDLE CreateEvent(BOOL manual_reset, BOOL initial_state, const std::string& name = {});
HANDLE OpenEvent(DWORD desired_access, BOOL inherit, const std::string& name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
BOOL PulseEvent(HANDLE event);
constexpr DWORD EVENT_ALL_ACCESS = 0x001F0003u;
constexpr DWORD EVENT_MODIFY_STATE = 0x0002u;
constexpr DWORD SYNCHRONIZE = 0x00100000u;

// Mutexes.
HANDLE CreateMutex(BOOL initial_owner, const std::string& name = {});
BOOL ReleaseMutex(HANDLE mutex);

// Waits.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL wait_all, DWORD milliseconds);

// File mappings: with INVALID_HANDLE_VALUE as the file, memory backed by the page file, named
// and shared between programs; with an open file's handle, that file's contents.
constexpr DWORD PAGE_READONLY = 0x02u;
constexpr DWORD PAGE_READWRITE = 0x04u;
constexpr DWORD FILE_MAP_WRITE = 0x0002u;
constexpr DWORD FILE_MAP_READ = 0x0004u;
constexpr DWORD FILE_MAP_ALL_ACCESS = 0x000F001Fu;
HANDLE CreateFileMapping(HANDLE file, void* security, DWORD protect, DWORD maximum_size_high,
                         DWORD maximum_size_low, const std::string& name = {});
void* MapViewOfFile(HANDLE mapping, DWORD desired_access, DWORD offset_high, DWORD offset_low,
                    std::size_t bytes_to_map);
BOOL UnmapViewOfFile(const void* base_address);

BOOL CloseHandle(HANDLE handle);

// Threads.
using LPTHREAD_START_ROUTINE = DWORD (*)(void* parameter);
constexpr int THREAD_PRIORITY_TIME_CRITICAL = 0;
constexpr int THREAD_PRIORITY_HIGHEST = 1;
constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 2;
constexpr int THREAD_PRIORITY_NORMAL = 3;
constexpr int THREAD_PRIORITY_BELOW_NORMAL = 4;
constexpr int THREAD_PRIORITY_LOWEST = 5;
constexpr int THREAD_PRIORITY_ABOVE_IDLE = 6;
constexpr int THREAD_PRIORITY_IDLE = 7;
constexpr DWORD CREATE_SUSPENDED = 0x00000004u;
HANDLE CreateThread(void* security, std::size_t stack_size, LPTHREAD_START_ROUTINE start, void* parameter,
                    DWORD creation_flags, DWORD* thread_id);
BOOL SetThreadPriority(HANDLE thread, int priority);
int GetThreadPriority(HANDLE thread);
DWORD ResumeThread(HANDLE thread);
BOOL GetExitCodeThread(HANDLE thread, DWORD* exit_code);
BOOL GetExitCodeProcess(HANDLE process, DWORD* exit_code);
constexpr DWORD STILL_ACTIVE = 259;
DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();

void Sleep(DWORD milliseconds);
DWORD GetTickCount();

// The memory of the device as its 32-bit programs see it: bytes, each saturated at
// 0xFFFFFFFF (a host with more memory than a 32-bit count holds reports the most it can,
// never a wrapped-round small number). Physical memory is the host's; the virtual space is a
// 2 GiB address space less what this program has mapped.
struct MEMORYSTATUS {
    DWORD dwLength = sizeof(MEMORYSTATUS);
    DWORD dwMemoryLoad = 0;  // percent of physical memory in use
    DWORD dwTotalPhys = 0;
    DWORD dwAvailPhys = 0;
    DWORD dwTotalPageFile = 0;
    DWORD dwAvailPageFile = 0;
    DWORD dwTotalVirtual = 0;
    DWORD dwAvailVirtual = 0;
};
void GlobalMemoryStatus(MEMORYSTATUS* status);

namespace platform {
// The status from the texts of /proc/meminfo and /proc/self/status (exposed for tests).
MEMORYSTATUS MemoryStatusFrom(const std::string& meminfo, const std::string& self_status);
}  // namespace platform

// The program's command line: the text after its path when it was started.
const std::string& GetCommandLine();
// The device path the program was started from (\NAND\MUSIC.EXE as the caller of
// ShellExecuteEx spelled it); a program started by hand, outside the device, reports its own
// file name under \NAND.
const std::string& GetModuleFileName();

// Starting programs.
constexpr DWORD SEE_MASK_NOCLOSEPROCESS = 0x00000040u;
struct SHELLEXECUTEINFO {
    DWORD fMask = 0;
    std::string lpVerb;        // "Open"
    std::string lpFile;        // device path of the program
    std::string lpParameters;  // its command line
    HANDLE hProcess = nullptr; // set when fMask has SEE_MASK_NOCLOSEPROCESS
};
BOOL ShellExecuteEx(SHELLEXECUTEINFO* info);
BOOL TerminateProcess(HANDLE process, DWORD exit_code);
