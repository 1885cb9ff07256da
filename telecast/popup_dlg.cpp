#include "telecast/popup_dlg.h"

#include <string>

#include "platform/kernel/debug_output.h"
#include "platform/window/window.h"

namespace telecast {
namespace {

constexpr const char* kTemplateName = "popup";
constexpr int kButtons[] = {kPopupLeavePip, kPopupScan,     kPopupSwapList, kPopupNext, kPopupPrevious,
                            kPopupVolumeDown, kPopupVolumeUp, kPopupMute,     kPopupClose};

bool IsButton(int id) {
    for (int button : kButtons)
        if (button == id) return true;
    return false;
}

}  // namespace

CPopupDlg::CPopupDlg() : CSkinDialogEx("CPopupDlg") {
    SetName("Telecast popup");
}

BOOL CPopupDlg::OnInitDialog() {
    // The template's background sizes the window; it stays hidden here, at the screen's
    // corner, until the owner shows it where the video is.
    if (!InitFromTemplate(kTemplateName)) {
        DebugPrintf("Telecast: no popup control panel\r\n");
        return TRUE;
    }
    // Held volume buttons repeat their command while the pen stays on them.
    SetFlags(kPopupVolumeDown, SKIN_REPEAT, SKIN_REPEAT);
    SetFlags(kPopupVolumeUp, SKIN_REPEAT, SKIN_REPEAT);
    RedrawAll();
    EnablePainting(true);
    return TRUE;
}

void CPopupDlg::ShowAt(POINT top_left) {
    // A panel whose template could not be read has no screen: it would only cover the video.
    if (!m_hWnd || ControlCount() == 0) return;
    SetWindowPos(m_hWnd, HWND_TOP, top_left.x, top_left.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    RestartIdleCount();
}

void CPopupDlg::Hide() {
    if (!m_hWnd) return;
    KillTimer(kPopupIdleTimer);
    ShowWindow(SW_HIDE);
}

bool CPopupDlg::IsShown() const {
    return m_hWnd && IsWindowVisible(m_hWnd);
}

void CPopupDlg::SetListType(ListType type) {
    const bool tv = type == ListType::Tv;
    SetImage(kPopupListType, tv ? kPopupTvImage : kPopupRadioImage);
    SetImage(kPopupSwapList, tv ? kPopupSwapFromTvImage : kPopupSwapFromRadioImage);
}

void CPopupDlg::SetVolume(int setting) {
    SetControlText(kPopupVolumeText, std::to_string(setting * 10));
}

void CPopupDlg::SetMuted(bool muted) {
    SetImage(kPopupMute, muted ? kPopupMutedImage : kPopupSoundImage);
}

void CPopupDlg::EnableButtons(bool enabled) {
    for (int button : kButtons) EnableControl(button, enabled);
}

BOOL CPopupDlg::OnCommand(WPARAM wparam, LPARAM lparam) {
    const int id = LOWORD(wparam);
    if (IsButton(id)) {
        PostToOwner(id);
        return TRUE;
    }
    // The displays take taps as any static does; the panel has nothing to do with them.
    return CSkinDialogEx::OnCommand(wparam, lparam);
}

void CPopupDlg::OnTimer(UINT_PTR id) {
    if (id != kPopupIdleTimer) return;
    // A pen held on the panel (a volume button repeating) is a touch that has not ended.
    if (m_pen_down) {
        RestartIdleCount();
        return;
    }
    Hide();
    PostToOwner(kPopupHiddenCommand);
}

LRESULT CPopupDlg::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_LBUTTONDOWN:
            m_pen_down = true;
            if (IsShown()) RestartIdleCount();
            break;
        case WM_LBUTTONUP:
            m_pen_down = false;
            if (IsShown()) RestartIdleCount();
            break;
        default:
            break;
    }
    return CSkinDialogEx::WindowProc(message, wparam, lparam);
}

void CPopupDlg::RestartIdleCount() {
    // SetTimer with the same id replaces the running count.
    SetTimer(kPopupIdleTimer, kPopupIdleMs);
}

void CPopupDlg::PostToOwner(int command) {
    HWND owner = m_hWnd ? GetWindow(m_hWnd, GW_OWNER) : nullptr;
    if (owner) PostMessage(owner, WM_COMMAND, static_cast<WPARAM>(command), 0);
}

}  // namespace telecast
