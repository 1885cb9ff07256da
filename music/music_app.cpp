// Music: a player of the suite. It runs once only, keeps HomeDeck's window from its start
// and follows HomeDeck's setting relays in its main dialog.
#include "framework/suite_application.h"

namespace {

class CMusicDlg : public CPlayerDialog {
public:
    CMusicDlg() : CPlayerDialog(kMusicIdentity) {}
};

class CMusicApp : public CSuiteApp {
public:
    CMusicApp() : CSuiteApp(kMusicIdentity) {}

protected:
    void RunMainDialog() override {
        CMusicDlg dialog;
        dialog.DoModal();
    }
};

CMusicApp s_application;

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
