// The search's rules on small hand-made pools: order, counting, limits, the cap, medable-only, suit
// limits, stops, names and the summary text. Each case runs the engine on one and on several threads.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <system_error>

#include "ReferenceSearch.h"
#include "SearchTestSupport.h"
#include "core/calc/ResultColumns.h"

namespace {

struct CRun {
    CCalcResult result;
    std::unique_ptr<CRecorder> rec;
};

// The engine on one thread and on three (cut fine, so that every prefix is its own chunk), checked
// against each other; returns the single-thread run.
CRun Search(const CCalcParam& param, const CTestPool& pool, int32_t lowerLimit, int64_t stopAfterSuits = -1,
         bool stopAtBegin = false) {
    static std::atomic<int32_t> running{0};
    CRun one;
    one.rec = std::make_unique<CRecorder>(running);
    one.rec->m_nStopAfterSuits = stopAfterSuits;
    one.rec->m_bStopAtBegin = stopAtBegin;
    one.result = RunCalculation(param, pool.lists, lowerLimit, running, *one.rec, 1);
    EXPECT_EQ(running.load(), 0);

    CRecorder many(running);
    many.m_nStopAfterSuits = stopAfterSuits;
    many.m_bStopAtBegin = stopAtBegin;
    CCalcTuning fine;
    fine.m_nChunkTarget = 1 << 20;
    CCalcResult r = RunCalculation(param, pool.lists, lowerLimit, running, many, 3, fine);
    ExpectSameRun(one.result, *one.rec, r, many);
    return one;
}

std::vector<CArmorPiece*> Pieces(std::initializer_list<CArmorPiece*> list) { return list; }

// An open block with the given slots switched on.
CCalcParam Open(std::initializer_list<int> slotList) {
    CCalcParam p = OpenParam();
    for (int slot : slotList) p.UseSlot(slot) = 1;
    return p;
}
// The eight minimums in the order of the summary.
std::array<int32_t*, 8> Minimums(CCalcParam& p) {
    return {&p.m_nLuckLimit, &p.m_nLMCLimit, &p.m_nLRCLimit, &p.m_nMRLimit,
            &p.m_nHRLimit,   &p.m_nSRLimit,  &p.m_nDCILimit, &p.m_nHCILimit};
}
CCalcParam OpenAll() {
    CCalcParam p = OpenParam();
    for (int k = 0; k < SLOT_COUNT; ++k) p.UseSlot(k) = 1;
    return p;
}

const char* const kEmptySummary =
    "1 suit configurations examined.\n0 suits meet limit standards.\nAttr.\tLimit\tHighest\n"
    "Resist\t0\t0\nLuck\t0\t0\nLMC\t0\t0\nLRC\t0\t0\nMR\t0\t0\nHR\t0\t0\nSR\t0\t0\nDCI\t0\t0\nHCI\t0\t0";

}  // namespace

TEST(Search, NothingToCombineExaminesOneCombination) {
    CTestPool one, empty;
    one.Add(0, {10, 10, 10, 10, 10});
    // Every slot switched off, or every slot on but without pieces.
    for (const auto& [param, pool] : {std::pair{OpenParam(), &one}, std::pair{OpenAll(), &empty}}) {
        SCOPED_TRACE(pool == &one ? "slots off" : "no pieces");
        CRun r = Search(param, *pool, 0);
        EXPECT_EQ(r.rec->m_nCombinations, 1);
        EXPECT_EQ(r.result.m_nExamined, 1);
        EXPECT_EQ(r.result.m_nFound, 0);
        EXPECT_TRUE(r.rec->suits.empty());
        EXPECT_EQ(r.rec->m_end.m_strSummary, kEmptySummary);
        EXPECT_EQ(r.rec->m_end.m_nSuitsFound, 0);
        EXPECT_EQ(r.rec->m_end.m_nCombinations, 1);
    }
}

