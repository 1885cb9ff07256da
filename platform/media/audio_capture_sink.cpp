#include "platform/media/audio_capture_sink.h"

#include <memory>

#include "platform/kernel/debug_output.h"
#include "platform/media/wave_capture_file.h"

namespace platform::media {
namespace {

// Writes the blocks the sink plays. Called only on the sink's streaming thread; it goes with
// the sink, after the pipeline has stopped.
class CaptureWriter {
public:
    CaptureWriter(std::filesystem::path folder, std::string stem, unsigned number)
        : m_folder(std::move(folder)), m_stem(std::move(stem)), m_number(number)
    {
    }

    void Played(GstBuffer* buffer, GstPad* pad)
    {
        if (m_stopped) return;
        int rate = 0;
        int channels = 0;
        if (GstCaps* caps = gst_pad_get_current_caps(pad)) {
            const GstStructure* format = gst_caps_get_structure(caps, 0);
            gst_structure_get_int(format, "rate", &rate);
            gst_structure_get_int(format, "channels", &channels);
            gst_caps_unref(caps);
        }
        if (!m_file) {
            std::string error;
            m_file = WaveCaptureFile::Create(m_folder, m_stem, m_number, rate, channels, error);
            if (!m_file) return Stop(("audio: no capture: " + error).c_str());
        } else if (rate != m_file->Rate() || channels != m_file->Channels()) {
            // One file holds one format; what follows a change would play back wrongly.
            return Stop("audio: the played format changed; the capture ends here");
        }
        GstMapInfo map;
        if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return;
        const bool appended = m_file->Append(map.data, map.size);
        gst_buffer_unmap(buffer, &map);
        if (!appended) Stop("audio: the capture cannot be written further (disk full or 4 GB reached)");
    }

private:
    void Stop(const char* why)
    {
        DebugPrintf("%s%s%s\n", why, m_file ? ": " : "", m_file ? m_file->Path().c_str() : "");
        m_stopped = true;
    }

    const std::filesystem::path m_folder;
    const std::string m_stem;
    const unsigned m_number;
    std::unique_ptr<WaveCaptureFile> m_file;
    bool m_stopped = false;
};

void OnPlayed(GstElement*, GstBuffer* buffer, GstPad* pad, gpointer writer)
{
    static_cast<CaptureWriter*>(writer)->Played(buffer, pad);
}

}  // namespace

GstElement* AddCaptureSink(GstBin* bin, const std::filesystem::path& folder, const std::string& stem,
                           unsigned number)
{
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* format = gst_element_factory_make("capsfilter", nullptr);
    GstElement* sink = gst_element_factory_make("fakesink", "audio-capture");
    if (!convert || !format || !sink) {
        for (GstElement* element : {convert, format, sink}) {
            if (element) gst_object_unref(gst_object_ref_sink(element));
        }
        return nullptr;
    }
    // No dither: a silent channel must stay exactly silent in the file.
    gst_util_set_object_arg(G_OBJECT(convert), "dithering", "none");
    GstCaps* caps = gst_caps_from_string("audio/x-raw,format=S16LE,layout=interleaved");
    g_object_set(format, "caps", caps, nullptr);
    gst_caps_unref(caps);
    auto* writer = new CaptureWriter(folder, stem, number);
    g_object_set(sink, "sync", TRUE, "signal-handoffs", TRUE, nullptr);
    g_signal_connect(sink, "handoff", G_CALLBACK(OnPlayed), writer);
    g_object_set_data_full(G_OBJECT(sink), "capture-writer", writer,
                           [](gpointer data) { delete static_cast<CaptureWriter*>(data); });
    gst_bin_add_many(bin, convert, format, sink, nullptr);
    return gst_element_link_many(convert, format, sink, nullptr) ? convert : nullptr;
}

}  // namespace platform::media
