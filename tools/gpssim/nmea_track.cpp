#include "tools/gpssim/nmea_track.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace gpssim {

namespace {

constexpr double kKmhPerKnot = 1.852;
constexpr double kNoFixDop = 99.9;
constexpr int kMaxUsed = 12;
constexpr int kUsedSnr = 20;  // a satellite below this is left out of a 3D solution

std::string Format(const char* format, double value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string TwoDigits(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

// address "," field "," field ...
std::string Body(const char* address, std::initializer_list<std::string> fields) {
    std::string body = address;
    for (const std::string& field : fields) {
        body += ',';
        body += field;
    }
    return body;
}

// Degrees and minutes with four decimals; the minutes are rounded once, in ten-thousandths, so
// 59.99996 becomes the next degree rather than "60.0000".
std::string DegreesMinutes(double degrees, const char* degree_format) {
    const long long units = std::llround(std::fabs(degrees) * 600000.0);  // 1/10000 minute
    const long long whole = units / 600000;
    const long long minute_units = units % 600000;
    char text[32];
    std::snprintf(text, sizeof text, degree_format, static_cast<int>(whole));
    char minutes[16];
    std::snprintf(minutes, sizeof minutes, "%02lld.%04lld", minute_units / 10000, minute_units % 10000);
    return std::string(text) + minutes;
}

bool HasFix(const ReceiverState& state) { return state.fix != FixKind::None; }

}  // namespace

std::string NmeaLatitude(double degrees) { return DegreesMinutes(degrees, "%02d"); }
std::string NmeaLongitude(double degrees) { return DegreesMinutes(degrees, "%03d"); }

std::string GgaBody(const ReceiverState& state) {
    const std::string time = NmeaTimeField(state.time);
    if (!HasFix(state)) return Body("GPGGA", {time, "", "", "", "", "0", "00", Format("%.1f", kNoFixDop), "", "", "", "", "", ""});
    const RoadPosition& p = state.position;
    return Body("GPGGA", {time, NmeaLatitude(p.latitude), p.latitude < 0 ? "S" : "N", NmeaLongitude(p.longitude),
                          p.longitude < 0 ? "W" : "E", "1", TwoDigits(static_cast<int>(state.used.size())),
                          Format("%.1f", state.hdop), Format("%.1f", p.altitude), "M", Format("%.1f", kGeoidSeparation),
                          "M", "", ""});
}

std::string GsaBody(const ReceiverState& state) {
    std::string body = "GPGSA,A," + std::to_string(static_cast<int>(state.fix));
    for (int i = 0; i < kMaxUsed; ++i) {
        body += ',';
        if (i < static_cast<int>(state.used.size())) body += TwoDigits(state.used[i]);
    }
    body += ',' + Format("%.1f", state.pdop) + ',' + Format("%.1f", state.hdop) + ',' + Format("%.1f", state.vdop);
    return body;
}

std::vector<std::string> GsvBodies(const ReceiverState& state) {
    const int in_view = static_cast<int>(state.in_view.size());
    const int total = std::max(1, (in_view + kSatellitesPerGsv - 1) / kSatellitesPerGsv);
    std::vector<std::string> bodies;
    for (int message = 1; message <= total; ++message) {
        std::string body = "GPGSV," + std::to_string(total) + ',' + std::to_string(message) + ',' + TwoDigits(in_view);
        for (int i = (message - 1) * kSatellitesPerGsv; i < std::min(in_view, message * kSatellitesPerGsv); ++i) {
            const SatelliteView& satellite = state.in_view[i];
            char group[32];
            std::snprintf(group, sizeof group, ",%02d,%02d,%03d,", satellite.prn, satellite.elevation, satellite.azimuth);
            body += group;
            if (satellite.snr > 0) body += TwoDigits(satellite.snr);
        }
        bodies.push_back(std::move(body));
    }
    return bodies;
}

std::string RmcBody(const ReceiverState& state) {
    const std::string time = NmeaTimeField(state.time);
    const std::string date = NmeaDateField(state.time);
    if (!HasFix(state)) return Body("GPRMC", {time, "V", "", "", "", "", "", "", date, "", "", "N"});
    const RoadPosition& p = state.position;
    return Body("GPRMC", {time, "A", NmeaLatitude(p.latitude), p.latitude < 0 ? "S" : "N", NmeaLongitude(p.longitude),
                          p.longitude < 0 ? "W" : "E", Format("%.1f", p.speed_kmh / kKmhPerKnot),
                          Format("%.1f", p.course), date, "", "", "A"});
}

std::string VtgBody(const ReceiverState& state) {
    if (!HasFix(state)) return Body("GPVTG", {"", "T", "", "M", "", "N", "", "K", "N"});
    const RoadPosition& p = state.position;
    return Body("GPVTG", {Format("%.1f", p.course), "T", "", "M", Format("%.1f", p.speed_kmh / kKmhPerKnot), "N",
                          Format("%.1f", p.speed_kmh), "K", "A"});
}

std::string NavPosllhFrame(const ReceiverState& state) {
    const bool fix = HasFix(state);
    const RoadPosition& p = state.position;
    std::string payload;
    AppendU32(payload, GpsTimeOfWeekMs(state.time));
    AppendU32(payload, fix ? static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(p.longitude * 1e7))) : 0);
    AppendU32(payload, fix ? static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(p.latitude * 1e7))) : 0);
    const auto millimetres = [](double metres) { return static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(metres * 1000))); };
    AppendU32(payload, fix ? millimetres(p.altitude + kGeoidSeparation) : 0);  // above the ellipsoid
    AppendU32(payload, fix ? millimetres(p.altitude) : 0);                     // above mean sea level
    AppendU32(payload, fix ? millimetres(state.hdop * 2.5) : 0xFFFFFFFFu);     // horizontal accuracy
    AppendU32(payload, fix ? millimetres(state.vdop * 4.0) : 0xFFFFFFFFu);     // vertical accuracy
    return MakeUbxFrame(0x01, 0x02, payload);
}

