// The platform's taskbar registration: the server tells the registered window about the
// windows that belong on a taskbar (WM_TASKBAR_NOTIFY).
#include "platform/kernel/server_connection.h"
#include "platform/window/window.h"

BOOL RegisterTaskBar(HWND hwnd) {
    if (!hwnd) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    protocol::RegisterTaskBarRequest request;
    request.hwnd = platform::WindowNumber(hwnd);
    return platform::CallForStatus(request);
}
