#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "core/calc/Settings.h"
#include "core/document/Assignment.h"
#include "core/import/ImportRows.h"
#include "core/import/ItemNames.h"
#include "core/import/ItemTextParser.h"
#include "core/model/PieceDefs.h"
#include "core/model/ProfileStore.h"
#include "support/Pools.h"

namespace {
class Parser : public ::testing::Test {
protected:
    void SetUp() override {
        for (int k = 0; k < 11; ++k) ThePieceDefs().Table(k) = PieceDefDefaults(k);
    }
    std::vector<CParsedLine> Parse(const std::string& text, bool answer = true) {
        asked = 0;
        return ParseItemText(text, [&] {
            ++asked;
            return answer;
        });
    }
    std::vector<std::string> Lines(const std::vector<CParsedLine>& r) {
        std::vector<std::string> out;
        for (auto& p : r) {
            EXPECT_EQ(p.piece->m_strText, p.line);
            out.push_back(p.line);
        }
        return out;
    }
    // The shared sample paste (CR LF line breaks), or empty when it is not beside this checkout.
    static std::string Sample() {
        const char* dir = std::getenv("GORVANTA_SAMPLES");
        if (!dir) return {};
        std::ifstream f(std::string(dir) + "/item-paste.txt", std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        EXPECT_FALSE(ss.str().empty()) << "the sample cannot be read";
        return ss.str();
    }
    int asked = 0;
};
}  // namespace

TEST_F(Parser, CuttingIntoLines) {
    EXPECT_TRUE(Parse("").empty());
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(Lines(Parse("A\r\nB fire resist 1%\r\n")), (std::vector<std::string>{"B fire resist 1%"}));
    EXPECT_TRUE(Parse("A\rB fire resist 1%").empty());  // no LF after the CR: the pass ends after A
    EXPECT_EQ(Lines(Parse("x luck 1 \r\n\r\ny luck 2 \r\nz luck 3 ")),
              (std::vector<std::string>{"x luck 1 ", "y luck 2 ", "z luck 3 "}));
    // Text after the last CR is dropped when no LF follows it.
    EXPECT_EQ(Lines(Parse("x luck 1 \r\ny luck 2 \rtail luck 3 ")), (std::vector<std::string>{"x luck 1 ", "y luck 2 "}));
    // A CR LF at the very end ends the pass; a LF inside a line stays part of it.
    auto lf = Parse("first resist 5%\nsecond resist 7%");
    ASSERT_EQ(lf.size(), 1u);
    EXPECT_EQ(lf[0].line, "first resist 5%\nsecond resist 7%");
    EXPECT_EQ(lf[0].piece->m_nTotalResist, 0);
}

TEST_F(Parser, WhichLinesAreItems) {
    EXPECT_TRUE(Parse("ring Luck 40 \r\n").empty());
    auto rare = Parse("artifact rarity 3\r\n");
    ASSERT_EQ(rare.size(), 1u);
    for (int i = 0; i < 14; ++i) EXPECT_EQ(rare[0].piece->GetProperty(i), 0);
    EXPECT_EQ(Parse("sword hitpoint increase 5\r\n").size(), 1u);
    EXPECT_TRUE(Parse("sword hit chance increase 5%\r\n").empty());
    EXPECT_TRUE(Parse("sword hit point regeneration 2 stamina regeneration 3 \r\n").empty());
    EXPECT_TRUE(IsItemLine("irresistible"));
    EXPECT_FALSE(IsItemLine("Physical Resist 5%"));
}

TEST_F(Parser, ExactlyTheLimitAsksFirst) {
    std::string line = "ring fire resist 5%\r\n";
    std::string text;
    while (text.size() + line.size() <= PASTE_LIMIT) text += line;
    text += std::string(PASTE_LIMIT - text.size(), 'x');
    ASSERT_EQ(text.size(), PASTE_LIMIT);
    size_t full = (PASTE_LIMIT / line.size());
    EXPECT_TRUE(Parse(text, false).empty());
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(Parse(text, true).size(), full);
    EXPECT_EQ(asked, 1);

    // The last two characters become CR LF, so a partial last item still forms a line ending at 32765.
    std::string partial = std::string(PASTE_LIMIT - 31, 'a') + "\r\nring luck 7 cold resist 9%xyz";
    ASSERT_EQ(partial.size(), PASTE_LIMIT);
    auto r = Parse(partial, true);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].line, "ring luck 7 cold resist 9%x");
    EXPECT_EQ(r[0].piece->m_nCold, 9);

    std::string shorter = partial.substr(1);
    Parse(shorter, true);
    EXPECT_EQ(asked, 0);
}

