#include "ResultColumns.h"

#include <cstdio>
#include <string_view>

#include "core/calc/Wishes.h"
#include "core/model/ArmorPiece.h"
#include "core/model/ArmorSuit.h"
#include "core/model/Properties.h"

namespace {
int Sign(int64_t d) { return d < 0 ? -1 : (d > 0 ? 1 : 0); }

// Each line is the fields joined by the separator, as `field` writes them, then the line end.
template <class Field>
std::string JoinLines(const std::vector<std::string>& headings, const std::vector<std::vector<std::string>>& rows,
                      char separator, const char* lineEnd, Field field) {
    std::string out;
    auto line = [&](const std::vector<std::string>& cells) {
        for (size_t i = 0; i < cells.size(); ++i) {
            if (i > 0) out += separator;
            field(out, cells[i]);
        }
        out += lineEnd;
    };
    line(headings);
    for (const auto& row : rows) line(row);
    return out;
}
}  // namespace

const std::array<const char*, RESULT_COLUMN_COUNT>& ResultColumnHeadings() {
    static const std::array<const char*, RESULT_COLUMN_COUNT> kHeadings = [] {
        std::array<const char*, RESULT_COLUMN_COUNT> h{};
        h[0] = "Suit";
        h[6] = "Eff. Total";
        h[7] = "Act. Total";
        for (const PropertyDef& d : kPropertyTable) h[size_t(d.column)] = d.heading;
        return h;
    }();
    return kHeadings;
}

int32_t ResultColumnValue(const CArmorSuit& suit, int column, bool bypassCap) {
    if (column < 1 || column >= RESULT_COLUMN_COUNT) return 0;
    if (column == 6) return suit.GetCappedTotalResist(bypassCap);
    if (column == 7) return suit.m_nTotalResist;
    return suit.GetProperty(PropertyOfColumn(column)->index, bypassCap);
}

std::pair<int32_t, int32_t> RankPair(const CWishes& wishes, const CArmorSuit& suit) {
    const bool bypass = wishes.m_bBypassResistCap != 0;
    const int rank = wishes.RankColumn(), then = wishes.ThenColumn();
    return {rank ? ResultColumnValue(suit, rank, bypass) : 0, then ? ResultColumnValue(suit, then, bypass) : 0};
}

std::array<int64_t, RESULT_COLUMN_COUNT - 1> ResultColumnDeltas(const CArmorSuit& suit, const CArmorSuit& other, bool bypassCap) {
    std::array<int64_t, RESULT_COLUMN_COUNT - 1> d{};
    for (int n = 1; n < RESULT_COLUMN_COUNT; ++n)
        d[size_t(n - 1)] = int64_t(ResultColumnValue(suit, n, bypassCap)) - ResultColumnValue(other, n, bypassCap);
    return d;
}

std::string SignedText(int64_t delta) { return (delta > 0 ? "+" : "") + std::to_string(delta); }

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

std::string ResultsAsTsv(const std::vector<std::string>& headings, const std::vector<std::vector<std::string>>& rows) {
    return JoinLines(headings, rows, '\t', "\n", [](std::string& out, const std::string& cell) {
        for (char c : cell) out += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
    });
}

std::string SpreadsheetSafe(const std::string& cell) {
    if (cell.empty() || std::string_view("=+-@").find(cell[0]) == std::string_view::npos) return cell;
    // A plain number, negative ones included, is read as a number, not run.
    size_t i = cell[0] == '-' || cell[0] == '+' ? 1 : 0;
    if (i < cell.size() && cell.find_first_not_of("0123456789", i) == std::string::npos) return cell;
    return "'" + cell;
}

std::string ResultsAsCsv(const std::vector<std::string>& headings, const std::vector<std::vector<std::string>>& rows) {
    return JoinLines(headings, rows, ',', "\r\n", [](std::string& out, const std::string& raw) {
        const std::string cell = SpreadsheetSafe(raw);
        if (cell.find_first_of(",\"\r\n") == std::string::npos) {
            out += cell;
            return;
        }
        out += '"';
        for (char c : cell) {
            if (c == '"') out += '"';
            out += c;
        }
        out += '"';
    });
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
