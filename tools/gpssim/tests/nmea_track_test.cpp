// The synthetic track: every sentence whole and valid, each cycle's structure, the fix and the
// clock by cycles, a sky and a road that behave, determinism, UBX frames and long streams.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>
#include <set>
#include <string>
#include <vector>

#include "tools/gpssim/mixed_stream.h"
#include "tools/gpssim/nmea_track.h"

namespace {

using namespace gpssim;

// Fields of a sentence after the address, split at commas, up to "*".
std::vector<std::string> Fields(const std::string& sentence) {
    std::vector<std::string> fields;
    const std::string body = sentence.substr(1, sentence.find('*') - 1);
    std::size_t begin = body.find(',') + 1;
    for (;;) {
        const std::size_t comma = body.find(',', begin);
        fields.push_back(body.substr(begin, comma == std::string::npos ? std::string::npos : comma - begin));
        if (comma == std::string::npos) break;
        begin = comma + 1;
    }
    return fields;
}

// A whole NMEA sentence with a right upper-case checksum, at most 82 bytes as the standard says.
::testing::AssertionResult IsValidSentence(const std::string& sentence) {
    if (sentence.size() < 6 || sentence.size() > 82 || sentence[0] != '$' || sentence.substr(sentence.size() - 2) != "\r\n")
        return ::testing::AssertionFailure() << "not framed: " << sentence;
    const std::size_t star = sentence.size() - 5;
    if (sentence[star] != '*' || sentence.find('*') != star) return ::testing::AssertionFailure() << "star: " << sentence;
    int sum = 0;
    for (std::size_t i = 1; i < star; ++i) sum ^= static_cast<unsigned char>(sentence[i]);
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", sum);
    if (sentence.substr(star + 1, 2) != digits) return ::testing::AssertionFailure() << "checksum: " << sentence;
    return ::testing::AssertionSuccess();
}

std::string Address(const Piece& piece) { return std::string(SentenceAddress(piece.bytes)); }

std::vector<Piece> Sentences(const std::vector<Piece>& cycle) {
    std::vector<Piece> out;
    for (const Piece& piece : cycle)
        if (piece.kind == PieceKind::Sentence) out.push_back(piece);
    return out;
}

TEST(NmeaTrack, EveryCycleIsGgaGsaGsvRmcVtgWithRightGsvNumbers) {
    TrackOptions options;
    options.seed = 7;
    NmeaTrack track(options);
    std::set<std::size_t> gsv_counts_seen;
    for (int cycle = 0; cycle < 1500; ++cycle) {
        const std::vector<Piece> pieces = track.NextCycle();
        const ReceiverState& state = track.State();
        const std::size_t in_view = state.in_view.size();
        const std::size_t k = (in_view + 3) / 4;
        gsv_counts_seen.insert(k);
        ASSERT_EQ(pieces.size(), 4 + k) << "cycle " << cycle;
        EXPECT_EQ(Address(pieces[0]), "GPGGA");
        EXPECT_EQ(Address(pieces[1]), "GPGSA");
        EXPECT_EQ(Address(pieces[2 + k]), "GPRMC");
        EXPECT_EQ(Address(pieces[3 + k]), "GPVTG");
        std::size_t satellites_listed = 0;
        for (std::size_t m = 0; m < k; ++m) {
            const Piece& gsv = pieces[2 + m];
            ASSERT_EQ(Address(gsv), "GPGSV");
            const std::vector<std::string> f = Fields(gsv.bytes);
            EXPECT_EQ(f[0], std::to_string(k));
            EXPECT_EQ(f[1], std::to_string(m + 1));
            EXPECT_EQ(std::stoul(f[2]), in_view);
            const std::size_t groups = (f.size() - 3) / 4;
            ASSERT_EQ(f.size(), 3 + groups * 4) << gsv.bytes;
            EXPECT_EQ(groups, m + 1 < k ? 4 : in_view - 4 * (k - 1)) << gsv.bytes;
            for (std::size_t g = 0; g < groups; ++g)
                EXPECT_EQ(std::stoi(f[3 + 4 * g]), state.in_view[satellites_listed++].prn);
        }
        EXPECT_EQ(satellites_listed, in_view);
        for (const Piece& piece : pieces) ASSERT_TRUE(IsValidSentence(piece.bytes));
    }
    EXPECT_EQ(gsv_counts_seen, (std::set<std::size_t>{1, 2, 3})) << "from the first four satellites to a full sky";
}

TEST(NmeaTrack, FixGoesNoneThen2DThen3DByCyclesWithEmptyFieldsBeforeIt) {
    TrackOptions options;
    options.fix_after_cycles = 5;
    options.three_d_after_cycles = 2;
    NmeaTrack track(options);
    for (int cycle = 0; cycle < 12; ++cycle) {
        const std::vector<Piece> pieces = Sentences(track.NextCycle());
        const std::vector<std::string> gga = Fields(pieces[0].bytes);
        const std::vector<std::string> gsa = Fields(pieces[1].bytes);
        const std::vector<std::string> rmc = Fields(pieces[pieces.size() - 2].bytes);
        const std::vector<std::string> vtg = Fields(pieces.back().bytes);
        ASSERT_EQ(gga.size(), 14u);
        ASSERT_EQ(gsa.size(), 17u);
        ASSERT_EQ(rmc.size(), 12u);
        ASSERT_EQ(vtg.size(), 9u);
        const int expected_mode = cycle < 5 ? 1 : cycle < 7 ? 2 : 3;
        EXPECT_EQ(gsa[1], std::to_string(expected_mode)) << "cycle " << cycle;
        int listed = 0;
        for (int i = 2; i < 14; ++i) listed += gsa[i].empty() ? 0 : 1;
        if (expected_mode == 1) {
            EXPECT_EQ(gga[5], "0");
            EXPECT_EQ(gga[6], "00");
            for (int i : {1, 2, 3, 4, 8}) EXPECT_EQ(gga[i], "") << "GGA field " << i << " without a fix";
            EXPECT_EQ(rmc[1], "V");
            for (int i : {2, 3, 4, 5, 6, 7}) EXPECT_EQ(rmc[i], "") << "RMC field " << i << " without a fix";
            EXPECT_EQ(vtg[0], "");
            EXPECT_EQ(listed, 0);
        } else {
            EXPECT_EQ(gga[5], "1");
            EXPECT_EQ(gga[2], "N");
            EXPECT_EQ(gga[4], "E");
            EXPECT_EQ(rmc[1], "A");
            EXPECT_EQ(std::stoi(gga[6]), listed) << "GGA's satellites used are GSA's";
            EXPECT_GE(listed, expected_mode == 2 ? 3 : 4);
            // Only tracked satellites of this cycle's sky are in the solution.
            for (int i = 2; i < 2 + listed; ++i) {
                bool tracked = false;
                for (const SatelliteView& s : track.State().in_view) tracked |= s.prn == std::stoi(gsa[i]) && s.snr > 0;
                EXPECT_TRUE(tracked) << pieces[1].bytes;
            }
        }
        EXPECT_FALSE(gga[0].empty()) << "the time comes with or without a fix";
        EXPECT_EQ(rmc[8], "150324");
    }
}

// After a reset only the fix starts again: time, road and sky go on as if there had been none.
TEST(NmeaTrack, RestartFixLosesOnlyTheFixForTheCyclesAsked) {
    TrackOptions options;
    options.fix_after_cycles = 1;
    options.three_d_after_cycles = 1;
    NmeaTrack track(options);
    NmeaTrack twin(options);
    for (int cycle = 0; cycle < 6; ++cycle) {
        track.NextCycle();
        twin.NextCycle();
    }
    ASSERT_EQ(track.State().fix, FixKind::ThreeD);
    const struct {
        std::int64_t to_2d, to_3d;
        std::vector<FixKind> fixes;  // of the cycles that follow
    } restarts[] = {
        {2, 5, {FixKind::None, FixKind::None, FixKind::TwoD, FixKind::TwoD, FixKind::TwoD, FixKind::ThreeD, FixKind::ThreeD}},
        {0, 2, {FixKind::TwoD, FixKind::TwoD, FixKind::ThreeD}},
        {0, 0, {FixKind::ThreeD}},
        {3, 1, {FixKind::None, FixKind::None, FixKind::None, FixKind::ThreeD}},  // 3D never before 2D's time
        {-4, -1, {FixKind::ThreeD}},
    };
    for (const auto& restart : restarts) {
        track.RestartFix(restart.to_2d, restart.to_3d);
        for (std::size_t i = 0; i < restart.fixes.size(); ++i) {
            track.NextCycle();
            twin.NextCycle();
            const ReceiverState& state = track.State();
            EXPECT_EQ(state.fix, restart.fixes[i]) << restart.to_2d << "/" << restart.to_3d << " cycle " << i;
            EXPECT_EQ(state.cycle, twin.State().cycle);
            EXPECT_EQ(state.time, twin.State().time);
            EXPECT_EQ(state.position.latitude, twin.State().position.latitude);
            EXPECT_EQ(state.in_view.size(), twin.State().in_view.size());
            EXPECT_EQ(state.used.empty(), state.fix == FixKind::None);
        }
    }
    // Before the first cycle it counts from cycle 0.
    NmeaTrack fresh(options);
    fresh.RestartFix(0, 1);
    fresh.NextCycle();
    EXPECT_EQ(fresh.State().fix, FixKind::TwoD);
    fresh.NextCycle();
    EXPECT_EQ(fresh.State().fix, FixKind::ThreeD);
}

TEST(NmeaTrack, ClockAdvancesOneSecondPerCycleAcrossMidnight) {
    TrackOptions options;
    options.start = {2024, 2, 28, 23, 59, 58};
    options.fix_after_cycles = 0;
    NmeaTrack track(options);
    const char* expected[][2] = {{"235958.00", "280224"}, {"235959.00", "280224"}, {"000000.00", "290224"}, {"000001.00", "290224"}};
    for (const auto& [time, date] : expected) {
        const std::vector<Piece> pieces = Sentences(track.NextCycle());
        EXPECT_EQ(Fields(pieces[0].bytes)[0], time);
        EXPECT_EQ(Fields(pieces[pieces.size() - 2].bytes)[0], time);
        EXPECT_EQ(Fields(pieces[pieces.size() - 2].bytes)[8], date);
    }
}

TEST(NmeaTrack, SatellitesRiseSetAndChangeSlowly) {
    TrackOptions options;
    options.seed = 3;
    NmeaTrack track(options);
    std::map<int, int> last_snr;
    std::set<int> ever_seen;
    int rises = 0;
    int sets = 0;
    std::set<int> previous;
    for (int cycle = 0; cycle < 4000; ++cycle) {
        track.NextCycle();
        const ReceiverState& state = track.State();
        ASSERT_GE(state.in_view.size(), 4u);
        ASSERT_LE(state.in_view.size(), 12u);
        std::set<int> now;
        std::map<int, int> snr;
        for (const SatelliteView& s : state.in_view) {
            EXPECT_TRUE(now.insert(s.prn).second) << "PRN " << s.prn << " listed twice";
            EXPECT_GE(s.prn, 1);
            EXPECT_LE(s.prn, 32);
            EXPECT_GE(s.elevation, 1);
            EXPECT_LE(s.elevation, 90);
            EXPECT_GE(s.azimuth, 0);
            EXPECT_LT(s.azimuth, 360);
            EXPECT_GE(s.snr, 0);
            EXPECT_LE(s.snr, 50);
            // Once tracked, a signal moves by a couple of dB per second at most.
            if (s.snr > 0 && last_snr.count(s.prn) && last_snr[s.prn] > 0) {
                EXPECT_LE(std::abs(s.snr - last_snr[s.prn]), 2);
            }
            snr[s.prn] = s.snr;
            ever_seen.insert(s.prn);
        }
        if (cycle > 100) {
            for (int prn : now) rises += previous.count(prn) ? 0 : 1;
            for (int prn : previous) sets += now.count(prn) ? 0 : 1;
        }
        previous = now;
        last_snr = snr;
    }
    EXPECT_GT(rises, 10);
    EXPECT_GT(sets, 10);
    EXPECT_GT(ever_seen.size(), 24u) << "the whole constellation passes over in an hour";
}

TEST(NmeaTrack, CarDrivesNearSeoulAtCitySpeeds) {
    TrackOptions options;
    options.fix_after_cycles = 0;
    options.three_d_after_cycles = 0;
    NmeaTrack track(options);
    constexpr double kMetresPerDegree = 111320;
    double travelled = 0;
    RoadPosition last{};
    for (int cycle = 0; cycle < 1200; ++cycle) {
        const std::vector<Piece> pieces = Sentences(track.NextCycle());
        const RoadPosition& p = track.State().position;
        EXPECT_NEAR(p.latitude, 37.5, 0.1);
        EXPECT_NEAR(p.longitude, 127.0, 0.1);
        EXPECT_LE(p.speed_kmh, RoadModel::kMaxSpeedKmh + 0.01);
        if (cycle > 0) {
            const double step = std::hypot((p.latitude - last.latitude) * kMetresPerDegree,
                                           (p.longitude - last.longitude) * kMetresPerDegree * std::cos(37.5 * std::numbers::pi / 180));
            EXPECT_LE(step, p.speed_kmh / 3.6 + 0.5) << "cycle " << cycle;
            travelled += step;
        }
        last = p;
        // What GGA and RMC say is this position, in degrees and minutes.
        const std::vector<std::string> gga = Fields(pieces[0].bytes);
        const double latitude = std::stod(gga[1].substr(0, 2)) + std::stod(gga[1].substr(2)) / 60;
        const double longitude = std::stod(gga[3].substr(0, 3)) + std::stod(gga[3].substr(3)) / 60;
        EXPECT_NEAR(latitude, p.latitude, 1e-6);
        EXPECT_NEAR(longitude, p.longitude, 1e-6);
        EXPECT_EQ(Fields(pieces[pieces.size() - 2].bytes)[2], gga[1]);
        const std::vector<std::string> vtg = Fields(pieces.back().bytes);
        EXPECT_NEAR(std::stod(vtg[6]), std::stod(vtg[4]) * 1.852, 0.05 * 1.852 + 0.05) << "km/h and knots agree, each to 0.1";
    }
    EXPECT_GT(travelled, 3000) << "twenty minutes of driving";
}

TEST(NmeaTrack, SameSeedSameBytesOtherSeedOtherTrack) {
    TrackOptions options;
    options.seed = 42;
    options.ubx = UbxFrames::Interleaved;
    NmeaTrack first(options);
    NmeaTrack second(options);
    options.seed = 43;
    NmeaTrack other(options);
    std::string a, b, c;
    for (int cycle = 0; cycle < 200; ++cycle) {
        a += first.NextCycleBytes();
        b += second.NextCycleBytes();
        c += other.NextCycleBytes();
    }
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
}

TEST(NmeaTrack, UbxFramesInterleaveIncludingOneHoldingADollar) {
    TrackOptions options;
    options.fix_after_cycles = 0;
    options.three_d_after_cycles = 0;
    options.ubx = UbxFrames::Interleaved;
    NmeaTrack track(options);
    for (int cycle = 0; cycle < 8; ++cycle) {
        const std::vector<Piece> pieces = track.NextCycle();
        ASSERT_GE(pieces.size(), 3u);
        EXPECT_EQ(Address(pieces[0]), "GPGGA");
        const std::string& posllh = pieces[1].bytes;
        ASSERT_EQ(pieces[1].kind, PieceKind::UbxFrame);
        ASSERT_EQ(posllh.size(), 6u + 28 + 2);
        EXPECT_EQ(posllh.substr(0, 6), std::string("\xB5\x62\x01\x02\x1C\x00", 6));
        const UbxChecksum sum = UbxFletcher(posllh.substr(2, 4 + 28));
        EXPECT_EQ(static_cast<std::uint8_t>(posllh[34]), sum.a);
        EXPECT_EQ(static_cast<std::uint8_t>(posllh[35]), sum.b);
        auto i32 = [&](std::size_t at) {
            std::uint32_t v = 0;
            for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<std::uint8_t>(posllh[6 + at + i]);
            return static_cast<std::int32_t>(v);
        };
        EXPECT_NEAR(i32(4) * 1e-7, track.State().position.longitude, 1e-6);
        EXPECT_NEAR(i32(8) * 1e-7, track.State().position.latitude, 1e-6);
        EXPECT_EQ(Address(pieces[2]), "GPGSA");
        if (cycle % 4 == 0) {
            ASSERT_EQ(pieces[3].kind, PieceKind::UbxFrame);
            EXPECT_EQ(pieces[3].bytes, std::string("\xB5\x62\x05\x01\x02\x00\x06\x24\x32\x5B", 10));
            EXPECT_NE(pieces[3].bytes.find('$'), std::string::npos);
        } else {
            EXPECT_EQ(Address(pieces[3]), "GPGSV");
        }
    }
}

TEST(NmeaTrack, ACycleWithoutUbxFitsOneSecondAt4800Baud) {
    NmeaTrack track(TrackOptions{});
    for (int cycle = 0; cycle < 5000; ++cycle) ASSERT_LE(track.NextCycleBytes().size(), 480u) << "cycle " << cycle;
}

TEST(MixedStream, HundredThousandSentencesWithFaultsAndFrames) {
    TrackOptions options;
    options.ubx = UbxFrames::Interleaved;
    const std::vector<Piece> pieces = MakeMixedPieces(options, 5, 100000);
    std::size_t sentences = 0, frames = 0, noise = 0;
    for (const Piece& piece : pieces) {
        sentences += piece.kind == PieceKind::Sentence ? 1 : 0;
        frames += piece.kind == PieceKind::UbxFrame ? 1 : 0;
        noise += piece.kind == PieceKind::Noise ? 1 : 0;
    }
    EXPECT_EQ(sentences, 100000u);
    EXPECT_EQ(pieces.back().kind, PieceKind::Sentence);
    EXPECT_GT(frames, 10000u);
    EXPECT_GT(noise, 100u);
    std::string bytes;
    for (const Piece& piece : pieces) bytes += piece.bytes;
    EXPECT_EQ(MakeMixedStream(options, 5, 100000), bytes);
}

}  // namespace
