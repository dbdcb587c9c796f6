#include <gtest/gtest.h>

#include "core/calc/Settings.h"
#include "core/model/Archive.h"
#include "core/model/ArmorPiece.h"
#include "core/model/PieceDefs.h"

namespace {
// Tables at their defaults without touching any store.
void DefaultTables() {
    for (int k = 0; k < 11; ++k) ThePieceDefs().Table(k) = PieceDefDefaults(k);
}
CArmorPiece Parse(const std::string& line) {
    DefaultTables();
    CArmorPiece p;
    p.ParseText(line);
    return p;
}
std::string Store(CArmorPiece& p) {
    std::string out;
    CArchive ar(out);
    p.Serialize(ar);
    return out;
}
}  // namespace

TEST(ArmorPiece, NewPieceRecordIs70Bytes) {
    CArmorPiece p;
    std::string rec = Store(p);
    ASSERT_EQ(rec.size(), 70u);
    EXPECT_EQ(rec.substr(0, 6), std::string("\x30\x75\x00\x00\x00\x00", 6));
    EXPECT_EQ(rec.substr(6), std::string(64, '\0'));
}

TEST(ArmorPiece, RecordOrderAndRoundTrip) {
    CArmorPiece p;
    p.m_strText = "Helm of X";
    p.m_strTypeName = "head wear";
    p.m_nType = 1;
    p.m_nPhysical = 2; p.m_nFire = 3; p.m_nCold = 4; p.m_nPoison = 5; p.m_nEnergy = 6;
    p.m_nTotalResist = 99;  // stored as is, not recomputed
    p.m_bMedable = 1; p.m_nDCI = 7; p.m_nHCI = 8; p.m_nSR = 9; p.m_nHR = 10;
    p.m_nMR = 11; p.m_nLMC = 12; p.m_nLRC = 13; p.m_nLuck = -14;
    std::string rec = Store(p);
    ASSERT_EQ(rec.size(), 4u + 10 + 10 + 64);
    CArchive in{std::string_view(rec)};
    EXPECT_EQ(in.ReadInt32(), 30000);
    EXPECT_EQ(in.ReadString(), "Helm of X");
    EXPECT_EQ(in.ReadString(), "head wear");
    for (int expected : {1, 2, 3, 4, 5, 6, 99, 1, 7, 8, 9, 10, 11, 12, 13, -14}) EXPECT_EQ(in.ReadInt32(), expected);

    CArmorPiece q;
    CArchive back{std::string_view(rec)};
    q.Serialize(back);
    EXPECT_EQ(q.m_nTotalResist, 99);
    EXPECT_EQ(q.m_nLuck, -14);
    EXPECT_EQ(q.m_nSR, 9);
    EXPECT_EQ(q.m_strText, "Helm of X");
}

TEST(ArmorPiece, WrongMarkerConsumesExactlyFourBytes) {
    std::string rec = std::string(4, '\0') + "rest";
    CArchive in{std::string_view(rec)};
    CArmorPiece p;
    p.Serialize(in);
    EXPECT_EQ(in.Position(), 4u);
    EXPECT_EQ(p.m_nType, 0);
    EXPECT_TRUE(p.m_strText.empty());
}

TEST(ArmorPiece, RecordCutShortFails) {
    CArmorPiece p;
    p.m_strText = "ring";
    std::string rec = Store(p);
    rec.resize(rec.size() - 1);
    CArchive in{std::string_view(rec)};
    CArmorPiece q;
    EXPECT_THROW(q.Serialize(in), CArchiveEofException);
}

TEST(ArmorPiece, GettersAndFormatting) {
    CArmorPiece p = Parse("tunic physical resist 15%, fire resist 10%, cold resist 8%, poison resist 12%, energy resist 5%");
    EXPECT_EQ(p.m_nTotalResist, 50);
    EXPECT_EQ(p.CalcTotalResist(), 50);
    EXPECT_EQ(p.GetProperty(PROP_COLD), 8);
    for (int bad : {9, 14, -1}) {
        EXPECT_EQ(p.GetProperty(bad), 0);
        EXPECT_EQ(p.FindValue(bad), 0);
    }
    EXPECT_EQ(CArmorPiece::FormatValue(-5), "-5");
    EXPECT_EQ(CArmorPiece::FormatValue(0), "0");
}

TEST(ArmorPiece, WorkedExamplesOfTheValueRules) {
    CArmorPiece g = Parse("leather gloves physical resist 5%, fire resist 3%, luck 40 , lower mana cost 8%");
    EXPECT_EQ(g.m_nPhysical, 5);
    EXPECT_EQ(g.m_nFire, 3);
    EXPECT_EQ(g.m_nLuck, 40);
    EXPECT_EQ(g.m_nLMC, 8);
    EXPECT_EQ(g.m_nCold + g.m_nPoison + g.m_nEnergy + g.m_nLRC + g.m_nMR + g.m_nSR + g.m_nHR + g.m_nDCI + g.m_nHCI, 0);
    EXPECT_EQ(g.m_nType, PIECE_GLOVES);
    EXPECT_EQ(g.m_bMedable, 1);

    // A value that ends the line is read to its end.
    EXPECT_EQ(Parse("ring luck 100").m_nLuck, 100);
    EXPECT_EQ(Parse("ring luck 100 ").m_nLuck, 100);
    CArmorPiece lucky = Parse("lucky necklace luck 150 ");
    EXPECT_EQ(lucky.m_nLuck, 200);
    EXPECT_EQ(lucky.m_nMR, 0);
    // The necklace's 200 is its luck alone; its regenerations read as on any piece.
    CArmorPiece regen = Parse("lucky necklace luck 1 mana regeneration 2 hit point regeneration 3 stamina regeneration 4");
    EXPECT_EQ(regen.m_nLuck, 200);
    EXPECT_EQ(regen.m_nMR, 2);
    EXPECT_EQ(regen.m_nHR, 3);
    EXPECT_EQ(regen.m_nSR, 4);

    CArmorPiece b = Parse("bracelet hit chance increase 10 defense chance increase 5%");
    EXPECT_EQ(b.m_nHCI, 5);
    EXPECT_EQ(b.m_nDCI, 5);
    EXPECT_EQ(Parse("fire resist:12%").m_nFire, 0);
    EXPECT_EQ(Parse("fire resist +12%").m_nFire, 12);
    EXPECT_EQ(Parse("Fire Resist -7%").m_nFire, -7);
    EXPECT_EQ(Parse("cloak physical resist 40,%").m_nPhysical, 40);
}

TEST(ArmorPiece, HugeNumbersSaturate) {
    CArmorPiece p = Parse("ring fire resist 99999999999% cold resist -99999999999% luck 4294967296 ");
    EXPECT_EQ(p.m_nFire, INT32_MAX);
    EXPECT_EQ(p.m_nCold, INT32_MIN);
    EXPECT_EQ(p.m_nLuck, INT32_MAX);
    EXPECT_EQ(Parse("ring fire resist 2147483648%").m_nFire, INT32_MAX);
    EXPECT_EQ(Parse("ring fire resist -2147483648%").m_nFire, INT32_MIN);
}
