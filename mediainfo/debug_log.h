// The readers' debug lines. The readers link only the standard library; the program that
// probes installs the platform's kernel debug print as the sink (MediaProbe does so itself).
// Without a sink the lines are dropped.
#pragma once

#include <string_view>

namespace mediainfo {

using DebugSink = void (*)(std::string_view text);
void SetDebugSink(DebugSink sink);

// printf-style, as the device's debug lines are written; the text is cut at 512 bytes.
void DebugLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace mediainfo
