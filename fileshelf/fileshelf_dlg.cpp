#include "fileshelf/fileshelf_dlg.h"

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include "fileshelf/list_view_ex.h"
#include "fileshelf/playlist_file.h"
#include "fileshelf/volume_watcher.h"
#include "framework/program_messages.h"
#include "framework/system_settings.h"
#include "platform/files/codepage.h"
#include "platform/files/files.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"

namespace fileshelf {
namespace {

constexpr const char* kWindowName = "APP_BROWSER";
constexpr UINT kIconImage = 128;
// The watcher's news: wParam 1 while the card is there, lParam 1 while the USB drive is.
constexpr UINT kVolumesChanged = WM_APP + 40;
constexpr RECT kPlayListPlace = {5, 88, 5 + 346, 88 + 260};
constexpr RECT kFileListPlace = {452, 88, 452 + 346, 88 + 260};
constexpr int kTitleSize = 16;
constexpr COLORREF kTitleColour = RGB(255, 172, 8);

// A row's record: what the list shows is its text; what the commands need is here.
struct ShelfRecord final : CListRecord {
    explicit ShelfRecord(ListItem row) : item(std::move(row)) {}
    ListItem item;
};

const ShelfRecord* RecordOf(const CListCtrl& list, int row) {
    return list.GetItemDataAs<ShelfRecord>(row);
}

void AppendRow(CListCtrl& list, ListItem item) {
    const int image = item.kind == ItemKind::Folder ? kFolderRowImage : -1;
    const std::string text = item.display_name;
    const int row = list.InsertItem(list.GetItemCount(), text, std::make_unique<ShelfRecord>(std::move(item)), image);
    list.SetCheck(row, FALSE);
}

// Each entry of a folder with its kind, in the find-file order; false when it cannot be listed.
bool ForEachEntry(const std::string& folder, const std::function<void(const std::string&, EntryKind)>& take) {
    WIN32_FIND_DATA found;
    HANDLE search = FindFirstFile(folder + "\\*.*", &found);
    if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_NO_MORE_FILES;
    do {
        take(found.cFileName,
             (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryKind::Folder : EntryKind::File);
    } while (FindNextFile(search, &found));
    FindClose(search);
    return true;
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The path in the system code page, or nothing when a character has no place in it: a path
// the playlist cannot hold is one no player could find again.
std::optional<std::string> InCodePage(std::string_view utf8) {
    const std::u16string wide = platform::Utf8ToWide(utf8);
    if (wide.empty()) return std::string();
    const UINT code_page = platform::SystemCodePage();
    const int size = WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                         nullptr);
    if (size <= 0) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    BOOL used_default = FALSE;
    if (WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), size, nullptr,
                            &used_default) != size ||
        used_default)
        return std::nullopt;
    return bytes;
}

}  // namespace

CFileShelfDlg::CFileShelfDlg(std::string command_line)
    : CSkinDialogEx("APP_BROWSER_DIALOG", kWindowName, SkinDialogOptions{true, false}),
      m_command_line(std::move(command_line)) {
    SetName("FileShelf");
}

CFileShelfDlg::~CFileShelfDlg() {
    if (m_icon) DeleteObject(m_icon);
}

