// The items and suits tree in the running program as a player uses it: it keeps its place across edits,
// shows counts, tooltips and marks, filters, answers the Delete and menu keys, and moves pieces by
// drag-and-drop. Marks set in it steer a run.
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <QTreeWidgetItemIterator>

#include <functional>

#include "gui/calc/CalcRun.h"
#include "gui/calc/GorvantaView.h"
#include "core/document/Assignment.h"
#include "qtstore/QtText.h"
#include "gui/resources/Resource.h"
#include "support/AppTest.h"
#include "gui/ui/AddPieceDlg.h"
#include "gui/ui/LeftView.h"

using namespace guitest;

class TreeControlTest : public QObject, AppFixture {
    Q_OBJECT

    CLeftView* Tree() { return Active()->GetLeftView(); }
    QTreeWidgetItem* Type(const char* name) { return Child(Tree()->m_hItemsRoot, QString::fromLatin1(name)); }
    QTreeWidgetItem* SuitItem(const char* name) { return Child(Tree()->m_hSuitsRoot, QString::fromLatin1(name)); }
    QTreeWidgetItem* ItemOf(const void* data) { return Tree()->FindDataItem(data); }
    CArmorSuit* Suit(int i) { return Doc().m_arrSuits[size_t(i)]; }
    PoolList& Pool(int32_t type) { return *Doc().PoolListFor(type); }
    QPoint LabelPoint(QTreeWidgetItem* item) {
        Tree()->scrollToItem(item);
        const QRect r = Tree()->visualItemRect(item);
        return QPoint(r.left() + 4, r.center().y());
    }
    QString Pane() {
        Main()->UpdatePieceCountPane();
        return Main()->PieceCountPane()->text();
    }
    // The pieces and suits shown, in display order, of the tree as it is drawn.
    QStringList Shown() {
        QStringList out;
        for (QTreeWidgetItemIterator it(Tree()); *it; ++it) {
            bool hidden = false;
            for (QTreeWidgetItem* p = *it; p; p = p->parent()) hidden = hidden || p->isHidden();
            if (!hidden && CLeftView::HasData(*it)) out << (*it)->text(0);
        }
        return out;
    }

    struct MenuSeen {
        QStringList texts;
        QList<bool> enabled;
    };
    // Runs `open`, which brings up the tree's context menu; records it and picks `choice` (Escape if empty).
    MenuSeen Menu(const std::function<void()>& open, const QString& choice = QString()) {
        MenuSeen seen;
        QMetaObject::Connection c = connect(Tree(), &CLeftView::contextMenuShown, this, [&](QMenu* menu) {
            for (QAction* a : menu->actions())
                if (!a->isSeparator()) {
                    seen.texts << a->text();
                    seen.enabled << a->isEnabled();
                }
            QTimer::singleShot(30, menu, [menu, choice] {
                for (QAction* a : menu->actions())
                    if (!choice.isEmpty() && a->text() == choice) {
                        QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(a).center());
                        return;
                    }
                QTest::keyClick(menu, Qt::Key_Escape);
            });
        });
        open();
        disconnect(c);
        return seen;
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        Tree()->setFocus();
        QTest::keyClick(Tree(), key, mods);
    }
    void Select(QTreeWidgetItem* item) {
        QVERIFY(item);
        Tree()->setFocus();
        Tree()->setCurrentItem(item);
    }
    // Presses on from, drags past the start distance and over onto (or to a point), and releases there.
    void Drag(QTreeWidgetItem* from, QPoint to, const QString& shot = QString()) {
        QWidget* vp = Tree()->viewport();
        const QPoint start = LabelPoint(from);
        QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, start);
        QTest::mouseMove(vp, start + QPoint(QApplication::startDragDistance() + 4, 2));
        QVERIFY(Tree()->IsDragging());
        QTest::mouseMove(vp, to);
        if (!shot.isEmpty()) Shot(Main(), shot);
        QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, to);
        QVERIFY(!Tree()->IsDragging());
    }
    void Drag(QTreeWidgetItem* from, QTreeWidgetItem* onto, const QString& shot = QString()) {
        QVERIFY(onto);
        Drag(from, LabelPoint(onto), shot);
    }
    int Rows() { return Active()->GetResultsView()->Model()->rowCount(); }
    void RunSearch() {
        Main()->OnCommand(ID_CALC_START);
        QTRY_VERIFY_WITH_TIMEOUT(!IsCalcInProgress(), 20000);
    }

