#pragma once
// Correcting what the import read from a piece's text: its slot, its thirteen values and the medable
// flag. The text itself stays as imported; the piece is flagged as edited.
#include <array>
#include <cstdint>

#include "GorvantaDoc.h"

// What the player can correct of a piece; values by property index (9 unused).
struct CPieceEdit {
    int slot = -1;
    std::array<int32_t, PROP_COUNT> values{};
    int32_t medable = 0;
    bool operator==(const CPieceEdit&) const = default;
};

CPieceEdit PieceEditOf(const CArmorPiece& piece);

// Gives the piece the slot, values and medable flag of `edit` and flags it as edited; the total resist
// follows. False, nothing changed, for a slot that is none of the twelve.
bool ApplyPieceEdit(CArmorPiece& piece, const CPieceEdit& edit);

enum class EditResult { Changed, Unchanged, NotFound, BadSlot, SlotTaken };

// The tree's Edit Piece as one change of the document: a pool piece that changes slot moves to the end of
// that slot's pool list and loses its mark (a pin belongs to the list it was set in); a suit's piece stays
// in its suit, whose sums follow, and may not take a slot another piece of the suit holds. Changed marks
// the document modified and refreshes every view but `sender`; every other result changes nothing.
EditResult EditPiece(CGorvantaDoc& doc, CArmorPiece* piece, const CPieceEdit& edit, IDocView* sender = nullptr);

// The suit that holds this very piece; null for a pool piece or a piece that is not the document's.
CArmorSuit* SuitHolding(CGorvantaDoc& doc, const CArmorPiece* piece);
