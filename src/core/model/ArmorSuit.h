#pragma once
// A set of pieces worn together, at most one per slot, with the sums of their properties.
#include <cstdint>
#include <string>
#include <vector>

class CArchive;
class CArmorPiece;

class CArmorSuit {
public:
    CArmorSuit() = default;
    // Refers to its pieces without owning them; whoever owns the suit's pieces deletes them.
    virtual ~CArmorSuit() = default;

    void AddPiece(CArmorPiece* piece);
    int CalcTotals();
    int GetTotalResist() const;
    // The five resist sums, each capped at 70 unless `bypassCap`, added up.
    int GetCappedTotalResist(bool bypassCap) const;
    // One of the fourteen property sums; the five resists capped at 70 unless `bypassCap`.
    int GetProperty(int index, bool bypassCap) const;

    // Reading makes new pieces, which the caller (the document) then owns.
    virtual void Serialize(CArchive& ar);

    std::string m_strName;
    std::string m_strCharacter;
    int32_t m_nCount = 0;
    std::vector<CArmorPiece*> m_arrPieces;
    int32_t m_nPhysical = 0;
    int32_t m_nFire = 0;
    int32_t m_nCold = 0;
    int32_t m_nPoison = 0;
    int32_t m_nEnergy = 0;
    int32_t m_nTotalResist = 0;
    int32_t m_nLuck = 0;
    int32_t m_nLMC = 0;
    int32_t m_nLRC = 0;
    int32_t m_nMR = 0;
    int32_t m_nHR = 0;
    int32_t m_nSR = 0;
    int32_t m_nDCI = 0;
    int32_t m_nHCI = 0;
    int32_t m_bMedable = 0;
};

// A resist sum as the suit counts it: lowered to 70 when above, unless the cap is bypassed.
inline int32_t CapResist(int32_t sum, bool bypass) { return (!bypass && sum > 70) ? 70 : sum; }
