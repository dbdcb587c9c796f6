#include "CalcRun.h"

#include <QMetaObject>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <functional>

#include "gui/calc/AppState.h"
#include "core/calc/Reach.h"
#include "core/calc/ReducedPool.h"
#include "gui/calc/PlanRun.h"

// ---------------------------------------------------------------------------------------------------------

// Runs on the worker thread: gathers suits and hands them over, blocking until each batch is handled.
class CCalcRun::CReporter : public ICalcReporter {
public:
    explicit CReporter(CCalcRun& run) : m_run(run) {}

    void OnBegin(const CCalcCount& combinations) override {
        {
            std::lock_guard<std::mutex> lock(m_run.m_countMutex);
            m_run.m_nCombinations = combinations;
            m_run.m_nExamined = 0;
        }
        // The search raises the flag as it starts, which would undo a stop that came before.
        if (m_run.m_bStopRequested.load()) TheCalcState().m_bCalcRunning.store(0);
        HandOver([&] { m_run.m_sink.OnCalcBegin(combinations.Clamped64()); });
        m_lastFlush = Clock::now();
    }
    void OnSuit(std::unique_ptr<CArmorSuit> suit) override {
        {
            std::lock_guard<std::mutex> lock(m_run.m_countMutex);
            ++m_run.m_nFound;
        }
        m_batch.push_back(std::move(suit));
        if (m_batch.size() >= BATCH_SUITS || Due()) Flush();
    }
    void OnProgress(const CCalcCount& examined) override {
        {
            std::lock_guard<std::mutex> lock(m_run.m_countMutex);
            m_run.m_nExamined = examined;
        }
        if (!m_batch.empty() && Due()) Flush();
    }
    void OnBestSoFar(int32_t value) override {
        std::lock_guard<std::mutex> lock(m_run.m_countMutex);
        m_run.m_best = value;
    }
    void OnEnd(const CCalcMsg& end) override {
        Flush();
        HandOver([&] { m_run.m_sink.OnCalcEnd(end); });
    }
    void Returned() {
        {
            std::lock_guard<std::mutex> lock(m_run.m_handOverMutex);
            m_run.m_bReturned = true;
        }
        m_run.m_handOverCond.notify_all();
    }

private:
    using Clock = std::chrono::steady_clock;

    bool Due() const { return Clock::now() - m_lastFlush >= std::chrono::milliseconds(BATCH_MS); }
    void Flush() {
        if (!m_batch.empty()) {
            HandOver([&] { m_run.m_sink.OnCalcSuits(m_batch); });
            // Whatever the receiver left behind is not listed; it still must not leak.
            m_batch.clear();
        }
        m_lastFlush = Clock::now();
    }
    template <class F>
    void HandOver(F&& f) {
        std::function<void()> task(std::forward<F>(f));
        m_run.HandOver(task);
    }

    CCalcRun& m_run;
    std::vector<std::unique_ptr<CArmorSuit>> m_batch;
    Clock::time_point m_lastFlush = Clock::now();
};

// Adds to the summary what the player can act on: why a whole run listed nothing, and that a full ranked
// list may leave out suits. The reaches are searched here, on the worker, before the end is handed over.
class CNotes : public ICalcReporter {
public:
    CNotes(ICalcReporter& inner, const CCalcParam& param, const CalcPool& pool, int32_t lowerLimit, int threads)
        : m_inner(inner), m_param(param), m_pool(pool), m_nLowerLimit(lowerLimit), m_nThreads(threads) {}
    void OnBegin(const CCalcCount& combinations) override { m_inner.OnBegin(combinations); }
    void OnSuit(std::unique_ptr<CArmorSuit> suit) override { m_inner.OnSuit(std::move(suit)); }
    void OnProgress(const CCalcCount& examined) override { m_inner.OnProgress(examined); }
    void OnBestSoFar(int32_t value) override { m_inner.OnBestSoFar(value); }
    void OnEnd(const CCalcMsg& end) override {
        CCalcMsg noted = end;
        // Still up here unless the run was stopped (or ended at its suit limit, which lists suits).
        const bool whole = TheCalcState().m_bCalcRunning.load() != 0;
        if (end.m_strError.empty() && end.m_nSuitsFound == 0 && whole) {
            try {
                const std::string why = ExplainNothing(m_param, m_pool, m_nLowerLimit,
                                                       MinimumReach(m_param, m_pool, m_nLowerLimit, m_nThreads));
                if (!why.empty()) noted.m_strSummary += "\n" + why;
            } catch (...) {
                // Without the explanation the summary is still true; the end must reach the window.
            }
        } else if (end.m_strError.empty() && m_param.RankColumn() && end.m_nSuitsFound >= std::max(m_param.m_nSuitLimit, 1)) {
            noted.m_strSummary += "\n" + FullListLine(m_param.m_nSuitLimit);
        }
        m_inner.OnEnd(noted);
    }

private:
    ICalcReporter& m_inner;
    const CCalcParam m_param;
    const CalcPool& m_pool;
    int32_t m_nLowerLimit;
    int m_nThreads;
};

class CCalcRun::CWorker : public QThread {
public:
    CWorker(CCalcRun& run, std::unique_ptr<CCalcParam> param, const CalcPool& pool, int32_t lowerLimit, int threads)
        : m_reporter(run), m_pParam(std::move(param)), m_pool(ReducedPool(pool)), m_nLowerLimit(lowerLimit),
          m_nThreads(threads) {}

protected:
    void run() override {
        if (m_pParam) {
            CNotes notes(m_reporter, *m_pParam, m_pool, m_nLowerLimit, m_nThreads);
            CalcThreadProc(std::move(m_pParam), m_pool, m_nLowerLimit, TheCalcState().m_bCalcRunning, notes, m_nThreads);
        }
        m_reporter.Returned();
    }

private:
    CReporter m_reporter;
    std::unique_ptr<CCalcParam> m_pParam;
    // What the marks leave of the pool, taken at the start; the pieces are the pool's own.
    const CalcPool m_pool;
    int32_t m_nLowerLimit;
    int m_nThreads;
};

