#include "GorvantaDoc.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "core/calc/CalcState.h"
#include "core/calc/Settings.h"
#include "core/model/Archive.h"
#include "core/model/MessageBox.h"

namespace {
// Smallest number of bytes each kind of record can take: a piece with a wrong marker is 4 bytes, a suit
// is its count and two empty strings, a name is one empty string.
constexpr uint64_t MIN_PIECE_BYTES = 4;
constexpr uint64_t MIN_SUIT_BYTES = 4 + 1 + 1;
constexpr uint64_t MIN_NAME_BYTES = 1;

struct CMarkEntry {
    int32_t list, index, mark;
};

uint32_t Crc32(std::string_view bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// The part of the block the checksum covers: the number of marks and the marks.
std::string MarkPayload(const std::vector<CMarkEntry>& entries) {
    std::string out;
    CArchive ar(out);
    ar.WriteInt32(int32_t(entries.size()));
    for (const CMarkEntry& e : entries) {
        ar.WriteInt32(e.list);
        ar.WriteInt32(e.index);
        ar.WriteInt32(e.mark);
    }
    return out;
}

void WriteMarks(CArchive& ar, const std::array<PoolList, SLOT_COUNT>& pool) {
    std::vector<CMarkEntry> entries;
    for (size_t k = 0; k < pool.size(); ++k)
        for (size_t i = 0; i < pool[k].size(); ++i)
            if (const CArmorPiece* p = pool[k][i]; p && p->m_nMark != PieceMark::None)
                entries.push_back({int32_t(k), int32_t(i), int32_t(p->m_nMark)});
    // Without marks the file stays what readers without marks write.
    if (entries.empty()) return;
    const std::string payload = MarkPayload(entries);
    ar.WriteInt32(DOC_MARKS_TAG);
    ar.WriteInt32(DOC_MARKS_VERSION);
    ar.WriteInt32(int32_t(payload.size() + 4));
    ar.WriteBytes(payload.data(), payload.size());
    ar.WriteInt32(int32_t(Crc32(payload)));
}

// Every piece in the order the file holds them: the pool lists, then each suit's pieces. Reading passes
// where this file's pieces begin (`first[k]` in list k, `firstSuit` in the suits).
std::vector<CArmorPiece*> PiecesInFileOrder(const std::array<PoolList, SLOT_COUNT>& pool,
                                            const std::vector<CArmorSuit*>& suits,
                                            const std::array<size_t, SLOT_COUNT>& first = {}, size_t firstSuit = 0) {
    std::vector<CArmorPiece*> out;
    for (size_t k = 0; k < pool.size(); ++k) out.insert(out.end(), pool[k].begin() + long(first[k]), pool[k].end());
    for (size_t s = firstSuit; s < suits.size(); ++s)
        if (suits[s]) out.insert(out.end(), suits[s]->m_arrPieces.begin(), suits[s]->m_arrPieces.end());
    return out;
}

std::string EditPayload(const std::vector<int32_t>& numbers) {
    std::string out;
    CArchive ar(out);
    ar.WriteInt32(int32_t(numbers.size()));
    for (int32_t n : numbers) ar.WriteInt32(n);
    return out;
}

void WriteEdits(CArchive& ar, const std::vector<CArmorPiece*>& pieces) {
    std::vector<int32_t> numbers;
    for (size_t i = 0; i < pieces.size(); ++i)
        if (pieces[i] && pieces[i]->m_bEdited) numbers.push_back(int32_t(i));
    // Without edited pieces the file stays what readers without this block write.
    if (numbers.empty()) return;
    const std::string payload = EditPayload(numbers);
    ar.WriteInt32(DOC_EDITS_TAG);
    ar.WriteInt32(DOC_EDITS_VERSION);
    ar.WriteInt32(int32_t(payload.size() + 4));
    ar.WriteBytes(payload.data(), payload.size());
    ar.WriteInt32(int32_t(Crc32(payload)));
}

// The edits block, which must fill the rest of the file exactly, name only pieces of this file in strictly
// rising order and match its checksum. False otherwise.
bool ReadEdits(CArchive& ar, size_t pieceCount, std::vector<int32_t>& numbers) {
    if (ar.Remaining() < 12 || ar.ReadInt32() != DOC_EDITS_TAG || ar.ReadInt32() != DOC_EDITS_VERSION) return false;
    const int32_t length = ar.ReadInt32();
    if (length < 8 + 4 || uint64_t(length) != ar.Remaining() || length % 4 != 0) return false;
    const int32_t count = ar.ReadInt32();
    if (count != (length - 8) / 4) return false;
    for (int32_t n = 0; n < count; ++n) {
        const int32_t number = ar.ReadInt32();
        if (number < 0 || uint64_t(number) >= pieceCount || (!numbers.empty() && number <= numbers.back())) return false;
        numbers.push_back(number);
    }
    return ar.ReadUInt32() == Crc32(EditPayload(numbers));
}

// Reads the mark block: each mark names a piece this file put in the pool (`first[k]` is where list k's
// pieces from the file begin), marks come in strictly rising order with at most one pin per list, and the
// checksum matches. False otherwise.
bool ReadMarks(CArchive& ar, std::array<PoolList, SLOT_COUNT>& pool, const std::array<size_t, SLOT_COUNT>& first,
               std::vector<CMarkEntry>& entries) {
    if (ar.Remaining() < 12 || ar.ReadInt32() != DOC_MARKS_TAG || ar.ReadInt32() != DOC_MARKS_VERSION)
        return false;
    const int32_t length = ar.ReadInt32();
    if (length < 8 + 12 || uint64_t(length) > ar.Remaining() || (length - 8) % 12 != 0) return false;
    const int32_t count = ar.ReadInt32();
    if (count != (length - 8) / 12) return false;
    entries.reserve(size_t(count));
    std::array<bool, SLOT_COUNT> pinned{};
    for (int32_t n = 0; n < count; ++n) {
        CMarkEntry e{ar.ReadInt32(), ar.ReadInt32(), ar.ReadInt32()};
        if (e.list < 0 || e.list >= SLOT_COUNT || e.index < 0) return false;
        const PoolList& list = pool[size_t(e.list)];
        if (uint64_t(e.index) >= list.size() - first[size_t(e.list)]) return false;
        if (e.mark != int32_t(PieceMark::Excluded) && e.mark != int32_t(PieceMark::Pinned)) return false;
        if (!entries.empty()) {
            const CMarkEntry& last = entries.back();
            if (e.list < last.list || (e.list == last.list && e.index <= last.index)) return false;
        }
        if (e.mark == int32_t(PieceMark::Pinned) && std::exchange(pinned[size_t(e.list)], true)) return false;
        entries.push_back(e);
    }
    return ar.ReadUInt32() == Crc32(MarkPayload(entries));
}

// The blocks after the last record: the marks, then the edited pieces, each only if present. The pieces
// are marked and flagged only when the whole rest of the file checks out; false, nothing changed, otherwise.
bool ReadTail(CArchive& ar, std::array<PoolList, SLOT_COUNT>& pool, const std::array<size_t, SLOT_COUNT>& first,
              const std::vector<CArmorSuit*>& suits, size_t firstSuit) {
    try {
        std::vector<CMarkEntry> marks;
        if (ar.Remaining() >= 4 && ar.PeekInt32() == DOC_MARKS_TAG && !ReadMarks(ar, pool, first, marks)) return false;
        const std::vector<CArmorPiece*> pieces = PiecesInFileOrder(pool, suits, first, firstSuit);
        std::vector<int32_t> edited;
        if (ar.Remaining() > 0 && !ReadEdits(ar, pieces.size(), edited)) return false;
        for (const CMarkEntry& e : marks)
            if (CArmorPiece* p = pool[size_t(e.list)][first[size_t(e.list)] + size_t(e.index)])
                p->m_nMark = PieceMark(e.mark);
        for (int32_t n : edited)
            if (CArmorPiece* p = pieces[size_t(n)]) p->m_bEdited = true;
        return true;
    } catch (const CArchiveException&) {
        return false;
    }
}

void DeleteSuitWithPieces(CArmorSuit* suit) {
    if (!suit) return;
    for (CArmorPiece* p : suit->m_arrPieces) delete p;
    suit->m_arrPieces.clear();
    delete suit;
}
}  // namespace

CGorvantaDoc::CGorvantaDoc() { TheSettings().LoadSettings(); }

CGorvantaDoc::~CGorvantaDoc() { FreeContents(); }

void CGorvantaDoc::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteInt32(DOC_MAGIC);
        for (const PoolList& list : m_arrPool) ar.WriteInt32(int32_t(list.size()));
        ar.WriteInt32(int32_t(m_arrSuits.size()));
        ar.WriteInt32(int32_t(m_arrCharacters.size()));
        // A null entry still writes a record, so the counts above stay true.
        for (const PoolList& list : m_arrPool)
            for (CArmorPiece* p : list) {
                CArmorPiece empty;
                (p ? p : &empty)->Serialize(ar);
            }
        for (CArmorSuit* s : m_arrSuits) {
            CArmorSuit empty;
            (s ? s : &empty)->Serialize(ar);
        }
        for (const std::string& name : m_arrCharacters) ar.WriteString(name);
        WriteMarks(ar, m_arrPool);
        WriteEdits(ar, PiecesInFileOrder(m_arrPool, m_arrSuits));
        return;
    }

    if (ar.ReadInt32() != DOC_MAGIC) {
        ShowMessage(MSG_ARCHIVE_NOT_RECOGNIZED, MsgButtons::OK, MsgIcon::Stop);
        return;
    }
    int32_t poolCounts[SLOT_COUNT];
    for (int32_t& n : poolCounts) n = ar.ReadInt32();
    const int32_t suitCount = ar.ReadInt32();
    const int32_t nameCount = ar.ReadInt32();

    // Every count is checked against the bytes left, each record at its smallest, before anything is
    // made for it: a hostile count fails at once, and what is made stays within a fixed multiple of the
    // file's size. A count below zero is a damaged file.
    uint64_t need = 0;
    for (int32_t n : poolCounts) {
        if (n < 0) throw CArchiveBadCountException();
        need += uint64_t(n) * MIN_PIECE_BYTES;
    }
    if (suitCount < 0 || nameCount < 0) throw CArchiveBadCountException();
    need += uint64_t(suitCount) * MIN_SUIT_BYTES + uint64_t(nameCount) * MIN_NAME_BYTES;
    if (need > ar.Remaining()) throw CArchiveEofException();

    // Each object joins its list before its record is read, so a cut file leaves it owned here.
    std::array<size_t, SLOT_COUNT> first{};
    for (int k = 0; k < SLOT_COUNT; ++k) {
        PoolList& list = m_arrPool[size_t(k)];
        first[size_t(k)] = list.size();
        list.reserve(list.size() + size_t(poolCounts[k]));
        for (int32_t i = 0; i < poolCounts[k]; ++i) {
            auto* piece = new CArmorPiece;
            list.push_back(piece);
            piece->Serialize(ar);
        }
    }
    const size_t firstSuit = m_arrSuits.size();
    m_arrSuits.reserve(m_arrSuits.size() + size_t(suitCount));
    for (int32_t i = 0; i < suitCount; ++i) {
        // The suit's own piece count, checked before the suit reads it, with the suits and names after it
        // at their smallest.
        const uint64_t after = uint64_t(suitCount - 1 - i) * MIN_SUIT_BYTES + uint64_t(nameCount) * MIN_NAME_BYTES;
        ar.CheckCount(ar.PeekInt32(), MIN_PIECE_BYTES, MIN_SUIT_BYTES + after);
        auto* suit = new CArmorSuit;
        m_arrSuits.push_back(suit);
        suit->Serialize(ar);
    }
    m_arrCharacters.reserve(m_arrCharacters.size() + size_t(nameCount));
    for (int32_t i = 0; i < nameCount; ++i) m_arrCharacters.push_back(ar.ReadString());
    if (ar.Remaining() > 0 && !ReadTail(ar, m_arrPool, first, m_arrSuits, firstSuit))
        ShowMessage(MSG_MARKS_UNREADABLE, MsgButtons::OK, MsgIcon::Exclamation);
}

