#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "core/calc/IntField.h"
#include "core/calc/Settings.h"
#include "core/model/ProfileStore.h"
#include "qtstore/QtProfileStore.h"

namespace {
struct StoreScope {
    explicit StoreScope(IProfileStore* s) { SetProfileStore(s); }
    ~StoreScope() { SetProfileStore(nullptr); }
};
}  // namespace

TEST(Settings, FirstStartDefaults) {
    CMemoryProfileStore store;
    StoreScope scope(&store);
    CSettings s;
    s.LoadSettings();
    for (int k = 0; k < 6; ++k) EXPECT_EQ(s.UseSlot(k), 1) << k;
    for (int k = 6; k < 12; ++k) EXPECT_EQ(s.UseSlot(k), 0) << k;
    for (int i = 13; i <= 21; ++i) EXPECT_EQ(s.Value(i), 0) << CSettings::ValueName(i);
    for (int i = 22; i <= 29; ++i) EXPECT_EQ(s.Value(i), 0) << CSettings::ValueName(i);
    EXPECT_EQ(s.m_bBypassResistCap, 0);
    EXPECT_EQ(s.m_nLowerLimit, 300);
    EXPECT_EQ(s.m_nSuitLimit, 1000);
    const std::array<int32_t, 16> widths = {60, 50, 50, 50, 50, 50, 80, 80, 50, 50, 50, 50, 50, 50, 50, 50};
    EXPECT_EQ(s.m_nColumnWidth, widths);
    EXPECT_EQ(CSettings::IndexOf("use mage armor"), 21);
    EXPECT_EQ(CSettings::IndexOf("Bypass 70/Resist Limit"), 0);
    EXPECT_EQ(CSettings::IndexOf("nope"), -1);
}

TEST(Settings, NamesInStoreOrder) {
    const char* names[SETTINGS_COUNT] = {
        "Bypass 70/Resist Limit", "Use Head Wear", "Use Gorgets", "Use Arms", "Use Gloves", "Use Chest Pieces",
        "Use Legs", "Use Rings", "Use Robes", "Use Cloaks", "Use Shields", "Use Bracelets", "Use Weapons",
        "Display DCI", "Display HCI", "Display LMC", "Display LRC", "Display Luck", "Display MR", "Display HR",
        "Display SR", "Use Mage Armor", "DCI Limit", "HCI Limit", "LMC Limit", "LRC Limit", "Luck Limit",
        "MR Limit", "HR Limit", "SR Limit", "LowerLimit", "Suit Limit", "Rank By", "Then By"};
    CSettings s;
    for (int i = 0; i < SETTINGS_COUNT; ++i) {
        EXPECT_STREQ(CSettings::ValueName(i), names[i]);
        s.Value(i) = 1000 + i;
    }
    EXPECT_EQ(s.m_nHCILimit, 1023);
    EXPECT_EQ(s.m_bUseWeapons, 1012);
    EXPECT_EQ(s.m_bMedableOnly, 1021);
}

TEST(Settings, RoundTripThroughTheStoreOnDisk) {
    QTemporaryDir dir;
    std::string ini = (dir.path() + "/s.conf").toStdString();
    {
        CQtProfileStore store(ini.c_str());
        StoreScope scope(&store);
        CSettings s;
        for (int i = 0; i < SETTINGS_COUNT; ++i) s.Value(i) = -(i + 1);
        for (int n = 0; n < COLUMN_COUNT; ++n) s.m_nColumnWidth[size_t(n)] = 100 + n;
        s.SaveSettings();
    }
    CQtProfileStore store(ini.c_str());
    StoreScope scope(&store);
    CSettings s;
    s.LoadSettings();
    for (int i = 0; i < SETTINGS_COUNT; ++i) EXPECT_EQ(s.Value(i), -(i + 1)) << CSettings::ValueName(i);
    for (int n = 0; n < 13; ++n) EXPECT_EQ(s.m_nColumnWidth[size_t(n)], 100 + n);
    for (int n = 13; n < 16; ++n) EXPECT_EQ(s.m_nColumnWidth[size_t(n)], 50) << "columns 13 to 15 are not stored";
    EXPECT_FALSE(store.ReadInt("Settings", "Column13").has_value());
}

TEST(Settings, MissingWidthKeepsTheCurrentOne) {
    CMemoryProfileStore store;
    StoreScope scope(&store);
    store.WriteInt("Settings", "Column3", 77);
    CSettings s;
    s.m_nColumnWidth[4] = 123;
    s.LoadSettings();
    EXPECT_EQ(s.m_nColumnWidth[3], 77);
    EXPECT_EQ(s.m_nColumnWidth[4], 123);
}

