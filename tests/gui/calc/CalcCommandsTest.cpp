// The calculation commands in the running window program: Start, Stop and Filters through the command
// route with their enablers, the summary box while the application's idle processing goes on, and the
// File Close command during a run.
#include <QCheckBox>
#include <QCursor>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>

#include "gui/calc/CalcProgress.h"
#include "gui/calc/FiltersDlg.h"
#include "gui/calc/GorvantaView.h"
#include "gui/resources/Resource.h"
#include "support/AppTest.h"

using namespace guitest;

namespace {
// A modal window that stays open like a real box for a while (several idle passes of the application)
// and notes what held just before it closes.
class CSlowBox : public IMessageBox {
public:
    int Show(const std::string& text, MsgButtons buttons, MsgIcon) override {
        texts.push_back(text);
        QDialog dlg(qApp->activeWindow());
        QTimer::singleShot(350, &dlg, [&] {
            const QCursor* c = QApplication::overrideCursor();
            waitCursorWhileOpen.push_back(c && c->shape() == Qt::WaitCursor);
            if (onShow) onShow();
            dlg.accept();
        });
        dlg.exec();
        return buttons == MsgButtons::YesNo ? IDNO : IDOK;
    }
    std::vector<std::string> texts;
    std::vector<bool> waitCursorWhileOpen;
    std::function<void()> onShow;
};
}  // namespace

class CalcCommandsTest : public QObject, AppFixture {
    Q_OBJECT
    CSlowBox box;  // read by the cases instead of the fixture's
    CGorvantaView* View() { return Active()->GetResultsView(); }
    // A document whose run lists every combination of six slots of `n` pieces.
    void Prepare(int n, int limit) {
        FillPool(Doc(), 6, n);
        OpenSettings(Doc(), 6, limit);
        Doc().SetModifiedFlag(false);
    }
    // Notes whether Start and Stop are enabled while the summary box is open.
    void WatchWhileOpen(bool& start, bool& stop) {
        box.onShow = [this, s = &start, t = &stop] {
            *s = Enabled(ID_CALC_START);
            *t = Enabled(ID_CALC_STOP);
        };
    }

public:
    CalcCommandsTest() : AppFixture({StoreKind::TestIni, true}) { UseBox(box); }

private slots:
    void init() {
        BeginCase();
        Start();
    }
    void cleanup() { EndCase(); }
    // Start and Stop follow the flag, also while the summary box is open; Filters is always enabled but
    // does nothing during a run; the box itself comes without the hourglass.
    void startStopAndTheirEnablers() {
        Prepare(14, 100000);
        QVERIFY(Enabled(ID_CALC_START));
        QVERIFY(!Enabled(ID_CALC_STOP));
        QVERIFY(Enabled(ID_CALC_FILTERS));
        bool startWhileOpen = true, stopWhileOpen = false;
        WatchWhileOpen(startWhileOpen, stopWhileOpen);
        Main()->OnCommand(ID_CALC_START);
        QVERIFY(IsCalcRunning());
        QVERIFY(!Enabled(ID_CALC_START));
        QVERIFY(Enabled(ID_CALC_STOP));
        QVERIFY(Enabled(ID_CALC_FILTERS));
        QTRY_VERIFY_WITH_TIMEOUT(View()->Model()->rowCount() > 0, 20000);
        // The Filters command opens nothing during the run.
        ModalProbe probe;
        probe.Start();
        Main()->OnCommand(ID_CALC_FILTERS);
        QTest::qWait(20);
        probe.Stop();
        QVERIFY(!probe.Seen());
        Main()->OnCommand(ID_CALC_STOP);
        QTRY_VERIFY_WITH_TIMEOUT(!View()->HasActiveRun(), 60000);
        QCOMPARE(box.texts.size(), size_t(1));
        // Stopped: the flag is down while the box is open, yet Start waits until the worker is gone.
        QVERIFY(!startWhileOpen);
        QVERIFY(!stopWhileOpen);
        QCOMPARE(box.waitCursorWhileOpen, std::vector<bool>{false});
        QVERIFY(Enabled(ID_CALC_START));
        QVERIFY(!Enabled(ID_CALC_STOP));
        // The application's idle processing lets the hourglass go once the run is over.
        QTRY_VERIFY(!QApplication::overrideCursor());
        // The next run starts from an empty list and ends at its suit limit.
        TheSettings().m_nSuitLimit = 50;
        Main()->OnCommand(ID_CALC_START);
        QVERIFY(IsCalcRunning() || View()->HasActiveRun());
        QTRY_VERIFY_WITH_TIMEOUT(!View()->HasActiveRun(), 60000);
        QCOMPARE(View()->Model()->rowCount(), 50);
        QCOMPARE(box.texts.size(), size_t(2));
    }
    // Filters from the menu: OK with "HP Regen" ticked shows column 12 at its stored width at once, in
    // the other open document's window too, which also takes the new total minimum for its next run. A
    // run that visits every combination keeps the flag up while its box is open: Stop enabled, Start not;
    // once the box is closed the worker lowers the flag.
    void filtersThenACompleteRun() {
        CGorvantaView* other = View();
        Main()->OnCommand(ID_FILE_NEW);
        QVERIFY(View() != other);
        QCOMPARE(View()->ColumnWidth(12), 0);
        WhenModal<CFiltersDlg>([](CFiltersDlg& dlg) {
            dlg.CheckBox(&CSettings::m_bDisplayHR)->click();
            dlg.FieldEdit(&CSettings::m_nLowerLimit)->setText(QStringLiteral("123"));
            dlg.accept();
        });
        Main()->OnCommand(ID_CALC_FILTERS);
        QCOMPARE(TheSettings().m_bDisplayHR, 1);
        for (CGorvantaView* v : {View(), other}) {
            QCOMPARE(v->ColumnWidth(12), TheSettings().m_nColumnWidth[12]);
            QVERIFY(v->ColumnWidth(12) > 0);
            QCOMPARE(v->m_nLowerLimit, 123);
        }
        QCOMPARE(StoredInt(SETTINGS_SECTION, "Display HR"), std::optional<int32_t>(1));
        Prepare(3, 100000);
        bool startWhileOpen = true, stopWhileOpen = false;
        WatchWhileOpen(startWhileOpen, stopWhileOpen);
        Main()->OnCommand(ID_CALC_START);
        QTRY_VERIFY_WITH_TIMEOUT(!View()->HasActiveRun(), 60000);
        QCOMPARE(box.texts.size(), size_t(1));
        QVERIFY(box.texts[0].rfind("729 suit configurations examined.\n729 suits meet limit standards.\n", 0) == 0);
        QVERIFY(!startWhileOpen);
        QVERIFY(stopWhileOpen);
        QCOMPARE(box.waitCursorWhileOpen, std::vector<bool>{false});
        QCOMPARE(View()->Model()->rowCount(), 729);
        QVERIFY(Enabled(ID_CALC_START));
    }
    // File Close during a run: the run stops, the close waits for the worker, no summary is shown.
    void closeDuringARun() {
        Prepare(14, 100000);
        Main()->OnCommand(ID_CALC_START);
        QTRY_VERIFY_WITH_TIMEOUT(View()->Model()->rowCount() > 0, 20000);
        QVERIFY(IsCalcRunning());
        Main()->OnCommand(ID_FILE_CLOSE);
        ProcessDeferredDeletes();
        QVERIFY(app->Documents().empty());
        QCOMPARE(TheCalcState().m_bCalcRunning.load(), 0);
        QVERIFY(box.texts.empty());
    }
};

QTEST_MAIN(CalcCommandsTest)
#include "CalcCommandsTest.moc"
