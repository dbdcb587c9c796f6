#pragma once
// The thirteen properties a piece carries, declared once: what item text calls them, how their values
// read, and where the results list, the summary and the suit details show them. Also the thirteen values
// of a piece or a suit as one value, with the sums, caps and differences a search and a comparison need.
#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "core/model/ArmorPiece.h"

class CArmorSuit;

// Order of the nine highest values a run reports, the summary lines and the minimums they are shown
// against: the capped resist total, then the eight bonus properties.
enum {
    HIGH_TOTAL = 0,
    HIGH_LUCK,
    HIGH_LMC,
    HIGH_LRC,
    HIGH_MR,
    HIGH_HR,
    HIGH_SR,
    HIGH_DCI,
    HIGH_HCI,
    HIGH_COUNT
};

struct PropertyDef {
    int index;            // PROP_ index
    const char* keyword;  // as item text names it
    bool percent;         // value form: whole percent ("12%") or a plain number
    const char* heading;  // its results column's heading, also its summary row and import label
    const char* name;     // a resist's name in the tree's lines; null for a bonus
    int column;           // its results column (1 to 5, 8 to 15)
    int high = -1;        // its highest value (HIGH_ order); -1 for a resist, whose total has HIGH_TOTAL
};

// In results column order: the five resists, then the eight bonus properties.
inline constexpr PropertyDef kPropertyTable[] = {
    {PROP_PHYSICAL, "physical resist", true, "Phy.", "Physical", 1},
    {PROP_FIRE, "fire resist", true, "Fire", "Fire", 2},
    {PROP_COLD, "cold resist", true, "Cold", "Cold", 3},
    {PROP_POISON, "poison resist", true, "Poison", "Poison", 4},
    {PROP_ENERGY, "energy resist", true, "Energy", "Energy", 5},
    {PROP_LUCK, "luck", false, "Luck", nullptr, 8, HIGH_LUCK},
    {PROP_LMC, "lower mana cost", true, "LMC", nullptr, 9, HIGH_LMC},
    {PROP_LRC, "lower reagent cost", true, "LRC", nullptr, 10, HIGH_LRC},
    {PROP_MR, "mana regeneration", false, "MR", nullptr, 11, HIGH_MR},
    {PROP_HR, "hit point regeneration", false, "HR", nullptr, 12, HIGH_HR},
    {PROP_SR, "stamina regeneration", false, "SR", nullptr, 13, HIGH_SR},
    {PROP_DCI, "defense chance increase", true, "DCI", nullptr, 14, HIGH_DCI},
    {PROP_HCI, "hit chance increase", true, "HCI", nullptr, 15, HIGH_HCI},
};
constexpr int PROPERTY_COUNT = int(std::size(kPropertyTable));
constexpr int RESIST_COUNT = 5;
// The summary row of the capped resist total.
constexpr const char* TOTAL_SUMMARY_ROW = "Resist";

// The entry of a property index, or null (PROP_NONE and out-of-range indices).
constexpr const PropertyDef* PropertyOf(int index) {
    for (const PropertyDef& d : kPropertyTable)
        if (d.index == index) return &d;
    return nullptr;
}
// The entry shown in results column 1 to 15, or null (the two totals and anything else).
constexpr const PropertyDef* PropertyOfColumn(int column) {
    for (const PropertyDef& d : kPropertyTable)
        if (d.column == column) return &d;
    return nullptr;
}
// The entry behind a highest value, or null for HIGH_TOTAL.
constexpr const PropertyDef* PropertyOfHigh(int high) {
    for (const PropertyDef& d : kPropertyTable)
        if (d.high >= 0 && d.high == high) return &d;
    return nullptr;
}
// The summary row of a highest value.
constexpr const char* SummaryRow(int high) {
    const PropertyDef* d = PropertyOfHigh(high);
    return d ? d->heading : TOTAL_SUMMARY_ROW;
}

namespace property_checks {
// Counted, not looked up: a compiler that checks pointers at run time cannot compare them at compile time.
constexpr int EntriesOf(int index) {
    int n = 0;
    for (const PropertyDef& d : kPropertyTable) n += d.index == index;
    return n;
}
constexpr int EntriesOfHigh(int high) {
    int n = 0;
    for (const PropertyDef& d : kPropertyTable) n += d.high == high;
    return n;
}
constexpr bool Complete() {
    for (int i = 0; i < PROP_COUNT; ++i)
        if (EntriesOf(i) != (i == PROP_NONE ? 0 : 1)) return false;
    for (int h = HIGH_LUCK; h < HIGH_COUNT; ++h)
        if (EntriesOfHigh(h) != 1) return false;
    for (size_t i = 0; i < std::size(kPropertyTable); ++i)
        if ((i < RESIST_COUNT) != (kPropertyTable[i].high < 0)) return false;
    return true;
}
}  // namespace property_checks
static_assert(property_checks::Complete(), "every property index but PROP_NONE needs its one entry");

// The thirteen values of a piece or the sums of a suit, by property index (PROP_NONE stays 0). Sums wrap
// modulo 2^32 as the stored 32-bit sums do.
struct CPropertyValues {
    std::array<int32_t, PROP_COUNT> v{};

    static CPropertyValues Of(const CArmorPiece& piece);
    static CPropertyValues Of(const CArmorSuit& suit);

    CPropertyValues& operator+=(const CPropertyValues& other);
    // Each value minus the other's, for comparing two suits.
    CPropertyValues operator-(const CPropertyValues& other) const;
    bool operator==(const CPropertyValues&) const = default;

    // A resist capped at 70 unless bypassed; any other property as it is.
    int32_t Get(int index, bool bypassCap) const;
    int32_t ResistTotal() const;
    int32_t CappedResistTotal(bool bypassCap) const;
};
