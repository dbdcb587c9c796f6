// Plans against the plain reference on seeded documents, and assigning a plan.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "PlanReference.h"
#include "core/document/Assignment.h"
#include "core/document/PlanDoc.h"
#include "support/Pools.h"

namespace {

int32_t Pick(std::mt19937& rng, int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng); }
bool Chance(std::mt19937& rng, int percent) { return Pick(rng, 0, 99) < percent; }

CArmorPiece* RandomPiece(std::mt19937& rng, int slot) {
    auto v = [&](int hi) { return Chance(rng, 35) ? 0 : Pick(rng, 0, hi); };
    CArmorPiece* p = NewPiece("p" + std::to_string(Pick(rng, 0, 1 << 20)), 1 << slot);
    SetResists(*p, {v(30), v(30), v(30), v(30), v(30)});
    SetBonus(*p, {v(100), v(8), v(20), v(3), v(3), v(3), v(15), v(15)});
    p->m_bMedable = Chance(rng, 70);
    return p;
}

// A small document: a few slots with one to four pieces (some excluded, pinned or filed in another
// slot's list), characters wearing suits, and a plan of one to five targets that often want alike.
struct CPlanCase {
    CGorvantaDoc doc;
    CPlan plan;
    explicit CPlanCase(uint32_t seed) {
        std::mt19937 rng(seed);
        std::vector<int> slots;
        for (int k = 0; k < SLOT_COUNT; ++k)
            if (Chance(rng, 30)) slots.push_back(k);
        if (slots.empty()) slots.push_back(Pick(rng, 0, SLOT_COUNT - 1));
        while (slots.size() > 4) slots.erase(slots.begin() + Pick(rng, 0, int32_t(slots.size()) - 1));
        for (int k : slots)
            for (int i = Pick(rng, 0, 3); i > 0; --i) {
                CArmorPiece* p = RandomPiece(rng, k);
                if (Chance(rng, 8)) p->m_nMark = Chance(rng, 50) ? PieceMark::Excluded : PieceMark::Pinned;
                // A misfiled piece sits in another slot's list.
                const int list = Chance(rng, 8) ? slots[size_t(Pick(rng, 0, int32_t(slots.size()) - 1))] : k;
                doc.m_arrPool[size_t(list)].push_back(p);
            }
        const char* names[] = {"Ada", "Bo", "Cy", "Di", "Ed", "Fay"};
        for (int c = 0; c < 6; ++c) {
            if (!Chance(rng, 40)) continue;
            auto* suit = new CArmorSuit;
            for (int k : slots)
                if (Chance(rng, 50)) suit->AddPiece(RandomPiece(rng, k));
            suit->CalcTotals();
            suit->m_strCharacter = names[c];
            doc.m_arrSuits.push_back(suit);
            doc.m_arrCharacters.push_back(names[c]);
        }
        plan.m_bWorn = Chance(rng, 50);
        const int targets = Pick(rng, 1, 5);
        for (int t = 0; t < targets; ++t) {
            CPlanTarget target;
            target.m_strName = t % 2 ? names[t] : std::string(1, char(names[t][0] + 32)) + (names[t] + 1);
            CWishes& w = target.m_wishes;
            if (t > 0 && Chance(rng, 35)) {
                w = plan.m_arrTargets.back().m_wishes;  // twins
            } else {
                for (int k : slots) w.UseSlot(k) = Chance(rng, 80);
                auto limit = [&](int hi) { return Chance(rng, 60) ? 0 : Pick(rng, 0, hi); };
                w.m_nLowerLimit = limit(120);
                w.m_nLuckLimit = limit(200);
                w.m_nLMCLimit = limit(12);
                w.m_nDCILimit = limit(20);
                w.m_nMRLimit = limit(4);
                w.m_bMedableOnly = Chance(rng, 20);
                w.m_bBypassResistCap = Chance(rng, 20);
                w.m_nRankBy = Chance(rng, 15) ? 0 : Pick(rng, 1, 15);
                if (Chance(rng, 40)) w.m_nThenBy = Pick(rng, 0, 16);
            }
            plan.m_arrTargets.push_back(target);
        }
    }
};

// Every piece the document holds, once.
std::multiset<const CArmorPiece*> AllPieces(const CGorvantaDoc& doc) {
    std::multiset<const CArmorPiece*> all;
    for (const auto& list : doc.m_arrPool) all.insert(list.begin(), list.end());
    for (const CArmorSuit* s : doc.m_arrSuits) all.insert(s->m_arrPieces.begin(), s->m_arrPieces.end());
    return all;
}

