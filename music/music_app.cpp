// Music: the audio player of the suite. It runs once only, keeps HomeDeck's window from its
// start and shows its one screen until the user leaves it.
#include "framework/suite_application.h"
#include "music/music_dlg.h"

namespace {

class CMusicApp : public CSuiteApp {
public:
    CMusicApp() : CSuiteApp(kMusicIdentity) {}

protected:
    void RunMainDialog() override {
        music::CMusicDlg dialog(HomeDeck());
        dialog.DoModal();
    }
};

CMusicApp s_application;

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
