#include "PlanSearch.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "core/calc/ResultColumns.h"

namespace {

using Piece = int32_t;  // k << 24 | i
constexpr Piece PieceAt(size_t k, int32_t i) { return Piece(k << 24) | i; }
using Places = std::array<int32_t, SLOT_COUNT>;

// A candidate of one target: its ranking pair as one key (greater first), its ranking value, and its
// pieces as plan-pool places. Candidates of one target use pieces in the same slots, so comparing the
// places slot by slot is comparing their places in visiting order.
struct CCand {
    int64_t key = 0;
    int32_t value = 0;
    Places pos{};
};

struct CStopped {};
struct CFailed {
    std::string message;
};

// Which plan-pool places are taken by the suits chosen so far.
class CTaken {
public:
    // sizes: the plan pool's lists; left: how many pieces of each the searches may use.
    CTaken(const std::array<size_t, SLOT_COUNT>& sizes, const std::array<size_t, SLOT_COUNT>& left) : m_left(left) {
        for (size_t k = 0; k < SLOT_COUNT; ++k) m_on[k].assign(sizes[k], 0);
    }
    bool Free(const CCand& c) const {
        for (size_t k = 0; k < SLOT_COUNT; ++k)
            if (c.pos[k] != PLAN_NO_PIECE && m_on[k][size_t(c.pos[k])]) return false;
        return true;
    }
    void Set(const CCand& c, char on) {
        for (size_t k = 0; k < SLOT_COUNT; ++k)
            if (c.pos[k] != PLAN_NO_PIECE) {
                m_on[k][size_t(c.pos[k])] = on;
                m_left[k] += on ? size_t(-1) : 1;
            }
    }
    bool Has(size_t k, int32_t i) const { return m_on[k][size_t(i)] != 0; }
    // The taken places of the slots a target wears, as bytes: equal for two states that leave it the
    // same pieces.
    std::string Key(const CWishes& w) const {
        std::string key;
        for (size_t k = 0; k < SLOT_COUNT; ++k)
            if (w.UseSlot(int(k))) key.append(m_on[k].begin(), m_on[k].end());
        return key;
    }
    size_t Left(size_t k) const { return m_left[k]; }

private:
    std::array<std::vector<char>, SLOT_COUNT> m_on;
    std::array<size_t, SLOT_COUNT> m_left;
};

// What every search of a plan shares: the pool the searches see (without excluded pieces), where each of
// its pieces sits in the plan pool, the threads, the stop and the progress.
struct CShared {
    CalcPool pool;
    std::unordered_map<const CArmorPiece*, Piece> place;
    std::array<size_t, SLOT_COUNT> sizes{};
    int threads = 0;
    int64_t listMost = 0;
    std::atomic<int32_t>* stop = nullptr;
    IPlanProgress* progress = nullptr;
    CCalcCount done, total;
};

// Collects a search's suits as candidates and passes the plan's stop on to the search.
class CCollector : public ICalcReporter {
public:
    CCollector(CShared& shared, const CWishes& wishes, std::atomic<int32_t>& inner, std::vector<CCand>& out,
               bool counted)
        : m_shared(shared), m_wishes(wishes), m_inner(inner), m_out(out), m_bCounted(counted) {}
    void OnBegin(const CCalcCount&) override { Relay(); }
    void OnSuit(std::unique_ptr<CArmorSuit> suit) override {
        CCand c;
        c.pos.fill(PLAN_NO_PIECE);
        for (const CArmorPiece* p : suit->m_arrPieces) {
            const Piece at = m_shared.place.at(p);
            c.pos[size_t(at >> 24)] = at & 0xFFFFFF;
        }
        const auto [first, second] = RankPair(m_wishes, *suit);
        c.value = first;
        c.key = int64_t(first) * (int64_t(1) << 32) + (int64_t(second) - INT32_MIN);
        m_out.push_back(c);
        if ((m_out.size() & 1023) == 0) Relay();
    }
    void OnEnd(const CCalcMsg&) override {}
    void OnProgress(const CCalcCount& examined) override {
        Relay();
        if (m_shared.progress && m_bCounted) m_shared.progress->OnProgress(m_shared.done + examined, m_shared.total);
    }

private:
    void Relay() {
        if (m_shared.stop->load() == 0) m_inner.store(0);
    }
    CShared& m_shared;
    const CWishes& m_wishes;
    std::atomic<int32_t>& m_inner;
    std::vector<CCand>& m_out;
    bool m_bCounted;
};

// The combinations a target's search visits: the product of the sizes of its switched-on, non-empty lists.
CCalcCount CombinationsOf(const CWishes& w, const CalcPool& pool) {
    CCalcCount n = 1;
    for (int k = 0; k < SLOT_COUNT; ++k)
        if (w.UseSlot(k) && !pool[size_t(k)].empty()) n *= uint64_t(pool[size_t(k)].size());
    return n;
}

// The first `limit` candidates of the wishes over the pool, best first; false when the stop came.
std::vector<CCand> Search(CShared& shared, const CWishes& w, const CalcPool& pool, int64_t limit, bool counted) {
    std::vector<CCand> out;
    std::atomic<int32_t> running{1};
    CCollector collect(shared, w, running, out, counted);
    const CCalcResult r =
        RunSearch({w, int32_t(std::min<int64_t>(limit, INT32_MAX)), &pool, shared.threads}, running, collect);
    if (!r.m_strError.empty()) throw CFailed{r.m_strError};
    if (shared.stop->load() == 0) throw CStopped{};
    return out;
}

// One target's candidates, best first, found as far as they are needed: the first ones over the whole
// pool, and beyond those the ones a choice of the higher targets leaves free, by a search over the pool
// without the taken pieces. Memory stays bounded however many combinations qualify.
class CSource {
public:
    static constexpr int64_t kFirst = 1024;

