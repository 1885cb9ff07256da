// SatScope: the GPS receiver monitor. One window, dialog 102; the program ends with it.
#include "platform/app/application.h"
#include "satscope/satscope_dlg.h"

namespace {

class CSatScopeApp final : public CWinApp {
public:
    BOOL InitInstance() override
    {
        satscope::CSatScopeDlg dialog;
        m_hMainWnd = nullptr;
        dialog.DoModal();
        return FALSE;
    }
};

CSatScopeApp the_application;

}  // namespace

DEVICE_APPLICATION_MAIN(the_application)
