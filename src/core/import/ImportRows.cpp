#include "ImportRows.h"

#include <unordered_set>

#include "core/import/ItemTextParser.h"
#include "core/model/ArmorPiece.h"
#include "core/model/ArmorSuit.h"
#include "core/model/Properties.h"

namespace {
constexpr size_t CUT_LINE_SHOWN = 60;
}  // namespace

const std::array<const char*, IMPORT_COLUMN_COUNT>& ImportColumnHeadings() {
    static const std::array<const char*, IMPORT_COLUMN_COUNT> headings = {
        "Items", "Slot", "Phy.", "Fire", "Cold", "Poison", "Energy", "Bonuses", "Med.", "Duplicate"};
    return headings;
}

std::vector<CDuplicate> FindDuplicates(const std::vector<CPastedText>& rowsInPasteOrder, const CKnownItems& known) {
    const size_t n = rowsInPasteOrder.size();
    std::vector<CDuplicate> result(n);
    std::unordered_set<std::string> seen;
    for (size_t i = 0; i < n; ++i) {
        const std::string& text = rowsInPasteOrder[i].text;
        const bool repeat = !seen.insert(text).second;
        if (auto it = known.texts.find(text); it != known.texts.end()) {
            result[i] = it->second;
        } else if (repeat) {
            result[i].kind = DupKind::List;
        } else if (rowsInPasteOrder[i].cut) {
            for (size_t j = i + 1; j < n; ++j) {
                const std::string& later = rowsInPasteOrder[j].text;
                if (later.size() > text.size() && later.compare(0, text.size(), text) == 0) {
                    result[i].kind = DupKind::CutShort;
                    break;
                }
            }
        }
    }
    return result;
}

std::string BonusSummary(const CArmorPiece& piece) {
    std::string out;
    // The bonus properties in the order and under the names of the results list.
    for (const PropertyDef& d : kPropertyTable) {
        const int v = d.high < 0 ? 0 : piece.GetProperty(d.index);
        if (v == 0) continue;
        if (!out.empty()) out += ", ";
        out += std::string(d.heading) + " " + std::to_string(v) + (d.percent ? "%" : "");
    }
    return out;
}

std::array<std::string, IMPORT_COLUMN_COUNT> ImportRowTexts(const CArmorPiece& piece, const CDuplicate& dup) {
    std::array<std::string, IMPORT_COLUMN_COUNT> t;
    t[IMPORT_COL_TEXT] = piece.m_strText;
    t[IMPORT_COL_SLOT] = piece.m_strTypeName;
    for (int r = 0; r < 5; ++r) t[size_t(IMPORT_COL_PHYSICAL + r)] = std::to_string(piece.GetProperty(r));
    t[IMPORT_COL_BONUS] = BonusSummary(piece);
    t[IMPORT_COL_MEDABLE] = piece.m_bMedable ? "yes" : "";
    switch (dup.kind) {
        case DupKind::None: break;
        case DupKind::Pool: t[IMPORT_COL_DUPLICATE] = "in pool"; break;
        case DupKind::Suit:
            t[IMPORT_COL_DUPLICATE] = dup.character.empty() ? "in a suit" : "in suit of " + dup.character;
            break;
        case DupKind::List: t[IMPORT_COL_DUPLICATE] = "repeated"; break;
        case DupKind::CutShort: t[IMPORT_COL_DUPLICATE] = "cut short, pasted again"; break;
    }
    return t;
}

bool SetPieceSlot(CArmorPiece& piece, int k) {
    if (k < 0 || k >= SLOT_COUNT) return false;
    piece.m_nType = 1 << k;
    piece.m_strTypeName = SlotTypeName(k);
    return true;
}

size_t CharactersLeftOut(const std::string& clipboard) {
    const size_t crlf = ToCrLfLineBreaks(clipboard).size();
    return crlf > PASTE_LIMIT ? crlf - PASTE_LIMIT : 0;
}

std::string CutLine(const std::string& pasted) {
    if (pasted.size() != PASTE_LIMIT) return {};
    // A text that already ended its line there lost nothing of it.
    if (pasted.compare(PASTE_LIMIT - 2, 2, "\r\n") == 0) return {};
    const std::string_view kept(pasted.data(), PASTE_LIMIT - 2);
    const size_t lf = kept.rfind('\n');
    const size_t start = lf == std::string_view::npos ? 0 : lf + 1;
    const size_t cr = kept.find('\r', start);
    return std::string(kept.substr(start, cr == std::string_view::npos ? std::string_view::npos : cr - start));
}

std::string LeftOutNotice(size_t leftOut, const std::string& cutLine) {
    std::string notice = std::to_string(leftOut) + (leftOut == 1 ? " character" : " characters") +
                         " of the clipboard did not fit into one paste of " + std::to_string(PASTE_LIMIT) +
                         (leftOut == 1 ? " and was left out." : " and were left out.");
    if (IsItemLine(cutLine)) {
        std::string shown = cutLine.substr(0, CUT_LINE_SHOWN);
        if (shown.size() < cutLine.size()) shown += "...";
        notice += " The last item read, \"" + shown +
                  "\", is cut short. To add the rest, copy the remaining items from that one on, check \"Keep "
                  "rows\" and paste again: its cut row is then marked.";
    } else {
        notice += " To add the rest, copy the remaining items, check \"Keep rows\" and paste again.";
    }
    return notice;
}
