// Editing through the items and suits tree, with real mouse and key events: the context menu and its
// greying, the four commands, dragging with auto-scroll; and Paste in the running program.
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QToolBar>
#include <QVBoxLayout>

#include "gui/import/ImportDlg.h"
#include "gui/resources/Resource.h"
#include "support/AppTest.h"
#include "gui/ui/AddPieceDlg.h"
#include "gui/ui/LeftView.h"

using namespace guitest;

namespace {
// The middle of an item's label, in viewport coordinates.
QPoint LabelPoint(CLeftView& tree, QTreeWidgetItem* item) {
    tree.scrollToItem(item);
    const QRect r = tree.visualItemRect(item);
    return QPoint(r.left() + 4, r.center().y());
}

std::vector<PoolList> Snapshot(CGorvantaDoc& doc) { return {doc.m_arrPool.begin(), doc.m_arrPool.end()}; }
// Which of the seven menu commands are enabled, by the kind of item right-clicked.
const QList<bool> kPoolPiece{true, true, false, false, true, true, false, true};
const QList<bool> kSuit{false, false, true, false, false, false, false, false};
const QList<bool> kSuitPiece{false, false, false, true, false, false, false, true};
const QList<bool> kNone(8, false);
std::vector<std::string> Texts(const PoolList& list) {
    std::vector<std::string> out;
    for (const CArmorPiece* p : list) out.push_back(p->m_strText);
    return out;
}
}  // namespace

class TreeEditTest : public QObject, Fixture {
    Q_OBJECT
    std::unique_ptr<CGorvantaDoc> doc;
    std::unique_ptr<QWidget> host;
    CLeftView* tree = nullptr;
    // A document window's tree on its own: pool and two suits, shown.
    void MakeTree(int height = 400, bool fill = true) {
        doc = std::make_unique<CGorvantaDoc>();
        if (fill) {
            AddPool(*doc);
            AddTwoSuits(*doc);
        }
        host = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(host.get());
        layout->setContentsMargins(0, 0, 0, 0);
        tree = new CLeftView(*doc);
        layout->addWidget(tree);
        host->resize(360, height);
        tree->OnInitialUpdate();
        ShowAndWait(*host);
    }
    // A tree of `count` rings (their texts ending in `tail`), expanded.
    void RingTree(int height, int count, const std::string& tail = "") {
        MakeTree(height, false);
        for (int i = 0; i < count; ++i) AddToPool(*doc, "gold ring, luck " + std::to_string(10 + i) + " " + tail);
        tree->RebuildTree();
        QTreeWidgetItem* rings = Type("rings");
        QVERIFY(rings);
        rings->setExpanded(true);
    }
    QTreeWidgetItem* Type(const char* name) { return Child(tree->m_hItemsRoot, QString::fromLatin1(name)); }
    QTreeWidgetItem* Suit(const char* name) { return Child(tree->m_hSuitsRoot, QString::fromLatin1(name)); }
    struct MenuSeen {
        bool shown = false;
        QStringList texts;
        QList<bool> enabled;
        QString statusTipOfFirst;
    };
    // Right-clicks at pos; when the menu comes up its state is recorded and choice (or Escape when empty)
    // is clicked.
    MenuSeen RightClick(const QPoint& pos, const QString& choice = QString(), const QString& shot = QString()) {
        MenuSeen seen;
        QMetaObject::Connection c = connect(tree, &CLeftView::contextMenuShown, this, [&](QMenu* menu) {
            seen.shown = true;
            for (QAction* a : menu->actions()) {
                if (a->isSeparator()) continue;
                seen.texts << a->text();
                seen.enabled << a->isEnabled();
            }
            seen.statusTipOfFirst = menu->actions().value(0)->statusTip();
            QTimer::singleShot(50, menu, [menu, choice, shot] {
                if (!shot.isEmpty()) Shot(menu, shot);
                QAction* pick = nullptr;
                for (QAction* a : menu->actions())
                    if (a->text() == choice) pick = a;
                if (pick)
                    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(pick).center());
                else
                    QTest::keyClick(menu, Qt::Key_Escape);
            });
        });
        QTest::mouseClick(tree->viewport(), Qt::RightButton, Qt::NoModifier, pos);
        disconnect(c);
        return seen;
    }
    QList<bool> EnabledFor(QTreeWidgetItem* item) { return RightClick(LabelPoint(*tree, item)).enabled; }
    void Choose(QTreeWidgetItem* item, const char* command) {
        RightClick(LabelPoint(*tree, item), QString::fromLatin1(command));
    }
    // Presses the left button on the item's label and moves far enough to start a drag.
    void StartDrag(QTreeWidgetItem* item) {
        const QPoint p = LabelPoint(*tree, item);
        QTest::mousePress(tree->viewport(), Qt::LeftButton, Qt::NoModifier, p);
        QTest::mouseMove(tree->viewport(), p + QPoint(QApplication::startDragDistance() + 4, 2));
        QTest::mouseMove(tree->viewport(), p + QPoint(QApplication::startDragDistance() + 8, 3));
    }
    // As StartDrag, where the drag must start.
    void BeginDrag(QTreeWidgetItem* item) {
        StartDrag(item);
        QVERIFY(tree->IsDragging());
    }
    void Release(QPoint at = QPoint()) { QTest::mouseRelease(tree->viewport(), Qt::LeftButton, Qt::NoModifier, at); }
    void ExpectNoDrag() {
        QVERIFY(!tree->IsDragging());
        QCOMPARE(tree->DragTimer(), 0);
        QVERIFY(!tree->DragImage());
        QVERIFY(QWidget::mouseGrabber() == nullptr);
    }
    void PointBelow(int beyond) {
        QCursor::setPos(tree->viewport()->mapToGlobal(QPoint(20, tree->viewport()->height())) + QPoint(0, beyond));
    }

