#include "server/device_server.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <tuple>
#include <sys/epoll.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/device_root.h"
#include "platform/kernel/debug_output.h"
#include "server/files/state_file.h"
#include "server/objects/mutex.h"

namespace server {
namespace {

int PidfdOpen(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }

// Requests after which the screen may look different. Damage and overlay frames say so
// themselves; the rest move, show, hide or restack windows.
bool ChangesScreen(protocol::RequestId id) {
    using protocol::RequestId;
    switch (id) {
        case RequestId::CreateWindow:
        case RequestId::DestroyWindow:
        case RequestId::SetWindowPos:
        case RequestId::ShowWindow:
        case RequestId::Focus:
        case RequestId::SurfaceDamage:
        case RequestId::Overlay:
        case RequestId::OverlayFrame:
        case RequestId::Backlight:
            return true;
        default:
            return false;
    }
}

}  // namespace

DeviceServer::DeviceServer(ServerOptions options) : m_options(std::move(options)) {}

DeviceServer::~DeviceServer() {
    m_clients.clear();
    for (auto& [pid, process] : m_processes)
        if (process->pidfd >= 0) ::close(process->pidfd);
    if (m_listen_fd >= 0) ::close(m_listen_fd);
    if (m_signal_fd >= 0) ::close(m_signal_fd);
}

bool DeviceServer::PrepareRoot(std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(m_options.root, ec);
    if (ec) {
        error = "cannot create the device root " + m_options.root.string() + ": " + ec.message();
        return false;
    }
    // A new device is made from the template; what already exists is never overwritten.
    if (!m_options.template_dir.empty() && fs::is_directory(m_options.template_dir)) {
        if (!fs::exists(m_options.root / "fs")) {
            fs::copy(m_options.template_dir / "fs", m_options.root / "fs", fs::copy_options::recursive, ec);
            ec.clear();
        }
        if (!fs::exists(m_options.root / "device.conf") && fs::exists(m_options.template_dir / "device.conf")) {
            fs::copy_file(m_options.template_dir / "device.conf", m_options.root / "device.conf", ec);
            ec.clear();
            // The simulated T-DMB band that the template's device.conf names ("tdmb_ensemble"); a
            // root with settings of its own brings its own band, if any.
            if (!fs::exists(m_options.root / "tdmb") && fs::is_directory(m_options.template_dir / "tdmb"))
                fs::copy(m_options.template_dir / "tdmb", m_options.root / "tdmb", fs::copy_options::recursive, ec);
        }
        ec.clear();
    }
    for (const char* dir : {"fs/NAND", "fs/WINDOWS", "state/logs", "run"}) {
        fs::create_directories(m_options.root / dir, ec);
        if (ec) {
            error = "cannot create " + (m_options.root / dir).string() + ": " + ec.message();
            return false;
        }
    }
    return true;
}

bool DeviceServer::Listen(std::string& error) {
    const auto path = (m_options.root / "run" / "server.sock").string();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) {
        error = "socket path too long: " + path;
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    // A socket left by a server that did not shut down is removed; one that answers is not.
    int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe >= 0) {
        if (::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
            ::close(probe);
            error = "a device server already runs on " + m_options.root.string();
            return false;
        }
        ::close(probe);
    }
    ::unlink(path.c_str());

    m_listen_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_listen_fd < 0 || ::bind(m_listen_fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::chmod(path.c_str(), 0600) != 0 || ::listen(m_listen_fd, 128) != 0) {
        error = "cannot listen on " + path + ": " + std::strerror(errno);
        return false;
    }
    m_listen_watch = m_loop.Add(m_listen_fd, EPOLLIN, [this](std::uint32_t) { OnAccept(); });
    return true;
}

