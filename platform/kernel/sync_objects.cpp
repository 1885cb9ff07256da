// Events, mutexes, waits and handle closing: calls served by the device server.
#include <vector>

#include "platform/kernel/handle_table.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/server_connection.h"

namespace platform {
namespace {

std::uint32_t ServerHandle(HANDLE handle) { return static_cast<std::uint32_t>(HandleValue(handle)); }

// Creates return the handle and leave ERROR_ALREADY_EXISTS or 0 as the last error.
HANDLE FinishCreate(const protocol::HandleReply& reply) {
    SetLastError(reply.error);
    return reply.handle ? MakeHandle(reply.handle) : nullptr;
}

BOOL EventOperation(HANDLE event, protocol::EventOperation operation) {
    if (IsLocalHandle(event) || event == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    protocol::EventOpRequest request;
    request.handle = ServerHandle(event);
    request.operation = static_cast<std::uint8_t>(operation);
    return CallForStatus(request);
}

}  // namespace

BOOL CloseServerHandle(HANDLE handle);
void ForgetMappingHandle(HANDLE handle);

BOOL CloseServerHandle(HANDLE handle) {
    ForgetMappingHandle(handle);
    protocol::CloseHandleRequest request;
    request.handle = ServerHandle(handle);
    return CallForStatus(request);
}

}  // namespace platform

using platform::CallServer;

HANDLE CreateEvent(BOOL manual_reset, BOOL initial_state, const std::string& name) {
    protocol::CreateEventRequest request;
    request.manual_reset = manual_reset != FALSE;
    request.initial_state = initial_state != FALSE;
    request.name = name;
    protocol::HandleReply reply;
    if (!CallServer(request, reply)) return nullptr;
    return platform::FinishCreate(reply);
}

HANDLE OpenEvent(DWORD, BOOL, const std::string& name) {
    protocol::OpenEventRequest request;
    request.name = name;
    protocol::HandleReply reply;
    if (!CallServer(request, reply)) return nullptr;
    return platform::FinishCreate(reply);
}

BOOL SetEvent(HANDLE event) { return platform::EventOperation(event, protocol::EventOperation::Set); }
BOOL ResetEvent(HANDLE event) { return platform::EventOperation(event, protocol::EventOperation::Reset); }
BOOL PulseEvent(HANDLE event) { return platform::EventOperation(event, protocol::EventOperation::Pulse); }

HANDLE CreateMutex(BOOL initial_owner, const std::string& name) {
    protocol::CreateMutexRequest request;
    request.initial_owner = initial_owner != FALSE;
    request.name = name;
    protocol::HandleReply reply;
    if (!CallServer(request, reply)) return nullptr;
    return platform::FinishCreate(reply);
}

BOOL ReleaseMutex(HANDLE mutex) {
    protocol::ReleaseMutexRequest request;
    request.handle = platform::ServerHandle(mutex);
    return platform::CallForStatus(request);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL wait_all, DWORD milliseconds) {
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || handles == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    protocol::WaitRequest request;
    for (DWORD i = 0; i < count; ++i) {
        if (platform::IsLocalHandle(handles[i]) || handles[i] == nullptr) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        request.handles.push_back(platform::ServerHandle(handles[i]));
    }
    request.wait_all = wait_all != FALSE;
    request.timeout_ms = milliseconds;
    protocol::WaitReply reply;
    if (!CallServer(request, reply)) return WAIT_FAILED;
    if (reply.result == WAIT_FAILED) SetLastError(reply.error);
    return reply.result;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    return WaitForMultipleObjects(1, &handle, FALSE, milliseconds);
}
