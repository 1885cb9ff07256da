// Files of the device's state read and replaced whole: a crash of the board leaves the old file
// or the new one, never a mix, and a file that cannot be read is told apart from one that is
// not there.
#pragma once

#include <filesystem>
#include <string_view>

namespace server {

// Writes the bytes to "<path>.tmp" in the same folder, syncs it to the disk, renames it over
// the file and syncs the folder. Returns 0, or the errno of the step that failed; the
// temporary file is then removed and the old file is left as it was.
[[nodiscard]] int ReplaceFile(const std::filesystem::path& path, std::string_view bytes);

// Reads the whole file into bytes. Returns 0, ENOENT when there is no such file, or the errno of
// the open or read that failed (a folder in the file's place gives EISDIR).
[[nodiscard]] int ReadWholeFile(const std::filesystem::path& path, std::string& bytes);

}  // namespace server
