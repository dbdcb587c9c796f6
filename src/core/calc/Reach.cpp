#include "Reach.h"

#include "core/calc/ResultColumns.h"

#include <limits>
#include <memory>

namespace {
// The results column that shows a minimum's attribute.
int ColumnOfHigh(int high) {
    if (high == HIGH_TOTAL) return 6;
    return PropertyOfHigh(high)->column;
}

class CBestOnly : public ICalcReporter {
public:
    void OnBegin(const CCalcCount&) override {}
    void OnSuit(std::unique_ptr<CArmorSuit> suit) override {
        if (!m_pSuit) m_pSuit = std::move(suit);
    }
    void OnEnd(const CCalcMsg&) override {}
    std::unique_ptr<CArmorSuit> m_pSuit;
};
}  // namespace

CalcReach MinimumReach(const CCalcParam& param, const CalcPool& pool, int32_t lowerLimit, int threads) {
    CalcReach reach;
    const int32_t none = std::numeric_limits<int32_t>::min();
    for (int h = 0; h < HIGH_COUNT; ++h) {
        CCalcParam one = param;
        int32_t oneLower = lowerLimit;
        if (h == HIGH_TOTAL)
            oneLower = none;
        else
            for (const SettingDef& d : kSettingTable)
                if (d.high == h) one.*d.param = none;
        one.m_nRankBy = ColumnOfHigh(h);
        one.m_nThenBy = 0;
        one.m_nSuitLimit = 1;
        std::atomic<int32_t> running{0};
        CBestOnly best;
        RunCalculation(one, pool, oneLower, running, best, threads);
        if (best.m_pSuit)
            reach[size_t(h)] = ResultColumnValue(*best.m_pSuit, one.m_nRankBy, param.m_bBypassResistCap != 0);
    }
    return reach;
}

std::string ExplainNothing(const CCalcParam& param, const CalcPool& pool, int32_t lowerLimit, const CalcReach& reach) {
    const CalcHighest limits = SummaryLimits(param, lowerLimit);
    std::string lower;
    for (int h = 0; h < HIGH_COUNT; ++h) {
        const std::optional<int32_t>& r = reach[size_t(h)];
        if (!r || *r >= limits[size_t(h)]) continue;
        lower += lower.empty() ? "" : ", ";
        lower += std::string(SummaryRow(h)) + " " + std::to_string(*r) + " (you asked " +
                 std::to_string(limits[size_t(h)]) + ")";
    }
    // What lowering no minimum mends.
    std::string empty, unmedable;
    bool anyPieces = false;
    for (int k = 0; k < SLOT_COUNT; ++k) {
        if (!param.UseSlot(k)) continue;
        const auto& list = pool[size_t(k)];
        auto name = [&](std::string& to) { to += (to.empty() ? "" : ", ") + std::string(SlotTypeName(k)); };
        if (list.empty()) {
            name(empty);
            continue;
        }
        anyPieces = true;
        if (param.m_bMedableOnly && k < 6) {
            bool medable = false;
            for (const CArmorPiece* p : list) medable |= p->m_bMedable != 0;
            if (!medable) name(unmedable);
        }
    }
    std::string text;
    auto add = [&](const std::string& line) { text += (text.empty() ? "" : "\n") + line; };
    if (!lower.empty())
        add("Lower one of these to the value shown and suits qualify: " + lower + ".");
    else if (anyPieces && unmedable.empty())
        add("No one minimum can be lowered to get suits: two or more must be lowered.");
    if (!unmedable.empty())
        add("Only medable suits count, and no combination is medable: no medable piece among the " + unmedable + ".");
    if (!anyPieces)
        add("No switched-on slot has pieces.");
    else if (!empty.empty())
        add("These switched-on slots have no pieces: " + empty + ".");
    return text;
}

std::string FullListLine(int32_t suitLimit) {
    return "Only the best " + std::to_string(suitLimit < 1 ? 1 : suitLimit) + " are listed; more suits may meet the limits.";
}
