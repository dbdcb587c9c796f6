#pragma once
// The one settings record: what steers a search and the results list, kept in the per-user store.
#include <array>
#include <cstdint>
#include <iterator>
#include <string_view>

#include "core/calc/Wishes.h"
#include "core/model/PieceDefs.h"
#include "core/model/Properties.h"

constexpr const char* SETTINGS_SECTION = "Settings";
constexpr int COLUMN_COUNT = 16;
constexpr int STORED_COLUMN_COUNT = 13;  // columns 13 to 15 start at 50 at every start

class CSettings {
public:
    CSettings();

    // Reads all settings and the stored column widths (a missing width keeps the current one),
    // then writes the missing name tables' defaults and reloads all eleven tables.
    void LoadSettings();
    // Writes all settings and the 13 stored column widths.
    void SaveSettings() const;

    // The value of setting i (0 to SETTINGS_COUNT - 1, in the table's order) and its store name.
    int32_t& Value(int i);
    int32_t Value(int i) const { return const_cast<CSettings*>(this)->Value(i); }
    static const char* ValueName(int i);
    static int32_t DefaultValue(int i);
    // Index of the setting stored under the name (compared without regard to case), or -1.
    static int IndexOf(const char* name);
    static int IndexOf(std::string_view name);
    // Slot switch of slot k (type 1 << k).
    int32_t& UseSlot(int k);
    // The display switch of an optional results column, or null for a column without one.
    int32_t* ColumnSwitch(int column);

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
    int32_t m_bDisplayDCI;
    int32_t m_bDisplayHCI;
    int32_t m_bDisplayLMC;
    int32_t m_bDisplayLRC;
    int32_t m_bDisplayLuck;
    int32_t m_bDisplayMR;
    int32_t m_bDisplayHR;
    int32_t m_bDisplaySR;
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
    int32_t m_nSuitLimit;
    int32_t m_nRankBy;  // 0: suits as found; 1 to 15: best first by that results column
    int32_t m_nThenBy;  // 1 to 15: the column that orders suits of equal "Rank By" value
    std::array<int32_t, COLUMN_COUNT> m_nColumnWidth;

    CPieceDefs m_pieceDefs;
};


// The copy of the settings one run works with.
class CCalcParam {
public:
    CCalcParam() = default;
    virtual ~CCalcParam() = default;

    // Copies every setting the table gives a parameter member.
    void FillFrom(const CSettings& s);
    // The wishes' members, and the suit limit, which is the run's and not a character's.
    void FillFrom(const CWishes& w, int32_t suitLimit);
    int32_t& UseSlot(int k);
    int32_t UseSlot(int k) const;

    void* m_pView = nullptr;  // the results view that started the run
    int32_t m_bBypassResistCap = 0;
    int32_t m_bUseHeadWear = 0;
    int32_t m_bUseGorgets = 0;
    int32_t m_bUseArms = 0;
    int32_t m_bUseGloves = 0;
    int32_t m_bUseChestPieces = 0;
    int32_t m_bUseLegs = 0;
    int32_t m_bUseRings = 0;
    int32_t m_bUseRobes = 0;
    int32_t m_bUseCloaks = 0;
    int32_t m_bUseShields = 0;
    int32_t m_bUseBracelets = 0;
    int32_t m_bUseWeapons = 0;
    int32_t m_bMedableOnly = 0;
    int32_t m_nDCILimit = 0;
    int32_t m_nHCILimit = 0;
    int32_t m_nLMCLimit = 0;
    int32_t m_nLRCLimit = 0;
    int32_t m_nLuckLimit = 0;
    int32_t m_nMRLimit = 0;
    int32_t m_nHRLimit = 0;
    int32_t m_nSRLimit = 0;
    int32_t m_nSuitLimit = 0;
    int32_t m_nRankBy = 0;
    int32_t m_nThenBy = 0;

