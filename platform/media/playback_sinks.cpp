#include "platform/media/playback_sinks.h"

#include <gst/gst.h>

#include "platform/media/audio_output.h"

namespace platform::media {
namespace {

GstElement* MakeClockedFakeSink(const char* name)
{
    GstElement* sink = gst_element_factory_make("fakesink", name);
    if (sink) g_object_set(sink, "sync", TRUE, nullptr);
    return sink;
}

class ClockedNullSinks final : public PlaybackSinks {
public:
    GstElement* MakeAudioSink() override { return MakeClockedFakeSink("audio-sink"); }
    GstElement* MakeVideoSink() override { return MakeClockedFakeSink("video-sink"); }
};

class DeviceSinks final : public PlaybackSinks {
public:
    GstElement* MakeAudioSink() override { return MakeAudioOutput(ConfiguredAudioOutputMode()); }
    GstElement* MakeVideoSink() override { return MakeClockedFakeSink("video-sink"); }
};

}  // namespace

std::unique_ptr<PlaybackSinks> MakeClockedNullSinks()
{
    return std::make_unique<ClockedNullSinks>();
}

std::unique_ptr<PlaybackSinks> MakeDeviceSinks()
{
    return std::make_unique<DeviceSinks>();
}

}  // namespace platform::media