TEST(Settings, ParameterBlockCopiesWhatTheSearchNeeds) {
    CSettings s;
    for (int i = 0; i < SETTINGS_COUNT; ++i) s.Value(i) = i + 1;
    CCalcParam p;
    EXPECT_EQ(p.m_pView, nullptr);
    EXPECT_EQ(p.m_bBypassResistCap, 0);
    p.FillFrom(s);
    EXPECT_EQ(p.m_bBypassResistCap, 1);
    for (int k = 0; k < 12; ++k) EXPECT_EQ(p.UseSlot(k), k + 2);
    EXPECT_EQ(p.m_bMedableOnly, 22);
    EXPECT_EQ(p.m_nDCILimit, 23);
    EXPECT_EQ(p.m_nHCILimit, 24);
    EXPECT_EQ(p.m_nLMCLimit, 25);
    EXPECT_EQ(p.m_nLRCLimit, 26);
    EXPECT_EQ(p.m_nLuckLimit, 27);
    EXPECT_EQ(p.m_nMRLimit, 28);
    EXPECT_EQ(p.m_nHRLimit, 29);
    EXPECT_EQ(p.m_nSRLimit, 30);
    EXPECT_EQ(p.m_nSuitLimit, 32);
    EXPECT_EQ(p.m_nRankBy, 33);
    // Only 1 to 15 name a column to rank by.
    for (const auto& [rankBy, column] : {std::pair{0, 0}, {1, 1}, {15, 15}, {16, 0}, {-1, 0}, {INT32_MIN, 0}}) {
        p.m_nRankBy = rankBy;
        EXPECT_EQ(p.RankColumn(), column) << rankBy;
    }
    // A second key only for a ranked run, and never the ranking column again.
    const struct {
        int32_t rankBy, thenBy;
        int then;
    } thens[] = {{6, 8, 8}, {6, 15, 15}, {6, 6, 0}, {0, 8, 0}, {16, 8, 0}, {6, 0, 0}, {6, 16, 0}, {6, -8, 0}, {1, 1, 0}};
    for (const auto& t : thens) {
        p.m_nRankBy = t.rankBy;
        p.m_nThenBy = t.thenBy;
        EXPECT_EQ(p.ThenColumn(), t.then) << t.rankBy << " then " << t.thenBy;
        CWishes w;
        w.m_nRankBy = t.rankBy;
        w.m_nThenBy = t.thenBy;
        EXPECT_EQ(w.ThenColumn(), t.then);
    }
}

// "Rank By" and "Then By" came later than the others: a store that never used them is written as before,
// and once one has left its default it is written whatever its value.
TEST(Settings, LaterSettingsAreWrittenOnceTheyLeaveTheirDefaults) {
    for (int32_t CSettings::*member : {&CSettings::m_nRankBy, &CSettings::m_nThenBy}) {
        const char* name = CSettings::ValueName(SettingIndexOf(member));
        SCOPED_TRACE(name);
        CMemoryProfileStore store;
        StoreScope scope(&store);
        CSettings s;
        s.LoadSettings();
        s.SaveSettings();
        std::vector<std::pair<std::string, std::string>> values;
        ASSERT_TRUE(store.EnumValues(SETTINGS_SECTION, values));
        std::vector<std::pair<std::string, std::string>> before;
        for (int i = 0; i < SETTINGS_COUNT; ++i)
            if (i != CSettings::IndexOf("Rank By") && i != CSettings::IndexOf("Then By"))
                before.emplace_back(CSettings::ValueName(i), std::to_string(CSettings::DefaultValue(i)));
        for (int n = 0; n < STORED_COLUMN_COUNT; ++n)
            before.emplace_back("Column" + std::to_string(n), std::to_string(s.m_nColumnWidth[size_t(n)]));
        EXPECT_EQ(values, before);

        const struct {
            int32_t set;
            std::optional<int32_t> stored;
        } steps[] = {{0, std::nullopt}, {5, 5}, {0, 0}, {12, 12}};
        for (const auto& step : steps) {
            s.*member = step.set;
            s.SaveSettings();
            EXPECT_EQ(store.ReadInt(SETTINGS_SECTION, name), step.stored) << step.set;
            CSettings loaded;
            loaded.*member = -7;
            loaded.LoadSettings();
            EXPECT_EQ(loaded.*member, step.set);
        }
    }
}

// Optional results columns 8 to 15 follow the display switches; the others have none.
TEST(Settings, ColumnSwitches) {
    const char* names[] = {"Display Luck", "Display LMC", "Display LRC", "Display MR",
                           "Display HR",   "Display SR",  "Display DCI", "Display HCI"};
    CSettings s;
    for (int n = 0; n < COLUMN_COUNT; ++n) {
        int32_t* sw = s.ColumnSwitch(n);
        if (n < 8) {
            EXPECT_EQ(sw, nullptr) << n;
            continue;
        }
        ASSERT_NE(sw, nullptr) << n;
        EXPECT_EQ(sw, &s.Value(CSettings::IndexOf(names[n - 8]))) << n;
    }
}

// Blanks are allowed around a dialog's number only; sign, digits and the 32-bit range for both.
TEST(IntField, Rules) {
    const struct {
        const char* text;
        std::optional<int32_t> refuse, trim;
    } cases[] = {
        {"0", 0, 0},
        {"+5", 5, 5},
        {"-17", -17, -17},
        {"2147483647", INT32_MAX, INT32_MAX},
        {"-2147483648", INT32_MIN, INT32_MIN},
        {"2147483648", std::nullopt, std::nullopt},
        {"-2147483649", std::nullopt, std::nullopt},
        {"99999999999999999999", std::nullopt, std::nullopt},
        {" 42\t", std::nullopt, 42},
        {"", std::nullopt, std::nullopt},
        {" \t", std::nullopt, std::nullopt},
        {"-", std::nullopt, std::nullopt},
        {"1 2", std::nullopt, std::nullopt},
        {"0x10", std::nullopt, std::nullopt},
        {"--1", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseInt32Field(c.text), c.refuse) << '"' << c.text << '"';
        EXPECT_EQ(ParseInt32Field(c.text, FieldBlanks::Trim), c.trim) << '"' << c.text << '"';
    }
}
