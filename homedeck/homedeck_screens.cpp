// HomeDeck's screens: building each from its template, the menus' highlight, the backlight and
// the sound and FM screens with their edits, Save and Back.
#include <string>

#include "framework/device_services.h"
#include "framework/program_messages.h"
#include "homedeck/homedeck_dlg.h"
#include "platform/devices/wave_out.h"

namespace homedeck {
namespace {

constexpr const char* kTemplates[] = {"main", "multimedia", "settings", "backlight", "sound", "info", "info"};

constexpr int kSliderTextX = 8, kSliderTextY = 13;
constexpr int kSliderStepImage = 153;
constexpr int kMinBacklight = 1, kMaxBacklight = 10;
constexpr int kMinVolume = 0, kMaxVolume = 10;
constexpr int kFmTextSize = 16;
constexpr COLORREF kFmTextColour = 13360611;

constexpr DWORD kRadioSelected = SKIN_STATIC | SKIN_LATCHED | SKIN_LATCH_ON_RELEASE;

int Clamp(int value, int low, int high)
{
    return value < low ? low : (value > high ? high : value);
}

}  // namespace

void CHomeDeckDlg::ShowScreen(Screen screen, int focus)
{
    if (screen != Screen::SystemInfo) {
        m_update_result = 0;
        if (m_screen == Screen::SystemInfo)
            m_update_cut = false;  // said once, on the screen it belongs to
    }
    m_screen = screen;
    m_focus = focus;
    if (ChangeScreen(kTemplates[static_cast<int>(screen)]))
        PrepareScreen(screen, focus);
}

void CHomeDeckDlg::PrepareScreen(Screen screen, int focus)
{
    switch (screen) {
    case Screen::Main:
    case Screen::Multimedia:
    case Screen::Settings:
        Highlight(focus);
        break;
    case Screen::Backlight:
        for (int id : {ID_BACKLIGHT_DOWN, ID_BACKLIGHT_UP})
            SetKind(id, SKIN_BUTTON | SKIN_REPEAT);
        SetSlider(ID_BACKLIGHT_BAR, m_edit_backlight, kMinBacklight, kMaxBacklight, kSliderTextX, kSliderTextY,
                  kSliderStepImage);
        break;
    case Screen::SoundFm:
        for (int id : {ID_VOLUME_DOWN, ID_VOLUME_UP, ID_FREQUENCY_DOWN, ID_FREQUENCY_UP})
            SetKind(id, SKIN_BUTTON | SKIN_REPEAT);
        SetSlider(ID_VOLUME_BAR, m_edit_volume, kMinVolume, kMaxVolume, kSliderTextX, kSliderTextY, kSliderStepImage);
        for (int id = ID_FREQUENCY; id <= ID_PRESET_4; ++id)
            SetTextStyle(id, kFmTextSize, kFmTextColour, 0, 0, -1);
        DrawFm();
        break;
    default:
        break;
    }
    RedrawAll();
    // The information screen's texts go straight into the picture, over its controls.
    if (screen == Screen::SystemInfo)
        DrawSystemInfo();
}

void CHomeDeckDlg::Highlight(int focus)
{
    const int count = MenuButtonCount(m_screen);
    for (int i = 0; i < count; ++i)
        SetFlags(MenuButtonCommand(m_screen, i), SKIN_HIGHLIGHTED, i == focus ? SKIN_HIGHLIGHTED : 0);
    m_focus = focus;
}

void CHomeDeckDlg::DrawBacklight()
{
    SetSliderValue(ID_BACKLIGHT_BAR, m_edit_backlight);
}

void CHomeDeckDlg::DrawVolume()
{
    SetSliderValue(ID_VOLUME_BAR, m_edit_volume);
}

void CHomeDeckDlg::DrawFm()
{
    char text[16];
    FormatFrequency(m_fm.Frequency(), text);
    SetControlText(ID_FREQUENCY, text);
    for (int preset = 1; preset <= FmEditor::kPresets; ++preset) {
        const int id = ID_PRESET_1 + preset - 1;
        FormatFrequency(m_fm.Frequencies()[static_cast<std::size_t>(preset)], text);
        SetControlText(id, text);
        SetKind(id, preset == m_fm.Preset() ? kRadioSelected : SKIN_STATIC);
    }
    const int modes[] = {ID_MODE_FM, ID_MODE_SPEAKER, ID_MODE_BOTH};
    for (int mode = 0; mode < 3; ++mode)
        SetKind(modes[mode], mode == m_fm.Mode() ? kRadioSelected : SKIN_STATIC);
}

FmSettings CHomeDeckDlg::StoredFm() const
{
    FmSettings stored{m_settings.AudioOutput(), m_settings.FmChannel(), {}};
    for (int channel = 0; channel < 5; ++channel)
        stored.frequencies[static_cast<std::size_t>(channel)] = m_settings.FrequencyOf(channel);
    return stored;
}

void CHomeDeckDlg::ApplyBacklightLevel(int level)
{
    SetBacklightLevel(level);
}

void CHomeDeckDlg::SetBacklight(bool on)
{
    m_backlight_on = on;
    SetBacklightPower(on);
}

void CHomeDeckDlg::ApplyVolume(int level)
{
    waveOutSetVolume(nullptr, WaveOutVolumeFromLevel(level));
    SendVolumeToNavigation(level);
    RelaySetting(PROGRAM_HOMEDECK, RELAY_VOLUME, level);
}

void CHomeDeckDlg::ApplyFm(const FmRequest& request)
{
    if (request.tune)
        TuneFmTransmitter(request.tune->mode, request.tune->channel, request.tune->frequency);
    if (request.relayChannel)
        RelaySetting(PROGRAM_HOMEDECK, RELAY_FM_CHANNEL, *request.relayChannel);
}

void CHomeDeckDlg::OnBacklightCommand(int id)
{
    const int level = Clamp(m_edit_backlight + (id == ID_BACKLIGHT_UP ? 1 : -1), kMinBacklight, kMaxBacklight);
    if (level == m_edit_backlight)
        return;
    m_edit_backlight = level;
    ApplyBacklightLevel(level);
    DrawBacklight();
}

void CHomeDeckDlg::OnSoundCommand(int id)
{
    switch (id) {
    case ID_VOLUME_DOWN:
    case ID_VOLUME_UP: {
        const int level = Clamp(m_edit_volume + (id == ID_VOLUME_UP ? 1 : -1), kMinVolume, kMaxVolume);
        if (level != m_edit_volume) {
            m_edit_volume = level;
            ApplyVolume(level);
            DrawVolume();
        }
        return;
    }
    case ID_FREQUENCY_DOWN:
        m_fm.FrequencyDown();
        break;
    case ID_FREQUENCY_UP:
        m_fm.FrequencyUp();
        break;
    case ID_ADD:
        ApplyFm(m_fm.Add());
        break;
    case ID_REMOTE_UP:
        m_fm.PreviousPreset();
        break;
    case ID_REMOTE_DOWN:
        m_fm.NextPreset();
        break;
    case ID_MODE_FM:
    case ID_MODE_SPEAKER:
    case ID_MODE_BOTH:
        ApplyFm(m_fm.SelectMode(id - ID_MODE_FM));
        break;
    default:
        if (id >= ID_PRESET_1 && id <= ID_PRESET_4)
            ApplyFm(m_fm.SelectPreset(id - ID_PRESET_1 + 1));
        else
            return;
        break;
    }
    DrawFm();
}

void CHomeDeckDlg::OnSlider(int id, int value)
{
    if (id == ID_BACKLIGHT_BAR && m_screen == Screen::Backlight) {
        m_edit_backlight = Clamp(value, kMinBacklight, kMaxBacklight);
        ApplyBacklightLevel(m_edit_backlight);
    } else if (id == ID_VOLUME_BAR && m_screen == Screen::SoundFm) {
        const int level = Clamp(value, kMinVolume, kMaxVolume);
        if (level != m_edit_volume) {
            m_edit_volume = level;
            ApplyVolume(level);
        }
    }
}

void CHomeDeckDlg::SaveScreen()
{
    if (m_screen == Screen::Backlight) {
        m_settings.Set(CSystemSettings::BACKLIGHT, m_edit_backlight);
        m_settings.Save();
    } else if (m_screen == Screen::SoundFm) {
        const FmSettings saved = m_fm.Save();
        m_settings.SetVolume(m_edit_volume);
        m_settings.Set(CSystemSettings::AUDIO_OUTPUT, saved.mode);
        m_settings.SetFmChannel(saved.channel);
        for (int channel = 0; channel < 5; ++channel)
            m_settings.Set(CSystemSettings::FREQUENCY_0 + channel, saved.frequencies[static_cast<std::size_t>(channel)]);
        m_settings.Save();
    }
}

void CHomeDeckDlg::RestoreUnsaved()
{
    if (m_screen == Screen::Backlight) {
        if (m_edit_backlight != m_settings.Backlight()) {
            m_edit_backlight = m_settings.Backlight();
            ApplyBacklightLevel(m_edit_backlight);
        }
    } else if (m_screen == Screen::SoundFm) {
        if (m_edit_volume != m_settings.Volume()) {
            m_edit_volume = m_settings.Volume();
            ApplyVolume(m_edit_volume);
        }
        ApplyFm(m_fm.Leave(StoredFm()));
    }
}

void CHomeDeckDlg::Back()
{
    const std::optional<MenuPlace> place = BackFrom(m_screen);
    if (!place)
        return;
    RestoreUnsaved();
    ShowScreen(place->screen, place->focus);
}

}  // namespace homedeck
