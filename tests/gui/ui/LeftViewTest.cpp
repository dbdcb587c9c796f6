// The items and suits tree: structure, order, hints, counts and the piece count it drives.
#include <QLabel>

#include "gui/calc/GorvantaView.h"
#include "gui/resources/Resource.h"
#include "support/AppTest.h"
#include "gui/ui/LeftView.h"

using namespace guitest;

class LeftViewTest : public QObject, AppFixture {
    Q_OBJECT
    CLeftView* Tree() { return Active()->GetLeftView(); }
    void Refresh() { Doc().UpdateAllViews(nullptr, HINT_REFRESH); }
    QString Pane() {
        Main()->UpdatePieceCountPane();
        return Main()->PieceCountPane()->text();
    }

private slots:
    void init() {
        BeginCase();
        Start();
    }
    void cleanup() { EndCase(); }
    // Type nodes read alphabetically, pieces under them sorted too; suits show their pieces in suit order.
    void typeNodesAreSortedAndSuitsKeepTheirOrder() {
        AddPool(Doc());
        AddTwoSuits(Doc());
        Refresh();
        CLeftView* tree = Tree();
        QVERIFY(tree->m_hItemsRoot->isExpanded());
        // Pool lists go in slot order (head wear first), but the type nodes read alphabetically.
        QCOMPARE(ChildTexts(tree->m_hItemsRoot), (QStringList{"chest pieces", "gloves", "gorgets", "head wear", "rings"}));
        QTreeWidgetItem* gloves = tree->FindChildByText(tree->m_hItemsRoot, "gloves");
        QVERIFY(gloves);
        QCOMPARE(gloves->childCount(), 2);
        QCOMPARE(ChildTexts(gloves), (QStringList{QString::fromStdString(PoolLines()[0]), QString::fromStdString(PoolLines()[1])}));
        QTreeWidgetItem* head = tree->FindChildByText(tree->m_hItemsRoot, "head wear");
        QCOMPARE(ChildTexts(head).first(), QStringLiteral("bone helmet, cold resist 11%, luck 60 "));
        // Nodes are found by their exact text.
        QVERIFY(tree->FindChildByText(tree->m_hItemsRoot, "rings"));
        for (const char* text : {"Rings", "ring"}) QVERIFY(!tree->FindChildByText(tree->m_hItemsRoot, text));
        QVERIFY(!tree->FindChildByText(nullptr, "rings"));
        QCOMPARE(ChildTexts(tree->m_hSuitsRoot), (QStringList{"Holt", "Varn"}));
        QTreeWidgetItem* holt = tree->m_hSuitsRoot->child(0);
        QCOMPARE(CLeftView::SuitOf(holt), Doc().m_arrSuits[1]);
        QCOMPARE(ChildTexts(holt), (QStringList{"leather cap, luck 40 , fire resist 6%", "gold ring, lower reagent cost 10%",
                                                "studded tunic, physical resist 12%, energy resist 8%"}));
        QCOMPARE(CLeftView::PieceOf(holt->child(2)), Doc().m_arrSuits[1]->m_arrPieces[2]);
        QVERIFY(!holt->isExpanded());
        // A piece of a new type makes a new node at its place.
        AddToPool(Doc(), ParsedPiece("gold bracelet, luck 60 "));
        Refresh();
        QCOMPARE(ChildTexts(Tree()->m_hItemsRoot),
                 (QStringList{"bracelets", "chest pieces", "gloves", "gorgets", "head wear", "rings"}));
        QVERIFY(!Tree()->m_hSuitsRoot->isExpanded());
    }
    // The pieces each level holds, and the piece count of the selection in the status bar.
    void countsPerLevelAndOfTheSelection() {
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
        QCOMPARE(Pane(), QStringLiteral("Piece count: 0/8"));
        QTreeWidgetItem* rings = tree->FindChildByText(tree->m_hItemsRoot, "rings");
        // "Suits": two suits and six pieces.
        const std::pair<QTreeWidgetItem*, int> selections[] = {{tree->m_hSuitsRoot, 8}, {tree->m_hItemsRoot, 8},
                                                                {rings, 2}, {rings->child(0), 1},
                                                                {tree->m_hSuitsRoot->child(1), 4}};
        for (const auto& [item, count] : selections) {
            tree->setCurrentItem(item);
            QCOMPARE(Doc().m_nSelPieceCount, count);
            QCOMPARE(tree->m_hSelItem, item);
            QCOMPARE(Pane(), QStringLiteral("Piece count: %1/8").arg(count));
        }
        // A click selects too.
        const QRect r = tree->visualItemRect(tree->m_hSuitsRoot);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(r.left() + 8, r.center().y()));
        QCOMPARE(Pane(), QStringLiteral("Piece count: 8/8"));
        // A rebuild keeps the count and the selection.
        tree->setCurrentItem(rings);
        Refresh();
        QCOMPARE(Doc().m_nSelPieceCount, 2);
        QCOMPARE(Tree()->m_hSelItem, Tree()->FindChildByText(Tree()->m_hItemsRoot, "rings"));
        QCOMPARE(Pane(), QStringLiteral("Piece count: 2/8"));
        // An empty tree: "Items" counts 0.
        Doc().FreeContents();
        Refresh();
        Tree()->setCurrentItem(Tree()->m_hItemsRoot);
        QCOMPARE(Pane(), QStringLiteral("Piece count: 0/0"));
    }
    // A piece without a type name is left out; the hints decide when the tree rebuilds.
    void hintsDecideWhatTheTreeDoes() {
        CArmorPiece* odd = AddToPool(Doc(), ParsedPiece("gold ring, luck 10 "));
        odd->m_strTypeName.clear();
        Refresh();
        QCOMPARE(Tree()->m_hItemsRoot->childCount(), 0);
        QVERIFY(!Tree()->InsertPieceItem(nullptr));
        QVERIFY(!Tree()->InsertSuitItem(nullptr));
        Doc().FreeContents();
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
    // A second window rebuilds its own tree, whose items can go without the first one's.
    void aSecondWindowRebuildsItsOwnTree() {
        AddPool(Doc());
        Refresh();
        CLeftView* first = Tree();
        Main()->OnCommand(ID_WINDOW_NEW);
        CLeftView* second = Tree();
        QVERIFY(first != second);
        QCOMPARE(second->CountPieceItems(second->m_hItemsRoot), 8);
        QCOMPARE(ChildTexts(second->m_hItemsRoot), ChildTexts(first->m_hItemsRoot));
        // The first tree as sender: only the second one rebuilds.
        AddToPool(Doc(), ParsedPiece("gold bracelet, luck 60 "));
        Doc().UpdateAllViews(first, HINT_REFRESH);
        QCOMPARE(first->CountPieceItems(first->m_hItemsRoot), 8);
        QCOMPARE(second->CountPieceItems(second->m_hItemsRoot), 9);
        // Each window has its own selection; the count is the document's.
        second->setCurrentItem(second->m_hItemsRoot);
        QCOMPARE(Doc().m_nSelPieceCount, 9);
        QVERIFY(!first->m_hSelItem);
        // Deleting the last piece of a type removes its node.
        CLeftView* tree = second;
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
