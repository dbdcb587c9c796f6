#include "PieceEdit.h"

#include <algorithm>

#include "Assignment.h"

namespace {
const int kEditableProps[] = {PROP_PHYSICAL, PROP_FIRE, PROP_COLD, PROP_POISON, PROP_ENERGY, PROP_LUCK, PROP_LMC,
                              PROP_LRC,      PROP_MR,   PROP_DCI,  PROP_HCI,    PROP_HR,     PROP_SR};
}  // namespace

CPieceEdit PieceEditOf(const CArmorPiece& piece) {
    CPieceEdit edit;
    edit.slot = SlotIndexOf(piece.m_nType);
    for (int prop : kEditableProps) edit.values[size_t(prop)] = piece.GetProperty(prop);
    edit.medable = piece.m_bMedable ? 1 : 0;
    return edit;
}

bool ApplyPieceEdit(CArmorPiece& piece, const CPieceEdit& edit) {
    if (!SetPieceSlot(piece, edit.slot)) return false;
    for (int prop : kEditableProps) piece.SetProperty(prop, edit.values[size_t(prop)]);
    piece.m_nTotalResist = piece.CalcTotalResist();
    piece.m_bMedable = edit.medable ? 1 : 0;
    piece.m_bEdited = true;
    return true;
}

CArmorSuit* SuitHolding(CGorvantaDoc& doc, const CArmorPiece* piece) {
    if (!piece) return nullptr;
    for (CArmorSuit* suit : doc.m_arrSuits)
        if (suit && std::find(suit->m_arrPieces.begin(), suit->m_arrPieces.end(), piece) != suit->m_arrPieces.end())
            return suit;
    return nullptr;
}

EditResult EditPiece(CGorvantaDoc& doc, CArmorPiece* piece, const CPieceEdit& edit, IDocView* sender) {
    PoolList* list = doc.PoolListHolding(piece);
    CArmorSuit* suit = list ? nullptr : SuitHolding(doc, piece);
    if (!list && !suit) return EditResult::NotFound;
    if (edit.slot < 0 || edit.slot >= SLOT_COUNT) return EditResult::BadSlot;
    CPieceEdit normal = edit;
    normal.values[PROP_NONE] = 0;
    normal.medable = edit.medable ? 1 : 0;
    if (normal == PieceEditOf(*piece)) return EditResult::Unchanged;
    const bool moves = edit.slot != SlotIndexOf(piece->m_nType);
    if (suit && moves)
        for (const CArmorPiece* other : suit->m_arrPieces)
            if (other && other != piece && SlotIndexOf(other->m_nType) == edit.slot) return EditResult::SlotTaken;

    ApplyPieceEdit(*piece, normal);
    if (list && moves) {
        RemoveFromPool(piece, list);
        piece->m_nMark = PieceMark::None;
        doc.m_arrPool[size_t(edit.slot)].push_back(piece);
    }
    if (suit) suit->CalcTotals();
    doc.SetModifiedFlag(true);
    doc.UpdateAllViews(sender, HINT_REFRESH);
    return EditResult::Changed;
}
