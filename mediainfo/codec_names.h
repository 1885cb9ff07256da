// The three lookups Movie checks a probed file with (container, video FourCC, audio format
// tag), and the information dump it prints to the debug log.
#pragma once

#include <cstdint>
#include <string_view>

#include "mediainfo/media_info.h"

namespace mediainfo {

enum class Support { No, Yes };

struct CodecName {
    std::string_view name;   // as printed, ending in "\n"
    Support support;
};

CodecName ContainerName(MediaKind kind);
CodecName VideoCodecName(std::uint32_t fourcc);
CodecName AudioCodecName(std::uint32_t format_tag);

using DumpLineSink = void (*)(std::string_view line, void* context);

// Prints the dump in its order, one line per value, stopping at the first lookup that says
// "not supported". Lines go to the debug log (DebugLine) unless a sink is given. Returns
// whether Movie accepts the file: all three lookups say supported.
bool DumpMediaInfo(const MediaInfo& info, DumpLineSink sink = nullptr, void* context = nullptr);

}  // namespace mediainfo
