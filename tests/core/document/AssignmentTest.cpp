#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "DocTestSupport.h"
#include "core/document/Assignment.h"
#include "core/model/MessageBox.h"

namespace {
class AssignmentTest : public ::testing::Test {
protected:
    void SetUp() override {
        helm1 = AddPoolPiece(doc, "plate helm, fire resist 4%", PIECE_HEADWEAR, 1);
        helm2 = AddPoolPiece(doc, "plate helm, fire resist 4%", PIECE_HEADWEAR, 1);  // same text and values
        chest = AddPoolPiece(doc, "plate chest, cold resist 6%", PIECE_CHEST, 2);
        ring = AddPoolPiece(doc, "gold ring, luck 50 ", PIECE_RING, 3);
        legs = AddPoolPiece(doc, "plate legs, energy resist 2%", PIECE_LEGS, 4);
        doc.AddView(&view);
    }
    // A result suit: it only points at pool pieces.
    static std::unique_ptr<CArmorSuit> Result(std::initializer_list<CArmorPiece*> pieces,
                                              const char* name = "Suit 00001") {
        return ResultSuit(name, pieces);
    }
    // Assigns a result suit and hands its ownership to the document.
    CArmorSuit* Assigned(std::initializer_list<CArmorPiece*> pieces, const std::string& name) {
        auto suit = Result(pieces);
        EXPECT_TRUE(AssignSuit(&doc, suit.get(), name));
        return suit.release();
    }
    using Calls = decltype(CRecordingView::calls);

    CGorvantaDoc doc;
    CRecordingView view;
    CScriptedMessageBox box;
    CMessageBoxScope scope{&box};
    CArmorPiece *helm1, *helm2, *chest, *ring, *legs;
};

const PoolList& Heads(CGorvantaDoc& d) { return d.m_arrPool[0]; }
}  // namespace

// Asked through callbacks, an assignment shows no box: a refusal tells its reason, a second suit for a
// character asks by name and only yes replaces.
TEST_F(AssignmentTest, QuestionsThroughCallbacksShowNoBox) {
    std::vector<std::string> told, asked;
    bool answer = false;
    const CAssignQuestions ask{[&](const char* m) { told.push_back(m); },
                               [&](const std::string& name) { asked.push_back(name); return answer; }};
    auto first = Result({helm1});
    ASSERT_TRUE(AssignSuit(&doc, first.get(), "Ann", ask));
    CArmorSuit* kept = first.release();
    auto second = Result({chest});
    EXPECT_FALSE(AssignSuit(&doc, second.get(), " ann ", ask));
    EXPECT_EQ(doc.m_arrSuits, std::vector<CArmorSuit*>{kept});
    answer = true;
    EXPECT_TRUE(AssignSuit(&doc, second.get(), " ann ", ask));
    second.release();
    EXPECT_EQ(asked, (std::vector<std::string>{"ann", "ann"}));
    EXPECT_FALSE(AssignSuit(&doc, Result({ring}).get(), " ", ask));
    EXPECT_EQ(told, std::vector<std::string>{MSG_NAME_EMPTY});
    EXPECT_TRUE(box.shown.empty());
}

// The very pieces leave the pool (a twin with the same text stays) and all come back with Delete Suit,
// which keeps the name.
TEST_F(AssignmentTest, AssignMovesTheSuitInAndDeleteSuitReturnsEveryPiece) {
    CArmorSuit* suit = Assigned({helm2, chest, ring}, "  Bob\t");
    EXPECT_TRUE(box.shown.empty());
    EXPECT_EQ(suit->m_strCharacter, "Bob");
    EXPECT_EQ(doc.m_arrSuits, std::vector<CArmorSuit*>{suit});
    EXPECT_EQ(doc.m_arrCharacters, std::vector<std::string>{"Bob"});
    EXPECT_EQ(doc.GetPoolCount(), 2);
    EXPECT_EQ(Heads(doc), PoolList{helm1});
    EXPECT_TRUE(doc.m_arrPool[4].empty());
    EXPECT_TRUE(doc.m_arrPool[6].empty());
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(view.calls.empty());  // the results view refreshes after the dialog closes

    doc.SetModifiedFlag(false);
    EXPECT_TRUE(DeleteSuit(doc, suit));
    EXPECT_TRUE(doc.m_arrSuits.empty());
    EXPECT_EQ(doc.GetPoolCount(), 5);
    EXPECT_EQ(Heads(doc), (PoolList{helm1, helm2}));
    EXPECT_EQ(doc.m_arrPool[4], PoolList{chest});
    EXPECT_EQ(doc.m_arrPool[6], PoolList{ring});
    EXPECT_EQ(doc.m_arrCharacters, std::vector<std::string>{"Bob"});
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(view.calls, (Calls{{nullptr, HINT_REFRESH}}));
}

