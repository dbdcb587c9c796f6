#pragma once
// What one character wants of a suit: the slots it wears, the minimums (the total one included),
// medable-only, the cap bypass and the ranking. A plain value, so several characters can each have one
// beside the one settings record, and a search can be asked for without reading process-wide state.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CSettings;

// The second ranking key of "Rank By" and "Then By": 1 to 15, or 0 where the run is not ranked, the
// value is no column or names the ranking column again.
inline int ThenColumnOf(int32_t rankBy, int32_t thenBy) {
    const int rank = rankBy >= 1 && rankBy <= 15 ? rankBy : 0;
    return rank != 0 && thenBy >= 1 && thenBy <= 15 && thenBy != rank ? thenBy : 0;
}

class CWishes {
public:
    // The settings' defaults.
    CWishes();
    explicit CWishes(const CSettings& s) { ReadFrom(s); }

    void ReadFrom(const CSettings& s);
    void WriteTo(CSettings& s) const;

    int32_t& UseSlot(int k);
    int32_t UseSlot(int k) const { return const_cast<CWishes*>(this)->UseSlot(k); }
    // The results column a run ranks by (see CCalcParam::RankColumn).
    int RankColumn() const { return m_nRankBy >= 1 && m_nRankBy <= 15 ? m_nRankBy : 0; }
    // The column that orders suits of equal ranking value (see CCalcParam::ThenColumn).
    int ThenColumn() const { return ThenColumnOf(m_nRankBy, m_nThenBy); }

    // Every wish under its store name, in the settings table's order.
    std::vector<std::pair<std::string, int32_t>> Named() const;
    // Sets the wish stored under the name (compared without regard to case); false, changing nothing, for
    // a name that is no wish.
    bool SetNamed(std::string_view name, int32_t value);
    // Wishes from stored names: names that are no wish are passed over, absent ones keep their defaults.
    static CWishes FromNamed(const std::vector<std::pair<std::string, int32_t>>& named);

    bool operator==(const CWishes&) const = default;

    int32_t m_bBypassResistCap;
    int32_t m_bUseHeadWear;
    int32_t m_bUseGorgets;
    int32_t m_bUseArms;
    int32_t m_bUseGloves;
    int32_t m_bUseChestPieces;
    int32_t m_bUseLegs;
    int32_t m_bUseRings;
    int32_t m_bUseRobes;
    int32_t m_bUseCloaks;
    int32_t m_bUseShields;
    int32_t m_bUseBracelets;
    int32_t m_bUseWeapons;
    int32_t m_bMedableOnly;
    int32_t m_nDCILimit;
    int32_t m_nHCILimit;
    int32_t m_nLMCLimit;
    int32_t m_nLRCLimit;
    int32_t m_nLuckLimit;
    int32_t m_nMRLimit;
    int32_t m_nHRLimit;
    int32_t m_nSRLimit;
    int32_t m_nLowerLimit;
    int32_t m_nRankBy;
    int32_t m_nThenBy;
};
