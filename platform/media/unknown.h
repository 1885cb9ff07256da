// IUnknown, the root of every media object's interfaces, and the link between an interface
// type and its id. Interfaces declare their methods in the device's order, since vendor
// callers reach some of them by position.
#pragma once

#include "platform/media/guid.h"
#include "platform/media/media_ids.h"
#include "platform/win32_types.h"

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    // Objects go away through Release, never through delete on an interface pointer; a virtual
    // destructor here would also take a slot in front of every derived interface's methods.
    ~IUnknown() = default;
};

namespace platform {

// Each interface names its id and the interface it extends:
//   template <> struct InterfaceTraits<IBaseFilter> {
//       static constexpr const IID& kId = IID_IBaseFilter;
//       using Base = IMediaFilter;
//   };
// An interface without traits cannot be listed on an object, so a forgotten id does not compile
// into an object that answers with IUnknown's.
template <class Interface>
struct InterfaceTraits;

template <>
struct InterfaceTraits<IUnknown> {
    static constexpr const IID& kId = IID_IUnknown;
    using Base = void;
};

}  // namespace platform
