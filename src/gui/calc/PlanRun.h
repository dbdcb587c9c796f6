#pragma once
// One plan run on a worker thread: the joint search of a plan over the plan pool taken when it starts. It
// is a run like a calculation: it raises the program's one running flag, Stop clears it, and no other run
// starts until its worker has returned.
#include <QObject>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "core/calc/PlanSearch.h"
#include "gui/calc/CalcRun.h"

class QThread;

class CPlanRun : public QObject {
    Q_OBJECT
public:
    explicit CPlanRun(QObject* parent = nullptr);
    // Stops a run still going and waits for its worker.
    ~CPlanRun() override;

    // Raises the running flag and starts the worker on the targets and the pool (read in place; it must
    // stay unchanged until the run ends). False, doing nothing, while any run is in progress.
    bool Start(std::vector<CPlanTarget> targets, CalcPool pool, int threads = 0);
    bool IsActive() const;
    // Clears the running flag; the worker ends soon with a stopped result.
    void RequestStop();
    // Clears the flag and waits until the worker has returned; its result is dropped.
    void StopAndWait();
    static bool AnyActive();

    // The counts for the status bar's progress part.
    CCalcRunStatus Status() const;
    // The pool the last run planned over, and its result (valid after Finished).
    const CalcPool& Pool() const { return m_pool; }
    const std::vector<CPlanTarget>& Targets() const { return m_targets; }
    CPlanResult TakeResult();

signals:
    // On the user interface thread, once the worker has returned and the flag is down.
    void Finished();

private:
    class CProgress;
    void OnWorkerFinished(uint64_t generation);

    std::unique_ptr<QThread> m_pThread;
    std::vector<CPlanTarget> m_targets;
    CalcPool m_pool;
    mutable std::mutex m_mutex;
    CCalcCount m_nExamined, m_nTotal;
    CPlanResult m_result;
    // From the start until the worker's return has been handled here (user interface thread only).
    bool m_bActive = false;
    std::atomic<bool> m_bStopRequested{false};
    uint64_t m_nGeneration = 0;
};