bool DeviceServer::Start(std::string& error) {
    if (!m_loop.Valid()) {
        error = "epoll unavailable";
        return false;
    }
    if (!PrepareRoot(error)) return false;
    platform::SetDeviceRootDir(m_options.root);
    platform::SetProgramName("server");

    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    ::sigprocmask(SIG_BLOCK, &signals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    m_signal_fd = ::signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
    if (m_signal_fd >= 0) {
        m_loop.Add(m_signal_fd, EPOLLIN, [this](std::uint32_t) {
            signalfd_siginfo info;
            while (::read(m_signal_fd, &info, sizeof(info)) == sizeof(info)) {
                DebugPrintf("server: signal %u, shutting down", info.ssi_signo);
                RequestShutdown();
            }
        });
    }

    LoadRegistry();
    SeedRegistry();
    StartScreen();
    StartDrivers();
    if (!Listen(error)) return false;
    DebugPrintf("server: serving %s", m_options.root.c_str());
    return true;
}

void DeviceServer::OnAccept() {
    for (;;) {
        int fd = ::accept4(m_listen_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;
        ucred credentials{};
        socklen_t length = sizeof(credentials);
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0 || credentials.pid <= 0) {
            ::close(fd);
            continue;
        }
        // While the device shuts down, the programs it runs may still connect: a thread a
        // program starts as it winds down needs its connection to report its end. Anyone else
        // is turned away.
        if (m_shutting_down && !m_processes.count(credentials.pid)) {
            ::close(fd);
            continue;
        }
        auto process = AdoptProcess(credentials.pid);
        if (!process) {
            ::close(fd);  // already gone
            continue;
        }
        const std::uint32_t id = m_next_client_id++;
        if (m_next_client_id == 0) m_next_client_id = 1;
        auto client = std::make_unique<Client>(fd, id, credentials.pid);
        client->SetProcess(process);
        ++process->connections;
        ClientSlot slot;
        slot.watch = m_loop.Add(fd, EPOLLIN | EPOLLRDHUP, [this, id](std::uint32_t events) { OnClientEvent(id, events); });
        slot.client = std::move(client);
        m_clients.emplace(id, std::move(slot));
    }
}

void DeviceServer::OnClientEvent(std::uint32_t client_id, std::uint32_t events) {
    auto found = m_clients.find(client_id);
    if (found == m_clients.end()) return;
    Client& client = *found->second.client;
    if (events & EPOLLOUT) {
        if (!client.Flush()) return DropClient(client_id);
        UpdateWriteInterest(client);
    }
    if (events & (EPOLLIN | EPOLLRDHUP | EPOLLHUP | EPOLLERR)) {
        const bool open = client.ReceiveAvailable();
        ProcessFrames(client);  // what arrived before a hang-up is still served
        if (!open || (events & (EPOLLHUP | EPOLLERR))) return DropClient(client_id);
    }
}

void DeviceServer::ProcessFrames(Client& client) {
    const std::uint32_t id = client.Id();
    auto& buffer = client.Received();
    std::size_t offset = 0;
    while (m_clients.count(id)) {
        protocol::FrameHeader header;
        auto status = protocol::PeekFrame(buffer.data() + offset, buffer.size() - offset, header);
        if (status == protocol::FrameStatus::NeedMore) break;
        if (status == protocol::FrameStatus::Malformed) return Misbehave(client, "malformed frame");
        const auto kind = static_cast<protocol::RequestId>(header.kind);
        if (!client.Greeted() && kind != protocol::RequestId::Hello)
            return Misbehave(client, "request before hello");
        const std::uint8_t* payload = buffer.data() + offset + protocol::kFrameHeaderSize;
        const std::size_t payload_size = header.length + 4 - protocol::kFrameHeaderSize;
        offset += header.length + 4;
        auto result = protocol::Dispatch<Client>(*this, client, header.kind, header.sequence, payload, payload_size);
        if (result == protocol::DispatchResult::Handled && ChangesScreen(kind)) ScreenChanged();
        if (result == protocol::DispatchResult::UnknownRequest)
            return Misbehave(client, "unknown request " + std::to_string(header.kind));
        if (result == protocol::DispatchResult::BadPayload)
            return Misbehave(client, std::string("bad payload for ") + protocol::Name(kind));
    }
    if (!m_clients.count(id)) return;
    buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(offset));
    if (client.QueuedBytes() > 16 * protocol::kMaxFrameSize) return Misbehave(client, "does not read its replies");
    UpdateWriteInterest(client);
}

void DeviceServer::UpdateWriteInterest(Client& client) {
    auto found = m_clients.find(client.Id());
    if (found == m_clients.end()) return;
    m_loop.Modify(found->second.watch, EPOLLIN | EPOLLRDHUP | (client.WantsWrite() ? EPOLLOUT : 0u));
}

void DeviceServer::Misbehave(Client& client, const std::string& reason) {
    DebugPrintf("server: dropping %s: %s", client.Describe().c_str(), reason.c_str());
    DropClient(client.Id());
}

