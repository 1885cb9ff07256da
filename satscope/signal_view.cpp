#include "satscope/signal_view.h"

#include "satscope/sentence_handler.h"

namespace satscope {

void SignalView::Draw(FixState& fix, SignalDraw mode, bool can_draw)
{
    if (mode == SignalDraw::Clear || mode == SignalDraw::ClearGrey) {
        // An empty area: the next update draws every bar again.
        fix.drawn_count = 0;
        return;
    }
    if (!can_draw) return;
    const int count = fix.satellites_in_view < 0 ? 0 : fix.satellites_in_view > kSatelliteSlots ? kSatelliteSlots
                                                                                               : fix.satellites_in_view;
    if (count == 0) {
        fix.drawn_count = 0;
        return;
    }
    for (int i = 0; i < count; ++i) fix.drawn[static_cast<std::size_t>(i)] = fix.slots[static_cast<std::size_t>(i)];
    fix.drawn_count = count;
    ++m_draws;
}

}  // namespace satscope
