// Requests on kernel objects: events, mutexes, mappings, handles and waits.
#include <algorithm>

#include "platform/kernel/debug_output.h"
#include "platform/win32_types.h"
#include "server/device_server.h"
#include "server/objects/event.h"
#include "server/objects/mapping.h"
#include "server/objects/mutex.h"

namespace server {
namespace {

constexpr std::size_t kMaxObjectName = 260;
constexpr std::uint64_t kMaxMappingSize = 512ull * 1024 * 1024;
constexpr std::uint32_t kErrorFilenameTooLong = 206;

}  // namespace

Process* DeviceServer::ProcessOf(Client& client) { return client.OwnerProcess().get(); }

std::uint32_t DeviceServer::InsertHandle(Client& client, std::shared_ptr<KernelObject> object) {
    Process* process = ProcessOf(client);
    return process ? process->handles.Insert(std::move(object)) : 0;
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::HelloRequest& request) {
    if (client.Greeted()) return Misbehave(client, "second hello");
    if (request.version != protocol::kProtocolVersion)
        return Misbehave(client, "protocol version " + std::to_string(request.version));
    client.SetGreeted(request.thread_id, request.program_name.substr(0, 64));
    if (auto process = client.OwnerProcess(); process && process->name.empty()) process->name = client.ProgramName();
    client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::Hello),
                 protocol::HelloReply{0, client.Id()});
}

// A named create finds an existing object of the same name: the caller gets a handle to it
// and ERROR_ALREADY_EXISTS, or ERROR_INVALID_HANDLE when the name belongs to another kind.
template <class MakeObject>
static protocol::HandleReply CreateOrOpen(DeviceServer& server, ObjectDirectory& directory, const std::string& name,
                                          ObjectKind kind, MakeObject make, std::shared_ptr<KernelObject>& object,
                                          const std::function<std::uint32_t(std::shared_ptr<KernelObject>)>& insert) {
    protocol::HandleReply reply;
    if (name.size() > kMaxObjectName) {
        reply.error = kErrorFilenameTooLong;
        return reply;
    }
    bool existed = false;
    if (!name.empty()) object = directory.Find(name);
    if (object) {
        if (object->Kind() != kind) {
            object.reset();
            reply.error = ERROR_INVALID_HANDLE;
            return reply;
        }
        existed = true;
    } else {
        object = make();
        if (!object) {
            reply.error = ERROR_NOT_ENOUGH_MEMORY;
            return reply;
        }
        directory.Insert(object);
    }
    reply.handle = insert(object);
    reply.error = reply.handle == 0 ? ERROR_NOT_ENOUGH_MEMORY : existed ? ERROR_ALREADY_EXISTS : 0;
    return reply;
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::CreateEventRequest& request) {
    std::shared_ptr<KernelObject> object;
    auto reply = CreateOrOpen(
        *this, m_directory, request.name, ObjectKind::Event,
        [&] { return std::make_shared<EventObject>(request.name, request.manual_reset, request.initial_state); }, object,
        [&](std::shared_ptr<KernelObject> o) { return InsertHandle(client, std::move(o)); });
    client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::CreateEvent), reply);
    if (reply.handle && request.initial_state && reply.error == 0) SatisfyWaits();
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::OpenEventRequest& request) {
    protocol::HandleReply reply;
    auto object = request.name.empty() ? nullptr : m_directory.Find(request.name);
    if (!object) reply.error = ERROR_FILE_NOT_FOUND;
    else if (object->Kind() != ObjectKind::Event) reply.error = ERROR_INVALID_HANDLE;
    else if ((reply.handle = InsertHandle(client, object)) == 0) reply.error = ERROR_NOT_ENOUGH_MEMORY;
    client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::OpenEvent), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::EventOpRequest& request) {
    protocol::StatusReply reply;
    auto event = Lookup<EventObject>(client, request.handle, ObjectKind::Event);
    if (!event) {
        reply.error = ERROR_INVALID_HANDLE;
    } else {
        switch (static_cast<protocol::EventOperation>(request.operation)) {
            case protocol::EventOperation::Set:
                event->Set();
                SatisfyWaits();
                break;
            case protocol::EventOperation::Reset:
                event->Reset();
                break;
            case protocol::EventOperation::Pulse:
                // Only the threads waiting at this moment are released; the event ends clear.
                event->Set();
                SatisfyWaits();
                event->Reset();
                break;
            default:
                reply.error = ERROR_INVALID_PARAMETER;
        }
    }
    client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::EventOp), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::CreateMutexRequest& request) {
    std::shared_ptr<KernelObject> object;
    auto reply = CreateOrOpen(
        *this, m_directory, request.name, ObjectKind::Mutex, [&] { return std::make_shared<MutexObject>(request.name); },
        object, [&](std::shared_ptr<KernelObject> o) { return InsertHandle(client, std::move(o)); });
    // Initial ownership is given only to the creator of a new mutex.
    if (reply.handle && reply.error == 0 && request.initial_owner) {
        object->Take(client.Id());
        RecordTaken(client.Id(), *object);
    }
    client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::CreateMutex), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::ReleaseMutexRequest& request) {
    protocol::StatusReply reply;
    auto mutex = Lookup<MutexObject>(client, request.handle, ObjectKind::Mutex);
    if (!mutex) reply.error = ERROR_INVALID_HANDLE;
    else if (!mutex->Release(client.Id())) reply.error = ERROR_NOT_OWNER;
    client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::ReleaseMutex), reply);
    if (mutex && reply.error == 0 && mutex->Owner() == 0) SatisfyWaits();
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::CreateMappingRequest& request) {
    std::shared_ptr<KernelObject> object;
    protocol::HandleReply handle_reply;
    protocol::MappingReply reply;
    auto existing = request.name.empty() ? nullptr : m_directory.Find(request.name);
    if (!existing && (request.size == 0 || request.size > kMaxMappingSize)) {
        reply.error = request.size == 0 ? ERROR_INVALID_PARAMETER : ERROR_NOT_ENOUGH_MEMORY;
    } else {
        handle_reply = CreateOrOpen(
            *this, m_directory, request.name, ObjectKind::Mapping,
            [&] { return MappingObject::Create(request.name, request.size); }, object,
            [&](std::shared_ptr<KernelObject> o) { return InsertHandle(client, std::move(o)); });
        reply.error = handle_reply.error;
        reply.handle = handle_reply.handle;
    }
    int fd = -1;
    if (reply.handle) {
        auto mapping = std::static_pointer_cast<MappingObject>(object);
        reply.size = mapping->Size();
        fd = mapping->Fd();
    }
    client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::CreateMapping), reply, fd);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::CloseHandleRequest& request) {
    protocol::StatusReply reply;
    Process* process = ProcessOf(client);
    if (!process || !process->handles.Close(request.handle)) reply.error = ERROR_INVALID_HANDLE;
    client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::CloseHandle), reply);
}

