#include "CalcEngine.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <limits>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

#include "core/calc/CalcPlan.h"
#include "core/calc/CalcRank.h"

namespace {

using namespace calc_detail;

CCalcHooks g_hooks;

// A listed combination: the combinations of its chunk up to and including it, the highest values over
// them, and its suit.
struct CHit {
    CCalcCount m_nPos;
    CalcHighest m_arrHighest{};
    std::unique_ptr<CArmorSuit> m_pSuit;
};

// The work of one chunk: complete, or cut short by a stop or by the suit limit. A chunk that failed keeps
// the suits it found before the failure, each with its exact position, but no end state.
struct CChunkResult {
    bool m_bDone = false;
    bool m_bComplete = false;
    bool m_bFailed = false;
    CCalcCount m_nExamined;
    CalcHighest m_arrHighest{};
    std::vector<CHit> m_arrHits;
    std::vector<CRankHit> m_arrRanked;  // ranked runs: the chunk's best, as a heap (see OfferBest)
};

constexpr int POLL_EVERY = 256;

// Hears of the suits a chunk finds, every GATE_EVERY of them; answers whether the chunk may stop there
// because the suits before it, found by any thread, fill the suit limit. May hold the thread until there
// is room for more suits.
constexpr int64_t GATE_EVERY = 32;
class IHitGate {
public:
    virtual bool Enough(int64_t chunk, int64_t hits) = 0;

protected:
    ~IHitGate() = default;
};

// How the space is cut: chunk c covers the prefix nodes [First(c), First(c + 1)) at depth m_nDepth.
struct CSplit {
    int m_nDepth = 0;
    int64_t m_nNodes = 1;
    int64_t m_nChunks = 1;
    int64_t First(int64_t c) const {
        // nodes * c / chunks without overflow: nodes < 2^46 and chunks is small.
        return int64_t((__int128)m_nNodes * c / m_nChunks);
    }
};

CSplit MakeSplit(const CPlan& plan, const CCalcTuning& tuning) {
    CSplit split;
    // Where nothing at all can qualify, the highest values come from one search from the top; cut into
    // chunks, each would search its own part from its own prefix.
    if (plan.m_bPrune && !plan.m_arrDead[0] && !plan.Feasible(0, CVals{})) return split;
    const int64_t target = std::clamp<int64_t>(tuning.m_nChunkTarget, 1, 1 << 14);
    while (split.m_nDepth < plan.m_nLevels && split.m_nNodes < target) {
        split.m_nNodes *= plan.m_arrLevels[size_t(split.m_nDepth)].m_nCount;
        ++split.m_nDepth;
    }
    split.m_nChunks = std::min(split.m_nNodes, 4 * target);
    return split;
}

// Across the chunks of a run: for each sequence of classes at the split depth, the first chunk that
// searched such a prefix and found nothing to list. A chunk skips a prefix found empty by itself or by an
// earlier chunk: the highest values of that subtree are then already part of every state it reports.
class CNodeMemo {
public:
    // None where no level above the split depth has copies.
    static std::unique_ptr<CNodeMemo> For(const CPlan& plan, const CSplit& split) {
        int64_t tuples = 1;
        bool copies = false;
        for (int l = 0; l < split.m_nDepth; ++l) {
            copies |= plan.m_arrLevels[size_t(l)].m_bCopies;
            tuples *= plan.m_arrLevels[size_t(l)].m_nClasses;
        }
        if (!copies) return nullptr;
        auto memo = std::unique_ptr<CNodeMemo>(new CNodeMemo);
        memo->m_nDepth = split.m_nDepth;
        memo->m_arrFirst.reset(new std::atomic<int64_t>[size_t(tuples)]);
        for (int64_t t = 0; t < tuples; ++t) memo->m_arrFirst[size_t(t)].store(NONE, std::memory_order_relaxed);
        return memo;
    }
    // The class sequence of a prefix whose pieces are all considered.
    int64_t Tuple(const CPlan& plan, const int32_t* idx) const {
        int64_t t = 0;
        for (int l = 0; l < m_nDepth; ++l) {
            const CLevel& level = plan.m_arrLevels[size_t(l)];
            t = t * level.m_nClasses + level.m_arrClassOf[size_t(idx[l])];
        }
        return t;
    }
    bool Empty(int64_t tuple, int64_t chunk) const {
        return m_arrFirst[size_t(tuple)].load(std::memory_order_acquire) <= chunk;
    }
    void FoundEmpty(int64_t tuple, int64_t chunk) {
        std::atomic<int64_t>& first = m_arrFirst[size_t(tuple)];
        int64_t seen = first.load(std::memory_order_relaxed);
        while (chunk < seen && !first.compare_exchange_weak(seen, chunk, std::memory_order_release)) {}
    }

private:
    static constexpr int64_t NONE = std::numeric_limits<int64_t>::max();
    int m_nDepth = 0;
    std::unique_ptr<std::atomic<int64_t>[]> m_arrFirst;
};

// A set of non-zero keys that grows as needed up to a fixed size and then takes no more.
class CKeySet {
public:
    // False when the key was there already.
    bool Insert(uint64_t key) {
        if (m_nUsed * 2 >= m_arrSlots.size()) {
            if (m_arrSlots.size() >= MAX_SLOTS) return true;
            Grow();
        }
        const size_t mask = m_arrSlots.size() - 1;
        for (size_t i = size_t((key * 0x9E3779B97F4A7C15ull) >> 32) & mask;; i = (i + 1) & mask) {
            if (m_arrSlots[i] == key) return false;
            if (m_arrSlots[i] == 0) {
                m_arrSlots[i] = key;
                ++m_nUsed;
                return true;
            }
        }
    }

private:
    static constexpr size_t MAX_SLOTS = size_t(1) << 22;
    void Grow() {
        std::vector<uint64_t> old = std::move(m_arrSlots);
        m_arrSlots.assign(old.empty() ? 64 : old.size() * 2, 0);
        m_nUsed = 0;
        for (uint64_t key : old)
            if (key != 0) Insert(key);
    }
    std::vector<uint64_t> m_arrSlots;
    size_t m_nUsed = 0;
};

// Depth-first search of one chunk. Positions are not counted as the search goes: where it reports a state
// (a listed suit, a stop, its end), the position follows from the indexes in hand. Every such state
// (position, highest values) is exact for the combinations before it in visiting order, so a run may end
// at any suit or at a stop.
class CChunkSearch {
public:
    CChunkSearch(const CPlan& plan, const CSplit& split, CNodeMemo* memo, const std::atomic<int32_t>& running,
                 CChunkResult& out, int64_t hitCap, IHitGate* gate, int64_t chunk, CRankShared* rank)
        : m_plan(plan),
          m_pRank(rank),
          m_pMemo(memo),
          m_running(running),
          m_out(out),
          m_nHitCap(hitCap),
          m_pGate(gate),
          m_nChunk(chunk),
          m_nDepth(split.m_nDepth),
          m_nFirst(split.First(chunk)),
          m_nEnd(split.First(chunk + 1)),
          m_arrState(plan.m_nClassStates) {}