// Every refused move returns false and changes nothing: not the document, its modified flag or any
// view. A refused assignment says why; an empty name has a message of its own.
TEST_F(AssignmentTest, RefusedMovesChangeNothing) {
    CArmorSuit* suit = Assigned({helm1, chest}, "Ann");
    CArmorSuit* bare = Assigned({}, "Fay");  // its pieces alone would not tell it is the document's
    doc.SetModifiedFlag(false);
    CRecordingView tree;
    doc.AddView(&tree);
    const std::string before = Bytes(doc);
    // stale still points at a piece Ann took; a piece listed twice would be owned twice.
    auto fresh = Result({ring}), stale = Result({chest, ring}), twice = Result({ring, ring});
    auto result = Result({helm2, legs});
    int asked = 0;
    auto answer = [&asked](bool yes) {
        return [&asked, yes](const CArmorPiece&, const CArmorPiece&) { return ++asked, yes; };
    };
    const std::string empty = "Character name is empty. Assignment failed";
    const std::string error = "Error saving suit to document. Assignment failed.";
    const struct {
        const char* what;
        std::function<bool()> move;
        std::string shown;
    } cases[] = {
        {"an empty name", [&] { return AssignSuit(&doc, fresh.get(), " \t "); }, empty},
        {"no document", [&] { return AssignSuit(nullptr, fresh.get(), "Bob"); }, error},
        {"no suit", [&] { return AssignSuit(&doc, nullptr, "Bob"); }, error},
        {"a piece no longer free", [&] { return AssignSuit(&doc, stale.get(), "Cid"); }, error},
        {"the document's own suit", [&] { return AssignSuit(&doc, suit, "Dee"); }, error},
        {"the document's own empty suit", [&] { return AssignSuit(&doc, bare, "Gus"); }, error},
        {"a piece twice", [&] { return AssignSuit(&doc, twice.get(), "Eve"); }, error},
        // Returning a result suit's pieces would list them in the pool twice.
        {"delete a result suit", [&] { return DeleteSuit(doc, result.get()); }, ""},
        {"delete the twin of a suit's piece", [&] { return DeleteSuitItem(doc, suit, helm2); }, ""},
        {"delete a suit's piece as a pool piece", [&] { return DeletePoolPiece(doc, chest, &tree); }, ""},
        {"delete no piece", [&] { return DeletePoolPiece(doc, nullptr, &tree); }, ""},
        {"replace answered no", [&] { return AddPieceToSuit(doc, *suit, helm2, answer(false)); }, ""},
        {"replace with nobody to ask", [&] { return AddPieceToSuit(doc, *suit, helm2, nullptr); }, ""},
        {"add no piece", [&] { return AddPieceToSuit(doc, *suit, nullptr, answer(true)); }, ""},
        // Only a pool piece joins, and only a suit of the document.
        {"add a suit's piece", [&] { return AddPieceToSuit(doc, *suit, chest, answer(true)); }, ""},
        {"add to a result suit", [&] { return AddPieceToSuit(doc, *result, ring, answer(true)); }, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        box.shown.clear();
        EXPECT_FALSE(c.move());
        EXPECT_EQ(Bytes(doc), before);
        EXPECT_FALSE(doc.IsModified());
        EXPECT_TRUE(view.calls.empty());
        EXPECT_TRUE(tree.calls.empty());
        ASSERT_EQ(box.shown.size(), c.shown.empty() ? 0u : 1u);
        if (box.shown.empty()) continue;
        EXPECT_EQ(box.shown[0].text, c.shown);
        EXPECT_EQ(box.shown[0].icon, MsgIcon::Stop);
        EXPECT_EQ(box.shown[0].buttons, MsgButtons::OK);
    }
    EXPECT_EQ(asked, 1);  // nobody to ask counts as no
    EXPECT_EQ(suit->m_arrPieces, (std::vector<CArmorPiece*>{helm1, chest}));
    EXPECT_EQ(suit->m_nCount, 2);
    EXPECT_EQ(suit->m_strCharacter, "Ann");
    EXPECT_TRUE(fresh->m_strCharacter.empty());
    EXPECT_EQ(result->m_arrPieces, (std::vector<CArmorPiece*>{helm2, legs}));
    doc.RemoveView(&tree);
}

// A second suit for a name that has one (names compare ignoring case, of accented letters too, but a
// plain E is another letter than É) replaces it only on Yes.
TEST_F(AssignmentTest, ASecondSuitForANameReplacesTheFirstOnlyOnYes) {
    CArmorSuit* old = Assigned({helm1, ring}, "Bob");
    ASSERT_EQ(doc.GetPoolCount(), 3);
    doc.SetModifiedFlag(false);
    const std::string before = Bytes(doc);
    box.answers = {IDNO, IDYES};
    auto refused = Result({chest});
    EXPECT_FALSE(AssignSuit(&doc, refused.get(), "bob"));
    EXPECT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(Bytes(doc), before);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.m_arrSuits, std::vector<CArmorSuit*>{old});
    EXPECT_TRUE(refused->m_strCharacter.empty());

    auto fresh = Result({chest, legs}, "Suit 00002");
    EXPECT_TRUE(AssignSuit(&doc, fresh.get(), " bob "));
    CArmorSuit* now = fresh.release();
    ASSERT_EQ(box.shown.size(), 2u);
    for (const auto& shown : box.shown) {
        EXPECT_EQ(shown.text,
                  "bob already has a suit assigned. Do you wish to assign this suit to bob instead? Select Yes to "
                  "make the new assignment or No to cancel.");
        EXPECT_EQ(shown.buttons, MsgButtons::YesNo);
        EXPECT_EQ(shown.icon, MsgIcon::Question);
    }
    EXPECT_EQ(doc.m_arrSuits, std::vector<CArmorSuit*>{now});
    EXPECT_EQ(now->m_strCharacter, "bob");
    EXPECT_EQ(doc.m_arrCharacters, std::vector<std::string>{"Bob"});
    // The old suit's pieces are back, at the end of their lists.
    EXPECT_EQ(Heads(doc), (PoolList{helm2, helm1}));
    EXPECT_EQ(doc.m_arrPool[6], PoolList{ring});
    EXPECT_TRUE(doc.m_arrPool[4].empty());
    EXPECT_TRUE(doc.m_arrPool[5].empty());
    EXPECT_EQ(doc.GetPoolCount(), 3);

    box.shown.clear();
    box.answers = {IDYES};
    Assigned({helm1}, "\xC9LISE");  // ÉLISE
    Assigned({helm2}, "\xE9lise");  // élise
    EXPECT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(doc.m_arrCharacters, (std::vector<std::string>{"Bob", "\xC9LISE"}));
    Assigned({ring}, "Elise");
    EXPECT_EQ(doc.m_arrCharacters.size(), 3u);
    EXPECT_EQ(doc.m_arrSuits.size(), 3u);
}

