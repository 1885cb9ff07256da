// The program's handle table.
//
// Kernel objects (events, mutexes, mappings, processes, threads) live in the device server;
// their handles are the server's per-program numbers and pass through unchanged. Objects that
// live inside the program (open files, file searches) get handles from a separate range so that
// CloseHandle and the other calls can tell the two apart without asking the server.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/win32_types.h"

namespace platform {

class LocalObject {
public:
    virtual ~LocalObject() = default;
    // Called once when the handle is closed, before the table lets go of the object. Another
    // thread may still be inside a call on the object (a serial port's event wait); this is
    // where the object tells such calls to end, so that the close does not wait for them.
    virtual void OnHandleClosed() {}
};

// Values at or above this are program-local handles; the server never hands them out.
constexpr std::uintptr_t kLocalHandleBase = 0x40000000u;

bool IsLocalHandle(HANDLE handle);
HANDLE InsertLocalHandle(std::shared_ptr<LocalObject> object);
std::shared_ptr<LocalObject> LookupLocalHandle(HANDLE handle);
// Removes the handle; the object is destroyed when its last user lets go of it.
bool RemoveLocalHandle(HANDLE handle);

template <class T>
std::shared_ptr<T> LookupLocal(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(LookupLocalHandle(handle));
}

inline std::uintptr_t HandleValue(HANDLE handle) { return reinterpret_cast<std::uintptr_t>(handle); }
inline HANDLE MakeHandle(std::uintptr_t value) { return reinterpret_cast<HANDLE>(value); }

}  // namespace platform
