#pragma once
// The process-wide calculation-running flag, shared by the user interface thread and the worker.
#include <atomic>
#include <cstdint>

struct CCalcState {
    std::atomic<int32_t> m_bCalcRunning{0};
};

CCalcState& TheCalcState();
inline bool IsCalcRunning() { return TheCalcState().m_bCalcRunning.load() != 0; }
