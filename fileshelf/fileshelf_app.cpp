// FileShelf: a program of the suite that runs once only; its screen comes with its own work.
#include "framework/suite_application.h"

namespace {

class CFileShelfDlg : public CSuiteDialog {
public:
    CFileShelfDlg() : CSuiteDialog(kFileShelfIdentity) {}
};

class CFileShelfApp : public CSuiteApp {
public:
    CFileShelfApp() : CSuiteApp(kFileShelfIdentity) {}

protected:
    void RunMainDialog() override {
        CFileShelfDlg dialog;
        dialog.DoModal();
    }
};

CFileShelfApp s_application;

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
