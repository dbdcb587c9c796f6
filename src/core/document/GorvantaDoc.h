#pragma once
// One user database: the pool of free pieces by slot type, the assigned suits and the character names.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/calc/Plan.h"
#include "core/model/ArmorPiece.h"
#include "core/model/ArmorSuit.h"

class CArchive;

// View hints carried by UpdateAllViews.
enum {
    HINT_REFRESH = 0,
    HINT_START_CALC = 0x1234,
    HINT_FILTERS_CHANGED = 0x1235,
    HINT_CALC_DONE = 0x1236,
    HINT_STOP_CALC = 0x1237
};

constexpr int32_t DOC_MAGIC = 30000;
constexpr const char* MSG_ARCHIVE_NOT_RECOGNIZED = "Archive format not recognized.";
constexpr const char* MSG_UNEXPECTED_FORMAT = "Unexpected file format.";
constexpr const char* MSG_FAILED_TO_SAVE = "Failed to save document.";
constexpr const char* MSG_FAILED_TO_OPEN = "Failed to open document.";
constexpr const char* MSG_DOC_READ_ONLY = "The document is read-only.";
// A mark block that is damaged, or of a version this program does not know, is left out as a whole.
constexpr const char* MSG_MARKS_UNREADABLE =
    "The exclude and pin marks stored in this document cannot be read. The document opens with every piece "
    "unmarked.";

// The pool's exclude and pin marks follow the last record, where readers without marks never look, and
// only when a piece is marked: "GVMK", the version, the byte count of the rest, then the number of marks
// and for each its pool list, its index in the list and the mark (1 excluded, 2 pinned), in list and index
// order, and last the CRC-32 of the number and the marks. All little-endian 32-bit integers.
constexpr int32_t DOC_MARKS_TAG = 0x4B4D5647;  // "GVMK"
constexpr int32_t DOC_MARKS_VERSION = 1;
// Which pieces carry values the player corrected follows the marks, and only when a piece was edited:
// "GVED", the version, the byte count of the rest, the number of edited pieces and the number of each
// (pieces counted from 0 in the order the file holds them: the pool lists, then each suit's pieces), rising,
// and last the CRC-32 of the count and the numbers. A reader that knows no such block sees a damaged mark
// block and opens the document with every piece unmarked.
constexpr int32_t DOC_EDITS_TAG = 0x44455647;  // "GVED"
constexpr int32_t DOC_EDITS_VERSION = 1;
// The document's plan follows, and only when it has one: "GVPL", the version, the byte count of the rest,
// then worn (0 or 1), the number of targets (at least 1) and for each its name (an archive string) and
// the number of its wishes, each an archive string with its store name and its value, and last the CRC-32
// of everything after the byte count up to it. Wishes go by name so that a reader passes over those it
// does not know and keeps the defaults of those the block lacks; a block whose names are empty or repeat
// is damage.
constexpr int32_t DOC_PLAN_TAG = 0x4C505647;  // "GVPL"
constexpr int32_t DOC_PLAN_VERSION = 1;
constexpr const char* MSG_PLAN_UNREADABLE =
    "The plan stored in this document cannot be read. The document opens without a plan.";

// Blocks after the last record share the mark block's frame: tag, version, the byte count of the rest,
// the rest. One this program cannot read (another tag, another version, or bytes that are no block) is
// kept byte for byte and written again after the blocks this program writes: a later version's additions
// survive a save by this one.
constexpr const char* MSG_BLOCKS_KEPT =
    "This document holds data that this version of Gorvanta cannot read. It is kept unchanged when the "
    "document is saved.";

// What follows the records and this program does not read.
struct CKeptBlock {
    std::string bytes;
    // A block of a kind this program writes (the marks) that does not check out: saving over it would
    // replace what it held, so it is only replaced when the user says so.
    bool damaged = false;
    // The kind of a damaged block, its tag (a cut block of the marks may hold no more than the tag).
    int32_t tag = 0;
};

class CGorvantaDoc;

// What the window program's views implement to hear of changes.
class IDocView {
public:
    virtual ~IDocView() = default;
    virtual void OnUpdate(IDocView* sender, int hint) = 0;
    // The results view answers true: closing the document during a run must stop it first.
    virtual bool IsResultsView() const { return false; }
    // Called by the close step on a results view while a run is in progress: stop the run and return
    // only when the worker no longer reads the pool.
    virtual void StopAndWaitForRun() {}
    // A run this view can stop is in progress (for the window program: any run, since it has one flag).
    virtual bool RunInProgress() const { return false; }
    // The close step's stop: clears the run's flag, then stops as StopAndWaitForRun does.
    virtual void StopRunForClose() { StopAndWaitForRun(); }
};

using PoolList = std::vector<CArmorPiece*>;

class CGorvantaDoc {
public:
    // Reloads the settings (and the name tables) from the per-user store.
    CGorvantaDoc();
    // Frees pieces and suits still held (the close step normally has done so).
    virtual ~CGorvantaDoc();
    CGorvantaDoc(const CGorvantaDoc&) = delete;
    CGorvantaDoc& operator=(const CGorvantaDoc&) = delete;

    // Writes or reads the whole document. Reading a wrong magic reports "Archive format not recognized."
    // through the message box and stops; a short file raises CArchiveEofException. A mark block that does
    // not check out, and any block this program cannot read, is kept (KeptBlocks) and reported once
    // through the message box; the rest of the document stands.
    virtual void Serialize(CArchive& ar);

    // The blocks the last read kept, in file order.
    const std::vector<CKeptBlock>& KeptBlocks() const { return m_arrKept; }
    bool HasDamagedBlock() const;
    // Of the damaged blocks, one of the plan's (the others hold marks).
    bool HasDamagedPlanBlock() const;
    bool HasDamagedMarksBlock() const;
    // Lets the next save write this program's blocks in place of the damaged ones; the others stay.
    void DropDamagedBlocks();

    int GetPoolCount() const;
    PoolList* PoolListFor(int32_t type);
    // The pool list that holds this very piece, whichever it is: a file can file a piece in a list that is
    // not its type's, and a move must take it from where it is. Null when the piece is in no pool list.
    PoolList* PoolListHolding(const CArmorPiece* piece);
    void FreeContents();

    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true) { m_bModified = modified; }
    bool OnNewDocument();
    // The close step: stops a run through the results views, then frees the contents.
    void OnCloseDocument();

    void AddView(IDocView* view);
    void RemoveView(IDocView* view);
    const std::vector<IDocView*>& Views() const { return m_views; }
    void UpdateAllViews(IDocView* sender, int hint);

    std::array<PoolList, 12> m_arrPool;
    std::vector<CArmorSuit*> m_arrSuits;
    std::vector<std::string> m_arrCharacters;
    int32_t m_nSelPieceCount = 0;
    // The characters planned together (none for most documents); stored after the marks. Its target names
    // are trimmed, not empty and distinct ignoring case (TargetNameFaultOf), or the block reads as damage.
    CPlan m_plan;

private:
    bool m_bModified = false;
    std::vector<IDocView*> m_views;
    std::vector<CKeptBlock> m_arrKept;
};
