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

#include "calc/CalcState.h"

namespace {

CCalcHooks g_hooks;

// Lanes of a sum vector: the five resists, the eight bonus properties in the order of the highest values
// (HIGH_LUCK..HIGH_HCI are lanes 5..12), then the plain resist total. Lanes 14 and 15 stay 0.
constexpr int LANE_RESIST_END = 5, LANE_BONUS = 5, LANE_BONUS_END = 13, LANE_TOTAL = 13, LANES = 16;
constexpr int BonusLane(int high) { return LANE_BONUS + high - HIGH_LUCK; }

struct alignas(64) CVals {
    int32_t v[LANES];
};

// Sums wrap modulo 2^32 like the 32-bit original; unsigned arithmetic keeps that defined.
inline int32_t Wrap(int32_t a, int32_t b) { return int32_t(uint32_t(a) + uint32_t(b)); }
inline int32_t WrapSub(int32_t a, int32_t b) { return int32_t(uint32_t(a) - uint32_t(b)); }

inline void Add(CVals& r, const CVals& a, const CVals& b) {
    for (int k = 0; k < LANES; ++k) r.v[k] = Wrap(a.v[k], b.v[k]);
}

inline int32_t Cap70(int32_t x) { return x > 70 ? 70 : x; }

CVals ValsOf(const CArmorPiece& p) {
    CVals r{};
    r.v[0] = p.m_nPhysical;
    r.v[1] = p.m_nFire;
    r.v[2] = p.m_nCold;
    r.v[3] = p.m_nPoison;
    r.v[4] = p.m_nEnergy;
    r.v[BonusLane(HIGH_LUCK)] = p.m_nLuck;
    r.v[BonusLane(HIGH_LMC)] = p.m_nLMC;
    r.v[BonusLane(HIGH_LRC)] = p.m_nLRC;
    r.v[BonusLane(HIGH_MR)] = p.m_nMR;
    r.v[BonusLane(HIGH_HR)] = p.m_nHR;
    r.v[BonusLane(HIGH_SR)] = p.m_nSR;
    r.v[BonusLane(HIGH_DCI)] = p.m_nDCI;
    r.v[BonusLane(HIGH_HCI)] = p.m_nHCI;
    r.v[LANE_TOTAL] = Wrap(Wrap(Wrap(Wrap(r.v[0], r.v[1]), r.v[2]), r.v[3]), r.v[4]);
    return r;
}

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
    // Ranked runs by a plain sum (the actual total or a bonus) with a total resist minimum: per level l,
    // step p and set of resists, the most levels l.. can add to 4 x the ranked sum + p x the set's resists.
    static constexpr int STEPS = 5;
    static constexpr int32_t kStep[STEPS] = {1, 2, 4, 8, 16};  // quarters
    bool m_bRankWithTotal = false;
    std::vector<std::array<std::array<int64_t, 32>, STEPS>> m_arrRankRest;
    std::array<const std::vector<CArmorPiece*>*, SLOT_COUNT> m_arrLists{};
    size_t m_nClassStates = 0;  // class states a search keeps, all levels with copies together
    bool m_bPrune = false;      // no sum of any combination can leave the 32-bit range
    bool m_bBypass = false;
    bool m_bMedableOnly = false;
    int32_t m_nLowerLimit = 0;
    CVals m_limits{};  // bonus lanes only
    int64_t m_nSuitLimit = 1;
    int m_nRank = 0;  // the results column a ranked run orders by, 0 for a run that lists as found

