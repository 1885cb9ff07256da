// devicectl's view of the device's playback graphs: what each program's graphs play now.
#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "platform/kernel/server_connection.h"
#include "tools/devicectl/device_control.h"

namespace devicectl {
namespace {

const char* StateName(std::uint8_t state) {
    switch (static_cast<protocol::AudioGraphState>(state)) {
        case protocol::AudioGraphState::Stopped: return "stopped";
        case protocol::AudioGraphState::Paused: return "paused";
        case protocol::AudioGraphState::Running: return "running";
        case protocol::AudioGraphState::Closed: return "closed";
    }
    return "?";
}

std::string Seconds(std::int64_t milliseconds) {
    char text[32];
    std::snprintf(text, sizeof(text), "%" PRId64 ".%03" PRId64, milliseconds / 1000, milliseconds % 1000);
    return text;
}

}  // namespace

std::optional<std::vector<protocol::GraphInfo>> DeviceControl::Graphs() {
    protocol::GraphListRequest request;
    protocol::GraphListReply reply;
    if (!platform::CallServer(request, reply)) return std::nullopt;
    return reply.graphs;
}

std::string Describe(const protocol::GraphInfo& graph) {
    const std::string duration = graph.duration_ms < 0 ? "?" : Seconds(graph.duration_ms);
    return graph.program + " (pid " + std::to_string(graph.process_id) + ") graph " + std::to_string(graph.graph) + ": " +
           graph.file + " " + StateName(graph.state) + " " + Seconds(std::max<std::int64_t>(graph.position_ms, 0)) +
           "/" + duration + " s volume " + std::to_string(graph.volume);
}

}  // namespace devicectl