TEST_F(Parser, ClipboardPreparation) {
    EXPECT_EQ(PrepareClipboardText("a\nb\r\nc\n"), "a\r\nb\r\nc\r\n");
    std::string longText(40000, 'q');
    EXPECT_EQ(PrepareClipboardText(longText).size(), PASTE_LIMIT);
    std::string lfs(PASTE_LIMIT, '\n');
    std::string prepared = PrepareClipboardText(lfs);
    EXPECT_EQ(prepared.size(), PASTE_LIMIT);
    EXPECT_EQ(prepared.substr(0, 4), "\r\n\r\n");
    EXPECT_EQ(ToCrLfLineBreaks(lfs).size(), 2 * PASTE_LIMIT);
    EXPECT_EQ(ToCrLfLineBreaks("a\nb\r\nc\n"), "a\r\nb\r\nc\r\n");
}

TEST_F(Parser, LongTextSplitsIntoPastesAtTheLastLineBreakThatFits) {
    const size_t L = PASTE_LIMIT;
    const std::string a(L, 'a'), twenty(20000, 'a');
    // Each: the text and the lengths of its pastes.
    const struct {
        std::string text;
        std::vector<size_t> lengths;
    } cases[] = {
        {"", {0}},
        {a, {L}},
        {a + "x", {L + 1}},                                  // no line break: the line is read whole
        {a + "x\r\nb", {L + 3, 1}},                          // the long line to its end, then the rest
        {"x\r\n" + a + "y", {3, L + 1}},                     // a short line first, then the long one
        {a.substr(2) + "\r\nb", {L, 1}},                     // a break that ends exactly at the limit
        {a.substr(1) + "\r\n", {L + 1}},                     // CR inside, LF outside: not a break that fits
        {"x\r\n" + a, {3, L}},                               // the last break that fits may be the first
        {twenty + "\r\n" + twenty + "\r\n" + twenty + "\r\n", {20002, 20002, 20002}},
    };
    for (const auto& c : cases) {
        std::vector<size_t> lengths;
        std::string joined;
        for (std::string_view paste : SplitIntoPastes(c.text)) {
            lengths.push_back(paste.size());
            joined += paste;
        }
        EXPECT_EQ(lengths, c.lengths) << c.text.size();
        EXPECT_EQ(joined, c.text);
    }

    // The sample five times over (about 56 000 characters, LF alone) gives every item of every copy, in order.
    const std::string sample = Sample();
    if (sample.empty()) GTEST_SKIP() << "samples folder not given";
    std::string lf, five;
    for (char ch : sample)
        if (ch != '\r') lf += ch;
    for (int n = 0; n < 5; ++n) five += lf;
    const std::string text = ToCrLfLineBreaks(five);
    ASSERT_EQ(text.size(), 5 * sample.size());
    std::vector<std::string> expected, got;
    for (int n = 0; n < 5; ++n)
        for (const auto& row : Parse(sample)) expected.push_back(row.line);
    const auto pastes = SplitIntoPastes(text);
    EXPECT_EQ(pastes.size(), 2u);
    for (std::string_view paste : pastes) {
        for (const auto& row : Parse(std::string(paste))) got.push_back(row.line);
        EXPECT_EQ(asked, 0);
    }
    EXPECT_EQ(got.size(), 430u);
    EXPECT_EQ(got, expected);
}

TEST_F(Parser, SamplePasteGivesEveryItem) {
    const std::string sample = Sample();
    if (sample.empty()) GTEST_SKIP() << "samples folder not given";
    auto r = Parse(sample);
    EXPECT_EQ(r.size(), 86u);
    int typed = 0;
    for (auto& p : r) typed |= p.piece->m_nType;
    EXPECT_TRUE(typed & PIECE_HEADWEAR);
    EXPECT_TRUE(typed & PIECE_RING);
    EXPECT_TRUE(typed & PIECE_WEAPON);
}

TEST_F(Parser, WallOfRealisticTextIsCutAndParsed) {
    const std::string sample = Sample();
    if (sample.empty()) GTEST_SKIP() << "samples folder not given";
    // The clipboard here carries LF alone; repeat the paste well past the buffer's size.
    std::string lf;
    for (char c : sample)
        if (c != '\r') lf += c;
    std::string wall;
    while (wall.size() < 3 * PASTE_LIMIT) wall += lf;
    std::string text = PrepareClipboardText(wall);
    ASSERT_EQ(text.size(), PASTE_LIMIT);
    auto r = Parse(text, true);
    EXPECT_EQ(asked, 1);
    ASSERT_GT(r.size(), 86u * 2);
    // Every piece is a whole sample line, except that the last may be the cut-off start of one.
    for (size_t i = 0; i < r.size(); ++i) {
        size_t at = sample.find(r[i].line);
        ASSERT_NE(at, std::string::npos) << r[i].line;
        if (i + 1 < r.size()) {
            EXPECT_EQ(sample.compare(at + r[i].line.size(), 2, "\r\n"), 0) << r[i].line;
        }
    }
    EXPECT_TRUE(Parse(text, false).empty());
}

