#pragma once
// The one settings record: what steers a search and the results list, kept in the per-user store.
#include <array>
#include <cstdint>
#include <iterator>

#include "core/model/PieceDefs.h"

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
    std::array<int32_t, COLUMN_COUNT> m_nColumnWidth;

    CPieceDefs m_pieceDefs;
};

// The process-wide record. The window program's main frame registers its own; otherwise a static one is used.
CSettings& TheSettings();
void SetTheSettings(CSettings* settings);

// The copy of the settings one run works with.
class CCalcParam {
public:
    CCalcParam() = default;
    virtual ~CCalcParam() = default;

    // Copies every setting the table gives a parameter member.
    void FillFrom(const CSettings& s);
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

    // The results column a run ranks by, 1 to 15, or 0 for a run that lists suits as found (any other
    // stored value counts as 0).
    int RankColumn() const { return m_nRankBy >= 1 && m_nRankBy <= 15 ? m_nRankBy : 0; }
};

// ---------------------------------------------------------------------------------------------------------
// The settings table: each setting declared once, in store order. Store load and save, the run's
// parameter block, the Filters dialog and the results list's optional columns all loop over it.

// Order of the nine highest values a run reports, the summary lines and the minimums they are shown
// against.
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
// How the Filters dialog shows a setting.
// Choice: drop-down lists (the Filters dialog builds them for the setting they show).
enum class SettingCtl : uint8_t { None, Check, Field, Choice };
// Where: a minimums row (its display check in column 0, its minimum in column 1), the side column next to
// the rows, the piece type grid (two columns), or the suit limits line.
enum class FiltersGroup : uint8_t { None, Minimums, Side, Types, Limits };
// A field's up-down control: none, stepping within the field's range, or over every non-negative value.
enum class SpinSteps : uint8_t { None, InRange, NonNegative };

struct SettingDef {
    const char* name;  // store name
    int32_t def;
    int32_t CSettings::*member;
    int32_t CCalcParam::*param = nullptr;  // what a run copies, if the search reads it
    int high = -1;  // a minimum: the highest value (HIGH_ order) the summary and the Filters dialog pair it with
    int slot = -1;                          // the slot type (1 << slot) this switch enables
    SettingCtl ctl = SettingCtl::None;
    FiltersGroup group = FiltersGroup::None;
    int row = 0, col = 0;
    const char* text = nullptr;  // a check box's text, or the label before a field
    const char* objectName = nullptr;
    int fieldOrder = -1;  // fields: the order OK takes and checks them, which is the order errors show
    bool ranged = false;  // OK refuses values outside lo..hi
    int32_t lo = 0, hi = 0;
    SpinSteps spin = SpinSteps::None;
    int column = -1;  // the optional results column this switch shows
    // Settings added after the first release are written only once they leave their default, so a store
    // that never used them keeps exactly its old values.
    bool writeDefault = true;
};