void CheckCase(uint32_t seed, int threads) {
    SCOPED_TRACE(testing::Message() << "seed " << seed << " threads " << threads);
    CPlanCase c(seed);
    // The plan pool the plain way.
    CalcPool want;
    for (size_t k = 0; k < SLOT_COUNT; ++k) want[k] = c.doc.m_arrPool[k];
    std::set<const CArmorSuit*> wornSuits;
    for (const CPlanTarget& t : c.plan.m_arrTargets)
        for (CArmorSuit* s : c.doc.m_arrSuits)
            if (c.plan.m_bWorn && SameCharacterName(s->m_strCharacter, t.m_strName)) {
                if (wornSuits.insert(s).second)
                    for (CArmorPiece* p : s->m_arrPieces) want[size_t(SlotIndexOf(p->m_nType))].push_back(p);
                break;
            }
    const CalcPool pool = PlanPool(c.doc, c.plan);
    ASSERT_EQ(pool, want);

    const CPlanResult ref = RunReferencePlan(c.plan.m_arrTargets, pool);
    std::atomic<int32_t> stop{0};
    // Some runs keep short lists of all candidates, so that the free ones are searched for beside the taken.
    const CPlanResult got = RunPlan({&c.plan.m_arrTargets, &pool, threads, seed % 3 ? int64_t(1) << 17 : 1 + seed % 7}, stop);
    ASSERT_TRUE(got.Usable());
    EXPECT_EQ(stop.load(), 0);
    ASSERT_EQ(got.m_arrPicks.size(), ref.m_arrPicks.size());
    EXPECT_EQ(got.m_nServed, ref.m_nServed);
    for (size_t t = 0; t < ref.m_arrPicks.size(); ++t) {
        SCOPED_TRACE(testing::Message() << "target " << t);
        const CPlanPick &g = got.m_arrPicks[t], &r = ref.m_arrPicks[t];
        EXPECT_EQ(g.m_reason, r.m_reason);
        EXPECT_EQ(g.m_nValue, r.m_nValue);
        EXPECT_EQ(g.m_pos, r.m_pos);
        // A target left out for want of pieces is told who holds them.
        EXPECT_EQ(g.m_reason == PlanReason::Conflict, !g.m_arrHolders.empty());
        for (int h : g.m_arrHolders) EXPECT_TRUE(h < int(t) && got.m_arrPicks[size_t(h)].Served());
    }
    if (threads != 1) return;

    // Assigning it: each served character wears exactly its pick, nothing lost or doubled.
    const auto before = AllPieces(c.doc);
    ASSERT_TRUE(AssignPlan(c.doc, c.plan, pool, got));
    EXPECT_EQ(AllPieces(c.doc), before);
    int number = 0;
    for (size_t t = 0; t < got.m_arrPicks.size(); ++t) {
        const CArmorSuit* s = SuitOfCharacter(c.doc, c.plan.m_arrTargets[t].m_strName);
        const CPlanPick& pick = got.m_arrPicks[t];
        if (!pick.Served()) {
            if (c.plan.m_bWorn) {
                EXPECT_EQ(s, nullptr);
            }
            continue;
        }
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->m_strName, SuitName(number++));
        std::multiset<const CArmorPiece*> wantPieces;
        for (size_t k = 0; k < SLOT_COUNT; ++k)
            if (pick.m_pos[k] != PLAN_NO_PIECE) wantPieces.insert(pool[k][size_t(pick.m_pos[k])]);
        EXPECT_EQ(std::multiset<const CArmorPiece*>(s->m_arrPieces.begin(), s->m_arrPieces.end()), wantPieces);
    }
    // A result whose piece has left the document changes nothing.
    for (const CPlanPick& pick : got.m_arrPicks)
        for (size_t k = 0; k < SLOT_COUNT && pick.Served(); ++k)
            if (pick.m_pos[k] != PLAN_NO_PIECE) {
                CArmorSuit* s = SuitOfCharacter(c.doc, c.plan.m_arrTargets[size_t(&pick - &got.m_arrPicks[0])].m_strName);
                CArmorPiece* gone = pool[k][size_t(pick.m_pos[k])];
                ASSERT_TRUE(DeleteSuitItem(c.doc, s, gone));
                RemoveFromPool(gone, c.doc.PoolListHolding(gone));
                const std::unique_ptr<CArmorPiece> taken(gone);  // out of the document, still alive
                const auto left = AllPieces(c.doc);
                EXPECT_FALSE(AssignPlan(c.doc, c.plan, pool, got));
                EXPECT_EQ(AllPieces(c.doc), left);
                return;
            }
}

TEST(PlanSearch, MatchesThePlainReferenceOnSeededPlans) {
    for (uint32_t seed = 1; seed <= 3000; ++seed) {
        CheckCase(seed, 1);
        if (HasFatalFailure()) return;
    }
}

TEST(PlanSearch, ThreadedRunsMatchToo) {
    for (uint32_t seed = 5000; seed < 5200; ++seed) CheckCase(seed, 2);
}

TEST(PlanSearch, StopsWhenAsked) {
    CGorvantaDoc doc;
    FillPool(doc, 6, 10);
    CPlan plan;
    for (const char* name : {"Ada", "Bo"}) {
        CPlanTarget t{name, {}};
        for (int k = 0; k < 6; ++k) t.m_wishes.UseSlot(k) = 1;
        t.m_wishes.m_nRankBy = 2;
        plan.m_arrTargets.push_back(t);
    }
    const CalcPool pool = PlanPool(doc, plan);
    std::atomic<int32_t> stop{0};
    struct CStopper : IPlanProgress {
        std::atomic<int32_t>* flag;
        int early = 0;
        void OnProgress(const CCalcCount& done, const CCalcCount& total) override {
            if (done < total) flag->store(0), ++early;
        }
    } stopper;
    stopper.flag = &stop;
    const CPlanResult r = RunPlan({&plan.m_arrTargets, &pool, 1}, stop, &stopper);
    ASSERT_GT(stopper.early, 0);
    EXPECT_TRUE(r.m_bStopped);
    EXPECT_FALSE(AssignPlan(doc, plan, pool, r));
}

}  // namespace
