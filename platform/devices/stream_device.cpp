#include "platform/devices/stream_device.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/device_root.h"
#include "platform/kernel/handle_table.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/server_connection.h"

namespace platform {
namespace {

class StreamDeviceObject final : public LocalObject {
public:
    explicit StreamDeviceObject(std::string name) : name(std::move(name)) {}
    std::string name;
};

constexpr std::size_t kMaxIoSize = 64 * 1024;

}  // namespace

bool IsStreamDeviceName(const std::string& name) {
    return name.size() == 5 && std::isalpha(static_cast<unsigned char>(name[0])) &&
           std::isalpha(static_cast<unsigned char>(name[1])) && std::isalpha(static_cast<unsigned char>(name[2])) &&
           std::isdigit(static_cast<unsigned char>(name[3])) && name[4] == ':';
}

HANDLE OpenStreamDevice(const std::string& name, DWORD, DWORD) {
    auto* connection = ServerConnection::Current();
    protocol::DriverOpenRequest request{name};
    protocol::StatusReply reply;
    if (!connection || !connection->Call(request, reply)) return INVALID_HANDLE_VALUE;
    if (reply.error) {
        SetLastError(reply.error);
        return INVALID_HANDLE_VALUE;
    }
    SetLastError(ERROR_SUCCESS);
    return InsertLocalHandle(std::make_shared<StreamDeviceObject>(name));
}

DWORD ReadBoardStatusWord() { return static_cast<DWORD>(Config().GetInt("board_status", 0)); }

}  // namespace platform

namespace {

bool ValidBuffers(const void* input, DWORD input_size, const void* output, DWORD output_size) {
    if ((input_size && !input) || (output_size && !output) || input_size > platform::kMaxIoSize ||
        output_size > platform::kMaxIoSize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return true;
}

// Sends a request that carries input bytes and brings output bytes back into the caller's room.
template <class Request>
BOOL CallWithBuffers(Request& request, const void* input, DWORD input_size, void* output, DWORD output_size,
                     DWORD* bytes_returned) {
    const auto* bytes = static_cast<const std::uint8_t*>(input);
    if (input_size) request.input.assign(bytes, bytes + input_size);
    request.output_size = output_size;
    protocol::IoControlReply reply;
    auto* connection = platform::ServerConnection::Current();
    if (!connection || !connection->Call(request, reply)) return FALSE;
    if (reply.error) {
        SetLastError(reply.error);
        return FALSE;
    }
    const DWORD copied = static_cast<DWORD>(std::min<std::size_t>(reply.output.size(), output_size));
    if (copied) std::memcpy(output, reply.output.data(), copied);
    if (bytes_returned) *bytes_returned = copied;
    return TRUE;
}

}  // namespace

BOOL DeviceIoControl(HANDLE device, DWORD code, const void* input, DWORD input_size, void* output, DWORD output_size,
                     DWORD* bytes_returned, void*) {
    if (bytes_returned) *bytes_returned = 0;
    auto object = platform::LookupLocal<platform::StreamDeviceObject>(device);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!ValidBuffers(input, input_size, output, output_size)) return FALSE;
    protocol::DriverIoControlRequest request;
    request.device = object->name;
    request.code = code;
    return CallWithBuffers(request, input, input_size, output, output_size, bytes_returned);
}

BOOL KernelIoControl(DWORD code, const void* input, DWORD input_size, void* output, DWORD output_size,
                     DWORD* bytes_returned) {
    if (bytes_returned) *bytes_returned = 0;
    if (!ValidBuffers(input, input_size, output, output_size)) return FALSE;
    protocol::KernelIoControlRequest request;
    request.code = code;
    return CallWithBuffers(request, input, input_size, output, output_size, bytes_returned);
}
