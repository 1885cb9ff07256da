#include "mediainfo/debug_log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace mediainfo {
namespace {

std::atomic<DebugSink> s_sink{nullptr};

}  // namespace

void SetDebugSink(DebugSink sink)
{
    s_sink.store(sink);
}

void DebugLine(const char* format, ...)
{
    const DebugSink sink = s_sink.load();
    if (!sink)
        return;
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (length < 0)
        return;
    sink(std::string_view(text, static_cast<std::size_t>(length) < sizeof text ? static_cast<std::size_t>(length)
                                                                               : sizeof text - 1));
}

}  // namespace mediainfo
