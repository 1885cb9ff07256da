// FileShelf's one screen: the play list on the left (the playlist file of the player that sent
// the user here), the current folder of the storage card or the USB drive on the right, and
// the buttons between and under them. Rows are checked by tapping them; Add puts the checked
// files (or the files of checked folders) at the end of the play list; Confirm writes the
// playlist file and tells the player which entry to start with; Cancel tells it nothing
// changed.
//
// Threads: the dialog's own, which alone changes the lists and the dialog's state; the two
// list windows, which only paint from page copies and post taps; and the volume watcher, which
// only posts what it saw.
#pragma once

#include <memory>
#include <string>

#include "fileshelf/browse_modes.h"
#include "fileshelf/file_entries.h"
#include "fileshelf/list_buttons.h"
#include "framework/skin_dialog.h"
#include "platform/app/list_view.h"

namespace fileshelf {

class CListViewEx;
class VolumeWatcher;

// The list-view controls' ids, which the taps carry.
constexpr int kPlayListId = 1000;
constexpr int kFileListId = 1001;
constexpr int kTitleId = 1017;
// Add with subfolders: the checked folders' files at any depth, depth first.
constexpr int kAddWithSubfolders = 1018;
// The play list takes no more rows than this from one add with subfolders.
constexpr int kMostPlayListRows = 10000;

class CFileShelfDlg : public CSkinDialogEx {
public:
    explicit CFileShelfDlg(std::string command_line);
    ~CFileShelfDlg() override;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    void RunCommand(int id);
    void OnTap(int list_id, int row);
    void OnVolumes(VolumePresence now);
    void OnDestroy() override;

    void LoadPlayList();
    // Rebuilds the file list from the current path; false when the path is no folder (the
    // list then stays empty).
    bool BuildFileList();
    void OpenFolder();
    void GoUp();
    // Adds the checked rows' files; with subfolders also those of folders below the checked
    // ones, depth first.
    void AddChecked(bool with_subfolders);
    void CheckAll(bool checked);
    void DeleteChecked();
    void ClearPlayList();
    void MoveRow(MoveDirection direction);
    void Page(ListSide side, bool down);
    void Confirm();
    void Cancel();
    void Close();

    bool SavePlayList();
    void PostResult(DialogEnd end, int current_row);
    // Hides both list windows and ends the dialog; the first end only.
    void End(int result);
    void UpdateTitle();
    void UpdateButtons(ListSide side, ButtonState state);
    // Makes the row the selected, focused and current one of its list, scrolled into view.
    void MakeCurrent(ListSide side, int row);
    CListCtrl& List(ListSide side) { return side == ListSide::PlayList ? m_play_list : m_file_list; }
    CListViewEx* View(ListSide side) const { return side == ListSide::PlayList ? m_play_view : m_file_view; }
    PagePosition PositionOf(ListSide side) const;

    const std::string m_command_line;
    int m_mode = kNoMode;
    std::string m_type_table;
    NameOrder m_order = NameOrder::Plain;  // numbered names by value when the suite asks for it
    std::string m_path;         // the current folder; empty at the top level
    std::string m_folder_left;  // reselected after going up
    VolumePresence m_volumes;
    CListCtrl m_play_list;
    CListCtrl m_file_list;
    CListViewEx* m_play_view = nullptr;
    CListViewEx* m_file_view = nullptr;
    std::unique_ptr<VolumeWatcher> m_watcher;
    HBITMAP m_icon = nullptr;
    bool m_ended = false;
};

}  // namespace fileshelf
