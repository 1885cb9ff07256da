// The chip vendor's filter interfaces, as its callers reach them: by method position. The
// slots a caller does not use are kept, reserved, so that the used ones sit where they have
// always been.
#pragma once

#include "platform/media/media_ids.h"
#include "platform/media/unknown.h"
#include "platform/media/vendor/deq_record.h"
#include "platform/win32_types.h"

namespace platform::vendor {

// The video renderer's display parameters, in the order slot 5 takes them: enable, the
// picture's left, top, width and height on the screen, then five values that are 0 for a
// normal picture.
struct RendererDisplay {
    DWORD enable = 0;
    LONG left = 0, top = 0, width = 0, height = 0;
    DWORD reserved[5] = {};
};

}  // namespace platform::vendor

// "TCC Video Renderer"'s display interface.
struct IVRendererDisplay : IUnknown {
    virtual HRESULT Reserved4() = 0;
    // Slot 5: where and whether the picture shows.
    virtual HRESULT SetDisplay(DWORD enable, LONG left, LONG top, LONG width, LONG height, DWORD value5, DWORD value6,
                               DWORD value7, DWORD value8, DWORD value9) = 0;
    // Slots 6 and 7: one value each; 0 is the normal picture.
    virtual HRESULT SetPictureMode(DWORD mode) = 0;
    virtual HRESULT SetPictureOption(DWORD option) = 0;
};

// "TCC DEQ Filter"'s settings interface.
struct IDEQSettings : IUnknown {
    virtual HRESULT Reserved4() = 0;
    // Slot 5: the whole parameter record, by value; it applies to the running graph at once.
    virtual HRESULT SetParameters(platform::vendor::DeqRecord record) = 0;
};

// "TCCCAMFilter"'s input interface.
struct ICamInput : IUnknown {
    virtual HRESULT Reserved4() = 0;
    // Slot 5: the input channel and the size of the picture taken from it. The fourth value
    // (10 from every caller) is kept and read back.
    virtual HRESULT SetVideoInputSize(DWORD channel, DWORD width, DWORD height, DWORD value) = 0;
    // Slot 6: two values ((320, 240) from every caller), kept and read back; the picture is
    // the same whatever they hold.
    virtual HRESULT SetInputWindow(DWORD width, DWORD height) = 0;
};

template <>
struct platform::InterfaceTraits<IVRendererDisplay> {
    static constexpr const IID& kId = IID_IVRendererDisplay;
    using Base = IUnknown;
};
template <>
struct platform::InterfaceTraits<IDEQSettings> {
    static constexpr const IID& kId = IID_IDEQSettings;
    using Base = IUnknown;
};
template <>
struct platform::InterfaceTraits<ICamInput> {
    static constexpr const IID& kId = IID_ICamInput;
    using Base = IUnknown;
};