// ---------------------------------------------------------------------------------------------------------

namespace {
// Every run object of the process; touched on the user interface thread only.
std::vector<CCalcRun*>& AllRuns() {
    static std::vector<CCalcRun*> runs;
    return runs;
}
}  // namespace

CCalcRun::CCalcRun(ICalcRunSink& sink, QObject* parent) : QObject(parent), m_sink(sink) { AllRuns().push_back(this); }

CCalcRun::~CCalcRun() {
    if (IsActive()) StopAndWait();
    if (m_pThread) m_pThread->wait();
    auto& runs = AllRuns();
    runs.erase(std::remove(runs.begin(), runs.end(), this), runs.end());
}

bool CCalcRun::AnyActive() {
    return std::any_of(AllRuns().begin(), AllRuns().end(), [](const CCalcRun* r) { return r->IsActive(); });
}

bool IsCalcInProgress() { return IsCalcRunning() || CCalcRun::AnyActive() || CPlanRun::AnyActive(); }

bool CCalcRun::Start(std::unique_ptr<CCalcParam> param, const CalcPool& pool, int32_t lowerLimit, int threads) {
    // A stopped run's worker still waits for its end to be handled and then clears the flag, which
    // would stop a run started meanwhile.
    if (IsCalcInProgress()) return false;
    if (m_pThread) {
        m_pThread->wait();
        m_pThread.reset();
    }
    TheCalcState().m_bCalcRunning.store(1);
    m_bStopRequested.store(false);
    m_bClosing = false;
    {
        std::lock_guard<std::mutex> lock(m_countMutex);
        m_nExamined = 0;
        m_nCombinations = 0;
        m_nFound = 0;
        m_nSuitLimit = std::max<int32_t>(param ? param->m_nSuitLimit : 1, 1);
        m_nRankColumn = param ? param->RankColumn() : 0;
        m_best.reset();
    }
    {
        std::lock_guard<std::mutex> lock(m_handOverMutex);
        m_bReturned = false;
        m_pTask = nullptr;
        m_bTaskDone = false;
    }
    auto* worker = new CWorker(*this, std::move(param), pool, lowerLimit, threads);
    m_pThread.reset(worker);
    // The finish of an earlier worker may still be queued when the next one starts; it must not make
    // us wait for the new one. (Its address may well be the new one's, hence the count.)
    const uint64_t generation = ++m_nGeneration;
    connect(worker, &QThread::finished, this, [this, generation] { OnWorkerFinished(generation); },
            Qt::QueuedConnection);
    worker->start(QThread::NormalPriority);
    return true;
}

CCalcCount CCalcRun::Examined() const {
    std::lock_guard<std::mutex> lock(m_countMutex);
    return m_nExamined;
}

CCalcCount CCalcRun::Combinations() const {
    std::lock_guard<std::mutex> lock(m_countMutex);
    return m_nCombinations;
}

CCalcRunStatus CCalcRun::Status() const {
    std::lock_guard<std::mutex> lock(m_countMutex);
    return {m_nExamined, m_nCombinations, m_nFound, m_nSuitLimit, m_nRankColumn, m_best};
}

bool CCalcRun::IsActive() const {
    if (!m_pThread) return false;
    std::lock_guard<std::mutex> lock(m_handOverMutex);
    return !m_bReturned;
}

void CCalcRun::RequestStop() {
    if (IsActive()) m_bStopRequested.store(true);
    TheCalcState().m_bCalcRunning.store(0);
}

void CCalcRun::StopAndWait() {
    RequestStop();
    // The worker waits for the hand-over we are inside of; it cannot end before we return.
    if (InHandOver()) return;
    WaitForEnd();
}

void CCalcRun::WaitForEnd() {
    if (!m_pThread || InHandOver()) return;
    // The worker's reports are handled right here rather than through the event loop, so the wait
    // cannot depend on which events a nested loop gets to deliver.
    for (;;) {
        RunPendingHandOver();
        std::unique_lock<std::mutex> lock(m_handOverMutex);
        m_handOverCond.wait(lock, [this] { return m_bReturned || m_pTask; });
        if (m_bReturned) break;
    }
    m_pThread->wait();
}

void CCalcRun::HandOver(std::function<void()>& task) {
    std::unique_lock<std::mutex> lock(m_handOverMutex);
    m_pTask = &task;
    m_bTaskDone = false;
    lock.unlock();
    m_handOverCond.notify_all();
    QMetaObject::invokeMethod(this, [this] { RunPendingHandOver(); }, Qt::QueuedConnection);
    lock.lock();
    m_handOverCond.wait(lock, [this] { return m_bTaskDone; });
}

void CCalcRun::RunPendingHandOver() {
    std::function<void()>* task;
    {
        std::lock_guard<std::mutex> lock(m_handOverMutex);
        // None: already taken (by a wait, or further up this thread's stack).
        if (!m_pTask) return;
        task = m_pTask;
        m_pTask = nullptr;
    }
    ++m_nHandOverDepth;
    (*task)();
    --m_nHandOverDepth;
    {
        std::lock_guard<std::mutex> lock(m_handOverMutex);
        m_bTaskDone = true;
    }
    m_handOverCond.notify_all();
}

void CCalcRun::OnWorkerFinished(uint64_t generation) {
    if (generation != m_nGeneration || !m_pThread) return;
    m_pThread->wait();
    emit Finished();
}
