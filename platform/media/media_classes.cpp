#include "platform/media/media_classes.h"

#include "platform/media/class_registry.h"
#include "platform/media/filter_graph.h"
#include "platform/media/vendor/deq_filter.h"
#include "platform/media/vendor/video_renderer.h"

namespace platform {

HRESULT RegisterMediaClasses()
{
    HRESULT result = RegisterComClass(CLSID_FilterGraph, ComFactoryFor<media::CFilterGraph>());
    if (SUCCEEDED(result) || result == CO_E_OBJISREG)
        result = RegisterComClass(CLSID_VRenderer, ComFactoryFor<media::VideoRenderer>());
    if (SUCCEEDED(result) || result == CO_E_OBJISREG)
        result = RegisterComClass(CLSID_DEQFilter, ComFactoryFor<media::DeqFilter>());
    return result == CO_E_OBJISREG ? S_OK : result;
}

}  // namespace platform
