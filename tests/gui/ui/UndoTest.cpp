// Undo and redo in the running program: every kind of edit goes back to the very bytes it started from
// and forth to those it made; the modified mark follows the saved state; results go with an undo; nothing
// is undone during a run.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <functional>

#include "gui/calc/CalcRun.h"
#include "gui/calc/GorvantaView.h"
#include "gui/import/ImportDlg.h"
#include "gui/resources/Resource.h"
#include "support/AppTest.h"
#include "gui/ui/AddPieceDlg.h"
#include "gui/ui/EditPieceDlg.h"
#include "gui/ui/LeftView.h"
#include "gui/ui/SuitDetailsDlg.h"

using namespace guitest;

class UndoTest : public QObject, AppFixture {
    Q_OBJECT

    QString file;

    CLeftView* Tree() { return Active()->GetLeftView(); }
    CGorvantaView* Results() { return Active()->GetResultsView(); }
    // The keys reach the main window's shortcuts only while it is the active window.
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::ControlModifier) {
        Main()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Main()));
        QTest::keyClick(Main(), key, mods);
    }
    std::string SaveAndRead() {
        Main()->OnCommand(ID_FILE_SAVE);
        return ReadFile(file.toStdString());
    }
    // Selects the item of a pool piece (list of `type`, index i) or a suit, with the tree as the pane that
    // commands go to.
    void Select(const void* data) {
        Tree()->setFocus();
        QTreeWidgetItem* item = Tree()->FindDataItem(data);
        QVERIFY(item);
        Tree()->setCurrentItem(item);
    }
    CArmorPiece* Pool(int32_t type, size_t i) { return Doc().PoolListFor(type)->at(i); }
    CArmorSuit* SuitOf(const char* name) {
        for (CArmorSuit* s : Doc().m_arrSuits)
            if (s->m_strCharacter == name) return s;
        return nullptr;
    }
    // Head wear and gloves: four suits of the sample pool.
    void RunSearch() {
        TheSettings().m_nLowerLimit = 0;
        for (int k = 0; k < SLOT_COUNT; ++k) TheSettings().UseSlot(k) = (k == 0 || k == 3) ? 1 : 0;
        Doc().UpdateAllViews(nullptr, HINT_FILTERS_CHANGED);
        Main()->OnCommand(ID_CALC_START);
        QTRY_VERIFY_WITH_TIMEOUT(!IsCalcInProgress(), 20000);
        QVERIFY(Results()->Model()->rowCount() > 0);
    }
    // Drags the item's label onto the target's label with the left button.
    void Drag(QTreeWidgetItem* from, QTreeWidgetItem* onto) {
        CLeftView* tree = Tree();
        auto at = [tree](QTreeWidgetItem* item) {
            tree->scrollToItem(item);
            const QRect r = tree->visualItemRect(item);
            return QPoint(r.left() + 4, r.center().y());
        };
        const QPoint start = at(from);
        QTest::mousePress(tree->viewport(), Qt::LeftButton, Qt::NoModifier, start);
        QTest::mouseMove(tree->viewport(), start + QPoint(QApplication::startDragDistance() + 4, 2));
        QVERIFY(tree->IsDragging());
        const QPoint end = at(onto);
        QTest::mouseMove(tree->viewport(), end);
        QTest::mouseRelease(tree->viewport(), Qt::LeftButton, Qt::NoModifier, end);
    }

