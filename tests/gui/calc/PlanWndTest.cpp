// The plan window in the running program, as a player with several characters uses it: targets added,
// one edited in the Filters dialog, reordered, planned, the changes read against the suits, all assigned,
// undone byte for byte, redone, saved and reopened; a conflict and an unreachable target explained; and
// the window looked at with few and many targets, long names, at its default size and maximized.
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "core/calc/ResultColumns.h"
#include "core/document/Assignment.h"
#include "core/document/PlanDoc.h"
#include "core/document/PlanText.h"
#include "gui/calc/FiltersDlg.h"
#include "gui/calc/GorvantaView.h"
#include "gui/calc/PlanWnd.h"
#include "gui/resources/Icons.h"
#include "gui/resources/Resource.h"
#include "gui/ui/LeftView.h"
#include "gui/ui/QtMessageBox.h"
#include "gui/ui/SuitDetailsDlg.h"
#include "qtstore/QtText.h"
#include "support/AppTest.h"

using namespace guitest;

namespace {
void VerifyReopenedPlan(const CPlan& saved, const CPlan& reopened) { QVERIFY(reopened == saved); }

// Three helms and three chests; one helm alone has lower mana cost, one chest alone has the luck.
const char* const kPool[] = {
    "close helmet, physical resist 20%, fire resist 10%, lower mana cost 8%",
    "bone helmet, physical resist 12%, fire resist 12%",
    "leather cap, physical resist 6%, fire resist 6%",
    "leather tunic, luck 100 , physical resist 15%",
    "studded tunic, physical resist 25%, cold resist 20%",
    "studded tunic, physical resist 8%",
};

bool WritePlanFile(const QString& path) {
    CGorvantaDoc doc;
    for (const char* line : kPool) AddToPool(doc, line);
    AddSuit(doc, "Tank", {"platemail helm, physical resist 3%"});
    return SaveDocumentFile(doc, path.toStdString());
}
}  // namespace

class PlanWndTest : public QObject, AppFixture {
    Q_OBJECT

    QString file;

