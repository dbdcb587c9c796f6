#include "ResultColumns.h"

#include <cstdio>

#include "model/ArmorPiece.h"
#include "model/ArmorSuit.h"

namespace {
// Property behind the columns 1 to 5 and 8 to 15 (-1 for the name and the two totals).
constexpr int kColumnProperty[RESULT_COLUMN_COUNT] = {
    -1, PROP_PHYSICAL, PROP_FIRE, PROP_COLD, PROP_POISON, PROP_ENERGY, -1, -1,
    PROP_LUCK, PROP_LMC, PROP_LRC, PROP_MR, PROP_HR, PROP_SR, PROP_DCI, PROP_HCI};

int Sign(int64_t d) { return d < 0 ? -1 : (d > 0 ? 1 : 0); }
}  // namespace

const std::array<const char*, RESULT_COLUMN_COUNT>& ResultColumnHeadings() {
    static const std::array<const char*, RESULT_COLUMN_COUNT> kHeadings = {
        "Suit", "Phy.", "Fire", "Cold", "Poison", "Energy", "Eff. Total", "Act. Total",
        "Luck", "LMC",  "LRC",  "MR",   "HR",     "SR",     "DCI",        "HCI"};
    return kHeadings;
}

int32_t ResultColumnValue(const CArmorSuit& suit, int column, bool bypassCap) {
    if (column < 1 || column >= RESULT_COLUMN_COUNT) return 0;
    if (column == 6) return suit.GetCappedTotalResist(bypassCap);
    if (column == 7) return suit.m_nTotalResist;
    return suit.GetProperty(kColumnProperty[column], bypassCap);
}

std::array<std::string, RESULT_COLUMN_COUNT> ResultColumnTexts(const CArmorSuit& suit, bool bypassCap) {
    std::array<std::string, RESULT_COLUMN_COUNT> texts;
    texts[0] = suit.m_strName;
    for (int n = 1; n < RESULT_COLUMN_COUNT; ++n)
        texts[size_t(n)] = std::to_string(ResultColumnValue(suit, n, bypassCap));
    return texts;
}

CResultSortKey ResultSortKey(const CArmorSuit& suit, int column, bool bypassCap) {
    if (column < 1 || column >= RESULT_COLUMN_COUNT) return {};
    if (column == 6) return {suit.GetCappedTotalResist(bypassCap), 0};
    if (column == 7) return {suit.GetTotalResist(), 0};
    return {ResultColumnValue(suit, column, bypassCap), suit.GetCappedTotalResist(bypassCap)};
}

int CompareResults(const CArmorSuit& suit1, const CArmorSuit& suit2, int column, bool bypassCap) {
    if (column == 0) return Sign(suit1.m_strName.compare(suit2.m_strName));
    const CResultSortKey k1 = ResultSortKey(suit1, column, bypassCap), k2 = ResultSortKey(suit2, column, bypassCap);
    return k1 > k2 ? -1 : (k1 < k2 ? 1 : 0);
}

std::string FormatElapsed(int64_t seconds) {
    if (seconds < 0) seconds = 0;
    const int64_t inDay = seconds % 86400;
    char buf[48];
    std::snprintf(buf, sizeof buf, "Elapsed time: %02d:%02d:%02d", int(inDay / 3600), int(inDay / 60 % 60),
                  int(inDay % 60));
    return buf;
}

std::string SummaryWithElapsed(const std::string& summary, int64_t seconds) {
    return summary + "\n" + FormatElapsed(seconds);
}
