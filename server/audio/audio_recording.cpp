#include "server/audio/audio_recording.h"

#include <sys/mman.h>
#include <unistd.h>

namespace server {

std::unique_ptr<AudioRecording> AudioRecording::Create(std::uint64_t from_ns, std::uint32_t rate, std::uint64_t frames) {
    const std::size_t bytes = static_cast<std::size_t>(frames) * AudioMixdown::kChannels * sizeof(std::int16_t);
    if (bytes == 0) return std::unique_ptr<AudioRecording>(new AudioRecording(-1, nullptr, 0, from_ns, rate));
    int fd = ::memfd_create("audio-recording", MFD_CLOEXEC);
    if (fd < 0) return nullptr;
    if (::ftruncate(fd, static_cast<off_t>(bytes)) != 0) {
        ::close(fd);
        return nullptr;
    }
    void* memory = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<AudioRecording>(new AudioRecording(fd, static_cast<std::int16_t*>(memory), bytes, from_ns, rate));
}

AudioRecording::AudioRecording(int fd, std::int16_t* samples, std::size_t bytes, std::uint64_t from_ns, std::uint32_t rate)
    : m_fd(fd), m_samples(samples), m_bytes(bytes),
      m_mix(from_ns, rate, std::span<std::int16_t>(samples, bytes / sizeof(std::int16_t))) {}

AudioRecording::~AudioRecording() {
    if (m_samples) ::munmap(m_samples, m_bytes);
    if (m_fd >= 0) ::close(m_fd);
}

}  // namespace server
