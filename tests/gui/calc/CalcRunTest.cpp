// The run on its worker thread: reports in order on the user interface thread, each hand-over blocking
// the worker, stops, refused starts, waiting for the worker, and the texts of the summary and progress.
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QStatusBar>
#include <QSignalSpy>
#include <QThread>

#include <chrono>
#include <thread>

#include "support/GuiTest.h"
#include "support/Pools.h"
#include "gui/calc/CalcProgress.h"
#include "gui/calc/CalcRun.h"
#include "core/calc/ResultColumns.h"

namespace {
class CSink : public ICalcRunSink {
public:
    void OnCalcBegin(int64_t combinations) override {
        Check();
        log += "B";
        nCombinations = combinations;
        flagAtBegin = IsCalcRunning();
        if (onBegin) onBegin();
    }
    void OnCalcSuits(std::vector<std::unique_ptr<CArmorSuit>>& batch) override {
        Check();
        log += "S";
        ++nBatches;
        nLargestBatch = std::max(nLargestBatch, batch.size());
        for (auto& s : batch) suits.push_back(std::move(s));
        if (onSuits) onSuits();
    }
    void OnCalcEnd(const CCalcMsg& e) override {
        Check();
        log += "E";
        end = e;
        flagAtEnd = IsCalcRunning();
        if (onEnd) onEnd();
    }
    void Check() {
        if (QThread::currentThread() != qApp->thread()) wrongThread = true;
        ++depth;
        if (depth > 1) nested = true;
        --depth;
    }
    std::string log;
    int64_t nCombinations = -1;
    int nBatches = 0;
    size_t nLargestBatch = 0;
    std::vector<std::unique_ptr<CArmorSuit>> suits;
    CCalcMsg end;
    bool flagAtBegin = false, flagAtEnd = false, wrongThread = false, nested = false;
    int depth = 0;
    std::function<void()> onBegin, onSuits, onEnd;
};

// Keeps every report of a direct run on the calling thread.
class CDirect : public ICalcReporter {
public:
    void OnBegin(const CCalcCount&) override {}
    void OnSuit(std::unique_ptr<CArmorSuit> s) override { suits.push_back(std::move(s)); }
    void OnEnd(const CCalcMsg& e) override { end = e; }
    std::vector<std::unique_ptr<CArmorSuit>> suits;
    CCalcMsg end;
};

std::string FirstLine(const std::string& s) { return s.substr(0, s.find('\n')); }

CTestPool PoolOf(std::initializer_list<int> slotList, int n) {
    CTestPool pool;
    pool.Fill(slotList, n);
    return pool;
}
// 7.5 million combinations over the first six slots: a run long enough to be stopped.
CTestPool LongPool() { return PoolOf({0, 1, 2, 3, 4, 5}, 14); }
std::unique_ptr<CCalcParam> SixSlots() { return ParamFor({0, 1, 2, 3, 4, 5}); }
// Starts the run and waits for the signal that its worker has returned.
bool RunToEnd(CCalcRun& run, const CTestPool& pool, std::unique_ptr<CCalcParam> param, int ms = 20000) {
    QSignalSpy finished(&run, &CCalcRun::Finished);
    return run.Start(std::move(param), pool.lists, 0) && finished.wait(ms);
}
}  // namespace