private slots:
    void init() {
        BeginShown();
        AddPool(Doc());
        AddTwoSuits(Doc());
        Doc().UpdateAllViews(nullptr, HINT_REFRESH);
    }
    void cleanup() { EndCase(); }

    // Expanded branches, the selection and the scroll position outlast edits that rebuild the tree.
    // Exclude (menu key) and pin (Shift+F10) show on the piece: greyed and italic, bold with a pin; the
    // status bar counts excluded pieces apart; type nodes show their counts; tooltips give the values.
    void keepsItsPlaceAndShowsCountsTipsAndMarks() {
        for (int i = 0; i < 30; ++i) AddToPool(Doc(), "copper ring, luck " + std::to_string(i + 1) + " ");
        Doc().UpdateAllViews(nullptr, HINT_REFRESH);
        CLeftView* tree = Tree();
        Type("rings")->setExpanded(true);
        tree->m_hSuitsRoot->setExpanded(true);
        SuitItem("Holt")->setExpanded(true);
        CArmorPiece* piece = Pool(PIECE_RING)[12];
        Select(ItemOf(piece));
        QScrollBar* vbar = tree->verticalScrollBar();
        QTRY_VERIFY(vbar->maximum() > 10);
        tree->scrollToItem(ItemOf(piece), QAbstractItemView::PositionAtTop);
        const int scroll = vbar->value();
        QVERIFY(scroll > 0);
        const MenuSeen seen = Menu([&] { Key(Qt::Key_Menu); }, QStringLiteral("Exclude from Searches"));
        QCOMPARE(seen.texts, (QStringList{"Add Piece to Suit", "Delete Item", "Delete Suit", "Delete Suit Item",
                                          "Exclude from Searches", "Pin in Its Slot", "Clear Mark", "Edit Piece..."}));
        QCOMPARE(seen.enabled, (QList<bool>{true, true, false, false, true, true, false, true}));
        QCOMPARE(piece->m_nMark, PieceMark::Excluded);
        QVERIFY(Type("rings")->isExpanded() && SuitItem("Holt")->isExpanded() && tree->m_hSuitsRoot->isExpanded());
        QVERIFY(!Type("gloves")->isExpanded());
        QCOMPARE(CLeftView::PieceOf(tree->currentItem()), piece);
        QCOMPARE(tree->m_hSelItem, tree->currentItem());
        QCOMPARE(vbar->value(), scroll);
        QCOMPARE(Pane(), QStringLiteral("Piece count: 1/38 (1 excluded)"));

        CArmorPiece* pinned = Pool(PIECE_RING)[1];
        Select(ItemOf(pinned));
        Menu([&] { Key(Qt::Key_F10, Qt::ShiftModifier); }, QStringLiteral("Pin in Its Slot"));
        QCOMPARE(pinned->m_nMark, PieceMark::Pinned);
        const QTreeWidgetItem* excludedItem = ItemOf(piece);
        const QTreeWidgetItem* pinnedItem = ItemOf(pinned);
        QCOMPARE(excludedItem->foreground(0).color(), tree->palette().color(QPalette::Disabled, QPalette::Text));
        QVERIFY(excludedItem->font(0).italic() && !excludedItem->font(0).bold());
        QVERIFY(pinnedItem->font(0).bold());
        QVERIFY(!pinnedItem->icon(0).isNull() && excludedItem->icon(0).isNull());
        QCOMPARE(tree->DisplayText(Type("rings")), QStringLiteral("rings  (32)"));
        QCOMPARE(tree->DisplayText(Type("gorgets")), QStringLiteral("gorgets  (1)"));
        QCOMPARE(tree->DisplayText(pinnedItem), pinnedItem->text(0));
        tree->scrollToTop();
        Shot(Main(), QStringLiteral("tree-counts-and-marks"));

        // A tooltip on a piece: its line, resists with their total, the bonuses that are not zero, its mark.
        Select(ItemOf(pinned));
        const QPoint at = tree->visualItemRect(pinnedItem).center();
        QHelpEvent help(QEvent::ToolTip, at, tree->viewport()->mapToGlobal(at));
        QApplication::sendEvent(tree->viewport(), &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("silver ring, energy resist 12%, lower mana cost 4%\n"
                                                  "Physical 0%, Fire 0%, Cold 0%, Poison 0%, Energy 12% (total 12)\n"
                                                  "lower mana cost 4%\nMedable\n"
                                                  "Pinned: every suit of a search uses it"));
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->inherits("QTipLabel") && w->isVisible()) Shot(w, QStringLiteral("tree-piece-tooltip"));
        QToolTip::hideText();
        // An assigned suit's totals, capped as the results list caps them.
        const QStringList suitTip =
            SuitItem("Holt")->data(0, Qt::ToolTipRole).toString().split(QLatin1Char('\n'));
        QCOMPARE(suitTip.mid(0, 4), (QStringList{"Holt: 3 pieces", "Physical 12%, Fire 6%, Cold 0%, Poison 0%, Energy 8%",
                                                  "Eff. total 26, actual total 26", "luck 40, lower reagent cost 10%"}));
        // Pinning another ring moves the pin; clearing the exclusion puts the count back.
        Select(ItemOf(Pool(PIECE_RING)[2]));
        Main()->OnCommand(ID_PIN_PIECE);
        QCOMPARE(pinned->m_nMark, PieceMark::None);
        Select(ItemOf(piece));
        Main()->OnCommand(ID_CLEAR_PIECE_MARK);
        QCOMPARE(piece->m_nMark, PieceMark::None);
        QCOMPARE(Pane(), QStringLiteral("Piece count: 1/38"));
    }

    // Typing shows only matching pieces and the suits that hold them, ignoring case in the 8-bit set; a
    // suit's name shows all its pieces. An edit while filtering keeps the filter; Escape empties it and
    // the branches open before come back as they were, with the selection shown.
    void theFilterBox() {
        const QString aerin = QStringLiteral("gold RING of ÆRIN, luck 5 ");
        AddToPool(Doc(), FromQt(aerin));
        Doc().UpdateAllViews(nullptr, HINT_REFRESH);
        CLeftView* tree = Tree();
        QLineEdit* filter = tree->FilterBox();
        QVERIFY(filter->isVisible());
        QVERIFY(filter->mapTo(tree, QPoint(0, filter->height() - 1)).y() < tree->viewport()->geometry().top());
        const QStringList all = Shown();
        // The window gives the keyboard to the tree; Ctrl+F takes it to the box.
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(tree));
        QTest::keyClick(tree, Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(filter));
        QTest::keyClicks(filter, QStringLiteral("RING"));
        QCOMPARE(Shown(), (QStringList{"ringmail gloves, lower reagent cost 8%, cold resist 13%", aerin, "gold ring, fire resist 8%, lower reagent cost 5%, hit chance increase 5%",
                                       "silver ring, energy resist 12%, lower mana cost 4%", "Holt",
                                       "gold ring, lower reagent cost 10%"}));
        QVERIFY(Type("rings")->isExpanded() && SuitItem("Holt")->isExpanded());
        QVERIFY(Type("chest pieces")->isHidden() && SuitItem("Varn")->isHidden());
        QCOMPARE(tree->DisplayText(Type("gloves")), QStringLiteral("gloves  (1 of 2)"));
        Shot(Main(), QStringLiteral("tree-filter"));
        // An edit (the silver ring excluded) rebuilds the tree under the same filter.
        Select(ItemOf(Pool(PIECE_RING)[1]));
        Main()->OnCommand(ID_EXCLUDE_PIECE);
        QCOMPARE(Shown().size(), 6);
        // Accented capitals of the 8-bit set lower as its small letters.
        filter->setText(QStringLiteral("ærin"));
        QCOMPARE(Shown(), QStringList{aerin});
        filter->clear();
        QTest::keyClick(tree, Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(filter, QStringLiteral("varn"));
        QCOMPARE(Shown(), (QStringList{"Varn", "platemail helm, physical resist 8%, fire resist 5%", "platemail gorget, cold resist 7%",
                                       "platemail gloves, poison resist 9%, energy resist 3%"}));
        QTest::keyClick(filter, Qt::Key_Escape);
        QVERIFY(filter->text().isEmpty());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(filter));
        QTest::keyClick(filter, Qt::Key_Escape);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(tree));
        QCOMPARE(Shown(), all);
        // Only the branch of the selection (the silver ring) stays open, to show it.
        QVERIFY(tree->m_hItemsRoot->isExpanded() && Type("rings")->isExpanded());
        QVERIFY(!Type("gloves")->isExpanded() && !tree->m_hSuitsRoot->isExpanded() && !SuitItem("Holt")->isExpanded());
        QCOMPARE(CLeftView::PieceOf(tree->currentItem()), Pool(PIECE_RING)[1]);
    }

    // Delete: a pool piece after the delete question, a suit after its own question, a suit's piece back
    // to the pool at once; nothing during a run. The menu key opens the menu of the selected item.
    void theDeleteAndMenuKeys() {
        CLeftView* tree = Tree();
        CArmorPiece* ring = Pool(PIECE_RING)[0];
        Select(ItemOf(ring));
        box.answers = {IDNO};
        Key(Qt::Key_Delete);
        QCOMPARE(box.shown.back().text, std::string(DELETE_PIECE_QUESTION));
        QCOMPARE(Pool(PIECE_RING).size(), size_t(2));
        box.answers = {IDYES};
        Key(Qt::Key_Delete);
        QCOMPARE(Pool(PIECE_RING).size(), size_t(1));

        CArmorSuit* varn = Suit(0);
        Select(ItemOf(varn));
        box.answers = {IDNO};
        Key(Qt::Key_Delete);
        QCOMPARE(box.shown.back().text, std::string("Delete the suit of Varn? Its pieces return to the pool."));
        QCOMPARE(box.shown.back().buttons, MsgButtons::YesNo);
        QCOMPARE(Doc().m_arrSuits.size(), size_t(2));
        box.answers = {IDYES};
        Key(Qt::Key_Delete);
        QCOMPARE(Doc().m_arrSuits.size(), size_t(1));
        QCOMPARE(Pool(PIECE_HEADWEAR).size(), size_t(3));

        const size_t asked = box.shown.size();
        CArmorPiece* cap = Suit(0)->m_arrPieces[0];
        Select(ItemOf(cap));
        TheCalcState().m_bCalcRunning.store(1);
        Key(Qt::Key_Delete);
        QCOMPARE(Suit(0)->m_nCount, 3);
        TheCalcState().m_bCalcRunning.store(0);
        Key(Qt::Key_Delete);
        QCOMPARE(box.shown.size(), asked);
        QCOMPARE(Suit(0)->m_nCount, 2);
        QCOMPARE(Pool(PIECE_HEADWEAR).back(), cap);

        Select(SuitItem("Holt"));
        const MenuSeen seen = Menu([&] { Key(Qt::Key_Menu); });
        QCOMPARE(seen.enabled, (QList<bool>{false, false, true, false, false, false, false, false}));
        Select(tree->m_hItemsRoot);
        QCOMPARE(Menu([&] { Key(Qt::Key_F10, Qt::ShiftModifier); }).enabled, QList<bool>(8, false));
    }

    // A pool piece dropped on a suit joins it (the replace question when the suit has its slot; No
    // changes nothing); a suit's piece dropped on "Items" or the pool goes back; other drops do nothing.
    void dropsMovePiecesBetweenPoolAndSuits() {
        CLeftView* tree = Tree();
        tree->m_hSuitsRoot->setExpanded(true);
        SuitItem("Holt")->setExpanded(true);
        Type("gloves")->setExpanded(true);
        Type("rings")->setExpanded(true);
        CArmorSuit* holt = Suit(1);
        CArmorPiece* glove = Pool(PIECE_GLOVES)[1];
        Drag(ItemOf(glove), SuitItem("Holt"), QStringLiteral("tree-drag-onto-suit"));
        QVERIFY(box.shown.empty());
        QCOMPARE(holt->m_arrPieces.back(), glove);
        QCOMPARE(Pool(PIECE_GLOVES).size(), size_t(1));
        QCOMPARE(CLeftView::PieceOf(tree->currentItem()), glove);
        QCOMPARE(tree->currentItem()->parent(), SuitItem("Holt"));

        // Onto one of the suit's pieces: Holt holds a ring already.
        CArmorPiece* ring = Pool(PIECE_RING)[1];
        CArmorPiece* old = holt->m_arrPieces[1];
        const std::string before = Bytes(Doc());
        box.answers = {IDNO};
        Drag(ItemOf(ring), ItemOf(holt->m_arrPieces[0]));
        QCOMPARE(box.shown.back().text, "The suit already contains a \"rings\" type piece:\n" + old->m_strText +
                                            "\nDo you want to replace it with the new piece?\n" + ring->m_strText);
        QVERIFY(Bytes(Doc()) == before);
        box.answers = {IDYES};
        Drag(ItemOf(ring), ItemOf(holt->m_arrPieces[0]));
        QCOMPARE(holt->m_arrPieces.back(), ring);
        QCOMPARE(Pool(PIECE_RING).back(), old);

        // Back to the pool: onto "Items", and onto a piece of the pool.
        Drag(ItemOf(glove), tree->m_hItemsRoot);
        QCOMPARE(Pool(PIECE_GLOVES).back(), glove);
        QCOMPARE(CLeftView::PieceOf(tree->currentItem()), glove);
        Drag(ItemOf(ring), ItemOf(Pool(PIECE_CHEST)[0]));
        QCOMPARE(Pool(PIECE_RING).back(), ring);
        QCOMPARE(holt->m_nCount, 2);

        // Nowhere: "Suits", the other suit's piece dragged on a suit, a suit dragged, empty space.
        const std::string still = Bytes(Doc());
        Drag(ItemOf(Pool(PIECE_RING)[0]), tree->m_hSuitsRoot);
        Drag(ItemOf(Suit(0)->m_arrPieces[0]), SuitItem("Holt"));
        Drag(SuitItem("Varn"), SuitItem("Holt"));
        Drag(ItemOf(Pool(PIECE_RING)[0]), Type("gloves"));
        Drag(ItemOf(Pool(PIECE_RING)[0]), QPoint(tree->viewport()->width() + 30, 10));
        QVERIFY(Bytes(Doc()) == still);
    }

    // A run in the window program leaves excluded pieces out and puts the pinned piece in every suit.
    void marksSteerARun() {
        TheSettings().m_nLowerLimit = 0;
        for (int k = 0; k < SLOT_COUNT; ++k) TheSettings().UseSlot(k) = (k == 0 || k == 3 || k == 6) ? 1 : 0;
        Doc().UpdateAllViews(nullptr, HINT_FILTERS_CHANGED);
        RunSearch();
        QCOMPARE(Rows(), 8);  // two helms, two pairs of gloves, two rings
        CArmorPiece* excluded = Pool(PIECE_RING)[0];
        CArmorPiece* pinned = Pool(PIECE_GLOVES)[1];
        Select(ItemOf(excluded));
        Main()->OnCommand(ID_EXCLUDE_PIECE);
        // Listed suits that hold a piece the next run would not visit go, as for any pool change.
        QCOMPARE(Rows(), 0);
        Select(ItemOf(pinned));
        Main()->OnCommand(ID_PIN_PIECE);
        RunSearch();
        QCOMPARE(Rows(), 2);
        for (int r = 0; r < Rows(); ++r) {
            const std::vector<CArmorPiece*>& pieces = Active()->GetResultsView()->Model()->SuitAt(r)->m_arrPieces;
            QVERIFY(std::find(pieces.begin(), pieces.end(), pinned) != pieces.end());
            QVERIFY(std::find(pieces.begin(), pieces.end(), excluded) == pieces.end());
        }
        // The marks are saved with the document and come back with it.
        app->answers = {Path("marked.gva")};
        Main()->OnCommand(ID_FILE_SAVE);
        Quit();
        Start({Path("marked.gva")});
        QCOMPARE(Pool(PIECE_RING)[0]->m_nMark, PieceMark::Excluded);
        QCOMPARE(Pool(PIECE_GLOVES)[1]->m_nMark, PieceMark::Pinned);
        QCOMPARE(CountMarked(Doc(), PieceMark::Excluded) + CountMarked(Doc(), PieceMark::Pinned), 2);
    }
};

QTEST_MAIN(TreeControlTest)
#include "TreeControlTest.moc"
