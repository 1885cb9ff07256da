// The signal area of SatScope's window: one bar per satellite in view. Drawing keeps the copy of
// the slots last drawn (and their count), which the next update compares against and which a
// GSV cycle with a lost message falls back on.
#pragma once

#include "satscope/fix_state.h"

namespace satscope {

enum class SignalDraw;

class SignalView {
public:
    // Draws in the given mode. Nothing is drawn unless `can_draw` (the port is open, the area
    // has a height and the preset shows it).
    void Draw(FixState& fix, SignalDraw mode, bool can_draw);
    int Draws() const { return m_draws; }

private:
    int m_draws = 0;
};

}  // namespace satscope
