#include "platform/media/media_classes.h"

#include "platform/media/audio_renderer.h"
#include "platform/media/class_registry.h"
#include "platform/media/filter_graph.h"
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
        {CLSID_CAM, ComFactoryFor<media::CameraFilter>()},
    };
    for (const auto& entry : classes) {
        const HRESULT result = RegisterComClass(entry.clsid, entry.factory);
        if (FAILED(result) && result != CO_E_OBJISREG) return result;
    }
    return S_OK;
}

}  // namespace platform