    // The results column a run ranks by, 1 to 15, or 0 for a run that lists suits as found (any other
    // stored value counts as 0).
    int RankColumn() const { return m_nRankBy >= 1 && m_nRankBy <= 15 ? m_nRankBy : 0; }
    // The second key of a ranked run, 1 to 15, or 0 for none: also none when the run is not ranked or
    // names the ranking column twice.
    int ThenColumn() const { return ThenColumnOf(m_nRankBy, m_nThenBy); }
};

// ---------------------------------------------------------------------------------------------------------
// The settings table: each setting declared once, in store order. Store load and save, the run's
// parameter block, the Filters dialog and the results list's optional columns all loop over it.

struct SettingDef {
    const char* name;  // store name
    int32_t def;
    int32_t CSettings::*member;
    int32_t CWishes::*wish = nullptr;      // what a character wants of a suit
    int32_t CCalcParam::*param = nullptr;  // what a run copies, if the search reads it
    int high = -1;  // a minimum: the highest value (HIGH_ order) the summary and the Filters dialog pair it with
    int slot = -1;  // the slot type (1 << slot) this switch enables
    bool ranged = false;  // what the player types must lie within lo..hi
    int32_t lo = 0, hi = 0;
    int column = -1;  // the optional results column this switch shows
    // Settings added after the first release are written only once they leave their default, so a store
    // that never used them keeps exactly its old values.
    bool writeDefault = true;
};

