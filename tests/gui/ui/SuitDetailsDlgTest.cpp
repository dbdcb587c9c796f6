// The suit details dialog on real widgets: rows in label order with the empty row and the totals, hidden
// columns that keep their texts, the double-click on a row, assignment through "Assign/Exit", the ways
// out without one, resizing, and the placement kept in "SuitDlg".
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "core/document/Assignment.h"
#include "support/GuiTest.h"
#include "support/Pools.h"
#include "gui/ui/SuitDetailsDlg.h"

using namespace guitest;

namespace {
bool Contains(const PoolList* list, const CArmorPiece* p) {
    return std::find(list->begin(), list->end(), p) != list->end();
}
}  // namespace

class SuitDetailsDlgTest : public QObject, Fixture {
    Q_OBJECT
    void Open(CSuitDetailsDlg& dlg, CGorvantaDoc* doc, CArmorSuit* suit) {
        dlg.m_pDoc = doc;
        dlg.m_pSuit = suit;
        ShowAndWait(dlg);
    }
    void DoubleClickRow(CSuitDetailsDlg& dlg, int row) {
        QTreeWidget* list = dlg.DetailsList();
        const QRect r = list->visualItemRect(list->topLevelItem(row));
        DoubleClick(list->viewport(), QPoint(r.left() + 20, r.center().y()));
    }
    void TypeName(CSuitDetailsDlg& dlg, const QString& name) {
        QLineEdit* edit = dlg.CharacterBox()->lineEdit();
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, name);
    }

