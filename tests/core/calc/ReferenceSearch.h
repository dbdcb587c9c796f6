#pragma once
// The combination search written the plain way: twelve nested loops, every sum recomputed for every
// combination. Slow on purpose; the engine is checked against it.
// Ranked runs (RankColumn() 1 to 15) visit every combination, keep the Suit Limit best qualifying ones by
// the column's value, earlier combinations first among equal values, and report them in that order at
// the end (a stop during that listing ends it). With a "Then By" column, equal values are ordered by that
// column's value, greatest first, before visiting order.
#include <array>
#include <atomic>
#include <optional>

#include "core/calc/CalcEngine.h"

// stopAfter > 0 clears the running flag right after that many combinations, like a Stop arriving then.
CCalcResult RunReferenceSearch(const CCalcParam& param, const CalcPool& pool, int32_t lowerLimit,
                               std::atomic<int32_t>& running, ICalcReporter& reporter, int64_t stopAfter = 0);

// The reach of each minimum, the plain way: for each, every combination listed by the plain search
// without that minimum, the greatest value of its column; none when it lists nothing.
std::array<std::optional<int32_t>, HIGH_COUNT> ReferenceReach(const CCalcParam& param, const CalcPool& pool,
                                                               int32_t lowerLimit);
