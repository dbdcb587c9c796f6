#pragma once
// A document's plan: the pool it plans over and the assignment of its result.
#include <string>

#include "GorvantaDoc.h"
#include "core/calc/PlanSearch.h"

// List k: the document's pool list k, then, when the plan is worn, the pieces of the plan characters'
// current suits whose type selects list k, in target order and each suit's piece order.
CalcPool PlanPool(const CGorvantaDoc& doc, const CPlan& plan);

// Releases the current suits of every plan character (worn) or of the served ones, in the order of the
// document's suits, then assigns each served target's suit in priority order under the target's name
// ("Suit 00000", ... in that order), its pieces taken by identity from the lists that hold them. `pool` is
// the plan pool the result was found over, unchanged since. Marks the document modified; no view is told.
// False, and nothing changed, when the result does not fit the document (not usable, a different number of
// targets, or a piece that is no longer in the pool or a plan character's suit).
bool AssignPlan(CGorvantaDoc& doc, const CPlan& plan, const CalcPool& pool, const CPlanResult& result);
