// The platform's message box: a small modal box in the middle of the screen, in front of
// everything, with its caption, its text and an OK button. A tap on OK, Enter or Escape ends
// it. Its caption and text also go to the debug log ("MessageBox: <caption>: <text>"), so a
// box that nobody is there to read still leaves its trace. The owner, when given, takes no
// input while the box shows, as with any modal box.
#pragma once

#include <string>

#include "platform/app/dialog.h"

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_ICONHAND = 0x00000010;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x00000040;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;

// Shows the box and waits for the user; IDOK, or 0 when the box could not be shown (the text
// is logged either way).
int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type);
