#pragma once
// What a search works from: the pieces of each slot that takes part as sum vectors, level by level, with
// the bounds that let it pass over what cannot qualify or cannot rank. Internal to the search.
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "core/calc/CalcCount.h"
#include "core/calc/CalcEngine.h"

namespace calc_detail {

// Lanes of a sum vector: the five resists, the eight bonus properties in the order of the highest values
// (HIGH_LUCK..HIGH_HCI are lanes 5..12), then the plain resist total. Lanes 14 and 15 stay 0.
constexpr int LANE_RESIST_END = 5, LANE_BONUS = 5, LANE_BONUS_END = 13, LANE_TOTAL = 13, LANES = 16;
constexpr int BonusLane(int high) { return LANE_BONUS + high - HIGH_LUCK; }

struct alignas(64) CVals {
    int32_t v[LANES];
};

// Sums wrap modulo 2^32 as the stored 32-bit sums do; unsigned arithmetic keeps that defined.
inline int32_t Wrap(int32_t a, int32_t b) { return int32_t(uint32_t(a) + uint32_t(b)); }
inline int32_t WrapSub(int32_t a, int32_t b) { return int32_t(uint32_t(a) - uint32_t(b)); }

inline void Add(CVals& r, const CVals& a, const CVals& b) {
    for (int k = 0; k < LANES; ++k) r.v[k] = Wrap(a.v[k], b.v[k]);
}

inline int32_t Cap70(int32_t x) { return x > 70 ? 70 : x; }

// The sum of the resists of a set (bit k: resist k).
inline int64_t SetSum(const CVals& v, int set) {
    int64_t sum = 0;
    for (int k = 0; k < LANE_RESIST_END; ++k)
        if (set >> k & 1) sum += v.v[k];
    return sum;
}

// A scaled bound back in units: the greatest whole number at most x / scale, within the 32-bit range.
inline int32_t ScaledDown(int64_t x, int64_t scale) {
    return int32_t(std::clamp<int64_t>(x >= 0 ? x / scale : -((-x + scale - 1) / scale), INT32_MIN, INT32_MAX));
}

// Resists in each set of them (bit k: resist k); a table, since without a popcount instruction the
// builtin is a library call in the bounds' innermost loops.
constexpr std::array<int, 32> kSetSize = [] {
    std::array<int, 32> n{};
    for (int set = 1; set < 32; ++set) n[size_t(set)] = n[size_t(set & (set - 1))] + 1;
    return n;
}();

// Pieces of one slot whose values are all equal and that the medable rule lets through form a class: the
// combinations below any one of them sum alike, so searching one tells what all the others hold.
using ClassKey = std::array<int32_t, LANE_TOTAL>;

// One slot that takes part: its pieces' values, their classes, and what the slots from here on can add.
struct CLevel {
    int m_nSlot = 0;
    int32_t m_nCount = 0;
    std::vector<CVals> m_arrVals;
    std::vector<int32_t> m_arrConsidered;  // indexes of the pieces the medable rule lets through
    std::vector<char> m_arrIsConsidered;
    std::vector<int32_t> m_arrClassOf;    // per piece: its class, -1 when not considered
    std::vector<int32_t> m_arrClassLast;  // per class: its last place in m_arrConsidered
    int32_t m_nClasses = 0;
    bool m_bCopies = false;  // some class holds more than one piece
    size_t m_nStateAt = 0;   // where the level's class states start in a search's scratch
    // The distinct resist vectors that no other one matches or beats in every resist, highest resist total
    // first: all that the search for the highest capped total needs to try.
    std::vector<CVals> m_arrResistClasses;
};

// A ranked run's order as one number: the first key's value, then the second's (0 without one).
inline int64_t RankKey(int32_t first, int32_t second) {
    return int64_t(first) * (int64_t(1) << 32) + (int64_t(second) - std::numeric_limits<int32_t>::min());
}
inline int32_t RankKeyFirst(int64_t key) { return int32_t(key >> 32); }

// One ranking column and how its bound joins the slack of a minimum: the ranked value is a plain sum
// (m_nJoinRankLane) or, ranked by the capped total, a set's resists plus 70 for each other resist; the
// slack is a set's resists plus 70 for each other resist less the limit, or a sum less its limit
// (m_nJoinLane). Per level l, step p and set of resists: the most levels l.. add to SCALE x the ranked part
// + kStep[p] x the slack's part.
struct CRankKey {
    static constexpr int STEPS = 7;
    static constexpr int64_t SCALE = 16;
    static constexpr int32_t kStep[STEPS] = {1, 2, 4, 8, 16, 32, 64};  // sixteenths
    int m_nColumn = 0;
    bool m_bJoin = false;
    int m_nJoinRankLane = -1;  // -1: ranked by the capped total
    int m_nJoinLane = -1;      // -1: the slack is the capped total's
    int32_t m_nJoinLimit = 0;
    std::vector<std::array<std::array<int64_t, 32>, STEPS>> m_arrJoinRest;
};

// The second key joined with two slacks at once: another minimum's (m_nLane1, fixed limit) and the first
// key's column's (m_nLane2, the floor the run raises). Per level, steps p1, p2 and set of resists: the most
// levels l.. add to SCALE x the value + kStep2[p1] x slack 1 + kStep2[p2] x slack 2 (lane -1: capped total).
struct CThenJoin {
    static constexpr int STEPS = 8;
    static constexpr int32_t kStep2[STEPS] = {0, 1, 2, 4, 8, 16, 32, 64};  // sixteenths
    bool m_bOn = false;
    int m_nValueLane = -1;
    int m_nLane1 = -1, m_nLane2 = -1;
    int32_t m_nLimit1 = 0;
    std::vector<std::array<std::array<std::array<int64_t, 32>, STEPS>, STEPS>> m_arrRest;
};

// Ranked by the capped total, a second key among the suits at the cap's 350, where every resist is at
// least 70: the second key's value plus, per resist, its own multiple of what the resist has above 70 (and
// a multiple of the joined minimum's slack), the multiples found once for the whole pool and tried at a few
// scales. Per level and scale: the most levels l.. add to SCALE x the value + the multiples' parts.
struct CCapJoin {
    static constexpr int SCALES = 5, PARTS = LANE_RESIST_END + 1;
    bool m_bOn = false;
    int m_nValueLane = 0;
    int m_nLane = -1;  // the joined minimum's lane, -1: none
    int32_t m_nLimit = 0;
    std::array<std::array<int64_t, LANE_RESIST_END + 1>, SCALES> m_arrMul{};  // resists, then the minimum's
    std::vector<std::array<int64_t, SCALES>> m_arrRest;
    std::array<double, LANE_RESIST_END + 1> m_arrMu{};  // the pool's multiples, where a subtree's fit starts
    // What a piece adds to part k of the slacks: resist k, then the joined minimum's lane (0 without one).
    int32_t Part(const CVals& v, int k) const { return k < LANE_RESIST_END ? v.v[k] : m_nLane >= 0 ? v.v[m_nLane] : 0; }
};

// The same bound with multiples fitted to one subtree (see CPlan::FitCap). Any multiples that are not
// negative give a bound anywhere, so a fit may serve other subtrees too, only less tightly.
struct CCapFit {
    static constexpr int64_t SCALE = 256;
    bool m_bOn = false;
    std::array<double, LANE_RESIST_END + 1> m_arrMu{};
    std::array<int64_t, LANE_RESIST_END + 1> m_arrMul{};
    std::array<int64_t, SLOT_COUNT + 1> m_arrRest{};  // per level l: the most levels l.. add, SCALE x value + parts
};

// Ranked by the capped total with a second key, at the cap: per level l of the last few, every
// combination of levels l.., its sums in the lanes a listed combination must reach (each only as far as it
// can matter after any prefix) and the second key's, without those that another one matches or beats in
// all of them, the greatest second value first. A prefix at level l finds the best second value its
// completions can have at the cap by scanning down to the first one that reaches every limit.
struct CCapTail {
    bool m_bOn = false;
    int m_nValueLane = 0;
    std::vector<int> m_arrLanes;       // resists, then bonus lanes with a limit
    size_t m_nStride = 8;              // 8 or LANES: the lanes of m_arrMost and the like, padded
    std::vector<int64_t> m_arrLimits;  // per lane
    // One level's combinations in blocks of BLOCK, padded with ones that reach nothing: the values, then
    // each lane's sums.
    static constexpr size_t BLOCK = 8, SUPER = 64;  // a superblock: SUPER / BLOCK blocks
    static constexpr int64_t NONE = std::numeric_limits<int64_t>::min();  // no combination reaches every limit
    struct CTable {
        size_t m_nCount = 0;
        size_t m_nSize = 0;  // padded
        std::vector<int32_t> m_arrValue;
        std::vector<int32_t> m_arrLane;  // lane k's sums at k x m_nSize
        // Per block, per superblock and for the whole table: each lane's greatest sum in it, a block's
        // lanes side by side (m_nStride of them, the padding at the least value).
        std::vector<int32_t> m_arrMost, m_arrMostSuper, m_arrMostAll;
    };
    std::vector<CTable> m_arrTables;  // per level, empty where the level has none
};

struct CPlan {
    int m_nLevels = 0;
    std::vector<CLevel> m_arrLevels;
    // Per level l (0..m): combinations of levels l.., the sum of their maxima over considered pieces,
    // and whether one of them has no considered piece at all (then nothing below is considered).
    std::vector<CCalcCount> m_arrSize;
    std::vector<uint64_t> m_arrSize64;  // the same where all of them fit (m_bNarrow)
    bool m_bNarrow = false;
    std::vector<CVals> m_arrRest;
    std::vector<char> m_arrDead;
    // Per level l: the resist sum from which a resist stays at 70 or more whatever levels l.. add.
    std::vector<CVals> m_arrSure70;
    // Per level l and set of resists (bit k: resist k): the most levels l.. can add to those resists
    // together, each level taking its best piece for that set.
    std::vector<std::array<int64_t, 32>> m_arrRestSets;
    // Ranked runs under a minimum: a ranked value joined with the minimum's slack (see JoinedBound).
    static constexpr int STEPS = CRankKey::STEPS;
    static constexpr int64_t SCALE = CRankKey::SCALE;
    CRankKey m_rank;  // the "Rank By" column
    // With a "Then By" column: that column joined with a minimum other than the first key's, and joined
    // with the first key's own column, whose floor is the least first value a listed combination can
    // still have (known only as the run goes).
    CRankKey m_then, m_thenFloor;
    CThenJoin m_thenBoth;  // both joins at once, where the second key has both
    CCapJoin m_thenCap;
    // Made the first time a run can list only suits at the cap (see BuildCapTail); a run that never gets
    // there does not pay for it.
    struct CCapTailOnce {
        std::mutex m_mutex;
        std::atomic<bool> m_bReady{false};
        CCapTail m_tail;
    };
    std::shared_ptr<CCapTailOnce> m_pCapTail;
    size_t m_nTailKept = 4096;
    int32_t m_nThenFloorMin = std::numeric_limits<int32_t>::min();  // the first key's column's own minimum
    std::array<const std::vector<CArmorPiece*>*, SLOT_COUNT> m_arrLists{};
    size_t m_nClassStates = 0;  // class states a search keeps, all levels with copies together
    bool m_bPrune = false;      // no sum of any combination can leave the 32-bit range
    bool m_bBypass = false;
    bool m_bMedableOnly = false;
    int32_t m_nLowerLimit = 0;
    CVals m_limits{};  // bonus lanes only
    int64_t m_nSuitLimit = 1;
    int m_nRank = 0;  // the results column a ranked run orders by, 0 for a run that lists as found
    int m_nThen = 0;  // the column that orders equal values of it, 0 for none

