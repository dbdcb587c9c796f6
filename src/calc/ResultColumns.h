#pragma once
// The sixteen columns of the results list: headings and the texts of one suit's row.
#include <array>
#include <string>

class CArmorSuit;

constexpr int RESULT_COLUMN_COUNT = 16;

// "Suit", "Phy.", ..., "HCI", in column order.
const std::array<const char*, RESULT_COLUMN_COUNT>& ResultColumnHeadings();

// Column texts of a suit as the list shows them when the row is added: the resist columns and the
// effective total follow the current bypass setting, the actual total never does.
std::array<std::string, RESULT_COLUMN_COUNT> ResultColumnTexts(const CArmorSuit& suit);
