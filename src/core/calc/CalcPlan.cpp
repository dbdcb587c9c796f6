#include "CalcPlan.h"

#include <cmath>
#include <limits>
#include <utility>

namespace calc_detail {

CVals ValsOf(const CArmorPiece& p) {
    CVals r{};
    const CPropertyValues values = CPropertyValues::Of(p);
    for (const PropertyDef& d : kPropertyTable)
        r.v[d.high < 0 ? d.index : BonusLane(d.high)] = values.v[size_t(d.index)];
    r.v[LANE_TOTAL] = Wrap(Wrap(Wrap(Wrap(r.v[0], r.v[1]), r.v[2]), r.v[3]), r.v[4]);
    return r;
}

// Which minimum a ranked key's bound joins with its value: the total resist minimum when the ranked
// column is not the capped total (and the total is not left to another key), otherwise the bonus minimum
// closest to what the pool can reach at most, passing over the lanes given. Resist columns are capped at
// 70 already and join nothing.
static void ChooseJoin(const CPlan& plan, CRankKey& key, int column, int otherLane, bool totalJoin) {
    key.m_nColumn = column;
    if (!plan.m_bPrune || column < 6) return;
    key.m_nJoinRankLane = CPlan::ColumnLane(column);
    if (column != 6 && totalJoin && plan.m_nLowerLimit > 0) {
        key.m_nJoinLane = -1;
        key.m_nJoinLimit = plan.m_nLowerLimit;
        key.m_bJoin = true;
        return;
    }
    double tightest = 0;
    for (int lane = LANE_BONUS; lane < LANE_BONUS_END; ++lane) {
        const int32_t limit = plan.m_limits.v[lane], reach = plan.m_arrRest[0].v[lane];
        if (limit <= 0 || lane == key.m_nJoinRankLane || lane == otherLane) continue;
        const double share = double(limit) / std::max(1, reach);
        if (share > tightest) {
            tightest = share;
            key.m_nJoinLane = lane;
            key.m_nJoinLimit = limit;
            key.m_bJoin = true;
        }
    }
}

// The second key joined with the first key's column, whose limit the run raises as it goes.
static void ChooseFloorJoin(CPlan& plan) {
    CRankKey& key = plan.m_thenFloor;
    key.m_nColumn = plan.m_nThen;
    if (!plan.m_bPrune || plan.m_nThen < 6) return;
    key.m_nJoinRankLane = CPlan::ColumnLane(plan.m_nThen);
    key.m_nJoinLane = CPlan::ColumnLane(plan.m_nRank);
    key.m_bJoin = true;
    if (plan.m_nRank == 6)
        plan.m_nThenFloorMin = plan.m_nLowerLimit;
    else if (plan.m_nRank >= 8)
        plan.m_nThenFloorMin = plan.m_limits.v[key.m_nJoinLane];
}

using CapMu = std::array<double, CCapJoin::PARTS>;

// The levels from l on, each at its best for the multiples mu: adds to value each level's most of the second
// key's value plus mu times the parts, and to g the parts of the pieces that give it.
static void AddCapLevels(const CPlan& plan, int l, const CapMu& mu, double& value, CapMu& g) {
    const CCapJoin& j = plan.m_thenCap;
    for (int lv = l; lv < plan.m_nLevels; ++lv) {
        const CLevel& level = plan.m_arrLevels[size_t(lv)];
        double most = -std::numeric_limits<double>::max();
        const CVals* arg = nullptr;
        for (int32_t i : level.m_arrConsidered) {
            const CVals& v = level.m_arrVals[size_t(i)];
            double x = v.v[j.m_nValueLane];
            for (int k = 0; k < CCapJoin::PARTS; ++k) x += mu[size_t(k)] * j.Part(v, k);
            if (x > most) {
                most = x;
                arg = &v;
            }
        }
        if (!arg) continue;
        value += most;
        for (int k = 0; k < CCapJoin::PARTS; ++k) g[size_t(k)] += j.Part(*arg, k);
    }
}

// One level's most of scale x the second key's value plus the whole multiples mul times the parts, over its
// considered pieces (the least int64 where it has none).
static int64_t CapLevelMost(const CCapJoin& j, const CLevel& level, int64_t scale,
                            const std::array<int64_t, CCapJoin::PARTS>& mul) {
    int64_t most = std::numeric_limits<int64_t>::min();
    for (int32_t i : level.m_arrConsidered) {
        const CVals& v = level.m_arrVals[size_t(i)];
        int64_t x = scale * v.v[j.m_nValueLane];
        for (int k = 0; k < CCapJoin::PARTS; ++k) x += mul[size_t(k)] * j.Part(v, k);
        most = std::max(most, x);
    }
    return most;
}

// The multiples of CCapJoin: those that bound the second key best over the whole pool (a projected
// subgradient descent on them), at a few scales around them, since each part of the space has its own best.
static void MakeCapJoin(CPlan& plan) {
    CCapJoin& j = plan.m_thenCap;
    if (!plan.m_bPrune || plan.m_bBypass || plan.m_nRank != 6 || plan.m_nThen < 7 || plan.m_nLevels == 0) return;
    j.m_bOn = true;
    j.m_nValueLane = CPlan::ColumnLane(plan.m_nThen);
    if (plan.m_then.m_bJoin && plan.m_then.m_nJoinLane >= 0) {
        j.m_nLane = plan.m_then.m_nJoinLane;
        j.m_nLimit = plan.m_then.m_nJoinLimit;
    }
    const int parts = CCapJoin::PARTS;
    const int64_t limit[parts] = {70, 70, 70, 70, 70, j.m_nLimit};
    CapMu mu{};
    CapMu bestMu{};
    double bestValue = std::numeric_limits<double>::max();
    for (int it = 0; it < 300; ++it) {
        double value = 0;
        CapMu g{};
        for (int k = 0; k < parts; ++k) {
            value -= mu[size_t(k)] * double(limit[k]);
            g[size_t(k)] = -double(limit[k]);
        }
        AddCapLevels(plan, 0, mu, value, g);
        if (value < bestValue) {
            bestValue = value;
            bestMu = mu;
        }
        const double step = 0.5 / (1 + it);
        for (int k = 0; k < parts; ++k) mu[size_t(k)] = std::max(0.0, mu[size_t(k)] - step * g[size_t(k)]);
    }
    j.m_arrMu = bestMu;
    static constexpr double kScales[CCapJoin::SCALES] = {0.5, 0.75, 1, 1.5, 2};
    for (int t = 0; t < CCapJoin::SCALES; ++t)
        for (int k = 0; k < parts; ++k)
            j.m_arrMul[size_t(t)][size_t(k)] = int64_t(std::llround(double(CPlan::SCALE) * kScales[t] * bestMu[size_t(k)]));
    const int m = plan.m_nLevels;
    j.m_arrRest.assign(size_t(m) + 1, {});
    for (int l = m - 1; l >= 0; --l) {
        const CLevel& level = plan.m_arrLevels[size_t(l)];
        j.m_arrRest[size_t(l)] = j.m_arrRest[size_t(l) + 1];
        if (level.m_arrConsidered.empty()) continue;
        for (int t = 0; t < CCapJoin::SCALES; ++t)
            j.m_arrRest[size_t(l)][size_t(t)] += CapLevelMost(j, level, CPlan::SCALE, j.m_arrMul[size_t(t)]);
    }
}

// Level by level from the last: a level's combinations are its pieces with the next level's kept
// combinations, since one that another matches or beats stays so with any piece added. Capped sums stay
// exact: a lane's cap before level l is its cap before l + 1 less what level l holds at least.
static void MakeCapTail(const CPlan& plan, CCapTail& c, size_t maxKept) {
    // Bounds on the tables' size and on the comparisons that build them, a few hundredths of a second.
    constexpr size_t MAX_TRIED = size_t(1) << 14;
    constexpr int64_t MAX_WORK = int64_t(1) << 22;  // blocks of kept ones looked at
    int64_t work = 0;
    const CCapJoin& j = plan.m_thenCap;
    const int m = plan.m_nLevels;
    std::vector<int64_t> least(size_t(LANES) * size_t(m + 1), 0);  // per level l and lane: least of levels < l
    for (int l = 0; l < m; ++l)
        for (int lane = 0; lane < LANES; ++lane) {
            int64_t lo = 0;
            const CLevel& level = plan.m_arrLevels[size_t(l)];
            if (!level.m_arrConsidered.empty()) {
                lo = std::numeric_limits<int64_t>::max();
                for (int32_t i : level.m_arrConsidered) lo = std::min<int64_t>(lo, level.m_arrVals[size_t(i)].v[lane]);
            }
            least[size_t(l + 1) * LANES + size_t(lane)] = least[size_t(l) * LANES + size_t(lane)] + lo;
        }
    for (int k = 0; k < LANE_RESIST_END; ++k) {
        c.m_arrLanes.push_back(k);
        c.m_arrLimits.push_back(70);
    }
    for (int lane = LANE_BONUS; lane < LANE_BONUS_END; ++lane)
        if (plan.m_limits.v[lane] > least[size_t(m) * LANES + size_t(lane)]) {
            c.m_arrLanes.push_back(lane);
            c.m_arrLimits.push_back(plan.m_limits.v[lane]);
        }
    c.m_nValueLane = j.m_nValueLane;
    const size_t lanes = c.m_arrLanes.size(), w = 1 + lanes;
    c.m_nStride = lanes <= 8 ? 8 : LANES;
    c.m_arrTables.assign(size_t(m) + 1, {});
    std::vector<int64_t> next(w, 0);  // the empty combination after the last level
    for (int l = m - 1; l >= 0; --l) {
        const CLevel& level = plan.m_arrLevels[size_t(l)];
        if (level.m_arrConsidered.empty() || level.m_arrConsidered.size() * (next.size() / w) > MAX_TRIED) break;
        std::vector<int64_t> all;
        all.reserve(level.m_arrConsidered.size() * next.size());
        for (int32_t i : level.m_arrConsidered) {
            const CVals& v = level.m_arrVals[size_t(i)];
            for (size_t f = 0; f < next.size(); f += w) {
                all.push_back(next[f] + v.v[c.m_nValueLane]);
                for (size_t k = 0; k < lanes; ++k) {
                    const int64_t cap = c.m_arrLimits[k] - least[size_t(l) * LANES + size_t(c.m_arrLanes[k])];
                    all.push_back(std::min<int64_t>(next[f + 1 + k] + v.v[c.m_arrLanes[k]], cap));
                }
            }
        }
        std::vector<size_t> order;
        for (size_t e = 0; e < all.size(); e += w) order.push_back(e);
        std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) { return all[x] > all[y]; });
        // Kept ones in blocks with each lane's greatest sum, so that most blocks are passed over at once.
        constexpr size_t KEPT_BLOCK = 8;
        std::vector<int64_t> kept, keptMost;
        bool tooMany = false;
        for (size_t e : order) {
            const int64_t* x = all.data() + e;
            bool beaten = false;
            const size_t rows = kept.size() / w;
            for (size_t b = 0; b * KEPT_BLOCK < rows && !beaten; ++b) {
                bool may = true;
                for (size_t k = 1; k < w && may; ++k) may = keptMost[b * w + k] >= x[k];
                if (!may) continue;
                for (size_t f = b * KEPT_BLOCK; f < std::min(rows, (b + 1) * KEPT_BLOCK) && !beaten; ++f) {
                    beaten = true;
                    for (size_t k = 1; k < w && beaten; ++k) beaten = kept[f * w + k] >= x[k];
                }
            }
            work += int64_t(rows / KEPT_BLOCK + 1);
            if (beaten) continue;
            if (rows >= maxKept || work > MAX_WORK) {
                tooMany = true;
                break;
            }
            if (rows % KEPT_BLOCK == 0) keptMost.insert(keptMost.end(), w, std::numeric_limits<int64_t>::min());
            int64_t* most = keptMost.data() + rows / KEPT_BLOCK * w;
            for (size_t k = 0; k < w; ++k) most[k] = std::max(most[k], x[k]);
            kept.insert(kept.end(), x, x + w);
        }
        if (tooMany) break;
        CCapTail::CTable& table = c.m_arrTables[size_t(l)];
        const size_t count = kept.size() / w, size = (count + CCapTail::BLOCK - 1) / CCapTail::BLOCK * CCapTail::BLOCK;
        table.m_nSize = size;
        table.m_nCount = count;
        table.m_arrValue.assign(size, std::numeric_limits<int32_t>::min());
        table.m_arrLane.assign(size * lanes, std::numeric_limits<int32_t>::min());
        for (size_t e = 0; e < count; ++e) {
            table.m_arrValue[e] = int32_t(kept[e * w]);
            for (size_t k = 0; k < lanes; ++k) table.m_arrLane[k * size + e] = int32_t(kept[e * w + 1 + k]);
        }
        const size_t blocks = size / CCapTail::BLOCK;
        const size_t supers = (size + CCapTail::SUPER - 1) / CCapTail::SUPER;
        const size_t stride = c.m_nStride;
        table.m_arrMost.assign(blocks * stride, std::numeric_limits<int32_t>::min());
        table.m_arrMostSuper.assign(supers * stride, std::numeric_limits<int32_t>::min());
        table.m_arrMostAll.assign(stride, std::numeric_limits<int32_t>::min());
        for (size_t k = 0; k < lanes; ++k)
            for (size_t e = 0; e < size; ++e) {
                const int32_t x = table.m_arrLane[k * size + e];
                int32_t& most = table.m_arrMost[e / CCapTail::BLOCK * stride + k];
                int32_t& mostSuper = table.m_arrMostSuper[e / CCapTail::SUPER * stride + k];
                most = std::max(most, x);
                mostSuper = std::max(mostSuper, x);
                table.m_arrMostAll[k] = std::max(table.m_arrMostAll[k], x);
            }
        next = std::move(kept);
        c.m_bOn = true;
    }
}