// ---- the import table: column texts, slots, duplicates, cut pastes ----

namespace {
using RowTexts = std::array<std::string, IMPORT_COLUMN_COUNT>;
RowTexts Row(const std::string& line, const CDuplicate& dup = {}) {
    CArmorPiece p;
    p.ParseText(line);
    return ImportRowTexts(p, dup);
}
}  // namespace

TEST_F(Parser, ImportRowsShowWhatWasReadAndWhereItRepeats) {
    const std::string necklace = "lucky necklace, luck 200 , mana regeneration 2 ";
    const std::string ring = "gold ring, fire resist 8%, lower reagent cost 5%, hit chance increase 5%";
    const std::string gloves = "platemail gloves, poison resist 20%, physical resist 10%, energy resist 16%, cold resist "
                               "6%, stamina regeneration 3 , fire resist 10%";
    const std::string shroud = "hooded shroud, physical resist 3%, luck 50 ";
    const std::string cap = "studded leather cap, lower mana cost 4%, defense chance increase 5%, hit point regeneration 2 ";
    const std::pair<std::string, RowTexts> cases[] = {
        // The lucky necklace's luck reads 200, its mana regeneration as written.
        {necklace, {necklace, "gorgets", "0", "0", "0", "0", "0", "Luck 200, MR 2", "yes", ""}},
        {ring, {ring, "rings", "0", "8", "0", "0", "0", "LRC 5%, HCI 5%", "yes", ""}},
        {gloves, {gloves, "gloves", "10", "10", "6", "20", "16", "SR 3", "", ""}},
        {shroud, {shroud, "weapons", "3", "0", "0", "0", "0", "Luck 50", "yes", ""}},
        {cap, {cap, "head wear", "0", "0", "0", "0", "0", "LMC 4%, HR 2, DCI 5%", "", ""}},
        {"ring artifact rarity 3", {"ring artifact rarity 3", "rings", "0", "0", "0", "0", "0", "", "yes", ""}},
    };
    for (const auto& [line, texts] : cases) EXPECT_EQ(Row(line), texts) << line;
    EXPECT_EQ(std::string(ImportColumnHeadings()[IMPORT_COL_TEXT]), "Items");

    const std::pair<CDuplicate, const char*> marks[] = {{{DupKind::Pool, {}}, "in pool"},
                                                         {{DupKind::Suit, "Varn"}, "in suit of Varn"},
                                                         {{DupKind::Suit, ""}, "in a suit"},
                                                         {{DupKind::List, {}}, "repeated"},
                                                         {{DupKind::CutShort, {}}, "cut short, pasted again"}};
    for (const auto& [dup, text] : marks) EXPECT_EQ(Row(ring, dup)[IMPORT_COL_DUPLICATE], text);

    // A text in the pool or a suit is a duplicate wherever it stands; a repeat within the list only after
    // its first; a cut line only once a later row begins with it.
    CGorvantaDoc doc;
    AddToPool(doc, ring);
    AddSuit(doc, "Varn", {gloves});
    AddSuit(doc, "", {cap});
    const CKnownItems known = KnownItems(doc);
    const std::vector<CPastedText> rows = {{shroud},      {ring},          {shroud},   {gloves},
                                           {necklace},    {ring},          {cap},      {"lucky neck", true},
                                           {"luck 1", true}, {necklace}};
    const std::vector<CDuplicate> expected = {{},
                                              {DupKind::Pool, {}},
                                              {DupKind::List, {}},
                                              {DupKind::Suit, "Varn"},
                                              {},
                                              {DupKind::Pool, {}},
                                              {DupKind::Suit, ""},
                                              {DupKind::CutShort, {}},
                                              {},
                                              {DupKind::List, {}}};
    EXPECT_EQ(FindDuplicates(rows, known), expected);
    EXPECT_EQ(FindDuplicates(rows, CKnownItems{})[1], CDuplicate{});
    doc.FreeContents();

    // A slot chosen by hand changes the type and its name, nothing else.
    CArmorPiece p;
    p.ParseText(shroud);
    const RowTexts before = ImportRowTexts(p, {});
    EXPECT_TRUE(SetPieceSlot(p, 7));
    EXPECT_EQ(p.m_nType, PIECE_ROBE);
    EXPECT_EQ(p.m_strTypeName, "robes");
    RowTexts after = ImportRowTexts(p, {});
    after[IMPORT_COL_SLOT] = before[IMPORT_COL_SLOT];
    EXPECT_EQ(after, before);
    EXPECT_FALSE(SetPieceSlot(p, -1));
    EXPECT_FALSE(SetPieceSlot(p, SLOT_COUNT));
    EXPECT_EQ(p.m_nType, PIECE_ROBE);
}

