// What the system information screen reads from the device: a program file's version and the
// storage card's sizes.
#pragma once

#include <string>

#include "homedeck/system_info_text.h"

namespace homedeck {

// The version the screen shows for a program file, from its version record's FileVersion in
// its first translation: "1.000" when the file has none (see VersionText).
std::string GetFileVersionText(const std::string& path);

// The storage card's total, used and free kilobytes; zeros when there is no card.
StorageSizes ReadStorageSizes();

}  // namespace homedeck