BOOL CFileShelfDlg::OnInitDialog() {
    // 1. The screen, the icon and the window name the players look for.
    if (!InitFromTemplate("main")) DebugPrintf("FileShelf: no screen\n");
    m_icon = LoadBitmap(kIconImage);
    SendMessage(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessage(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
    ::SetWindowText(m_hWnd, kWindowName);

    // 2. The two lists' data, a page of eight rows each.
    const DWORD styles = LVS_EX_FULLROWSELECT | LVS_EX_TRACKSELECT | LVS_EX_CHECKBOXES;
    m_file_list.SetExtendedStyle(styles);
    m_file_list.InsertColumn(0, "NAME", LVCFMT_LEFT, 300);
    m_file_list.SetCountPerPage(kRowsPerPage);
    m_play_list.SetExtendedStyle(styles);
    m_play_list.InsertColumn(0, "LIST", LVCFMT_LEFT, 300);
    m_play_list.SetCountPerPage(kRowsPerPage);

    // 3. The list windows, each made on its own thread; a list without one goes unpainted.
    m_play_view = CListViewEx::Create(m_hWnd, m_play_list, kPlayListId, "PLAY");
    m_file_view = CListViewEx::Create(m_hWnd, m_file_list, kFileListId, "FILE");

    // 4. The mode from the command line, and the order of names: "Track 2" before "Track 10"
    // when the suite's registry value NaturalSort is 1.
    m_mode = FindBrowseMode(m_command_line);
    m_type_table = std::string(TypeTableOf(m_mode));
    m_order = ReadAppValue("NaturalSort", 0) == 1 ? NameOrder::Natural : NameOrder::Plain;

    // 5 and 6. The play list from the player's file, and the top level.
    LoadPlayList();
    SetTextStyle(kTitleId, kTitleSize, kTitleColour, 0, 0, -1);
    BuildFileList();

    // 7. The volumes as they are now, and the watcher that tells of changes.
    m_volumes = CurrentVolumes();
    m_watcher = std::make_unique<VolumeWatcher>(m_hWnd, kVolumesChanged, m_volumes);
    if (!m_watcher->Start()) DebugPrintf("FileShelf: the volume watcher did not start\n");

    // 8 and 9. The title, the screen, and the list windows over it.
    UpdateTitle();
    RedrawAll();
    EnablePainting(true);
    if (m_play_view) m_play_view->Place(kPlayListPlace);
    if (m_file_view) m_file_view->Place(kFileListPlace);
    return TRUE;
}

LRESULT CFileShelfDlg::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_COMMAND:
            RunCommand(LOWORD(static_cast<DWORD>(wparam)));
            return 0;
        case WM_LISTVIEWEX_TAP:
            // The same number is the skin dialog's slider notice, whose releases over nothing
            // carry 514: only the lists' ids are taps.
            if (wparam == kPlayListId || wparam == kFileListId) {
                OnTap(static_cast<int>(wparam), static_cast<int>(lparam));
                return 0;
            }
            break;
        case kVolumesChanged:
            OnVolumes({wparam != 0, lparam != 0});
            return 0;
        case WM_CLOSE:
            Close();
            return 0;
        default:
            break;
    }
    return CSkinDialogEx::WindowProc(message, wparam, lparam);
}

void CFileShelfDlg::RunCommand(int id) {
    switch (id) {
        case kPlayListPageUp: Page(ListSide::PlayList, false); break;
        case kPlayListPageDown: Page(ListSide::PlayList, true); break;
        case kDeleteChecked: DeleteChecked(); break;
        case kClearPlayList: ClearPlayList(); break;
        case kMoveUp: MoveRow(MoveDirection::Up); break;
        case kMoveDown: MoveRow(MoveDirection::Down); break;
        case kFileListPageUp: Page(ListSide::FileList, false); break;
        case kFileListPageDown: Page(ListSide::FileList, true); break;
        case kCheckAll: CheckAll(true); break;
        case kUncheckAll: CheckAll(false); break;
        case kOpenFolder: OpenFolder(); break;
        case kGoUp: GoUp(); break;
        case kAddChecked: AddChecked(false); break;
        case kAddWithSubfolders: AddChecked(true); break;
        case kConfirm: Confirm(); break;
        case kCancel: Cancel(); break;
        default: break;
    }
}

PagePosition CFileShelfDlg::PositionOf(ListSide side) const {
    const CListViewEx* view = View(side);
    return view ? view->Position() : PagePosition{};
}

void CFileShelfDlg::LoadPlayList() {
    const std::optional<BrowseMode> mode = BrowseModeAt(m_mode);
    if (mode) {
        PlaylistFile file;
        if (file.Open(std::string(mode->playlist_path), PlaylistAccess::Read)) {
            m_play_list.SetRedraw(FALSE);
            std::string path, title;
            std::int32_t duration = 0;
            // Files gone from the card since are left out; duplicates in the file stay.
            while (file.ReadEntry(path, title, duration) == 1) {
                if (GetFileAttributes(path) != INVALID_FILE_ATTRIBUTES) AppendRow(m_play_list, MakePlayListItem(path));
            }
            m_play_list.SetRedraw(TRUE);
        }
    }
    if (m_play_view) m_play_view->Repaint();
    UpdateButtons(ListSide::PlayList, ButtonState::Rebuilt);
}