    void Run(int32_t seedTotal) {
        m_hi.fill(0);
        m_hi[HIGH_TOTAL] = seedTotal;
        if (m_plan.m_bPrune)
            RunNodes<true>();
        else
            RunNodes<false>();
        m_out.m_nExamined = m_bAbort ? m_stopAt : m_plan.m_arrSize[size_t(m_nDepth)] * uint64_t(m_nEnd - m_nFirst);
        m_out.m_arrHighest = m_hi;
        m_out.m_bComplete = !m_bAbort;
        m_out.m_bDone = true;
    }

private:
    enum : uint8_t { CLASS_UNKNOWN = 0, CLASS_EMPTY, CLASS_LISTS };

    template <bool kPrune>
    void RunNodes() {
        const CPlan& P = m_plan;
        const int depth = m_nDepth;
        for (int64_t node = m_nFirst; node < m_nEnd; ++node) {
            m_nNode = node;
            CVals s;
            if (P.DecodePrefix(depth, node, m_idx, s)) {
                const int64_t tuple = m_pMemo ? m_pMemo->Tuple(P, m_idx) : -1;
                if (tuple < 0 || !m_pMemo->Empty(tuple, m_nChunk)) {
                    const int64_t hits = Listed();
                    if (depth == P.m_nLevels)
                        Leaf(s);
                    else
                        Subtree<kPrune>(depth, s);
                    if (m_bAbort) return;
                    if (tuple >= 0 && Listed() == hits) m_pMemo->FoundEmpty(tuple, m_nChunk);
                }
            }
            if (Poll()) return StopAt(P.m_arrSize[size_t(depth)] * uint64_t(node + 1 - m_nFirst));
        }
    }

    template <bool kPrune>
    void Subtree(int l, const CVals& s) {
        if (m_plan.m_arrDead[size_t(l)]) return;  // a slot below has nothing the medable rule lets through
        if (kPrune && (!m_plan.Feasible(l, s) ||
                       (m_pRank && Outranked(l, s))))
            Bulk(l, s);
        else if (m_plan.m_arrLevels[size_t(l)].m_bCopies)
            LevelOfClasses<kPrune>(l, s);
        else
            Level<kPrune>(l, s);
    }

    template <bool kPrune>
    void Level(int l, const CVals& s) {
        for (int32_t j : m_plan.m_arrLevels[size_t(l)].m_arrConsidered) {
            Child<kPrune>(l, j, s);
            if (m_bAbort) return;
            if (Poll()) return StopAt(After(l, j));
        }
    }

    // A class whose first piece listed nothing lists nothing for its other pieces either, and they raise
    // no highest value: they are passed over, and the level is left once only such remain.
    template <bool kPrune>
    void LevelOfClasses(int l, const CVals& s) {
        const CLevel& level = m_plan.m_arrLevels[size_t(l)];
        uint8_t* state = m_arrState.data() + level.m_nStateAt;
        std::fill_n(state, level.m_nClasses, CLASS_UNKNOWN);
        int32_t open = level.m_nClasses;
        const int32_t n = int32_t(level.m_arrConsidered.size());
        for (int32_t t = 0; t < n && open > 0; ++t) {
            const int32_t j = level.m_arrConsidered[size_t(t)];
            const int32_t cls = level.m_arrClassOf[size_t(j)];
            if (state[cls] == CLASS_EMPTY) continue;
            const int64_t hits = Listed();
            Child<kPrune>(l, j, s);
            if (m_bAbort) return;
            if (state[cls] == CLASS_UNKNOWN) state[cls] = Listed() == hits ? CLASS_EMPTY : CLASS_LISTS;
            if (state[cls] == CLASS_EMPTY || t == level.m_arrClassLast[size_t(cls)]) --open;
            if (Poll()) return StopAt(After(l, j));
        }
    }

    template <bool kPrune>
    void Child(int l, int32_t j, const CVals& s) {
        m_idx[l] = j;
        CVals s2;
        Add(s2, s, m_plan.m_arrLevels[size_t(l)].m_arrVals[size_t(j)]);
        if (l + 1 == m_plan.m_nLevels)
            Leaf(s2);
        else
            Subtree<kPrune>(l + 1, s2);
    }

    void Leaf(const CVals& s) {
        const CPlan& P = m_plan;
        int32_t total = P.Total(s);
        m_hi[HIGH_TOTAL] = std::max(m_hi[HIGH_TOTAL], total);
        for (int h = HIGH_LUCK; h < HIGH_COUNT; ++h)
            m_hi[size_t(h)] = std::max(m_hi[size_t(h)], s.v[BonusLane(h)]);
        if (!P.Qualifies(total, s)) return;
        if (m_pRank)
            Offer(P.KeyOf(s, total));
        else
            AddHit();
    }

    // Suits listed so far, or for a ranked run the hits kept at any time: a subtree that adds none holds
    // nothing for the list.
    int64_t Listed() const { return int64_t(m_out.m_arrHits.size()) + m_nKept; }

