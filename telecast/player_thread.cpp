#include "telecast/player_thread.h"

#include <vector>

#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"
#include "platform/media/com_runtime.h"
#include "telecast/player_rules.h"

namespace telecast {
namespace {

constexpr char kTouchEventName[] = "KTOUCH_EVENT";
// A failed tune is tried again at once while playing is on; this pause keeps a tuner that
// cannot lock from taking the whole processor, and the exit event still ends it at once.
constexpr DWORD kRetryPauseMs = 100;
constexpr DWORD kExitWaitMs = 15000;

// The record a tuner property carries: the first word is the caller's own.
std::vector<DWORD> Record(std::initializer_list<DWORD> words, std::size_t room = 0)
{
    std::vector<DWORD> record = {0};
    record.insert(record.end(), words);
    if (record.size() < room + 1) record.resize(room + 1, 0);
    return record;
}

}  // namespace

PlayerThread::PlayerThread(TelecastPlayer& player, ChannelTable& table, PlayerHost& host)
    : m_player(player), m_table(table), m_host(host)
{
}

PlayerThread::~PlayerThread()
{
    Exit();
    for (HANDLE* event : {&m_exit, &m_tune, &m_scan, &m_touch, &m_done}) {
        if (*event) CloseHandle(*event);
        *event = nullptr;
    }
}

bool PlayerThread::Start()
{
    if (m_thread) return true;
    if (!m_exit) m_exit = CreateEvent(TRUE, FALSE);
    if (!m_tune) m_tune = CreateEvent(TRUE, FALSE);
    if (!m_scan) m_scan = CreateEvent(TRUE, FALSE);
    if (!m_done) m_done = CreateEvent(TRUE, FALSE);
    if (!m_touch) m_touch = CreateEvent(FALSE, FALSE, kTouchEventName);
    if (m_exit && m_tune && m_scan && m_done)
        m_thread = CreateThread(nullptr, 0, &PlayerThread::ThreadMain, this, 0, nullptr);
    if (!m_thread) {
        DebugPrintf("[TelecastPlayer] Could not create Thread\r\n");
        return false;
    }
    return true;
}

void PlayerThread::Exit()
{
    if (!m_thread) return;
    m_playing_enabled = false;
    SetEvent(m_exit);
    WaitForSingleObject(m_thread, kExitWaitMs);
    CloseHandle(m_thread);
    m_thread = nullptr;
}

void PlayerThread::RequestTune(const ChannelRecord& record)
{
    std::lock_guard lock(m_lock);
    m_record = record;
    m_failures = 0;
    // A done event left from an earlier request would end the next Stop playing's wait early.
    ResetEvent(m_done);
    SetEvent(m_tune);
}

void PlayerThread::RequestScan(std::uint32_t first, std::uint32_t number, ListType shown)
{
    std::lock_guard lock(m_lock);
    m_scan_first = first;
    m_scan_number = number;
    m_scan_list = shown;
    ResetEvent(m_done);
    SetEvent(m_scan);
}

bool PlayerThread::WaitDone(DWORD timeout_ms) { return WaitForSingleObject(m_done, timeout_ms) == WAIT_OBJECT_0; }

void PlayerThread::ResetDone() { ResetEvent(m_done); }

int PlayerThread::Failures()
{
    std::lock_guard lock(m_lock);
    return m_failures;
}

void PlayerThread::ZeroFailures()
{
    std::lock_guard lock(m_lock);
    m_failures = 0;
}

DWORD PlayerThread::ThreadMain(void* parameter)
{
    static_cast<PlayerThread*>(parameter)->Run();
    return 0;
}

void PlayerThread::Run()
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    struct ComScope {
        ~ComScope() { CoUninitialize(); }
    } com;
    std::vector<HANDLE> events = {m_exit, m_tune, m_scan};
    if (m_touch) events.push_back(m_touch);
    for (;;) {
        const DWORD woke = WaitForMultipleObjects(static_cast<DWORD>(events.size()), events.data(), FALSE, INFINITE);
        if (woke == WAIT_OBJECT_0) return;
        if (woke == WAIT_OBJECT_0 + 1) Tune();
        else if (woke == WAIT_OBJECT_0 + 2) Scan();
        else if (woke == WAIT_OBJECT_0 + 3) {
            m_host.Touched();
            ResetEvent(m_touch);
        } else {
            return;  // the wait itself failed: nothing left to wait on
        }
    }
}

