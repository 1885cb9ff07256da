#include "tools/gpssim/fault_injector.h"

#include <algorithm>

namespace gpssim {

namespace {

constexpr std::string_view kFaultNames[kFaultKinds] = {"bad", "lower", "cut", "noise", "drop-gsv"};
constexpr std::size_t kMaxNoise = 16;

// The position of "*" of a whole sentence: "$", a body, "*", two digits, CR LF.
std::optional<std::size_t> StarOfWholeSentence(std::string_view sentence) {
    if (sentence.size() < 6 || sentence.front() != kSentenceStart || sentence.substr(sentence.size() - 2) != "\r\n")
        return std::nullopt;
    const std::size_t star = sentence.size() - 5;
    if (sentence[star] != '*') return std::nullopt;
    return star;
}

bool IsGsv(const Piece& piece) {
    const std::string_view address = SentenceAddress(piece.bytes);
    return piece.kind == PieceKind::Sentence && address.size() == 5 && address.substr(2) == "GSV";
}

std::uint8_t DigitValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
    return 0;
}

}  // namespace

std::string_view FaultName(FaultKind kind) { return kFaultNames[static_cast<std::size_t>(kind)]; }

std::optional<FaultKind> FaultFromName(std::string_view name) {
    for (std::size_t i = 0; i < kFaultKinds; ++i)
        if (kFaultNames[i] == name) return static_cast<FaultKind>(i);
    return std::nullopt;
}

std::string WithWrongChecksum(std::string_view sentence, std::uint8_t flip) {
    const auto star = StarOfWholeSentence(sentence);
    std::string out(sentence);
    if (!star || flip == 0) return out;
    const auto checksum = static_cast<std::uint8_t>(DigitValue(sentence[*star + 1]) << 4 | DigitValue(sentence[*star + 2]));
    out.replace(*star + 1, 2, ChecksumDigits(static_cast<std::uint8_t>(checksum ^ flip)));
    return out;
}

std::optional<std::string> WithLowerCaseChecksum(std::string_view sentence) {
    const auto star = StarOfWholeSentence(sentence);
    if (!star) return std::nullopt;
    std::string out(sentence);
    bool changed = false;
    for (std::size_t i = *star + 1; i <= *star + 2; ++i) {
        if (out[i] >= 'A' && out[i] <= 'F') {
            out[i] = static_cast<char>(out[i] - 'A' + 'a');
            changed = true;
        }
    }
    if (!changed) return std::nullopt;
    return out;
}

std::string CutSentence(std::string_view sentence, std::size_t keep) {
    const auto star = StarOfWholeSentence(sentence);
    if (!star) return std::string(sentence);
    return std::string(sentence.substr(0, std::clamp<std::size_t>(keep, 1, std::max<std::size_t>(1, *star - 1))));
}

std::string WithByteAfterChecksum(std::string_view sentence, char byte) {
    const auto star = StarOfWholeSentence(sentence);
    std::string out(sentence);
    if (!star || byte == '\r') return out;
    out.insert(*star + 3, 1, byte);
    return out;
}

std::string MakeNoise(SeededRandom& random, std::size_t count) {
    std::string noise;
    while (noise.size() < count) {
        const auto byte = static_cast<unsigned char>(random.Below(256));
        if (byte != static_cast<unsigned char>(kSentenceStart) && byte != kUbxSync1) noise += static_cast<char>(byte);
    }
    return noise;
}

FaultInjector::FaultInjector(std::uint64_t seed, double percent)
    : m_random(seed ^ 0xFA0175EEDull), m_percent(std::clamp(percent, 0.0, 100.0)) {}

void FaultInjector::Request(FaultKind kind, int count) {
    if (count <= 0) return;
    if (kind == FaultKind::DropGsv) {
        m_drop_gsv_cycles += count;
        return;
    }
    m_requests.push_back({kind, count});
}

bool FaultInjector::ApplyTo(std::vector<Piece>& cycle, std::size_t& index, FaultKind kind) {
    std::string& bytes = cycle[index].bytes;
    if (!StarOfWholeSentence(bytes)) return false;
    switch (kind) {
        case FaultKind::Bad:
            bytes = WithWrongChecksum(bytes, static_cast<std::uint8_t>(1 + m_random.Below(255)));
            break;
        case FaultKind::Lower: {
            auto lowered = WithLowerCaseChecksum(bytes);
            if (!lowered) return false;
            bytes = std::move(*lowered);
            break;
        }
        case FaultKind::Cut: {
            const int star = static_cast<int>(bytes.size()) - 5;
            bytes = CutSentence(bytes, static_cast<std::size_t>(m_random.Between(2, star - 1)));
            break;
        }
        case FaultKind::Noise: {
            char byte;
            do {
                byte = static_cast<char>(m_random.Below(256));
            } while (byte == '\r' || byte == kSentenceStart || static_cast<unsigned char>(byte) == kUbxSync1);
            bytes = WithByteAfterChecksum(bytes, byte);
            Piece noise{PieceKind::Noise, MakeNoise(m_random, 1 + m_random.Below(kMaxNoise))};
            cycle.insert(cycle.begin() + static_cast<std::ptrdiff_t>(index) + 1, std::move(noise));
            ++index;  // past the noise
            break;
        }
        case FaultKind::DropGsv:
            return false;  // a matter of the whole cycle, see Apply
    }
    ++m_applied[static_cast<std::size_t>(kind)];
    return true;
}

void FaultInjector::Apply(std::vector<Piece>& cycle) {
    bool gsv_dropped = false;
    if (m_drop_gsv_cycles > 0) {
        std::vector<std::size_t> gsv;
        for (std::size_t i = 0; i < cycle.size(); ++i)
            if (IsGsv(cycle[i])) gsv.push_back(i);
        if (!gsv.empty()) {
            cycle.erase(cycle.begin() + static_cast<std::ptrdiff_t>(gsv[m_random.Below(static_cast<std::uint32_t>(gsv.size()))]));
            ++m_applied[static_cast<std::size_t>(FaultKind::DropGsv)];
            --m_drop_gsv_cycles;
            gsv_dropped = true;
        }
    }
    // A dropped piece steps the index back by one (wrapping below 0 is undone by the loop's ++i).
    for (std::size_t i = 0; i < cycle.size(); ++i) {
        if (cycle[i].kind != PieceKind::Sentence) continue;
        if (IsGsv(cycle[i]) && m_random_drop_gsv > 0 && !gsv_dropped) {
            --m_random_drop_gsv;
            gsv_dropped = true;
            cycle.erase(cycle.begin() + static_cast<std::ptrdiff_t>(i));
            ++m_applied[static_cast<std::size_t>(FaultKind::DropGsv)];
            --i;
            continue;
        }
        if (!m_requests.empty()) {
            if (ApplyTo(cycle, i, m_requests.front().kind) && --m_requests.front().remaining == 0) m_requests.pop_front();
            continue;
        }
        if (m_percent <= 0 || !m_random.Percent(m_percent)) continue;
        const auto kind = static_cast<FaultKind>(m_random.Below(kFaultKinds));
        if (kind == FaultKind::DropGsv) {
            // Served by this cycle's next GSV message, or the next cycle's.
            ++m_random_drop_gsv;
            continue;
        }
        ApplyTo(cycle, i, kind);
    }
}

}  // namespace gpssim
