// Deterministic pseudo-random numbers for the simulated receiver: splitmix64, which gives the
// same sequence for a seed with every compiler and standard library (the standard
// distributions do not), so a seed names one track and one set of faults everywhere.
#pragma once

#include <cstdint>

namespace gpssim {

class SeededRandom {
public:
    explicit SeededRandom(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t Next() {
        m_state += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = m_state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // A number in [0, bound); 0 when bound is 0.
    std::uint32_t Below(std::uint32_t bound) {
        return bound == 0 ? 0 : static_cast<std::uint32_t>(Next() % bound);
    }
    // A number in [low, high]; low when high < low.
    int Between(int low, int high) {
        if (high <= low) return low;
        return low + static_cast<int>(Below(static_cast<std::uint32_t>(high - low) + 1));
    }
    // A number in [0, 1).
    double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
    double Between(double low, double high) { return low + (high - low) * Unit(); }
    // True with the given chance in percent (0 never, 100 always).
    bool Percent(double percent) { return Unit() * 100.0 < percent; }

private:
    std::uint64_t m_state;
};

}  // namespace gpssim
