// The standard control classes, registered in every program, and the dialog calls on buttons.
#include "platform/app/control_parts.h"
#include "platform/window/local_windows.h"

namespace platform {

void RegisterStandardControls() {
    static const bool registered = [] {
        const struct {
            const char* name;
            WNDPROC procedure;
        } classes[] = {
            {kButtonClass, &controls::ButtonProcedure},
            {kStaticClass, &controls::StaticProcedure},
            {kListBoxClass, &controls::ListBoxProcedure},
            {kComboBoxClass, &controls::ComboBoxProcedure},
            {kComboListClass, &controls::ComboListProcedure},
        };
        for (const auto& each : classes) {
            WNDCLASS window_class;
            window_class.lpfnWndProc = each.procedure;
            window_class.lpszClassName = each.name;
            RegisterClass(&window_class);  // a program's own class of that name stays its own
            LocalWindows::Instance().SetDrawsText(each.name);
        }
        return true;
    }();
    (void)registered;
}

}  // namespace platform

BOOL CheckRadioButton(HWND dialog, int first, int last, int check) {
    if (first > last) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    for (int id = first; id <= last; ++id) {
        if (HWND button = GetDlgItem(dialog, id))
            SendMessage(button, BM_SETCHECK, id == check ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    return TRUE;
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
    HWND button = GetDlgItem(dialog, id);
    if (!button) return FALSE;
    SendMessage(button, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    return button ? static_cast<UINT>(SendMessage(button, BM_GETCHECK, 0, 0)) : 0;
}
