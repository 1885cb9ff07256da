// Plain dialogs built from the program's dialog templates: dialog.txt in its resource
// directory (platform/resources/dialog_template.h), read by every dialog that takes its layout
// from there, plain or skinned.
#pragma once

#include <optional>
#include <string>

#include "platform/resources/dialog_template.h"
#include "platform/win32_types.h"
#include "platform/window/window.h"

// Every template of the program's dialog.txt. Nothing, with the problem in words ("<path>:
// cannot read"), when the file cannot be read; a file that reads comes back parsed, its bad
// lines (if any) in errors.
std::optional<resources::DialogTemplates> LoadDialogTemplates(std::string& problem);

// The template `name` from the program's dialog.txt. A file with any bad line is refused whole
// (a dialog read in part would show with controls silently missing): nothing, with the problem
// ("dialog.txt:7: unknown control kind 'knob'", "no dialog 'x' in dialog.txt").
std::optional<resources::DialogTemplate> LoadDialogTemplate(const std::string& name, std::string& problem);

// Creates every control of the template as a visible child of the dialog, in the template's
// order, with its control id, position, size and caption:
//   button   BUTTON with BS_PUSHBUTTON        radio     BUTTON with BS_AUTORADIOBUTTON
//   static   STATIC with the template's alignment (vcenter: SS_CENTERIMAGE, noprefix: SS_NOPREFIX)
//   listbox  LISTBOX with LBS_NOTIFY          combobox  COMBOBOX with CBS_DROPDOWNLIST
// Buttons and radio buttons take "right" and "center" from the template. A template title
// becomes the dialog's window text. FALSE (ERROR_NOT_SUPPORTED) for a template with a slider
// or seek bar, which only a skin dialog has; FALSE when a control cannot be made. Nothing is
// left made on failure. Registers the standard controls when the program has not.
BOOL CreateTemplateControls(HWND dialog, const resources::DialogTemplate& dialog_template);
