// The registry file is read at every start; whatever it holds, reading it must not fail
// badly, and what is read must write back to a file that reads the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "server/registry/registry_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    auto store = server::RegistryStore::Parse(text);
    auto once = store.Serialize();
    auto twice = server::RegistryStore::Parse(once).Serialize();
    if (once != twice) std::abort();
    return 0;
}
