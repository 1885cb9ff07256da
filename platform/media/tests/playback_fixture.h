// What the playback tests share: the clips made once per build by gst-launch-1.0 into the
// build tree, and a fixture that plays them from a device root of its own.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "graph_test_support.h"
#include "platform/files/tests/temp_device_root.h"
#include "platform/media/result_codes.h"
#include "platform/testing/temporary_device.h"

namespace platform::testing {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

inline const fs::path kClipDir = MEDIA_GRAPH_CLIP_DIR;
// Every clip is this long.
inline constexpr double kClipSeconds = 6.0;

inline std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}
class PlaybackGraph : public ::testing::Test {
protected:
    // Graphs made with the device's own sinks play at real-time pace and never to a sound card.
    PlaybackGraph() { m_root.WriteConfig("audio = fake\n"); }

    // Copies a clip into the device and gives its device path.
    std::string Place(const std::string& clip, const std::string& device_folder = "\\STORAGE CARD\\Music",
                      const std::string& device_name = {})
    {
        const std::string name = device_name.empty() ? clip : device_name;
        m_root.WriteHostFile(HostRelative(device_folder) + "/" + name, ReadFile(kClipDir / clip));
        return device_folder + "\\" + name;
    }
    void PlaceBytes(const std::string& device_path, const std::string& bytes)
    {
        m_root.WriteHostFile(HostRelative(device_path), bytes);
    }
    static std::string HostRelative(std::string device_path)
    {
        for (char& c : device_path) {
            if (c == '\\') c = '/';
        }
        return device_path.substr(1);
    }

    // A graph with the clip rendered and nothing run yet.
    Graph Rendered(const std::string& clip)
    {
        Graph graph = MakeGraph();
        EXPECT_EQ(graph.builder->RenderFile(Place(clip), nullptr), S_OK) << clip;
        return graph;
    }

    static double Position(const Graph& graph)
    {
        REFTIME seconds = -1;
        EXPECT_EQ(graph.position->get_CurrentPosition(&seconds), S_OK);
        return seconds;
    }
    static OAFilterState Settled(const Graph& graph)
    {
        OAFilterState state = -1;
        EXPECT_EQ(graph.control->GetState(2000, &state), S_OK) << "the graph did not settle in 2 s";
        return state;
    }

    TempDeviceRoot m_root;
    ComScope m_com;
};

inline std::vector<std::string> FilterNames(IGraphBuilder* graph)
{
    Held<IEnumFilters> walk;
    EXPECT_EQ(graph->EnumFilters(walk.Out()), S_OK);
    std::vector<std::string> names;
    IBaseFilter* filter = nullptr;
    while (walk->Next(1, &filter, nullptr) == S_OK) {
        FILTER_INFO info;
        EXPECT_EQ(filter->QueryFilterInfo(&info), S_OK);
        if (info.pGraph) info.pGraph->Release();
        names.push_back(info.achName);
        filter->Release();
    }
    return names;
}

}  // namespace platform::testing
