// The items and suits tree: structure, order, hints, counts and the piece count it drives.
#include <QLabel>
#include <QTest>

#include "AppTestSupport.h"
#include "model/MessageBox.h"
#include "resources/Resource.h"
#include "calc/GorvantaView.h"
#include "ui/ChildFrame.h"
#include "ui/DocHolder.h"
#include "ui/LeftView.h"
#include "ui/MainFrame.h"

using namespace apptest;

class LeftViewTest : public QObject {
    Q_OBJECT
    std::unique_ptr<CTestApp> app;
    CScriptedMessageBox box;
    std::unique_ptr<CMessageBoxScope> scope;

    CChildFrame* Active() { return app->MainFrame()->MDIGetActive(); }
    CLeftView* Tree() { return Active()->GetLeftView(); }
    CGorvantaDoc& Doc() { return Active()->GetDocument()->Doc(); }
    QStringList Labels(QTreeWidgetItem* parent) {
        QStringList out;
        for (int i = 0; i < parent->childCount(); ++i) out << parent->child(i)->text(0);
        return out;
    }
    void Refresh() { Doc().UpdateAllViews(nullptr, HINT_REFRESH); }
    QString Pane() {
        app->MainFrame()->UpdatePieceCountPane();
        return app->MainFrame()->PieceCountPane()->text();
    }

private slots:
    void init() {
        ClearStore();
        scope = std::make_unique<CMessageBoxScope>(&box);
        app = std::make_unique<CTestApp>();
        QVERIFY(app->InitInstance({}));
    }
    void cleanup() {
        app.reset();
        ProcessDeferredDeletes();
        scope.reset();
    }

    void typeNodesAreSortedAndShared() {
        AddPool(Doc());
        Refresh();
        CLeftView* tree = Tree();
        QVERIFY(tree->m_hItemsRoot->isExpanded());
        // Pool lists go in slot order (head wear first), but the type nodes read alphabetically.
        QCOMPARE(Labels(tree->m_hItemsRoot), (QStringList{"chest pieces", "gloves", "gorgets", "head wear", "rings"}));
        QTreeWidgetItem* gloves = tree->FindChildByText(tree->m_hItemsRoot, "gloves");
        QVERIFY(gloves);
        QCOMPARE(gloves->childCount(), 2);
        // Pieces under a type node are sorted too.
        QCOMPARE(Labels(gloves), (QStringList{QString::fromStdString(PoolLines()[0]), QString::fromStdString(PoolLines()[1])}));
        QTreeWidgetItem* head = tree->FindChildByText(tree->m_hItemsRoot, "head wear");
        QCOMPARE(Labels(head).first(), QStringLiteral("bone helmet, cold resist 11%, luck 60 "));
        // A piece of a new type makes a new node at its place.
        AddToPool(Doc(), ParsedPiece("gold bracelet, luck 60 "));
        Refresh();
        QCOMPARE(Labels(Tree()->m_hItemsRoot),
                 (QStringList{"bracelets", "chest pieces", "gloves", "gorgets", "head wear", "rings"}));
        QVERIFY(!Tree()->m_hSuitsRoot->isExpanded());
    }

    void findChildByTextIsExact() {
        AddPool(Doc());
        Refresh();
        CLeftView* tree = Tree();
        QVERIFY(tree->FindChildByText(tree->m_hItemsRoot, "rings"));
        QVERIFY(!tree->FindChildByText(tree->m_hItemsRoot, "Rings"));
        QVERIFY(!tree->FindChildByText(tree->m_hItemsRoot, "ring"));
        QVERIFY(!tree->FindChildByText(nullptr, "rings"));
    }

