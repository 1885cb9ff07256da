// What a filter graph that rendered a file tells the device server, for devicectl media: the
// file, the graph's state, position, duration and volume. A report goes at once after each
// change the graph announces and every kRunningInterval while the graph runs (its position
// moves), and a last one as closed when the reporter goes, which takes the graph's line away.
//
// A thread of the reporter's own reads the graph and makes every server call, so neither the
// graph's callers nor its streaming threads ever wait for the server.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/protocol/messages.h"

namespace platform::media {

// A graph as a report shows it.
struct GraphSnapshot {
    protocol::AudioGraphState state = protocol::AudioGraphState::Stopped;
    std::int64_t position_ms = 0;
    std::int64_t duration_ms = protocol::kUnknownGraphDuration;
    std::int32_t volume = protocol::kGraphVolumeFull;  // hundredths of a dB
};

class GraphReporter {
public:
    static constexpr auto kRunningInterval = std::chrono::milliseconds(250);

    using Reader = std::function<GraphSnapshot()>;

    // file: the device path the graph rendered, or the filter a graph connected by hand starts
    // at. read: the graph as it is now; called on the reporter's thread only, never while the
    // reporter holds a lock, so it may take the graph's.
    // The graph gets the next number of the program's graphs, from 1.
    GraphReporter(const std::string& file, Reader read);
    // Sends the closed report and ends the thread; the graph must stay readable until then.
    ~GraphReporter();
    GraphReporter(const GraphReporter&) = delete;
    GraphReporter& operator=(const GraphReporter&) = delete;

    unsigned Number() const { return m_number; }
    // Something a report shows has changed: the next report goes at once.
    void Changed();

private:
    void Run();
    void Send(const GraphSnapshot& snapshot) const;

    const std::string m_file;
    const Reader m_read;
    const unsigned m_number;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_changed = true;  // the first report goes as soon as the thread starts
    bool m_stopping = false;
    std::thread m_thread;   // declared last: it starts once everything above is set
};

}  // namespace platform::media
