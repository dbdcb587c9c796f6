#pragma once
// Where and how the Filters dialog shows each setting: one entry per setting it shows, keyed by the
// setting's member; what the setting is (store name, default, range) stays in the settings table.
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "core/calc/Settings.h"

// Choice: drop-down lists (the dialog builds them for the setting they show); ThenChoice: a drop-down of
// "(none)" and the results columns, enabled while the Choice of the same line ranks.
enum class SettingCtl : uint8_t { None, Check, Field, Choice, ThenChoice };
// Where: a minimums row (its display check in column 0, its minimum in column 1), the side column next to
// the rows, the piece type grid (two columns), or the suit limits line.
enum class FiltersGroup : uint8_t { None, Minimums, Side, Types, Limits };
// A field's up-down control: none, stepping within the setting's range, or over every non-negative value.
enum class SpinSteps : uint8_t { None, InRange, NonNegative };

struct FiltersControlDef {
    int32_t CSettings::*member;
    SettingCtl ctl = SettingCtl::None;
    FiltersGroup group = FiltersGroup::None;
    int row = 0, col = 0;
    const char* text = nullptr;  // a check box's text, or the label before a field
    const char* objectName = nullptr;
    int fieldOrder = -1;  // fields: the order OK takes and checks them, which is the order errors show
    SpinSteps spin = SpinSteps::None;
};

inline constexpr FiltersControlDef kFiltersControls[] = {
    {.member = &CSettings::m_bBypassResistCap, .ctl = SettingCtl::Check, .group = FiltersGroup::Limits, .col = 2,
         .text = "Bypass 70/Resist Limit", .objectName = "checkBypass"},
    {.member = &CSettings::m_bUseHeadWear, .ctl = SettingCtl::Check, .group = FiltersGroup::Types, .row = 0,
         .col = 0, .text = "Head wear", .objectName = "checkHeadWear"},
    {.member = &CSettings::m_bUseGorgets, .ctl = SettingCtl::Check, .group = FiltersGroup::Types, .row = 1, .col = 0,
         .text = "Gorgets", .objectName = "checkGorgets"},
    {.member = &CSettings::m_bUseArms, .ctl = SettingCtl::Check, .group = FiltersGroup::Types, .row = 2, .col = 0,
         .text = "Arms", .objectName = "checkArms"},
    {.member = &CSettings::m_bUseGloves, .ctl = SettingCtl::Check, .group = FiltersGroup::Types, .row = 3, .col = 0,
         .text = "Gloves", .objectName = "checkGloves"},
    {.member = &CSettings::m_bUseChestPieces, .ctl = SettingCtl::Check, .group = FiltersGroup::Types, .row = 5,
         .col = 0, .text = "Chest Pieces", .objectName = "checkChestPieces"},
    {.member = &CSettings::m_bUseLegs, .ctl = SettingCtl::Check, .group = FiltersGroup::Types, .row = 4, .col = 0,
         .text = "Legs", .objectName = "checkLegs"},
    {.member = &CSettings::m_bUseRings, .ctl = SettingCtl::Check, .group = FiltersGroup::Types, .row = 0, .col = 1,
         .text = "Rings", .objectName = "checkRings"},
    {.member = &CSettings::m_bUseRobes, .ctl = SettingCtl::Check, .group = FiltersGroup::Types, .row = 3, .col = 1,
         .text = "Robes", .objectName = "checkRobes"},
    {.member = &CSettings::m_bUseCloaks, .ctl = SettingCtl::Check, .group = FiltersGroup::Types, .row = 4, .col = 1,
         .text = "Cloaks", .objectName = "checkCloaks"},
    {.member = &CSettings::m_bUseShields, .ctl = SettingCtl::Check, .group = FiltersGroup::Types, .row = 2, .col = 1,
         .text = "Shields", .objectName = "checkShields"},
    {.member = &CSettings::m_bUseBracelets, .ctl = SettingCtl::Check, .group = FiltersGroup::Types, .row = 1,
         .col = 1, .text = "Bracelets", .objectName = "checkBracelets"},
    {.member = &CSettings::m_bUseWeapons, .ctl = SettingCtl::Check, .group = FiltersGroup::Types, .row = 5, .col = 1,
         .text = "Weapons", .objectName = "checkWeapons"},
    {.member = &CSettings::m_bDisplayDCI, .ctl = SettingCtl::Check, .group = FiltersGroup::Minimums, .row = 6,
         .text = "DCI", .objectName = "checkDisplayDCI"},
    {.member = &CSettings::m_bDisplayHCI, .ctl = SettingCtl::Check, .group = FiltersGroup::Minimums, .row = 7,
         .text = "HCI", .objectName = "checkDisplayHCI"},
    {.member = &CSettings::m_bDisplayLMC, .ctl = SettingCtl::Check, .group = FiltersGroup::Minimums, .row = 1,
         .text = "LMC", .objectName = "checkDisplayLMC"},
    {.member = &CSettings::m_bDisplayLRC, .ctl = SettingCtl::Check, .group = FiltersGroup::Minimums, .row = 2,
         .text = "LRC", .objectName = "checkDisplayLRC"},
    {.member = &CSettings::m_bDisplayLuck, .ctl = SettingCtl::Check, .group = FiltersGroup::Minimums, .row = 0,
         .text = "Luck", .objectName = "checkDisplayLuck"},
    {.member = &CSettings::m_bDisplayMR, .ctl = SettingCtl::Check, .group = FiltersGroup::Minimums, .row = 3,
         .text = "Mana Regen", .objectName = "checkDisplayMR"},
    {.member = &CSettings::m_bDisplayHR, .ctl = SettingCtl::Check, .group = FiltersGroup::Minimums, .row = 4,
         .text = "HP Regen", .objectName = "checkDisplayHR"},
    {.member = &CSettings::m_bDisplaySR, .ctl = SettingCtl::Check, .group = FiltersGroup::Minimums, .row = 5,
         .text = "Stam. Regen", .objectName = "checkDisplaySR"},
    {.member = &CSettings::m_bMedableOnly, .ctl = SettingCtl::Check, .group = FiltersGroup::Side, .row = 1,
         .text = "Medable Suits Only", .objectName = "checkMedableOnly"},
    {.member = &CSettings::m_nDCILimit, .ctl = SettingCtl::Field, .group = FiltersGroup::Minimums, .row = 6,
         .col = 1, .objectName = "editDCI", .fieldOrder = 1, .spin = SpinSteps::InRange},
    {.member = &CSettings::m_nHCILimit, .ctl = SettingCtl::Field, .group = FiltersGroup::Minimums, .row = 7,
         .col = 1, .objectName = "editHCI", .fieldOrder = 7, .spin = SpinSteps::NonNegative},
    {.member = &CSettings::m_nLMCLimit, .ctl = SettingCtl::Field, .group = FiltersGroup::Minimums, .row = 1,
         .col = 1, .objectName = "editLMC", .fieldOrder = 2, .spin = SpinSteps::InRange},
    {.member = &CSettings::m_nLRCLimit, .ctl = SettingCtl::Field, .group = FiltersGroup::Minimums, .row = 2,
         .col = 1, .objectName = "editLRC", .fieldOrder = 3, .spin = SpinSteps::InRange},
    {.member = &CSettings::m_nLuckLimit, .ctl = SettingCtl::Field, .group = FiltersGroup::Minimums, .row = 0,
         .col = 1, .objectName = "editLuck", .fieldOrder = 4, .spin = SpinSteps::InRange},
    {.member = &CSettings::m_nMRLimit, .ctl = SettingCtl::Field, .group = FiltersGroup::Minimums, .row = 3, .col = 1,
         .objectName = "editMR", .fieldOrder = 5, .spin = SpinSteps::InRange},
    {.member = &CSettings::m_nHRLimit, .ctl = SettingCtl::Field, .group = FiltersGroup::Minimums, .row = 4, .col = 1,
         .objectName = "editHR", .fieldOrder = 8, .spin = SpinSteps::NonNegative},
    {.member = &CSettings::m_nSRLimit, .ctl = SettingCtl::Field, .group = FiltersGroup::Minimums, .row = 5, .col = 1,
         .objectName = "editSR", .fieldOrder = 9, .spin = SpinSteps::NonNegative},
    {.member = &CSettings::m_nLowerLimit, .ctl = SettingCtl::Field, .group = FiltersGroup::Side, .row = 0,
         .text = "Total Resist Minimum:", .objectName = "editLowerLimit", .fieldOrder = 0, .spin = SpinSteps::InRange},
    {.member = &CSettings::m_nSuitLimit, .ctl = SettingCtl::Field, .group = FiltersGroup::Limits, .col = 0,
         .text = "Suits in ListView", .objectName = "editSuitLimit", .fieldOrder = 6},
    {.member = &CSettings::m_nRankBy, .ctl = SettingCtl::Choice, .group = FiltersGroup::Limits, .row = 1,
         .text = "Order results:", .objectName = "comboRankBy"},
    {.member = &CSettings::m_nThenBy, .ctl = SettingCtl::ThenChoice, .group = FiltersGroup::Limits, .row = 1,
         .col = 2, .text = "then by", .objectName = "comboThenBy"},
};

