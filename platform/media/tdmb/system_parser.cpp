#include "platform/media/tdmb/system_parser.h"

#include <gst/gst.h>

#include "platform/media/tdmb/audio_change_notice.h"
#include "platform/media/tdmb/broadcast_rules.h"
#include "platform/media/tdmb/telecast_tuner.h"

namespace platform::media {

SystemParser::SystemParser()
    : TdmbTransform(CLSID_DmbSystemParser,
                    {{"DMB In", PINDIR_INPUT, MEDIATYPE_Stream},
                     {"Video Out", PINDIR_OUTPUT, MEDIATYPE_Stream},
                     {"Audio Out", PINDIR_OUTPUT, MEDIATYPE_Stream}},
                    tdmb::kSystemParserProperties)
{
}

bool SystemParser::BuildElements(GstBin* bin, std::vector<GstPad*>& pads)
{
    GstElement* demux = MakeLiveDemux();
    GstElement* video = gst_element_factory_make("queue", nullptr);
    GstElement* audio = gst_element_factory_make("queue", nullptr);
    if (!demux || !video || !audio) {
        for (GstElement* element : {demux, video, audio})
            if (element) gst_object_unref(gst_object_ref_sink(element));
        return false;
    }
    gst_bin_add_many(bin, demux, video, audio, nullptr);
    RouteDemuxPads(demux, {{"video/x-h264", video}, {"audio/", audio}});
    pads.push_back(gst_element_get_static_pad(demux, "sink"));
    pads.push_back(gst_element_get_static_pad(video, "src"));
    pads.push_back(gst_element_get_static_pad(audio, "src"));
    return true;
}

HRESULT SystemParser::Stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_checked = false;
        m_sent = false;
    }
    return SetFilterState(State_Stopped);
}

HRESULT SystemParser::Pause()
{
    CheckAudio();
    return SetFilterState(State_Paused);
}

HRESULT SystemParser::Run(REFERENCE_TIME)
{
    CheckAudio();
    return SetFilterState(State_Running);
}

bool SystemParser::AudioChangeSent() const
{
    std::lock_guard lock(m_mutex);
    return m_sent;
}

// Once a run: the player answers a notice by stopping, configuring and running again.
void SystemParser::CheckAudio()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_checked) return;
        m_checked = true;
    }
    const auto words = Settings().Value(1);
    if (!words) return;  // never configured: nothing to compare with
    TelecastTuner* tuner = TelecastTuner::FindIn(Graph());
    if (!tuner) return;
    const tdmb::TunedService service = tuner->ServiceForRun();
    tuner->Release();
    const tdmb::AudioSettings configured{(*words)[0], (*words)[1], (*words)[2]};
    if (!tdmb::AudioChangeDue(configured, service)) return;
    const bool sent = tdmb::PostAudioChange(tdmb::ActualAudio(service));
    std::lock_guard lock(m_mutex);
    m_sent = sent;
}

}  // namespace platform::media