inline constexpr SettingDef kSettingTable[] = {
    {.name = "Bypass 70/Resist Limit", .def = 0, .member = &CSettings::m_bBypassResistCap,
         .wish = &CWishes::m_bBypassResistCap, .param = &CCalcParam::m_bBypassResistCap},
    {.name = "Use Head Wear", .def = 1, .member = &CSettings::m_bUseHeadWear, .wish = &CWishes::m_bUseHeadWear,
         .param = &CCalcParam::m_bUseHeadWear, .slot = 0},
    {.name = "Use Gorgets", .def = 1, .member = &CSettings::m_bUseGorgets, .wish = &CWishes::m_bUseGorgets,
         .param = &CCalcParam::m_bUseGorgets, .slot = 1},
    {.name = "Use Arms", .def = 1, .member = &CSettings::m_bUseArms, .wish = &CWishes::m_bUseArms,
         .param = &CCalcParam::m_bUseArms, .slot = 2},
    {.name = "Use Gloves", .def = 1, .member = &CSettings::m_bUseGloves, .wish = &CWishes::m_bUseGloves,
         .param = &CCalcParam::m_bUseGloves, .slot = 3},
    {.name = "Use Chest Pieces", .def = 1, .member = &CSettings::m_bUseChestPieces,
         .wish = &CWishes::m_bUseChestPieces, .param = &CCalcParam::m_bUseChestPieces, .slot = 4},
    {.name = "Use Legs", .def = 1, .member = &CSettings::m_bUseLegs, .wish = &CWishes::m_bUseLegs,
         .param = &CCalcParam::m_bUseLegs, .slot = 5},
    {.name = "Use Rings", .def = 0, .member = &CSettings::m_bUseRings, .wish = &CWishes::m_bUseRings,
         .param = &CCalcParam::m_bUseRings, .slot = 6},
    {.name = "Use Robes", .def = 0, .member = &CSettings::m_bUseRobes, .wish = &CWishes::m_bUseRobes,
         .param = &CCalcParam::m_bUseRobes, .slot = 7},
    {.name = "Use Cloaks", .def = 0, .member = &CSettings::m_bUseCloaks, .wish = &CWishes::m_bUseCloaks,
         .param = &CCalcParam::m_bUseCloaks, .slot = 8},
    {.name = "Use Shields", .def = 0, .member = &CSettings::m_bUseShields, .wish = &CWishes::m_bUseShields,
         .param = &CCalcParam::m_bUseShields, .slot = 9},
    {.name = "Use Bracelets", .def = 0, .member = &CSettings::m_bUseBracelets, .wish = &CWishes::m_bUseBracelets,
         .param = &CCalcParam::m_bUseBracelets, .slot = 10},
    {.name = "Use Weapons", .def = 0, .member = &CSettings::m_bUseWeapons, .wish = &CWishes::m_bUseWeapons,
         .param = &CCalcParam::m_bUseWeapons, .slot = 11},
    {.name = "Display DCI", .def = 0, .member = &CSettings::m_bDisplayDCI, .column = 14},
    {.name = "Display HCI", .def = 0, .member = &CSettings::m_bDisplayHCI, .column = 15},
    {.name = "Display LMC", .def = 0, .member = &CSettings::m_bDisplayLMC, .column = 9},
    {.name = "Display LRC", .def = 0, .member = &CSettings::m_bDisplayLRC, .column = 10},
    {.name = "Display Luck", .def = 0, .member = &CSettings::m_bDisplayLuck, .column = 8},
    {.name = "Display MR", .def = 0, .member = &CSettings::m_bDisplayMR, .column = 11},
    {.name = "Display HR", .def = 0, .member = &CSettings::m_bDisplayHR, .column = 12},
    {.name = "Display SR", .def = 0, .member = &CSettings::m_bDisplaySR, .column = 13},
    {.name = "Use Mage Armor", .def = 0, .member = &CSettings::m_bMedableOnly, .wish = &CWishes::m_bMedableOnly,
         .param = &CCalcParam::m_bMedableOnly},
    {.name = "DCI Limit", .def = 0, .member = &CSettings::m_nDCILimit, .wish = &CWishes::m_nDCILimit,
         .param = &CCalcParam::m_nDCILimit, .high = HIGH_DCI, .ranged = true, .lo = 0, .hi = 200},
    {.name = "HCI Limit", .def = 0, .member = &CSettings::m_nHCILimit, .wish = &CWishes::m_nHCILimit,
         .param = &CCalcParam::m_nHCILimit, .high = HIGH_HCI},
    {.name = "LMC Limit", .def = 0, .member = &CSettings::m_nLMCLimit, .wish = &CWishes::m_nLMCLimit,
         .param = &CCalcParam::m_nLMCLimit, .high = HIGH_LMC, .ranged = true, .lo = 0, .hi = 200},
    {.name = "LRC Limit", .def = 0, .member = &CSettings::m_nLRCLimit, .wish = &CWishes::m_nLRCLimit,
         .param = &CCalcParam::m_nLRCLimit, .high = HIGH_LRC, .ranged = true, .lo = 0, .hi = 200},
    {.name = "Luck Limit", .def = 0, .member = &CSettings::m_nLuckLimit, .wish = &CWishes::m_nLuckLimit,
         .param = &CCalcParam::m_nLuckLimit, .high = HIGH_LUCK, .ranged = true, .lo = 0, .hi = 2000},
    {.name = "MR Limit", .def = 0, .member = &CSettings::m_nMRLimit, .wish = &CWishes::m_nMRLimit,
         .param = &CCalcParam::m_nMRLimit, .high = HIGH_MR, .ranged = true, .lo = 0, .hi = 200},
    {.name = "HR Limit", .def = 0, .member = &CSettings::m_nHRLimit, .wish = &CWishes::m_nHRLimit,
         .param = &CCalcParam::m_nHRLimit, .high = HIGH_HR},
    {.name = "SR Limit", .def = 0, .member = &CSettings::m_nSRLimit, .wish = &CWishes::m_nSRLimit,
         .param = &CCalcParam::m_nSRLimit, .high = HIGH_SR},
    {.name = "LowerLimit", .def = 300, .member = &CSettings::m_nLowerLimit, .wish = &CWishes::m_nLowerLimit,
         .high = HIGH_TOTAL, .ranged = true, .lo = 0, .hi = 350},
    {.name = "Suit Limit", .def = 1000, .member = &CSettings::m_nSuitLimit,
         .param = &CCalcParam::m_nSuitLimit, .ranged = true, .lo = 1, .hi = 100000},
    {.name = "Rank By", .def = 0, .member = &CSettings::m_nRankBy, .wish = &CWishes::m_nRankBy,
         .param = &CCalcParam::m_nRankBy, .writeDefault = false},
    {.name = "Then By", .def = 0, .member = &CSettings::m_nThenBy, .wish = &CWishes::m_nThenBy,
         .param = &CCalcParam::m_nThenBy, .writeDefault = false},
};
constexpr int SETTINGS_COUNT = int(std::size(kSettingTable));

