#include "platform/media/class_registry.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace platform {
namespace {

struct RegisteredClass {
    CLSID clsid;
    ComClassFactory factory;
};

// A handful of classes: a list searched in order is all it needs.
std::mutex s_mutex;
std::vector<RegisteredClass> s_classes;

auto FindLocked(REFCLSID clsid)
{
    return std::find_if(s_classes.begin(), s_classes.end(),
                        [&](const RegisteredClass& entry) { return entry.clsid == clsid; });
}

}  // namespace

HRESULT RegisterComClass(REFCLSID clsid, ComClassFactory factory)
{
    if (!factory) return E_INVALIDARG;
    std::lock_guard lock(s_mutex);
    if (FindLocked(clsid) != s_classes.end()) return CO_E_OBJISREG;
    s_classes.push_back({clsid, std::move(factory)});
    return S_OK;
}

HRESULT UnregisterComClass(REFCLSID clsid)
{
    // The factory is destroyed outside the lock, so whatever it holds may itself use the table.
    ComClassFactory removed;
    std::lock_guard lock(s_mutex);
    auto entry = FindLocked(clsid);
    if (entry == s_classes.end()) return CO_E_OBJNOTREG;
    removed = std::move(entry->factory);
    s_classes.erase(entry);
    return S_OK;
}

ComClassFactory FindComClass(REFCLSID clsid)
{
    std::lock_guard lock(s_mutex);
    auto entry = FindLocked(clsid);
    return entry == s_classes.end() ? ComClassFactory() : entry->factory;
}

}  // namespace platform