    // The number the ranking column shows for a combination with sums s and effective total `total`.
    int32_t RankValue(const CVals& s, int32_t total) const {
        if (m_nRank <= LANE_RESIST_END) return m_bBypass ? s.v[m_nRank - 1] : Cap70(s.v[m_nRank - 1]);
        if (m_nRank == 6) return total;
        if (m_nRank == 7) return s.v[LANE_TOTAL];
        return s.v[BonusLane(HIGH_LUCK + m_nRank - 8)];
    }
    int RankLane() const { return m_nRank == 7 ? LANE_TOTAL : BonusLane(HIGH_LUCK + m_nRank - 8); }
    // The most the ranking column can show for a qualifying combination of levels l.. after the prefix s
    // (pruning plans only). For a ranked sum under a total resist minimum L, any qualifying combination x
    // has sum(x) <= sum(x) + p/4 (S(x) + 70 (5 - |set|) - L) for every set of resists whose sum is S (the
    // capped total is at most S plus 70 for each other resist); the right side splits over the levels.
    int32_t RankBound(int l, const CVals& s) const {
        const int32_t plain = PlainRankBound(l, s);
        if (!m_bRankWithTotal) return plain;
        const int lane = RankLane();
        int64_t sums[32];
        sums[0] = 0;
        int64_t best = int64_t(plain) * 4;
        for (int set = 1; set < 32; ++set) {
            sums[set] = sums[set & (set - 1)] + s.v[__builtin_ctz(unsigned(set))];
            if (m_bBypass && set != 31) continue;  // uncapped, the total is the plain sum of all five
            const int64_t slack = sums[set] + (m_bBypass ? 0 : 70 * (5 - __builtin_popcount(unsigned(set)))) - m_nLowerLimit;
            for (int p = 0; p < STEPS; ++p)
                best = std::min(best, int64_t(s.v[lane]) * 4 + kStep[p] * slack + m_arrRankRest[size_t(l)][size_t(p)][size_t(set)]);
        }
        return int32_t(best >= 0 ? best / 4 : -((-best + 3) / 4));
    }
    // A looser bound that costs little: tried first.
    int32_t QuickRankBound(int l, const CVals& s) const {
        return m_nRank == 6 ? QuickTotalBound(l, s) : PlainRankBound(l, s);
    }
    int32_t PlainRankBound(int l, const CVals& s) const {
        const CVals& r = m_arrRest[size_t(l)];
        if (m_nRank == 6) return TotalBound(l, s);
        if (m_nRank <= LANE_RESIST_END) {
            const int32_t sum = s.v[m_nRank - 1] + r.v[m_nRank - 1];
            return m_bBypass ? sum : Cap70(sum);
        }
        const int lane = m_nRank == 7 ? LANE_TOTAL : BonusLane(HIGH_LUCK + m_nRank - 8);
        return s.v[lane] + r.v[lane];
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
        return QuickTotalBound(l, s) >= limit && TotalBound(l, s) >= limit;
    }
    int32_t TightTotalBound(int l, const CVals& s, int32_t plain) const {
        const std::array<int64_t, 32>& rest = m_arrRestSets[size_t(l)];
        int64_t sums[32];
        sums[0] = 0;
        int64_t best = 5 * 70;
        for (int set = 1; set < 32; ++set) {
            const int low = __builtin_ctz(unsigned(set));
            sums[set] = sums[set & (set - 1)] + s.v[low];
            best = std::min(best, sums[set] + rest[size_t(set)] + 70 * (5 - __builtin_popcount(unsigned(set))));
        }
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

// Sorts the level's considered pieces into classes, and its resist vectors into those worth trying.
void MakeClasses(CLevel& level) {
    std::vector<std::pair<ClassKey, int32_t>> keyed;  // values, place in m_arrConsidered
    keyed.reserve(level.m_arrConsidered.size());
    for (size_t t = 0; t < level.m_arrConsidered.size(); ++t) {
        ClassKey key;
        std::copy_n(level.m_arrVals[size_t(level.m_arrConsidered[t])].v, LANE_TOTAL, key.begin());
        keyed.emplace_back(key, int32_t(t));
    }
    std::sort(keyed.begin(), keyed.end());
    level.m_arrClassOf.assign(size_t(level.m_nCount), -1);
    for (size_t a = 0, b; a < keyed.size(); a = b) {
        for (b = a + 1; b < keyed.size() && keyed[b].first == keyed[a].first; ++b) {}
        const int32_t cls = level.m_nClasses++;
        for (size_t i = a; i < b; ++i) level.m_arrClassOf[size_t(level.m_arrConsidered[size_t(keyed[i].second)])] = cls;
        level.m_arrClassLast.push_back(keyed[b - 1].second);
        level.m_bCopies |= b - a > 1;
    }

    // Resist vectors in the order the pieces come, each once, without those that another one matches or
    // beats in every resist. Past a few thousand the rest is kept unfiltered: it only costs time.
    std::vector<CVals> resists;
    for (int32_t i : level.m_arrConsidered) {
        CVals v{};
        std::copy_n(level.m_arrVals[size_t(i)].v, LANE_RESIST_END, v.v);
        v.v[LANE_TOTAL] = level.m_arrVals[size_t(i)].v[LANE_TOTAL];
        resists.push_back(v);
    }
    constexpr size_t FILTER_UP_TO = 4096;
    auto beats = [](const CVals& w, const CVals& v) {
        for (int k = 0; k < LANE_RESIST_END; ++k)
            if (w.v[k] < v.v[k]) return false;
        return true;
    };
    for (size_t a = 0; a < resists.size(); ++a) {
        const CVals& v = resists[a];
        bool beaten = false;
        if (resists.size() <= FILTER_UP_TO)
            for (size_t b = 0; b < resists.size() && !beaten; ++b)
                beaten = b != a && beats(resists[b], v) && (b < a || !beats(v, resists[b]));
        if (!beaten) level.m_arrResistClasses.push_back(v);
    }
}

// Product over the slots of the candidate counts, a count of 0 counting as 1.
CCalcCount CombinationCount(const CCalcParam& param, const CalcPool& pool) {
    CCalcCount n = 1;
    for (int k = 0; k < SLOT_COUNT; ++k)
        if (param.UseSlot(k) && !pool[size_t(k)].empty())
            n *= std::min<size_t>(pool[size_t(k)].size(), size_t(std::numeric_limits<int32_t>::max()));
    return n;
}

CPlan MakePlan(const CCalcParam& param, const CalcPool& pool, int32_t lowerLimit) {
    CPlan plan;
    plan.m_bBypass = param.m_bBypassResistCap != 0;
    plan.m_bMedableOnly = param.m_bMedableOnly != 0;
    plan.m_nLowerLimit = lowerLimit;
    plan.m_nSuitLimit = param.m_nSuitLimit < 1 ? 1 : param.m_nSuitLimit;
    plan.m_nRank = param.RankColumn();
    for (int k = 0; k < LANES; ++k) plan.m_limits.v[k] = std::numeric_limits<int32_t>::min();
    plan.m_limits.v[BonusLane(HIGH_LUCK)] = param.m_nLuckLimit;
    plan.m_limits.v[BonusLane(HIGH_LMC)] = param.m_nLMCLimit;
    plan.m_limits.v[BonusLane(HIGH_LRC)] = param.m_nLRCLimit;
    plan.m_limits.v[BonusLane(HIGH_MR)] = param.m_nMRLimit;
    plan.m_limits.v[BonusLane(HIGH_HR)] = param.m_nHRLimit;
    plan.m_limits.v[BonusLane(HIGH_SR)] = param.m_nSRLimit;
    plan.m_limits.v[BonusLane(HIGH_DCI)] = param.m_nDCILimit;
    plan.m_limits.v[BonusLane(HIGH_HCI)] = param.m_nHCILimit;

    // Largest magnitude any combination's sum of each lane can take; pruning needs every one in range.
    std::array<int64_t, LANES> reach{};
    for (int k = 0; k < SLOT_COUNT; ++k) {
        const auto& list = pool[size_t(k)];
        if (!param.UseSlot(k) || list.empty()) continue;
        CLevel level;
        level.m_nSlot = k;
        level.m_nCount = int32_t(std::min<size_t>(list.size(), size_t(std::numeric_limits<int32_t>::max())));
        level.m_arrVals.reserve(size_t(level.m_nCount));
        level.m_arrIsConsidered.resize(size_t(level.m_nCount));
        std::array<int64_t, LANES> most{};
        for (int32_t i = 0; i < level.m_nCount; ++i) {
            const CArmorPiece& p = *list[size_t(i)];
            level.m_arrVals.push_back(ValsOf(p));
            bool considered = !(plan.m_bMedableOnly && k < 6 && p.m_bMedable == 0);
            level.m_arrIsConsidered[size_t(i)] = considered;
            if (considered) level.m_arrConsidered.push_back(i);
            for (int lane = 0; lane < LANE_TOTAL; ++lane) {
                int64_t a = level.m_arrVals.back().v[lane];
                most[size_t(lane)] = std::max(most[size_t(lane)], a < 0 ? -a : a);
            }
        }
        for (int lane = 0; lane < LANES; ++lane) reach[size_t(lane)] += most[size_t(lane)];
        MakeClasses(level);
        if (level.m_bCopies) {
            level.m_nStateAt = plan.m_nClassStates;
            plan.m_nClassStates += size_t(level.m_nClasses);
        }
        plan.m_arrLists[plan.m_arrLevels.size()] = &list;
        plan.m_arrLevels.push_back(std::move(level));
    }
    plan.m_nLevels = int(plan.m_arrLevels.size());
    const int64_t limit32 = std::numeric_limits<int32_t>::max();
    int64_t resistReach = 0;
    for (int lane = 0; lane < LANE_RESIST_END; ++lane) resistReach += reach[size_t(lane)];
    plan.m_bPrune = resistReach <= limit32;
    for (int lane = LANE_BONUS; lane < LANE_BONUS_END; ++lane) plan.m_bPrune &= reach[size_t(lane)] <= limit32;

    const int m = plan.m_nLevels;
    plan.m_arrSize.assign(size_t(m) + 1, 1);
    plan.m_arrRest.assign(size_t(m) + 1, CVals{});
    plan.m_arrDead.assign(size_t(m) + 1, 0);
    plan.m_arrSure70.assign(size_t(m) + 1, CVals{});
    plan.m_arrRestSets.assign(size_t(m) + 1, std::array<int64_t, 32>{});
    plan.m_bRankWithTotal = plan.m_nRank >= 7 && plan.m_nLowerLimit > 0;
    if (plan.m_bRankWithTotal) plan.m_arrRankRest.assign(size_t(m) + 1, {});
    for (int k = 0; k < LANE_RESIST_END; ++k) plan.m_arrSure70[size_t(m)].v[k] = 70;
    for (int l = m - 1; l >= 0; --l) {
        const CLevel& level = plan.m_arrLevels[size_t(l)];
        plan.m_arrSize[size_t(l)] = plan.m_arrSize[size_t(l) + 1] * uint64_t(level.m_nCount);
        plan.m_arrDead[size_t(l)] = plan.m_arrDead[size_t(l) + 1] || level.m_arrConsidered.empty();
        CVals rest = plan.m_arrRest[size_t(l) + 1];
        if (!level.m_arrConsidered.empty()) {
            CVals most = level.m_arrVals[size_t(level.m_arrConsidered[0])];
            for (int32_t i : level.m_arrConsidered)
                for (int lane = 0; lane < LANES; ++lane)
                    most.v[lane] = std::max(most.v[lane], level.m_arrVals[size_t(i)].v[lane]);
            Add(rest, rest, most);
        }
        plan.m_arrRest[size_t(l)] = rest;
        plan.m_arrRestSets[size_t(l)] = plan.m_arrRestSets[size_t(l) + 1];
        if (plan.m_bRankWithTotal) {
            plan.m_arrRankRest[size_t(l)] = plan.m_arrRankRest[size_t(l) + 1];
            if (!level.m_arrConsidered.empty())
                for (int p = 0; p < CPlan::STEPS; ++p)
                    for (int set = 1; set < 32; ++set) {
                        int64_t most = std::numeric_limits<int64_t>::min();
                        for (int32_t i : level.m_arrConsidered) {
                            const CVals& v = level.m_arrVals[size_t(i)];
                            int64_t sum = 0;
                            for (int k = 0; k < LANE_RESIST_END; ++k)
                                if (set >> k & 1) sum += v.v[k];
                            most = std::max(most, int64_t(v.v[plan.RankLane()]) * 4 + CPlan::kStep[p] * sum);
                        }
                        plan.m_arrRankRest[size_t(l)][size_t(p)][size_t(set)] += most;
                    }
        }
        if (!level.m_arrConsidered.empty())
            for (int set = 1; set < 32; ++set) {
                int64_t most = std::numeric_limits<int64_t>::min();
                for (int32_t i : level.m_arrConsidered) {
                    int64_t sum = 0;
                    for (int k = 0; k < LANE_RESIST_END; ++k)
                        if (set >> k & 1) sum += level.m_arrVals[size_t(i)].v[k];
                    most = std::max(most, sum);
                }
                plan.m_arrRestSets[size_t(l)][size_t(set)] += most;
            }
        CVals& sure = plan.m_arrSure70[size_t(l)];
        sure = plan.m_arrSure70[size_t(l) + 1];
        for (const CVals& v : level.m_arrResistClasses)
            for (int k = 0; k < LANE_RESIST_END; ++k) sure.v[k] = std::max(sure.v[k], WrapSub(plan.m_arrSure70[size_t(l) + 1].v[k], v.v[k]));
    }
    plan.m_bNarrow = plan.m_arrSize[0] <= CCalcCount(uint64_t(INT64_MAX));
    for (const CCalcCount& size : plan.m_arrSize) plan.m_arrSize64.push_back(plan.m_bNarrow ? uint64_t(size.Clamped64()) : 0);
    return plan;
}

CalcHighest Max(const CalcHighest& a, const CalcHighest& b) {
    CalcHighest r;
    for (int i = 0; i < HIGH_COUNT; ++i) r[size_t(i)] = std::max(a[size_t(i)], b[size_t(i)]);
    return r;
}

// A listed combination: the combinations of its chunk up to and including it, the highest values over
// them, and its suit.
struct CHit {
    CCalcCount m_nPos;
    CalcHighest m_arrHighest{};
    std::unique_ptr<CArmorSuit> m_pSuit;
};

// A qualifying combination a ranked run keeps: its value, its place in visiting order (its chunk, then its
// order within the chunk) and its pieces' indexes.
struct CRankHit {
    int32_t m_nValue = 0;
    int64_t m_nChunk = 0;
    int64_t m_nSeq = 0;
    int32_t m_idx[SLOT_COUNT] = {};
};
// Greater value first; equal values in visiting order.
inline bool Better(const CRankHit& a, const CRankHit& b) {
    if (a.m_nValue != b.m_nValue) return a.m_nValue > b.m_nValue;
    if (a.m_nChunk != b.m_nChunk) return a.m_nChunk < b.m_nChunk;
    return a.m_nSeq < b.m_nSeq;
}
// Keeps the n best hits offered as a heap whose front is the worst of them. False when the hit is not
// among them.
bool OfferBest(std::vector<CRankHit>& heap, int64_t n, const CRankHit& hit) {
    if (int64_t(heap.size()) >= n) {
        if (!Better(hit, heap.front())) return false;
        std::pop_heap(heap.begin(), heap.end(), Better);
        heap.back() = hit;
    } else {
        heap.push_back(hit);
    }
    std::push_heap(heap.begin(), heap.end(), Better);
    return true;
}

// What the threads of a ranked run share while they search: the best of every hit any chunk has kept, by
// value and place. Nothing worse than the worst of a full set of them can be listed.
class CRankShared {
public:
    explicit CRankShared(int64_t n) : m_n(n) {}
    // The worst of the shared best once there are as many as the run lists: its value and its chunk.
    struct CWorst {
        bool full = false;
        int32_t value = 0;
        int64_t chunk = 0;
    };
    // Nothing below this value can be listed (a probe found that many qualifying combinations reaching it).
    void SetFloor(int32_t floor) { m_nFloor = floor; }
    int64_t Floor() const { return m_nFloor; }
    CWorst Worst() const {
        const uint64_t w = m_nWorst.load(std::memory_order_relaxed);
        if (w == 0) return {};
        return {true, int32_t(uint32_t(w >> 32) ^ 0x80000000u), int64_t(w & 0x7FFFFFFF)};
    }
    std::optional<int32_t> Best() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_best.empty() ? std::nullopt : std::optional<int32_t>(m_nBest);
    }
    void Publish(const CRankHit& hit) {
        CRankHit key;  // the place is all that is compared; the pieces stay with the chunk
        key.m_nValue = hit.m_nValue;
        key.m_nChunk = hit.m_nChunk;
        key.m_nSeq = hit.m_nSeq;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_nBest = m_best.empty() ? hit.m_nValue : std::max(m_nBest, hit.m_nValue);
        OfferBest(m_best, m_n, key);
        if (int64_t(m_best.size()) >= m_n) {
            // One word, so that a reader never pairs the value of one worst with the chunk of another.
            const CRankHit& w = m_best.front();
            m_nWorst.store(uint64_t(uint32_t(w.m_nValue) ^ 0x80000000u) << 32 | 0x80000000u | uint64_t(w.m_nChunk),
                           std::memory_order_relaxed);
        }
    }

private:
    const int64_t m_n;
    int64_t m_nFloor = std::numeric_limits<int64_t>::min();  // set before the threads start
    mutable std::mutex m_mutex;
    std::vector<CRankHit> m_best;  // a heap, see OfferBest
    int32_t m_nBest = 0;
    std::atomic<uint64_t> m_nWorst{0};  // 0 until full; the top bit of the low word marks it full
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
            // Mixed-radix digits of the node, head wear most significant.
            int64_t rest = node;
            bool considered = true;
            CVals s{};
            for (int l = depth - 1; l >= 0; --l) {
                const CLevel& level = P.m_arrLevels[size_t(l)];
                m_idx[l] = int32_t(rest % level.m_nCount);
                rest /= level.m_nCount;
            }
            for (int l = 0; l < depth; ++l) {
                const CLevel& level = P.m_arrLevels[size_t(l)];
                considered &= level.m_arrIsConsidered[size_t(m_idx[l])] != 0;
                Add(s, s, level.m_arrVals[size_t(m_idx[l])]);
            }
            if (considered) {
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
                       (m_pRank && (Outranked(m_plan.QuickRankBound(l, s)) || Outranked(m_plan.RankBound(l, s))))))
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
            Offer(P.RankValue(s, total));
        else
            AddHit();
    }

    // Suits listed so far, or for a ranked run the hits kept at any time: a subtree that adds none holds
    // nothing for the list.
    int64_t Listed() const { return int64_t(m_out.m_arrHits.size()) + m_nKept; }

    // Nothing of value at most `bound` can be listed: worse than the worst of the chunks' full shared best,
    // or no better than the worst of this chunk's own full best, which all come earlier.
    bool Outranked(int32_t bound) const {
        if (bound < m_pRank->Floor()) return true;
        const CRankShared::CWorst w = m_pRank->Worst();
        if (w.full && (bound < w.value || (bound == w.value && m_nChunk > w.chunk))) return true;
        const auto& best = m_out.m_arrRanked;
        return int64_t(best.size()) >= m_plan.m_nSuitLimit && bound <= best.front().m_nValue;
    }

    void Offer(int32_t value) {
        if (Outranked(value)) return;
        CRankHit hit;
        hit.m_nValue = value;
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
        auto suit = std::make_unique<CArmorSuit>();
        suit->m_arrPieces.reserve(size_t(P.m_nLevels));
        for (int l = 0; l < P.m_nLevels; ++l) suit->AddPiece((*P.m_arrLists[size_t(l)])[size_t(m_idx[l])]);
        suit->CalcTotals();
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
            auto suit = std::make_unique<CArmorSuit>();
            suit->m_arrPieces.reserve(size_t(m_plan.m_nLevels));
            for (int l = 0; l < m_plan.m_nLevels; ++l) suit->AddPiece((*m_plan.m_arrLists[size_t(l)])[size_t(hit.m_idx[l])]);
            suit->CalcTotals();
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
        CVals s{};
        bool considered = true;
        for (int l = 0; l < P.m_nLevels; ++l) {
            const CLevel& level = P.m_arrLevels[size_t(l)];
            considered &= level.m_arrIsConsidered[0] != 0;
            Add(s, s, level.m_arrVals[0]);
        }
        if (!considered) return;
        int32_t total = P.Total(s);
        m_hi[HIGH_TOTAL] = std::max(m_hi[HIGH_TOTAL], total);
        for (int h = HIGH_LUCK; h < HIGH_COUNT; ++h)
            m_hi[size_t(h)] = std::max(m_hi[size_t(h)], s.v[BonusLane(h)]);
        if (P.m_nLevels == 0 || !P.Qualifies(total, s)) return;
        auto suit = std::make_unique<CArmorSuit>();
        for (int l = 0; l < P.m_nLevels; ++l) suit->AddPiece((*P.m_arrLists[size_t(l)])[0]);
        suit->CalcTotals();
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

// Looks for the ranking values of the n best qualifying combinations, trying the most promising pieces
// first, within a budget of visited nodes. Where it finds n, the least of their values is a floor below
// which nothing can be listed, however the ties among them fall; that lets the search in visiting order
// pass over nearly everything from the start. Copies of a piece count as the combinations they make.
class CRankProbe {
public:
    explicit CRankProbe(const CPlan& plan, const std::atomic<int32_t>& running) : m_plan(plan), m_running(running) {
        m_classes.resize(size_t(plan.m_nLevels));
        for (int l = 0; l < plan.m_nLevels; ++l) {
            const CLevel& level = plan.m_arrLevels[size_t(l)];
            std::vector<CClass>& classes = m_classes[size_t(l)];
            classes.resize(size_t(level.m_nClasses));
            for (int32_t i : level.m_arrConsidered) {
                CClass& c = classes[size_t(level.m_arrClassOf[size_t(i)])];
                if (c.m_nCount++ == 0) c.m_pVals = &level.m_arrVals[size_t(i)];
            }
        }
    }

    std::optional<int32_t> Floor() {
        if (!m_plan.m_bPrune || m_plan.m_arrDead[0]) return std::nullopt;
        Search(0, CVals{}, 1);
        if (m_nHeld < m_plan.m_nSuitLimit) return std::nullopt;
        return m_values.begin()->first;
    }

private:
    struct CClass {
        const CVals* m_pVals = nullptr;
        int64_t m_nCount = 0;
    };
    static constexpr int64_t BUDGET = int64_t(1) << 20;

    bool Full() const { return m_nHeld >= m_plan.m_nSuitLimit; }
    // False once the budget is spent or the run stopped.
    bool Search(int l, const CVals& s, int64_t copies) {
        const CPlan& P = m_plan;
        if (l == P.m_nLevels) {
            const int32_t total = P.Total(s);
            if (P.Qualifies(total, s)) Hold(P.RankValue(s, total), copies);
            return true;
        }
        if (++m_nNodes > BUDGET || ((m_nNodes & 4095) == 0 && m_running.load(std::memory_order_relaxed) == 0))
            return false;
        struct CChild {
            int32_t bound;
            const CClass* cls;
        };
        std::vector<CChild> children;
        children.reserve(m_classes[size_t(l)].size());
        for (const CClass& c : m_classes[size_t(l)]) {
            CVals s2;
            Add(s2, s, *c.m_pVals);
            if (P.Feasible(l + 1, s2)) children.push_back({P.QuickRankBound(l + 1, s2), &c});
        }
        std::stable_sort(children.begin(), children.end(), [](const CChild& a, const CChild& b) { return a.bound > b.bound; });
        for (const CChild& child : children) {
            // The held values only rise: once a child cannot beat the least of them, none after it can.
            if (Full() && child.bound <= m_values.begin()->first) break;
            CVals s2;
            Add(s2, s, *child.cls->m_pVals);
            if (Full() && P.RankBound(l + 1, s2) <= m_values.begin()->first) continue;
            const int64_t more = copies > m_plan.m_nSuitLimit / child.cls->m_nCount ? m_plan.m_nSuitLimit
                                                                                    : copies * child.cls->m_nCount;
            if (!Search(l + 1, s2, more)) return false;
        }
        return true;
    }
    // Holds `copies` combinations of the value, dropping the least as long as n remain without them.
    void Hold(int32_t value, int64_t copies) {
        if (Full() && value <= m_values.begin()->first) return;
        m_values[value] += copies;
        m_nHeld += copies;
        while (m_nHeld - m_values.begin()->second >= m_plan.m_nSuitLimit) {
            m_nHeld -= m_values.begin()->second;
            m_values.erase(m_values.begin());
        }
    }

    const CPlan& m_plan;
    const std::atomic<int32_t>& m_running;
    std::vector<std::vector<CClass>> m_classes;
    std::map<int32_t, int64_t> m_values;  // value -> combinations held
    int64_t m_nHeld = 0;
    int64_t m_nNodes = 0;
};

// A ranked run: every chunk is searched, in any order and on as many threads as given, each keeping its
// own best against a threshold the chunks share; their bests are merged into the run's by value, then
// visiting order, so the result does not depend on threads or chunking. The calling thread reports
// progress meanwhile and lists the suits at the end.
class CRankedSearch {
public:
    CRankedSearch(const CPlan& plan, const CSplit& split, CNodeMemo* memo, CRunContext& run)
        : m_plan(plan), m_split(split), m_pMemo(memo), m_run(run), m_shared(plan.m_nSuitLimit) {}

    // Returns the number of workers that ran (0: the calling thread searched alone).
    int Run(int threads, CMerger& merger, ICalcReporter& reporter) {
        if (const std::optional<int32_t> floor = CRankProbe(m_plan, m_run.m_running).Floor()) m_shared.SetFloor(*floor);
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
        std::sort(m_best.begin(), m_best.end(), Better);
        merger.TakeRanked(m_nExamined, m_hi, m_best);
        return int(workers.size());
    }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds REPORT_EVERY{100};

    void Work() {
        while (Next()) {}
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
        const int64_t c = m_nNext.fetch_add(1);
        if (c >= m_split.m_nChunks || m_run.m_running.load() == 0) return false;
        CChunkResult r;
        m_run.RunChunk(m_plan, m_split, m_pMemo, c, m_nSeedTotal.load(std::memory_order_relaxed),
                       std::numeric_limits<int64_t>::max(), nullptr, r, &m_shared);
        std::lock_guard<std::mutex> lock(m_mutex);
        // A failed chunk's hits are real; what it examined is not known, so it adds nothing to the count.
        for (const CRankHit& hit : r.m_arrRanked) OfferBest(m_best, m_plan.m_nSuitLimit, hit);
        if (r.m_bDone) {
            m_nExamined += r.m_nExamined;
            m_hi = Max(m_hi, r.m_arrHighest);
            if (r.m_bComplete && r.m_arrHighest[HIGH_TOTAL] > m_nSeedTotal.load(std::memory_order_relaxed))
                m_nSeedTotal.store(r.m_arrHighest[HIGH_TOTAL], std::memory_order_relaxed);
        }
        return r.m_bComplete;
    }

    void Report(ICalcReporter& reporter) {
        CCalcCount examined;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            examined = m_nExamined;
        }
        reporter.OnProgress(examined);
        if (const std::optional<int32_t> best = m_shared.Best()) reporter.OnBestSoFar(*best);
    }

    const CPlan& m_plan;
    const CSplit& m_split;
    CNodeMemo* m_pMemo;
    CRunContext& m_run;
    CRankShared m_shared;
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
    return {lowerLimit,    p.m_nLuckLimit, p.m_nLMCLimit, p.m_nLRCLimit, p.m_nMRLimit,
            p.m_nHRLimit,  p.m_nSRLimit,   p.m_nDCILimit, p.m_nHCILimit};
}

