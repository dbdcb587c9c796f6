// The window program on real widgets: start-up, menus, file commands, document windows.
#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QHeaderView>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolTip>
#include <QUrl>

#include "gui/calc/GorvantaView.h"
#include "gui/resources/Resource.h"
#include "support/AppTest.h"
#include "gui/ui/LeftView.h"

using namespace guitest;

class MainWindowTest : public QObject, AppFixture {
    Q_OBJECT
    QStringList BarTitles() {
        QStringList titles;
        for (QAction* a : Main()->menuBar()->actions()) titles << a->text();
        return titles;
    }
    CDocHolder* FirstDoc() { return app->Documents().front().get(); }
    static int Items(CLeftView* tree) { return tree->CountPieceItems(tree->m_hItemsRoot); }
    static QString Abs(const QString& file) { return QFileInfo(file).absoluteFilePath(); }
    void CloseActive() {
        Active()->close();
        ProcessDeferredDeletes();
    }
    // The title of the modal dialog that the command, which must be enabled, opens; the dialog is closed.
    QString DialogTitleOf(int id) {
        if (!Main()->Action(id)->isEnabled()) return QStringLiteral("(disabled)");
        QString title;
        WhenModal([&](QWidget& w) {
            title = w.windowTitle();
            w.close();
        });
        Main()->OnCommand(id);
        return title;
    }
    void ShowTip(QWidget* w) {
        QHelpEvent tip(QEvent::ToolTip, QPoint(2, 2), w->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(w, &tip);
    }
    // Whether the main window takes a drag of this data.
    bool Enters(QMimeData& data) {
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        enter.setAccepted(false);
        QApplication::sendEvent(Main(), &enter);
        return enter.isAccepted();
    }
    int DocCount() { return int(app->Documents().size()); }
    // Exactly one message was shown since the box was cleared, with this text when one is given.
    void ExpectOneMessage(const char* text = nullptr) {
        QCOMPARE(int(box.shown.size()), 1);
        if (text) QCOMPARE(box.shown[0].text, std::string(text));
    }
    void ExpectOnTop(bool on) {
        QCOMPARE(Main()->m_bAlwaysOnTop, int(on));
        QCOMPARE(bool(Main()->windowFlags() & Qt::WindowStaysOnTopHint), on);
        QCOMPARE(Main()->Action(ID_VIEW_ALWAYS_ON_TOP)->isChecked(), on);
    }
    void ExpectTitle(const QString& title, bool modified) {
        Main()->UpdateCmdUI();
        QCOMPARE(Main()->windowTitle(), title);
        QCOMPARE(Main()->isWindowModified(), modified);
        QCOMPARE(Active()->isWindowModified(), modified);
    }
    // Start can be chosen, or Stop, never both.
    void ExpectCanStart(bool start) {
        QCOMPARE(Main()->Action(ID_CALC_START)->isEnabled(), start);
        QCOMPARE(Main()->Action(ID_CALC_STOP)->isEnabled(), !start);
    }

private slots:
    void init() { BeginCase(); }
    void cleanup() { EndCase(); }
    // The first start: an empty document "Gorvan1", no recent files, the default placement and columns,
    // the main frame's own settings; the title follows the window state; new documents count on.
    void firstStart() {
        CSettings* const fallback = &TheSettings();
        Start();
        QVERIFY(&TheSettings() != fallback);
        QCOMPARE(&TheSettings(), &Main()->m_settings);
        // The name tables were loaded with the settings.
        QVERIFY(!Main()->m_settings.m_pieceDefs.Table(0).empty());
        QCOMPARE(DocCount(), 1);
        CDocHolder* doc = FirstDoc();
        QCOMPARE(doc->GetTitle(), QStringLiteral("Gorvan1"));
        QVERIFY(doc->GetPathName().isEmpty());
        QVERIFY(!doc->IsModified());
        QCOMPARE(doc->Doc().GetPoolCount(), 0);
        QCOMPARE(Active()->FrameTitle(), QStringLiteral("Gorvan1"));
        QCOMPARE(Main()->windowTitle(), QStringLiteral("Gorvanta - [Gorvan1[*]]"));
        QVERIFY(Main()->isVisible());
        // The empty tree: the two roots without children.
        CLeftView* tree = Active()->GetLeftView();
        QCOMPARE(Column(tree), (QStringList{"Items", "Suits"}));
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
        ExpectOnTop(false);
        CChildFrame* child = Active();
        QVERIFY(child);
        QVERIFY(child->isMaximized());
        QCOMPARE(child->GetWindowPlacement().rcNormalPosition.size(), QSize(599, 356));
        // The results list takes its minimum total from the settings the main frame loaded.
        QCOMPARE(child->GetResultsView()->m_nLowerLimit, 300);
        // The split is a third of the client width the window was made with. Maximized, the tree keeps
        // that proportion at most, and the list has room for its first seven columns.
        auto* splitter = child->m_wndSplitter;
        const int third = child->CreatedClientWidth() / 3;
        const QList<int> maximized = splitter->sizes();
        QVERIFY(maximized[0] * child->CreatedClientWidth() <= third * (maximized[0] + maximized[1]) + 2 * child->CreatedClientWidth());
        int firstSeven = 0;
        for (int c = 0; c < 7; ++c) firstSeven += child->GetResultsView()->horizontalHeader()->sectionSize(c);
        QVERIFY(child->GetResultsView()->viewport()->width() >= firstSeven);
        child->showNormal();
        QCOMPARE(child->size(), QSize(599, 356));
        QCOMPARE(splitter->width(), child->CreatedClientWidth());
        QCOMPARE(child->GetLeftView()->width(), third);
        for (const auto& [change, title, modified] :
             {std::tuple<std::function<void()>, const char*, bool>{[] {}, "Gorvanta - Gorvan1[*]", false},
              {[&] { child->showMaximized(); }, "Gorvanta - [Gorvan1[*]]", false},
              {[&] { doc->Doc().SetModifiedFlag(true); }, "Gorvanta - [Gorvan1[*]]", true},
              {[&] { doc->Doc().SetModifiedFlag(false); }, "Gorvanta - [Gorvan1[*]]", false}}) {
            change();
            ExpectTitle(QString::fromLatin1(title), modified);
        }
        Main()->OnCommand(ID_FILE_NEW);
        QCOMPARE(Active()->GetDocument()->GetTitle(), QStringLiteral("Gorvan2"));
        Quit();
        QCOMPARE(&TheSettings(), fallback);
    }
    // A file on the command line opens instead of a new document; one that is missing or cut short ends
    // the start-up; one of another kind opens empty, named after the file.
    void startUpWithAFile() {
        const QString file = Path("pool.gva");
        QVERIFY(WriteSampleFile(file));
        Start({file});
        QCOMPARE(DocCount(), 1);
        CDocHolder* doc = FirstDoc();
        QCOMPARE(doc->GetTitle(), QStringLiteral("pool.gva"));
        QCOMPARE(doc->GetPathName(), Abs(file));
        QCOMPARE(doc->Doc().GetPoolCount(), 8);
        QCOMPARE(int(doc->Doc().m_arrSuits.size()), 2);
        QVERIFY(!doc->IsModified());
        QCOMPARE(app->RecentFiles(), QStringList{Abs(file)});
        QCOMPARE(StoredString("Recent File List", "File1").value_or(""), file.toStdString());
        CLeftView* tree = Active()->GetLeftView();
        QCOMPARE(Items(tree), 8);
        QCOMPARE(tree->CountPieceItems(tree->m_hSuitsRoot), 8);
        QCOMPARE(Main()->PieceCountPane()->text(), QStringLiteral("Piece count: 0/8"));
        Quit();
        const QString cut = Path("cut.gva");
        QVERIFY(WriteSampleFile(cut) && QFile::resize(cut, 100));
        const QString other = Path("other.gva");
        std::ofstream(other.toStdString(), std::ios::binary) << "not a document at all";
        // Nothing opens on a file of another kind either, so no save can replace it.
        for (const auto& [bad, message, stop] :  // a null message: any one
             {std::tuple<QString, const char*, bool>{Path("missing.gva"), nullptr, false},
              {cut, "Unexpected file format.", false}, {other, "Archive format not recognized.", true}}) {
            box.shown.clear();
            app = std::make_unique<CTestApp>();
            QVERIFY2(!app->InitInstance({bad}), qPrintable(bad));
            ExpectOneMessage(message);
            if (stop) QCOMPARE(box.shown[0].icon, MsgIcon::Stop);
            QVERIFY2(app->Documents().empty(), qPrintable(bad));
            Quit();
        }
    }
    void closingAModifiedDocumentAsksToSave() {
        Start();
        CDocHolder* doc = FirstDoc();
        AddToPool(doc->Doc(), ParsedPiece("gold ring, luck 40 "));
        doc->Doc().SetModifiedFlag(true);
        ExpectTitle(QStringLiteral("Gorvanta - [Gorvan1[*]]"), true);
        // Cancel keeps it open.
        box.answers = {IDCANCEL};
        Main()->OnCommand(ID_FILE_CLOSE);
        ExpectOneMessage("Save changes to Gorvan1?");
        QCOMPARE(box.shown[0].buttons, MsgButtons::YesNoCancel);
        QCOMPARE(DocCount(), 1);
        // Yes with the file dialog cancelled: still open, nothing written.
        box.answers = {IDYES};
        app->answers = {QString()};
        Main()->OnCommand(ID_FILE_CLOSE);
        QCOMPARE(DocCount(), 1);
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
        QCOMPARE(app->RecentFiles().value(0), Abs(file));
        // No closes without saving.
        Main()->OnCommand(ID_FILE_NEW);
        FirstDoc()->Doc().SetModifiedFlag(true);
        box.answers = {IDNO};
        box.shown.clear();
        CloseActive();
        ExpectOneMessage("Save changes to Gorvan2?");
        QVERIFY(app->Documents().empty());
    }
    // Always on top, toggled twice, is off again; the flag is stored when the frame closes, and so is the
    // placement when a modified document's Cancel keeps the frame open.
    void alwaysOnTopAndThePlacementAreStored() {
        Start();
        for (bool on : {false, true, false}) {
            ExpectOnTop(on);
            // Changing the flag shows the window again, at its size.
            QVERIFY(Main()->isVisible());
            QCOMPARE(Main()->size(), QSize(702, 416));
            Main()->OnCommand(ID_VIEW_ALWAYS_ON_TOP);
        }
        QVERIFY(Main()->close());
        QCOMPARE(StoredInt("Frame", "AlwaysOnTop").value_or(-1), 1);
        Quit();
        Start();
        ExpectOnTop(true);
        Main()->OnCommand(ID_VIEW_ALWAYS_ON_TOP);
        Main()->move(40, 30);
        Main()->resize(650, 400);
        FirstDoc()->Doc().SetModifiedFlag(true);
        box.answers = {IDCANCEL};
        QVERIFY(!Main()->close());
        QCOMPARE(DocCount(), 1);
        for (const auto& [name, value] :
             {std::pair{"Left", 40}, {"Top", 30}, {"Right", 690}, {"Bottom", 430}, {"AlwaysOnTop", 0}})
            QCOMPARE(StoredInt("Frame", name).value_or(-1), value);
        box.answers = {IDNO};
        QVERIFY(Main()->close());
        QVERIFY(app->Documents().empty());
    }
    // A failed save is reported and the document stays modified; Save asks once, then writes to the same
    // file; Save As asks with the current path and takes the new name.
    void savingTheDocument() {
        Start();
        CDocHolder* doc = FirstDoc();
        AddPool(doc->Doc());
        doc->Doc().SetModifiedFlag(true);
        app->answers = {Path("no-such-folder/x.gva")};
        Main()->OnCommand(ID_FILE_SAVE);
        ExpectOneMessage();
        QVERIFY(box.shown[0].text.rfind("Failed to save document.", 0) == 0);
        QVERIFY(doc->IsModified());
        QCOMPARE(doc->GetTitle(), QStringLiteral("Gorvan1"));
        app->prompts.clear();
        const QString first = Path("first.gva");
        app->answers = {first};
        Main()->OnCommand(ID_FILE_SAVE);
        QVERIFY(!doc->IsModified());
        QCOMPARE(doc->GetTitle(), QStringLiteral("first.gva"));
        QCOMPARE(Active()->FrameTitle(), QStringLiteral("first.gva"));
        doc->Doc().SetModifiedFlag(true);
        Main()->OnCommand(ID_FILE_SAVE);
        QCOMPARE(int(app->prompts.size()), 1);
        QVERIFY(!doc->IsModified());
        const QString second = Path("second.gva");
        app->answers = {second};
        Main()->OnCommand(ID_FILE_SAVE_AS);
        QCOMPARE(app->prompts.back().proposed, Abs(first));
        QCOMPARE(doc->GetTitle(), QStringLiteral("second.gva"));
        QCOMPARE(app->RecentFiles().mid(0, 2), (QStringList{Abs(second), Abs(first)}));
        CGorvantaDoc check;
        QVERIFY(LoadDocumentFile(check, second.toStdString()).status == LoadStatus::Ok);
        QCOMPARE(check.GetPoolCount(), 8);
    }
    void recentFilesKeepAtMostFour() {
        Start();
        QStringList files;
        for (int i = 0; i < 6; ++i) {
            files << Path(QStringLiteral("f%1.gva").arg(i));
            QVERIFY(WriteSampleFile(files.back()));
            QVERIFY(app->OpenDocumentFile(files.back()));
        }
        QCOMPARE(app->RecentFiles(), (QStringList{files[5], files[4], files[3], files[2]}));
        for (int i = 1; i <= 4; ++i)
            QCOMPARE(StoredString("Recent File List", qPrintable(QStringLiteral("File%1").arg(i))).value_or(""),
                     files[6 - i].toStdString());
        QVERIFY(!StoredString("Recent File List", "File5"));
        // Opening one again moves it to the top instead of adding it twice; the open window is reused.
        const size_t docs = app->Documents().size();
        QVERIFY(app->OpenDocumentFile(files[3]));
        QCOMPARE(app->Documents().size(), docs);
        const QStringList reordered{files[3], files[5], files[4], files[2]};
        QCOMPARE(app->RecentFiles(), reordered);
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
        QCOMPARE(app->RecentFiles(), reordered);
        const int gone = int(app->RecentFiles().indexOf(files[4]));
        QVERIFY(gone >= 0);
        box.shown.clear();
        Main()->OnCommand(ID_FILE_MRU_FILE1 + gone);
        ExpectOneMessage();
        QCOMPARE(app->RecentFiles().size(), 3);
        QVERIFY(!app->RecentFiles().contains(files[4]));
    }
    // Menu 129 while a document window is open, menu 128 without one, each command's dialog; Exit closes
    // everything.
    void menusFollowTheDocumentWindows() {
        Start();
        QCOMPARE(Main()->CurrentMenuId(), IDR_DOCTYPE);
        QCOMPARE(BarTitles(), (QStringList{"&File", "&Edit", "&View", "Filte&rs", "&Calculate", "&Window", "&Help"}));
        QCOMPARE(DialogTitleOf(ID_APP_ABOUT), QStringLiteral("About Gorvanta"));
        CloseActive();
        QCOMPARE(Main()->CurrentMenuId(), IDR_MAINFRAME);
        QCOMPARE(BarTitles(), (QStringList{"&File", "&View", "&Help"}));
        QCOMPARE(DialogTitleOf(ID_FILE_PRINT_SETUP), QStringLiteral("Print Setup"));
        // In menu 128 only the commands with a handler are enabled.
        Main()->UpdateCmdUI();
        for (const auto& [on, ids] : {std::pair<bool, std::vector<int>>{true, {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_PRINT_SETUP,
                                                                               ID_APP_EXIT, ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR,
                                                                               ID_APP_ABOUT}},
                                      {false, {ID_WINDOW_SPLIT, ID_VIEW_LARGEICON, ID_VIEW_SMALLICON, ID_VIEW_LIST,
                                               ID_VIEW_DETAILS, ID_VIEW_BYNAME, ID_VIEW_AUTOARRANGE, ID_VIEW_LINEUP}}})
            for (int id : ids) QVERIFY2(Main()->Action(id)->isEnabled() == on, qPrintable(QString::number(id)));
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
        Main()->OnCommand(ID_FILE_NEW);
        Main()->OnCommand(ID_APP_EXIT);
        QVERIFY(!Main()->isVisible());
        QVERIFY(app->Documents().empty());
    }
    // The keys, the toolbar with its tips and prompts, and hiding both bars.
    void keysToolbarAndStatusBar() {
        Start();
        Main()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Main()));
        QTest::keyClick(Main(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(Active()->GetDocument()->GetTitle(), QStringLiteral("Gorvan2"));
        app->answers = {Path("keys.gva")};
        QTest::keyClick(Main(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(Active()->GetDocument()->GetTitle(), QStringLiteral("keys.gva"));
        // Copy, Cut and Undo have no handler: nothing happens.
        QTest::keyClick(Main(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(DocCount(), 2);
        QVERIFY(box.shown.empty());
        QStringList ids;
        for (QAction* a : Main()->ToolBar()->actions())
            ids << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
        QCOMPARE(ids, (QStringList{"ID_57600", "ID_57601", "ID_57603", "-", "ID_32771", "-", "ID_32784", "ID_32791", "ID_32811",
                                   "-", "ID_57637", "-", "ID_57664"}));
        // Every button has a tip, with the key where its command has one, and a prompt.
        for (const auto& [id, tip] :
             {std::pair{ID_FILE_NEW, "New (Ctrl+N)"}, {ID_FILE_OPEN, "Open (Ctrl+O)"}, {ID_FILE_SAVE, "Save (Ctrl+S)"},
              {ID_VIEW_ALWAYS_ON_TOP, "Always on Top"}, {ID_CALC_START, "Start Calculation (F5)"},
              {ID_CALC_STOP, "Stop Calculation (Shift+F5)"}, {ID_CALC_PLAN, "Plan Characters"},
              {ID_EDIT_PASTE, "Paste (Ctrl+V)"}, {ID_APP_ABOUT, "About"}}) {
            QCOMPARE(Main()->Action(id)->toolTip(), QString::fromLatin1(tip));
            QVERIFY(!Main()->Action(id)->statusTip().isEmpty());
        }
        for (const auto& [id, prompt] : {std::pair{ID_CALC_START, "Calculate armor combinations"},
                                         {ID_VIEW_ALWAYS_ON_TOP, "Set window to stay on top of all other windows"},
                                         {ID_CALC_STOP, "Stop calculation"},
                                         {ID_CALC_FILTERS, "Filter and limit settings"}})
            QCOMPARE(Main()->Action(id)->statusTip(), QString::fromLatin1(prompt));
        // Hovering a button puts its prompt into the message pane, and "Ready" returns after.
        QWidget* start = Main()->ToolBar()->widgetForAction(Main()->Action(ID_CALC_START));
        QVERIFY(start);
        Main()->Action(ID_CALC_START)->showStatusText(start);
        QCOMPARE(Main()->statusBar()->currentMessage(), QStringLiteral("Calculate armor combinations"));
        Main()->statusBar()->clearMessage();
        QCOMPARE(Main()->MessagePane()->text(), QStringLiteral("Ready"));
        QToolTip::hideText();
        ShowTip(start);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("Start Calculation (F5)"));
        QToolTip::hideText();
        // Each bar hides and comes back with its command, the check mark following.
        for (const auto& [id, bar] : {std::pair<int, QWidget*>{ID_VIEW_TOOLBAR, Main()->ToolBar()},
                                      {ID_VIEW_STATUS_BAR, Main()->statusBar()}})
            for (bool shown : {true, false, true}) {
                QVERIFY2(bar->isVisible() == shown, qPrintable(QString::number(id)));
                QVERIFY2(Main()->Action(id)->isChecked() == shown, qPrintable(QString::number(id)));
                Main()->OnCommand(id);
            }
    }
    void startAndStopFollowTheRunningFlag() {
        Start();
        CLeftView* tree = Active()->GetLeftView();
        // The results list would start a real run; here the commands are watched from the tree alone.
        Active()->GetResultsView()->Detach();
        ExpectCanStart(true);
        Main()->OnCommand(ID_CALC_STOP);  // disabled: nothing is sent
        QCOMPARE(tree->m_bCalculating, 0);
        Main()->OnCommand(ID_CALC_START);
        QCOMPARE(tree->m_bCalculating, 1);
        TheCalcState().m_bCalcRunning.store(1);
        Main()->UpdateCmdUI();
        ExpectCanStart(false);
        // The hourglass stays up while the run goes on, even when something else changed the cursor.
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QApplication::changeOverrideCursor(QCursor(Qt::ArrowCursor));
        Main()->UpdateCmdUI();
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        // Stop sends its hint: the tree rebuilds and stays busy until the done hint.
        AddToPool(Active()->GetDocument()->Doc(), ParsedPiece("gold ring, luck 10 "));
        Main()->OnCommand(ID_CALC_STOP);
        QCOMPARE(Items(tree), 1);
        QCOMPARE(tree->m_bCalculating, 1);
        TheCalcState().m_bCalcRunning.store(0);
        Main()->UpdateCmdUI();
        QVERIFY(!QApplication::overrideCursor());
        ExpectCanStart(true);
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
        QCOMPARE(DocCount(), 2);
        // Dropped files open too; something that is not a file is refused.
        const QString a = Path("drop-a.gva"), b = Path("drop-b.gva");
        QVERIFY(WriteSampleFile(a));
        QVERIFY(WriteSampleFile(b));
        QMimeData mime, text;
        mime.setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)});
        QVERIFY(Enters(mime));
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Main(), &drop);
        QCOMPARE(DocCount(), 4);
        QCOMPARE(Active()->GetDocument()->GetTitle(), QStringLiteral("drop-b.gva"));
        text.setText(QStringLiteral("hello"));
        QVERIFY(!Enters(text));
    }
    // New Window shows the same document in a second window, which closes without asking; then three
    // documents are tiled, cascaded and listed in the Window menu.
    void documentWindows() {
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
        QCOMPARE(Items(second->GetLeftView()), 8);
        // A change of the document rebuilds both trees.
        AddToPool(doc->Doc(), ParsedPiece("gold bracelet, luck 60 "));
        doc->Doc().UpdateAllViews(nullptr, HINT_REFRESH);
        QCOMPARE(Items(first->GetLeftView()), 9);
        QCOMPARE(Items(second->GetLeftView()), 9);
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
        ExpectOneMessage();
        QVERIFY(app->Documents().empty());
        for (int i = 0; i < 3; ++i) Main()->OnCommand(ID_FILE_NEW);
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
        // Each row: the arrow, the move it makes, the key that ends the split and the move that stays.
        for (const auto& [arrow, moved, end, kept] :
             {std::tuple{Qt::Key_Right, 16, Qt::Key_Escape, 0}, {Qt::Key_Left, -16, Qt::Key_Return, -16}}) {
            Main()->OnCommand(ID_WINDOW_SPLIT);
            QVERIFY(child->IsKeyboardSplitting());
            QTest::keyClick(child->GetLeftView(), arrow);
            QCOMPARE(child->GetColumnWidth(0), before + moved);
            QTest::keyClick(child->GetLeftView(), end);
            QVERIFY(!child->IsKeyboardSplitting());
            QCOMPARE(child->GetColumnWidth(0), before + kept);
        }
        // F6 moves between the panes.
        child->GetLeftView()->setFocus();
        Main()->OnCommand(ID_NEXT_PANE);
        QCOMPARE(child->GetActiveView(), static_cast<CCmdTarget*>(child->GetResultsView()));
        Main()->OnCommand(ID_PREV_PANE);
        QCOMPARE(child->GetActiveView(), static_cast<CCmdTarget*>(child->GetLeftView()));
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
