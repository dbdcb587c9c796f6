// The engine against the plain twelve-loop search on seeded random pools and settings.
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "ReferenceSearch.h"
#include "SearchTestSupport.h"
#include "calc/ReducedPool.h"

namespace {

struct CCase {
    CTestPool pool;
    CCalcParam param = OpenParam();
    int32_t lowerLimit = 0;
    int64_t stopAfterSuits = -1;
    bool stopAtBegin = false;
};

int32_t Pick(std::mt19937& rng, int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng); }
bool Chance(std::mt19937& rng, int percent) { return Pick(rng, 0, 99) < percent; }

// Every value the search reads, and the medable flag where asked.
void CopyValues(CArmorPiece& to, const CArmorPiece& from, bool medable) {
    SetResists(to, {from.m_nPhysical, from.m_nFire, from.m_nCold, from.m_nPoison, from.m_nEnergy});
    SetBonus(to, {from.m_nLuck, from.m_nLMC, from.m_nLRC, from.m_nMR, from.m_nHR, from.m_nSR, from.m_nDCI, from.m_nHCI});
    if (medable) to.m_bMedable = from.m_bMedable;
}

// Small pools (at most a few thousand combinations) so that thousands of cases run in seconds. With
// `copies`, slots hold more pieces and three in four of them take the values of an earlier piece of their
// slot (mostly with its medable flag too).
void MakeCase(uint32_t seed, CCase& c, bool copies = false) {
    std::mt19937 rng(seed);
    const bool huge = Chance(rng, 10);  // one property with values near the 32-bit bounds: sums wrap
    const int hugeLane = Pick(rng, 0, 12);
    const bool negative = Chance(rng, 30);  // negative values lower sums
    int64_t combinations = 1;
    for (int k = 0; k < SLOT_COUNT; ++k) {
        c.param.UseSlot(k) = Chance(rng, k < 6 ? 75 : 35) ? Pick(rng, 1, 3) : 0;
        int count = Chance(rng, 15) ? 0 : Pick(rng, 1, copies ? 12 : 7);
        if (c.param.UseSlot(k) && count > 0) {
            if (combinations * count > 20000) count = int(std::max<int64_t>(1, 20000 / combinations));
            combinations *= count;
        }
        for (int i = 0; i < count; ++i) {
            int lane = 0;
            auto value = [&](int32_t lo, int32_t hi) {
                if (huge && lane++ == hugeLane && Chance(rng, 60))
                    return Chance(rng, 70) ? Pick(rng, 1 << 30, INT32_MAX) : Pick(rng, INT32_MIN, -(1 << 30));
                if (negative && Chance(rng, 15)) return Pick(rng, -20, -1);
                return Chance(rng, 40) ? 0 : Pick(rng, lo, hi);
            };
            CArmorPiece* p = c.pool.Add(k, {value(0, 25), value(0, 25), value(0, 25), value(0, 25), value(0, 25)},
                                        Chance(rng, 65) ? 1 : 0);
            p->m_nLuck = value(0, 120);
            p->m_nLMC = value(0, 8);
            p->m_nLRC = value(0, 20);
            p->m_nMR = value(0, 3);
            p->m_nSR = value(0, 3);
            p->m_nHR = value(0, 3);
            p->m_nDCI = value(0, 15);
            p->m_nHCI = value(0, 15);
        }
        auto& list = c.pool.lists[size_t(k)];
        for (size_t i = 1; copies && i < list.size(); ++i)
            if (Chance(rng, 75)) CopyValues(*list[i], *list[size_t(Pick(rng, 0, int32_t(i) - 1))], Chance(rng, 80));
    }
    c.param.m_bBypassResistCap = Chance(rng, 30) ? Pick(rng, 1, 5) : 0;
    c.param.m_bMedableOnly = Chance(rng, 30) ? 1 : 0;

    // Minimums near the sums of one random combination, so that some combinations qualify and some fail.
    int64_t sums[9] = {};
    for (int k = 0; k < SLOT_COUNT; ++k) {
        const auto& list = c.pool.lists[size_t(k)];
        if (!c.param.UseSlot(k) || list.empty()) continue;
        const CArmorPiece* p = list[size_t(Pick(rng, 0, int32_t(list.size()) - 1))];
        sums[0] += std::min(70, p->m_nPhysical) / 2 + std::min(70, p->m_nFire) / 2 + std::min(70, p->m_nCold) / 2 +
                   std::min(70, p->m_nPoison) / 2 + std::min(70, p->m_nEnergy) / 2;
        sums[1] += p->m_nLuck / 2;
        sums[2] += p->m_nLMC / 2;
        sums[3] += p->m_nLRC / 2;
        sums[4] += p->m_nMR / 2;
        sums[5] += p->m_nHR / 2;
        sums[6] += p->m_nSR / 2;
        sums[7] += p->m_nDCI / 2;
        sums[8] += p->m_nHCI / 2;
    }
    auto limit = [&](int64_t near) {
        int r = Pick(rng, 0, 9);
        if (r < 4) return 0;
        if (r < 5) return Pick(rng, -30, -1);
        return int32_t(std::clamp<int64_t>(near + Pick(rng, -6, 6), INT32_MIN, INT32_MAX));
    };
    c.lowerLimit = Chance(rng, 10) ? Pick(rng, -50, 0) : limit(sums[0]);
    c.param.m_nLuckLimit = limit(sums[1]);
    c.param.m_nLMCLimit = limit(sums[2]);
    c.param.m_nLRCLimit = limit(sums[3]);
    c.param.m_nMRLimit = limit(sums[4]);
    c.param.m_nHRLimit = limit(sums[5]);
    c.param.m_nSRLimit = limit(sums[6]);
    c.param.m_nDCILimit = limit(sums[7]);
    c.param.m_nHCILimit = limit(sums[8]);
    static const int32_t kSuitLimits[] = {-3, 0, 1, 2, 3, 7, 50, 1000000};
    c.param.m_nSuitLimit = kSuitLimits[Pick(rng, 0, 7)];

    int stop = Pick(rng, 0, 99);
    if (stop < 5)
        c.stopAtBegin = true;
    else if (stop < 40)
        c.stopAfterSuits = Pick(rng, 1, 6);
}