    void suitsShowTheirPiecesInSuitOrder() {
        AddTwoSuits(Doc());
        Refresh();
        CLeftView* tree = Tree();
        QCOMPARE(Labels(tree->m_hSuitsRoot), (QStringList{"Holt", "Varn"}));
        QTreeWidgetItem* holt = tree->m_hSuitsRoot->child(0);
        QCOMPARE(CLeftView::SuitOf(holt), Doc().m_arrSuits[1]);
        // Not sorted: the order of the suit.
        QCOMPARE(Labels(holt), (QStringList{"leather cap, luck 40 , fire resist 6%", "gold ring, lower reagent cost 10%",
                                            "studded tunic, physical resist 12%, energy resist 8%"}));
        QCOMPARE(CLeftView::PieceOf(holt->child(2)), Doc().m_arrSuits[1]->m_arrPieces[2]);
        QVERIFY(!holt->isExpanded());
    }

    void pieceCountFollowsTheSelection() {
        AddPool(Doc());
        AddTwoSuits(Doc());
        Refresh();
        CLeftView* tree = Tree();
        QCOMPARE(Pane(), QStringLiteral("Piece count: 0/8"));
        tree->setCurrentItem(tree->m_hSuitsRoot);
        QCOMPARE(Doc().m_nSelPieceCount, 8);  // two suits and six pieces
        QCOMPARE(Pane(), QStringLiteral("Piece count: 8/8"));
        QCOMPARE(tree->m_hSelItem, tree->m_hSuitsRoot);
        tree->setCurrentItem(tree->m_hItemsRoot);
        QCOMPARE(Pane(), QStringLiteral("Piece count: 8/8"));
        QTreeWidgetItem* rings = tree->FindChildByText(tree->m_hItemsRoot, "rings");
        tree->setCurrentItem(rings);
        QCOMPARE(Pane(), QStringLiteral("Piece count: 2/8"));
        tree->setCurrentItem(rings->child(0));
        QCOMPARE(Pane(), QStringLiteral("Piece count: 1/8"));
        tree->setCurrentItem(tree->m_hSuitsRoot->child(1));
        QCOMPARE(Pane(), QStringLiteral("Piece count: 4/8"));
        // A click selects too.
        const QRect r = tree->visualItemRect(tree->m_hSuitsRoot);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(r.left() + 8, r.center().y()));
        QCOMPARE(Pane(), QStringLiteral("Piece count: 8/8"));
        // A rebuild keeps the count until a new item is selected.
        tree->setCurrentItem(rings);
        Refresh();
        QCOMPARE(Doc().m_nSelPieceCount, 2);
        QVERIFY(!Tree()->m_hSelItem);
        QCOMPARE(Pane(), QStringLiteral("Piece count: 2/8"));
        // An empty tree: "Items" counts 0.
        Doc().FreeContents();
        Refresh();
        Tree()->setCurrentItem(Tree()->m_hItemsRoot);
        QCOMPARE(Pane(), QStringLiteral("Piece count: 0/0"));
    }

    void countsPerLevel() {
        AddPool(Doc());
        AddTwoSuits(Doc());
        Refresh();
        CLeftView* tree = Tree();
        QCOMPARE(tree->CountPieceItems(tree->m_hItemsRoot), Doc().GetPoolCount());
        QTreeWidgetItem* head = tree->FindChildByText(tree->m_hItemsRoot, "head wear");
        QCOMPARE(tree->CountPieceItems(head), 2);
        QCOMPARE(tree->CountPieceItems(head->child(0)), 1);
        QCOMPARE(tree->CountPieceItems(tree->m_hSuitsRoot->child(0)), 4);
        QCOMPARE(tree->CountPieceItems(nullptr), 0);
        // Only pieces and suits can be dragged.
        QVERIFY(!tree->IsDraggable(tree->m_hItemsRoot));
        QVERIFY(!tree->IsDraggable(head));
        QVERIFY(tree->IsDraggable(head->child(0)));
        QVERIFY(tree->IsDraggable(tree->m_hSuitsRoot->child(0)));
        QVERIFY(tree->IsDraggable(tree->m_hSuitsRoot->child(0)->child(0)));
    }

    void piecesWithoutATypeNameAreLeftOut() {
        CArmorPiece* odd = AddToPool(Doc(), ParsedPiece("gold ring, luck 10 "));
        odd->m_strTypeName.clear();
        Refresh();
        QCOMPARE(Tree()->m_hItemsRoot->childCount(), 0);
        QVERIFY(!Tree()->InsertPieceItem(nullptr));
        QVERIFY(!Tree()->InsertSuitItem(nullptr));
    }

    void hintsDecideWhatTheTreeDoes() {
        CLeftView* tree = Tree();
        // The results list would start a real run on the start hint; this test is about the tree.
        Active()->GetResultsView()->Detach();
        AddToPool(Doc(), ParsedPiece("gold ring, luck 10 "));
        Doc().UpdateAllViews(nullptr, HINT_START_CALC);
        QCOMPARE(tree->m_bCalculating, 1);
        QCOMPARE(tree->CountPieceItems(tree->m_hItemsRoot), 0);  // no rebuild
        Doc().UpdateAllViews(nullptr, HINT_FILTERS_CHANGED);
        QCOMPARE(tree->CountPieceItems(tree->m_hItemsRoot), 0);
        Doc().UpdateAllViews(nullptr, HINT_STOP_CALC);
        QCOMPARE(tree->m_bCalculating, 1);  // stop does not clear it
        QCOMPARE(tree->CountPieceItems(tree->m_hItemsRoot), 1);  // but rebuilds
        Doc().UpdateAllViews(nullptr, HINT_CALC_DONE);
        QCOMPARE(tree->m_bCalculating, 0);
        // The sender is not told.
        AddToPool(Doc(), ParsedPiece("silver ring, luck 20 "));
        Doc().UpdateAllViews(tree, HINT_REFRESH);
        QCOMPARE(tree->CountPieceItems(tree->m_hItemsRoot), 1);
    }

    void aSecondWindowRebuildsItsOwnTree() {
        AddPool(Doc());
        Refresh();
        CLeftView* first = Tree();
        app->MainFrame()->OnCommand(ID_WINDOW_NEW);
        CLeftView* second = Tree();
        QVERIFY(first != second);
        QCOMPARE(second->CountPieceItems(second->m_hItemsRoot), 8);
        QCOMPARE(Labels(second->m_hItemsRoot), Labels(first->m_hItemsRoot));
        // The first tree as sender: only the second one rebuilds.
        AddToPool(Doc(), ParsedPiece("gold bracelet, luck 60 "));
        Doc().UpdateAllViews(first, HINT_REFRESH);
        QCOMPARE(first->CountPieceItems(first->m_hItemsRoot), 8);
        QCOMPARE(second->CountPieceItems(second->m_hItemsRoot), 9);
        // Each window has its own selection; the count is the document's.
        second->setCurrentItem(second->m_hItemsRoot);
        QCOMPARE(Doc().m_nSelPieceCount, 9);
        QVERIFY(!first->m_hSelItem);
    }

    void deletingTheLastPieceOfATypeRemovesItsNode() {
        AddPool(Doc());
        Refresh();
        CLeftView* tree = Tree();
        QTreeWidgetItem* gorgets = tree->FindChildByText(tree->m_hItemsRoot, "gorgets");
        tree->DeleteItemAndEmptyParents(gorgets->child(0));
        QVERIFY(!tree->FindChildByText(tree->m_hItemsRoot, "gorgets"));
        QCOMPARE(tree->topLevelItemCount(), 2);
        // With pieces left, the first of them becomes selected.
        QTreeWidgetItem* rings = tree->FindChildByText(tree->m_hItemsRoot, "rings");
        QTreeWidgetItem* keep = rings->child(0);
        tree->DeleteItemAndEmptyParents(rings->child(1));
        QCOMPARE(rings->childCount(), 1);
        QCOMPARE(tree->currentItem(), keep);
        QCOMPARE(tree->m_hSelItem, keep);
        QCOMPARE(Doc().m_nSelPieceCount, 1);
    }
};

QTEST_MAIN(LeftViewTest)
#include "LeftViewTest.moc"