void CPlan::BuildCapTail() const {
    if (!m_pCapTail || m_pCapTail->m_bReady.load(std::memory_order_acquire)) return;
    std::unique_lock<std::mutex> lock(m_pCapTail->m_mutex, std::try_to_lock);
    if (!lock.owns_lock() || m_pCapTail->m_bReady.load(std::memory_order_relaxed)) return;
    MakeCapTail(*this, m_pCapTail->m_tail, m_nTailKept);
    m_pCapTail->m_bReady.store(true, std::memory_order_release);
}

// A projected subgradient descent on the subtree's own dual: the prefix's slacks are known, so only the
// levels from l on are maximised over.
void CPlan::FitCap(int l, const CVals& s, const CCapFit* from, CCapFit& fit) const {
    const CCapJoin& j = m_thenCap;
    const int parts = CCapJoin::PARTS;
    CapMu slack{};
    for (int k = 0; k < parts; ++k)
        slack[size_t(k)] = k < LANE_RESIST_END ? double(s.v[k]) - 70 : (j.m_nLane >= 0 ? double(s.v[j.m_nLane]) - j.m_nLimit : 0);
    CapMu mu = from && from->m_bOn ? from->m_arrMu : j.m_arrMu;
    CapMu bestMu = mu;
    double bestValue = std::numeric_limits<double>::max();
    constexpr int ITERATIONS = 10;
    for (int it = 0; it < ITERATIONS; ++it) {
        double value = double(s.v[j.m_nValueLane]);
        CapMu g = slack;
        for (int k = 0; k < parts; ++k) value += mu[size_t(k)] * slack[size_t(k)];
        AddCapLevels(*this, l, mu, value, g);
        if (value < bestValue) {
            bestValue = value;
            bestMu = mu;
        }
        double norm = 0;
        for (int k = 0; k < parts; ++k) norm += g[size_t(k)] * g[size_t(k)];
        if (norm == 0) break;
        const double step = 2.0 / (std::sqrt(norm) * (1 + it));
        for (int k = 0; k < parts; ++k) mu[size_t(k)] = std::max(0.0, mu[size_t(k)] - step * g[size_t(k)]);
    }
    fit.m_bOn = true;
    fit.m_arrMu = bestMu;
    for (int k = 0; k < parts; ++k) fit.m_arrMul[size_t(k)] = int64_t(std::llround(double(CCapFit::SCALE) * bestMu[size_t(k)]));
    std::array<int64_t, SLOT_COUNT> levelMost{};
    for (int lv = 0; lv < m_nLevels; ++lv) {
        const CLevel& level = m_arrLevels[size_t(lv)];
        if (!level.m_arrConsidered.empty()) levelMost[size_t(lv)] = CapLevelMost(j, level, CCapFit::SCALE, fit.m_arrMul);
    }
    fit.m_arrRest.fill(0);
    for (int lv = m_nLevels - 1; lv >= 0; --lv) fit.m_arrRest[size_t(lv)] = fit.m_arrRest[size_t(lv) + 1] + levelMost[size_t(lv)];
}

