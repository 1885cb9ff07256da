// A program's string table: "strings.txt" in its resource directory (the directory its
// bitmaps are loaded from), one "NUMBER<tab>text" line each, UTF-8.
#pragma once

#include <optional>
#include <string>

#include "platform/win32_types.h"

// The string with that number, or nothing (last error ERROR_RESOURCE_NAME_NOT_FOUND).
std::optional<std::string> LoadString(UINT id);