CCalcResult Reference(const CCase& c, CRecorder& rec, std::atomic<int32_t>& running) {
    rec.m_bStopAtBegin = c.stopAtBegin;
    rec.m_nStopAfterSuits = c.stopAfterSuits;
    return RunReferenceSearch(c.param, c.pool.lists, c.lowerLimit, running, rec);
}

CCalcResult Engine(const CCase& c, CRecorder& rec, std::atomic<int32_t>& running, int threads, int64_t target) {
    rec.m_bStopAtBegin = c.stopAtBegin;
    rec.m_nStopAfterSuits = c.stopAfterSuits;
    CCalcTuning tuning;
    tuning.m_nChunkTarget = target;
    return RunCalculation(c.param, c.pool.lists, c.lowerLimit, running, rec, threads, tuning);
}

void CompareCase(uint32_t seed, int threads, int64_t target, bool copies = false) {
    CCase c;
    MakeCase(seed, c, copies);
    std::atomic<int32_t> running{0};
    CRecorder want(running);
    CCalcResult wantResult = Reference(c, want, running);
    EXPECT_EQ(running.load(), 0);
    running.store(0);
    CRecorder got(running);
    CCalcResult gotResult = Engine(c, got, running, threads, target);
    EXPECT_EQ(running.load(), 0);
    SCOPED_TRACE(testing::Message() << "seed " << seed << " threads " << threads << " chunk target " << target);
    ExpectSameRun(wantResult, want, gotResult, got);
}

const int64_t kTargets[] = {1, 2, 7, 64, 1024};

}  // namespace

TEST(SearchDifferential, SequentialMatchesReference) {
    for (uint32_t seed = 1; seed <= 2500; ++seed) {
        CompareCase(seed, 1, kTargets[seed % 5]);
        if (HasFailure()) return;
    }
}

TEST(SearchDifferential, ParallelMatchesReference) {
    for (uint32_t seed = 5001; seed <= 6500; ++seed) {
        CompareCase(seed, 2 + int(seed % 3), kTargets[seed % 5]);
        if (HasFailure()) return;
    }
}

// Pools full of identical pieces: searching a class of equal pieces once where it lists nothing must change
// nothing that is reported, in any order of chunks and threads.
TEST(SearchDifferential, PoolsOfCopiesMatchReference) {
    for (uint32_t seed = 9001; seed <= 11000; ++seed) {
        CompareCase(seed, 1 + int(seed % 4), kTargets[seed % 5], true);
        if (HasFailure()) return;
    }
}

