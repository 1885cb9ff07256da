#include "tools/skingen/resource_set.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "tools/skingen/canvas.h"
#include "platform/resources/dialog_template.h"
#include "tools/skingen/skin_painter.h"
#include "platform/resources/string_table_file.h"

namespace skingen {
namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t kMaxFileBytes = 1 << 20;  // resource files are small text

// The file's bytes, nothing when it is absent, or a problem when it cannot be read.
std::optional<std::string> ReadFile(const fs::path& path, std::vector<std::string>& problems) {
    std::error_code error;
    if (!fs::exists(path, error)) return std::nullopt;
    if (fs::file_size(path, error) > kMaxFileBytes || error) {
        problems.push_back(path.string() + ": unreadable or larger than 1 MiB");
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string Size(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

void Report(const fs::path& path, const std::vector<resources::ParseError>& errors, std::vector<std::string>& out) {
    for (const auto& error : errors) out.push_back(path.string() + ":" + std::to_string(error.line) + ": " + error.reason);
}

}  // namespace

ResourceSet ReadResourceSet(const std::string& folder) {
    ResourceSet set;
    const fs::path base(folder);
    if (auto text = ReadFile(base / "skin.txt", set.problems)) {
        set.skin = resources::ParseSkinDeclaration(*text);
        Report(base / "skin.txt", set.skin.errors, set.problems);
    }
    if (auto text = ReadFile(base / "dialog.txt", set.problems)) {
        set.has_dialogs = true;
        const auto templates = resources::ParseDialogTemplates(*text);
        Report(base / "dialog.txt", templates.errors, set.problems);
        // A template naming a bitmap the skin does not declare would load nothing on the device,
        // and one whose frame is not the control's size would show the wrong part of its strip:
        // the skin dialog takes a control's frames as wide and high as the control. A digit
        // strip is the exception, its glyphs being as wide as the text size.
        std::map<uint32_t, const resources::SkinBitmap*> declared;
        for (const auto& bitmap : set.skin.bitmaps) declared[bitmap.id] = &bitmap;
        auto check = [&](std::optional<uint32_t> id, int line, const std::string& what, int width, int height) {
            if (!id) return;
            const std::string where = (base / "dialog.txt").string() + ":" + std::to_string(line) + ": ";
            const auto found = declared.find(*id);
            if (found == declared.end()) {
                set.problems.push_back(where + "bitmap " + std::to_string(*id) + " is not declared in skin.txt");
                return;
            }
            const resources::SkinBitmap& bitmap = *found->second;
            if (bitmap.look == resources::SkinLook::Digits) return;
            if (bitmap.frame_width != width || bitmap.frame_height != height)
                set.problems.push_back(where + what + " is " + Size(width, height) + " but a frame of bitmap " +
                                       std::to_string(*id) + " is " + Size(bitmap.frame_width, bitmap.frame_height));
        };
        for (const auto& dialog : templates.dialogs) {
            check(dialog.background, dialog.line, "dialog '" + dialog.name + "'", dialog.width, dialog.height);
            for (const auto& control : dialog.controls)
                check(control.skin, control.line, "control " + std::to_string(control.id), control.width,
                      control.height);
        }
    }
    if (auto text = ReadFile(base / "strings.txt", set.problems)) {
        set.has_strings = true;
        Report(base / "strings.txt", resources::ParseStringTable(*text).errors, set.problems);
    }
    return set;
}

bool InstallResourceSet(const std::string& folder, const std::string& output, std::vector<std::string>& problems) {
    ResourceSet set = ReadResourceSet(folder);
    problems = set.problems;
    if (!problems.empty()) return false;
    std::error_code error;
    fs::create_directories(output, error);
    if (error) {
        problems.push_back(output + ": " + error.message());
        return false;
    }
    for (const auto& bitmap : set.skin.bitmaps) {
        HBITMAP picture = PaintSkinBitmap(bitmap);
        const std::string path = (fs::path(output) / (std::to_string(bitmap.id) + ".png")).string();
        if (!picture || !platform::SaveBitmapPng(picture, path)) problems.push_back(path + ": cannot write the picture");
        if (picture) DeleteObject(picture);
    }
    // The text files are read on the device as they stand.
    auto install_text = [&](bool present, const char* name) {
        if (!present) return;
        fs::copy_file(fs::path(folder) / name, fs::path(output) / name, fs::copy_options::overwrite_existing, error);
        if (error) problems.push_back(output + "/" + name + ": " + error.message());
    };
    install_text(set.has_dialogs, "dialog.txt");
    install_text(set.has_strings, "strings.txt");
    return problems.empty();
}

bool SaveContactSheet(const std::string& folder, const std::string& png_path, std::vector<std::string>& problems) {
    ResourceSet set = ReadResourceSet(folder);
    problems = set.problems;
    if (!problems.empty()) return false;
    // Bitmaps flow left to right in rows, each with a caption line above it.
    constexpr int kSheetWidth = 1000, kMargin = 16, kCaption = 18;
    struct Placed {
        HBITMAP picture;
        int x, y;
        const resources::SkinBitmap* bitmap;
    };
    std::vector<Placed> placed;
    int x = kMargin, y = kMargin, row_height = 0;
    for (const auto& bitmap : set.skin.bitmaps) {
        HBITMAP picture = PaintSkinBitmap(bitmap);
        if (!picture) continue;
        const int width = std::min(bitmap.Width(), kSheetWidth - 2 * kMargin);
        if (x + width > kSheetWidth - kMargin && x > kMargin) {
            x = kMargin;
            y += row_height + kMargin;
            row_height = 0;
        }
        placed.push_back({picture, x, y + kCaption, &bitmap});
        x += std::max(width, 90) + kMargin;
        row_height = std::max(row_height, kCaption + bitmap.Height());
    }
    const int height = y + row_height + kMargin;
    HBITMAP sheet = CreateCompatibleBitmap(nullptr, kSheetWidth, height);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old_bitmap = SelectObject(dc, sheet);
    Canvas(dc).Fill(0, 0, kSheetWidth, height, Colour{44, 48, 56});
    HDC source = CreateCompatibleDC(nullptr);
    HFONT font = CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0, "NanumGothic");
    HGDIOBJ old_font = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(190, 198, 210));
    for (const auto& item : placed) {
        HGDIOBJ old = SelectObject(source, item.picture);
        BitBlt(dc, item.x, item.y, item.bitmap->Width(), item.bitmap->Height(), source, 0, 0, SRCCOPY);
        SelectObject(source, old);
        const std::string caption = std::to_string(item.bitmap->id) + "  " + std::string(LookName(item.bitmap->look)) +
                                    "  " + std::to_string(item.bitmap->frames) + "×" + std::to_string(item.bitmap->rows);
        TextOut(dc, item.x, item.y - kCaption + 2, caption);
        DeleteObject(item.picture);
    }
    SelectObject(dc, old_font);
    DeleteObject(font);
    DeleteDC(source);
    SelectObject(dc, old_bitmap);
    DeleteDC(dc);
    const bool saved = platform::SaveBitmapPng(sheet, png_path);
    DeleteObject(sheet);
    if (!saved) problems.push_back(png_path + ": cannot write the sheet");
    return saved;
}

}  // namespace skingen
