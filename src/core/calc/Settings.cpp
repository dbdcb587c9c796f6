#include "Settings.h"

#include <cctype>
#include <string>

#include "core/model/ProfileStore.h"

namespace {
bool SameName(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (std::tolower((unsigned char)*a) != std::tolower((unsigned char)*b)) return false;
    return *a == *b;
}
}  // namespace

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

int CSettings::IndexOf(std::string_view name) { return IndexOf(std::string(name).c_str()); }

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

void CCalcParam::FillFrom(const CWishes& w, int32_t suitLimit) {
    for (const SettingDef& d : kSettingTable)
        if (d.wish && d.param) this->*d.param = w.*d.wish;
    m_nSuitLimit = suitLimit;
}

CWishes::CWishes() {
    for (const SettingDef& d : kSettingTable)
        if (d.wish) this->*d.wish = d.def;
}

void CWishes::ReadFrom(const CSettings& s) {
    for (const SettingDef& d : kSettingTable)
        if (d.wish) this->*d.wish = s.*d.member;
}

void CWishes::WriteTo(CSettings& s) const {
    for (const SettingDef& d : kSettingTable)
        if (d.wish) s.*d.member = this->*d.wish;
}

int32_t& CWishes::UseSlot(int k) { return this->*kSettingTable[size_t(SlotSettingIndex(k))].wish; }

std::vector<std::pair<std::string, int32_t>> CWishes::Named() const {
    std::vector<std::pair<std::string, int32_t>> named;
    for (const SettingDef& d : kSettingTable)
        if (d.wish) named.emplace_back(d.name, this->*d.wish);
    return named;
}

bool CWishes::SetNamed(std::string_view name, int32_t value) {
    const int i = CSettings::IndexOf(name);
    if (i < 0 || !kSettingTable[size_t(i)].wish) return false;
    this->*kSettingTable[size_t(i)].wish = value;
    return true;
}

CWishes CWishes::FromNamed(const std::vector<std::pair<std::string, int32_t>>& named) {
    CWishes w;
    for (const auto& [name, value] : named) w.SetNamed(name, value);
    return w;
}
