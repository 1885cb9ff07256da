#include "platform/media/media_classes.h"

#include "platform/media/audio_renderer.h"
#include "platform/media/class_registry.h"
#include "platform/media/filter_graph.h"
#include "platform/media/tdmb/infinite_tee.h"
#include "platform/media/tdmb/pad_parser.h"
#include "platform/media/tdmb/system_parser.h"
#include "platform/media/tdmb/tdmb_decoders.h"
#include "platform/media/tdmb/telecast_tuner.h"
#include "platform/media/vendor/camera_filter.h"
#include "platform/media/vendor/deq_filter.h"
#include "platform/media/vendor/video_renderer.h"

namespace platform {

HRESULT RegisterMediaClasses()
{
    const struct {
        const CLSID& clsid;
        ComClassFactory factory;
    } classes[] = {
        {CLSID_FilterGraph, ComFactoryFor<media::CFilterGraph>()},
        {CLSID_AudioRender, ComFactoryFor<media::AudioRenderer>()},
        {CLSID_VRenderer, ComFactoryFor<media::VideoRenderer>()},
        {CLSID_DEQFilter, ComFactoryFor<media::DeqFilter>()},
        {CLSID_CAM, media::CameraFilter::Factory()},
        {CLSID_TelecastTuner, ComFactoryFor<media::TelecastTuner>()},
        {CLSID_InfiniteTee, ComFactoryFor<media::InfiniteTee>()},
        {CLSID_MP2Decoder, ComFactoryFor<media::MP2Decoder>()},
        {CLSID_PadParser, ComFactoryFor<media::PadParser>()},
        {CLSID_DmbSystemParser, ComFactoryFor<media::SystemParser>()},
        {CLSID_H264Decoder, ComFactoryFor<media::H264Decoder>()},
        {CLSID_BsacDecoder, ComFactoryFor<media::BsacDecoder>()},
        {CLSID_EaacPlusDecoder, ComFactoryFor<media::EaacPlusDecoder>()},
    };
    for (const auto& entry : classes) {
        const HRESULT result = RegisterComClass(entry.clsid, entry.factory);
        if (FAILED(result) && result != CO_E_OBJISREG) return result;
    }
    return S_OK;
}

}  // namespace platform
