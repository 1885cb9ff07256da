// What the device tells of its programs' playback graphs, as devicectl media lists them: each
// graph that rendered a file, with its file, state, position, duration and volume, from its
// rendering until it is released or its program ends. On a device server of the test's own.
#include <gtest/gtest.h>

#include <optional>
#include <unistd.h>

#include "devicectl_command.h"
#include "platform/kernel/kernel.h"
#include "platform/testing/media_clips.h"
#include "platform/testing/temporary_device.h"
#include "playback_fixture.h"
#include "tools/devicectl/device_control.h"

namespace platform::testing {
namespace {

using protocol::AudioGraphState;
using protocol::GraphInfo;

class StandardClipEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        std::string failed;
        ASSERT_TRUE(MakeClips(kClipDir, StandardClips(), failed)) << failed;
    }
};
const auto* const kStandardClipEnvironment = ::testing::AddGlobalTestEnvironment(new StandardClipEnvironment);

constexpr const char* kMovie = "\\STORAGE CARD\\Movies\\movie.ogg";
constexpr const char* kTone = "\\NAND\\tone.wav";

const std::uint32_t kThisProcess = static_cast<std::uint32_t>(::getpid());

bool InState(const GraphInfo& graph, AudioGraphState state) { return graph.state == static_cast<std::uint8_t>(state); }

class GraphReport : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(m_device.Root() / "fs" / "STORAGE CARD" / "Movies");
        fs::copy_file(kClipDir / "movie.ogg", m_device.Root() / "fs" / "STORAGE CARD" / "Movies" / "movie.ogg");
        fs::copy_file(kClipDir / "tone.wav", m_device.Root() / "fs" / "NAND" / "tone.wav");
        ASSERT_TRUE(m_device.StartServer());
    }

    Graph Rendered(const char* file)
    {
        Graph graph = MakeGraph();
        EXPECT_EQ(graph.builder->RenderFile(file, nullptr), S_OK) << file;
        return graph;
    }
    std::vector<GraphInfo> GraphsOf(std::uint32_t pid)
    {
        std::vector<GraphInfo> found;
        for (const GraphInfo& graph : m_control.Graphs().value_or(std::vector<GraphInfo>{}))
            if (graph.process_id == pid) found.push_back(graph);
        return found;
    }
    // This process's only graph once it is listed as `holds` says; what was last listed.
    std::optional<GraphInfo> WaitForGraph(const std::function<bool(const GraphInfo&)>& holds,
                                          std::chrono::milliseconds timeout = 2s)
    {
        std::optional<GraphInfo> seen;
        const bool held = WaitUntil(
            [&] {
                const auto graphs = GraphsOf(kThisProcess);
                seen = graphs.size() == 1 ? std::optional(graphs[0]) : std::nullopt;
                return seen && holds(*seen);
            },
            timeout);
        return held ? seen : std::nullopt;
    }

    TemporaryDevice m_device;
    ComScope m_com;
    devicectl::DeviceControl m_control{m_device.Root()};
};

