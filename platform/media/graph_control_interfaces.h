// The graph's playback interfaces the players call: state (IMediaControl), position in
// seconds (IMediaPosition) and volume in hundredths of a decibel (IBasicAudio). Each extends
// IDispatch, whose four slots are kept so that the methods sit where the device has them;
// the graph answers them with E_NOTIMPL, since nothing here is scripted.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

#include "platform/media/unknown.h"
#include "platform/win32_types.h"

// A graph state as IMediaControl reports it: a FILTER_STATE value (State_Stopped 0,
// State_Paused 1, State_Running 2).
using OAFilterState = LONG;
// A time in seconds.
using REFTIME = double;
using LCID = DWORD;
using DISPID = LONG;
// A window handle as the control interfaces pass it.
using OAHWND = std::uintptr_t;

constexpr LONG OATRUE = -1;
constexpr LONG OAFALSE = 0;

// The quietest and loudest IBasicAudio volumes, in hundredths of a decibel.
constexpr LONG kBasicAudioSilence = -10000;
constexpr LONG kBasicAudioFull = 0;

// An IBasicAudio volume as a linear gain: 1 at full, and silence at the quietest.
inline double LinearGainOf(LONG volume)
{
    return volume <= kBasicAudioSilence ? 0.0 : std::pow(10.0, static_cast<double>(volume) / 2000.0);
}

struct IDispatch : IUnknown {
    virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
    virtual HRESULT GetTypeInfo(UINT index, LCID locale, void** type_info) = 0;
    virtual HRESULT GetIDsOfNames(REFIID iid, void* names, UINT count, LCID locale, DISPID* ids) = 0;
    virtual HRESULT Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, void* parameters, void* result,
                           void* exception, UINT* argument_error) = 0;
};

struct IMediaControl : IDispatch {
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    // Stops and rewinds: the next Run starts from the beginning.
    virtual HRESULT Stop() = 0;
    // Waits at most `timeout_ms` for a state change in progress; VFW_S_STATE_INTERMEDIATE with
    // the state being entered when it is still changing.
    virtual HRESULT GetState(LONG timeout_ms, OAFilterState* state) = 0;
    virtual HRESULT RenderFile(const std::string& file) = 0;
    virtual HRESULT AddSourceFilter(const std::string& file, IDispatch** filter) = 0;
    virtual HRESULT get_FilterCollection(IDispatch** collection) = 0;
    virtual HRESULT get_RegFilterCollection(IDispatch** collection) = 0;
    virtual HRESULT StopWhenReady() = 0;
};

struct IMediaPosition : IDispatch {
    virtual HRESULT get_Duration(REFTIME* length) = 0;
    virtual HRESULT put_CurrentPosition(REFTIME time) = 0;
    virtual HRESULT get_CurrentPosition(REFTIME* time) = 0;
    virtual HRESULT get_StopTime(REFTIME* time) = 0;
    virtual HRESULT put_StopTime(REFTIME time) = 0;
    virtual HRESULT get_PrerollTime(REFTIME* time) = 0;
    virtual HRESULT put_PrerollTime(REFTIME time) = 0;
    virtual HRESULT put_Rate(double rate) = 0;
    virtual HRESULT get_Rate(double* rate) = 0;
    virtual HRESULT CanSeekForward(LONG* can_seek) = 0;
    virtual HRESULT CanSeekBackward(LONG* can_seek) = 0;
};

struct IBasicAudio : IDispatch {
    // kBasicAudioSilence..kBasicAudioFull; E_INVALIDARG outside.
    virtual HRESULT put_Volume(LONG volume) = 0;
    virtual HRESULT get_Volume(LONG* volume) = 0;
    virtual HRESULT put_Balance(LONG balance) = 0;
    virtual HRESULT get_Balance(LONG* balance) = 0;
};

// The graph's video window, which on the device is the picture of the graph's video renderer
// on the overlay plane: whether it shows, where, and the window it belongs to. The graph
// answers E_NOINTERFACE while it holds no video renderer.
struct IVideoWindow : IDispatch {
    virtual HRESULT put_Visible(LONG visible) = 0;
    virtual HRESULT get_Visible(LONG* visible) = 0;
    virtual HRESULT put_Owner(OAHWND owner) = 0;
    virtual HRESULT get_Owner(OAHWND* owner) = 0;
    virtual HRESULT SetWindowPosition(LONG left, LONG top, LONG width, LONG height) = 0;
    virtual HRESULT GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) = 0;
};

template <>
struct platform::InterfaceTraits<IDispatch> {
    static constexpr const IID& kId = IID_IDispatch;
    using Base = IUnknown;
};
template <>
struct platform::InterfaceTraits<IMediaControl> {
    static constexpr const IID& kId = IID_IMediaControl;
    using Base = IDispatch;
};
template <>
struct platform::InterfaceTraits<IMediaPosition> {
    static constexpr const IID& kId = IID_IMediaPosition;
    using Base = IDispatch;
};
template <>
struct platform::InterfaceTraits<IBasicAudio> {
    static constexpr const IID& kId = IID_IBasicAudio;
    using Base = IDispatch;
};
template <>
struct platform::InterfaceTraits<IVideoWindow> {
    static constexpr const IID& kId = IID_IVideoWindow;
    using Base = IDispatch;
};
