#include "platform/app/application.h"

#include <csignal>
#include <pthread.h>
#include <thread>
#include <unistd.h>

#include "platform/app/controls.h"
#include "platform/kernel/server_connection.h"
#include "platform/media/media_classes.h"

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
namespace {

// The device ends its programs with SIGTERM at shutdown. A program then closes its main
// window as if the user had closed it, so it ends the way it always does (HomeDeck writes its
// settings file); one without a main window ends at once.
void CloseOnTermination() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    if (pthread_sigmask(SIG_BLOCK, &signals, nullptr) != 0) return;
    std::thread([signals] {
        // The connection is made now, while the program is sure to reach the device.
        ServerConnection::Current();
        int signal_number = 0;
        while (sigwait(&signals, &signal_number) == 0) {
            CWinApp* application = CWinApp::Current();
            if (!application || !application->m_hMainWnd || !PostMessage(application->m_hMainWnd, WM_CLOSE, 0, 0))
                _exit(0);
        }
    }).detach();
}

}  // namespace

int RunApplication(CWinApp& application) {
    CloseOnTermination();
    // The device's filters and standard controls are there for every program, as the device's
    // system has them.
    RegisterMediaClasses();
    RegisterStandardControls();
    if (application.InitInstance()) application.Run();
    return application.ExitInstance();
}

}  // namespace platform
