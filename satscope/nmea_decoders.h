// The decoders of the four NMEA sentences SatScope shows: GGA (position, time, satellites used,
// HDOP), GSA (fix type, used satellites and their mean signal, dilutions), GSV (the satellites in
// view and their signal) and RMC (position, time, date). Each takes the sentence's text after its
// address field and comma ("$GPGGA," cut off) and writes what changed into the FixState and into
// the window's texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "satscope/fix_state.h"

namespace satscope {

// Where decoded texts go: the window's static controls, by id.
class TextOut {
public:
    virtual ~TextOut() = default;
    virtual void SetText(int control, const std::string& text) = 0;
};

struct DecodeContext {
    FixState& fix;
    TextOut& texts;
    bool compact = false;  // the small window's shorter texts
};

// Conversions of the receiver's numbers, saturating where a value cannot be held.
double DegreesFromNmea(double ddmm);
struct Hms {
    int first = 0;   // hours, or the day of a date
    int second = 0;  // minutes, or the month
    int third = 0;   // seconds, or the two-digit year
};
Hms SplitSixDigits(double value);  // hhmmss.ss or ddmmyy

void DecodeGga(std::string_view text, DecodeContext& context);

// True when this GSA ended a time-to-fix count (the first 3D fix while the counter runs): the
// caller stops the counter's timer.
bool DecodeGsa(std::string_view text, DecodeContext& context);

// True when this GSV was the last message of its cycle: the caller redraws the bars.
bool DecodeGsv(std::string_view text, FixState& fix);

void DecodeRmc(std::string_view text, DecodeContext& context);

}  // namespace satscope
