// Puts the platform's media classes (the filter graph, CLSID_FilterGraph, the video renderer,
// CLSID_VRenderer, and the equaliser, CLSID_DEQFilter) in the class table, so that
// CoCreateInstance finds them. Call once before creating them; calling again does nothing more.
#pragma once

#include "platform/win32_types.h"

namespace platform {

// S_OK, also when the classes are already registered.
HRESULT RegisterMediaClasses();

}  // namespace platform
