#pragma once
// Ranked runs: the hits a chunk keeps, the best the threads share, and the probe that finds a floor before
// the search in visiting order starts. Internal to the search.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "core/calc/CalcPlan.h"

namespace calc_detail {

// A qualifying combination a ranked run keeps: its ranking key (see RankKey), its place in visiting order
// (its chunk, then its order within the chunk) and its pieces' indexes.
struct CRankHit {
    int64_t m_nKey = 0;
    int64_t m_nChunk = 0;
    int64_t m_nSeq = 0;
    int32_t m_idx[SLOT_COUNT] = {};
};
// Greater key first; equal keys in visiting order.
inline bool Better(const CRankHit& a, const CRankHit& b) {
    if (a.m_nKey != b.m_nKey) return a.m_nKey > b.m_nKey;
    if (a.m_nChunk != b.m_nChunk) return a.m_nChunk < b.m_nChunk;
    return a.m_nSeq < b.m_nSeq;
}
// Keeps the n best hits offered as a heap whose front is the worst of them. False when the hit is not
// among them.
inline bool OfferBest(std::vector<CRankHit>& heap, int64_t n, const CRankHit& hit) {
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
// key and place. Nothing worse than the worst of a full set of them can be listed.
class CRankShared {
public:
    explicit CRankShared(int64_t n) : m_n(n) {}
    // The worst of the shared best once there are as many as the run lists: its key and its chunk.
    struct CWorst {
        bool full = false;
        int64_t key = 0;
        int64_t chunk = 0;
    };
    // Nothing below this key can be listed (a probe found that many qualifying combinations reaching it).
    void SetFloor(int64_t floor) { m_nFloor = floor; }
    int64_t Floor() const { return m_nFloor; }
    CWorst Worst() const {
        // The key and the chunk are written together under the mutex; a reader retries until it has seen
        // both of one write, so that it never pairs the key of one worst with the chunk of another.
        for (;;) {
            const uint64_t seq = m_nSeq.load(std::memory_order_acquire);
            if (seq & 1) continue;
            if (seq == 0) return {};
            const CWorst w{true, m_nWorstKey.load(std::memory_order_relaxed), m_nWorstChunk.load(std::memory_order_relaxed)};
            std::atomic_thread_fence(std::memory_order_acquire);
            if (m_nSeq.load(std::memory_order_relaxed) == seq) return w;
        }
    }
    std::optional<int64_t> Best() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_best.empty() ? std::nullopt : std::optional<int64_t>(m_nBest);
    }
    void Publish(const CRankHit& hit) {
        CRankHit key;  // the place is all that is compared; the pieces stay with the chunk
        key.m_nKey = hit.m_nKey;
        key.m_nChunk = hit.m_nChunk;
        key.m_nSeq = hit.m_nSeq;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_nBest = m_best.empty() ? hit.m_nKey : std::max(m_nBest, hit.m_nKey);
        OfferBest(m_best, m_n, key);
        if (int64_t(m_best.size()) >= m_n) {
            const CRankHit& w = m_best.front();
            const uint64_t seq = m_nSeq.load(std::memory_order_relaxed);
            m_nSeq.store(seq + 1, std::memory_order_relaxed);
            std::atomic_thread_fence(std::memory_order_release);
            m_nWorstKey.store(w.m_nKey, std::memory_order_relaxed);
            m_nWorstChunk.store(w.m_nChunk, std::memory_order_relaxed);
            m_nSeq.store(seq + 2, std::memory_order_release);
        }
    }

private:
    const int64_t m_n;
    int64_t m_nFloor = std::numeric_limits<int64_t>::min();  // set before the threads start
    mutable std::mutex m_mutex;
    std::vector<CRankHit> m_best;  // a heap, see OfferBest
    int64_t m_nBest = 0;
    std::atomic<uint64_t> m_nSeq{0};  // 0 until full; odd while the worst is being written
    std::atomic<int64_t> m_nWorstKey{0};
    std::atomic<int64_t> m_nWorstChunk{0};
};

// Looks for the ranking keys of the n best qualifying combinations, trying the most promising pieces
// first, within a small budget of visited nodes. Where it finds n, the least of their values is a floor
// below which nothing can be listed, however the ties among them fall; the chunks then pass over what
// cannot reach it from the start. (A large budget costs more than it saves: the chunks, searched best
// first, raise their shared bar quickly.) Copies of a piece count as the combinations they make.
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

    std::optional<int64_t> Floor() {
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
    static constexpr int64_t BUDGET = int64_t(1) << 12;

    bool Full() const { return m_nHeld >= m_plan.m_nSuitLimit; }
    // False once the budget is spent or the run stopped.
    bool Search(int l, const CVals& s, int64_t copies) {
        const CPlan& P = m_plan;
        if (l == P.m_nLevels) {
            const int32_t total = P.Total(s);
            if (P.Qualifies(total, s)) Hold(P.KeyOf(s, total), copies);
            return true;
        }
        if (++m_nNodes > BUDGET || ((m_nNodes & 4095) == 0 && m_running.load(std::memory_order_relaxed) == 0))
            return false;
        struct CChild {
            int64_t bound;  // the first key's bound with the second's, which only orders the children
            const CClass* cls;
        };
        std::vector<CChild> children;
        children.reserve(m_classes[size_t(l)].size());
        for (const CClass& c : m_classes[size_t(l)]) {
            CVals s2;
            Add(s2, s, *c.m_pVals);
            if (P.Feasible(l + 1, s2))
                children.push_back({RankKey(P.QuickRankBound(l + 1, s2), ThenBound(l + 1, s2)), &c});
        }
        std::stable_sort(children.begin(), children.end(), [](const CChild& a, const CChild& b) { return a.bound > b.bound; });
        for (const CChild& child : children) {
            // The held keys only rise: once a child cannot beat the least of them, none after it can.
            if (Full() && child.bound <= m_values.begin()->first) break;
            CVals s2;
            Add(s2, s, *child.cls->m_pVals);
            if (Full() && RankKey(P.RankBound(l + 1, s2), ThenBound(l + 1, s2)) <= m_values.begin()->first) continue;
            const int64_t more = copies > m_plan.m_nSuitLimit / child.cls->m_nCount ? m_plan.m_nSuitLimit
                                                                                    : copies * child.cls->m_nCount;
            if (!Search(l + 1, s2, more)) return false;
        }
        return true;
    }
    // The second key's plain bound, which with the first key's bounds every key below (0 without one).
    int32_t ThenBound(int l, const CVals& s) const {
        return m_plan.m_nThen ? m_plan.PlainColumnBound(m_plan.m_nThen, l, s) : 0;
    }
    // Holds `copies` combinations of the key, dropping the least as long as n remain without them.
    void Hold(int64_t value, int64_t copies) {
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
    std::map<int64_t, int64_t> m_values;  // key -> combinations held
    int64_t m_nHeld = 0;
    int64_t m_nNodes = 0;
};

}  // namespace calc_detail
