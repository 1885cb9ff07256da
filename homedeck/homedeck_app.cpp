// HomeDeck, the launcher: the program the device shows first. It runs its dialog for as long as
// the device runs and writes the shared settings once more when the dialog ends.
#include "framework/suite_application.h"
#include "framework/system_settings.h"
#include "homedeck/homedeck_dlg.h"

namespace {

class CHomeDeckApp : public CSuiteApp {
public:
    CHomeDeckApp() : CSuiteApp(kHomeDeckIdentity) {}

protected:
    void RunMainDialog() override {
        homedeck::CHomeDeckDlg dialog(m_settings);
        dialog.DoModal();
        m_settings.Save();
    }

private:
    CSystemSettings m_settings;
};

CHomeDeckApp s_application;

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
