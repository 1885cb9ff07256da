// A counted reference to a COM object of the platform, released when its holder goes: for
// programs and tests that take filters, pins and interfaces from the graph.
#pragma once

#include <utility>

namespace platform {

// Holds one reference and releases it at the end of the scope.
template <class Interface>
class Held {
public:
    Held() = default;
    explicit Held(Interface* adopted) : m_object(adopted) {}
    ~Held() { Reset(); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    Held(Held&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    Held& operator=(Held&& other) noexcept
    {
        if (this != &other) {
            Reset();
            m_object = std::exchange(other.m_object, nullptr);
        }
        return *this;
    }

    Interface* operator->() const { return m_object; }
    Interface* Get() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }
    // For the out parameter of a call that hands over a reference.
    Interface** Out()
    {
        Reset();
        return &m_object;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }
    void Reset()
    {
        if (m_object) std::exchange(m_object, nullptr)->Release();
    }

private:
    Interface* m_object = nullptr;
};

}  // namespace platform
