// SatScope's window, dialog 102: the signal bars, the summary grid and the sentence list on the
// left, the port and baud lists, the connect button, the receiver types, the times and the
// command buttons in the column on the right. It owns the serial link and feeds what arrives to
// the sentence assembler on its own thread. The command buttons send the chosen receiver type's
// commands through the link; the receiver's answers come back in the notice and version lines.
#pragma once

#include <array>
#include <string>

#include "platform/app/dialog.h"
#include "platform/gfx/gfx.h"
#include "satscope/fix_state.h"
#include "satscope/layout.h"
#include "satscope/command_buttons.h"
#include "satscope/program_files.h"
#include "satscope/receiver_commands.h"
#include "satscope/receiver_replies.h"
#include "satscope/sentence_assembler.h"
#include "satscope/sentence_handler.h"
#include "satscope/serial_link.h"
#include "satscope/settings.h"
#include "satscope/signal_view.h"

namespace satscope {

class CSatScopeDlg final : public CDialog,
                           private ScopeWindow,
                           private SentenceLog,
                           private CommandLink,
                           private CommandWindow,
                           private ReplyWindow {
public:
    CSatScopeDlg();
    ~CSatScopeDlg() override;

    // The status text of the last settings load or connect attempt (not shown on screen).
    const std::string& StatusText() const { return m_status; }

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wparam, LPARAM lparam) override;
    void OnTimer(UINT_PTR id) override;
    LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    // ScopeWindow
    void SetText(int control, const std::string& text) override;
    int ListCount() override;
    void DeleteFirstListLine() override;
    void AppendListLine(const std::string& line) override;
    void StartTimer(unsigned id, unsigned period_ms) override;
    void StopTimer(unsigned id) override;
    void DrawSignal(SignalDraw mode) override;
    void Trace(const std::string& line) override;
    // SentenceLog
    bool Active() const override { return m_log_active; }
    void WriteSentence(std::string_view sentence) override;
    // CommandLink
    bool PortOpen() const override { return m_port_open; }
    void Write(std::span<const std::uint8_t> bytes) override;
    // CommandWindow, ReplyWindow
    void ShowControl(int id, bool show) override;
    void ClearSignal() override { DrawSignal(SignalDraw::Clear); }
    void StartTimeToFix() override { m_handler.StartTimeToFix(); }
    void ShowNotice(const std::string& text) override;

    void SetStatus(const std::string& text);
    void LoadSettings();
    void Layout();
    void OnConnect();
    void CloseLinkIfOpen();
    void EnableCommandButtons(bool enable);
    void OnGpsData();
    void OnPause();
    void OnLog();
    void CloseWindow();
    void SetUpReceiverType();
    void OnReceiverType(ReceiverType type);
    void OnCommandButton(int id);
    void OnPreset(int preset);
    void PaintNoticeBand();
    // Draws the bars on `dc`, or on the window's own DC when none is given.
    void DrawSignalOn(HDC dc, SignalDraw mode);
    std::string Caption(const char* full, const char* compact) const { return m_compact ? compact : full; }

    FixState m_fix;
    SentenceHandler m_handler{m_fix, *this, *this};
    SentenceAssembler m_assembler{m_handler};
    SerialLink m_link;
    SignalView m_signal;
    LogFile m_log;
    ReceiverCommands m_commands{*this, *this};
    ReceiverReplyHandler m_replies{m_commands, *this};
    ReceiverType m_type = ReceiverType::Sirf;
    std::array<CommandButton, 12> m_buttons{};

    Settings m_settings;
    LayoutResult m_layout;
    std::string m_status;
    bool m_compact = false;
    bool m_port_open = false;
    bool m_connected = false;
    bool m_logging = false;
    bool m_log_active = false;
    bool m_built = false;
    HBRUSH m_background = nullptr;
};

}  // namespace satscope
