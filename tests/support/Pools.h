#pragma once
// Pools, pieces, suits and documents built by tests: for the search, the window program and the
// command-line tool alike (standard library only).
#include <array>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/calc/CalcEngine.h"
#include "core/calc/Settings.h"
#include "core/document/GorvantaDoc.h"
#include "core/model/Archive.h"
#include "core/model/ArmorPiece.h"
#include "core/model/ArmorSuit.h"

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

// A block with the given slots switched on, no minimums and a suit limit.
inline std::unique_ptr<CCalcParam> ParamFor(std::initializer_list<int> slotList, int32_t suitLimit = 100000) {
    auto p = std::make_unique<CCalcParam>();
    for (int slot : slotList) p->UseSlot(slot) = 1;
    p->m_nSuitLimit = suitLimit;
    return p;
}
// A piece with a text, a slot type and a few distinct values.
inline CArmorPiece* NewPiece(const std::string& text, int32_t type, int32_t seed = 1) {
    auto* p = new CArmorPiece;
    p->m_strText = text;
    const int k = SlotIndexOf(type);
    p->m_strTypeName = k >= 0 ? SlotTypeName(k) : "";
    p->m_nType = type;
    SetResists(*p, {seed, seed + 1, seed + 2, seed + 3, seed + 4});
    SetBonus(*p, {seed * 10, seed + 5, seed + 6, seed + 7, seed + 9, seed + 8, seed + 10, seed + 11});
    p->m_bMedable = seed % 2;
    return p;
}
inline CArmorPiece* AddPoolPiece(CGorvantaDoc& doc, const std::string& text, int32_t type, int32_t seed = 1) {
    CArmorPiece* p = NewPiece(text, type, seed);
    doc.PoolListFor(type)->push_back(p);
    return p;
}
// A piece read from a line of item text, as the import makes it.
inline CArmorPiece* ParsedPiece(const std::string& line) {
    auto* p = new CArmorPiece;
    p->ParseText(line);
    return p;
}
// Adds the piece (or the piece read from the line) to its pool list; returns it.
inline CArmorPiece* AddToPool(CGorvantaDoc& doc, CArmorPiece* piece) {
    doc.PoolListFor(piece->m_nType)->push_back(piece);
    return piece;
}
inline CArmorPiece* AddToPool(CGorvantaDoc& doc, const std::string& line) { return AddToPool(doc, ParsedPiece(line)); }
// A piece of the given type with these resists and bonuses, added to the pool.
inline CArmorPiece* AddPiece(CGorvantaDoc& doc, const std::string& text, int32_t type, std::array<int32_t, 5> r,
                             std::array<int32_t, 8> bonus = {}) {
    auto* p = new CArmorPiece;
    p->m_strText = text;
    p->m_nType = type;
    SetResists(*p, r);
    SetBonus(*p, bonus);
    return AddToPool(doc, p);
}
// n medable pieces in each of the first slotCount slots, values varying so that every column has ties.
inline void FillPool(CGorvantaDoc& doc, int slotCount, int n) {
    for (int k = 0; k < slotCount; ++k)
        for (int i = 0; i < n; ++i)
            AddPiece(doc, "piece " + std::to_string(k) + "." + std::to_string(i), 1 << k,
                     {(i * 7 + k) % 30, (i * 3) % 25, (i * 5 + k) % 20, (i * 11) % 35, (i * 13) % 28},
                     {i * 10, 0, 0, 0, i, 0, 0, 0})
                ->m_bMedable = 1;
}
// A pool of eight pieces of five types, as item text.
inline std::vector<std::string> PoolLines() {
    return {"platemail gloves, poison resist 20%, physical resist 10%, energy resist 16%",
            "ringmail gloves, lower reagent cost 8%, cold resist 13%",
            "gold ring, fire resist 8%, lower reagent cost 5%, hit chance increase 5%",
            "silver ring, energy resist 12%, lower mana cost 4%",
            "leather tunic, luck 40 , fire resist 18%, cold resist 14%",
            "close helmet, physical resist 9%, fire resist 4%",
            "bone helmet, cold resist 11%, luck 60 ",
            "platemail gorget, energy resist 7%, mana regeneration 2 "};
}
inline void AddPool(CGorvantaDoc& doc) {
    for (const std::string& line : PoolLines()) AddToPool(doc, line);
}
// A result suit with the given sums and name.
inline std::unique_ptr<CArmorSuit> MakeSuit(const std::string& name, std::array<int32_t, 5> resists,
                                            std::array<int32_t, 8> bonus = {}) {
    auto s = std::make_unique<CArmorSuit>();
    s->m_strName = name;
    SetResists(*s, resists);
    SetBonus(*s, bonus);
    return s;
}
// A result suit of the given pieces, with its totals.
inline std::unique_ptr<CArmorSuit> ResultSuit(const std::string& name, std::initializer_list<CArmorPiece*> pieces) {
    auto s = std::make_unique<CArmorSuit>();
    for (CArmorPiece* p : pieces) s->AddPiece(p);
    s->CalcTotals();
    s->m_strName = name;
    return s;
}
// A suit assigned to the character, of pieces read from item text.
inline CArmorSuit* AddSuit(CGorvantaDoc& doc, const std::string& character, const std::vector<std::string>& lines) {
    auto* suit = new CArmorSuit;
    suit->m_strCharacter = character;
    suit->m_strName = "Suit 00000";
    for (const std::string& line : lines) suit->AddPiece(ParsedPiece(line));
    suit->CalcTotals();
    doc.m_arrSuits.push_back(suit);
    doc.m_arrCharacters.push_back(character);
    return suit;
}
// Two suits of three pieces each.
inline void AddTwoSuits(CGorvantaDoc& doc) {
    AddSuit(doc, "Varn", {"platemail helm, physical resist 8%, fire resist 5%", "platemail gorget, cold resist 7%",
                          "platemail gloves, poison resist 9%, energy resist 3%"});
    AddSuit(doc, "Holt", {"leather cap, luck 40 , fire resist 6%", "gold ring, lower reagent cost 10%",
                          "studded tunic, physical resist 12%, energy resist 8%"});
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
