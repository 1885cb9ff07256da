// Telecast's player thread: tunes and scans outside the window thread, since both wait on the
// receiver (a lock, a scan step's dwell). It waits on its events (exit, tune, scan, and the
// touch panel's "KTOUCH_EVENT") and signals the done event when it lets go of a request because
// playing was stopped.
//
// The thread reaches the screen only through its host: overlay states and texts (which only
// change texts and invalidate windows), list lines by sent messages, and posted commands.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/win32_types.h"
#include "telecast/channel_table.h"
#include "telecast/telecast_player.h"

namespace telecast {

// Playing states.
constexpr int kPlayingIdle = 0;
constexpr int kPlayingOn = 1;
constexpr int kPlayingScan = 2;

// Bits of the thread flags.
constexpr std::uint32_t kThreadTuning = 0x1;
constexpr std::uint32_t kThreadScanning = 0x100;

// PipCtrl overlay states.
constexpr int kOverlayNone = 0;
constexpr int kOverlayNoSignal = 1;
constexpr int kOverlayScanning = 2;
constexpr int kOverlayTuning = 3;

// The failed tune after which the no-signal picture shows (the fifth).
constexpr int kFailuresBeforeNoSignal = 4;

class PlayerHost {
public:
    virtual ~PlayerHost() = default;
    // The video box's overlay state (PipCtrl); called from the player thread.
    virtual void ShowOverlay(int state) = 0;
    virtual void ShowScanProgress(int percent, int tv_count, int radio_count) = 0;
    // A service the scan found that belongs to the list shown: its line, by a sent message.
    virtual void AddScannedLine(const ChannelRecord& record) = 0;
    // A good Play: the signal monitor starts afresh (window timer 1000).
    virtual void PlayStarted() = 0;
    // The scan walked every index (WM_COMMAND 1016 to the main window).
    virtual void ScanFinished() = 0;
    // The touch panel was touched.
    virtual void Touched() = 0;
};

class PlayerThread {
public:
    PlayerThread(TelecastPlayer& player, ChannelTable& table, PlayerHost& host);
    ~PlayerThread();
    PlayerThread(const PlayerThread&) = delete;
    PlayerThread& operator=(const PlayerThread&) = delete;

    // Creates the events and the thread; false ("[TelecastPlayer] Could not create Thread\r\n")
    // when the thread cannot be made.
    bool Start();
    // Sets the exit event and waits for the thread.
    void Exit();

    // The player lock: the current record's copy, the failure count, the requests' events and
    // StopPlayback.
    std::mutex& Lock() { return m_lock; }

    // Under the lock, the record to tune next; the failure count starts again.
    void RequestTune(const ChannelRecord& record);
    // Under the lock, a scan of the tuner's indexes first .. number - 1, for the list type shown.
    void RequestScan(std::uint32_t first, std::uint32_t number, ListType shown);

    // Playing state and the enable flag the thread checks before each step.
    void SetPlayingState(int state) { m_playing_state = state; }
    int PlayingState() const { return m_playing_state; }
    void EnablePlaying(bool enabled) { m_playing_enabled = enabled; }
    bool PlayingEnabled() const { return m_playing_enabled; }

    std::uint32_t Flags() const { return m_flags; }
    bool Busy() const { return (m_flags & (kThreadTuning | kThreadScanning)) != 0; }
    // Waits for the thread to let go of a request; false after the time-out.
    bool WaitDone(DWORD timeout_ms);
    void ResetDone();

    int Failures();
    void ZeroFailures();

private:
    static DWORD ThreadMain(void* parameter);
    void Run();
    void Tune();
    bool TuneOnce(const ChannelRecord& record);
    void Scan();
    void EndScan();

    TelecastPlayer& m_player;
    ChannelTable& m_table;
    PlayerHost& m_host;
    std::mutex m_lock;
    HANDLE m_exit = nullptr;
    HANDLE m_tune = nullptr;
    HANDLE m_scan = nullptr;
    HANDLE m_touch = nullptr;
    HANDLE m_done = nullptr;
    HANDLE m_thread = nullptr;

    // Under the lock.
    ChannelRecord m_record;
    int m_failures = 0;
    std::uint32_t m_scan_first = 0;
    std::uint32_t m_scan_number = 0;
    ListType m_scan_list = ListType::Tv;

    std::atomic<int> m_playing_state{kPlayingIdle};
    std::atomic<bool> m_playing_enabled{false};
    std::atomic<std::uint32_t> m_flags{0};
};

}  // namespace telecast