TEST_F(Parser, ACutPasteSaysWhatItLeftOut) {
    // Counted as the parser sees the text: LF alone counts as CR LF.
    EXPECT_EQ(CharactersLeftOut(std::string(PASTE_LIMIT, 'x')), 0u);
    EXPECT_EQ(CharactersLeftOut(std::string(PASTE_LIMIT + 5, 'x')), 5u);
    EXPECT_EQ(CharactersLeftOut(std::string(PASTE_LIMIT / 2 + 3, '\n')), 5u);

    // The cut line is the parser's last line of the cut text.
    const std::string partial = std::string(PASTE_LIMIT - 31, 'a') + "\r\nring luck 7 cold resist 9%xyz";
    ASSERT_EQ(partial.size(), PASTE_LIMIT);
    EXPECT_EQ(CutLine(partial), "ring luck 7 cold resist 9%x");
    EXPECT_EQ(CutLine(partial), Parse(partial).back().line);
    EXPECT_EQ(CutLine(partial.substr(1)), "");                                      // not cut
    EXPECT_EQ(CutLine(std::string(PASTE_LIMIT - 2, 'a') + "\r\n"), "");             // cut on a line break
    EXPECT_EQ(CutLine(std::string(PASTE_LIMIT, 'b')), std::string(PASTE_LIMIT - 2, 'b'));

    const std::string notice = LeftOutNotice(1234, CutLine(partial));
    EXPECT_NE(notice.find("1234 characters"), std::string::npos) << notice;
    EXPECT_NE(notice.find("\"ring luck 7 cold resist 9%x\""), std::string::npos) << notice;
    EXPECT_NE(notice.find("Keep rows"), std::string::npos) << notice;
    // A cut line that is no item is not named; a long one is shortened.
    EXPECT_EQ(LeftOutNotice(1, "aaaa").find("aaaa"), std::string::npos);
    EXPECT_NE(LeftOutNotice(1, "aaaa").find("1 character "), std::string::npos);
    const std::string longLine = "ring luck 7 " + std::string(200, 'z');
    EXPECT_NE(LeftOutNotice(9, longLine).find(longLine.substr(0, 60) + "...\""), std::string::npos);
}

// ---- the name tables as the Item Names dialog writes them ----

class NameTables : public Parser {
protected:
    void SetUp() override {
        Parser::SetUp();
        SetProfileStore(&store);
    }
    void TearDown() override { SetProfileStore(nullptr); }
    std::vector<std::string> ValueNames(const char* subkey) {
        std::vector<std::pair<std::string, std::string>> values;
        store.EnumValues(std::string(PIECEDEFS_SECTION) + subkey, values);
        std::vector<std::string> names;
        for (auto& v : values) names.push_back(v.first);
        return names;
    }
    CMemoryProfileStore store;
};

