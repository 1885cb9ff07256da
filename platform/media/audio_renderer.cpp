#include "platform/media/audio_renderer.h"

#include <gst/gst.h>

#include "platform/kernel/debug_output.h"
#include "platform/media/audio_output.h"
#include "platform/media/gstreamer_init.h"
#include "platform/media/result_codes.h"

namespace platform::media {
namespace {

// Null when GStreamer cannot start; the clock then has no time to give.
GstClock* ObtainSystemClock()
{
    return InitialiseGStreamer() ? gst_system_clock_obtain() : nullptr;
}

}  // namespace

AudioRenderer::AudioRenderer()
    : FilterBase(CLSID_AudioRender, {{"Audio Input pin (rendered)", PINDIR_INPUT, MEDIATYPE_Audio}}),
      m_clock(ObtainSystemClock())
{
}

AudioRenderer::~AudioRenderer()
{
    if (m_clock) gst_object_unref(m_clock);
}

bool AudioRenderer::BuildElements(GstBin* bin, std::vector<GstPad*>& pads)
{
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* resample = gst_element_factory_make("audioresample", nullptr);
    GstElement* volume = gst_element_factory_make("volume", nullptr);
    GstElement* output = MakeAudioOutput(ConfiguredAudioOutputMode());
    if (!convert || !resample || !volume || !output) {
        for (GstElement* element : {convert, resample, volume, output})
            if (element) gst_object_unref(gst_object_ref_sink(element));
        DebugPrintf("Media: Audio Renderer: no audio conversion or output\n");
        return false;
    }
    gst_bin_add_many(bin, convert, resample, volume, output, nullptr);
    if (!gst_element_link_many(convert, resample, volume, output, nullptr)) return false;
    std::lock_guard lock(m_mutex);
    m_volume_element = volume;
    g_object_set(volume, "volume", LinearGainOf(m_volume), nullptr);
    pads.push_back(gst_element_get_static_pad(convert, "sink"));
    return true;
}

HRESULT AudioRenderer::GetTypeInfoCount(UINT* count)
{
    if (count) *count = 0;
    return E_NOTIMPL;
}
HRESULT AudioRenderer::GetTypeInfo(UINT, LCID, void** type_info)
{
    if (type_info) *type_info = nullptr;
    return E_NOTIMPL;
}
HRESULT AudioRenderer::GetIDsOfNames(REFIID, void*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
HRESULT AudioRenderer::Invoke(DISPID, REFIID, LCID, WORD, void*, void*, void*, UINT*) { return E_NOTIMPL; }

HRESULT AudioRenderer::put_Volume(LONG volume)
{
    if (volume < kBasicAudioSilence || volume > kBasicAudioFull) return E_INVALIDARG;
    std::lock_guard lock(m_mutex);
    m_volume = volume;
    if (m_volume_element) g_object_set(m_volume_element, "volume", LinearGainOf(volume), nullptr);
    return S_OK;
}

HRESULT AudioRenderer::get_Volume(LONG* volume)
{
    if (!volume) return E_POINTER;
    std::lock_guard lock(m_mutex);
    *volume = m_volume;
    return S_OK;
}

// The output is not panned; the centre is the only balance.
HRESULT AudioRenderer::put_Balance(LONG balance)
{
    if (balance < -10000 || balance > 10000) return E_INVALIDARG;
    return balance == 0 ? S_OK : E_NOTIMPL;
}

HRESULT AudioRenderer::get_Balance(LONG* balance)
{
    if (!balance) return E_POINTER;
    *balance = 0;
    return S_OK;
}

HRESULT AudioRenderer::GetTime(REFERENCE_TIME* time)
{
    if (!time) return E_POINTER;
    *time = 0;
    if (!m_clock) return E_FAIL;
    *time = static_cast<REFERENCE_TIME>(gst_clock_get_time(m_clock) / 100);
    return S_OK;
}

HRESULT AudioRenderer::AdviseTime(REFERENCE_TIME, REFERENCE_TIME, HANDLE, DWORD_PTR* cookie)
{
    if (cookie) *cookie = 0;
    return E_NOTIMPL;
}

HRESULT AudioRenderer::AdvisePeriodic(REFERENCE_TIME, REFERENCE_TIME, HANDLE, DWORD_PTR* cookie)
{
    if (cookie) *cookie = 0;
    return E_NOTIMPL;
}

HRESULT AudioRenderer::Unadvise(DWORD_PTR) { return E_NOTIMPL; }

}  // namespace platform::media
