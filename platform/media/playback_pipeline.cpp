#include "platform/media/playback_pipeline.h"

#include <gst/gst.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <condition_variable>
#include <mutex>
#include <optional>

#include "platform/kernel/debug_output.h"
#include "platform/media/graph_stopped_mark.h"
#include "platform/media/gstreamer_init.h"
#include "platform/media/playback_branch.h"
#include "platform/media/playback_sinks.h"
#include "platform/media/result_codes.h"

namespace platform::media {
namespace {

GstClockTime ToClockTime(double seconds)
{
    return static_cast<GstClockTime>(std::llround(seconds * static_cast<double>(GST_SECOND)));
}

double ToSeconds(gint64 time)
{
    return static_cast<double>(time) / static_cast<double>(GST_SECOND);
}

GstClockTime ToClockTime(std::chrono::milliseconds timeout)
{
    return static_cast<GstClockTime>(timeout.count()) * GST_MSECOND;
}

// Which seek the last end of stream that passed this streaming thread belongs to. The pipeline
// posts its own end on the thread of the stream that ended last, right after that stream's end
// passed its pad, so the message can be told apart from an end that was already on its way
// when a seek was made.
struct EndMark {
    const void* pipeline = nullptr;
    std::uint64_t seek = 0;
};
thread_local EndMark t_end_mark;

}  // namespace

struct PlaybackPipeline::Impl {
    std::unique_ptr<PlaybackSinks> sinks;
    GstElement* pipeline = nullptr;  // owned; null until Open

    // Shared with the streaming threads, which build branches and post messages.
    std::mutex mutex;
    std::condition_variable changed;
    bool audio_claimed = false;
    bool video_claimed = false;
    bool audio_built = false;
    bool video_built = false;
    GstElement* volume = nullptr;  // owned by the pipeline
    double gain = 1.0;
    bool failed = false;
    bool prerolled = false;
    bool ended = false;
    bool seek_pending = false;
    double requested_position = 0.0;
    std::atomic<std::uint64_t> seeks{0};  // made so far; read by the streaming threads

    // The file as it was opened: set before the pipeline starts, then only read by the
    // streaming thread that reads the file.
    std::string host_path;
    dev_t file_device = 0;
    ino_t file_inode = 0;
    std::atomic<bool> file_gone = false;

    // The caller's side only.
    PlaybackState state = PlaybackState::Stopped;
    double duration = 0.0;
    bool duration_known = false;
    double last_position = 0.0;

    ~Impl()
    {
        if (!pipeline) return;
        gst_element_set_state(pipeline, GST_STATE_NULL);
        GstBus* bus = gst_element_get_bus(pipeline);
        gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
        gst_object_unref(bus);
        gst_object_unref(pipeline);
    }

    bool QueryDuration()
    {
        gint64 length = 0;
        if (!duration_known && gst_element_query_duration(pipeline, GST_FORMAT_TIME, &length) && length >= 0) {
            duration = ToSeconds(length);
            duration_known = true;
        }
        return duration_known;
    }

    // The position reads as `seconds` until the pipeline has prerolled there. A flushing seek
    // puts the pipeline into a state change before the seek event returns, so the seek has
    // landed once no state change is in progress.
    HRESULT SeekTo(double seconds)
    {
        const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
        GstEvent* seek = gst_event_new_seek(1.0, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET,
                                            static_cast<gint64>(ToClockTime(seconds)), GST_SEEK_TYPE_NONE, 0);
        {
            std::lock_guard lock(mutex);
            seek_pending = true;
            requested_position = seconds;
            ended = false;
            seeks.fetch_add(1);
        }
        if (gst_element_send_event(pipeline, seek)) return S_OK;
        std::lock_guard lock(mutex);
        seek_pending = false;
        DebugPrintf("Media: seek to %.3f s refused\n", seconds);
        return E_FAIL;
    }

