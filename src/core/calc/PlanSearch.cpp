#include "PlanSearch.h"

#include <algorithm>
#include <new>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "core/calc/ResultColumns.h"

namespace {

// A candidate of one target: its value and its pieces as plan-pool places. A target's candidates are kept
// best first, so within a target a lower index is the better candidate (greater value, or the same value
// earlier in visiting order).
struct CCand {
    int32_t value = 0;
    std::array<int32_t, SLOT_COUNT> pos{};
};

using Piece = int32_t;  // k << 24 | i
constexpr Piece PieceAt(size_t k, int32_t i) { return Piece(k << 24) | i; }

// Collects a candidate search's suits as places, and passes the plan's stop on to the search.
class CCollector : public ICalcReporter {
public:
    CCollector(const std::unordered_map<const CArmorPiece*, Piece>& place, int column, bool bypass,
               std::atomic<int32_t>& outer, std::atomic<int32_t>& inner, std::vector<CCand>& out,
               IPlanProgress* progress, CCalcCount before, CCalcCount total)
        : m_place(place), m_nColumn(column), m_bBypass(bypass), m_outer(outer), m_inner(inner), m_out(out),
          m_pProgress(progress), m_before(before), m_total(total) {}
    void OnBegin(const CCalcCount&) override { Relay(); }
    void OnSuit(std::unique_ptr<CArmorSuit> suit) override {
        CCand c;
        c.pos.fill(PLAN_NO_PIECE);
        for (const CArmorPiece* p : suit->m_arrPieces) {
            const Piece at = m_place.at(p);
            c.pos[size_t(at >> 24)] = at & 0xFFFFFF;
        }
        c.value = m_nColumn ? ResultColumnValue(*suit, m_nColumn, m_bBypass) : 0;
        m_out.push_back(c);
        if ((m_out.size() & 1023) == 0) Relay();
    }
    void OnEnd(const CCalcMsg&) override {}
    void OnProgress(const CCalcCount& examined) override {
        Relay();
        if (m_pProgress) m_pProgress->OnProgress(m_before + examined, m_total);
    }

private:
    void Relay() {
        if (m_outer.load() == 0) m_inner.store(0);
    }
    const std::unordered_map<const CArmorPiece*, Piece>& m_place;
    int m_nColumn;
    bool m_bBypass;
    std::atomic<int32_t>& m_outer;
    std::atomic<int32_t>& m_inner;
    std::vector<CCand>& m_out;
    IPlanProgress* m_pProgress;
    CCalcCount m_before, m_total;
};

// The combinations a target's search visits: the product of the sizes of its switched-on, non-empty lists.
CCalcCount CombinationsOf(const CWishes& w, const CalcPool& pool) {
    CCalcCount n = 1;
    for (int k = 0; k < SLOT_COUNT; ++k)
        if (w.UseSlot(k) && !pool[size_t(k)].empty()) n *= uint64_t(pool[size_t(k)].size());
    return n;
}

// The joint search over the targets' candidate lists.
class CJoint {
public:
    CJoint(const std::vector<std::vector<CCand>>& cands, const std::array<size_t, SLOT_COUNT>& sizes,
           std::atomic<int32_t>& stop)
        : m_cands(cands), m_stop(stop) {
        for (size_t k = 0; k < SLOT_COUNT; ++k) m_taken[k].assign(sizes[k], 0);
    }

    // The best assignment serving exactly `served` (target indexes, priority order), or false when none
    // serves them all. Fills `choice` with each served target's candidate index.
    bool Solve(const std::vector<int>& served, bool optimise, std::vector<int32_t>& choice) {
        m_served = served;
        m_bOptimise = optimise;
        m_memo.clear();
        m_failed.clear();
        PrepareRelevance();
        std::optional<CBest> best = Best(0);
        if (!best) return false;
        choice = best->idx;
        return true;
    }
    bool Stopped() const { return m_bStopped; }

    // The first candidate of target t that uses none of the taken pieces, or -1.
    int32_t FirstFree(int t) const {
        const auto& list = m_cands[size_t(t)];
        for (size_t c = 0; c < list.size(); ++c)
            if (Free(list[c])) return int32_t(c);
        return -1;
    }
    void Take(const CCand& c, char on) {
        for (size_t k = 0; k < SLOT_COUNT; ++k)
            if (c.pos[k] != PLAN_NO_PIECE) m_taken[k][size_t(c.pos[k])] = on;
    }
    bool Free(const CCand& c) const {
        for (size_t k = 0; k < SLOT_COUNT; ++k)
            if (c.pos[k] != PLAN_NO_PIECE && m_taken[k][size_t(c.pos[k])]) return false;
        return true;
    }

private:
    // A suffix of served targets' picks: their values and their candidate indexes, in priority order.
    struct CBest {
        std::vector<int32_t> values;
        std::vector<int32_t> idx;
    };
    // Values first, then places, each in priority order; greater values and lower indexes are better.
    static bool Better(const CBest& a, const CBest& b) {
        if (a.values != b.values) return std::lexicographical_compare(b.values.begin(), b.values.end(),
                                                                      a.values.begin(), a.values.end());
        return std::lexicographical_compare(a.idx.begin(), a.idx.end(), b.idx.begin(), b.idx.end());
    }