void DeviceServer::RecordTaken(std::uint32_t waiter, KernelObject& object) {
    if (object.Kind() != ObjectKind::Mutex) return;
    auto found = m_clients.find(waiter);
    if (found == m_clients.end()) return;
    auto& owned = found->second.client->OwnedMutexes();
    for (auto& weak : owned)
        if (weak.lock().get() == &object) return;
    owned.erase(std::remove_if(owned.begin(), owned.end(), [](auto& weak) { return weak.expired(); }), owned.end());
    owned.push_back(std::static_pointer_cast<MutexObject>(object.shared_from_this()));
}

void DeviceServer::SatisfyWaits() {
    m_waits.SatisfyReady([this](std::uint32_t waiter, KernelObject& object) { RecordTaken(waiter, object); },
                         [this](const PendingWait& wait, std::uint32_t result) { CompleteWait(wait, result); });
}

void DeviceServer::CompleteWait(const PendingWait& wait, std::uint32_t result) {
    auto found = m_clients.find(wait.client_id);
    if (found == m_clients.end()) return;
    Client& client = *found->second.client;
    client.Reply(wait.sequence, static_cast<std::uint16_t>(protocol::RequestId::Wait), protocol::WaitReply{result, 0});
    UpdateWriteInterest(client);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::WaitRequest& request) {
    auto fail = [&](std::uint32_t error) {
        client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::Wait),
                     protocol::WaitReply{WAIT_FAILED, error});
    };
    if (request.handles.empty() || request.handles.size() > MAXIMUM_WAIT_OBJECTS) return fail(ERROR_INVALID_PARAMETER);
    Process* process = ProcessOf(client);
    if (!process) return fail(ERROR_INVALID_HANDLE);
    std::vector<std::shared_ptr<KernelObject>> objects;
    for (auto handle : request.handles) {
        auto object = process->handles.Get(handle);
        if (!object || !object->Waitable()) return fail(ERROR_INVALID_HANDLE);
        if (request.wait_all && std::find(objects.begin(), objects.end(), object) != objects.end())
            return fail(ERROR_INVALID_PARAMETER);
        objects.push_back(std::move(object));
    }
    const std::uint32_t waiter = client.Id();
    auto result = TryWait(objects, request.wait_all, waiter, [&](KernelObject& object) { RecordTaken(waiter, object); });
    if (result || request.timeout_ms == 0) {
        client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::Wait),
                     protocol::WaitReply{result.value_or(WAIT_TIMEOUT), 0});
        return;
    }
    PendingWait wait;
    wait.client_id = waiter;
    wait.sequence = sequence;
    wait.objects = std::move(objects);
    wait.wait_all = request.wait_all;
    if (request.timeout_ms != INFINITE) wait.deadline = Clock::now() + std::chrono::milliseconds(request.timeout_ms);
    m_waits.Park(std::move(wait));
}

}  // namespace server
