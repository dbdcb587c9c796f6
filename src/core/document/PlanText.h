#pragma once
// What the plan window says of a plan and its result: each target's wishes in one line, why a target got
// no suit, how a planned suit differs from the one worn now, and the question before assigning. Kept out
// of the window so that the rules can be tested on their own.
#include <array>
#include <cstdint>
#include <string>

#include "core/calc/PlanSearch.h"
#include "core/calc/ResultColumns.h"

class CArmorSuit;
class CGorvantaDoc;
class CWishes;

// "Eff. Total >= 300, LMC >= 40, medable, best by Eff. Total": the minimums above 0 in results column
// order, medable-only, the cap bypass, then the ranking ("as found" for none).
std::string WishesSummary(const CWishes& wishes);
// The switched-on slots, "Head Wear, Gorgets, ..." ("none" when no slot is on).
std::string WishesSlots(const CWishes& wishes);

// Why a target got no suit: "no suit meets these wishes even alone", or "needs pieces taken by a higher
// character (Mage, Healer)" naming the holders. Empty for a served pick.
std::string PlanReasonText(const CPlan& plan, const CPlanPick& pick);

// Whether a change of a column makes the planned suit better for the character.
enum class DiffSense { Same, Better, Worse, Neutral };
struct CColumnDiff {
    int32_t delta = 0;
    DiffSense sense = DiffSense::Same;
};
// Planned minus current for the number columns 1 to 15 (column 0 stays zero), each with the target's cap
// bypass. Where either suit has resist points over the cap the actual total counts points the cap throws
// away, so its change is then neither better nor worse.
std::array<CColumnDiff, RESULT_COLUMN_COUNT> ColumnDiffs(const CArmorSuit& planned, const CArmorSuit& current,
                                                         bool bypassCap);
// "+5", "-3", "0".
std::string SignedText(int32_t delta);
// A cell of the plan's result: the column's text as the results list has it, with what the cap takes
// shown beside it: a resist above the cap as "70 (85)", the actual total above the effective one as
// "355 (55 over cap)".
std::string PlanCellText(const CArmorSuit& suit, int column, bool bypassCap);
// How far the column stands over the cap: the resist sum above 70, or the actual total above the
// effective one; 0 otherwise, and always with the cap bypassed.
int32_t OverCap(const CArmorSuit& suit, int column, bool bypassCap);

// The characters whose suits Assign All gives (the served ones) and the question asked before it:
// "Assign the planned suits of 3 characters? The current suits of Mage, Tank are replaced." The second
// sentence names the characters whose current suits are released and is left out when there are none.
int PlanAssignCount(const CPlanResult& result);
std::string AssignAllQuestion(const CGorvantaDoc& doc, const CPlan& plan, const CPlanResult& result);

// A name for a new target: trimmed in place. Empty when it may join the plan, else why not.
std::string CheckTargetName(const CPlan& plan, std::string& name);
