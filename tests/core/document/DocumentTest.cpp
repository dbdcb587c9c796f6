#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>

#include "DocTestSupport.h"
#include "core/calc/Settings.h"
#include "core/model/Archive.h"
#include "core/model/MessageBox.h"
#include "core/model/PieceDefs.h"
#include "core/model/ProfileStore.h"

namespace {
std::string Int32(int32_t v) {
    std::string s;
    CArchive ar(s);
    ar.WriteInt32(v);
    return s;
}

std::string Header(const std::array<int32_t, 12>& pool, int32_t suits, int32_t names) {
    std::string s = Int32(30000);
    for (int32_t n : pool) s += Int32(n);
    return s + Int32(suits) + Int32(names);
}

// A piece record written out by hand, so the test does not trust the writer it checks.
std::string PieceRecord(const CArmorPiece& p) {
    std::string s = Int32(30000);
    s += char(p.m_strText.size()) + p.m_strText;
    s += char(p.m_strTypeName.size()) + p.m_strTypeName;
    for (int32_t v : {p.m_nType, p.m_nPhysical, p.m_nFire, p.m_nCold, p.m_nPoison, p.m_nEnergy, p.m_nTotalResist,
                      p.m_bMedable, p.m_nDCI, p.m_nHCI, p.m_nSR, p.m_nHR, p.m_nMR, p.m_nLMC, p.m_nLRC, p.m_nLuck})
        s += Int32(v);
    return s;
}

// Pieces in several lists (equal texts among them, a long text, 8-bit characters), two suits and three names.
void FillRich(CGorvantaDoc& doc) {
    AddPoolPiece(doc, "plate helm, physical resist 5%", PIECE_HEADWEAR, 1);
    AddPoolPiece(doc, "plate helm, physical resist 5%", PIECE_HEADWEAR, 1);
    AddPoolPiece(doc, std::string(293, 'x') + " resist", PIECE_CHEST, 7);
    AddPoolPiece(doc, "gold ring \xE9\x80\xFF, luck 80 ", PIECE_RING, 3);
    AddPoolPiece(doc, "", PIECE_WEAPON, 0);
    auto* a = new CArmorSuit;
    a->m_strName = "Suit 00007";
    a->m_strCharacter = "Bob";
    a->AddPiece(NewPiece("studded gorget, fire resist 9%", PIECE_GORGET, 4));
    a->AddPiece(NewPiece("cloak, cold resist 2%", PIECE_CLOAK, 5));
    a->CalcTotals();
    auto* b = new CArmorSuit;
    b->m_strName = "Suit 00012";
    b->m_strCharacter = "\xC9lise";
    b->CalcTotals();
    doc.m_arrSuits = {a, b};
    doc.m_arrCharacters = {"Bob", "\xC9lise", "Retired"};
}
}  // namespace

