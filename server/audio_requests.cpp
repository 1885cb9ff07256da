// The programs' audio outputs: what each plays now, for devicectl audio, and recordings of
// what the device plays, mixed from the samples the outputs hand over while one is asked for.
#include <algorithm>
#include <climits>
#include <tuple>

#include "platform/kernel/debug_output.h"
#include "platform/win32_types.h"
#include "server/device_server.h"

namespace server {
namespace {

constexpr std::uint16_t Kind(protocol::RequestId id) { return static_cast<std::uint16_t>(id); }

// How long a recording waits past its end for the last samples: an output learns of a
// recording from the reply to its next report (about every 100 ms) and then hands over what it
// has played since the recording began.
constexpr auto kRecordingGrace = std::chrono::milliseconds(300);
// Recordings at once; each holds its whole mix in memory.
constexpr std::size_t kMaxRecordings = 4;
// An output reports on a connection of its own; more than this on one connection is abuse.
constexpr std::size_t kMaxOutputsPerConnection = 16;

std::uint64_t NowNs(Clock::time_point now) {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now.time_since_epoch()).count());
}

std::uint64_t SourceOf(std::uint32_t client_id, std::uint32_t output) {
    return static_cast<std::uint64_t>(client_id) << 32 | output;
}

}  // namespace

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::AudioReportRequest& request) {
    if (request.output == 0 || request.state > static_cast<std::uint8_t>(protocol::AudioGraphState::Closed))
        return Misbehave(client, "AudioReport: bad output or state");
    const auto key = std::make_pair(client.Id(), request.output);
    if (request.state == static_cast<std::uint8_t>(protocol::AudioGraphState::Closed)) {
        m_audio_outputs.erase(key);
    } else {
        auto found = m_audio_outputs.find(key);
        if (found == m_audio_outputs.end()) {
            const auto first = m_audio_outputs.lower_bound({client.Id(), 0});
            const auto last = m_audio_outputs.upper_bound({client.Id(), UINT32_MAX});
            if (static_cast<std::size_t>(std::distance(first, last)) >= kMaxOutputsPerConnection)
                return Misbehave(client, "AudioReport: too many outputs");
            protocol::AudioOutputInfo info;
            info.process_id = static_cast<std::uint32_t>(client.Pid());
            const auto process = client.OwnerProcess();
            info.program = process && !process->name.empty() ? process->name : client.ProgramName();
            info.output = request.output;
            found = m_audio_outputs.emplace(key, std::move(info)).first;
        }
        found->second.state = request.state;
        found->second.position_us = request.position_us;
        found->second.level = request.level;
    }
    protocol::AudioReportReply reply;
    for (const PendingRecording& pending : m_recordings)
        reply.recordings.push_back({pending.recording->Mix().FromNs(), pending.recording->Mix().ToNs()});
    client.Reply(sequence, Kind(protocol::RequestId::AudioReport), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t, const protocol::AudioSamplesRequest& request) {
    constexpr std::size_t kFrameBytes = protocol::kAudioRecordChannels * 2;
    if (request.samples.size() > protocol::kMaxAudioSamplesBytes || request.samples.size() % kFrameBytes != 0)
        return Misbehave(client, "AudioSamples: not whole frames of the recording format");
    // Samples of an output that has closed, or that arrive after every recording ended, are
    // late and go nowhere.
    if (!m_audio_outputs.count({client.Id(), request.output})) return;
    for (PendingRecording& pending : m_recordings)
        pending.recording->Mix().Add(SourceOf(client.Id(), request.output), request.play_ns, request.samples.data(),
                                     request.samples.size());
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::AudioListRequest&) {
    protocol::AudioListReply reply;
    for (const auto& [key, info] : m_audio_outputs) reply.outputs.push_back(info);
    std::sort(reply.outputs.begin(), reply.outputs.end(), [](const auto& a, const auto& b) {
        return std::tie(a.program, a.process_id, a.output) < std::tie(b.program, b.process_id, b.output);
    });
    client.Reply(sequence, Kind(protocol::RequestId::AudioList), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::AudioRecordRequest& request) {
    const auto now = Clock::now();
    protocol::AudioRecordReply reply;
    reply.rate = protocol::kAudioRecordRate;
    reply.channels = protocol::kAudioRecordChannels;
    if (request.duration_ms > protocol::kMaxAudioRecordMs) reply.error = ERROR_INVALID_PARAMETER;
    else if (m_recordings.size() >= kMaxRecordings) reply.error = ERROR_BUSY;
    if (reply.error != 0 || request.duration_ms == 0) {
        client.Reply(sequence, Kind(protocol::RequestId::AudioRecord), reply);
        return;
    }
    const std::uint64_t frames = static_cast<std::uint64_t>(request.duration_ms) * protocol::kAudioRecordRate / 1000;
    auto recording = AudioRecording::Create(NowNs(now), protocol::kAudioRecordRate, frames);
    if (!recording) {
        reply.error = ERROR_NOT_ENOUGH_MEMORY;
        client.Reply(sequence, Kind(protocol::RequestId::AudioRecord), reply);
        return;
    }
    m_recordings.push_back(
        {client.Id(), sequence, now + std::chrono::milliseconds(request.duration_ms) + kRecordingGrace, std::move(recording)});
}

void DeviceServer::FinishRecordings(Clock::time_point now) {
    for (auto it = m_recordings.begin(); it != m_recordings.end();) {
        if (it->reply_at > now) {
            ++it;
            continue;
        }
        const PendingRecording done = std::move(*it);
        it = m_recordings.erase(it);
        if (Client* requester = FindClient(done.requester)) {
            protocol::AudioRecordReply reply;
            reply.rate = protocol::kAudioRecordRate;
            reply.channels = protocol::kAudioRecordChannels;
            reply.frames = done.recording->Mix().Frames();
            requester->Reply(done.sequence, Kind(protocol::RequestId::AudioRecord), reply, done.recording->Fd());
            UpdateWriteInterest(*requester);
        }
    }
}

std::optional<Clock::time_point> DeviceServer::NextRecordingDeadline() const {
    std::optional<Clock::time_point> next;
    for (const PendingRecording& pending : m_recordings)
        if (!next || pending.reply_at < *next) next = pending.reply_at;
    return next;
}

void DeviceServer::DropAudioOf(std::uint32_t client_id) {
    m_audio_outputs.erase(m_audio_outputs.lower_bound({client_id, 0}), m_audio_outputs.upper_bound({client_id, UINT32_MAX}));
    // Nobody is left to take a recording its requester no longer waits for.
    std::erase_if(m_recordings, [client_id](const PendingRecording& pending) { return pending.requester == client_id; });
}

}  // namespace server
