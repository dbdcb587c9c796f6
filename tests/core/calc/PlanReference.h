#pragma once
// Plans the plain way: each target's candidates from the plain search, then every assignment tried and
// the best kept by the plan's order. Slow on purpose; the plan search is checked against it.
#include "core/calc/PlanSearch.h"

// With a time limit (seconds above 0), a run that reaches it gives up: m_bStopped, no picks.
CPlanResult RunReferencePlan(const std::vector<CPlanTarget>& targets, const CalcPool& planPool, double seconds = 0);
