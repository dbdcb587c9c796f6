// A run in the running window program belongs to the document and the window where Start was pressed:
// other documents and other windows come and go around it; closing its document stops it. The status
// bar's message pane shows one text at a time, during a run and after it.
#include <QLabel>
#include <QMdiArea>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include "gui/calc/CalcProgress.h"
#include "gui/calc/CalcRun.h"
#include "gui/calc/GorvantaView.h"
#include "gui/resources/Resource.h"
#include "support/AppTest.h"
#include "gui/ui/LeftView.h"

using namespace guitest;

class RunOwnershipTest : public QObject, AppFixture {
    Q_OBJECT

    void Activate(CChildFrame* frame) { Main()->MdiArea()->setActiveSubWindow(frame); }
    static int Rows(CChildFrame* frame) { return frame->GetResultsView()->Model()->rowCount(); }
    static CGorvantaView* View(CChildFrame* frame) { return frame->GetResultsView(); }
    // Six slots of n pieces, every combination a suit.
    void Prepare(int n) {
        FillPool(Doc(), 6, n);
        OpenSettings(Doc(), 6);
        Doc().SetModifiedFlag(false);
    }

    // What is wrong with the status bar's message area, which must show `text` in the message pane alone;
    // empty when nothing is.
    QString MessageAreaFault(const QString& text) {
        QLabel* pane = Main()->MessagePane();
        if (!pane->isVisible()) return QStringLiteral("the pane is hidden");
        if (pane->text() != text) return QStringLiteral("the pane shows ") + pane->text();
        for (QLabel* label : Main()->statusBar()->findChildren<QLabel*>())
            if (label != pane && label->isVisible() && label->text().contains(QLatin1String("Ready")))
                return QStringLiteral("another label shows ") + label->text();
        // What the bar shows there is the pane alone: nothing painted over or under it.
        const QImage bar = Main()->statusBar()->grab(pane->geometry()).toImage().convertToFormat(QImage::Format_RGB32);
        if (bar != pane->grab().toImage().convertToFormat(QImage::Format_RGB32))
            return QStringLiteral("more than the pane is painted there");
        return QString();
    }

public:
    RunOwnershipTest() : AppFixture({StoreKind::TestIni, true}) {}

private slots:
    void init() { BeginCase(); }
    void cleanup() { EndCase(); }