int CGorvantaDoc::GetPoolCount() const {
    size_t n = 0;
    for (const PoolList& list : m_arrPool) n += list.size();
    return int(n);
}

PoolList* CGorvantaDoc::PoolListFor(int32_t type) {
    const int k = SlotIndexOf(type);
    return k < 0 ? nullptr : &m_arrPool[size_t(k)];
}

PoolList* CGorvantaDoc::PoolListHolding(const CArmorPiece* piece) {
    if (!piece) return nullptr;
    auto holds = [piece](const PoolList& list) { return std::find(list.begin(), list.end(), piece) != list.end(); };
    // Its own type's list first: that is where it almost always is.
    PoolList* own = PoolListFor(piece->m_nType);
    if (own && holds(*own)) return own;
    for (PoolList& list : m_arrPool)
        if (&list != own && holds(list)) return &list;
    return nullptr;
}

void CGorvantaDoc::FreeContents() {
    for (PoolList& list : m_arrPool) {
        for (CArmorPiece*& p : list) {
            delete p;
            p = nullptr;
        }
        list.clear();
    }
    for (CArmorSuit* s : m_arrSuits) DeleteSuitWithPieces(s);
    m_arrSuits.clear();
}

bool CGorvantaDoc::OnNewDocument() {
    m_nSelPieceCount = 0;
    SetModifiedFlag(false);
    return true;
}

void CGorvantaDoc::OnCloseDocument() {
    // The pool must outlive every worker that reads it: stop the run and wait for it before freeing.
    bool again = true;
    while (again) {
        again = false;
        for (IDocView* view : std::vector<IDocView*>(m_views)) {
            if (view && view->IsResultsView() && IsCalcRunning()) {
                TheCalcState().m_bCalcRunning.store(0);
                view->StopAndWaitForRun();
                again = true;
                break;
            }
        }
    }
    FreeContents();
}

void CGorvantaDoc::AddView(IDocView* view) {
    if (view && std::find(m_views.begin(), m_views.end(), view) == m_views.end()) m_views.push_back(view);
}

void CGorvantaDoc::RemoveView(IDocView* view) {
    auto it = std::find(m_views.begin(), m_views.end(), view);
    if (it != m_views.end()) m_views.erase(it);
}

void CGorvantaDoc::UpdateAllViews(IDocView* sender, int hint) {
    // A copy: a view may add or remove views while it handles the hint.
    for (IDocView* view : std::vector<IDocView*>(m_views)) {
        if (view == sender) continue;
        if (std::find(m_views.begin(), m_views.end(), view) == m_views.end()) continue;
        view->OnUpdate(sender, hint);
    }
}
