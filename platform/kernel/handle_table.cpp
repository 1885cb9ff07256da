#include "platform/kernel/handle_table.h"

#include <mutex>
#include <unordered_map>

namespace platform {
namespace {

struct LocalTable {
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, std::shared_ptr<LocalObject>> objects;
    std::uintptr_t next = kLocalHandleBase;
};

LocalTable& Table() {
    static LocalTable* table = new LocalTable;  // outlives every static destructor
    return *table;
}

}  // namespace

bool IsLocalHandle(HANDLE handle) {
    auto value = HandleValue(handle);
    return value >= kLocalHandleBase && handle != INVALID_HANDLE_VALUE;
}

HANDLE InsertLocalHandle(std::shared_ptr<LocalObject> object) {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    table.next += 4;
    while (table.objects.count(table.next) || MakeHandle(table.next) == INVALID_HANDLE_VALUE) table.next += 4;
    table.objects.emplace(table.next, std::move(object));
    return MakeHandle(table.next);
}

std::shared_ptr<LocalObject> LookupLocalHandle(HANDLE handle) {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto found = table.objects.find(HandleValue(handle));
    return found == table.objects.end() ? nullptr : found->second;
}

bool RemoveLocalHandle(HANDLE handle) {
    std::shared_ptr<LocalObject> doomed;
    {
        auto& table = Table();
        std::lock_guard lock(table.mutex);
        auto found = table.objects.find(HandleValue(handle));
        if (found == table.objects.end()) return false;
        doomed = std::move(found->second);
        table.objects.erase(found);
    }
    if (doomed) doomed->OnHandleClosed();
    return true;  // the object's destructor runs here, outside the table lock
}

}  // namespace platform
