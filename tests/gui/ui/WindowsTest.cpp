// Windows a player can rely on, in the running program: places stored out of sight come into view,
// splits keep their proportion through resizes, tiles and cascades, the details dialog shows its columns,
// the piece count follows undo and redo, and the keys and tips of the toolbar commands.
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTest>

#include "gui/calc/AppState.h"
#include "gui/calc/GorvantaView.h"
#include "gui/import/ImportDlg.h"
#include "gui/resources/Resource.h"
#include "gui/ui/LeftView.h"
#include "gui/ui/SuitDetailsDlg.h"
#include "gui/ui/WindowPlacement.h"
#include "support/AppTest.h"

using namespace guitest;

class WindowsTest : public QObject, AppFixture {
    Q_OBJECT

    QString file;

    CLeftView* Tree() { return Active()->GetLeftView(); }
    QRect Area() { return Main()->MdiArea()->viewport()->rect(); }
    // What the list needs for its first seven columns.
    static int FirstSeven(CChildFrame* child) {
        int w = 0;
        for (int c = 0; c < 7; ++c) w += child->GetResultsView()->horizontalHeader()->sectionSize(c);
        return w;
    }
    static double TreeShare(CChildFrame* child) {
        const QList<int> s = child->m_wndSplitter->sizes();
        return double(s[0]) / (s[0] + s[1]);
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        Main()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Main()));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : Main(), key, mods);
    }
    void StartShown(const QStringList& args) {
        Start(args);
        Main()->show();
        Main()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Main()));
        QCoreApplication::processEvents();
    }
    QString Count(int selected) { return QStringLiteral("Piece count: %1/%2").arg(selected).arg(Doc().GetPoolCount()); }

public:
    WindowsTest() : AppFixture({StoreKind::TestIni, true}) {}

