// The results view with a real document: runs started and stopped through the document's hints, rows
// arriving in order, the summary box, refusals during a run, sorting by header clicks, column widths,
// the suit details and assignment, results discarded when the pool changes, the status bar during a run
// and closing a document while its run goes on.
#include <QCursor>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QComboBox>
#include <QSignalSpy>
#include <QStatusBar>

#include <regex>

#include "gui/calc/CalcProgress.h"
#include "gui/calc/GorvantaView.h"
#include "core/document/Assignment.h"
#include "support/GuiTest.h"
#include "support/Pools.h"
#include "gui/ui/LeftView.h"
#include "gui/ui/SuitDetailsDlg.h"

using namespace guitest;

namespace {
// Records every message with the cursor in force when it was shown; runs a hook on each.
class CProbeBox : public IMessageBox {
public:
    struct Shown {
        std::string text;
        MsgIcon icon;
        bool waitCursor;
        bool running;
    };
    int Show(const std::string& text, MsgButtons buttons, MsgIcon icon) override {
        const QCursor* c = QApplication::overrideCursor();
        shown.push_back({text, icon, c && c->shape() == Qt::WaitCursor, IsCalcRunning()});
        if (onShow) onShow();
        return buttons == MsgButtons::YesNo ? IDNO : IDOK;
    }
    std::vector<Shown> shown;
    std::function<void()> onShow;
};

void ClickHeader(CGorvantaView& v, int column) {
    QHeaderView* h = v.horizontalHeader();
    const QPoint at(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2);
    SendMouse(h->viewport(), QEvent::MouseButtonPress, at, Qt::LeftButton);
    SendMouse(h->viewport(), QEvent::MouseButtonRelease, at, Qt::NoButton);
}

void DoubleClickRow(CGorvantaView& v, int row) {
    DoubleClick(v.viewport(), v.visualRect(v.model()->index(row, 0)).center());
}
}  // namespace