TEST(Search, OrderIsLexicographicHeadWearOutermost) {
    CTestPool pool;
    CArmorPiece* h[3];
    CArmorPiece* a[4];
    for (auto& p : h) p = pool.Add(0, {1, 0, 0, 0, 0});
    for (auto& p : a) p = pool.Add(2, {0, 1, 0, 0, 0});
    pool.Add(1, {5, 5, 5, 5, 5});  // gorgets are switched off
    // Legs (5) are on but none is in the pool: that does not make the count 0.
    CRun r = Search(Open({0, 2, 5}), pool, 0);
    EXPECT_EQ(r.rec->m_nCombinations, 12);
    EXPECT_EQ(r.result.m_nExamined, 12);
    ASSERT_EQ(r.rec->suits.size(), 12u);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(r.rec->suits[size_t(i)]->m_arrPieces, Pieces({h[i / 4], a[i % 4]})) << i;
        EXPECT_EQ(r.rec->suits[size_t(i)]->m_strName, SuitName(i));
    }
    EXPECT_EQ(r.rec->suits[7]->m_strName, "Suit 00007");
}

TEST(Search, SummaryAndNameTexts) {
    CCalcParam param = OpenParam();
    const int32_t minimums[8] = {5, -2, 3, 4, 6, 7, 8, 9};
    for (int i = 0; i < 8; ++i) *Minimums(param)[size_t(i)] = minimums[i];
    const CalcHighest hi = {301, 11, 12, 13, 14, 15, 16, 17, 18};
    EXPECT_EQ(FormatSummary(1, 1, param, 300, hi),
              "1 suit configurations examined.\n1 suit meets limit standards.\nAttr.\tLimit\tHighest\n"
              "Resist\t300\t301\nLuck\t5\t11\nLMC\t-2\t12\nLRC\t3\t13\nMR\t4\t14\nHR\t6\t15\nSR\t7\t16\n"
              "DCI\t8\t17\nHCI\t9\t18");
    // Counters wider than 32 bits show in full.
    EXPECT_TRUE(FormatSummary(5000000000LL, 2, param, -1, hi)
                    .starts_with("5000000000 suit configurations examined.\n2 suits meet limit standards.\nAttr."));
    EXPECT_TRUE(FormatSummary(0, 0, param, 0, hi).starts_with("0 suit configurations examined.\n0 suits meet"));

    // Names keep five digits and grow beyond.
    const std::pair<int64_t, const char*> names[] = {
        {0, "Suit 00000"}, {7, "Suit 00007"}, {99999, "Suit 99999"}, {100000, "Suit 100000"}};
    for (const auto& [n, name] : names) EXPECT_EQ(SuitName(n), name);
}

TEST(Search, CapAndBypassDecideTheTotal) {
    CTestPool pool;
    pool.Add(0, {40, 30, 35, 36, 25});
    pool.Add(0, {10, 10, 10, 10, 10});  // never qualifies
    pool.Add(4, {35, 30, 35, 36, 25});  // with the first: sums 75, 60, 70, 72, 50
    const struct {
        bool bypass;
        int32_t lowerLimit;
        int64_t found;
    } cases[] = {{false, 300, 1}, {false, 320, 1}, {false, 321, 0}, {true, 327, 1}, {true, 328, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "bypass " << c.bypass << " limit " << c.lowerLimit);
        CCalcParam param = Open({0, 4});
        param.m_bBypassResistCap = c.bypass;
        CRun r = Search(param, pool, c.lowerLimit);
        EXPECT_EQ(r.result.m_nFound, c.found);
        // The highest counts failing combinations too.
        EXPECT_EQ(r.result.m_arrHighest[HIGH_TOTAL], c.bypass ? 327 : 320);
    }
    // One suit takes the singular line.
    EXPECT_EQ(Search(Open({0, 4}), pool, 300).rec->m_end.m_strSummary,
              "2 suit configurations examined.\n1 suit meets limit standards.\nAttr.\tLimit\tHighest\n"
              "Resist\t300\t320\nLuck\t0\t0\nLMC\t0\t0\nLRC\t0\t0\nMR\t0\t0\nHR\t0\t0\nSR\t0\t0\nDCI\t0\t0\nHCI\t0\t0");
}

