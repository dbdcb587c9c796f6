#include "GorvantaDoc.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "Assignment.h"
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

// A block in the frame every block after the records shares, its payload closed by the payload's CRC-32.
void WriteBlock(CArchive& ar, int32_t tag, int32_t version, const std::string& payload) {
    ar.WriteInt32(tag);
    ar.WriteInt32(version);
    ar.WriteInt32(int32_t(payload.size() + 4));
    ar.WriteBytes(payload.data(), payload.size());
    ar.WriteInt32(int32_t(Crc32(payload)));
}

void WriteMarks(CArchive& ar, const std::array<PoolList, SLOT_COUNT>& pool) {
    std::vector<CMarkEntry> entries;
    for (size_t k = 0; k < pool.size(); ++k)
        for (size_t i = 0; i < pool[k].size(); ++i)
            if (const CArmorPiece* p = pool[k][i]; p && p->m_nMark != PieceMark::None)
                entries.push_back({int32_t(k), int32_t(i), int32_t(p->m_nMark)});
    // Without marks the file stays what readers without marks write.
    if (entries.empty()) return;
    WriteBlock(ar, DOC_MARKS_TAG, DOC_MARKS_VERSION, MarkPayload(entries));
}

// Reads the payload of a mark block (what follows its length) and marks the pieces only when every part of
// it checks out: each mark names a piece this file put in the pool (`first[k]` is where list k's pieces
// from the file begin), marks come in strictly rising order with at most one pin per list, and the
// checksum matches. False, nothing marked, otherwise.
bool ReadMarks(std::string_view payload, std::array<PoolList, SLOT_COUNT>& pool,
               const std::array<size_t, SLOT_COUNT>& first) {
    try {
        if (payload.size() < 8 + 12 || (payload.size() - 8) % 12 != 0) return false;
        CArchive ar(payload);
        const int32_t count = ar.ReadInt32();
        if (int64_t(count) != int64_t(payload.size() - 8) / 12) return false;
        std::vector<CMarkEntry> entries;
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
        if (ar.ReadUInt32() != Crc32(MarkPayload(entries))) return false;
        for (const CMarkEntry& e : entries)
            if (CArmorPiece* p = pool[size_t(e.list)][first[size_t(e.list)] + size_t(e.index)])
                p->m_nMark = PieceMark(e.mark);
        return true;
    } catch (const CArchiveException&) {
        return false;
    }
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
    WriteBlock(ar, DOC_EDITS_TAG, DOC_EDITS_VERSION, EditPayload(numbers));
}

// Reads the payload of an edits block (what follows its length) and flags the pieces only when it names
// pieces of this file in strictly rising order and matches its checksum. False, nothing flagged, otherwise.
bool ReadEdits(std::string_view payload, const std::vector<CArmorPiece*>& pieces) {
    try {
        if (payload.size() < 8 || payload.size() % 4 != 0) return false;
        CArchive ar(payload);
        const int32_t count = ar.ReadInt32();
        // An empty block is never written, so it is damage too.
        if (count <= 0 || int64_t(count) != int64_t(payload.size() - 8) / 4) return false;
        std::vector<int32_t> numbers;
        for (int32_t n = 0; n < count; ++n) {
            const int32_t number = ar.ReadInt32();
            if (number < 0 || uint64_t(number) >= pieces.size() || (!numbers.empty() && number <= numbers.back()))
                return false;
            numbers.push_back(number);
        }
        if (ar.ReadUInt32() != Crc32(EditPayload(numbers))) return false;
        for (int32_t n : numbers)
            if (CArmorPiece* p = pieces[size_t(n)]) p->m_bEdited = true;
        return true;
    } catch (const CArchiveException&) {
        return false;
    }
}

void WritePlan(CArchive& ar, const CPlan& plan) {
    // Without a plan the file stays what readers without plans write.
    if (plan.Empty()) return;
    std::string payload;
    CArchive out(payload);
    out.WriteInt32(plan.m_bWorn ? 1 : 0);
    out.WriteInt32(int32_t(plan.m_arrTargets.size()));
    for (const CPlanTarget& t : plan.m_arrTargets) {
        out.WriteString(t.m_strName);
        const auto named = t.m_wishes.Named();
        out.WriteInt32(int32_t(named.size()));
        for (const auto& [name, value] : named) {
            out.WriteString(name);
            out.WriteInt32(value);
        }
    }
    WriteBlock(ar, DOC_PLAN_TAG, DOC_PLAN_VERSION, payload);
}

// Reads the payload of a plan block (what follows its length) into `plan` only when its checksum matches,
// it holds exactly what its counts say, worn is 0 or 1 and there is at least one target, each with a name
// TargetNameFaultOf accepts as it stands. False, the plan untouched, otherwise.
bool ReadPlan(std::string_view payload, CPlan& plan) {
    try {
        if (payload.size() < 4) return false;
        const std::string_view body = payload.substr(0, payload.size() - 4);
        if (CArchive(payload.substr(body.size())).ReadUInt32() != Crc32(body)) return false;
        CArchive ar(body);
        CPlan read;
        const int32_t worn = ar.ReadInt32();
        if (worn != 0 && worn != 1) return false;
        read.m_bWorn = worn == 1;
        const int32_t targets = ar.ReadInt32();
        if (targets <= 0) return false;
        // A name and a wish count at their smallest, before anything is made for them.
        ar.CheckCount(targets, 1 + 4);
        for (int32_t t = 0; t < targets; ++t) {
            CPlanTarget target;
            target.m_strName = ar.ReadString();
            if (target.m_strName != TrimName(target.m_strName) ||
                TargetNameFaultOf(read.m_arrTargets, target.m_strName) != TargetNameFault::None)
                return false;
            const int32_t wishes = ar.ReadInt32();
            ar.CheckCount(wishes, 1 + 4);
            std::vector<std::pair<std::string, int32_t>> named;
            for (int32_t w = 0; w < wishes; ++w) {
                std::string name = ar.ReadString();
                named.emplace_back(std::move(name), ar.ReadInt32());
            }
            target.m_wishes = CWishes::FromNamed(named);
            read.m_arrTargets.push_back(std::move(target));
        }
        if (ar.Remaining() != 0) return false;
        plan = std::move(read);
        return true;
    } catch (const CArchiveException&) {
        return false;
    }
}

