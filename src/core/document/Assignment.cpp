#include "Assignment.h"

#include <algorithm>

#include "core/model/Cp1252.h"
#include "core/model/MessageBox.h"

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string ReplaceQuestion(const std::string& name) {
    std::string text = MSG_REPLACE_QUESTION;
    for (size_t at = text.find("%s"); at != std::string::npos; at = text.find("%s", at + name.size()))
        text.replace(at, 2, name);
    return text;
}

// A piece may join a suit only from the pool, and only if it has a slot: a suit holds one piece per slot,
// and a piece of no slot could not go back to the pool later.
bool CanJoinSuit(CGorvantaDoc& doc, const CArmorPiece* piece) {
    return piece && doc.PoolListFor(piece->m_nType) && doc.PoolListHolding(piece);
}

// Takes the piece out of whichever pool list holds it; its mark stays behind with the pool.
void TakeFromPool(CGorvantaDoc& doc, CArmorPiece* piece) {
    RemoveFromPool(piece, doc.PoolListHolding(piece));
    piece->m_nMark = PieceMark::None;
}

// A result suit only borrows pool pieces. Taking one that has meanwhile left the pool (deleted, or moved
// into another suit) would give it two owners, so such a suit cannot be assigned.
bool PiecesStillInPool(CGorvantaDoc& doc, const CArmorSuit& suit) {
    if (suit.m_nCount != int32_t(suit.m_arrPieces.size())) return false;
    for (size_t i = 0; i < suit.m_arrPieces.size(); ++i) {
        const CArmorPiece* p = suit.m_arrPieces[i];
        if (!p) continue;
        if (!CanJoinSuit(doc, p)) return false;
        if (std::find(suit.m_arrPieces.begin(), suit.m_arrPieces.begin() + long(i), p) !=
            suit.m_arrPieces.begin() + long(i))
            return false;
    }
    return true;
}

void ReturnOrDelete(CGorvantaDoc& doc, CArmorPiece* piece) {
    if (piece && !ReturnToPool(doc, piece)) delete piece;
}

std::vector<CArmorSuit*>::iterator FindSuit(CGorvantaDoc& doc, const CArmorSuit* suit) {
    return std::find(doc.m_arrSuits.begin(), doc.m_arrSuits.end(), suit);
}
}  // namespace

std::string TrimName(const std::string& name) {
    size_t b = 0, e = name.size();
    while (b < e && IsBlank(name[b])) ++b;
    while (e > b && IsBlank(name[e - 1])) --e;
    return name.substr(b, e - b);
}

bool SameCharacterName(const std::string& a, const std::string& b) { return CompareNoCaseCp1252(a, b) == 0; }

TargetNameFault TargetNameFaultOf(const std::vector<CPlanTarget>& earlier, const std::string& name) {
    const std::string trimmed = TrimName(name);
    if (trimmed.empty()) return TargetNameFault::Empty;
    for (const CPlanTarget& t : earlier)
        if (SameCharacterName(t.m_strName, trimmed)) return TargetNameFault::Taken;
    return TargetNameFault::None;
}

CArmorSuit* SuitOfCharacter(const CGorvantaDoc& doc, const std::string& name) {
    for (CArmorSuit* s : doc.m_arrSuits)
        if (s && SameCharacterName(s->m_strCharacter, name)) return s;
    return nullptr;
}

CAssignQuestions MessageBoxQuestions() {
    return {[](const char* message) { ShowMessage(message, MsgButtons::OK, MsgIcon::Stop); },
            [](const std::string& name) {
                return ShowMessage(ReplaceQuestion(name), MsgButtons::YesNo, MsgIcon::Question) == IDYES;
            }};
}

bool AssignSuit(CGorvantaDoc* doc, CArmorSuit* suit, const std::string& typedName) {
    return AssignSuit(doc, suit, typedName, MessageBoxQuestions());
}

