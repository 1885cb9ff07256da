// What an audio output tells the device server while its graph is ready: the graph's state,
// its position and the level of what it plays, about every 100 ms and at once after a state
// change, then a last time as closed when the graph is taken down. While the server records,
// the output also hands over what it plays, as 16-bit stereo at the recording rate.
//
// The samples are watched on the output's last pad before its sink, after the wave-out volume:
// what would be heard. A thread of the reporter's own makes every server call, so the
// streaming thread never waits for the server; all it does is keep the last half second of
// samples with their play times.
#pragma once

#include <gst/gst.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/media/played_audio.h"
#include "platform/media/state_watched_bin.h"
#include "platform/protocol/messages.h"

namespace platform::media {

class RecordFeed;

class AudioReporter final : public BinStateListener {
public:
    static constexpr auto kReportInterval = std::chrono::milliseconds(100);

    // output: the bin that the reporter is the listener of; sink: its element that plays the
    // samples in time; number: the program's number for the output. Neither is referenced:
    // the reporter lives inside the bin.
    AudioReporter(GstElement* output, GstElement* sink, unsigned number);
    ~AudioReporter() override;
    AudioReporter(const AudioReporter&) = delete;
    AudioReporter& operator=(const AudioReporter&) = delete;

    // Watches the samples that pass the pad (float, interleaved).
    void Watch(GstPad* pad);

    // Reporting starts as the output gets ready to play and ends, with the closed report sent,
    // before the output stops being ready.
    void StateChanging(GstStateChange transition) override;
    void StateChanged(GstStateChange transition, GstStateChangeReturn result) override;

private:
    // A block seen while the sink was not playing: its play time is known only once it plays.
    struct HeldBlock {
        std::uint64_t running_time = 0;
        int rate = 0;
        int channels = 0;
        std::vector<float> samples;
    };
    struct Report {
        protocol::AudioGraphState state = protocol::AudioGraphState::Stopped;
        std::int64_t position_us = 0;
        std::int32_t level = protocol::kSilentAudioLevel;
    };

    GstPadProbeReturn OnProbe(GstPad* pad, GstPadProbeInfo* info);
    void OnBuffer(GstPad* pad, GstBuffer* buffer);
    bool SinkPlaying() const;

    void Start();
    void Stop();
    void Run();
    Report Measure();
    // Sends a report; the recording windows the server answers with (none when it did not).
    std::vector<protocol::AudioRecordWindow> Send(const Report& report);
    // Hands over the kept blocks after `handed` that the windows cover.
    void HandOver(const std::vector<protocol::AudioRecordWindow>& windows, std::uint64_t& handed, RecordFeed& feed);

    GstElement* const m_output;
    GstElement* const m_sink;
    const unsigned m_number;
    PlayedAudio m_played;

    std::mutex m_held_mutex;  // the streaming thread's and the state changes'
    std::vector<HeldBlock> m_held;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    bool m_state_changed = false;
    bool m_recording = false;   // the server named a recording in its last answer
    bool m_new_blocks = false;  // blocks were kept since the thread last looked
    std::thread m_thread;
    std::int64_t m_position_us = 0;  // the reporting thread's
};

}  // namespace platform::media
