#include "platform/media/media_classes.h"

#include "platform/media/class_registry.h"
#include "platform/media/filter_graph.h"

namespace platform {

HRESULT RegisterMediaClasses()
{
    HRESULT result = RegisterComClass(CLSID_FilterGraph, ComFactoryFor<media::CFilterGraph>());
    return result == CO_E_OBJISREG ? S_OK : result;
}

}  // namespace platform