std::string FormatSummary(const CCalcCount& examined, int64_t found, const CCalcParam& param, int32_t lowerLimit,
                          const CalcHighest& highest) {
    static const char* const kRows[HIGH_COUNT] = {"Resist", "Luck", "LMC", "LRC", "MR", "HR", "SR", "DCI", "HCI"};
    const CalcHighest limits = SummaryLimits(param, lowerLimit);
    char buf[128];
    std::snprintf(buf, sizeof buf, " suit configurations examined.\n%lld %s limit standards.\nAttr.\tLimit\tHighest",
                  (long long)found, found == 1 ? "suit meets" : "suits meet");
    std::string text = examined.ToString() + buf;
    for (int i = 0; i < HIGH_COUNT; ++i) {
        std::snprintf(buf, sizeof buf, "\n%s\t%d\t%d", kRows[i], limits[size_t(i)], highest[size_t(i)]);
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
    int workers = 0;
    const CCalcCount combinations = CombinationCount(param, pool);
    try {
        reporter.OnBegin(combinations);
        plan.emplace(MakePlan(param, pool, lowerLimit));
        split.emplace(MakeSplit(*plan, tuning));
        memo = CNodeMemo::For(*plan, *split);
        merger.emplace(*plan, running, reporter);
        if (running.load() != 0 && plan->m_nLevels > 0) {
            const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
            if (threads <= 0) threads = int(cores);
            threads = std::min(threads, tuning.m_nThreadCap > 0 ? tuning.m_nThreadCap : int(cores));
            threads = int(std::min<int64_t>(threads, split->m_nChunks));
            if (plan->m_nRank > 0) {
                CRankedSearch ranked(*plan, *split, memo.get(), run);
                workers = ranked.Run(threads, *merger, reporter);
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

int CalcThreadProc(std::unique_ptr<CCalcParam> param, const CalcPool& pool, int32_t lowerLimit,
                   ICalcReporter& reporter, int threads) {
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
        RunCalculation(*param, pool, lowerLimit, TheCalcState().m_bCalcRunning, noted, threads);
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
    const int32_t most = std::numeric_limits<int32_t>::max();
    for (int32_t CCalcParam::*limit : {&CCalcParam::m_nDCILimit, &CCalcParam::m_nHCILimit, &CCalcParam::m_nLMCLimit,
                                       &CCalcParam::m_nLRCLimit, &CCalcParam::m_nLuckLimit, &CCalcParam::m_nMRLimit,
                                       &CCalcParam::m_nHRLimit, &CCalcParam::m_nSRLimit})
        none.*limit = most;
    std::atomic<int32_t> running{0};
    const CCalcResult r = RunCalculation(none, pool, most, running, quiet, 1);
    return r.m_arrHighest;
}

CCalcHooksScope::CCalcHooksScope(CCalcHooks hooks) : m_previous(std::move(g_hooks)) { g_hooks = std::move(hooks); }
CCalcHooksScope::~CCalcHooksScope() { g_hooks = std::move(m_previous); }
