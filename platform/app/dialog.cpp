#include "platform/app/dialog.h"

#include "platform/device_root.h"
#include "platform/window/local_windows.h"

CDialog::CDialog(std::string class_name, std::string title)
    : m_class_name(std::move(class_name)), m_title(std::move(title)) {}

CDialog::~CDialog() {
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

LRESULT CDialog::StaticProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* dialog = reinterpret_cast<CDialog*>(GetWindowLong(hwnd, GWL_USERDATA));
    if (message == WM_CREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCT*>(lparam);
        dialog = static_cast<CDialog*>(create->lpCreateParams);
        SetWindowLong(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(dialog));
        dialog->m_hWnd = hwnd;
    }
    if (!dialog) return DefWindowProc(hwnd, message, wparam, lparam);
    const LRESULT result = dialog->WindowProc(message, wparam, lparam);
    // A window destroyed by its owner leaves the dialog without one, so that the dialog never
    // reaches for a handle that is gone.
    if (message == WM_DESTROY && dialog->m_hWnd == hwnd) {
        SetWindowLong(hwnd, GWL_USERDATA, 0);
        dialog->m_hWnd = nullptr;
    }
    return result;
}

HWND CDialog::CreateHidden(HWND owner) {
    WNDCLASS window_class;
    window_class.lpfnWndProc = &CDialog::StaticProcedure;
    window_class.lpszClassName = m_class_name;
    RegisterClass(&window_class);  // once per program; a second registration changes nothing
    if (!m_rect_set) {
        const auto& config = platform::Config();
        m_rect = {0, 0, static_cast<LONG>(config.GetInt("screen_width", 800)),
                  static_cast<LONG>(config.GetInt("screen_height", 480))};
    }
    m_ended = false;
    m_result = -1;
    HWND hwnd = CreateWindowEx(m_ex_style, m_class_name, m_title, m_style & ~WS_VISIBLE, m_rect.left, m_rect.top,
                               m_rect.right - m_rect.left, m_rect.bottom - m_rect.top, owner, nullptr, nullptr, this);
    if (!hwnd) return nullptr;
    auto& windows = platform::LocalWindows::Instance();
    windows.HoldShowing(platform::WindowNumber(hwnd), true);
    SendMessage(hwnd, WM_INITDIALOG, 0, 0);
    windows.HoldShowing(platform::WindowNumber(hwnd), false);
    return hwnd;
}

BOOL CDialog::Create(HWND owner) {
    if (m_hWnd || !owner) return FALSE;
    // An owned window is a popup: it lives on the screen, in front of its owner.
    m_style = (m_style & ~WS_CHILD) | WS_POPUP;
    return CreateHidden(owner) != nullptr;
}

void CDialog::DestroyModeless() {
    if (m_hWnd) ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

INT_PTR CDialog::DoModal() {
    HWND hwnd = CreateHidden(nullptr);
    if (!hwnd) return -1;
    if (!m_ended) ::ShowWindow(hwnd, SW_SHOW);
    MSG msg;
    while (!m_ended) {
        BOOL got = GetMessage(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // A quit request ends the dialog and stays pending for the loop around it.
            PostQuitMessage(static_cast<int>(msg.wParam));
            if (!m_ended) m_result = IDCANCEL;
            break;
        }
        if (IsDialogMessage(m_hWnd, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    if (m_hWnd) {
        ::DestroyWindow(m_hWnd);
        m_hWnd = nullptr;
    }
    return m_result;
}

void CDialog::EndDialog(int result) {
    m_result = result;
    m_ended = true;
    // A sent message (WM_CLOSE from another program) does not end GetMessage by itself: a
    // posted WM_NULL wakes the modal loop so that it sees the dialog has ended.
    if (m_hWnd) PostMessage(m_hWnd, WM_NULL, 0, 0);
}

BOOL IsDialogMessage(HWND dialog, MSG* msg) {
    if (!dialog || !msg || msg->hwnd != dialog || msg->message != WM_KEYDOWN) return FALSE;
    int command = 0;
    if (msg->wParam == VK_RETURN) command = IDOK;
    else if (msg->wParam == VK_ESCAPE) command = IDCANCEL;
    else return FALSE;
    SendMessage(dialog, WM_COMMAND, MAKELONG(static_cast<WORD>(command), BN_CLICKED), 0);
    return TRUE;
}

BOOL CDialog::OnCommand(WPARAM wparam, LPARAM) {
    switch (LOWORD(wparam)) {
        case IDOK:
            OnOK();
            return TRUE;
        case IDCANCEL:
            OnCancel();
            return TRUE;
        default:
            return FALSE;
    }
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
    return Default(message, wparam, lparam);
}

LRESULT CDialog::Default(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_COMMAND:
            return OnCommand(wparam, lparam);
        case WM_TIMER:
            OnTimer(wparam);
            return 0;
        case WM_CLOSE:
            // A dialog closes on WM_CLOSE as on Cancel.
            OnCancel();
            return 0;
        case WM_DESTROY:
            OnDestroy();
            return 0;
        default:
            return DefWindowProc(m_hWnd, message, wparam, lparam);
    }
}