    // Runs on a streaming thread. Only the first audio and the first video stream are played;
    // later ones stay unlinked, which the decoder allows while one stream is linked.
    void OnPadAdded(GstPad* pad)
    {
        const std::optional<BranchKind> kind = BranchKindOf(pad);
        if (!kind) return;
        {
            std::lock_guard lock(mutex);
            bool& claimed = *kind == BranchKind::Audio ? audio_claimed : video_claimed;
            if (claimed) return;
            claimed = true;
        }
        // The branch's sink runs on this pad's streaming thread (nothing queues in between), so
        // the end the sink posts follows the end seen here on the same thread.
        gst_pad_add_probe(
            pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM,
            [](GstPad*, GstPadProbeInfo* info, gpointer data) {
                if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_EOS) {
                    const Impl* impl = static_cast<const Impl*>(data);
                    t_end_mark = {impl, impl->seeks.load()};
                }
                return GST_PAD_PROBE_OK;
            },
            this, nullptr);
        const std::optional<PlaybackBranch> branch = BuildPlaybackBranch(GST_BIN(pipeline), pad, *kind, *sinks);
        if (!branch) return;
        std::lock_guard lock(mutex);
        if (*kind == BranchKind::Audio) {
            audio_built = true;
            volume = branch->volume;
            g_object_set(volume, "volume", gain, nullptr);
        } else {
            video_built = true;
        }
    }

    // Runs on the streaming thread with each block read from the file. An open descriptor
    // keeps reading a file whose card was pulled, whose folder moved or which was deleted, so
    // the path is looked at again: once it no longer names the file that was opened, the
    // source reports a read error, as the device's card reader does, and nothing more it read
    // goes on.
    GstPadProbeReturn OnFileData(GstPad* pad)
    {
        if (!file_gone.load()) {
            struct stat now {};
            if (::stat(host_path.c_str(), &now) == 0 && now.st_dev == file_device && now.st_ino == file_inode)
                return GST_PAD_PROBE_OK;
            file_gone.store(true);
            DebugPrintf("Media: %s is gone while playing\n", host_path.c_str());
            GstElement* source = GST_ELEMENT(GST_PAD_PARENT(pad));
            GST_ELEMENT_ERROR(source, RESOURCE, READ, ("The file is no longer on its medium."), (nullptr));
        }
        return GST_PAD_PROBE_DROP;
    }

    // Runs on whichever thread posts. Every message is dropped here, so none piles up on a bus
    // nobody reads (each would hold its source alive); only the mutex-guarded flags remember
    // what matters.
    GstBusSyncReply OnMessage(GstMessage* message)
    {
        switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_ERROR:
        case GST_MESSAGE_WARNING: {
            const bool error_message = GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR;
            GError* error = nullptr;
            gchar* details = nullptr;
            if (error_message) gst_message_parse_error(message, &error, &details);
            else gst_message_parse_warning(message, &error, &details);
            DebugPrintf("Media: %s from %s: %s\n", error_message ? "error" : "warning", GST_OBJECT_NAME(GST_MESSAGE_SRC(message)),
                        error ? error->message : "");
            g_clear_error(&error);
            g_free(details);
            if (error_message) {
                std::lock_guard lock(mutex);
                failed = true;
                changed.notify_all();
            }
            break;
        }
        case GST_MESSAGE_EOS: {
            // An end that passed before the last seek belongs to the old position: posted while
            // the seek was made, it would otherwise put the position back at the end.
            if (t_end_mark.pipeline == this && t_end_mark.seek != seeks.load()) {
                DebugPrintf("Media: an end of stream from before the last seek is ignored\n");
                break;
            }
            // After an error the stream ends where the data ran out, not at its end.
            std::lock_guard lock(mutex);
            ended = !failed;
            break;
        }
        case GST_MESSAGE_ASYNC_DONE:
            if (GST_MESSAGE_SRC(message) == GST_OBJECT(pipeline)) {
                std::lock_guard lock(mutex);
                prerolled = true;
                changed.notify_all();
            }
            break;
        default:
            break;
        }
        // A handler that drops a message owns it.
        gst_message_unref(message);
        return GST_BUS_DROP;
    }
};