std::string AckFrame(std::uint8_t acknowledged_class, std::uint8_t acknowledged_id) {
    const char payload[] = {static_cast<char>(acknowledged_class), static_cast<char>(acknowledged_id)};
    return MakeUbxFrame(0x05, 0x01, std::string_view(payload, sizeof payload));
}

std::vector<Piece> CycleOf(const ReceiverState& state, UbxFrames ubx) {
    std::vector<Piece> cycle;
    const bool with_ubx = ubx == UbxFrames::Interleaved;
    cycle.push_back(SentencePiece(GgaBody(state)));
    if (with_ubx) cycle.push_back({PieceKind::UbxFrame, NavPosllhFrame(state)});
    cycle.push_back(SentencePiece(GsaBody(state)));
    if (with_ubx && state.cycle % 4 == 0) cycle.push_back({PieceKind::UbxFrame, AckFrame(0x06, 0x24)});
    for (const std::string& body : GsvBodies(state)) cycle.push_back(SentencePiece(body));
    cycle.push_back(SentencePiece(RmcBody(state)));
    cycle.push_back(SentencePiece(VtgBody(state)));
    return cycle;
}

NmeaTrack::NmeaTrack(const TrackOptions& options)
    : m_options(options),
      m_sky(options.seed, std::max(4, options.fix_after_cycles)),
      m_road(options.seed),
      m_random(options.seed ^ 0xD0B5EED7ull),
      m_two_d_from(std::max(0, options.fix_after_cycles)),
      m_three_d_from(m_two_d_from + std::max(0, options.three_d_after_cycles)) {}

void NmeaTrack::RestartFix(std::int64_t cycles_to_2d, std::int64_t cycles_to_3d) {
    const std::int64_t next = m_started ? static_cast<std::int64_t>(m_state.cycle) + 1 : 0;
    cycles_to_2d = std::max<std::int64_t>(0, cycles_to_2d);
    m_two_d_from = next + cycles_to_2d;
    m_three_d_from = next + std::max(cycles_to_2d, cycles_to_3d);
}

void NmeaTrack::Step() {
    if (m_started) {
        ++m_state.cycle;
        m_sky.Advance();
        m_road.Advance();
    }
    m_started = true;
    const auto cycle = static_cast<std::int64_t>(m_state.cycle);
    m_state.fix = cycle < m_two_d_from ? FixKind::None : cycle < m_three_d_from ? FixKind::TwoD : FixKind::ThreeD;
    m_state.time = AddSeconds(m_options.start, cycle);
    m_state.position = m_road.Position();

    const int needed = m_state.fix == FixKind::ThreeD ? 4 : m_state.fix == FixKind::TwoD ? 3 : 0;
    m_sky.EnsureTracked(needed);
    m_state.in_view = m_sky.InView();

    // The solution: a 2D fix from the three strongest satellites, a 3D fix from every strong one
    // (at least four).
    std::vector<SatelliteView> tracked;
    for (const SatelliteView& satellite : m_state.in_view)
        if (satellite.snr > 0) tracked.push_back(satellite);
    std::stable_sort(tracked.begin(), tracked.end(), [](const SatelliteView& a, const SatelliteView& b) { return a.snr > b.snr; });
    std::size_t count = 0;
    if (m_state.fix == FixKind::TwoD) {
        count = 3;
    } else if (m_state.fix == FixKind::ThreeD) {
        while (count < tracked.size() && tracked[count].snr >= kUsedSnr) ++count;
        count = std::max<std::size_t>(count, 4);
    }
    count = std::min({count, tracked.size(), static_cast<std::size_t>(kMaxUsed)});
    m_state.used.clear();
    for (std::size_t i = 0; i < count; ++i) m_state.used.push_back(tracked[i].prn);
    std::sort(m_state.used.begin(), m_state.used.end());

    if (m_state.fix == FixKind::None || m_state.used.empty()) {
        m_state.pdop = m_state.hdop = m_state.vdop = kNoFixDop;
    } else {
        const double used = static_cast<double>(m_state.used.size());
        m_state.hdop = std::round((0.6 + 3.2 / used + m_random.Between(0.0, 0.2)) * 10) / 10;
        m_state.pdop = std::round((m_state.hdop * 1.6 + 0.2) * 10) / 10;
        m_state.vdop = std::round(std::sqrt(m_state.pdop * m_state.pdop - m_state.hdop * m_state.hdop) * 10) / 10;
    }
}

std::vector<Piece> NmeaTrack::NextCycle() {
    Step();
    return CycleOf(m_state, m_options.ubx);
}

std::string NmeaTrack::NextCycleBytes() {
    std::string bytes;
    for (const Piece& piece : NextCycle()) bytes += piece.bytes;
    return bytes;
}

}  // namespace gpssim