private slots:
    void init() {
        BeginCase();
        file = Path(QStringLiteral("undo.gva"));
        QVERIFY(WriteSampleFile(file));
        Start({file});
        Main()->show();
        Main()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Main()));
    }
    void cleanup() { EndCase(); }

    // Each kind of edit, made as the user makes it; after it, after its undo and after its redo the saved
    // file is compared with the one saved before it. In the end every step is undone back to the file as
    // it was opened, and redone to the last edit.
    void everyEditGoesBackAndForthByteForByte() {
        const std::string opened = Bytes(Doc());
        struct Edit {
            const char* name;
            std::function<void()> run;
        };
        const Edit edits[] = {
            {"import",
             [&] {
                 QGuiApplication::clipboard()->setText(QStringLiteral("copper ring, luck 20 \r\nbone helm, fire resist 3%\r\n"));
                 WhenModal<CImportDlg>([](CImportDlg& dlg) {
                     QTRY_VERIFY(dlg.PasteButton()->isEnabled());
                     QTest::mouseClick(dlg.PasteButton(), Qt::LeftButton);
                     QTRY_VERIFY(dlg.SaveButton()->isEnabled());
                     QTest::mouseClick(dlg.SaveButton(), Qt::LeftButton);
                 });
                 Main()->OnCommand(ID_EDIT_PASTE);
             }},
            {"delete item",
             [&] {
                 Select(Pool(PIECE_RING, 0));
                 box.answers = {IDYES};
                 Main()->OnCommand(ID_DELETE_ITEM);
             }},
            {"delete suit item",
             [&] {
                 Select(SuitOf("Varn")->m_arrPieces[1]);
                 Main()->OnCommand(ID_DELETE_SUIT_ITEM);
             }},
            {"delete suit",
             [&] {
                 Select(SuitOf("Varn"));
                 Main()->OnCommand(ID_DELETE_SUIT);
             }},
            {"add piece to suit, replacing its ring",
             [&] {
                 Select(Pool(PIECE_RING, 0));
                 WhenModal<CAddPieceDlg>([](CAddPieceDlg& dlg) { QTest::mouseClick(dlg.OkButton(), Qt::LeftButton); });
                 box.answers = {IDYES};
                 Main()->OnCommand(ID_ADD_PIECE_TO_SUIT);
             }},
            {"exclude",
             [&] {
                 Select(Pool(PIECE_GLOVES, 0));
                 Main()->OnCommand(ID_EXCLUDE_PIECE);
             }},
            {"pin",
             [&] {
                 Select(Pool(PIECE_HEADWEAR, 1));
                 Main()->OnCommand(ID_PIN_PIECE);
             }},
            {"assign, replacing the character's suit",
             [&] {
                 RunSearch();
                 WhenModal<CSuitDetailsDlg>([](CSuitDetailsDlg& dlg) {
                     dlg.CharacterBox()->lineEdit()->setText(QStringLiteral("holt"));
                     QTest::mouseClick(dlg.AssignButton(), Qt::LeftButton);
                 });
                 box.answers = {IDYES};
                 DoubleClick(Results()->viewport(), Results()->visualRect(Results()->model()->index(0, 0)).center());
             }},
            {"edit a suit's piece",
             [&] {
                 Select(SuitOf("holt")->m_arrPieces[0]);
                 WhenModal<CEditPieceDlg>([](CEditPieceDlg& dlg) {
                     dlg.ValueBox(PROP_FIRE)->setValue(dlg.ValueBox(PROP_FIRE)->value() + 7);
                     QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
                 });
                 Main()->OnCommand(ID_EDIT_PIECE);
             }},
            {"drop a pool piece on a suit",
             [&] {
                 Tree()->m_hSuitsRoot->setExpanded(true);
                 Drag(Tree()->FindDataItem(Pool(PIECE_RING, 0)), Tree()->FindDataItem(Doc().m_arrSuits[0]));
             }},
        };
        std::string last;
        for (const Edit& edit : edits) {
            const std::string before = SaveAndRead();
            QVERIFY2(!Doc().IsModified(), edit.name);
            edit.run();
            QVERIFY2(Doc().IsModified(), edit.name);
            const std::string after = SaveAndRead();
            QVERIFY2(after != before, edit.name);
            Key(Qt::Key_Z);
            QVERIFY2(Doc().IsModified(), edit.name);
            QVERIFY2(Main()->isWindowModified(), edit.name);
            QVERIFY2(SaveAndRead() == before, edit.name);
            Key(Qt::Key_Y);
            QVERIFY2(SaveAndRead() == after, edit.name);
            last = after;
        }
        // One step per edit, whatever it moved.
        const int steps = int(std::size(edits));
        QCOMPARE(Active()->GetDocument()->UndoStack().count(), steps);
        for (int i = 0; i < steps; ++i) Main()->Action(ID_EDIT_UNDO)->trigger();
        QVERIFY(Bytes(Doc()) == opened);
        Main()->UpdateCmdUI();
        QVERIFY(!Main()->Action(ID_EDIT_UNDO)->isEnabled());
        QVERIFY(Main()->Action(ID_EDIT_REDO)->isEnabled());
        for (int i = 0; i < steps; ++i) Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!Doc().IsModified());
        QVERIFY(SaveAndRead() == last);
        QCOMPARE(Tree()->CountPieceItems(Tree()->m_hItemsRoot), Doc().GetPoolCount());
    }

    // Far more steps than a count would keep all lead back to the opened bytes; the history is bounded by
    // its memory, not by a count: beyond the bound the oldest steps go, the newest always stays, and undo
    // stops where the kept steps begin, at the very bytes of that state.
    void longHistoriesReachTheOpenedStateAndAreBoundedByMemory() {
        CDocHolder& holder = *Active()->GetDocument();
        const std::string opened = Bytes(Doc());
        std::vector<std::string> states{opened};
        for (int i = 0; i < 300; ++i) {
            AddToPool(Doc(), ParsedPiece("ring " + std::to_string(i) + ", luck " + std::to_string(i % 90)));
            Doc().SetModifiedFlag(true);
            Doc().UpdateAllViews(nullptr, HINT_REFRESH);
            states.push_back(Bytes(Doc()));
        }
        QCOMPARE(holder.UndoStack().count(), 300);
        // Each step holds its piece, not the document: far less than 300 documents.
        QVERIFY(holder.UndoBytes() < 2 * opened.size() + 300 * 400);
        for (int i = 300; i > 0; --i) {
            QVERIFY(holder.CanUndo());
            holder.Undo();
            if (i % 50 == 1) QVERIFY(Bytes(Doc()) == states[size_t(i - 1)]);
        }
        QVERIFY(!holder.CanUndo());
        QVERIFY(Bytes(Doc()) == opened);
        QVERIFY(!Doc().IsModified());
        for (int i = 0; i < 300; ++i) holder.Redo();
        QVERIFY(Bytes(Doc()) == states.back());

        // A bound of 16 KB: pieces of 1 000 characters leave about fifteen steps.
        holder.SetUndoMemoryLimit(16 << 10);
        const size_t before = holder.UndoBytes();
        QVERIFY(before < 64 << 10);
        states = {Bytes(Doc())};
        for (int i = 0; i < 40; ++i) {
            AddToPool(Doc(), ParsedPiece("ring " + std::string(1000, char('a' + i % 26)) + ", luck 1"));
            Doc().UpdateAllViews(nullptr, HINT_REFRESH);
            states.push_back(Bytes(Doc()));
        }
        int undone = 0;
        while (holder.CanUndo()) {
            holder.Undo();
            ++undone;
            QVERIFY(Bytes(Doc()) == states[size_t(40 - undone)]);
        }
        QVERIFY(undone >= 5);
        QVERIFY(undone < 40);
        holder.SetUndoMemoryLimit(0);  // the newest step stays, the rest go
        for (int i = 0; i < undone; ++i) holder.Redo();
        QVERIFY(Bytes(Doc()) == states.back());
        holder.SetUndoMemoryLimit(0);
        QVERIFY(holder.CanUndo());
        holder.Undo();
        QVERIFY(Bytes(Doc()) == states[39]);
        QVERIFY(!holder.CanUndo());
    }

    // Opened, nothing to undo; the modified mark is off exactly at the saved state; a new edit drops
    // what could be redone; an undo discards the listed results; during a run nothing is undone.
    void theModifiedMarkFollowsTheSavedState() {
        QVERIFY(!Enabled(ID_EDIT_UNDO));
        QVERIFY(!Enabled(ID_EDIT_REDO));
        Select(Pool(PIECE_RING, 1));
        Main()->OnCommand(ID_EXCLUDE_PIECE);
        QVERIFY(Doc().IsModified());
        QVERIFY(Enabled(ID_EDIT_UNDO));
        Key(Qt::Key_Z);
        QVERIFY(!Doc().IsModified());
        QVERIFY(!Main()->isWindowModified());
        QCOMPARE(Pool(PIECE_RING, 1)->m_nMark, PieceMark::None);
        QVERIFY(!Enabled(ID_EDIT_UNDO));
        QVERIFY(Enabled(ID_EDIT_REDO));
        Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(Doc().IsModified());
        QCOMPARE(Pool(PIECE_RING, 1)->m_nMark, PieceMark::Excluded);
        SaveAndRead();
        QVERIFY(!Doc().IsModified());
        Key(Qt::Key_Z);
        QVERIFY(Doc().IsModified());
        QVERIFY(Main()->isWindowModified());
        Key(Qt::Key_Y);
        QVERIFY(!Doc().IsModified());

        Key(Qt::Key_Z);
        Select(Pool(PIECE_HEADWEAR, 0));
        Main()->OnCommand(ID_PIN_PIECE);
        QVERIFY(!Enabled(ID_EDIT_REDO));
        // The saved state (the ring excluded) is no step any more: no undo or redo reaches it.
        Key(Qt::Key_Z);
        QVERIFY(Doc().IsModified());
        QCOMPARE(Pool(PIECE_RING, 1)->m_nMark, PieceMark::None);
        Key(Qt::Key_Y);
        QVERIFY(Doc().IsModified());

        RunSearch();
        const std::string bytes = Bytes(Doc());
        TheCalcState().m_bCalcRunning.store(1);
        Main()->UpdateCmdUI();
        QVERIFY(!Main()->Action(ID_EDIT_UNDO)->isEnabled());
        Key(Qt::Key_Z);
        Active()->GetDocument()->Undo();
        QVERIFY(Bytes(Doc()) == bytes);
        QVERIFY(Results()->Model()->rowCount() > 0);
        TheCalcState().m_bCalcRunning.store(0);
        Key(Qt::Key_Z);
        QCOMPARE(Results()->Model()->ResultCount(), 0);
        QCOMPARE(Pool(PIECE_HEADWEAR, 0)->m_nMark, PieceMark::None);
    }
};

QTEST_MAIN(UndoTest)
#include "UndoTest.moc"