    // Per depth: the pieces some candidate of a served target at that depth or deeper uses; only those of
    // the taken pieces decide what the deeper targets can still do.
    void PrepareRelevance() {
        const size_t m = m_served.size();
        m_relevant.assign(m + 1, {});
        for (size_t d = m; d-- > 0;) {
            m_relevant[d] = m_relevant[d + 1];
            for (const CCand& c : m_cands[size_t(m_served[d])])
                for (size_t k = 0; k < SLOT_COUNT; ++k)
                    if (c.pos[k] != PLAN_NO_PIECE) m_relevant[d].insert(PieceAt(k, c.pos[k]));
        }
        m_path.clear();
    }
    std::string MemoKey(size_t d) const {
        std::vector<Piece> key;
        for (const CCand* c : m_path)
            for (size_t k = 0; k < SLOT_COUNT; ++k)
                if (c->pos[k] != PLAN_NO_PIECE && m_relevant[d].count(PieceAt(k, c->pos[k])))
                    key.push_back(PieceAt(k, c->pos[k]));
        std::sort(key.begin(), key.end());
        std::string s(reinterpret_cast<const char*>(key.data()), key.size() * sizeof(Piece));
        s.push_back(char(d));
        return s;
    }

    // The most each deeper target can reach, each alone beside the taken pieces: its first free candidate's
    // value. False when one of them has none left.
    bool Bounds(size_t from, std::vector<int32_t>& values) const {
        values.clear();
        for (size_t d = from; d < m_served.size(); ++d) {
            const int32_t c = FirstFree(m_served[d]);
            if (c < 0) return false;
            values.push_back(m_cands[size_t(m_served[d])][size_t(c)].value);
        }
        return true;
    }

    std::optional<CBest> Best(size_t d) {
        if (d == m_served.size()) return CBest{};
        if (m_stop.load(std::memory_order_relaxed) == 0) {
            m_bStopped = true;
            return std::nullopt;
        }
        const std::string key = MemoKey(d);
        if (auto it = m_memo.find(key); it != m_memo.end()) return it->second;
        if (m_failed.count(key)) return std::nullopt;

        std::optional<CBest> best;
        std::vector<int32_t> reach;  // what targets d.. can reach at most from here
        if (Bounds(d, reach)) {
            const auto& list = m_cands[size_t(m_served[d])];
            std::vector<int32_t> after;
            for (size_t c = 0; c < list.size() && !m_bStopped; ++c) {
                const CCand& cand = list[c];
                if (!Free(cand)) continue;
                if (best) {
                    if (!m_bOptimise) break;
                    if (cand.value < best->values[0]) break;  // best first: nothing later is better here
                    // The deeper targets already reach all they could: a later candidate of equal value
                    // can only come later in visiting order.
                    if (std::equal(best->values.begin() + 1, best->values.end(), reach.begin() + 1)) break;
                }
                Take(cand, 1);
                bool promising = Bounds(d + 1, after);
                if (promising && best)
                    promising = std::lexicographical_compare(best->values.begin() + 1, best->values.end(),
                                                             after.begin(), after.end());
                std::optional<CBest> sub;
                if (promising) {
                    m_path.push_back(&cand);
                    sub = Best(d + 1);
                    m_path.pop_back();
                }
                Take(cand, 0);
                if (!sub) continue;
                CBest mine;
                mine.values.push_back(cand.value);
                mine.values.insert(mine.values.end(), sub->values.begin(), sub->values.end());
                mine.idx.push_back(int32_t(c));
                mine.idx.insert(mine.idx.end(), sub->idx.begin(), sub->idx.end());
                if (!best || Better(mine, *best)) best = std::move(mine);
            }
        }
        if (m_bStopped) return std::nullopt;
        if (best)
            m_memo.emplace(key, *best);
        else
            m_failed.insert(key);
        return best;
    }

    const std::vector<std::vector<CCand>>& m_cands;
    std::atomic<int32_t>& m_stop;
    std::array<std::vector<char>, SLOT_COUNT> m_taken;
    std::vector<int> m_served;
    bool m_bOptimise = true;
    bool m_bStopped = false;
    std::vector<std::unordered_set<Piece>> m_relevant;
    std::vector<const CCand*> m_path;
    std::unordered_map<std::string, CBest> m_memo;
    std::unordered_set<std::string> m_failed;
};

}  // namespace

const char* PlanReasonName(PlanReason reason) {
    switch (reason) {
        case PlanReason::Served: return "served";
        case PlanReason::Conflict: return "conflict";
        case PlanReason::Unreachable: break;
    }
    return "unreachable";
}