class CalcRunTest : public QObject, guitest::Fixture {
    Q_OBJECT

public:
    CalcRunTest() : Fixture({.runMustEnd = true}) {}

private slots:
    void init() { BeginCase(); }
    void cleanup() { EndCase(); }
    void rateAndProgressTexts() {
        QCOMPARE(FormatRate(0), QStringLiteral("0 combinations/s"));
        QCOMPARE(FormatRate(1234567.6), QStringLiteral("1,234,568 combinations/s"));
        QCOMPARE(RatePerSecond(1000, 0.5), 2000.0);
        QCOMPARE(RatePerSecond(1000, 0), 0.0);
        const std::array<int64_t, 3> permille[] = {
            {0, 100, 0}, {50, 100, 500}, {100, 100, 1000}, {5, 0, 0}, {int64_t(1) << 62, INT64_MAX, 500}};
        for (const auto& [examined, combinations, want] : permille)
            QCOMPARE(ProgressPermille(examined, combinations), int(want));
        const std::tuple<int64_t, int64_t, const char*> found[] = {
            {0, 1000, "0 of 1,000 suits"}, {412, 1000, "412 of 1,000 suits"}, {100000, 100000, "100,000 of 100,000 suits"}};
        for (const auto& [n, limit, want] : found) QCOMPARE(FormatFound(n, limit), QString::fromLatin1(want));
        const std::tuple<int, std::optional<int32_t>, const char*> best[] = {
            {6, 331, "Best Eff. Total: 331"}, {8, -5, "Best Luck: -5"}, {15, 0, "Best HCI: 0"}, {1, 70, "Best Phy.: 70"},
            {6, std::nullopt, ""}, {0, 5, ""}, {16, 5, ""}};
        for (const auto& [column, value, want] : best) QCOMPARE(FormatBest(column, value), QString::fromLatin1(want));
        // Examined, count, seconds so far, suits found and limit: the seconds left at the rate so far (the
        // sooner of the end and the suit limit), or none (< 0).
        const CCalcCount huge = CCalcCount(uint64_t(1) << 63) * (uint64_t(1) << 40);
        const std::tuple<CCalcCount, CCalcCount, double, int64_t, int64_t, double> estimates[] = {
            {25, 100, 3.0, 0, 0, 9.0},    {50, 100, 2.5, 0, 0, 2.5},    {50, 100, 2.0, 0, 0, -1},
            {0, 100, 10.0, 0, 0, -1},     {100, 100, 10.0, 0, 0, -1},   {5, 0, 10.0, 0, 0, -1},
            {huge, huge * 4, 3.0, 0, 0, 9.0}, {25, 100, 3.0, 10, 20, 3.0}, {25, 100, 3.0, 10, 100, 9.0},
            {25, 100, 3.0, 0, 20, 9.0},   {25, 100, 3.0, 20, 20, 9.0}};
        for (const auto& [examined, combinations, seconds, n, limit, want] : estimates) {
            const auto left = EstimateSecondsLeft(examined, combinations, seconds, n, limit);
            QCOMPARE(left.has_value(), want >= 0);
            if (left) QVERIFY(qAbs(*left - want) < 1e-9 * want);
        }
        const std::pair<double, const char*> timeLeft[] = {
            {0.2, "about 1 s left"},         {59.2, "about 1 min left"},        {80, "about 1 min 20 s left"},
            {599, "about 9 min 59 s left"},  {600.5, "about 10 min left"},      {3599, "about 59 min left"},
            {3600, "about 1 h left"},        {5400, "about 1 h 30 min left"},   {86400 * 2 + 3600 * 5, "about 2 d 5 h left"},
            {86400 * 100, "more than 99 d left"}, {1e300, "more than 99 d left"}};
        for (const auto& [seconds, want] : timeLeft) QCOMPARE(FormatTimeLeft(seconds), QString::fromLatin1(want));
    }
    // Every combination qualifies: the suits arrive on this thread, in the search's order, in batches,
    // between one begin and one end, and the flag is still up while the end is handled. The suit limit
    // ends a run where it is reached.
    void reportsArriveInOrder() {
        CTestPool pool = PoolOf({0, 2, 3}, 20);
        CSink sink;
        CCalcRun run(sink);
        QVERIFY(RunToEnd(run, pool, ParamFor({0, 2, 3})));
        QVERIFY(!run.IsActive());
        QVERIFY(!sink.wrongThread);
        QVERIFY(!sink.nested);
        QCOMPARE(sink.log.front(), 'B');
        QCOMPARE(sink.log.back(), 'E');
        QCOMPARE(std::count(sink.log.begin(), sink.log.end(), 'B'), 1);
        QCOMPARE(std::count(sink.log.begin(), sink.log.end(), 'E'), 1);
        QCOMPARE(sink.nCombinations, int64_t(8000));
        QVERIFY(sink.flagAtBegin);
        QVERIFY(sink.flagAtEnd);
        QCOMPARE(sink.end.m_nSuitsFound, int64_t(8000));
        QCOMPARE(FirstLine(sink.end.m_strSummary), std::string("8000 suit configurations examined."));
        QVERIFY(sink.nLargestBatch <= CCalcRun::BATCH_SUITS);
        // The same run straight on this thread gives the same suits in the same order.
        CDirect direct;
        std::atomic<int32_t> flag{0};
        RunCalculation(*ParamFor({0, 2, 3}), pool.lists, 0, flag, direct, 1);
        QCOMPARE(sink.suits.size(), direct.suits.size());
        for (size_t i = 0; i < direct.suits.size(); ++i) {
            QCOMPARE(sink.suits[i]->m_strName, direct.suits[i]->m_strName);
            QCOMPARE(sink.suits[i]->m_arrPieces, direct.suits[i]->m_arrPieces);
        }
        QCOMPARE(sink.suits.front()->m_strName, std::string("Suit 00000"));
        QCOMPARE(sink.end.m_strSummary, direct.end.m_strSummary);
        CSink limited;
        CCalcRun limitedRun(limited);
        QVERIFY(RunToEnd(limitedRun, pool, ParamFor({0, 2, 3}, 1)));
        QCOMPARE(limited.suits.size(), size_t(1));
        QCOMPARE(limited.end.m_nSuitsFound, int64_t(1));
        QVERIFY(limited.end.m_strSummary.find("\n1 suit meets limit standards.\n") != std::string::npos);
    }
    // While the user interface handles a batch, the worker waits: events processed inside the handler
    // bring no further report.
    void handOverBlocksTheWorker() {
        CTestPool pool = PoolOf({0, 1, 2, 3}, 12);
        CSink sink;
        std::string logDuringFirst;
        bool first = true;
        sink.onSuits = [&] {
            if (!first) return;
            first = false;
            const std::string before = sink.log;
            QElapsedTimer t;
            t.start();
            while (t.elapsed() < 60) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            logDuringFirst = sink.log.substr(before.size());
        };
        CCalcRun run(sink);
        QVERIFY(RunToEnd(run, pool, ParamFor({0, 1, 2, 3})));
        QVERIFY(!first);
        QCOMPARE(logDuringFirst, std::string());
        QVERIFY(sink.nested == false);
        QCOMPARE(int64_t(sink.suits.size()), sink.end.m_nSuitsFound);
    }
    // Stop in the middle: the suits listed so far stay, the summary counts only what was examined.
    void stopInTheMiddle() {
        CTestPool pool = LongPool();
        CSink sink;
        CCalcRun* runPtr = nullptr;
        sink.onSuits = [&] {
            if (sink.nBatches == 2) runPtr->RequestStop();
        };
        CCalcRun run(sink);
        runPtr = &run;
        QVERIFY(RunToEnd(run, pool, SixSlots(), 60000));
        QCOMPARE(sink.log.back(), 'E');
        QVERIFY(sink.nBatches >= 2);
        QCOMPARE(int64_t(sink.suits.size()), sink.end.m_nSuitsFound);
        QVERIFY(sink.end.m_nSuitsFound < sink.nCombinations);
        const long long examined = std::stoll(sink.end.m_strSummary);
        QVERIFY(examined >= sink.end.m_nSuitsFound);
        QVERIFY(examined < sink.nCombinations);
        QVERIFY(!sink.flagAtEnd);
    }
    // The flag is up as soon as Start returns, before the worker has done anything, so a second start
    // from anywhere is refused until the end has been handled.
    void startRefusedWhileRunning() {
        CTestPool pool = PoolOf({0, 2}, 30);
        CSink sink, otherSink;
        CCalcRun run(sink);
        CCalcRun other(otherSink);
        bool refusedAtEnd = false;
        sink.onEnd = [&] { refusedAtEnd = !other.Start(ParamFor({0}), pool.lists, 0); };
        QSignalSpy finished(&run, &CCalcRun::Finished);
        QVERIFY(run.Start(ParamFor({0, 2}), pool.lists, 0));
        QCOMPARE(TheCalcState().m_bCalcRunning.load(), 1);
        QVERIFY(!run.Start(ParamFor({0, 2}), pool.lists, 0));
        QVERIFY(!other.Start(ParamFor({0, 2}), pool.lists, 0));
        QVERIFY(finished.wait(20000));
        QVERIFY(refusedAtEnd);
        QCOMPARE(otherSink.log, std::string());
        QCOMPARE(sink.log.front(), 'B');
        // Once the run is over a new one starts and clears nothing of the old one's suits here.
        QVERIFY(run.Start(ParamFor({0}), pool.lists, 0));
        run.WaitForEnd();
        QCOMPARE(std::count(sink.log.begin(), sink.log.end(), 'B'), 2);
    }
    // Ways a long run ends. A stop that comes before the worker has announced its run is not undone by
    // the search's start. Waiting handles the hand-over the worker is blocked in, so it cannot dead-lock,
    // and returns only once the worker has returned. Destroying the run object stops and waits too.
    void waysToEndALongRun() {
        CTestPool pool = LongPool();
        {
            CSink sink;
            CCalcRun run(sink);
            QVERIFY(run.Start(SixSlots(), pool.lists, 0));
            run.RequestStop();
            run.WaitForEnd();
            QVERIFY(!run.IsActive());
            QCOMPARE(FirstLine(sink.end.m_strSummary), std::string("1 suit configurations examined."));
            QCOMPARE(sink.suits.size(), size_t(1));
        }
        CSink sink;
        CCalcRun run(sink);
        bool stopped = false;
        sink.onSuits = [&] {
            if (sink.nBatches == 1)
                QTimer::singleShot(0, &run, [&] {
                    run.StopAndWait();
                    stopped = true;
                });
        };
        QVERIFY(run.Start(SixSlots(), pool.lists, 0));
        QTRY_VERIFY_WITH_TIMEOUT(stopped, 60000);
        QVERIFY(!run.IsActive());
        QCOMPARE(sink.log.back(), 'E');
        QCOMPARE(TheCalcState().m_bCalcRunning.load(), 0);
        // Called right after Start, before any report was handled.
        CSink sink2;
        CCalcRun run2(sink2);
        QVERIFY(run2.Start(SixSlots(), pool.lists, 0));
        run2.StopAndWait();
        QVERIFY(!run2.IsActive());
        QCOMPARE(sink2.log, std::string("BSE"));
        // Inside a hand-over it cannot wait: it only stops the run.
        CSink sink3;
        CCalcRun run3(sink3);
        bool returned = false;
        sink3.onBegin = [&] {
            run3.StopAndWait();
            returned = true;
        };
        QVERIFY(run3.Start(SixSlots(), pool.lists, 0));
        run3.WaitForEnd();
        QVERIFY(returned);
        QCOMPARE(sink3.log.back(), 'E');
        CSink sink4;
        auto run4 = std::make_unique<CCalcRun>(sink4);
        QVERIFY(run4->Start(SixSlots(), pool.lists, 0));
        QTRY_VERIFY_WITH_TIMEOUT(sink4.nBatches >= 1, 20000);
        run4.reset();
        QCOMPARE(sink4.log.back(), 'E');
        QCOMPARE(TheCalcState().m_bCalcRunning.load(), 0);
    }
    // The next run starts on the same object while the last worker's finish is still queued; that finish
    // must not make the user interface wait for the new worker, which waits on its first hand-over.
    void restartBeforeTheLastFinishIsHandled() {
        CTestPool pool = PoolOf({0, 1}, 4);
        CSink sink;
        CCalcRun run(sink);
        QSignalSpy finished(&run, &CCalcRun::Finished);
        QVERIFY(run.Start(ParamFor({0, 1}), pool.lists, 0));
        run.WaitForEnd();
        QCOMPARE(sink.log.back(), 'E');
        QVERIFY(!run.IsActive());
        QCOMPARE(finished.count(), 0);
        // A stopped run's worker may already be gone yet its end not delivered: same here.
        QVERIFY(run.Start(ParamFor({0, 1}), pool.lists, 0));
        QTRY_VERIFY_WITH_TIMEOUT(finished.count() == 1, 20000);
        QVERIFY(!run.IsActive());
        QCOMPARE(std::count(sink.log.begin(), sink.log.end(), 'E'), 2);
        // Many quick restarts, each leaving its finish behind.
        for (int n = 0; n < 50; ++n) {
            QVERIFY(run.Start(ParamFor({0, 1}), pool.lists, 0));
            if (n % 2) run.WaitForEnd();
            else QTRY_VERIFY_WITH_TIMEOUT(!run.IsActive(), 20000);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!run.IsActive(), 20000);
        QCOMPARE(std::count(sink.log.begin(), sink.log.end(), 'E'), 52);
        QVERIFY(!sink.wrongThread);
        QVERIFY(!sink.nested);
    }
    // A run stopped because its document goes is waited for, its end marked as closing.
    void stopAndWaitWhileClosing() {
        CTestPool pool = LongPool(), other = PoolOf({0}, 3);
        CSink sink;
        CCalcRun run(sink);
        bool closingAtEnd = false;
        sink.onEnd = [&] { closingAtEnd = run.IsClosing(); };
        QVERIFY(run.Start(SixSlots(), pool.lists, 0));
        QTRY_VERIFY_WITH_TIMEOUT(sink.nBatches >= 1, 20000);
        run.SetClosing(true);
        run.StopAndWait();
        run.SetClosing(false);
        QCOMPARE(TheCalcState().m_bCalcRunning.load(), 0);
        QVERIFY(!run.IsActive());
        QCOMPARE(sink.log.back(), 'E');
        QVERIFY(closingAtEnd);
        QVERIFY(!run.IsClosing());
        // A run that ends by itself is not closing.
        closingAtEnd = true;
        QVERIFY(run.Start(ParamFor({0}), other.lists, 0));
        run.WaitForEnd();
        QVERIFY(!closingAtEnd);
    }
    // The status bar part follows the run: full at the end of a complete run, with a rate above 0.
    void progressFollowsTheRun() {
        CTestPool pool = PoolOf({0, 1, 2, 3}, 15);
        CSink sink;
        CCalcRun run(sink);
        CCalcProgress progress(run);
        progress.show();
        int atBegin = -1, atEnd = -1;
        QString rateAtEnd;
        sink.onBegin = [&] {
            progress.Refresh();
            atBegin = progress.Bar()->value();
        };
        sink.onEnd = [&] {
            progress.Refresh();
            atEnd = progress.Bar()->value();
            rateAtEnd = progress.Rate()->text();
        };
        QVERIFY(run.Start(ParamFor({0, 1, 2, 3}), pool.lists, 0));
        run.WaitForEnd();
        QCOMPARE(atBegin, 0);
        QCOMPARE(atEnd, 1000);
        QVERIFY2(rateAtEnd.endsWith(QStringLiteral(" combinations/s")), qPrintable(rateAtEnd));
        QVERIFY2(!rateAtEnd.startsWith(QStringLiteral("0 ")), qPrintable(rateAtEnd));
    }
    // A run that ends at its suit limit long before its end: the suits found against the limit as each
    // batch arrives, and at the end a bar that has moved, by the combinations examined up to the limit.
    void progressOfALimitBoundRun() {
        CTestPool pool = PoolOf({0, 1, 2}, 15);  // 3,375 combinations, every one a suit
        CSink sink;
        CCalcRun run(sink);
        CCalcProgress progress(run);
        struct Look {
            QString found, expected;
            int bar;
            CCalcRunStatus status;
        };
        std::vector<Look> looks;
        sink.onSuits = sink.onEnd = [&] {
            progress.Refresh();
            looks.push_back({progress.Found()->text(), FormatFound(int64_t(sink.suits.size()), 50),
                             progress.Bar()->value(), run.Status()});
        };
        QVERIFY(RunToEnd(run, pool, ParamFor({0, 1, 2}, 50)));
        QCOMPARE(sink.suits.size(), size_t(50));
        QVERIFY(looks.size() >= 2);
        for (const Look& look : looks) {
            QCOMPARE(look.found, look.expected);
            QCOMPARE(look.status.m_nSuitLimit, 50);
            QCOMPARE(look.status.m_nRankColumn, 0);
        }
        const Look& end = looks.back();
        QCOMPARE(end.found, QStringLiteral("50 of 50 suits"));
        QVERIFY2(end.status.m_nExamined >= 50 && end.status.m_nExamined < 3375, end.status.m_nExamined.ToString().c_str());
        QCOMPARE(end.bar, ProgressPermille(end.status.m_nExamined, 3375));
        QVERIFY(end.bar > 0);
        QVERIFY(progress.TimeLeft()->text().isEmpty());
    }
    // A long run in the status bar of a maximized window, held in a hand-over once it has gone on for more
    // than the estimate needs: the time left shows, the rate has moved, the suits are counted.
    void longRunShowsTheTimeLeft() {
        CTestPool pool = LongPool();
        CSink sink;
        CCalcRun run(sink);
        QMainWindow frame;
        auto* progress = new CCalcProgress(run);
        frame.statusBar()->addPermanentWidget(progress);
        frame.showMaximized();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QElapsedTimer clock;
        bool held = false;
        QString timeLeft, rate, found, expected;
        sink.onSuits = [&] {
            if (held || run.Examined() == 0) return;
            held = true;
            while (clock.elapsed() < 2300) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            progress->Refresh();
            timeLeft = progress->TimeLeft()->isVisible() ? progress->TimeLeft()->text() : QString();
            rate = progress->Rate()->text();
            found = progress->Found()->text();
            expected = FormatFound(int64_t(sink.suits.size()), 100000);
            QCoreApplication::processEvents();  // the status bar's layout, for the picture
            guitest::Shot(&frame, QStringLiteral("calc-progress-maximized"));
            run.RequestStop();
        };
        clock.start();
        QVERIFY(RunToEnd(run, pool, SixSlots(), 60000));
        QVERIFY(held);
        QVERIFY2(timeLeft.startsWith(QStringLiteral("about ")) && timeLeft.endsWith(QStringLiteral(" left")),
                 qPrintable(timeLeft));
        QVERIFY2(!rate.startsWith(QStringLiteral("0 ")), qPrintable(rate));
        QCOMPARE(found, expected);
    }
    // A ranked run tells the best value so far under its column's heading instead of a suit count: never
    // above the best suit it lists at the end, and shown as soon as it is known. Each chunk of the space
    // waits a little, so the run lasts long enough for reports on the way.
    void rankedRunShowsTheBestSoFar() {
        CCalcHooks hooks;
        hooks.chunkStart = [](int64_t) { std::this_thread::sleep_for(std::chrono::microseconds(300)); };
        CCalcHooksScope slow(std::move(hooks));
        CTestPool pool = LongPool();
        CSink sink;
        CCalcRun run(sink);
        CCalcProgress progress(run);
        auto param = SixSlots();
        param->m_nRankBy = 6;
        param->m_nSuitLimit = 20;
        std::vector<std::pair<CCalcRunStatus, QString>> looks;
        const auto look = [&] {
            progress.Refresh();
            looks.emplace_back(run.Status(), progress.Found()->text());
        };
        sink.onSuits = sink.onEnd = look;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, look);
        timer.start(5);
        QVERIFY(RunToEnd(run, pool, std::move(param), 60000));
        timer.stop();
        QCOMPARE(sink.suits.size(), size_t(20));
        const int32_t best = ResultColumnValue(*sink.suits.front(), 6, false);
        for (const auto& [status, text] : looks) {
            QCOMPARE(status.m_nRankColumn, 6);
            QCOMPARE(text, status.m_best ? QStringLiteral("Best Eff. Total: %1").arg(*status.m_best) : QString());
            if (status.m_best) QVERIFY(*status.m_best <= best);
        }
        const auto known = std::find_if(looks.begin(), looks.end(), [](const auto& l) { return l.first.m_best; });
        QVERIFY(known != looks.end());
        QVERIFY(known->first.m_nExamined < known->first.m_nCombinations);
        QCOMPARE(looks.back().first.m_nExamined, looks.back().first.m_nCombinations);
    }
};

QTEST_MAIN(CalcRunTest)
#include "CalcRunTest.moc"
