#pragma once
// What a search visits of a pool whose pieces carry exclude and pin marks.
#include "core/calc/CalcEngine.h"

// Each list without its excluded pieces, in the same order; a list holding a pinned piece holds only that
// piece (the first, should a list have two). The pieces are the pool's own, so results refer to them. A
// pool without marks comes back as it is.
CalcPool ReducedPool(const CalcPool& pool);
