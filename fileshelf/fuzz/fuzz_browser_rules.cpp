// Fuzzes the file browser's rules: the input's first byte picks the entries' kinds and the name
// order, the rest is split at '\n' into three names (the third doubles as a type table). Each
// name goes through type lookup, display name and row making, and every triple of rows through
// the file-list order, which must stay a strict weak order whatever the names.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fileshelf/browse_modes.h"
#include "fileshelf/file_entries.h"
#include "fileshelf/name_text.h"

namespace {

namespace fs = fileshelf;

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

void CheckName(std::string_view name, std::string_view fuzzed_table) {
    for (const std::string_view table : {fs::kDefaultTypeTable, fs::TypeTableOf(2), fuzzed_table}) {
        const std::int32_t type = fs::LookUpType(name, table);
        Check(type == fs::kTypeNotShown || type == fs::kTypeOther || (type >= fs::kTypePicture && type <= fs::kTypeList));
        if (!fs::ExtensionOf(name)) Check(type == fs::kTypeNotShown);
    }
    const std::string_view shown = fs::FileDisplayName(name);
    const std::string_view last = fs::LastComponent(name);
    Check(last.substr(0, shown.size()) == shown);
    Check(fs::Utf16Length(name) <= name.size());

    for (const auto listing : {fs::Listing::TopLevel, fs::Listing::Folder, fs::Listing::FilesToAdd}) {
        for (const auto kind : {fs::EntryKind::File, fs::EntryKind::Folder}) {
            const auto item = fs::MakeFileListItem(name, kind, fuzzed_table, listing);
            if (!item) continue;
            Check(!name.empty() && name.front() != '.');
            Check(item->display_name == (kind == fs::EntryKind::Folder ? name : shown));
            Check(item->type_code != fs::kTypeNotShown);
        }
    }

    fs::PlayListPaths paths;
    Check(paths.TryAdd(name) && !paths.TryAdd(name));
    std::string other_case(name);
    for (char& c : other_case) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    Check(paths.Contains(other_case));

    const std::string folder = "\\STORAGE CARD";
    if (name.find_first_of("\\/") == std::string_view::npos) {
        if (const auto child = fs::ChildFolderPath(folder, name)) {
            const auto up = fs::ParentFolder(*child);
            Check(up && up->path == folder && up->folder_just_left == name);
        }
    }
}

void CheckOrder(const fs::ListItem (&items)[3], fs::NameOrder order) {
    const fs::FileListOrder less{order};
    const auto equivalent = [&](const fs::ListItem& a, const fs::ListItem& b) { return !less(a, b) && !less(b, a); };
    for (const auto& a : items) {
        Check(!less(a, a));
        for (const auto& b : items) {
            Check(!(less(a, b) && less(b, a)));
            // Distinct names never tie, so a list's order does not depend on the order it came in.
            if (equivalent(a, b)) Check(a.path == b.path && a.kind == b.kind);
            for (const auto& c : items) {
                if (less(a, b) && less(b, c)) Check(less(a, c));
                if (equivalent(a, b) && equivalent(b, c)) Check(equivalent(a, c));
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t flags = data[0];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    std::string_view names[3];
    std::string_view rest = text;
    for (int i = 0; i < 3; ++i) {
        const std::size_t end = i < 2 ? rest.find('\n') : std::string_view::npos;
        names[i] = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }

    fs::ListItem items[3];
    for (int i = 0; i < 3; ++i) {
        CheckName(names[i], names[2]);
        const bool folder = (flags >> i) & 1;
        items[i] = {std::string(names[i]), folder ? std::string(names[i]) : std::string(fs::FileDisplayName(names[i])),
                    folder ? fs::kTypeFolder : fs::kTypeAudio, folder ? fs::ItemKind::Folder : fs::ItemKind::File};
    }
    CheckOrder(items, (flags & 8) ? fs::NameOrder::Natural : fs::NameOrder::Plain);
    return 0;
}