TEST(DocumentFormat, EmptyDocumentIsSixtyBytesAndReadsBackEmpty) {
    CGorvantaDoc doc;
    const std::string bytes = Bytes(doc);
    ASSERT_EQ(bytes.size(), 60u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x30\x75\x00\x00", 4));
    EXPECT_EQ(bytes.substr(4), std::string(56, '\0'));

    CScriptedMessageBox box;
    CMessageBoxScope scope(&box);
    CGorvantaDoc back;
    CArchive ar{std::string_view(bytes)};
    back.Serialize(ar);
    EXPECT_EQ(ar.Remaining(), 0u);
    EXPECT_EQ(back.GetPoolCount(), 0);
    EXPECT_TRUE(back.m_arrSuits.empty());
    EXPECT_TRUE(back.m_arrCharacters.empty());
    EXPECT_TRUE(box.shown.empty());
}

TEST(DocumentFormat, LayoutMatchesAHandWrittenStream) {
    CGorvantaDoc doc;
    CArmorPiece* ring = AddPoolPiece(doc, "ring, luck 40 ", PIECE_RING, 2);
    CArmorPiece* legs = AddPoolPiece(doc, "legs, fire resist 3%", PIECE_LEGS, 9);
    auto* suit = new CArmorSuit;
    suit->m_strName = "Suit 00001";
    suit->m_strCharacter = "Ann";
    CArmorPiece* worn = NewPiece("helm, cold resist 1%", PIECE_HEADWEAR, 5);
    suit->AddPiece(worn);
    suit->CalcTotals();
    doc.m_arrSuits.push_back(suit);
    doc.m_arrCharacters = {"Ann"};

    std::string expected = Header({0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0}, 1, 1);
    expected += PieceRecord(*legs) + PieceRecord(*ring);  // list 5 (legs) is written before list 6 (rings)
    expected += Int32(1) + "\x0aSuit 00001" + "\x03" "Ann" + PieceRecord(*worn);
    expected += "\x03" "Ann";
    EXPECT_EQ(Bytes(doc), expected);
}

TEST(DocumentFormat, RichDocumentReadsBackInPlaceAndWritesIdentically) {
    CGorvantaDoc doc;
    FillRich(doc);
    const std::string first = Bytes(doc);
    // The 300-character text carries the three-byte length prefix.
    EXPECT_NE(first.find(std::string("\xFF\x2C\x01", 3) + std::string(293, 'x')), std::string::npos);

    CGorvantaDoc back;
    CArchive ar{std::string_view(first)};
    back.Serialize(ar);
    EXPECT_EQ(ar.Remaining(), 0u);
    for (int k = 0; k < SLOT_COUNT; ++k) {
        ASSERT_EQ(back.m_arrPool[k].size(), doc.m_arrPool[k].size()) << "list " << k;
        for (size_t i = 0; i < doc.m_arrPool[k].size(); ++i) {
            const CArmorPiece& a = *doc.m_arrPool[k][i];
            const CArmorPiece& b = *back.m_arrPool[k][i];
            EXPECT_EQ(b.m_strText, a.m_strText);
            EXPECT_EQ(b.m_strTypeName, a.m_strTypeName);
            for (int prop = 0; prop < PROP_COUNT; ++prop) EXPECT_EQ(b.GetProperty(prop), a.GetProperty(prop));
            EXPECT_EQ(b.m_nTotalResist, a.m_nTotalResist);
            EXPECT_EQ(b.m_bMedable, a.m_bMedable);
        }
    }
    EXPECT_NE(back.m_arrPool[0][0], back.m_arrPool[0][1]);  // equal records are still two pieces
    ASSERT_EQ(back.m_arrSuits.size(), 2u);
    EXPECT_EQ(back.m_arrSuits[0]->m_strName, "Suit 00007");
    EXPECT_EQ(back.m_arrSuits[0]->m_strCharacter, "Bob");
    ASSERT_EQ(back.m_arrSuits[0]->m_nCount, 2);
    EXPECT_EQ(back.m_arrSuits[0]->m_arrPieces[1]->m_strText, "cloak, cold resist 2%");
    EXPECT_EQ(back.m_arrSuits[0]->m_nTotalResist, doc.m_arrSuits[0]->m_nTotalResist);  // recomputed, not stored
    EXPECT_EQ(back.m_arrSuits[1]->m_strCharacter, "\xC9lise");
    EXPECT_EQ(back.m_arrSuits[1]->m_nCount, 0);
    EXPECT_EQ(back.m_arrCharacters, doc.m_arrCharacters);
    EXPECT_EQ(back.GetPoolCount(), 5);  // suits' pieces are not counted

    EXPECT_EQ(Bytes(back), first);
}

TEST(DocumentFormat, WrongMagicSaysSoOnceAndReadsNothing) {
    CScriptedMessageBox box;
    CMessageBoxScope scope(&box);
    std::string bytes = Header({3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, 0);
    bytes[0] = '\x31';
    CGorvantaDoc doc;
    CArchive ar{std::string_view(bytes)};
    doc.Serialize(ar);
    EXPECT_EQ(ar.Position(), 4u);
    EXPECT_EQ(doc.GetPoolCount(), 0);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, "Archive format not recognized.");
    EXPECT_EQ(box.shown[0].buttons, MsgButtons::OK);
    EXPECT_EQ(box.shown[0].icon, MsgIcon::Stop);
}

TEST(DocumentFormat, EveryCutOfTheFileFailsWithEndOfFileKeepingWhatWasRead) {
    CGorvantaDoc doc;
    FillRich(doc);
    const std::string full = Bytes(doc);
    for (size_t len = 0; len < full.size(); ++len) {
        CGorvantaDoc part;
        CArchive ar{std::string_view(full.data(), len)};
        EXPECT_THROW(part.Serialize(ar), CArchiveEofException) << "cut at " << len;
        part.FreeContents();
    }
}

TEST(DocumentFormat, PieceCutInsideItsRecordStaysWithTheDocument) {
    CGorvantaDoc doc;
    for (int i = 0; i < 3; ++i) AddPoolPiece(doc, "arms, energy resist 4%", PIECE_ARMS, i);
    const std::string full = Bytes(doc);
    const size_t record = (full.size() - 60) / 3;
    // Ten bytes into the third record.
    CGorvantaDoc part;
    CArchive ar{std::string_view(full.data(), 60 + 2 * record + 10)};
    EXPECT_THROW(part.Serialize(ar), CArchiveEofException);
    ASSERT_EQ(part.m_arrPool[2].size(), 3u);
    EXPECT_EQ(part.m_arrPool[2][1]->m_strText, "arms, energy resist 4%");
    part.FreeContents();
    EXPECT_EQ(part.GetPoolCount(), 0);
}

// Counts are checked against the bytes left, each record at its smallest, before anything is made: a count
// the data cannot hold ends like a cut file, a count below zero as a damaged one, both at once.
TEST(DocumentFormat, CountsTheDataCannotHoldOrBelowZeroFailFastWithoutMakingObjects) {
    const std::array<int32_t, 12> none{};
    std::array<int32_t, 12> hugePool{};
    hugePool[7] = 0x7FFFFFFF;
    const std::string emptySuit = Int32(0) + std::string(2, '\0');
    struct Case {
        std::string bytes;
        const char* what;
        bool negative;
    } cases[] = {
        {Header(hugePool, 0, 0), "pool count", false},
        {Header(none, 0x7FFFFFFF, 0), "suit count", false},
        {Header(none, 0, 0x7FFFFFFF), "name count", false},
        {Header(none, 0, 3) + "\x01" "a", "names beyond the data", false},
        // Counts that each fit but together do not.
        {Header({1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, 0, 0) + std::string(40, '\0'), "pool counts together", false},
        // A suit that promises more four-byte pieces than follow.
        {Header(none, 1, 0) + Int32(0x7FFFFFFF) + std::string(2, '\0') + std::string(4000, '\0'), "suit's pieces",
         false},
        // The second suit's pieces fit only by eating the bytes the names after them need at the least.
        {Header(none, 2, 2) + emptySuit + Int32(2) + std::string(2, '\0') + std::string(9, '\0'), "suit before names",
         false},
        {Header({-1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, 0), "pool count -1", true},
        {Header({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -7}, 0, 0) + std::string(100, '\0'), "last pool count -7", true},
        {Header(none, -2, 0), "suit count -2", true},
        {Header(none, 0, INT32_MIN), "name count INT32_MIN", true},
        {Header(none, 2, 0) + emptySuit + Int32(-1) + std::string(2, '\0'), "suit's piece count -1", true},
    };
    for (const Case& c : cases) {
        CGorvantaDoc doc;
        CArchive ar{std::string_view(c.bytes)};
        const auto start = std::chrono::steady_clock::now();
        if (c.negative)
            EXPECT_THROW(doc.Serialize(ar), CArchiveBadCountException) << c.what;
        else
            EXPECT_THROW(doc.Serialize(ar), CArchiveEofException) << c.what;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200)) << c.what;
        EXPECT_EQ(doc.GetPoolCount(), 0) << c.what;
        // Only a suit read whole before the bad one is there.
        EXPECT_LE(doc.m_arrSuits.size(), 1u) << c.what;
        for (CArmorSuit* s : doc.m_arrSuits) EXPECT_TRUE(s->m_arrPieces.empty()) << c.what;
        doc.FreeContents();
    }
    // Exactly as many records as fit, each at its smallest, is a document: four-byte wrong-marker pieces
    // in the pool and in a suit, an empty suit, empty names.
    const std::string tight = Header({2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 2, 2) + std::string(12, '\0') +
                              Int32(3) + std::string(2, '\0') + std::string(12, '\0') + emptySuit +
                              std::string(2, '\0');
    CGorvantaDoc doc;
    CArchive ar{std::string_view(tight)};
    doc.Serialize(ar);
    EXPECT_EQ(ar.Remaining(), 0u);
    EXPECT_EQ(doc.GetPoolCount(), 3);
    ASSERT_EQ(doc.m_arrSuits.size(), 2u);
    EXPECT_EQ(doc.m_arrSuits[0]->m_arrPieces.size(), 3u);
    EXPECT_EQ(doc.m_arrCharacters, (std::vector<std::string>{"", ""}));
}

TEST(Document, PoolListForSelectsOnlySingleSlotBits) {
    CGorvantaDoc doc;
    for (int k = 0; k < SLOT_COUNT; ++k) EXPECT_EQ(doc.PoolListFor(1 << k), &doc.m_arrPool[k]);
    for (int32_t bad : {0, 3, 4096, -1, 48, INT32_MIN}) EXPECT_EQ(doc.PoolListFor(bad), nullptr) << bad;
}

TEST(Document, ConstructionLeavesTheStoreAlone) {
    // Whoever makes a document loads the settings it needs; loading would write the name tables here.
    CMemoryProfileStore store;
    SetProfileStore(&store);
    {
        CGorvantaDoc doc;
        EXPECT_FALSE(store.OpenKey(std::string(PIECEDEFS_SECTION) + PieceDefSubkey(0)));
    }
    SetProfileStore(nullptr);
}

TEST(Document, UpdateAllViewsSkipsTheSender) {
    CGorvantaDoc doc;
    CRecordingView tree, results, other;
    doc.AddView(&tree);
    doc.AddView(&results);
    doc.AddView(&other);
    doc.AddView(&tree);  // once only
    doc.UpdateAllViews(&results, HINT_REFRESH);
    doc.UpdateAllViews(nullptr, HINT_CALC_DONE);
    EXPECT_EQ(tree.calls.size(), 2u);
    ASSERT_EQ(results.calls.size(), 1u);
    EXPECT_EQ(results.calls[0], std::make_pair(static_cast<IDocView*>(nullptr), int(HINT_CALC_DONE)));
    EXPECT_EQ(other.calls[0], std::make_pair(static_cast<IDocView*>(&results), int(HINT_REFRESH)));
    doc.RemoveView(&other);
    doc.UpdateAllViews(nullptr, HINT_STOP_CALC);
    EXPECT_EQ(other.calls.size(), 2u);
    EXPECT_EQ(tree.calls.back().second, 0x1237);
}

namespace {
class CResultsView : public CRecordingView {
public:
    explicit CResultsView(CGorvantaDoc& doc) : m_doc(doc) {}
    bool IsResultsView() const override { return true; }
    bool RunInProgress() const override { return running.load() != 0; }
    void StopRunForClose() override {
        running = 0;
        ++stops;
        flagWhenAsked = running.load();
        poolWhenAsked = m_doc.GetPoolCount();
    }
    std::atomic<int32_t> running{0};
    int stops = 0;
    int flagWhenAsked = -1;
    int poolWhenAsked = -1;

private:
    CGorvantaDoc& m_doc;
};
}  // namespace

TEST(Document, ClosingDuringARunStopsItBeforeThePoolIsFreed) {
    CGorvantaDoc doc;
    AddPoolPiece(doc, "helm, fire resist 2%", PIECE_HEADWEAR);
    CRecordingView tree;
    CResultsView results(doc);
    doc.AddView(&tree);
    doc.AddView(&results);
    results.running = 1;
    doc.OnCloseDocument();
    EXPECT_EQ(results.stops, 1);
    EXPECT_EQ(results.flagWhenAsked, 0);
    EXPECT_EQ(results.poolWhenAsked, 1);
    EXPECT_EQ(results.running.load(), 0);
    EXPECT_EQ(doc.GetPoolCount(), 0);

    // Without a run nothing is stopped.
    AddPoolPiece(doc, "helm, fire resist 2%", PIECE_HEADWEAR);
    doc.OnCloseDocument();
    EXPECT_EQ(results.stops, 1);
    EXPECT_EQ(doc.GetPoolCount(), 0);
}

TEST(Document, FreeContentsEmptiesPoolAndSuitsButKeepsNames) {
    CGorvantaDoc doc;
    FillRich(doc);
    doc.FreeContents();
    EXPECT_EQ(doc.GetPoolCount(), 0);
    EXPECT_TRUE(doc.m_arrSuits.empty());
    EXPECT_EQ(doc.m_arrCharacters.size(), 3u);
    doc.FreeContents();  // a second close step is harmless
}
