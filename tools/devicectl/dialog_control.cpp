// devicectl's view of dialog controls: found by their control ids, their texts and items, and
// taps on them.
#include "platform/kernel/server_connection.h"
#include "platform/window/window.h"
#include "tools/devicectl/device_control.h"

namespace devicectl {

std::uint32_t DeviceControl::FindControl(const std::string& name, std::uint32_t id, DWORD& error) {
    const std::uint32_t window = FindWindowByName(name);
    if (!window) {
        error = ERROR_INVALID_WINDOW_HANDLE;
        return 0;
    }
    protocol::GetDlgItemRequest request{window, id};
    protocol::WindowReply reply;
    if (!platform::CallServer(request, reply)) {
        error = ERROR_BROKEN_PIPE;
        return 0;
    }
    error = reply.hwnd ? ERROR_SUCCESS : (reply.error ? reply.error : ERROR_CONTROL_ID_NOT_FOUND);
    return reply.hwnd;
}

std::optional<std::string> DeviceControl::ControlText(const std::string& name, std::uint32_t id, DWORD& error) {
    const std::uint32_t control = FindControl(name, id, error);
    if (!control) return std::nullopt;
    protocol::GetWindowInfoRequest request{control};
    protocol::WindowInfoReply reply;
    if (!platform::CallServer(request, reply)) {
        error = ERROR_BROKEN_PIPE;
        return std::nullopt;
    }
    error = reply.error;
    if (error) return std::nullopt;
    return reply.info.title;
}

std::optional<DeviceControl::ControlItems> DeviceControl::Items(const std::string& name, std::uint32_t id,
                                                                DWORD& error) {
    const std::uint32_t control = FindControl(name, id, error);
    if (!control) return std::nullopt;
    protocol::GetControlItemsRequest request{control};
    protocol::ControlItemsReply reply;
    if (!platform::CallServer(request, reply)) {
        error = ERROR_BROKEN_PIPE;
        return std::nullopt;
    }
    error = reply.error;
    if (error) return std::nullopt;
    return ControlItems{std::move(reply.items), reply.count, reply.selection};
}

DWORD DeviceControl::Click(const std::string& name, std::uint32_t id) {
    DWORD error = 0;
    const std::uint32_t control = FindControl(name, id, error);
    if (!control) return error;
    protocol::GetWindowInfoRequest request{control};
    protocol::WindowInfoReply reply;
    if (!platform::CallServer(request, reply)) return ERROR_BROKEN_PIPE;
    if (reply.error) return reply.error;
    const auto& rect = reply.info.rect;
    return Tap((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

}  // namespace devicectl
