#include "PlanDoc.h"

#include <algorithm>

#include "Assignment.h"

CalcPool PlanPool(const CGorvantaDoc& doc, const CPlan& plan) {
    CalcPool pool;
    for (size_t k = 0; k < pool.size(); ++k) pool[k] = doc.m_arrPool[k];
    if (!plan.m_bWorn) return pool;
    std::vector<const CArmorSuit*> seen;  // two targets can never share a suit, but a file can be odd
    for (const CPlanTarget& t : plan.m_arrTargets) {
        const CArmorSuit* suit = SuitOfCharacter(doc, t.m_strName);
        if (!suit || std::find(seen.begin(), seen.end(), suit) != seen.end()) continue;
        seen.push_back(suit);
        for (CArmorPiece* p : suit->m_arrPieces) {
            const int k = p ? SlotIndexOf(p->m_nType) : -1;
            if (k >= 0) pool[size_t(k)].push_back(p);
        }
    }
    return pool;
}

bool AssignPlan(CGorvantaDoc& doc, const CPlan& plan, const CalcPool& pool, const CPlanResult& result) {
    if (!result.Usable() || result.m_arrPicks.size() != plan.m_arrTargets.size()) return false;
    const size_t n = plan.m_arrTargets.size();
    // Which suits are released: every plan character's when worn, the served ones' otherwise.
    std::vector<CArmorSuit*> released;
    for (size_t t = 0; t < n; ++t) {
        if (!plan.m_bWorn && !result.m_arrPicks[t].Served()) continue;
        if (CArmorSuit* s = SuitOfCharacter(doc, plan.m_arrTargets[t].m_strName)) released.push_back(s);
    }
    // Every piece the picks use must still be free, or in a suit that is released: checked before anything
    // moves, so that a stale result changes nothing.
    std::vector<const CArmorPiece*> used;
    for (const CPlanPick& pick : result.m_arrPicks) {
        if (!pick.Served()) continue;
        for (size_t k = 0; k < SLOT_COUNT; ++k) {
            const int32_t i = pick.m_pos[k];
            if (i == PLAN_NO_PIECE) continue;
            if (i < 0 || size_t(i) >= pool[k].size() || !pool[k][size_t(i)]) return false;
            const CArmorPiece* p = pool[k][size_t(i)];
            if (std::find(used.begin(), used.end(), p) != used.end()) return false;
            used.push_back(p);
            const bool free = doc.PoolListHolding(p) != nullptr;
            const bool worn = std::any_of(released.begin(), released.end(), [p](const CArmorSuit* s) {
                return std::find(s->m_arrPieces.begin(), s->m_arrPieces.end(), p) != s->m_arrPieces.end();
            });
            if (!free && !worn) return false;
            // A released piece must find its way back into the pool to be taken again.
            if (!free && !doc.PoolListFor(p->m_nType)) return false;
        }
    }
    // Build the new suits first: a failure to allocate then leaves the document as it was.
    std::vector<std::unique_ptr<CArmorSuit>> suits;
    int64_t number = 0;
    for (const CPlanPick& pick : result.m_arrPicks)
        suits.push_back(pick.Served() ? MakePlanSuit(pool, pick, SuitName(number++)) : nullptr);
    const std::vector<CArmorSuit*> order = doc.m_arrSuits;  // released in the document's order
    for (CArmorSuit* s : order)
        if (std::find(released.begin(), released.end(), s) != released.end()) ReleaseAssignedSuit(doc, s);
    for (size_t t = 0; t < n; ++t)
        if (suits[t]) AddAssignedSuit(doc, suits[t].release(), plan.m_arrTargets[t].m_strName);
    doc.SetModifiedFlag(true);
    return true;
}