TEST(Search, EveryMinimumIsAtLeastAndNegativeSumsFailZero) {
    CTestPool pool;
    CArmorPiece* p = pool.Add(0, {0, 0, 0, 0, 0});
    SetBonus(*p, {10, 11, 12, 13, 14, 15, 16, 17});
    CCalcParam param = Open({0});
    const auto limits = Minimums(param);
    for (int i = 0; i < 8; ++i) *limits[i] = 10 + i;
    EXPECT_EQ(Search(param, pool, 0).result.m_nFound, 1);
    for (int i = 0; i < 8; ++i) {
        ++*limits[i];
        EXPECT_EQ(Search(param, pool, 0).result.m_nFound, 0) << "limit " << i;
        --*limits[i];
    }

    // A negative piece lowers the sum below a minimum of 0; the highest value stays 0.
    CTestPool neg;
    neg.Add(0, {0, 0, 0, 0, 0})->m_nDCI = -4;
    neg.Add(2, {0, 0, 0, 0, 0})->m_nDCI = 3;
    CCalcParam p2 = Open({0, 2});
    CRun r = Search(p2, neg, 0);
    EXPECT_EQ(r.result.m_nFound, 0);
    EXPECT_EQ(r.result.m_arrHighest[HIGH_DCI], 0);
    p2.m_nDCILimit = -1;
    EXPECT_EQ(Search(p2, neg, 0).result.m_nFound, 1);
}

TEST(Search, MedableOnlySkipsArmorButNotJewellery) {
    CTestPool pool;
    pool.Add(4, {20, 20, 20, 20, 20}, 1);
    CArmorPiece* plate = pool.Add(4, {60, 60, 60, 60, 60}, 0);
    plate->m_nLuck = 500;
    pool.Add(6, {1, 1, 1, 1, 1}, 0);  // a non-medable ring does not matter
    CCalcParam param = Open({4, 6});
    param.m_bMedableOnly = 1;
    CRun r = Search(param, pool, 0);
    EXPECT_EQ(r.result.m_nExamined, 2);  // skipped combinations are still examined
    ASSERT_EQ(r.result.m_nFound, 1);
    EXPECT_EQ(r.rec->suits[0]->m_arrPieces[0], pool.lists[4][0]);
    EXPECT_EQ(r.result.m_arrHighest[HIGH_TOTAL], 105);
    EXPECT_EQ(r.result.m_arrHighest[HIGH_LUCK], 0);  // the plate chest raises nothing
    param.m_bMedableOnly = 0;
    EXPECT_EQ(Search(param, pool, 0).result.m_arrHighest[HIGH_LUCK], 500);

    // No medable piece in an armor slot at all: nothing is considered, everything is examined.
    param.m_bMedableOnly = 1;
    pool.lists[4][0]->m_bMedable = 0;
    CRun none = Search(param, pool, 0);
    EXPECT_EQ(none.result.m_nExamined, 2);
    EXPECT_EQ(none.result.m_nCombinations, 2);
    EXPECT_EQ(none.result.m_nFound, 0);
    EXPECT_EQ(none.result.m_arrHighest, CalcHighest{});
}

TEST(Search, SuitLimitEndsTheRunRightAfterTheLastSuit) {
    CTestPool pool;
    for (int i = 0; i < 4; ++i) pool.Add(0, {i % 2 ? 70 : 10, 70, 70, 70, 70});  // 2nd and 4th qualify
    for (int i = 0; i < 3; ++i) pool.Add(2, {0, 0, 0, 0, 0})->m_nLuck = i;
    // (2nd head wear, 1st arms) is the first suit; a limit below 1 means 1.
    const struct {
        int32_t limit;
        int64_t found, examined;
        const char* summary;
    } cases[] = {{1, 1, 4, "4 suit configurations examined.\n1 suit meets limit standards."},
                 {0, 1, 4, "4 suit configurations examined.\n1 suit meets limit standards."},
                 {-7, 1, 4, "4 suit configurations examined.\n1 suit meets limit standards."},
                 {4, 4, 10, "10 suit configurations examined.\n4 suits meet limit standards."}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "suit limit " << c.limit);
        CCalcParam param = Open({0, 2});
        param.m_nSuitLimit = c.limit;
        CRun r = Search(param, pool, 350);
        EXPECT_EQ(r.result.m_nFound, c.found);
        EXPECT_EQ(r.result.m_nExamined, c.examined);
        EXPECT_EQ(r.result.m_arrHighest[HIGH_LUCK], 2);
        EXPECT_EQ(r.rec->m_bRunningAtEnd, false);
        EXPECT_TRUE(r.rec->m_end.m_strSummary.starts_with(c.summary));
    }
}

