#include "platform/media/vendor/deq_filter.h"

#include <gst/gst.h>

#include <algorithm>

#include "platform/kernel/debug_output.h"
#include "platform/media/playback_sinks.h"
#include "platform/media/result_codes.h"
#include "platform/media/vendor/deq_bands.h"

namespace platform::media {
namespace {

// GStreamer's N-band equaliser: shelves and peaks of a given centre, bandwidth and gain,
// computed in double precision, and a plain passthrough while every band's gain is 0.
constexpr const char* kEqualiserFactory = "equalizer-nbands";
// The largest frequency and bandwidth the element's bands take.
constexpr double kElementLimitHz = 100000.0;

// The element's names for the shapes; its own numbering of them differs from the record's.
const char* ElementTypeOf(vendor::DeqShape shape)
{
    switch (shape) {
    case vendor::DeqShape::LowShelf: return "low-shelf";
    case vendor::DeqShape::HighShelf: return "high-shelf";
    case vendor::DeqShape::Peak: break;
    }
    return "peak";
}

// Sets the element's bands to the record's; the bands the record does not use get a gain
// of 0, which leaves them out.
void ApplyRecord(GstElement* element, const vendor::DeqRecord& record, int rate)
{
    const std::vector<vendor::DeqBand> bands = vendor::DeqBandsOf(record, rate);
    GstChildProxy* proxy = GST_CHILD_PROXY(element);
    for (guint index = 0; index < static_cast<guint>(vendor::kDeqBands); ++index) {
        GObject* band = gst_child_proxy_get_child_by_index(proxy, index);
        if (!band) continue;
        if (index < bands.size()) {
            const vendor::DeqBand& wanted = bands[index];
            gst_util_set_object_arg(band, "type", ElementTypeOf(wanted.shape));
            g_object_set(band, "freq", std::min(wanted.frequency, kElementLimitHz), "bandwidth",
                         std::min(wanted.bandwidth, kElementLimitHz), "gain", wanted.gain_db, nullptr);
        } else {
            g_object_set(band, "gain", 0.0, nullptr);
        }
        g_object_unref(band);
    }
}

}  // namespace

class DeqFilter::Equaliser {
public:
    Equaliser() = default;
    ~Equaliser()
    {
        if (m_element) gst_object_unref(m_element);
    }
    Equaliser(const Equaliser&) = delete;
    Equaliser& operator=(const Equaliser&) = delete;

    // Under the lock, so that two records reach the element in the order they were given.
    void SetRecord(const vendor::DeqRecord& record)
    {
        std::lock_guard lock(m_mutex);
        m_record = record;
        if (m_element) ApplyRecord(m_element, m_record, m_rate);
    }

    // A new, floating element that follows the record from now on, in place of the one made
    // before; null when the equaliser cannot be made.
    static GstElement* MakeElement(const std::shared_ptr<Equaliser>& self)
    {
        GstElement* element = gst_element_factory_make(kEqualiserFactory, nullptr);
        if (!element) {
            DebugPrintf("Media: no %s element; the audio plays without its equaliser\n", kEqualiserFactory);
            return nullptr;
        }
        g_object_set(element, "num-bands", static_cast<guint>(vendor::kDeqBands), nullptr);
        // The bands are kept under the stream's Nyquist frequency, known from its format.
        GstPad* input = gst_element_get_static_pad(element, "sink");
        gst_pad_add_probe(input, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, OnEvent, new std::weak_ptr<Equaliser>(self),
                          [](gpointer held) { delete static_cast<std::weak_ptr<Equaliser>*>(held); });
        gst_object_unref(input);

        std::lock_guard lock(self->m_mutex);
        if (self->m_element) gst_object_unref(self->m_element);
        self->m_element = GST_ELEMENT(gst_object_ref(element));
        self->m_rate = 0;
        ApplyRecord(element, self->m_record, self->m_rate);
        return element;
    }

private:
    // The probe holds the equaliser weakly: the equaliser holds the element, and so the pad.
    static GstPadProbeReturn OnEvent(GstPad* pad, GstPadProbeInfo* info, gpointer held)
    {
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(event) != GST_EVENT_CAPS) return GST_PAD_PROBE_OK;
        GstCaps* caps = nullptr;
        gst_event_parse_caps(event, &caps);
        int rate = 0;
        if (caps && gst_caps_get_size(caps) > 0) gst_structure_get_int(gst_caps_get_structure(caps, 0), "rate", &rate);
        if (std::shared_ptr<Equaliser> self = static_cast<std::weak_ptr<Equaliser>*>(held)->lock()) {
            GstElement* element = gst_pad_get_parent_element(pad);
            self->RateChanged(element, rate);
            if (element) gst_object_unref(element);
        }
        return GST_PAD_PROBE_OK;
    }

