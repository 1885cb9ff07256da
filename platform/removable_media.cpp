#include "platform/removable_media.h"

#include <string_view>
#include <system_error>

#include "platform/files/device_path.h"

namespace platform {
namespace fs = std::filesystem;
namespace {

// The medium's folder in the file system as it is spelled there; empty when there is none.
fs::path FindInserted(const fs::path& fs_dir, std::string_view name)
{
    std::error_code ec;
    for (fs::directory_iterator entry(fs_dir, ec), end; !ec && entry != end; entry.increment(ec)) {
        std::error_code type_error;
        if (files::NamesEqual(entry->path().filename().string(), name) && entry->is_directory(type_error))
            return entry->path();
    }
    return {};
}

}  // namespace

const char* MediumFolderName(RemovableMedium medium)
{
    return medium == RemovableMedium::UsbDrive ? "USB DRIVE" : "STORAGE CARD";
}

MediumChange SetMediumInserted(const fs::path& root, RemovableMedium medium, bool inserted, std::string& error)
{
    const std::string name = MediumFolderName(medium);
    const fs::path fs_dir = root / "fs";
    const fs::path kept = root / "state" / "removed" / name;
    const fs::path slot = FindInserted(fs_dir, name);
    // Only the error_code forms: the server moves media too, and must not end on an exception.
    std::error_code ec;
    if (inserted) {
        if (!slot.empty()) return MediumChange::Unchanged;
        if (fs::is_directory(kept, ec)) fs::rename(kept, fs_dir / name, ec);
        else fs::create_directories(fs_dir / name, ec);
    } else {
        if (slot.empty()) {
            error = "no " + name + " is inserted";
            return MediumChange::NotInserted;
        }
        fs::remove_all(kept, ec);
        if (!ec) fs::create_directories(kept.parent_path(), ec);
        if (!ec) fs::rename(slot, kept, ec);
    }
    if (ec) {
        error = std::string("cannot ") + (inserted ? "insert" : "remove") + " the " + name + ": " + ec.message();
        return MediumChange::Failed;
    }
    return MediumChange::Changed;
}

}  // namespace platform
