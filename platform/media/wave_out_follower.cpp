#include "platform/media/wave_out_follower.h"

#include <chrono>

#include "platform/devices/wave_out.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"

namespace platform::media {
namespace {

// The event is pulsed: it wakes only the threads waiting at that moment. A change that
// comes while the follower is reading the volume after a wake is missed by the event, so
// the wait after a wake is short enough for such a change still to apply within 50 ms.
// Once things are quiet the follower waits longer, re-reading the volume each time.
constexpr DWORD kSettleWaitMs = 40;
constexpr DWORD kIdleWaitMs = 1000;
// How long making an output waits for the first volume before playing at full volume.
constexpr auto kFirstReadWait = std::chrono::milliseconds(500);

constexpr double kFullChannel = 0xFFFF;

}  // namespace

WaveOutGains WaveOutGainsOf(DWORD volume)
{
    return {static_cast<double>(volume & 0xFFFFu) / kFullChannel, static_cast<double>(volume >> 16) / kFullChannel};
}

WaveOutFollower::WaveOutFollower(Apply apply) : m_apply(std::move(apply))
{
    m_thread = std::thread([this] { Run(); });
    std::unique_lock lock(m_mutex);
    m_started_changed.wait_for(lock, kFirstReadWait, [this] { return m_started; });
}

WaveOutFollower::~WaveOutFollower()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        if (m_stop_event) SetEvent(m_stop_event);
    }
    m_thread.join();
}

void WaveOutFollower::Started()
{
    {
        std::lock_guard lock(m_mutex);
        m_started = true;
    }
    m_started_changed.notify_all();
}

void WaveOutFollower::Run()
{
    // Every server call is made on this thread, so the streaming thread that makes the
    // output never opens a server connection of its own.
    WaveOutGains applied;
    auto read_and_apply = [&](bool always) {
        DWORD volume = 0;
        if (waveOutGetVolume(nullptr, &volume) != MMSYSERR_NOERROR) return;
        const WaveOutGains gains = WaveOutGainsOf(volume);
        if (always || gains != applied) m_apply(gains);
        applied = gains;
    };
    read_and_apply(true);
    Started();

    HANDLE changed = OpenEvent(SYNCHRONIZE, FALSE, kWaveOutVolumeEvent);
    HANDLE stop = changed ? CreateEvent(TRUE, FALSE) : nullptr;
    bool follow = stop != nullptr;
    if (follow) {
        std::lock_guard lock(m_mutex);
        follow = !m_stopping;
        if (follow) m_stop_event = stop;
    }
    // A change between the first read and the first wait is found by the re-read after it.
    DWORD wait_ms = kSettleWaitMs;
    while (follow) {
        const HANDLE handles[] = {stop, changed};
        const DWORD woken = WaitForMultipleObjects(2, handles, FALSE, wait_ms);
        if (woken == WAIT_OBJECT_0) break;
        if (woken != WAIT_OBJECT_0 + 1 && woken != WAIT_TIMEOUT) {
            DebugPrintf("audio: the wave-out volume is no longer followed (wait result %u)\n", woken);
            break;
        }
        read_and_apply(false);
        wait_ms = woken == WAIT_TIMEOUT ? kIdleWaitMs : kSettleWaitMs;
    }
    {
        std::lock_guard lock(m_mutex);
        m_stop_event = nullptr;
    }
    if (stop) CloseHandle(stop);
    if (changed) CloseHandle(changed);
}

}  // namespace platform::media