CPlanResult RunPlan(const CPlanRequest& request, std::atomic<int32_t>& stop, IPlanProgress* progress) {
    stop.store(1);
    CPlanResult result;
    static const std::vector<CPlanTarget> kNoTargets;
    static const CalcPool kEmpty{};
    const auto& targets = request.targets ? *request.targets : kNoTargets;
    const CalcPool& planPool = request.pool ? *request.pool : kEmpty;
    const size_t n = targets.size();
    try {
        // What the searches see: each list without its excluded pieces; the places stay the plan pool's.
        CalcPool pool;
        std::unordered_map<const CArmorPiece*, Piece> place;
        std::array<size_t, SLOT_COUNT> sizes{};
        for (size_t k = 0; k < SLOT_COUNT; ++k) {
            sizes[k] = planPool[k].size();
            for (size_t i = 0; i < planPool[k].size(); ++i) {
                CArmorPiece* p = planPool[k][i];
                if (!p || p->m_nMark == PieceMark::Excluded || place.count(p)) continue;
                place.emplace(p, PieceAt(k, int32_t(i)));
                pool[k].push_back(p);
            }
        }
        CCalcCount total = 1;  // the joint search counts as one
        for (const CPlanTarget& t : targets) total += CombinationsOf(t.m_wishes, pool);

        std::vector<std::vector<CCand>> cands(n);
        CCalcCount before;
        for (size_t t = 0; t < n; ++t) {
            if (stop.load() == 0) break;
            const CWishes& w = targets[t].m_wishes;
            std::atomic<int32_t> running{1};
            CCollector collect(place, w.RankColumn(), w.m_bBypassResistCap != 0, stop, running, cands[t], progress,
                               before, total);
            CSearchRequest search{w, INT32_MAX, &pool, request.threads};
            const CCalcResult r = RunSearch(search, running, collect);
            if (!r.m_strError.empty()) {
                result.m_strError = r.m_strError;
                return result;
            }
            before += CombinationsOf(w, pool);
        }
        if (stop.load() == 0) {
            result.m_bStopped = true;
            return result;
        }

        // The served set, greatest in priority order; then the best assignment for it.
        CJoint joint(cands, sizes, stop);
        std::vector<int> served;
        std::vector<int32_t> choice;
        for (size_t t = 0; t < n; ++t) {
            if (cands[t].empty()) continue;
            std::vector<int> more = served;
            more.push_back(int(t));
            if (joint.Solve(more, false, choice)) served = std::move(more);
            if (joint.Stopped()) break;
        }
        if (!joint.Stopped() && !served.empty()) joint.Solve(served, true, choice);
        if (joint.Stopped()) {
            result.m_bStopped = true;
            return result;
        }

        result.m_arrPicks.resize(n);
        for (size_t s = 0; s < served.size(); ++s) {
            CPlanPick& pick = result.m_arrPicks[size_t(served[s])];
            const CCand& c = cands[size_t(served[s])][size_t(choice[s])];
            pick.m_reason = PlanReason::Served;
            pick.m_nValue = c.value;
            pick.m_pos = c.pos;
        }
        result.m_nServed = int(served.size());
        for (size_t t = 0; t < n; ++t) {
            CPlanPick& pick = result.m_arrPicks[t];
            if (pick.Served()) continue;
            pick.m_pos.fill(PLAN_NO_PIECE);
            if (cands[t].empty()) continue;
            pick.m_reason = PlanReason::Conflict;
            // Who holds the pieces of its best candidate.
            const CCand& want = cands[t][0];
            for (size_t h = 0; h < t; ++h) {
                const CPlanPick& other = result.m_arrPicks[h];
                if (!other.Served()) continue;
                for (size_t k = 0; k < SLOT_COUNT; ++k)
                    if (want.pos[k] != PLAN_NO_PIECE && want.pos[k] == other.m_pos[k]) {
                        pick.m_arrHolders.push_back(int(h));
                        break;
                    }
            }
        }
        if (progress) progress->OnProgress(total, total);
    } catch (const std::bad_alloc&) {
        result = {};
        result.m_strError = "Not enough memory to finish the calculation.";
    }
    stop.store(0);
    return result;
}

std::unique_ptr<CArmorSuit> MakePlanSuit(const CalcPool& pool, const CPlanPick& pick, const std::string& name) {
    if (!pick.Served()) return nullptr;
    auto suit = std::make_unique<CArmorSuit>();
    suit->m_strName = name;
    for (size_t k = 0; k < SLOT_COUNT; ++k) {
        const int32_t i = pick.m_pos[k];
        if (i != PLAN_NO_PIECE && i >= 0 && size_t(i) < pool[k].size()) suit->AddPiece(pool[k][size_t(i)]);
    }
    suit->CalcTotals();
    return suit;
}
