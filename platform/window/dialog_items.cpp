// A dialog's controls by their control ids: found in this program's own windows first, else
// through the server, so they work on any program's dialog.
#include "platform/kernel/server_connection.h"
#include "platform/window/local_windows.h"
#include "platform/window/window.h"

namespace {

using platform::WindowFromNumber;
using platform::WindowNumber;

}  // namespace

int GetDlgCtrlID(HWND hwnd) {
    if (auto local = platform::LocalWindows::Instance().Get(WindowNumber(hwnd)))
        return static_cast<int>(local->control_id);
    if (!hwnd) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    protocol::GetWindowInfoRequest request;
    request.hwnd = WindowNumber(hwnd);
    protocol::WindowInfoReply reply;
    if (!platform::CallServer(request, reply)) return 0;
    if (reply.error) {
        SetLastError(reply.error);
        return 0;
    }
    return static_cast<int>(reply.info.control_id);
}

HWND GetDlgItem(HWND dialog, int id) {
    const std::uint32_t parent = WindowNumber(dialog);
    if (!parent) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    const auto control_id = static_cast<std::uint32_t>(id);
    if (auto found = platform::LocalWindows::Instance().ChildWithId(parent, control_id)) return WindowFromNumber(found);
    // Not among this program's windows: perhaps another program's dialog, or a child another
    // program made in ours.
    protocol::GetDlgItemRequest request;
    request.parent = parent;
    request.control_id = control_id;
    protocol::WindowReply reply;
    if (!platform::CallServer(request, reply)) return nullptr;
    if (!reply.hwnd) {
        SetLastError(reply.error ? reply.error : ERROR_CONTROL_ID_NOT_FOUND);
        return nullptr;
    }
    return WindowFromNumber(reply.hwnd);
}

BOOL SetDlgItemText(HWND dialog, int id, const std::string& text) {
    HWND control = GetDlgItem(dialog, id);
    return control ? SetWindowText(control, text) : FALSE;
}

int GetDlgItemText(HWND dialog, int id, std::string& text) {
    text.clear();
    HWND control = GetDlgItem(dialog, id);
    return control ? GetWindowText(control, text) : 0;
}

std::string GetDlgItemText(HWND dialog, int id) {
    std::string text;
    GetDlgItemText(dialog, id, text);
    return text;
}

LRESULT SendDlgItemMessage(HWND dialog, int id, UINT message, WPARAM wparam, LPARAM lparam) {
    HWND control = GetDlgItem(dialog, id);
    return control ? SendMessage(control, message, wparam, lparam) : 0;
}