TEST(Search, StopKeepsWhatWasListed) {
    CTestPool pool;
    for (int i = 0; i < 5; ++i) pool.Add(0, {10 * i, 0, 0, 0, 0});
    for (int i = 0; i < 5; ++i) pool.Add(1, {0, 0, 0, 0, 0})->m_nHCI = i;
    // A minimum HCI of 3 lets two suits per head wear through. A stop during the begin report still looks
    // at the first combination, and lists it if it qualifies.
    const struct {
        int32_t hci;
        int64_t stopAfterSuits;
        bool stopAtBegin;
        int64_t found, examined;
        int32_t highestTotal;
    } cases[] = {{3, 3, false, 3, 9, 10}, {3, -1, true, 0, 1, 0}, {0, -1, true, 1, 1, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "hci " << c.hci << (c.stopAtBegin ? " stop at begin" : ""));
        CCalcParam param = Open({0, 1});
        param.m_nHCILimit = c.hci;
        CRun r = Search(param, pool, 0, c.stopAfterSuits, c.stopAtBegin);
        EXPECT_EQ(r.result.m_nFound, c.found);
        EXPECT_EQ(int64_t(r.rec->suits.size()), c.found);
        EXPECT_EQ(r.result.m_nExamined, c.examined);
        EXPECT_EQ(r.result.m_arrHighest[HIGH_TOTAL], c.highestTotal);
        EXPECT_TRUE(r.rec->m_bRunningAtBegin);  // the run sets the flag before it reports
    }
}

TEST(Search, SumsWrapAsThe32BitOriginal) {
    CTestPool pool;
    pool.Add(0, {0, 0, 0, 0, 0})->m_nLuck = INT32_MAX;
    pool.Add(0, {0, 0, 0, 0, 0})->m_nLuck = 5;
    pool.Add(1, {0, 0, 0, 0, 0})->m_nLuck = 1;
    pool.Add(1, {0, 0, 0, 0, 0})->m_nLuck = 0;
    CCalcParam param = Open({0, 1});
    CRun r = Search(param, pool, 0);
    // (max, 1) wraps negative and fails; (max, 0) reaches the top; the others pass.
    ASSERT_EQ(r.result.m_nFound, 3);
    EXPECT_EQ(r.rec->suits[0]->m_arrPieces[1], pool.lists[1][1]);
    EXPECT_EQ(r.result.m_arrHighest[HIGH_LUCK], INT32_MAX);
    EXPECT_EQ(r.rec->suits[0]->m_nLuck, INT32_MAX);

    std::atomic<int32_t> running{0};
    CRecorder ref(running);
    CCalcResult want = RunReferenceSearch(param, pool.lists, 0, running, ref);
    ExpectSameRun(want, ref, r.result, *r.rec);
}

// The 100 000th suit of a run is 'Suit 99999'.
TEST(Search, NamesOfARunGrowBeyondFiveDigits) {
    CTestPool pool;
    for (int k = 0; k < 5; ++k)
        for (int i = 0; i < 10; ++i) pool.Add(k, {0, 0, 0, 0, 0});
    pool.Add(5, {0, 0, 0, 0, 0});
    pool.Add(5, {0, 0, 0, 0, 0});
    CCalcParam param = Open({0, 1, 2, 3, 4, 5});
    param.m_nSuitLimit = 100001;
    std::atomic<int32_t> running{0};
    CRecorder rec(running);
    CCalcResult r = RunCalculation(param, pool.lists, 0, running, rec, 2);
    ASSERT_EQ(r.m_nFound, 100001);
    EXPECT_EQ(rec.suits[99999]->m_strName, "Suit 99999");
    EXPECT_EQ(rec.suits[100000]->m_strName, "Suit 100000");
    EXPECT_EQ(r.m_nExamined, 100001);
}

