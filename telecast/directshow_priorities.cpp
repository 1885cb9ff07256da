#include "telecast/directshow_priorities.h"

#include "platform/kernel/debug_output.h"
#include "platform/registry/registry.h"

namespace telecast {

bool SetDirectShowThreadPriorities()
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyEx(HKEY_LOCAL_MACHINE, kThreadPriorityKey, 0, {}, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                       &key, &disposition) != ERROR_SUCCESS) {
        DebugPrintf("[TelecastPlayer] Couldn't create registry key\r\n");
        return false;
    }
    struct Priority {
        const char* name;
        DWORD value;
    };
    constexpr Priority kPriorities[] = {
        {"Highest", 247}, {"AboveNormal", 248}, {"Normal", 248}, {"BelowNormal", 248}, {"Video", 247}};
    for (const Priority& priority : kPriorities)
        RegSetValueEx(key, priority.name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&priority.value), sizeof(DWORD));
    RegCloseKey(key);
    return true;
}

void DeleteDirectShowThreadPriorities()
{
    RegDeleteKey(HKEY_LOCAL_MACHINE, kThreadPriorityKey);
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, kDirectShowKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD subkeys = 0, values = 0;
    const bool empty = RegQueryInfoKey(key, &subkeys, &values) == ERROR_SUCCESS && subkeys == 0 && values == 0;
    RegCloseKey(key);
    if (empty) RegDeleteKey(HKEY_LOCAL_MACHINE, kDirectShowKey);
}

}  // namespace telecast