// Both joins of the second key as one, where it has both.
static void MakeBothJoin(CPlan& plan) {
    CThenJoin& j = plan.m_thenBoth;
    if (!plan.m_then.m_bJoin || !plan.m_thenFloor.m_bJoin) return;
    j.m_bOn = true;
    j.m_nValueLane = plan.m_then.m_nJoinRankLane;
    j.m_nLane1 = plan.m_then.m_nJoinLane;
    j.m_nLimit1 = plan.m_then.m_nJoinLimit;
    j.m_nLane2 = plan.m_thenFloor.m_nJoinLane;
    const int m = plan.m_nLevels;
    j.m_arrRest.assign(size_t(m) + 1, {});
    auto part = [](int lane, const CVals& v, int64_t sum) { return lane < 0 ? sum : int64_t(v.v[lane]); };
    for (int l = m - 1; l >= 0; --l) {
        const CLevel& level = plan.m_arrLevels[size_t(l)];
        j.m_arrRest[size_t(l)] = j.m_arrRest[size_t(l) + 1];
        if (level.m_arrConsidered.empty()) continue;
        for (int p1 = 0; p1 < CThenJoin::STEPS; ++p1)
            for (int p2 = 0; p2 < CThenJoin::STEPS; ++p2)
                for (int set = 0; set < 32; ++set) {
                    int64_t most = std::numeric_limits<int64_t>::min();
                    for (int32_t i : level.m_arrConsidered) {
                        const CVals& v = level.m_arrVals[size_t(i)];
                        const int64_t sum = SetSum(v, set);
                        most = std::max(most, CPlan::SCALE * part(j.m_nValueLane, v, sum) +
                                                  CThenJoin::kStep2[p1] * part(j.m_nLane1, v, sum) +
                                                  CThenJoin::kStep2[p2] * part(j.m_nLane2, v, sum));
                    }
                    j.m_arrRest[size_t(l)][size_t(p1)][size_t(p2)][size_t(set)] += most;
                }
    }
}