// A suit emptied piece by piece stays assigned. A piece of no slot has nowhere to go back to: it leaves the
// suit and is deleted.
TEST_F(AssignmentTest, DeleteSuitItemDownToAnEmptySuitAndPiecesOfNoSlotAreDropped) {
    CArmorSuit* suit = Assigned({helm2, chest}, "Bob");
    doc.SetModifiedFlag(false);
    const int totalWithBoth = suit->m_nTotalResist;
    EXPECT_TRUE(DeleteSuitItem(doc, suit, chest));
    EXPECT_EQ(suit->m_nCount, 1);
    EXPECT_EQ(suit->m_arrPieces, std::vector<CArmorPiece*>{helm2});
    EXPECT_EQ(suit->m_nTotalResist, totalWithBoth - chest->CalcTotalResist());
    EXPECT_EQ(doc.m_arrPool[4], PoolList{chest});
    EXPECT_EQ(doc.GetPoolCount(), 4);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(view.calls.size(), 1u);

    EXPECT_TRUE(DeleteSuitItem(doc, suit, helm2));
    EXPECT_EQ(suit->m_nCount, 0);
    EXPECT_EQ(doc.m_arrSuits, std::vector<CArmorSuit*>{suit});
    EXPECT_EQ(Heads(doc), (PoolList{helm1, helm2}));
    EXPECT_EQ(doc.GetPoolCount(), 5);

    auto* odd = NewPiece("odd thing, resist", 3);
    suit->AddPiece(odd);
    suit->AddPiece(NewPiece("odd thing, resist", 0));
    suit->AddPiece(NewPiece("cloak, cold resist 1%", PIECE_CLOAK));
    suit->CalcTotals();
    EXPECT_FALSE(ReturnToPool(doc, odd));
    EXPECT_EQ(doc.GetPoolCount(), 5);
    EXPECT_TRUE(DeleteSuitItem(doc, suit, odd));
    EXPECT_EQ(suit->m_nCount, 2);
    EXPECT_TRUE(DeleteSuit(doc, suit));
    EXPECT_EQ(doc.GetPoolCount(), 6);
    EXPECT_EQ(doc.m_arrPool[8].size(), 1u);
}