    CSource(CShared& shared, const CWishes& w) : m_shared(shared), m_wishes(w) {
        const auto start = Clock::now();
        const int64_t first = std::min(kFirst, shared.listMost);
        m_list = Search(shared, w, shared.pool, first, true);
        m_dGrow = Seconds(Clock::now() - start);
        m_bComplete = int64_t(m_list.size()) < first;
        shared.done += CombinationsOf(w, shared.pool);
        if (shared.progress) shared.progress->OnProgress(shared.done, shared.total);
    }
    // The n-th candidate over the whole pool, null past the last one or past what is kept.
    const CCand* At(size_t n) {
        while (n >= m_list.size() && !m_bComplete && int64_t(m_list.size()) < m_shared.listMost) {
            const int64_t want = std::min<int64_t>(int64_t(m_list.size()) * 4, m_shared.listMost);
            const auto start = Clock::now();
            m_list = Search(m_shared, m_wishes, m_shared.pool, want, false);
            m_dGrow = Seconds(Clock::now() - start);
            m_bComplete = int64_t(m_list.size()) < want;
        }
        return n < m_list.size() ? &m_list[n] : nullptr;
    }
    bool Complete() const { return m_bComplete; }
    // Whether a longer list of all candidates is likely to cost more than the searches for free ones have
    // cost so far. A longer list serves every later choice of the higher targets, a search for free ones
    // only one; so the list grows once those searches have cost twice what the last list did.
    bool GrowthDear() const { return 2 * m_dGrow > m_dFree; }
    const std::vector<CCand>& Known() const { return m_list; }
    // The free candidates, best first, skipping the first `skip` of them; at most `limit`. `complete` tells
    // whether there are no more. The joint search asks the same again and again as it goes back and
    // forth, so recent answers are kept.
    std::vector<CCand> Free(const CTaken& taken, size_t skip, size_t limit, bool& complete) {
        std::string key = taken.Key(m_wishes);
        key.append(reinterpret_cast<const char*>(&skip), sizeof skip);
        key.append(reinterpret_cast<const char*>(&limit), sizeof limit);
        if (const auto it = m_free.find(key); it != m_free.end()) {
            complete = it->second.complete;
            return it->second.cands;
        }
        const auto start = Clock::now();
        std::vector<CCand> found = FreeSearch(taken, skip, limit, complete);
        m_dFree += Seconds(Clock::now() - start);
        if (m_nFreeKept + found.size() > kFreeKept) {
            m_free.clear();
            m_nFreeKept = 0;
        }
        m_nFreeKept += found.size();
        m_free.emplace(std::move(key), CFree{found, complete});
        return found;
    }

private:
    using Clock = std::chrono::steady_clock;
    static double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }
    static constexpr size_t kFreeKept = size_t(1) << 16;  // candidates, over all kept answers
    struct CFree {
        std::vector<CCand> cands;
        bool complete;
    };
    std::vector<CCand> FreeSearch(const CTaken& taken, size_t skip, size_t limit, bool& complete) {
        CalcPool pool;
        for (size_t k = 0; k < SLOT_COUNT; ++k) {
            for (CArmorPiece* p : m_shared.pool[k]) {
                const Piece at = m_shared.place.at(p);
                if (!taken.Has(k, at & 0xFFFFFF)) pool[k].push_back(p);
            }
            // A slot it wears whose every piece is taken: no candidate is left (an empty list would mean
            // no piece, which the whole pool does not allow).
            if (m_wishes.UseSlot(int(k)) && pool[k].empty() && !m_shared.pool[k].empty()) {
                complete = true;
                return {};
            }
        }
        std::vector<CCand> all = Search(m_shared, m_wishes, pool, int64_t(skip + limit), false);
        complete = all.size() < skip + limit;
        if (all.size() <= skip) return {};
        return {all.begin() + long(skip), all.end()};
    }

