// Item text as a hostile clipboard could deliver it, through the same preparation as a paste.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/calc/Settings.h"
#include "core/import/ItemTextParser.h"
#include "core/model/PieceDefs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool init = [] {
        for (int k = 0; k < 11; ++k) ThePieceDefs().Table(k) = PieceDefDefaults(k);
        return true;
    }();
    (void)init;
    std::string raw(reinterpret_cast<const char*>(data), size);
    bool answer = size % 2 == 0;
    auto lines = ParseItemText(PrepareClipboardText(raw), [&] { return answer; });
    std::vector<CParsedLine> skipped;
    auto direct = ParseItemText(raw.substr(0, PASTE_LIMIT), [&] { return !answer; }, &skipped);
    // The skipped lines are exactly those an item filter on the lowered line would admit, and never items.
    for (auto& l : skipped)
        if (IsItemLine(l.line) || !IsSkippedItemLine(l.line) || l.piece->m_strText != l.line) __builtin_trap();
    for (auto& l : lines) {
        if (l.piece->m_strText != l.line) __builtin_trap();
        if (l.piece->m_nTotalResist != l.piece->CalcTotalResist()) __builtin_trap();
    }
    return 0;
}
