// The window program on real widgets: start-up, menus, file commands, document windows.
#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolTip>
#include <QUrl>

#include <fstream>

#include "calc/GorvantaView.h"
#include "resources/Resource.h"
#include "support/AppTest.h"
#include "ui/LeftView.h"

using namespace guitest;

class MainWindowTest : public QObject, AppFixture {
    Q_OBJECT

    QStringList BarTitles() {
        QStringList titles;
        for (QAction* a : Main()->menuBar()->actions()) titles << a->text();
        return titles;
    }

private slots:
    void init() { BeginCase(); }
    void cleanup() { EndCase(); }

    // The first start: an empty document "Gorvan1", no recent files, the default placement.
    void firstStart() {
        Start();
        QCOMPARE(int(app->Documents().size()), 1);
        CDocHolder* doc = app->Documents().front().get();
        QCOMPARE(doc->GetTitle(), QStringLiteral("Gorvan1"));
        QVERIFY(doc->GetPathName().isEmpty());
        QVERIFY(!doc->IsModified());
        QCOMPARE(doc->Doc().GetPoolCount(), 0);
        QCOMPARE(Active()->FrameTitle(), QStringLiteral("Gorvan1"));
        QCOMPARE(Main()->windowTitle(), QStringLiteral("Gorvanta - [Gorvan1[*]]"));
        QVERIFY(Main()->isVisible());
        // The empty tree: the two roots without children.
        CLeftView* tree = Active()->GetLeftView();
        QCOMPARE(tree->topLevelItemCount(), 2);
        QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("Items"));
        QCOMPARE(tree->topLevelItem(1)->text(0), QStringLiteral("Suits"));
        QCOMPARE(tree->topLevelItem(0)->childCount(), 0);
        QCOMPARE(Main()->PieceCountPane()->text(), QStringLiteral("Piece count: 0/0"));
        QVERIFY(box.shown.empty());
        // Without recent files the entry is greyed.
        QAction* first = Main()->Action(ID_FILE_MRU_FILE1);
        QCOMPARE(first->text(), QStringLiteral("Recent File"));
        QVERIFY(first->isVisible());
        QVERIFY(!first->isEnabled());
        QVERIFY(!Main()->Action(ID_FILE_MRU_FILE1 + 1)->isVisible());

