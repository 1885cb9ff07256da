// Telecast's helper on its filter graph: makes and adds filters by class id, connects and
// disconnects pins found by name and direction, and sets the graph volume by step.
#pragma once

#include <string>

#include "platform/media/filter_interfaces.h"
#include "platform/media/held.h"
#include "platform/media/pin_interfaces.h"
#include "platform/win32_types.h"

namespace telecast {

// The last error when a pin was not found.
constexpr DWORD kPinNotFound = 10;

using platform::Held;

// How a pin is picked: by its exact name, the first of its direction, or the first of its
// direction that is not connected yet.
struct PinChoice {
    enum class Kind { Named, First, FirstUnconnected };
    Kind kind = Kind::First;
    std::string name;

    static PinChoice Named(std::string name)
    {
        // An empty name takes the first pin of the direction.
        return name.empty() ? PinChoice{Kind::First, {}} : PinChoice{Kind::Named, std::move(name)};
    }
    static PinChoice Unconnected() { return {Kind::FirstUnconnected, {}}; }
};

class DShowHelper {
public:
    DShowHelper() = default;
    explicit DShowHelper(IGraphBuilder* graph) : m_graph(graph) {}

    // The graph worked on; not counted here, the player holds it.
    void SetGraph(IGraphBuilder* graph) { m_graph = graph; }
    IGraphBuilder* Graph() const { return m_graph; }

    // When the slot is empty: creates the filter by class id and adds it to the graph under the
    // name, leaving the slot holding it. A slot that already holds a filter succeeds as it is.
    bool CreateFilter(REFCLSID clsid, const char* name, Held<IBaseFilter>& slot);
    // The pin of the filter in the direction that the choice picks; null when there is none.
    Held<IPin> FindPin(IBaseFilter* filter, PIN_DIRECTION direction, const PinChoice& choice);
    // Finds the upstream filter's output pin and the downstream filter's input pin and lets the
    // graph connect them (with whatever it puts between). True only when both pins were found
    // and the graph connected them.
    bool Connect(IBaseFilter* upstream, const PinChoice& out, IBaseFilter* downstream, const PinChoice& in);
    // Finds both pins and disconnects each.
    bool Disconnect(IBaseFilter* upstream, const PinChoice& out, IBaseFilter* downstream, const PinChoice& in);

    // The graph's basic-audio volume at the step's table value.
    bool SetVolumeStep(int step);
    // The graph volume read back as the first step whose table value is not below it.
    bool VolumeStep(int& step);

    DWORD LastError() const { return m_last_error; }

private:
    IGraphBuilder* m_graph = nullptr;
    DWORD m_last_error = 0;
};

}  // namespace telecast
