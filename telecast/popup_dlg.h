// CPopupDlg: the small control panel Telecast shows over its video in the full-screen and
// picture-in-picture layouts, with the main buttons the video covers: leave
// picture-in-picture, scan, the other list type, next and previous service, volume down and
// up with the volume between them, mute and close.
//
// The panel is a modeless skin dialog owned by the main window (CDialog::Create), on the main
// window's thread, built from the template "popup" of Telecast's dialog.txt. It takes no action
// itself: each button posts the owner the WM_COMMAND of its id, and the owner tells the panel
// what to show. Held volume buttons repeat their command. Shown, the panel hides itself after
// kPopupIdleMs without a touch on it and then posts the owner kPopupHiddenCommand, so that the
// owner moves its overlay texts back.
//
// Its calls are for the owner's thread.
#pragma once

#include "framework/skin_dialog.h"
#include "platform/win32_types.h"
#include "telecast/channel_table.h"

namespace telecast {

// The panel's buttons; each is the command it posts the owner.
constexpr int kPopupLeavePip = 1020;
constexpr int kPopupScan = 1021;
constexpr int kPopupSwapList = 1022;
constexpr int kPopupNext = 1023;
constexpr int kPopupPrevious = 1024;
constexpr int kPopupVolumeDown = 1025;
constexpr int kPopupVolumeUp = 1026;
constexpr int kPopupMute = 1028;
constexpr int kPopupClose = 1030;
// Its two displays: the volume and the list type.
constexpr int kPopupVolumeText = 1027;
constexpr int kPopupListType = 1031;
// Posted to the owner when the panel hid itself for want of a touch.
constexpr int kPopupHiddenCommand = 1032;

// The pictures that change: the list type shown, the swap button (which names the other type)
// and the mute button (sound on, or muted).
constexpr int kPopupTvImage = 163, kPopupRadioImage = 162;
constexpr int kPopupSwapFromTvImage = 164, kPopupSwapFromRadioImage = 165;
constexpr int kPopupSoundImage = 173, kPopupMutedImage = 174;

constexpr UINT_PTR kPopupIdleTimer = 1001;
constexpr UINT kPopupIdleMs = 5000;

class CPopupDlg : public CSkinDialogEx {
public:
    CPopupDlg();

    // The panel is made hidden with Create(owner); it is the owner's popup from then on.

    // Shows the panel with its top-left corner at the screen point (the video box's corner),
    // in front of its owner without taking the activation, and starts the idle count. Shown
    // already, it moves there and the count starts again. A panel without its screen (no
    // template) stays hidden.
    void ShowAt(POINT top_left);
    // Hides the panel; the owner asked, so nothing is posted back.
    void Hide();
    bool IsShown() const;

    void SetListType(ListType type);
    // The volume setting 0..10, shown as ten times it.
    void SetVolume(int setting);
    void SetMuted(bool muted);
    // All buttons at once (a scan disables them); disabled ones are drawn in their disabled
    // look and take no press.
    void EnableButtons(bool enabled);

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wparam, LPARAM lparam) override;
    void OnTimer(UINT_PTR id) override;
    // Enter, Escape and WM_CLOSE do not end the panel: the owner shows and hides it.
    void OnOK() override {}
    void OnCancel() override {}
    LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    void RestartIdleCount();
    void PostToOwner(int command);

    bool m_pen_down = false;
};

}  // namespace telecast
