// A recording in progress: the memory that holds its mix, handed to the one who asked for it
// as a descriptor when the recording is done.
#pragma once

#include <cstdint>
#include <memory>

#include "server/audio/audio_mixdown.h"

namespace server {

class AudioRecording {
public:
    // A silent recording of `frames` stereo frames at `rate` from from_ns on; null when the
    // memory cannot be had. Its pages are taken only as samples arrive.
    static std::unique_ptr<AudioRecording> Create(std::uint64_t from_ns, std::uint32_t rate, std::uint64_t frames);
    ~AudioRecording();
    AudioRecording(const AudioRecording&) = delete;
    AudioRecording& operator=(const AudioRecording&) = delete;

    AudioMixdown& Mix() { return m_mix; }
    const AudioMixdown& Mix() const { return m_mix; }
    // The memory's descriptor; -1 for a recording of no frames.
    int Fd() const { return m_fd; }

private:
    AudioRecording(int fd, std::int16_t* samples, std::size_t bytes, std::uint64_t from_ns, std::uint32_t rate);

    int m_fd;
    std::int16_t* m_samples;
    std::size_t m_bytes;
    AudioMixdown m_mix;
};

}  // namespace server
