// Where the presented screen goes: a desktop window, or nowhere. A backend that has a window
// also gives the pen and key input made on it.
#pragma once

#include <cstdint>
#include <functional>

#include "server/compositor/frame.h"

namespace server {

struct BackendInput {
    enum class Kind { PenDown, PenMove, PenUp, Key, Quit } kind = Kind::PenMove;
    std::int32_t x = 0;  // screen coordinates
    std::int32_t y = 0;
    std::uint32_t key = 0;  // as InputRequest's key
};

class ScreenBackend {
public:
    virtual ~ScreenBackend() = default;
    virtual void Present(const Frame& frame) = 0;
    // Hands every input that arrived since the last call to deliver; never waits.
    virtual void PollInput(const std::function<void(const BackendInput&)>& deliver) = 0;
    // Whether PollInput has anything to look at (the loop then polls it a few times a second).
    virtual bool HasInput() const = 0;
};

}  // namespace server
