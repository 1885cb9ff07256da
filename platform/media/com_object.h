// The base of the platform's media objects: one atomic reference count per object, deletion
// at the last Release, QueryInterface answered from the list of interfaces the object derives
// from, and a process-wide count of the objects alive for leak checks.
//
//   class Equaliser final : public platform::ComObject<IBaseFilter, IDEQSettings> { ... };
//   Equaliser* equaliser = new Equaliser();   // one reference, the creator's
//
// QueryInterface also answers every interface a listed one extends (IMediaFilter for a listed
// IBaseFilter), following InterfaceTraits<...>::Base, and IUnknown through the first listed
// interface, so every IUnknown pointer of one object compares equal.
#pragma once

#include <atomic>
#include <tuple>
#include <type_traits>

#include "platform/media/unknown.h"
#include "platform/win32_types.h"

namespace platform {

// The number of objects built on ComObjectRoot that are alive in this process.
LONG ComLiveObjects();

class ComObjectRoot {
public:
    ComObjectRoot(const ComObjectRoot&) = delete;
    ComObjectRoot& operator=(const ComObjectRoot&) = delete;

protected:
    ComObjectRoot();
    virtual ~ComObjectRoot();

    ULONG AddReference() { return m_references.fetch_add(1, std::memory_order_relaxed) + 1; }
    // Deletes the object when the last reference goes; the caller must not touch it after a 0.
    ULONG ReleaseReference();

private:
    std::atomic<ULONG> m_references{1};
};

template <class... Interfaces>
class ComObject : public ComObjectRoot, public Interfaces... {
    static_assert(sizeof...(Interfaces) > 0, "a media object implements at least one interface");
    static_assert((std::is_base_of_v<IUnknown, Interfaces> && ...), "every listed interface extends IUnknown");

public:
    HRESULT QueryInterface(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        void* found = FindInterface(iid);
        if (!found) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddReference();
        *object = found;
        return S_OK;
    }
    ULONG AddRef() override { return AddReference(); }
    ULONG Release() override { return ReleaseReference(); }

protected:
    ComObject() = default;

    // For ids the interface list does not cover (an interface reached only by its id, or one
    // held by a part of the object). Returns the interface without adding a reference.
    virtual void* FindExtraInterface(REFIID /*iid*/) { return nullptr; }

private:
    using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;

    void* FindInterface(REFIID iid)
    {
        if (iid == IID_IUnknown) return static_cast<IUnknown*>(static_cast<First*>(this));
        void* found = nullptr;
        ((found = found ? found : Match<Interfaces, Interfaces>(iid)), ...);
        return found ? found : FindExtraInterface(iid);
    }

    // Walks from the listed interface down the interfaces it extends.
    template <class Listed, class Candidate>
    void* Match(REFIID iid)
    {
        if constexpr (std::is_void_v<Candidate>) {
            return nullptr;
        } else {
            if (iid == InterfaceTraits<Candidate>::kId) return static_cast<Candidate*>(static_cast<Listed*>(this));
            return Match<Listed, typename InterfaceTraits<Candidate>::Base>(iid);
        }
    }
};

}  // namespace platform
