#pragma once
// The combination search: every way of taking at most one piece per enabled slot from the pool, each
// combination that meets the minimums reported as a suit, and the summary of the run.
//
// Results are exactly those of visiting the combinations one by one in slot order (head wear outermost),
// but the engine carries partial sums down the levels, skips subtrees that cannot qualify (still counting
// them exactly), searches the subtree below pieces of one slot with equal values once where it lists
// nothing, and spreads the work over several threads with an ordered merge.
//
// A ranked run (a "Rank By" column) visits every combination and lists the suit limit's number of the
// qualifying ones with the greatest value of that column, equal values in visiting order; it passes over
// subtrees that cannot beat the worst of the best kept so far, again counting them exactly.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/calc/CalcCount.h"
#include "core/calc/Settings.h"
#include "core/calc/Wishes.h"
#include "core/model/ArmorPiece.h"
#include "core/model/ArmorSuit.h"

using CalcPool = std::array<std::vector<CArmorPiece*>, SLOT_COUNT>;

// The worker's report object: combination count at the start, all fields at the end.
struct CCalcMsg {
    int64_t m_nSuitsFound = 0;
    CCalcCount m_nCombinations;
    std::string m_strSummary;
    // Set when the run failed and ended early (see RunCalculation); the summary then covers what was
    // reached before the failure.
    std::string m_strError;
};

using CalcHighest = std::array<int32_t, HIGH_COUNT>;

// Everything a run reached, for callers that need more than the summary text.
struct CCalcResult {
    CCalcCount m_nCombinations;
    CCalcCount m_nExamined;
    int64_t m_nFound = 0;
    CalcHighest m_arrHighest{};
    std::string m_strSummary;
    std::string m_strError;  // as in CCalcMsg
};

// Receives the reports of one run, always on the thread that called RunCalculation, in this order:
// OnBegin once, OnSuit once per listed suit (in listing order), OnEnd once. Clearing the running flag
// inside any of them stops the run right after the combination last reported (for OnBegin: after the
// first combination), as a Stop command does.
// Pacing for a user interface (yielding after OnBegin, pausing after every hundredth suit) belongs here,
// not in the engine.
class ICalcReporter {
public:
    virtual ~ICalcReporter() = default;
    virtual void OnBegin(const CCalcCount& combinations) = 0;
    // The receiver owns the suit; it refers to pool pieces without owning them.
    virtual void OnSuit(std::unique_ptr<CArmorSuit> suit) = 0;
    virtual void OnEnd(const CCalcMsg& end) = 0;
    // Combinations examined so far, now and then during long runs.
    virtual void OnProgress(const CCalcCount& examined) { (void)examined; }
    // Ranked runs only, now and then: the greatest value of the ranking column among the qualifying
    // combinations found so far.
    virtual void OnBestSoFar(int32_t value) { (void)value; }
};

// Runs one whole search. Sets `running` to 1 at the start, clears it when the suit limit is reached and
// at the end; a clear from outside (Stop) ends the run within about a millisecond. The pool must not
// change during the run. threads: 0 for every core, 1 to run on the calling thread alone; more threads
// than cores are cut to the cores, and where a thread cannot be started the run goes on with those it has
// (at least the calling thread).
// The suits the run holds before reporting them, together with those reported, stay near the suit limit
// whatever the number of threads.
// A failure inside the search (out of memory included) does not throw: the run ends at the last point
// whose suits were all reported, and the end report and the result carry m_strError ("Not enough memory
// to finish the calculation." or "The calculation failed: ..."); callers show it. An exception thrown by
// the reporter itself ends the run and reaches the caller unchanged.
// Combination and examined counts are exact at every size.
CCalcResult RunCalculation(const CCalcParam& param, const CalcPool& pool, int32_t lowerLimit,
                           std::atomic<int32_t>& running, ICalcReporter& reporter, int threads = 0);

