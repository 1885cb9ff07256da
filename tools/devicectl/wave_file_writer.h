// A 16-bit PCM WAV file that appears whole or not at all: it is written under a temporary name
// beside its final one, synced, and renamed over it only once complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace devicectl {

class WaveFileWriter {
public:
    // The largest data chunk whose RIFF size still fits the header's 32 bits.
    static constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - 36;

    // Creates the temporary file, so that a file that cannot be written is known before any
    // work is done for it. Null with the reason.
    static std::unique_ptr<WaveFileWriter> Begin(const std::filesystem::path& path, std::string& error);
    // Removes the temporary file unless Finish succeeded.
    ~WaveFileWriter();
    WaveFileWriter(const WaveFileWriter&) = delete;
    WaveFileWriter& operator=(const WaveFileWriter&) = delete;

    // Writes the header and the interleaved 16-bit little-endian samples, then puts the file
    // in place. False with the reason, the final path then left as it was.
    bool Finish(std::uint32_t rate, std::uint16_t channels, const std::uint8_t* data, std::size_t bytes,
                std::string& error);

private:
    WaveFileWriter(int fd, std::filesystem::path temporary, std::filesystem::path path)
        : m_fd(fd), m_temporary(std::move(temporary)), m_path(std::move(path)) {}

    int m_fd;
    std::filesystem::path m_temporary;
    std::filesystem::path m_path;
    bool m_done = false;
};

}  // namespace devicectl
