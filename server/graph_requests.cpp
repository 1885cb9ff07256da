// The programs' playback graphs: what each plays now, for devicectl media. A graph reports on
// a connection of the program's; its line goes with its Closed report, that connection, or
// the program.
#include <algorithm>
#include <climits>
#include <tuple>

#include "server/device_server.h"

namespace server {
namespace {

constexpr std::uint16_t Kind(protocol::RequestId id) { return static_cast<std::uint16_t>(id); }

// Graphs a program may have listed at once; more is abuse.
constexpr std::size_t kMaxGraphsPerProcess = 64;

bool ValidReport(const protocol::GraphReportRequest& request) {
    return request.graph != 0 && request.state <= static_cast<std::uint8_t>(protocol::AudioGraphState::Closed) &&
           request.file.size() <= protocol::kMaxGraphFileBytes && request.position_ms >= 0 &&
           request.duration_ms >= protocol::kUnknownGraphDuration && request.volume >= protocol::kGraphVolumeSilence &&
           request.volume <= protocol::kGraphVolumeFull;
}

}  // namespace

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::GraphReportRequest& request) {
    if (!ValidReport(request)) return Misbehave(client, "GraphReport: bad graph, file, state, time or volume");
    const auto pid = static_cast<std::uint32_t>(client.Pid());
    const auto key = std::make_pair(pid, request.graph);
    if (request.state == static_cast<std::uint8_t>(protocol::AudioGraphState::Closed)) {
        m_graphs.erase(key);
    } else {
        auto found = m_graphs.find(key);
        if (found == m_graphs.end()) {
            const auto first = m_graphs.lower_bound({pid, 0});
            const auto last = m_graphs.upper_bound({pid, UINT32_MAX});
            if (static_cast<std::size_t>(std::distance(first, last)) >= kMaxGraphsPerProcess)
                return Misbehave(client, "GraphReport: too many graphs");
            ReportedGraph graph;
            graph.info.process_id = pid;
            const auto process = client.OwnerProcess();
            graph.info.program = process && !process->name.empty() ? process->name : client.ProgramName();
            graph.info.graph = request.graph;
            found = m_graphs.emplace(key, std::move(graph)).first;
        }
        ReportedGraph& graph = found->second;
        graph.client = client.Id();
        graph.info.file = request.file;
        graph.info.state = request.state;
        graph.info.position_ms = request.position_ms;
        graph.info.duration_ms = request.duration_ms;
        graph.info.volume = request.volume;
    }
    client.Reply(sequence, Kind(protocol::RequestId::GraphReport), protocol::StatusReply{});
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::GraphListRequest&) {
    protocol::GraphListReply reply;
    for (const auto& [key, graph] : m_graphs) reply.graphs.push_back(graph.info);
    std::sort(reply.graphs.begin(), reply.graphs.end(), [](const auto& a, const auto& b) {
        return std::tie(a.program, a.process_id, a.graph) < std::tie(b.program, b.process_id, b.graph);
    });
    client.Reply(sequence, Kind(protocol::RequestId::GraphList), reply);
}

void DeviceServer::DropGraphsOf(std::uint32_t client_id) {
    std::erase_if(m_graphs, [client_id](const auto& entry) { return entry.second.client == client_id; });
}

void DeviceServer::DropGraphsOfProcess(std::uint32_t process_id) {
    m_graphs.erase(m_graphs.lower_bound({process_id, 0}), m_graphs.upper_bound({process_id, UINT32_MAX}));
}

}  // namespace server
