#include "PlanText.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "Assignment.h"
#include "PlanDoc.h"
#include "core/calc/Settings.h"
#include "core/model/ArmorSuit.h"
#include "core/model/Properties.h"

namespace {
constexpr int EFF_TOTAL_COLUMN = 6;
constexpr int ACT_TOTAL_COLUMN = 7;
constexpr int32_t RESIST_CAP = 70;

// The results column a minimum compares against.
int ColumnOfMinimum(const SettingDef& d) {
    if (d.high == HIGH_TOTAL) return EFF_TOTAL_COLUMN;
    const PropertyDef* p = PropertyOfHigh(d.high);
    return p ? p->column : -1;
}

std::string Join(const std::vector<std::string>& parts) {
    std::string out;
    for (const std::string& p : parts) {
        if (!out.empty()) out += ", ";
        out += p;
    }
    return out;
}

bool IsResistColumn(int column) {
    const PropertyDef* p = PropertyOfColumn(column);
    return p && p->high < 0;
}
}  // namespace

std::string WishesSummary(const CWishes& w) {
    std::vector<std::pair<int, std::string>> minimums;
    for (const SettingDef& d : kSettingTable) {
        if (!d.wish || d.high < 0 || w.*d.wish <= 0) continue;
        const int column = ColumnOfMinimum(d);
        if (column < 0) continue;
        minimums.emplace_back(column, std::string(ResultColumnHeadings()[size_t(column)]) + " >= " +
                                          std::to_string(w.*d.wish));
    }
    std::stable_sort(minimums.begin(), minimums.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> parts;
    for (auto& m : minimums) parts.push_back(std::move(m.second));
    if (parts.empty()) parts.push_back("no minimums");
    if (w.m_bMedableOnly) parts.push_back("medable");
    if (w.m_bBypassResistCap) parts.push_back("no resist cap");
    const int rank = w.RankColumn();
    parts.push_back(rank ? std::string("best by ") + ResultColumnHeadings()[size_t(rank)] : std::string("as found"));
    return Join(parts);
}

std::string WishesSlots(const CWishes& w) {
    std::vector<std::string> slots;
    for (const SettingDef& d : kSettingTable) {
        if (!d.wish || d.slot < 0 || !(w.*d.wish)) continue;
        std::string_view name = d.name;
        if (name.substr(0, 4) == "Use ") name.remove_prefix(4);
        slots.emplace_back(name);
    }
    return slots.empty() ? std::string("none") : Join(slots);
}

std::string PlanReasonText(const CPlan& plan, const CPlanPick& pick) {
    switch (pick.m_reason) {
        case PlanReason::Served: return {};
        case PlanReason::Unreachable: return "no suit meets these wishes even alone";
        case PlanReason::Conflict: break;
    }
    std::vector<std::string> holders;
    for (int t : pick.m_arrHolders)
        if (t >= 0 && size_t(t) < plan.m_arrTargets.size()) holders.push_back(plan.m_arrTargets[size_t(t)].m_strName);
    std::string text = "needs pieces taken by a higher character";
    if (!holders.empty()) text += " (" + Join(holders) + ")";
    return text;
}

std::array<CColumnDiff, RESULT_COLUMN_COUNT> ColumnDiffs(const CArmorSuit& planned, const CArmorSuit& current,
                                                         bool bypassCap) {
    std::array<CColumnDiff, RESULT_COLUMN_COUNT> diffs{};
    for (int n = 1; n < RESULT_COLUMN_COUNT; ++n) {
        const int64_t d =
            int64_t(ResultColumnValue(planned, n, bypassCap)) - int64_t(ResultColumnValue(current, n, bypassCap));
        CColumnDiff& c = diffs[size_t(n)];
        c.delta = int32_t(std::clamp<int64_t>(d, INT32_MIN, INT32_MAX));
        // Points over the cap make the actual total say more than the suit gives.
        const bool wasted = OverCap(planned, n, bypassCap) > 0 || OverCap(current, n, bypassCap) > 0;
        if (n == ACT_TOTAL_COLUMN && wasted && c.delta)
            c.sense = DiffSense::Neutral;
        else
            c.sense = c.delta > 0 ? DiffSense::Better : (c.delta < 0 ? DiffSense::Worse : DiffSense::Same);
    }
    return diffs;
}

std::string SignedText(int32_t delta) { return delta > 0 ? "+" + std::to_string(delta) : std::to_string(delta); }

int32_t OverCap(const CArmorSuit& suit, int column, bool bypassCap) {
    if (bypassCap) return 0;
    if (IsResistColumn(column)) {
        const int32_t sum = suit.GetProperty(PropertyOfColumn(column)->index, true);
        return sum > RESIST_CAP ? sum - RESIST_CAP : 0;
    }
    if (column == ACT_TOTAL_COLUMN)
        return std::max(0, ResultColumnValue(suit, ACT_TOTAL_COLUMN, false) - ResultColumnValue(suit, EFF_TOTAL_COLUMN, false));
    return 0;
}

std::string PlanCellText(const CArmorSuit& suit, int column, bool bypassCap) {
    if (column < 0 || column >= RESULT_COLUMN_COUNT) return {};
    std::string text = ResultColumnTexts(suit, bypassCap)[size_t(column)];
    const int32_t over = OverCap(suit, column, bypassCap);
    if (over > 0 && column == ACT_TOTAL_COLUMN) text += " (" + std::to_string(over) + " over cap)";
    else if (over > 0) text += " (" + std::to_string(RESIST_CAP + over) + ")";
    return text;
}

int PlanAssignCount(const CPlanResult& result) {
    return int(std::count_if(result.m_arrPicks.begin(), result.m_arrPicks.end(),
                             [](const CPlanPick& p) { return p.Served(); }));
}

std::string AssignAllQuestion(const CGorvantaDoc& doc, const CPlan& plan, const CPlanResult& result) {
    const int n = PlanAssignCount(result);
    // Released as AssignPlan releases them: every plan character's suit when worn, the served ones' else.
    std::vector<std::string> replaced;
    for (size_t t = 0; t < plan.m_arrTargets.size() && t < result.m_arrPicks.size(); ++t) {
        if (!plan.m_bWorn && !result.m_arrPicks[t].Served()) continue;
        if (const CArmorSuit* s = SuitOfCharacter(doc, plan.m_arrTargets[t].m_strName)) replaced.push_back(s->m_strCharacter);
    }
    std::string text = n == 1 ? "Assign the planned suit of 1 character?"
                              : "Assign the planned suits of " + std::to_string(n) + " characters?";
    if (replaced.size() == 1)
        text += " The current suit of " + replaced.front() + " is replaced.";
    else if (!replaced.empty())
        text += " The current suits of " + Join(replaced) + " are replaced.";
    return text;
}

std::string CheckTargetName(const CPlan& plan, std::string& name) {
    name = TrimName(name);
    if (name.empty()) return "A target needs a character name.";
    for (const CPlanTarget& t : plan.m_arrTargets)
        if (SameCharacterName(t.m_strName, name)) return t.m_strName + " is already in the plan.";
    return {};
}
