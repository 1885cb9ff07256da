// A program's resource folder as the build installs it: every declared skin bitmap rendered
// to "<id>.png", the dialog templates and string table copied, after all three files have been
// checked.
#pragma once

#include <string>
#include <vector>

#include "platform/resources/skin_declaration.h"

namespace skingen {

// The folder's files, checked; problems read "file:line: reason".
struct ResourceSet {
    resources::SkinDeclaration skin;
    std::vector<std::string> problems;
    bool has_dialogs = false;
    bool has_strings = false;
};
ResourceSet ReadResourceSet(const std::string& folder);

// Renders and installs into output (created if missing). False, with problems filled, when
// any file has a bad line or a picture cannot be written.
[[nodiscard]] bool InstallResourceSet(const std::string& folder, const std::string& output,
                                      std::vector<std::string>& problems);

// One picture of every declared bitmap, each labelled with its number, on a dark sheet.
[[nodiscard]] bool SaveContactSheet(const std::string& folder, const std::string& png_path,
                                    std::vector<std::string>& problems);

}  // namespace skingen
