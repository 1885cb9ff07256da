#include "platform/app/application.h"

namespace {
CWinApp* s_current = nullptr;
}

CWinApp::CWinApp() { s_current = this; }

CWinApp::~CWinApp() {
    if (s_current == this) s_current = nullptr;
}

CWinApp* CWinApp::Current() { return s_current; }

int CWinApp::Run() {
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    m_exit_code = static_cast<int>(msg.wParam);
    return m_exit_code;
}

namespace platform {

int RunApplication(CWinApp& application) {
    if (application.InitInstance()) application.Run();
    return application.ExitInstance();
}

}  // namespace platform
