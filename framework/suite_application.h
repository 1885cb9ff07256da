// What the application objects of the suite's dialog programs share: one running copy (a
// second start wakes the first and ends), the program's identity, HomeDeck's window kept by
// the players, and a main dialog run modally after which the program ends.
#pragma once

#include <string>

#include "framework/program_messages.h"
#include "framework/skin_dialog.h"
#include "framework/single_instance.h"
#include "framework/system_settings.h"
#include "platform/app/application.h"
#include "platform/app/dialog.h"

struct ProgramIdentity {
    int id;
    const char* guid;                  // name prefix of the single-instance objects
    const char* window_name;           // the main dialog's title
    const char* wakeup_line;           // printf format with one %s: the command line handed over
    const char* second_instance_line;  // written by a second copy before it ends
    bool links_to_homedeck;            // the players find HomeDeck at start
};

extern const ProgramIdentity kHomeDeckIdentity;
extern const ProgramIdentity kMusicIdentity;
extern const ProgramIdentity kMovieIdentity;
extern const ProgramIdentity kTelecastIdentity;
extern const ProgramIdentity kFileShelfIdentity;
extern const ProgramIdentity kExtviewIdentity;
extern const ProgramIdentity kRouteKitIdentity;

// The single-instance guard of one program: its wake-up writes the program's line first.
class CProgramInstance : public CSingleInstance {
public:
    explicit CProgramInstance(const ProgramIdentity& identity) : m_identity(identity) {}
    ~CProgramInstance() override { Destroy(); }
    void WakeUp(const std::string& command_line) override;

private:
    const ProgramIdentity& m_identity;
};

class CSuiteApp : public CWinApp {
public:
    explicit CSuiteApp(const ProgramIdentity& identity) : m_identity(identity), m_instance(identity) {}

    BOOL InitInstance() override;
    int ExitInstance() override;

    const ProgramIdentity& Identity() const { return m_identity; }
    const CHomeDeckLink& HomeDeck() const { return m_homedeck; }

protected:
    // Runs the program's main dialog modally; the program ends when it returns.
    virtual void RunMainDialog() = 0;

    const ProgramIdentity& m_identity;
    CProgramInstance m_instance;
    CHomeDeckLink m_homedeck;
};

// The main dialog of a suite program: its window title is the program's window name, set at
// initialisation before anything can look for it; it is the application's main window.
class CSuiteDialog : public CDialog {
public:
    explicit CSuiteDialog(const ProgramIdentity& identity);

protected:
    BOOL OnInitDialog() override;
    const ProgramIdentity& m_identity;
};

// The main dialog of a player (Music, Movie, Telecast, Extview): a skin dialog whose window
// title is the program's window name, set at initialisation before anything can look for it.
// It keeps its copy of the shared settings and follows HomeDeck's relays.
class CPlayerDialog : public CSkinDialogEx {
public:
    explicit CPlayerDialog(const ProgramIdentity& identity, SkinDialogOptions options = {});

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;
    // A relayed or requested setting change: volume (100), FM channel (101), mute (102), or
    // re-read everything (203).
    virtual void OnSettingRelay(WPARAM code, int value);

    // Another sound asks to be heard (message 8590): code 1 lowers the player at once, code 0
    // gives its sound back a second later, on the player's timer `timer`; other codes are
    // ignored. The player's EndDuck runs when that timer fires.
    void DuckFor(WPARAM code, UINT_PTR timer);
    void EndDuck(UINT_PTR timer);
    // The graph's volume index the player's rules give now: muted, ducked, and the level.
    int GraphVolumeLevel() const;
    // Puts GraphVolumeLevel on the player's graph; called whenever it may have changed.
    virtual void ApplyGraphVolume() {}
    // Shows the mute button's image and the volume text of the settings.
    virtual void ShowVolume() {}
    // Applies the volume setting: the mute flag follows a level of 0 (HomeDeck hears of a
    // change when `tell_mute_change`), the graph takes the level, the screen shows both.
    void ApplyVolumeSetting(const CHomeDeckLink& homedeck, bool tell_mute_change);
    // The mute button: when muted, the volume setting is applied again (which unmutes unless it
    // is 0); else the player goes silent. HomeDeck then hears the mute flag.
    void ToggleMuteSetting(const CHomeDeckLink& homedeck);
    // The FM transmitter's next channel (0 -> 1 -> 2 -> 3 -> 4 -> 0): kept, told to HomeDeck
    // and tuned. Returns the channel.
    int StepFmChannel(const CHomeDeckLink& homedeck);
    // The FM button `control` for the stored channel: `off_image` for channel 0, else
    // `on_image` with the channel's frequency ("%d.%d") as its text.
    void ShowFmButton(int control, UINT on_image, UINT off_image);

    const ProgramIdentity& m_identity;
    CSystemSettings m_settings;
    bool m_ducked = false;
};
