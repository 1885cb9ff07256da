#include "platform/kernel/handle_table.h"
#include "platform/kernel/kernel.h"

namespace platform {
// Closes a handle the device server handed out; defined with the server connection.
BOOL CloseServerHandle(HANDLE handle);
}

BOOL CloseHandle(HANDLE handle) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (platform::IsLocalHandle(handle)) {
        if (platform::RemoveLocalHandle(handle)) return TRUE;
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return platform::CloseServerHandle(handle);
}
