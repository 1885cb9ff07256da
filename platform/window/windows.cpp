// Window classes, creating and destroying windows, and the window state kept by the server.
#include <algorithm>

#include "platform/kernel/kernel.h"
#include "platform/kernel/server_connection.h"
#include "platform/window/local_windows.h"
#include "platform/window/message_queue.h"
#include "platform/window/window.h"
#include "platform/window/window_surface.h"

namespace {

using platform::WindowFromNumber;
using platform::WindowNumber;

using platform::CallServer;

std::optional<protocol::WindowInfo> Info(HWND hwnd) {
    if (!hwnd) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return std::nullopt;
    }
    protocol::GetWindowInfoRequest request;
    request.hwnd = WindowNumber(hwnd);
    protocol::WindowInfoReply reply;
    if (!CallServer(request, reply)) return std::nullopt;
    if (reply.error) {
        SetLastError(reply.error);
        return std::nullopt;
    }
    return reply.info;
}

protocol::WindowStateReply StateCall(const auto& request, bool& ok) {
    protocol::WindowStateReply reply;
    ok = CallServer(request, reply);
    if (ok && reply.error) {
        SetLastError(reply.error);
        ok = false;
    }
    return reply;
}

}  // namespace

ATOM RegisterClass(const WNDCLASS* window_class) {
    if (!window_class || window_class->lpszClassName.empty() || !window_class->lpfnWndProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!platform::LocalWindows::Instance().RegisterClass(window_class->lpszClassName, window_class->lpfnWndProc)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    return 1;
}

HWND CreateWindowEx(DWORD ex_style, const std::string& class_name, const std::string& title, DWORD style, int x, int y,
                    int width, int height, HWND parent, void* menu, void*, void* param) {
    auto procedure = platform::LocalWindows::Instance().ClassProcedure(class_name);
    if (!procedure) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    platform::EnsureMessageRouting();
    if (x == CW_USEDEFAULT) x = 0;
    if (y == CW_USEDEFAULT) y = 0;
    if (width == CW_USEDEFAULT) width = 0;
    if (height == CW_USEDEFAULT) height = 0;
    protocol::CreateWindowRequest request;
    request.class_name = class_name;
    request.title = title;
    request.style = style;
    request.ex_style = ex_style;
    request.rect = {x, y, x + std::max(0, width), y + std::max(0, height)};
    request.parent = WindowNumber(parent);
    // A child's menu argument is its control id, as on the device.
    const bool child = (style & WS_CHILD) != 0;
    if (child) request.control_id = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(menu));
    protocol::WindowReply reply;
    if (!CallServer(request, reply)) return nullptr;
    if (!reply.hwnd) {
        SetLastError(reply.error);
        return nullptr;
    }
    platform::LocalWindow local;
    local.procedure = *procedure;
    local.thread_id = GetCurrentThreadId();
    local.class_name = class_name;
    local.parent = child ? WindowNumber(parent) : 0;
    local.control_id = request.control_id;
    local.style = style;
    platform::LocalWindows::Instance().Add(reply.hwnd, local);
    HWND hwnd = WindowFromNumber(reply.hwnd);
    CREATESTRUCT create;
    create.lpCreateParams = param;
    create.hwndParent = parent;
    create.x = x;
    create.y = y;
    create.cx = width;
    create.cy = height;
    create.style = static_cast<LONG>(style);
    create.lpszName = title;
    create.lpszClass = class_name;
    create.dwExStyle = ex_style;
    if ((*procedure)(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(hwnd);
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    // A window made visible waits for its first WM_PAINT, as one shown later does.
    if ((style & WS_VISIBLE) != 0) InvalidateRect(hwnd, nullptr, TRUE);
    return hwnd;
}

BOOL DestroyWindow(HWND hwnd) {
    auto local = platform::LocalWindows::Instance().Get(WindowNumber(hwnd));
    if (!local) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    protocol::ListWindowsRequest list;
    protocol::ListWindowsReply windows;
    const bool listed = CallServer(list, windows);
    const std::uint32_t number = WindowNumber(hwnd);
    // The windows it owns on its own thread are destroyed whole before it is told, as on the
    // device: in its WM_DESTROY they are gone. Those of other threads only lose their owner
    // (the server sees to that); their threads close them.
    if (listed) {
        for (const auto& info : windows.windows) {
            if (info.owner != number) continue;
            auto owned = platform::LocalWindows::Instance().Get(info.hwnd);
            if (owned && owned->thread_id == local->thread_id) DestroyWindow(WindowFromNumber(info.hwnd));
        }
    }
    // Then the window and its children, each told with WM_DESTROY before its own children.
    std::vector<std::uint32_t> doomed;
    std::vector<std::uint32_t> pending{number};
    while (!pending.empty()) {
        const std::uint32_t next = pending.back();
        pending.pop_back();
        doomed.push_back(next);
        if (!listed) continue;
        const std::size_t mark = pending.size();
        for (const auto& info : windows.windows)
            if (info.parent == next) pending.push_back(info.hwnd);
        std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(mark), pending.end());  // front child first
    }
    for (auto each : doomed) {
        if (auto window = platform::LocalWindows::Instance().Get(each); window && window->procedure)
            window->procedure(WindowFromNumber(each), WM_DESTROY, 0, 0);
    }
    protocol::DestroyWindowRequest request;
    request.hwnd = WindowNumber(hwnd);
    protocol::StatusReply reply;
    const bool ok = CallServer(request, reply);
    for (auto each : doomed) platform::LocalWindows::Instance().Remove(each);
    platform::ForgetWindowSurfaces(doomed);
    auto& queue = platform::MessageQueue::ForThisThread();
    std::erase_if(queue.timers, [&](const platform::ThreadTimer& timer) {
        return std::find(doomed.begin(), doomed.end(), WindowNumber(timer.hwnd)) != doomed.end();
    });
    if (!ok || reply.error) {
        if (ok) SetLastError(reply.error);
        return FALSE;
    }
    return TRUE;
}

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_PAINT:
            ValidateRect(hwnd, nullptr);
            return 0;
        case WM_SETTEXT:
            // A text pointer from another program points nowhere here.
            if (!lparam || platform::SendFromOtherProgram()) return FALSE;
            return SetWindowText(hwnd, reinterpret_cast<const char*>(lparam));
        case WM_SETICON: {
            HICON previous = nullptr;
            platform::LocalWindows::Instance().SetIcon(WindowNumber(hwnd), wparam, reinterpret_cast<HICON>(lparam),
                                                       previous);
            return reinterpret_cast<LRESULT>(previous);
        }
        case WM_GETICON:
            return reinterpret_cast<LRESULT>(platform::LocalWindows::Instance().Icon(WindowNumber(hwnd), wparam));
        default:
            return 0;
    }
}

