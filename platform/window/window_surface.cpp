// Window surfaces mapped from the server's memory, and each thread's paint state.
#include "platform/window/window_surface.h"

#include <algorithm>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>
#include <unordered_map>

#include "platform/kernel/kernel.h"
#include "platform/kernel/server_connection.h"
#include "platform/window/local_windows.h"
#include "platform/window/message_queue.h"

namespace {

using platform::WindowFromNumber;
using platform::WindowNumber;

struct Mapping {
    std::uint32_t generation = 0;
    void* address = nullptr;
    std::size_t bytes = 0;
    WindowSurface surface;
};

// Mappings of this program's windows, shared by its threads.
class SurfaceMappings {
public:
    static SurfaceMappings& Instance() {
        static auto* instance = new SurfaceMappings;  // outlives every thread's last paint
        return *instance;
    }
    // Keeps the mapping of a generation; maps the descriptor when the generation is new.
    bool Update(std::uint32_t hwnd, const protocol::SurfaceReply& reply, int fd, WindowSurface& out) {
        std::lock_guard lock(m_mutex);
        auto& mapping = m_mappings[hwnd];
        if (mapping.address && mapping.generation == reply.generation) {
            out = mapping.surface;
            return true;
        }
        const std::size_t bytes = static_cast<std::size_t>(reply.pitch) * reply.height;
        if (fd < 0 || bytes == 0 || reply.pitch < reply.width * 4) return false;
        void* address = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (address == MAP_FAILED) return false;
        if (mapping.address) ::munmap(mapping.address, mapping.bytes);
        mapping.generation = reply.generation;
        mapping.address = address;
        mapping.bytes = bytes;
        mapping.surface.pixels = static_cast<DWORD*>(address);
        mapping.surface.width = static_cast<int>(reply.width);
        mapping.surface.height = static_cast<int>(reply.height);
        mapping.surface.pitch = static_cast<int>(reply.pitch);
        out = mapping.surface;
        return true;
    }
    void Forget(std::uint32_t hwnd) {
        std::lock_guard lock(m_mutex);
        auto found = m_mappings.find(hwnd);
        if (found == m_mappings.end()) return;
        if (found->second.address) ::munmap(found->second.address, found->second.bytes);
        m_mappings.erase(found);
    }

private:
    std::mutex m_mutex;
    std::unordered_map<std::uint32_t, Mapping> m_mappings;
};

bool IsOurs(HWND hwnd) { return platform::LocalWindows::Instance().Get(WindowNumber(hwnd)).has_value(); }

RECT Union(const RECT& a, const RECT& b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

bool EmptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

// The window's whole client area in window coordinates.
bool WholeWindow(HWND hwnd, RECT& rect) {
    RECT screen;
    if (!GetWindowRect(hwnd, &screen)) return false;
    rect = {0, 0, screen.right - screen.left, screen.bottom - screen.top};
    return true;
}

// Rectangles travel in two 64-bit words: left and top, then right and bottom.
std::uint64_t Pack(LONG low, LONG high) {
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(low)) |
           static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32;
}
LONG Low(std::uint64_t word) { return static_cast<LONG>(static_cast<std::int32_t>(static_cast<std::uint32_t>(word))); }
LONG High(std::uint64_t word) { return static_cast<LONG>(static_cast<std::int32_t>(static_cast<std::uint32_t>(word >> 32))); }

}  // namespace

