// Extview: the AV input and reversing camera viewer of the suite. It runs once only, keeps
// HomeDeck's window from its start and shows its one screen until it is closed or the camera
// lets the picture go.
#include "extview/extview_dlg.h"
#include "framework/suite_application.h"
#include "platform/kernel/kernel.h"

namespace {

class CExtviewApp : public CSuiteApp {
public:
    CExtviewApp() : CSuiteApp(kExtviewIdentity) {}

protected:
    void RunMainDialog() override {
        extview::CExtviewDlg dialog(HomeDeck(), GetCommandLine());
        dialog.DoModal();
    }
};

CExtviewApp s_application;

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
