// Building the skin dialog's screen from a dialog template in the program's dialog.txt, so a
// screen's layout, captions and text alignment live with its skin and not in the code.
#include <algorithm>
#include <cstdint>
#include <optional>

#include "framework/skin_dialog.h"
#include "platform/app/template_dialog.h"
#include "platform/kernel/debug_output.h"
#include "platform/resources/dialog_template.h"

namespace {

DWORD KindWord(resources::ControlKind kind) {
    switch (kind) {
        case resources::ControlKind::Button: return SKIN_BUTTON;
        case resources::ControlKind::Static: return SKIN_STATIC;
        case resources::ControlKind::Slider: return SKIN_SLIDER;
        case resources::ControlKind::SeekBar: return SKIN_SEEKBAR;
        case resources::ControlKind::ListBox:
        case resources::ControlKind::ComboBox:
        case resources::ControlKind::Radio: return 0;  // a standard control: not in a skin
    }
    return 0;
}

const char* KindName(resources::ControlKind kind) {
    switch (kind) {
        case resources::ControlKind::ListBox: return "listbox";
        case resources::ControlKind::ComboBox: return "combobox";
        case resources::ControlKind::Radio: return "radio";
        default: return "control";
    }
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
    std::string problem;
    const auto loaded = LoadDialogTemplates(problem);
    if (!loaded) {
        DebugPrintf("%s: CSkinDialogEx::InitFromTemplate %s\r\n", m_name.c_str(), problem.c_str());
        return FALSE;
    }
    // A file with a bad line is refused whole: a template read in part would show a screen
    // with controls silently missing.
    const resources::DialogTemplates& templates = *loaded;
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
    // A screen the skin cannot hold whole is refused before anything changes: more controls
    // than its list takes, or a standard control, which only a plain dialog has.
    if (found->controls.size() > static_cast<std::size_t>(kMaxSkinControls)) {
        DebugPrintf("%s: CSkinDialogEx::InitFromTemplate dialog.txt:%d: dialog '%s' has %zu controls, more than %d\r\n",
                    m_name.c_str(), found->line, name.c_str(), found->controls.size(), kMaxSkinControls);
        return FALSE;
    }
    for (const auto& control : found->controls) {
        if (KindWord(control.kind) != 0) continue;
        DebugPrintf("%s: CSkinDialogEx::InitFromTemplate dialog.txt:%d: a skin dialog has no %s control\r\n",
                    m_name.c_str(), control.line, KindName(control.kind));
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
