#include "platform/media/tdmb/telecast_tuner.h"

#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "platform/kernel/debug_output.h"
#include "platform/media/result_codes.h"
#include "platform/media/tdmb/broadcast_rules.h"
#include "platform/media/tdmb/tdmb_properties.h"
#include "platform/media/tdmb/transport_packets.h"

namespace platform::media {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr auto kPollPeriod = std::chrono::milliseconds(300);
// Seven packets: the payload of one IP datagram, as a broadcast gateway sends them.
constexpr std::size_t kChunkPackets = 7;
// A source that holds more than this is not being read (a paused graph): what the broadcast
// sends meanwhile is lost, as it would be on air.
constexpr guint64 kMostQueuedBytes = 1024 * 1024;
// A clock reference this far from where the pace expects it starts a new pace (the media
// looped, or the stream has a gap).
constexpr double kClockJumpSeconds = 1.0;
// From the media's last clock reference to its first one sent again: about a frame.
constexpr double kWrapGapSeconds = 0.04;

// The tuned service's media, read from its live position on.
class BroadcastMedia {
public:
    bool Open(const std::string& path)
    {
        m_file.close();
        m_file.clear();
        std::error_code error;
        m_size = std::filesystem::file_size(path, error);
        if (error || m_size < tdmb::kTransportPacketSize) return false;
        m_file.open(path, std::ios::binary);
        if (!m_file) return false;
        m_seconds = tdmb::StreamSeconds(path).value_or(0.0);
        return true;
    }
    void GoLive()
    {
        const double now = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
        Seek(tdmb::BroadcastOffset(tdmb::BroadcastPosition(now, m_seconds), m_seconds, m_size));
        m_shift = 0;
    }
    // The next whole packets, from the start again after the last; empty when unreadable.
    // Each time round, the clocks are moved on by the media's length, so that the service
    // reads as one broadcast: a demultiplexer that saw its clocks run back could drop the
    // picture, most of all one that had seen only the last moments before the wrap.
    std::vector<std::uint8_t> Next()
    {
        std::vector<std::uint8_t> bytes(kChunkPackets * tdmb::kTransportPacketSize);
        m_file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        std::size_t got = static_cast<std::size_t>(m_file.gcount());
        if (got < tdmb::kTransportPacketSize) {
            Seek(0);
            m_file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
            got = static_cast<std::size_t>(m_file.gcount());
            if (m_seconds > 0.0) m_shift += RoundTicks(m_seconds + kWrapGapSeconds);
        }
        bytes.resize(got - got % tdmb::kTransportPacketSize);
        if (m_shift != 0)
            for (std::size_t at = 0; at < bytes.size(); at += tdmb::kTransportPacketSize)
                tdmb::ShiftPacketClocks(std::span(bytes).subspan(at, tdmb::kTransportPacketSize), m_shift);
        return bytes;
    }

private:
    static std::uint64_t RoundTicks(double seconds)
    {
        return static_cast<std::uint64_t>(std::llround(seconds * static_cast<double>(tdmb::kTimestampHz)));
    }
    void Seek(std::uint64_t offset)
    {
        m_file.clear();
        m_file.seekg(static_cast<std::streamoff>(offset));
    }

    std::ifstream m_file;
    std::uint64_t m_size = 0;
    double m_seconds = 0.0;     // from the first clock reference to the last
    std::uint64_t m_shift = 0;  // 90 kHz ticks added to the clocks this time round
};

// Keeps the sending at the stream's own rate: a packet with a clock reference goes out when
// the wall clock has advanced as far as the stream's clock since the pace began.
class Pace {
public:
    void Restart() { m_started = false; }
    // When the chunk is due; now for a chunk without a clock reference.
    SteadyClock::time_point Due(const std::vector<std::uint8_t>& chunk)
    {
        std::optional<std::uint64_t> clock;
        for (std::size_t at = 0; !clock && at + tdmb::kTransportPacketSize <= chunk.size(); at += tdmb::kTransportPacketSize)
            clock = tdmb::PacketClock(std::span(chunk).subspan(at, tdmb::kTransportPacketSize));
        const auto now = SteadyClock::now();
        if (!clock) return m_started ? m_last_due : now;
        if (m_started) {
            const double ahead = (static_cast<double>(*clock) - static_cast<double>(m_clock)) / tdmb::kProgramClockHz;
            const auto due = m_time + std::chrono::duration_cast<SteadyClock::duration>(std::chrono::duration<double>(ahead));
            const double late = std::chrono::duration<double>(now - due).count();
            if (ahead >= 0.0 && late < kClockJumpSeconds && -late < kClockJumpSeconds) return m_last_due = due;
        }
        m_started = true;
        m_clock = *clock;
        m_time = now;
        return m_last_due = now;
    }

private:
    bool m_started = false;
    std::uint64_t m_clock = 0;
    SteadyClock::time_point m_time;
    SteadyClock::time_point m_last_due;
};

GstElement* MakeOutput()
{
    GstElement* source = gst_element_factory_make("appsrc", nullptr);
    if (!source) return nullptr;
    GstCaps* caps = gst_caps_new_simple("video/mpegts", "systemstream", G_TYPE_BOOLEAN, TRUE, "packetsize", G_TYPE_INT,
                                        static_cast<int>(tdmb::kTransportPacketSize), nullptr);
    // Stamped with the time each chunk goes out, as a receiver stamps what it takes off air.
    g_object_set(source, "caps", caps, "is-live", TRUE, "do-timestamp", TRUE, "format", GST_FORMAT_TIME, "block", FALSE,
                 "max-bytes", static_cast<guint64>(kMostQueuedBytes), nullptr);
    gst_caps_unref(caps);
    return source;
}

}  // namespace