private slots:
    void init() {
        BeginCase();
        file = Path(QStringLiteral("pool.gva"));
        QVERIFY(WriteSampleFile(file));
    }
    void cleanup() { EndCase(); }

    // The player's path of the report: a small main window maximized, two documents tiled, the program
    // ended and started again on the file.
    void tiledInAMaximizedWindowThenStartedSmall() {
        StartShown({file});
        Main()->resize(420, 300);
        QCoreApplication::processEvents();
        Main()->showMaximized();
        QTRY_VERIFY(Main()->width() > 420);
        Main()->OnCommand(ID_FILE_NEW);
        Main()->OnCommand(ID_WINDOW_TILE_HORZ);
        QCoreApplication::processEvents();
        Shot(Main(), QStringLiteral("tiled-maximized"));
        // The last window touched lies right of where the small window's area will end.
        Active()->setGeometry(Area().width() - 300, 0, 300, Area().height());
        QCOMPARE(StoredInt("ChildFrame", "State").value_or(0), SW_SHOWNORMAL);
        QVERIFY(StoredInt("ChildFrame", "Left").value_or(0) > 420);
        Main()->close();
        Quit();

        StartShown({file});
        QCOMPARE(Main()->size(), QSize(420, 300));
        CChildFrame* child = Active();
        QVERIFY(!child->isMaximized());
        QVERIFY2(Area().contains(child->geometry()), qPrintable(QStringLiteral("%1,%2 %3x%4 in %5x%6")
                                                                     .arg(child->x()).arg(child->y())
                                                                     .arg(child->width()).arg(child->height())
                                                                     .arg(Area().width()).arg(Area().height())));
        Shot(Main(), QStringLiteral("restored-small"));
        Main()->showMaximized();
        QCoreApplication::processEvents();
        Shot(Main(), QStringLiteral("restored-small-then-maximized"));
    }

    // A stored place that shows stays exactly as stored; a main window left of every screen comes back.
    void visiblePlacesStayAsStored() {
        for (const auto& [name, value] : {std::pair{"Top", 12}, {"Left", 30}, {"Bottom", 212}, {"Right", 330}, {"State", 1}})
            StoreInt("ChildFrame", name, value);
        for (const auto& [name, value] :
             {std::pair{"Top", 10}, {"Left", -3000}, {"Bottom", 460}, {"Right", -2300}, {"AlwaysOnTop", 0}})
            StoreInt("Frame", name, value);
        StartShown({file});
        QCOMPARE(Active()->geometry(), QRect(30, 12, 300, 200));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(screen.intersects(Main()->frameGeometry()));
        QCOMPARE(Main()->size(), QSize(700, 450));
        Shot(Main(), QStringLiteral("main-brought-back"));
    }

    // A widened tree keeps its share when the window is resized and tiled, and the list its first seven
    // columns; cascaded windows are large enough to use.
    void splitKeepsItsProportion() {
        StartShown({file});
        Main()->resize(1300, 600);
        CChildFrame* child = Active();
        child->showNormal();
        child->setGeometry(0, 0, 1200, 450);
        QCoreApplication::processEvents();
        const QList<int> s = child->m_wndSplitter->sizes();
        const int total = s[0] + s[1];
        child->m_wndSplitter->setSizes({total / 2, total - total / 2});
        QCoreApplication::processEvents();
        for (const QSize size : {QSize(1280, 400), QSize(700, 400), QSize(1200, 450)}) {
            child->resize(size);
            QCoreApplication::processEvents();
            // At 700 the list keeps its first columns and the tree gives way.
            if (size.width() == 700)
                QVERIFY2(TreeShare(child) < 0.5 && child->GetResultsView()->viewport()->width() >= FirstSeven(child),
                         qPrintable(QStringLiteral("%1: %2 < %3").arg(TreeShare(child)).arg(child->GetResultsView()->viewport()->width()).arg(FirstSeven(child))));
            else
                QVERIFY2(qAbs(TreeShare(child) - 0.5) < 0.02, qPrintable(QString::number(TreeShare(child))));
        }
        QCOMPARE(child->m_wndSplitter->sizes().first(), total / 2);
        Main()->OnCommand(ID_WINDOW_NEW);
        Main()->OnCommand(ID_WINDOW_TILE_HORZ);
        QCoreApplication::processEvents();
        Shot(Main(), QStringLiteral("tiled-widened-tree"));
        // Side by side each window is half as wide: the list keeps its columns, the tree what is left.
        QVERIFY(child->width() < 700);
        QVERIFY(child->GetResultsView()->viewport()->width() >= FirstSeven(child));
        QVERIFY(TreeShare(child) < 0.5);
        Main()->OnCommand(ID_WINDOW_CASCADE);
        QCoreApplication::processEvents();
        Shot(Main(), QStringLiteral("cascaded"));
        for (QMdiSubWindow* w : Main()->MdiArea()->subWindowList()) {
            QVERIFY(w->width() >= Area().width() * 2 / 3);
            QVERIFY(w->height() >= Area().height() * 2 / 3);
            QVERIFY(Area().contains(w->geometry()));
        }
        // Back to one wide window: the proportion the user set, not what the tile squeezed it to.
        child->resize(1200, 450);
        QCoreApplication::processEvents();
        QVERIFY2(qAbs(TreeShare(child) - 0.5) < 0.02, qPrintable(QString::number(TreeShare(child))));
    }

    // At its default size the details dialog shows every column it has, the optional ones included.
    // With more columns than the screen is wide, it is as wide as the screen.
    void detailsDialogShowsItsColumns() {
        StartShown({file});
        for (const bool optional : {false, true}) {
            TheSettings().m_bDisplayLuck = optional;
            TheSettings().m_bDisplayLMC = optional;
            TheSettings().m_bDisplayDCI = optional;
            CSuitDetailsDlg dlg(Main());
            dlg.m_pDoc = &Doc();
            dlg.m_pSuit = Doc().m_arrSuits.front();
            ShowAndWait(dlg);
            Shot(&dlg, optional ? QStringLiteral("suit-details-optional") : QStringLiteral("suit-details"));
            QTreeWidget* list = dlg.DetailsList();
            const int screen = dlg.screen()->availableGeometry().width();
            QVERIFY(dlg.width() <= screen);
            QVERIFY2(list->header()->length() <= list->viewport()->width() || dlg.width() == screen,
                     qPrintable(QStringLiteral("%1 > %2").arg(list->header()->length()).arg(list->viewport()->width())));
            if (!optional) QVERIFY(list->header()->length() <= list->viewport()->width());
            dlg.showMaximized();
            QCoreApplication::processEvents();
            Shot(&dlg, optional ? QStringLiteral("suit-details-optional-maximized") : QStringLiteral("suit-details-maximized"));
            dlg.done(QDialog::Accepted);
            // The next one opens at the place this one left; the width rule is for the default place.
            StoreInt(SUITDLG_SECTION, "Top", -1);
        }
    }

    // The count is that of what the tree shows after undo and redo, not of a selection that is gone.
    void pieceCountFollowsUndoAndRedo() {
        StartShown({file});
        QGuiApplication::clipboard()->setText(QStringLiteral("copper ring, luck 20 \r\n"));
        WhenModal<CImportDlg>([](CImportDlg& dlg) {
            QTRY_VERIFY(dlg.PasteButton()->isEnabled());
            QTest::mouseClick(dlg.PasteButton(), Qt::LeftButton);
            QTRY_VERIFY(dlg.SaveButton()->isEnabled());
            QTest::mouseClick(dlg.SaveButton(), Qt::LeftButton);
        });
        Main()->OnCommand(ID_EDIT_PASTE);
        const int pool = Doc().GetPoolCount();
        QTreeWidgetItem* ring = nullptr;
        for (QTreeWidgetItemIterator it(Tree()); *it; ++it)
            if ((*it)->text(0).startsWith(QStringLiteral("copper ring"))) ring = *it;
        QVERIFY(ring);
        Tree()->setFocus();
        Tree()->setCurrentItem(ring);
        QCOMPARE(Main()->PieceCountPane()->text(), Count(1));
        Main()->OnCommand(ID_EDIT_UNDO);
        QCOMPARE(Doc().GetPoolCount(), pool - 1);
        QCOMPARE(Main()->PieceCountPane()->text(), Count(Tree()->SelectedPieceCount()));
        QVERIFY(Main()->PieceCountPane()->text() != QStringLiteral("Piece count: 1/%1").arg(pool - 1));
        Shot(Main(), QStringLiteral("count-after-undo"));
        Main()->OnCommand(ID_EDIT_REDO);
        QCOMPARE(Doc().GetPoolCount(), pool);
        QCOMPARE(Main()->PieceCountPane()->text(), Count(Tree()->SelectedPieceCount()));
        QCOMPARE(Doc().m_nSelPieceCount, Tree()->SelectedPieceCount());
    }

    // F5 starts, Esc and Shift+F5 stop, Esc is the filter box's while nothing runs, Ctrl+F reaches the box
    // from the list; the menu shows the keys.
    void keysStartStopAndFilter() {
        StartShown({});
        for (int k = 0; k < 6; ++k)
            for (int i = 0; i < 30; ++i) AddPiece(Doc(), "piece", 1 << k, {i, i, i, i, i}, {0, 0, 0, 0, 0, 0, 0, 0});
        // 30^6 combinations and none qualifies: a run that only a stop ends soon.
        OpenSettings(Doc(), 6);
        TheSettings().m_nLowerLimit = 100000;
        Doc().UpdateAllViews(nullptr, HINT_FILTERS_CHANGED);
        CChildFrame* child = Active();
        QCOMPARE(Main()->Action(ID_CALC_START)->text(), QStringLiteral("Start Calculation\tF5"));
        QCOMPARE(Main()->Action(ID_CALC_STOP)->text(), QStringLiteral("Stop Calculation\tShift+F5"));
        QCOMPARE(Main()->Action(ID_FILE_NEW)->text(), QStringLiteral("&New\tCtrl+N"));
        for (const auto& [mods, key] : {std::pair{Qt::ShiftModifier, Qt::Key_F5}, {Qt::NoModifier, Qt::Key_Escape}}) {
            child->GetResultsView()->setFocus();
            Key(Qt::Key_F5);
            QVERIFY(IsCalcRunning());
            Key(key, mods);
            QTRY_VERIFY_WITH_TIMEOUT(!child->GetResultsView()->HasActiveRun(), 10000);
            QTRY_VERIFY(Enabled(ID_CALC_START));
        }
        child->GetResultsView()->setFocus();
        Key(Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Tree()->FilterBox()));
        QTest::keyClicks(Tree()->FilterBox(), QStringLiteral("piece"));
        Key(Qt::Key_Escape);
        QCOMPARE(Tree()->FilterBox()->text(), QString());
        QVERIFY(!IsCalcRunning());
    }
};

QTEST_MAIN(WindowsTest)
#include "WindowsTest.moc"
