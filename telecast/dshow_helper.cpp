#include "telecast/dshow_helper.h"

#include "platform/kernel/debug_output.h"
#include "platform/media/com_runtime.h"
#include "platform/media/graph_control_interfaces.h"
#include "platform/media/media_ids.h"
#include "telecast/player_rules.h"

namespace telecast {

bool DShowHelper::CreateFilter(REFCLSID clsid, const char* name, Held<IBaseFilter>& slot)
{
    if (slot) return true;
    if (!m_graph) return false;
    Held<IBaseFilter> filter;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.OutVoid()))) {
        DebugPrintf("DShowHelper::CreateFilter() %s creation failed\n", name);
        return false;
    }
    if (FAILED(m_graph->AddFilter(filter.Get(), name))) {
        DebugPrintf("DShowHelper::AddFilter() add %s failed\n", name);
        return false;
    }
    slot = std::move(filter);
    return true;
}

Held<IPin> DShowHelper::FindPin(IBaseFilter* filter, PIN_DIRECTION direction, const PinChoice& choice)
{
    if (!filter) return {};
    Held<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.Out())) || !pins) return {};
    for (;;) {
        Held<IPin> pin;
        ULONG fetched = 0;
        if (pins->Next(1, pin.Out(), &fetched) != S_OK || fetched != 1) return {};
        PIN_INFO info;
        if (FAILED(pin->QueryPinInfo(&info))) continue;
        if (info.pFilter) info.pFilter->Release();
        if (info.dir != direction) continue;
        if (choice.kind == PinChoice::Kind::Named && info.achName != choice.name) continue;
        if (choice.kind == PinChoice::Kind::FirstUnconnected) {
            Held<IPin> peer;
            if (pin->ConnectedTo(peer.Out()) == S_OK && peer) continue;
        }
        return pin;
    }
}

bool DShowHelper::Connect(IBaseFilter* upstream, const PinChoice& out, IBaseFilter* downstream, const PinChoice& in)
{
    Held<IPin> output = FindPin(upstream, PINDIR_OUTPUT, out);
    Held<IPin> input = FindPin(downstream, PINDIR_INPUT, in);
    if (!output || !input) {
        m_last_error = kPinNotFound;
        return false;
    }
    return m_graph && SUCCEEDED(m_graph->Connect(output.Get(), input.Get()));
}

bool DShowHelper::Disconnect(IBaseFilter* upstream, const PinChoice& out, IBaseFilter* downstream, const PinChoice& in)
{
    Held<IPin> output = FindPin(upstream, PINDIR_OUTPUT, out);
    Held<IPin> input = FindPin(downstream, PINDIR_INPUT, in);
    if (!output || !input) {
        m_last_error = kPinNotFound;
        return false;
    }
    if (!m_graph) return false;
    const bool output_done = SUCCEEDED(m_graph->Disconnect(output.Get()));
    const bool input_done = SUCCEEDED(m_graph->Disconnect(input.Get()));
    return output_done && input_done;
}

bool DShowHelper::SetVolumeStep(int step)
{
    if (!m_graph) return false;
    Held<IBasicAudio> audio;
    if (FAILED(m_graph->QueryInterface(IID_IBasicAudio, audio.OutVoid())) || !audio) return false;
    return SUCCEEDED(audio->put_Volume(VolumeOfStep(step)));
}

bool DShowHelper::VolumeStep(int& step)
{
    if (!m_graph) return false;
    Held<IBasicAudio> audio;
    LONG volume = 0;
    if (FAILED(m_graph->QueryInterface(IID_IBasicAudio, audio.OutVoid())) || !audio ||
        FAILED(audio->get_Volume(&volume)))
        return false;
    step = StepOfVolume(volume);
    return true;
}

}  // namespace telecast