// Pool pieces go by identity: of twins with the same text only the very piece asked for leaves. The tree
// that deletes a piece removes its item itself and is not told again.
TEST_F(AssignmentTest, PoolPiecesLeaveByIdentityAndDeleteItemLeavesTheSenderOut) {
    PoolList list{helm1, helm2, helm1};
    RemoveFromPool(helm1, list);
    EXPECT_EQ(list, (PoolList{helm2, helm1}));
    RemoveFromPool(chest, list);
    EXPECT_EQ(list, (PoolList{helm2, helm1}));
    RemoveFromPool(helm1, static_cast<PoolList*>(nullptr));

    CRecordingView tree;
    doc.AddView(&tree);
    doc.SetModifiedFlag(false);
    EXPECT_TRUE(DeletePoolPiece(doc, helm2, &tree));
    EXPECT_EQ(Heads(doc), PoolList{helm1});
    EXPECT_EQ(doc.GetPoolCount(), 4);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(tree.calls.empty());
    EXPECT_EQ(view.calls, (Calls{{&tree, HINT_REFRESH}}));
    doc.RemoveView(&tree);
}

TEST_F(AssignmentTest, AddPieceToSuitReplacesAPieceOfTheSameSlotOnYes) {
    CArmorSuit* suit = Assigned({helm1, chest}, "Bob");
    doc.SetModifiedFlag(false);
    std::vector<std::pair<const CArmorPiece*, const CArmorPiece*>> asked;
    auto answer = [&asked](bool yes) {
        return [&asked, yes](const CArmorPiece& old, const CArmorPiece& added) {
            asked.emplace_back(&old, &added);
            return yes;
        };
    };
    EXPECT_TRUE(AddPieceToSuit(doc, *suit, helm2, answer(true)));
    EXPECT_EQ(asked, (decltype(asked){{helm1, helm2}}));
    // The new helm at the end of the suit, the old one back in the pool.
    EXPECT_EQ(suit->m_arrPieces, (std::vector<CArmorPiece*>{chest, helm2}));
    EXPECT_EQ(suit->m_nCount, 2);
    EXPECT_EQ(Heads(doc), PoolList{helm1});
    EXPECT_EQ(doc.GetPoolCount(), 3);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(view.calls, (Calls{{nullptr, HINT_REFRESH}}));

    // A free slot: nothing to ask, the piece joins at the end and the suit's sums follow.
    EXPECT_TRUE(AddPieceToSuit(doc, *suit, ring, answer(false)));
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(suit->m_arrPieces, (std::vector<CArmorPiece*>{chest, helm2, ring}));
    EXPECT_EQ(suit->m_nCount, 3);
    EXPECT_EQ(suit->m_nTotalResist, chest->CalcTotalResist() + helm2->CalcTotalResist() + ring->CalcTotalResist());
    EXPECT_EQ(suit->m_nLuck, chest->m_nLuck + helm2->m_nLuck + ring->m_nLuck);
    EXPECT_TRUE(doc.m_arrPool[6].empty());
    EXPECT_EQ(doc.GetPoolCount(), 2);
}

