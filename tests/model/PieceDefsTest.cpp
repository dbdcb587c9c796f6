#include <gtest/gtest.h>

#include "calc/Settings.h"
#include "model/ArmorPiece.h"
#include "model/PieceDefs.h"
#include "model/ProfileStore.h"

namespace {
class PieceDefsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetProfileStore(&store);
        TheSettings().LoadSettings();
    }
    void TearDown() override { SetProfileStore(nullptr); }
    CArmorPiece Parse(const std::string& line) {
        CArmorPiece p;
        p.ParseText(line);
        return p;
    }
    std::vector<std::string>& Table(int k) { return TheSettings().m_pieceDefs.Table(k); }
    CMemoryProfileStore store;
};
}  // namespace

TEST_F(PieceDefsTest, FirstStartWritesDefaultsOnce) {
    EXPECT_EQ(store.ReadString("PieceDefs\\Headwear", "01"), "coif");
    EXPECT_EQ(store.ReadString("PieceDefs\\Headwear", "14"), "ninja hood");
    EXPECT_EQ(store.ReadString("PieceDefs\\Chest", "08"), "studded do");
    EXPECT_EQ(Table(0).size(), 14u);
    EXPECT_EQ(Table(4), PieceDefDefaults(4));
    for (int k = 0; k < 11; ++k) EXPECT_TRUE(store.OpenKey(std::string("PieceDefs\\") + PieceDefSubkey(k)));
    size_t writes = store.WriteCount();
    TheSettings().LoadSettings();
    EXPECT_EQ(store.WriteCount(), writes);  // a second start writes nothing
}

TEST_F(PieceDefsTest, AnEmptiedTableStaysEmpty) {
    store.DeleteValues("PieceDefs\\Rings");
    TheSettings().LoadSettings();
    EXPECT_TRUE(Table(6).empty());
    EXPECT_EQ(Parse("Gold Ring fire resist 3%").m_nType, PIECE_WEAPON);
    // A deleted key comes back with its defaults.
    store.DeleteKey("PieceDefs\\Rings");
    TheSettings().LoadSettings();
    EXPECT_EQ(Parse("Gold Ring fire resist 3%").m_nType, PIECE_RING);
}

TEST_F(PieceDefsTest, ClassificationOrderAndSubstrings) {
    CArmorPiece ring = Parse("Gold Ring");
    EXPECT_EQ(ring.m_nType, 64);
    EXPECT_EQ(ring.m_strTypeName, "rings");
    EXPECT_EQ(Parse("ring that glows").m_nType, PIECE_HEADWEAR);          // "hat" inside "that"
    EXPECT_EQ(Parse("red cape fire resist 1%").m_nType, PIECE_HEADWEAR);   // "cap" inside "cape"
    CArmorPiece magic = Parse("bracelet mage armor physical resist 2%");
    EXPECT_EQ(magic.m_nType, PIECE_CHEST);
    EXPECT_EQ(magic.m_strTypeName, "chest pieces");
    EXPECT_EQ(magic.m_bMedable, 1);
    EXPECT_EQ(Parse("platemail leggings").m_nType, PIECE_LEGS);  // legs are tried before chest pieces
    EXPECT_EQ(Parse("robe cloak").m_nType, PIECE_ROBE);
    EXPECT_EQ(Parse("shield bracelet").m_nType, PIECE_SHIELD);
    CArmorPiece sword = Parse("longsword fire resist 5%");
    EXPECT_EQ(sword.m_nType, PIECE_WEAPON);
    EXPECT_EQ(sword.m_strTypeName, "weapons");

    Table(6) = {"Ring"};  // names are not lowered, so a capital never matches
    EXPECT_EQ(Parse("Gold Ring").m_nType, PIECE_WEAPON);
    Table(0).push_back("");  // an empty name matches everything that reaches its table
    EXPECT_EQ(Parse("longsword").m_nType, PIECE_HEADWEAR);
}

TEST_F(PieceDefsTest, MedableRules) {
    EXPECT_EQ(Parse("leather cap").m_nType, PIECE_HEADWEAR);
    EXPECT_EQ(Parse("leather cap").m_bMedable, 1);
    EXPECT_EQ(Parse("studded leather cap").m_bMedable, 0);
    EXPECT_EQ(Parse("studded leather cap of x").m_bMedable, 1);  // " cap " with blanks
    EXPECT_EQ(Parse("studded leather tunic").m_nType, PIECE_CHEST);
    EXPECT_EQ(Parse("studded leather tunic").m_bMedable, 0);
    EXPECT_EQ(Parse("leather tunic").m_bMedable, 1);
    EXPECT_EQ(Parse("plate helm").m_bMedable, 0);
    EXPECT_EQ(Parse("wizard's hat of x").m_bMedable, 1);
    EXPECT_EQ(Parse("Lucky Necklace").m_bMedable, 1);
    EXPECT_EQ(Parse("gold necklace").m_bMedable, 0);
    EXPECT_EQ(Parse("platemail gorget mage armor").m_bMedable, 1);
    for (const char* any : {"iron ring", "robe", "cloak", "heater shield", "bracelet", "war axe"})
        EXPECT_EQ(Parse(any).m_bMedable, 1) << any;
}

TEST_F(PieceDefsTest, LoaderLimitsAndSkips) {
    store.DeleteValues("PieceDefs\\Headwear");
    store.WriteString("PieceDefs\\Headwear", "01", std::string(300, 'x'));
    store.WriteString("PieceDefs\\Headwear", "02", "helm");
    TheSettings().LoadSettings();
    EXPECT_TRUE(Table(0).empty());  // a failure at the first value ends loading

    store.DeleteValues("PieceDefs\\Headwear");
    store.WriteString("PieceDefs\\Headwear", "01", "helm");
    store.WriteString("PieceDefs\\Headwear", "02", std::string(300, 'x'));
    store.WriteString("PieceDefs\\Headwear", "03", std::string(254, 'y'));
    store.WriteString("PieceDefs\\Headwear", "any name", "coif");
    TheSettings().LoadSettings();
    EXPECT_EQ(Table(0), (std::vector<std::string>{"helm", std::string(254, 'y'), "coif"}));

    store.DeleteValues("PieceDefs\\Headwear");
    store.WriteString("PieceDefs\\Headwear", "01", "");
    TheSettings().LoadSettings();
    EXPECT_EQ(Parse("longsword of fire").m_nType, PIECE_HEADWEAR);

    std::vector<std::string> list = {"keep"};
    LoadPieceDefs("", list);
    EXPECT_EQ(list.size(), 1u);
    LoadPieceDefs("NoSuchKey", list);
    EXPECT_TRUE(list.empty());
}

TEST_F(PieceDefsTest, KeyThatCannotBeCreatedIsSkipped) {
    CMemoryProfileStore broken;
    broken.failCreate = true;
    SetProfileStore(&broken);
    TheSettings().LoadSettings();
    for (int k = 0; k < 11; ++k) EXPECT_TRUE(Table(k).empty());
    EXPECT_EQ(Parse("plate helm").m_nType, PIECE_WEAPON);
}
