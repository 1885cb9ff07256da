#include "platform/media/graph_reporter.h"

#include <atomic>
#include <utility>

#include "platform/kernel/server_connection.h"

namespace platform::media {
namespace {

using Clock = std::chrono::steady_clock;

std::atomic<unsigned> s_next_graph{1};

// A path longer than a report may carry is cut, at the start of a UTF-8 character; the server
// would take a longer one for a misbehaving program.
std::string ReportedFile(const std::string& file)
{
    if (file.size() <= protocol::kMaxGraphFileBytes) return file;
    std::size_t end = protocol::kMaxGraphFileBytes;
    while (end > 0 && (static_cast<unsigned char>(file[end]) & 0xC0) == 0x80) --end;
    return file.substr(0, end);
}

}  // namespace

GraphReporter::GraphReporter(const std::string& file, Reader read)
    : m_file(ReportedFile(file)), m_read(std::move(read)), m_number(s_next_graph++), m_thread([this] { Run(); })
{
}

GraphReporter::~GraphReporter()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_wake.notify_one();
    }
    m_thread.join();
}

void GraphReporter::Changed()
{
    std::lock_guard lock(m_mutex);
    m_changed = true;
    m_wake.notify_one();
}

void GraphReporter::Send(const GraphSnapshot& snapshot) const
{
    protocol::GraphReportRequest request;
    request.graph = m_number;
    request.file = m_file;
    request.state = static_cast<std::uint8_t>(snapshot.state);
    request.position_ms = snapshot.position_ms;
    request.duration_ms = snapshot.duration_ms;
    request.volume = snapshot.volume;
    // Without a server there is nobody to tell; the graph plays on all the same.
    protocol::StatusReply reply;
    CallServer(request, reply);
}

void GraphReporter::Run()
{
    GraphSnapshot last;
    auto next_report = Clock::now();
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            const auto due = [&] { return m_stopping || m_changed; };
            // Only a running graph's report goes stale by itself.
            if (last.state == protocol::AudioGraphState::Running) m_wake.wait_until(lock, next_report, due);
            else m_wake.wait(lock, due);
            if (m_stopping) break;
            m_changed = false;
        }
        last = m_read();
        Send(last);
        next_report = Clock::now() + kRunningInterval;
    }
    last.state = protocol::AudioGraphState::Closed;
    Send(last);
}

}  // namespace platform::media
