// Requests that start, end and list programs.
#include <csignal>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/files.h"
#include "platform/kernel/debug_output.h"
#include "platform/win32_types.h"
#include "server/device_server.h"
#include "server/processes/launcher.h"

namespace server {
namespace {

constexpr std::uint32_t kErrorBadExeFormat = 193;
constexpr std::uint32_t kErrorNoAssociation = 1155;

bool IsOpenVerb(const std::string& verb) {
    if (verb.empty()) return true;
    std::string folded = verb;
    for (auto& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded == "open";
}

}  // namespace

std::shared_ptr<Process> DeviceServer::LaunchDeviceProgram(const std::string& path, const std::string& verb,
                                                           const std::string& parameters, std::uint32_t& error) {
    error = 0;
    if (m_shutting_down) {
        DebugPrintf("server: start %s refused: the device is shutting down", path.c_str());
        error = ERROR_SHUTDOWN_IN_PROGRESS;
        return nullptr;
    }
    if (!IsOpenVerb(verb)) {
        error = kErrorNoAssociation;
        return nullptr;
    }
    const std::string host_path = platform::HostPathOf(path);
    struct stat info{};
    if (host_path.empty() || ::stat(host_path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        DebugPrintf("server: start %s: file not found", path.c_str());
        error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    if (::access(host_path.c_str(), X_OK) != 0) {
        error = kErrorBadExeFormat;
        return nullptr;
    }
    LaunchRequest launch;
    launch.host_path = host_path;
    launch.device_path = path;
    launch.program_name = std::filesystem::path(host_path).filename().string();
    launch.command_line = parameters;
    launch.device_root = m_options.root.string();
    const pid_t pid = LaunchProgram(launch);
    if (pid <= 0) {
        error = kErrorBadExeFormat;
        return nullptr;
    }
    auto process = AdoptProcess(pid);
    if (!process) {
        error = ERROR_GEN_FAILURE;
        return nullptr;
    }
    process->child = true;
    process->name = launch.program_name;
    process->device_path = path;
    process->command_line = parameters;
    DebugPrintf("server: started %s (pid %d)", path.c_str(), static_cast<int>(pid));
    return process;
}

bool DeviceServer::Boot(const std::string& device_path) {
    std::uint32_t error = 0;
    return LaunchDeviceProgram(device_path, "Open", "", error) != nullptr;
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::StartProcessRequest& request) {
    protocol::StartProcessReply reply;
    auto process = LaunchDeviceProgram(request.path, request.verb, request.parameters, reply.error);
    if (process) {
        reply.process_id = static_cast<std::uint32_t>(process->pid);
        reply.handle = InsertHandle(client, process->object);
        if (!reply.handle) reply.error = ERROR_NOT_ENOUGH_MEMORY;
    }
    client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::StartProcess), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::TerminateProcessRequest& request) {
    protocol::StatusReply reply;
    auto object = Lookup<ProcessObject>(client, request.handle, ObjectKind::Process);
    if (!object) {
        reply.error = ERROR_INVALID_HANDLE;
    } else if (!object->Exited() && m_processes.count(object->Pid())) {
        m_terminate_codes[object->Pid()] = request.exit_code;
        ::kill(object->Pid(), SIGKILL);
    }
    client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::TerminateProcess), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::ProcessExitCodeRequest& request) {
    protocol::ExitCodeReply reply;
    auto object = Lookup<ProcessObject>(client, request.handle, ObjectKind::Process);
    if (!object) reply.error = ERROR_INVALID_HANDLE;
    else reply.exit_code = object->ExitCode();
    client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::ProcessExitCode), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::ListProcessesRequest&) {
    protocol::ProcessListReply reply;
    for (const auto& [pid, process] : m_processes) {
        reply.processes.push_back({static_cast<std::uint32_t>(pid), process->name, process->device_path,
                                   process->command_line, process->connections});
    }
    std::sort(reply.processes.begin(), reply.processes.end(),
              [](const auto& a, const auto& b) { return a.process_id < b.process_id; });
    client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::ListProcesses), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::ShutdownRequest&) {
    client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::Shutdown), protocol::StatusReply{});
    DebugPrintf("server: shutdown asked by %s", client.Describe().c_str());
    RequestShutdown();
}

}  // namespace server
