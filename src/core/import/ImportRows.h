#pragma once
// What the import dialog's table shows of a pasted piece, which rows repeat an item the player already
// has, and what a paste left out of a clipboard text too long for one paste.
#include <array>
#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

class CArmorPiece;

enum ImportColumn {
    IMPORT_COL_TEXT,
    IMPORT_COL_SLOT,
    IMPORT_COL_PHYSICAL,  // the five resists follow in property order
    IMPORT_COL_ENERGY = IMPORT_COL_PHYSICAL + 4,
    IMPORT_COL_BONUS,
    IMPORT_COL_MEDABLE,
    IMPORT_COL_DUPLICATE,
    IMPORT_COLUMN_COUNT
};

const std::array<const char*, IMPORT_COLUMN_COUNT>& ImportColumnHeadings();

// Where an item text is already found; CutShort: a line a paste cut at the limit that a later paste
// brought whole.
enum class DupKind { None, Pool, Suit, List, CutShort };
struct CDuplicate {
    DupKind kind = DupKind::None;
    std::string character;  // of the suit, for DupKind::Suit
    bool operator==(const CDuplicate&) const = default;
};

// The item texts already held (KnownItems in the document layer gathers a document's).
struct CKnownItems {
    std::unordered_map<std::string, CDuplicate> texts;
};

// A row's text, and whether it is the last line of a paste that was cut at the limit.
struct CPastedText {
    std::string text;
    bool cut = false;
};

// The duplicate state of each row, the rows in the order they were pasted: in the pool, in a suit, a
// repeat of an earlier text of the list (the first of identical texts is no duplicate of the list), or a
// cut line that a later row begins with.
std::vector<CDuplicate> FindDuplicates(const std::vector<CPastedText>& rowsInPasteOrder, const CKnownItems& known);

// "Luck 200, MR 2": the non-zero bonus properties under the results list's names, percent ones with "%".
std::string BonusSummary(const CArmorPiece& piece);

// The texts of one row, column by column.
std::array<std::string, IMPORT_COLUMN_COUNT> ImportRowTexts(const CArmorPiece& piece, const CDuplicate& dup);

// Files the piece under slot k: its type and type name change, nothing else. False for no slot.
bool SetPieceSlot(CArmorPiece& piece, int k);

// How many characters of the clipboard text did not fit into one paste (counted with CR LF line breaks).
size_t CharactersLeftOut(const std::string& clipboard);
// What the dialog says after a cut paste; `cutLine` is the last line the cut paste read, whose end was lost.
std::string LeftOutNotice(size_t leftOut, const std::string& cutLine);
// The line whose end a cut to PASTE_LIMIT lost: the last line before the two characters the cut
// overwrites; empty when the text is not of that length or already ended a line there.
std::string CutLine(const std::string& pasted);
