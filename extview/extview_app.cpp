// Extview: a player of the suite. It runs once only, keeps HomeDeck's window from its start
// and follows HomeDeck's setting relays in its main dialog.
#include "framework/suite_application.h"

namespace {

class CExtviewDlg : public CPlayerDialog {
public:
    CExtviewDlg() : CPlayerDialog(kExtviewIdentity) {}
};

class CExtviewApp : public CSuiteApp {
public:
    CExtviewApp() : CSuiteApp(kExtviewIdentity) {}

protected:
    void RunMainDialog() override {
        CExtviewDlg dialog;
        dialog.DoModal();
    }
};

CExtviewApp s_application;

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