bool PlayerThread::TuneOnce(const ChannelRecord& record)
{
    const auto frequency = static_cast<DWORD>(record.frequency);
    const auto sub_channel = static_cast<DWORD>(record.sub_channel_id);
    std::vector<DWORD> set_frequency = Record({frequency});
    std::vector<DWORD> set_service = Record({record.service_id, sub_channel});
    if (!m_player.TunerSet(kTunerFrequency, set_frequency.data())) return false;
    if (!m_player.TunerSet(kTunerService, set_service.data())) return false;
    std::vector<DWORD> current_frequency = Record({}, 1);
    if (!m_player.TunerGet(kTunerCurrentFrequency, current_frequency.data())) return false;
    if (current_frequency[1] != frequency) {
        DebugPrintf("[TelecastPlayer] Frequency is different(%d, %d)\r\n", static_cast<int>(frequency),
                    static_cast<int>(current_frequency[1]));
        return false;
    }
    std::vector<DWORD> current_service = Record({}, 2);
    if (!m_player.TunerGet(kTunerCurrentService, current_service.data())) return false;
    if (current_service[1] != record.service_id || current_service[2] != sub_channel) {
        DebugPrintf("[TelecastPlayer] Channel is diff(%d, %d)(%d, %d)\r\n", static_cast<int>(record.service_id),
                    static_cast<int>(sub_channel), static_cast<int>(current_service[1]),
                    static_cast<int>(current_service[2]));
        return false;
    }
    return true;
}

void PlayerThread::Tune()
{
    m_flags |= kThreadTuning;
    ChannelRecord record;
    {
        std::lock_guard lock(m_lock);
        record = m_record;
    }
    if (!m_playing_enabled) {
        ResetEvent(m_tune);
        m_flags &= ~kThreadTuning;
        SetEvent(m_done);
        return;
    }
    if (!TuneOnce(record)) {
        bool show = false;
        {
            std::lock_guard lock(m_lock);
            show = m_failures++ == kFailuresBeforeNoSignal;
        }
        if (show) m_host.ShowOverlay(kOverlayNoSignal);
        // The tune event stays set: the next round tries again, unless exit or a stop comes.
        m_flags &= ~kThreadTuning;
        WaitForSingleObject(m_exit, kRetryPauseMs);
        return;
    }
    bool played = false;
    bool stopped = false;
    {
        // Stop playing clears the flag and then takes this lock for StopPlayback: checked here,
        // under the lock, a Play never runs into a stop or a tear-down.
        std::lock_guard lock(m_lock);
        stopped = !m_playing_enabled;
        if (!stopped) played = m_player.Play();
        ResetEvent(m_tune);
    }
    if (stopped) {
        m_flags &= ~kThreadTuning;
        SetEvent(m_done);
        return;
    }
    if (played) {
        m_host.ShowOverlay(kOverlayNone);
        m_host.PlayStarted();
    } else {
        m_host.ShowOverlay(kOverlayNoSignal);
    }
    // The request is done: a stop waiting on the tune goes on at once.
    m_flags &= ~kThreadTuning;
    SetEvent(m_done);
}

void PlayerThread::EndScan()
{
    ResetEvent(m_scan);
    // The bit goes first: whoever the done event wakes finds the thread idle.
    m_flags &= ~kThreadScanning;
    SetEvent(m_done);
}

void PlayerThread::Scan()
{
    m_flags |= kThreadScanning;
    std::uint32_t first = 0, number = 0;
    ListType shown = ListType::Tv;
    std::int32_t region = kKoreaRegionCode;
    {
        std::lock_guard lock(m_lock);
        first = m_scan_first;
        number = m_scan_number;
        shown = m_scan_list;
        region = m_table.region_code;
    }
    std::vector<DWORD> begin = Record({0, 0});
    m_player.TunerGet(kTunerScan, begin.data());
    int tv = 0, radio = 0;
    for (std::uint32_t index = first; index < number; ++index) {
        if (m_playing_state == kPlayingIdle) {
            // Stop playing cancelled the scan: what was found stays in the table, in memory.
            EndScan();
            return;
        }
        m_host.ShowScanProgress(ScanProgress(index, first, number), tv, radio);
        std::vector<DWORD> step = Record({1, index}, 2 + kScanBufferEntries * kScanEntryWords);
        if (!m_player.TunerGet(kTunerScan, step.data())) continue;
        const std::span<const std::uint32_t> entries(step.data() + 3, kScanBufferEntries * kScanEntryWords);
        for (const ChannelRecord& record : ScanStepRecords(entries, step[1], region)) {
            if (record.service_type == kTvService) ++tv;
            else if (record.service_type == kRadioService) ++radio;
            {
                std::lock_guard lock(m_lock);
                m_table.Add(record);
            }
            if (record.service_type == static_cast<std::int32_t>(shown)) m_host.AddScannedLine(record);
        }
    }
    m_host.ShowScanProgress(100, tv, radio);
    std::vector<DWORD> end = Record({2, 0});
    m_player.TunerGet(kTunerScan, end.data());
    ResetEvent(m_scan);
    m_flags &= ~kThreadScanning;
    m_host.ScanFinished();
}

}  // namespace telecast
