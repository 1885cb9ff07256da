// Any bytes parse to a result without crashing; every problem names a line inside the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/resources/skin_declaration.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto result = resources::ParseSkinDeclaration(text);
    for (const auto& error : result.errors)
        if (error.line < 1 || static_cast<size_t>(error.line) > size + 1 || error.reason.empty()) std::abort();
    return 0;
}
