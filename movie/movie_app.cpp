// Movie: a player of the suite. It runs once only, keeps HomeDeck's window from its start
// and follows HomeDeck's setting relays in its main dialog.
#include "framework/suite_application.h"

namespace {

class CMovieDlg : public CPlayerDialog {
public:
    CMovieDlg() : CPlayerDialog(kMovieIdentity) {}
};

class CMovieApp : public CSuiteApp {
public:
    CMovieApp() : CSuiteApp(kMovieIdentity) {}

protected:
    void RunMainDialog() override {
        CMovieDlg dialog;
        dialog.DoModal();
    }
};

CMovieApp s_application;

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