    CShared& m_shared;
    const CWishes& m_wishes;
    std::vector<CCand> m_list;
    bool m_bComplete = false;
    std::unordered_map<std::string, CFree> m_free;
    size_t m_nFreeKept = 0;
    double m_dGrow = 0, m_dFree = 0;  // seconds: the last search of all candidates, every search for free ones
};

// The free candidates of one target beside the taken pieces, best first.
class CFreeWalk {
public:
    CFreeWalk(CSource& source, const CTaken& taken) : m_source(source), m_taken(taken) {}
    const CCand* Next() {
        while (!m_bBeyond) {
            // Where most known candidates are taken, a search without the taken pieces may find the free
            // ones sooner than a longer list of all of them.
            const bool mostlyTaken = m_nAt >= kScanned && m_nSeen * 8 < m_nAt && m_source.GrowthDear();
            const CCand* c = m_nAt < m_source.Known().size() || !mostlyTaken ? m_source.At(m_nAt) : nullptr;
            if (!c) {
                if (m_source.Complete() && m_nAt >= m_source.Known().size()) return nullptr;
                m_bBeyond = true;
                break;
            }
            ++m_nAt;
            if (m_taken.Free(*c)) {
                ++m_nSeen;
                return c;
            }
        }
        while (true) {
            if (m_nExtra < m_extra.size()) {
                ++m_nSeen;
                return &m_extra[m_nExtra++];
            }
            if (m_bDone) return nullptr;
            m_extra = m_source.Free(m_taken, m_nSeen, m_nChunk, m_bDone);
            m_nExtra = 0;
            m_nChunk *= 2;
        }
    }

private:
    static constexpr size_t kScanned = 4096;
    CSource& m_source;
    const CTaken& m_taken;
    size_t m_nAt = 0, m_nSeen = 0;
    bool m_bBeyond = false, m_bDone = false;
    std::vector<CCand> m_extra;
    size_t m_nExtra = 0, m_nChunk = 256;
};

// The joint search over the targets' candidates.
class CJoint {
public:
    CJoint(std::vector<CSource>& sources, const std::vector<CPlanTarget>& targets, const CShared& shared,
           std::atomic<int32_t>& stop)
        : m_sources(sources), m_targets(targets), m_pool(shared.pool), m_taken(shared.sizes, Sizes(shared.pool)),
          m_stop(stop) {
        PrepareValues(shared);
    }

