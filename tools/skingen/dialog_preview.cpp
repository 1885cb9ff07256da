#include "tools/skingen/dialog_preview.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/resources/dialog_template.h"
#include "tools/skingen/resource_set.h"
#include "tools/skingen/skin_painter.h"

namespace skingen {
namespace {

// The rendered bitmaps of a skin, released together.
class Pictures {
public:
    explicit Pictures(const resources::SkinDeclaration& skin) {
        for (const auto& bitmap : skin.bitmaps) m_items[bitmap.id] = {&bitmap, PaintSkinBitmap(bitmap)};
        m_dc = CreateCompatibleDC(nullptr);
    }
    ~Pictures() {
        DeleteDC(m_dc);
        for (auto& [id, item] : m_items)
            if (item.picture) DeleteObject(item.picture);
    }
    Pictures(const Pictures&) = delete;
    Pictures& operator=(const Pictures&) = delete;

    const resources::SkinBitmap* Find(std::optional<uint32_t> id) const {
        if (!id) return nullptr;
        const auto found = m_items.find(*id);
        return found == m_items.end() || !found->second.picture ? nullptr : found->second.bitmap;
    }
    // Copies part of a bitmap; keyed copies leave the key colour out.
    void Copy(HDC dest, uint32_t id, int x, int y, int width, int height, int source_x, int source_y, bool keyed) {
        HGDIOBJ old = SelectObject(m_dc, m_items.at(id).picture);
        if (keyed)
            TransparentBlt(dest, x, y, width, height, m_dc, source_x, source_y, width, height, kKeyColour);
        else
            BitBlt(dest, x, y, width, height, m_dc, source_x, source_y, SRCCOPY);
        SelectObject(m_dc, old);
    }

private:
    struct Item {
        const resources::SkinBitmap* bitmap = nullptr;
        HBITMAP picture = nullptr;
    };
    std::map<uint32_t, Item> m_items;
    HDC m_dc = nullptr;
};

void Caption(HDC dc, const resources::TemplateControl& control, int inset) {
    HFONT font = CreateFont(-16, 0, 0, 0, FW_BOLD, 0, 0, 0, HANGEUL_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0, "NanumGothic");
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(236, 240, 246));
    RECT rect{control.x + inset, control.y, control.x + control.width - inset, control.y + control.height};
    DrawText(dc, control.caption, -1, &rect, control.style | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SelectObject(dc, old);
    DeleteObject(font);
}

// A standard control of a plain dialog (list box, combo box, radio button), which has no skin:
// a white box with a dark border and its caption, enough to see where it lies.
void DrawPlainControl(HDC dc, const resources::TemplateControl& control) {
    const RECT box{control.x, control.y, control.x + control.width, control.y + control.height};
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    HBRUSH dark = CreateSolidBrush(RGB(64, 64, 64));
    FillRect(dc, &box, white);
    const RECT edges[] = {{box.left, box.top, box.right, box.top + 1},
                          {box.left, box.bottom - 1, box.right, box.bottom},
                          {box.left, box.top, box.left + 1, box.bottom},
                          {box.right - 1, box.top, box.right, box.bottom}};
    for (const RECT& edge : edges) FillRect(dc, &edge, dark);
    DeleteObject(white);
    DeleteObject(dark);
    if (control.caption.empty()) return;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    RECT text{box.left + 4, box.top, box.right - 4, box.bottom};
    DrawText(dc, control.caption, -1, &text, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

// Draws one control as it looks untouched: buttons in their normal frame, a slider and a seek
// bar part way along, digit text through its glyph strip.
void DrawControl(HDC dc, Pictures& pictures, const resources::SkinDeclaration& skin,
                 const resources::TemplateControl& control, size_t index) {
    const auto* image = pictures.Find(control.skin);
    using resources::ControlKind;
    using resources::SkinLook;
    if (control.kind == ControlKind::ListBox || control.kind == ControlKind::ComboBox ||
        control.kind == ControlKind::Radio) {
        DrawPlainControl(dc, control);
        return;
    }
    if (control.kind == ControlKind::Static && image && image->look == SkinLook::Digits) {
        int x = control.x;
        for (const char c : control.caption) {
            int glyph = -1;
            if (c >= '0' && c <= '9') glyph = c - '0';
            if (c == ':' || c == '.') glyph = 10;
            if (c == '-') glyph = 11;
            if (glyph >= 0 && glyph < image->frames)
                pictures.Copy(dc, image->id, x, control.y, image->frame_width, image->frame_height,
                              glyph * image->frame_width, 0, true);
            x += image->frame_width;
        }
        return;
    }
    if (image)
        pictures.Copy(dc, image->id, control.x, control.y, std::min(control.width, image->frame_width),
                      std::min(control.height, image->frame_height), 0, 0, UsesKeyColour(image->look));
    if (control.kind == ControlKind::Slider) {
        // The skin's first segment image, drawn for six steps.
        for (const auto& bitmap : skin.bitmaps) {
            if (bitmap.look != SkinLook::SliderSegment) continue;
            for (int step = 0; step < 6; ++step)
                pictures.Copy(dc, bitmap.id, control.x + 8 + step * bitmap.frame_width,
                              control.y + (control.height - bitmap.frame_height) / 2, bitmap.frame_width,
                              bitmap.frame_height, 0, 0, false);
            break;
        }
    }
    if (control.kind == ControlKind::SeekBar) {
        // Filled to a third, with the knob at the end of the fill.
        const int fill = control.width / 3 + static_cast<int>(index % 3);
        for (const auto& bitmap : skin.bitmaps) {
            if (bitmap.look == SkinLook::SeekFill)
                pictures.Copy(dc, bitmap.id, control.x, control.y, fill, bitmap.frame_height, 0, 0, false);
        }
        for (const auto& bitmap : skin.bitmaps) {
            if (bitmap.look == SkinLook::Knob)
                pictures.Copy(dc, bitmap.id, control.x + fill - bitmap.frame_width / 2, control.y, bitmap.frame_width,
                              bitmap.frame_height, 0, 0, true);
        }
    }
    const bool image_has_caption = image && !image->label.empty();
    if (!control.caption.empty() && !image_has_caption) Caption(dc, control, 8);
}

}  // namespace

bool SaveDialogPreview(const std::string& folder, const std::string& png_path,
                       const std::optional<std::string>& name, std::vector<std::string>& problems) {
    ResourceSet set = ReadResourceSet(folder);
    problems = set.problems;
    if (!problems.empty()) return false;
    std::ifstream in(std::filesystem::path(folder) / "dialog.txt", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    const auto templates = resources::ParseDialogTemplates(text.str());
    if (templates.dialogs.empty()) {
        problems.push_back(folder + "/dialog.txt: no dialog to show");
        return false;
    }
    const resources::DialogTemplate* found = name ? nullptr : &templates.dialogs.front();
    std::string names;
    for (const auto& dialog : templates.dialogs) {
        if (name && dialog.name == *name) found = &dialog;
        names += (names.empty() ? "" : ", ") + dialog.name;
    }
    if (!found) {
        problems.push_back(folder + "/dialog.txt: no dialog '" + *name + "' (it has " + names + ")");
        return false;
    }
    const auto& dialog = *found;
    HBITMAP screen = CreateCompatibleBitmap(nullptr, dialog.width, dialog.height);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, screen);
    {
        Pictures pictures(set.skin);
        if (const auto* background = pictures.Find(dialog.background))
            pictures.Copy(dc, background->id, 0, 0, background->frame_width, background->frame_height, 0, 0, false);
        for (size_t i = 0; i < dialog.controls.size(); ++i) DrawControl(dc, pictures, set.skin, dialog.controls[i], i);
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    const bool saved = platform::SaveBitmapPng(screen, png_path);
    DeleteObject(screen);
    if (!saved) problems.push_back(png_path + ": cannot write the preview");
    return saved;
}

}  // namespace skingen
