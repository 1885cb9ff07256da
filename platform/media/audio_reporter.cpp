#include "platform/media/audio_reporter.h"

#include <gst/audio/audio.h>
#include <gst/base/gstbasesink.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <utility>

#include "platform/kernel/server_connection.h"
#include "platform/media/graph_stopped_mark.h"
#include "platform/media/record_feed.h"

namespace platform::media {
namespace {

using Clock = std::chrono::steady_clock;

// The level is the peak of what played over this last stretch.
constexpr std::uint64_t kLevelNs = 100'000'000;
// Below this peak (-120 dB of full scale) an output counts as silent.
constexpr float kSilentPeak = 1e-6f;
// Blocks a sink that is not playing holds back: one in practice, the block it prerolled.
constexpr std::size_t kMaxHeld = 64;

std::uint64_t MonotonicNs()
{
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count());
}

std::int32_t LevelOf(std::optional<float> peak)
{
    if (!peak || *peak < kSilentPeak) return protocol::kSilentAudioLevel;
    return static_cast<std::int32_t>(std::lround(2000.0 * std::log10(*peak)));
}

bool Overlaps(const std::vector<protocol::AudioRecordWindow>& windows, std::uint64_t from_ns, std::uint64_t to_ns)
{
    return std::any_of(windows.begin(), windows.end(), [&](const protocol::AudioRecordWindow& window) {
        return from_ns < window.to_ns && to_ns > window.from_ns;
    });
}

// How long after its running time the sink plays a block: a live graph's latency (a tuner's
// stream, a capture), nothing for a file. An output device's sink sits inside a bin.
GstClockTime SinkLatency(GstElement* sink)
{
    if (GST_IS_BASE_SINK(sink)) {
        const GstClockTime latency = gst_base_sink_get_latency(GST_BASE_SINK(sink));
        return GST_CLOCK_TIME_IS_VALID(latency) ? latency : 0;
    }
    if (!GST_IS_BIN(sink)) return 0;
    GstClockTime latency = 0;
    GstIterator* inner = gst_bin_iterate_sinks(GST_BIN(sink));
    GValue item = G_VALUE_INIT;
    if (gst_iterator_next(inner, &item) == GST_ITERATOR_OK) latency = SinkLatency(GST_ELEMENT(g_value_get_object(&item)));
    g_value_unset(&item);
    gst_iterator_free(inner);
    return latency;
}

}  // namespace

AudioReporter::AudioReporter(GstElement* output, GstElement* sink, unsigned number)
    : m_output(output), m_sink(sink), m_number(number)
{
}

AudioReporter::~AudioReporter()
{
    Stop();
}

void AudioReporter::Watch(GstPad* pad)
{
    gst_pad_add_probe(
        pad, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_FLUSH),
        [](GstPad* probed, GstPadProbeInfo* info, gpointer reporter) {
            return static_cast<AudioReporter*>(reporter)->OnProbe(probed, info);
        },
        this, nullptr);
}

GstPadProbeReturn AudioReporter::OnProbe(GstPad* pad, GstPadProbeInfo* info)
{
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_FLUSH) {
        // What a flush throws away is never played.
        if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_FLUSH_STOP) {
            std::lock_guard lock(m_held_mutex);
            m_held.clear();
        }
        return GST_PAD_PROBE_OK;
    }
    if (GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info)) OnBuffer(pad, buffer);
    return GST_PAD_PROBE_OK;
}

bool AudioReporter::SinkPlaying() const
{
    GST_OBJECT_LOCK(m_sink);
    const bool playing = GST_STATE(m_sink) == GST_STATE_PLAYING;
    GST_OBJECT_UNLOCK(m_sink);
    return playing;
}

void AudioReporter::OnBuffer(GstPad* pad, GstBuffer* buffer)
{
    GstAudioInfo format;
    GstCaps* caps = gst_pad_get_current_caps(pad);
    const bool known = caps && gst_audio_info_from_caps(&format, caps);
    if (caps) gst_caps_unref(caps);
    if (!known || GST_AUDIO_INFO_FORMAT(&format) != GST_AUDIO_FORMAT_F32 || GST_AUDIO_INFO_BPF(&format) <= 0) return;

    GstEvent* segment_event = gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0);
    if (!segment_event) return;
    const GstSegment* segment = nullptr;
    gst_event_parse_segment(segment_event, &segment);
    const guint64 running_time = segment->format == GST_FORMAT_TIME
                                     ? gst_segment_to_running_time(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer))
                                     : GST_CLOCK_TIME_NONE;
    gst_event_unref(segment_event);
    if (!GST_CLOCK_TIME_IS_VALID(running_time)) return;

    HeldBlock block{running_time, GST_AUDIO_INFO_RATE(&format), GST_AUDIO_INFO_CHANNELS(&format), {}};
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return;
    block.samples.resize(map.size / sizeof(float));
    std::memcpy(block.samples.data(), map.data, block.samples.size() * sizeof(float));
    gst_buffer_unmap(buffer, &map);

    std::lock_guard lock(m_held_mutex);
    GstClock* clock = SinkPlaying() ? gst_element_get_clock(m_sink) : nullptr;
    if (!clock) {
        if (m_held.size() < kMaxHeld) m_held.push_back(std::move(block));
        return;
    }
    // The sink plays a block when the clock reaches base time + running time + latency. The
    // clock may be an audio device's, so its time is carried over to the monotonic clock by
    // reading both.
    const auto base_time = static_cast<std::int64_t>(gst_element_get_base_time(m_sink)) +
                           static_cast<std::int64_t>(SinkLatency(m_sink));
    const auto clock_now = static_cast<std::int64_t>(gst_clock_get_time(clock));
    const std::uint64_t now_ns = MonotonicNs();
    gst_object_unref(clock);
    m_held.push_back(std::move(block));
    for (HeldBlock& played : m_held) {
        const std::int64_t from_now = base_time + static_cast<std::int64_t>(played.running_time) - clock_now;
        const std::uint64_t play_ns = static_cast<std::uint64_t>(static_cast<std::int64_t>(now_ns) + from_now);
        m_played.Add(play_ns, played.rate, played.channels, std::move(played.samples), now_ns);
    }
    m_held.clear();
    std::lock_guard wake_lock(m_mutex);
    if (m_recording) {
        m_new_blocks = true;
        m_wake.notify_one();
    }
}