// A Stop from another thread at an arbitrary moment: whatever the engine reports must be the state the
// plain search has after exactly that many combinations. Three pools: one where pruning is weak (every
// piece has either luck or lower mana cost, both are asked for), one whose sums may wrap (no pruning), one
// where each slot's pieces are copies of three.
TEST(SearchDifferential, StopFromOutsideEndsAtAConsistentPoint) {
    for (const std::string shape : {"weak pruning", "wrapping", "copies"}) {
        const bool wrapping = shape == "wrapping";
        CTestPool pool;
        std::mt19937 rng(77);
        for (int k = 0; k < 8; ++k)
            for (int i = 0; i < 8; ++i) {
                CArmorPiece* p = pool.Add(
                    k, {Pick(rng, 0, 15), Pick(rng, 0, 15), Pick(rng, 0, 15), Pick(rng, 0, 15), Pick(rng, 0, 15)},
                    Pick(rng, 0, 1));
                if (Chance(rng, 50))
                    p->m_nLuck = Pick(rng, 0, 50);
                else
                    p->m_nLMC = Pick(rng, 0, 6);
            }
        if (wrapping) pool.lists[0][0]->m_nHCI = pool.lists[1][0]->m_nHCI = INT32_MAX;
        for (auto& list : pool.lists)
            for (size_t i = 3; shape == "copies" && i < list.size(); ++i) CopyValues(*list[i], *list[i % 3], true);
        CCalcParam param = OpenParam();
        for (int k = 0; k < 8; ++k) param.UseSlot(k) = 1;
        param.m_nLuckLimit = 150;
        param.m_nLMCLimit = 16;
        const int32_t lowerLimit = 150;

        for (int threads : {1, 2}) {
            SCOPED_TRACE(testing::Message() << shape << ", threads " << threads);
            std::atomic<int32_t> running{0};
            CRecorder got(running);
            std::thread stopper([&] {
                while (running.load() == 0) std::this_thread::yield();
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                running.store(0);
            });
            CCalcResult r = RunCalculation(param, pool.lists, lowerLimit, running, got, threads);
            stopper.join();
            ASSERT_GE(r.m_nExamined, 1);
            if (r.m_nExamined == r.m_nCombinations) std::printf("note: the run ended before the stop\n");

            std::atomic<int32_t> refRunning{0};
            CRecorder want(refRunning);
            CCalcResult w = RunReferenceSearch(param, pool.lists, lowerLimit, refRunning, want, r.m_nExamined.Clamped64());
            EXPECT_EQ(r.m_nExamined, w.m_nExamined);
            EXPECT_EQ(r.m_nFound, w.m_nFound);
            EXPECT_EQ(r.m_arrHighest, w.m_arrHighest);
            EXPECT_EQ(r.m_strSummary, w.m_strSummary);
            EXPECT_EQ(running.load(), 0);
            ASSERT_EQ(got.suits.size(), want.suits.size());
            for (size_t i = 0; i < got.suits.size(); ++i) {
                EXPECT_EQ(got.suits[i]->m_strName, want.suits[i]->m_strName);
                EXPECT_EQ(got.suits[i]->m_arrPieces, want.suits[i]->m_arrPieces);
            }
        }
    }
}

// Exclude and pin marks on the same random cases: the engine on the reduced pool against the plain search
// on that pool (stops and suit limits included), and against the plain search over the whole pool keeping
// only the suits that avoid every excluded piece and take each switched-on slot's pin.
TEST(SearchDifferential, MarkedPoolsMatchTheReferenceReducedAndFiltered) {
    for (uint32_t seed = 7001; seed <= 7600; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        CCase c;
        MakeCase(seed, c);
        std::mt19937 rng(seed);
        std::array<const CArmorPiece*, SLOT_COUNT> pins{};
        CCalcParam whole = c.param;
        whole.m_nSuitLimit = INT32_MAX;
        for (int k = 0; k < SLOT_COUNT; ++k) {
            auto& list = c.pool.lists[size_t(k)];
            const int pin = !list.empty() && Chance(rng, 30) ? Pick(rng, 0, int32_t(list.size()) - 1) : -1;
            const int excluded = Chance(rng, 15) ? 100 : Pick(rng, 0, 50);
            for (int i = 0; i < int(list.size()); ++i)
                list[size_t(i)]->m_nMark = i == pin ? PieceMark::Pinned
                                                    : Chance(rng, excluded) ? PieceMark::Excluded : PieceMark::None;
            if (pin >= 0 && c.param.UseSlot(k)) pins[size_t(k)] = list[size_t(pin)];
            // A slot with every piece excluded takes part as a slot without pieces.
            if (std::all_of(list.begin(), list.end(), [](auto* p) { return p->m_nMark == PieceMark::Excluded; }))
                whole.UseSlot(k) = 0;
        }
        const CalcPool full = c.pool.lists;
        c.pool.lists = ReducedPool(full);

        std::atomic<int32_t> running{0};
        CRecorder want(running), got(running);
        const CCalcResult w = Reference(c, want, running);
        const CCalcResult g = Engine(c, got, running, 1 + int(seed % 3), kTargets[seed % 5]);
        ExpectSameRun(w, want, g, got);

        CRecorder all(running), reduced(running);
        RunReferenceSearch(whole, full, c.lowerLimit, running, all);
        RunCalculation(c.param, c.pool.lists, c.lowerLimit, running, reduced, 2);
        std::vector<const CArmorSuit*> kept;
        for (const auto& suit : all.suits) {
            const auto& in = suit->m_arrPieces;
            const bool avoids = std::none_of(in.begin(), in.end(), [](auto* p) { return p->m_nMark == PieceMark::Excluded; });
            const bool pinned = std::all_of(pins.begin(), pins.end(), [&in](const CArmorPiece* pin) {
                return !pin || std::find(in.begin(), in.end(), pin) != in.end();
            });
            if (avoids && pinned) kept.push_back(suit.get());
        }
        const size_t listed = std::min(kept.size(), size_t(std::max(c.param.m_nSuitLimit, 1)));
        ASSERT_EQ(reduced.suits.size(), listed);
        for (size_t i = 0; i < listed; ++i) {
            EXPECT_EQ(reduced.suits[i]->m_arrPieces, kept[i]->m_arrPieces) << "suit " << i;
            EXPECT_EQ(reduced.suits[i]->m_strName, SuitName(int64_t(i))) << "suit " << i;
        }
        if (HasFailure()) return;
    }
}
