#include "platform/media/audio_output.h"

#include <gst/gst.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "platform/device_root.h"
#include "platform/kernel/debug_output.h"
#include "platform/media/audio_capture_sink.h"
#include "platform/media/audio_reporter.h"
#include "platform/media/state_watched_bin.h"
#include "platform/media/wave_out_follower.h"

namespace platform::media {
namespace {

struct NamedMode {
    const char* name;
    AudioOutputMode mode;
};
constexpr NamedMode kModes[] = {
    {"auto", AudioOutputMode::Auto},
    {"fake", AudioOutputMode::Fake},
    {"capture", AudioOutputMode::Capture},
};

// What the output takes in. Float samples let the branch's volume, ahead of it, scale
// without the coarse fixed-point steps it uses on integer samples; more than two channels
// are mixed down by the branch's converter, since the wave-out volume has two.
#if G_BYTE_ORDER == G_LITTLE_ENDIAN
constexpr const char* kInputCaps = "audio/x-raw,format=F32LE,layout=interleaved,channels=[1,2]";
#else
constexpr const char* kInputCaps = "audio/x-raw,format=F32BE,layout=interleaved,channels=[1,2]";
#endif
// The audio is cut into blocks this long ahead of the wave-out volume, so that a change is
// heard from the next block rather than after a long decoded buffer.
constexpr const char* kBlockDuration = "1/100";

// The graphs of this program that made a capture output, counted from 1.
std::atomic<unsigned> s_next_capture{1};
// The program's audio outputs, counted from 1: how the device server tells them apart.
std::atomic<unsigned> s_next_output{1};

GstElement* Make(const char* factory, const char* name = nullptr)
{
    GstElement* element = gst_element_factory_make(factory, name);
    if (!element) DebugPrintf("audio: no %s element\n", factory);
    return element;
}

GstElement* MakeClockedFakeSink()
{
    GstElement* sink = Make("fakesink", "audio-fake");
    if (sink) g_object_set(sink, "sync", TRUE, nullptr);
    return sink;
}

// The system's default output, opened once to see that it is a real one: autoaudiosink gets
// ready even without a sound card, with a fake sink of its own inside.
GstElement* MakeSystemOutput()
{
    GstElement* sink = gst_element_factory_make("autoaudiosink", "audio-device");
    if (!sink) return nullptr;
    bool usable = gst_element_set_state(sink, GST_STATE_READY) == GST_STATE_CHANGE_SUCCESS;
    if (usable) {
        usable = false;
        GstIterator* children = gst_bin_iterate_elements(GST_BIN(sink));
        GValue item = G_VALUE_INIT;
        while (gst_iterator_next(children, &item) == GST_ITERATOR_OK) {
            GstElementFactory* factory = gst_element_get_factory(GST_ELEMENT(g_value_get_object(&item)));
            const char* name = factory ? gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)) : "";
            usable = !g_str_has_prefix(name, "fake");
            g_value_reset(&item);
        }
        g_value_unset(&item);
        gst_iterator_free(children);
    }
    gst_element_set_state(sink, GST_STATE_NULL);
    if (usable) return sink;
    gst_object_unref(gst_object_ref_sink(sink));
    return nullptr;
}

// The wave-out volume as two elements: a simple panorama takes the quieter channel down
// relative to the louder, and a volume sets the louder. Applying them one after the other
// lets one block through with one element changed and the other not; the order is chosen
// so that block is never louder on either channel than the volumes before and after.
class WaveOutStage {
public:
    WaveOutStage(GstElement* panorama, GstElement* volume)
        : m_panorama(GST_ELEMENT(gst_object_ref(panorama))), m_volume(GST_ELEMENT(gst_object_ref(volume)))
    {
        m_follower = std::make_unique<WaveOutFollower>([this](const WaveOutGains& gains) { Apply(gains); });
    }
    ~WaveOutStage()
    {
        m_follower.reset();
        gst_object_unref(m_panorama);
        gst_object_unref(m_volume);
    }
    WaveOutStage(const WaveOutStage&) = delete;
    WaveOutStage& operator=(const WaveOutStage&) = delete;

private:
    void Apply(const WaveOutGains& gains)
    {
        const double louder = std::max(gains.left, gains.right);
        double pan = 0.0;  // negative takes the right channel down, positive the left
        if (louder > 0 && gains.right < gains.left) pan = gains.right / gains.left - 1.0;
        if (louder > 0 && gains.left < gains.right) pan = 1.0 - gains.left / gains.right;
        const auto set_pan = [&] { g_object_set(m_panorama, "panorama", static_cast<gfloat>(pan), nullptr); };
        const auto set_volume = [&] { g_object_set(m_volume, "volume", louder, nullptr); };
        if (louder > m_louder) {
            set_pan();
            set_volume();
        } else {
            set_volume();
            set_pan();
        }
        m_louder = louder;
    }

    GstElement* const m_panorama;
    GstElement* const m_volume;
    double m_louder = 1.0;
    std::unique_ptr<WaveOutFollower> m_follower;
};