    // Nothing of a key at most `bound` can be listed: worse than the worst of the chunks' full shared best,
    // or no better than the worst of this chunk's own full best, which all come earlier.
    bool Outranked(int64_t bound) const {
        if (bound < m_pRank->Floor()) return true;
        const CRankShared::CWorst w = m_pRank->Worst();
        if (w.full && (bound < w.key || (bound == w.key && m_nChunk > w.chunk))) return true;
        const auto& best = m_out.m_arrRanked;
        return int64_t(best.size()) >= m_plan.m_nSuitLimit && bound <= best.front().m_nKey;
    }
    // Nothing below the prefix s at level l can be listed. The second key is bounded only where the first
    // key's bound is no more than the least first value a listed combination can have, which then also
    // joins the second key's bound.
    bool Outranked(int l, const CVals& s) {
        const CPlan& P = m_plan;
        if (P.m_thenCap.m_bOn) {
            const std::optional<int32_t> floor = FirstFloor();
            if (floor && *floor >= 5 * 70) return OutrankedAtCap(l, s, *floor);
        }
        const int32_t open = P.m_nThen ? std::numeric_limits<int32_t>::max() : 0;
        if (Outranked(RankKey(P.QuickRankBound(l, s), open))) return true;
        const int32_t first = P.RankBound(l, s);
        if (Outranked(RankKey(first, open))) return true;
        if (!P.m_nThen) return false;
        const std::optional<int32_t> floor = FirstFloor();
        if (!floor || first > *floor) return false;
        int32_t second = P.PlainColumnBound(P.m_nThen, l, s);
        if (Outranked(RankKey(first, second))) return true;
        second = std::min(second, P.ThenBound(l, s, floor));
        return Outranked(RankKey(first, second));
    }
    // Only suits at the cap can be listed, so the first key is 350 wherever one can, and the cheapest
    // bounds of the second go first.
    bool OutrankedAtCap(int l, const CVals& s, int32_t floor) {
        const CPlan& P = m_plan;
        constexpr int32_t first = 5 * 70;
        P.BuildCapTail();
        // The tail's best is exact: no other bound can be tighter.
        if (P.HasCapTail(l)) {
            const int64_t best = P.CapTailBound(l, s, WorstSecond(first));
            return best == CCapTail::NONE || Outranked(RankKey(first, int32_t(best)));
        }
        // The multiples fitted to the subtrees above, then the cap itself, then the joins.
        int32_t second = P.PlainColumnBound(P.m_nThen, l, s);
        for (int k = m_nDepth; k <= l && k < m_nDepth + FIT_LEVELS; ++k)
            if (m_fits[size_t(k - m_nDepth)].m_bOn) second = std::min(second, P.CapFitBound(m_fits[size_t(k - m_nDepth)], s, l));
        if (Outranked(RankKey(first, second))) return true;
        if (P.QuickRankBound(l, s) < first || P.RankBound(l, s) < first) return true;
        second = std::min(second, P.ThenBound(l, s, floor));
        if (Outranked(RankKey(first, second))) return true;
        if (l >= m_nDepth + FIT_LEVELS) return false;
        CCapFit& fit = m_fits[size_t(l - m_nDepth)];
        P.FitCap(l, s, l > m_nDepth ? &m_fits[size_t(l - m_nDepth - 1)] : fit.m_bOn ? &fit : nullptr, fit);
        for (int k = l + 1; k < m_nDepth + FIT_LEVELS; ++k) m_fits[size_t(k - m_nDepth)].m_bOn = false;
        second = std::min(second, P.CapFitBound(fit, s, l));
        return Outranked(RankKey(first, second));
    }
    // The second value of the worst key a combination with this first value must beat, where one is known.
    int64_t WorstSecond(int32_t first) const {
        int64_t worst = m_pRank->Floor();
        if (const CRankShared::CWorst w = m_pRank->Worst(); w.full) worst = std::max(worst, w.key);
        if (int64_t(m_out.m_arrRanked.size()) >= m_plan.m_nSuitLimit) worst = std::max(worst, m_out.m_arrRanked.front().m_nKey);
        if (worst == std::numeric_limits<int64_t>::min() || RankKeyFirst(worst) != first) return std::numeric_limits<int64_t>::min();
        return int64_t(int32_t(uint32_t(uint64_t(worst)) ^ 0x80000000u));
    }
    // The least first value a combination must have to be listed, where one is known.
    std::optional<int32_t> FirstFloor() const {
        std::optional<int32_t> floor;
        auto raise = [&](int64_t key) { floor = std::max(floor.value_or(std::numeric_limits<int32_t>::min()), RankKeyFirst(key)); };
        if (m_pRank->Floor() != std::numeric_limits<int64_t>::min()) raise(m_pRank->Floor());
        if (const CRankShared::CWorst w = m_pRank->Worst(); w.full) raise(w.key);
        if (int64_t(m_out.m_arrRanked.size()) >= m_plan.m_nSuitLimit) raise(m_out.m_arrRanked.front().m_nKey);
        return floor;
    }

    void Offer(int64_t key) {
        if (Outranked(key)) return;
        CRankHit hit;
        hit.m_nKey = key;
        hit.m_nChunk = m_nChunk;
        hit.m_nSeq = m_nKept;
        std::copy_n(m_idx, m_plan.m_nLevels, hit.m_idx);
        OfferBest(m_out.m_arrRanked, m_plan.m_nSuitLimit, hit);
        ++m_nKept;
        m_pRank->Publish(hit);
    }

    // A subtree none of whose combinations qualifies: the plain properties' highest values are exactly
    // prefix plus the remaining maxima; the capped total is searched only where it could beat the highest.
    void Bulk(int l, const CVals& s) {
        const CPlan& P = m_plan;
        const CVals& r = P.m_arrRest[size_t(l)];
        int32_t best = m_hi[HIGH_TOTAL];
        if (P.m_bBypass)
            best = std::max(best, s.v[LANE_TOTAL] + r.v[LANE_TOTAL]);
        else if (P.TotalMayReach(l, s, int64_t(best) + 1) && !MaxTotal(l, s, best))
            return StopAt(Start(l));  // the subtree is not counted, so nothing of it may show
        m_hi[HIGH_TOTAL] = best;
        for (int h = HIGH_LUCK; h < HIGH_COUNT; ++h)
            m_hi[size_t(h)] = std::max(m_hi[size_t(h)], s.v[BonusLane(h)] + r.v[BonusLane(h)]);
    }

    // Raises best to the highest capped total of the combinations of levels l.. after s; false on a stop.
    // Only distinct resist vectors that nothing else in their slot beats are tried.
    // Sums that reach a key searched before are passed over: that search left best at least at the highest
    // total below them, and best only grows within a chunk.
    bool MaxTotal(int l, const CVals& s, int32_t& best) {
        const CPlan& P = m_plan;
        const CLevel& level = P.m_arrLevels[size_t(l)];
        const bool last = l + 1 == P.m_nLevels;
        const int32_t bound = P.TotalBound(l, s);
        for (const CVals& v : level.m_arrResistClasses) {
            CVals s2;
            Add(s2, s, v);
            uint64_t key;
            if (last)
                best = std::max(best, P.Total(s2));
            else if (P.TotalMayReach(l + 1, s2, int64_t(best) + 1) && !(P.TotalKey(l + 1, s2, key) && !m_seen.Insert(key)) &&
                     !MaxTotal(l + 1, s2, best))
                return false;
            if (best >= bound) return true;
            if (Poll()) return false;
        }
        return true;
    }

    void AddHit() {
        const CPlan& P = m_plan;
        auto suit = P.MakeSuit(m_idx);
        const CCalcCount pos = Start(P.m_nLevels) + 1;
        m_out.m_arrHits.push_back(CHit{pos, m_hi, std::move(suit)});
        const int64_t hits = int64_t(m_out.m_arrHits.size());
        if (hits >= m_nHitCap || (m_pGate && hits % GATE_EVERY == 0 && m_pGate->Enough(m_nChunk, hits))) StopAt(pos);
    }

