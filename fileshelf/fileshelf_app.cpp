// FileShelf: the players' playlist editor. It runs once only; a second start brings the first
// to the front. The player that starts it names itself on the command line ("APP_MUSIC", ...).
#include "fileshelf/fileshelf_dlg.h"
#include "framework/suite_application.h"
#include "platform/kernel/kernel.h"

namespace {

class CFileShelfApp : public CSuiteApp {
public:
    CFileShelfApp() : CSuiteApp(kFileShelfIdentity) {}

protected:
    void RunMainDialog() override {
        fileshelf::CFileShelfDlg dialog(GetCommandLine());
        dialog.DoModal();
    }
};

CFileShelfApp s_application;

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
