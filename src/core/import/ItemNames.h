#pragma once
// The name tables as the player edits them: the order they are offered in, the names the store can
// keep, and writing and reading all eleven at once.
#include <array>
#include <string>
#include <vector>

#include "core/model/ArmorPiece.h"
#include "core/model/PieceDefs.h"

// The slot types in the order the tables are tried when classifying, weapons (which have no table) last:
// the order of the import dialog's slot drop-down and of the Item Names dialog's tables.
const std::array<int, SLOT_COUNT>& SlotChoiceOrder();

// The names the store can keep, in order: a name longer than the loader reads is cut to PIECEDEF_MAX_CHARS;
// an empty name, which would claim every item that reaches its table, is dropped.
std::vector<std::string> StorableNames(const std::vector<std::string>& names);

// Replaces every table key's values with the table's names, "01", "02", ... in list order (with a
// hundredth name the numbers get three digits, so a store that lists its values by name keeps the order).
// A table left empty keeps its key, so the defaults do not come back. False if the store refused a write;
// tables written before that stay written.
bool SavePieceDefs(const CPieceDefs& defs);

// Fills every table from the store as loading the settings does: keys made for the first time get the
// defaults first.
void LoadPieceDefTables(CPieceDefs& defs);
