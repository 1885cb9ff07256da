// Fixtures of the channel table's tests: records built field by field, a code page converter
// of the tests' own, and a scratch folder that is removed again.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include <unistd.h>

#include "telecast/channel_table.h"

namespace telecast::fixture {

// Each byte as the character of the same number (ISO 8859-1). Enough to tell a name converted
// from the code page from one taken as UTF-16.
inline std::u16string Latin1ToWide(std::string_view text)
{
    std::u16string wide;
    for (const char c : text) wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return wide;
}
inline const CodePageToWide kLatin1 = Latin1ToWide;

inline ChannelRecord MakeRecord(std::int32_t type, std::array<char, kNameBytes> name, std::int32_t frequency = 181280,
                                std::uint32_t service_id = 0xE0A1)
{
    ChannelRecord record;
    record.tuner_value_0 = 3;
    record.frequency = frequency;
    record.service_id = service_id;
    record.name = name;
    record.sub_channel_id = 7;
    record.service_type = type;
    record.tuner_value_10 = -1;
    record.audio_coding = type == kTvService ? kBsacAudioCoding : 0;
    record.audio_a = type == kTvService ? 2 : 0;
    record.audio_b = type == kTvService ? 48000 : 0;
    return record;
}

// A folder of its own under the system's temporary folder, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder()
    {
        const auto base = std::filesystem::temp_directory_path();
        for (unsigned i = 0;; ++i) {
            m_path = base / ("telecast_test_" + std::to_string(::getpid()) + "_" + std::to_string(i));
            if (std::filesystem::create_directory(m_path)) break;
        }
    }
    ~ScratchFolder()
    {
        std::error_code error;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, error);
        std::filesystem::remove_all(m_path, error);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

}  // namespace telecast::fixture
