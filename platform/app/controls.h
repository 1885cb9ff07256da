// The standard controls of the device's plain dialogs: push buttons and radio buttons
// ("BUTTON"), text ("STATIC"), list boxes ("LISTBOX") and drop-down lists ("COMBOBOX"), each a
// child window that draws itself in a plain look: white and grey faces, 1-pixel dark borders,
// black text in the platform's default font (WM_SETFONT picks another), grey text and no pen
// input while disabled. Messages, styles and notifications keep the device's names and
// numbers. A control tells its parent with WM_COMMAND(MAKEWPARAM(id, code), control).
//
// Text travels as UTF-8: LB_ADDSTRING's lParam is a const char*, LB_GETTEXT's a char* buffer
// of at least LB_GETTEXTLEN + 1 bytes. Such pointers mean something only inside the program:
// a string message sent from another program is refused (LB_ERR / CB_ERR), and one posted is
// dropped.
//
// Background: a static and a radio button ask their parent with WM_CTLCOLORSTATIC (wParam the
// control's HDC, lParam the control) when the parent is a window of their own thread; a brush
// handed back fills their background and the text colour set on the HDC draws their text.
// Otherwise, and when the parent leaves it (0), they stand on white.
//
// List boxes and combo boxes publish their items to the device server a few times a second at
// most after they change, so `devicectl items` and the tests can read them.
#pragma once

#include <string>

#include "platform/app/dialog.h"
#include "platform/win32_types.h"
#include "platform/window/window.h"

// Class names (matched ignoring case).
inline constexpr const char* kButtonClass = "BUTTON";
inline constexpr const char* kStaticClass = "STATIC";
inline constexpr const char* kListBoxClass = "LISTBOX";
inline constexpr const char* kComboBoxClass = "COMBOBOX";
inline constexpr const char* kComboListClass = "ComboLBox";  // a combo box's drop-down list

// Buttons. The caption is the window text.
constexpr DWORD BS_PUSHBUTTON = 0x0000;
constexpr DWORD BS_DEFPUSHBUTTON = 0x0001;
constexpr DWORD BS_CHECKBOX = 0x0002;
constexpr DWORD BS_AUTOCHECKBOX = 0x0003;
constexpr DWORD BS_RADIOBUTTON = 0x0004;
constexpr DWORD BS_AUTORADIOBUTTON = 0x0009;
constexpr DWORD BS_TYPEMASK = 0x000F;
constexpr DWORD BS_LEFT = 0x0100;
constexpr DWORD BS_RIGHT = 0x0200;
constexpr DWORD BS_CENTER = 0x0300;
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;  // wParam BST_CHECKED or BST_UNCHECKED
constexpr UINT BM_GETSTATE = 0x00F2;
constexpr UINT BM_SETSTATE = 0x00F3;  // wParam TRUE: drawn pushed
constexpr UINT BM_CLICK = 0x00F5;     // as a tap on it
constexpr WPARAM BST_UNCHECKED = 0x0000;
constexpr WPARAM BST_CHECKED = 0x0001;
constexpr WPARAM BST_PUSHED = 0x0004;
// BN_CLICKED (0) is in dialog.h.

// Statics.
constexpr DWORD SS_LEFT = 0x0000;
constexpr DWORD SS_CENTER = 0x0001;
constexpr DWORD SS_RIGHT = 0x0002;
constexpr DWORD SS_LEFTNOWORDWRAP = 0x000C;
constexpr DWORD SS_TYPEMASK = 0x001F;
constexpr DWORD SS_NOPREFIX = 0x0080;
constexpr DWORD SS_CENTERIMAGE = 0x0200;  // one line, centred vertically

// List boxes.
constexpr DWORD LBS_NOTIFY = 0x0001;  // a tap on an item selects it and sends LBN_SELCHANGE
constexpr DWORD LBS_SORT = 0x0002;
constexpr DWORD LBS_NOINTEGRALHEIGHT = 0x0100;
constexpr UINT LB_ADDSTRING = 0x0180;
constexpr UINT LB_INSERTSTRING = 0x0181;  // wParam index, -1 for the end
constexpr UINT LB_DELETESTRING = 0x0182;  // returns the items left
constexpr UINT LB_RESETCONTENT = 0x0184;
constexpr UINT LB_SETCURSEL = 0x0186;  // -1 clears (and returns LB_ERR, as on the device)
constexpr UINT LB_GETCURSEL = 0x0188;
constexpr UINT LB_GETTEXT = 0x0189;
constexpr UINT LB_GETTEXTLEN = 0x018A;
constexpr UINT LB_GETCOUNT = 0x018B;
constexpr UINT LB_SELECTSTRING = 0x018C;
constexpr UINT LB_GETTOPINDEX = 0x018E;
constexpr UINT LB_FINDSTRING = 0x018F;
constexpr UINT LB_SETTOPINDEX = 0x0197;  // the list shows from there, or its last page
constexpr UINT LB_GETITEMHEIGHT = 0x01A1;
constexpr UINT LB_FINDSTRINGEXACT = 0x01A2;
constexpr LRESULT LB_OKAY = 0;
constexpr LRESULT LB_ERR = -1;
constexpr LRESULT LB_ERRSPACE = -2;
constexpr WORD LBN_SELCHANGE = 1;

// Combo boxes: only the drop-down list kind, whose text is its selected item.
constexpr DWORD CBS_DROPDOWNLIST = 0x0003;
constexpr DWORD CBS_SORT = 0x0100;
constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_DELETESTRING = 0x0144;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_GETLBTEXT = 0x0148;
constexpr UINT CB_GETLBTEXTLEN = 0x0149;
constexpr UINT CB_INSERTSTRING = 0x014A;
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr UINT CB_FINDSTRING = 0x014C;
constexpr UINT CB_SELECTSTRING = 0x014D;
constexpr UINT CB_SETCURSEL = 0x014E;  // -1 clears (and returns CB_ERR); no notification
constexpr UINT CB_SHOWDROPDOWN = 0x014F;
constexpr UINT CB_GETDROPPEDSTATE = 0x0157;
constexpr UINT CB_FINDSTRINGEXACT = 0x0158;  // wParam: search after this index (-1: all); ignores case
constexpr LRESULT CB_OKAY = 0;
constexpr LRESULT CB_ERR = -1;
constexpr LRESULT CB_ERRSPACE = -2;
constexpr WORD CBN_SELCHANGE = 1;
constexpr WORD CBN_DROPDOWN = 7;
constexpr WORD CBN_CLOSEUP = 8;

// Radio buttons and check boxes of a dialog, by control id. CheckRadioButton checks `check`
// and unchecks the other buttons with ids first..last.
BOOL CheckRadioButton(HWND dialog, int first, int last, int check);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);

namespace platform {
// Registers the standard control classes in this program (every program gets them from
// RunApplication); a second call changes nothing.
void RegisterStandardControls();
}  // namespace platform
