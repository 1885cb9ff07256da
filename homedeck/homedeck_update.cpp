// HomeDeck's firmware update (Update on the information screen) and the information screen's
// texts.
#include <memory>

#include "framework/program_messages.h"
#include "framework/system_settings.h"
#include "homedeck/firmware_update.h"
#include "homedeck/homedeck_dlg.h"
#include "homedeck/system_info.h"
#include "platform/app/string_table.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"

namespace homedeck {
namespace {

constexpr DWORD kClosedProgramsWaitMs = 5000;
constexpr DWORD kFinishWaitMs = 500;

constexpr int kInfoTextSize = 15;
constexpr COLORREF kInfoTextColour = 13360611;
constexpr int kInfoTextRight = 610;
constexpr RECT kResultRect = {164, 44, 620, 80};

// What the update thread needs; it never touches the dialog object itself.
struct UpdateJob {
    HWND dialog = nullptr;
    HWND wait_box = nullptr;
    std::vector<HWND> closing;
};

// Waits until the closed programs' windows are gone, so that none of them still runs when
// the first byte is written; a program that does not end in time is named in the log.
void WaitForClosedPrograms(const std::vector<HWND>& closing) {
    const DWORD start = GetTickCount();
    for (HWND window : closing) {
        while (IsWindow(window) && GetTickCount() - start < kClosedProgramsWaitMs) Sleep(20);
        if (IsWindow(window)) DebugPrintf("HomeDeck: a program was still running when the update began\n");
    }
}

}  // namespace

void CHomeDeckDlg::StartUpdate()
{
    // One update at a time: a second press, or 1042 posted meanwhile, finds it running.
    if (m_update_thread || !UpdateFilesPresent())
        return;
    auto job = std::make_unique<UpdateJob>();
    job->dialog = m_hWnd;
    job->wait_box = m_wait_box.Window();
    m_update_result = 0;
    m_update_cut = false;
    if (job->wait_box)
        SendMessage(job->wait_box, WM_WAITBOX_SHOW, 0, 0);
    m_screen = Screen::Update;
    for (const ApplicationEntry& entry : kApplicationTable) {
        if (entry.id >= PROGRAM_TABLE_END)
            break;
        if (entry.id == PROGRAM_HOMEDECK)
            continue;
        if (HWND window = FindProgramWindow(ProgramWindowName(entry.id))) {
            DWORD_PTR result = 0;
            SendMessageTimeout(window, WM_CLOSE, 0, 0, SMTO_NORMAL, kClosedProgramsWaitMs, &result);
            job->closing.push_back(window);
        }
    }
    // The update runs below normal priority, so the dialog and the wait box stay lively.
    m_update_thread = CreateThread(nullptr, 0, &CHomeDeckDlg::UpdateThread, job.get(), CREATE_SUSPENDED, nullptr);
    if (m_update_thread) {
        job.release();  // the thread's now
        SetThreadPriority(m_update_thread, THREAD_PRIORITY_BELOW_NORMAL);
        ResumeThread(m_update_thread);
    } else {
        DebugPrintf("HomeDeck: the update thread did not start\n");
        PostMessage(m_hWnd, WM_COMMAND, ID_UPDATE_DONE, 0);
    }
}

DWORD CHomeDeckDlg::UpdateThread(void* parameter)
{
    const std::unique_ptr<UpdateJob> job(static_cast<UpdateJob*>(parameter));
    WaitForClosedPrograms(job->closing);
    const HWND box = job->wait_box;
    int shown = -1;
    FirmwareUpdate update([box, &shown](int percent) {
        if (percent == shown)
            return;
        shown = percent;
        DebugPrintf("HomeDeck: update progress %d\n", percent);
        if (box)
            PostMessage(box, WM_WAITBOX_PROGRESS, static_cast<WPARAM>(percent), 0);
    });
    const bool succeeded = update.Run();
    DebugPrintf("HomeDeck: update %s\n", succeeded ? "done" : "failed");
    Sleep(kFinishWaitMs);
    PostMessage(job->dialog, WM_COMMAND, ID_UPDATE_DONE, succeeded ? 1 : 0);
    return 0;
}

void CHomeDeckDlg::FinishUpdate(bool succeeded)
{
    if (m_update_thread) {
        CloseHandle(m_update_thread);
        m_update_thread = nullptr;
    }
    if (HWND box = m_wait_box.Window())
        SendMessage(box, WM_WAITBOX_HIDE, 0, 0);
    // The outcome stays on the screen until it is left.
    m_update_result = succeeded ? kUpdateDoneString : kUpdateFailedString;
    ShowScreen(Screen::SystemInfo, 0);
}

void CHomeDeckDlg::DrawSystemInfo()
{
    struct Line {
        int left, top, bottom;
        std::string text;
    };
    std::string product = ReadProductVersion();
    if (product.empty())
        product = kNoVersion;
    const StorageSizes sizes = ReadStorageSizes();
    const Line lines[] = {
        {212, 154, 230, "MODEL: ZR4"},
        {212, 178, 230, "OS:"},
        {212, 202, 230, "DMB:"},
        {288, 178, 230, product},
        {288, 202, 230, GetFileVersionText("\\NAND\\TELECAST.EXE")},
        {400, 178, 230, "SYSTEM: 1.020"},
        {212, 324, 404, "전체용량:"},
        {212, 348, 404, "사용용량:"},
        {212, 372, 404, "남은용량:"},
        {314, 324, 404, FormatSize(sizes.total_k)},
        {314, 348, 404, FormatSize(sizes.used_k)},
        {314, 372, 404, FormatSize(sizes.free_k)},
    };
    for (const Line& line : lines)
        DrawText(line.left, line.top, kInfoTextRight, line.bottom, kInfoTextSize, kInfoTextColour, line.text);
    if (const UINT result = m_update_result ? m_update_result : (m_update_cut ? kUpdateCutString : 0))
        DrawText(kResultRect.left, kResultRect.top, kResultRect.right, kResultRect.bottom, kInfoTextSize,
                 kInfoTextColour, LoadString(result).value_or(std::string()), DT_CENTER | DT_VCENTER);
}

}  // namespace homedeck
