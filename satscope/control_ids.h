// The controls of SatScope's window (dialog 102), by id.
#pragma once

namespace satscope {

enum ControlId : int {
    IDC_CONNECT = 1001,
    IDC_SENTENCES = 1011,  // the sentence list
    IDC_BAUDS = 1012,
    IDC_PORTS = 1013,
    // The summary grid, by rows of three.
    IDC_FIX_STATE = 1015,
    IDC_MEAN_SIGNAL = 1016,
    IDC_SATELLITES_USED = 1017,
    IDC_PDOP = 1018,
    IDC_HDOP = 1019,
    IDC_VDOP = 1020,
    IDC_LATITUDE = 1021,
    IDC_LONGITUDE = 1022,
    IDC_ALTITUDE = 1023,
    IDC_UTC_DATE = 1024,
    IDC_UTC_TIME = 1025,
    IDC_COMMAND_FIRST = 1026,  // the twelve command buttons, 1026..1037
    IDC_PAUSE = 1036,
    IDC_LOG = 1037,
    IDC_COMMAND_LAST = 1037,
    IDC_TYPE_SIRF = 1038,
    IDC_TYPE_UBLOX = 1039,
    IDC_TYPE_PTC = 1041,
    IDC_PRESET_FIRST = 1103,  // "UI1".."UI5", 1103..1107
    IDC_PRESET_LAST = 1107,
    IDC_VERSION_TITLE = 1108,
    IDC_VERSION_FIRST = 1109,
    IDC_VERSION_SECOND = 1111,
    IDC_TIME_TO_FIX = 1113,
    IDC_NOTICE = 1114,
};

// The window's timers.
enum TimerId : unsigned {
    kTimerNoData = 1,       // no complete sentence for 3 s
    kTimerFullRedraw = 2,   // one full redraw of the bars
    kTimerTimeToFix = 3,    // the time-to-fix counter's second tick
    kTimerNoGsv = 4,        // no GSV for 1.5 s
    kTimerNoticeHide = 5,
    kTimerNoticeBand = 6,
};

constexpr unsigned kNoDataMs = 3000;
constexpr unsigned kTimeToFixTickMs = 1000;
constexpr unsigned kNoGsvMs = 1500;

// WM_GPS_DATA: bytes are waiting in the receive ring (wParam the link id, lParam 0).
constexpr unsigned kGpsDataMessage = 0x0400 + 1;

}  // namespace satscope
