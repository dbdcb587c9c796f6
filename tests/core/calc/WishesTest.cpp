#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "SearchTestSupport.h"
#include "core/calc/CalcEngine.h"
#include "core/calc/Settings.h"
#include "core/calc/Wishes.h"
#include "core/model/ArmorSuit.h"
#include "core/model/Properties.h"

namespace {
CWishes AllOff() {
    CWishes w;
    for (int k = 0; k < SLOT_COUNT; ++k) w.UseSlot(k) = 0;
    w.m_nLowerLimit = 0;
    return w;
}

struct CLoneRun {
    CCalcResult result;
    std::unique_ptr<CRecorder> rec;
    std::atomic<int32_t> stop{0};
};
// The recorder checks that every report comes from the thread that made it, so it is made where it runs.
void RunAlone(const CSearchRequest& request, CLoneRun& out) {
    out.rec = std::make_unique<CRecorder>(out.stop);
    out.result = RunSearch(request, out.stop, *out.rec);
}
}  // namespace

TEST(Wishes, SettingsRoundTripAndStoreNames) {
    CSettings s;
    const CWishes defaults(s);
    EXPECT_EQ(defaults, CWishes());
    EXPECT_EQ(defaults.m_nLowerLimit, 300);
    EXPECT_EQ(defaults.UseSlot(0), 1);
    EXPECT_EQ(defaults.UseSlot(6), 0);

    s.m_nLuckLimit = 700;
    s.m_nRankBy = 6;
    s.m_bUseRings = 1;
    s.m_bDisplayLuck = 1;  // a display switch is no wish
    s.m_nSuitLimit = 5;    // nor is the run's suit limit
    const CWishes w(s);
    EXPECT_NE(w, defaults);
    CSettings back;
    w.WriteTo(back);
    EXPECT_EQ(back.m_nLuckLimit, 700);
    EXPECT_EQ(back.m_nRankBy, 6);
    EXPECT_EQ(back.m_bUseRings, 1);
    EXPECT_EQ(back.m_bDisplayLuck, 0);
    EXPECT_EQ(back.m_nSuitLimit, 1000);

    // By store name: unknown names and names of other settings pass, absent ones keep their defaults.
    auto named = w.Named();
    ASSERT_EQ(named.size(), sizeof(CWishes) / sizeof(int32_t));
    EXPECT_EQ(named.front().first, "Bypass 70/Resist Limit");
    EXPECT_EQ(CWishes::FromNamed(named), w);
    named.erase(named.begin() + 1);  // "Use Head Wear"
    named.emplace_back("No Such Wish", 1);
    named.emplace_back("Display Luck", 1);
    named.emplace_back("luck limit", 80);  // names compare without case; the later one counts
    const CWishes read = CWishes::FromNamed(named);
    EXPECT_EQ(read.m_bUseHeadWear, 1);
    EXPECT_EQ(read.m_nLuckLimit, 80);
    CWishes changed = read;
    EXPECT_FALSE(changed.SetNamed("Suit Limit", 3));
    EXPECT_FALSE(changed.SetNamed("Column0", 3));
    EXPECT_EQ(changed, read);

    // The block a request makes is the one the settings make.
    CCalcParam fromSettings, fromRequest = CalcParamFor({w, s.m_nSuitLimit, nullptr, 0});
    fromSettings.FillFrom(s);
    for (const SettingDef& d : kSettingTable)
        if (d.param) EXPECT_EQ(fromRequest.*d.param, fromSettings.*d.param) << d.name;
}

// Two characters' searches over one pool at once give what each gives alone.
TEST(Wishes, TwoSearchesSideBySideEachAsAlone) {
    CTestPool pool;
    std::mt19937 rng(20);
    for (int k : {0, 1, 2, 3, 4, 6})
        for (int i = 0; i < 9; ++i) {
            CArmorPiece* p = pool.Add(k, {int(rng() % 20), int(rng() % 20), int(rng() % 20), int(rng() % 20),
                                          int(rng() % 20)}, int(rng() % 2));
            p->m_nLuck = int(rng() % 60);
            p->m_nLMC = int(rng() % 8);
        }
    CWishes mage = AllOff(), warrior = AllOff();
    for (int k : {0, 1, 2, 3, 6}) mage.UseSlot(k) = 1;
    mage.m_nLMCLimit = 12;
    mage.m_nRankBy = 6;  // best "Eff. Total" first
    for (int k : {0, 1, 2, 3, 4}) warrior.UseSlot(k) = 1;
    warrior.m_nLowerLimit = 150;
    warrior.m_nLuckLimit = 90;
    warrior.m_bMedableOnly = 1;
    for (int threads : {1, 2}) {
        const CSearchRequest a{mage, 200, &pool.lists, threads}, b{warrior, 5000, &pool.lists, threads};
        CLoneRun aloneA, aloneB, sideA, sideB;
        RunAlone(a, aloneA);
        RunAlone(b, aloneB);
        ASSERT_GT(aloneA.result.m_nFound, 0);
        ASSERT_GT(aloneB.result.m_nFound, 0);
        std::thread ta([&] { RunAlone(a, sideA); });
        std::thread tb([&] { RunAlone(b, sideB); });
        ta.join();
        tb.join();
        ExpectSameRun(aloneA.result, *aloneA.rec, sideA.result, *sideA.rec);
        ExpectSameRun(aloneB.result, *aloneB.rec, sideB.result, *sideB.rec);
        EXPECT_NE(aloneA.result.m_strSummary, aloneB.result.m_strSummary);
    }
}

TEST(Properties, ValuesOfPiecesAndSuits) {
    CArmorPiece helm, ring;
    helm.m_nType = PIECE_HEADWEAR;
    helm.m_nPhysical = 60;
    helm.m_nFire = 5;
    helm.m_nLuck = 40;
    ring.m_nType = PIECE_RING;
    ring.m_nPhysical = 15;
    ring.m_nLMC = 8;
    CArmorSuit suit;
    suit.AddPiece(&helm);
    suit.AddPiece(&ring);
    suit.CalcTotals();
    CPropertyValues sum = CPropertyValues::Of(helm);
    sum += CPropertyValues::Of(ring);
    EXPECT_EQ(sum, CPropertyValues::Of(suit));
    EXPECT_EQ(sum.Get(PROP_PHYSICAL, false), 70);
    EXPECT_EQ(sum.Get(PROP_PHYSICAL, true), 75);
    EXPECT_EQ(sum.ResistTotal(), suit.GetTotalResist());
    for (bool bypass : {false, true}) {
        EXPECT_EQ(sum.CappedResistTotal(bypass), suit.GetCappedTotalResist(bypass));
        for (const PropertyDef& d : kPropertyTable) EXPECT_EQ(sum.Get(d.index, bypass), suit.GetProperty(d.index, bypass));
    }
    const CPropertyValues diff = CPropertyValues::Of(suit) - CPropertyValues::Of(helm);
    EXPECT_EQ(diff, CPropertyValues::Of(ring));
    EXPECT_EQ(sum.Get(PROP_NONE, false), 0);
}