    CPlanWnd* Open() {
        Main()->OnCommand(ID_CALC_PLAN);
        CPlanWnd* wnd = Active()->GetDocument()->PlanWindow();
        if (wnd && !QTest::qWaitForWindowExposed(wnd)) return nullptr;
        return wnd;
    }
    void Activate(QWidget* w) {
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
    }
    std::string SaveAndRead() {
        Main()->OnCommand(ID_FILE_SAVE);
        return ReadFile(file.toStdString());
    }
    QStringList TargetNames(CPlanWnd* wnd) { return Column(wnd->Targets(), CPlanWnd::NAME_COLUMN); }
    CArmorPiece* Pool(int32_t type, size_t i) { return Doc().PoolListFor(type)->at(i); }
    static bool Holds(const CArmorSuit* suit, const CArmorPiece* p) {
        return suit && std::find(suit->m_arrPieces.begin(), suit->m_arrPieces.end(), p) != suit->m_arrPieces.end();
    }
    // Head wear and chest pieces only, no minimums: what new targets start from.
    void HeadAndChest() {
        CSettings& s = TheSettings();
        for (int k = 0; k < SLOT_COUNT; ++k) s.UseSlot(k) = (k == 0 || k == 4) ? 1 : 0;
        s.m_nLowerLimit = 0;
    }
    void Plan(CPlanWnd* wnd) {
        QTest::mouseClick(wnd->PlanButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(wnd->Result() && !IsCalcInProgress(), 20000);
    }

private slots:
    void init() {
        BeginCase();
        file = Path(QStringLiteral("plan.gva"));
        QVERIFY(WritePlanFile(file));
        Start({file});
        Main()->show();
        Main()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Main()));
        HeadAndChest();
    }
    void cleanup() { EndCase(); }

    void playersPath() {
        QCOMPARE(Doc().PoolListFor(PIECE_HEADWEAR)->size(), size_t(3));
        QCOMPARE(Doc().PoolListFor(PIECE_CHEST)->size(), size_t(3));
        QVERIFY(Enabled(ID_CALC_PLAN));
        QVERIFY(!CommandIcon(ID_CALC_PLAN).isNull());
        CPlanWnd* wnd = Open();
        QVERIFY(wnd);
        QCOMPARE(Open(), wnd);  // one window per document
        Shot(wnd, QStringLiteral("plan-empty"));
        QVERIFY(!wnd->PlanButton()->isEnabled());
        for (QPushButton* b : wnd->findChildren<QPushButton*>()) QVERIFY2(!b->toolTip().isEmpty(), qPrintable(b->text()));

        // Mage through Add: the box offers the document's characters, a new name is typed.
        WhenModal<QInputDialog>([](QInputDialog& dlg) {
            QVERIFY(dlg.comboBoxItems().contains(QStringLiteral("Tank")));
            dlg.setTextValue(QStringLiteral("  Mage "));
            dlg.accept();
        });
        QTest::mouseClick(wnd->AddButton(), Qt::LeftButton);
        QCOMPARE(TargetNames(wnd), QStringList{QStringLiteral("1. Mage")});
        QVERIFY(Doc().IsModified());
        // New targets start from the Filters settings as they are.
        TheSettings().m_nLuckLimit = 100;
        QVERIFY(wnd->AddTarget("Lucky"));
        TheSettings().m_nLuckLimit = 0;
        TheSettings().m_nRankBy = 6;
        QVERIFY(wnd->AddTarget("Tank"));
        TheSettings().m_nRankBy = 0;
        QVERIFY(!wnd->AddTarget("tank"));
        QCOMPARE(box.shown.back().text, std::string("Tank is already in the plan."));
        QCOMPARE(Column(wnd->Targets(), CPlanWnd::WISHES_COLUMN),
                 (QStringList{"no minimums, as found", "Luck >= 100, as found", "no minimums, best by Eff. Total"}));

        // Mage's wishes in the Filters dialog; the player's own settings stay.
        const CSettings before = TheSettings();
        wnd->SetCurrentTarget(0);
        WhenModal<CFiltersDlg>([](CFiltersDlg& dlg) {
            QVERIFY(dlg.windowTitle().contains(QStringLiteral("Mage")));
            QVERIFY(!dlg.FieldEdit(&CSettings::m_nSuitLimit)->isEnabled());
            QCOMPARE(dlg.FieldEdit(&CSettings::m_nLuckLimit)->text(), QStringLiteral("0"));
            dlg.FieldEdit(&CSettings::m_nLMCLimit)->setText(QStringLiteral("8"));
            QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
        });
        QTest::mouseClick(wnd->EditButton(), Qt::LeftButton);
        QCOMPARE(Doc().m_plan.m_arrTargets[0].m_wishes.m_nLMCLimit, 8);
        QCOMPARE(wnd->Targets()->topLevelItem(0)->text(CPlanWnd::WISHES_COLUMN), QStringLiteral("LMC >= 8, as found"));
        QCOMPARE(TheSettings().m_nLMCLimit, before.m_nLMCLimit);
        QVERIFY(!StoredInt(SETTINGS_SECTION, "LMC Limit").has_value());

        // Tank to the top with Ctrl+Up; an undo and a redo in the plan window's own keys.
        Activate(wnd);
        wnd->SetCurrentTarget(2);
        wnd->Targets()->setFocus();
        QTest::keyClick(wnd->Targets(), Qt::Key_Up, Qt::ControlModifier);
        QTest::keyClick(wnd->Targets(), Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(TargetNames(wnd), (QStringList{"1. Tank", "2. Mage", "3. Lucky"}));
        QCOMPARE(wnd->CurrentTarget(), 0);
        QTest::keyClick(wnd, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(TargetNames(wnd), (QStringList{"1. Mage", "2. Tank", "3. Lucky"}));
        QTest::keyClick(wnd, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(TargetNames(wnd), (QStringList{"1. Tank", "2. Mage", "3. Lucky"}));
        QVERIFY(!wnd->UpButton()->isEnabled());
        Shot(wnd, QStringLiteral("plan-before"));

        // Enter in the targets list runs the plan.
        wnd->Targets()->setFocus();
        QTest::keyClick(wnd->Targets(), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(wnd->Result() && !IsCalcInProgress(), 20000);
        // Undo and redo read the document anew: its pieces are new objects.
        CArmorPiece *manaHelm = Pool(PIECE_HEADWEAR, 0), *luckyTunic = Pool(PIECE_CHEST, 0);
        CArmorPiece *boneHelm = Pool(PIECE_HEADWEAR, 1), *studded = Pool(PIECE_CHEST, 1);
        const CPlanResult& result = *wnd->Result();
        QCOMPARE(result.m_nServed, 3);
        // Tank, first, takes the best the others leave: Mage needs the mana helm, Lucky the lucky tunic.
        QVERIFY(Holds(wnd->PlannedSuit(0), boneHelm) && Holds(wnd->PlannedSuit(0), studded));
        QVERIFY(Holds(wnd->PlannedSuit(1), manaHelm));
        QVERIFY(Holds(wnd->PlannedSuit(2), luckyTunic));
        // Tank's change against the suit worn now, column by column, coloured by what is better.
        const CArmorSuit* planned = wnd->PlannedSuit(0);
        const CArmorSuit* worn = SuitOfCharacter(Doc(), "Tank");
        QVERIFY(worn);
        QTreeWidgetItem* tank = wnd->ResultItem(0);
        QCOMPARE(tank->text(0), QStringLiteral("Tank"));
        QTreeWidgetItem* now = tank->child(0);
        QTreeWidgetItem* change = tank->child(1);
        QCOMPARE(now->text(0), QStringLiteral("worn now"));
        QCOMPARE(change->text(0), QStringLiteral("change"));
        for (int n = 0; n < RESULT_COLUMN_COUNT; ++n) {
            const int col = CPlanWnd::FIRST_RESULT_COLUMN + n;
            QCOMPARE(tank->text(col), ToQt(PlanCellText(*planned, n, false)));
            QCOMPARE(now->text(col), ToQt(PlanCellText(*worn, n, false)));
            if (n == 0) continue;
            const int delta = ResultColumnValue(*planned, n, false) - ResultColumnValue(*worn, n, false);
            QCOMPARE(change->text(col), ToQt(SignedText(delta)));
            if (n != 7 && delta > 0) QCOMPARE(change->foreground(col).color(), QColor(0, 128, 0));
            if (n != 7 && delta < 0) QCOMPARE(change->foreground(col).color(), QColor(190, 0, 0));
        }
        QCOMPARE(change->text(CPlanWnd::FIRST_RESULT_COLUMN + 1), QStringLiteral("+34"));  // 37 against 3
        // Mage wears nothing yet: no change row, the planned pieces by slot.
        QTreeWidgetItem* mage = wnd->ResultItem(1);
        QCOMPARE(mage->child(0)->text(CPlanWnd::FIRST_RESULT_COLUMN), QStringLiteral("none"));
        QCOMPARE(ChildTexts(mage).mid(1), (QStringList{ToQt("Head: " + manaHelm->m_strText), "Chest: studded tunic, physical resist 8%"}));
        Shot(wnd, QStringLiteral("plan-after"));
        // Tab goes from the list through its buttons to the run's controls, the result and Close, past
        // what is disabled.
        Activate(wnd);
        std::vector<QWidget*> chain;
        for (QWidget* w : std::initializer_list<QWidget*>{wnd->Targets(), wnd->AddButton(), wnd->EditButton(),
                                                           wnd->RemoveButton(), wnd->UpButton(), wnd->DownButton(),
                                                           wnd->WornBox(), wnd->PlanButton(), wnd->StopButton(),
                                                           wnd->AssignButton(), wnd->Results(), wnd->CloseButton()})
            if (w->isEnabled()) chain.push_back(w);
        QVERIFY(chain.size() >= 9);
        chain.front()->setFocus(Qt::TabFocusReason);
        for (size_t i = 1; i < chain.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), chain[i]);
        }

        // A suit's row opens its details, without the assignment.
        WhenModal<CSuitDetailsDlg>([](CSuitDetailsDlg& dlg) {
            QVERIFY(!dlg.AssignButton()->isVisible());
            QVERIFY(!dlg.CharacterBox()->isVisible());
            QCOMPARE(dlg.DetailsList()->topLevelItemCount(), 4);  // two pieces, the empty row, the totals
            Shot(&dlg, QStringLiteral("plan-suit-details"));
            dlg.reject();
        });
        wnd->Results()->setCurrentItem(tank);
        wnd->Results()->setFocus();
        QTest::keyClick(wnd->Results(), Qt::Key_Return);
        QVERIFY(wnd->Result());  // Enter on a suit shows it, and runs nothing

        // Assign All: one question, one step.
        const std::string beforeAssign = SaveAndRead();
        const size_t undoSteps = size_t(Active()->GetDocument()->UndoStack().index());
        box.answers = {IDYES};
        QTest::mouseClick(wnd->AssignButton(), Qt::LeftButton);
        QCOMPARE(box.shown.back().text,
                 std::string("Assign the planned suits of 3 characters? The current suit of Tank is replaced."));
        QCOMPARE(box.shown.back().buttons, MsgButtons::YesNo);
        QCOMPARE(Doc().m_arrSuits.size(), size_t(3));
        QVERIFY(!wnd->Result());  // the suits changed
        QVERIFY(!wnd->AssignButton()->isEnabled());
        QCOMPARE(size_t(Active()->GetDocument()->UndoStack().index()), undoSteps + 1);
        CLeftView* tree = Active()->GetLeftView();
        for (const char* name : {"Tank", "Mage", "Lucky"}) {
            CArmorSuit* s = SuitOfCharacter(Doc(), name);
            QVERIFY(s);
            QVERIFY(tree->FindDataItem(s));
        }
        QVERIFY(Holds(SuitOfCharacter(Doc(), "Mage"), manaHelm));
        QCOMPARE(Doc().PoolListFor(PIECE_HEADWEAR)->size(), size_t(1));  // the old helm is back in the pool
        const std::string assigned = Bytes(Doc());

        Main()->OnCommand(ID_EDIT_UNDO);
        QCOMPARE(SaveAndRead(), beforeAssign);
        QCOMPARE(Doc().m_arrSuits.size(), size_t(1));
        Main()->OnCommand(ID_EDIT_REDO);
        QCOMPARE(Bytes(Doc()), assigned);
        QCOMPARE(Doc().m_arrSuits.size(), size_t(3));

        // Saved and reopened.
        const CPlan plan = Doc().m_plan;
        SaveAndRead();
        QVERIFY(!Doc().IsModified());
        wnd->resize(760, 430);
        Main()->OnCommand(ID_FILE_CLOSE);
        ProcessDeferredDeletes();
        QVERIFY(app->OpenDocumentFile(file));
        VerifyReopenedPlan(plan, Doc().m_plan);
        // The window comes back where the player left it.
        QCOMPARE(Open()->size(), QSize(760, 430));
        QCOMPARE(Doc().m_arrSuits.size(), size_t(3));
    }

    // First takes the one helm with lower mana cost; Second wants it too; Dreamer wants what no piece has.
    void conflictAndUnreachableAreExplained() {
        CPlanWnd* wnd = Open();
        TheSettings().m_nLMCLimit = 8;
        QVERIFY(wnd->AddTarget("First"));
        QVERIFY(wnd->AddTarget("Second"));
        TheSettings().m_nLMCLimit = 200;
        QVERIFY(wnd->AddTarget("Dreamer"));
        Plan(wnd);
        if (QTest::currentTestFailed()) return;
        const CPlanResult& r = *wnd->Result();
        QCOMPARE(r.m_arrPicks[1].m_reason, PlanReason::Conflict);
        QCOMPARE(r.m_arrPicks[2].m_reason, PlanReason::Unreachable);
        QCOMPARE(wnd->ResultItem(0)->text(0), QStringLiteral("First"));
        QCOMPARE(wnd->ResultItem(1)->text(0), QStringLiteral("Second: needs pieces taken by a higher character (First)"));
        QCOMPARE(wnd->ResultItem(2)->text(0), QStringLiteral("Dreamer: no suit meets these wishes even alone"));
        QVERIFY(wnd->ResultItem(1)->isFirstColumnSpanned());
        Shot(wnd, QStringLiteral("plan-conflict"));
        // A change of the plan discards its result; Delete in the list removes a target, Undo brings it back.
        Activate(wnd);
        wnd->SetCurrentTarget(2);
        wnd->Targets()->setFocus();
        QTest::keyClick(wnd->Targets(), Qt::Key_Delete);
        QCOMPARE(TargetNames(wnd), (QStringList{"1. First", "2. Second"}));
        QVERIFY(!wnd->Result());
        QCOMPARE(wnd->Results()->topLevelItemCount(), 0);
        Main()->OnCommand(ID_EDIT_UNDO);
        QCOMPARE(TargetNames(wnd), (QStringList{"1. First", "2. Second", "3. Dreamer"}));
        // The worn switch is part of the plan: a change, undoable.
        QTest::mouseClick(wnd->WornBox(), Qt::LeftButton);
        QVERIFY(Doc().m_plan.m_bWorn);
        Main()->OnCommand(ID_EDIT_UNDO);
        QVERIFY(!Doc().m_plan.m_bWorn);
        QVERIFY(!wnd->WornBox()->isChecked());
        // One run in the program: while a calculation runs the plan neither edits nor starts.
        TheCalcState().m_bCalcRunning.store(1);
        Doc().UpdateAllViews(Active()->GetResultsView(), HINT_START_CALC);
        QVERIFY(!wnd->PlanButton()->isEnabled());
        QVERIFY(!wnd->AddButton()->isEnabled());
        wnd->OnPlan();
        QVERIFY(!wnd->Run().IsActive());
        QVERIFY(!wnd->AddTarget("Late"));
        TheCalcState().m_bCalcRunning.store(0);
        Doc().UpdateAllViews(Active()->GetResultsView(), HINT_CALC_DONE);
        QVERIFY(wnd->PlanButton()->isEnabled());
        // A change of the pool discards the result as well.
        Plan(wnd);
        if (QTest::currentTestFailed()) return;
        Doc().PoolListFor(PIECE_CHEST)->pop_back();  // what the tree's Delete Item does, told as it tells it
        box.answers = {};
        Doc().SetModifiedFlag(true);
        Doc().UpdateAllViews(nullptr, HINT_REFRESH);
        QVERIFY(!wnd->Result());
    }

    // The window with 1, 3 and 6 targets, with long names, at its default size and maximized, and the Assign
    // All question as the player sees it.
    void looks() {
        CPlanWnd* wnd = Open();
        const std::string longName = "Sir Reginald Maximilian of the Eastern Marches, Keeper of Rings";
        const std::vector<std::string> names = {"Mage", "Healer", longName, "Tank", "Archer", "Bard"};
        TheSettings().m_nLowerLimit = 20;
        TheSettings().m_nRankBy = 6;
        for (size_t i = 0; i < names.size(); ++i) {
            QVERIFY(wnd->AddTarget(names[i]));
            if (i + 1 != 1 && i + 1 != 3 && i + 1 != 6) continue;
            Plan(wnd);
            if (QTest::currentTestFailed()) return;
        if (QTest::currentTestFailed()) return;
            const QString n = QString::number(i + 1);
            wnd->showNormal();
            QCoreApplication::processEvents();
            Shot(wnd, QStringLiteral("plan-%1-targets").arg(n));
            wnd->showMaximized();
            QTRY_VERIFY(wnd->isMaximized());
            Shot(wnd, QStringLiteral("plan-%1-targets-maximized").arg(n));
            // The test screen is small: a large window as a maximized one on a desktop.
            wnd->showNormal();
            wnd->resize(1600, 1000);
            QCoreApplication::processEvents();
            Shot(wnd, QStringLiteral("plan-%1-targets-large").arg(n));
            // A long name is cut: the wishes keep their room.
            QVERIFY(wnd->Targets()->columnWidth(CPlanWnd::NAME_COLUMN) < wnd->Targets()->viewport()->width() / 2);
            wnd->showNormal();
        }
        // The question with the program's own message box.
        CQtMessageBox real;
        CMessageBoxScope scope(&real);
        bool asked = false;
        WhenModal<QMessageBox>([&asked](QMessageBox& q) {
            asked = q.text().startsWith(QStringLiteral("Assign the planned suit"));
            Shot(&q, QStringLiteral("plan-assign-question"));
            q.button(QMessageBox::No)->click();
        });
        const size_t suits = Doc().m_arrSuits.size();
        QTest::mouseClick(wnd->AssignButton(), Qt::LeftButton);
        QVERIFY(asked);
        QCOMPARE(Doc().m_arrSuits.size(), suits);  // No changes nothing
        QVERIFY(wnd->Result());
    }
};

QTEST_MAIN(PlanWndTest)
#include "PlanWndTest.moc"
