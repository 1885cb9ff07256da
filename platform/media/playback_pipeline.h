// The GStreamer pipeline that plays one rendered file: file source, decoding, the first audio
// stream through conversion and volume to the audio sink, the first video stream through
// conversion to the video sink. Every wait is bounded and no bus watch or thread of its own
// is kept: bus messages are read as they are posted and dropped.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/win32_types.h"

namespace platform::media {

class PlaybackSinks;

enum class PlaybackState { Stopped, Paused, Running };

class PlaybackPipeline {
public:
    explicit PlaybackPipeline(std::unique_ptr<PlaybackSinks> sinks);
    // Takes the pipeline down to NULL, which joins its streaming threads.
    ~PlaybackPipeline();
    PlaybackPipeline(const PlaybackPipeline&) = delete;
    PlaybackPipeline& operator=(const PlaybackPipeline&) = delete;

    // Builds the pipeline for a host file and waits, at most `timeout`, until it is paused
    // with its first frames ready. 0x80070002 for a missing file, VFW_E_UNSUPPORTED_STREAM
    // when nothing in it decodes, E_FAIL when it did not get ready in time. Once only.
    HRESULT Open(const std::string& host_path, std::chrono::milliseconds timeout);
    bool HasAudio() const;
    bool HasVideo() const;

    // Stopped is paused at the start, so that the duration stays known and the next run
    // starts from the beginning.
    HRESULT SetState(PlaybackState state);
    // The state last asked for; VFW_S_STATE_INTERMEDIATE when the pipeline has not reached it
    // within `timeout`.
    HRESULT GetState(std::chrono::milliseconds timeout, PlaybackState* state);

    HRESULT Duration(double* seconds);
    // Reads back a requested position until the pipeline has got there, and the duration
    // once the end of the stream has been played.
    HRESULT Position(double* seconds);
    HRESULT Seek(double seconds);
    // Linear gain, 0 silent, 1 unchanged.
    void SetVolume(double gain);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace platform::media