class ResultsViewTest : public QObject, Fixture {
    Q_OBJECT
    CProbeBox box;  // read by the cases instead of the fixture's
    struct CWindow {
        QMainWindow frame;
        CGorvantaDoc doc;
        CGorvantaView* view;
        CRecordingView hints;
        // A window whose document has n pieces in each of the first slotCount slots, all taking part.
        explicit CWindow(int slotCount = 0, int n = 0) {
            view = new CGorvantaView(doc);
            view->m_nThreads = 2;
            frame.setCentralWidget(view);
            frame.statusBar()->showMessage(QStringLiteral("Ready"));
            frame.resize(1000, 600);
            frame.show();
            view->OnInitialUpdate();
            doc.AddView(&hints);
            if (slotCount == 0) return;
            FillPool(doc, slotCount, n);
            OpenSettings(doc, slotCount);
        }
        ~CWindow() {
            doc.OnCloseDocument();
            doc.RemoveView(&hints);
            delete view;
        }
        void Start() { doc.UpdateAllViews(nullptr, HINT_START_CALC); }
        void WaitForEnd() { QTRY_VERIFY_WITH_TIMEOUT(!view->HasActiveRun(), 60000); }
    };
    void Run(CWindow& w) {
        QSignalSpy finished(&w.view->Run(), &CCalcRun::Finished);
        w.Start();
        QVERIFY(finished.wait(60000));
    }

public:
    ResultsViewTest() : Fixture({StoreKind::TestIni, true}) { UseBox(box); }

private slots:
    void init() { BeginCase(); }
    void cleanup() { EndCase(); }
    // Every suit arrives in order; the summary box closes the run with the elapsed time, without the
    // wait cursor and while the run still counts as running; the view tells the others it is done.
    void rowsInOrderAndTheSummary() {
        CWindow w(3, 12);
        Run(w);
        QCOMPARE(w.view->Model()->rowCount(), 1728);
        const auto names = SuitNames(*w.view->Model());
        QCOMPARE(names.front(), std::string("Suit 00000"));
        QCOMPARE(names.back(), std::string("Suit 01727"));
        QVERIFY(std::is_sorted(names.begin(), names.end()));
        for (int i = 0; i < w.view->Model()->ResultCount(); ++i)
            QCOMPARE(w.view->Model()->ResultAt(i)->m_strName, names[size_t(i)]);
        QCOMPARE(w.view->m_nCombinationCount, int64_t(1728));
        QCOMPARE(box.shown.size(), size_t(1));
        const std::string& text = box.shown[0].text;
        QVERIFY(std::regex_match(text, std::regex("1728 suit configurations examined\\.\n1728 suits meet limit standards\\."
                                                  "\nAttr\\.\tLimit\tHighest\nResist\t0\t\\d+\n[^]*"
                                                  "\nElapsed time: 00:00:0\\d")));
        QCOMPARE(box.shown[0].icon, MsgIcon::Exclamation);
        QVERIFY(!box.shown[0].waitCursor);
        QVERIFY(box.shown[0].running);
        QVERIFY(!QApplication::overrideCursor());
        const auto done = std::find(w.hints.calls.begin(), w.hints.calls.end(),
                                    std::make_pair(static_cast<IDocView*>(w.view), int(HINT_CALC_DONE)));
        QVERIFY(done != w.hints.calls.end());
        // Exactly one suit: the singular line.
        box.shown.clear();
        TheSettings().m_nSuitLimit = 1;
        Run(w);
        QCOMPARE(w.view->Model()->rowCount(), 1);
        QVERIFY(box.shown[0].text.find("\n1 suit meets limit standards.\n") != std::string::npos);
        // None at all.
        box.shown.clear();
        TheSettings().m_nSuitLimit = 100;
        TheSettings().m_nLowerLimit = 350;
        w.view->OnUpdate(nullptr, HINT_FILTERS_CHANGED);
        Run(w);
        QCOMPARE(w.view->Model()->rowCount(), 0);
        QVERIFY(box.shown[0].text.find("\n0 suits meet limit standards.\n") != std::string::npos);
        // A run that runs out of memory says so before its summary; the program and the document go on.
        box.shown.clear();
        TheSettings().m_nLowerLimit = 0;
        w.view->OnUpdate(nullptr, HINT_FILTERS_CHANGED);
        {
            CCalcHooks hooks;
            hooks.chunkStart = [](int64_t chunk) {
                if (chunk == 3) throw std::bad_alloc();
            };
            CCalcHooksScope scope(hooks);
            Run(w);
        }
        QCOMPARE(box.shown.size(), size_t(2));
        QCOMPARE(box.shown[0].text, std::string("Not enough memory to finish the calculation."));
        QCOMPARE(box.shown[0].icon, MsgIcon::Stop);
        QVERIFY(box.shown[1].text.find(" suit configurations examined.\n") != std::string::npos);
        QVERIFY(w.view->Model()->rowCount() < 1728);
        QCOMPARE(w.doc.GetPoolCount(), 36);
    }
    // Rows show up while the run goes on, with the wait cursor and the progress in the status bar; Stop
    // ends it early and keeps what was listed.
    void rowsDuringTheRunAndStop() {
        CWindow w(6, 14);
        w.Start();
        QCOMPARE(TheCalcState().m_bCalcRunning.load(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(w.view->Model()->rowCount() > 0, 20000);
        QVERIFY(w.view->HasActiveRun());
        QVERIFY(w.view->Progress());
        QVERIFY(w.frame.statusBar()->findChild<CCalcProgress*>());
        QVERIFY(QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor);
        // The worker waits for this thread to take its next batch: the run is held while we look.
        w.view->Progress()->Refresh();
        QVERIFY(w.view->Progress()->Rate()->text().endsWith(QStringLiteral(" combinations/s")));
        Shot(&w.frame, QStringLiteral("run-in-progress"));
        w.doc.UpdateAllViews(nullptr, HINT_STOP_CALC);
        w.WaitForEnd();
        QCOMPARE(box.shown.size(), size_t(1));
        const long long examined = std::stoll(box.shown[0].text);
        QVERIFY(examined < 14LL * 14 * 14 * 14 * 14 * 14);
        const int rows = w.view->Model()->rowCount();
        QVERIFY(rows > 0);
        QVERIFY(box.shown[0].text.find("\n" + std::to_string(rows) + " suits meet limit standards.\n") !=
                std::string::npos);
        QVERIFY(!w.view->Progress());
        QVERIFY(!w.frame.statusBar()->findChild<CCalcProgress*>());
        QVERIFY(!QApplication::overrideCursor());
        // A Stop with no run does nothing.
        w.doc.UpdateAllViews(nullptr, HINT_STOP_CALC);
        QCOMPARE(w.view->Model()->rowCount(), rows);
    }
    // While a run is in progress Start is refused, from this view or a second one on the document, and
    // a double-click opens nothing; the next Start clears the old rows.
    void refusalsDuringARun() {
        CWindow w(6, 14);
        auto* second = new CGorvantaView(w.doc);
        second->OnInitialUpdate();
        ModalProbe probe;
        probe.Start();
        // The first window's hint reaches both views: only one of them runs.
        w.Start();
        QTRY_VERIFY_WITH_TIMEOUT(w.view->Model()->rowCount() > 10, 20000);
        QVERIFY(w.view->HasActiveRun() != second->HasActiveRun());
        CGorvantaView* running = w.view->HasActiveRun() ? w.view : second;
        const int rows = running->Model()->rowCount();
        w.Start();
        QVERIFY(running->Model()->rowCount() >= rows);
        DoubleClickRow(*running, 0);
        QTest::qWait(30);
        QVERIFY(!probe.Seen());
        w.doc.UpdateAllViews(nullptr, HINT_STOP_CALC);
        QTRY_VERIFY_WITH_TIMEOUT(!running->HasActiveRun(), 60000);
        QCOMPARE(box.shown.size(), size_t(1));
        // Outside a run the double-click opens the details.
        DoubleClickRow(*running, 0);
        QTRY_VERIFY(probe.Seen());
        probe.Stop();
        // A new run starts from an empty list.
        TheSettings().m_nSuitLimit = 5;
        QSignalSpy finished(&running->Run(), &CCalcRun::Finished);
        w.Start();
        QVERIFY(finished.wait(20000));
        QCOMPARE(running->Model()->rowCount(), 5);
        QCOMPARE(running->Model()->ResultCount(), 5);
        delete second;
    }
    // Every column sorts by its rule on the first click, the other way on the second and as at first
    // on the third.
    void headerClicksSortEveryColumn() {
        CWindow w(3, 9);
        TheSettings().m_bBypassResistCap = 1;
        Run(w);
        TheSettings().m_bBypassResistCap = 0;
        for (int n = 8; n < 16; ++n) *TheSettings().ColumnSwitch(n) = 1;
        w.doc.UpdateAllViews(nullptr, HINT_FILTERS_CHANGED);
        for (int c = 0; c < 16; ++c) {
            ClickHeader(*w.view, c);
            const auto once = SuitNames(*w.view->Model());
            for (int r = 0; r + 1 < w.view->Model()->rowCount(); ++r)
                QVERIFY(CompareResults(*w.view->Model()->SuitAt(r), *w.view->Model()->SuitAt(r + 1), c, false) <= 0);
            ClickHeader(*w.view, c);
            for (int r = 0; r + 1 < w.view->Model()->rowCount(); ++r)
                QVERIFY(CompareResults(*w.view->Model()->SuitAt(r), *w.view->Model()->SuitAt(r + 1), c, false) >= 0);
            ClickHeader(*w.view, c);
            QCOMPARE(SuitNames(*w.view->Model()), once);
        }
        ClickHeader(*w.view, 0);
        QCOMPARE(SuitNames(*w.view->Model()).front(), std::string("Suit 00000"));
        // Rows added while the cap is in force, sorted by "Eff. Total".
        Run(w);
        ClickHeader(*w.view, 6);
        Shot(&w.frame, QStringLiteral("results-optional-columns"));
    }
    // All display switches off: eight columns shown, the optional eight at width 0; the Filters hint
    // shows and hides them at their stored widths without writing any width. (In a font small enough
    // for every heading; the defaults grow to fit a larger one.)
    void columnWidths() {
        CWindow w;
        QFont small = w.view->font();
        small.setPixelSize(7);
        w.view->setFont(small);
        QCOMPARE(w.view->model()->columnCount(), 16);
        const int widths[8] = {60, 50, 50, 50, 50, 50, 80, 80};
        for (int c = 0; c < 8; ++c) QCOMPARE(w.view->ColumnWidth(c), widths[c]);
        for (int c = 8; c < 16; ++c) QCOMPARE(w.view->horizontalHeader()->sectionSize(c), 0);
        SyncStore();
        TheSettings().m_nColumnWidth[12] = 77;
        TheSettings().m_bDisplayHR = 1;
        w.doc.UpdateAllViews(nullptr, HINT_FILTERS_CHANGED);
        QCOMPARE(w.view->ColumnWidth(12), 77);
        QCOMPARE(w.view->ColumnWidth(11), 0);
        TheSettings().m_bDisplayHR = 0;
        w.doc.UpdateAllViews(nullptr, HINT_FILTERS_CHANGED);
        QCOMPARE(w.view->ColumnWidth(12), 0);
        QVERIFY(!Store().ReadInt(SETTINGS_SECTION, "Column12"));
        // A width the user drags survives a restart; columns 13 to 15 are back to 50.
        TheSettings().m_nColumnWidth[12] = 50;
        TheSettings().m_bDisplayHR = 1;
        TheSettings().m_bDisplaySR = 1;
        w.doc.UpdateAllViews(nullptr, HINT_FILTERS_CHANGED);
        QHeaderView* h = w.view->horizontalHeader();
        const int y = h->height() / 2;
        for (int column : {12, 13}) {
            const int edge = h->sectionViewportPosition(column) + h->sectionSize(column) - 1;
            SendMouse(h->viewport(), QEvent::MouseButtonPress, QPoint(edge, y), Qt::LeftButton);
            for (int dx = 4; dx <= 24; dx += 4)
                SendMouse(h->viewport(), QEvent::MouseMove, QPoint(edge + dx, y), Qt::LeftButton);
            // Nothing is saved while the divider is still being dragged.
            QCOMPARE(TheSettings().m_nColumnWidth[size_t(column)], 50);
            SendMouse(h->viewport(), QEvent::MouseButtonRelease, QPoint(edge + 24, y), Qt::NoButton);
            QTRY_COMPARE(TheSettings().m_nColumnWidth[size_t(column)], 74);
        }
        SyncStore();
        CQtProfileStore restartedStore;
        SetProfileStore(&restartedStore);
        CSettings restarted;
        restarted.LoadSettings();
        SetProfileStore(&Store());
        QCOMPARE(restarted.m_nColumnWidth[12], 74);
        QCOMPARE(restarted.m_nColumnWidth[13], 50);
    }
    // An assignment from the details dialog empties the list and the tree shows the new suit.
    void assignmentEmptiesTheList() {
        CWindow w(2, 4);
        auto* tree = new CLeftView(w.doc);
        tree->OnInitialUpdate();
        Run(w);
        QCOMPARE(w.view->Model()->rowCount(), 16);
        ClickHeader(*w.view, 6);
        CArmorSuit* chosen = w.view->Model()->SuitAt(3);
        const std::vector<CArmorPiece*> pieces = chosen->m_arrPieces;
        const int poolBefore = w.doc.GetPoolCount();
        WhenModal<CSuitDetailsDlg>([](CSuitDetailsDlg& dlg) {
            Shot(&dlg, QStringLiteral("suit-details-from-list"));
            dlg.CharacterBox()->lineEdit()->setText(QStringLiteral("Mirelle"));
            QTest::mouseClick(dlg.AssignButton(), Qt::LeftButton);
        });
        DoubleClickRow(*w.view, 3);
        QCOMPARE(w.view->Model()->rowCount(), 0);
        QCOMPARE(w.view->Model()->ResultCount(), 0);
        QCOMPARE(w.doc.m_arrSuits.size(), size_t(1));
        QCOMPARE(w.doc.m_arrSuits[0], chosen);
        QCOMPARE(chosen->m_strCharacter, std::string("Mirelle"));
        QCOMPARE(w.doc.GetPoolCount(), poolBefore - int(pieces.size()));
        QCOMPARE(w.hints.calls.back(), std::make_pair(static_cast<IDocView*>(w.view), int(HINT_REFRESH)));
        QTreeWidgetItem* suitItem = tree->FindChildByText(tree->m_hSuitsRoot, "Mirelle");
        if (!suitItem)
            for (int i = 0; i < tree->m_hSuitsRoot->childCount() && !suitItem; ++i)
                if (CLeftView::SuitOf(tree->m_hSuitsRoot->child(i)) == chosen) suitItem = tree->m_hSuitsRoot->child(i);
        QVERIFY(suitItem);
        QCOMPARE(CLeftView::SuitOf(suitItem), chosen);
        // Exit assigns nothing and keeps the list.
        Run(w);
        const int rows = w.view->Model()->rowCount();
        QVERIFY(rows > 0);
        WhenModal<CSuitDetailsDlg>([](CSuitDetailsDlg& dlg) { QTest::mouseClick(dlg.ExitButton(), Qt::LeftButton); });
        DoubleClickRow(*w.view, 0);
        QCOMPARE(w.view->Model()->rowCount(), rows);
        delete tree;
    }
    // A piece leaving the pool (deleted, or moved into a suit) takes every result with it; pieces
    // joining the pool leave the results alone.
    void poolChangesDiscardResults() {
        CWindow w(2, 4);
        Run(w);
        QCOMPARE(w.view->Model()->rowCount(), 16);
        AddPiece(w.doc, "legs", PIECE_LEGS, {1, 1, 1, 1, 1});
        w.doc.UpdateAllViews(nullptr, HINT_REFRESH);
        QCOMPARE(w.view->Model()->rowCount(), 16);
        // As the tree deletes a pool piece.
        PoolList* gorgets = w.doc.PoolListFor(PIECE_GORGET);
        CArmorPiece* gone = gorgets->back();
        RemoveFromPool(gone, gorgets);
        delete gone;
        w.doc.UpdateAllViews(nullptr, HINT_REFRESH);
        QCOMPARE(w.view->Model()->rowCount(), 0);
        QCOMPARE(w.view->Model()->ResultCount(), 0);
        // As the add-piece dialog moves one into an assigned suit.
        Run(w);
        QCOMPARE(w.view->Model()->rowCount(), 12);
        auto suit = std::make_unique<CArmorSuit>();
        suit->m_strName = "Kept";
        AddAssignedSuit(w.doc, suit.release(), "Bob");
        CArmorPiece* moved = w.doc.PoolListFor(PIECE_HEADWEAR)->front();
        RemoveFromPool(moved, w.doc.PoolListFor(PIECE_HEADWEAR));
        w.doc.m_arrSuits[0]->AddPiece(moved);
        w.doc.m_arrSuits[0]->CalcTotals();
        w.doc.UpdateAllViews(nullptr, HINT_REFRESH);
        QCOMPARE(w.view->Model()->rowCount(), 0);
    }
    // Closing the document during a run stops it and returns only when the worker is done; no summary.
    void closingTheDocumentDuringARun() {
        {
            CWindow w(6, 14);
            w.Start();
            QTRY_VERIFY_WITH_TIMEOUT(w.view->Model()->rowCount() > 0, 20000);
            w.doc.OnCloseDocument();
            QVERIFY(!w.view->HasActiveRun());
            QCOMPARE(TheCalcState().m_bCalcRunning.load(), 0);
            QCOMPARE(w.doc.GetPoolCount(), 0);
            QVERIFY(box.shown.empty());
            QVERIFY(!QApplication::overrideCursor());
        }
        // The run of a second window on the document, closed right after the start: the close step meets
        // the first window's view, which has no run of its own, before the one whose worker reads the pool.
        CWindow w(6, 14);
        auto* second = new CGorvantaView(w.doc);
        second->OnInitialUpdate();
        w.doc.RemoveView(w.view);
        w.doc.RemoveView(&w.hints);
        w.Start();
        w.doc.RemoveView(second);
        w.doc.AddView(w.view);
        w.doc.AddView(second);
        w.doc.AddView(&w.hints);
        QVERIFY(second->HasActiveRun());
        QVERIFY(!w.view->HasActiveRun());
        w.doc.OnCloseDocument();
        QVERIFY(!second->HasActiveRun());
        QVERIFY(box.shown.empty());
        delete second;
        // A view destroyed during its run waits for its worker too.
        CGorvantaDoc doc;
        FillPool(doc, 6, 14);
        auto* view = new CGorvantaView(doc);
        view->OnInitialUpdate();
        OpenSettings(doc, 6);
        doc.UpdateAllViews(nullptr, HINT_START_CALC);
        QTRY_VERIFY_WITH_TIMEOUT(view->Model()->rowCount() > 0, 20000);
        delete view;
        QCOMPARE(TheCalcState().m_bCalcRunning.load(), 0);
        QVERIFY(box.shown.empty());
    }
};

QTEST_MAIN(ResultsViewTest)
#include "ResultsViewTest.moc"
