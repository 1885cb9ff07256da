// Faults a poor receiver or a noisy line puts into the stream, applied to chosen sentences of
// each cycle, on demand ("the next N sentences") or at random at a rate, deterministically for a
// seed:
//   bad       the checksum digits are wrong (still upper-case hexadecimal)
//   lower     the checksum's hexadecimal letters are written in lower case (the value is right);
//             a sentence whose checksum has no letter cannot show it and is passed over
//   cut       the sentence stops in the middle of its body; the next one follows at once
//   noise     a byte other than CR right after the checksum digits, and after the sentence a
//             few random bytes that are neither "$" nor 0xB5 (so they start no sentence or
//             UBX frame)
//   drop-gsv  one GSV message of a cycle is left out
// Only sentences ("$...") carry faults; UBX frames and replayed other lines pass untouched.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/gpssim/seeded_random.h"
#include "tools/gpssim/sentence_frames.h"

namespace gpssim {

enum class FaultKind { Bad, Lower, Cut, Noise, DropGsv };
constexpr std::size_t kFaultKinds = 5;

std::string_view FaultName(FaultKind kind);
std::optional<FaultKind> FaultFromName(std::string_view name);

// The single faults, each on one whole sentence ("$" ... "*HH" CR LF). A sentence that is not
// whole comes back unchanged.
// `flip` (non-zero) is XORed into the checksum.
std::string WithWrongChecksum(std::string_view sentence, std::uint8_t flip);
// Nothing when the checksum digits hold no letter.
std::optional<std::string> WithLowerCaseChecksum(std::string_view sentence);
// The first `keep` bytes, where 1 <= keep < the position of "*" (clamped to that range).
std::string CutSentence(std::string_view sentence, std::size_t keep);
// `byte` (not CR) placed between the checksum digits and CR LF.
std::string WithByteAfterChecksum(std::string_view sentence, char byte);
// `count` random bytes that are neither "$" nor 0xB5.
std::string MakeNoise(SeededRandom& random, std::size_t count);

class FaultInjector {
public:
    using Counts = std::array<std::uint64_t, kFaultKinds>;

    // `percent`: the chance of a random fault for each sentence (0 = only faults on demand).
    explicit FaultInjector(std::uint64_t seed, double percent = 0);

    // Faults on demand: the next `count` sentences (for drop-gsv: cycles) get this fault. Demands
    // are served in the order they came.
    void Request(FaultKind kind, int count);
    // Applies pending and random faults to one cycle's pieces.
    void Apply(std::vector<Piece>& cycle);
    // How many of each kind were applied.
    const Counts& Applied() const { return m_applied; }
    bool Pending() const { return !m_requests.empty() || m_drop_gsv_cycles > 0; }

private:
    // Applies one sentence fault to piece `index`; false when it cannot show on this sentence.
    bool ApplyTo(std::vector<Piece>& cycle, std::size_t& index, FaultKind kind);

    SeededRandom m_random;
    double m_percent;
    struct Demand {
        FaultKind kind;
        int remaining;
    };
    std::deque<Demand> m_requests;
    int m_drop_gsv_cycles = 0;
    int m_random_drop_gsv = 0;  // random drop-gsv faults waiting for a GSV message
    Counts m_applied{};
};

}  // namespace gpssim