void AudioReporter::StateChanging(GstStateChange transition)
{
    if (transition == GST_STATE_CHANGE_READY_TO_PAUSED) Start();
    if (transition == GST_STATE_CHANGE_PAUSED_TO_READY) Stop();
}

void AudioReporter::StateChanged(GstStateChange transition, GstStateChangeReturn result)
{
    const GstState next = GST_STATE_TRANSITION_NEXT(transition);
    if (result == GST_STATE_CHANGE_FAILURE || (next != GST_STATE_PAUSED && next != GST_STATE_PLAYING)) return;
    std::lock_guard lock(m_mutex);
    m_state_changed = true;
    m_wake.notify_one();
}

void AudioReporter::Start()
{
    std::lock_guard lock(m_mutex);
    if (m_thread.joinable()) return;
    m_stopping = false;
    m_state_changed = false;
    m_recording = false;
    m_thread = std::thread([this] { Run(); });
}

void AudioReporter::Stop()
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_thread.joinable()) return;
        m_stopping = true;
        m_wake.notify_one();
    }
    m_thread.join();
    m_thread = std::thread();
    m_played.Clear();
    std::lock_guard lock(m_held_mutex);
    m_held.clear();
}

AudioReporter::Report AudioReporter::Measure()
{
    Report report;
    GST_OBJECT_LOCK(m_output);
    const GstState target = GST_STATE_TARGET(m_output);
    GST_OBJECT_UNLOCK(m_output);
    if (target == GST_STATE_PLAYING) report.state = protocol::AudioGraphState::Running;
    else if (target == GST_STATE_PAUSED && !GraphMarkedStopped(m_output)) report.state = protocol::AudioGraphState::Paused;
    gint64 position = 0;
    // While the pipeline flushes it may not answer; the last position read then stands.
    if (gst_element_query_position(m_output, GST_FORMAT_TIME, &position) && position >= 0) m_position_us = position / 1000;
    report.position_us = m_position_us;
    const std::uint64_t now_ns = MonotonicNs();
    report.level = LevelOf(m_played.Peak(now_ns > kLevelNs ? now_ns - kLevelNs : 0, now_ns));
    return report;
}

std::vector<protocol::AudioRecordWindow> AudioReporter::Send(const Report& report)
{
    protocol::AudioReportRequest request;
    request.output = m_number;
    request.state = static_cast<std::uint8_t>(report.state);
    request.position_us = report.position_us;
    request.level = report.level;
    protocol::AudioReportReply reply;
    if (!CallServer(request, reply)) return {};
    return reply.recordings;
}

void AudioReporter::HandOver(const std::vector<protocol::AudioRecordWindow>& windows, std::uint64_t& handed,
                             RecordFeed& feed)
{
    constexpr std::size_t kFrameBytes = protocol::kAudioRecordChannels * 2;
    constexpr std::size_t kChunkFrames = protocol::kMaxAudioSamplesBytes / kFrameBytes;
    ServerConnection* connection = ServerConnection::Current();
    for (const PlayedBlock& block : m_played.After(handed)) {
        handed = block.number;
        if (!connection || !Overlaps(windows, block.play_ns, block.end_ns)) continue;
        const std::vector<std::uint8_t> bytes = feed.Convert(block);
        const std::size_t frames = bytes.size() / kFrameBytes;
        for (std::size_t first = 0; first < frames; first += kChunkFrames) {
            const std::size_t count = std::min(kChunkFrames, frames - first);
            protocol::AudioSamplesRequest samples;
            samples.output = m_number;
            samples.play_ns = block.play_ns + static_cast<std::uint64_t>(std::llround(
                                                  static_cast<double>(first) * 1e9 / protocol::kAudioRecordRate));
            samples.samples.assign(bytes.begin() + static_cast<std::ptrdiff_t>(first * kFrameBytes),
                                   bytes.begin() + static_cast<std::ptrdiff_t>((first + count) * kFrameBytes));
            if (!connection->Post(samples)) return;
        }
    }
}

void AudioReporter::Run()
{
    RecordFeed feed(protocol::kAudioRecordRate, protocol::kAudioRecordChannels);
    std::vector<protocol::AudioRecordWindow> windows;
    std::uint64_t handed = 0;
    auto next_report = Clock::now();
    for (;;) {
        bool report_now = false;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait_until(lock, next_report, [&] { return m_stopping || m_state_changed || m_new_blocks; });
            if (m_stopping) break;
            report_now = std::exchange(m_state_changed, false) || Clock::now() >= next_report;
            m_new_blocks = false;
        }
        if (report_now) {
            windows = Send(Measure());
            next_report = Clock::now() + kReportInterval;
            std::lock_guard lock(m_mutex);
            m_recording = !windows.empty();
        }
        if (!windows.empty()) HandOver(windows, handed, feed);
    }
    Report closed = Measure();
    closed.state = protocol::AudioGraphState::Closed;
    Send(closed);
}

}  // namespace platform::media
