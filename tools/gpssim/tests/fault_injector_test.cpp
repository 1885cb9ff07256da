// Each fault makes the bytes it claims, on demand in order and at random deterministically.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "tools/gpssim/fault_injector.h"
#include "tools/gpssim/nmea_track.h"

namespace {

using namespace gpssim;

// GPVTG's checksum is 2C (a letter), "$A*41" has none.
const std::string kVtg = "$GPVTG,,T,,M,,N,,K,N*2C\r\n";
const std::string kNoLetter = "$A*41\r\n";

int ChecksumOf(const std::string& sentence) {
    int sum = 0;
    for (std::size_t i = 1; i < sentence.find('*'); ++i) sum ^= static_cast<unsigned char>(sentence[i]);
    return sum;
}

int WrittenChecksum(const std::string& sentence) {
    return std::stoi(sentence.substr(sentence.find('*') + 1, 2), nullptr, 16);
}

bool ChecksumRight(const std::string& sentence) {
    const std::size_t star = sentence.find('*');
    if (star == std::string::npos || star + 5 != sentence.size() || sentence.substr(star + 3) != "\r\n") return false;
    const std::string digits = sentence.substr(star + 1, 2);
    char expected[3];
    std::snprintf(expected, sizeof expected, "%02X", ChecksumOf(sentence));
    return digits == expected;
}

// A cycle of the track once it has a 3D fix and a full sky.
std::vector<Piece> FullCycle(std::uint64_t seed = 1) {
    TrackOptions options;
    options.seed = seed;
    NmeaTrack track(options);
    std::vector<Piece> cycle;
    for (int i = 0; i < 40; ++i) cycle = track.NextCycle();
    return cycle;
}

std::size_t CountGsv(const std::vector<Piece>& cycle) {
    std::size_t count = 0;
    for (const Piece& piece : cycle) count += SentenceAddress(piece.bytes) == "GPGSV" ? 1 : 0;
    return count;
}

TEST(Faults, EachSingleFaultMakesTheBytesItClaims) {
    // bad: only the two digits change, upper-case, to the right value XOR the flip.
    const std::string bad = WithWrongChecksum(kVtg, 0x5A);
    EXPECT_EQ(bad, "$GPVTG,,T,,M,,N,,K,N*76\r\n");
    EXPECT_EQ(WrittenChecksum(bad), 0x2C ^ 0x5A);

    // lower: the same value in lower case; without a letter it cannot show.
    EXPECT_EQ(WithLowerCaseChecksum(kVtg), "$GPVTG,,T,,M,,N,,K,N*2c\r\n");
    EXPECT_EQ(WithLowerCaseChecksum("$j*6A\r\n"), "$j*6a\r\n");
    EXPECT_FALSE(WithLowerCaseChecksum(kNoLetter));

    // cut: a prefix that stops before "*", kept to at least "$".
    EXPECT_EQ(CutSentence(kVtg, 8), "$GPVTG,,");
    EXPECT_EQ(CutSentence(kVtg, 1000), kVtg.substr(0, kVtg.find('*') - 1));
    EXPECT_EQ(CutSentence(kVtg, 0), "$");

    // noise: a byte between the digits and CR LF; CR itself would be no fault.
    EXPECT_EQ(WithByteAfterChecksum(kVtg, 'x'), "$GPVTG,,T,,M,,N,,K,N*2Cx\r\n");
    EXPECT_EQ(WithByteAfterChecksum(kVtg, '\r'), kVtg);
    SeededRandom random(5);
    const std::string noise = MakeNoise(random, 5000);
    EXPECT_EQ(noise.size(), 5000u);
    EXPECT_EQ(noise.find('$'), std::string::npos);
    EXPECT_EQ(noise.find('\xB5'), std::string::npos);
    EXPECT_NE(noise.find('\r'), std::string::npos) << "all other bytes occur";

    // Something that is not a whole sentence is left alone.
    EXPECT_EQ(WithWrongChecksum("$GPGGA,1,2", 1), "$GPGGA,1,2");
    EXPECT_EQ(CutSentence("$GPGGA,1,2", 3), "$GPGGA,1,2");
}

TEST(Faults, DemandsApplyToTheNextSentencesInOrderAcrossCycles) {
    FaultInjector faults(9);
    faults.Request(FaultKind::Bad, 2);
    faults.Request(FaultKind::Cut, 1);
    faults.Request(FaultKind::Noise, 1);
    std::vector<Piece> cycle = FullCycle();
    const std::vector<Piece> clean = cycle;
    faults.Apply(cycle);
    ASSERT_EQ(cycle.size(), clean.size() + 1) << "noise adds a piece after its sentence";
    for (int i : {0, 1}) {
        EXPECT_FALSE(ChecksumRight(cycle[i].bytes)) << cycle[i].bytes;
        EXPECT_EQ(cycle[i].bytes.substr(0, cycle[i].bytes.size() - 4), clean[i].bytes.substr(0, clean[i].bytes.size() - 4));
    }
    EXPECT_EQ(clean[2].bytes.rfind(cycle[2].bytes, 0), 0u) << "cut is a prefix";
    EXPECT_EQ(cycle[2].bytes.find('*'), std::string::npos);
    const std::string& noisy = cycle[3].bytes;
    ASSERT_EQ(noisy.size(), clean[3].bytes.size() + 1);
    EXPECT_NE(noisy[noisy.size() - 3], '\r');
    EXPECT_EQ(noisy.substr(noisy.size() - 2), "\r\n");
    EXPECT_EQ(cycle[4].kind, PieceKind::Noise);
    for (std::size_t i = 5; i < cycle.size(); ++i) EXPECT_EQ(cycle[i], clean[i - 1]);
    EXPECT_FALSE(faults.Pending());

    // A demand longer than a cycle carries on into the next.
    faults.Request(FaultKind::Bad, static_cast<int>(clean.size()) + 2);
    std::vector<Piece> first = FullCycle();
    std::vector<Piece> second = FullCycle();
    faults.Apply(first);
    faults.Apply(second);
    for (const Piece& piece : first) EXPECT_FALSE(ChecksumRight(piece.bytes));
    EXPECT_FALSE(ChecksumRight(second[0].bytes));
    EXPECT_FALSE(ChecksumRight(second[1].bytes));
    EXPECT_TRUE(ChecksumRight(second[2].bytes));
    EXPECT_EQ(faults.Applied()[static_cast<int>(FaultKind::Bad)], 2 + clean.size() + 2);
}

TEST(Faults, LowerWaitsForASentenceWhoseChecksumHasALetter) {
    FaultInjector faults(1);
    faults.Request(FaultKind::Lower, 3);
    std::vector<Piece> cycle = {{PieceKind::Sentence, kNoLetter}, {PieceKind::UbxFrame, "\xB5\x62"},
                                {PieceKind::Sentence, kVtg}, {PieceKind::Sentence, kNoLetter}, {PieceKind::Sentence, kVtg}};
    faults.Apply(cycle);
    EXPECT_EQ(cycle[0].bytes, kNoLetter);
    EXPECT_EQ(cycle[1].bytes, "\xB5\x62") << "frames carry no faults";
    EXPECT_EQ(cycle[2].bytes, "$GPVTG,,T,,M,,N,,K,N*2c\r\n");
    EXPECT_EQ(cycle[3].bytes, kNoLetter);
    EXPECT_EQ(cycle[4].bytes, "$GPVTG,,T,,M,,N,,K,N*2c\r\n");
    EXPECT_TRUE(faults.Pending()) << "one lower-case fault still to place";
}

TEST(Faults, DropGsvLeavesOneGsvMessageOutOfEachOfTheNextCycles) {
    FaultInjector faults(2);
    faults.Request(FaultKind::DropGsv, 2);
    const std::vector<Piece> clean = FullCycle();
    ASSERT_GE(CountGsv(clean), 2u);
    for (int round = 0; round < 3; ++round) {
        std::vector<Piece> cycle = clean;
        faults.Apply(cycle);
        EXPECT_EQ(CountGsv(cycle), CountGsv(clean) - (round < 2 ? 1 : 0)) << "round " << round;
        EXPECT_EQ(cycle.size(), clean.size() - (round < 2 ? 1 : 0));
        for (const Piece& piece : cycle) EXPECT_TRUE(ChecksumRight(piece.bytes));
    }
}

TEST(Faults, RandomFaultsAreDeterministicAndOfEveryKind) {
    auto run = [](std::uint64_t seed) {
        TrackOptions options;
        options.seed = seed;
        options.ubx = UbxFrames::Interleaved;
        NmeaTrack track(options);
        FaultInjector faults(seed, 10);
        std::string bytes;
        std::size_t sentences = 0, broken = 0, frames_changed = 0;
        for (int i = 0; i < 500; ++i) {
            std::vector<Piece> cycle = track.NextCycle();
            std::vector<Piece> clean = cycle;
            faults.Apply(cycle);
            for (const Piece& piece : cycle) {
                bytes += piece.bytes;
                if (piece.kind == PieceKind::Sentence) {
                    ++sentences;
                    broken += ChecksumRight(piece.bytes) ? 0 : 1;
                }
            }
            for (const Piece& piece : clean)
                if (piece.kind == PieceKind::UbxFrame &&
                    std::find(cycle.begin(), cycle.end(), piece) == cycle.end())
                    ++frames_changed;
        }
        return std::make_tuple(bytes, faults.Applied(), sentences, broken, frames_changed);
    };
    const auto [bytes, applied, sentences, broken, frames_changed] = run(11);
    EXPECT_EQ(std::get<0>(run(11)), bytes);
    EXPECT_NE(std::get<0>(run(12)), bytes);
    for (std::size_t kind = 0; kind < kFaultKinds; ++kind) EXPECT_GT(applied[kind], 20u) << FaultName(FaultKind(kind));
    // About one sentence in ten is broken (drop-gsv removes instead of breaking).
    EXPECT_GT(broken * 100, sentences * 5);
    EXPECT_LT(broken * 100, sentences * 12);
    EXPECT_EQ(frames_changed, 0u);
}

TEST(Faults, NamesRoundTrip) {
    for (std::size_t kind = 0; kind < kFaultKinds; ++kind)
        EXPECT_EQ(FaultFromName(FaultName(FaultKind(kind))), FaultKind(kind));
    EXPECT_FALSE(FaultFromName("drop"));
}

}  // namespace
