// The screen of a device without a display: frames are composed (screenshots show them) and
// presented nowhere.
#pragma once

#include "server/compositor/screen_backend.h"

namespace server {

class HeadlessBackend final : public ScreenBackend {
public:
    void Present(const Frame&) override { ++m_presented; }
    void PollInput(const std::function<void(const BackendInput&)>&) override {}
    bool HasInput() const override { return false; }
    std::uint64_t Presented() const { return m_presented; }

private:
    std::uint64_t m_presented = 0;
};

}  // namespace server