inline constexpr SettingDef kSettingTable[] = {
    {.name = "Bypass 70/Resist Limit", .def = 0, .member = &CSettings::m_bBypassResistCap,
     .param = &CCalcParam::m_bBypassResistCap, .ctl = SettingCtl::Check, .group = FiltersGroup::Limits, .col = 2,
     .text = "Bypass 70/Resist Limit", .objectName = "checkBypass"},
    {.name = "Use Head Wear", .def = 1, .member = &CSettings::m_bUseHeadWear, .param = &CCalcParam::m_bUseHeadWear,
     .slot = 0, .ctl = SettingCtl::Check, .group = FiltersGroup::Types, .row = 0, .col = 0, .text = "Head wear",
     .objectName = "checkHeadWear"},
    {.name = "Use Gorgets", .def = 1, .member = &CSettings::m_bUseGorgets, .param = &CCalcParam::m_bUseGorgets,
     .slot = 1, .ctl = SettingCtl::Check, .group = FiltersGroup::Types, .row = 1, .col = 0, .text = "Gorgets",
     .objectName = "checkGorgets"},
    {.name = "Use Arms", .def = 1, .member = &CSettings::m_bUseArms, .param = &CCalcParam::m_bUseArms, .slot = 2,
     .ctl = SettingCtl::Check, .group = FiltersGroup::Types, .row = 2, .col = 0, .text = "Arms",
     .objectName = "checkArms"},
    {.name = "Use Gloves", .def = 1, .member = &CSettings::m_bUseGloves, .param = &CCalcParam::m_bUseGloves,
     .slot = 3, .ctl = SettingCtl::Check, .group = FiltersGroup::Types, .row = 3, .col = 0, .text = "Gloves",
     .objectName = "checkGloves"},
    {.name = "Use Chest Pieces", .def = 1, .member = &CSettings::m_bUseChestPieces,
     .param = &CCalcParam::m_bUseChestPieces, .slot = 4, .ctl = SettingCtl::Check, .group = FiltersGroup::Types,
     .row = 5, .col = 0, .text = "Chest Pieces", .objectName = "checkChestPieces"},
    {.name = "Use Legs", .def = 1, .member = &CSettings::m_bUseLegs, .param = &CCalcParam::m_bUseLegs, .slot = 5,
     .ctl = SettingCtl::Check, .group = FiltersGroup::Types, .row = 4, .col = 0, .text = "Legs",
     .objectName = "checkLegs"},
    {.name = "Use Rings", .def = 0, .member = &CSettings::m_bUseRings, .param = &CCalcParam::m_bUseRings, .slot = 6,
     .ctl = SettingCtl::Check, .group = FiltersGroup::Types, .row = 0, .col = 1, .text = "Rings",
     .objectName = "checkRings"},
    {.name = "Use Robes", .def = 0, .member = &CSettings::m_bUseRobes, .param = &CCalcParam::m_bUseRobes, .slot = 7,
     .ctl = SettingCtl::Check, .group = FiltersGroup::Types, .row = 3, .col = 1, .text = "Robes",
     .objectName = "checkRobes"},
    {.name = "Use Cloaks", .def = 0, .member = &CSettings::m_bUseCloaks, .param = &CCalcParam::m_bUseCloaks,
     .slot = 8, .ctl = SettingCtl::Check, .group = FiltersGroup::Types, .row = 4, .col = 1, .text = "Cloaks",
     .objectName = "checkCloaks"},
    {.name = "Use Shields", .def = 0, .member = &CSettings::m_bUseShields, .param = &CCalcParam::m_bUseShields,
     .slot = 9, .ctl = SettingCtl::Check, .group = FiltersGroup::Types, .row = 2, .col = 1, .text = "Shields",
     .objectName = "checkShields"},
    {.name = "Use Bracelets", .def = 0, .member = &CSettings::m_bUseBracelets, .param = &CCalcParam::m_bUseBracelets,
     .slot = 10, .ctl = SettingCtl::Check, .group = FiltersGroup::Types, .row = 1, .col = 1, .text = "Bracelets",
     .objectName = "checkBracelets"},
    {.name = "Use Weapons", .def = 0, .member = &CSettings::m_bUseWeapons, .param = &CCalcParam::m_bUseWeapons,
     .slot = 11, .ctl = SettingCtl::Check, .group = FiltersGroup::Types, .row = 5, .col = 1, .text = "Weapons",
     .objectName = "checkWeapons"},
    {.name = "Display DCI", .def = 0, .member = &CSettings::m_bDisplayDCI, .ctl = SettingCtl::Check,
     .group = FiltersGroup::Minimums, .row = 6, .text = "DCI", .objectName = "checkDisplayDCI", .column = 14},
    {.name = "Display HCI", .def = 0, .member = &CSettings::m_bDisplayHCI, .ctl = SettingCtl::Check,
     .group = FiltersGroup::Minimums, .row = 7, .text = "HCI", .objectName = "checkDisplayHCI", .column = 15},
    {.name = "Display LMC", .def = 0, .member = &CSettings::m_bDisplayLMC, .ctl = SettingCtl::Check,
     .group = FiltersGroup::Minimums, .row = 1, .text = "LMC", .objectName = "checkDisplayLMC", .column = 9},
    {.name = "Display LRC", .def = 0, .member = &CSettings::m_bDisplayLRC, .ctl = SettingCtl::Check,
     .group = FiltersGroup::Minimums, .row = 2, .text = "LRC", .objectName = "checkDisplayLRC", .column = 10},
    {.name = "Display Luck", .def = 0, .member = &CSettings::m_bDisplayLuck, .ctl = SettingCtl::Check,
     .group = FiltersGroup::Minimums, .row = 0, .text = "Luck", .objectName = "checkDisplayLuck", .column = 8},
    {.name = "Display MR", .def = 0, .member = &CSettings::m_bDisplayMR, .ctl = SettingCtl::Check,
     .group = FiltersGroup::Minimums, .row = 3, .text = "Mana Regen", .objectName = "checkDisplayMR", .column = 11},
    {.name = "Display HR", .def = 0, .member = &CSettings::m_bDisplayHR, .ctl = SettingCtl::Check,
     .group = FiltersGroup::Minimums, .row = 4, .text = "HP Regen", .objectName = "checkDisplayHR", .column = 12},
    {.name = "Display SR", .def = 0, .member = &CSettings::m_bDisplaySR, .ctl = SettingCtl::Check,
     .group = FiltersGroup::Minimums, .row = 5, .text = "Stam. Regen", .objectName = "checkDisplaySR", .column = 13},
    {.name = "Use Mage Armor", .def = 0, .member = &CSettings::m_bMedableOnly, .param = &CCalcParam::m_bMedableOnly,
     .ctl = SettingCtl::Check, .group = FiltersGroup::Side, .row = 1, .text = "Medable Suits Only",
     .objectName = "checkMedableOnly"},
    {.name = "DCI Limit", .def = 0, .member = &CSettings::m_nDCILimit, .param = &CCalcParam::m_nDCILimit, .high = HIGH_DCI,
     .ctl = SettingCtl::Field, .group = FiltersGroup::Minimums, .row = 6, .col = 1, .objectName = "editDCI",
     .fieldOrder = 1, .ranged = true, .lo = 0, .hi = 200, .spin = SpinSteps::InRange},
    {.name = "HCI Limit", .def = 0, .member = &CSettings::m_nHCILimit, .param = &CCalcParam::m_nHCILimit, .high = HIGH_HCI,
     .ctl = SettingCtl::Field, .group = FiltersGroup::Minimums, .row = 7, .col = 1, .objectName = "editHCI",
     .fieldOrder = 7, .spin = SpinSteps::NonNegative},
    {.name = "LMC Limit", .def = 0, .member = &CSettings::m_nLMCLimit, .param = &CCalcParam::m_nLMCLimit, .high = HIGH_LMC,
     .ctl = SettingCtl::Field, .group = FiltersGroup::Minimums, .row = 1, .col = 1, .objectName = "editLMC",
     .fieldOrder = 2, .ranged = true, .lo = 0, .hi = 200, .spin = SpinSteps::InRange},
    {.name = "LRC Limit", .def = 0, .member = &CSettings::m_nLRCLimit, .param = &CCalcParam::m_nLRCLimit, .high = HIGH_LRC,
     .ctl = SettingCtl::Field, .group = FiltersGroup::Minimums, .row = 2, .col = 1, .objectName = "editLRC",
     .fieldOrder = 3, .ranged = true, .lo = 0, .hi = 200, .spin = SpinSteps::InRange},
    {.name = "Luck Limit", .def = 0, .member = &CSettings::m_nLuckLimit, .param = &CCalcParam::m_nLuckLimit, .high = HIGH_LUCK,
     .ctl = SettingCtl::Field, .group = FiltersGroup::Minimums, .row = 0, .col = 1, .objectName = "editLuck",
     .fieldOrder = 4, .ranged = true, .lo = 0, .hi = 2000, .spin = SpinSteps::InRange},
    {.name = "MR Limit", .def = 0, .member = &CSettings::m_nMRLimit, .param = &CCalcParam::m_nMRLimit, .high = HIGH_MR,
     .ctl = SettingCtl::Field, .group = FiltersGroup::Minimums, .row = 3, .col = 1, .objectName = "editMR",
     .fieldOrder = 5, .ranged = true, .lo = 0, .hi = 200, .spin = SpinSteps::InRange},
    {.name = "HR Limit", .def = 0, .member = &CSettings::m_nHRLimit, .param = &CCalcParam::m_nHRLimit, .high = HIGH_HR,
     .ctl = SettingCtl::Field, .group = FiltersGroup::Minimums, .row = 4, .col = 1, .objectName = "editHR",
     .fieldOrder = 8, .spin = SpinSteps::NonNegative},
    {.name = "SR Limit", .def = 0, .member = &CSettings::m_nSRLimit, .param = &CCalcParam::m_nSRLimit, .high = HIGH_SR,
     .ctl = SettingCtl::Field, .group = FiltersGroup::Minimums, .row = 5, .col = 1, .objectName = "editSR",
     .fieldOrder = 9, .spin = SpinSteps::NonNegative},
    {.name = "LowerLimit", .def = 300, .member = &CSettings::m_nLowerLimit, .high = HIGH_TOTAL, .ctl = SettingCtl::Field,
     .group = FiltersGroup::Side, .row = 0, .text = "Total Resist Minimum:", .objectName = "editLowerLimit",
     .fieldOrder = 0, .ranged = true, .lo = 0, .hi = 350, .spin = SpinSteps::InRange},
    {.name = "Suit Limit", .def = 1000, .member = &CSettings::m_nSuitLimit, .param = &CCalcParam::m_nSuitLimit,
     .ctl = SettingCtl::Field, .group = FiltersGroup::Limits, .col = 0, .text = "Suits in ListView",
     .objectName = "editSuitLimit", .fieldOrder = 6, .ranged = true, .lo = 1, .hi = 100000},
    {.name = "Rank By", .def = 0, .member = &CSettings::m_nRankBy, .param = &CCalcParam::m_nRankBy,
     .ctl = SettingCtl::Choice, .group = FiltersGroup::Limits, .row = 1, .text = "Order results:",
     .objectName = "comboRankBy", .writeDefault = false},
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
// Number of the Filters dialog's fields.
constexpr int FiltersFieldCount() {
    int n = 0;
    for (const SettingDef& d : kSettingTable) n += d.ctl == SettingCtl::Field;
    return n;
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
// Every field has its own place in the order of checks, 0 to the number of fields - 1.
constexpr bool FieldOrderComplete() {
    const int n = FiltersFieldCount();
    for (int k = 0; k < n; ++k) {
        int seen = 0;
        for (const SettingDef& d : kSettingTable) seen += d.ctl == SettingCtl::Field && d.fieldOrder == k;
        if (seen != 1) return false;
    }
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
        if (d.column != -1 && (d.column < 8 || d.column >= COLUMN_COUNT || d.ctl != SettingCtl::Check)) return false;
    return true;
}
}  // namespace setting_checks
static_assert(setting_checks::MembersDistinct(), "two settings share a member");
static_assert(setting_checks::FieldOrderComplete(), "Filters fields need the orders 0 .. count - 1");
static_assert(setting_checks::SlotsComplete(), "every slot type needs its switch");
static_assert(setting_checks::HighestPaired(), "each highest value needs its one minimum");
static_assert(setting_checks::ColumnsOptional(), "only check boxes switch optional columns 8 to 15");
// Each int32_t member of the record, the column widths and the name tables aside, has its entry.
static_assert(sizeof(CSettings) == (sizeof(int32_t) * (SETTINGS_COUNT + COLUMN_COUNT) + alignof(CPieceDefs) - 1) /
                                           alignof(CPieceDefs) * alignof(CPieceDefs) +
                                       sizeof(CPieceDefs),
              "a setting member without a table entry");