        QCOMPARE(Main()->size(), QSize(702, 416));
        QVERIFY(!(Main()->windowFlags() & Qt::WindowStaysOnTopHint));
        QCOMPARE(Main()->m_bAlwaysOnTop, 0);
        CChildFrame* child = Active();
        QVERIFY(child);
        QVERIFY(child->isMaximized());
        QCOMPARE(child->GetWindowPlacement().rcNormalPosition.size(), QSize(599, 356));
        // The split is a third of the client width the window was made with.
        auto* splitter = child->m_wndSplitter;
        const int third = child->CreatedClientWidth() / 3;
        QCOMPARE(splitter->sizes().first(), third);
        child->showNormal();
        QCOMPARE(child->size(), QSize(599, 356));
        QCOMPARE(splitter->width(), child->CreatedClientWidth());
        QCOMPARE(child->GetLeftView()->width(), third);
        // Further new documents count on.
        Main()->OnCommand(ID_FILE_NEW);
        QCOMPARE(Active()->GetDocument()->GetTitle(), QStringLiteral("Gorvan2"));
    }

    void commandLineFileIsOpenedInstead() {
        const QString file = Path("pool.gva");
        QVERIFY(WriteSampleFile(file));
        Start({file});
        QCOMPARE(int(app->Documents().size()), 1);
        CDocHolder* doc = app->Documents().front().get();
        QCOMPARE(doc->GetTitle(), QStringLiteral("pool.gva"));
        QCOMPARE(doc->GetPathName(), QFileInfo(file).absoluteFilePath());
        QCOMPARE(doc->Doc().GetPoolCount(), 8);
        QCOMPARE(int(doc->Doc().m_arrSuits.size()), 2);
        QVERIFY(!doc->IsModified());
        QCOMPARE(app->RecentFiles(), QStringList{QFileInfo(file).absoluteFilePath()});
        QCOMPARE(StoredString("Recent File List", "File1").value_or(""), file.toStdString());
        // Its tree shows what it holds.
        CLeftView* tree = Active()->GetLeftView();
        QCOMPARE(tree->CountPieceItems(tree->m_hItemsRoot), 8);
        QCOMPARE(tree->CountPieceItems(tree->m_hSuitsRoot), 8);
        QCOMPARE(Main()->PieceCountPane()->text(), QStringLiteral("Piece count: 0/8"));
    }

    void commandLineFileThatCannotBeOpenedEndsStartUp() {
        app = std::make_unique<CTestApp>();
        QVERIFY(!app->InitInstance({Path("missing.gva")}));
        QCOMPARE(int(box.shown.size()), 1);
        QVERIFY(app->Documents().empty());

        // A file cut short: "Unexpected file format.", and no document stays open.
        const QString file = Path("cut.gva");
        QVERIFY(WriteSampleFile(file));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.resize(100));
        f.close();
        app = std::make_unique<CTestApp>();
        box.shown.clear();
        QVERIFY(!app->InitInstance({file}));
        QCOMPARE(int(box.shown.size()), 1);
        QCOMPARE(box.shown[0].text, std::string("Unexpected file format."));
        QVERIFY(app->Documents().empty());
    }

    void wrongMagicOpensEmptyAndNamedAfterTheFile() {
        const QString file = Path("other.gva");
        {
            std::ofstream out(file.toStdString(), std::ios::binary);
            out << "not a document at all";
        }
        Start({file});
        QCOMPARE(int(box.shown.size()), 1);
        QCOMPARE(box.shown[0].text, std::string("Archive format not recognized."));
        QCOMPARE(box.shown[0].icon, MsgIcon::Stop);
        CDocHolder* doc = app->Documents().front().get();
        QCOMPARE(doc->GetTitle(), QStringLiteral("other.gva"));
        QVERIFY(!doc->IsModified());
        QCOMPARE(doc->Doc().GetPoolCount(), 0);
    }

    void closingAModifiedDocumentAsksToSave() {
        Start();
        CDocHolder* doc = app->Documents().front().get();
        AddToPool(doc->Doc(), ParsedPiece("gold ring, luck 40 "));
        doc->Doc().SetModifiedFlag(true);
        Main()->UpdateCmdUI();
        QVERIFY(Active()->isWindowModified());
        QCOMPARE(Main()->windowTitle(), QStringLiteral("Gorvanta - [Gorvan1[*]]"));
        QVERIFY(Main()->isWindowModified());

        // Cancel keeps it open.
        box.answers = {IDCANCEL};
        Main()->OnCommand(ID_FILE_CLOSE);
        QCOMPARE(int(box.shown.size()), 1);
        QCOMPARE(box.shown[0].text, std::string("Save changes to Gorvan1?"));
        QCOMPARE(box.shown[0].buttons, MsgButtons::YesNoCancel);
        QCOMPARE(int(app->Documents().size()), 1);

        // Yes with the file dialog cancelled: still open, nothing written.
        box.answers = {IDYES};
        app->answers = {QString()};
        Main()->OnCommand(ID_FILE_CLOSE);
        QCOMPARE(int(app->Documents().size()), 1);
        QCOMPARE(int(app->prompts.size()), 1);
        QCOMPARE(app->prompts[0].proposed, QStringLiteral("Gorvan1.gva"));
        QVERIFY(!app->prompts[0].open);

        // Yes and a name: saved, then closed.
        const QString file = Path("saved.gva");
        box.answers = {IDYES};
        app->answers = {file};
        Main()->OnCommand(ID_FILE_CLOSE);
        ProcessDeferredDeletes();
        QVERIFY(app->Documents().empty());
        QVERIFY(QFileInfo(file).size() > 60);
        QCOMPARE(Main()->CurrentMenuId(), IDR_MAINFRAME);
        QCOMPARE(Main()->PieceCountPane()->text(), QString());
        QCOMPARE(Main()->windowTitle(), QStringLiteral("Gorvanta"));
        QCOMPARE(app->RecentFiles().value(0), QFileInfo(file).absoluteFilePath());

        // No closes without saving.
        Main()->OnCommand(ID_FILE_NEW);
        CDocHolder* second = app->Documents().front().get();
        second->Doc().SetModifiedFlag(true);
        box.answers = {IDNO};
        box.shown.clear();
        Active()->close();
        ProcessDeferredDeletes();
        QCOMPARE(int(box.shown.size()), 1);
        QCOMPARE(box.shown[0].text, std::string("Save changes to Gorvan2?"));
        QVERIFY(app->Documents().empty());
    }

    void closingTheMainFrameAsksAndKeepsThePlacementWhenCancelled() {
        Start();
        Main()->move(40, 30);
        Main()->resize(650, 400);
        app->Documents().front()->Doc().SetModifiedFlag(true);
        box.answers = {IDCANCEL};
        QVERIFY(!Main()->close());
        QCOMPARE(int(app->Documents().size()), 1);
        for (const auto& [name, value] :
             {std::pair{"Left", 40}, {"Top", 30}, {"Right", 690}, {"Bottom", 430}, {"AlwaysOnTop", 0}})
            QCOMPARE(StoredInt("Frame", name).value_or(-1), value);
        box.answers = {IDNO};
        QVERIFY(Main()->close());
        QVERIFY(app->Documents().empty());
    }

    void saveAndSaveAsWriteTheFile() {
        Start();
        CDocHolder* doc = app->Documents().front().get();
        AddPool(doc->Doc());
        doc->Doc().SetModifiedFlag(true);
        const QString first = Path("first.gva");
        app->answers = {first};
        Main()->OnCommand(ID_FILE_SAVE);
        QVERIFY(!doc->IsModified());
        QCOMPARE(doc->GetTitle(), QStringLiteral("first.gva"));
        QCOMPARE(Active()->FrameTitle(), QStringLiteral("first.gva"));
        // Save again goes to the same file without asking.
        doc->Doc().SetModifiedFlag(true);
        Main()->OnCommand(ID_FILE_SAVE);
        QCOMPARE(int(app->prompts.size()), 1);
        QVERIFY(!doc->IsModified());
        // Save As asks with the current path and takes the new name.
        const QString second = Path("second.gva");
        app->answers = {second};
        Main()->OnCommand(ID_FILE_SAVE_AS);
        QCOMPARE(app->prompts.back().proposed, QFileInfo(first).absoluteFilePath());
        QCOMPARE(doc->GetTitle(), QStringLiteral("second.gva"));
        QCOMPARE(app->RecentFiles().mid(0, 2),
                 (QStringList{QFileInfo(second).absoluteFilePath(), QFileInfo(first).absoluteFilePath()}));
        // Both files hold the pool.
        CGorvantaDoc check;
        QVERIFY(LoadDocumentFile(check, second.toStdString()).status == LoadStatus::Ok);
        QCOMPARE(check.GetPoolCount(), 8);
    }

    void aFailedSaveIsReportedAndTheDocumentStaysModified() {
        Start();
        CDocHolder* doc = app->Documents().front().get();
        doc->Doc().SetModifiedFlag(true);
        app->answers = {Path("no-such-folder/x.gva")};
        Main()->OnCommand(ID_FILE_SAVE);
        QCOMPARE(int(box.shown.size()), 1);
        QVERIFY(box.shown[0].text.rfind("Failed to save document.", 0) == 0);
        QVERIFY(doc->IsModified());
        QCOMPARE(doc->GetTitle(), QStringLiteral("Gorvan1"));
    }

    void recentFilesKeepAtMostFour() {
        Start();
        QStringList files;
        for (int i = 0; i < 6; ++i) {
            files << Path(QStringLiteral("f%1.gva").arg(i));
            QVERIFY(WriteSampleFile(files.back()));
            QVERIFY(app->OpenDocumentFile(files.back()));
        }
        QCOMPARE(app->RecentFiles().size(), 4);
        QCOMPARE(app->RecentFiles().first(), files[5]);
        QCOMPARE(app->RecentFiles().last(), files[2]);
        for (int i = 1; i <= 4; ++i)
            QCOMPARE(StoredString("Recent File List", qPrintable(QStringLiteral("File%1").arg(i))).value_or(""),
                     files[6 - i].toStdString());
        QVERIFY(!StoredString("Recent File List", "File5"));
        // Opening one again moves it to the top instead of adding it twice; the open window is reused.
        const size_t docs = app->Documents().size();
        QVERIFY(app->OpenDocumentFile(files[3]));
        QCOMPARE(app->Documents().size(), docs);
        QCOMPARE(app->RecentFiles().first(), files[3]);
        QCOMPARE(app->RecentFiles().size(), 4);
        // The menu shows them numbered.
        QAction* first = Main()->Action(ID_FILE_MRU_FILE1);
        Main()->UpdateCmdUI();
        QVERIFY(first->text().startsWith(QStringLiteral("&1 ")));
        QVERIFY(first->text().endsWith(QStringLiteral("f3.gva")));
        QVERIFY(first->isEnabled());
        QVERIFY(Main()->Action(ID_FILE_MRU_FILE1 + 3)->isVisible());

        // The list comes back at the next start; an entry that no longer opens leaves it.
        Quit();
        QVERIFY(QFile::remove(files[4]));
        Start();
        QCOMPARE(app->RecentFiles().size(), 4);
        QCOMPARE(app->RecentFiles().first(), files[3]);
        const int gone = int(app->RecentFiles().indexOf(files[4]));
        QVERIFY(gone >= 0);
        box.shown.clear();
        Main()->OnCommand(ID_FILE_MRU_FILE1 + gone);
        QCOMPARE(int(box.shown.size()), 1);
        QCOMPARE(app->RecentFiles().size(), 3);
        QVERIFY(!app->RecentFiles().contains(files[4]));
    }

    void theMenuBarFollowsTheDocumentWindows() {
        Start();
        QCOMPARE(Main()->CurrentMenuId(), IDR_DOCTYPE);
        QCOMPARE(BarTitles(), (QStringList{"&File", "&Edit", "&View", "Filte&rs", "&Calculate", "&Window", "&Help"}));
        Active()->close();
        ProcessDeferredDeletes();
        QCOMPARE(Main()->CurrentMenuId(), IDR_MAINFRAME);
        QCOMPARE(BarTitles(), (QStringList{"&File", "&View", "&Help"}));
        // In menu 128 only the commands with a handler are enabled.
        Main()->UpdateCmdUI();
        for (int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_PRINT_SETUP, ID_APP_EXIT, ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR,
                       ID_APP_ABOUT})
            QVERIFY2(Main()->Action(id)->isEnabled(), qPrintable(QString::number(id)));
        for (int id : {ID_WINDOW_SPLIT, ID_VIEW_LARGEICON, ID_VIEW_SMALLICON, ID_VIEW_LIST, ID_VIEW_DETAILS, ID_VIEW_BYNAME,
                       ID_VIEW_AUTOARRANGE, ID_VIEW_LINEUP})
            QVERIFY2(!Main()->Action(id)->isEnabled(), qPrintable(QString::number(id)));
        QMenu* file = Main()->MenuPopup(QStringLiteral("&File"));
        QVERIFY(file);
        QStringList texts;
        for (QAction* a : file->actions())
            if (a->isVisible()) texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(texts, (QStringList{"&New\tCtrl+N", "&Open...\tCtrl+O", "-", "P&rint Setup...", "-", "Recent File", "-",
                                     "E&xit"}));
        // The first new window brings menu 129 back.
        Main()->OnCommand(ID_FILE_NEW);
        QCOMPARE(Main()->CurrentMenuId(), IDR_DOCTYPE);
    }

    void alwaysOnTopToggledTwiceIsOffAgain() {
        Start();
        QAction* onTop = Main()->Action(ID_VIEW_ALWAYS_ON_TOP);
        QVERIFY(!onTop->isChecked());
        Main()->OnCommand(ID_VIEW_ALWAYS_ON_TOP);
        QCOMPARE(Main()->m_bAlwaysOnTop, 1);
        QVERIFY(Main()->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(onTop->isChecked());
        QVERIFY(Main()->isVisible());
        QCOMPARE(Main()->size(), QSize(702, 416));
        Main()->OnCommand(ID_VIEW_ALWAYS_ON_TOP);
        QCOMPARE(Main()->m_bAlwaysOnTop, 0);
        QVERIFY(!(Main()->windowFlags() & Qt::WindowStaysOnTopHint));
        QVERIFY(!onTop->isChecked());
        // The flag is stored when the frame closes.
        Main()->OnCommand(ID_VIEW_ALWAYS_ON_TOP);
        QVERIFY(Main()->close());
        QCOMPARE(StoredInt("Frame", "AlwaysOnTop").value_or(-1), 1);
        Quit();
        Start();
        QCOMPARE(Main()->m_bAlwaysOnTop, 1);
        QVERIFY(Main()->windowFlags() & Qt::WindowStaysOnTopHint);
    }

    void toolbarAndStatusBar() {
        Start();
        QStringList ids;
        for (QAction* a : Main()->ToolBar()->actions())
            ids << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
        QCOMPARE(ids, (QStringList{"ID_57600", "ID_57601", "ID_57603", "-", "ID_32771", "-", "ID_32784", "ID_32791", "-",
                                   "ID_57637", "-", "ID_57664"}));
        QCOMPARE(Main()->Action(ID_FILE_NEW)->toolTip(), QStringLiteral("New"));
        QCOMPARE(Main()->Action(ID_APP_ABOUT)->toolTip(), QStringLiteral("About"));
        QCOMPARE(Main()->Action(ID_CALC_START)->statusTip(), QStringLiteral("Calculate armor combinations"));
        QCOMPARE(Main()->Action(ID_VIEW_ALWAYS_ON_TOP)->statusTip(),
                 QStringLiteral("Set window to stay on top of all other windows"));
        QCOMPARE(Main()->Action(ID_CALC_STOP)->statusTip(), QStringLiteral("Stop calculation"));
        QCOMPARE(Main()->Action(ID_CALC_FILTERS)->statusTip(), QStringLiteral("Filter and limit settings"));
        // Hovering a button puts its prompt into the message pane, and "Ready" returns after.
        QWidget* start = Main()->ToolBar()->widgetForAction(Main()->Action(ID_CALC_START));
        QVERIFY(start);
        Main()->Action(ID_CALC_START)->showStatusText(start);
        QCOMPARE(Main()->statusBar()->currentMessage(), QStringLiteral("Calculate armor combinations"));
        Main()->statusBar()->clearMessage();
        QCOMPARE(Main()->MessagePane()->text(), QStringLiteral("Ready"));
        // The buttons of commands without a tip part show none.
        QToolTip::hideText();
        QHelpEvent tip(QEvent::ToolTip, QPoint(2, 2), start->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(start, &tip);
        QVERIFY(!QToolTip::isVisible());
        QWidget* newButton = Main()->ToolBar()->widgetForAction(Main()->Action(ID_FILE_NEW));
        QHelpEvent tip2(QEvent::ToolTip, QPoint(2, 2), newButton->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(newButton, &tip2);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("New"));
        QToolTip::hideText();
        // Both bars can be hidden.
        QVERIFY(Main()->Action(ID_VIEW_TOOLBAR)->isChecked());
        Main()->OnCommand(ID_VIEW_TOOLBAR);
        QVERIFY(!Main()->ToolBar()->isVisible());
        QVERIFY(!Main()->Action(ID_VIEW_TOOLBAR)->isChecked());
        Main()->OnCommand(ID_VIEW_STATUS_BAR);
        QVERIFY(!Main()->statusBar()->isVisible());
        QVERIFY(!Main()->Action(ID_VIEW_STATUS_BAR)->isChecked());
        Main()->OnCommand(ID_VIEW_STATUS_BAR);
        QVERIFY(Main()->statusBar()->isVisible());
    }

    void startAndStopFollowTheRunningFlag() {
        Start();
        CLeftView* tree = Active()->GetLeftView();
        // The results list would start a real run; here the commands are watched from the tree alone.
        Active()->GetResultsView()->Detach();
        QVERIFY(Main()->Action(ID_CALC_START)->isEnabled());
        QVERIFY(!Main()->Action(ID_CALC_STOP)->isEnabled());
        Main()->OnCommand(ID_CALC_STOP);  // disabled: nothing is sent
        QCOMPARE(tree->m_bCalculating, 0);
        Main()->OnCommand(ID_CALC_START);
        QCOMPARE(tree->m_bCalculating, 1);
        TheCalcState().m_bCalcRunning.store(1);
        Main()->UpdateCmdUI();
        QVERIFY(!Main()->Action(ID_CALC_START)->isEnabled());
        QVERIFY(Main()->Action(ID_CALC_STOP)->isEnabled());
        // The hourglass stays up while the run goes on, even when something else changed the cursor.
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QApplication::changeOverrideCursor(QCursor(Qt::ArrowCursor));
        Main()->UpdateCmdUI();
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        // Stop sends its hint: the tree rebuilds and stays busy until the done hint.
        AddToPool(Active()->GetDocument()->Doc(), ParsedPiece("gold ring, luck 10 "));
        Main()->OnCommand(ID_CALC_STOP);
        QCOMPARE(tree->CountPieceItems(tree->m_hItemsRoot), 1);
        QCOMPARE(tree->m_bCalculating, 1);
        TheCalcState().m_bCalcRunning.store(0);
        Main()->UpdateCmdUI();
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(Main()->Action(ID_CALC_START)->isEnabled());
        QVERIFY(!Main()->Action(ID_CALC_STOP)->isEnabled());
    }

    void openCommandAndDroppedFiles() {
        Start();
        const QString file = Path("asked.gva");
        QVERIFY(WriteSampleFile(file));
        app->answers = {file};
        Main()->OnCommand(ID_FILE_OPEN);
        QCOMPARE(int(app->prompts.size()), 1);
        QVERIFY(app->prompts[0].open);
        QCOMPARE(Active()->GetDocument()->GetTitle(), QStringLiteral("asked.gva"));
        // Cancelled: nothing opens.
        app->answers = {QString()};
        Main()->OnCommand(ID_FILE_OPEN);
        QCOMPARE(int(app->Documents().size()), 2);
        // Dropped files open too.
        const QString a = Path("drop-a.gva"), b = Path("drop-b.gva");
        QVERIFY(WriteSampleFile(a));
        QVERIFY(WriteSampleFile(b));
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)});
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Main(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Main(), &drop);
        QCOMPARE(int(app->Documents().size()), 4);
        QCOMPARE(Active()->GetDocument()->GetTitle(), QStringLiteral("drop-b.gva"));
        // Something that is not a file is refused.
        QMimeData text;
        text.setText(QStringLiteral("hello"));
        QDragEnterEvent refused(QPoint(50, 50), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        refused.setAccepted(false);
        QApplication::sendEvent(Main(), &refused);
        QVERIFY(!refused.isAccepted());
    }

    void newWindowShowsTheSameDocument() {
        Start();
        CChildFrame* first = Active();
        CDocHolder* doc = first->GetDocument();
        AddPool(doc->Doc());
        doc->Doc().UpdateAllViews(nullptr, HINT_REFRESH);
        Main()->OnCommand(ID_WINDOW_NEW);
        CChildFrame* second = Active();
        QVERIFY(second != first);
        QCOMPARE(second->GetDocument(), doc);
        QCOMPARE(int(doc->Frames().size()), 2);
        QCOMPARE(first->FrameTitle(), QStringLiteral("Gorvan1:1"));
        QCOMPARE(second->FrameTitle(), QStringLiteral("Gorvan1:2"));
        QVERIFY(second->GetLeftView() != first->GetLeftView());
        QCOMPARE(second->GetLeftView()->CountPieceItems(second->GetLeftView()->m_hItemsRoot), 8);
        // A change of the document rebuilds both trees.
        AddToPool(doc->Doc(), ParsedPiece("gold bracelet, luck 60 "));
        doc->Doc().UpdateAllViews(nullptr, HINT_REFRESH);
        QCOMPARE(first->GetLeftView()->CountPieceItems(first->GetLeftView()->m_hItemsRoot), 9);
        QCOMPARE(second->GetLeftView()->CountPieceItems(second->GetLeftView()->m_hItemsRoot), 9);
        // Closing one window of a modified document does not ask; the other keeps it open.
        doc->Doc().SetModifiedFlag(true);
        second->close();
        ProcessDeferredDeletes();
        QVERIFY(box.shown.empty());
        QCOMPARE(int(doc->Frames().size()), 1);
        QCOMPARE(first->FrameTitle(), QStringLiteral("Gorvan1"));
        // The last one asks.
        box.answers = {IDNO};
        first->close();
        ProcessDeferredDeletes();
        QCOMPARE(int(box.shown.size()), 1);
        QVERIFY(app->Documents().empty());
    }

    void cascadeAndTileArrangeTheWindows() {
        Start();
        Main()->OnCommand(ID_FILE_NEW);
        Main()->OnCommand(ID_FILE_NEW);
        QCOMPARE(Main()->MdiArea()->subWindowList().size(), 3);
        Main()->OnCommand(ID_WINDOW_TILE_HORZ);
        const QList<QMdiSubWindow*> windows = Main()->MdiArea()->subWindowList();
        for (QMdiSubWindow* w : windows) QVERIFY(!w->isMaximized());
        // Tiled windows do not overlap.
        for (int i = 0; i < windows.size(); ++i)
            for (int j = i + 1; j < windows.size(); ++j)
                QVERIFY(!windows[i]->geometry().intersects(windows[j]->geometry()));
        Main()->OnCommand(ID_WINDOW_CASCADE);
        QVERIFY(windows[0]->geometry().intersects(windows[1]->geometry()));
        // The Window menu lists them.
        QMenu* menu = Main()->MenuPopup(QStringLiteral("&Window"));
        QVERIFY(menu);
        emit menu->aboutToShow();
        int listed = 0;
        for (QAction* a : menu->actions())
            if (a->text().startsWith(QLatin1Char('&')) && a->text().contains(QStringLiteral(" Gorvan"))) ++listed;
        QCOMPARE(listed, 3);
    }

    void keyboardSplitMovesTheBar() {
        Start();
        CChildFrame* child = Active();
        const int before = child->GetColumnWidth(0);
        Main()->OnCommand(ID_WINDOW_SPLIT);
        QVERIFY(child->IsKeyboardSplitting());
        QTest::keyClick(child->GetLeftView(), Qt::Key_Right);
        QCOMPARE(child->GetColumnWidth(0), before + 16);
        QTest::keyClick(child->GetLeftView(), Qt::Key_Escape);
        QVERIFY(!child->IsKeyboardSplitting());
        QCOMPARE(child->GetColumnWidth(0), before);
        Main()->OnCommand(ID_WINDOW_SPLIT);
        QTest::keyClick(child->GetLeftView(), Qt::Key_Left);
        QTest::keyClick(child->GetLeftView(), Qt::Key_Return);
        QCOMPARE(child->GetColumnWidth(0), before - 16);
        // F6 moves between the panes.
        child->GetLeftView()->setFocus();
        Main()->OnCommand(ID_NEXT_PANE);
        QCOMPARE(child->GetActiveView(), static_cast<CCmdTarget*>(child->GetResultsView()));
        Main()->OnCommand(ID_PREV_PANE);
        QCOMPARE(child->GetActiveView(), static_cast<CCmdTarget*>(child->GetLeftView()));
    }

    void resultsListHasItsSixteenColumns() {
        Start();
        CGorvantaView* list = Active()->GetResultsView();
        QCOMPARE(list->model()->columnCount(), 16);
        const char* headings[] = {"Suit", "Phy.", "Fire", "Cold", "Poison", "Energy", "Eff. Total", "Act. Total",
                                  "Luck", "LMC",  "LRC",  "MR",   "HR",     "SR",     "DCI",        "HCI"};
        for (int n = 0; n < 16; ++n)
            QCOMPARE(list->model()->headerData(n, Qt::Horizontal).toString(), QString::fromLatin1(headings[n]));
        // With every display switch off: eight columns shown, the optional ones at width 0.
        for (int n = 0; n < 8; ++n) QCOMPARE(list->ColumnWidth(n), TheSettings().m_nColumnWidth[size_t(n)]);
        for (int n = 8; n < 16; ++n) QCOMPARE(list->ColumnWidth(n), 0);
        QCOMPARE(list->m_nLowerLimit, 300);
        // Switching one on shows it at its width after the filters hint.
        TheSettings().m_bDisplayHR = 1;
        TheSettings().m_nColumnWidth[12] = 44;
        Active()->GetDocument()->Doc().UpdateAllViews(nullptr, HINT_FILTERS_CHANGED);
        QCOMPARE(list->ColumnWidth(12), 44);
        TheSettings().m_bDisplayHR = 0;
        Active()->GetDocument()->Doc().UpdateAllViews(nullptr, HINT_FILTERS_CHANGED);
        QCOMPARE(list->ColumnWidth(12), 0);
    }

    void titlesFollowTheWindowState() {
        Start();
        CChildFrame* child = Active();
        child->showNormal();
        Main()->UpdateCmdUI();
        QCOMPARE(Main()->windowTitle(), QStringLiteral("Gorvanta - Gorvan1[*]"));
        child->showMaximized();
        Main()->UpdateCmdUI();
        QCOMPARE(Main()->windowTitle(), QStringLiteral("Gorvanta - [Gorvan1[*]]"));
        child->GetDocument()->Doc().SetModifiedFlag(true);
        Main()->UpdateCmdUI();
        QVERIFY(Main()->isWindowModified());
        QVERIFY(child->isWindowModified());
        child->GetDocument()->Doc().SetModifiedFlag(false);
        Main()->UpdateCmdUI();
        QVERIFY(!Main()->isWindowModified());
    }

    void aboutAndPrintSetupOpenTheirDialogs() {
        Start();
        QVERIFY(Main()->Action(ID_APP_ABOUT)->isEnabled());
        QString title;
        WhenModal([&](QWidget& w) {
            title = w.windowTitle();
            w.close();
        });
        Main()->OnCommand(ID_APP_ABOUT);
        QCOMPARE(title, QStringLiteral("About Gorvanta"));
        // Print Setup is a command of menu 128: the frame without documents.
        Active()->close();
        ProcessDeferredDeletes();
        QVERIFY(Main()->Action(ID_FILE_PRINT_SETUP)->isEnabled());
        title.clear();
        WhenModal([&](QWidget& w) {
            title = w.windowTitle();
            w.close();
        });
        Main()->OnCommand(ID_FILE_PRINT_SETUP);
        QCOMPARE(title, QStringLiteral("Print Setup"));
    }

    void accelerators() {
        Start();
        Main()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Main()));
        QTest::keyClick(Main(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(Active()->GetDocument()->GetTitle(), QStringLiteral("Gorvan2"));
        const QString file = Path("keys.gva");
        app->answers = {file};
        QTest::keyClick(Main(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(Active()->GetDocument()->GetTitle(), QStringLiteral("keys.gva"));
        // Copy, Cut and Undo have no handler: nothing happens.
        QTest::keyClick(Main(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(int(app->Documents().size()), 2);
        QVERIFY(box.shown.empty());
    }

    void exitClosesEverything() {
        Start();
        Main()->OnCommand(ID_FILE_NEW);
        Main()->OnCommand(ID_APP_EXIT);
        QVERIFY(!Main()->isVisible());
        QVERIFY(app->Documents().empty());
    }

    void mainFrameOwnsTheSettings() {
        CSettings* const fallback = &TheSettings();
        Start();
        QVERIFY(&TheSettings() != fallback);
        QCOMPARE(&TheSettings(), &Main()->m_settings);
        // The name tables were loaded with the settings.
        QVERIFY(!Main()->m_settings.m_pieceDefs.Table(0).empty());
        app.reset();
        QCOMPARE(&TheSettings(), fallback);
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
