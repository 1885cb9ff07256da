// A picture of a folder's first dialog template laid out with its rendered skin, the way the
// skin dialog shows it at rest: for reviewing a skin as a whole screen.
#pragma once

#include <string>
#include <vector>

namespace skingen {

[[nodiscard]] bool SaveDialogPreview(const std::string& folder, const std::string& png_path,
                                     std::vector<std::string>& problems);

}  // namespace skingen
