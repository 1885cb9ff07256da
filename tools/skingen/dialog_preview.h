// A picture of one of a folder's dialog templates laid out with its rendered skin, the way the
// skin dialog shows it at rest: for reviewing a skin as a whole screen.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace skingen {

// Lays out the template called `name`, or the folder's first template when no name is given.
// False, with problems filled, when the folder has a bad line, has no such template (the
// problem names the templates it has) or the picture cannot be written.
[[nodiscard]] bool SaveDialogPreview(const std::string& folder, const std::string& png_path,
                                     const std::optional<std::string>& name, std::vector<std::string>& problems);

}  // namespace skingen
