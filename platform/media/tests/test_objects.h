// Small interfaces and objects for the object base and runtime tests.
#pragma once

#include <atomic>

#include "platform/media/com_object.h"

struct IShape : IUnknown {
    virtual int Sides() = 0;
};
struct ISquare : IShape {
    virtual int Side() = 0;
};
struct IColour : IUnknown {
    virtual DWORD Rgb() = 0;
};

inline constexpr IID IID_IShape = platform::GuidLiteral("6A1E0C01-0000-4000-8000-000000000001");
inline constexpr IID IID_ISquare = platform::GuidLiteral("6A1E0C01-0000-4000-8000-000000000002");
inline constexpr IID IID_IColour = platform::GuidLiteral("6A1E0C01-0000-4000-8000-000000000003");
inline constexpr IID IID_INowhere = platform::GuidLiteral("6A1E0C01-0000-4000-8000-0000000000FF");
inline constexpr CLSID CLSID_TestSquare = platform::GuidLiteral("6A1E0C01-0000-4000-8000-000000000100");

template <>
struct platform::InterfaceTraits<IShape> {
    static constexpr const IID& kId = IID_IShape;
    using Base = IUnknown;
};
template <>
struct platform::InterfaceTraits<ISquare> {
    static constexpr const IID& kId = IID_ISquare;
    using Base = IShape;
};
template <>
struct platform::InterfaceTraits<IColour> {
    static constexpr const IID& kId = IID_IColour;
    using Base = IUnknown;
};

// A red square; counts its destructions in a counter the test owns, when given one.
class TestSquare final : public platform::ComObject<ISquare, IColour> {
public:
    explicit TestSquare(std::atomic<int>* destroyed = nullptr) : m_destroyed(destroyed) {}
    int Sides() override { return 4; }
    int Side() override { return 3; }
    DWORD Rgb() override { return 0xFF0000; }

private:
    ~TestSquare() override
    {
        if (m_destroyed) m_destroyed->fetch_add(1);
    }
    std::atomic<int>* m_destroyed;
};