TEST_F(NameTables, OrderOfTheSlotChoices) {
    // The classifying order (legs before chest pieces, bracelets last of the tables), weapons at the end.
    EXPECT_EQ(SlotChoiceOrder(), (std::array<int, SLOT_COUNT>{0, 1, 2, 3, 5, 4, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(StorableNames({"", "hat", std::string(300, 'h'), ""}),
              (std::vector<std::string>{"hat", std::string(PIECEDEF_MAX_CHARS, 'h')}));
}

TEST_F(NameTables, SavedTablesLoadBackAsTheyWere) {
    CPieceDefs defs;
    LoadPieceDefTables(defs);  // a new store: every key made, with its defaults
    for (int k = 0; k < 11; ++k) EXPECT_EQ(defs.Table(k), PieceDefDefaults(k)) << k;

    store.WriteString("PieceDefs\\Robes", "hand-added", "gown");
    defs.Table(7) = {"robe", "shroud", ""};  // robes
    defs.Table(6).clear();                   // rings, emptied
    defs.Table(0).clear();
    for (int i = 0; i < 120; ++i) defs.Table(0).push_back("hat" + std::to_string(i));
    ASSERT_TRUE(SavePieceDefs(defs));
    EXPECT_EQ(ValueNames("Robes"), (std::vector<std::string>{"01", "02"}));
    // With a hundredth name every number gets three digits, so names listed in sorted order keep the order.
    const std::vector<std::string> headwear = ValueNames("Headwear");
    ASSERT_EQ(headwear.size(), 120u);
    EXPECT_EQ(headwear.front(), "001");
    EXPECT_EQ(headwear.back(), "120");

    CPieceDefs loaded;
    LoadPieceDefTables(loaded);
    EXPECT_EQ(loaded.Table(7), (std::vector<std::string>{"robe", "shroud"}));
    EXPECT_TRUE(loaded.Table(6).empty());  // an emptied table does not get its defaults back
    EXPECT_EQ(loaded.Table(0), defs.Table(0));
    for (int k : {1, 2, 3, 4, 5, 8, 9, 10}) EXPECT_EQ(loaded.Table(k), PieceDefDefaults(k)) << k;

    // A store that refuses writes changes nothing and says so.
    store.failWrites = true;
    EXPECT_FALSE(SavePieceDefs(CPieceDefs{}));
    CPieceDefs again;
    LoadPieceDefTables(again);
    EXPECT_EQ(again.Table(7), loaded.Table(7));
}

// The two mended reading rules, line by line: the lucky necklace's 200 is its luck alone, and a plain value
// that ends the line is read to its end; everything else reads as before.
TEST_F(Parser, MendedPlainRules) {
    struct Case {
        const char* line;
        int prop;
        int value;
    };
    const Case cases[] = {
        {"lucky necklace, luck 200 , mana regeneration 2 ", PROP_MR, 2},
        {"lucky necklace, luck 200 , mana regeneration 2 ", PROP_LUCK, 200},
        {"lucky necklace luck 150 ", PROP_LUCK, 200},
        {"lucky necklace, hit point regeneration 3 , stamina regeneration 4 , luck 9 ", PROP_HR, 3},
        {"lucky necklace, hit point regeneration 3 , stamina regeneration 4 , luck 9 ", PROP_SR, 4},
        {"lucky necklace luck", PROP_LUCK, 200},
        {"ring luck 100", PROP_LUCK, 100},
        {"gold ring, fire resist 10%, luck 100", PROP_LUCK, 100},
        {"gold ring, fire resist 10%, luck 100", PROP_FIRE, 10},
        {"ring luck 100 ", PROP_LUCK, 100},
        {"ring luck 40, lower mana cost 8%", PROP_LUCK, 40},
        {"robe mana regeneration +3", PROP_MR, 3},
        {"ring luck ", PROP_LUCK, 0},
        {"ring luck", PROP_LUCK, 0},
        {"ring luck x100", PROP_LUCK, 0},
        {"cloak fire resist 12", PROP_FIRE, 0},  // the percent form still wants its "%"
    };
    for (const Case& c : cases) {
        CArmorPiece p;
        p.ParseText(c.line);
        EXPECT_EQ(p.GetProperty(c.prop), c.value) << c.line << " / " << c.prop;
    }
}

// Lines that are items but for the case of their keywords are handed back apart, with the piece the value
// rules make of them; lines that are items, or hold no keyword in any case, are not.
TEST_F(Parser, LinesSkippedForTheirCaseAreHandedBack) {
    const std::string text = "Gold Ring, Physical Resist 10%, Luck 80 \r\n"
                             "gold ring, fire resist 8%\r\n"
                             "nothing here\r\n"
                             "Hit Chance Increase 5%\r\n"
                             "Cloak, LOWER MANA COST 4%\r\n";
    std::vector<CParsedLine> skipped;
    const std::vector<CParsedLine> items = ParseItemText(text, nullptr, &skipped);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].line, "gold ring, fire resist 8%");
    ASSERT_EQ(skipped.size(), 2u);
    EXPECT_EQ(skipped[0].line, "Gold Ring, Physical Resist 10%, Luck 80 ");
    EXPECT_EQ(skipped[0].piece->m_nPhysical, 10);
    EXPECT_EQ(skipped[0].piece->m_nLuck, 80);
    EXPECT_EQ(skipped[0].piece->m_nType, PIECE_RING);
    EXPECT_EQ(skipped[1].piece->m_nLMC, 4);
    // Without the list the result is as it always was.
    EXPECT_EQ(ParseItemText(text, nullptr).size(), 1u);
    EXPECT_TRUE(IsSkippedItemLine("Luck 40"));
    EXPECT_FALSE(IsSkippedItemLine("luck 40"));
    EXPECT_FALSE(IsSkippedItemLine("Stamina Regeneration 2 "));
}
