#include <gtest/gtest.h>

#include "core/model/Archive.h"
#include "core/model/ArmorPiece.h"
#include "core/model/ArmorSuit.h"

namespace {
CArmorPiece Piece(int phys, int medable = 1) {
    CArmorPiece p;
    p.m_nPhysical = phys;
    p.m_bMedable = medable;
    return p;
}
}  // namespace

TEST(ArmorSuit, CapsAndTotals) {
    CArmorPiece a = Piece(40), b = Piece(45);
    CArmorSuit s;
    s.AddPiece(&a);
    s.AddPiece(nullptr);
    s.AddPiece(&b);
    EXPECT_EQ(s.CalcTotals(), 85);
    EXPECT_EQ(s.m_nCount, 2);
    EXPECT_EQ(s.m_nPhysical, 85);
    EXPECT_EQ(s.GetTotalResist(), 85);
    // The switch of each call decides; the bonus properties and unknown indexes never depend on it.
    struct {
        bool bypass;
        int physical, capped;
    } const cases[] = {{false, 70, 70}, {true, 85, 85}};
    for (const auto& c : cases) {
        EXPECT_EQ(s.GetProperty(PROP_PHYSICAL, c.bypass), c.physical) << c.bypass;
        EXPECT_EQ(s.GetCappedTotalResist(c.bypass), c.capped) << c.bypass;
        EXPECT_EQ(s.GetProperty(9, c.bypass), 0);
        EXPECT_EQ(s.GetProperty(14, c.bypass), 0);
    }
}

TEST(ArmorSuit, CappedTotalOfTheWorkedExample) {
    CArmorSuit s;
    s.m_nPhysical = 70; s.m_nFire = 71; s.m_nCold = 69; s.m_nPoison = 100; s.m_nEnergy = -5;
    EXPECT_EQ(s.GetCappedTotalResist(false), 274);
    EXPECT_EQ(s.GetCappedTotalResist(true), 305);
}

TEST(ArmorSuit, SumsEveryPropertyIntoItsField) {
    CArmorPiece p;
    p.m_nLuck = 1; p.m_nLMC = 2; p.m_nLRC = 3; p.m_nMR = 4; p.m_nHR = 5; p.m_nSR = 6; p.m_nDCI = 7; p.m_nHCI = 8;
    p.m_nFire = 10; p.m_nCold = 11; p.m_nPoison = 12; p.m_nEnergy = 13; p.m_nTotalResist = 999;
    CArmorSuit s;
    s.AddPiece(&p);
    s.AddPiece(&p);
    s.CalcTotals();
    EXPECT_EQ(s.m_nTotalResist, 92);  // the pieces' stored totals are not used
    const int expect[14] = {0, 20, 22, 24, 26, 2, 4, 6, 8, 0, 14, 16, 10, 12};
    for (int i = 0; i < 14; ++i) EXPECT_EQ(s.GetProperty(i, false), expect[i]) << i;
}

TEST(ArmorSuit, MedableFlag) {
    CArmorSuit fresh;
    EXPECT_EQ(fresh.m_bMedable, 0);
    CArmorSuit empty;
    empty.CalcTotals();
    EXPECT_EQ(empty.m_bMedable, 1);
    CArmorPiece a = Piece(1), b = Piece(1), c = Piece(1, 0);
    CArmorSuit s;
    s.AddPiece(&a);
    s.AddPiece(&b);
    s.CalcTotals();
    EXPECT_EQ(s.m_bMedable, 1);
    s.AddPiece(&c);
    s.CalcTotals();
    EXPECT_EQ(s.m_bMedable, 0);
}

TEST(ArmorSuit, RecordLayoutAndReadBack) {
    CArmorPiece a = Piece(40), b = Piece(45);
    CArmorSuit s;
    s.m_strName = "Suit 00007";
    s.AddPiece(&a);
    s.AddPiece(&b);
    std::string out;
    CArchive ar(out);
    s.Serialize(ar);
    ASSERT_EQ(out.size(), 4u + 11 + 1 + 70 + 70);
    EXPECT_EQ(out.substr(0, 16), std::string("\x02\x00\x00\x00\x0aSuit 00007\x00", 16));

    CArmorSuit back;
    CArchive in{std::string_view(out)};
    back.Serialize(in);
    EXPECT_EQ(back.m_nCount, 2);
    EXPECT_EQ(back.m_nPhysical, 85);  // recomputed, never stored
    EXPECT_EQ(back.m_strName, "Suit 00007");
    for (CArmorPiece* p : back.m_arrPieces) delete p;
}

TEST(ArmorSuit, CutRecordKeepsThePiecesItMade) {
    CArmorPiece a = Piece(1);
    CArmorSuit s;
    s.AddPiece(&a);
    s.AddPiece(&a);
    std::string out;
    CArchive ar(out);
    s.Serialize(ar);
    out.resize(out.size() - 10);
    CArmorSuit back;
    CArchive in{std::string_view(out)};
    EXPECT_THROW(back.Serialize(in), CArchiveEofException);
    EXPECT_EQ(back.m_arrPieces.size(), 2u);
    for (CArmorPiece* p : back.m_arrPieces) delete p;

    // A negative count reads no piece; a wrong marker still yields a default piece.
    std::string neg = std::string("\xff\xff\xff\xff\x00\x00", 6);
    CArmorSuit none;
    CArchive in2{std::string_view(neg)};
    none.Serialize(in2);
    EXPECT_TRUE(none.m_arrPieces.empty());
    std::string bad = std::string("\x01\x00\x00\x00\x00\x00\x07\x00\x00\x00", 10);
    CArmorSuit one;
    CArchive in3{std::string_view(bad)};
    one.Serialize(in3);
    ASSERT_EQ(one.m_arrPieces.size(), 1u);
    EXPECT_TRUE(one.m_arrPieces[0]->m_strText.empty());
    delete one.m_arrPieces[0];
}