static void MakeJoinRest(CPlan& plan, CRankKey& key) {
    if (!key.m_bJoin) return;
    const int m = plan.m_nLevels;
    key.m_arrJoinRest.assign(size_t(m) + 1, {});
    for (int l = m - 1; l >= 0; --l) {
        const CLevel& level = plan.m_arrLevels[size_t(l)];
        key.m_arrJoinRest[size_t(l)] = key.m_arrJoinRest[size_t(l) + 1];
        if (level.m_arrConsidered.empty()) continue;
        for (int p = 0; p < CPlan::STEPS; ++p)
            for (int set = 0; set < 32; ++set) {
                int64_t most = std::numeric_limits<int64_t>::min();
                for (int32_t i : level.m_arrConsidered) {
                    const CVals& v = level.m_arrVals[size_t(i)];
                    const int64_t sum = SetSum(v, set);
                    const int64_t value = key.m_nJoinRankLane < 0 ? sum : v.v[key.m_nJoinRankLane];
                    const int64_t slack = key.m_nJoinLane < 0 ? sum : v.v[key.m_nJoinLane];
                    most = std::max(most, CPlan::SCALE * value + CRankKey::kStep[p] * slack);
                }
                key.m_arrJoinRest[size_t(l)][size_t(p)][size_t(set)] += most;
            }
    }
}

