// The calling thread's last error code, as the device keeps it per thread.
#pragma once

#include "platform/win32_types.h"

DWORD GetLastError();
void SetLastError(DWORD error);
