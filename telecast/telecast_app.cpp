// Telecast: the T-DMB TV and radio player of the suite. It runs once only, keeps HomeDeck's
// window from its start and shows its one screen until the user leaves it.
#include "framework/suite_application.h"
#include "platform/kernel/kernel.h"
#include "telecast/telecast_dlg.h"

namespace {

class CTelecastApp : public CSuiteApp {
public:
    CTelecastApp() : CSuiteApp(kTelecastIdentity) {}

protected:
    void RunMainDialog() override {
        telecast::CTelecastDlg dialog(HomeDeck(), GetCommandLine());
        dialog.DoModal();
    }
};

CTelecastApp s_application;

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
