#include "CalcCount.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <ostream>

using U128 = unsigned __int128;

CCalcCount& CCalcCount::AddWide(const CCalcCount& b) {
    uint64_t carry = 0;
    for (int i = 0; i < LIMBS; ++i) {
        const U128 sum = U128(m_limbs[size_t(i)]) + b.m_limbs[size_t(i)] + carry;
        m_limbs[size_t(i)] = uint64_t(sum);
        carry = uint64_t(sum >> 64);
    }
    return *this;
}

CCalcCount& CCalcCount::MultiplyWide(uint64_t b) {
    uint64_t carry = 0;
    for (int i = 0; i < LIMBS; ++i) {
        const U128 product = U128(m_limbs[size_t(i)]) * b + carry;
        m_limbs[size_t(i)] = uint64_t(product);
        carry = uint64_t(product >> 64);
    }
    return *this;
}

std::strong_ordering operator<=>(const CCalcCount& a, const CCalcCount& b) {
    for (int i = CCalcCount::LIMBS - 1; i >= 0; --i)
        if (a.m_limbs[size_t(i)] != b.m_limbs[size_t(i)]) return a.m_limbs[size_t(i)] <=> b.m_limbs[size_t(i)];
    return std::strong_ordering::equal;
}

std::string CCalcCount::ToString() const {
    // Nineteen decimal digits at a time, least significant group first.
    constexpr uint64_t GROUP = 10000000000000000000ull;
    std::array<uint64_t, LIMBS> rest = m_limbs;
    std::string digits;
    for (;;) {
        uint64_t remainder = 0;
        bool zero = true;
        for (int i = LIMBS - 1; i >= 0; --i) {
            const U128 part = (U128(remainder) << 64) | rest[size_t(i)];
            rest[size_t(i)] = uint64_t(part / GROUP);
            remainder = uint64_t(part % GROUP);
            zero &= rest[size_t(i)] == 0;
        }
        for (int d = 0; d < 19 && (remainder != 0 || !zero); ++d) {
            digits += char('0' + remainder % 10);
            remainder /= 10;
        }
        if (zero) break;
    }
    if (digits.empty()) return std::string(1, '0');
    std::reverse(digits.begin(), digits.end());
    return digits;
}

double CCalcCount::ToDouble() const {
    double r = 0;
    for (int i = LIMBS - 1; i >= 0; --i) r = r * 18446744073709551616.0 + double(m_limbs[size_t(i)]);
    return r;
}

int64_t CCalcCount::Clamped64() const {
    constexpr uint64_t MAX = uint64_t(std::numeric_limits<int64_t>::max());
    for (int i = 1; i < LIMBS; ++i)
        if (m_limbs[size_t(i)] != 0) return int64_t(MAX);
    return int64_t(std::min(m_limbs[0], MAX));
}

std::ostream& operator<<(std::ostream& out, const CCalcCount& n) { return out << n.ToString(); }
