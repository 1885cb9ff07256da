// The settings file comes from flash that may hold anything after a failed write or a user's
// copy; reading it must never fail badly, and what is written must read back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "framework/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto contents = settings_file::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (contents.values_read < 0 || contents.values_read > settings_file::kStoredValues) std::abort();
    auto again = settings_file::Parse(settings_file::Format(contents.values));
    if (!again.version_matches || again.values_read != settings_file::kStoredValues || again.values != contents.values)
        std::abort();
    return 0;
}