PlaybackPipeline::PlaybackPipeline(std::unique_ptr<PlaybackSinks> sinks) : m_impl(std::make_unique<Impl>())
{
    m_impl->sinks = std::move(sinks);
}

PlaybackPipeline::~PlaybackPipeline() = default;

HRESULT PlaybackPipeline::Open(const std::string& host_path, std::chrono::milliseconds timeout)
{
    Impl& impl = *m_impl;
    if (impl.pipeline) return VFW_E_WRONG_STATE;
    struct stat info {};
    if (host_path.empty()) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    if (::stat(host_path.c_str(), &info) != 0)
        return errno == EACCES ? E_ACCESSDENIED : HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    if (!InitialiseGStreamer()) return E_FAIL;
    impl.host_path = host_path;
    impl.file_device = info.st_dev;
    impl.file_inode = info.st_ino;

    impl.pipeline = GST_ELEMENT(gst_object_ref_sink(gst_pipeline_new("playback")));
    MarkGraphStopped(impl.pipeline, true);
    GstElement* source = gst_element_factory_make("filesrc", "source");
    GstElement* decoder = gst_element_factory_make("decodebin", "decoder");
    if (!source || !decoder) {
        DebugPrintf("Media: the file source or the decoder is not installed\n");
        if (source) gst_object_unref(gst_object_ref_sink(source));
        if (decoder) gst_object_unref(gst_object_ref_sink(decoder));
        return E_FAIL;
    }
    // The host path goes to the source as it is, never through a URI, so that any character
    // a file name may hold reaches the file system unchanged.
    g_object_set(source, "location", host_path.c_str(), nullptr);
    GstPad* read = gst_element_get_static_pad(source, "src");
    gst_pad_add_probe(
        read, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_PUSH | GST_PAD_PROBE_TYPE_PULL),
        [](GstPad* pad, GstPadProbeInfo*, gpointer data) { return static_cast<Impl*>(data)->OnFileData(pad); }, &impl,
        nullptr);
    gst_object_unref(read);
    GstBus* bus = gst_element_get_bus(impl.pipeline);
    gst_bus_set_sync_handler(
        bus, [](GstBus*, GstMessage* message, gpointer data) { return static_cast<Impl*>(data)->OnMessage(message); },
        &impl, nullptr);
    gst_object_unref(bus);
    g_signal_connect(decoder, "pad-added",
                     G_CALLBACK(+[](GstElement*, GstPad* pad, gpointer data) { static_cast<Impl*>(data)->OnPadAdded(pad); }),
                     &impl);
    gst_bin_add_many(GST_BIN(impl.pipeline), source, decoder, nullptr);
    if (!gst_element_link(source, decoder)) return E_FAIL;

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    if (gst_element_set_state(impl.pipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
        DebugPrintf("Media: %s cannot be played\n", host_path.c_str());
        return VFW_E_UNSUPPORTED_STREAM;
    }
    std::unique_lock lock(impl.mutex);
    const bool settled = impl.changed.wait_until(lock, deadline, [&] { return impl.failed || impl.prerolled; });
    const bool playable = impl.prerolled && (impl.audio_built || impl.video_built);
    lock.unlock();
    if (!settled) {
        DebugPrintf("Media: %s was not ready within %lld ms\n", host_path.c_str(), static_cast<long long>(timeout.count()));
        return E_FAIL;
    }
    if (!playable) {
        DebugPrintf("Media: %s holds no stream that can be played\n", host_path.c_str());
        return VFW_E_UNSUPPORTED_STREAM;
    }
    impl.QueryDuration();
    return S_OK;
}

bool PlaybackPipeline::HasAudio() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->audio_built;
}

bool PlaybackPipeline::HasVideo() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->video_built;
}

