#include "ArmorPiece.h"

#include <climits>
#include <cstdio>

#include "Archive.h"
#include "Cp1252.h"
#include "PieceDefs.h"
#include "Properties.h"

namespace {
const char* const kTypeNames[SLOT_COUNT] = {"head wear", "gorgets", "arms",    "gloves",  "chest pieces", "legs",
                                            "rings",     "robes",   "cloaks",  "shields", "bracelets",    "weapons"};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Optional sign then decimal digits; anything after the digits is ignored. Saturates at the 32-bit bounds.
int32_t ReadNumber(const std::string& s, size_t from, size_t to) {
    size_t i = from;
    while (i < to && IsBlank(s[i])) ++i;
    bool negative = false;
    if (i < to && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    int64_t v = 0;
    for (; i < to && s[i] >= '0' && s[i] <= '9'; ++i) {
        v = v * 10 + (s[i] - '0');
        if (v > int64_t(INT32_MAX) + 1) v = int64_t(INT32_MAX) + 1;  // keeps the magnitude bounded
    }
    if (negative) return v > int64_t(INT32_MAX) ? INT32_MIN : int32_t(-v);
    return v > INT32_MAX ? INT32_MAX : int32_t(v);
}
}  // namespace

const char* SlotTypeName(int k) { return (k >= 0 && k < SLOT_COUNT) ? kTypeNames[k] : ""; }

int SlotIndexOf(int32_t type) {
    for (int k = 0; k < SLOT_COUNT; ++k)
        if (type == (1 << k)) return k;
    return -1;
}

const char* PropertyKeyword(int index) {
    const PropertyDef* d = PropertyOf(index);
    return d ? d->keyword : nullptr;
}
bool PropertyIsPercent(int index) {
    const PropertyDef* d = PropertyOf(index);
    return d && d->percent;
}

int32_t* CArmorPiece::Field(int index) {
    switch (index) {
        case PROP_PHYSICAL: return &m_nPhysical;
        case PROP_FIRE: return &m_nFire;
        case PROP_COLD: return &m_nCold;
        case PROP_POISON: return &m_nPoison;
        case PROP_ENERGY: return &m_nEnergy;
        case PROP_LUCK: return &m_nLuck;
        case PROP_LMC: return &m_nLMC;
        case PROP_LRC: return &m_nLRC;
        case PROP_MR: return &m_nMR;
        case PROP_DCI: return &m_nDCI;
        case PROP_HCI: return &m_nHCI;
        case PROP_HR: return &m_nHR;
        case PROP_SR: return &m_nSR;
        default: return nullptr;
    }
}

int CArmorPiece::GetProperty(int index) const {
    const int32_t* f = const_cast<CArmorPiece*>(this)->Field(index);
    return f ? *f : 0;
}

void CArmorPiece::SetProperty(int index, int32_t value) {
    if (int32_t* f = Field(index)) *f = value;
}

int CArmorPiece::CalcTotalResist() const {
    // Wrapping sum as the 32-bit original; computed unsigned so that extreme values are not undefined.
    uint32_t sum = uint32_t(m_nPhysical) + uint32_t(m_nFire) + uint32_t(m_nCold) + uint32_t(m_nPoison) +
                   uint32_t(m_nEnergy);
    return int32_t(sum);
}

std::string CArmorPiece::FormatValue(int value) { return std::to_string(value); }

int CArmorPiece::FindValue(int index) const {
    const char* keyword = PropertyKeyword(index);
    if (!keyword) return 0;
    std::string line = LowerCp1252(m_strText);
    std::string key = keyword;
    size_t p = line.find(key);
    if (p == std::string::npos) return 0;
    if (PropertyIsPercent(index)) {
        size_t q = line.find('%', p);
        if (q == std::string::npos) return 0;
        size_t blank = line.rfind(' ', q == 0 ? 0 : q - 1);
        if (blank == std::string::npos || blank < p || blank >= q) return 0;
        return ReadNumber(line, blank + 1, q);
    }
    // The necklace's fixed 200 is its luck; its regenerations are read as any other piece's.
    if (index == PROP_LUCK && line.find("lucky necklace") != std::string::npos) return 200;
    size_t s = p + key.size() + 1;
    if (s >= line.size()) return 0;
    // A value that ends the line runs to its end.
    size_t e = line.find(' ', s);
    if (e == std::string::npos) e = line.size();
    return ReadNumber(line, s, e);
}

int CArmorPiece::ParseText(const std::string& line) {
    m_strText = line;
    static const int order[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 13, 12, 10, 11};
    for (int index : order) *Field(index) = FindValue(index);
    m_nTotalResist = CalcTotalResist();
    Classify();
    m_bMedable = IsMedable();
    return 1;
}

void CArmorPiece::Classify() {
    std::string lower = LowerCp1252(m_strText);
    const CPieceDefs& defs = ThePieceDefs();
    for (int k : kClassifyOrder) {
        for (const std::string& name : defs.Table(k)) {
            if (lower.find(name) != std::string::npos) {
                m_nType = 1 << k;
                m_strTypeName = kTypeNames[k];
                return;
            }
        }
    }
    m_nType = PIECE_WEAPON;
    m_strTypeName = kTypeNames[11];
}

int CArmorPiece::IsMedable() const {
    switch (m_nType) {
        case PIECE_RING: case PIECE_ROBE: case PIECE_CLOAK: case PIECE_SHIELD: case PIECE_BRACELET: case PIECE_WEAPON:
            return 1;
        default: break;
    }
    std::string lower = LowerCp1252(m_strText);
    for (const char* word : {" hat ", "bandana", "bonnet", "skullcap", " cap ", "lucky necklace", "mage armor"})
        if (lower.find(word) != std::string::npos) return 1;
    if (lower.find("leather") != std::string::npos && lower.find("studded") == std::string::npos) return 1;
    return 0;
}

void CArmorPiece::Serialize(CArchive& ar) {
    // The stored order differs from the declaration order: medable follows the total, bonuses run backwards.
    int32_t* const numbers[16] = {&m_nType,   &m_nPhysical, &m_nFire, &m_nCold, &m_nPoison, &m_nEnergy,
                                  &m_nTotalResist, &m_bMedable, &m_nDCI, &m_nHCI, &m_nSR, &m_nHR,
                                  &m_nMR,     &m_nLMC,      &m_nLRC,  &m_nLuck};
    if (ar.IsStoring()) {
        ar.WriteInt32(PIECE_RECORD_MARKER);
        ar.WriteString(m_strText);
        ar.WriteString(m_strTypeName);
        for (int32_t* n : numbers) ar.WriteInt32(*n);
        return;
    }
    if (ar.ReadInt32() != PIECE_RECORD_MARKER) return;
    m_strText = ar.ReadString();
    m_strTypeName = ar.ReadString();
    for (int32_t* n : numbers) *n = ar.ReadInt32();
}