    // Combinations of the chunk before the first one with the current indexes at the levels above l.
    CCalcCount Start(int l) const {
        const CPlan& P = m_plan;
        if (P.m_bNarrow) {
            uint64_t r = P.m_arrSize64[size_t(m_nDepth)] * uint64_t(m_nNode - m_nFirst);
            for (int k = m_nDepth; k < l; ++k) r += P.m_arrSize64[size_t(k) + 1] * uint64_t(m_idx[k]);
            return r;
        }
        CCalcCount r = P.m_arrSize[size_t(m_nDepth)] * uint64_t(m_nNode - m_nFirst);
        for (int k = m_nDepth; k < l; ++k) r += P.m_arrSize[size_t(k) + 1] * uint64_t(m_idx[k]);
        return r;
    }
    // ... up to and including every combination with piece j at level l.
    CCalcCount After(int l, int32_t j) const { return Start(l) + m_plan.m_arrSize[size_t(l) + 1] * uint64_t(j + 1); }

    void StopAt(const CCalcCount& examined) {
        m_bAbort = true;
        m_stopAt = examined;
    }
    bool Poll() {
        if (--m_nPoll > 0) return false;
        m_nPoll = POLL_EVERY;
        return m_running.load(std::memory_order_relaxed) == 0;
    }

    const CPlan& m_plan;
    CRankShared* m_pRank;  // ranked runs only
    int64_t m_nKept = 0;   // ranked hits kept by this chunk, later dropped ones included
    CNodeMemo* m_pMemo;
    const std::atomic<int32_t>& m_running;
    CChunkResult& m_out;
    int64_t m_nHitCap;
    IHitGate* m_pGate;
    int64_t m_nChunk;
    int m_nDepth;
    int64_t m_nFirst;
    int64_t m_nEnd;
    int64_t m_nNode = 0;
    std::vector<uint8_t> m_arrState;
    static constexpr int FIT_LEVELS = 1;
    std::array<CCapFit, FIT_LEVELS> m_fits{};  // per level from the chunk's depth: the last fit there
    CalcHighest m_hi{};
    CKeySet m_seen;  // MaxTotal's
    bool m_bAbort = false;
    CCalcCount m_stopAt;
    int m_nPoll = POLL_EVERY;
    int32_t m_idx[SLOT_COUNT] = {};
};

// Puts the chunks together in order and tells the reporter; decides where the run ends.
class CMerger {
public:
    CMerger(const CPlan& plan, std::atomic<int32_t>& running, ICalcReporter& reporter)
        : m_plan(plan), m_running(running), m_reporter(reporter) {}

    // Takes the next chunk in order; returns false once the run has ended.
    bool Take(CChunkResult& r) {
        const CHit* last = nullptr;
        bool stopped = false;
        for (CHit& hit : r.m_arrHits) {
            if (m_running.load() == 0) {
                stopped = true;
                break;
            }
            hit.m_pSuit->m_strName = SuitName(m_nFound);
            ++m_nFound;
            m_reporter.OnSuit(std::move(hit.m_pSuit));
            // A run that ends at its suit limit may never finish a chunk: its progress is where its suits are.
            m_reporter.OnProgress(m_nExamined + hit.m_nPos);
            last = &hit;
            if (m_nFound >= m_plan.m_nSuitLimit) m_running.store(0);
            if (m_running.load() == 0) return EndAt(last);
        }
        if (stopped || m_running.load() == 0 || !r.m_bComplete) {
            // Stopped from outside: the furthest point whose suits have all been listed.
            if (!stopped && r.m_bDone) {
                m_nExamined += r.m_nExamined;
                m_hi = Max(m_hi, r.m_arrHighest);
                return End();
            }
            return EndAt(last);
        }
        m_nExamined += r.m_nExamined;
        m_hi = Max(m_hi, r.m_arrHighest);
        m_reporter.OnProgress(m_nExamined);
        return true;
    }
    // The chunk that was due never came (every worker left on a stop).
    bool Missing() { return EndAt(nullptr); }

    int32_t HighestTotal() const { return m_hi[HIGH_TOTAL]; }
    int64_t Found() const { return m_nFound; }
    const CCalcCount& Examined() const { return m_nExamined; }
    const CalcHighest& Highest() const { return m_hi; }
    bool Ended() const { return m_bEnded; }

    // A ranked run's end: what it examined, the highest values over it, and its best hits in listing order.
    // A stop during the listing ends it; a run stopped before keeps listing the best of what it examined.
    void TakeRanked(const CCalcCount& examined, const CalcHighest& highest, const std::vector<CRankHit>& best) {
        m_nExamined = examined;
        m_hi = highest;
        const bool stoppedBefore = m_running.load() == 0;
        for (const CRankHit& hit : best) {
            if (!stoppedBefore && m_running.load() == 0) break;
            auto suit = m_plan.MakeSuit(hit.m_idx);
            suit->m_strName = SuitName(m_nFound);
            ++m_nFound;
            m_reporter.OnSuit(std::move(suit));
        }
        m_bEnded = true;
    }

    // Nothing examined yet: the first combination is always looked at before a stop takes effect.
    void FirstOnly() {
        const CPlan& P = m_plan;
        m_nExamined = 1;
        int32_t first[SLOT_COUNT];
        CVals s;
        if (!P.DecodePrefix(P.m_nLevels, 0, first, s)) return;
        int32_t total = P.Total(s);
        m_hi[HIGH_TOTAL] = std::max(m_hi[HIGH_TOTAL], total);
        for (int h = HIGH_LUCK; h < HIGH_COUNT; ++h)
            m_hi[size_t(h)] = std::max(m_hi[size_t(h)], s.v[BonusLane(h)]);
        if (P.m_nLevels == 0 || !P.Qualifies(total, s)) return;
        auto suit = P.MakeSuit(first);
        suit->m_strName = SuitName(m_nFound);
        ++m_nFound;
        m_reporter.OnSuit(std::move(suit));
        if (m_nFound >= P.m_nSuitLimit) m_running.store(0);
    }

private:
    bool EndAt(const CHit* last) {
        if (last) {
            m_nExamined += last->m_nPos;
            m_hi = Max(m_hi, last->m_arrHighest);
        }
        return End();
    }
    bool End() {
        m_bEnded = true;
        return false;
    }