bool AssignSuit(CGorvantaDoc* doc, CArmorSuit* suit, const std::string& typedName, const CAssignQuestions& ask) {
    const auto refuse = [&](const char* message) {
        if (ask.refused) ask.refused(message);
        return false;
    };
    const std::string name = TrimName(typedName);
    if (name.empty()) return refuse(MSG_NAME_EMPTY);
    if (!doc || !suit || FindSuit(*doc, suit) != doc->m_arrSuits.end() || !PiecesStillInPool(*doc, *suit))
        return refuse(MSG_ASSIGN_ERROR);
    if (CArmorSuit* old = SuitOfCharacter(*doc, name)) {
        if (!ask.replaceSuit || !ask.replaceSuit(name)) return false;
        ReleaseAssignedSuit(*doc, old);
    }
    AddAssignedSuit(*doc, suit, name);
    return true;
}

void AddAssignedSuit(CGorvantaDoc& doc, CArmorSuit* suit, const std::string& name) {
    if (!suit) return;
    suit->m_strCharacter = name;
    const bool known = std::any_of(doc.m_arrCharacters.begin(), doc.m_arrCharacters.end(),
                                   [&](const std::string& c) { return SameCharacterName(c, name); });
    if (!known) doc.m_arrCharacters.push_back(name);
    doc.m_arrSuits.push_back(suit);
    doc.SetModifiedFlag(true);
    const size_t n = std::min(size_t(std::max(suit->m_nCount, 0)), suit->m_arrPieces.size());
    for (size_t i = 0; i < n; ++i)
        if (CArmorPiece* p = suit->m_arrPieces[i]) TakeFromPool(doc, p);
}

void ReleaseAssignedSuit(CGorvantaDoc& doc, CArmorSuit* suit) {
    auto it = FindSuit(doc, suit);
    if (it == doc.m_arrSuits.end()) return;
    // Every entry, not just the first m_nCount: the suit owns them all and is about to be deleted.
    for (CArmorPiece* p : suit->m_arrPieces) ReturnOrDelete(doc, p);
    suit->m_arrPieces.clear();
    doc.m_arrSuits.erase(it);
    delete suit;
}

void RemoveFromPool(CArmorPiece* piece, PoolList& list) {
    auto it = std::find(list.begin(), list.end(), piece);
    if (it != list.end()) list.erase(it);
}

void RemoveFromPool(CArmorPiece* piece, PoolList* list) {
    if (list) RemoveFromPool(piece, *list);
}

bool ReturnToPool(CGorvantaDoc& doc, CArmorPiece* piece) {
    if (!piece) return false;
    PoolList* list = doc.PoolListFor(piece->m_nType);
    if (!list) return false;
    // A pin coming back would make a second one in its list.
    piece->m_nMark = PieceMark::None;
    list->push_back(piece);
    return true;
}

bool DeleteSuit(CGorvantaDoc& doc, CArmorSuit* suit) {
    // Found first: returning the pieces of a suit the document does not own would put them in the pool twice.
    auto it = FindSuit(doc, suit);
    if (!suit || it == doc.m_arrSuits.end()) return false;
    for (CArmorPiece* p : suit->m_arrPieces) ReturnOrDelete(doc, p);
    suit->m_arrPieces.clear();
    doc.m_arrSuits.erase(it);
    delete suit;
    doc.SetModifiedFlag(true);
    doc.UpdateAllViews(nullptr, HINT_REFRESH);
    return true;
}

bool DeleteSuitItem(CGorvantaDoc& doc, CArmorSuit* suit, CArmorPiece* piece) {
    if (!suit || !piece || FindSuit(doc, suit) == doc.m_arrSuits.end()) return false;
    const size_t n = std::min(size_t(std::max(suit->m_nCount, 0)), suit->m_arrPieces.size());
    auto end = suit->m_arrPieces.begin() + long(n);
    auto it = std::find(suit->m_arrPieces.begin(), end, piece);
    if (it == end) return false;
    suit->m_arrPieces.erase(it);
    ReturnOrDelete(doc, piece);
    // The sums follow the pieces, so nothing that reads them later sees the piece that left.
    suit->CalcTotals();
    doc.SetModifiedFlag(true);
    doc.UpdateAllViews(nullptr, HINT_REFRESH);
    return true;
}

bool DeletePoolPiece(CGorvantaDoc& doc, CArmorPiece* piece, IDocView* sender) {
    PoolList* list = doc.PoolListHolding(piece);
    if (!list) return false;
    RemoveFromPool(piece, *list);
    delete piece;
    doc.SetModifiedFlag(true);
    doc.UpdateAllViews(sender, HINT_REFRESH);
    return true;
}