bool CFileShelfDlg::BuildFileList() {
    m_file_list.SetRedraw(FALSE);
    m_file_list.DeleteAllItems();
    std::vector<ListItem> rows;
    bool listed = true;
    if (!m_path.empty() && !IsFolder(m_path)) {
        DebugPrintf("FileShelf: %s is no folder\n", m_path.c_str());
        listed = false;
    } else {
        const Listing listing = m_path.empty() ? Listing::TopLevel : Listing::Folder;
        listed = ForEachEntry(m_path, [&](const std::string& name, EntryKind kind) {
            if (auto row = MakeFileListItem(name, kind, m_type_table, listing)) rows.push_back(std::move(*row));
        });
        if (!listed) DebugPrintf("FileShelf: %s cannot be listed\n", m_path.c_str());
    }
    SortFileList(rows, m_order);
    const int select = rows.empty() ? 0 : static_cast<int>(RowToSelect(rows, m_folder_left));
    for (ListItem& row : rows) AppendRow(m_file_list, std::move(row));
    m_file_list.SetRedraw(TRUE);
    if (m_file_list.GetItemCount() > 0) MakeCurrent(ListSide::FileList, select);
    else if (m_file_view) m_file_view->Reset();
    UpdateButtons(ListSide::FileList, StateAfterBuild(m_file_list.GetItemCount()));
    return listed;
}

void CFileShelfDlg::MakeCurrent(ListSide side, int row) {
    CListCtrl& list = List(side);
    list.SetItemState(-1, 0, LVIS_SELECTED);
    list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    list.EnsureVisible(row);
    if (CListViewEx* view = View(side)) view->SetCurrentRow(row);
}

void CFileShelfDlg::OpenFolder() {
    const int row = m_file_list.GetNextItem(-1, LVNI_SELECTED);
    const ShelfRecord* record = row >= 0 ? RecordOf(m_file_list, row) : nullptr;
    if (!record || record->item.kind != ItemKind::Folder) return;
    const std::optional<std::string> child = ChildFolderPath(m_path, record->item.path);
    if (!child) {
        DebugPrintf("FileShelf: %s\\%s is too long a path to open\n", m_path.c_str(), record->item.path.c_str());
        return;
    }
    m_folder_left.clear();
    m_path = *child;
    UpdateTitle();
    BuildFileList();
}

void CFileShelfDlg::GoUp() {
    std::optional<ParentStep> step = ParentFolder(m_path);
    if (!step) return;
    m_path = std::move(step->path);
    m_folder_left = std::move(step->folder_just_left);
    UpdateTitle();
    BuildFileList();
}

