// The chip vendor's T-DMB filter interfaces, as the telecast player reaches them: by method
// position. A settings interface's first method reads a property back and its second sets
// one; the value is a run of 32-bit words whose length the property number fixes (see
// tdmb_properties.h). The tuner's records are runs of words whose first word is the caller's
// own and ignored.
#pragma once

#include "platform/media/media_ids.h"
#include "platform/media/unknown.h"
#include "platform/win32_types.h"

// The PAD parser's callbacks. The text callback gets each new dynamic label, UTF-16 with a
// terminator, valid only during the call. The picture callback gets the file name of each new
// slide the parser shows (the default picture included), likewise.
using PadTextCallback = void (*)(const WCHAR* text);
using PadPictureCallback = void (*)(const WCHAR* picture);

// "TCC TELECASTTune"'s control: every call goes to the board's receiver.
struct ITunerControl : IUnknown {
    // Slot 4: fills the record's words after the first with the property's answer.
    virtual HRESULT Get(DWORD property, DWORD* record) = 0;
    // Slot 5: hands the record's words after the first to the receiver; `reserved` is 0.
    virtual HRESULT Set(DWORD property, DWORD* record, DWORD reserved) = 0;
};

// The configuration interface shared in shape by the parser and the decoders.
struct ITdmbFilterSettings : IUnknown {
    // Slot 4: the words last set for the property; E_INVALIDARG for a property the filter
    // does not have, S_FALSE (words zeroed) for one never set.
    virtual HRESULT Get(DWORD property, void* value) = 0;
    // Slot 5: keeps the property's words; E_INVALIDARG for a property the filter does not have.
    virtual HRESULT Set(DWORD property, void* value) = 0;
};

// Each filter answers its own interface id with the shared shape.
struct ISystemParserSettings : ITdmbFilterSettings {};
struct IH264DecoderSettings : ITdmbFilterSettings {};
struct IBsacDecoderSettings : ITdmbFilterSettings {};
struct IEaacPlusDecoderSettings : ITdmbFilterSettings {};
struct IMP2DecoderSettings : ITdmbFilterSettings {};

// "TCC PAD Praser"'s settings.
struct IPadParserSettings : IUnknown {
    // Slot 4: the dynamic label callback; null stops the calls.
    virtual HRESULT SetTextCallback(PadTextCallback callback) = 0;
    // Slot 5: the slide callback; null stops the calls.
    virtual HRESULT SetPictureCallback(PadPictureCallback callback) = 0;
    virtual HRESULT Reserved6() = 0;
    // Slot 7: the device path of the picture shown before the service's first slide. A path
    // without a leading '\' starts at the file system's root ("Nand\initDAB.jpg").
    virtual HRESULT SetDefaultPicture(const WCHAR* device_path) = 0;
};

template <>
struct platform::InterfaceTraits<ITunerControl> {
    static constexpr const IID& kId = IID_ITunerControl;
    using Base = IUnknown;
};
template <>
struct platform::InterfaceTraits<ISystemParserSettings> {
    static constexpr const IID& kId = IID_ISystemParserSettings;
    using Base = IUnknown;
};
template <>
struct platform::InterfaceTraits<IH264DecoderSettings> {
    static constexpr const IID& kId = IID_IH264DecoderSettings;
    using Base = IUnknown;
};
template <>
struct platform::InterfaceTraits<IBsacDecoderSettings> {
    static constexpr const IID& kId = IID_IBsacDecoderSettings;
    using Base = IUnknown;
};
template <>
struct platform::InterfaceTraits<IEaacPlusDecoderSettings> {
    static constexpr const IID& kId = IID_IEaacPlusDecoderSettings;
    using Base = IUnknown;
};
template <>
struct platform::InterfaceTraits<IMP2DecoderSettings> {
    static constexpr const IID& kId = IID_IMP2DecoderSettings;
    using Base = IUnknown;
};
template <>
struct platform::InterfaceTraits<IPadParserSettings> {
    static constexpr const IID& kId = IID_IPadParserSettings;
    using Base = IUnknown;
};
