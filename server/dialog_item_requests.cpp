// Requests on dialog controls: a child found by its control id, and the items list boxes and
// combo boxes publish so that devicectl can show them.
#include <algorithm>

#include "platform/win32_types.h"
#include "server/device_server.h"

namespace server {
namespace {

constexpr std::uint32_t kErrorControlIdNotFound = 1421;
constexpr std::uint16_t Kind(protocol::RequestId id) { return static_cast<std::uint16_t>(id); }

}  // namespace

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::GetDlgItemRequest& request) {
    protocol::WindowReply reply;
    if (!m_windows.Get(request.parent)) reply.error = ERROR_INVALID_WINDOW_HANDLE;
    else if (!(reply.hwnd = m_windows.ChildWithId(request.parent, request.control_id)))
        reply.error = kErrorControlIdNotFound;
    client.Reply(sequence, Kind(protocol::RequestId::GetDlgItem), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t, const protocol::PublishControlItemsRequest& request) {
    const Window* window = m_windows.Get(request.hwnd);
    // A control destroyed by its program after it published is no fault; another program's
    // control is.
    if (!window) return;
    if (window->pid != client.Pid()) return Misbehave(client, "PublishControlItems: another program's window");
    PublishedItems items;
    items.selection = std::max(request.selection, -1);
    items.count = request.count;
    std::size_t bytes = 0;
    for (const auto& text : request.items) {
        if (bytes + text.size() > protocol::kMaxPublishedItemBytes) break;
        items.texts.push_back(text.substr(0, protocol::kMaxPublishedItemText));
        bytes += items.texts.back().size();
    }
    items.count = std::max(items.count, static_cast<std::uint32_t>(items.texts.size()));
    m_published_items.Publish(request.hwnd, std::move(items));
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::GetControlItemsRequest& request) {
    protocol::ControlItemsReply reply;
    if (!m_windows.Get(request.hwnd)) {
        reply.error = ERROR_INVALID_WINDOW_HANDLE;
    } else if (const PublishedItems* items = m_published_items.Find(request.hwnd)) {
        reply.selection = items->selection;
        reply.count = items->count;
        reply.items = items->texts;
    } else {
        reply.error = ERROR_NOT_SUPPORTED;
    }
    client.Reply(sequence, Kind(protocol::RequestId::GetControlItems), reply);
}

}  // namespace server
