#include "routekit/routekit_dlg.h"

#include "framework/program_messages.h"
#include "framework/system_settings.h"
#include "homedeck/program_launch.h"
#include "platform/app/application.h"
#include "platform/kernel/debug_output.h"
#include "routekit/routekit_rules.h"

namespace routekit {
namespace {

constexpr const char* kTemplateName = "strip";
constexpr const char* kWindowName = "APP_ROUTEKIT";
constexpr const char* kNavigationWindow = "Wayfarer";

}  // namespace

CRouteKitDlg::CRouteKitDlg() : CSkinDialogEx("APP_ROUTEKIT_DIALOG")
{
    SetName("RouteKit");
}

BOOL CRouteKitDlg::OnInitDialog()
{
    // The strip from its template: the background 130 sizes the window.
    if (!InitFromTemplate(kTemplateName)) DebugPrintf("RouteKit: no strip\r\n");
    SetWindowText(kWindowName);
    if (auto* application = CWinApp::Current()) application->m_hMainWnd = m_hWnd;

    // At the right edge of the panel, at the top, over everything.
    RECT window{};
    GetWindowRect(m_hWnd, &window);
    const int width = window.right - window.left;
    const auto panel = ReadPanelSize();
    const StripPlace place = PlaceStrip(panel ? std::optional(panel->width) : std::nullopt, width);
    if (place.panel_replaced)
        DebugPrintf("RouteKit: LCD_Width %u is not a panel width; taking %d\r\n", static_cast<unsigned>(panel->width),
                    kDefaultPanelWidth);
    SetWindowPos(m_hWnd, HWND_TOPMOST, place.left, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);

    RedrawAll();
    EnablePainting(true);
    SetTimer(kIdleTimer, kIdleTickMs);
    return TRUE;
}

LRESULT CRouteKitDlg::WindowProc(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_SKIN_CLICK:
        // Any press keeps the strip up; the press goes on to the button under it.
        RestartIdleCount();
        return 0;
    case WM_CLOSE:
        DebugPrintf("ROUTEKIT WM_CLOSE\n");
        EndDialog(IDCANCEL);
        return 0;
    default:
        return CSkinDialogEx::WindowProc(message, wparam, lparam);
    }
}

BOOL CRouteKitDlg::OnCommand(WPARAM wparam, LPARAM lparam)
{
    const int command = LOWORD(wparam);
    if (command >= kMainMenu && command <= kExit) {
        Act(command);
        return TRUE;
    }
    return CSkinDialogEx::OnCommand(wparam, lparam);
}

void CRouteKitDlg::Act(int command)
{
    // The strip leaves the screen first, so that what starts comes up over the map alone.
    HideStrip();
    switch (command) {
    case kMainMenu:
        if (homedeck::IsRunning(homedeck::kTelecast)) {
            homedeck::SendTelecast(COPYDATA_PIP_HOMEDECK, 0);
            homedeck::LaunchOrActivate(homedeck::kHomeDeck);
            homedeck::SendTelecast(COPYDATA_PIP_HOMEDECK, 1);
        } else {
            homedeck::LaunchOrActivate(homedeck::kHomeDeck);
        }
        break;
    case kTelecast: {
        const bool map = FindProgramWindow(kNavigationWindow) != nullptr;
        const int launched =
            homedeck::LaunchOrActivate(homedeck::kTelecast, map ? "PIP" : "", homedeck::BringToFront::No);
        if (launched == homedeck::kLaunchRunning && map) homedeck::SendTelecast(COPYDATA_PIP_TOGGLE, 1);
        break;
    }
    case kMusic: homedeck::LaunchOrActivate(homedeck::kMusic); break;
    case kExtview: homedeck::LaunchOrActivate(homedeck::kExtview, "1"); break;
    case kExit: break;
    default: break;
    }
    EndDialog(IDOK);
}

void CRouteKitDlg::HideStrip()
{
    SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_HIDEWINDOW);
}

void CRouteKitDlg::RestartIdleCount()
{
    m_idle_ticks = 0;
    SetTimer(kIdleTimer, kIdleTickMs);
}

void CRouteKitDlg::OnTimer(UINT_PTR id)
{
    if (id != kIdleTimer) {
        CSkinDialogEx::OnTimer(id);
        return;
    }
    const IdleTick tick = NextIdleTick(m_idle_ticks);
    m_idle_ticks = tick.count;
    if (!tick.closes) return;
    KillTimer(kIdleTimer);
    PostMessage(m_hWnd, WM_COMMAND, kExit, 0);
}

void CRouteKitDlg::OnDestroy()
{
    KillTimer(kIdleTimer);
    CSkinDialogEx::OnDestroy();
}

}  // namespace routekit