// The window program's worker runs on the flag it is given; a reporter that throws ends any run.
TEST(Search, TheWorkerAndAReporterThatThrows) {
    CTestPool one;
    one.Add(0, {70, 70, 70, 70, 70});
    std::atomic<int32_t> flag{0};
    CRecorder rec(flag);
    EXPECT_EQ(CalcThreadProc(nullptr, one.lists, 0, flag, rec), 0);
    EXPECT_EQ(rec.m_nBegins, 0);  // no block: nothing happens
    EXPECT_EQ(CalcThreadProc(std::make_unique<CCalcParam>(Open({0})), one.lists, 300, flag, rec), 0);
    EXPECT_EQ(rec.m_nBegins, 1);
    EXPECT_TRUE(rec.m_bRunningAtEnd);
    EXPECT_EQ(rec.suits.size(), 1u);
    EXPECT_EQ(flag.load(), 0);

    struct CThrower : ICalcReporter {
        void OnBegin(const CCalcCount&) override {}
        void OnSuit(std::unique_ptr<CArmorSuit>) override { throw std::runtime_error("full"); }
        void OnEnd(const CCalcMsg& end) override {
            ++ends;
            error = end.m_strError;
        }
        int ends = 0;
        std::string error;
    };
    CTestPool pool;
    for (int k = 0; k < 4; ++k)
        for (int i = 0; i < 6; ++i) pool.Add(k, {0, 0, 0, 0, 0});
    CCalcParam param = Open({0, 1, 2, 3});
    for (int threads : {1, 2}) {
        std::atomic<int32_t> running{0};
        CThrower thrower;
        EXPECT_THROW(RunCalculation(param, pool.lists, 0, running, thrower, threads), std::runtime_error);
        EXPECT_EQ(running.load(), 0);
        EXPECT_EQ(thrower.ends, 0);

        // The window program's worker lets nothing out of its thread and still reports the end, once.
        CThrower worker;
        EXPECT_EQ(CalcThreadProc(std::make_unique<CCalcParam>(param), pool.lists, 0, flag, worker, threads), 1);
        EXPECT_EQ(worker.ends, 1);
        EXPECT_EQ(worker.error, "The calculation failed: full");
        EXPECT_EQ(flag.load(), 0);
    }
}

namespace {
// Every combination of 16 pieces in each of four slots qualifies; cut into 16 chunks of 4096.
struct CEveryoneQualifies {
    CTestPool pool;
    CCalcParam param = OpenParam();
    CEveryoneQualifies() {
        for (int k = 0; k < 4; ++k) {
            param.UseSlot(k) = 1;
            for (int i = 0; i < 16; ++i) pool.Add(k, {i, 0, 0, 0, 0});
        }
    }
    CCalcResult Run(CRecorder& rec, std::atomic<int32_t>& running, int threads, CCalcStats* stats = nullptr) const {
        CCalcTuning tuning;
        tuning.m_nChunkTarget = 8;
        tuning.m_nThreadCap = 64;
        tuning.m_pStats = stats;
        return RunCalculation(param, pool.lists, 0, running, rec, threads, tuning);
    }
};
}  // namespace

// However many workers run ahead, the suits a run makes stay within about one suit limit, the threads
// asked for beyond the cores are not started, and those that cannot start leave the run to the others.
TEST(Search, SuitsHeldStayNearTheLimitWhateverTheThreads) {
    CEveryoneQualifies q;
    for (int32_t limit : {1000, 5000, 70000}) {
        q.param.m_nSuitLimit = limit;
        std::atomic<int32_t> running{0};
        CRecorder one(running);
        CCalcResult want = q.Run(one, running, 1);
        for (int threads : {2, 16, 48}) {
            SCOPED_TRACE(testing::Message() << "limit " << limit << " threads " << threads);
            CRecorder many(running);
            CCalcStats stats;
            CCalcResult got = q.Run(many, running, threads, &stats);
            ExpectSameRun(want, one, got, many);
            EXPECT_EQ(stats.m_nWorkers, std::min(threads, 16));  // no more workers than chunks
            // Chunks tell their suits every 32; each may run that far past the point where it could stop.
            EXPECT_LE(stats.m_nSuitsMade, 2 * int64_t(std::min(limit, 65536)) + 64 * threads);
        }
        // A thread that cannot be started leaves the run to those that could (the calling thread at least).
        for (int startable : {0, 1, 3}) {
            SCOPED_TRACE(testing::Message() << "limit " << limit << ", " << startable << " threads to be had");
            int started = 0;
            CCalcHooksScope hooks({.startThread = [&](std::function<void()> f) {
                if (started == startable)
                    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
                ++started;
                return std::thread(std::move(f));
            }});
            CRecorder rec(running);
            CCalcStats stats;
            CCalcResult got = q.Run(rec, running, 6, &stats);
            ExpectSameRun(want, one, got, rec);
            EXPECT_EQ(stats.m_nWorkers, startable);
            EXPECT_EQ(got.m_strError, "");
        }
    }
    std::atomic<int32_t> flag{0};
    CRecorder rec(flag);
    CCalcStats stats;
    CCalcTuning tuning;
    tuning.m_pStats = &stats;
    RunCalculation(q.param, q.pool.lists, 0, flag, rec, 4096, tuning);
    EXPECT_GE(stats.m_nWorkers, 0);
    EXPECT_LE(stats.m_nWorkers, int(std::max(1u, std::thread::hardware_concurrency())));
}

