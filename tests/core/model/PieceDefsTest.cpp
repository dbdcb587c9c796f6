#include <gtest/gtest.h>

#include <initializer_list>

#include "core/calc/Settings.h"
#include "core/model/ArmorPiece.h"
#include "core/model/PieceDefs.h"
#include "core/model/ProfileStore.h"

namespace {
class PieceDefsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetProfileStore(&store);
        SetThePieceDefs(&settings.m_pieceDefs);
        settings.LoadSettings();
    }
    void TearDown() override {
        SetThePieceDefs(nullptr);
        SetProfileStore(nullptr);
    }
    CArmorPiece Parse(const std::string& line) {
        CArmorPiece p;
        p.ParseText(line);
        return p;
    }
    std::vector<std::string>& Table(int k) { return ThePieceDefs().Table(k); }
    CMemoryProfileStore store;
    CSettings settings;
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
    settings.LoadSettings();
    EXPECT_EQ(store.WriteCount(), writes);  // a second start writes nothing
}

TEST_F(PieceDefsTest, AnEmptiedTableStaysEmpty) {
    store.DeleteValues("PieceDefs\\Rings");
    settings.LoadSettings();
    EXPECT_TRUE(Table(6).empty());
    EXPECT_EQ(Parse("Gold Ring fire resist 3%").m_nType, PIECE_WEAPON);
    // A deleted key comes back with its defaults.
    store.DeleteKey("PieceDefs\\Rings");
    settings.LoadSettings();
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
    settings.LoadSettings();
    EXPECT_EQ(Table(0), (std::vector<std::string>{"helm"}));  // a name too long is left out alone

    store.DeleteValues("PieceDefs\\Headwear");
    store.WriteString("PieceDefs\\Headwear", "01", "helm");
    store.WriteString("PieceDefs\\Headwear", "02", std::string(300, 'x'));
    store.WriteString("PieceDefs\\Headwear", "03", std::string(254, 'y'));
    store.WriteString("PieceDefs\\Headwear", "any name", "coif");
    settings.LoadSettings();
    EXPECT_EQ(Table(0), (std::vector<std::string>{"helm", std::string(254, 'y'), "coif"}));

    // Blank names are ignored (they would file every item as head wear), the rest are trimmed.
    store.DeleteValues("PieceDefs\\Headwear");
    const std::pair<const char*, const char*> stored[] = {
        {"01", ""}, {"02", " "}, {"03", "\t \r\n"}, {"04", "  coif "}, {"05", "hat\t"}, {"06", " war helm"}};
    for (const auto& [name, data] : stored) store.WriteString("PieceDefs\\Headwear", name, data);
    store.WriteString("PieceDefs\\Headwear", "07", " " + std::string(254, 'z') + " ");  // 254 once trimmed
    settings.LoadSettings();
    EXPECT_EQ(Table(0), (std::vector<std::string>{"coif", "hat", "war helm", std::string(254, 'z')}));
    EXPECT_EQ(Parse("longsword of fire").m_nType, PIECE_WEAPON);
    EXPECT_EQ(Parse("a coif").m_nType, PIECE_HEADWEAR);

    // Each: a name as given, and what the tables keep of it (empty: nothing).
    const std::pair<std::string, std::string> names[] = {
        {"", ""},           {" ", ""},           {"\t\n", ""}, {"ring", "ring"}, {" gold ring ", "gold ring"},
        {std::string(254, 'a'), std::string(254, 'a')}, {std::string(255, 'a'), ""}, {"a b", "a b"}};
    for (const auto& [given, kept] : names)
        EXPECT_EQ(CleanItemName(given).value_or(""), kept) << "\"" << given << "\"";

    std::vector<std::string> list = {"keep"};
    LoadPieceDefs("", list);
    EXPECT_EQ(list.size(), 1u);
    LoadPieceDefs("NoSuchKey", list);
    EXPECT_TRUE(list.empty());
}

namespace {
// Keys can be made and removed, but no value fits in.
class CValuesRefusedStore : public CMemoryProfileStore {
public:
    bool WriteString(const std::string&, const std::string&, const std::string&) override { return false; }
};
// Nothing can be read or made.
class CUnreadableStore : public CMemoryProfileStore {
public:
    bool CreateKey(const std::string&, bool& createdNow) override { return createdNow = false; }
    bool EnumValues(const std::string&, std::vector<std::pair<std::string, std::string>>&) override { return false; }
};
}  // namespace

// A store that cannot be written or read leaves every table at its defaults, at the first load and at
// every later one, as every other setting falls back to its default.
TEST_F(PieceDefsTest, UnusableStoreLeavesTheDefaultsInForce) {
    CMemoryProfileStore noCreate, noWrites;
    noCreate.failCreate = true;
    noWrites.failWrites = true;
    CValuesRefusedStore noValues;
    CUnreadableStore unreadable;
    for (IProfileStore* broken : std::initializer_list<IProfileStore*>{&noCreate, &noWrites, &noValues, &unreadable}) {
        SetProfileStore(broken);
        for (int load = 0; load < 2; ++load) {
            for (int k = 0; k < 11; ++k) Table(k).clear();
            settings.LoadSettings();
            for (int k = 0; k < 11; ++k) EXPECT_EQ(Table(k), PieceDefDefaults(k)) << k;
            EXPECT_EQ(Parse("plate helm").m_nType, PIECE_HEADWEAR);
            EXPECT_EQ(Parse("Gold Ring").m_nType, PIECE_RING);
        }
    }
    // The key that could not be filled was taken back, so a working store later still gets the defaults.
    EXPECT_FALSE(noValues.OpenKey("PieceDefs\\Rings"));
    std::vector<std::string> list;
    LoadPieceDefs("rings", list);  // subkeys compare without regard to case
    EXPECT_EQ(list, PieceDefDefaults(6));
}