    // The number a results column shows for a combination with sums s and effective total `total`.
    int32_t ColumnValue(int column, const CVals& s, int32_t total) const {
        if (column <= LANE_RESIST_END) return m_bBypass ? s.v[column - 1] : Cap70(s.v[column - 1]);
        if (column == 6) return total;
        return s.v[ColumnLane(column)];
    }
    int32_t RankValue(const CVals& s, int32_t total) const { return ColumnValue(m_nRank, s, total); }
    // The ranked run's order of a combination (see RankKey).
    int64_t KeyOf(const CVals& s, int32_t total) const {
        return RankKey(RankValue(s, total), m_nThen ? ColumnValue(m_nThen, s, total) : 0);
    }
    // The sum lane of a column: a resist's, the plain total's or a bonus property's; -1 for the capped total.
    static int ColumnLane(int column) {
        return column <= LANE_RESIST_END ? column - 1
               : column == 6             ? -1
               : column == 7             ? LANE_TOTAL
                                         : BonusLane(HIGH_LUCK + column - 8);
    }
    int RankLane() const { return ColumnLane(m_nRank); }
    // The prefix node `node` of the first `depth` levels, head wear most significant: its pieces' indexes,
    // their sums into s, and whether the medable rule lets every one of them through.
    bool DecodePrefix(int depth, int64_t node, int32_t* idx, CVals& s) const {
        for (int l = depth - 1; l >= 0; --l) {
            idx[l] = int32_t(node % m_arrLevels[size_t(l)].m_nCount);
            node /= m_arrLevels[size_t(l)].m_nCount;
        }
        s = CVals{};
        bool considered = true;
        for (int l = 0; l < depth; ++l) {
            const CLevel& level = m_arrLevels[size_t(l)];
            considered &= level.m_arrIsConsidered[size_t(idx[l])] != 0;
            Add(s, s, level.m_arrVals[size_t(idx[l])]);
        }
        return considered;
    }
    // A suit of the pieces with these indexes, one per level, totalled.
    std::unique_ptr<CArmorSuit> MakeSuit(const int32_t* idx) const {
        auto suit = std::make_unique<CArmorSuit>();
        suit->m_arrPieces.reserve(size_t(m_nLevels));
        for (int l = 0; l < m_nLevels; ++l) suit->AddPiece((*m_arrLists[size_t(l)])[size_t(idx[l])]);
        suit->CalcTotals();
        return suit;
    }
    // The most the ranking column can show for a qualifying combination of levels l.. after the prefix s
    // (pruning plans only).
    int32_t RankBound(int l, const CVals& s) const { return JoinedBound(m_rank, l, s, m_rank.m_nJoinLimit); }
    // The most a key's column can show for a qualifying combination of levels l.. after the prefix s whose
    // joined sum reaches `limit`. Any such combination x has value(x) <= value(x) + mu slack(x) for
    // mu >= 0, since its slack is not negative; and the capped total is at most the resists of any set plus
    // 70 for each other resist. Both sides' parts add up level by level, so the best piece of each level
    // bounds them. Tried with the set that bounds the capped total best here, all five and none, at each
    // step mu = kStep / SCALE; any set and step give a bound, these are the ones likely to be tight.
    int32_t JoinedBound(const CRankKey& key, int l, const CVals& s, int32_t limit) const {
        if (!key.m_bJoin) return PlainColumnBound(key.m_nColumn, l, s);
        int set = 31;
        int32_t plain;
        const bool sets = !m_bBypass && (key.m_nJoinRankLane < 0 || key.m_nJoinLane < 0);
        if (sets) {
            // Ranked by the capped total, this bound is the plain one: one pass serves both.
            const int32_t total = TightTotalBound(l, s, s.v[LANE_TOTAL] + m_arrRest[size_t(l)].v[LANE_TOTAL], &set);
            plain = key.m_nColumn == 6 ? total : PlainColumnBound(key.m_nColumn, l, s);
        } else {
            plain = PlainColumnBound(key.m_nColumn, l, s);
        }
        const auto& rest = key.m_arrJoinRest[size_t(l)];
        int64_t best = int64_t(plain) * SCALE;
        ForTriedSets(sets, set, s, [&](int set2, int64_t capped) {
            const int64_t value = key.m_nJoinRankLane < 0 ? capped : s.v[key.m_nJoinRankLane];
            const int64_t slack = (key.m_nJoinLane < 0 ? capped : s.v[key.m_nJoinLane]) - limit;
            for (int p = 0; p < STEPS; ++p)
                best = std::min(best, SCALE * value + CRankKey::kStep[p] * slack + rest[size_t(p)][size_t(set2)]);
        });
        return ScaledDown(best, SCALE);
    }
    // Calls f(set, capped) for the sets of resists a joined bound tries: the one that bounds the capped
    // total best here, then all five and none (only the first without sets), each once. capped: the set's
    // resists of s at their sums, the others at 70 (all at their sums with the bypass).
    template <class F>
    void ForTriedSets(bool sets, int set, const CVals& s, F&& f) const {
        const int tried[3] = {set, 31, 0};
        for (int t = 0; t < (sets ? 3 : 1); ++t) {
            const int set2 = tried[t];
            if (t > 0 && set2 == set) continue;
            f(set2, SetSum(s, set2) + (m_bBypass ? 0 : 70 * (5 - kSetSize[size_t(set2)])));
        }
    }
    // A looser bound that costs little: tried first.
    int32_t QuickRankBound(int l, const CVals& s) const {
        return m_nRank == 6 ? QuickTotalBound(l, s) : PlainRankBound(l, s);
    }
    int32_t PlainRankBound(int l, const CVals& s) const { return PlainColumnBound(m_nRank, l, s); }
    int32_t PlainColumnBound(int column, int l, const CVals& s) const {
        const CVals& r = m_arrRest[size_t(l)];
        if (column == 6) return TotalBound(l, s);
        if (column <= LANE_RESIST_END) {
            const int32_t sum = s.v[column - 1] + r.v[column - 1];
            return m_bBypass ? sum : Cap70(sum);
        }
        const int lane = ColumnLane(column);
        return s.v[lane] + r.v[lane];
    }
    // The most the second key can show after the prefix s for a combination whose first key reaches
    // `floor`, or without a floor (none known yet).
    int32_t ThenBound(int l, const CVals& s, std::optional<int32_t> floor) const {
        int32_t b = JoinedBound(m_then, l, s, m_then.m_nJoinLimit);
        if (!floor || !m_thenFloor.m_bJoin) return b;
        if (m_thenCap.m_bOn && *floor >= 5 * 70) b = std::min(b, CapBound(l, s));
        const int32_t limit2 = std::max(*floor, m_nThenFloorMin);
        if (m_thenBoth.m_bOn) return std::min(b, BothBound(l, s, limit2));
        return std::min(b, JoinedBound(m_thenFloor, l, s, limit2));
    }
    // Only for a first key at the cap: each resist's sum is then 70 or more, so each slack is not negative.
    int32_t CapBound(int l, const CVals& s) const {
        const CCapJoin& j = m_thenCap;
        int64_t best = std::numeric_limits<int64_t>::max();
        for (int t = 0; t < CCapJoin::SCALES; ++t) {
            const auto& mul = j.m_arrMul[size_t(t)];
            int64_t b = SCALE * s.v[j.m_nValueLane] + j.m_arrRest[size_t(l)][size_t(t)];
            for (int k = 0; k < LANE_RESIST_END; ++k) b += mul[size_t(k)] * (int64_t(s.v[k]) - 70);
            if (j.m_nLane >= 0) b += mul[LANE_RESIST_END] * (int64_t(s.v[j.m_nLane]) - j.m_nLimit);
            best = std::min(best, b);
        }
        return ScaledDown(best, SCALE);
    }
    const CCapTail* CapTail() const {
        return m_pCapTail && m_pCapTail->m_bReady.load(std::memory_order_acquire) ? &m_pCapTail->m_tail : nullptr;
    }
    bool HasCapTail(int l) const {
        const CCapTail* c = CapTail();
        return c && c->m_bOn && c->m_arrTables[size_t(l)].m_nSize > 0;
    }
    // Makes the tables once; a thread that finds another making them goes on without.
    void BuildCapTail() const;
    // The best second value of a combination at the cap after the prefix s at level l, where the level has
    // a table (NONE: no such combination); the scan stops below `stopBelow`, returning a bound under it.
    int64_t CapTailBound(int l, const CVals& s, int64_t stopBelow) const {
        return m_pCapTail->m_tail.m_nStride == 8 ? ScanCapTail<8>(l, s, stopBelow) : ScanCapTail<LANES>(l, s, stopBelow);
    }
    // W: the lanes of a block's greatest sums, padded, so that comparing them all at once takes a few
    // vector instructions.
    template <size_t W>
    int64_t ScanCapTail(int l, const CVals& s, int64_t stopBelow) const {
        constexpr size_t B = CCapTail::BLOCK;
        const CCapTail& c = m_pCapTail->m_tail;
        const CCapTail::CTable& table = c.m_arrTables[size_t(l)];
        const size_t lanes = c.m_arrLanes.size(), n = table.m_nSize;
        int32_t need[W];
        for (size_t k = 0; k < W; ++k) {
            const int64_t x = k < lanes ? c.m_arrLimits[k] - int64_t(s.v[c.m_arrLanes[k]]) : std::numeric_limits<int32_t>::min();
            if (x > std::numeric_limits<int32_t>::max()) return CCapTail::NONE;
            need[k] = int32_t(std::max<int64_t>(x, std::numeric_limits<int32_t>::min()));
        }
        const int64_t base = s.v[c.m_nValueLane];
        const int32_t* value = table.m_arrValue.data();
        const auto reaches = [&](const int32_t* most) {
            int all = 1;
            for (size_t k = 0; k < W; ++k) all &= int(most[k] >= need[k]);
            return all != 0;
        };
        if (!reaches(table.m_arrMostAll.data())) return CCapTail::NONE;
        // The values fall along the table: the first entry of a block or superblock is its greatest.
        for (size_t sb = 0; sb < n; sb += CCapTail::SUPER) {
            if (base + value[sb] < stopBelow) return base + value[sb];
            if (!reaches(table.m_arrMostSuper.data() + sb / CCapTail::SUPER * W)) continue;
            for (size_t b = sb; b < std::min(n, sb + CCapTail::SUPER); b += B) {
                if (base + value[b] < stopBelow) return base + value[b];
                if (!reaches(table.m_arrMost.data() + b / B * W)) continue;
                int32_t ok[B];
                for (size_t i = 0; i < B; ++i) ok[i] = 1;
                for (size_t k = 0; k < lanes; ++k) {
                    const int32_t* x = table.m_arrLane.data() + k * n + b;
                    for (size_t i = 0; i < B; ++i) ok[i] &= int32_t(x[i] >= need[k]);
                }
                for (size_t i = 0; i < B; ++i)
                    if (ok[i]) return base + value[b + i];
            }
        }
        return CCapTail::NONE;
    }
    // CapBound with the multiples of a fit.
    int32_t CapFitBound(const CCapFit& f, const CVals& s, int l) const {
        const CCapJoin& j = m_thenCap;
        int64_t b = CCapFit::SCALE * s.v[j.m_nValueLane] + f.m_arrRest[size_t(l)];
        for (int k = 0; k < LANE_RESIST_END; ++k) b += f.m_arrMul[size_t(k)] * (int64_t(s.v[k]) - 70);
        if (j.m_nLane >= 0) b += f.m_arrMul[LANE_RESIST_END] * (int64_t(s.v[j.m_nLane]) - j.m_nLimit);
        return ScaledDown(b, CCapFit::SCALE);
    }
    // Fits multiples to the subtree after the prefix s at level l, starting from `from`'s (or the pool's).
    void FitCap(int l, const CVals& s, const CCapFit* from, CCapFit& fit) const;
    // value <= value + mu1 slack1 + mu2 slack2 for any mu1, mu2 >= 0 where both slacks are not negative;
    // with mu2 = 0 or mu1 = 0 this is each single join, so it is never looser than they are.
    int32_t BothBound(int l, const CVals& s, int32_t limit2) const {
        const CThenJoin& j = m_thenBoth;
        int set = 31;
        const bool sets = !m_bBypass && (j.m_nValueLane < 0 || j.m_nLane1 < 0 || j.m_nLane2 < 0);
        if (sets) TightTotalBound(l, s, s.v[LANE_TOTAL] + m_arrRest[size_t(l)].v[LANE_TOTAL], &set);
        int64_t best = int64_t(PlainColumnBound(m_nThen, l, s)) * SCALE;
        const auto& rest = j.m_arrRest[size_t(l)];
        ForTriedSets(sets, set, s, [&](int set2, int64_t capped) {
            const int64_t value = j.m_nValueLane < 0 ? capped : s.v[j.m_nValueLane];
            const int64_t slack1 = (j.m_nLane1 < 0 ? capped : s.v[j.m_nLane1]) - j.m_nLimit1;
            const int64_t slack2 = (j.m_nLane2 < 0 ? capped : s.v[j.m_nLane2]) - limit2;
            for (int p1 = 0; p1 < CThenJoin::STEPS; ++p1)
                for (int p2 = 0; p2 < CThenJoin::STEPS; ++p2)
                    best = std::min(best, SCALE * value + CThenJoin::kStep2[p1] * slack1 + CThenJoin::kStep2[p2] * slack2 +
                                              rest[size_t(p1)][size_t(p2)][size_t(set2)]);
        });
        return ScaledDown(best, SCALE);
    }

