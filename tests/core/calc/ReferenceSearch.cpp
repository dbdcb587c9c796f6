#include "ReferenceSearch.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "core/calc/ResultColumns.h"

namespace {
int32_t Wrap(int32_t a, int32_t b) { return int32_t(uint32_t(a) + uint32_t(b)); }
int32_t Cap(int32_t x) { return x > 70 ? 70 : x; }

struct CRun {
    const CCalcParam& p;
    int32_t lowerLimit;
    std::atomic<int32_t>& running;
    ICalcReporter& reporter;
    CArmorPiece* cur[SLOT_COUNT] = {};
    int64_t examined = 0;
    int64_t found = 0;
    CalcHighest highest{};
    int64_t stopAfter = 0;
    // Ranked runs: the columns, how many suits are listed, and the best suits so far keyed by (minus the
    // value, minus the second column's value, combination number), so that the map's order is the listing
    // order.
    int rankColumn = 0;
    int thenColumn = 0;
    size_t keep = 1;
    std::map<std::tuple<int64_t, int64_t, int64_t>, std::unique_ptr<CArmorSuit>> best{};

    // One combination; false when the loops must be left.
    bool Evaluate() {
        ++examined;
        int32_t phy = 0, fire = 0, cold = 0, poison = 0, energy = 0;
        int32_t luck = 0, lmc = 0, lrc = 0, mr = 0, sr = 0, hr = 0, dci = 0, hci = 0;
        for (int k = 0; k < SLOT_COUNT; ++k) {
            const CArmorPiece* c = cur[k];
            if (!c) continue;
            phy = Wrap(phy, c->m_nPhysical);
            fire = Wrap(fire, c->m_nFire);
            cold = Wrap(cold, c->m_nCold);
            poison = Wrap(poison, c->m_nPoison);
            energy = Wrap(energy, c->m_nEnergy);
            luck = Wrap(luck, c->m_nLuck);
            lmc = Wrap(lmc, c->m_nLMC);
            lrc = Wrap(lrc, c->m_nLRC);
            mr = Wrap(mr, c->m_nMR);
            sr = Wrap(sr, c->m_nSR);
            hr = Wrap(hr, c->m_nHR);
            dci = Wrap(dci, c->m_nDCI);
            hci = Wrap(hci, c->m_nHCI);
        }
        int medable = 1;
        for (int k = 0; k < 6; ++k)
            if (cur[k] && cur[k]->m_bMedable == 0) medable = 0;
        int32_t total = p.m_bBypassResistCap
                            ? Wrap(Wrap(Wrap(Wrap(phy, fire), cold), poison), energy)
                            : Wrap(Wrap(Wrap(Wrap(Cap(phy), Cap(fire)), Cap(cold)), Cap(poison)), Cap(energy));
        if (!(p.m_bMedableOnly && medable == 0)) {
            const int32_t values[HIGH_COUNT] = {total, luck, lmc, lrc, mr, hr, sr, dci, hci};
            for (int i = 0; i < HIGH_COUNT; ++i)
                if (values[i] > highest[size_t(i)]) highest[size_t(i)] = values[i];
            if (total >= lowerLimit && dci >= p.m_nDCILimit && hci >= p.m_nHCILimit && luck >= p.m_nLuckLimit &&
                lmc >= p.m_nLMCLimit && lrc >= p.m_nLRCLimit && hr >= p.m_nHRLimit && sr >= p.m_nSRLimit &&
                mr >= p.m_nMRLimit) {
                if (rankColumn != 0) {
                    // The value the column shows, read from the sums as a suit holds them; the suit itself is
                    // made only for a combination that enters the list.
                    CArmorSuit sums;
                    sums.m_nPhysical = phy;
                    sums.m_nFire = fire;
                    sums.m_nCold = cold;
                    sums.m_nPoison = poison;
                    sums.m_nEnergy = energy;
                    sums.m_nTotalResist = sums.GetTotalResist();
                    sums.m_nLuck = luck;
                    sums.m_nLMC = lmc;
                    sums.m_nLRC = lrc;
                    sums.m_nMR = mr;
                    sums.m_nHR = hr;
                    sums.m_nSR = sr;
                    sums.m_nDCI = dci;
                    sums.m_nHCI = hci;
                    const int32_t value = ResultColumnValue(sums, rankColumn, p.m_bBypassResistCap != 0);
                    const int32_t then = thenColumn ? ResultColumnValue(sums, thenColumn, p.m_bBypassResistCap != 0) : 0;
                    const std::tuple key{-int64_t(value), -int64_t(then), examined};
                    const bool anyPiece =
                        std::any_of(cur, cur + SLOT_COUNT, [](const CArmorPiece* c) { return c != nullptr; });
                    if (anyPiece && (best.size() < keep || key < best.rbegin()->first)) {
                        auto suit = std::make_unique<CArmorSuit>();
                        for (int k = 0; k < SLOT_COUNT; ++k)
                            if (cur[k]) suit->AddPiece(cur[k]);
                        suit->CalcTotals();
                        best.emplace(key, std::move(suit));
                        if (best.size() > keep) best.erase(std::prev(best.end()));
                    }
                } else {
                    auto suit = std::make_unique<CArmorSuit>();
                    for (int k = 0; k < SLOT_COUNT; ++k)
                        if (cur[k]) suit->AddPiece(cur[k]);
                    suit->CalcTotals();
                    if (suit->m_nCount != 0) {
                        suit->m_strName = SuitName(found);
                        ++found;
                        reporter.OnSuit(std::move(suit));
                        if (found >= p.m_nSuitLimit) running.store(0);
                    }
                }
            }
        }
        if (examined == stopAfter) running.store(0);
        return running.load() != 0;
    }
};
}  // namespace

