#pragma once
// A pool of pieces built by a test, for the search and for the window program's calculation parts.
#include <array>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "calc/CalcEngine.h"
#include "model/ArmorPiece.h"

// The five resists and their total, of a piece or a suit.
template <class T>
void SetResists(T& x, std::array<int32_t, 5> r) {
    x.m_nPhysical = r[0];
    x.m_nFire = r[1];
    x.m_nCold = r[2];
    x.m_nPoison = r[3];
    x.m_nEnergy = r[4];
    // Wrapping, as the program's own sums do, so extreme test values stay defined.
    x.m_nTotalResist = int32_t(uint32_t(r[0]) + uint32_t(r[1]) + uint32_t(r[2]) + uint32_t(r[3]) + uint32_t(r[4]));
}

// The eight bonus properties in the order of the results columns.
template <class T>
void SetBonus(T& x, std::array<int32_t, 8> b) {
    x.m_nLuck = b[0];
    x.m_nLMC = b[1];
    x.m_nLRC = b[2];
    x.m_nMR = b[3];
    x.m_nHR = b[4];
    x.m_nSR = b[5];
    x.m_nDCI = b[6];
    x.m_nHCI = b[7];
}

// Owns the pieces of a pool built by a test.
struct CTestPool {
    CalcPool lists;
    std::vector<std::unique_ptr<CArmorPiece>> owned;

    CArmorPiece* Add(int slot, std::array<int32_t, 5> resists, int medable = 1) {
        auto p = std::make_unique<CArmorPiece>();
        p->m_nType = 1 << slot;
        SetResists(*p, resists);
        p->m_bMedable = medable;
        p->m_strText = "piece " + std::to_string(owned.size());
        lists[size_t(slot)].push_back(p.get());
        owned.push_back(std::move(p));
        return owned.back().get();
    }
    // n pieces in each of the given slots, values varying with the index.
    void Fill(std::initializer_list<int> slotList, int n) {
        for (int slot : slotList)
            for (int i = 0; i < n; ++i)
                Add(slot, {i % 7, (i * 3) % 11, i % 5, (i * 7) % 13, i % 3})->m_nLuck = i;
    }
};
