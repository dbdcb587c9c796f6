// What the plan window says: the wishes line, the reasons, the change of each column and the question
// before Assign All, each as a table of cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "DocTestSupport.h"
#include "core/document/PlanText.h"

namespace {
CWishes NoWishes() {
    CWishes w;
    for (const SettingDef& d : kSettingTable)
        if (d.wish && d.slot < 0) w.*d.wish = 0;
    return w;
}

TEST(PlanText, WishesSummaryNamesMinimumsInColumnOrderThenSwitchesThenRanking) {
    struct Case {
        std::function<void(CWishes&)> set;
        std::string expected;
    } cases[] = {
        {[](CWishes&) {}, "no minimums, as found"},
        {[](CWishes& w) {
             w.m_nLMCLimit = 40;
             w.m_nLowerLimit = 300;
             w.m_bMedableOnly = 1;
             w.m_nRankBy = 6;
         },
         "Eff. Total >= 300, LMC >= 40, medable, best by Eff. Total"},
        // Columns order the minimums (Luck 8 before HCI 15), not the settings table (DCI, HCI, ... Luck).
        {[](CWishes& w) {
             w.m_nHCILimit = 5;
             w.m_nLuckLimit = 100;
             w.m_nDCILimit = 15;
         },
         "Luck >= 100, DCI >= 15, HCI >= 5, as found"},
        // A negative minimum asks for nothing.
        {[](CWishes& w) {
             w.m_nHRLimit = -3;
             w.m_bBypassResistCap = 1;
             w.m_nRankBy = 9;
         },
         "no minimums, no resist cap, best by LMC"},
        // A ranking value naming no column lists as found.
        {[](CWishes& w) { w.m_nRankBy = 99; }, "no minimums, as found"},
    };
    for (const Case& c : cases) {
        CWishes w = NoWishes();
        c.set(w);
        EXPECT_EQ(WishesSummary(w), c.expected);
    }
}

TEST(PlanText, WishesSlotsListsTheSwitchedOnSlots) {
    CWishes w = NoWishes();
    for (int k = 0; k < SLOT_COUNT; ++k) w.UseSlot(k) = 0;
    EXPECT_EQ(WishesSlots(w), "none");
    w.UseSlot(0) = 1;
    w.UseSlot(6) = 1;
    EXPECT_EQ(WishesSlots(w), "Head Wear, Rings");
}

TEST(PlanText, ReasonsNameTheHoldersInTheirOrder) {
    CPlan plan;
    for (const char* name : {"Mage", "Healer", "Tank"}) plan.m_arrTargets.push_back({name, CWishes()});
    CPlanPick served;
    served.m_reason = PlanReason::Served;
    CPlanPick alone;
    alone.m_reason = PlanReason::Unreachable;
    CPlanPick conflict;
    conflict.m_reason = PlanReason::Conflict;
    conflict.m_arrHolders = {0, 1};
    CPlanPick stray = conflict;
    stray.m_arrHolders = {7};  // a holder index the plan does not have is not named
    EXPECT_EQ(PlanReasonText(plan, served), "");
    EXPECT_EQ(PlanReasonText(plan, alone), "no suit meets these wishes even alone");
    EXPECT_EQ(PlanReasonText(plan, conflict), "needs pieces taken by a higher character (Mage, Healer)");
    EXPECT_EQ(PlanReasonText(plan, stray), "needs pieces taken by a higher character");
}

TEST(PlanText, ColumnChangesJudgeEachColumnAndLeaveTheActualTotalUnjudgedUnderTheCap) {
    // Planned: physical 85 (capped to 70), luck 100. Current: physical 60, luck 120.
    auto planned = MakeSuit("Suit 00000", {85, 10, 10, 10, 10}, {100, 5});
    auto current = MakeSuit("Suit 00003", {60, 10, 10, 10, 10}, {120, 5});
    const auto capped = ColumnDiffs(*planned, *current, false);
    struct Case {
        int column;
        int32_t delta;
        DiffSense sense;
    } cases[] = {
        {1, 10, DiffSense::Better},   // 70 against 60: the cap counts
        {2, 0, DiffSense::Same},
        {6, 10, DiffSense::Better},   // Eff. Total 110 against 100
        {7, 25, DiffSense::Neutral},  // Act. Total 125 against 100
        {8, -20, DiffSense::Worse},
        {9, 0, DiffSense::Same},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(capped[size_t(c.column)].delta, c.delta) << c.column;
        EXPECT_EQ(capped[size_t(c.column)].sense, c.sense) << c.column;
    }
    // With the cap bypassed every resist point counts, and the actual total is the effective one.
    const auto bypassed = ColumnDiffs(*planned, *current, true);
    EXPECT_EQ(bypassed[1].delta, 25);
    EXPECT_EQ(bypassed[7].sense, DiffSense::Better);
    // Without points over the cap the actual total is judged as the effective one.
    auto low = MakeSuit("Suit 00001", {20, 10, 10, 10, 10});
    EXPECT_EQ(ColumnDiffs(*current, *low, false)[7].sense, DiffSense::Better);
    EXPECT_EQ(ColumnDiffs(*low, *current, false)[7].sense, DiffSense::Worse);
    EXPECT_EQ(SignedText(5), "+5");
    EXPECT_EQ(SignedText(-5), "-5");
    EXPECT_EQ(SignedText(0), "0");
}

TEST(PlanText, CellsShowWhatTheCapTakes) {
    auto suit = MakeSuit("Suit 00000", {85, 70, 10, 10, 10}, {100});
    struct Case {
        int column;
        bool bypass;
        std::string text;
        int32_t over;
    } cases[] = {
        {0, false, "Suit 00000", 0},       {1, false, "70 (85)", 15}, {1, true, "85", 0},
        {2, false, "70", 0},               {6, false, "170", 0},      {7, false, "185 (15 over cap)", 15},
        {7, true, "185", 0},               {8, false, "100", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlanCellText(*suit, c.column, c.bypass), c.text) << c.column;
        EXPECT_EQ(OverCap(*suit, c.column, c.bypass), c.over) << c.column;
    }
}

TEST(PlanText, AssignAllAsksOnceNamingTheSuitsItReplaces) {
    CGorvantaDoc doc;
    AddTwoSuits(doc);  // Varn and Holt wear suits
    CPlan plan;
    for (const char* name : {"varn", "Holt", "Mira"}) plan.m_arrTargets.push_back({name, CWishes()});
    auto result = [](std::vector<PlanReason> reasons) {
        CPlanResult r;
        for (PlanReason reason : reasons) {
            CPlanPick p;
            p.m_reason = reason;
            r.m_arrPicks.push_back(p);
            r.m_nServed += reason == PlanReason::Served;
        }
        return r;
    };
    const auto S = PlanReason::Served, C = PlanReason::Conflict;
    struct Case {
        bool worn;
        std::vector<PlanReason> reasons;
        std::string question;
    } cases[] = {
        {false, {S, S, S}, "Assign the planned suits of 3 characters? The current suits of Varn, Holt are replaced."},
        // An unserved character keeps its suit unless the plan re-plans worn suits.
        {false, {S, C, S}, "Assign the planned suits of 2 characters? The current suit of Varn is replaced."},
        {true, {S, C, S}, "Assign the planned suits of 2 characters? The current suits of Varn, Holt are replaced."},
        {false, {C, C, S}, "Assign the planned suit of 1 character?"},
    };
    for (const Case& c : cases) {
        plan.m_bWorn = c.worn;
        const CPlanResult r = result(c.reasons);
        EXPECT_EQ(AssignAllQuestion(doc, plan, r), c.question);
        EXPECT_EQ(PlanAssignCount(r), int(std::count(c.reasons.begin(), c.reasons.end(), S)));
    }
}

TEST(PlanText, TargetNamesAreTrimmedAndDistinctIgnoringCase) {
    CPlan plan;
    plan.m_arrTargets.push_back({"Mage", CWishes()});
    struct Case {
        std::string typed, trimmed, error;
    } cases[] = {
        {"  Healer ", "Healer", ""},
        {"   ", "", "A target needs a character name."},
        {"mAGE", "mAGE", "Mage is already in the plan."},
        {"\xC9lise", "\xC9lise", ""},
    };
    for (const Case& c : cases) {
        std::string name = c.typed;
        EXPECT_EQ(CheckTargetName(plan, name), c.error) << c.typed;
        EXPECT_EQ(name, c.trimmed);
    }
    // Letters beyond ASCII compare without case as the 8-bit set has them.
    plan.m_arrTargets.push_back({"\xC9lise", CWishes()});
    std::string lower = "\xE9lise";
    EXPECT_FALSE(CheckTargetName(plan, lower).empty());
}
}  // namespace
