#include "satscope/nmea_decoders.h"

#include <cmath>
#include <cstdio>

#include "satscope/control_ids.h"
#include "satscope/nmea_fields.h"

namespace satscope {
namespace {

// int() of a double the receiver sent, saturated instead of undefined.
int Truncated(double value)
{
    if (!(value == value)) return 0;  // NaN
    if (value >= 2147483647.0) return 2147483647;
    if (value <= -2147483648.0) return -2147483647 - 1;
    return static_cast<int>(value);
}

// A latitude or longitude: shown when its value or hemisphere changed.
void ShowCoordinate(DecodeContext& context, int control, const char* label, double raw, char hemisphere,
                    double& stored, char& stored_hemisphere)
{
    const double degrees = DegreesFromNmea(raw);
    if (degrees == stored && hemisphere == stored_hemisphere) return;
    stored = degrees;
    stored_hemisphere = hemisphere;
    context.texts.SetText(control, context.compact ? Format("%0.4f%c", degrees, Shown(hemisphere))
                                                   : Format("%s: %0.6f %c", label, degrees, Shown(hemisphere)));
}

void ShowPosition(DecodeContext& context, double latitude, char north, double longitude, char east)
{
    FixState& fix = context.fix;
    ShowCoordinate(context, IDC_LATITUDE, "LATI", latitude, north, fix.latitude, fix.latitude_hemisphere);
    ShowCoordinate(context, IDC_LONGITUDE, "LONGI", longitude, east, fix.longitude, fix.longitude_hemisphere);
}

void ShowTime(DecodeContext& context, double raw)
{
    if (raw == context.fix.utc_time) return;
    context.fix.utc_time = raw;
    const Hms time = SplitSixDigits(raw);
    context.texts.SetText(IDC_UTC_TIME, context.compact
                                            ? Format("%02d:%02d:%02d", time.first, time.second, time.third)
                                            : Format("UTC Time: %02d:%02d:%02d", time.first, time.second, time.third));
}

void ShowDilution(DecodeContext& context, int control, const char* name, double value, double& stored)
{
    if (value == stored) return;
    stored = value;
    context.texts.SetText(control, Format("%s: %0.1f", name, value));
}

}  // namespace

double DegreesFromNmea(double ddmm)
{
    const int degrees = Truncated(ddmm * 0.01);
    return degrees + (ddmm - degrees * 100.0) * 0.016666666666666666;
}

Hms SplitSixDigits(double value)
{
    Hms split;
    split.first = Truncated(value * 0.0001);
    const double rest = value - split.first * 10000.0;
    split.second = Truncated(rest * 0.01);
    split.third = Truncated(rest - split.second * 100.0);
    return split;
}

void DecodeGga(std::string_view text, DecodeContext& context)
{
    double time = 0, latitude = 0, longitude = 0, hdop = 0, altitude = 0;
    char north = 0, east = 0, unit = 0;
    std::int32_t quality = 0, used = 0;
    FieldScanner scan(text);
    scan.Double(time);
    scan.Double(latitude);
    scan.Char(north);
    scan.Double(longitude);
    scan.Char(east);
    scan.Int(quality);
    scan.Int(used);
    scan.Float(hdop);
    scan.Double(altitude);
    scan.Char(unit);

    FixState& fix = context.fix;
    ShowPosition(context, latitude, north, longitude, east);
    if (altitude != fix.altitude || unit != fix.altitude_unit) {
        fix.altitude = altitude;
        fix.altitude_unit = unit;
        context.texts.SetText(IDC_ALTITUDE, context.compact ? Format("%0.2f %c", altitude, Shown(unit))
                                                            : Format("ALTI: %0.2f %c", altitude, Shown(unit)));
    }
    ShowTime(context, time);
    if (used != fix.satellites_used) {
        fix.satellites_used = used;
        context.texts.SetText(IDC_SATELLITES_USED, context.compact ? Format("n(S):%d", used) : Format("n(SATE): %d", used));
    }
    ShowDilution(context, IDC_HDOP, "HDOP", hdop, fix.hdop);
    fix.fix_quality = quality;
}

bool DecodeGsa(std::string_view text, DecodeContext& context)
{
    char mode = 0;
    std::int32_t fix_type = 0;
    std::int32_t numbers[12] = {};
    double pdop = 0, hdop = 0, vdop = 0;
    FieldScanner scan(text);
    scan.Char(mode);
    scan.Int(fix_type);
    for (std::int32_t& number : numbers) scan.Int(number);
    scan.Float(pdop);
    scan.Float(hdop);
    scan.Float(vdop);

    FixState& fix = context.fix;
    fix.fix_type = fix_type;
    const char* state = fix_type == 1   ? "STATE: NO FIX"
                        : fix_type == 2 ? "STATE: 2D"
                        : fix_type == 3 ? (fix.fix_quality == 2 ? "STATE: 3D - DGPS" : "STATE: 3D")
                                        : "STATE: UNKNOWN";
    context.texts.SetText(IDC_FIX_STATE, state);

    bool fix_reached = false;
    if (fix_type == 3 && fix.time_to_fix_running) {
        context.texts.SetText(IDC_TIME_TO_FIX, context.compact ? Format("FT: %d sec !!", fix.time_to_fix)
                                                               : Format("RST Time: %d sec !!", fix.time_to_fix));
        fix.time_to_fix = 0;
        fix.time_to_fix_running = false;
        fix_reached = true;
    }

    // The used satellites and their mean signal.
    for (SatelliteSlot& slot : fix.slots) slot.used = 0;
    std::int64_t sum = 0;
    int walked = 0;
    for (const std::int32_t number : numbers) {
        if (number == 0) break;
        ++walked;
        for (SatelliteSlot& slot : fix.slots) {
            if (slot.prn == number) {
                slot.used = kUsedInFix;
                sum += slot.snr;
                break;
            }
        }
    }
    context.texts.SetText(IDC_MEAN_SIGNAL, Format("SNR: %d", walked ? static_cast<int>(sum / walked) : 0));

    // The dilutions stand in fixed fields, whatever came before them.
    ShowDilution(context, IDC_PDOP, "PDOP", SinglePrecision(LeadingDouble(Field(text, 14))), fix.pdop);
    ShowDilution(context, IDC_HDOP, "HDOP", SinglePrecision(LeadingDouble(Field(text, 15))), fix.hdop);
    ShowDilution(context, IDC_VDOP, "VDOP", SinglePrecision(LeadingDouble(Field(text, 16))), fix.vdop);
    return fix_reached;
}

bool DecodeGsv(std::string_view text, FixState& fix)
{
    // Fields from 1: the number of messages, this message's number, the satellites in view, then
    // a group of four per satellite (PRN, elevation, azimuth, SNR). A trailing field that does
    // not complete its group (the signal id of newer receivers) is no satellite.
    const std::size_t count = FieldCount(text);
    std::int32_t total = 0;
    std::int32_t number = 0;
    FieldWalker fields(text);
    std::string_view field;
    for (std::size_t n = 1; n <= count && fields.Next(field); ++n) {
        const std::int32_t value = LeadingInt(field);
        if (n == 1) {
            total = value;
        } else if (n == 2) {
            number = value;
            if (number == 1) {
                for (SatelliteSlot& slot : fix.slots) slot.prn = 0;
                fix.write_position = 0;
            }
        } else if (n == 3) {
            fix.satellites_in_view = value;
        } else if (n % 4 == 0) {
            if (n + 3 > count) break;
            if (fix.write_position >= 0 && fix.write_position < kSatelliteSlots)
                fix.slots[static_cast<std::size_t>(fix.write_position)].prn = value;
        } else if (n % 4 == 3) {
            if (fix.write_position >= 0 && fix.write_position < kSatelliteSlots) {
                fix.slots[static_cast<std::size_t>(fix.write_position)].snr = value;
                ++fix.write_position;
            }
        }
    }
    if (text.find('*') == std::string_view::npos || number != total) return false;
    if (fix.gsv_skip) {
        // A message of this cycle was lost: the bars keep the cycle drawn before.
        fix.slots = fix.drawn;
        fix.gsv_skip = false;
    }
    fix.write_position = 0;
    return true;
}

void DecodeRmc(std::string_view text, DecodeContext& context)
{
    double time = 0, latitude = 0, longitude = 0, speed = 0;
    char status = 0, north = 0, east = 0;
    FieldScanner scan(text);
    scan.Double(time);
    scan.Char(status);
    scan.Double(latitude);
    scan.Char(north);
    scan.Double(longitude);
    scan.Char(east);
    scan.Double(speed);
    const double date = LeadingDouble(Field(text, 8));

    ShowPosition(context, latitude, north, longitude, east);
    ShowTime(context, time);

    FixState& fix = context.fix;
    const Hms day = SplitSixDigits(date);
    if (date != fix.date) {
        fix.date = date;
        context.texts.SetText(IDC_UTC_DATE, context.compact ? Format("20%02d-%02d-%02d", day.third, day.second, day.first)
                                                            : Format("UTC Date: 20%02d-%02d-%02d", day.third, day.second, day.first));
    }
    // The log's time follows every RMC that carries a date, so a log started later is stamped
    // with the latest time, not the one at which the date last changed.
    if (date != 0) {
        const Hms clock = SplitSixDigits(time);
        fix.log_time = {true, day.third, day.second, day.first, clock.first, clock.second, clock.third};
    }
}

}  // namespace satscope
