// What a program keeps of its own windows: their window procedures, owner threads, user data
// and icons, and its registered window classes. The server keeps everything else.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <unordered_map>
#include <vector>

#include "platform/window/window.h"

namespace platform {

struct LocalWindow {
    WNDPROC procedure = nullptr;
    DWORD thread_id = 0;
    LONG_PTR user_data = 0;
    std::string class_name;
    std::uint32_t parent = 0;      // a child's parent
    std::uint32_t control_id = 0;  // a child's control id
    DWORD style = 0;               // as created (the server keeps visibility and enabling since)
    std::uint64_t created = 0;     // creation order among the program's windows, set by Add
    HICON small_icon = nullptr;  // WM_SETICON ICON_SMALL
    HICON big_icon = nullptr;    // WM_SETICON ICON_BIG
    // A dialog being initialised: asking to show it only says it is to be shown when the
    // initialisation ends, so it comes into view with its title and contents in place.
    bool holding_show = false;
};

class LocalWindows {
public:
    static LocalWindows& Instance();

    bool RegisterClass(const std::string& name, WNDPROC procedure);
    std::optional<WNDPROC> ClassProcedure(const std::string& name);
    // Classes whose windows draw their window text (the standard controls): SetWindowText on
    // one of their windows repaints it.
    void SetDrawsText(const std::string& name);
    bool DrawsText(const std::string& name);

    void Add(std::uint32_t hwnd, LocalWindow window);
    void Remove(std::uint32_t hwnd);
    std::optional<LocalWindow> Get(std::uint32_t hwnd);
    bool SetUserData(std::uint32_t hwnd, LONG_PTR value, LONG_PTR& previous);
    // ICON_SMALL or ICON_BIG; false for a window that is not here or another kind.
    bool SetIcon(std::uint32_t hwnd, WPARAM kind, HICON icon, HICON& previous);
    HICON Icon(std::uint32_t hwnd, WPARAM kind);
    void HoldShowing(std::uint32_t hwnd, bool hold);
    bool HoldsShowing(std::uint32_t hwnd);
    // Windows of one thread, for the thread's end.
    std::vector<std::uint32_t> OwnedBy(DWORD thread_id);
    // The program's children of a window in the order they were made, and the oldest of them
    // with a control id (0 for none).
    std::vector<std::pair<std::uint32_t, LocalWindow>> ChildrenOf(std::uint32_t parent);
    std::uint32_t ChildWithId(std::uint32_t parent, std::uint32_t control_id);

private:
    std::mutex m_mutex;
    std::unordered_map<std::string, WNDPROC> m_classes;  // by upper-case name
    std::unordered_map<std::string, bool> m_text_classes;  // by upper-case name
    std::unordered_map<std::uint32_t, LocalWindow> m_windows;
    std::uint64_t m_next_created = 1;
};

}  // namespace platform
