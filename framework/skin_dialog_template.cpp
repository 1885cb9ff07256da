// Building the skin dialog's screen from a dialog template in the program's dialog.txt, so a
// screen's layout, captions and text alignment live with its skin and not in the code.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>

#include "framework/skin_dialog.h"
#include "platform/device_root.h"
#include "platform/kernel/debug_output.h"
#include "platform/resources/dialog_template.h"

namespace {

// Far above any real template (30 controls of a few hundred bytes each per dialog).
constexpr std::uintmax_t kMaxTemplateFileBytes = 1024 * 1024;

std::optional<std::string> ReadTemplateFile(const std::filesystem::path& path, std::string& problem) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error) {
        problem = "cannot read";
        return std::nullopt;
    }
    if (size > kMaxTemplateFileBytes) {
        problem = "larger than " + std::to_string(kMaxTemplateFileBytes) + " bytes";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (!in.read(text.data(), static_cast<std::streamsize>(text.size()))) {
        problem = "cannot read";
        return std::nullopt;
    }
    return text;
}

DWORD KindWord(resources::ControlKind kind) {
    switch (kind) {
        case resources::ControlKind::Button: return SKIN_BUTTON;
        case resources::ControlKind::Static: return SKIN_STATIC;
        case resources::ControlKind::Slider: return SKIN_SLIDER;
        case resources::ControlKind::SeekBar: return SKIN_SEEKBAR;
    }
    return SKIN_STATIC;
}

// How many frames of the control's size its image strip holds side by side.
int FrameCount(HBITMAP image, int control_width) {
    BITMAP info;
    if (!image || control_width <= 0 || !GetObject(image, sizeof(info), &info)) return 1;
    return std::max(1, static_cast<int>(info.bmWidth / control_width));
}

}  // namespace

BOOL CSkinDialogEx::InitFromTemplate(const std::string& name) {
    return BuildFromTemplate(name, TemplatePlacement::PlaceWindow);
}

BOOL CSkinDialogEx::ChangeScreen(const std::string& name) {
    return BuildFromTemplate(name, m_memory_dc ? TemplatePlacement::KeepWindow : TemplatePlacement::PlaceWindow);
}

BOOL CSkinDialogEx::BuildFromTemplate(const std::string& name, TemplatePlacement placement) {
    ClearControls();
    const std::filesystem::path path = std::filesystem::path(platform::ResourceDir()) / "dialog.txt";
    std::string problem;
    const auto text = ReadTemplateFile(path, problem);
    if (!text) {
        DebugPrintf("%s: CSkinDialogEx::InitFromTemplate %s: %s\r\n", m_name.c_str(), path.c_str(), problem.c_str());
        return FALSE;
    }
    // A file with a bad line is refused whole: a template read in part would show a screen
    // with controls silently missing.
    const resources::DialogTemplates templates = resources::ParseDialogTemplates(*text);
    for (const auto& error : templates.errors)
        DebugPrintf("%s: CSkinDialogEx::InitFromTemplate dialog.txt:%d: %s\r\n", m_name.c_str(), error.line,
                    error.reason.c_str());
    if (!templates.errors.empty()) return FALSE;
    const resources::DialogTemplate* found = nullptr;
    for (const auto& dialog : templates.dialogs)
        if (dialog.name == name) found = &dialog;
    if (!found) {
        DebugPrintf("%s: CSkinDialogEx::InitFromTemplate no dialog '%s' in dialog.txt\r\n", m_name.c_str(),
                    name.c_str());
        return FALSE;
    }

    if (m_template_background) DeleteObject(m_template_background);
    m_template_background = found->background ? LoadBitmap(*found->background) : nullptr;
    if (found->background && !m_template_background)
        DebugPrintf("%s: CSkinDialogEx::InitFromTemplate background %u missing\r\n", m_name.c_str(),
                    *found->background);
    if (placement == TemplatePlacement::PlaceWindow) {
        if (!InitSkin(m_template_background)) return FALSE;
    } else {
        // Another screen of the same dialog: the window and its picture stay as they are.
        m_background = m_template_background;
        m_background_origin = {0, 0};
    }
    DrawBackground(m_template_background, 0, 0);

    for (const auto& control : found->controls) {
        const int id = static_cast<int>(control.id);
        const int image = control.skin ? static_cast<int>(*control.skin) : -1;
        if (!AddControl(id, image, control.x, control.y, control.width, control.height, 1, KindWord(control.kind)))
            break;
        SkinControl& added = m_controls[static_cast<std::size_t>(m_count - 1)];
        added.states = FrameCount(added.image, control.width);
        if (image >= 0 && !added.image)
            DebugPrintf("%s: CSkinDialogEx::InitFromTemplate control %d: bitmap %d missing\r\n", m_name.c_str(), id,
                        image);
        SetTextAlign(id, control.style & (DT_CENTER | DT_RIGHT), (control.style & DT_VCENTER) != 0);
        if (!control.caption.empty()) SetControlText(id, control.caption);
    }
    return TRUE;
}
