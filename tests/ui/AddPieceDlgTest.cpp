// The add-piece dialog on a real document and tree: choosing a suit, the replace question, the moves.
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "GuiTestSupport.h"
#include "document/GorvantaDoc.h"
#include "model/ArmorPiece.h"
#include "model/ArmorSuit.h"
#include "model/MessageBox.h"
#include "ui/AddPieceDlg.h"
#include "ui/LeftView.h"

namespace {
CArmorPiece* MakePiece(const std::string& line) {
    auto* p = new CArmorPiece;
    p->ParseText(line);
    return p;
}

CArmorPiece* AddToPool(CGorvantaDoc& doc, const std::string& line) {
    CArmorPiece* p = MakePiece(line);
    doc.PoolListFor(p->m_nType)->push_back(p);
    return p;
}

CArmorSuit* AddSuit(CGorvantaDoc& doc, const std::string& character, std::vector<std::string> lines) {
    auto* s = new CArmorSuit;
    s->m_strCharacter = character;
    s->m_strName = "suit of " + character;
    for (const std::string& l : lines) s->m_arrPieces.push_back(MakePiece(l));
    s->m_nCount = int32_t(s->m_arrPieces.size());
    s->CalcTotals();
    doc.m_arrSuits.push_back(s);
    doc.m_arrCharacters.push_back(character);
    return s;
}

QStringList Entries(const CAddPieceDlg& dlg) {
    QStringList out;
    for (int i = 0; i < dlg.SuitList()->count(); ++i) out << dlg.SuitList()->item(i)->text();
    return out;
}

QStringList ChildTexts(QTreeWidgetItem* item) {
    QStringList out;
    for (int i = 0; item && i < item->childCount(); ++i) out << item->child(i)->text(0);
    return out;
}

QTreeWidgetItem* SuitItem(CLeftView& tree, const QString& name) {
    for (int i = 0; i < tree.m_hSuitsRoot->childCount(); ++i)
        if (tree.m_hSuitsRoot->child(i)->text(0) == name) return tree.m_hSuitsRoot->child(i);
    return nullptr;
}

const char* const kOldRing = "gold ring, fire resist 8%, lower reagent cost 5%";
const char* const kNewRing = "silver ring, energy resist 12%, luck 40 ";
}  // namespace

class AddPieceDlgTest : public QObject {
    Q_OBJECT

    CScriptedMessageBox box;
    std::unique_ptr<CMessageBoxScope> scope;
    std::unique_ptr<CGorvantaDoc> doc;
    std::unique_ptr<CLeftView> tree;

    void MakeDocument() {
        doc = std::make_unique<CGorvantaDoc>();
        guitest::UseDefaultNameTables();
        tree = std::make_unique<CLeftView>(*doc);
    }
    void Open(CAddPieceDlg& dlg, CArmorPiece* piece) {
        tree->OnInitialUpdate();
        dlg.m_pPiece = piece;
        dlg.m_pSuits = &doc->m_arrSuits;
        dlg.m_pTree = tree.get();
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    }

private slots:
    void init() {
        box = CScriptedMessageBox();
        scope = std::make_unique<CMessageBoxScope>(&box);
        MakeDocument();
    }
    void cleanup() {
        tree.reset();
        doc.reset();
        scope.reset();
    }

    void noSuitsOkChangesNothing() {
        CArmorPiece* ring = AddToPool(*doc, kNewRing);
        CAddPieceDlg dlg;
        Open(dlg, ring);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Add Piece to Suit"));
        QCOMPARE(dlg.SuitList()->count(), 0);
        QCOMPARE(dlg.PieceBox()->toPlainText(), QString::fromLatin1(kNewRing));
        QVERIFY(dlg.PieceBox()->isReadOnly());
        QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(dlg.m_pSuit == nullptr);
        QVERIFY(!doc->IsModified());
        QCOMPARE(*doc->PoolListFor(PIECE_RING), PoolList{ring});
        QVERIFY(box.shown.empty());
    }