TelecastTuner::TelecastTuner()
    : FilterBase(CLSID_TelecastTuner, {{"TSOut", PINDIR_OUTPUT, MEDIATYPE_Stream}, {"AOut", PINDIR_OUTPUT, MEDIATYPE_Stream}})
{
}

TelecastTuner::~TelecastTuner()
{
    StopBroadcast();
}

TelecastTuner* TelecastTuner::FindIn(IFilterGraph* graph)
{
    if (!graph) return nullptr;
    IEnumFilters* filters = nullptr;
    if (FAILED(graph->EnumFilters(&filters)) || !filters) return nullptr;
    TelecastTuner* found = nullptr;
    IBaseFilter* filter = nullptr;
    while (!found && filters->Next(1, &filter, nullptr) == S_OK) {
        found = dynamic_cast<TelecastTuner*>(filter);
        if (!found) filter->Release();
    }
    filters->Release();
    return found;
}

void TelecastTuner::UseServiceSource(ServiceSource source)
{
    std::lock_guard lock(m_mutex);
    m_source = std::move(source);
}

std::optional<tdmb::TunedService> TelecastTuner::Fetch(tdmb::ReceiverClient& client)
{
    ServiceSource source;
    {
        std::lock_guard lock(m_mutex);
        source = m_source;
    }
    return source ? source() : client.Tuned();
}

tdmb::TunedService TelecastTuner::ServiceForRun()
{
    std::lock_guard run_lock(m_run_mutex);
    {
        std::lock_guard lock(m_mutex);
        if (m_run_service) return *m_run_service;
    }
    const tdmb::TunedService service = Fetch(tdmb::ReceiverClient::ForThisThread()).value_or(tdmb::TunedService{});
    std::lock_guard lock(m_mutex);
    m_run_service = service;
    m_current = service;
    return service;
}

tdmb::TunedService TelecastTuner::CurrentService() const
{
    std::lock_guard lock(m_mutex);
    return m_current;
}

bool TelecastTuner::Sending() const
{
    std::lock_guard lock(m_mutex);
    return m_sending;
}

HRESULT TelecastTuner::Stop()
{
    StopBroadcast();
    {
        std::lock_guard lock(m_mutex);
        m_run_service.reset();
    }
    return SetFilterState(State_Stopped);
}

HRESULT TelecastTuner::Pause()
{
    SetFilterState(State_Paused);
    StartBroadcast();
    return S_OK;
}

HRESULT TelecastTuner::Run(REFERENCE_TIME)
{
    SetFilterState(State_Running);
    StartBroadcast();
    return S_OK;
}

HRESULT TelecastTuner::Get(DWORD property, DWORD* record)
{
    if (!record) return E_POINTER;
    const auto known = tdmb::FindTunerProperty(property, tdmb::PropertyAccess::Get);
    if (!known) return E_INVALIDARG;
    const std::vector<std::uint32_t> words(record + 1, record + 1 + known->input_words);
    std::vector<std::uint32_t> reply;
    if (!tdmb::ReceiverClient::ForThisThread().Get(property, words, known->reply_words, reply)) return E_FAIL;
    std::copy_n(reply.begin(), std::min(reply.size(), known->reply_words), record + 1);
    return S_OK;
}

