// The board's stream drivers, opened with CreateFile by their device names ("BKL1:",
// "FMM0:", "REM0:") and driven with DeviceIoControl; and the kernel's platform control call.
// The drivers live in the device server.
#pragma once

#include <string>

#include "platform/win32_types.h"

BOOL DeviceIoControl(HANDLE device, DWORD code, const void* input, DWORD input_size, void* output, DWORD output_size,
                     DWORD* bytes_returned, void* overlapped);
// The kernel's platform control call (the clock manager answers code 0x01010FA0).
BOOL KernelIoControl(DWORD code, const void* input, DWORD input_size, void* output, DWORD output_size,
                     DWORD* bytes_returned);

namespace platform {

// Three letters, a digit and a colon: the name of a stream device.
bool IsStreamDeviceName(const std::string& name);
// CreateFile of a stream device: INVALID_HANDLE_VALUE with ERROR_FILE_NOT_FOUND when the
// board has no such device.
HANDLE OpenStreamDevice(const std::string& name, DWORD desired_access, DWORD creation_disposition);

// The board status word at the kernel's fixed address (device.conf "board_status").
DWORD ReadBoardStatusWord();

}  // namespace platform