void DeviceServer::DropClient(std::uint32_t client_id) {
    auto found = m_clients.find(client_id);
    if (found == m_clients.end()) return;
    ClientSlot slot = std::move(found->second);
    m_clients.erase(found);
    m_loop.Remove(slot.watch);
    m_waits.DropClient(client_id);
    // The thread is gone: the mutexes it held are abandoned, and waiters may now take them.
    bool released = false;
    for (auto& weak : slot.client->OwnedMutexes()) {
        if (auto mutex = weak.lock(); mutex && mutex->Owner() == client_id) {
            mutex->Abandon(client_id);
            released = true;
        }
    }
    const auto pid = static_cast<std::uint32_t>(slot.client->Pid());
    bool last_connection = false;
    if (auto process = slot.client->OwnerProcess(); process && process->connections > 0)
        last_connection = --process->connections == 0;
    slot.client.reset();
    ClientWindowsGone(client_id);
    DropAudioOf(client_id);
    DropGraphsOf(client_id);
    std::erase_if(m_driver_replies, [client_id](const PendingDriverReply& pending) { return pending.requester == client_id; });
    std::erase_if(m_screen_waits, [client_id](const PendingScreenWait& wait) { return wait.requester == client_id; });
    // A program's overlay goes with the program: its last connection, or its exit.
    if (last_connection && m_compositor && m_compositor->CloseOverlay(pid)) ScreenChanged();
    if (released) SatisfyWaits();
}

std::shared_ptr<Process> DeviceServer::AdoptProcess(pid_t pid) {
    if (auto found = m_processes.find(pid); found != m_processes.end()) return found->second;
    auto process = std::make_shared<Process>();
    process->pid = pid;
    process->object = std::make_shared<ProcessObject>(pid);
    process->pidfd = PidfdOpen(pid);
    if (process->pidfd < 0) return nullptr;
    m_processes.emplace(pid, process);
    WatchProcess(process);
    return process;
}

void DeviceServer::WatchProcess(const std::shared_ptr<Process>& process) {
    const pid_t pid = process->pid;
    process->watch = m_loop.Add(process->pidfd, EPOLLIN, [this, pid](std::uint32_t) { OnProcessExit(pid); });
}

void DeviceServer::OnProcessExit(pid_t pid) {
    auto found = m_processes.find(pid);
    if (found == m_processes.end()) return;
    auto process = found->second;
    std::uint32_t exit_code = 0;
    if (process->child) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == 0) return;  // not yet reapable
        if (WIFEXITED(status)) exit_code = static_cast<std::uint32_t>(WEXITSTATUS(status));
        else if (WIFSIGNALED(status)) exit_code = 128u + static_cast<std::uint32_t>(WTERMSIG(status));
    }
    if (auto code = m_terminate_codes.find(pid); code != m_terminate_codes.end()) {
        exit_code = code->second;
        m_terminate_codes.erase(code);
    }
    m_loop.Remove(process->watch);
    ::close(process->pidfd);
    process->pidfd = -1;
    m_processes.erase(found);
    DebugPrintf("server: program %s (pid %d) ended with %u", process->name.empty() ? "?" : process->name.c_str(),
                static_cast<int>(pid), exit_code);
    process->object->MarkExited(exit_code);
    process->handles.Clear();
    m_shares.ReleaseAllOf(static_cast<std::uint32_t>(pid));
    if (m_flash_disk) m_flash_disk->ProgramGone(static_cast<std::uint32_t>(pid));
    DropGraphsOfProcess(static_cast<std::uint32_t>(pid));
    if (m_compositor && m_compositor->CloseOverlay(static_cast<std::uint32_t>(pid))) ScreenChanged();
    SatisfyWaits();
}

std::optional<Clock::time_point> DeviceServer::NextDeadline() const {
    std::optional<Clock::time_point> deadline = m_waits.NextDeadline();
    std::optional<Clock::time_point> input_poll;
    if (m_backend && m_backend->HasInput()) input_poll = Clock::now() + std::chrono::milliseconds(8);
    for (const auto& other :
         {m_registry_save_at, m_shutdown_deadline, m_present_at, input_poll, NextSendDeadline(), NextRecordingDeadline(),
          NextDriverReplyDeadline(), NextScreenWaitDeadline()})
        if (other && (!deadline || *other < *deadline)) deadline = other;
    return deadline;
}

int DeviceServer::Run() {
    for (;;) {
        m_loop.RunOnce(NextDeadline());
        const auto now = Clock::now();
        m_waits.ExpireDue(now, [this](const PendingWait& wait, std::uint32_t result) { CompleteWait(wait, result); });
        ExpireSends(now);
        FinishRecordings(now);
        FinishDriverReplies(now);
        if (m_registry_save_at && *m_registry_save_at <= now) SaveRegistry();
        if (m_backend && m_backend->HasInput())
            m_backend->PollInput([this](const BackendInput& input) { OnBackendInput(input); });
        PresentIfDue(now);
        AnswerScreenWaits(now);
        if (m_shutting_down) {
            bool children_left = false;
            for (auto& [pid, process] : m_processes) children_left = children_left || process->child;
            if (!children_left || (m_shutdown_deadline && *m_shutdown_deadline <= now)) break;
        }
    }
    FinishShutdown();
    return 0;
}

