// A popup window served by a C++ object: the object hands itself to CreateWindowEx as the
// creation parameter, its window procedure keeps it in the window's user data on WM_CREATE and
// finds it there for every later message.
#pragma once

#include "platform/window/window.h"

template <class T>
T* WindowObject(HWND hwnd) {
    return reinterpret_cast<T*>(GetWindowLong(hwnd, GWL_USERDATA));
}

// On WM_CREATE: keeps the creation parameter (the object) with the window.
inline void AttachWindowObject(HWND hwnd, LPARAM create_lparam) {
    const auto* create = reinterpret_cast<const CREATESTRUCT*>(create_lparam);
    SetWindowLong(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
}
