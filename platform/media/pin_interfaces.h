// A filter's connection points (IPin, IEnumPins) and the clock a graph runs by
// (IReferenceClock). Pins are found by name and direction and connected by the graph; a
// pin lives as long as its filter, and a reference on a pin is a reference on the filter.
#pragma once

#include <string>

#include "platform/media/filter_interfaces.h"
#include "platform/media/unknown.h"
#include "platform/win32_types.h"

enum PIN_DIRECTION : LONG { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };

// What QueryPinInfo reports. pFilter holds a reference the caller releases.
struct PIN_INFO {
    IBaseFilter* pFilter = nullptr;
    PIN_DIRECTION dir = PINDIR_INPUT;
    std::string achName;
};

// The kind of data a connection carries: its major type (MEDIATYPE_Audio, MEDIATYPE_Video,
// MEDIATYPE_Stream) and, where one is known, its subtype. A zero id matches any.
struct AM_MEDIA_TYPE {
    GUID majortype{};
    GUID subtype{};
};

struct IPin : IUnknown {
    // Connects this output pin to `receive` through the filters' graph, as ConnectDirect does.
    virtual HRESULT Connect(IPin* receive, const AM_MEDIA_TYPE* media_type) = 0;
    virtual HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* media_type) = 0;
    // Breaks the pin's connection; S_FALSE when it had none.
    virtual HRESULT Disconnect() = 0;
    // The pin at the other end, with a reference; VFW_E_NOT_CONNECTED when there is none.
    virtual HRESULT ConnectedTo(IPin** pin) = 0;
    virtual HRESULT ConnectionMediaType(AM_MEDIA_TYPE* media_type) = 0;
    virtual HRESULT QueryPinInfo(PIN_INFO* info) = 0;
    virtual HRESULT QueryDirection(PIN_DIRECTION* direction) = 0;
    // The pin's name, which FindPin takes.
    virtual HRESULT QueryId(std::string* id) = 0;
    virtual HRESULT QueryAccept(const AM_MEDIA_TYPE* media_type) = 0;
    virtual HRESULT EnumMediaTypes(void** media_types) = 0;
    virtual HRESULT QueryInternalConnections(IPin** pins, ULONG* count) = 0;
    // The streaming calls: data flows inside the graph's pipeline, never through these.
    virtual HRESULT EndOfStream() = 0;
    virtual HRESULT BeginFlush() = 0;
    virtual HRESULT EndFlush() = 0;
    virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) = 0;
};

struct IEnumPins : IUnknown {
    // S_OK when `count` pins were returned (each with a reference), S_FALSE when fewer.
    virtual HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumPins** copy) = 0;
};

struct IReferenceClock : IUnknown {
    // The clock's time in 100 ns units; it never goes back.
    virtual HRESULT GetTime(REFERENCE_TIME* time) = 0;
    virtual HRESULT AdviseTime(REFERENCE_TIME base_time, REFERENCE_TIME stream_time, HANDLE event,
                               DWORD_PTR* cookie) = 0;
    virtual HRESULT AdvisePeriodic(REFERENCE_TIME start_time, REFERENCE_TIME period, HANDLE semaphore,
                                   DWORD_PTR* cookie) = 0;
    virtual HRESULT Unadvise(DWORD_PTR cookie) = 0;
};

template <>
struct platform::InterfaceTraits<IPin> {
    static constexpr const IID& kId = IID_IPin;
    using Base = IUnknown;
};
template <>
struct platform::InterfaceTraits<IEnumPins> {
    static constexpr const IID& kId = IID_IEnumPins;
    using Base = IUnknown;
};
template <>
struct platform::InterfaceTraits<IReferenceClock> {
    static constexpr const IID& kId = IID_IReferenceClock;
    using Base = IUnknown;
};
