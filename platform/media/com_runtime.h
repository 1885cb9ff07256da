// The object runtime's entry points with the device's names and results: per-thread
// initialisation and creating an object of a registered class by its class id.
//
// There are no apartments here: every media object may be called from any thread, so the
// threading model a thread asks for is accepted and not enforced.
#pragma once

#include "platform/media/guid.h"
#include "platform/media/result_codes.h"
#include "platform/media/unknown.h"
#include "platform/win32_types.h"

constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
constexpr DWORD COINIT_DISABLE_OLE1DDE = 0x4;
constexpr DWORD COINIT_SPEED_OVER_MEMORY = 0x8;

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
constexpr DWORD CLSCTX_SERVER = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
constexpr DWORD CLSCTX_ALL = CLSCTX_SERVER | CLSCTX_INPROC_HANDLER;

// Counted per thread: S_OK the first time on a thread, S_FALSE while it is already initialised
// (each call still needs its CoUninitialize). E_INVALIDARG for a non-null reserved pointer or
// an unknown flag; such a call is not counted.
HRESULT CoInitializeEx(void* reserved, DWORD co_init);
HRESULT CoInitialize(void* reserved);
// Undoes one successful CoInitializeEx of this thread; a call beyond them is ignored.
void CoUninitialize();

// Creates an object of a registered class and asks it for `iid`. On any failure *object is
// null and nothing is left alive. Results: E_POINTER (null object), CO_E_NOTINITIALIZED (this
// thread has not called CoInitializeEx), CLASS_E_NOAGGREGATION (an outer object was given),
// REGDB_E_CLASSNOTREG (unknown class, or a context without an in-process server: every class
// here is in-process), E_NOINTERFACE, or the factory's failure.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** object);
