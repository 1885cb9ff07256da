#include "platform/media/record_feed.h"

#include <gst/audio/audio.h>

#include <cstdlib>

#include "platform/kernel/debug_output.h"

namespace platform::media {
namespace {

// Blocks whose play times are this close are taken to follow on (the times are rounded).
constexpr std::int64_t kFollowOnNs = 2'000'000;

}  // namespace

struct RecordFeed::Converter {
    GstAudioConverter* converter = nullptr;
    ~Converter()
    {
        if (converter) gst_audio_converter_free(converter);
    }
};

RecordFeed::RecordFeed(int rate, int channels) : m_rate(rate), m_channels(channels) {}

RecordFeed::~RecordFeed() = default;

std::vector<std::uint8_t> RecordFeed::Convert(const PlayedBlock& block)
{
    if (block.rate <= 0 || block.channels <= 0 || block.samples.empty()) return {};
    if (!m_converter || block.rate != m_in_rate || block.channels != m_in_channels) {
        m_converter.reset();
        GstAudioInfo in;
        GstAudioInfo out;
        gst_audio_info_set_format(&in, GST_AUDIO_FORMAT_F32, block.rate, block.channels, nullptr);
        gst_audio_info_set_format(&out, GST_AUDIO_FORMAT_S16LE, m_rate, m_channels, nullptr);
        // No dither: silence must stay exactly silent in a recording.
        GstStructure* config = gst_structure_new("GstAudioConverter", GST_AUDIO_CONVERTER_OPT_DITHER_METHOD,
                                                 GST_TYPE_AUDIO_DITHER_METHOD, GST_AUDIO_DITHER_NONE, nullptr);
        GstAudioConverter* converter = gst_audio_converter_new(GST_AUDIO_CONVERTER_FLAG_NONE, &in, &out, config);
        if (!converter) {
            DebugPrintf("audio: no conversion from %d Hz x %d for a recording\n", block.rate, block.channels);
            return {};
        }
        m_converter = std::make_unique<Converter>();
        m_converter->converter = converter;
        m_in_rate = block.rate;
        m_in_channels = block.channels;
    } else if (std::llabs(static_cast<long long>(block.play_ns - m_last_end_ns)) > kFollowOnNs) {
        gst_audio_converter_reset(m_converter->converter);
    }
    m_last_end_ns = block.end_ns;

    const gsize in_frames = block.samples.size() / static_cast<std::size_t>(block.channels);
    const gsize out_frames = gst_audio_converter_get_out_frames(m_converter->converter, in_frames);
    std::vector<std::uint8_t> bytes(out_frames * static_cast<std::size_t>(m_channels) * 2);
    gpointer in_planes[] = {const_cast<float*>(block.samples.data())};
    gpointer out_planes[] = {bytes.data()};
    if (!gst_audio_converter_samples(m_converter->converter, GST_AUDIO_CONVERTER_FLAG_NONE, in_planes, in_frames,
                                     out_planes, out_frames))
        return {};
    return bytes;
}

}  // namespace platform::media
