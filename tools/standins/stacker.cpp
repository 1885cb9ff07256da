// The Stacker game's stand-in: a full-screen window titled "STACKER", installed as
// \NAND\STACKER.EXE. The launcher looks it up as "Stacker"; the device's window lookup ignores
// case, so both spellings find it. It shows one orange picture with its name and ends on
// WM_CLOSE. Its log lines:
//   Stacker: started with "<command line>"
//   Stacker: WM_CLOSE
#include "tools/standins/standin_window.h"

namespace {

constexpr standins::StandInPicture kStacker = {"Stacker", "StackerGame", "STACKER", RGB(220, 120, 20), RGB(40, 20, 0)};
standins::CPictureStandInApp s_application(kStacker);

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
