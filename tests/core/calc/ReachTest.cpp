// What a run that lists nothing tells the player, and the line a full ranked list adds.
#include <gtest/gtest.h>

#include "SearchTestSupport.h"
#include "core/calc/Reach.h"

namespace {
// Head wear and chest pieces: two pieces each, one of them with high resists and no luck.
struct CTwoSlots {
    CTestPool pool;
    CCalcParam param = OpenParam();
    CTwoSlots() {
        param.UseSlot(0) = param.UseSlot(4) = 1;
        pool.Add(0, {60, 60, 60, 60, 60})->m_nLuck = 0;
        pool.Add(0, {10, 10, 10, 10, 10})->m_nLuck = 300;
        pool.Add(4, {10, 10, 10, 10, 10})->m_nLuck = 0;
        pool.Add(4, {5, 5, 5, 5, 5})->m_nLuck = 400;
    }
};
}  // namespace

TEST(Reach, ExplainsWhichMinimumToLowerAndWhatNoMinimumMends) {
    // Capped totals and luck: 350 and 0, 325 and 400, 100 and 300, 75 and 700.
    const struct {
        const char* what;
        int32_t lowerLimit, luck;
        int32_t medableOnly, useRings;
        const char* text;
    } cases[] = {
        {"either one alone", 345, 700, 0, 0,
         "Lower one of these to the value shown and suits qualify: Resist 75 (you asked 345), Luck 0 (you "
         "asked 700)."},
        {"only the luck", 320, 800, 0, 0,
         "Lower one of these to the value shown and suits qualify: Luck 400 (you asked 800)."},
        {"a slot without pieces", 320, 800, 0, 1,
 "Lower one of these to the value shown and suits qualify: Luck 400 (you asked 800).\nThese switched-on "
         "slots have no pieces: rings."},
        {"no one minimum", 351, 701, 0, 0, "No one minimum can be lowered to get suits: two or more must be lowered."},
        {"nothing medable", 0, 0, 1, 0,
         "Only medable suits count, and no combination is medable: no medable piece among the head wear."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CTwoSlots s;
        s.param.m_nLuckLimit = c.luck;
        s.param.m_bMedableOnly = c.medableOnly;
        s.param.UseSlot(6) = c.useRings;
        if (c.medableOnly) s.pool.lists[0][0]->m_bMedable = s.pool.lists[0][1]->m_bMedable = 0;
        const CalcReach reach = MinimumReach(s.param, s.pool.lists, c.lowerLimit);
        EXPECT_EQ(ExplainNothing(s.param, s.pool.lists, c.lowerLimit, reach), c.text);
    }
    EXPECT_EQ(FullListLine(1000), "Only the best 1000 are listed; more suits may meet the limits.");
}

TEST(Reach, NoneWhereTheOtherMinimumsLeaveNothing) {
    CTwoSlots s;
    s.param.m_nLuckLimit = 700;
    const CalcReach reach = MinimumReach(s.param, s.pool.lists, 351);
    EXPECT_EQ(reach[HIGH_TOTAL], 75);
    EXPECT_EQ(reach[HIGH_LUCK], std::nullopt);  // no total reaches 351
    EXPECT_EQ(reach[HIGH_LMC], std::nullopt);
    // With every minimum met the reaches are the highest values of the qualifying combinations.
    s.param.m_nLuckLimit = 0;
    const CalcReach open = MinimumReach(s.param, s.pool.lists, 0);
    EXPECT_EQ(open[HIGH_TOTAL], 350);
    EXPECT_EQ(open[HIGH_LUCK], 700);
    EXPECT_EQ(open[HIGH_LMC], 0);
}