void CFileShelfDlg::AddChecked(bool with_subfolders) {
    const int file_rows = m_file_list.GetItemCount();
    PlayListPaths paths;
    paths.Reserve(static_cast<std::size_t>(m_play_list.GetItemCount()));
    for (int row = 0; row < m_play_list.GetItemCount(); ++row)
        if (const ShelfRecord* record = RecordOf(m_play_list, row)) paths.Remember(record->item.path);
    const CodePageLength code_page_length = [](std::string_view utf8) {
        const std::optional<std::string> bytes = InCodePage(utf8);
        return bytes ? bytes->size() : static_cast<std::size_t>(-1);
    };
    bool full = false;
    auto add = [&](const std::string& folder, const ListItem& file) {
        if (with_subfolders && m_play_list.GetItemCount() >= kMostPlayListRows) {
            if (!full) DebugPrintf("FileShelf: the play list holds %d rows; no more are added\n", kMostPlayListRows);
            full = true;
            return;
        }
        const std::string full_path = JoinPath(folder, file.path);
        // Plain ASCII has a place in every code page; only other paths are converted to see.
        const bool ascii = std::all_of(full_path.begin(), full_path.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        if (CheckPlayListPath(full_path, code_page_length) != PathFit::Fits || (!ascii && !InCodePage(full_path))) {
            DebugPrintf("FileShelf: %s cannot be written to the playlist; not added\n", full_path.c_str());
            return;
        }
        // The path is joined and checked once, above; only the duplicate test is left.
        if (paths.TryAdd(full_path)) AppendRow(m_play_list, MakePlayListItem(file, full_path));
    };
    // A folder's files in the find-file order; with subfolders each subfolder is walked where
    // it comes. Paths past the row's 260 characters are not followed, which also bounds the
    // depth of a folder that contains itself through a link.
    std::function<void(const std::string&)> add_folder = [&](const std::string& folder) {
        const bool listed = ForEachEntry(folder, [&](const std::string& name, EntryKind kind) {
            if (full) return;
            const Listing listing = with_subfolders ? Listing::Folder : Listing::FilesToAdd;
            const std::optional<ListItem> entry = MakeFileListItem(name, kind, m_type_table, listing);
            if (!entry) return;
            if (entry->kind != ItemKind::Folder) {
                add(folder, *entry);
            } else if (const std::optional<std::string> below = ChildFolderPath(folder, entry->path)) {
                add_folder(*below);
            } else {
                DebugPrintf("FileShelf: %s\\%s is too long a path to open\n", folder.c_str(), entry->path.c_str());
            }
        });
        if (!listed) DebugPrintf("FileShelf: %s cannot be listed; nothing added from it\n", folder.c_str());
    };

    m_play_list.SetRedraw(FALSE);
    for (int row = 0; row < file_rows && !full; ++row) {
        if (!m_file_list.GetCheck(row)) continue;
        const ShelfRecord* record = RecordOf(m_file_list, row);
        if (!record) continue;
        if (record->item.kind != ItemKind::Folder) add(m_path, record->item);
        else add_folder(JoinPath(m_path, record->item.path));
    }
    m_play_list.SetRedraw(TRUE);
    if (m_play_view) m_play_view->Repaint();
    UpdateButtons(ListSide::PlayList, ButtonState::Rebuilt);
}

void CFileShelfDlg::OnTap(int list_id, int row) {
    const ListSide side = list_id == kPlayListId ? ListSide::PlayList : ListSide::FileList;
    CListCtrl& list = List(side);
    if (row < 0 || row >= list.GetItemCount()) return;
    list.SetItemState(-1, 0, LVIS_SELECTED);
    list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    const bool unchecked = list.GetItemState(row, LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(1);
    list.SetCheck(row, unchecked ? TRUE : FALSE);
    UpdateButtons(side, ButtonState::CheckChanged);
}

void CFileShelfDlg::CheckAll(bool checked) {
    m_file_list.SetItemState(-1, INDEXTOSTATEIMAGEMASK(checked ? 2 : 1), LVIS_STATEIMAGEMASK);
    UpdateButtons(ListSide::FileList, ButtonState::CheckChanged);
}

void CFileShelfDlg::DeleteChecked() {
    const int before = m_play_list.GetItemCount();
    m_play_list.SetRedraw(FALSE);
    for (int row = before - 1; row >= 0; --row)
        if (m_play_list.GetCheck(row)) m_play_list.DeleteItem(row);
    m_play_list.SetRedraw(TRUE);
    const int remaining = m_play_list.GetItemCount();
    if (remaining != before) {
        const std::optional<int> current =
            CurrentRowAfterDelete(PositionOf(ListSide::PlayList).CurrentRow(), remaining);
        if (current) MakeCurrent(ListSide::PlayList, *current);
        else if (m_play_view) m_play_view->Reset();
    }
    UpdateButtons(ListSide::PlayList, ButtonState::Rebuilt);
}

void CFileShelfDlg::ClearPlayList() {
    m_play_list.DeleteAllItems();
    if (m_play_view) m_play_view->Reset();
    UpdateButtons(ListSide::PlayList, ButtonState::Empty);
}

void CFileShelfDlg::MoveRow(MoveDirection direction) {
    const std::optional<RowMove> move =
        PlanRowMove(PositionOf(ListSide::PlayList).CurrentRow(), m_play_list.GetItemCount(), direction);
    if (!move) return;
    // The same record moves to its new row with its text and check mark; the old row goes
    // without freeing it.
    const std::string text = m_play_list.GetItemText(move->from);
    const BOOL checked = m_play_list.GetCheck(move->from);
    const int image = m_play_list.GetItemImage(move->from);
    std::unique_ptr<CListRecord> record = m_play_list.TakeItemData(move->from);
    m_play_list.SetRedraw(FALSE);
    const int inserted = m_play_list.InsertItem(move->insert_at, text, std::move(record), image);
    m_play_list.SetCheck(inserted, checked);
    m_play_list.DeleteItem(move->delete_at);
    m_play_list.SetRedraw(TRUE);
    MakeCurrent(ListSide::PlayList, move->new_row);
    UpdateButtons(ListSide::PlayList, ButtonState::Rebuilt);
}

void CFileShelfDlg::Page(ListSide side, bool down) {
    CListViewEx* view = View(side);
    if (!view || !(down ? view->PageDown() : view->PageUp())) return;
    MakeCurrent(side, view->CurrentRow());
    UpdateButtons(side, ButtonState::Paged);
}

void CFileShelfDlg::OnVolumes(VolumePresence now) {
    if (now == m_volumes) return;
    const bool affected = VolumeChangeAffectsView(m_path, m_volumes, now);
    m_volumes = now;
    if (!affected) return;
    m_folder_left.clear();
    m_path.clear();
    if (now.storage_card || now.usb_drive) {
        BuildFileList();
    } else {
        m_file_list.DeleteAllItems();
        if (m_file_view) m_file_view->Reset();
        UpdateButtons(ListSide::FileList, ButtonState::Empty);
    }
    UpdateTitle();
}

bool CFileShelfDlg::SavePlayList() {
    const std::optional<BrowseMode> mode = BrowseModeAt(m_mode);
    if (!mode) return false;
    // A new file beside the old one, flushed, then put in its place in one step: a failure
    // anywhere leaves the old list whole.
    const std::string path(mode->playlist_path);
    const std::string written = path + ".new";
    PlaylistFile file;
    bool saved = file.Open(written, PlaylistAccess::Write);
    for (int row = 0; saved && row < m_play_list.GetItemCount(); ++row) {
        if (const ShelfRecord* record = RecordOf(m_play_list, row)) file.WriteEntry(record->item.path, "", 0);
    }
    saved = saved && file.Commit() && MoveFileEx(written, path, MOVEFILE_REPLACE_EXISTING);
    if (!saved) {
        DeleteFile(written);
        DebugPrintf("FileShelf: %s could not be written (%lu); the old list stays\n", path.c_str(),
                    static_cast<unsigned long>(GetLastError()));
    }
    return saved;
}

void CFileShelfDlg::PostResult(DialogEnd end, int current_row) {
    const std::optional<PlaylistResult> result = PlaylistResultFor(m_mode, end, current_row);
    const std::optional<BrowseMode> mode = BrowseModeAt(m_mode);
    if (!result || !mode) return;
    const std::string name(mode->window_name);
    HWND player = FindWindow({}, name);
    if (!player) player = FindWindow(name, {});
    if (player)
        PostMessage(player, WM_PLAYLIST_RESULT, static_cast<WPARAM>(result->wparam), static_cast<LPARAM>(result->lparam));
}

void CFileShelfDlg::Confirm() {
    if (m_ended) return;
    if (m_mode != kNoMode) {
        // The player starts the entry it is told; when the list could not be written it keeps
        // its old list and is told to start from the beginning.
        if (SavePlayList()) PostResult(DialogEnd::Confirmed, PositionOf(ListSide::PlayList).CurrentRow());
        else PostResult(DialogEnd::Cancelled, 0);
    }
    End(IDOK);
}

void CFileShelfDlg::Cancel() {
    if (m_ended) return;
    PostResult(DialogEnd::Cancelled, 0);
    End(IDCANCEL);
}

void CFileShelfDlg::Close() {
    DebugPrintf("FILESHELF WM_CLOSE...\n");
    if (m_ended) return;
    End(IDCANCEL);
}

void CFileShelfDlg::End(int result) {
    m_ended = true;
    for (CListViewEx* view : {m_play_view, m_file_view})
        if (view) PostMessage(view->Window(), WM_LISTVIEWEX_HIDE, 0, 0);
    EndDialog(result);
}

void CFileShelfDlg::OnDestroy() {
    // The watcher first: it posts to this window. Then the list windows, whose threads read
    // the lists, before the rows go.
    if (m_watcher) m_watcher->Stop();
    for (CListViewEx** view : {&m_play_view, &m_file_view}) {
        if (*view) (*view)->Close();
        *view = nullptr;
    }
    m_play_list.DeleteAllItems();
    m_file_list.DeleteAllItems();
}

void CFileShelfDlg::UpdateTitle() {
    SetControlText(kTitleId, std::string(TitleOf(m_path)));
}

void CFileShelfDlg::UpdateButtons(ListSide side, ButtonState state) {
    CListCtrl& list = List(side);
    ListFacts facts;
    facts.position = PositionOf(side);
    facts.row_count = list.GetItemCount();
    facts.at_top_level = m_path.empty();
    for (int row = 0; row < facts.row_count && !facts.any_checked; ++row) facts.any_checked = list.GetCheck(row) != FALSE;
    if (side == ListSide::FileList) {
        const ShelfRecord* current = RecordOf(list, facts.position.CurrentRow());
        facts.current_is_folder = current && current->item.kind == ItemKind::Folder;
    } else {
        DebugPrintf("EnablePlaylistButtons: %d/%d, %d\n", facts.position.top, facts.position.cursor, kRowsPerPage);
    }
    for (const ButtonChange& change : ButtonChanges(side, state, facts)) {
        EnableControl(change.id, change.enabled);
        // Adding with subfolders acts whenever Add does.
        if (change.id == kAddChecked) EnableControl(kAddWithSubfolders, change.enabled);
    }
}

}  // namespace fileshelf
