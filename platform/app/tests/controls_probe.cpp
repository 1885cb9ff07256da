// CONTROLS.EXE: a plain dialog built from the template "probe" of its dialog.txt, for the
// control tests that need the controls in another program. It logs "probe ready" once shown,
// "probe command ID CODE" for every notification its controls send, and answers:
//   kAddLines (WM_USER+1, posted)  adds wparam lines "line N" to list box 1011 and scrolls to
//                                  the last, as a receiver's sentence list does
//   kPing     (WM_USER+2)          logs "probe ping WPARAM": a mark in the log after taps
//   kAddPorts (WM_USER+3, posted)  adds "COM1:" to "COMn:" (n = lparam) to combo box wparam
#include <string>

#include "platform/app/application.h"
#include "platform/app/controls.h"
#include "platform/app/template_dialog.h"
#include "platform/kernel/debug_output.h"

namespace {

constexpr UINT kAddLines = WM_USER + 1;
constexpr UINT kPing = WM_USER + 2;
constexpr UINT kAddPorts = WM_USER + 3;
constexpr int kList = 1011;

class ProbeDialog : public CDialog {
public:
    ProbeDialog() : CDialog("CONTROLS_PROBE") {}

protected:
    BOOL OnInitDialog() override {
        std::string problem;
        const auto found = LoadDialogTemplate("probe", problem);
        if (!found || !CreateTemplateControls(m_hWnd, *found)) {
            DebugPrintf("probe failed: %s", problem.c_str());
            EndDialog(IDCANCEL);
            return FALSE;
        }
        DebugPrintf("probe ready");
        return TRUE;
    }
    BOOL OnCommand(WPARAM wparam, LPARAM lparam) override {
        DebugPrintf("probe command %u %u", LOWORD(wparam), HIWORD(wparam));
        return CDialog::OnCommand(wparam, lparam);
    }
    LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override {
        switch (message) {
            case kAddLines:
                for (WPARAM i = 0; i < wparam; ++i) {
                    const std::string line = "line " + std::to_string(i);
                    const LRESULT index = SendDlgItemMessage(m_hWnd, kList, LB_ADDSTRING, 0,
                                                             reinterpret_cast<LPARAM>(line.c_str()));
                    SendDlgItemMessage(m_hWnd, kList, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
                }
                return 0;
            case kAddPorts:
                for (LPARAM port = 1; port <= lparam; ++port) {
                    const std::string name = "COM" + std::to_string(port) + ":";
                    SendDlgItemMessage(m_hWnd, static_cast<int>(wparam), CB_ADDSTRING, 0,
                                       reinterpret_cast<LPARAM>(name.c_str()));
                }
                return 0;
            case kPing:
                DebugPrintf("probe ping %lu", static_cast<unsigned long>(wparam));
                return 0;
            default:
                return CDialog::WindowProc(message, wparam, lparam);
        }
    }
};

class ProbeApp : public CWinApp {
public:
    BOOL InitInstance() override {
        ProbeDialog dialog;
        dialog.DoModal();
        return FALSE;
    }
};

ProbeApp s_application;

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