// Index in the table of the setting kept in a member, or -1.
constexpr int SettingIndexOf(int32_t CSettings::*member) {
    for (size_t i = 0; i < std::size(kSettingTable); ++i)
        if (kSettingTable[i].member == member) return int(i);
    return -1;
}
// Index of the switch of slot k (type 1 << k), or -1.
constexpr int SlotSettingIndex(int k) {
    for (size_t i = 0; i < std::size(kSettingTable); ++i)
        if (kSettingTable[i].slot == k) return int(i);
    return -1;
}
namespace setting_checks {
constexpr bool MembersDistinct() {
    for (size_t i = 0; i < std::size(kSettingTable); ++i)
        for (size_t j = i + 1; j < std::size(kSettingTable); ++j)
            if (kSettingTable[i].member == kSettingTable[j].member ||
                (kSettingTable[i].param && kSettingTable[i].param == kSettingTable[j].param))
                return false;
    return true;
}
constexpr bool SlotsComplete() {
    for (int k = 0; k < 12; ++k)
        if (SlotSettingIndex(k) < 0) return false;
    return true;
}
// Each highest value has its one minimum; all but the total's are read by a run from the parameter block.
constexpr bool HighestPaired() {
    for (int h = 0; h < HIGH_COUNT; ++h) {
        int seen = 0;
        for (const SettingDef& d : kSettingTable) seen += d.high == h && (h == HIGH_TOTAL || d.param);
        if (seen != 1) return false;
    }
    return true;
}
constexpr bool ColumnsOptional() {
    for (const SettingDef& d : kSettingTable)
        if (d.column != -1 && (d.column < 8 || d.column >= COLUMN_COUNT || d.param || d.wish)) return false;
    return true;
}
// Every member of the wishes has its one setting, and each wish the search reads reaches the block.
constexpr bool WishesComplete() {
    int wishes = 0;
    for (size_t i = 0; i < std::size(kSettingTable); ++i) {
        const SettingDef& d = kSettingTable[i];
        if (!d.wish) continue;
        ++wishes;
        if (!d.param && d.high != HIGH_TOTAL) return false;
        for (size_t j = i + 1; j < std::size(kSettingTable); ++j)
            if (kSettingTable[j].wish == d.wish) return false;
    }
    return wishes * sizeof(int32_t) == sizeof(CWishes);
}
}  // namespace setting_checks
static_assert(setting_checks::MembersDistinct(), "two settings share a member");
static_assert(setting_checks::SlotsComplete(), "every slot type needs its switch");
static_assert(setting_checks::HighestPaired(), "each highest value needs its one minimum");
static_assert(setting_checks::ColumnsOptional(), "only display switches show optional columns 8 to 15");
static_assert(setting_checks::WishesComplete(), "a member of the wishes without its setting");
// Each int32_t member of the record, the column widths and the name tables aside, has its entry.
static_assert(sizeof(CSettings) == (sizeof(int32_t) * (SETTINGS_COUNT + COLUMN_COUNT) + alignof(CPieceDefs) - 1) /
                                           alignof(CPieceDefs) * alignof(CPieceDefs) +
                                       sizeof(CPieceDefs),
              "a setting member without a table entry");
