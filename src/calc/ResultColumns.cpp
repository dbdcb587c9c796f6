#include "ResultColumns.h"

#include "model/ArmorPiece.h"
#include "model/ArmorSuit.h"

const std::array<const char*, RESULT_COLUMN_COUNT>& ResultColumnHeadings() {
    static const std::array<const char*, RESULT_COLUMN_COUNT> kHeadings = {
        "Suit", "Phy.", "Fire", "Cold", "Poison", "Energy", "Eff. Total", "Act. Total",
        "Luck", "LMC",  "LRC",  "MR",   "HR",     "SR",     "DCI",        "HCI"};
    return kHeadings;
}

std::array<std::string, RESULT_COLUMN_COUNT> ResultColumnTexts(const CArmorSuit& suit) {
    std::array<std::string, RESULT_COLUMN_COUNT> texts;
    texts[0] = suit.m_strName;
    for (int n = 1; n <= 5; ++n) texts[size_t(n)] = std::to_string(suit.GetProperty(n - 1));
    texts[6] = std::to_string(suit.GetCappedTotalResist());
    texts[7] = std::to_string(suit.m_nTotalResist);
    static const int kBonus[8] = {PROP_LUCK, PROP_LMC, PROP_LRC, PROP_MR, PROP_HR, PROP_SR, PROP_DCI, PROP_HCI};
    for (int n = 8; n < RESULT_COLUMN_COUNT; ++n) texts[size_t(n)] = std::to_string(suit.GetProperty(kBonus[n - 8]));
    return texts;
}
