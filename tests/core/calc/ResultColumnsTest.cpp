// The results columns without a window: the headings, each column's value and text, the order of every
// column, the list as tab-separated and CSV text, and the elapsed-time line of the summary box.
#include <gtest/gtest.h>

#include "core/calc/ResultColumns.h"
#include "support/Pools.h"

namespace {
int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }
}  // namespace

TEST(ResultColumns, Headings) {
    const char* const want[] = {"Suit", "Phy.", "Fire", "Cold", "Poison", "Energy", "Eff. Total", "Act. Total",
                                "Luck", "LMC",  "LRC",  "MR",   "HR",     "SR",     "DCI",        "HCI"};
    for (int n = 0; n < RESULT_COLUMN_COUNT; ++n) EXPECT_STREQ(ResultColumnHeadings()[size_t(n)], want[n]) << n;
}

TEST(ResultColumns, ValuesAndTextsFollowTheBypassSwitchExceptTheActualTotal) {
    const auto suit = MakeSuit("Suit 00003", {75, 60, 70, 72, -5}, {100, 8, 20, 2, 3, 4, -5, 15});
    const CArmorSuit& s = *suit;
    struct {
        bool bypass;
        std::array<int32_t, RESULT_COLUMN_COUNT> values;
    } const cases[] = {
        {false, {0, 70, 60, 70, 70, -5, 265, 272, 100, 8, 20, 2, 3, 4, -5, 15}},
        {true, {0, 75, 60, 70, 72, -5, 272, 272, 100, 8, 20, 2, 3, 4, -5, 15}},
    };
    for (const auto& c : cases) {
        const auto texts = ResultColumnTexts(s, c.bypass);
        EXPECT_EQ(texts[0], "Suit 00003");
        for (int n = 1; n < RESULT_COLUMN_COUNT; ++n) {
            EXPECT_EQ(ResultColumnValue(s, n, c.bypass), c.values[size_t(n)]) << "column " << n << ", " << c.bypass;
            EXPECT_EQ(texts[size_t(n)], std::to_string(c.values[size_t(n)])) << "column " << n;
        }
        for (int outside : {0, -1, RESULT_COLUMN_COUNT}) EXPECT_EQ(ResultColumnValue(s, outside, c.bypass), 0);
    }
}

TEST(ResultColumns, EveryColumnOrdersByItsRule) {
    const auto a = MakeSuit("Suit 00001", {10, 20, 30, 40, 50}, {5, 0, 0, 0, 0, 0, 0, 0});
    const auto b = MakeSuit("Suit 00002", {10, 20, 30, 40, 60}, {5, 0, 0, 0, 0, 0, 0, 0});
    const auto c = MakeSuit("Suit 00003", {10, 20, 30, 40, 60}, {5, 0, 0, 0, 0, 0, 0, 0});
    const auto d = MakeSuit("Suit 00004", {80, 0, 0, 0, 0});
    const auto e = MakeSuit("Suit 00005", {70, 0, 0, 0, 0});
    const auto upper = MakeSuit("Suit B", {0, 0, 0, 0, 0});
    const auto lower = MakeSuit("Suit a", {0, 0, 0, 0, 0});
    const auto high = MakeSuit("Suit \xe9", {0, 0, 0, 0, 0});
    struct {
        const char* what;
        const std::unique_ptr<CArmorSuit>& first;
        const std::unique_ptr<CArmorSuit>& second;
        int column;
        bool bypass;
        int expected;
    } const cases[] = {
        {"names ascending", a, b, 0, false, -1},
        {"names descending", b, a, 0, false, 1},
        {"same suit", a, a, 0, false, 0},
        {"names as unsigned bytes, case-sensitively", upper, lower, 0, false, -1},
        {"an accented letter after ASCII", lower, high, 0, false, -1},
        {"equal poison: larger effective total first", b, a, 4, false, -1},
        {"equal poison, the other way", a, b, 4, false, 1},
        {"larger energy first", b, a, 5, false, -1},
        {"larger effective total first", b, a, 6, false, -1},
        {"larger actual total first", b, a, 7, false, -1},
        {"equal luck: totals decide", b, a, 8, false, -1},
        {"equal everything", b, c, 8, false, 0},
        {"effective totals have no tie-break", d, e, 6, false, 0},
        {"actual totals are never capped", d, e, 7, false, -1},
        {"capped physical and totals equal", d, e, 1, false, 0},
        {"bypassed physical", d, e, 1, true, -1},
        {"bypassed effective total", d, e, 6, true, -1},
        {"no such column", a, b, RESULT_COLUMN_COUNT, false, 0},
        {"no such column below", a, b, -1, false, 0},
    };
    for (const auto& t : cases)
        EXPECT_EQ(Sign(CompareResults(*t.first, *t.second, t.column, t.bypass)), t.expected) << t.what;
}

