// The add-piece dialog on a real document and tree: choosing a suit, the replace question, the moves.
#include <QPlainTextEdit>
#include <QPushButton>

#include "support/GuiTest.h"
#include "support/Pools.h"
#include "gui/ui/AddPieceDlg.h"
#include "gui/ui/LeftView.h"

using namespace guitest;

namespace {
const char* const kOldRing = "gold ring, fire resist 8%, lower reagent cost 5%";
const char* const kNewRing = "silver ring, energy resist 12%, luck 40 ";
}  // namespace

class AddPieceDlgTest : public QObject, Fixture {
    Q_OBJECT
    std::unique_ptr<CGorvantaDoc> doc;
    std::unique_ptr<CLeftView> tree;
    void Open(CAddPieceDlg& dlg, CArmorPiece* piece) {
        tree->OnInitialUpdate();
        dlg.m_pPiece = piece;
        dlg.m_pSuits = &doc->m_arrSuits;
        dlg.m_pTree = tree.get();
        ShowAndWait(dlg);
    }

private slots:
    void init() {
        BeginCase();
        doc = std::make_unique<CGorvantaDoc>();
        tree = std::make_unique<CLeftView>(*doc);
    }
    void cleanup() {
        tree.reset();
        doc.reset();
        EndCase();
    }
    // Without suits OK changes nothing. Then two helms go into suits: the first by Return on the first
    // (sorted) name, the second by a click on another name.
    void choosingTheSuitByKeyAndByMouse() {
        CArmorPiece* ring = AddToPool(*doc, kNewRing);
        {
            CAddPieceDlg dlg;
            Open(dlg, ring);
            QCOMPARE(dlg.windowTitle(), QStringLiteral("Add Piece to Suit"));
            QCOMPARE(dlg.SuitList()->count(), 0);
            QCOMPARE(dlg.PieceBox()->toPlainText(), QString::fromLatin1(kNewRing));
            QVERIFY(dlg.PieceBox()->isReadOnly());
            QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
            QVERIFY(dlg.m_pSuit == nullptr);
        }
        QVERIFY(!doc->IsModified());
        QCOMPARE(*doc->PoolListFor(PIECE_RING), PoolList{ring});
        QVERIFY(box.shown.empty());
        CArmorPiece* helm = AddToPool(*doc, "plate helm, fire resist 3%, cold resist 4%");
        CArmorPiece* helm2 = AddToPool(*doc, "plate helm, poison resist 9%");
        CArmorSuit* zed = AddSuit(*doc, "zed", {kOldRing});
        CArmorSuit* bob = AddSuit(*doc, "Bob", {"platemail gloves, poison resist 20%"});
        CArmorSuit* alice = AddSuit(*doc, "alice", {kOldRing, "leather tunic, luck 40 , fire resist 18%"});
        {
            CAddPieceDlg dlg;
            Open(dlg, helm);
            QCOMPARE(Entries(dlg.SuitList()), (QStringList{"alice", "Bob", "zed"}));
            QCOMPARE(dlg.SuitList()->currentRow(), 0);
            QVERIFY(dlg.SuitList()->item(0)->isSelected());
            QCOMPARE(CAddPieceDlg::SuitOf(dlg.SuitList()->item(1)), bob);
            Shot(&dlg, QStringLiteral("add-piece-dialog"));
            QTest::keyClick(dlg.SuitList(), Qt::Key_Return);
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
            QCOMPARE(dlg.m_pSuit, alice);
        }
        QVERIFY(box.shown.empty());
        QCOMPARE(alice->m_nCount, 3);
        QCOMPARE(alice->m_arrPieces.back(), helm);
        QCOMPARE(zed->m_nCount, 1);
        QCOMPARE(*doc->PoolListFor(PIECE_HEADWEAR), PoolList{helm2});
        QVERIFY(doc->IsModified());
        // The views were refreshed: the tree shows the helm under alice's suit.
        QTreeWidgetItem* item = Child(tree->m_hSuitsRoot, QStringLiteral("alice"));
        QVERIFY(item);
        QCOMPARE(ChildTexts(item).last(), QStringLiteral("plate helm, fire resist 3%, cold resist 4%"));
        CArmorPiece* gloves = bob->m_arrPieces[0];
        CAddPieceDlg dlg;
        Open(dlg, helm2);
        const QRect r = dlg.SuitList()->visualItemRect(dlg.SuitList()->item(1));
        QTest::mouseClick(dlg.SuitList()->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
        QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
        QCOMPARE(dlg.m_pSuit, bob);
        QCOMPARE(bob->m_arrPieces, (std::vector<CArmorPiece*>{gloves, helm2}));
        QVERIFY(doc->PoolListFor(PIECE_HEADWEAR)->empty());
    }
    // A suit that has a ring: Cancel asks nothing, No to the replace question and Yes to it.
    void cancelThenReplaceAnsweredNoThenYes() {
        CArmorPiece* before = AddToPool(*doc, "amber ring, luck 5 ");
        CArmorPiece* ring = AddToPool(*doc, kNewRing);
        CArmorSuit* suit = AddSuit(*doc, "Bob", {"platemail gloves, poison resist 20%", kOldRing, "leather tunic, luck 40 "});
        const std::vector<CArmorPiece*> pieces = suit->m_arrPieces;
        CArmorPiece* oldRing = pieces[1];
        CArmorPiece* tunic = pieces[2];
        const PoolList rings{before, ring};
        {
            CAddPieceDlg dlg;
            Open(dlg, ring);
            QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
            QCOMPARE(dlg.result(), int(QDialog::Rejected));
            QVERIFY(box.shown.empty());
        }
        {
            box.answers = {IDNO};
            CAddPieceDlg dlg;
            Open(dlg, ring);
            QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
            QCOMPARE(box.shown.size(), size_t(1));
            QCOMPARE(box.shown[0].text, std::string("The suit already contains a \"rings\" type piece:\n") + kOldRing +
                                            "\nDo you want to replace it with the new piece?\n" + kNewRing);
            QCOMPARE(box.shown[0].buttons, MsgButtons::YesNo);
            QCOMPARE(box.shown[0].icon, MsgIcon::None);
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
            QVERIFY(!dlg.isVisible());
        }
        QCOMPARE(suit->m_arrPieces, pieces);
        QCOMPARE(suit->m_nCount, 3);
        QCOMPARE(*doc->PoolListFor(PIECE_RING), rings);
        QVERIFY(!doc->IsModified());
        box.answers = {IDYES};
        CAddPieceDlg dlg;
        Open(dlg, ring);
        QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
        QCOMPARE(box.shown.size(), size_t(2));
        QCOMPARE(box.shown[1].text, box.shown[0].text);
        QCOMPARE(box.shown[1].buttons, MsgButtons::YesNo);
        QCOMPARE(box.shown[1].icon, MsgIcon::None);
        // The old ring is back at the end of the rings, the new one at the end of the suit.
        QCOMPARE(*doc->PoolListFor(PIECE_RING), (PoolList{before, oldRing}));
        QCOMPARE(suit->m_nCount, 3);
        QCOMPARE(suit->m_arrPieces[1], tunic);
        QCOMPARE(suit->m_arrPieces[2], ring);
        QVERIFY(doc->IsModified());
    }
};

QTEST_MAIN(AddPieceDlgTest)
#include "AddPieceDlgTest.moc"
