// The small state files the programs keep on \NAND (settings, resume points): written whole
// beside the real file, flushed, then moved over it in one step, so a reader, or a start after
// a power cut, finds the old whole file or the new whole file, never a short one.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Writes bytes to path (a device path) through "<path>.new"; false, with the old file left as
// it was and no temporary file behind, when any step fails.
bool ReplaceStateFile(const std::string& path, std::string_view bytes);

// The file's first bytes, at most most_bytes of them; nothing when it cannot be opened.
std::optional<std::string> ReadStateFile(const std::string& path, std::size_t most_bytes);