private slots:
    void init() { BeginCase(); }
    void cleanup() {
        host.reset();
        tree = nullptr;
        doc.reset();
        EndCase();
    }
    // A right-click off the items shows nothing and keeps the selection; on an item it selects the item
    // and shows the menu greyed by the item's kind. During a run the menu is greyed until the done hint,
    // and the commands refuse to work.
    void theContextMenu() {
        MakeTree();
        QTreeWidgetItem* rings = Type("rings");
        QVERIFY(rings);
        tree->setCurrentItem(rings->child(1));
        const QRect r = tree->visualItemRect(tree->m_hSuitsRoot);
        for (const auto& [where, pos] :
             {std::pair{"below the last item", QPoint(20, tree->viewport()->height() - 5)},
              {"right of a label", QPoint(r.left() + tree->fontMetrics().horizontalAdvance(QStringLiteral("Suits")) + 40,
                                          r.center().y())}}) {
            QVERIFY2(!RightClick(pos).shown, where);
            QVERIFY2(tree->currentItem() == rings->child(1), where);
            QVERIFY2(tree->m_hSelItem == rings->child(1), where);
        }
        QTreeWidgetItem* ring = rings->child(0);
        MenuSeen seen = RightClick(LabelPoint(*tree, ring), QString(), QStringLiteral("tree-context-menu"));
        QVERIFY(seen.shown);
        QCOMPARE(seen.texts, (QStringList{"Add Piece to Suit", "Delete Item", "Delete Suit", "Delete Suit Item",
                                           "Exclude from Searches", "Pin in Its Slot", "Clear Mark", "Edit Piece..."}));
        QCOMPARE(seen.statusTipOfFirst, QStringLiteral("Add this piece to an existing character's suit"));
        QCOMPARE(tree->currentItem(), ring);
        QCOMPARE(tree->m_hSelItem, ring);
        QCOMPARE(doc->m_nSelPieceCount, 1);
        QCOMPARE(seen.enabled, kPoolPiece);
        tree->m_hSuitsRoot->setExpanded(true);
        QTreeWidgetItem* suit = Suit("Varn");
        suit->setExpanded(true);
        // The suits root comes last: the selection it leaves is checked after.
        for (const auto& [name, item, enabled] :
             {std::tuple{"suit", suit, kSuit}, {"suit piece", suit->child(0), kSuitPiece}, {"type", rings, kNone},
              {"items root", tree->m_hItemsRoot, kNone}, {"suits root", tree->m_hSuitsRoot, kNone}})
            QVERIFY2(EnabledFor(item) == enabled, name);
        QCOMPARE(tree->currentItem(), tree->m_hSuitsRoot);
        QCOMPARE(doc->m_nSelPieceCount, 8);
        doc->UpdateAllViews(nullptr, HINT_START_CALC);
        QCOMPARE(tree->m_bCalculating, 1);
        QCOMPARE(EnabledFor(ring), kNone);
        QCOMPARE(EnabledFor(Suit("Holt")), kNone);
        // Stopping does not end the greying; only the done hint does.
        doc->UpdateAllViews(nullptr, HINT_STOP_CALC);
        ring = Type("rings")->child(0);
        QCOMPARE(EnabledFor(ring), kNone);
        doc->UpdateAllViews(nullptr, HINT_CALC_DONE);
        QCOMPARE(tree->m_bCalculating, 0);
        QCOMPARE(EnabledFor(ring), kPoolPiece);
        tree->setCurrentItem(ring);
        const auto before = Snapshot(*doc);
        box.answers = {IDYES};
        TheCalcState().m_bCalcRunning.store(1);
        tree->OnDeleteItem();
        QVERIFY(box.shown.empty());
        QCOMPARE(Snapshot(*doc), before);
        QVERIFY(!doc->IsModified());
    }
    // Add Piece to Suit opens the dialog on the selected piece; then a piece is kept (No), one of two
    // helms and the only chest piece are deleted (Yes), and a suit is deleted.
    void editingThroughTheMenu() {
        MakeTree();
        QTreeWidgetItem* gloves = Type("gloves")->child(0);
        CArmorPiece* piece = CLeftView::PieceOf(gloves);
        CArmorSuit* holt = doc->m_arrSuits[1];
        QString shownText;
        QStringList suits;
        WhenModal<CAddPieceDlg>([&](CAddPieceDlg& dlg) {
            shownText = dlg.PieceBox()->toPlainText();
            suits = Entries(dlg.SuitList());
            QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
        });
        Choose(gloves, "Add Piece to Suit");
        QTRY_VERIFY(!shownText.isEmpty());
        QCOMPARE(shownText, QString::fromStdString(piece->m_strText));
        QCOMPARE(suits, (QStringList{"Holt", "Varn"}));
        // Holt sorts first and has no gloves: the piece joins it without a question.
        QVERIFY(box.shown.empty());
        QCOMPARE(holt->m_arrPieces.back(), piece);
        QCOMPARE(holt->m_nCount, 4);
        QVERIFY(std::find(doc->PoolListFor(PIECE_GLOVES)->begin(), doc->PoolListFor(PIECE_GLOVES)->end(), piece) ==
                doc->PoolListFor(PIECE_GLOVES)->end());
        QVERIFY(doc->IsModified());
        QVERIFY(Child(Suit("Holt"), QString::fromStdString(piece->m_strText)));
        doc->SetModifiedFlag(false);
        // A second window on the same document is rebuilt; this tree removes the item in place.
        CLeftView other(*doc);
        other.OnInitialUpdate();
        const auto before = Snapshot(*doc);
        box.answers = {IDNO};
        Choose(Type("rings")->child(0), "Delete Item");
        QCOMPARE(box.shown.size(), size_t(1));
        QCOMPARE(box.shown[0].text, std::string("Are you sure you want to delete this piece?"));
        QCOMPARE(box.shown[0].buttons, MsgButtons::YesNo);
        QCOMPARE(box.shown[0].icon, MsgIcon::Question);
        QCOMPARE(Snapshot(*doc), before);
        QVERIFY(!doc->IsModified());
        QCOMPARE(Type("rings")->childCount(), 2);
        QTreeWidgetItem* helms = Type("head wear");
        QCOMPARE(helms->childCount(), 2);
        CArmorPiece* stays = CLeftView::PieceOf(helms->child(0));
        QTreeWidgetItem* itemsRootBefore = tree->m_hItemsRoot;
        box.answers = {IDYES};
        Choose(helms->child(1), "Delete Item");
        QCOMPARE(box.shown.size(), size_t(2));
        QCOMPARE(*doc->PoolListFor(PIECE_HEADWEAR), PoolList{stays});  // the other one is deleted
        QVERIFY(doc->IsModified());
        QCOMPARE(tree->m_hItemsRoot, itemsRootBefore);  // not rebuilt
        QCOMPARE(helms->childCount(), 1);
        QCOMPARE(tree->currentItem(), helms->child(0));
        QCOMPARE(tree->m_hSelItem, helms->child(0));
        QCOMPARE(ChildTexts(Child(other.m_hItemsRoot, QStringLiteral("head wear"))),
                 QStringList{QString::fromStdString(stays->m_strText)});
        doc->SetModifiedFlag(false);
        QTreeWidgetItem* chest = Type("chest pieces");
        QVERIFY(chest);
        QCOMPARE(chest->childCount(), 1);
        const int typeNodes = tree->m_hItemsRoot->childCount();
        box.answers = {IDYES};
        Choose(chest->child(0), "Delete Item");
        QVERIFY(doc->PoolListFor(PIECE_CHEST)->empty());
        QVERIFY(doc->IsModified());
        QVERIFY(!Type("chest pieces"));
        QCOMPARE(tree->m_hItemsRoot->childCount(), typeNodes - 1);
        // "Items" itself stays, also when the pool becomes empty.
        QVERIFY(tree->m_hItemsRoot && tree->indexOfTopLevelItem(tree->m_hItemsRoot) == 0);
        // Delete Suit asks nothing and returns the pieces to the end of their lists.
        doc->SetModifiedFlag(false);
        box.shown.clear();
        const std::vector<CArmorPiece*> pieces = doc->m_arrSuits[0]->m_arrPieces;  // Varn: helm, gorget, gloves
        PoolList gloveList = *doc->PoolListFor(PIECE_GLOVES), helmList = *doc->PoolListFor(PIECE_HEADWEAR);
        tree->m_hSuitsRoot->setExpanded(true);
        Choose(Suit("Varn"), "Delete Suit");
        QVERIFY(box.shown.empty());
        QCOMPARE(doc->m_arrSuits.size(), size_t(1));
        QCOMPARE(doc->m_arrSuits[0]->m_strCharacter, std::string("Holt"));
        gloveList.push_back(pieces[2]);
        helmList.push_back(pieces[0]);
        QCOMPARE(*doc->PoolListFor(PIECE_GLOVES), gloveList);
        QCOMPARE(*doc->PoolListFor(PIECE_HEADWEAR), helmList);
        QCOMPARE(doc->PoolListFor(PIECE_GORGET)->back(), pieces[1]);
        QVERIFY(doc->IsModified());
        // The character stays known.
        QCOMPARE(doc->m_arrCharacters.size(), size_t(2));
        // Rebuilt: the suit is gone, its pieces are under their type nodes.
        QVERIFY(!Suit("Varn"));
        QVERIFY(Child(Type("head wear"), QString::fromStdString(pieces[0]->m_strText)));
    }
    void deleteSuitItemOnTheLastPieceLeavesAnEmptySuit() {
        MakeTree(400, false);
        CArmorSuit* suit = AddSuit(*doc, "Lone", {"gold ring, lower reagent cost 10%"});
        CArmorPiece* ring = suit->m_arrPieces[0];
        tree->RebuildTree();
        QTreeWidgetItem* suitItem = Suit("Lone");
        suitItem->setExpanded(true);
        tree->m_hSuitsRoot->setExpanded(true);
        MenuSeen seen = RightClick(LabelPoint(*tree, suitItem->child(0)), QStringLiteral("Delete Suit Item"));
        QCOMPARE(seen.enabled, kSuitPiece);
        QCOMPARE(suit->m_nCount, 0);
        QVERIFY(suit->m_arrPieces.empty());
        QCOMPARE(doc->m_arrSuits, std::vector<CArmorSuit*>{suit});
        QCOMPARE(*doc->PoolListFor(PIECE_RING), PoolList{ring});
        QVERIFY(doc->IsModified());
        suitItem = Suit("Lone");
        QVERIFY(suitItem);
        QCOMPARE(suitItem->childCount(), 0);
        QCOMPARE(ChildTexts(Type("rings")), QStringList{QStringLiteral("gold ring, lower reagent cost 10%")});
    }
    // A root or type node starts no drag (but is selected); a suit's drag ends on Escape, on a rebuild
    // and when another window takes the input, changing nothing.
    void dragsThatStartNothingOrEndEarly() {
        MakeTree();
        for (QTreeWidgetItem* item : {tree->m_hItemsRoot, Type("rings")}) {
            StartDrag(item);
            ExpectNoDrag();
            QCOMPARE(tree->currentItem(), item);
            Release(LabelPoint(*tree, item));
        }
        const auto before = Snapshot(*doc);
        tree->setFocus();
        QWidget other;
        auto* edit = new QLineEdit(&other);
        // Each row: what ends the drag, and whether the end may come later (the window system's activation).
        for (const auto& [name, end, later] :
             {std::tuple<const char*, std::function<void()>, bool>{
                  "Escape", [&] { QTest::keyClick(tree, Qt::Key_Escape); }, false},
              {"rebuild", [&] { doc->UpdateAllViews(nullptr, HINT_STOP_CALC); }, false},
              {"another window", [&] {
                   other.show();
                   other.activateWindow();
                   edit->setFocus();
               }, true}}) {
            BeginDrag(Suit("Holt"));  // found again: a rebuild replaces the items
            end();
            if (later) QTRY_VERIFY2(!tree->IsDragging(), name);
            QVERIFY2(!tree->IsDragging(), name);
            ExpectNoDrag();
            QVERIFY2(!tree->DragItem(), name);
            Release();
        }
        QCOMPARE(Snapshot(*doc), before);
        QVERIFY(!doc->IsModified());
    }
    // Dragging a piece scrolls faster the farther the pointer is beyond the edge, and stops on release.
    void draggingAPieceScrollsAndEndsOnRelease() {
        RingTree(120, 200);
        tree->scrollToTop();
        const auto before = Snapshot(*doc);
        QScrollBar* vbar = tree->verticalScrollBar();
        QTRY_VERIFY(vbar->maximum() > 10);
        QTreeWidgetItem* piece = Type("rings")->child(0);
        BeginDrag(piece);
        QCOMPARE(tree->DragItem(), piece);
        QVERIFY(tree->DragTimer() != 0);
        QVERIFY(tree->DragImage() && tree->DragImage()->isVisible());
        QVERIFY(!tree->DragImage()->pixmap().isNull());
        QCOMPARE(QWidget::mouseGrabber(), tree->viewport());
        QCOMPARE(tree->currentItem(), piece);
        Shot(host.get(), QStringLiteral("tree-drag"));
        // Well below the bottom edge: a line on every tick.
        PointBelow(95);
        QTRY_VERIFY_WITH_TIMEOUT(vbar->value() >= 5, 3000);
        QVERIFY(tree->DropTarget() != nullptr);
        // The image follows the pointer, held at (15, 15).
        QTRY_COMPARE(tree->DragImage()->pos(), QCursor::pos() - QPoint(15, 15));
        // Above the top edge: back up.
        const int down = vbar->value();
        QCursor::setPos(tree->viewport()->mapToGlobal(QPoint(20, 0)) - QPoint(0, 60));
        QTRY_VERIFY_WITH_TIMEOUT(vbar->value() < down, 3000);
        // Far to the side, nothing scrolls.
        QCursor::setPos(tree->viewport()->mapToGlobal(QPoint(tree->viewport()->width() + 40, 0)) - QPoint(0, 60));
        QTest::qWait(50);
        const int still = vbar->value();
        QTest::qWait(150);
        QCOMPARE(vbar->value(), still);
        Release(QPoint(20, 20));
        ExpectNoDrag();
        QVERIFY(!tree->DropTarget());
        QCOMPARE(Snapshot(*doc), before);
        QVERIFY(!doc->IsModified());
        // Scrolling stops with the drag.
        PointBelow(95);
        const int after = vbar->value();
        QTest::qWait(150);
        QCOMPARE(vbar->value(), after);
        auto linesIn = [&](int beyond, int ms) {
            tree->scrollToTop();
            BeginDrag(Type("rings")->child(0));
            const int start = vbar->value();
            PointBelow(beyond);
            QTest::qWait(ms);
            const int lines = vbar->value() - start;
            Release(QPoint(20, 20));
            return lines;
        };
        const int slow = linesIn(-5, 400);  // 5 pixels inside the edge: a line every 6 ticks
        const int fast = linesIn(95, 400);  // 95 beyond: a line every tick
        QVERIFY2(slow >= 1, qPrintable(QString::number(slow)));
        QVERIFY2(fast > 2 * slow, qPrintable(QStringLiteral("%1 %2").arg(slow).arg(fast)));
    }
    void horizontalScrollNearTheSides() {
        RingTree(200, 1, std::string(150, 'x'));
        host->resize(160, 200);
        QScrollBar* hbar = tree->horizontalScrollBar();
        QTRY_VERIFY(hbar->maximum() > 0);
        BeginDrag(Type("rings")->child(0));
        QCursor::setPos(tree->viewport()->mapToGlobal(QPoint(tree->viewport()->width() - 3, 10)));
        QTRY_VERIFY_WITH_TIMEOUT(hbar->value() > 0, 3000);
        QCursor::setPos(tree->viewport()->mapToGlobal(QPoint(3, 10)));
        QTRY_COMPARE_WITH_TIMEOUT(hbar->value(), 0, 3000);
        Release();
    }
};