    void sortedNamesFirstSelectedOkAddsToIt() {
        CArmorPiece* helm = AddToPool(*doc, "plate helm, fire resist 3%, cold resist 4%");
        AddToPool(*doc, "plate helm, poison resist 9%");
        CArmorSuit* zed = AddSuit(*doc, "zed", {kOldRing});
        CArmorSuit* bob = AddSuit(*doc, "Bob", {"platemail gloves, poison resist 20%"});
        CArmorSuit* alice = AddSuit(*doc, "alice", {kOldRing, "leather tunic, luck 40 , fire resist 18%"});
        CAddPieceDlg dlg;
        Open(dlg, helm);
        QCOMPARE(Entries(dlg), (QStringList{"alice", "Bob", "zed"}));
        QCOMPARE(dlg.SuitList()->currentRow(), 0);
        QVERIFY(dlg.SuitList()->item(0)->isSelected());
        QCOMPARE(CAddPieceDlg::SuitOf(dlg.SuitList()->item(1)), bob);
        guitest::Shot(&dlg, QStringLiteral("add-piece-dialog"));
        QTest::keyClick(dlg.SuitList(), Qt::Key_Return);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.m_pSuit, alice);
        QVERIFY(box.shown.empty());
        QCOMPARE(alice->m_nCount, 3);
        QCOMPARE(alice->m_arrPieces.back(), helm);
        QCOMPARE(zed->m_nCount, 1);
        QCOMPARE(doc->PoolListFor(PIECE_HEADWEAR)->size(), size_t(1));
        QVERIFY(doc->PoolListFor(PIECE_HEADWEAR)->front() != helm);
        QVERIFY(doc->IsModified());
        // The views were refreshed: the tree shows the helm under alice's suit.
        QTreeWidgetItem* item = SuitItem(*tree, QStringLiteral("alice"));
        QVERIFY(item);
        QCOMPARE(ChildTexts(item).last(), QStringLiteral("plate helm, fire resist 3%, cold resist 4%"));
    }

    void anotherSuitChosenWithTheMouse() {
        CArmorPiece* helm = AddToPool(*doc, "plate helm, fire resist 3%");
        AddSuit(*doc, "alice", {});
        CArmorSuit* bob = AddSuit(*doc, "Bob", {});
        CAddPieceDlg dlg;
        Open(dlg, helm);
        const QRect r = dlg.SuitList()->visualItemRect(dlg.SuitList()->item(1));
        QTest::mouseClick(dlg.SuitList()->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
        QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
        QCOMPARE(dlg.m_pSuit, bob);
        QCOMPARE(bob->m_arrPieces, std::vector<CArmorPiece*>{helm});
        QVERIFY(doc->PoolListFor(PIECE_HEADWEAR)->empty());
    }

    void replaceQuestionAnsweredYes() {
        CArmorPiece* before = AddToPool(*doc, "amber ring, luck 5 ");
        CArmorPiece* ring = AddToPool(*doc, kNewRing);
        CArmorSuit* suit = AddSuit(*doc, "Bob", {"platemail gloves, poison resist 20%", kOldRing, "leather tunic, luck 40 "});
        CArmorPiece* oldRing = suit->m_arrPieces[1];
        CArmorPiece* tunic = suit->m_arrPieces[2];
        box.answers = {IDYES};
        CAddPieceDlg dlg;
        Open(dlg, ring);
        QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
        QCOMPARE(box.shown.size(), size_t(1));
        QCOMPARE(box.shown[0].text, std::string("The suit already contains a \"rings\" type piece:\n") + kOldRing +
                                        "\nDo you want to replace it with the new piece?\n" + kNewRing);
        QCOMPARE(box.shown[0].buttons, MsgButtons::YesNo);
        QCOMPARE(box.shown[0].icon, MsgIcon::None);
        // The old ring is back at the end of the rings, the new one at the end of the suit.
        QCOMPARE(*doc->PoolListFor(PIECE_RING), (PoolList{before, oldRing}));
        QCOMPARE(suit->m_nCount, 3);
        QCOMPARE(suit->m_arrPieces[1], tunic);
        QCOMPARE(suit->m_arrPieces[2], ring);
        QVERIFY(doc->IsModified());
    }

    void replaceQuestionAnsweredNo() {
        CArmorPiece* ring = AddToPool(*doc, kNewRing);
        CArmorSuit* suit = AddSuit(*doc, "Bob", {kOldRing});
        const std::vector<CArmorPiece*> pieces = suit->m_arrPieces;
        box.answers = {IDNO};
        CAddPieceDlg dlg;
        Open(dlg, ring);
        QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
        QCOMPARE(box.shown.size(), size_t(1));
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(!dlg.isVisible());
        QCOMPARE(suit->m_arrPieces, pieces);
        QCOMPARE(suit->m_nCount, 1);
        QCOMPARE(*doc->PoolListFor(PIECE_RING), PoolList{ring});
        QVERIFY(!doc->IsModified());
    }

    void cancelChangesNothing() {
        CArmorPiece* ring = AddToPool(*doc, kNewRing);
        CArmorSuit* suit = AddSuit(*doc, "Bob", {});
        CAddPieceDlg dlg;
        Open(dlg, ring);
        QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QVERIFY(suit->m_arrPieces.empty());
        QCOMPARE(*doc->PoolListFor(PIECE_RING), PoolList{ring});
        QVERIFY(!doc->IsModified());
        QVERIFY(box.shown.empty());
    }
};

QTEST_MAIN(AddPieceDlgTest)
#include "AddPieceDlgTest.moc"