bool SetPieceMark(CGorvantaDoc& doc, CArmorPiece* piece, PieceMark mark, IDocView* sender) {
    if (mark != PieceMark::None && mark != PieceMark::Excluded && mark != PieceMark::Pinned) return false;
    PoolList* list = doc.PoolListHolding(piece);
    if (!list || piece->m_nMark == mark) return false;
    if (mark == PieceMark::Pinned)
        for (CArmorPiece* p : *list)
            if (p && p->m_nMark == PieceMark::Pinned) p->m_nMark = PieceMark::None;
    piece->m_nMark = mark;
    doc.SetModifiedFlag(true);
    doc.UpdateAllViews(sender, HINT_REFRESH);
    return true;
}

int CountMarked(const CGorvantaDoc& doc, PieceMark mark) {
    int n = 0;
    for (const PoolList& list : doc.m_arrPool)
        for (const CArmorPiece* p : list) n += p && p->m_nMark == mark;
    return n;
}

bool AddPieceToSuit(CGorvantaDoc& doc, CArmorSuit& suit, CArmorPiece* piece, const ReplacePieceQuestion& replace) {
    if (!CanJoinSuit(doc, piece) || FindSuit(doc, &suit) == doc.m_arrSuits.end()) return false;
    const size_t n = std::min(size_t(std::max(suit.m_nCount, 0)), suit.m_arrPieces.size());
    for (size_t i = 0; i < n; ++i) {
        CArmorPiece* old = suit.m_arrPieces[i];
        if (!old || old->m_nType != piece->m_nType) continue;
        if (!replace || !replace(*old, *piece)) return false;
        suit.m_arrPieces.erase(suit.m_arrPieces.begin() + long(i));
        ReturnOrDelete(doc, old);
        --suit.m_nCount;
        break;
    }
    TakeFromPool(doc, piece);
    suit.m_arrPieces.push_back(piece);
    ++suit.m_nCount;
    suit.CalcTotals();
    doc.SetModifiedFlag(true);
    doc.UpdateAllViews(nullptr, HINT_REFRESH);
    return true;
}

int AddImportedPieces(CGorvantaDoc& doc, std::vector<std::unique_ptr<CArmorPiece>> pieces) {
    int added = 0;
    for (std::unique_ptr<CArmorPiece>& p : pieces) {
        if (!p) continue;
        if (PoolList* list = doc.PoolListFor(p->m_nType)) {
            list->push_back(p.release());
            ++added;
        }
        // Anything left in `pieces` is deleted on return.
    }
    doc.SetModifiedFlag(true);
    doc.UpdateAllViews(nullptr, HINT_REFRESH);
    return added;
}

bool ImportRowLess(const std::string& a, const std::string& b) {
    return LessNoCaseCp1252(a, b);
}

void SortImportRows(std::vector<CParsedLine>& rows) {
    std::stable_sort(rows.begin(), rows.end(),
                     [](const CParsedLine& a, const CParsedLine& b) { return ImportRowLess(a.line, b.line); });
}

bool AskReplacePiece(const CArmorPiece& old, const CArmorPiece& added) {
    const std::string* args[] = {&old.m_strTypeName, &old.m_strText, &added.m_strText};
    std::string question;
    int next = 0;
    for (const char* p = REPLACE_PIECE_QUESTION; *p; ++p) {
        if (p[0] == '%' && p[1] == 's' && next < 3) {
            question += *args[next++];
            ++p;
        } else {
            question += *p;
        }
    }
    return ShowMessage(question, MsgButtons::YesNo, MsgIcon::None) == IDYES;
}

CKnownItems KnownItems(const CGorvantaDoc& doc) {
    CKnownItems known;
    for (const PoolList& list : doc.m_arrPool)
        for (const CArmorPiece* p : list)
            if (p) known.texts.try_emplace(p->m_strText, CDuplicate{DupKind::Pool, {}});
    for (const CArmorSuit* suit : doc.m_arrSuits) {
        if (!suit) continue;
        for (const CArmorPiece* p : suit->m_arrPieces)
            if (p) known.texts.try_emplace(p->m_strText, CDuplicate{DupKind::Suit, suit->m_strCharacter});
    }
    return known;
}