    const CPlan& m_plan;
    std::atomic<int32_t>& m_running;
    ICalcReporter& m_reporter;
    int64_t m_nFound = 0;
    CCalcCount m_nExamined;
    CalcHighest m_hi{};
    bool m_bEnded = false;
};

// Marks an exception thrown by the reporter, which passes through the run unchanged.
struct CReporterThrew {
    std::exception_ptr m_error;
};

// Hands every report on; whatever the reporter throws comes out as CReporterThrew.
class CGuardedReporter : public ICalcReporter {
public:
    explicit CGuardedReporter(ICalcReporter& inner) : m_inner(inner) {}
    void OnBegin(const CCalcCount& combinations) override {
        Guard([&] { m_inner.OnBegin(combinations); });
    }
    void OnSuit(std::unique_ptr<CArmorSuit> suit) override {
        Guard([&] { m_inner.OnSuit(std::move(suit)); });
    }
    void OnEnd(const CCalcMsg& end) override {
        Guard([&] { m_inner.OnEnd(end); });
    }
    void OnProgress(const CCalcCount& examined) override {
        Guard([&] { m_inner.OnProgress(examined); });
    }
    void OnBestSoFar(int32_t value) override {
        Guard([&] { m_inner.OnBestSoFar(value); });
    }

private:
    template <class F>
    void Guard(F&& f) {
        try {
            f();
        } catch (...) {
            throw CReporterThrew{std::current_exception()};
        }
    }
    ICalcReporter& m_inner;
};

std::string FailureText(std::exception_ptr e) {
    try {
        std::rethrow_exception(e);
    } catch (const std::bad_alloc&) {
        return "Not enough memory to finish the calculation.";
    } catch (const std::exception& x) {
        return std::string("The calculation failed: ") + x.what();
    } catch (...) {
        return "The calculation failed.";
    }
}

// What the threads of one run share besides the plan: the hooks it started with, its first failure and
// the number of suits made.
class CRunContext {
public:
    explicit CRunContext(std::atomic<int32_t>& running) : m_running(running), m_hooks(g_hooks) {}

    // Searches chunk c into `out`. A failure marks the chunk failed, is kept, and stops the run.
    void RunChunk(const CPlan& plan, const CSplit& split, CNodeMemo* memo, int64_t c, int32_t seedTotal,
                  int64_t hitCap, IHitGate* gate, CChunkResult& out, CRankShared* rank = nullptr) {
        try {
            if (m_hooks.chunkStart) m_hooks.chunkStart(c);
            CChunkSearch search(plan, split, memo, m_running, out, hitCap, gate, c, rank);
            search.Run(seedTotal);
        } catch (...) {
            out.m_bDone = out.m_bComplete = false;
            out.m_bFailed = true;
            Fail(std::current_exception());
        }
        if (!out.m_arrHits.empty()) m_nSuitsMade.fetch_add(int64_t(out.m_arrHits.size()), std::memory_order_relaxed);
        if (!out.m_arrRanked.empty()) m_nSuitsMade.fetch_add(int64_t(out.m_arrRanked.size()), std::memory_order_relaxed);
    }
    void Fail(std::exception_ptr e) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_failure) m_failure = e;
        }
        m_running.store(0);
    }
    std::exception_ptr Failure() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_failure;
    }
    std::thread StartThread(std::function<void()> f) const {
        return m_hooks.startThread ? m_hooks.startThread(std::move(f)) : std::thread(std::move(f));
    }
    int64_t SuitsMade() const { return m_nSuitsMade.load(); }

    std::atomic<int32_t>& m_running;

private:
    const CCalcHooks m_hooks;
    mutable std::mutex m_mutex;
    std::exception_ptr m_failure;
    std::atomic<int64_t> m_nSuitsMade{0};
};

void SearchInline(const CPlan& plan, const CSplit& split, CNodeMemo* memo, CRunContext& run, CMerger& merger) {
    for (int64_t c = 0; c < split.m_nChunks; ++c) {
        CChunkResult r;
        run.RunChunk(plan, split, memo, c, merger.HighestTotal(), plan.m_nSuitLimit - merger.Found(), nullptr, r);
        if (!merger.Take(r)) return;
    }
}

// Workers take chunks in order and run ahead; the calling thread merges. Once the suits found by all
// chunks together reach the suit limit, a chunk stops as soon as the suits before it fill the limit, and
// every chunk but the earliest unfinished one waits for room, so the suits in existence stay near the
// limit however many workers run.
class CParallelSearch : private IHitGate {
public:
    CParallelSearch(const CPlan& plan, const CSplit& split, CNodeMemo* memo, CRunContext& run)
        : m_plan(plan),
          m_split(split),
          m_pMemo(memo),
          m_run(run),
          m_running(run.m_running),
          m_chunks(size_t(split.m_nChunks)),
          m_finished(size_t(split.m_nChunks)),
          m_hits(new std::atomic<int64_t>[size_t(split.m_nChunks)]()) {
        m_nCutoff = split.m_nChunks;
    }

    // Returns the number of workers that ran: 0, having done nothing, when not one could be started.
    int Run(int threads, CMerger& merger) {
        std::vector<std::thread> workers;
        workers.reserve(size_t(threads));
        for (int t = 0; t < threads; ++t) {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                ++m_nActive;
            }
            try {
                workers.push_back(m_run.StartThread([this] { Work(); }));
            } catch (...) {
                // No thread to be had (std::system_error): the run makes do with those it has.
                std::lock_guard<std::mutex> lock(m_mutex);
                --m_nActive;
                break;
            }
        }
        if (workers.empty()) return 0;
        try {
            Merge(merger);
        } catch (...) {
            // A reporter that throws ends the run; the workers must be gone before the stack unwinds.
            m_running.store(0);
            Finish(workers);
            throw;
        }
        // Workers see the cleared flag or run out of chunks; either way they leave soon.
        if (merger.Ended()) m_running.store(0);
        Finish(workers);
        return int(workers.size());
    }