    void RateChanged(GstElement* element, int rate)
    {
        std::lock_guard lock(m_mutex);
        if (!element || element != m_element) return;
        m_rate = rate;
        ApplyRecord(m_element, m_record, m_rate);
    }

    std::mutex m_mutex;
    vendor::DeqRecord m_record;  // enable 0: the audio passes unchanged
    GstElement* m_element = nullptr;  // counted
    int m_rate = 0;  // of the element's stream; 0 until it is known
};

namespace {

class EqualiserSinks final : public PlaybackSinks {
public:
    EqualiserSinks(std::unique_ptr<PlaybackSinks> rest, std::shared_ptr<DeqFilter::Equaliser> equaliser)
        : m_rest(std::move(rest)), m_equaliser(std::move(equaliser))
    {
    }
    GstElement* MakeAudioSink() override { return m_rest ? m_rest->MakeAudioSink() : nullptr; }
    GstElement* MakeVideoSink() override { return m_rest ? m_rest->MakeVideoSink() : nullptr; }
    GstElement* MakeAudioEffect() override { return DeqFilter::Equaliser::MakeElement(m_equaliser); }

private:
    const std::unique_ptr<PlaybackSinks> m_rest;
    const std::shared_ptr<DeqFilter::Equaliser> m_equaliser;
};

}  // namespace

DeqFilter::DeqFilter()
    : FilterBase(CLSID_DEQFilter, {{"XForm In", PINDIR_INPUT, MEDIATYPE_Audio}, {"XForm Out", PINDIR_OUTPUT, MEDIATYPE_Audio}}),
      m_equaliser(std::make_shared<Equaliser>())
{
}

DeqFilter::~DeqFilter() = default;

std::unique_ptr<PlaybackSinks> DeqFilter::WithEqualiser(std::unique_ptr<PlaybackSinks> sinks)
{
    return std::make_unique<EqualiserSinks>(std::move(sinks), m_equaliser);
}

bool DeqFilter::BuildElements(GstBin* bin, std::vector<GstPad*>& pads)
{
    // The equaliser takes float samples; whatever comes in is converted there and back.
    GstElement* in = gst_element_factory_make("audioconvert", nullptr);
    GstElement* equaliser = Equaliser::MakeElement(m_equaliser);
    GstElement* out = gst_element_factory_make("audioconvert", nullptr);
    if (!in || !equaliser || !out) {
        for (GstElement* element : {in, equaliser, out})
            if (element) gst_object_unref(gst_object_ref_sink(element));
        return false;
    }
    gst_bin_add_many(bin, in, equaliser, out, nullptr);
    if (!gst_element_link_many(in, equaliser, out, nullptr)) return false;
    pads.push_back(gst_element_get_static_pad(in, "sink"));
    pads.push_back(gst_element_get_static_pad(out, "src"));
    return true;
}

HRESULT DeqFilter::Reserved4() { return E_NOTIMPL; }

HRESULT DeqFilter::SetParameters(vendor::DeqRecord record)
{
    m_equaliser->SetRecord(record);
    return S_OK;
}

}  // namespace platform::media
