#pragma once
// The moves of pieces between the pool and suits: assigning a suit to a character, taking it back, and
// handing imported pieces to the document. Pieces and suits are found by identity, never by value, and a
// pool piece is taken from whichever pool list holds it (CGorvantaDoc::PoolListHolding): a damaged file can
// file a piece among another type's. A piece that goes back to the pool joins the list of its own type,
// where an import files it, so a misfiled piece that has been in a suit is filed rightly again. A piece
// loses its exclude or pin mark when it leaves the pool for a suit: marks belong to the pool.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "GorvantaDoc.h"
#include "core/import/ImportRows.h"
#include "core/import/ItemTextParser.h"

constexpr const char* MSG_NAME_EMPTY = "Character name is empty. Assignment failed";
constexpr const char* MSG_ASSIGN_ERROR = "Error saving suit to document. Assignment failed.";
constexpr const char* MSG_REPLACE_QUESTION =
    "%s already has a suit assigned. Do you wish to assign this suit to %s instead? Select Yes to make the new "
    "assignment or No to cancel.";

// Leading and trailing white space removed.
std::string TrimName(const std::string& name);
// Character names compare after lower-casing both in Windows-1252.
bool SameCharacterName(const std::string& a, const std::string& b);
// The suit assigned to the character (names compared as above), or null.
CArmorSuit* SuitOfCharacter(const CGorvantaDoc& doc, const std::string& name);

// Why a name cannot be the next target's of a plan: empty after trimming, or an earlier target's.
enum class TargetNameFault { None, Empty, Taken };
TargetNameFault TargetNameFaultOf(const std::vector<CPlanTarget>& earlier, const std::string& name);

// The whole assignment of the suit details dialog's "Assign/Exit". On true the document owns the suit and
// its pieces; on false nothing has changed and the caller still owns the suit. A missing document or suit,
// a suit that is already the document's, or a suit with a piece that is no longer in the pool (or has no
// slot, so could never go back) is refused with "Error saving suit to document. Assignment failed.".
bool AssignSuit(CGorvantaDoc* doc, CArmorSuit* suit, const std::string& typedName);

// What an assignment asks or tells, so that a caller can assign without a modal box per suit.
struct CAssignQuestions {
    std::function<void(const char* message)> refused;  // why the assignment failed
    // The character already wears a suit: true releases it for the new one (empty: no).
    std::function<bool(const std::string& name)> replaceSuit;
};
// The questions through the message box, as the suit details dialog asks them.
CAssignQuestions MessageBoxQuestions();
bool AssignSuit(CGorvantaDoc* doc, CArmorSuit* suit, const std::string& typedName, const CAssignQuestions& ask);

// Records the name, moves the suit into the document and its pieces out of the pool lists that hold them;
// marks the document modified. No view is told.
void AddAssignedSuit(CGorvantaDoc& doc, CArmorSuit* suit, const std::string& name);

// Returns the suit's pieces to the pool and deletes the suit; the name stays in m_arrCharacters.
void ReleaseAssignedSuit(CGorvantaDoc& doc, CArmorSuit* suit);

// Removes the first entry of the list that is this very piece; nothing if absent.
void RemoveFromPool(CArmorPiece* piece, PoolList& list);
void RemoveFromPool(CArmorPiece* piece, PoolList* list);

// Appends the piece, unmarked, to the end of the pool list of its type, wherever it came from. False, and
// nothing done, when its type selects no list: the caller still holds the piece.
bool ReturnToPool(CGorvantaDoc& doc, CArmorPiece* piece);

// The tree's Delete Suit: every piece back to the pool, the suit removed and deleted, the document marked
// modified and every view refreshed. False (nothing changed) when the suit is not the document's.
// A piece whose type selects no list has no place left to go and is deleted.
bool DeleteSuit(CGorvantaDoc& doc, CArmorSuit* suit);

// The tree's Delete Suit Item: the piece leaves the suit for the pool, the suit's totals follow, the
// document is marked modified and every view refreshed. False (nothing changed) when the suit is not the
// document's or the piece is not in it. A piece whose type selects no list is deleted.
bool DeleteSuitItem(CGorvantaDoc& doc, CArmorSuit* suit, CArmorPiece* piece);

// The tree's Delete Item: the piece leaves its pool list and is deleted, the document is marked modified
// and every view but `sender` refreshed (the tree that asked removes the piece's item itself). False
// (nothing changed) when the piece is in no pool list.
bool DeletePoolPiece(CGorvantaDoc& doc, CArmorPiece* piece, IDocView* sender);

// The tree's Exclude and Pin: the pool piece takes the mark (None clears it). Pinning a piece moves the
// pin of the pool list that holds it, if another piece has it. The document is marked modified and every
// view but `sender` refreshed. True when the document changed; false, and nothing changed, for a piece in
// no pool list, a mark the piece already carries, or a value that is no mark.
bool SetPieceMark(CGorvantaDoc& doc, CArmorPiece* piece, PieceMark mark, IDocView* sender = nullptr);
// How many pool pieces carry the mark.
int CountMarked(const CGorvantaDoc& doc, PieceMark mark);

// Asked before `old`, a piece of the suit, gives way to `added` of the same slot type; true replaces it.
using ReplacePieceQuestion = std::function<bool(const CArmorPiece& old, const CArmorPiece& added)>;
constexpr const char* REPLACE_PIECE_QUESTION =
    "The suit already contains a \"%s\" type piece:\n%s\nDo you want to replace it with the new piece?\n%s";
// The replace question, asked through the message box (Yes replaces): what the add-piece dialog and a drop
// on a suit ask.
bool AskReplacePiece(const CArmorPiece& old, const CArmorPiece& added);

// The add-piece dialog's OK: the pool piece joins the end of the suit and leaves the pool list that holds
// it, the suit's sums follow, the document is marked modified and every view refreshed. The suit's first
// piece of the same slot type is replaced only if `replace` agrees (an empty question counts as no): it
// goes back to the end of its pool list. False (nothing changed) on no, for a suit that is not the
// document's, and for a piece that is in no pool list or has no slot.
bool AddPieceToSuit(CGorvantaDoc& doc, CArmorSuit& suit, CArmorPiece* piece, const ReplacePieceQuestion& replace);

// The paste command's hand-over: each piece, in order, to the end of its pool list; a piece whose type
// selects no list is deleted. Marks the document modified (also for no pieces) and refreshes every view.
// Returns how many pieces joined the pool.
int AddImportedPieces(CGorvantaDoc& doc, std::vector<std::unique_ptr<CArmorPiece>> pieces);

// The order of the import dialog's rows: by text ignoring case, equal texts in the order of the paste.
bool ImportRowLess(const std::string& a, const std::string& b);
void SortImportRows(std::vector<CParsedLine>& rows);

// The item texts of the document's pool and assigned suits, for the import's duplicate marks.
CKnownItems KnownItems(const CGorvantaDoc& doc);
