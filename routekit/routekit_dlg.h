// RouteKit's strip: five buttons at the right edge of the screen, over the navigation map, that
// jump to the main menu, Telecast over the map, Music or the AV input, or close. It closes
// after its first action, or by itself eleven seconds after the last touch.
#pragma once

#include "framework/skin_dialog.h"

namespace routekit {

// The strip's buttons; each is its command.
constexpr int kMainMenu = 1002;
constexpr int kMusic = 1003;
constexpr int kExtview = 1004;
constexpr int kTelecast = 1005;
constexpr int kExit = 1006;

constexpr UINT_PTR kIdleTimer = 100;
constexpr UINT kIdleTickMs = 1000;

class CRouteKitDlg : public CSkinDialogEx {
public:
    CRouteKitDlg();

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wparam, LPARAM lparam) override;
    void OnTimer(UINT_PTR id) override;
    void OnDestroy() override;
    LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    void Act(int command);
    void HideStrip();
    void RestartIdleCount();

    int m_idle_ticks = 0;
};

}  // namespace routekit
