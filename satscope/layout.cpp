#include "satscope/layout.h"

#include "satscope/control_ids.h"

namespace satscope {
namespace {

constexpr int kSummaryFields[9] = {IDC_FIX_STATE, IDC_MEAN_SIGNAL, IDC_SATELLITES_USED, IDC_PDOP,     IDC_HDOP,
                                   IDC_VDOP,      IDC_LATITUDE,    IDC_LONGITUDE,       IDC_ALTITUDE};

}  // namespace

const char* WindowTitle(bool compact)
{
    return compact ? "[VORL] MINI SatScope_v1.00 " : "[VORL] SATSCOPE_PLUS_v1.00";
}

LayoutResult ComputeLayout(const LayoutInput& input)
{
    LayoutResult out;
    out.compact = input.window_height < kCompactBelow;
    const int column = out.compact ? kCompactControlWidth : input.control_width;
    out.control_width = column;
    out.window_width = input.window_width;
    out.window_height = input.window_height;
    const int client = input.window_height - kCaptionBar;
    out.client_height = client;
    const long long total = static_cast<long long>(input.signal_share) + input.summary_share + input.list_share;
    const auto part = [&](int share) { return total > 0 ? static_cast<int>(share * static_cast<long long>(client) / total) : 0; };
    out.signal_height = part(input.signal_share);
    out.summary_height = part(input.summary_share);
    out.list_height = part(input.list_share);
    const int left = input.window_width - column;
    out.left_width = left;
    auto& at = out.placements;

    at.push_back({IDC_SENTENCES, 2, out.signal_height + out.summary_height, left - 2, out.list_height - 4,
                  out.list_height != 0});
    for (int i = 0; i < 9; ++i)
        at.push_back({kSummaryFields[i], 2 + (i % 3) * (left / 3), out.signal_height + (i / 3) * (out.summary_height / 3),
                      left / 3, out.summary_height / 3, out.summary_height != 0});
    for (int i = 0; i < 12; ++i) {
        const int row = i / 2;
        const int col = i % 2;
        at.push_back({IDC_COMMAND_FIRST + i, left + 2 + col * (column / 2 - 2), row * (client / 12) + client / 2 + 2,
                      column / 2 - 6, client / 12, true});
    }
    at.push_back({IDC_NOTICE, 4, 2, left - 8, 15, false});

    const int x = left + 2;
    at.push_back({IDC_PORTS, x, 2, column / 2 - 4, 20, true});
    at.push_back({IDC_BAUDS, x + column / 2, 2, column / 2 - 4, 20, true});
    at.push_back({IDC_CONNECT, x, 24, column - 8, 25, true});
    const int types[3] = {IDC_TYPE_SIRF, IDC_TYPE_UBLOX, IDC_TYPE_PTC};
    for (int i = 0; i < 3; ++i) at.push_back({types[i], x + i * (column / 3), 49, column / 3, 25, true});
    const bool times = input.window_height >= kNoTimesBelow;
    at.push_back({IDC_UTC_DATE, x, 79, column - 4, 20, times});
    at.push_back({IDC_UTC_TIME, x, 99, column - 4, 20, times});
    at.push_back({IDC_TIME_TO_FIX, x, 119, column - 4, 20, times});
    at.push_back({IDC_VERSION_TITLE, x, 139, column - 4, 20, !out.compact});
    at.push_back({IDC_VERSION_FIRST, x, 159, column - 4, 20, !out.compact});
    at.push_back({IDC_VERSION_SECOND, x, 179, column - 4, 20, !out.compact});
    for (int i = 0; i < 5; ++i)
        at.push_back({IDC_PRESET_FIRST + i, x + i * (column / 5), client / 2 - 27, column / 5 - 2, 20, !out.compact});

    if (out.compact) {
        out.captions = {{IDC_TYPE_SIRF, "S"},
                        {IDC_TYPE_UBLOX, "U"},
                        {IDC_TYPE_PTC, "P"},
                        {IDC_CONNECT, input.port_open ? "DIS" : "CON"},
                        {IDC_TIME_TO_FIX, "FT: none"}};
    }
    return out;
}

}  // namespace satscope
