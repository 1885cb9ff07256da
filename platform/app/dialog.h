// The dialog every program of the suite shows: a top-level window of a registered class
// (whose name other programs can find it by), a modal loop, WM_INITDIALOG turned into
// OnInitDialog, commands routed to OnCommand (IDOK and IDCANCEL end the dialog), the dialog
// keys (Enter is IDOK, Escape IDCANCEL), and a message-dispatch hook for the program's own
// messages.
#pragma once

#include <string>

#include "platform/win32_types.h"
#include "platform/window/window.h"

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr WORD BN_CLICKED = 0;

// The dialog keys of a message for the dialog: a WM_KEYDOWN of Enter is sent to it as
// WM_COMMAND IDOK and one of Escape as WM_COMMAND IDCANCEL; TRUE when the message was one of
// those (it is then handled), FALSE for any other message, which the caller dispatches.
BOOL IsDialogMessage(HWND dialog, MSG* msg);

class CDialog {
public:
    // class_name: the dialog window's registered class; title: its first window text.
    explicit CDialog(std::string class_name = "Dialog", std::string title = {});
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Creates the window hidden, runs OnInitDialog, shows it and runs the modal loop until
    // EndDialog; returns the value given to EndDialog (-1 when the window could not be made).
    // The window comes into view only when OnInitDialog has returned, whatever it shows
    // meanwhile, so that its title and contents are in place when other programs first see it.
    virtual INT_PTR DoModal();
    void EndDialog(int result);
    // Creates the window as a modeless dialog owned by `owner`: a popup placed on the screen,
    // always in front of its owner and destroyed with it, served by the owner thread's message
    // loop. It runs OnInitDialog and stays hidden until shown. False when the window could not
    // be made (or this dialog already has one).
    BOOL Create(HWND owner);
    // Destroys a modeless dialog's window; nothing when it has none.
    void DestroyModeless();

    HWND GetSafeHwnd() const { return m_hWnd; }
    BOOL SetWindowText(const std::string& text) { return ::SetWindowText(m_hWnd, text); }
    std::string GetWindowText() const { return ::GetWindowText(m_hWnd); }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse_ms) { return ::SetTimer(m_hWnd, id, elapse_ms, nullptr); }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
    BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }

    // Where the window goes; the whole screen of device.conf unless set before DoModal.
    void SetInitialRect(const RECT& rect) { m_rect = rect; m_rect_set = true; }
    void SetStyle(DWORD style, DWORD ex_style) { m_style = style; m_ex_style = ex_style; }

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Command routing: IDOK and IDCANCEL by default; true when handled.
    virtual BOOL OnCommand(WPARAM wparam, LPARAM lparam);
    virtual void OnTimer(UINT_PTR id) {}
    virtual void OnDestroy() {}
    // The message-dispatch hook: a program handles its own messages here and passes the rest on.
    virtual LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT Default(UINT message, WPARAM wparam, LPARAM lparam);

    HWND m_hWnd = nullptr;

private:
    static LRESULT StaticProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    // Makes the window hidden (owned by `owner` when given) and runs OnInitDialog.
    HWND CreateHidden(HWND owner);

    std::string m_class_name;
    std::string m_title;
    RECT m_rect;
    bool m_rect_set = false;
    DWORD m_style = WS_POPUP;
    DWORD m_ex_style = 0;
    bool m_ended = false;
    int m_result = 0;
};
