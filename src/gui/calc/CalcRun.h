#pragma once
// One calculation run on a worker thread. The search's reports reach the user interface thread in order
// (begin, suits, end), each hand-over blocking the worker until the receiver has handled it; suits travel
// in batches so that a dense run does not pay one thread switch per suit while the window keeps painting.
#include <QObject>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/calc/CalcEngine.h"
#include "core/calc/ResultColumns.h"  // the summary box's elapsed time

class QThread;

// A run is in progress: the flag is up, or a worker has not yet returned (a stopped run whose summary
// is still open). Only then may a new run start.
bool IsCalcInProgress();

// What the user interface thread hears of a run, always on that thread.
class ICalcRunSink {
public:
    virtual ~ICalcRunSink() = default;
    virtual void OnCalcBegin(int64_t combinations) = 0;
    // Consecutive suits in listing order; the receiver takes them out of the vector.
    virtual void OnCalcSuits(std::vector<std::unique_ptr<CArmorSuit>>& suits) = 0;
    // The worker is still inside this call, so the running flag stays set until it returns.
    virtual void OnCalcEnd(const CCalcMsg& end) = 0;
};

// Where a run stands, read in one piece for the progress display.
struct CCalcRunStatus {
    CCalcCount m_nExamined;
    CCalcCount m_nCombinations;
    int64_t m_nFound = 0;           // suits the search has delivered so far
    int32_t m_nSuitLimit = 1;       // the most a run lists (at least 1)
    int m_nRankColumn = 0;          // the results column a ranked run orders by; 0 for a run listing as found
    std::optional<int32_t> m_best;  // ranked runs: the best value so far, once one is known
    bool m_bCountsOnly = false;     // a run that lists no suits (a plan): only the counts are shown
};

class CCalcRun : public QObject {
    Q_OBJECT
public:
    // The sink must outlive the run object.
    explicit CCalcRun(ICalcRunSink& sink, QObject* parent = nullptr);
    // Stops a run still going and waits for its worker.
    ~CCalcRun() override;

    // Sets the running flag before the worker exists, so a second start cannot slip in, then starts
    // the worker on the block. The pool is read in place and must stay unchanged until the run ends.
    // Returns false, doing nothing, when a run is already in progress (IsCalcInProgress).
    bool Start(std::unique_ptr<CCalcParam> param, const CalcPool& pool, int32_t lowerLimit, int threads = 0);

    // A worker of this object exists and has not yet returned.
    bool IsActive() const;
    // Clears the running flag; a worker that has not yet announced its run stops right after it does.
    void RequestStop();
    // Clears the running flag and waits until the worker has returned, handling the worker's remaining
    // reports on this thread meanwhile. Inside a hand-over it only clears the flag.
    void StopAndWait();
    // Waits until the worker has returned, handling its reports on this thread as they come.
    void WaitForEnd();
    // Some run object of the process has a worker that has not yet returned.
    static bool AnyActive();
    // The run was stopped because what it reads is going away.
    bool IsClosing() const { return m_bClosing; }
    void SetClosing(bool closing) { m_bClosing = closing; }

    // Combinations examined so far, as the worker last told, and the run's combination count; 0 before
    // the worker tells.
    CCalcCount Examined() const;
    CCalcCount Combinations() const;
    CCalcRunStatus Status() const;
    bool InHandOver() const { return m_nHandOverDepth > 0; }

    // Hand-over tuning: a batch goes over when it holds this many suits or is this old.
    static constexpr size_t BATCH_SUITS = 4096;
    static constexpr int BATCH_MS = 15;

signals:
    // Emitted on the user interface thread once the worker has returned.
    void Finished();

private:
    class CWorker;
    class CReporter;
    friend class CReporter;

    void OnWorkerFinished(uint64_t generation);
    // Worker side: has the user interface thread run the task and blocks until it has.
    void HandOver(std::function<void()>& task);
    // User interface side: runs the task the worker waits on, if any.
    void RunPendingHandOver();

    ICalcRunSink& m_sink;
    std::unique_ptr<QThread> m_pThread;
    mutable std::mutex m_countMutex;  // the counts are wider than an atomic
    CCalcCount m_nExamined;
    CCalcCount m_nCombinations;
    int64_t m_nFound = 0;
    int32_t m_nSuitLimit = 1;
    int m_nRankColumn = 0;
    std::optional<int32_t> m_best;
    std::atomic<bool> m_bStopRequested{false};
    int m_nHandOverDepth = 0;
    uint64_t m_nGeneration = 0;
    // The hand-over between worker and user interface thread, and the worker's "returned" mark.
    mutable std::mutex m_handOverMutex;
    std::condition_variable m_handOverCond;
    std::function<void()>* m_pTask = nullptr;  // handed over, not yet taken
    bool m_bTaskDone = false;
    bool m_bReturned = true;
    bool m_bClosing = false;
};
