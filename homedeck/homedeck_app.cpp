// HomeDeck, the launcher: the hub that keeps the shared settings. Its main menu screen comes
// with its own screen; here it runs its dialog, handles the players' setting requests and
// writes the settings file when the dialog ends.
#include "framework/program_messages.h"
#include "framework/suite_application.h"
#include "framework/system_settings.h"

namespace {

class CHomeDeckDlg : public CSuiteDialog {
public:
    explicit CHomeDeckDlg(CSystemSettings& settings) : CSuiteDialog(kHomeDeckIdentity), m_settings(settings) {}

protected:
    LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override {
        if (message == WM_MMS_SETTING) return HandleSettingRequest(m_settings, wparam, lparam);
        return CSuiteDialog::WindowProc(message, wparam, lparam);
    }

private:
    CSystemSettings& m_settings;
};

class CHomeDeckApp : public CSuiteApp {
public:
    CHomeDeckApp() : CSuiteApp(kHomeDeckIdentity) {}

protected:
    void RunMainDialog() override {
        CHomeDeckDlg dialog(m_settings);
        dialog.DoModal();
        m_settings.Save();
    }

private:
    CSystemSettings m_settings;
};

CHomeDeckApp s_application;

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