    // The best assignment serving exactly `served` (target indexes, priority order), or false when none
    // serves them all; with `optimise` false, any assignment. Fills `choice` with the served targets' picks.
    bool Solve(const std::vector<int>& served, bool optimise, std::vector<CCand>& choice) {
        m_served = served;
        m_bOptimise = optimise;
        m_memo.clear();
        m_failed.clear();
        PrepareRelevance();
        std::optional<CBest> best = Best(0);
        if (!best) return false;
        choice = best->picks;
        return true;
    }

private:
    // A suffix of served targets' picks, in priority order.
    struct CBest {
        std::vector<int64_t> keys;
        std::vector<CCand> picks;
    };
    // Ranking pairs first, then places in visiting order, each in priority order.
    static bool Better(const CBest& a, const CBest& b) {
        if (a.keys != b.keys) return a.keys > b.keys;
        for (size_t i = 0; i < a.picks.size(); ++i)
            if (a.picks[i].pos != b.picks[i].pos) return a.picks[i].pos < b.picks[i].pos;
        return false;
    }
    CSource& SourceAt(size_t d) { return m_sources[size_t(m_served[d])]; }
    static std::array<size_t, SLOT_COUNT> Sizes(const CalcPool& pool) {
        std::array<size_t, SLOT_COUNT> n{};
        for (size_t k = 0; k < SLOT_COUNT; ++k) n[k] = pool[k].size();
        return n;
    }
    // Every target from depth d on takes a piece of each slot it wears whose list has pieces: a slot with
    // fewer pieces left than that proves at once that they cannot all be served. So does a minimum whose
    // sum over those targets exceeds what the best free pieces of each slot add up to, one per target.
    bool PiecesSuffice(size_t d) const {
        for (size_t k = 0; k < SLOT_COUNT; ++k)
            if (m_need[d][k] > m_taken.Left(k)) return false;
        if (!m_bNarrow) return true;
        for (size_t a = 0; a < kMinimums; ++a) {
            const CDemand& want = m_demand[d][a];
            if (want.sum <= 0) continue;
            int64_t most = 0;
            for (size_t k = 0; k < SLOT_COUNT; ++k) {
                size_t left = want.count[k];
                for (auto it = m_byValue[a][k].begin(); left > 0 && it != m_byValue[a][k].end(); ++it)
                    if (!m_taken.Has(k, it->second)) most += it->first, --left;
            }
            if (most < want.sum) return false;
        }
        return true;
    }
    // The minimums a suit's sums are held to, each with what a piece adds to its sum (the resists before
    // the cap, which can only lower them).
    static constexpr size_t kMinimums = 9;
    static int64_t PieceAdds(size_t a, const CArmorPiece& p) {
        switch (a) {
            case 0: return int64_t(p.m_nPhysical) + p.m_nFire + p.m_nCold + p.m_nPoison + p.m_nEnergy;
            case 1: return p.m_nLuck;
            case 2: return p.m_nLMC;
            case 3: return p.m_nLRC;
            case 4: return p.m_nMR;
            case 5: return p.m_nHR;
            case 6: return p.m_nSR;
            case 7: return p.m_nDCI;
            default: return p.m_nHCI;
        }
    }
    static int32_t MinimumOf(size_t a, const CWishes& w) {
        const int32_t CWishes::*m[kMinimums] = {&CWishes::m_nLowerLimit, &CWishes::m_nLuckLimit, &CWishes::m_nLMCLimit,
                                                &CWishes::m_nLRCLimit,   &CWishes::m_nMRLimit,   &CWishes::m_nHRLimit,
                                                &CWishes::m_nSRLimit,    &CWishes::m_nDCILimit,  &CWishes::m_nHCILimit};
        return w.*m[a];
    }
    void PrepareValues(const CShared& shared) {
        // Sums that could leave the 32-bit range wrap in the search; no bound is drawn from them.
        m_bNarrow = true;
        for (size_t a = 0; a < kMinimums; ++a)
            for (size_t k = 0; k < SLOT_COUNT; ++k) {
                auto& list = m_byValue[a][k];
                for (const CArmorPiece* p : shared.pool[k]) {
                    const int64_t v = PieceAdds(a, *p);
                    if (v > (int64_t(1) << 26) || v < -(int64_t(1) << 26)) m_bNarrow = false;
                    list.emplace_back(v, shared.place.at(p) & 0xFFFFFF);
                }
                std::sort(list.begin(), list.end(), [](const auto& x, const auto& y) { return x.first > y.first; });
            }
    }

