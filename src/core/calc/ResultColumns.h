#pragma once
// What the results list shows of a run: the sixteen columns (headings, a suit's values and texts, the
// order each column sorts in) and the elapsed-time line of the summary box.
#include <array>
#include <compare>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class CArmorSuit;
class CWishes;

constexpr int RESULT_COLUMN_COUNT = 16;

// "Suit", "Phy.", ..., "HCI", in column order.
const std::array<const char*, RESULT_COLUMN_COUNT>& ResultColumnHeadings();

// The number column 1 to 15 shows for the suit (0 for any other column): the resist columns and the
// effective total follow `bypassCap`, the actual total is the sum stored when the suit was totalled.
int32_t ResultColumnValue(const CArmorSuit& suit, int column, bool bypassCap);

// What a ranked run orders a suit by for the wishes, the greater pair first: the "Rank By" column's
// value, then the "Then By" column's (0 where a key is off), both with the wishes' bypass.
std::pair<int32_t, int32_t> RankPair(const CWishes& wishes, const CArmorSuit& suit);

// Columns 1 to 15 of the suit less those of the other (index 0 is column 1), both with the same bypass.
std::array<int64_t, RESULT_COLUMN_COUNT - 1> ResultColumnDeltas(const CArmorSuit& suit, const CArmorSuit& other, bool bypassCap);
// A difference as the list shows it beside a value: "+12", "-3", "0".
std::string SignedText(int64_t delta);

// Column texts of a suit: its name, then the values of columns 1 to 15.
std::array<std::string, RESULT_COLUMN_COUNT> ResultColumnTexts(const CArmorSuit& suit, bool bypassCap);

// What a number column sorts by; the larger key comes first.
struct CResultSortKey {
    int32_t primary = 0;
    int32_t secondary = 0;  // the effective total on the property columns; the two totals have no tie-break
    auto operator<=>(const CResultSortKey&) const = default;
};

// The key of column 1 to 15 (zero for any other): the column's value, but the actual total as the
// resist sums add up now.
CResultSortKey ResultSortKey(const CArmorSuit& suit, int column, bool bypassCap);

// Below 0 when suit1 comes first in the column's order, 0 when the two are equal: names ascending byte
// by byte in column 0, sort keys larger first in columns 1 to 15; 0 for any other column.
int CompareResults(const CArmorSuit& suit1, const CArmorSuit& suit2, int column, bool bypassCap);

// The list as text for other programs: a line of headings, then one line per row, each a row of cell
// texts as the list shows them (8-bit Windows-1252 in and out).
// Tab-separated, lines ending "\n"; a tab or line break inside a cell becomes a space, so that pasting
// keeps one cell per column and one line per row.
std::string ResultsAsTsv(const std::vector<std::string>& headings, const std::vector<std::vector<std::string>>& rows);
// Comma-separated as RFC 4180 has it: a field with a comma, a quote, CR or LF goes in quotes with its
// quotes doubled; lines end "\r\n". Every field first goes through SpreadsheetSafe.
std::string ResultsAsCsv(const std::vector<std::string>& headings, const std::vector<std::vector<std::string>>& rows);

// A cell a spreadsheet would run as a formula (a leading "=", "+", "-" or "@", but not a plain whole
// number such as "-5") with an apostrophe in front, which makes it text.
std::string SpreadsheetSafe(const std::string& cell);

// "Elapsed time: %H:%M:%S"; the hours are those within a day (25 hours show as 01).
std::string FormatElapsed(int64_t seconds);

// The text of the summary box: the run's summary, a line break, the elapsed time.
std::string SummaryWithElapsed(const std::string& summary, int64_t seconds);