private slots:
    void init() { BeginCase(); }
    void cleanup() { EndCase(); }
    // A ring, a chest piece and a head-wear piece are listed Head, Chest, Ring, then the empty row and
    // the totals; every other type in its place too. Piece rows are uncapped with the piece's own total;
    // the totals row has the uncapped sums, the capped effective total and the actual total in its text.
    void rowsCellsAndTotals() {
        CGorvantaDoc doc;
        CArmorPiece* ring = AddPiece(doc, "gold ring", PIECE_RING, {0, 5, 0, 0, 0});
        CArmorPiece* chest = AddPiece(doc, "platemail tunic", PIECE_CHEST, {10, 0, 4, 0, 0});
        CArmorPiece* head = AddPiece(doc, "close helmet", PIECE_HEADWEAR, {7, 0, 0, 2, 0});
        auto suit = ResultSuit("Suit 00003", {ring, chest, head});
        CSuitDetailsDlg dlg;
        Open(dlg, &doc, suit.get());
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Details for suit: Suit 00003"));
        QTreeWidget* list = dlg.DetailsList();
        QCOMPARE(Column(list, 0), (QStringList{"Head", "Chest", "Ring", "", "Totals"}));
        QCOMPARE(Column(list, 1)[0], QStringLiteral("close helmet"));
        for (int c = 0; c < 16; ++c) QCOMPARE(list->topLevelItem(3)->text(c), QString());
        const int types[] = {PIECE_WEAPON, PIECE_SHIELD, PIECE_BRACELET, PIECE_RING, PIECE_CLOAK, PIECE_ROBE,
                             PIECE_LEGS,   PIECE_GLOVES, PIECE_ARMS,     PIECE_CHEST, PIECE_GORGET, PIECE_HEADWEAR};
        auto full = std::make_unique<CArmorSuit>();
        for (int t : types) full->AddPiece(AddPiece(doc, "item " + std::to_string(t), t, {1, 1, 1, 1, 1}));
        // A piece of no known type gets no row, and neither does an empty entry.
        CArmorPiece odd;
        odd.m_nType = 3;
        full->AddPiece(&odd);
        full->CalcTotals();
        full->m_arrPieces.push_back(nullptr);
        full->m_nCount = int32_t(full->m_arrPieces.size());
        CSuitDetailsDlg fullDlg;
        Open(fullDlg, &doc, full.get());
        QCOMPARE(Column(fullDlg.DetailsList(), 0),
                 (QStringList{"Head", "Neck", "Chest", "Arms", "Gloves", "Legs", "Robe", "Cloak", "Ring", "Bracelet",
                              "Shield", "Weapon", "", "Totals"}));
        QCOMPARE(CSuitDetailsDlg::SlotLabel(3), nullptr);
        CArmorSuit empty;
        empty.m_strName = "Suit 00009";
        CSuitDetailsDlg emptyDlg;
        Open(emptyDlg, &doc, &empty);
        QCOMPARE(emptyDlg.DetailsList()->topLevelItemCount(), 2);
        QCOMPARE(emptyDlg.DetailsList()->topLevelItem(1)->text(0), QStringLiteral("Totals"));
        QCOMPARE(emptyDlg.DetailsList()->topLevelItem(1)->text(1), QStringLiteral("Actual total resist: 0"));
        for (int c = 2; c < 16; ++c) QCOMPARE(emptyDlg.DetailsList()->topLevelItem(1)->text(c), QStringLiteral("0"));
        CArmorPiece* a = AddPiece(doc, "a", PIECE_HEADWEAR, {45, 10, 0, 0, 0}, {100, 1, 2, 3, 4, 5, 6, 7});
        CArmorPiece* b = AddPiece(doc, "b", PIECE_ARMS, {40, 0, 20, 0, 5}, {20, 10, 20, 30, 40, 50, 60, 70});
        auto two = ResultSuit("Suit 00000", {a, b});
        CSuitDetailsDlg cells;
        Open(cells, &doc, two.get());
        const QStringList headCells{"Head", "a", "45", "10", "0", "0", "0", "55", "100", "1", "2", "3", "4", "5", "6", "7"};
        for (int c = 0; c < 16; ++c) QCOMPARE(cells.DetailsList()->topLevelItem(0)->text(c), headCells[c]);
        // Above the cap a resist shows what lies beyond it.
        const QStringList totalCells{"Totals", "Actual total resist: 120", "70 (+15)", "10", "20", "0", "5", "105",
                                     "120",    "11",  "22", "33", "44", "55", "66", "77"};
        for (int c = 0; c < 16; ++c) QCOMPARE(cells.DetailsList()->topLevelItem(3)->text(c), totalCells[c]);
        // With the cap bypassed the effective total counts all 85.
        TheSettings().m_bBypassResistCap = 1;
        CSuitDetailsDlg bypassed;
        Open(bypassed, &doc, two.get());
        QCOMPARE(bypassed.DetailsList()->topLevelItem(3)->text(7), QStringLiteral("120"));
        QCOMPARE(bypassed.DetailsList()->topLevelItem(3)->text(2), QStringLiteral("85"));
        TheSettings().m_bBypassResistCap = 0;

        // Beside a character's suit: its pieces in a column of their own, each slot whose piece differs
        // marked, a slot only the compared suit fills with a row of its own.
        CArmorSuit worn;
        worn.m_strCharacter = "Bob";
        CArmorPiece sameHead = *a, otherChest;
        otherChest.m_strText = "c";
        otherChest.m_nType = PIECE_CHEST;
        worn.AddPiece(&sameHead);
        worn.AddPiece(&otherChest);
        worn.CalcTotals();
        CSuitDetailsDlg compared;
        compared.m_pCompared = &worn;
        Open(compared, &doc, two.get());
        QTreeWidget* side = compared.DetailsList();
        QCOMPARE(side->topLevelItemCount(), 5);
        QCOMPARE(side->headerItem()->text(CSuitDetailsDlg::COMPARED_COLUMN), QStringLiteral("Compared: Bob"));
        QCOMPARE(side->header()->visualIndex(CSuitDetailsDlg::COMPARED_COLUMN), 2);
        const struct {
            const char* label;
            const char* mine;
            const char* theirs;
            bool differs;
        } rows[] = {{"Head", "a", "a", false}, {"Chest *", "", "c", true}, {"Arms *", "b", "", true}};
        for (int r = 0; r < 3; ++r) {
            QTreeWidgetItem* item = side->topLevelItem(r);
            QCOMPARE(item->text(0), QString::fromLatin1(rows[r].label));
            QCOMPARE(item->text(1), QString::fromLatin1(rows[r].mine));
            QCOMPARE(item->text(CSuitDetailsDlg::COMPARED_COLUMN), QString::fromLatin1(rows[r].theirs));
            QCOMPARE(item->data(0, Qt::UserRole).toString() == QLatin1String(CSuitDetailsDlg::DIFFERS_PROPERTY),
                     rows[r].differs);
        }
        QCOMPARE(side->topLevelItem(4)->text(2), QStringLiteral("70 (+15)"));  // the result's totals
    }
    // A hidden column has no width but keeps its texts; headings and visible widths as listed.
    void optionalColumns() {
        CGorvantaDoc doc;
        CArmorPiece* a = AddPiece(doc, "a", PIECE_HEADWEAR, {1, 1, 1, 1, 1}, {150, 0, 0, 0, 0, 0, 0, 0});
        auto suit = ResultSuit("Suit 00000", {a});
        TheSettings().m_bDisplayHCI = 1;
        CSuitDetailsDlg dlg;
        Open(dlg, &doc, suit.get());
        QTreeWidget* list = dlg.DetailsList();
        const char* headings[16] = {"Type", "Item", "Phy.", "Fire", "Cold", "Poison", "Energy", "Eff. Total",
                                    "Luck", "LMC",  "LRC",  "MR",   "HR",   "SR",     "DCI",    "HCI"};
        QCOMPARE(list->columnCount(), 16);
        for (int c = 0; c < 16; ++c) QCOMPARE(list->headerItem()->text(c), QString::fromLatin1(headings[c]));
        QVERIFY(!list->header()->sectionsClickable());
        QCOMPARE(list->header()->sectionSize(8), 0);
        QCOMPARE(list->topLevelItem(0)->text(8), QStringLiteral("150"));
        for (int c = 9; c < 15; ++c) QCOMPARE(list->header()->sectionSize(c), 0);
        QVERIFY(list->header()->sectionSize(15) >= 50);
        QVERIFY(list->header()->sectionSize(1) >= 350);
        QVERIFY(list->header()->sectionSize(7) >= 60);
        // Shown with Luck and LRC on, as in the picture for review.
        TheSettings().m_bDisplayHCI = 0;
        TheSettings().m_bDisplayLuck = 1;
        TheSettings().m_bDisplayLRC = 1;
        doc.m_arrCharacters = {"Mirelle", "Thorgrim"};
        CArmorPiece* p[] = {
            AddPiece(doc, "bone helmet, physical resist 12%, poison resist 8%", PIECE_HEADWEAR, {12, 3, 4, 8, 2}, {40}),
            AddPiece(doc, "platemail gorget, fire resist 15%, luck 80", PIECE_GORGET, {5, 15, 2, 3, 1}, {80}),
            AddPiece(doc, "ringmail tunic, energy resist 14%, lower reagent cost 6%", PIECE_CHEST, {9, 2, 3, 4, 14},
                      {0, 0, 6}),
            AddPiece(doc, "leather sleeves, cold resist 16%", PIECE_ARMS, {6, 4, 16, 5, 3}),
            AddPiece(doc, "studded gloves, poison resist 13%", PIECE_GLOVES, {7, 5, 4, 13, 6}),
            AddPiece(doc, "platemail legs, physical resist 18%", PIECE_LEGS, {18, 6, 5, 3, 4}, {120}),
        };
        auto six = ResultSuit("Suit 00042", {p[0], p[1], p[2], p[3], p[4], p[5]});
        CSuitDetailsDlg shown;
        Open(shown, &doc, six.get());
        QVERIFY(shown.DetailsList()->header()->sectionSize(8) >= 50);
        shown.resize(1000, 420);
        QTest::qWait(20);
        Shot(&shown, QStringLiteral("suit-details"));
    }
    // A piece row shows the piece's whole text; the empty row and the totals row show nothing. "Exit", Esc
    // and the close box end with OK and assign nothing, even with a name typed.
    void doubleClickAndWaysOut() {
        CGorvantaDoc doc;
        CArmorPiece* a = AddPiece(doc, "a very long item text, fire resist 12%, luck 100", PIECE_HEADWEAR, {0, 12, 0, 0, 0});
        CArmorPiece* b = AddPiece(doc, "arms \xe9 text", PIECE_ARMS, {3, 0, 0, 0, 0});
        auto suit = ResultSuit("Suit 00000", {b, a});
        CSuitDetailsDlg dlg;
        Open(dlg, &doc, suit.get());
        DoubleClickRow(dlg, 0);
        QCOMPARE(box.shown.size(), size_t(1));
        QCOMPARE(box.shown[0].text, a->m_strText);
        QCOMPARE(box.shown[0].buttons, MsgButtons::OK);
        QCOMPARE(box.shown[0].icon, MsgIcon::None);
        DoubleClickRow(dlg, 1);
        QCOMPARE(box.shown.size(), size_t(2));
        QCOMPARE(box.shown[1].text, b->m_strText);
        DoubleClickRow(dlg, 2);
        DoubleClickRow(dlg, 3);
        QCOMPARE(box.shown.size(), size_t(2));
        QVERIFY(dlg.isVisible());
        dlg.close();
        box.shown.clear();
        for (int way = 0; way < 3; ++way) {
            CSuitDetailsDlg out;
            Open(out, &doc, suit.get());
            TypeName(out, QStringLiteral("Bob"));
            if (way == 0) QTest::mouseClick(out.ExitButton(), Qt::LeftButton);
            if (way == 1) QTest::keyClick(&out, Qt::Key_Escape);
            if (way == 2) out.close();
            QVERIFY(!out.isVisible());
            QCOMPARE(out.result(), int(QDialog::Accepted));
            QVERIFY(!out.m_bAssigned);
            QVERIFY(doc.m_arrSuits.empty());
            QVERIFY(Contains(doc.PoolListFor(PIECE_HEADWEAR), a));
        }
        QVERIFY(box.shown.empty());
    }
    // "Assign/Exit": the suit joins the document under the typed name, its pieces leave the pool,
    // the dialog ends with OK and says so.
    void assignThroughTheButton() {
        CGorvantaDoc doc;
        doc.m_arrCharacters = {"zed", "Alice", "bob"};
        CArmorPiece* a = AddPiece(doc, "a", PIECE_HEADWEAR, {5, 0, 0, 0, 0});
        CArmorPiece* b = AddPiece(doc, "b", PIECE_ARMS, {5, 0, 0, 0, 0});
        CArmorPiece* other = AddPiece(doc, "c", PIECE_ARMS, {5, 0, 0, 0, 0});
        auto suit = ResultSuit("Suit 00000", {a, b});
        CSuitDetailsDlg dlg;
        Open(dlg, &doc, suit.get());
        QComboBox* combo = dlg.CharacterBox();
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->itemText(0), QStringLiteral("Alice"));
        QCOMPARE(combo->itemText(1), QStringLiteral("bob"));
        QCOMPARE(combo->itemText(2), QStringLiteral("zed"));
        QCOMPARE(combo->currentText(), QString());
        QVERIFY(!dlg.AssignButton()->isDefault());
        TypeName(dlg, QStringLiteral("  Carol "));
        QTest::mouseClick(dlg.AssignButton(), Qt::LeftButton);
        QVERIFY(box.shown.empty());
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(dlg.m_bAssigned);
        CArmorSuit* assigned = suit.release();  // the document owns it now
        QCOMPARE(doc.m_arrSuits.size(), size_t(1));
        QCOMPARE(doc.m_arrSuits[0], assigned);
        QCOMPARE(assigned->m_strCharacter, std::string("Carol"));
        QVERIFY(!Contains(doc.PoolListFor(PIECE_HEADWEAR), a));
        QVERIFY(!Contains(doc.PoolListFor(PIECE_ARMS), b));
        QVERIFY(Contains(doc.PoolListFor(PIECE_ARMS), other));
        QVERIFY(doc.IsModified());
        QCOMPARE(doc.m_arrCharacters.back(), std::string("Carol"));
    }
    // Refusals leave the dialog open and the document as it was.
    void refusedAssignments() {
        CGorvantaDoc doc;
        CArmorPiece* a = AddPiece(doc, "a", PIECE_HEADWEAR, {5, 0, 0, 0, 0});
        auto suit = ResultSuit("Suit 00000", {a});
        {
            CSuitDetailsDlg dlg;
            Open(dlg, &doc, suit.get());
            TypeName(dlg, QStringLiteral("   "));
            QTest::mouseClick(dlg.AssignButton(), Qt::LeftButton);
            QCOMPARE(box.shown.size(), size_t(1));
            QCOMPARE(box.shown[0].text, std::string("Character name is empty. Assignment failed"));
            QCOMPARE(box.shown[0].icon, MsgIcon::Stop);
            QVERIFY(dlg.isVisible());
            QVERIFY(!dlg.m_bAssigned);
        }
        box.shown.clear();
        {
            CSuitDetailsDlg dlg;
            Open(dlg, nullptr, suit.get());
            TypeName(dlg, QStringLiteral("Bob"));
            QTest::mouseClick(dlg.AssignButton(), Qt::LeftButton);
            QCOMPARE(box.shown.size(), size_t(1));
            QCOMPARE(box.shown[0].text, std::string("Error saving suit to document. Assignment failed."));
            QVERIFY(dlg.isVisible());
        }
        box.shown.clear();
        // A character that has a suit: No keeps everything; Yes replaces it.
        CArmorPiece* old = AddPiece(doc, "old", PIECE_ARMS, {1, 0, 0, 0, 0});
        auto oldSuit = ResultSuit("Suit 00001", {old});
        AddAssignedSuit(doc, oldSuit.release(), "Bob");
        doc.SetModifiedFlag(false);
        {
            CSuitDetailsDlg dlg;
            Open(dlg, &doc, suit.get());
            TypeName(dlg, QStringLiteral("bob"));
            box.answers.push_back(IDNO);
            QTest::mouseClick(dlg.AssignButton(), Qt::LeftButton);
            QCOMPARE(box.shown.size(), size_t(1));
            QCOMPARE(box.shown[0].buttons, MsgButtons::YesNo);
            QCOMPARE(box.shown[0].text,
                     std::string("bob already has a suit assigned. Do you wish to assign this suit to bob instead? "
                                 "Select Yes to make the new assignment or No to cancel."));
            QVERIFY(dlg.isVisible());
            QVERIFY(!doc.IsModified());
            QCOMPARE(doc.m_arrSuits.size(), size_t(1));
            box.answers.push_back(IDYES);
            QTest::mouseClick(dlg.AssignButton(), Qt::LeftButton);
            QVERIFY(!dlg.isVisible());
            QVERIFY(dlg.m_bAssigned);
        }
        CArmorSuit* assigned = suit.release();
        QCOMPARE(doc.m_arrSuits.size(), size_t(1));
        QCOMPARE(doc.m_arrSuits[0], assigned);
        QCOMPARE(assigned->m_strCharacter, std::string("bob"));
        QVERIFY(Contains(doc.PoolListFor(PIECE_ARMS), old));
    }
    // The list fills the dialog below the assignment controls, whatever its size. Nothing stored, or one
    // value -1: the default place. Closing stores the rectangle, which the next dialog takes.
    void sizeAndPlacement() {
        CGorvantaDoc doc;
        CArmorSuit empty;
        QSize defaultSize;
        {
            CSuitDetailsDlg dlg;
            Open(dlg, &doc, &empty);
            defaultSize = dlg.size();
            QVERIFY(dlg.isSizeGripEnabled());
            for (const QSize size : {QSize(900, 500), QSize(500, 300)}) {
                dlg.resize(size);
                QTRY_COMPARE(dlg.size(), size);
                const QRect r = dlg.DetailsList()->geometry();
                QVERIFY(r.top() > dlg.CharacterBox()->geometry().bottom());
                QVERIFY(dlg.width() - r.width() < 40);
                QVERIFY(dlg.height() - r.bottom() < 30);
            }
            dlg.setGeometry(QRect(120, 90, 640, 330));
            QTRY_COMPARE(dlg.geometry(), QRect(120, 90, 640, 330));
            QTest::mouseClick(dlg.ExitButton(), Qt::LeftButton);
        }
        for (const auto& [name, value] : {std::pair{"Top", 90}, {"Left", 120}, {"Bottom", 420}, {"Right", 760}})
            QCOMPARE(Store().GetInt(SUITDLG_SECTION, name, -1), value);
        {
            CSuitDetailsDlg dlg;
            Open(dlg, &doc, &empty);
            QCOMPARE(dlg.geometry(), QRect(120, 90, 640, 330));
        }
        Store().WriteInt(SUITDLG_SECTION, "Bottom", -1);
        Store().WriteInt(SUITDLG_SECTION, "Top", 90);
        CSuitDetailsDlg dlg;
        Open(dlg, &doc, &empty);
        QCOMPARE(dlg.size(), defaultSize);
    }
};

QTEST_MAIN(SuitDetailsDlgTest)
#include "SuitDetailsDlgTest.moc"
