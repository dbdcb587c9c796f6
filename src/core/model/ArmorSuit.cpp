#include "ArmorSuit.h"

#include "Archive.h"
#include "ArmorPiece.h"

namespace {
// Sums wrap like the 32-bit original instead of overflowing into undefined behaviour.
int32_t Add(int32_t a, int32_t b) { return int32_t(uint32_t(a) + uint32_t(b)); }
}  // namespace

void CArmorSuit::AddPiece(CArmorPiece* piece) {
    if (piece) m_arrPieces.push_back(piece);
}

int CArmorSuit::CalcTotals() {
    m_nPhysical = m_nFire = m_nCold = m_nPoison = m_nEnergy = 0;
    m_nTotalResist = m_nLuck = m_nLMC = m_nLRC = m_nMR = m_nHR = m_nSR = m_nDCI = m_nHCI = 0;
    m_bMedable = 1;
    m_nCount = int32_t(m_arrPieces.size());
    for (const CArmorPiece* p : m_arrPieces) {
        if (!p) continue;
        m_nPhysical = Add(m_nPhysical, p->GetProperty(PROP_PHYSICAL));
        m_nFire = Add(m_nFire, p->GetProperty(PROP_FIRE));
        m_nCold = Add(m_nCold, p->GetProperty(PROP_COLD));
        m_nPoison = Add(m_nPoison, p->GetProperty(PROP_POISON));
        m_nEnergy = Add(m_nEnergy, p->GetProperty(PROP_ENERGY));
        m_nLuck = Add(m_nLuck, p->GetProperty(PROP_LUCK));
        m_nLMC = Add(m_nLMC, p->GetProperty(PROP_LMC));
        m_nLRC = Add(m_nLRC, p->GetProperty(PROP_LRC));
        m_nMR = Add(m_nMR, p->GetProperty(PROP_MR));
        m_nHR = Add(m_nHR, p->GetProperty(PROP_HR));
        m_nSR = Add(m_nSR, p->GetProperty(PROP_SR));
        m_nDCI = Add(m_nDCI, p->GetProperty(PROP_DCI));
        m_nHCI = Add(m_nHCI, p->GetProperty(PROP_HCI));
        if (p->m_bMedable == 0) m_bMedable = 0;
    }
    m_nTotalResist = GetTotalResist();
    return m_nTotalResist;
}

int CArmorSuit::GetTotalResist() const {
    return Add(Add(Add(Add(m_nPhysical, m_nFire), m_nCold), m_nPoison), m_nEnergy);
}

int CArmorSuit::GetCappedTotalResist(bool bypass) const {
    return Add(Add(Add(Add(CapResist(m_nPhysical, bypass), CapResist(m_nFire, bypass)), CapResist(m_nCold, bypass)),
                   CapResist(m_nPoison, bypass)),
               CapResist(m_nEnergy, bypass));
}

int CArmorSuit::GetProperty(int index, bool bypass) const {
    switch (index) {
        case PROP_PHYSICAL: return CapResist(m_nPhysical, bypass);
        case PROP_FIRE: return CapResist(m_nFire, bypass);
        case PROP_COLD: return CapResist(m_nCold, bypass);
        case PROP_POISON: return CapResist(m_nPoison, bypass);
        case PROP_ENERGY: return CapResist(m_nEnergy, bypass);
        case PROP_LUCK: return m_nLuck;
        case PROP_LMC: return m_nLMC;
        case PROP_LRC: return m_nLRC;
        case PROP_MR: return m_nMR;
        case PROP_DCI: return m_nDCI;
        case PROP_HCI: return m_nHCI;
        case PROP_HR: return m_nHR;
        case PROP_SR: return m_nSR;
        default: return 0;
    }
}

void CArmorSuit::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteInt32(int32_t(m_arrPieces.size()));
        ar.WriteString(m_strName);
        ar.WriteString(m_strCharacter);
        for (CArmorPiece* p : m_arrPieces) {
            CArmorPiece empty;
            (p ? p : &empty)->Serialize(ar);
        }
        return;
    }
    int32_t count = ar.ReadInt32();
    m_strName = ar.ReadString();
    m_strCharacter = ar.ReadString();
    // Each piece is appended before its record is read, so a cut file leaves what was made owned here.
    for (int32_t i = 0; i < count; ++i) {
        auto* piece = new CArmorPiece;
        m_arrPieces.push_back(piece);
        piece->Serialize(ar);
    }
    CalcTotals();
}