    // Two windows on document A and a document B. Start in A's second window: the rows come there, the
    // first window's list stays empty, and every tree of A is busy until the end. Start is greyed
    // everywhere meanwhile. Closing B and A's first window during a run leaves it going to its end;
    // closing its own window, or A, during a run stops it and waits for its worker, without a summary.
    void runBelongsToItsWindowAndDocument() {
        Start();
        Prepare(3);
        CChildFrame* first = Active();
        Main()->OnCommand(ID_WINDOW_NEW);
        CChildFrame* second = Active();
        QVERIFY(second != first);
        Main()->OnCommand(ID_FILE_NEW);
        CChildFrame* other = Active();
        QCOMPARE(int(app->Documents().size()), 2);

        Activate(second);
        Main()->OnCommand(ID_CALC_START);
        QVERIFY(View(second)->HasActiveRun());
        QVERIFY(!View(first)->HasActiveRun());
        QCOMPARE(first->GetLeftView()->m_bCalculating, 1);
        QCOMPARE(second->GetLeftView()->m_bCalculating, 1);
        QCOMPARE(other->GetLeftView()->m_bCalculating, 0);
        for (CChildFrame* frame : {first, second, other}) {
            Activate(frame);
            QVERIFY(!Enabled(ID_CALC_START));
        }
        Main()->OnCommand(ID_CALC_START);  // greyed in B too: nothing starts there
        QVERIFY(!View(other)->HasActiveRun());
        QTRY_VERIFY_WITH_TIMEOUT(!CCalcRun::AnyActive(), 60000);
        QCOMPARE(Rows(second), 729);
        QCOMPARE(Rows(first), 0);
        QCOMPARE(first->GetLeftView()->m_bCalculating, 0);
        QCOMPARE(int(box.shown.size()), 1);

        // The worker waits for its first report to be taken, which only this thread's event loop does:
        // the run is surely still going while B and A's first window close.
        Activate(second);
        Main()->OnCommand(ID_CALC_START);
        QVERIFY(View(second)->HasActiveRun());
        Activate(other);
        Main()->OnCommand(ID_FILE_CLOSE);
        QCOMPARE(int(app->Documents().size()), 1);
        QVERIFY(first->close());
        QVERIFY(IsCalcRunning());
        QVERIFY(View(second)->HasActiveRun());
        ProcessDeferredDeletes();
        QTRY_VERIFY_WITH_TIMEOUT(!CCalcRun::AnyActive(), 60000);
        QCOMPARE(Rows(second), 729);
        QCOMPARE(int(box.shown.size()), 2);
        QVERIFY(box.shown[1].text.rfind("729 suit configurations examined.\n729 suits meet limit standards.\n", 0) == 0);
        QCOMPARE(second->GetLeftView()->m_bCalculating, 0);

        // Closing the window whose list the run fills stops the run; the document's other window is
        // free again.
        Main()->OnCommand(ID_WINDOW_NEW);
        CChildFrame* third = Active();
        Activate(second);
        Main()->OnCommand(ID_CALC_START);
        QCOMPARE(third->GetLeftView()->m_bCalculating, 1);
        QVERIFY(second->close());
        QVERIFY(!CCalcRun::AnyActive());
        QCOMPARE(third->GetLeftView()->m_bCalculating, 0);
        QCOMPARE(int(box.shown.size()), 2);
        ProcessDeferredDeletes();

        Main()->OnCommand(ID_CALC_START);
        QVERIFY(View(third)->HasActiveRun());
        Main()->OnCommand(ID_FILE_CLOSE);
        QVERIFY(app->Documents().empty());
        QVERIFY(!CCalcRun::AnyActive());
        QCOMPARE(TheCalcState().m_bCalcRunning.load(), 0);
        QCOMPARE(int(box.shown.size()), 2);
    }

    // The pointer rests on Start when it is pressed: its prompt stays in the message pane while the run's
    // progress comes and goes, with nothing painted over it; "Ready" comes back when the pointer leaves.
    void messagePaneShowsOneText() {
        Start();
        Prepare(14);
        const QString prompt = QStringLiteral("Calculate armor combinations");
        QCOMPARE(MessageAreaFault(QStringLiteral("Ready")), QString());
        QAction* start = Main()->Action(ID_CALC_START);
        start->showStatusText(Main()->ToolBar()->widgetForAction(start));
        QCOMPARE(Main()->statusBar()->currentMessage(), prompt);
        QCOMPARE(MessageAreaFault(prompt), QString());
        Main()->OnCommand(ID_CALC_START);
        QTRY_VERIFY_WITH_TIMEOUT(View(Active())->Progress() != nullptr, 20000);
        // Two passes of the event loop: the status bar's relayout is done, the run (many hand-overs from
        // its end) is not.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QVERIFY(View(Active())->Progress() && View(Active())->Progress()->isVisible());
        QCOMPARE(MessageAreaFault(prompt), QString());
        Shot(Main(), QStringLiteral("run-in-progress"));
        QTRY_VERIFY_WITH_TIMEOUT(!CCalcRun::AnyActive(), 60000);
        QCoreApplication::processEvents();
        QVERIFY(!View(Active())->Progress());
        QCOMPARE(MessageAreaFault(prompt), QString());
        Shot(Main(), QStringLiteral("run-done"));
        Main()->statusBar()->clearMessage();
        QCOMPARE(MessageAreaFault(QStringLiteral("Ready")), QString());
    }
};

QTEST_MAIN(RunOwnershipTest)
#include "RunOwnershipTest.moc"