private:
    void Finish(std::vector<std::thread>& workers) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_bOver = true;
        }
        m_cv.notify_all();
        for (auto& w : workers) w.join();
    }

    void Merge(CMerger& merger) {
        for (int64_t c = 0; c < m_split.m_nChunks; ++c) {
            CChunkResult r;
            bool have = false;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_cv.wait(lock, [&] {
                    const CChunkResult& due = m_chunks[size_t(c)];
                    return due.m_bDone || due.m_bFailed || m_nActive == 0;
                });
                const CChunkResult& due = m_chunks[size_t(c)];
                if (due.m_bDone || due.m_bFailed) {
                    r = std::move(m_chunks[size_t(c)]);
                    have = true;
                }
            }
            if (!(have ? merger.Take(r) : merger.Missing())) return;
        }
    }

    void Work() {
        for (;;) {
            int64_t c;
            int32_t seed;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (m_nNext >= m_nCutoff || m_running.load() == 0) break;
                c = m_nNext;
                if (Full() && HitsBefore(c) >= m_plan.m_nSuitLimit) {
                    m_nCutoff = std::min(m_nCutoff, c);
                    break;
                }
                ++m_nNext;
                seed = m_nSeedTotal;
            }
            CChunkResult r;
            m_run.RunChunk(m_plan, m_split, m_pMemo, c, seed, m_plan.m_nSuitLimit, this, r);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (!r.m_bComplete) m_nCutoff = std::min(m_nCutoff, c + 1);
                const int64_t hits = int64_t(r.m_arrHits.size());
                if (hits != m_hits[c].load(std::memory_order_relaxed)) Publish(c, hits);
                m_finished[size_t(c)] = {true, r.m_arrHighest[HIGH_TOTAL]};
                m_chunks[size_t(c)] = std::move(r);
                AdvanceDone();
            }
            m_cv.notify_all();
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            --m_nActive;
        }
        m_cv.notify_all();
    }

    bool Full() const { return m_nMade.load(std::memory_order_relaxed) >= m_plan.m_nSuitLimit; }

    // Under the lock: suits found so far by the chunks before c. Counts only grow, so this never
    // overstates what the merge will list before chunk c.
    int64_t HitsBefore(int64_t c) const {
        int64_t n = m_nDoneHits;
        for (int64_t k = m_nDoneUpTo; k < c; ++k) n += m_hits[k].load(std::memory_order_relaxed);
        return n;
    }

    // Counts a chunk's suits into the total as far as told so far.
    int64_t Publish(int64_t c, int64_t hits) {
        const int64_t added = hits - m_hits[c].exchange(hits, std::memory_order_relaxed);
        return m_nMade.fetch_add(added, std::memory_order_relaxed) + added;
    }

    bool Enough(int64_t c, int64_t hits) override {
        if (Publish(c, hits) < m_plan.m_nSuitLimit) return false;
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            if (m_running.load() == 0 || m_bOver) return true;
            if (HitsBefore(c) + hits >= m_plan.m_nSuitLimit) return true;
            // The earliest unfinished chunk never waits: the merge needs it next.
            if (c == m_nDoneUpTo) return false;
            m_cv.wait_for(lock, std::chrono::milliseconds(10));
        }
    }

    // Called under the lock: extends the finished prefix, its suit count and its highest total.
    void AdvanceDone() {
        while (m_nDoneUpTo < m_split.m_nChunks && m_finished[size_t(m_nDoneUpTo)].m_bDone) {
            m_nDoneHits += m_hits[m_nDoneUpTo].load(std::memory_order_relaxed);
            m_nSeedTotal = std::max(m_nSeedTotal, m_finished[size_t(m_nDoneUpTo)].m_nHighestTotal);
            ++m_nDoneUpTo;
            if (m_nDoneHits >= m_plan.m_nSuitLimit) m_nCutoff = std::min(m_nCutoff, m_nDoneUpTo);
        }
    }

    struct CFinished {
        bool m_bDone = false;
        int32_t m_nHighestTotal = 0;
    };

    const CPlan& m_plan;
    const CSplit& m_split;
    CNodeMemo* m_pMemo;
    CRunContext& m_run;
    std::atomic<int32_t>& m_running;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<CChunkResult> m_chunks;
    std::vector<CFinished> m_finished;
    std::unique_ptr<std::atomic<int64_t>[]> m_hits;  // per chunk: suits found so far
    std::atomic<int64_t> m_nMade{0};                 // suits found by all chunks together
    int64_t m_nNext = 0;
    int64_t m_nCutoff = 0;
    int64_t m_nDoneUpTo = 0;
    int64_t m_nDoneHits = 0;
    int32_t m_nSeedTotal = 0;
    int m_nActive = 0;
    bool m_bOver = false;
};

// A ranked run: every chunk is searched, in any order and on as many threads as given, each keeping its
// own best against a threshold the chunks share; their bests are merged into the run's by value, then
// visiting order, so the result does not depend on threads or chunking. The calling thread reports
// progress meanwhile and lists the suits at the end.
class CRankedSearch {
public:
    CRankedSearch(const CPlan& plan, const CSplit& split, CNodeMemo* memo, CRunContext& run, bool probe)
        : m_plan(plan), m_split(split), m_pMemo(memo), m_run(run), m_bProbe(probe) {}

    // Returns the number of workers that ran (0: the calling thread searched alone).
    int Run(int threads, CMerger& merger, ICalcReporter& reporter) {
        OrderChunks();
        const std::optional<int64_t> probe = m_bProbe ? CRankProbe(m_plan, m_run.m_running).Floor() : std::nullopt;
        // Ranked by the capped total with a second key, the list is mostly full at the cap's 350, and only
        // the second key decides: searched first as if only suits at the cap could be listed, the bounds of
        // the cap apply from the start. That is exact whenever the list fills; where it does not, fewer
        // suits than it lists reach the cap and the run is searched again without that floor.
        const int64_t atCap = RankKey(5 * 70, std::numeric_limits<int32_t>::min());
        if (m_bMayReachCap && (!probe || *probe < atCap)) {
            m_shared.emplace(m_plan.m_nSuitLimit);
            m_shared->SetFloor(atCap);
            const int workers = Pass(threads, reporter);
            ++m_nPasses;
            m_bCapFirst = true;
            if (int64_t(m_best.size()) >= m_plan.m_nSuitLimit || !m_bComplete) return Finish(merger, workers);
            m_nNext = 0;
            m_best.clear();
            m_nExamined = CCalcCount();
            m_hi = CalcHighest{};
        }
        m_shared.emplace(m_plan.m_nSuitLimit);
        if (probe) m_shared->SetFloor(*probe);
        ++m_nPasses;
        return Finish(merger, Pass(threads, reporter));
    }
    int Passes() const { return m_nPasses; }
    bool CapFirst() const { return m_bCapFirst; }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds REPORT_EVERY{100};

    int Finish(CMerger& merger, int workers) {
        std::sort(m_best.begin(), m_best.end(), Better);
        merger.TakeRanked(m_nExamined, m_hi, m_best);
        return workers;
    }

