// GStreamer's start in this process, once, before the first element is made.
#pragma once

namespace platform::media {

// False, with one debug line, when GStreamer cannot start; every later call answers the same.
bool InitialiseGStreamer();

}  // namespace platform::media