// Paste in the running program: the menu command, its keys and the toolbar button.
class PasteCommandTest : public QObject, AppFixture {
    Q_OBJECT
    // Pastes text in the import dialog that the action opens, then leaves with the button named.
    void ImportThrough(const std::function<void()>& action, const QString& text, bool save) {
        QGuiApplication::clipboard()->setText(text);
        // The keys reach the main window's shortcuts only while it is the active window.
        Main()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Main()));
        bool seen = false;
        WhenModal<CImportDlg>([&](CImportDlg& dlg) {
            seen = true;
            // The command pastes the clipboard as the dialog opens.
            QTRY_VERIFY(dlg.ItemList()->topLevelItemCount() > 0);
            QTRY_VERIFY(dlg.SaveButton()->isEnabled() || !save);
            QTest::mouseClick(save ? dlg.SaveButton() : dlg.CancelButton(), Qt::LeftButton);
        });
        action();
        QTRY_VERIFY(seen);
    }
    void MenuPaste() { Main()->Action(ID_EDIT_PASTE)->trigger(); }

private slots:
    void init() {
        BeginShown();
        UseDefaultNameTables();
    }
    void cleanup() { EndCase(); }
    // During a run Paste does nothing; cancelled, it leaves the document as it was; saved, it adds the
    // pieces in row order.
    void menuCommandAddsThePiecesInRowOrder() {
        TheCalcState().m_bCalcRunning.store(1);
        QGuiApplication::clipboard()->setText(QStringLiteral("gold ring, luck 2 \r\n"));
        bool opened = false;
        WhenModal(
            [&](QWidget& w) {
                opened = true;
                w.close();
            },
            400);
        QTest::keyClick(Main(), Qt::Key_V, Qt::ControlModifier);
        MenuPaste();
        QTest::qWait(500);
        QVERIFY(!opened);
        QVERIFY(box.shown.empty());
        QCOMPARE(Doc().GetPoolCount(), 0);
        QVERIFY(!Doc().IsModified());
        TheCalcState().m_bCalcRunning.store(0);
        QVERIFY(Main()->Action(ID_EDIT_PASTE)->isEnabled());
        ImportThrough([&] { MenuPaste(); }, QStringLiteral("gold ring, luck 2 \r\n"), false);
        QCOMPARE(Doc().GetPoolCount(), 0);
        QVERIFY(!Doc().IsModified());
        ImportThrough([&] { MenuPaste(); },
                      QStringLiteral("silver ring, luck 10 \nGold ring, luck 2 \namber ring, luck 1 \nbone helm, fire resist 4%\n"),
                      true);
        QCOMPARE(Texts(*Doc().PoolListFor(PIECE_RING)),
                 (std::vector<std::string>{"amber ring, luck 1 ", "Gold ring, luck 2 ", "silver ring, luck 10 "}));
        QCOMPARE(Doc().PoolListFor(PIECE_HEADWEAR)->size(), size_t(1));
        QVERIFY(Doc().IsModified());
        CLeftView* tree = Main()->MDIGetActive()->GetLeftView();
        QCOMPARE(ChildTexts(Child(tree->m_hItemsRoot, QStringLiteral("rings"))).size(), 3);
    }
    // Save/Exit needs one row once; a later empty paste keeps it enabled, hands over nothing and still
    // marks the document modified. Then Ctrl+V, Shift+Insert and the toolbar button each open the dialog.
    void emptySaveThenTheKeysAndTheToolbar() {
        QGuiApplication::clipboard()->setText(QStringLiteral("gold ring, luck 2 \r\n"));
        bool done = false;
        box.answers = {IDYES};
        WhenModal<CImportDlg>([&](CImportDlg& dlg) {
            QTRY_COMPARE(dlg.ItemList()->topLevelItemCount(), 1);
            QGuiApplication::clipboard()->setText(QStringLiteral("nothing to see\r\n"));
            QTest::mouseClick(dlg.PasteButton(), Qt::LeftButton);
            QTest::mouseClick(dlg.SaveButton(), Qt::LeftButton);
            done = true;
        });
        MenuPaste();
        QVERIFY(done);
        QCOMPARE(Doc().GetPoolCount(), 0);
        QVERIFY(Doc().IsModified());
        QWidget* button = Main()->findChild<QToolBar*>(QStringLiteral("ToolBar"))->widgetForAction(
            Main()->Action(ID_EDIT_PASTE));
        QVERIFY(button);
        int count = 0;
        for (const auto& [text, paste] :
             {std::pair<const char*, std::function<void()>>{
                  "gold ring, luck 2 \r\n", [&] { QTest::keyClick(Main(), Qt::Key_V, Qt::ControlModifier); }},
              {"silver ring, luck 3 \r\n", [&] { QTest::keyClick(Main(), Qt::Key_Insert, Qt::ShiftModifier); }},
              {"bone helm, fire resist 4%\r\n", [&] { QTest::mouseClick(button, Qt::LeftButton); }}}) {
            ImportThrough(paste, QString::fromLatin1(text), true);
            QVERIFY2(Doc().GetPoolCount() == ++count, text);
        }
    }
};

int main(int argc, char** argv) { return RunTests<TreeEditTest, PasteCommandTest>(argc, argv); }

#include "TreeEditTest.moc"