    // Searches every chunk once; m_bComplete tells whether all of them ran to their end.
    int Pass(int threads, ICalcReporter& reporter) {
        m_bComplete = true;
        std::vector<std::thread> workers;
        if (threads > 1) {
            workers.reserve(size_t(threads));
            for (int t = 0; t < threads; ++t) {
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    ++m_nActive;
                }
                try {
                    workers.push_back(m_run.StartThread([this] {
                        Work();
                        Leave();
                    }));
                } catch (...) {
                    Leave();  // no thread to be had: the run makes do with those it has
                    break;
                }
            }
        }
        try {
            if (workers.empty()) {
                auto last = Clock::now();
                while (Next()) {
                    if (Clock::now() - last >= REPORT_EVERY) {
                        Report(reporter);
                        last = Clock::now();
                    }
                }
            } else {
                std::unique_lock<std::mutex> lock(m_mutex);
                while (m_nActive > 0) {
                    m_cv.wait_for(lock, REPORT_EVERY);
                    lock.unlock();
                    Report(reporter);
                    lock.lock();
                }
            }
        } catch (...) {
            // A reporter that throws ends the run; the workers must be gone before the stack unwinds.
            m_run.m_running.store(0);
            for (auto& w : workers) w.join();
            throw;
        }
        for (auto& w : workers) w.join();
        return int(workers.size());
    }

    void Work() {
        while (Next()) {}
    }

    // Chunks that may hold the greatest values go first, so that the bar the others must pass rises early;
    // equal ones in visiting order. (Ties between chunks are settled by their places, whatever the order
    // in which they are searched.)
    void OrderChunks() {
        if (!m_plan.m_bPrune) return;
        const int depth = m_split.m_nDepth;
        // Ranked by the capped total, the chunks that may reach the cap go by the second key's bound there.
        const bool cap = m_plan.m_thenCap.m_bOn;
        std::vector<std::pair<int64_t, int64_t>> keyed;  // (bound, chunk)
        keyed.reserve(size_t(m_split.m_nChunks));
        for (int64_t c = 0; c < m_split.m_nChunks; ++c) {
            int64_t most = std::numeric_limits<int64_t>::min();
            for (int64_t node = m_split.First(c); node < m_split.First(c + 1); ++node) {
                int32_t idx[SLOT_COUNT];
                CVals s;
                if (!m_plan.DecodePrefix(depth, node, idx, s) || !m_plan.Feasible(depth, s)) continue;
                const int32_t first = m_plan.RankBound(depth, s);
                int32_t second = 0;
                if (cap && first >= 5 * 70)
                    second = m_plan.CapBound(depth, s);
                else if (m_plan.m_nThen && !cap)
                    second = m_plan.ThenBound(depth, s, std::nullopt);
                m_bMayReachCap |= cap && first >= 5 * 70;
                most = std::max(most, RankKey(first, second));
            }
            keyed.emplace_back(most, c);
        }
        std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
            return a.first != b.first ? a.first > b.first : a.second < b.second;
        });
        m_order.reserve(keyed.size());
        for (const auto& k : keyed) m_order.push_back(k.second);
    }
    void Leave() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            --m_nActive;
        }
        m_cv.notify_all();
    }

    // Searches the next chunk and merges it; false when none is left or the run was stopped.
    bool Next() {
        const int64_t n = m_nNext.fetch_add(1);
        if (n >= m_split.m_nChunks) return false;
        if (m_run.m_running.load() == 0) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_bComplete = false;
            return false;
        }
        const int64_t c = m_order.empty() ? n : m_order[size_t(n)];
        CChunkResult r;
        m_run.RunChunk(m_plan, m_split, m_pMemo, c, m_nSeedTotal.load(std::memory_order_relaxed),
                       std::numeric_limits<int64_t>::max(), nullptr, r, &*m_shared);
        std::lock_guard<std::mutex> lock(m_mutex);
        // A failed chunk's hits are real; what it examined is not known, so it adds nothing to the count.
        for (const CRankHit& hit : r.m_arrRanked) OfferBest(m_best, m_plan.m_nSuitLimit, hit);
        if (r.m_bDone) {
            m_nExamined += r.m_nExamined;
            m_hi = Max(m_hi, r.m_arrHighest);
            if (r.m_bComplete && r.m_arrHighest[HIGH_TOTAL] > m_nSeedTotal.load(std::memory_order_relaxed))
                m_nSeedTotal.store(r.m_arrHighest[HIGH_TOTAL], std::memory_order_relaxed);
        }
        m_bComplete &= r.m_bComplete;
        return r.m_bComplete;
    }

    void Report(ICalcReporter& reporter) {
        CCalcCount examined;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            examined = m_nExamined;
        }
        // A second pass starts its count again; the bar does not go back.
        if (examined >= m_nReported) {
            m_nReported = examined;
            reporter.OnProgress(examined);
        }
        if (const std::optional<int64_t> best = m_shared->Best()) reporter.OnBestSoFar(RankKeyFirst(*best));
    }

    const CPlan& m_plan;
    const CSplit& m_split;
    CNodeMemo* m_pMemo;
    CRunContext& m_run;
    std::optional<CRankShared> m_shared;  // one per pass
    const bool m_bProbe;
    int m_nPasses = 0;
    bool m_bCapFirst = false;
    bool m_bMayReachCap = false;  // ranked by the capped total with a second key, and some chunk may reach it
    bool m_bComplete = true;      // under the mutex: no chunk of the pass was cut short
    CCalcCount m_nReported;       // the most examined reported so far
    std::vector<int64_t> m_order;  // chunks in the order they are searched
    std::atomic<int64_t> m_nNext{0};
    std::atomic<int32_t> m_nSeedTotal{0};
    std::mutex m_mutex;
    std::condition_variable m_cv;
    int m_nActive = 0;
    // Under the mutex: the run's best so far (a heap until the end), what the merged chunks examined and
    // their highest values.
    std::vector<CRankHit> m_best;
    CCalcCount m_nExamined;
    CalcHighest m_hi{};
};

}  // namespace

std::string SuitName(int64_t number) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "Suit %5.5lld", (long long)number);
    return buf;
}

CalcHighest SummaryLimits(const CCalcParam& p, int32_t lowerLimit) {
    CalcHighest limits{};
    limits[HIGH_TOTAL] = lowerLimit;  // the view's, not the block's
    for (const SettingDef& d : kSettingTable)
        if (d.high > HIGH_TOTAL) limits[size_t(d.high)] = p.*d.param;
    return limits;
}

std::string FormatSummary(const CCalcCount& examined, int64_t found, const CCalcParam& param, int32_t lowerLimit,
                          const CalcHighest& highest) {
    const CalcHighest limits = SummaryLimits(param, lowerLimit);
    char buf[128];
    std::snprintf(buf, sizeof buf, " suit configurations examined.\n%lld %s limit standards.\nAttr.\tLimit\tHighest",
                  (long long)found, found == 1 ? "suit meets" : "suits meet");
    std::string text = examined.ToString() + buf;
    for (int i = 0; i < HIGH_COUNT; ++i) {
        std::snprintf(buf, sizeof buf, "\n%s\t%d\t%d", SummaryRow(i), limits[size_t(i)], highest[size_t(i)]);
        text += buf;
    }
    return text;
}

