// Placeholder until the server connection lands: no server handles exist yet.
#include "platform/kernel/kernel.h"
namespace platform {
BOOL CloseServerHandle(HANDLE) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}
}  // namespace platform
