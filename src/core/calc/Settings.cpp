#include "Settings.h"

#include <cctype>
#include <string>

#include "core/model/ProfileStore.h"

namespace {
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
    for (const SettingDef& d : kSettingTable) this->*d.member = d.def;
    for (int n = 0; n < COLUMN_COUNT; ++n) m_nColumnWidth[size_t(n)] = (n == 0) ? 60 : (n == 6 || n == 7) ? 80 : 50;
}

int32_t& CSettings::Value(int i) { return this->*kSettingTable[size_t(i)].member; }
int32_t& CSettings::UseSlot(int k) { return this->*kSettingTable[size_t(SlotSettingIndex(k))].member; }
int32_t& CCalcParam::UseSlot(int k) { return this->*kSettingTable[size_t(SlotSettingIndex(k))].param; }
int32_t CCalcParam::UseSlot(int k) const { return this->*kSettingTable[size_t(SlotSettingIndex(k))].param; }
const char* CSettings::ValueName(int i) { return (i >= 0 && i < SETTINGS_COUNT) ? kSettingTable[size_t(i)].name : nullptr; }
int32_t CSettings::DefaultValue(int i) { return (i >= 0 && i < SETTINGS_COUNT) ? kSettingTable[size_t(i)].def : 0; }

int32_t* CSettings::ColumnSwitch(int column) {
    for (const SettingDef& d : kSettingTable)
        if (d.column >= 0 && d.column == column) return &(this->*d.member);
    return nullptr;
}

int CSettings::IndexOf(const char* name) {
    for (int i = 0; i < SETTINGS_COUNT; ++i)
        if (SameName(kSettingTable[size_t(i)].name, name)) return i;
    return -1;
}

void CSettings::LoadSettings() {
    IProfileStore& store = TheProfileStore();
    for (const SettingDef& d : kSettingTable) this->*d.member = store.GetInt(SETTINGS_SECTION, d.name, d.def);
    for (int n = 0; n < STORED_COLUMN_COUNT; ++n) {
        int32_t& w = m_nColumnWidth[size_t(n)];
        w = store.GetInt(SETTINGS_SECTION, "Column" + std::to_string(n), w);
    }
    WritePieceDefDefaults();
    for (int k : kPieceDefWriteOrder) LoadPieceDefs(PieceDefSubkey(k), m_pieceDefs.Table(k));
}

void CSettings::SaveSettings() const {
    IProfileStore& store = TheProfileStore();
    for (const SettingDef& d : kSettingTable)
        if (d.writeDefault || this->*d.member != d.def || store.ReadInt(SETTINGS_SECTION, d.name))
            store.WriteInt(SETTINGS_SECTION, d.name, this->*d.member);
    for (int n = 0; n < STORED_COLUMN_COUNT; ++n)
        store.WriteInt(SETTINGS_SECTION, "Column" + std::to_string(n), m_nColumnWidth[size_t(n)]);
}

void CCalcParam::FillFrom(const CSettings& s) {
    for (const SettingDef& d : kSettingTable)
        if (d.param) this->*d.param = s.*d.member;
}
