// Windows and messages as the device's programs see them. Windows are the device server's
// and are found by every program; a window's messages are handled on the thread that
// created it, in that thread's message loop.
#pragma once

#include <cstdint>
#include <string>

#include "platform/kernel/last_error.h"
#include "platform/win32_types.h"

struct HWND__;
using HWND = HWND__*;
struct HICON__;
using HICON = HICON__*;
using ATOM = WORD;
using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);
using WNDENUMPROC = BOOL (*)(HWND, LPARAM);

struct RECT {
    LONG left = 0, top = 0, right = 0, bottom = 0;
};
struct POINT {
    LONG x = 0, y = 0;
};
struct MSG {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    DWORD time = 0;
    POINT pt;
};
struct COPYDATASTRUCT {
    std::uintptr_t dwData = 0;
    DWORD cbData = 0;
    void* lpData = nullptr;
};
struct CREATESTRUCT {
    void* lpCreateParams = nullptr;
    HWND hwndParent = nullptr;
    LONG cy = 0, cx = 0, y = 0, x = 0;
    LONG style = 0;
    std::string lpszName;
    std::string lpszClass;
    DWORD dwExStyle = 0;
};
struct WNDCLASS {
    UINT style = 0;
    WNDPROC lpfnWndProc = nullptr;
    int cbClsExtra = 0;
    int cbWndExtra = 0;
    void* hInstance = nullptr;
    std::string lpszClassName;
};

inline HWND const HWND_BROADCAST = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0xFFFF));
inline HWND const HWND_TOP = nullptr;
inline HWND const HWND_BOTTOM = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(1));
inline HWND const HWND_TOPMOST = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));
inline HWND const HWND_NOTOPMOST = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-2));

// Window messages, with the device's numbers.
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_SETFONT = 0x0030;  // wparam: the HFONT, lparam: repaint now when TRUE
constexpr UINT WM_GETFONT = 0x0031;
constexpr UINT WM_COPYDATA = 0x004A;
constexpr UINT WM_GETICON = 0x007F;
constexpr UINT WM_SETICON = 0x0080;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_CTLCOLORSTATIC = 0x0138;  // wparam: the control's HDC, lparam: the control
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_CAPTURECHANGED = 0x0215;
constexpr UINT WM_DEVICECHANGE = 0x0219;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

// A message's two 16-bit halves, as WM_COMMAND and the pen messages carry them.
constexpr WPARAM MAKEWPARAM(WORD low, WORD high) { return static_cast<WPARAM>(MAKELONG(low, high)); }
constexpr LPARAM MAKELPARAM(WORD low, WORD high) { return static_cast<LPARAM>(MAKELONG(low, high)); }

// Errors of the window calls.
constexpr DWORD ERROR_MESSAGE_SYNC_ONLY = 1159;   // a message that carries a pointer cannot be posted
constexpr DWORD ERROR_CONTROL_ID_NOT_FOUND = 1421;

constexpr WPARAM WA_INACTIVE = 0;
constexpr WPARAM WA_ACTIVE = 1;

// WM_DEVICECHANGE: a storage card or USB drive was inserted, or removed (lParam 0).
constexpr WPARAM DBT_DEVICEARRIVAL = 0x8000;
constexpr WPARAM DBT_DEVICEREMOVECOMPLETE = 0x8004;

// WM_SETICON and WM_GETICON: which of a window's two icons.
constexpr WPARAM ICON_SMALL = 0;
constexpr WPARAM ICON_BIG = 1;

// Virtual keys of WM_KEYDOWN and WM_KEYUP.
constexpr WPARAM VK_RETURN = 0x0D;
constexpr WPARAM VK_ESCAPE = 0x1B;

// Window styles.
constexpr DWORD WS_OVERLAPPED = 0x00000000u;
constexpr DWORD WS_POPUP = 0x80000000u;
constexpr DWORD WS_CHILD = 0x40000000u;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000u;
constexpr DWORD WS_VISIBLE = 0x10000000u;
constexpr DWORD WS_DISABLED = 0x08000000u;
constexpr DWORD WS_BORDER = 0x00800000u;
constexpr DWORD WS_VSCROLL = 0x00200000u;
constexpr DWORD WS_GROUP = 0x00020000u;    // a control that starts a group (of radio buttons)
constexpr DWORD WS_TABSTOP = 0x00010000u;
constexpr DWORD WS_EX_TOPMOST = 0x00000008u;
constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080u;
// A press on the window (or inside it) neither activates it nor brings it forward.
constexpr DWORD WS_EX_NOACTIVATE = 0x08000000u;
constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);

// ShowWindow commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;

// SetWindowPos flags.
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;
constexpr int GWL_USERDATA = -21;

// GetWindow relations.
constexpr UINT GW_HWNDFIRST = 0;
constexpr UINT GW_HWNDLAST = 1;
constexpr UINT GW_HWNDNEXT = 2;
constexpr UINT GW_HWNDPREV = 3;
constexpr UINT GW_OWNER = 4;
constexpr UINT GW_CHILD = 5;

// SendMessageTimeout flags.
constexpr UINT SMTO_NORMAL = 0x0000;
constexpr UINT SMTO_ABORTIFHUNG = 0x0002;

// The platform's taskbar (RegisterTaskBar): the server posts WM_TASKBAR_NOTIFY to the registered
// window, with the window concerned in lParam, about every top-level window that has no owner
// and is neither a child nor a tool window. wParam says what happened.
constexpr UINT WM_TASKBAR_NOTIFY = WM_USER;
constexpr WPARAM TASKBAR_WINDOW_CREATED = 6;    // it first became visible; its title is set
constexpr WPARAM TASKBAR_WINDOW_DESTROYED = 7;  // an announced window is gone
constexpr WPARAM TASKBAR_WINDOW_ACTIVATED = 8;  // an announced window became the foreground window

