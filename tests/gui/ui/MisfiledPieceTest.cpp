// A damaged document whose pieces sit among another type's, in the running program: a misfiled piece
// moved into a suit through the tree and the add-piece dialog, then Save and Close. Each piece keeps one
// owner, so the file holds it once and closing frees it once.
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "core/document/DocTestSupport.h"
#include "gui/resources/Resource.h"
#include "support/AppTest.h"
#include "gui/ui/AddPieceDlg.h"
#include "gui/ui/LeftView.h"

using namespace guitest;

namespace {
// Right-clicks the item's label and picks the entry of the context menu that comes up (Escape if absent).
void ChooseFromMenu(CLeftView* tree, QTreeWidgetItem* item, const QString& entry) {
    tree->scrollToItem(item);
    const QRect r = tree->visualItemRect(item);
    QMetaObject::Connection c = QObject::connect(tree, &CLeftView::contextMenuShown, tree, [entry](QMenu* menu) {
        QTimer::singleShot(50, menu, [menu, entry] {
            for (QAction* a : menu->actions())
                if (a->text() == entry) {
                    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(a).center());
                    return;
                }
            QTest::keyClick(menu, Qt::Key_Escape);
        });
    });
    QTest::mouseClick(tree->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(r.left() + 4, r.center().y()));
    QObject::disconnect(c);
}
}  // namespace

class MisfiledPieceTest : public QObject, AppFixture {
    Q_OBJECT

private slots:
    void init() { BeginCase(); }
    void cleanup() { EndCase(); }

    void addingAMisfiledPieceToASuitThenSaveAndClose() {
        const QString file = Path("damaged.gva");
        {
            CGorvantaDoc damaged;
            AddMisfiledPool(damaged);
            QVERIFY(SaveDocumentFile(damaged, file.toStdString()));
        }
        Start({file});
        Main()->show();
        QVERIFY(QTest::qWaitForWindowExposed(Main()));
        CGorvantaDoc& doc = Doc();
        // Opened as the file has it: the silver ring among the gloves.
        const PoolList& gloves = doc.m_arrPool[3];
        QCOMPARE(gloves.size(), size_t(3));
        CArmorPiece* ring = gloves.back();
        QCOMPARE(ring->m_nType, int32_t(PIECE_RING));
        QCOMPARE(doc.m_arrSuits.size(), size_t(2));
        CArmorSuit* holt = doc.m_arrSuits[1];
        CArmorPiece* holtRing = holt->m_arrPieces[1];
        QCOMPARE(holtRing->m_nType, int32_t(PIECE_RING));

        // The tree shows it among the rings; Add Piece to Suit offers Holt first, who has a ring: Yes.
        CLeftView* tree = Active()->GetLeftView();
        QTreeWidgetItem* item =
            Child(Child(tree->m_hItemsRoot, QStringLiteral("rings")), QString::fromStdString(ring->m_strText));
        QVERIFY(item);
        box.answers = {IDYES};
        QStringList offered;
        WhenModal<CAddPieceDlg>([&](CAddPieceDlg& dlg) {
            offered = Entries(dlg.SuitList());
            QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
        });
        ChooseFromMenu(tree, item, QStringLiteral("Add Piece to Suit"));
        QTRY_VERIFY(!offered.isEmpty());
        QCOMPARE(offered, (QStringList{"Holt", "Varn"}));
        QCOMPARE(box.shown.size(), size_t(1));
        QCOMPARE(holt->m_arrPieces.back(), ring);
        QCOMPARE(gloves.size(), size_t(2));
        QCOMPARE(doc.m_arrPool[6].back(), holtRing);
        QVERIFY(Active()->GetDocument()->IsModified());

        // Saved: the ring once, in Holt's suit.
        Main()->OnCommand(ID_FILE_SAVE);
        QVERIFY(!Active()->GetDocument()->IsModified());
        CGorvantaDoc check;
        QVERIFY(LoadDocumentFile(check, file.toStdString()).status == LoadStatus::Ok);
        QCOMPARE(check.GetPoolCount(), 8);
        QCOMPARE(check.m_arrPool[3].size(), size_t(2));
        QCOMPARE(check.m_arrSuits[1]->m_arrPieces.back()->m_strText, ring->m_strText);

        // Closed without a question, every piece freed once.
        Main()->OnCommand(ID_FILE_CLOSE);
        ProcessDeferredDeletes();
        QVERIFY(app->Documents().empty());
        QCOMPARE(box.shown.size(), size_t(1));
    }
};

QTEST_MAIN(MisfiledPieceTest)
#include "MisfiledPieceTest.moc"