// Sorts the level's considered pieces into classes, and its resist vectors into those worth trying.
static void MakeClasses(CLevel& level) {
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

CCalcCount CombinationCount(const CCalcParam& param, const CalcPool& pool) {
    CCalcCount n = 1;
    for (int k = 0; k < SLOT_COUNT; ++k)
        if (param.UseSlot(k) && !pool[size_t(k)].empty())
            n *= std::min<size_t>(pool[size_t(k)].size(), size_t(std::numeric_limits<int32_t>::max()));
    return n;
}

CPlan MakePlan(const CCalcParam& param, const CalcPool& pool, int32_t lowerLimit, int64_t tailKept) {
    CPlan plan;
    plan.m_bBypass = param.m_bBypassResistCap != 0;
    plan.m_bMedableOnly = param.m_bMedableOnly != 0;
    plan.m_nLowerLimit = lowerLimit;
    plan.m_nSuitLimit = param.m_nSuitLimit < 1 ? 1 : param.m_nSuitLimit;
    plan.m_nRank = param.RankColumn();
    plan.m_nThen = param.ThenColumn();
    for (int k = 0; k < LANES; ++k) plan.m_limits.v[k] = std::numeric_limits<int32_t>::min();
    for (const SettingDef& d : kSettingTable)
        if (d.high > HIGH_TOTAL) plan.m_limits.v[BonusLane(d.high)] = param.*d.param;

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
        if (!level.m_arrConsidered.empty())
            for (int set = 1; set < 32; ++set) {
                int64_t most = std::numeric_limits<int64_t>::min();
                for (int32_t i : level.m_arrConsidered) most = std::max(most, SetSum(level.m_arrVals[size_t(i)], set));
                plan.m_arrRestSets[size_t(l)][size_t(set)] += most;
            }
        CVals& sure = plan.m_arrSure70[size_t(l)];
        sure = plan.m_arrSure70[size_t(l) + 1];
        for (const CVals& v : level.m_arrResistClasses)
            for (int k = 0; k < LANE_RESIST_END; ++k) sure.v[k] = std::max(sure.v[k], WrapSub(plan.m_arrSure70[size_t(l) + 1].v[k], v.v[k]));
    }
    ChooseJoin(plan, plan.m_rank, plan.m_nRank, -1, true);
    MakeJoinRest(plan, plan.m_rank);
    if (plan.m_nThen != 0) {
        // The floor join covers the first key's column; this one joins another minimum where there is one.
        const int firstLane = plan.m_nRank >= 6 ? CPlan::ColumnLane(plan.m_nRank) : -2;
        ChooseJoin(plan, plan.m_then, plan.m_nThen, firstLane, plan.m_nRank != 6);
        MakeJoinRest(plan, plan.m_then);
        ChooseFloorJoin(plan);
        MakeJoinRest(plan, plan.m_thenFloor);
        MakeBothJoin(plan);
        MakeCapJoin(plan);
        if (plan.m_thenCap.m_bOn) {
            plan.m_pCapTail = std::make_shared<CPlan::CCapTailOnce>();
            plan.m_nTailKept = size_t(std::clamp<int64_t>(tailKept, 0, 4096));
        }
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

}  // namespace calc_detail
