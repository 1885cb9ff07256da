// Puts the platform's media classes (the filter graph, CLSID_FilterGraph; the audio renderer,
// CLSID_AudioRender; the vendor's video renderer, equaliser and camera, CLSID_VRenderer,
// CLSID_DEQFilter and CLSID_CAM) in the class table, so that CoCreateInstance finds them. Call
// once before creating them; calling again does nothing more.
#pragma once

#include "platform/win32_types.h"

namespace platform {

// S_OK, also when the classes are already registered.
HRESULT RegisterMediaClasses();

}  // namespace platform
