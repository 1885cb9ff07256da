// Telecast: a player of the suite. It runs once only, keeps HomeDeck's window from its start
// and follows HomeDeck's setting relays in its main dialog.
#include "framework/suite_application.h"

namespace {

class CTelecastDlg : public CPlayerDialog {
public:
    CTelecastDlg() : CPlayerDialog(kTelecastIdentity) {}
};

class CTelecastApp : public CSuiteApp {
public:
    CTelecastApp() : CSuiteApp(kTelecastIdentity) {}

protected:
    void RunMainDialog() override {
        CTelecastDlg dialog;
        dialog.DoModal();
    }
};

CTelecastApp s_application;

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
