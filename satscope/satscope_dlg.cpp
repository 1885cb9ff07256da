#include "satscope/satscope_dlg.h"

#include <cstdlib>
#include <vector>

#include "platform/app/controls.h"
#include "platform/app/template_dialog.h"
#include "platform/gfx/window_dc.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/system_time.h"
#include "satscope/control_ids.h"
#include "satscope/log_text.h"
#include "satscope/signal_canvas.h"

namespace satscope {
namespace {

constexpr WORD kLinkId = 1;
constexpr UINT kMostBytesPerMessage = 4096;
constexpr unsigned kNoticeMs = 3000;
constexpr int kNoticeBandHeight = 20;

// The window-split presets, UI1..UI5: the proportions signal : summary : list.
struct PresetShares {
    int signal, summary, list;
};
constexpr PresetShares kPresetShares[5] = {{5, 1, 4}, {9, 1, 0}, {0, 2, 8}, {4, 1, 5}, {1, 1, 1}};

}  // namespace

CSatScopeDlg::CSatScopeDlg() : CDialog("SATSCOPE", "[VORL] empty")
{
    m_handler.SetReplies(&m_replies);
}

CSatScopeDlg::~CSatScopeDlg()
{
    if (m_background) DeleteObject(m_background);
}

BOOL CSatScopeDlg::OnInitDialog()
{
    std::string problem;
    const auto dialog = LoadDialogTemplate("102", problem);
    if (!dialog || !CreateTemplateControls(m_hWnd, *dialog)) {
        DebugPrintf("SatScope: dialog 102: %s\r\n", problem.c_str());
        EndDialog(IDCANCEL);
        return FALSE;
    }
    m_built = true;
    for (const std::string_view port : kPortNames)
        SendDlgItemMessage(m_hWnd, IDC_PORTS, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::string(port).c_str()));
    for (const std::string_view baud : kBaudNames)
        SendDlgItemMessage(m_hWnd, IDC_BAUDS, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::string(baud).c_str()));
    SendDlgItemMessage(m_hWnd, IDC_TYPE_SIRF, BM_SETCHECK, BST_CHECKED, 0);

    LoadSettings();
    Layout();
    SetWindowText(WindowTitle(m_compact));
    EnableCommandButtons(m_connected);
    return TRUE;
}

void CSatScopeDlg::SetStatus(const std::string& text)
{
    m_status = text;
    if (!text.empty()) DebugPrintf("SatScope: %s\r\n", text.c_str());
}

