// The application object every program has: InitInstance decides whether the program runs
// a message loop (true) or ends at once (false, as the suite's dialog programs do after their
// modal dialog); ExitInstance runs at the end either way.
#pragma once

#include "platform/win32_types.h"
#include "platform/window/window.h"

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance() { return FALSE; }
    // The exit hook; its result is the program's exit code.
    virtual int ExitInstance() { return m_exit_code; }
    // The message loop of a program whose InitInstance returned true.
    virtual int Run();

    HWND m_hMainWnd = nullptr;

    static CWinApp* Current();

protected:
    int m_exit_code = 0;
};

namespace platform {
// Runs the application object: InitInstance, the loop when asked for, ExitInstance.
int RunApplication(CWinApp& application);
}  // namespace platform

// The program's entry point for its one application object.
#define DEVICE_APPLICATION_MAIN(application) \
    int main() { return platform::RunApplication(application); }
