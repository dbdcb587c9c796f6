#include "PlanRun.h"

#include <QThread>

#include <algorithm>

#include "gui/calc/AppState.h"

class CPlanRun::CProgress : public IPlanProgress {
public:
    explicit CProgress(CPlanRun& run) : m_run(run) {}
    void OnProgress(const CCalcCount& examined, const CCalcCount& total) override {
        // The search raises the flag as it starts, which would undo a stop that came before.
        if (m_run.m_bStopRequested.load()) TheCalcState().m_bCalcRunning.store(0);
        std::lock_guard<std::mutex> lock(m_run.m_mutex);
        m_run.m_nExamined = examined;
        m_run.m_nTotal = total;
    }

private:
    CPlanRun& m_run;
};

namespace {
std::vector<CPlanRun*>& AllPlanRuns() {
    static std::vector<CPlanRun*> runs;
    return runs;
}
}  // namespace

CPlanRun::CPlanRun(QObject* parent) : QObject(parent) { AllPlanRuns().push_back(this); }

CPlanRun::~CPlanRun() {
    StopAndWait();
    auto& runs = AllPlanRuns();
    runs.erase(std::remove(runs.begin(), runs.end(), this), runs.end());
}

bool CPlanRun::AnyActive() {
    return std::any_of(AllPlanRuns().begin(), AllPlanRuns().end(), [](const CPlanRun* r) { return r->IsActive(); });
}

bool CPlanRun::IsActive() const { return m_bActive; }

bool CPlanRun::Start(std::vector<CPlanTarget> targets, CalcPool pool, int threads) {
    if (IsCalcInProgress()) return false;
    if (m_pThread) {
        m_pThread->wait();
        m_pThread.reset();
    }
    m_targets = std::move(targets);
    m_pool = std::move(pool);
    TheCalcState().m_bCalcRunning.store(1);
    m_bStopRequested.store(false);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_nExamined = 0;
        m_nTotal = 0;
        m_result = {};
    }
    m_bActive = true;
    m_pThread.reset(QThread::create([this, threads] {
        CProgress progress(*this);
        CPlanRequest request;
        request.targets = &m_targets;
        request.pool = &m_pool;
        request.threads = threads;
        CPlanResult result;
        try {
            result = RunPlan(request, TheCalcState().m_bCalcRunning, &progress);
        } catch (const std::bad_alloc&) {
            result.m_strError = "Out of memory.";
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_result = std::move(result);
    }));
    const uint64_t generation = ++m_nGeneration;
    connect(m_pThread.get(), &QThread::finished, this, [this, generation] { OnWorkerFinished(generation); },
            Qt::QueuedConnection);
    m_pThread->start(QThread::NormalPriority);
    return true;
}

void CPlanRun::RequestStop() {
    if (IsActive()) m_bStopRequested.store(true);
    TheCalcState().m_bCalcRunning.store(0);
}

void CPlanRun::StopAndWait() {
    if (!m_pThread) return;
    const bool active = IsActive();
    if (active) RequestStop();
    m_pThread->wait();
    // The queued finish must not report a result nobody waits for.
    if (active) {
        ++m_nGeneration;
        m_bActive = false;
        TheCalcState().m_bCalcRunning.store(0);
    }
}

CCalcRunStatus CPlanRun::Status() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    CCalcRunStatus st;
    st.m_nExamined = m_nExamined;
    st.m_nCombinations = m_nTotal;
    st.m_bCountsOnly = true;
    return st;
}

CPlanResult CPlanRun::TakeResult() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::move(m_result);
}

void CPlanRun::OnWorkerFinished(uint64_t generation) {
    if (generation != m_nGeneration || !m_pThread) return;
    m_pThread->wait();
    // The worker is gone: the flag is ours to lower, whether the run ended or was stopped.
    m_bActive = false;
    TheCalcState().m_bCalcRunning.store(0);
    emit Finished();
}
