#pragma once
// Planning several characters at once from one pool: each target (a character and its wishes) gets at most
// one suit, no piece serves two suits, and the assignment chosen is the best there is, judged in this order:
//  1. the set of served targets, greatest in priority order (target 1 served if any assignment serves it,
//     then target 2 if any serves it beside target 1 where that one is served, and so on);
//  2. the served targets' ranking values, compared in priority order;
//  3. the combinations' places in each target's visiting order, earliest first, in priority order.
// A target's candidates are the suits a ranked run with its wishes would list over the plan pool, with no
// suit limit. Excluded pieces are never used; pins belong to single searches and do not apply here.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/calc/CalcEngine.h"
#include "core/calc/Plan.h"

enum class PlanReason {
    Served,
    Unreachable,  // no candidate even alone
    Conflict,     // it has candidates, but none fits beside the higher targets' suits
};
// "served", "unreachable", "conflict".
const char* PlanReasonName(PlanReason reason);

constexpr int32_t PLAN_NO_PIECE = -1;

// One target's outcome. Positions are indexes into the plan pool's lists.
struct CPlanPick {
    PlanReason m_reason = PlanReason::Unreachable;
    int32_t m_nValue = 0;  // its ranking column's value (0 for a target that ranks by nothing)
    std::array<int32_t, SLOT_COUNT> m_pos{};  // per slot the piece's index in list k, PLAN_NO_PIECE for none
    // Conflict only: the higher targets (indexes) whose suits hold pieces of this target's best candidate.
    std::vector<int> m_arrHolders;
    bool Served() const { return m_reason == PlanReason::Served; }
};

struct CPlanResult {
    std::vector<CPlanPick> m_arrPicks;  // one per target, in target order
    int m_nServed = 0;
    bool m_bStopped = false;   // the stop token was cleared: the picks are not to be used
    std::string m_strError;    // as a run's (out of memory, ...); the picks are not to be used
    bool Usable() const { return !m_bStopped && m_strError.empty(); }
};

// Where a plan's run stands, now and then, on the calling thread: the candidate searches' combinations
// examined so far against all they will examine; the joint search after them is counted as one more step.
class IPlanProgress {
public:
    virtual ~IPlanProgress() = default;
    virtual void OnProgress(const CCalcCount& examined, const CCalcCount& total) = 0;
};

struct CPlanRequest {
    const std::vector<CPlanTarget>* targets = nullptr;
    // The plan pool: list k holds the document's list k (excluded pieces included, at their places), then
    // the worn pieces of that list when the plan uses them. Read in place, unchanged for the run.
    const CalcPool* pool = nullptr;
    int threads = 0;  // as for a search
    // Most candidates a target's list of all of them holds; past them the free ones are searched for
    // beside the taken pieces (tests lower it).
    int64_t listMost = int64_t(1) << 17;
};

// The plan, exactly. Clearing `stop` (set to 1 at the start) ends the run soon with m_bStopped.
CPlanResult RunPlan(const CPlanRequest& request, std::atomic<int32_t>& stop, IPlanProgress* progress = nullptr);

// The pick's suit over the plan pool, named `name` and totalled; it refers to the pool's pieces. Null for a
// pick that is not served.
std::unique_ptr<CArmorSuit> MakePlanSuit(const CalcPool& pool, const CPlanPick& pick, const std::string& name);