CCalcResult RunCalculation(const CCalcParam& param, const CalcPool& pool, int32_t lowerLimit,
                           std::atomic<int32_t>& running, ICalcReporter& reporter, int threads) {
    return RunCalculation(param, pool, lowerLimit, running, reporter, threads, CCalcTuning{});
}

CCalcResult RunCalculation(const CCalcParam& param, const CalcPool& pool, int32_t lowerLimit,
                           std::atomic<int32_t>& running, ICalcReporter& outer, int threads,
                           const CCalcTuning& tuning) {
    running.store(1);
    // Cleared after the end report, and also when a reporter throws.
    struct CClearAtExit {
        std::atomic<int32_t>& flag;
        ~CClearAtExit() { flag.store(0); }
    } clear{running};
    CRunContext run(running);
    CGuardedReporter reporter(outer);
    std::optional<CPlan> plan;
    std::optional<CSplit> split;
    std::unique_ptr<CNodeMemo> memo;
    std::optional<CMerger> merger;
    int workers = 0, passes = 0;
    bool capFirst = false;
    const CCalcCount combinations = CombinationCount(param, pool);
    try {
        reporter.OnBegin(combinations);
        plan.emplace(MakePlan(param, pool, lowerLimit, tuning.m_nTailKept));
        split.emplace(MakeSplit(*plan, tuning));
        memo = CNodeMemo::For(*plan, *split);
        merger.emplace(*plan, running, reporter);
        if (running.load() != 0 && plan->m_nLevels > 0) {
            const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
            if (threads <= 0) threads = int(cores);
            threads = std::min(threads, tuning.m_nThreadCap > 0 ? tuning.m_nThreadCap : int(cores));
            threads = int(std::min<int64_t>(threads, split->m_nChunks));
            if (plan->m_nRank > 0) {
                CRankedSearch ranked(*plan, *split, memo.get(), run, tuning.m_bProbe);
                workers = ranked.Run(threads, *merger, reporter);
                passes = ranked.Passes();
                capFirst = ranked.CapFirst();
            } else {
                if (threads > 1) {
                    CParallelSearch parallel(*plan, *split, memo.get(), run);
                    workers = parallel.Run(threads, *merger);
                }
                if (workers == 0) SearchInline(*plan, *split, memo.get(), run, *merger);
            }
        }
        if (!run.Failure() && merger->Examined() == 0) merger->FirstOnly();
    } catch (const CReporterThrew& e) {
        std::rethrow_exception(e.m_error);
    } catch (...) {
        run.Fail(std::current_exception());
    }

    CCalcResult result;
    result.m_nCombinations = combinations;
    if (merger) {
        result.m_nExamined = merger->Examined();
        result.m_nFound = merger->Found();
        result.m_arrHighest = merger->Highest();
    }
    if (std::exception_ptr failure = run.Failure()) result.m_strError = FailureText(failure);
    if (tuning.m_pStats) {
        tuning.m_pStats->m_nWorkers = workers;
        tuning.m_pStats->m_nSuitsMade = run.SuitsMade();
        tuning.m_pStats->m_nPasses = passes;
        tuning.m_pStats->m_bCapFirst = capFirst;
    }
    result.m_strSummary = FormatSummary(result.m_nExamined, result.m_nFound, param, lowerLimit, result.m_arrHighest);
    CCalcMsg end;
    end.m_nSuitsFound = result.m_nFound;
    end.m_nCombinations = result.m_nCombinations;
    end.m_strSummary = result.m_strSummary;
    end.m_strError = result.m_strError;
    outer.OnEnd(end);
    return result;
}

CCalcParam CalcParamFor(const CSearchRequest& request) {
    CCalcParam param;
    param.FillFrom(request.wishes, request.suitLimit);
    return param;
}

CCalcResult RunSearch(const CSearchRequest& request, std::atomic<int32_t>& stop, ICalcReporter& reporter) {
    static const CalcPool kEmpty{};
    return RunCalculation(CalcParamFor(request), request.pool ? *request.pool : kEmpty, request.wishes.m_nLowerLimit,
                          stop, reporter, request.threads);
}

int CalcThreadProc(std::unique_ptr<CCalcParam> param, const CalcPool& pool, int32_t lowerLimit,
                   std::atomic<int32_t>& running, ICalcReporter& reporter, int threads) {
    if (!param) return 0;
    // Notes whether the end was reported, so that a failure after it is not reported twice.
    class CEndNoted : public ICalcReporter {
    public:
        explicit CEndNoted(ICalcReporter& inner) : m_inner(inner) {}
        void OnBegin(const CCalcCount& combinations) override { m_inner.OnBegin(combinations); }
        void OnSuit(std::unique_ptr<CArmorSuit> suit) override { m_inner.OnSuit(std::move(suit)); }
        void OnProgress(const CCalcCount& examined) override { m_inner.OnProgress(examined); }
        void OnBestSoFar(int32_t value) override { m_inner.OnBestSoFar(value); }
        void OnEnd(const CCalcMsg& end) override {
            m_bEnded = true;
            m_inner.OnEnd(end);
        }
        bool m_bEnded = false;

    private:
        ICalcReporter& m_inner;
    } noted(reporter);
    CCalcMsg failed;
    try {
        RunCalculation(*param, pool, lowerLimit, running, noted, threads);
        return 0;
    } catch (...) {
        failed.m_strError = FailureText(std::current_exception());
    }
    if (!noted.m_bEnded) {
        try {
            reporter.OnEnd(failed);
        } catch (...) {
            // Nothing is left to tell; the thread must still end normally.
        }
    }
    return 1;
}

CalcHighest ReachableHighest(const CCalcParam& param, const CalcPool& pool) {
    // A run in which nothing can qualify searches once from the top for its highest values.
    class CQuiet : public ICalcReporter {
        void OnBegin(const CCalcCount&) override {}
        void OnSuit(std::unique_ptr<CArmorSuit>) override {}
        void OnEnd(const CCalcMsg&) override {}
    } quiet;
    CCalcParam none = param;
    none.m_nRankBy = 0;
    none.m_nThenBy = 0;
    const int32_t most = std::numeric_limits<int32_t>::max();
    for (const SettingDef& d : kSettingTable)
        if (d.high > HIGH_TOTAL) none.*d.param = most;
    std::atomic<int32_t> running{0};
    const CCalcResult r = RunCalculation(none, pool, most, running, quiet, 1);
    return r.m_arrHighest;
}

CCalcHooksScope::CCalcHooksScope(CCalcHooks hooks) : m_previous(std::move(g_hooks)) { g_hooks = std::move(hooks); }
CCalcHooksScope::~CCalcHooksScope() { g_hooks = std::move(m_previous); }
