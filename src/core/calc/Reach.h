#pragma once
// Why a run lists nothing: how far each minimum could go with the others kept, and the paragraph that
// tells the player which one to lower. Also the line a ranked run adds when its list is full.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/calc/CalcEngine.h"

// Per minimum (HIGH_ order): the greatest value of its attribute (the total capped as the total resist
// minimum compares it) over the considered combinations of at least one piece that meet every other
// minimum; none where no combination meets them.
using CalcReach = std::array<std::optional<int32_t>, HIGH_COUNT>;

// Found by ranked searches that drop one minimum each; threads as for RunCalculation.
CalcReach MinimumReach(const CCalcParam& param, const CalcPool& pool, int32_t lowerLimit, int threads = 0);

// The paragraph for a run that listed nothing: the minimums that, each lowered alone to its reach, let
// suits qualify, or that two or more must be lowered; and what no minimum can mend (medable-only without
// a medable combination, switched-on slots without pieces). Without a leading line break.
std::string ExplainNothing(const CCalcParam& param, const CalcPool& pool, int32_t lowerLimit, const CalcReach& reach);

// "Only the best N are listed; more suits may meet the limits."
std::string FullListLine(int32_t suitLimit);