TEST(ResultColumns, TabSeparatedAndCsvText) {
    using Rows = std::vector<std::vector<std::string>>;
    struct {
        const char* what;
        std::vector<std::string> headings;
        Rows rows;
        const char* tsv;
        const char* csv;
    } const cases[] = {
        {"headings only", {"Suit", "Phy."}, {}, "Suit\tPhy.\n", "Suit,Phy.\r\n"},
        {"rows in the order given",
         {"Suit", "Eff. Total", "Luck"},
         {{"Suit 00002", "265", "-5"}, {"Suit 00000", "0", "100"}},
         "Suit\tEff. Total\tLuck\nSuit 00002\t265\t-5\nSuit 00000\t0\t100\n",
         "Suit,Eff. Total,Luck\r\nSuit 00002,265,-5\r\nSuit 00000,0,100\r\n"},
        {"a comma is quoted",
         {"Suit"}, {{"Varn, the bold"}}, "Suit\nVarn, the bold\n", "Suit\r\n\"Varn, the bold\"\r\n"},
        {"quotes are doubled inside quotes",
         {"Suit"}, {{"the \"best\""}}, "Suit\nthe \"best\"\n", "Suit\r\n\"the \"\"best\"\"\"\r\n"},
        {"line breaks: quoted in CSV, spaces in TSV",
         {"Suit", "HR"}, {{"a\r\nb", "2"}, {"c\nd", "3"}},
         "Suit\tHR\na  b\t2\nc d\t3\n",
         "Suit,HR\r\n\"a\r\nb\",2\r\n\"c\nd\",3\r\n"},
        {"a tab stays in CSV, becomes a space in TSV",
         {"Suit"}, {{"a\tb"}}, "Suit\na b\n", "Suit\r\na\tb\r\n"},
        {"empty cells and 8-bit text pass as they are",
         {"Suit", "Fire"}, {{"Caf\xe9", ""}, {"", "7"}},
         "Suit\tFire\nCaf\xe9\t\n\t7\n",
         "Suit,Fire\r\nCaf\xe9,\r\n,7\r\n"},
        {"spaces alone need no quotes", {" Suit "}, {{" x "}}, " Suit \n x \n", " Suit \r\n x \r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ResultsAsTsv(c.headings, c.rows), c.tsv) << c.what;
        EXPECT_EQ(ResultsAsCsv(c.headings, c.rows), c.csv) << c.what;
    }
}

TEST(ResultColumns, ElapsedTimeShowsTheHoursWithinADay) {
    struct {
        int64_t seconds;
        const char* shown;
    } const cases[] = {
        {0, "00:00:00"},     {4, "00:00:04"},        {3600 + 2 * 60 + 5, "01:02:05"},
        {86399, "23:59:59"}, {25 * 3600, "01:00:00"}, {-3, "00:00:00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatElapsed(c.seconds), std::string("Elapsed time: ") + c.shown) << c.seconds;
    EXPECT_EQ(SummaryWithElapsed("a\nb", 65), "a\nb\nElapsed time: 00:01:05");
}