CCalcResult RunReferenceSearch(const CCalcParam& p, const CalcPool& pool, int32_t lowerLimit,
                               std::atomic<int32_t>& running, ICalcReporter& reporter, int64_t stopAfter) {
    running.store(1);
    int n[SLOT_COUNT];
    for (int k = 0; k < SLOT_COUNT; ++k) n[k] = p.UseSlot(k) ? int(pool[size_t(k)].size()) : 0;
    CCalcCount combinations = 1;
    for (int k = 0; k < SLOT_COUNT; ++k) combinations *= uint64_t(n[k] < 1 ? 1 : n[k]);
    reporter.OnBegin(combinations);

    CRun run{p, lowerLimit, running, reporter};
    run.stopAfter = stopAfter;
    run.rankColumn = p.RankColumn();
    run.thenColumn = p.ThenColumn();
    run.keep = size_t(std::max(p.m_nSuitLimit, 1));
    CArmorPiece** cur = run.cur;
    const auto& L = pool;
    // Each level: one pass with no piece when the slot has no candidates.
#define LEVEL_BEGIN(k)   \
    int i##k = 0;        \
    do {                 \
        cur[k] = nullptr; \
        if (n[k] > 0) cur[k] = L[k][size_t(i##k++)];
#define LEVEL_END(k) \
    }                \
    while (i##k < n[k]);

    LEVEL_BEGIN(0)
    LEVEL_BEGIN(1)
    LEVEL_BEGIN(2)
    LEVEL_BEGIN(3)
    LEVEL_BEGIN(4)
    LEVEL_BEGIN(5)
    LEVEL_BEGIN(6)
    LEVEL_BEGIN(7)
    LEVEL_BEGIN(8)
    LEVEL_BEGIN(9)
    LEVEL_BEGIN(10)
    LEVEL_BEGIN(11)
    if (!run.Evaluate()) goto done;
    LEVEL_END(11)
    LEVEL_END(10)
    LEVEL_END(9)
    LEVEL_END(8)
    LEVEL_END(7)
    LEVEL_END(6)
    LEVEL_END(5)
    LEVEL_END(4)
    LEVEL_END(3)
    LEVEL_END(2)
    LEVEL_END(1)
    LEVEL_END(0)
#undef LEVEL_BEGIN
#undef LEVEL_END
done:
    // A stop during the listing ends it; a run stopped before lists the best of what it examined.
    const bool stoppedBefore = running.load() == 0;
    for (auto& [key, suit] : run.best) {
        if (!stoppedBefore && running.load() == 0) break;
        suit->m_strName = SuitName(run.found++);
        reporter.OnSuit(std::move(suit));
    }
    CCalcResult result;
    result.m_nCombinations = combinations;
    result.m_nExamined = run.examined;
    result.m_nFound = run.found;
    result.m_arrHighest = run.highest;
    result.m_strSummary = FormatSummary(run.examined, run.found, p, lowerLimit, run.highest);
    CCalcMsg end;
    end.m_nSuitsFound = run.found;
    end.m_nCombinations = combinations;
    end.m_strSummary = result.m_strSummary;
    reporter.OnEnd(end);
    running.store(0);
    return result;
}

std::array<std::optional<int32_t>, HIGH_COUNT> ReferenceReach(const CCalcParam& param, const CalcPool& pool,
                                                               int32_t lowerLimit) {
    struct CMost : ICalcReporter {
        int column = 0;
        bool bypass = false;
        std::optional<int32_t> most;
        void OnBegin(const CCalcCount&) override {}
        void OnSuit(std::unique_ptr<CArmorSuit> suit) override {
            const int32_t v = ResultColumnValue(*suit, column, bypass);
            most = std::max(most.value_or(v), v);
        }
        void OnEnd(const CCalcMsg&) override {}
    };
    static const int kColumns[HIGH_COUNT] = {6, 8, 9, 10, 11, 12, 13, 14, 15};
    static int32_t CCalcParam::*const kMinimums[HIGH_COUNT] = {
        nullptr,           &CCalcParam::m_nLuckLimit, &CCalcParam::m_nLMCLimit, &CCalcParam::m_nLRCLimit, &CCalcParam::m_nMRLimit,
        &CCalcParam::m_nHRLimit, &CCalcParam::m_nSRLimit,   &CCalcParam::m_nDCILimit, &CCalcParam::m_nHCILimit};
    std::array<std::optional<int32_t>, HIGH_COUNT> reach;
    for (int h = 0; h < HIGH_COUNT; ++h) {
        CCalcParam p = param;
        p.m_nRankBy = 0;
        p.m_nSuitLimit = INT32_MAX;
        if (kMinimums[h]) p.*kMinimums[h] = INT32_MIN;
        CMost most;
        most.column = kColumns[h];
        most.bypass = p.m_bBypassResistCap != 0;
        std::atomic<int32_t> running{0};
        RunReferenceSearch(p, pool, h == 0 ? INT32_MIN : lowerLimit, running, most);
        reach[size_t(h)] = most.most;
    }
    return reach;
}