// A damaged file files pieces among other types' (one wrong count does it). Loading keeps them there;
// every move takes a piece from the list that actually holds it and returns a piece to the list of its
// own type, so no piece ever has two owners and the document saves, reopens and closes cleanly.
TEST(MisfiledPieces, EveryMoveTakesThePieceFromWhereItIsAndReturnsItToItsOwnType) {
    CScriptedMessageBox box;
    CMessageBoxScope scope{&box};
    std::string file;
    {
        CGorvantaDoc damaged;
        AddMisfiledPool(damaged);
        Misfile(damaged, PIECE_CHEST, 6);
        damaged.m_arrPool[4].push_back(NewPiece("odd thing, luck 1 ", 0));  // a piece of no slot
        file = Bytes(damaged);
    }
    auto reopen = [](CGorvantaDoc& d, const std::string& bytes) {
        CArchive ar{std::string_view(bytes)};
        d.Serialize(ar);
    };
    auto owners = [](CGorvantaDoc& d) {
        std::vector<const CArmorPiece*> all;
        for (const PoolList& list : d.m_arrPool) all.insert(all.end(), list.begin(), list.end());
        for (const CArmorSuit* s : d.m_arrSuits) all.insert(all.end(), s->m_arrPieces.begin(), s->m_arrPieces.end());
        std::sort(all.begin(), all.end());
        return std::adjacent_find(all.begin(), all.end()) == all.end();
    };
    auto yes = [](const CArmorPiece&, const CArmorPiece&) { return true; };

    CGorvantaDoc doc;
    reopen(doc, file);
    EXPECT_EQ(Bytes(doc), file);
    PoolList &helms = doc.m_arrPool[0], &gorgets = doc.m_arrPool[1], &gloves = doc.m_arrPool[3];
    PoolList &chests = doc.m_arrPool[4], &rings = doc.m_arrPool[6], &weapons = doc.m_arrPool[11];
    for (const auto& [list, size] : {std::pair{&gloves, 3u}, {&helms, 2u}, {&weapons, 1u}, {&rings, 2u}, {&chests, 1u}})
        ASSERT_EQ(list->size(), size);
    CArmorPiece *ring = gloves[2], *gorget = helms[1], *helm = weapons[0], *tunic = rings[1], *odd = chests[0];
    for (const auto& [p, type] :
         {std::pair{ring, PIECE_RING}, {gorget, PIECE_GORGET}, {helm, PIECE_HEADWEAR}, {tunic, PIECE_CHEST}})
        EXPECT_EQ(p->m_nType, type) << p->m_strText;
    ASSERT_EQ(doc.m_arrSuits.size(), 2u);
    CArmorSuit *varn = doc.m_arrSuits[0], *holt = doc.m_arrSuits[1];
    CArmorPiece *varnGorget = varn->m_arrPieces[1], *holtRing = holt->m_arrPieces[1];
    ASSERT_EQ(varnGorget->m_nType, PIECE_GORGET);
    ASSERT_EQ(holtRing->m_nType, PIECE_RING);

    // Add Piece to Suit: the ring leaves the gloves' list, Holt's ring goes back to the rings, Holt's sums
    // follow.
    const int holtTotal = holt->m_nTotalResist - holtRing->CalcTotalResist() + ring->CalcTotalResist();
    EXPECT_TRUE(AddPieceToSuit(doc, *holt, ring, yes));
    EXPECT_EQ(gloves.size(), 2u);
    EXPECT_EQ(rings.back(), holtRing);
    EXPECT_EQ(holt->m_arrPieces.back(), ring);
    EXPECT_EQ(holt->m_nTotalResist, holtTotal);
    EXPECT_TRUE(AddPieceToSuit(doc, *varn, gorget, yes));
    EXPECT_EQ(helms.size(), 1u);
    EXPECT_EQ(gorgets, PoolList{varnGorget});
    // A piece of no slot stays where it is: it could never go back to the pool.
    EXPECT_FALSE(AddPieceToSuit(doc, *varn, odd, yes));
    EXPECT_EQ(chests, PoolList{odd});
    EXPECT_TRUE(owners(doc));

    // Delete Suit Item: the ring returns to the rings, not to the gloves it came from.
    EXPECT_TRUE(DeleteSuitItem(doc, holt, ring));
    EXPECT_EQ(rings.back(), ring);
    EXPECT_EQ(gloves.size(), 2u);

    // Assignment takes the helm from the weapons' list; replacing the suit returns it to the helms.
    box.answers = {IDYES};
    auto first = ResultSuit("Suit 00001", {helm, gloves[0]});
    ASSERT_TRUE(AssignSuit(&doc, first.get(), "Ann"));
    first.release();
    EXPECT_TRUE(weapons.empty());
    EXPECT_EQ(gloves.size(), 1u);
    auto second = ResultSuit("Suit 00002", {tunic});
    ASSERT_TRUE(AssignSuit(&doc, second.get(), "ann"));
    CArmorSuit* ann = second.release();
    EXPECT_EQ(helms.back(), helm);
    EXPECT_EQ(gloves.size(), 2u);
    EXPECT_EQ(std::find(rings.begin(), rings.end(), tunic), rings.end());
    auto stray = ResultSuit("Suit 00003", {odd});
    EXPECT_FALSE(AssignSuit(&doc, stray.get(), "Cid"));
    EXPECT_EQ(box.shown.back().text, MSG_ASSIGN_ERROR);
    EXPECT_TRUE(owners(doc));

    // Delete Suit: the tunic goes to the chests; Delete Item finds the stray where it is.
    EXPECT_TRUE(DeleteSuit(doc, ann));
    EXPECT_EQ(chests, (PoolList{odd, tunic}));
    EXPECT_TRUE(DeletePoolPiece(doc, odd, nullptr));
    EXPECT_EQ(chests, PoolList{tunic});
    for (int k = 0; k < SLOT_COUNT; ++k)
        for (const CArmorPiece* p : doc.m_arrPool[size_t(k)]) EXPECT_EQ(p->m_nType, 1 << k) << p->m_strText;
    EXPECT_TRUE(owners(doc));

    // Saved and reopened, the document is the same, each piece once.
    const std::string saved = Bytes(doc);
    CGorvantaDoc again;
    reopen(again, saved);
    EXPECT_EQ(Bytes(again), saved);
    // Every piece of the file but the deleted stray: nine in the pool, three with Varn, two with Holt.
    EXPECT_EQ(again.GetPoolCount(), 9);
    ASSERT_EQ(again.m_arrSuits.size(), 2u);
    EXPECT_EQ(again.m_arrSuits[0]->m_nCount, 3);
    EXPECT_EQ(again.m_arrSuits[1]->m_nCount, 2);
}