LONG_PTR SetWindowLong(HWND hwnd, int index, LONG_PTR value) {
    LONG_PTR previous = 0;
    if (index != GWL_USERDATA || !platform::LocalWindows::Instance().SetUserData(WindowNumber(hwnd), value, previous)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return previous;
}

LONG_PTR GetWindowLong(HWND hwnd, int index) {
    if (index == GWL_STYLE || index == GWL_EXSTYLE) {
        auto info = Info(hwnd);
        if (!info) return 0;
        return static_cast<LONG_PTR>(index == GWL_STYLE ? info->style : info->ex_style);
    }
    auto window = platform::LocalWindows::Instance().Get(WindowNumber(hwnd));
    if (index != GWL_USERDATA || !window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return window->user_data;
}

HWND FindWindow(const std::string& class_name, const std::string& title) {
    protocol::FindWindowRequest request;
    request.by_class = !class_name.empty();
    request.class_name = class_name;
    request.by_title = !title.empty();
    request.title = title;
    protocol::WindowReply reply;
    if (!CallServer(request, reply)) return nullptr;
    return WindowFromNumber(reply.hwnd);
}

int GetWindowText(HWND hwnd, std::string& text) {
    auto info = Info(hwnd);
    text = info ? info->title : std::string();
    return static_cast<int>(text.size());
}

std::string GetWindowText(HWND hwnd) {
    std::string text;
    GetWindowText(hwnd, text);
    return text;
}

BOOL SetWindowText(HWND hwnd, const std::string& text) {
    protocol::SetWindowTextRequest request;
    request.hwnd = WindowNumber(hwnd);
    request.text = text;
    if (!platform::CallForStatus(request)) return FALSE;
    // A window that draws its text (a standard control) shows the new one. Which classes do
    // is known only to the program that registered them, so another program's window is
    // repainted whatever its class: a needless repaint costs less than a stale text.
    auto& windows = platform::LocalWindows::Instance();
    const auto local = windows.Get(request.hwnd);
    // The whole window, without asking the server for its size: painting clips to it.
    constexpr RECT kWholeWindow = {0, 0, 0x7FFF, 0x7FFF};
    if (!local || windows.DrawsText(local->class_name)) InvalidateRect(hwnd, &kWholeWindow, TRUE);
    return TRUE;
}

BOOL IsWindow(HWND hwnd) { return Info(hwnd).has_value(); }

BOOL IsWindowVisible(HWND hwnd) {
    auto info = Info(hwnd);
    return info && info->visible;
}

BOOL IsWindowEnabled(HWND hwnd) {
    auto info = Info(hwnd);
    return info && info->enabled;
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
    auto info = Info(hwnd);
    if (!info || !rect) return FALSE;
    *rect = {info->rect.left, info->rect.top, info->rect.right, info->rect.bottom};
    return TRUE;
}

DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* process_id) {
    auto info = Info(hwnd);
    if (!info) return 0;
    if (process_id) *process_id = info->process_id;
    return info->thread_id;
}

BOOL SetWindowPos(HWND hwnd, HWND insert_after, int x, int y, int width, int height, UINT flags) {
    if ((flags & SWP_SHOWWINDOW) && platform::LocalWindows::Instance().HoldsShowing(WindowNumber(hwnd)))
        flags &= ~SWP_SHOWWINDOW;  // it shows when its dialog's initialisation ends
    protocol::SetWindowPosRequest request;
    request.hwnd = WindowNumber(hwnd);
    request.insert_after = WindowNumber(insert_after);
    request.rect = {x, y, width, height};
    request.flags = flags;
    bool ok = false;
    StateCall(request, ok);
    if (ok && (flags & SWP_SHOWWINDOW) != 0) InvalidateRect(hwnd, nullptr, TRUE);
    return ok ? TRUE : FALSE;
}

BOOL ShowWindow(HWND hwnd, int command) {
    // A dialog being initialised shows when its initialisation ends.
    if (command != SW_HIDE && platform::LocalWindows::Instance().HoldsShowing(WindowNumber(hwnd))) return FALSE;
    protocol::ShowWindowRequest request;
    request.hwnd = WindowNumber(hwnd);
    request.command = static_cast<std::uint32_t>(command);
    bool ok = false;
    auto reply = StateCall(request, ok);
    // A window coming into view is painted whole.
    if (ok && command != SW_HIDE && !reply.previous) InvalidateRect(hwnd, nullptr, TRUE);
    return ok && reply.previous ? TRUE : FALSE;  // whether it was visible before
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
    if (!SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE)) return FALSE;
    if (repaint) InvalidateRect(hwnd, nullptr, TRUE);
    return TRUE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    protocol::EnableWindowRequest request;
    request.hwnd = WindowNumber(hwnd);
    request.enable = enable != FALSE;
    bool ok = false;
    auto reply = StateCall(request, ok);
    return ok && reply.previous ? TRUE : FALSE;  // whether it was disabled before
}

