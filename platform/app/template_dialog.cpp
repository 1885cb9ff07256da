#include "platform/app/template_dialog.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/app/controls.h"
#include "platform/gfx/gfx.h"

namespace {

// Far above any real template (64 controls of a few hundred bytes each per dialog).
constexpr std::uintmax_t kMaxTemplateFileBytes = 1024 * 1024;

std::optional<std::string> ReadTemplateFile(const std::filesystem::path& path, std::string& problem) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error) {
        problem = path.string() + ": cannot read";
        return std::nullopt;
    }
    if (size > kMaxTemplateFileBytes) {
        problem = path.string() + ": larger than " + std::to_string(kMaxTemplateFileBytes) + " bytes";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (!in.read(text.data(), static_cast<std::streamsize>(text.size()))) {
        problem = path.string() + ": cannot read";
        return std::nullopt;
    }
    return text;
}

struct ControlClass {
    const char* name = nullptr;
    DWORD style = 0;
};

// The standard control that stands for a template control; no name for the skin dialog's own.
ControlClass ClassFor(const resources::TemplateControl& control) {
    using resources::ControlKind;
    const DWORD horizontal = control.style & (resources::kStyleCenter | resources::kStyleRight);
    const DWORD button_align = horizontal == resources::kStyleRight    ? BS_RIGHT
                               : horizontal == resources::kStyleCenter ? BS_CENTER
                                                                       : 0;
    switch (control.kind) {
        case ControlKind::Button: return {kButtonClass, BS_PUSHBUTTON | WS_TABSTOP | button_align};
        case ControlKind::Radio: return {kButtonClass, BS_AUTORADIOBUTTON | button_align};
        case ControlKind::Static: {
            DWORD style = horizontal == resources::kStyleRight    ? SS_RIGHT
                          : horizontal == resources::kStyleCenter ? SS_CENTER
                                                                  : SS_LEFT;
            if (control.style & resources::kStyleVCenter) style |= SS_CENTERIMAGE;
            if (control.style & resources::kStyleNoPrefix) style |= SS_NOPREFIX;
            return {kStaticClass, style};
        }
        case ControlKind::ListBox: return {kListBoxClass, LBS_NOTIFY | WS_VSCROLL | WS_BORDER};
        case ControlKind::ComboBox: return {kComboBoxClass, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP};
        case ControlKind::Slider:
        case ControlKind::SeekBar: return {};
    }
    return {};
}

}  // namespace

std::optional<resources::DialogTemplates> LoadDialogTemplates(std::string& problem) {
    const std::filesystem::path path = std::filesystem::path(platform::ResourceDir()) / "dialog.txt";
    const auto text = ReadTemplateFile(path, problem);
    if (!text) return std::nullopt;
    return resources::ParseDialogTemplates(*text);
}

std::optional<resources::DialogTemplate> LoadDialogTemplate(const std::string& name, std::string& problem) {
    auto templates = LoadDialogTemplates(problem);
    if (!templates) return std::nullopt;
    if (!templates->errors.empty()) {
        const auto& first = templates->errors.front();
        problem = "dialog.txt:" + std::to_string(first.line) + ": " + first.reason;
        if (templates->errors.size() > 1)
            problem += " (and " + std::to_string(templates->errors.size() - 1) + " more bad lines)";
        return std::nullopt;
    }
    for (auto& dialog : templates->dialogs)
        if (dialog.name == name) return std::move(dialog);
    problem = "no dialog '" + name + "' in dialog.txt";
    return std::nullopt;
}

BOOL CreateTemplateControls(HWND dialog, const resources::DialogTemplate& dialog_template) {
    if (!IsWindow(dialog)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    for (const auto& control : dialog_template.controls) {
        if (!ClassFor(control).name) {
            SetLastError(ERROR_NOT_SUPPORTED);
            return FALSE;
        }
    }
    platform::RegisterStandardControls();
    std::vector<HWND> made;
    for (const auto& control : dialog_template.controls) {
        const ControlClass control_class = ClassFor(control);
        const bool list = control.kind == resources::ControlKind::ListBox ||
                          control.kind == resources::ControlKind::ComboBox;
        HWND hwnd = CreateWindowEx(0, control_class.name, list ? std::string() : control.caption,
                                   WS_CHILD | WS_VISIBLE | control_class.style, control.x, control.y, control.width,
                                   control.height, dialog, reinterpret_cast<void*>(static_cast<std::uintptr_t>(control.id)),
                                   nullptr, nullptr);
        if (!hwnd) {
            const DWORD error = GetLastError();
            for (auto it = made.rbegin(); it != made.rend(); ++it) DestroyWindow(*it);
            SetLastError(error);
            return FALSE;
        }
        made.push_back(hwnd);
    }
    if (!dialog_template.title.empty()) SetWindowText(dialog, dialog_template.title);
    return TRUE;
}