void CSatScopeDlg::LoadSettings()
{
    const std::string path = ProgramFolder() + std::string(kSettingsFile);
    const std::optional<std::string> file = ReadSettingsFile(path);
    // The load leaves the status text of the check that stopped it (a lookup's own, when a
    // lookup failed): that one is shown, not one per key looked for.
    const SettingsLoad load = satscope::LoadSettings(
        [&](std::string_view key) { return LookupSetting(file ? &*file : nullptr, key); },
        GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    for (const std::string& trace : load.traces) DebugPrintf("SatScope: %s\r\n", trace.c_str());
    m_settings = load.settings;
    SendDlgItemMessage(m_hWnd, IDC_PORTS, CB_SETCURSEL, static_cast<WPARAM>(m_settings.port), 0);
    SendDlgItemMessage(m_hWnd, IDC_BAUDS, CB_SETCURSEL, static_cast<WPARAM>(m_settings.baud), 0);
    SetStatus(load.status);
    if (load.status.empty() && m_settings.auto_connect) OnConnect();
}

void CSatScopeDlg::ShowControl(int id, bool show)
{
    ::ShowWindow(GetDlgItem(m_hWnd, id), show ? SW_SHOW : SW_HIDE);
}

void CSatScopeDlg::Layout()
{
    LayoutInput input;
    input.window_width = m_settings.window_width;
    input.window_height = m_settings.window_height;
    input.control_width = m_settings.control_width;
    input.signal_share = m_settings.signal_share;
    input.summary_share = m_settings.summary_share;
    input.list_share = m_settings.list_share;
    input.port_open = m_port_open;
    m_layout = ComputeLayout(input);
    m_compact = m_layout.compact;
    m_handler.SetCompact(m_compact);
    m_replies.SetCompact(m_compact);

    RECT rect;
    GetWindowRect(m_hWnd, &rect);
    MoveWindow(m_hWnd, rect.left, rect.top, m_layout.window_width, m_layout.window_height, TRUE);
    for (const Placement& place : m_layout.placements) {
        const HWND control = GetDlgItem(m_hWnd, place.id);
        MoveWindow(control, place.x, place.y, place.width, place.height, TRUE);
        const bool command = place.id >= IDC_COMMAND_FIRST && place.id <= IDC_COMMAND_LAST;
        if (!command) ::ShowWindow(control, place.visible ? SW_SHOW : SW_HIDE);
    }
    for (const auto& [id, caption] : m_layout.captions) SetDlgItemText(m_hWnd, id, caption);

    SetUpReceiverType();
}

void CSatScopeDlg::SetUpReceiverType()
{
    // Captions follow the window's size and the pause and log states; the D buttons appear only
    // in developer mode, and a type's unused buttons stay hidden.
    for (int id = IDC_COMMAND_FIRST; id <= IDC_COMMAND_LAST; ++id) ShowControl(id, false);
    m_buttons = CommandButtons(m_type, m_settings.developer, m_compact, m_fix.paused, m_logging);
    for (const CommandButton& button : m_buttons) {
        if (button.action == ButtonAction::Hidden) continue;
        SetDlgItemText(m_hWnd, button.id, button.caption);
        ShowControl(button.id, true);
    }
}

void CSatScopeDlg::OnReceiverType(ReceiverType type)
{
    if (type == m_type) return;
    m_type = type;
    SetUpReceiverType();
}

void CSatScopeDlg::OnCommandButton(int id)
{
    const CommandButton& button = m_buttons[static_cast<std::size_t>(id - IDC_COMMAND_FIRST)];
    switch (button.action) {
    case ButtonAction::Command: m_commands.Run(button.command); break;
    case ButtonAction::Pause: OnPause(); break;
    case ButtonAction::Log: OnLog(); break;
    case ButtonAction::Hidden: break;
    }
}

void CSatScopeDlg::OnPreset(int preset)
{
    if (preset == m_handler.Preset()) return;
    DrawSignal(SignalDraw::Clear);
    DrawSignal(SignalDraw::Full);
    // The stored window height never loses the caption bar (the layout takes it off a copy), so
    // there is no height to give back here: any number of preset changes keeps the window's size.
    DrawSignal(SignalDraw::ClearGrey);
    ShowControl(IDC_SENTENCES, true);
    const PresetShares& shares = kPresetShares[preset - 1];
    m_settings.signal_share = shares.signal;
    m_settings.summary_share = shares.summary;
    m_settings.list_share = shares.list;
    m_handler.SetPreset(preset);
    Layout();
    DrawSignal(SignalDraw::Clear);
    SetTimer(kTimerFullRedraw, 1);
}

void CSatScopeDlg::EnableCommandButtons(bool enable)
{
    for (int id = IDC_COMMAND_FIRST; id <= IDC_COMMAND_LAST; ++id) EnableWindow(GetDlgItem(m_hWnd, id), enable);
}

void CSatScopeDlg::CloseLinkIfOpen()
{
    if (m_port_open) m_link.Close();
    m_port_open = false;
}

void CSatScopeDlg::OnConnect()
{
    if (m_connected) {
        EnableWindow(GetDlgItem(m_hWnd, IDC_PORTS), TRUE);
        EnableWindow(GetDlgItem(m_hWnd, IDC_BAUDS), TRUE);
        CloseLinkIfOpen();
        m_connected = false;
        // The caption changes last: once it says so, the rest of the window says so too.
        EnableCommandButtons(false);
        SetDlgItemText(m_hWnd, IDC_CONNECT, Caption("CONNECTION", "CON"));
        m_fix.satellites_in_view = 0;
        return;
    }
    const auto selected = [&](int list) -> std::optional<std::string> {
        const LRESULT index = SendDlgItemMessage(m_hWnd, list, CB_GETCURSEL, 0, 0);
        if (index == CB_ERR) return std::nullopt;
        const LRESULT length = SendDlgItemMessage(m_hWnd, list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
        if (length == CB_ERR) return std::nullopt;
        std::vector<char> text(static_cast<std::size_t>(length) + 1);
        SendDlgItemMessage(m_hWnd, list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
        return std::string(text.data());
    };
    const std::optional<std::string> port = selected(IDC_PORTS);
    if (!port) {
        SetStatus("comport open fail");
        CloseLinkIfOpen();
        Sleep(100);
        return;
    }
    const std::optional<std::string> baud = selected(IDC_BAUDS);
    if (!baud) {
        SetStatus("baudrate open fail ");
        CloseLinkIfOpen();
        Sleep(100);
        return;
    }
    const DWORD rate = static_cast<DWORD>(std::strtoul(baud->c_str(), nullptr, 10));
    if (m_port_open) {
        m_link.Close();
        m_port_open = false;
        Sleep(2000);
    }
    if (!m_link.Open(m_hWnd, *port, rate, kLinkId)) {
        m_port_open = false;
        SetStatus("open port fail ");
        Sleep(100);
        return;
    }
    m_port_open = true;
    DebugPrintf("SatScope: %s open at %u baud\r\n", port->c_str(), rate);
    EnableWindow(GetDlgItem(m_hWnd, IDC_PORTS), FALSE);
    EnableWindow(GetDlgItem(m_hWnd, IDC_BAUDS), FALSE);
    m_connected = true;
    DrawSignal(SignalDraw::Full);
    SetTimer(kTimerFullRedraw, 1);
    EnableCommandButtons(true);
    SetDlgItemText(m_hWnd, IDC_CONNECT, Caption("DISCONNECTION", "DIS"));
}

void CSatScopeDlg::OnGpsData()
{
    UINT count = m_link.Count();
    if (count > kMostBytesPerMessage) {
        Trace("ERR: over FIFO!");
        count = kMostBytesPerMessage;
        // The rest is already here: take it with the next message, not with the next bytes.
        PostMessage(m_hWnd, kGpsDataMessage, kLinkId, 0);
    }
    std::uint8_t batch[kMostBytesPerMessage];
    UINT taken = 0;
    while (taken < count && m_link.Get(batch[taken])) ++taken;
    m_assembler.Feed(std::span<const std::uint8_t>(batch, taken));
}

void CSatScopeDlg::OnPause()
{
    const PausePress press = PressPause(m_fix.paused, m_compact, m_log_active);
    m_fix.paused = press.paused;
    SetDlgItemText(m_hWnd, IDC_PAUSE, press.caption);
    if (press.log_mark) m_log.Write(press.log_mark);
}

void CSatScopeDlg::OnLog()
{
    if (m_logging) {
        m_logging = false;
        m_log_active = false;
        SetDlgItemText(m_hWnd, IDC_LOG, LogCaption(false, m_compact));
        m_log.Close();
        return;
    }
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const WallClock clock{now.wDayOfWeek, now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                          now.wMilliseconds};
    if (!m_log.Open(ProgramFolder() + "log.txt")) return;  // the caption stays: nothing is logged
    m_logging = true;
    SetDlgItemText(m_hWnd, IDC_LOG, LogCaption(true, m_compact));
    m_log.Write(LogHeader(m_fix, clock));
    m_log_active = true;
}

void CSatScopeDlg::CloseWindow()
{
    if (m_port_open) {
        m_link.Close();
        m_port_open = false;
        Sleep(10);
    }
    m_log_active = false;
    m_log.Close();
    EndDialog(IDCANCEL);
}

BOOL CSatScopeDlg::OnCommand(WPARAM wparam, LPARAM lparam)
{
    const int id = LOWORD(wparam);
    const WORD code = HIWORD(wparam);
    if (code == BN_CLICKED) {
        switch (id) {
        case IDC_CONNECT: OnConnect(); return TRUE;
        case IDCANCEL: CloseWindow(); return TRUE;
        default: break;
        }
        if (id >= IDC_COMMAND_FIRST && id <= IDC_COMMAND_LAST) {
            OnCommandButton(id);
            return TRUE;
        }
        if (id >= IDC_PRESET_FIRST && id <= IDC_PRESET_LAST) {
            OnPreset(id - IDC_PRESET_FIRST + 1);
            return TRUE;
        }
        if (const std::optional<ReceiverType> type = TypeOfRadio(id)) {
            OnReceiverType(*type);
            return TRUE;
        }
    }
    return CDialog::OnCommand(wparam, lparam);
}

void CSatScopeDlg::OnTimer(UINT_PTR id)
{
    switch (id) {
    case kTimerFullRedraw:
        KillTimer(kTimerFullRedraw);
        DrawSignal(SignalDraw::Full);
        return;
    case kTimerNoticeHide:
        KillTimer(kTimerNoticeHide);
        ShowControl(IDC_NOTICE, false);
        SetTimer(kTimerNoticeBand, 1);
        return;
    case kTimerNoticeBand:
        KillTimer(kTimerNoticeBand);
        PaintNoticeBand();
        return;
    default:
        break;
    }
    m_handler.OnTimer(static_cast<unsigned>(id));
}

LRESULT CSatScopeDlg::WindowProc(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case kGpsDataMessage:
        if (m_built) OnGpsData();
        return 0;
    case WM_CLOSE:
        CloseWindow();
        return 0;
    case WM_PAINT: {
        // The window's own ground, white; its controls paint themselves over it.
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(m_hWnd, &paint);
        if (!m_background) m_background = CreateSolidBrush(RGB(255, 255, 255));
        FillRect(dc, &paint.rcPaint, m_background);
        // The ground just painted wiped whatever bars stood there: the update draws them all.
        const RECT& wiped = paint.rcPaint;
        if (wiped.left < m_layout.left_width && wiped.top < m_layout.signal_height && wiped.right > 0 && wiped.bottom > 0)
            m_fix.drawn_count = 0;
        DrawSignalOn(dc, SignalDraw::Update);
        EndPaint(m_hWnd, &paint);
        return 0;
    }
    default:
        return CDialog::WindowProc(message, wparam, lparam);
    }
}

void CSatScopeDlg::SetText(int control, const std::string& text)
{
    SetDlgItemText(m_hWnd, control, text);
}

int CSatScopeDlg::ListCount()
{
    return static_cast<int>(SendDlgItemMessage(m_hWnd, IDC_SENTENCES, LB_GETCOUNT, 0, 0));
}

void CSatScopeDlg::DeleteFirstListLine()
{
    SendDlgItemMessage(m_hWnd, IDC_SENTENCES, LB_DELETESTRING, 0, 0);
}

void CSatScopeDlg::AppendListLine(const std::string& line)
{
    const LRESULT index = SendDlgItemMessage(m_hWnd, IDC_SENTENCES, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    if (index >= 0) SendDlgItemMessage(m_hWnd, IDC_SENTENCES, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
}

void CSatScopeDlg::StartTimer(unsigned id, unsigned period_ms)
{
    SetTimer(id, period_ms);
}

void CSatScopeDlg::StopTimer(unsigned id)
{
    KillTimer(id);
}

void CSatScopeDlg::DrawSignal(SignalDraw mode)
{
    DrawSignalOn(nullptr, mode);
}

void CSatScopeDlg::DrawSignalOn(HDC dc, SignalDraw mode)
{
    const bool can_draw = m_built && m_port_open && m_layout.signal_height > 0 && m_handler.Preset() != 3;
    const HDC own = can_draw && !dc ? GetDC(m_hWnd) : nullptr;
    const SignalArea area{m_layout.left_width, m_layout.signal_height};
    const RECT clip{0, 0, m_layout.left_width, m_layout.signal_height};
    GdiSignalCanvas canvas(dc ? dc : own, clip);
    const int bars = m_signal.Draw(m_fix, mode, can_draw && (dc || own), area, canvas);
    if (own) ReleaseDC(m_hWnd, own);
    if (bars > 0) DebugPrintf("SatScope: %d bars drawn (%d in all)\r\n", bars, m_signal.Draws());
}

void CSatScopeDlg::PaintNoticeBand()
{
    // Where the notice stood: the bars drawn under it are not redrawn until they change.
    if (!m_built || m_layout.left_width <= 4) return;
    const HDC dc = GetDC(m_hWnd);
    if (!dc) return;
    const RECT band{2, 2, 2 + m_layout.left_width - 4, 2 + kNoticeBandHeight};
    if (!m_background) m_background = CreateSolidBrush(RGB(255, 255, 255));
    FillRect(dc, &band, m_background);
    ReleaseDC(m_hWnd, dc);
}

void CSatScopeDlg::Write(std::span<const std::uint8_t> bytes)
{
    if (!bytes.empty()) m_link.Write(bytes.data(), static_cast<DWORD>(bytes.size()));
}

void CSatScopeDlg::ShowNotice(const std::string& text)
{
    SetDlgItemText(m_hWnd, IDC_NOTICE, text);
    ShowControl(IDC_NOTICE, true);
    SetTimer(kTimerNoticeHide, kNoticeMs);
}

void CSatScopeDlg::Trace(const std::string& line)
{
    DebugPrintf("%s\r\n", line.c_str());
}

void CSatScopeDlg::WriteSentence(std::string_view sentence)
{
    std::string line(sentence);
    line += '\n';
    m_log.Write(line);
}

}  // namespace satscope
