#pragma once
// An exact count of combinations. Wide enough for the product of twelve list sizes below 2^31, so no pool
// can make a count overflow; mixes freely with plain non-negative numbers.
#include <array>
#include <compare>
#include <cstdint>
#include <iosfwd>
#include <string>

class CCalcCount {
public:
    constexpr CCalcCount() = default;
    constexpr CCalcCount(uint64_t n) : m_limbs{n} {}

    // Counts mostly fit in 64 bits; those take the short way.
    CCalcCount& operator+=(const CCalcCount& b) {
        if (!Narrow() || !b.Narrow()) return AddWide(b);
        const uint64_t sum = m_limbs[0] + b.m_limbs[0];
        m_limbs[1] = sum < m_limbs[0];
        m_limbs[0] = sum;
        return *this;
    }
    CCalcCount& operator*=(uint64_t b) {
        if (!Narrow()) return MultiplyWide(b);
        const unsigned __int128 product = (unsigned __int128)m_limbs[0] * b;
        m_limbs[0] = uint64_t(product);
        m_limbs[1] = uint64_t(product >> 64);
        return *this;
    }
    CCalcCount& operator++() { return *this += 1; }
    friend CCalcCount operator+(CCalcCount a, const CCalcCount& b) { return a += b; }
    friend CCalcCount operator*(CCalcCount a, uint64_t b) { return a *= b; }
    friend bool operator==(const CCalcCount& a, const CCalcCount& b) = default;
    friend std::strong_ordering operator<=>(const CCalcCount& a, const CCalcCount& b);

    // Full decimal, without separators.
    std::string ToString() const;
    // Nearest double (for ratios and rates).
    double ToDouble() const;
    // The value where it fits in int64_t, else INT64_MAX.
    int64_t Clamped64() const;

private:
    bool Narrow() const { return (m_limbs[1] | m_limbs[2] | m_limbs[3] | m_limbs[4] | m_limbs[5]) == 0; }
    CCalcCount& AddWide(const CCalcCount& b);
    CCalcCount& MultiplyWide(uint64_t b);

    static constexpr int LIMBS = 6;  // 384 bits; twelve factors below 2^31 need at most 372
    std::array<uint64_t, LIMBS> m_limbs{};  // least significant first
};

// The count in full decimal, as the summary, the command-line tool and the progress display print it.
inline std::string FormatCount(const CCalcCount& n) { return n.ToString(); }
std::ostream& operator<<(std::ostream& out, const CCalcCount& n);
