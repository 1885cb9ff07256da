// What the filter graph tests share: a reference holder, and a graph made the way the players
// make it (CoCreateInstance of CLSID_FilterGraph), with its control interfaces.
#pragma once

#include <gtest/gtest.h>

#include <utility>

#include "platform/media/com_runtime.h"
#include "platform/media/filter_interfaces.h"
#include "platform/media/graph_control_interfaces.h"
#include "platform/media/held.h"
#include "platform/media/media_classes.h"

namespace platform::testing {

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