TEST(ImportHandOver, PiecesJoinTheirListsInOrderAndStraysAreDropped) {
    CGorvantaDoc doc;
    CRecordingView view;
    doc.AddView(&view);
    AddPoolPiece(doc, "existing helm, fire resist 1%", PIECE_HEADWEAR);
    std::vector<std::unique_ptr<CArmorPiece>> pieces;
    pieces.emplace_back(NewPiece("b helm, fire resist 2%", PIECE_HEADWEAR));
    pieces.emplace_back(NewPiece("no slot", 6));
    pieces.emplace_back(nullptr);
    pieces.emplace_back(NewPiece("a ring, luck 3 ", PIECE_RING));
    pieces.emplace_back(NewPiece("a helm, fire resist 3%", PIECE_HEADWEAR));
    EXPECT_EQ(AddImportedPieces(doc, std::move(pieces)), 3);
    ASSERT_EQ(doc.m_arrPool[0].size(), 3u);
    EXPECT_EQ(doc.m_arrPool[0][1]->m_strText, "b helm, fire resist 2%");
    EXPECT_EQ(doc.m_arrPool[0][2]->m_strText, "a helm, fire resist 3%");
    EXPECT_EQ(doc.m_arrPool[6].size(), 1u);
    EXPECT_EQ(doc.GetPoolCount(), 4);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(view.calls, (decltype(view.calls){{nullptr, HINT_REFRESH}}));

    // Nothing handed over still counts as a change.
    doc.SetModifiedFlag(false);
    EXPECT_EQ(AddImportedPieces(doc, {}), 0);
    EXPECT_TRUE(doc.IsModified());
}

TEST(ImportHandOver, RowsSortByTextIgnoringCaseAndKeepThePasteOrderOfEqualTexts) {
    const char* lines[] = {"Ring b", "ring A", "RING b", "\xC9p\xE9" "e", "ring a", "\xE9P\xC9" "E", "Zed", "apple"};
    std::vector<CParsedLine> rows;
    for (size_t i = 0; i < std::size(lines); ++i) {
        auto piece = std::make_unique<CArmorPiece>();
        piece->m_nLuck = int32_t(i);
        rows.push_back(CParsedLine{lines[i], std::move(piece)});
    }
    SortImportRows(rows);
    std::vector<int32_t> order;
    for (const CParsedLine& r : rows) order.push_back(r.piece->m_nLuck);
    // apple, ring A, ring a, Ring b, RING b, Zed, then the accented words (their bytes lie above ASCII).
    EXPECT_EQ(order, (std::vector<int32_t>{7, 1, 4, 0, 2, 6, 3, 5}));
    EXPECT_TRUE(ImportRowLess("abc", "ABD"));
    EXPECT_FALSE(ImportRowLess("ABC", "abc"));
    EXPECT_FALSE(ImportRowLess("abc", "ABC"));
}