HRESULT PlaybackPipeline::SetState(PlaybackState state)
{
    Impl& impl = *m_impl;
    if (!impl.pipeline) return VFW_E_WRONG_STATE;
    const GstState target = state == PlaybackState::Running ? GST_STATE_PLAYING : GST_STATE_PAUSED;
    MarkGraphStopped(impl.pipeline, state == PlaybackState::Stopped);
    if (gst_element_set_state(impl.pipeline, target) == GST_STATE_CHANGE_FAILURE) {
        MarkGraphStopped(impl.pipeline, impl.state == PlaybackState::Stopped);
        DebugPrintf("Media: the pipeline refused to go to %s\n", gst_element_state_get_name(target));
        return E_FAIL;
    }
    impl.state = state;
    return state == PlaybackState::Stopped ? impl.SeekTo(0.0) : S_OK;
}

HRESULT PlaybackPipeline::GetState(std::chrono::milliseconds timeout, PlaybackState* state)
{
    Impl& impl = *m_impl;
    *state = impl.state;
    if (!impl.pipeline) return S_OK;
    GstState current = GST_STATE_VOID_PENDING;
    GstState pending = GST_STATE_VOID_PENDING;
    switch (gst_element_get_state(impl.pipeline, &current, &pending, ToClockTime(timeout))) {
    case GST_STATE_CHANGE_FAILURE:
        return E_FAIL;
    case GST_STATE_CHANGE_ASYNC:
        return VFW_S_STATE_INTERMEDIATE;
    default:
        return S_OK;
    }
}

HRESULT PlaybackPipeline::Duration(double* seconds)
{
    Impl& impl = *m_impl;
    *seconds = 0.0;
    if (!impl.pipeline) return VFW_E_WRONG_STATE;
    if (!impl.QueryDuration()) return E_FAIL;
    *seconds = impl.duration;
    return S_OK;
}

HRESULT PlaybackPipeline::Position(double* seconds)
{
    Impl& impl = *m_impl;
    *seconds = 0.0;
    if (!impl.pipeline) return VFW_E_WRONG_STATE;
    impl.QueryDuration();
    bool ended = false;
    bool seek_pending = false;
    double requested = 0.0;
    {
        std::lock_guard lock(impl.mutex);
        ended = impl.ended;
        seek_pending = impl.seek_pending;
        requested = impl.requested_position;
    }
    bool landed = false;
    if (seek_pending && !ended && gst_element_get_state(impl.pipeline, nullptr, nullptr, 0) != GST_STATE_CHANGE_ASYNC) {
        std::lock_guard lock(impl.mutex);
        impl.seek_pending = seek_pending = false;
        landed = true;
    }
    gint64 position = 0;
    if (ended && impl.duration_known) {
        impl.last_position = impl.duration;
    } else if (seek_pending) {
        impl.last_position = requested;
    } else {
        // A seek that has just landed stands where it was asked to until the pipeline answers;
        // the position read before the seek is no answer any more.
        if (landed) impl.last_position = requested;
        // While the pipeline flushes it may not answer; the last position read then stands.
        if (gst_element_query_position(impl.pipeline, GST_FORMAT_TIME, &position) && position >= 0)
            impl.last_position = ToSeconds(position);
    }
    if (impl.duration_known) impl.last_position = std::min(impl.last_position, impl.duration);
    *seconds = impl.last_position;
    return S_OK;
}

HRESULT PlaybackPipeline::Seek(double seconds)
{
    Impl& impl = *m_impl;
    if (!impl.pipeline) return VFW_E_WRONG_STATE;
    if (!std::isfinite(seconds) || seconds < 0.0) return E_INVALIDARG;
    if (impl.QueryDuration()) seconds = std::min(seconds, impl.duration);
    return impl.SeekTo(seconds);
}

void PlaybackPipeline::SetVolume(double gain)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->gain = gain;
    if (m_impl->volume) g_object_set(m_impl->volume, "volume", gain, nullptr);
}

}  // namespace platform::media
