#pragma once
// The pools the benchmarks search: generated ones, reproducible on every platform, and the sample paste.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/calc/CalcEngine.h"
#include "core/import/ItemTextParser.h"
#include "core/model/PieceDefs.h"

// Deterministic on every platform (no library distributions).
class CRandom {
public:
    explicit CRandom(uint64_t seed) : m_state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint32_t Next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return uint32_t(m_state >> 16);
    }
    int32_t Range(int32_t lo, int32_t hi) { return lo + int32_t(Next() % uint32_t(hi - lo + 1)); }
    bool Chance(int percent) { return Range(0, 99) < percent; }

private:
    uint64_t m_state;
};

struct CBenchPool {
    CalcPool lists;
    std::vector<std::unique_ptr<CArmorPiece>> owned;

    // Totals the piece, names it by its number and files it in slot k.
    void Add(int k, std::unique_ptr<CArmorPiece> p, const char* name) {
        p->m_nTotalResist = p->CalcTotalResist();
        p->m_strText = name + std::to_string(owned.size());
        lists[size_t(k)].push_back(p.get());
        owned.push_back(std::move(p));
    }
};

// The bonuses an armor piece now and then carries.
inline void ArmorBonuses(CRandom& rng, CArmorPiece& p) {
    if (rng.Chance(30)) p.m_nLMC = rng.Range(1, 8);
    if (rng.Chance(20)) p.m_nLRC = rng.Range(5, 20);
    if (rng.Chance(20)) p.m_nLuck = rng.Range(20, 150);
    if (rng.Chance(15)) p.m_nMR = rng.Range(1, 3);
    if (rng.Chance(15)) p.m_nHR = rng.Range(1, 3);
    if (rng.Chance(15)) p.m_nSR = rng.Range(1, 3);
    if (rng.Chance(10)) p.m_nDCI = rng.Range(3, 15);
    if (rng.Chance(10)) p.m_nHCI = rng.Range(3, 15);
}
// Jewellery: medable, now and then one resist, mostly bonuses.
inline void JewelBonuses(CRandom& rng, CArmorPiece& p) {
    p.m_bMedable = 1;
    if (rng.Chance(25)) *(&p.m_nPhysical + rng.Range(0, 4)) = rng.Range(5, 20);
    if (rng.Chance(40)) p.m_nLMC = rng.Range(2, 8);
    if (rng.Chance(40)) p.m_nLRC = rng.Range(5, 20);
    if (rng.Chance(40)) p.m_nLuck = rng.Range(20, 150);
    if (rng.Chance(30)) p.m_nDCI = rng.Range(3, 15);
    if (rng.Chance(30)) p.m_nHCI = rng.Range(3, 15);
}

// Armor carries most of the resists and a few bonuses; rings and bracelets carry the bonuses.
inline void MakePool(CBenchPool& pool) {
    CRandom rng(2026);
    for (int k = 0; k < SLOT_COUNT; ++k) {
        int count = k < 6 ? 12 : (k == 6 || k == 10) ? 8 : 0;
        for (int i = 0; i < count; ++i) {
            auto p = std::make_unique<CArmorPiece>();
            p->m_nType = 1 << k;
            if (k < 6) {
                int32_t* resists[5] = {&p->m_nPhysical, &p->m_nFire, &p->m_nCold, &p->m_nPoison, &p->m_nEnergy};
                for (int32_t* r : resists) *r = rng.Range(2, 9);
                for (int extra = rng.Range(1, 3); extra > 0; --extra) *resists[rng.Range(0, 4)] += rng.Range(3, 10);
                p->m_bMedable = rng.Chance(50);
                ArmorBonuses(rng, *p);
            } else {
                JewelBonuses(rng, *p);
            }
            pool.Add(k, std::move(p), "bench piece ");
        }
    }
}

// A well-stocked collection: 20 pieces in each armor slot, 20 rings, 20 bracelets, 6 each of robes, cloaks,
// shields and weapons (3.3 x 10^13 combinations with every slot on). Armor has 0 to 15 in each resist and
// now and then a bonus; shields some resists; the others carry bonuses and now and then one resist.
inline void MakeLargePool(CBenchPool& pool) {
    CRandom rng(1313);
    for (int k = 0; k < SLOT_COUNT; ++k) {
        const int count = k < 6 || k == 6 || k == 10 ? 20 : 6;
        for (int i = 0; i < count; ++i) {
            auto p = std::make_unique<CArmorPiece>();
            p->m_nType = 1 << k;
            int32_t* resists[5] = {&p->m_nPhysical, &p->m_nFire, &p->m_nCold, &p->m_nPoison, &p->m_nEnergy};
            if (k < 6) {
                for (int32_t* r : resists) *r = rng.Range(0, 15);
                p->m_bMedable = rng.Chance(50);
                ArmorBonuses(rng, *p);
            } else if (k == 9) {
                for (int32_t* r : resists)
                    if (rng.Chance(40)) *r = rng.Range(1, 15);
                if (rng.Chance(30)) p->m_nDCI = rng.Range(3, 15);
                if (rng.Chance(20)) p->m_nSR = rng.Range(1, 3);
                if (rng.Chance(20)) p->m_nLuck = rng.Range(20, 100);
            } else {
                JewelBonuses(rng, *p);
                if (rng.Chance(10)) p->m_nSR = rng.Range(1, 3);
            }
            pool.Add(k, std::move(p), "large piece ");
        }
    }
}

// Counts suits and drops them at once.
class CCounter : public ICalcReporter {
public:
    void OnBegin(const CCalcCount&) override {}
    void OnSuit(std::unique_ptr<CArmorSuit>) override { ++found; }
    void OnEnd(const CCalcMsg&) override {}
    int64_t found = 0;
};

// The sample paste's text, empty when it is not to be found: in GORVANTA_SAMPLES, or beside the checkout
// (bench/BenchPools.h -> ../shared/samples).
inline std::string SampleText() {
    const char* dir = std::getenv("GORVANTA_SAMPLES");
    const std::string here = __FILE__;
    const std::string path = dir ? std::string(dir) + "/item-paste.txt"
                                 : here.substr(0, here.rfind('/')) + "/../../shared/samples/item-paste.txt";
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return file ? text.str() : std::string();
}

// The sample paste imported `copies` times, as the import files it: each copy's pieces appended to their
// slots' lists. False when the sample is not to be found.
inline bool MakeSamplePool(CBenchPool& pool, int copies) {
    const std::string text = SampleText();
    if (text.empty()) return false;
    for (int k = 0; k < 11; ++k) ThePieceDefs().Table(k) = PieceDefDefaults(k);
    for (int copy = 0; copy < copies; ++copy)
        for (CParsedLine& line : ParseItemText(text, [] { return true; })) {
            CArmorPiece* p = line.piece.get();
            for (int k = 0; k < SLOT_COUNT; ++k)
                if (p->m_nType == 1 << k) pool.lists[size_t(k)].push_back(p);
            pool.owned.push_back(std::move(line.piece));
        }
    return true;
}