int32_t Int32At(std::string_view bytes, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | uint8_t(bytes[at + size_t(i)]);
    return int32_t(v);
}

// Cuts what follows the records into blocks: the first mark block, edits block and plan block of this
// version that check out mark and flag the pieces and give the plan, everything else is kept. Bytes that
// do not frame a block are kept as one piece to the end.
std::vector<CKeptBlock> ReadBlocks(std::string_view rest, std::array<PoolList, SLOT_COUNT>& pool,
                                   const std::array<size_t, SLOT_COUNT>& first, const std::vector<CArmorPiece*>& pieces,
                                   CPlan& plan) {
    std::vector<CKeptBlock> kept;
    bool marked = false, flagged = false, planned = false;
    while (!rest.empty()) {
        const bool framed = rest.size() >= 12 && Int32At(rest, 8) >= 0 && uint64_t(Int32At(rest, 8)) <= rest.size() - 12;
        // A tag of ours with a version we write (or no version at all) that does not check out is damage.
        const auto isOurs = [&](int32_t tag, int32_t version) {
            return rest.size() >= 4 && Int32At(rest, 0) == tag && (rest.size() < 8 || Int32At(rest, 4) == version);
        };
        const bool marks = isOurs(DOC_MARKS_TAG, DOC_MARKS_VERSION), edits = isOurs(DOC_EDITS_TAG, DOC_EDITS_VERSION);
        const bool plans = isOurs(DOC_PLAN_TAG, DOC_PLAN_VERSION);
        const bool ours = marks || edits || plans;
        const int32_t tag = ours ? Int32At(rest, 0) : 0;
        if (!framed) {
            kept.push_back({std::string(rest), ours, tag});
            break;
        }
        const size_t size = 12 + size_t(Int32At(rest, 8));
        const std::string_view payload = rest.substr(12, size - 12);
        // A second block of one kind is damage too: which of the two holds the marks cannot be told.
        if (marks && !marked && ReadMarks(payload, pool, first))
            marked = true;
        else if (edits && !flagged && ReadEdits(payload, pieces))
            flagged = true;
        else if (plans && !planned && ReadPlan(payload, plan))
            planned = true;
        else
            kept.push_back({std::string(rest.substr(0, size)), ours, tag});
        rest.remove_prefix(size);
    }
    return kept;
}

void DeleteSuitWithPieces(CArmorSuit* suit) {
    if (!suit) return;
    for (CArmorPiece* p : suit->m_arrPieces) delete p;
    suit->m_arrPieces.clear();
    delete suit;
}
}  // namespace

CGorvantaDoc::CGorvantaDoc() = default;

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
        WritePlan(ar, m_plan);
        for (const CKeptBlock& block : m_arrKept) ar.WriteBytes(block.bytes.data(), block.bytes.size());
        return;
    }

    m_arrKept.clear();
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
    m_arrKept = ReadBlocks(ar.TakeRest(), m_arrPool, first, PiecesInFileOrder(m_arrPool, m_arrSuits, first, firstSuit),
                           m_plan);
    // Each kind of damage is told once: the marks and the plan are lost to different things.
    if (HasDamagedMarksBlock()) ShowMessage(MSG_MARKS_UNREADABLE, MsgButtons::OK, MsgIcon::Exclamation);
    if (HasDamagedPlanBlock()) ShowMessage(MSG_PLAN_UNREADABLE, MsgButtons::OK, MsgIcon::Exclamation);
    if (!HasDamagedBlock() && !m_arrKept.empty()) ShowMessage(MSG_BLOCKS_KEPT, MsgButtons::OK, MsgIcon::Information);
}

bool CGorvantaDoc::HasDamagedBlock() const {
    return std::any_of(m_arrKept.begin(), m_arrKept.end(), [](const CKeptBlock& b) { return b.damaged; });
}

bool CGorvantaDoc::HasDamagedPlanBlock() const {
    return std::any_of(m_arrKept.begin(), m_arrKept.end(),
                       [](const CKeptBlock& b) { return b.damaged && b.tag == DOC_PLAN_TAG; });
}

bool CGorvantaDoc::HasDamagedMarksBlock() const {
    return std::any_of(m_arrKept.begin(), m_arrKept.end(),
                       [](const CKeptBlock& b) { return b.damaged && b.tag != DOC_PLAN_TAG; });
}

void CGorvantaDoc::DropDamagedBlocks() {
    std::erase_if(m_arrKept, [](const CKeptBlock& b) { return b.damaged; });
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
    m_plan = {};
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
            if (view && view->IsResultsView() && view->RunInProgress()) {
                view->StopRunForClose();
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
