#include "platform/media/com_runtime.h"

#include "platform/media/class_registry.h"

namespace {

thread_local unsigned t_init_count = 0;

constexpr DWORD kKnownInitFlags =
    COINIT_MULTITHREADED | COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE | COINIT_SPEED_OVER_MEMORY;

}  // namespace

HRESULT CoInitializeEx(void* reserved, DWORD co_init)
{
    if (reserved || (co_init & ~kKnownInitFlags)) return E_INVALIDARG;
    return t_init_count++ == 0 ? S_OK : S_FALSE;
}

HRESULT CoInitialize(void* reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

void CoUninitialize()
{
    if (t_init_count > 0) --t_init_count;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (t_init_count == 0) return CO_E_NOTINITIALIZED;
    // No class here can be aggregated: each object answers QueryInterface on its own.
    if (outer) return CLASS_E_NOAGGREGATION;
    if (!(context & CLSCTX_INPROC)) return REGDB_E_CLASSNOTREG;

    platform::ComClassFactory factory = platform::FindComClass(clsid);
    if (!factory) return REGDB_E_CLASSNOTREG;

    IUnknown* made = nullptr;
    HRESULT result = factory(&made);
    if (FAILED(result)) return result;  // a failing factory hands out nothing
    if (!made) return E_FAIL;  // success without an object is no success
    result = made->QueryInterface(iid, object);
    made->Release();
    if (FAILED(result)) *object = nullptr;
    return result;
}