TEST_F(GraphReport, AGraphIsListedWithItsFileStatePositionDurationAndVolumeUntilReleased)
{
    Graph graph = Rendered(kMovie);
    const auto rendered = WaitForGraph([](const GraphInfo& g) { return InState(g, AudioGraphState::Stopped); });
    ASSERT_TRUE(rendered) << "a rendered graph is listed, stopped";
    EXPECT_EQ(rendered->program, ProgramName());
    EXPECT_EQ(rendered->file, kMovie);
    EXPECT_EQ(rendered->position_ms, 0);
    EXPECT_NEAR(rendered->duration_ms, kClipSeconds * 1000, 100);
    EXPECT_EQ(rendered->volume, 0);

    ASSERT_EQ(graph.audio->put_Volume(-3350), S_OK);
    ASSERT_EQ(graph.control->Run(), S_OK);
    const auto running = WaitForGraph(
        [](const GraphInfo& g) { return InState(g, AudioGraphState::Running) && g.volume == -3350; });
    ASSERT_TRUE(running) << "the run and the volume are reported";
    // A running graph's position is reported as it moves, with nothing else changing.
    EXPECT_TRUE(WaitForGraph([&](const GraphInfo& g) { return g.position_ms >= running->position_ms + 500; }, 2s))
        << "the position advances";
    const std::string line = devicectl::Describe(GraphsOf(kThisProcess).at(0));
    const std::string head = ProgramName() + " (pid " + std::to_string(kThisProcess) + ") graph " +
                             std::to_string(running->graph) + ": " + kMovie + " running ";
    EXPECT_EQ(line.rfind(head, 0), 0u) << line;
    EXPECT_TRUE(line.ends_with("/6.000 s volume -3350")) << line;

    ASSERT_EQ(graph.control->Pause(), S_OK);
    ASSERT_TRUE(WaitForGraph([](const GraphInfo& g) { return InState(g, AudioGraphState::Paused); }));
    ASSERT_EQ(graph.position->put_CurrentPosition(2.5), S_OK);
    EXPECT_TRUE(WaitForGraph([](const GraphInfo& g) { return g.position_ms == 2500; })) << "a seek is reported";
    ASSERT_EQ(graph.control->Stop(), S_OK);
    EXPECT_TRUE(WaitForGraph([](const GraphInfo& g) { return InState(g, AudioGraphState::Stopped) && g.position_ms == 0; }));

    graph = Graph{};
    EXPECT_TRUE(WaitUntil([&] { return GraphsOf(kThisProcess).empty(); }, 1s)) << "the released graph is still listed";
}

TEST_F(GraphReport, EachGraphWithAFileHasALineOfItsOwnAndDevicectlPrintsThem)
{
    Command listed = Devicectl(m_device.Root(), "media");
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.output, "no graphs\n");

    Graph unrendered = MakeGraph();
    Graph missing = MakeGraph();
    EXPECT_NE(missing.builder->RenderFile("\\NAND\\nothing.wav", nullptr), S_OK);
    Graph movie = Rendered(kMovie);
    Graph tone = Rendered(kTone);
    ASSERT_TRUE(WaitUntil([&] { return GraphsOf(kThisProcess).size() == 2; }, 2s)) << "only graphs with a file";
    const auto graphs = GraphsOf(kThisProcess);
    EXPECT_LT(graphs[0].graph, graphs[1].graph) << "listed by graph number";
    EXPECT_EQ(graphs[0].file, kMovie);
    EXPECT_EQ(graphs[1].file, kTone);

    listed = Devicectl(m_device.Root(), "media");
    EXPECT_EQ(listed.status, 0);
    const std::string prefix = ProgramName() + " (pid " + std::to_string(kThisProcess) + ") graph ";
    EXPECT_EQ(listed.output, prefix + std::to_string(graphs[0].graph) + ": " + kMovie + " stopped 0.000/6.000 s volume 0\n" +
                                 prefix + std::to_string(graphs[1].graph) + ": " + kTone + " stopped 0.000/6.000 s volume 0\n");

    movie = Graph{};
    EXPECT_TRUE(WaitUntil([&] { return GraphsOf(kThisProcess).size() == 1; }, 1s));
    EXPECT_EQ(GraphsOf(kThisProcess).at(0).file, kTone) << "the other graph stays";
}

TEST_F(GraphReport, AProgramThatIsKilledDropsOutOfTheList)
{
    ASSERT_TRUE(m_device.Install(ProbeBinary(), "PROBE.EXE"));
    StartedPrograms programs(m_device);
    HANDLE probe = programs.Start("\\NAND\\PROBE.EXE", std::string("play ") + kTone + ";sleep 30000");
    ASSERT_NE(probe, nullptr);
    std::uint32_t pid = 0;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (const GraphInfo& graph : m_control.Graphs().value_or(std::vector<GraphInfo>{}))
                if (graph.program == "PROBE.EXE" && InState(graph, AudioGraphState::Running)) pid = graph.process_id;
            return pid != 0;
        },
        5s))
        << m_device.Log("PROBE.EXE");
    ASSERT_TRUE(TerminateProcess(probe, 1));
    EXPECT_TRUE(WaitUntil([&] { return GraphsOf(pid).empty(); }, 2s)) << "the killed program is still listed";
}

}  // namespace
}  // namespace platform::testing
