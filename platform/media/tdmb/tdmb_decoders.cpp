#include "platform/media/tdmb/tdmb_decoders.h"

#include <gst/gst.h>

#include "platform/media/tdmb/telecast_tuner.h"

namespace platform::media {
namespace {

// The broadcast's simulated BSAC and HE-AAC audio is AAC; both decoders decode it.
constexpr const char* kTvAudioChain = "aacparse ! avdec_aac ! audioconvert ! volume name=gate";

}  // namespace

H264Decoder::H264Decoder()
    : TdmbTransform(CLSID_H264Decoder,
                    {{"XForm In", PINDIR_INPUT, MEDIATYPE_Stream}, {"XForm Out", PINDIR_OUTPUT, MEDIATYPE_Video}},
                    tdmb::kH264DecoderProperties)
{
}

bool H264Decoder::BuildElements(GstBin* bin, std::vector<GstPad*>& pads)
{
    return BuildChain(bin, "h264parse ! avdec_h264", pads);
}

void AudioGate::Attach(GstElement* volume)
{
    std::lock_guard lock(m_mutex);
    m_volume = volume;
    if (m_volume) g_object_set(m_volume, "mute", m_plays ? FALSE : TRUE, nullptr);
}

void AudioGate::Decide(IFilterGraph* graph)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_decided) return;
    }
    // Without a tuner there is no service, and nothing of its kind to play.
    bool plays = false;
    if (TelecastTuner* tuner = TelecastTuner::FindIn(graph)) {
        plays = tdmb::DecoderPlays(m_kind, tuner->ServiceForRun());
        tuner->Release();
    }
    std::lock_guard lock(m_mutex);
    m_decided = true;
    m_plays = plays;
    if (m_volume) g_object_set(m_volume, "mute", plays ? FALSE : TRUE, nullptr);
}

void AudioGate::Forget()
{
    std::lock_guard lock(m_mutex);
    m_decided = false;
}

bool AudioGate::Plays() const
{
    std::lock_guard lock(m_mutex);
    return m_decided && m_plays;
}

template <class Settings>
bool TvAudioDecoder<Settings>::BuildElements(GstBin* bin, std::vector<GstPad*>& pads)
{
    if (!BuildChain(bin, kTvAudioChain, pads)) return false;
    GstElement* gate = gst_bin_get_by_name(bin, "gate");  // looks inside the chain's bin
    if (!gate) return false;
    m_gate.Attach(gate);
    gst_object_unref(gate);  // the bin keeps it
    return true;
}

BsacDecoder::BsacDecoder() : TvAudioDecoder(CLSID_BsacDecoder, tdmb::kBsacDecoderProperties, tdmb::AudioDecoderKind::Bsac) {}

EaacPlusDecoder::EaacPlusDecoder()
    : TvAudioDecoder(CLSID_EaacPlusDecoder, tdmb::kEaacPlusDecoderProperties, tdmb::AudioDecoderKind::HeAac)
{
}

template class TvAudioDecoder<IBsacDecoderSettings>;
template class TvAudioDecoder<IEaacPlusDecoderSettings>;

MP2Decoder::MP2Decoder()
    : TdmbTransform(CLSID_MP2Decoder,
                    {{"XForm In", PINDIR_INPUT, MEDIATYPE_Stream}, {"XForm Out", PINDIR_OUTPUT, MEDIATYPE_Audio}},
                    tdmb::kMP2DecoderProperties)
{
}

bool MP2Decoder::BuildElements(GstBin* bin, std::vector<GstPad*>& pads)
{
    GstElement* demux = MakeLiveDemux();
    GstElement* parse = gst_element_factory_make("mpegaudioparse", nullptr);
    GstElement* decode = gst_element_factory_make("mpg123audiodec", nullptr);
    if (!decode) decode = gst_element_factory_make("avdec_mp2float", nullptr);
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    if (!demux || !parse || !decode || !convert) {
        for (GstElement* element : {demux, parse, decode, convert})
            if (element) gst_object_unref(gst_object_ref_sink(element));
        return false;
    }
    gst_bin_add_many(bin, demux, parse, decode, convert, nullptr);
    if (!gst_element_link_many(parse, decode, convert, nullptr)) return false;
    RouteDemuxPads(demux, {{"audio/mpeg", parse}});
    pads.push_back(gst_element_get_static_pad(demux, "sink"));
    pads.push_back(gst_element_get_static_pad(convert, "src"));
    return true;
}

}  // namespace platform::media