// A failure inside the search (here: out of memory, or any other exception, as a chunk begins) ends the
// run without an exception: the suits listed and the summary are those of a stop at the point reached,
// and the end report carries the error.
TEST(Search, AFailureInsideTheRunEndsItWithAnError) {
    CEveryoneQualifies q;
    q.param.m_nSuitLimit = 1000000;
    q.param.m_nLuckLimit = 0;
    const struct {
        int64_t chunk;
        bool outOfMemory;
        const char* error;
    } cases[] = {{5, true, "Not enough memory to finish the calculation."},
                 {0, false, "The calculation failed: disk on fire"},
                 {15, true, "Not enough memory to finish the calculation."}};
    for (const auto& c : cases)
        for (int threads : {1, 2, 5}) {
            SCOPED_TRACE(testing::Message() << "chunk " << c.chunk << " threads " << threads);
            CCalcHooksScope hooks({.chunkStart = [&](int64_t chunk) {
                if (chunk != c.chunk) return;
                if (c.outOfMemory) throw std::bad_alloc();
                throw std::runtime_error("disk on fire");
            }});
            std::atomic<int32_t> running{0};
            CRecorder rec(running);
            CCalcResult got = q.Run(rec, running, threads);
            EXPECT_EQ(got.m_strError, c.error);
            EXPECT_EQ(rec.m_end.m_strError, c.error);
            EXPECT_EQ(rec.m_nEnds, 1);
            EXPECT_EQ(running.load(), 0);
            EXPECT_LE(got.m_nExamined, c.chunk * 4096);
            if (got.m_nExamined == 0) {
                EXPECT_TRUE(rec.suits.empty());
                continue;
            }
            std::atomic<int32_t> refRunning{0};
            CRecorder want(refRunning);
            CCalcResult w = RunReferenceSearch(q.param, q.pool.lists, 0, refRunning, want, got.m_nExamined.Clamped64());
            w.m_strError = c.error;
            want.m_end.m_strError = c.error;
            ExpectSameRun(w, want, got, rec);
        }
}

// A suit's totals as the search makes them, shown capped or not; the actual total never is.
TEST(ResultColumns, TextsOfASuitOfPieces) {
    CTestPool pool;
    CArmorPiece* a = pool.Add(0, {40, 30, 35, 36, 25});
    CArmorPiece* b = pool.Add(4, {35, 30, 35, 36, -30});
    SetBonus(*a, {100, 8, 0, 0, 3, 0, -5, 0});
    SetBonus(*b, {0, 0, 20, 2, 0, 4, 0, 15});
    const auto suit = ResultSuit("Suit 00003", {a, b});
    for (bool bypass : {false, true}) {
        const std::array<std::string, 16> want = {"Suit 00003", bypass ? "75" : "70", "60", "70", bypass ? "72" : "70",
                                                  "-5", bypass ? "272" : "265", "272", "100", "8", "20", "2", "3",
                                                  "4", "-5", "15"};
        EXPECT_EQ(ResultColumnTexts(*suit, bypass), want) << bypass;
    }
}

