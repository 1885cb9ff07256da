// The device's clock as its programs read it: the calendar time of the host, in the host's
// time zone, broken into the device's SYSTEMTIME fields.
#pragma once

#include "platform/win32_types.h"

struct SYSTEMTIME {
    WORD wYear = 0;
    WORD wMonth = 0;      // 1..12
    WORD wDayOfWeek = 0;  // 0 Sunday .. 6 Saturday
    WORD wDay = 0;        // 1..31
    WORD wHour = 0;
    WORD wMinute = 0;
    WORD wSecond = 0;
    WORD wMilliseconds = 0;
};

// The local time now.
void GetLocalTime(SYSTEMTIME* time);
// The same time in UTC.
void GetSystemTime(SYSTEMTIME* time);
