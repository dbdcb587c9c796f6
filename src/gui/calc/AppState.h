#pragma once
// What the window program holds once for the whole process: its one settings record and the flag of
// its one calculation run, shared by the user interface thread and the worker. The core takes both as
// arguments instead.
#include <atomic>
#include <cstdint>

#include "core/calc/Settings.h"

struct CCalcState {
    std::atomic<int32_t> m_bCalcRunning{0};
};

CCalcState& TheCalcState();
inline bool IsCalcRunning() { return TheCalcState().m_bCalcRunning.load() != 0; }

// The main frame registers its record (and with it the name tables that file pasted items); until then,
// and after null, a record of this file's is used.
CSettings& TheSettings();
void SetTheSettings(CSettings* settings);