// What a later chunk found empty, or searched for its highest total, must still be searched by an earlier
// chunk: its highest values belong to the earlier chunk's states. Chunk 0 (head wear X, then H) starts
// late; chunk 1 searches X's copy first; the suit limit then ends the run at H's suit, inside chunk 0, and
// the highest total there is X's.
TEST(Search, WhatALaterChunkSearchedFirstStillCountsInAnEarlierOne) {
    CTestPool pool;
    pool.Add(0, {60, 60, 60, 60, 60});  // X: no luck, so its subtree is only searched for its highest total
    CArmorPiece* h = pool.Add(0, {10, 0, 0, 0, 0});
    h->m_nLuck = 100;
    pool.Add(0, {60, 60, 60, 60, 60});  // a copy of X
    for (int i = 0; i < 13; ++i) pool.Add(0, {i, 0, 0, 0, 0});
    for (int k : {1, 2})
        for (int i = 0; i < 2; ++i) pool.Add(k, {0, 0, 0, 0, 0});
    CCalcParam param = Open({0, 1, 2});
    param.m_nLuckLimit = 100;
    param.m_nSuitLimit = 1;
    CCalcHooksScope hooks({.chunkStart = [](int64_t chunk) {
        if (chunk == 0) std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }});
    CCalcTuning tuning;
    tuning.m_nChunkTarget = 2;  // eight chunks of two head wear pieces
    tuning.m_nThreadCap = 2;
    std::atomic<int32_t> running{0};
    CRecorder rec(running);
    CCalcResult r = RunCalculation(param, pool.lists, 0, running, rec, 2, tuning);
    ASSERT_EQ(rec.suits.size(), 1u);
    EXPECT_EQ(rec.suits[0]->m_arrPieces[0], h);
    EXPECT_EQ(r.m_nExamined, 5);
    EXPECT_EQ(r.m_arrHighest[HIGH_TOTAL], 300);
    EXPECT_EQ(r.m_arrHighest[HIGH_LUCK], 100);
}

namespace {
// Decimal text of a product of small factors, computed digit by digit (independent of CCalcCount).
std::string DecimalProduct(const std::vector<int64_t>& factors) {
    std::vector<int64_t> digits = {1};  // least significant first
    for (int64_t f : factors) {
        int64_t carry = 0;
        for (int64_t& d : digits) {
            const int64_t v = d * f + carry;
            d = v % 10;
            carry = v / 10;
        }
        for (; carry; carry /= 10) digits.push_back(carry % 10);
    }
    std::string text;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) text += char('0' + *it);
    return text;
}

std::string Decimal(unsigned __int128 n) {
    std::string text;
    do {
        text.insert(text.begin(), char('0' + int(n % 10)));
        n /= 10;
    } while (n);
    return text;
}

// Slot k holds counts[k] pieces, copies of three kinds that differ in resists and luck.
struct CCopiesPool {
    CTestPool pool;   // every piece
    CTestPool kinds;  // the three kinds of each slot, once
    explicit CCopiesPool(const std::vector<int>& counts) {
        for (int k = 0; k < SLOT_COUNT; ++k)
            for (int i = 0; i < counts[size_t(k)] + 3; ++i) {
                CTestPool& into = i < counts[size_t(k)] ? pool : kinds;
                const int kind = i % 3;
                into.Add(k, {kind * 4, 9 - kind, (k + kind) % 5, 2, kind})->m_nLuck = kind * (k + 1);
            }
    }
};
}  // namespace

