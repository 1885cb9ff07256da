// A 16-bit PCM WAV file written while it is played. The header's sizes are brought up to date
// after every block, so at any moment the file is a valid WAV of what has been played so far,
// even when the program ends without closing it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace platform::media {

class WaveCaptureFile {
public:
    // The largest data chunk whose RIFF size still fits the header's 32 bits.
    static constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - 36;

    // Creates `<folder>/<stem>-<n>.wav` for the lowest n from `first_number` on that names no
    // file yet: a capture never replaces another. Null with the reason when the folder cannot
    // be made, no name is free, or the format is not one a WAV header can hold.
    static std::unique_ptr<WaveCaptureFile> Create(const std::filesystem::path& folder, const std::string& stem,
                                                   unsigned first_number, int rate, int channels, std::string& error);
    ~WaveCaptureFile();
    WaveCaptureFile(const WaveCaptureFile&) = delete;
    WaveCaptureFile& operator=(const WaveCaptureFile&) = delete;

    // Appends interleaved 16-bit little-endian samples; a trailing part frame is dropped.
    // False once a write has failed or the file is full: nothing more is written then.
    [[nodiscard]] bool Append(const std::uint8_t* data, std::size_t size);

    const std::filesystem::path& Path() const { return m_path; }
    unsigned Number() const { return m_number; }
    int Rate() const { return m_rate; }
    int Channels() const { return m_channels; }
    std::uint64_t DataBytes() const { return m_data_bytes; }

private:
    WaveCaptureFile(int fd, std::filesystem::path path, unsigned number, int rate, int channels);
    bool WriteSizes();

    int m_fd;
    std::filesystem::path m_path;
    unsigned m_number;
    int m_rate;
    int m_channels;
    std::uint64_t m_data_bytes = 0;
    bool m_failed = false;
};

}  // namespace platform::media
