// RouteKit: a program of the suite that runs once only; its screen comes with its own work.
#include "framework/suite_application.h"

namespace {

class CRouteKitDlg : public CSuiteDialog {
public:
    CRouteKitDlg() : CSuiteDialog(kRouteKitIdentity) {}
};

class CRouteKitApp : public CSuiteApp {
public:
    CRouteKitApp() : CSuiteApp(kRouteKitIdentity) {}

protected:
    void RunMainDialog() override {
        CRouteKitDlg dialog;
        dialog.DoModal();
    }
};

CRouteKitApp s_application;

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