    int32_t Total(const CVals& s) const {
        if (m_bBypass) return s.v[LANE_TOTAL];
        int32_t t = 0;
        for (int k = 0; k < LANE_RESIST_END; ++k) t = Wrap(t, Cap70(s.v[k]));
        return t;
    }
    bool Qualifies(int32_t total, const CVals& s) const {
        bool ok = total >= m_nLowerLimit;
        for (int k = LANE_BONUS; k < LANE_BONUS_END; ++k) ok &= s.v[k] >= m_limits.v[k];
        return ok;
    }
    // Highest effective total any combination of levels l.. can reach after the prefix s (pruning plans
    // only: no sum wraps there). Both the capped sum of per-resist bounds and the plain bound hold.
    // Capped: min(70, x) <= x and <= 70, so for any set of resists taken at their sum and the others at
    // 70, the total is at most those sums plus 70 for each other; the least of the 32 sets is the bound.
    int32_t TotalBound(int l, const CVals& s) const {
        const CVals& r = m_arrRest[size_t(l)];
        int32_t plain = s.v[LANE_TOTAL] + r.v[LANE_TOTAL];
        if (m_bBypass) return plain;
        return TightTotalBound(l, s, plain);
    }
    // The same with each resist bounded alone: looser, and a fraction of the work.
    int32_t QuickTotalBound(int l, const CVals& s) const {
        const CVals& r = m_arrRest[size_t(l)];
        int32_t plain = s.v[LANE_TOTAL] + r.v[LANE_TOTAL];
        if (m_bBypass) return plain;
        int32_t capped = 0;
        for (int k = 0; k < LANE_RESIST_END; ++k) capped += Cap70(s.v[k] + r.v[k]);
        return std::min(plain, capped);
    }
    bool TotalMayReach(int l, const CVals& s, int64_t limit) const {
        // Where any total passes, the looser bound is enough.
        return QuickTotalBound(l, s) >= limit && (limit <= 0 || TotalBound(l, s) >= limit);
    }
    // bestSet, where given, receives the set whose bound is the least (0: all five at 70).
    int32_t TightTotalBound(int l, const CVals& s, int32_t plain, int* bestSet = nullptr) const {
        const std::array<int64_t, 32>& rest = m_arrRestSets[size_t(l)];
        int64_t sums[32];
        sums[0] = 0;
        int64_t best = 5 * 70;
        int arg = 0;
        for (int set = 1; set < 32; ++set) {
            const int low = __builtin_ctz(unsigned(set));
            sums[set] = sums[set & (set - 1)] + s.v[low];
            const int64_t b = sums[set] + rest[size_t(set)] + 70 * (5 - kSetSize[set]);
            if (b < best) {
                best = b;
                arg = set;
            }
        }
        if (bestSet) *bestSet = arg;
        return int32_t(std::min<int64_t>(best, plain));
    }
    // The resist sums s before level l (l > 0) as far as the capped total of levels l.. can tell them
    // apart, as a non-zero key; false where they do not fit one.
    bool TotalKey(int l, const CVals& s, uint64_t& key) const {
        key = uint64_t(l);
        for (int k = 0; k < LANE_RESIST_END; ++k) {
            const int32_t x = std::min(s.v[k], m_arrSure70[size_t(l)].v[k]);
            if (x < -2048 || x > 2047) return false;
            key = key << 12 | uint64_t(x + 2048);
        }
        return true;
    }
    bool Feasible(int l, const CVals& s) const {
        const CVals& r = m_arrRest[size_t(l)];
        bool ok = true;
        for (int k = LANE_BONUS; k < LANE_BONUS_END; ++k) ok &= s.v[k] + r.v[k] >= m_limits.v[k];
        return ok && TotalMayReach(l, s, m_nLowerLimit);
    }
};

CVals ValsOf(const CArmorPiece& p);
// Product over the slots of the candidate counts, a count of 0 counting as 1.
CCalcCount CombinationCount(const CCalcParam& param, const CalcPool& pool);
CPlan MakePlan(const CCalcParam& param, const CalcPool& pool, int32_t lowerLimit, int64_t tailKept = 4096);
// Each highest value of the two.
CalcHighest Max(const CalcHighest& a, const CalcHighest& b);

}  // namespace calc_detail
