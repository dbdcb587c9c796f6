// gorvanta-view-bench: the window program's path of a dense run. A document whose every combination
// qualifies is searched through the results view (worker thread, hand-over, rows into the list) until
// 100 000 suits are listed, then the list is sorted by "Eff. Total" with a click on its header.
// Prints the times, the rows per second and how the window kept painting during the run.
//
//   gorvanta-view-bench [suits] [threads]     (defaults: 100000, 0 = every core)
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHeaderView>
#include <QMainWindow>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "gui/calc/CalcRun.h"
#include "gui/calc/AppState.h"
#include "gui/calc/GorvantaView.h"
#include "core/calc/Settings.h"
#include "core/document/GorvantaDoc.h"
#include "core/model/MessageBox.h"
#include "core/model/ProfileStore.h"

namespace {
// Counts the paints of a widget and the longest time the event loop went without a tick.
class CPaintProbe : public QObject {
public:
    explicit CPaintProbe(QWidget* w) { w->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
    int paints = 0;
};

void AddPiece(CGorvantaDoc& doc, int32_t type, int i) {
    auto* p = new CArmorPiece;
    p->m_nType = type;
    p->m_strText = "bench piece " + std::to_string(type) + "/" + std::to_string(i);
    p->m_nPhysical = (i * 7) % 19;
    p->m_nFire = (i * 5) % 17;
    p->m_nCold = (i * 3) % 13;
    p->m_nPoison = (i * 11) % 23;
    p->m_nEnergy = (i * 13) % 29;
    p->m_nTotalResist = p->m_nPhysical + p->m_nFire + p->m_nCold + p->m_nPoison + p->m_nEnergy;
    p->m_nLuck = i * 10;
    p->m_bMedable = 1;
    doc.PoolListFor(type)->push_back(p);
}
}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int suits = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    const int threads = argc > 2 ? std::atoi(argv[2]) : 0;

    CMemoryProfileStore store;
    SetProfileStore(&store);
    CScriptedMessageBox box;
    CMessageBoxScope scope(&box);

    // Six armor slots of ten pieces: a million combinations, all of which qualify.
    TheSettings().LoadSettings();
    CGorvantaDoc doc;
    for (int k = 0; k < 6; ++k)
        for (int i = 0; i < 10; ++i) AddPiece(doc, 1 << k, i);
    CSettings& s = TheSettings();
    for (int k = 0; k < SLOT_COUNT; ++k) s.UseSlot(k) = k < 6 ? 1 : 0;
    s.m_nLowerLimit = 0;
    s.m_nSuitLimit = suits;
    s.m_bDisplayLuck = 1;

    QMainWindow frame;
    auto* view = new CGorvantaView(doc);
    view->m_nThreads = threads;
    frame.setCentralWidget(view);
    frame.statusBar()->showMessage(QStringLiteral("Ready"));
    frame.resize(1100, 720);
    frame.show();
    view->OnInitialUpdate();
    CPaintProbe probe(view->viewport());
    QCoreApplication::processEvents();

    // A tick every 10 ms tells how long the user interface thread was kept from its events.
    QElapsedTimer clock;
    qint64 lastTick = 0, longestGap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
    });

    const int paintsBefore = probe.paints;
    QEventLoop loop;
    QObject::connect(&view->Run(), &CCalcRun::Finished, &loop, &QEventLoop::quit);
    clock.start();
    ticker.start(10);
    doc.UpdateAllViews(nullptr, HINT_START_CALC);
    if (view->HasActiveRun()) loop.exec();
    const qint64 runMs = clock.elapsed();
    ticker.stop();
    const int paintsDuringRun = probe.paints - paintsBefore;
    const int rows = view->Model()->rowCount();
    const bool summaryShown = box.shown.size() == 1;

    // The sort as the user asks for it: a click on the "Eff. Total" header, then the repaint.
    QHeaderView* header = view->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(6) + header->sectionSize(6) / 2, header->height() / 2);
    QElapsedTimer sortClock;
    sortClock.start();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, at, header->viewport()->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(header->viewport(), &e);
    }
    view->viewport()->repaint();
    const qint64 sortMs = sortClock.elapsed();
    bool sorted = true;
    const CResultsModel& model = *view->Model();
    for (int r = 0; r + 1 < rows && sorted; ++r)
        sorted = CompareResults(*model.SuitAt(r), *model.SuitAt(r + 1), 6, s.m_bBypassResistCap != 0) <= 0;

    std::printf("rows listed          %d (summary box %s)\n", rows, summaryShown ? "shown" : "MISSING");
    std::printf("whole run            %lld ms  (%.0f rows/s)   goal < 2000 ms: %s\n", (long long)runMs,
                runMs > 0 ? rows * 1000.0 / double(runMs) : 0.0, runMs < 2000 ? "met" : "MISSED");
    std::printf("repaints during run  %d, longest wait for the event loop %lld ms\n", paintsDuringRun,
                (long long)longestGap);
    std::printf("sort by Eff. Total   %lld ms   goal < 200 ms: %s   order %s\n", (long long)sortMs,
                sortMs < 200 ? "met" : "MISSED", sorted ? "right" : "WRONG");

    delete view;
    SetProfileStore(nullptr);
    return (rows == suits && summaryShown && sorted) ? 0 : 1;
}
