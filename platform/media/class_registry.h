// The process's one table of creatable classes: class id → factory. CoCreateInstance reads it;
// the media library and tests fill it. Safe to use from any thread.
#pragma once

#include <functional>
#include <new>

#include "platform/media/guid.h"
#include "platform/media/result_codes.h"
#include "platform/media/unknown.h"

namespace platform {

// Makes a new object of the class. On success *object is the new object's IUnknown holding one
// reference, which the caller takes over; on failure *object stays null.
using ComClassFactory = std::function<HRESULT(IUnknown** object)>;

// S_OK; E_INVALIDARG for an empty factory; CO_E_OBJISREG when the class already has one (the
// first registration stays).
HRESULT RegisterComClass(REFCLSID clsid, ComClassFactory factory);
// S_OK; CO_E_OBJNOTREG when the class was not registered.
HRESULT UnregisterComClass(REFCLSID clsid);
// The class's factory, or an empty one when it is not registered.
ComClassFactory FindComClass(REFCLSID clsid);

// The factory of a class built on ComObject with a default constructor.
template <class Object>
ComClassFactory ComFactoryFor()
{
    return [](IUnknown** object) -> HRESULT {
        Object* made = new (std::nothrow) Object();
        if (!made) return E_OUTOFMEMORY;
        HRESULT result = made->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(object));
        made->Release();
        return result;
    };
}

}  // namespace platform
