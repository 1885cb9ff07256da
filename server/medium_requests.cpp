// The storage card and the USB drive going in and out. The server moves the medium's folder and
// then tells every program, as the device's storage drivers announce a medium: WM_DEVICECHANGE
// posted to every top-level window.
#include "platform/removable_media.h"
#include "platform/kernel/debug_output.h"
#include "platform/win32_types.h"
#include "platform/window/window.h"
#include "server/device_server.h"

namespace server {

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::SetMediumInsertedRequest& request) {
    if (request.medium > static_cast<std::uint8_t>(platform::RemovableMedium::UsbDrive))
        return Misbehave(client, "SetMediumInserted: bad medium");
    const auto medium = static_cast<platform::RemovableMedium>(request.medium);
    protocol::MediumReply reply;
    const platform::MediumChange change = platform::SetMediumInserted(m_options.root, medium, request.inserted, reply.reason);
    switch (change) {
        case platform::MediumChange::Changed:
            DebugPrintf("server: %s %s", platform::MediumFolderName(medium), request.inserted ? "inserted" : "removed");
            break;
        case platform::MediumChange::Unchanged: break;
        case platform::MediumChange::NotInserted: reply.error = ERROR_NOT_READY; break;
        case platform::MediumChange::Failed:
            reply.error = ERROR_GEN_FAILURE;
            DebugPrintf("server: %s", reply.reason.c_str());
            break;
    }
    // The messages are on their way before the caller hears that the medium moved.
    if (change == platform::MediumChange::Changed) {
        const std::uint64_t event = request.inserted ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE;
        for (const std::uint32_t hwnd : std::vector<std::uint32_t>(m_windows.TopLevel()))
            PostToWindow(hwnd, WM_DEVICECHANGE, event, 0);
    }
    client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::SetMediumInserted), reply);
}

}  // namespace server