HRESULT TelecastTuner::Set(DWORD property, DWORD* record, DWORD)
{
    if (!record) return E_POINTER;
    const auto known = tdmb::FindTunerProperty(property, tdmb::PropertyAccess::Set);
    if (!known) return E_INVALIDARG;
    const std::vector<std::uint32_t> words(record + 1, record + 1 + known->input_words);
    return tdmb::ReceiverClient::ForThisThread().Set(property, words) ? S_OK : E_FAIL;
}

bool TelecastTuner::BuildElements(GstBin* bin, std::vector<GstPad*>& pads)
{
    std::vector<GstElement*> outputs;
    for (size_t index = 0; index < PinCount(); ++index) outputs.push_back(MakeOutput());
    if (std::find(outputs.begin(), outputs.end(), nullptr) != outputs.end()) {
        for (GstElement* element : outputs)
            if (element) gst_object_unref(gst_object_ref_sink(element));
        return false;
    }
    for (GstElement* output : outputs) {
        gst_bin_add(bin, output);
        pads.push_back(gst_element_get_static_pad(output, "src"));
    }
    std::lock_guard lock(m_mutex);
    m_outputs = outputs;
    return true;
}

void TelecastTuner::GraphChanged(bool in_graph)
{
    if (!in_graph) StopBroadcast();
}

void TelecastTuner::StartBroadcast()
{
    std::lock_guard lock(m_mutex);
    if (m_thread.joinable()) return;
    m_stopping = false;
    m_thread = std::thread([this] { Broadcast(); });
}

void TelecastTuner::StopBroadcast()
{
    std::thread thread;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        thread = std::move(m_thread);
    }
    m_wake.notify_all();
    if (thread.joinable()) thread.join();
    std::lock_guard lock(m_mutex);
    m_sending = false;
}

bool TelecastTuner::WaitUntil(SteadyClock::time_point deadline)
{
    std::unique_lock lock(m_mutex);
    return !m_wake.wait_until(lock, deadline, [this] { return m_stopping; });
}

void TelecastTuner::Send(const std::vector<std::uint8_t>& bytes)
{
    std::vector<GstElement*> outputs;
    {
        std::lock_guard lock(m_mutex);
        outputs = m_outputs;
    }
    for (size_t index = 0; index < outputs.size() && index < PinCount(); ++index) {
        if (!PinAt(index).Peer()) continue;
        GstAppSrc* source = GST_APP_SRC(outputs[index]);
        if (gst_app_src_get_current_level_bytes(source) > kMostQueuedBytes) continue;
        GstBuffer* buffer = gst_buffer_new_memdup(bytes.data(), bytes.size());
        gst_app_src_push_buffer(source, buffer);  // takes the buffer; refused while stopped
    }
}

void TelecastTuner::Broadcast()
{
    tdmb::ReceiverClient client;  // this thread's own connection
    const tdmb::TunedService run_service = ServiceForRun();
    BroadcastMedia media;
    std::string media_path;
    std::string unreadable;  // said once, not at every poll
    Pace pace;
    bool sending = false;
    auto next_poll = SteadyClock::now();
    tdmb::TunedService service = run_service;
    bool first = true;

    for (;;) {
        if (SteadyClock::now() >= next_poll) {
            // The run's own question counts as the first poll.
            if (!first) service = Fetch(client).value_or(tdmb::TunedService{});
            first = false;
            next_poll = SteadyClock::now() + kPollPeriod;
            bool receivable = service.Receivable();
            if (receivable && !sending) {
                // The run's media, or, when the run began without any, the service's now.
                const std::string& wanted = run_service.media.empty() ? service.media : run_service.media;
                if (wanted != media_path || media_path.empty()) {
                    media_path = media.Open(wanted) ? wanted : std::string();
                    if (media_path.empty() && wanted != unreadable)
                        DebugPrintf("Media: TCC TELECASTTune: cannot read %s\n", wanted.c_str());
                    unreadable = media_path.empty() ? wanted : std::string();
                }
                receivable = !media_path.empty();
                if (receivable) {
                    media.GoLive();
                    pace.Restart();
                }
            }
            sending = receivable;
            std::lock_guard lock(m_mutex);
            m_current = service;
            m_sending = sending;
        }
        if (!sending) {
            if (!WaitUntil(next_poll)) return;
            continue;
        }
        const std::vector<std::uint8_t> chunk = media.Next();
        if (chunk.empty()) {
            std::lock_guard lock(m_mutex);
            m_sending = sending = false;
            media_path.clear();
            continue;
        }
        if (!WaitUntil(pace.Due(chunk))) return;
        Send(chunk);
    }
}

}  // namespace platform::media
