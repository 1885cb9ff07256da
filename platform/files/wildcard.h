// Matching file names against the device's search patterns. Internal to platform/files.
#pragma once

#include <string_view>

namespace platform::files {

// '*' matches any run of characters, '?' exactly one (a whole UTF-8 character); everything else
// matches itself ignoring ASCII case. As on the device, a pattern ending in ".*" also matches a
// name without an extension, so "*.*" matches every name.
bool WildcardMatch(std::string_view pattern, std::string_view name);

bool HasWildcards(std::string_view pattern);

}  // namespace platform::files
