// RouteKit: the strip HomeDeck's taskbar button opens over the navigation map. It runs once
// only and ends with its first action.
#include "framework/suite_application.h"
#include "routekit/routekit_dlg.h"

namespace {

class CRouteKitApp : public CSuiteApp {
public:
    CRouteKitApp() : CSuiteApp(kRouteKitIdentity) {}

protected:
    void RunMainDialog() override {
        routekit::CRouteKitDlg dialog;
        dialog.DoModal();
    }
};

CRouteKitApp s_application;

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