    // Per depth: the pieces some candidate of a served target at that depth or deeper uses; only those of
    // the taken pieces decide what the deeper targets can still do. Known only where every deeper target's
    // candidates are all known; elsewhere every taken piece counts.
    void PrepareRelevance() {
        const size_t m = m_served.size();
        m_need.assign(m + 1, {});
        for (size_t d = m; d-- > 0;)
            for (size_t k = 0; k < SLOT_COUNT; ++k)
                m_need[d][k] = m_need[d + 1][k] +
                               (m_targets[size_t(m_served[d])].m_wishes.UseSlot(int(k)) && !m_pool[k].empty());
        m_demand.assign(m + 1, {});
        for (size_t d = m; d-- > 0;) {
            m_demand[d] = m_demand[d + 1];
            const CWishes& w = m_targets[size_t(m_served[d])].m_wishes;
            for (size_t a = 0; a < kMinimums; ++a) {
                if (MinimumOf(a, w) <= 0) continue;
                m_demand[d][a].sum += MinimumOf(a, w);
                for (size_t k = 0; k < SLOT_COUNT; ++k) m_demand[d][a].count[k] += w.UseSlot(int(k)) && !m_pool[k].empty();
            }
        }
        m_relevant.assign(m + 1, {});
        m_bRelevantKnown.assign(m + 1, 1);
        for (size_t d = m; d-- > 0;) {
            m_relevant[d] = m_relevant[d + 1];
            m_bRelevantKnown[d] = m_bRelevantKnown[d + 1] && SourceAt(d).Complete();
            if (!m_bRelevantKnown[d]) continue;
            for (const CCand& c : SourceAt(d).Known())
                for (size_t k = 0; k < SLOT_COUNT; ++k)
                    if (c.pos[k] != PLAN_NO_PIECE) m_relevant[d].insert(PieceAt(k, c.pos[k]));
        }
        m_path.clear();
    }
    std::string MemoKey(size_t d) const {
        std::vector<Piece> key;
        for (const CCand& c : m_path)
            for (size_t k = 0; k < SLOT_COUNT; ++k)
                if (c.pos[k] != PLAN_NO_PIECE &&
                    (!m_bRelevantKnown[d] || m_relevant[d].count(PieceAt(k, c.pos[k]))))
                    key.push_back(PieceAt(k, c.pos[k]));
        std::sort(key.begin(), key.end());
        std::string s(reinterpret_cast<const char*>(key.data()), key.size() * sizeof(Piece));
        s.push_back(char(d));
        return s;
    }

    // The most each deeper target can reach, each alone beside the taken pieces: its first free
    // candidate's key. False when one of them has none left.
    bool Bounds(size_t from, std::vector<int64_t>& keys) {
        keys.clear();
        for (size_t d = from; d < m_served.size(); ++d) {
            CFreeWalk walk(SourceAt(d), m_taken);
            const CCand* c = walk.Next();
            if (!c) return false;
            keys.push_back(c->key);
        }
        return true;
    }

    std::optional<CBest> Best(size_t d) {
        if (d == m_served.size()) return CBest{};
        if (m_stop.load(std::memory_order_relaxed) == 0) throw CStopped{};
        const std::string key = MemoKey(d);
        if (auto it = m_memo.find(key); it != m_memo.end()) return it->second;
        if (m_failed.count(key)) return std::nullopt;

        std::optional<CBest> best;
        std::vector<int64_t> reach;  // what targets d.. can reach at most from here
        if (PiecesSuffice(d) && Bounds(d, reach)) {
            CFreeWalk walk(SourceAt(d), m_taken);
            std::vector<int64_t> after;
            while (const CCand* next = walk.Next()) {
                const CCand cand = *next;  // the walk may move what it points into
                if (best) {
                    if (!m_bOptimise) break;
                    if (cand.key < best->keys[0]) break;  // best first: nothing later is better here
                    // The deeper targets already reach all they could: a later candidate of an equal
                    // key can only come later in visiting order.
                    if (std::equal(best->keys.begin() + 1, best->keys.end(), reach.begin() + 1)) break;
                }
                m_taken.Set(cand, 1);
                bool promising = PiecesSuffice(d + 1) && Bounds(d + 1, after);
                if (promising && best)
                    promising = std::lexicographical_compare(best->keys.begin() + 1, best->keys.end(),
                                                             after.begin(), after.end());
                std::optional<CBest> sub;
                if (promising) {
                    m_path.push_back(cand);
                    sub = Best(d + 1);
                    m_path.pop_back();
                }
                m_taken.Set(cand, 0);
                if (!sub) continue;
                CBest mine;
                mine.keys.push_back(cand.key);
                mine.keys.insert(mine.keys.end(), sub->keys.begin(), sub->keys.end());
                mine.picks.push_back(cand);
                mine.picks.insert(mine.picks.end(), sub->picks.begin(), sub->picks.end());
                if (!best || Better(mine, *best)) best = std::move(mine);
            }
        }
        if (best)
            m_memo.emplace(key, *best);
        else
            m_failed.insert(key);
        return best;
    }

