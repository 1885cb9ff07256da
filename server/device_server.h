// The device server: one per device root. It owns the kernel objects, the programs, the
// registry and the file-sharing table, and serves programs on run/server.sock from one epoll
// loop. A client that sends something malformed is logged and dropped alone; whatever it
// owned is released as the device would release it.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "platform/protocol/messages.h"
#include "server/audio/audio_recording.h"
#include "server/client.h"
#include "server/compositor/compositor.h"
#include "server/drivers/board_drivers.h"
#include "server/drivers/flash_disk.h"
#include "server/drivers/tdmb_receiver.h"
#include "server/compositor/screen_backend.h"
#include "server/event_loop.h"
#include "server/files/share_table.h"
#include "server/objects/event.h"
#include "server/objects/object_directory.h"
#include "server/objects/wait_queue.h"
#include "server/processes/process.h"
#include "server/registry/registry_store.h"
#include "server/windows/published_items.h"
#include "server/windows/taskbar.h"
#include "server/windows/window_tree.h"

namespace server {

struct ServerOptions {
    std::filesystem::path root;
    std::filesystem::path template_dir;  // a new device root is made from it
    bool display = false;                // show the screen in a desktop window when there is a display
};

class DeviceServer final : public protocol::RequestHandler<Client> {
public:
    explicit DeviceServer(ServerOptions options);
    ~DeviceServer() override;

