// Movie: the video player of the suite. It runs once only, keeps HomeDeck's window from its
// start and shows its one screen until the user leaves it.
#include "framework/suite_application.h"
#include "movie/movie_dlg.h"

namespace {

class CMovieApp : public CSuiteApp {
public:
    CMovieApp() : CSuiteApp(kMovieIdentity) {}

protected:
    void RunMainDialog() override {
        movie::CMovieDlg dialog(HomeDeck());
        dialog.DoModal();
    }
};

CMovieApp s_application;

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