// Classes and windows. A child window (WS_CHILD) takes its control id from menu:
// reinterpret_cast<void*>(id); the server keeps it, so every program sees it.
ATOM RegisterClass(const WNDCLASS* window_class);
HWND CreateWindowEx(DWORD ex_style, const std::string& class_name, const std::string& title, DWORD style, int x, int y,
                    int width, int height, HWND parent, void* menu, void* instance, void* param);
// Destroys one of the program's windows: first, whole, the windows it owns that its own thread
// made, then the window and its children, each told WM_DESTROY before its own children. Windows
// of other threads it owns are left to their threads, without an owner.
BOOL DestroyWindow(HWND hwnd);
LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
// GWL_USERDATA of the program's own windows; GetWindowLong also reads GWL_STYLE and
// GWL_EXSTYLE of any window.
LONG_PTR SetWindowLong(HWND hwnd, int index, LONG_PTR value);
LONG_PTR GetWindowLong(HWND hwnd, int index);
// Registers one of the program's windows as the platform's taskbar (see WM_TASKBAR_NOTIFY). A
// second registration replaces the first; the registration ends with the window.
BOOL RegisterTaskBar(HWND hwnd);

// Finding windows: by class, by title, or both (empty means "any").
HWND FindWindow(const std::string& class_name, const std::string& title);
int GetWindowText(HWND hwnd, std::string& text);
std::string GetWindowText(HWND hwnd);
// Sets the text the server keeps for the window; a standard control (button, static, ...)
// repaints with it.
BOOL SetWindowText(HWND hwnd, const std::string& text);
BOOL IsWindow(HWND hwnd);
BOOL IsWindowVisible(HWND hwnd);
BOOL IsWindowEnabled(HWND hwnd);
BOOL GetWindowRect(HWND hwnd, RECT* rect);
DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* process_id);
// Calls the callback for every top-level window, front to back, until it returns FALSE (then
// FALSE). The windows are those that exist when the call starts.
BOOL EnumWindows(WNDENUMPROC callback, LPARAM lparam);
// The window in a relation to this one: GW_OWNER its owner (a top-level window created with a
// parent handle and without WS_CHILD; a window created with WS_POPUP and a parent handle is such
// an owned popup, placed on the screen and in the top-level z-order, always in front of its
// owner, and destroyed with it when both belong to one thread), GW_CHILD its front child, GW_HWNDNEXT/GW_HWNDPREV the
// sibling behind/in front of it, GW_HWNDFIRST/GW_HWNDLAST its front/back sibling; null for none.
HWND GetWindow(HWND hwnd, UINT relation);
// A child window's parent; the owner of a WS_POPUP window (null when it has none); null for any
// other top-level window.
HWND GetParent(HWND hwnd);

// Placement and state.
BOOL SetWindowPos(HWND hwnd, HWND insert_after, int x, int y, int width, int height, UINT flags);
BOOL ShowWindow(HWND hwnd, int command);
// Places and sizes the window (as SetWindowPos without changing z-order or activation); with
// repaint TRUE the window is painted anew at its new size.
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL SetForegroundWindow(HWND hwnd);
// Puts the window at the front of its z-order band (a topmost window stays topmost, another
// stays below the topmost ones) and activates it when it is a visible top-level window.
BOOL BringWindowToTop(HWND hwnd);
HWND GetForegroundWindow();
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();

// Messages.
UINT RegisterWindowMessage(const std::string& name);
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
// A send that waits at most timeout_ms: nonzero with the handler's result in *result, or 0 with
// ERROR_TIMEOUT when the window's thread did not answer in time (its late answer is dropped) or,
// with SMTO_ABORTIFHUNG, does not respond at all; 0 with ERROR_INVALID_WINDOW_HANDLE for a
// window that is gone. Messages sent to this thread's windows meanwhile are handled.
LRESULT SendMessageTimeout(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT flags, UINT timeout_ms,
                           DWORD_PTR* result);
BOOL PostMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
BOOL GetMessage(MSG* msg, HWND hwnd, UINT filter_min, UINT filter_max);
BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filter_min, UINT filter_max, UINT remove);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessage(const MSG* msg);
void PostQuitMessage(int exit_code);
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse_ms, TIMERPROC timer_proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// Dialog controls: the child windows of a dialog, found by their control ids. They work on
// any program's windows (through the server when the dialog is not this program's).
// GetDlgItem gives the dialog's oldest child with that id; null with ERROR_CONTROL_ID_NOT_FOUND
// when it has none.
int GetDlgCtrlID(HWND hwnd);
HWND GetDlgItem(HWND dialog, int id);
BOOL SetDlgItemText(HWND dialog, int id, const std::string& text);
int GetDlgItemText(HWND dialog, int id, std::string& text);
std::string GetDlgItemText(HWND dialog, int id);
LRESULT SendDlgItemMessage(HWND dialog, int id, UINT message, WPARAM wparam, LPARAM lparam);

// The device's screen size in pixels (device.conf screen_width and screen_height).
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
int GetSystemMetrics(int index);  // 0 for any other index

namespace platform {
inline std::uint32_t WindowNumber(HWND hwnd) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(hwnd)); }
inline HWND WindowFromNumber(std::uint32_t number) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(number)); }
}  // namespace platform