    // Prepares the device root and starts listening. False with a reason on failure.
    bool Start(std::string& error);
    // Serves until shut down (SIGTERM, SIGINT or a Shutdown request); returns the exit status.
    int Run();
    void RequestShutdown();
    // Starts a program the way the device does at power-on; false when it cannot be started.
    bool Boot(const std::string& device_path);

#define SERVER_HANDLER(name) \
    void Handle(Client& client, std::uint32_t sequence, const protocol::name##Request& request) override;
    DEVICE_REQUESTS(SERVER_HANDLER)
#undef SERVER_HANDLER

private:
    struct ClientSlot {
        std::unique_ptr<Client> client;
        std::uint64_t watch = 0;
    };

    bool PrepareRoot(std::string& error);
    bool Listen(std::string& error);
    void OnAccept();
    void OnClientEvent(std::uint32_t client_id, std::uint32_t events);
    void ProcessFrames(Client& client);
    void Misbehave(Client& client, const std::string& reason);
    void DropClient(std::uint32_t client_id);
    void UpdateWriteInterest(Client& client);

    std::shared_ptr<Process> AdoptProcess(pid_t pid);
    std::shared_ptr<Process> LaunchDeviceProgram(const std::string& path, const std::string& verb,
                                                 const std::string& parameters, std::uint32_t& error);
    void WatchProcess(const std::shared_ptr<Process>& process);
    void OnProcessExit(pid_t pid);

    // Kernel object helpers.
    Process* ProcessOf(Client& client);
    std::uint32_t InsertHandle(Client& client, std::shared_ptr<KernelObject> object);
    template <class T>
    std::shared_ptr<T> Lookup(Client& client, std::uint32_t handle, ObjectKind kind);
    void SatisfyWaits();
    void CompleteWait(const PendingWait& wait, std::uint32_t result);
    void RecordTaken(std::uint32_t waiter, KernelObject& object);

    void ScheduleRegistrySave();
    bool SaveRegistry();
    void LoadRegistry();
    void SeedRegistry();
    void StartDrivers();

    // Windows and messages.
    struct PendingSend {
        std::uint32_t sender = 0;  // client waiting for the result; 0 when nobody waits any more
        std::uint32_t sequence = 0;
        protocol::RequestId request = protocol::RequestId::SendMessage;  // what the reply answers
        std::uint32_t target = 0;  // client whose thread handles it
        Clock::time_point sent_at;
        std::optional<Clock::time_point> deadline;  // a send that gives up then
    };
    Client* FindClient(std::uint32_t client_id);
    template <class Event>
    void Deliver(std::uint32_t client_id, const Event& event);
    void StartSend(Client& client, std::uint32_t sequence, protocol::RequestId kind,
                   const protocol::SendMessageRequest& request, std::uint32_t flags,
                   std::optional<Clock::time_point> deadline);
    bool ThreadHung(std::uint32_t client_id, Clock::time_point now) const;
    void AnswerSend(const PendingSend& send, std::uint32_t error, std::int64_t result);
    void ExpireSends(Clock::time_point now);
    void DropSendsOf(std::uint32_t client_id);
    std::optional<Clock::time_point> NextSendDeadline() const;
    void ServerSend(std::uint32_t hwnd, std::uint32_t message, std::uint64_t wparam, std::int64_t lparam);
    void WindowShown(std::uint32_t hwnd);
    void PostToTaskbar(const std::optional<TaskbarPost>& post);
    void Activate(std::uint32_t hwnd);
    void ActivateAfterHiding(std::uint32_t hwnd);
    void WindowsGone(const std::vector<std::uint32_t>& destroyed);
    void ClientWindowsGone(std::uint32_t client_id);

    // Screen and input.
    void StartScreen();
    void ScreenChanged() { m_compositor->MarkDirty(); }
    void PresentIfDue(Clock::time_point now);
    void Present(Clock::time_point now);
    // Screen-change waits: answered at the next presented frame or at their deadline.
    void AnswerScreenWaits(Clock::time_point now);
    std::optional<Clock::time_point> NextScreenWaitDeadline() const;
    void OnBackendInput(const BackendInput& input);
    void OnPen(protocol::InputKind kind, std::int32_t x, std::int32_t y);
    bool OnKey(std::uint32_t key);
    void CreateInputEvents();
    void SignalDeviceEvent(const std::shared_ptr<EventObject>& event);
    void PostToWindow(std::uint32_t hwnd, std::uint32_t message, std::uint64_t wparam, std::int64_t lparam);

    // Driver replies held back for the time the device takes (a T-DMB scan step or lock).
    void FinishDriverReplies(Clock::time_point now);
    std::optional<Clock::time_point> NextDriverReplyDeadline() const;

    // Audio outputs and recordings.
    void FinishRecordings(Clock::time_point now);
    void DropAudioOf(std::uint32_t client_id);
    std::optional<Clock::time_point> NextRecordingDeadline() const;

    // Playback graphs.
    void DropGraphsOf(std::uint32_t client_id);
    void DropGraphsOfProcess(std::uint32_t process_id);

    std::optional<Clock::time_point> NextDeadline() const;
    void FinishShutdown();

    ServerOptions m_options;
    EventLoop m_loop;
    int m_listen_fd = -1;
    std::uint64_t m_listen_watch = 0;
    int m_signal_fd = -1;
    std::uint32_t m_next_client_id = 1;
    std::unordered_map<std::uint32_t, ClientSlot> m_clients;
    std::unordered_map<pid_t, std::shared_ptr<Process>> m_processes;
    std::unordered_map<pid_t, std::uint32_t> m_terminate_codes;
    ObjectDirectory m_directory;
    WaitQueue m_waits;
    RegistryStore m_registry;
    std::optional<Clock::time_point> m_registry_save_at;
    bool m_registry_file_unreadable = false;  // the registry file is there but could not be read
    ShareTable m_shares;
    WindowTree m_windows;
    PublishedItemTable m_published_items;
    Taskbar m_taskbar;
    std::unordered_map<std::uint64_t, PendingSend> m_sends;
    std::uint64_t m_next_send_id = 1;
    std::unordered_map<std::string, std::uint32_t> m_registered_messages;
    std::uint32_t m_wave_out_volume = 0xFFFFFFFFu;  // full volume on both channels
    std::uint32_t m_av_input_level = 0;             // the AV input's sound level, 0..10
    std::unique_ptr<BoardDrivers> m_drivers;
    std::unique_ptr<tdmb::Receiver> m_receiver;
    std::unique_ptr<FlashDisk> m_flash_disk;
    struct PendingDriverReply {
        std::uint32_t requester = 0;  // client waiting for the reply
        std::uint32_t sequence = 0;
        Clock::time_point reply_at;
        protocol::IoControlReply reply;
    };
    std::vector<PendingDriverReply> m_driver_replies;
    std::unique_ptr<Compositor> m_compositor;
    std::unique_ptr<ScreenBackend> m_backend;
    std::optional<Clock::time_point> m_present_at;
    Clock::time_point m_last_present{};
    std::uint64_t m_presented_frames = 0;  // frames presented so far; the last one's number
    struct PendingScreenWait {
        std::uint32_t requester = 0;  // client waiting for the reply
        std::uint32_t sequence = 0;
        std::uint64_t after = 0;
        Clock::time_point deadline;
    };
    std::vector<PendingScreenWait> m_screen_waits;
    bool m_pen_down = false;
    // The touch panel's and the remote keys' named events: the server holds them, so they
    // exist from start-up for every program that opens them.
    std::shared_ptr<EventObject> m_touch_event;
    std::shared_ptr<EventObject> m_wave_out_event;  // pulsed at each change of the wave-out volume
    std::unordered_map<std::uint32_t, std::shared_ptr<EventObject>> m_key_events;
    // The latest report of each audio output, by (connection, output number): an output
    // reports on a connection of its own, so its line goes when that connection ends.
    std::map<std::pair<std::uint32_t, std::uint32_t>, protocol::AudioOutputInfo> m_audio_outputs;
    struct PendingRecording {
        std::uint32_t requester = 0;  // client waiting for the reply
        std::uint32_t sequence = 0;
        Clock::time_point reply_at;
        std::unique_ptr<AudioRecording> recording;
    };
    std::vector<PendingRecording> m_recordings;
    // The latest report of each playback graph, by (process id, graph number), with the
    // connection it came on: the line goes with that connection or with the program.
    struct ReportedGraph {
        std::uint32_t client = 0;
        protocol::GraphInfo info;
    };
    std::map<std::pair<std::uint32_t, std::uint32_t>, ReportedGraph> m_graphs;
    bool m_shutting_down = false;
    std::optional<Clock::time_point> m_shutdown_deadline;
};

template <class T>
std::shared_ptr<T> DeviceServer::Lookup(Client& client, std::uint32_t handle, ObjectKind kind) {
    Process* process = ProcessOf(client);
    if (!process) return nullptr;
    auto object = process->handles.Get(handle);
    if (!object || object->Kind() != kind) return nullptr;
    return std::static_pointer_cast<T>(object);
}

template <class Event>
void DeviceServer::Deliver(std::uint32_t client_id, const Event& event) {
    if (Client* client = FindClient(client_id)) {
        // A thread that stops taking its messages does not make the server grow without end:
        // past its quota, what is posted to it is lost, as a full message queue loses it.
        constexpr std::size_t kPostQuota = 16 * 1024 * 1024;
        if (std::is_same_v<Event, protocol::PostedEvent> && client->QueuedBytes() > kPostQuota) return;
        client->SendEvent(event);
        UpdateWriteInterest(*client);
    }
}

}  // namespace server
