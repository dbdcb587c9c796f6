#include "Settings.h"

#include <cctype>
#include <string>

#include "model/ProfileStore.h"

namespace {
struct SettingInfo {
    const char* name;
    int32_t def;
};
const SettingInfo kSettings[SETTINGS_COUNT] = {
    {"Bypass 70/Resist Limit", 0}, {"Use Head Wear", 1}, {"Use Gorgets", 1},  {"Use Arms", 1},
    {"Use Gloves", 1},             {"Use Chest Pieces", 1}, {"Use Legs", 1},  {"Use Rings", 0},
    {"Use Robes", 0},              {"Use Cloaks", 0},    {"Use Shields", 0},  {"Use Bracelets", 0},
    {"Use Weapons", 0},            {"Display DCI", 0},   {"Display HCI", 0},  {"Display LMC", 0},
    {"Display LRC", 0},            {"Display Luck", 0},  {"Display MR", 0},   {"Display HR", 0},
    {"Display SR", 0},             {"Use Mage Armor", 0}, {"DCI Limit", 0},   {"HCI Limit", 0},
    {"LMC Limit", 0},              {"LRC Limit", 0},     {"Luck Limit", 0},   {"MR Limit", 0},
    {"HR Limit", 0},               {"SR Limit", 0},      {"LowerLimit", 300}, {"Suit Limit", 1000},
};

const std::array<int32_t CSettings::*, SETTINGS_COUNT> kMembers = {
    &CSettings::m_bBypassResistCap,
    &CSettings::m_bUseHeadWear,
    &CSettings::m_bUseGorgets,
    &CSettings::m_bUseArms,
    &CSettings::m_bUseGloves,
    &CSettings::m_bUseChestPieces,
    &CSettings::m_bUseLegs,
    &CSettings::m_bUseRings,
    &CSettings::m_bUseRobes,
    &CSettings::m_bUseCloaks,
    &CSettings::m_bUseShields,
    &CSettings::m_bUseBracelets,
    &CSettings::m_bUseWeapons,
    &CSettings::m_bDisplayDCI,
    &CSettings::m_bDisplayHCI,
    &CSettings::m_bDisplayLMC,
    &CSettings::m_bDisplayLRC,
    &CSettings::m_bDisplayLuck,
    &CSettings::m_bDisplayMR,
    &CSettings::m_bDisplayHR,
    &CSettings::m_bDisplaySR,
    &CSettings::m_bMedableOnly,
    &CSettings::m_nDCILimit,
    &CSettings::m_nHCILimit,
    &CSettings::m_nLMCLimit,
    &CSettings::m_nLRCLimit,
    &CSettings::m_nLuckLimit,
    &CSettings::m_nMRLimit,
    &CSettings::m_nHRLimit,
    &CSettings::m_nSRLimit,
    &CSettings::m_nLowerLimit,
    &CSettings::m_nSuitLimit};
const std::array<int32_t CCalcParam::*, 12> kParamSlots = {
    &CCalcParam::m_bUseHeadWear,
    &CCalcParam::m_bUseGorgets,
    &CCalcParam::m_bUseArms,
    &CCalcParam::m_bUseGloves,
    &CCalcParam::m_bUseChestPieces,
    &CCalcParam::m_bUseLegs,
    &CCalcParam::m_bUseRings,
    &CCalcParam::m_bUseRobes,
    &CCalcParam::m_bUseCloaks,
    &CCalcParam::m_bUseShields,
    &CCalcParam::m_bUseBracelets,
    &CCalcParam::m_bUseWeapons};

CSettings* g_pSettings = nullptr;

bool SameName(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (std::tolower((unsigned char)*a) != std::tolower((unsigned char)*b)) return false;
    return *a == *b;
}
}  // namespace

CSettings& TheSettings() {
    static CSettings fallback;
    return g_pSettings ? *g_pSettings : fallback;
}

void SetTheSettings(CSettings* settings) { g_pSettings = settings; }

CPieceDefs& ThePieceDefs() { return TheSettings().m_pieceDefs; }

CSettings::CSettings() {
    for (int i = 0; i < SETTINGS_COUNT; ++i) Value(i) = kSettings[i].def;
    for (int n = 0; n < COLUMN_COUNT; ++n) m_nColumnWidth[size_t(n)] = (n == 0) ? 60 : (n == 6 || n == 7) ? 80 : 50;
}

int32_t& CSettings::Value(int i) { return this->*kMembers[size_t(i)]; }
int32_t& CCalcParam::UseSlot(int k) { return this->*kParamSlots[size_t(k)]; }
int32_t CCalcParam::UseSlot(int k) const { return this->*kParamSlots[size_t(k)]; }
const char* CSettings::ValueName(int i) { return (i >= 0 && i < SETTINGS_COUNT) ? kSettings[i].name : nullptr; }
int32_t CSettings::DefaultValue(int i) { return (i >= 0 && i < SETTINGS_COUNT) ? kSettings[i].def : 0; }

int CSettings::IndexOf(const char* name) {
    for (int i = 0; i < SETTINGS_COUNT; ++i)
        if (SameName(kSettings[i].name, name)) return i;
    return -1;
}

void CSettings::LoadSettings() {
    IProfileStore& store = TheProfileStore();
    for (int i = 0; i < SETTINGS_COUNT; ++i) Value(i) = store.GetInt(SETTINGS_SECTION, kSettings[i].name, kSettings[i].def);
    for (int n = 0; n < STORED_COLUMN_COUNT; ++n) {
        int32_t& w = m_nColumnWidth[size_t(n)];
        w = store.GetInt(SETTINGS_SECTION, "Column" + std::to_string(n), w);
    }
    WritePieceDefDefaults();
    for (int k : kPieceDefWriteOrder) LoadPieceDefs(PieceDefSubkey(k), m_pieceDefs.Table(k));
}

void CSettings::SaveSettings() const {
    IProfileStore& store = TheProfileStore();
    for (int i = 0; i < SETTINGS_COUNT; ++i) store.WriteInt(SETTINGS_SECTION, kSettings[i].name, Value(i));
    for (int n = 0; n < STORED_COLUMN_COUNT; ++n)
        store.WriteInt(SETTINGS_SECTION, "Column" + std::to_string(n), m_nColumnWidth[size_t(n)]);
}

void CCalcParam::FillFrom(const CSettings& s) {
    m_bBypassResistCap = s.m_bBypassResistCap;
    for (int k = 0; k < 12; ++k) UseSlot(k) = s.Value(1 + k);
    m_bMedableOnly = s.m_bMedableOnly;
    m_nDCILimit = s.m_nDCILimit;
    m_nHCILimit = s.m_nHCILimit;
    m_nLMCLimit = s.m_nLMCLimit;
    m_nLRCLimit = s.m_nLRCLimit;
    m_nLuckLimit = s.m_nLuckLimit;
    m_nMRLimit = s.m_nMRLimit;
    m_nHRLimit = s.m_nHRLimit;
    m_nSRLimit = s.m_nSRLimit;
    m_nSuitLimit = s.m_nSuitLimit;
}
