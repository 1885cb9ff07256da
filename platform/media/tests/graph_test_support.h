// What the filter graph tests share: a reference holder, and a graph made the way the players
// make it (CoCreateInstance of CLSID_FilterGraph), with its control interfaces.
#pragma once

#include <gtest/gtest.h>

#include <utility>

#include "platform/media/com_runtime.h"
#include "platform/media/filter_interfaces.h"
#include "platform/media/graph_control_interfaces.h"
#include "platform/media/media_classes.h"

namespace platform::testing {

// Holds one reference and releases it at the end of the scope.
template <class Interface>
class Held {
public:
    Held() = default;
    explicit Held(Interface* adopted) : m_object(adopted) {}
    ~Held() { Reset(); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    Held(Held&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}

    Interface* operator->() const { return m_object; }
    Interface* Get() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }
    // For the out parameter of a call that hands over a reference.
    Interface** Out()
    {
        Reset();
        return &m_object;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }
    void Reset()
    {
        if (m_object) std::exchange(m_object, nullptr)->Release();
    }

private:
    Interface* m_object = nullptr;
};

struct Graph {
    Held<IGraphBuilder> builder;
    Held<IMediaControl> control;
    Held<IMediaPosition> position;
    Held<IBasicAudio> audio;
};

inline Graph MakeGraph()
{
    EXPECT_EQ(RegisterMediaClasses(), S_OK);
    Graph graph;
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               graph.builder.OutVoid()),
              S_OK);
    if (!graph.builder) return graph;
    EXPECT_EQ(graph.builder->QueryInterface(IID_IMediaControl, graph.control.OutVoid()), S_OK);
    EXPECT_EQ(graph.builder->QueryInterface(IID_IMediaPosition, graph.position.OutVoid()), S_OK);
    EXPECT_EQ(graph.builder->QueryInterface(IID_IBasicAudio, graph.audio.OutVoid()), S_OK);
    return graph;
}

// Initialises the object runtime on the test's thread for its duration.
class ComScope {
public:
    ComScope() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    ~ComScope() { CoUninitialize(); }
};

}  // namespace platform::testing