// Each step: the piece, the mark asked for, whether the document changes, and the marks of helm1, helm2
// and chest after it. The tree that asks hears nothing; every other view refreshes.
TEST_F(AssignmentTest, PoolPiecesTakeOneMarkEachAndOnePinPerList) {
    Assigned({legs}, "Bob");
    CRecordingView tree;
    doc.AddView(&tree);
    using M = PieceMark;
    const struct {
        CArmorPiece* piece;
        PieceMark mark;
        bool changes;
        std::array<PieceMark, 3> after;
    } steps[] = {
        {nullptr, M::Excluded, false, {M::None, M::None, M::None}},
        {legs, M::Excluded, false, {M::None, M::None, M::None}},  // a suit's piece
        {helm1, PieceMark(3), false, {M::None, M::None, M::None}},
        {helm1, M::None, false, {M::None, M::None, M::None}},
        {helm1, M::Excluded, true, {M::Excluded, M::None, M::None}},
        {helm1, M::Excluded, false, {M::Excluded, M::None, M::None}},
        {helm2, M::Pinned, true, {M::Excluded, M::Pinned, M::None}},  // an exclusion beside the pin stays
        {chest, M::Pinned, true, {M::Excluded, M::Pinned, M::Pinned}},  // another list's pin stays
        {helm1, M::Pinned, true, {M::Pinned, M::None, M::Pinned}},  // the pin moves to the twin
        {helm1, M::None, true, {M::None, M::None, M::Pinned}},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        const auto& s = steps[i];
        doc.SetModifiedFlag(false);
        view.calls.clear();
        EXPECT_EQ(SetPieceMark(doc, s.piece, s.mark, &tree), s.changes) << i;
        EXPECT_EQ(doc.IsModified(), s.changes) << i;
        EXPECT_EQ(view.calls, (s.changes ? Calls{{&tree, HINT_REFRESH}} : Calls{})) << i;
        EXPECT_EQ((std::array<PieceMark, 3>{helm1->m_nMark, helm2->m_nMark, chest->m_nMark}), s.after) << i;
        EXPECT_EQ(legs->m_nMark, M::None) << i;
    }
    EXPECT_TRUE(tree.calls.empty());
    doc.RemoveView(&tree);
    ASSERT_TRUE(SetPieceMark(doc, helm2, M::Excluded));
    EXPECT_EQ(CountMarked(doc, M::Pinned), 1);
    EXPECT_EQ(CountMarked(doc, M::Excluded), 1);
    EXPECT_EQ(CountMarked(doc, M::None), 2);  // helm1 and the ring; Bob's legs are not in the pool

    // Marks belong to the pool: a piece leaves its mark behind when it joins a suit and comes back unmarked,
    // so a returning piece never makes a second pin.
    CArmorSuit* bob = doc.m_arrSuits[0];
    ASSERT_TRUE(AddPieceToSuit(doc, *bob, chest, nullptr));
    EXPECT_EQ(chest->m_nMark, M::None);
    ASSERT_TRUE(SetPieceMark(doc, helm1, M::Pinned));
    CArmorSuit* cid = Assigned({helm2}, "Cid");
    EXPECT_EQ(helm2->m_nMark, M::None);
    helm2->m_nMark = M::Pinned;  // as a move that forgot to clear it would leave it
    ASSERT_TRUE(DeleteSuit(doc, cid));
    EXPECT_EQ(Heads(doc), (PoolList{helm1, helm2}));
    EXPECT_EQ(helm2->m_nMark, M::None);
    EXPECT_EQ(helm1->m_nMark, M::Pinned);
    ASSERT_TRUE(DeleteSuitItem(doc, bob, chest));
    EXPECT_EQ(chest->m_nMark, M::None);
    EXPECT_EQ(CountMarked(doc, M::Pinned), 1);
}
