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

namespace satscope {
namespace {

constexpr WORD kLinkId = 1;
constexpr UINT kMostBytesPerMessage = 4096;

}  // namespace

CSatScopeDlg::CSatScopeDlg() : CDialog("SATSCOPE", "[VORL] empty") {}

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

    // The command buttons: the receiver's commands are not offered yet; pause and log are, with
    // captions that say their state.
    for (int id = IDC_COMMAND_FIRST; id <= IDC_COMMAND_LAST; ++id) ShowControl(id, id == IDC_PAUSE || id == IDC_LOG);
    SetDlgItemText(m_hWnd, IDC_PAUSE, m_fix.paused ? Caption("RUNNING", "RUN") : Caption("PAUSE", "PAU"));
    SetDlgItemText(m_hWnd, IDC_LOG, m_logging ? Caption("STOP_WR", "S_W") : Caption("WR_LOG", "W_L"));
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
        SetDlgItemText(m_hWnd, IDC_CONNECT, Caption("CONNECTION", "CON"));
        EnableCommandButtons(false);
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
    SetDlgItemText(m_hWnd, IDC_CONNECT, Caption("DISCONNECTION", "DIS"));
    DrawSignal(SignalDraw::Full);
    SetTimer(kTimerFullRedraw, 1);
    EnableCommandButtons(true);
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
    if (!m_fix.paused) {
        m_fix.paused = true;
        SetDlgItemText(m_hWnd, IDC_PAUSE, Caption("RUNNING", "RUN"));
        if (m_log_active) m_log.Write(kLogPauseStart);
    } else {
        m_fix.paused = false;
        SetDlgItemText(m_hWnd, IDC_PAUSE, Caption("PAUSE", "PAU"));
        if (m_log_active) m_log.Write(kLogPauseEnd);
    }
}

void CSatScopeDlg::OnLog()
{
    if (m_logging) {
        m_logging = false;
        m_log_active = false;
        SetDlgItemText(m_hWnd, IDC_LOG, Caption("WR_LOG", "W_L"));
        m_log.Close();
        return;
    }
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const WallClock clock{now.wDayOfWeek, now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                          now.wMilliseconds};
    if (!m_log.Open(ProgramFolder() + "log.txt")) return;  // the caption stays: nothing is logged
    m_logging = true;
    SetDlgItemText(m_hWnd, IDC_LOG, Caption("STOP_WR", "S_W"));
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
        case IDC_PAUSE: OnPause(); return TRUE;
        case IDC_LOG: OnLog(); return TRUE;
        case IDCANCEL: CloseWindow(); return TRUE;
        default: break;
        }
    }
    return CDialog::OnCommand(wparam, lparam);
}

void CSatScopeDlg::OnTimer(UINT_PTR id)
{
    if (id == kTimerFullRedraw) {
        KillTimer(kTimerFullRedraw);
        DrawSignal(SignalDraw::Full);
        return;
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
    m_signal.Draw(m_fix, mode, m_port_open && m_layout.signal_height > 0 && m_handler.Preset() != 3);
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
