// The server's list of playback graphs and reports no graph would send. What graphs report and
// how their lines go is tested with real graphs in platform/media/tests/graph_report_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>

#include "platform/kernel/server_connection.h"
#include "platform/testing/temporary_device.h"

namespace {

using platform::testing::TemporaryDevice;
using protocol::GraphReportRequest;

GraphReportRequest Report(std::uint32_t graph, protocol::AudioGraphState state) {
    GraphReportRequest report;
    report.graph = graph;
    report.file = "\\STORAGE CARD\\a.mp4";
    report.state = static_cast<std::uint8_t>(state);
    report.position_ms = 8250;
    report.duration_ms = 30000;
    report.volume = -3350;
    return report;
}

// Sends the reports one after another on a connection of a thread of their own, which ends
// with the thread; whether each was answered.
std::vector<bool> SendOnOwnConnection(const std::vector<GraphReportRequest>& reports) {
    std::vector<bool> answered;
    std::thread([&] {
        for (const auto& report : reports) {
            protocol::StatusReply reply;
            answered.push_back(platform::CallServer(report, reply));
        }
    }).join();
    return answered;
}

std::vector<protocol::GraphInfo> Graphs() {
    protocol::GraphListReply reply;
    EXPECT_TRUE(platform::CallServer(protocol::GraphListRequest{}, reply));
    return reply.graphs;
}

class GraphList : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_device.StartServer()); }
    TemporaryDevice m_device;
};

TEST_F(GraphList, AReportNoGraphWouldSendDropsItsConnectionAndListsNothing) {
    struct Case {
        const char* what;
        GraphReportRequest report;
    };
    std::vector<Case> cases = {{"graph 0", Report(0, protocol::AudioGraphState::Running)},
                               {"unknown state", Report(1, protocol::AudioGraphState::Running)},
                               {"file too long", Report(1, protocol::AudioGraphState::Running)},
                               {"negative position", Report(1, protocol::AudioGraphState::Running)},
                               {"duration below unknown", Report(1, protocol::AudioGraphState::Running)},
                               {"volume above full", Report(1, protocol::AudioGraphState::Running)},
                               {"volume below silence", Report(1, protocol::AudioGraphState::Running)}};
    cases[1].report.state = 4;
    cases[2].report.file = "\\" + std::string(protocol::kMaxGraphFileBytes, 'a');
    cases[3].report.position_ms = -1;
    cases[4].report.duration_ms = -2;
    cases[5].report.volume = 1;
    cases[6].report.volume = -10001;
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        EXPECT_EQ(SendOnOwnConnection({test.report}), std::vector<bool>{false}) << "the connection is dropped";
    }
    EXPECT_TRUE(Graphs().empty());

    // Past 64 graphs of one program, a program is abusing the list: the connection that
    // reported them is dropped, and its graphs go with it.
    std::vector<GraphReportRequest> many;
    for (std::uint32_t graph = 1; graph <= 65; ++graph) many.push_back(Report(graph, protocol::AudioGraphState::Stopped));
    const auto answered = SendOnOwnConnection(many);
    EXPECT_EQ(std::count(answered.begin(), answered.end(), true), 64);
    EXPECT_TRUE(platform::testing::WaitUntil([] { return Graphs().empty(); }, std::chrono::seconds(1)));
}

}  // namespace