void DeviceServer::RequestShutdown() {
    if (m_shutting_down) return;
    m_shutting_down = true;
    // No new programs start or connect; the running ones are asked to end and given two seconds.
    for (auto& [pid, process] : m_processes)
        if (process->child) ::kill(pid, SIGTERM);
    m_shutdown_deadline = Clock::now() + std::chrono::seconds(2);
}

void DeviceServer::FinishShutdown() {
    if (m_listen_fd >= 0) {
        m_loop.Remove(m_listen_watch);
        ::close(m_listen_fd);
        m_listen_fd = -1;
        ::unlink((m_options.root / "run" / "server.sock").c_str());
    }
    for (auto& [pid, process] : m_processes) {
        if (!process->child) continue;
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    SaveRegistry();
    std::vector<std::uint32_t> ids;
    for (auto& [id, slot] : m_clients) ids.push_back(id);
    for (auto id : ids) DropClient(id);
    std::error_code ec;
    std::filesystem::remove_all(m_options.root / "run", ec);
    DebugPrintf("server: shut down");
}

void DeviceServer::LoadRegistry() {
    std::string text;
    if (const int error = ReadWholeFile(m_options.root / "state" / "registry", text); error != 0) {
        if (error == ENOENT) return;
        // A registry that is there but cannot be read must not be written over with an empty
        // one: the device runs on an empty registry and leaves the file as it is.
        m_registry_file_unreadable = true;
        DebugPrintf("server: registry: cannot read state/registry: %s; the registry starts empty and the file is "
                    "not written over",
                    std::strerror(error));
        return;
    }
    std::size_t skipped = 0;
    m_registry = RegistryStore::Parse(text, &skipped);
    if (!skipped) return;
    // The next save writes only what was read, so the skipped lines would be gone for good.
    // The file as it was read is kept beside it, each start that skips something replacing it.
    const auto kept = m_options.root / "state" / "registry.unreadable";
    if (const int error = ReplaceFile(kept, text); error != 0)
        DebugPrintf("server: registry: %zu unreadable lines skipped; cannot keep the file as read in %s: %s", skipped,
                    kept.c_str(), std::strerror(error));
    else
        DebugPrintf("server: registry: %zu unreadable lines skipped; the file as read is kept in state/registry.unreadable",
                    skipped);
}

// What the platform image puts in the registry of a new device: the panel size of the
// board's display driver (from device.conf) and the product's software version.
void DeviceServer::SeedRegistry() {
    const auto config = platform::DeviceConfig::Load(m_options.root / "device.conf");
    bool created = false;
    const std::string display = "HKEY_LOCAL_MACHINE\\Drivers\\Display\\TCC79X\\CONFIG";
    RegValue existing;
    if (m_registry.QueryValue(display, "LCD_Width", existing) != 0) {
        m_registry.CreateKey(display, created);
        for (auto [name, key, fallback] : {std::tuple{"LCD_Width", "screen_width", 800L}, {"LCD_Height", "screen_height", 480L}}) {
            const auto value = static_cast<std::uint32_t>(config.GetInt(key, fallback));
            m_registry.SetValue(display, name,
                                {kRegDword, {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                             static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)}});
        }
    }
    const std::string product = "HKEY_LOCAL_MACHINE\\SOFTWARE\\ORIVANTEK\\PRODUCT";
    if (config.Has("product_version") && m_registry.QueryValue(product, "Version", existing) != 0) {
        m_registry.CreateKey(product, created);
        m_registry.SetValue(product, "Version", {kRegSz, Utf8ToUtf16Le(config.Get("product_version"))});
    }
    if (m_registry.Dirty()) ScheduleRegistrySave();
}

void DeviceServer::ScheduleRegistrySave() {
    // Changes reach the disk on flush, at shutdown, and a second after they were made, so a
    // crash of the board loses at most that second.
    if (!m_registry_save_at) m_registry_save_at = Clock::now() + std::chrono::seconds(1);
}

bool DeviceServer::SaveRegistry() {
    m_registry_save_at.reset();
    if (!m_registry.Dirty() || m_registry_file_unreadable) return true;
    const auto final_path = m_options.root / "state" / "registry";
    const int error = ReplaceFile(final_path, m_registry.Serialize());
    if (error != 0) {
        DebugPrintf("server: registry: cannot write %s: %s", final_path.c_str(), std::strerror(error));
        return false;
    }
    m_registry.MarkClean();
    return true;
}

}  // namespace server
