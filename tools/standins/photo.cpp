// The photo viewer's stand-in: a full-screen window titled "APP_PHOTO", installed as
// \NAND\PHOTO.EXE. It shows one blue picture with its name, so a screenshot tells it apart,
// and ends on WM_CLOSE. Its log lines:
//   Photo: started with "<command line>"
//   Photo: WM_CLOSE
#include "tools/standins/standin_window.h"

namespace {

constexpr standins::StandInPicture kPhoto = {"Photo", "PhotoViewer", "APP_PHOTO", RGB(30, 110, 190), RGB(255, 255, 255)};
standins::CPictureStandInApp s_application(kPhoto);

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