TEST(CalcCount, ArithmeticAndDecimalText) {
    const CCalcCount two64 = CCalcCount(uint64_t(1) << 32) * (uint64_t(1) << 32);
    const struct {
        CCalcCount value;
        const char* text;
    } cases[] = {
        {0, "0"},
        {7, "7"},
        {UINT64_MAX, "18446744073709551615"},
        {two64, "18446744073709551616"},
        {CCalcCount(UINT64_MAX) + 1, "18446744073709551616"},
        {CCalcCount(10000000000000000000ull) * 10, "100000000000000000000"},
        {CCalcCount(9999999999999999999ull) + 1, "10000000000000000000"},
        {two64 * UINT64_MAX + two64 * 1, "340282366920938463463374607431768211456"},  // 2^128
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.value.ToString(), c.text);
        EXPECT_EQ(FormatCount(c.value), c.text);
        EXPECT_DOUBLE_EQ(c.value.ToDouble(), std::stod(c.text)) << c.text;
    }
    // The widest count there can be: twelve lists of 2^31 - 1 pieces.
    CCalcCount widest = 1;
    for (int k = 0; k < SLOT_COUNT; ++k) widest *= 2147483647u;
    EXPECT_EQ(widest.ToString(), DecimalProduct(std::vector<int64_t>(SLOT_COUNT, 2147483647)));
    EXPECT_EQ(widest.ToString().size(), 112u);
    EXPECT_LT(CCalcCount(5), CCalcCount(6));
    EXPECT_LT(CCalcCount(UINT64_MAX), two64);
    EXPECT_GT(widest, two64 * UINT64_MAX);
    EXPECT_EQ(CCalcCount(int64_t(1) << 62).Clamped64(), int64_t(1) << 62);
    EXPECT_EQ(two64.Clamped64(), INT64_MAX);
    EXPECT_EQ(CCalcCount(uint64_t(INT64_MAX) + 1).Clamped64(), INT64_MAX);
}

// Pools of more than 2^63 and more than 2^128 combinations, none of which qualifies: every count is exact
// in the begin report, the result and the summary, and the highest values are those of the kinds alone.
TEST(Search, CountsBeyond64And128BitsAreExact) {
    std::vector<int> mid, huge(SLOT_COUNT, 2000);
    for (int k = 0; k < SLOT_COUNT; ++k) mid.push_back(40 + k);
    for (const auto& counts : {mid, huge}) {
        const std::string product = DecimalProduct(std::vector<int64_t>(counts.begin(), counts.end()));
        SCOPED_TRACE(product);
        CCopiesPool p(counts);
        CCalcParam param = OpenAll();
        param.m_nLuckLimit = 1000;
        CRun r = Search(param, p.pool, 300);
        EXPECT_EQ(r.rec->m_nCombinations.ToString(), product);
        EXPECT_EQ(r.result.m_nCombinations.ToString(), product);
        EXPECT_EQ(r.result.m_nExamined.ToString(), product);
        EXPECT_TRUE(r.rec->m_end.m_strSummary.starts_with(product + " suit configurations examined.\n0 suits meet"));

        std::atomic<int32_t> running{0};
        CRecorder kindsRec(running);
        CCalcResult kinds = RunReferenceSearch(param, p.kinds.lists, 300, running, kindsRec);
        EXPECT_EQ(r.result.m_arrHighest, kinds.m_arrHighest);
    }
    EXPECT_GT(CCalcCount(UINT64_MAX) * UINT64_MAX, CCalcCount(1));  // 2^128 - ... is well below the huge one
}

// Where the first suit comes after more than 2^64 combinations, the suit limit and the ordered merge still
// end the run right after it, on one thread or several, and the count examined is exact.
TEST(Search, TheSuitLimitWorksAtEverySize) {
    std::vector<int> counts(SLOT_COUNT, 40);
    counts[0] = 100;
    CCopiesPool p(counts);
    CArmorPiece* last = p.pool.lists[0].back();
    SetResists(*last, {70, 70, 70, 70, 70});
    CCalcParam param = OpenAll();
    param.m_nSuitLimit = 3;
    unsigned __int128 rest = 1;
    for (int k = 1; k < SLOT_COUNT; ++k) rest *= 40;
    const std::string examined = Decimal(99 * rest + 3);
    ASSERT_GT(99 * rest, (unsigned __int128)UINT64_MAX);
    CRun r = Search(param, p.pool, 350);  // also checks three threads on fine chunks against one
    ASSERT_EQ(r.rec->suits.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(r.rec->suits[i]->m_arrPieces[0], last);
        EXPECT_EQ(r.rec->suits[i]->m_arrPieces[11], p.pool.lists[11][i]);
    }
    EXPECT_EQ(r.result.m_nExamined.ToString(), examined);
    EXPECT_TRUE(r.rec->m_end.m_strSummary.starts_with(examined + " suit configurations examined.\n3 suits meet"));
}
