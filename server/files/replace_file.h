// Replacing a file of the device's state whole: a crash of the board leaves the old file or
// the new one, never a mix.
#pragma once

#include <filesystem>
#include <string_view>

namespace server {

// Writes the bytes to "<path>.tmp" in the same folder, syncs it to the disk, renames it over
// the file and syncs the folder. Returns 0, or the errno of the step that failed; the
// temporary file is then removed and the old file is left as it was.
[[nodiscard]] int ReplaceFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace server