// The control of setting i of the settings table (ctl None for a setting the dialog does not show).
constexpr FiltersControlDef FiltersControl(size_t i) {
    for (const FiltersControlDef& c : kFiltersControls)
        if (c.member == kSettingTable[i].member) return c;
    return {kSettingTable[i].member};
}
// Number of the dialog's fields.
constexpr int FiltersFieldCount() {
    int n = 0;
    for (const FiltersControlDef& c : kFiltersControls) n += c.ctl == SettingCtl::Field;
    return n;
}

namespace filters_checks {
constexpr bool EachSettingOnce() {
    for (size_t i = 0; i < std::size(kFiltersControls); ++i) {
        if (SettingIndexOf(kFiltersControls[i].member) < 0) return false;
        for (size_t j = i + 1; j < std::size(kFiltersControls); ++j)
            if (kFiltersControls[i].member == kFiltersControls[j].member) return false;
    }
    return true;
}
// Every field has its own place in the order of checks, 0 to the number of fields - 1.
constexpr bool FieldOrderComplete() {
    const int n = FiltersFieldCount();
    for (int k = 0; k < n; ++k) {
        int seen = 0;
        for (const FiltersControlDef& c : kFiltersControls) seen += c.ctl == SettingCtl::Field && c.fieldOrder == k;
        if (seen != 1) return false;
    }
    return true;
}
// The results list's optional columns are switched by check boxes.
constexpr bool ColumnsByCheckBoxes() {
    for (size_t i = 0; i < std::size(kSettingTable); ++i)
        if (kSettingTable[i].column >= 0 && FiltersControl(i).ctl != SettingCtl::Check) return false;
    return true;
}
}  // namespace filters_checks
static_assert(filters_checks::EachSettingOnce(), "a control for no setting, or two for one");
static_assert(filters_checks::FieldOrderComplete(), "Filters fields need the orders 0 .. count - 1");
static_assert(filters_checks::ColumnsByCheckBoxes(), "only check boxes switch optional columns");
