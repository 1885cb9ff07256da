#include "platform/media/filter_graph.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graph_test_support.h"
#include "platform/media/com_object.h"
#include "platform/media/rendered_filter.h"
#include "platform/media/result_codes.h"

namespace platform::testing {
namespace {

using media::RenderedFilter;

Held<IBaseFilter> MakeFilter()
{
    return Held<IBaseFilter>(new RenderedFilter(CLSID_AudioRender));
}

std::string NameOf(IBaseFilter* filter)
{
    FILTER_INFO info;
    EXPECT_EQ(filter->QueryFilterInfo(&info), S_OK);
    if (info.pGraph) info.pGraph->Release();
    return info.achName;
}

std::vector<std::string> NamesInOrder(IGraphBuilder* graph)
{
    Held<IEnumFilters> filters;
    EXPECT_EQ(graph->EnumFilters(filters.Out()), S_OK);
    std::vector<std::string> names;
    IBaseFilter* filter = nullptr;
    while (filters->Next(1, &filter, nullptr) == S_OK) {
        names.push_back(NameOf(filter));
        filter->Release();
    }
    return names;
}

TEST(FilterGraph, AnswersItsInterfacesWithOneIdentity)
{
    ComScope com;
    EXPECT_EQ(RegisterMediaClasses(), S_OK);
    EXPECT_EQ(RegisterMediaClasses(), S_OK) << "registering again is harmless";
    Graph graph = MakeGraph();
    ASSERT_TRUE(graph.builder);
    Held<IUnknown> identity;
    ASSERT_EQ(graph.builder->QueryInterface(IID_IUnknown, identity.OutVoid()), S_OK);
    for (const IID* iid : {&IID_IGraphBuilder, &IID_IFilterGraph, &IID_IMediaControl, &IID_IMediaPosition,
                           &IID_IBasicAudio, &IID_IVideoWindow, &IID_IMediaFilter, &IID_IPersist, &IID_IDispatch}) {
        Held<IUnknown> asked;
        ASSERT_EQ(graph.builder->QueryInterface(*iid, asked.OutVoid()), S_OK) << FormatGuid(*iid);
        Held<IUnknown> back;
        ASSERT_EQ(asked->QueryInterface(IID_IUnknown, back.OutVoid()), S_OK);
        EXPECT_EQ(back.Get(), identity.Get()) << FormatGuid(*iid);
    }
    Held<IUnknown> none;
    EXPECT_EQ(graph.builder->QueryInterface(IID_IPin, none.OutVoid()), E_NOINTERFACE);
}

TEST(FilterGraph, NamesFiltersUniquelyAndKeepsTheirOrder)
{
    ComScope com;
    Graph graph = MakeGraph();
    Held<IBaseFilter> first = MakeFilter(), second = MakeFilter(), third = MakeFilter(), fourth = MakeFilter();
    EXPECT_EQ(graph.builder->AddFilter(first.Get(), "TCC DEQ Filter"), S_OK);
    EXPECT_EQ(graph.builder->AddFilter(second.Get(), "Audio Renderer"), S_OK);
    EXPECT_EQ(graph.builder->AddFilter(third.Get(), "TCC DEQ Filter"), VFW_S_DUPLICATE_NAME);
    EXPECT_EQ(graph.builder->AddFilter(fourth.Get(), ""), S_OK) << "a filter without a name is given one";
    EXPECT_EQ(graph.builder->AddFilter(first.Get(), "Again"), E_INVALIDARG) << "a filter is in a graph once";
    EXPECT_EQ(graph.builder->AddFilter(nullptr, "None"), E_POINTER);

    EXPECT_EQ(NamesInOrder(graph.builder.Get()),
              (std::vector<std::string>{"TCC DEQ Filter", "Audio Renderer", "TCC DEQ Filter 0001", "0001"}));

    Held<IBaseFilter> found;
    EXPECT_EQ(graph.builder->FindFilterByName("TCC DEQ Filter 0001", found.Out()), S_OK);
    EXPECT_EQ(found.Get(), third.Get());
    IBaseFilter* missing = reinterpret_cast<IBaseFilter*>(0x1);
    EXPECT_EQ(graph.builder->FindFilterByName("TCC Video Renderer", &missing), VFW_E_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);
}

TEST(FilterGraph, RemovesOnlyFiltersItHolds)
{
    ComScope com;
    Graph graph = MakeGraph();
    Held<IBaseFilter> held = MakeFilter(), stranger = MakeFilter();
    ASSERT_EQ(graph.builder->AddFilter(held.Get(), "Held"), S_OK);
    EXPECT_EQ(graph.builder->RemoveFilter(stranger.Get()), VFW_E_NOT_FOUND);
    EXPECT_EQ(graph.builder->RemoveFilter(held.Get()), S_OK);
    EXPECT_EQ(graph.builder->RemoveFilter(held.Get()), VFW_E_NOT_FOUND);
    FILTER_INFO info;
    ASSERT_EQ(held->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(info.pGraph, nullptr) << "a removed filter has left the graph";
    Held<IBaseFilter> found;
    EXPECT_EQ(graph.builder->FindFilterByName("Held", found.Out()), VFW_E_NOT_FOUND);
}

TEST(FilterEnumerator, SkipsFetchesResetsAndClones)
{
    ComScope com;
    Graph graph = MakeGraph();
    Held<IBaseFilter> filters[3] = {MakeFilter(), MakeFilter(), MakeFilter()};
    ASSERT_EQ(graph.builder->AddFilter(filters[0].Get(), "0"), S_OK);
    ASSERT_EQ(graph.builder->AddFilter(filters[1].Get(), "1"), S_OK);
    Held<IEnumFilters> walk;
    ASSERT_EQ(graph.builder->EnumFilters(walk.Out()), S_OK);

    // The players count the filters by skipping one at a time until it fails.
    int counted = 0;
    while (walk->Skip(1) == S_OK) ++counted;
    EXPECT_EQ(counted, 2);

    // A Reset reads the list again, so a filter added since is seen.
    ASSERT_EQ(graph.builder->AddFilter(filters[2].Get(), "2"), S_OK);
    ASSERT_EQ(walk->Reset(), S_OK);
    EXPECT_EQ(walk->Skip(1), S_OK);
    Held<IEnumFilters> copy;
    ASSERT_EQ(walk->Clone(copy.Out()), S_OK);

    IBaseFilter* fetched[4] = {};
    ULONG count = 99;
    EXPECT_EQ(walk->Next(4, fetched, &count), S_FALSE);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(fetched[0], filters[1].Get());
    EXPECT_EQ(fetched[1], filters[2].Get());
    for (ULONG i = 0; i < count; ++i) fetched[i]->Release();
    EXPECT_EQ(walk->Next(1, fetched, &count), S_FALSE);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(walk->Next(2, fetched, nullptr), E_INVALIDARG);

    // The clone goes on from where the original was when it was made.
    EXPECT_EQ(copy->Next(1, fetched, nullptr), S_OK);
    EXPECT_EQ(fetched[0], filters[1].Get());
    fetched[0]->Release();
    EXPECT_EQ(copy->Skip(5), S_FALSE);
}

// The players' tear-down: read every filter, then remove the second, the first and the rest,
// releasing the graph reference each filter's information carries.
TEST(FilterGraph, TearDownInThePlayersOrderLeavesNothingAlive)
{
    ComScope com;
    const LONG alive_before = ComLiveObjects();
    {
        Graph graph = MakeGraph();
        for (const char* name : {"Source", "Audio Renderer", "TCC DEQ Filter"}) {
            Held<IBaseFilter> filter = MakeFilter();
            ASSERT_EQ(graph.builder->AddFilter(filter.Get(), name), S_OK);
        }
        Held<IEnumFilters> walk;
        ASSERT_EQ(graph.builder->EnumFilters(walk.Out()), S_OK);
        IBaseFilter* all[3] = {};
        ULONG count = 0;
        ASSERT_EQ(walk->Next(3, all, &count), S_OK);
        walk.Reset();
        std::vector<std::string> removed;
        for (int index : {1, 0, 2}) {
            FILTER_INFO info;
            ASSERT_EQ(all[index]->QueryFilterInfo(&info), S_OK);
            ASSERT_NE(info.pGraph, nullptr);
            removed.push_back(info.achName);
            info.pGraph->Release();
            all[index]->Release();
            EXPECT_EQ(graph.builder->RemoveFilter(all[index]), S_OK);
        }
        EXPECT_EQ(removed, (std::vector<std::string>{"Audio Renderer", "Source", "TCC DEQ Filter"}));
        EXPECT_TRUE(NamesInOrder(graph.builder.Get()).empty());
    }
    EXPECT_EQ(ComLiveObjects(), alive_before);
}

TEST(FilterGraph, AFilterOutlivingItsGraphNoLongerNamesIt)
{
    ComScope com;
    Held<IBaseFilter> kept = MakeFilter();
    {
        Graph graph = MakeGraph();
        ASSERT_EQ(graph.builder->AddFilter(kept.Get(), "Kept"), S_OK);
    }
    FILTER_INFO info;
    ASSERT_EQ(kept->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(info.pGraph, nullptr);
}

TEST(BasicAudio, TakesHundredthsOfADecibelInRange)
{
    ComScope com;
    Graph graph = MakeGraph();
    LONG volume = 1;
    EXPECT_EQ(graph.audio->get_Volume(&volume), S_OK);
    EXPECT_EQ(volume, 0) << "a new graph plays at full volume";
    for (LONG table_value : {-10000, -5600, -2800, -500, 0}) {
        EXPECT_EQ(graph.audio->put_Volume(table_value), S_OK);
        EXPECT_EQ(graph.audio->get_Volume(&volume), S_OK);
        EXPECT_EQ(volume, table_value);
    }
    EXPECT_EQ(graph.audio->put_Volume(-10001), E_INVALIDARG);
    EXPECT_EQ(graph.audio->put_Volume(1), E_INVALIDARG);
    EXPECT_EQ(graph.audio->get_Volume(&volume), S_OK);
    EXPECT_EQ(volume, 0) << "a refused volume changes nothing";
}

TEST(MediaControl, AGraphWithNothingRenderedKeepsItsStateAndHasNoPosition)
{
    ComScope com;
    Graph graph = MakeGraph();
    OAFilterState state = -1;
    EXPECT_EQ(graph.control->Run(), S_OK);
    EXPECT_EQ(graph.control->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Running);
    EXPECT_EQ(graph.control->Stop(), S_OK);
    EXPECT_EQ(graph.control->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
    REFTIME seconds = -1;
    EXPECT_EQ(graph.position->get_Duration(&seconds), VFW_E_WRONG_STATE);
    EXPECT_EQ(seconds, 0.0);
    EXPECT_EQ(graph.position->put_CurrentPosition(1.0), VFW_E_WRONG_STATE);
}

}  // namespace
}  // namespace platform::testing