    std::vector<CSource>& m_sources;
    const std::vector<CPlanTarget>& m_targets;
    const CalcPool& m_pool;
    CTaken m_taken;
    std::vector<std::array<size_t, SLOT_COUNT>> m_need;
    struct CDemand {
        int64_t sum = 0;  // of the targets' minimums above 0
        std::array<size_t, SLOT_COUNT> count{};  // how many of those targets wear the slot
    };
    std::vector<std::array<CDemand, kMinimums>> m_demand;
    std::array<std::array<std::vector<std::pair<int64_t, int32_t>>, SLOT_COUNT>, kMinimums> m_byValue;
    bool m_bNarrow = true;
    std::atomic<int32_t>& m_stop;
    std::vector<int> m_served;
    bool m_bOptimise = true;
    std::vector<std::unordered_set<Piece>> m_relevant;
    std::vector<char> m_bRelevantKnown;
    std::vector<CCand> m_path;
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
        CShared shared;
        shared.threads = request.threads;
        shared.listMost = std::max<int64_t>(1, request.listMost);
        shared.stop = &stop;
        shared.progress = progress;
        for (size_t k = 0; k < SLOT_COUNT; ++k) {
            shared.sizes[k] = planPool[k].size();
            for (size_t i = 0; i < planPool[k].size(); ++i) {
                CArmorPiece* p = planPool[k][i];
                if (!p || p->m_nMark == PieceMark::Excluded || shared.place.count(p)) continue;
                shared.place.emplace(p, PieceAt(k, int32_t(i)));
                shared.pool[k].push_back(p);
            }
        }
        shared.total = 1;  // the joint search counts as one
        for (const CPlanTarget& t : targets) shared.total += CombinationsOf(t.m_wishes, shared.pool);

        std::vector<CSource> sources;
        sources.reserve(n);
        for (const CPlanTarget& t : targets) sources.emplace_back(shared, t.m_wishes);

        // The served set, greatest in priority order; then the best assignment for it.
        CJoint joint(sources, targets, shared, stop);
        std::vector<int> served;
        std::vector<CCand> choice;
        for (size_t t = 0; t < n; ++t) {
            if (!sources[t].At(0)) continue;
            std::vector<int> more = served;
            more.push_back(int(t));
            if (joint.Solve(more, false, choice)) served = std::move(more);
        }
        if (!served.empty()) joint.Solve(served, true, choice);

        result.m_arrPicks.resize(n);
        for (size_t s = 0; s < served.size(); ++s) {
            CPlanPick& pick = result.m_arrPicks[size_t(served[s])];
            pick.m_reason = PlanReason::Served;
            pick.m_nValue = choice[s].value;
            pick.m_pos = choice[s].pos;
        }
        result.m_nServed = int(served.size());
        for (size_t t = 0; t < n; ++t) {
            CPlanPick& pick = result.m_arrPicks[t];
            if (pick.Served()) continue;
            pick.m_pos.fill(PLAN_NO_PIECE);
            const CCand* want = sources[t].At(0);
            if (!want) continue;
            pick.m_reason = PlanReason::Conflict;
            // Who holds the pieces of its best candidate.
            for (size_t h = 0; h < t; ++h) {
                const CPlanPick& other = result.m_arrPicks[h];
                if (!other.Served()) continue;
                for (size_t k = 0; k < SLOT_COUNT; ++k)
                    if (want->pos[k] != PLAN_NO_PIECE && want->pos[k] == other.m_pos[k]) {
                        pick.m_arrHolders.push_back(int(h));
                        break;
                    }
            }
        }
        if (progress) progress->OnProgress(shared.total, shared.total);
    } catch (const CStopped&) {
        result = {};
        result.m_bStopped = true;
    } catch (const CFailed& f) {
        result = {};
        result.m_strError = f.message;
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
