#include "PlanReference.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "ReferenceSearch.h"
#include "core/calc/ResultColumns.h"
#include <functional>

namespace {
struct CRefCand {
    std::pair<int32_t, int32_t> rank;  // the ranking pair
    int64_t visit = 0;  // the combination's number in visiting order
    std::array<int32_t, SLOT_COUNT> pos{};
};

class CKeep : public ICalcReporter {
public:
    std::vector<std::unique_ptr<CArmorSuit>> suits;
    void OnBegin(const CCalcCount&) override {}
    void OnSuit(std::unique_ptr<CArmorSuit> s) override { suits.push_back(std::move(s)); }
    void OnEnd(const CCalcMsg&) override {}
};

struct CKey {
    std::vector<int> served;  // 1 or 0 per target
    std::vector<std::pair<int32_t, int32_t>> values;
    std::vector<int64_t> visits;
    bool BetterThan(const CKey& o) const {
        if (served != o.served) return served > o.served;
        if (values != o.values) return values > o.values;
        return visits < o.visits;
    }
};
}  // namespace

CPlanResult RunReferencePlan(const std::vector<CPlanTarget>& targets, const CalcPool& planPool, double seconds) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                                             seconds > 0 ? seconds : 1e9));
    std::atomic<bool> late{false};
    std::atomic<int32_t> running{0};
    // The plain searches stop as a Stop would stop them.
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::thread watch;
    if (seconds > 0)
        watch = std::thread([&] {
            std::unique_lock<std::mutex> lock(mutex);
            if (!done.wait_until(lock, deadline, [&] { return finished; })) running.store(0), late = true;
        });
    struct CJoin {
        std::function<void()> f;
        ~CJoin() { f(); }
    } join{[&] {
        {
            std::lock_guard<std::mutex> lock(mutex);
            finished = true;
        }
        done.notify_all();
        if (watch.joinable()) watch.join();
    }};
    CalcPool pool;
    std::map<const CArmorPiece*, std::pair<size_t, int32_t>> place;
    for (size_t k = 0; k < SLOT_COUNT; ++k)
        for (size_t i = 0; i < planPool[k].size(); ++i)
            if (planPool[k][i]->m_nMark != PieceMark::Excluded) {
                place[planPool[k][i]] = {k, int32_t(i)};
                pool[k].push_back(planPool[k][i]);
            }
    const size_t n = targets.size();
    std::vector<std::vector<CRefCand>> cands(n);
    for (size_t t = 0; t < n; ++t) {
        const CWishes& w = targets[t].m_wishes;
        CCalcParam param;
        param.FillFrom(w, INT32_MAX);
        CKeep keep;
        RunReferenceSearch(param, pool, w.m_nLowerLimit, running, keep);
        if (Clock::now() >= deadline) return {{}, 0, true, {}};
        for (const auto& suit : keep.suits) {
            CRefCand c;
            c.pos.fill(PLAN_NO_PIECE);
            for (const CArmorPiece* p : suit->m_arrPieces) c.pos[place.at(p).first] = place.at(p).second;
            // Head wear outermost: the number in a mixed radix of the searched lists' sizes.
            for (size_t k = 0; k < SLOT_COUNT; ++k) {
                if (!w.UseSlot(int(k)) || pool[k].empty()) continue;
                int64_t reduced = 0;
                for (const CArmorPiece* p : pool[k])
                    if (place.at(p).second < c.pos[k]) ++reduced;
                c.visit = c.visit * int64_t(pool[k].size()) + reduced;
            }
            c.rank = RankPair(w, *suit);
            cands[t].push_back(c);
        }
    }

    // Every assignment: each target none or one of its candidates, no piece twice.
    CKey best, cur;
    std::vector<int> choice(n, -1), bestChoice(n, -1);
    bool any = false;
    std::array<std::vector<char>, SLOT_COUNT> taken;
    for (size_t k = 0; k < SLOT_COUNT; ++k) taken[k].assign(planPool[k].size(), 0);
    int64_t steps = 0;
    auto visit = [&](auto&& self, size_t t) -> void {
        if (late || ((++steps & 0xFFFFF) == 0 && Clock::now() >= deadline)) return void(late = true);
        if (t == n) {
            CKey key;
            for (size_t u = 0; u < n; ++u) {
                key.served.push_back(choice[u] >= 0);
                if (choice[u] < 0) continue;
                key.values.push_back(cands[u][size_t(choice[u])].rank);
                key.visits.push_back(cands[u][size_t(choice[u])].visit);
            }
            if (!any || key.BetterThan(best)) best = key, bestChoice = choice, any = true;
            return;
        }
        choice[t] = -1;
        self(self, t + 1);
        for (size_t c = 0; c < cands[t].size(); ++c) {
            const auto& pos = cands[t][c].pos;
            bool free = true;
            for (size_t k = 0; k < SLOT_COUNT; ++k) free = free && (pos[k] < 0 || !taken[k][size_t(pos[k])]);
            if (!free) continue;
            for (size_t k = 0; k < SLOT_COUNT; ++k)
                if (pos[k] >= 0) taken[k][size_t(pos[k])] = 1;
            choice[t] = int(c);
            self(self, t + 1);
            for (size_t k = 0; k < SLOT_COUNT; ++k)
                if (pos[k] >= 0) taken[k][size_t(pos[k])] = 0;
        }
        choice[t] = -1;
    };
    visit(visit, 0);
    if (late) return {{}, 0, true, {}};

    CPlanResult r;
    r.m_arrPicks.resize(n);
    for (size_t t = 0; t < n; ++t) {
        CPlanPick& pick = r.m_arrPicks[t];
        pick.m_pos.fill(PLAN_NO_PIECE);
        if (bestChoice[t] >= 0) {
            pick.m_reason = PlanReason::Served;
            pick.m_nValue = cands[t][size_t(bestChoice[t])].rank.first;
            pick.m_pos = cands[t][size_t(bestChoice[t])].pos;
            ++r.m_nServed;
        } else {
            pick.m_reason = cands[t].empty() ? PlanReason::Unreachable : PlanReason::Conflict;
        }
    }
    return r;
}
