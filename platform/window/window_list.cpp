// Walking the device's windows: every top-level window in z-order, and the windows related to
// one window (owner, children, siblings), from one list the server gives.
#include <algorithm>
#include <optional>
#include <vector>

#include "platform/kernel/server_connection.h"
#include "platform/window/window.h"

namespace {

using platform::WindowFromNumber;
using platform::WindowNumber;

// Top-level windows front to back, each followed by its children front to back.
std::optional<std::vector<protocol::WindowInfo>> WindowList() {
    auto* connection = platform::ServerConnection::Current();
    protocol::ListWindowsReply reply;
    if (!connection || !connection->Call(protocol::ListWindowsRequest{}, reply)) return std::nullopt;
    return std::move(reply.windows);
}

}  // namespace

BOOL EnumWindows(WNDENUMPROC callback, LPARAM lparam) {
    if (!callback) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto windows = WindowList();
    if (!windows) return FALSE;
    for (const auto& window : *windows) {
        if (window.parent != 0) continue;
        if (!callback(WindowFromNumber(window.hwnd), lparam)) return FALSE;
    }
    return TRUE;
}

HWND GetWindow(HWND hwnd, UINT relation) {
    auto windows = WindowList();
    if (!windows) return nullptr;
    const std::uint32_t number = WindowNumber(hwnd);
    auto self = std::find_if(windows->begin(), windows->end(), [&](const auto& w) { return w.hwnd == number; });
    if (self == windows->end()) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    // Siblings share a parent (0 for top-level windows) and come in the list in z-order.
    auto siblings_of = [&](std::uint32_t parent) {
        std::vector<std::uint32_t> siblings;
        for (const auto& window : *windows)
            if (window.parent == parent) siblings.push_back(window.hwnd);
        return siblings;
    };
    std::vector<std::uint32_t> siblings;
    if (relation == GW_HWNDFIRST || relation == GW_HWNDLAST || relation == GW_HWNDNEXT || relation == GW_HWNDPREV)
        siblings = siblings_of(self->parent);
    const auto position = std::find(siblings.begin(), siblings.end(), number);
    std::uint32_t found = 0;
    switch (relation) {
        case GW_OWNER:
            found = self->owner;
            break;
        case GW_CHILD: {
            const auto children = siblings_of(number);
            found = children.empty() ? 0 : children.front();
            break;
        }
        case GW_HWNDFIRST:
            found = siblings.front();
            break;
        case GW_HWNDLAST:
            found = siblings.back();
            break;
        case GW_HWNDNEXT:
            found = position + 1 < siblings.end() ? *(position + 1) : 0;
            break;
        case GW_HWNDPREV:
            found = position > siblings.begin() ? *(position - 1) : 0;
            break;
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
    }
    return WindowFromNumber(found);
}

HWND GetParent(HWND hwnd) {
    protocol::GetWindowInfoRequest request;
    request.hwnd = WindowNumber(hwnd);
    protocol::WindowInfoReply reply;
    if (!hwnd) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (!platform::CallServer(request, reply)) return nullptr;
    if (reply.error) {
        SetLastError(reply.error);
        return nullptr;
    }
    if (reply.info.parent) return WindowFromNumber(reply.info.parent);
    // A popup's "parent" is its owner; any other top-level window has none.
    if (reply.info.style & WS_POPUP) return WindowFromNumber(reply.info.owner);
    return nullptr;
}