BOOL GetWindowSurface(HWND hwnd, WindowSurface* surface) {
    if (!surface || !IsOurs(hwnd)) {
        SetLastError(surface ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto* connection = platform::ServerConnection::Current();
    protocol::GetSurfaceRequest request;
    request.hwnd = WindowNumber(hwnd);
    protocol::SurfaceReply reply;
    int fd = -1;
    if (!connection || !connection->Call(request, reply, &fd)) return FALSE;
    bool ok = reply.error == 0 && SurfaceMappings::Instance().Update(request.hwnd, reply, fd, *surface);
    if (fd >= 0) ::close(fd);
    if (!ok) {
        SetLastError(reply.error ? reply.error : ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    return TRUE;
}

BOOL UpdateWindowSurface(HWND hwnd, const RECT* changed) {
    if (!IsOurs(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    protocol::SurfaceDamageRequest request;
    request.hwnd = WindowNumber(hwnd);
    if (changed) request.rect = {changed->left, changed->top, changed->right, changed->bottom};
    else request.rect = {0, 0, 0x7FFFFFFF, 0x7FFFFFFF};
    // The answer comes once the server has taken the part: until then this thread draws nothing
    // more into the surface, so the server never takes a picture half drawn.
    return platform::CallForStatus(request);
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL) {
    RECT area;
    if (rect) area = *rect;
    else if (!WholeWindow(hwnd, area)) return FALSE;
    if (EmptyRect(area)) return TRUE;
    auto local = platform::LocalWindows::Instance().Get(WindowNumber(hwnd));
    if (local && local->thread_id == GetCurrentThreadId()) {
        platform::AddInvalidRect(hwnd, area);
        return TRUE;
    }
    // Another thread's window: its own loop takes the invalidation.
    protocol::PostMessageRequest request;
    request.hwnd = WindowNumber(hwnd);
    request.message = platform::kInvalidateMessage;
    request.wparam = Pack(area.left, area.top);
    request.lparam = static_cast<std::int64_t>(Pack(area.right, area.bottom));
    auto* connection = platform::ServerConnection::Current();
    return connection && connection->Post(request) ? TRUE : FALSE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
    auto& invalid = platform::MessageQueue::ForThisThread().invalid;
    auto found = std::find_if(invalid.begin(), invalid.end(), [&](const auto& entry) { return entry.hwnd == hwnd; });
    if (found == invalid.end()) return TRUE;
    const RECT painted = found->rect;
    // The paint state is one bounding rectangle: a part of it validated leaves it all waiting.
    if (!rect || (rect->left <= painted.left && rect->top <= painted.top && rect->right >= painted.right &&
                  rect->bottom >= painted.bottom)) {
        invalid.erase(found);
        if (IsOurs(hwnd)) UpdateWindowSurface(hwnd, &painted);
    }
    return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL) {
    const auto& invalid = platform::MessageQueue::ForThisThread().invalid;
    auto found = std::find_if(invalid.begin(), invalid.end(), [&](const auto& entry) { return entry.hwnd == hwnd; });
    if (found == invalid.end()) {
        if (rect) *rect = RECT{};
        return FALSE;
    }
    if (rect) *rect = found->rect;
    return TRUE;
}

namespace platform {

void AddInvalidRect(HWND hwnd, const RECT& rect) {
    auto& invalid = MessageQueue::ForThisThread().invalid;
    auto found = std::find_if(invalid.begin(), invalid.end(), [&](const auto& entry) { return entry.hwnd == hwnd; });
    if (found != invalid.end()) found->rect = Union(found->rect, rect);
    else invalid.push_back({hwnd, rect});
}

void ClearInvalidRect(HWND hwnd) {
    std::erase_if(MessageQueue::ForThisThread().invalid, [&](const InvalidWindow& entry) { return entry.hwnd == hwnd; });
}

void AddPostedInvalidation(HWND hwnd, std::uint64_t wparam, std::int64_t lparam) {
    const auto second = static_cast<std::uint64_t>(lparam);
    const RECT rect{Low(wparam), High(wparam), Low(second), High(second)};
    if (!EmptyRect(rect) && IsOurs(hwnd)) AddInvalidRect(hwnd, rect);
}

void ForgetWindowSurfaces(const std::vector<std::uint32_t>& hwnds) {
    auto& invalid = MessageQueue::ForThisThread().invalid;
    for (auto hwnd : hwnds) {
        SurfaceMappings::Instance().Forget(hwnd);
        std::erase_if(invalid, [&](const InvalidWindow& entry) { return WindowNumber(entry.hwnd) == hwnd; });
    }
}

}  // namespace platform
