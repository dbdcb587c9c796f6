#pragma once
// Builders and probes shared by the document and command-line tests.
#include <string>
#include <utility>
#include <vector>

#include "document/GorvantaDoc.h"
#include "model/Archive.h"

// A pool piece with a text, a slot type and a few distinct values.
inline CArmorPiece* NewPiece(const std::string& text, int32_t type, int32_t seed = 1) {
    auto* p = new CArmorPiece;
    p->m_strText = text;
    const int k = SlotIndexOf(type);
    p->m_strTypeName = k >= 0 ? SlotTypeName(k) : "";
    p->m_nType = type;
    p->m_nPhysical = seed;
    p->m_nFire = seed + 1;
    p->m_nCold = seed + 2;
    p->m_nPoison = seed + 3;
    p->m_nEnergy = seed + 4;
    p->m_nTotalResist = 5 * seed + 10;
    p->m_nLuck = seed * 10;
    p->m_nLMC = seed + 5;
    p->m_nLRC = seed + 6;
    p->m_nMR = seed + 7;
    p->m_nSR = seed + 8;
    p->m_nHR = seed + 9;
    p->m_nDCI = seed + 10;
    p->m_nHCI = seed + 11;
    p->m_bMedable = seed % 2;
    return p;
}

inline CArmorPiece* AddPoolPiece(CGorvantaDoc& doc, const std::string& text, int32_t type, int32_t seed = 1) {
    CArmorPiece* p = NewPiece(text, type, seed);
    doc.PoolListFor(type)->push_back(p);
    return p;
}

inline std::string Bytes(CGorvantaDoc& doc) {
    std::string out;
    CArchive ar(out);
    doc.Serialize(ar);
    return out;
}

// Records every hint it is sent.
class CRecordingView : public IDocView {
public:
    void OnUpdate(IDocView* sender, int hint) override { calls.emplace_back(sender, hint); }
    std::vector<std::pair<IDocView*, int>> calls;
};
