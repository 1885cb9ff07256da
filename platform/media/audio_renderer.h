// The platform's audio renderer, "Audio Renderer" (CLSID_AudioRender), for graphs connected
// by hand: its one input, "Audio Input pin (rendered)", takes raw audio of any format, which
// goes through the renderer's volume to the device's audio output (audio_output.h). It is
// also a reference clock, the graph's monotonic system clock, which a caller may make the
// graph's sync source.
#pragma once

#include <mutex>
#include <vector>

#include "platform/media/filter_base.h"
#include "platform/media/graph_control_interfaces.h"

typedef struct _GstClock GstClock;

namespace platform::media {

class AudioRenderer final : public FilterBase<IBasicAudio, IReferenceClock> {
public:
    AudioRenderer();

    // The clock behind IReferenceClock, for the pipeline that takes it as its sync source.
    GstClock* Clock() const { return m_clock; }

    // IDispatch: nothing here is scripted.
    HRESULT GetTypeInfoCount(UINT* count) override;
    HRESULT GetTypeInfo(UINT index, LCID locale, void** type_info) override;
    HRESULT GetIDsOfNames(REFIID iid, void* names, UINT count, LCID locale, DISPID* ids) override;
    HRESULT Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, void* parameters, void* result, void* exception,
                   UINT* argument_error) override;

    // IBasicAudio
    HRESULT put_Volume(LONG volume) override;
    HRESULT get_Volume(LONG* volume) override;
    HRESULT put_Balance(LONG balance) override;
    HRESULT get_Balance(LONG* balance) override;

    // IReferenceClock. Nothing in the suite waits on the clock, so it takes no advice.
    HRESULT GetTime(REFERENCE_TIME* time) override;
    HRESULT AdviseTime(REFERENCE_TIME base_time, REFERENCE_TIME stream_time, HANDLE event, DWORD_PTR* cookie) override;
    HRESULT AdvisePeriodic(REFERENCE_TIME start_time, REFERENCE_TIME period, HANDLE semaphore, DWORD_PTR* cookie) override;
    HRESULT Unadvise(DWORD_PTR cookie) override;

protected:
    bool BuildElements(GstBin* bin, std::vector<GstPad*>& pads) override;

private:
    ~AudioRenderer() override;

    GstClock* const m_clock;  // counted

    std::mutex m_mutex;
    GstElement* m_volume_element = nullptr;  // the bin's, once built
    LONG m_volume = kBasicAudioFull;
};

}  // namespace platform::media