namespace {
protocol::WindowStateReply Focus(protocol::FocusOperation operation, HWND hwnd, bool& ok) {
    protocol::FocusRequest request;
    request.operation = static_cast<std::uint8_t>(operation);
    request.hwnd = WindowNumber(hwnd);
    return StateCall(request, ok);
}
}  // namespace

BOOL SetForegroundWindow(HWND hwnd) {
    bool ok = false;
    Focus(protocol::FocusOperation::SetForeground, hwnd, ok);
    return ok ? TRUE : FALSE;
}

BOOL BringWindowToTop(HWND hwnd) { return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

HWND GetForegroundWindow() {
    bool ok = false;
    auto reply = Focus(protocol::FocusOperation::GetForeground, nullptr, ok);
    return ok ? WindowFromNumber(reply.previous) : nullptr;
}

HWND SetCapture(HWND hwnd) {
    bool ok = false;
    auto reply = Focus(protocol::FocusOperation::SetCapture, hwnd, ok);
    return ok ? WindowFromNumber(reply.previous) : nullptr;
}

BOOL ReleaseCapture() {
    bool ok = false;
    Focus(protocol::FocusOperation::ReleaseCapture, nullptr, ok);
    return ok ? TRUE : FALSE;
}

HWND GetCapture() {
    bool ok = false;
    auto reply = Focus(protocol::FocusOperation::GetCapture, nullptr, ok);
    return ok ? WindowFromNumber(reply.previous) : nullptr;
}

UINT RegisterWindowMessage(const std::string& name) {
    protocol::RegisterMessageRequest request;
    request.name = name;
    protocol::RegisterMessageReply reply;
    if (name.empty() || !CallServer(request, reply)) return 0;
    return reply.message;
}
