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
    Held& operator=(Held&& other) noexcept
    {
        if (this != &other) {
            Reset();
            m_object = std::exchange(other.m_object, nullptr);
        }
        return *this;
    }

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

// The three states a graph is put in, with the call that enters each: for cases that must
// hold in every state.
struct StateCase {
    const char* name;
    HRESULT (IMediaControl::*enter)();
    OAFilterState state;
};
inline constexpr StateCase kEveryState[] = {
    {"running", &IMediaControl::Run, State_Running},
    {"paused", &IMediaControl::Pause, State_Paused},
    {"stopped", &IMediaControl::Stop, State_Stopped},
};

struct Graph {
    Held<IGraphBuilder> builder;
    Held<IMediaControl> control;
    Held<IMediaPosition> position;
    Held<IBasicAudio> audio;
};

// Takes over the reference of a graph just made and asks it for its control interfaces.
inline Graph AdoptGraph(IGraphBuilder* made)
{
    Graph graph;
    graph.builder = Held<IGraphBuilder>(made);
    if (!made) return graph;
    EXPECT_EQ(made->QueryInterface(IID_IMediaControl, graph.control.OutVoid()), S_OK);
    EXPECT_EQ(made->QueryInterface(IID_IMediaPosition, graph.position.OutVoid()), S_OK);
    EXPECT_EQ(made->QueryInterface(IID_IBasicAudio, graph.audio.OutVoid()), S_OK);
    return graph;
}

inline Graph MakeGraph()
{
    EXPECT_EQ(RegisterMediaClasses(), S_OK);
    IGraphBuilder* made = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               reinterpret_cast<void**>(&made)),
              S_OK);
    return AdoptGraph(made);
}

// Initialises the object runtime on the test's thread for its duration.
class ComScope {
public:
    ComScope() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    ~ComScope() { CoUninitialize(); }
};

}  // namespace platform::testing