// How a run cuts the space into chunks for the threads (tests and benchmarks vary it; results never
// depend on it). The space is cut at the shallowest slot depth that gives at least this many prefixes.
// What a run did, for tests and benchmarks.
struct CCalcStats {
    int m_nWorkers = 0;        // threads started to search; 0 when the calling thread searched alone
    int64_t m_nSuitsMade = 0;  // suits made, reported or not: the most the run held at any one time
    int m_nPasses = 0;         // ranked runs: searches of every chunk
    bool m_bCapFirst = false;  // the first of them as if only suits at the cap could be listed
};
struct CCalcTuning {
    int64_t m_nChunkTarget = 1024;
    // Most combinations of the last slots a ranked run at the cap keeps in a table per slot (tests lower it).
    int64_t m_nTailKept = 4096;
    bool m_bProbe = true;  // a ranked run first looks for a floor within a small budget (tests switch it off)
    // Threads beyond this many are not started; 0 means the number of cores. Tests lift it.
    int m_nThreadCap = 0;
    CCalcStats* m_pStats = nullptr;  // where given, receives what the run did
};

// What a run asks of the system, replaceable by tests to make it fail at a chosen point. A run copies
// the hooks when it starts.
struct CCalcHooks {
    // Starts a worker thread; may throw std::system_error as std::thread does.
    std::function<std::thread(std::function<void()>)> startThread{};
    // Called as each chunk of the space begins, on the thread that searches it; may throw.
    std::function<void(int64_t chunk)> chunkStart{};
};
// Installs hooks for the lifetime of the object (empty members keep the real behaviour).
class CCalcHooksScope {
public:
    explicit CCalcHooksScope(CCalcHooks hooks);
    ~CCalcHooksScope();
    CCalcHooksScope(const CCalcHooksScope&) = delete;
    CCalcHooksScope& operator=(const CCalcHooksScope&) = delete;

private:
    CCalcHooks m_previous;
};
CCalcResult RunCalculation(const CCalcParam& param, const CalcPool& pool, int32_t lowerLimit,
                           std::atomic<int32_t>& running, ICalcReporter& reporter, int threads,
                           const CCalcTuning& tuning);

// One search, whole: what the character wishes, how many suits to list, the pool and the threads. The
// stop token is the running flag of RunCalculation. Searches with different wishes over one pool may run
// one after another or side by side; none reads anything process-wide.
struct CSearchRequest {
    CWishes wishes;
    int32_t suitLimit = 1000;
    const CalcPool* pool = nullptr;  // read in place, unchanged for the run
    int threads = 0;
};
// The run's parameter block for the request.
CCalcParam CalcParamFor(const CSearchRequest& request);
CCalcResult RunSearch(const CSearchRequest& request, std::atomic<int32_t>& stop, ICalcReporter& reporter);

// The worker's entry for the window program: owns the block; `running` is the program's flag.
// Without a block it returns at once. Returns 0; 1 when the reporter threw, which is not passed on (the
// end is then reported with m_strError if it had not been yet), so no failure leaves the worker thread.
int CalcThreadProc(std::unique_ptr<CCalcParam> param, const CalcPool& pool, int32_t lowerLimit,
                   std::atomic<int32_t>& running, ICalcReporter& reporter, int threads = 0);

// The highest value each minimum (HIGH_ order) can reach with the pool, the enabled slots and medable-only
// of the block, as the summary of a run would show it (0 where nothing reaches above 0). Exact; quick
// where no sum can leave the 32-bit range.
CalcHighest ReachableHighest(const CCalcParam& param, const CalcPool& pool);

// "Suit %5.5d" with the running number.
std::string SuitName(int64_t number);
// The summary text: the singular template when exactly one suit was listed, otherwise the plural one.
std::string FormatSummary(const CCalcCount& examined, int64_t found, const CCalcParam& param, int32_t lowerLimit,
                          const CalcHighest& highest);
// The limit each highest value is shown against, in HIGH_ order.
CalcHighest SummaryLimits(const CCalcParam& param, int32_t lowerLimit);
