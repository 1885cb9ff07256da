// Requests on the registry and on the table of open files.
#include "platform/win32_types.h"
#include "server/device_server.h"

namespace server {

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::RegCreateKeyRequest& request) {
    protocol::RegKeyReply reply;
    reply.error = m_registry.CreateKey(request.path, reply.created);
    if (reply.created) ScheduleRegistrySave();
    client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::RegCreateKey), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::RegOpenKeyRequest& request) {
    protocol::RegKeyReply reply;
    reply.error = m_registry.OpenKey(request.path);
    client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::RegOpenKey), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::RegQueryValueRequest& request) {
    protocol::RegValueReply reply;
    RegValue value;
    reply.error = m_registry.QueryValue(request.path, request.name, value);
    if (reply.error == 0) {
        reply.type = value.type;
        reply.data = std::move(value.data);
    }
    client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::RegQueryValue), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::RegSetValueRequest& request) {
    protocol::StatusReply reply;
    reply.error = m_registry.SetValue(request.path, request.name, RegValue{request.type, request.data});
    if (reply.error == 0) ScheduleRegistrySave();
    client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::RegSetValue), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::RegDeleteKeyRequest& request) {
    protocol::StatusReply reply;
    reply.error = m_registry.DeleteKey(request.path);
    if (reply.error == 0) ScheduleRegistrySave();
    client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::RegDeleteKey), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::RegDeleteValueRequest& request) {
    protocol::StatusReply reply;
    reply.error = m_registry.DeleteValue(request.path, request.name);
    if (reply.error == 0) ScheduleRegistrySave();
    client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::RegDeleteValue), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::RegQueryInfoKeyRequest& request) {
    protocol::RegKeyInfoReply reply;
    reply.error = m_registry.KeyInfo(request.path, reply.subkeys, reply.values);
    client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::RegQueryInfoKey), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::RegFlushRequest&) {
    protocol::StatusReply reply;
    if (!SaveRegistry()) reply.error = ERROR_WRITE_FAULT;
    client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::RegFlush), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::FileShareAcquireRequest& request) {
    protocol::FileShareReply reply;
    reply.error = m_shares.Acquire(static_cast<std::uint32_t>(client.Pid()), request.device, request.inode,
                                   request.access, request.share, reply.ticket);
    client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::FileShareAcquire), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::FileShareReleaseRequest& request) {
    m_shares.Release(static_cast<std::uint32_t>(client.Pid()), request.ticket);
    client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::FileShareRelease), protocol::StatusReply{});
}

}  // namespace server