// Adds the elements of a mode's end to the bin, linked, and gives the first.
GstElement* AddModeSink(GstBin* bin, AudioOutputMode mode)
{
    if (mode == AudioOutputMode::Capture) {
        GstElement* first = AddCaptureSink(bin, DeviceStateDir() / "audio", ProgramName(), s_next_capture++);
        if (!first) DebugPrintf("audio: the capture sink cannot be made\n");
        return first;
    }
    if (mode == AudioOutputMode::Auto) {
        if (GstElement* device = MakeSystemOutput()) {
            GstElement* convert = Make("audioconvert");
            GstElement* resample = Make("audioresample");
            gst_bin_add(bin, device);
            if (!convert || !resample) {
                if (convert) gst_object_unref(gst_object_ref_sink(convert));
                if (resample) gst_object_unref(gst_object_ref_sink(resample));
                return nullptr;
            }
            gst_bin_add_many(bin, convert, resample, nullptr);
            return gst_element_link_many(convert, resample, device, nullptr) ? convert : nullptr;
        }
        DebugPrintf("audio: no usable output, playing without sound\n");
    }
    GstElement* sink = MakeClockedFakeSink();
    if (sink) gst_bin_add(bin, sink);
    return sink;
}

// The element of the bin that plays in time: the mode's sink.
GstElement* SinkOf(GstBin* bin)
{
    GstElement* sink = nullptr;
    GstIterator* sinks = gst_bin_iterate_sinks(bin);
    GValue item = G_VALUE_INIT;
    if (gst_iterator_next(sinks, &item) == GST_ITERATOR_OK) sink = GST_ELEMENT(g_value_get_object(&item));
    g_value_unset(&item);
    gst_iterator_free(sinks);
    return sink;  // the bin holds it
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::optional<AudioOutputMode> AudioOutputModeOf(std::string_view value)
{
    for (const NamedMode& named : kModes) {
        if (EqualsIgnoringCase(value, named.name)) return named.mode;
    }
    return std::nullopt;
}

AudioOutputMode ConfiguredAudioOutputMode()
{
    const std::string value = Config().Get("audio", "auto");
    const std::optional<AudioOutputMode> mode = AudioOutputModeOf(value);
    if (!mode) DebugPrintf("audio: device.conf names no audio mode \"%s\"; using auto\n", value.c_str());
    return mode.value_or(AudioOutputMode::Auto);
}

GstElement* MakeAudioOutput(AudioOutputMode mode)
{
    GstElement* bin = MakeStateWatchedBin("audio-output");
    GstElement* input = Make("capsfilter", "audio-input");
    GstElement* blocks = Make("audiobuffersplit");
    GstElement* panorama = Make("audiopanorama", "wave-out-balance");
    GstElement* volume = Make("volume", "wave-out-volume");
    if (!input || !panorama || !volume) {
        for (GstElement* element : {input, blocks, panorama, volume, bin}) {
            if (element) gst_object_unref(gst_object_ref_sink(element));
        }
        return nullptr;
    }
    GstCaps* caps = gst_caps_from_string(kInputCaps);
    g_object_set(input, "caps", caps, nullptr);
    gst_caps_unref(caps);
    gst_util_set_object_arg(G_OBJECT(panorama), "method", "simple");
    std::vector<GstElement*> chain = {input};
    // Without the splitter a change waits for the next decoded buffer, as long as that is.
    if (blocks) {
        gst_util_set_object_arg(G_OBJECT(blocks), "output-buffer-duration", kBlockDuration);
        chain.push_back(blocks);
    }
    chain.push_back(panorama);
    chain.push_back(volume);
    for (GstElement* element : chain) gst_bin_add(GST_BIN(bin), element);

    GstElement* sink = AddModeSink(GST_BIN(bin), mode);
    bool linked = sink != nullptr;
    for (size_t i = 1; linked && i < chain.size(); ++i) linked = gst_element_link(chain[i - 1], chain[i]);
    linked = linked && gst_element_link(chain.back(), sink);
    GstPad* pad = gst_element_get_static_pad(input, "sink");
    linked = linked && gst_element_add_pad(bin, gst_ghost_pad_new("sink", pad));
    gst_object_unref(pad);
    if (!linked) {
        DebugPrintf("audio: the output cannot be put together\n");
        gst_object_unref(gst_object_ref_sink(bin));
        return nullptr;
    }
    g_object_set_data_full(G_OBJECT(bin), "wave-out-stage", new WaveOutStage(panorama, volume),
                           [](gpointer stage) { delete static_cast<WaveOutStage*>(stage); });
    // What leaves the wave-out volume is what would be heard.
    if (GstElement* played = SinkOf(GST_BIN(bin))) {
        auto reporter = std::make_unique<AudioReporter>(bin, played, s_next_output++);
        GstPad* heard = gst_element_get_static_pad(volume, "src");
        reporter->Watch(heard);
        gst_object_unref(heard);
        SetBinStateListener(bin, std::move(reporter));
    }
    return bin;
}

}  // namespace platform::media
