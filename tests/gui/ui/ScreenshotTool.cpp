// Takes pictures of the main window with a document of pieces and suits, at the default size and
// maximized: gorvanta_screenshots OUTPUT_FOLDER [SAMPLE_PASTE]. Run it under a display (xvfb-run)
// or offscreen; it uses a store folder of its own. With --guide first it takes the user guide's
// pictures instead, small 256-colour PNGs (scripts/guide-pictures.sh); --guide-pages OUTPUT_FOLDER
// draws every page of the guide whole, to look it over.
#include <QClipboard>
#include <QDialog>
#include <QPainter>
#include <QTextBrowser>
#include <QTextDocument>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QTimer>

#include <cstdio>

#include "gui/calc/GorvantaView.h"
#include "gui/import/ImportDlg.h"
#include "gui/ui/HelpWindow.h"
#include "core/import/ItemTextParser.h"
#include "gui/resources/Resource.h"
#include "support/AppTest.h"
#include "gui/ui/LeftView.h"

using namespace guitest;

namespace {
void Save(QWidget* w, const QString& folder, const char* name) {
    QCoreApplication::processEvents();
    QTest::qWait(150);
    const QString path = folder + QLatin1Char('/') + QLatin1String(name);
    if (!SavePicture(w, folder, QLatin1String(name))) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    std::printf("%s %dx%d\n", qPrintable(path), w->width(), w->height());
}

// A picture for the guide: the window with the popup (a dropped menu) drawn where it shows, in 256
// colours, which keeps each file to a few dozen KB.
void SaveGuide(QWidget* w, const QString& folder, const char* name, QWidget* popup = nullptr, QPoint at = {}) {
    QCoreApplication::processEvents();
    QTest::qWait(150);
    QImage image = w->grab().toImage();
    if (popup) {
        QPainter painter(&image);
        // Where the popup was meant to drop, in the window: offscreen, popups are kept inside a small screen.
        painter.drawPixmap(at * image.devicePixelRatio(), popup->grab());
    }
    const QString path = folder + QLatin1Char('/') + QLatin1String(name);
    if (!image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither).save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    std::printf("%s %dx%d\n", qPrintable(path), image.width(), image.height());
}
// Runs `open` and saves the modal dialog it brings up, then closes the dialog with `close`.
template <class F>
void SaveModal(const QString& folder, const char* name, F open, bool accept = false) {
    QTimer::singleShot(400, [&] {
        if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            SaveGuide(dlg, folder, name);
            accept ? dlg->accept() : dlg->reject();
        }
    });
    open();
}

void RunToTheEnd(CMainFrame* main) {
    main->OnCommand(ID_CALC_START);
    for (int i = 0; i < 600 && IsCalcRunning(); ++i) QTest::qWait(50);
    QTest::qWait(200);
}

// The guide's pictures, one for each page, from the sample paste.
int GuidePictures(const QString& folder, const std::string& paste, const QTemporaryDir& config) {
    if (paste.empty()) {
        std::fprintf(stderr, "the guide's pictures need the sample paste\n");
        return 2;
    }
    CScriptedMessageBox box;  // the run's summary is answered with OK
    CMessageBoxScope scope(&box);
    const QString file = config.filePath(QStringLiteral("My Pieces.gva"));
    // The pool holds the sample but its last twelve lines, which the import's picture pastes.
    size_t cut = paste.size();
    for (int n = 0; n < 13 && cut != std::string::npos && cut > 0; ++n) cut = paste.rfind('\n', cut - 1);
    if (cut == std::string::npos) cut = 0;
    const std::string pool = paste.substr(0, cut + 1), fresh = paste.substr(cut + 1);
    {
        CGorvantaDoc doc;
        for (CParsedLine& line : ParseItemText(PrepareClipboardText(pool), [] { return true; }))
            if (line.piece) AddToPool(doc, line.piece.release());
        // One piece left out of searches, to show what a mark looks like.
        for (PoolList& list : doc.m_arrPool)
            if (list.size() > 1) {
                list[1]->m_nMark = PieceMark::Excluded;
                break;
            }
        if (!SaveDocumentFile(doc, file.toStdString())) return 1;
    }
    CTestApp app;
    if (!app.InitInstance({file})) return 1;
    CMainFrame* main = app.MainFrame();
    CChildFrame* child = main->MDIGetActive();
    CLeftView* tree = child->GetLeftView();
    main->activateWindow();

    // Getting started: Paste, Filters, a run, a suit's details.
    QGuiApplication::clipboard()->setText(QString::fromLatin1(fresh));
    SaveModal(folder, "import-preview.png", [&] { main->OnCommand(ID_EDIT_PASTE); });
    SaveModal(folder, "filters.png", [&] { main->OnCommand(ID_CALC_FILTERS); });
    RunToTheEnd(main);
    tree->m_hItemsRoot->setExpanded(true);
    SaveGuide(main, folder, "main-window.png");
    SaveModal(folder, "suit-details.png", [&] { child->GetResultsView()->OnResultDoubleClicked(0); });

    // Best first: every slot, the ten best by "Eff. Total".
    for (int k = 0; k < SLOT_COUNT; ++k) TheSettings().UseSlot(k) = 1;
    TheSettings().m_nRankBy = 6;
    TheSettings().m_nSuitLimit = 10;
    child->GetDocument()->Doc().UpdateAllViews(nullptr, HINT_FILTERS_CHANGED);
    RunToTheEnd(main);
    SaveGuide(main, folder, "ranked.png");
    SaveModal(folder, "reachable.png", [&] { main->OnCommand(ID_CALC_FILTERS); });

    // Exclude and pin: the tree's menu on a piece.
    for (int i = 0; i < tree->m_hItemsRoot->childCount(); ++i) tree->m_hItemsRoot->child(i)->setExpanded(i < 2);
    QTreeWidgetItem* list = tree->m_hItemsRoot->child(0);
    if (list && list->childCount() > 0) {
        tree->setCurrentItem(list->child(0));
        std::unique_ptr<QMenu> menu(tree->CreateContextMenu());
        const QRect row = tree->visualItemRect(list->child(0));
        const QPoint at = tree->viewport()->mapTo(main, row.topLeft() + QPoint(90, row.height()));
        menu->popup(main->mapToGlobal(at));
        QTest::qWait(200);
        SaveGuide(main, folder, "marks.png", menu.get(), at);
        menu->hide();
        // Pinned: a change that Undo can take back.
        tree->setFocus();
        main->OnCommand(ID_PIN_PIECE);
    }
    // Undo: the Edit menu.
    if (QMenu* edit = main->MenuPopup(QStringLiteral("&Edit"))) {
        const QPoint at = main->menuBar()->mapTo(main, main->menuBar()->actionGeometry(edit->menuAction()).bottomLeft());
        edit->popup(main->mapToGlobal(at));
        QTest::qWait(200);
        if (!edit->actions().isEmpty()) edit->setActiveAction(edit->actions().first());
        SaveGuide(main, folder, "undo.png", edit, at);
        edit->hide();
    }
    SaveModal(folder, "item-names.png", [&] { main->OnCommand(ID_EDIT_ITEM_NAMES); });
    // Documents: two windows on the document side by side.
    main->OnCommand(ID_WINDOW_NEW);
    main->OnCommand(ID_WINDOW_TILE_HORZ);
    SaveGuide(main, folder, "documents.png");
    return 0;
}

// Every page of the guide as a whole picture (page-NAME.png), and the help window itself, to look over.
int GuidePages(const QString& folder) {
    CHelpWindow help;
    help.show();
    QTest::qWait(200);
    Save(&help, folder, "help-window.png");
    QTextBrowser* browser = help.Browser();
    for (const QString& page : QDir(QStringLiteral(":/guide")).entryList({QStringLiteral("*.html")})) {
        browser->setSource(QUrl(QStringLiteral("qrc:/guide/") + page));
        QTextDocument* doc = browser->document();
        doc->setTextWidth(browser->viewport()->width());
        QImage image(doc->size().toSize(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        doc->drawContents(&painter);
        painter.end();
        const QString path = folder + QStringLiteral("/page-") + QFileInfo(page).baseName() + QStringLiteral(".png");
        image.save(path);
        std::printf("%s %dx%d\n", qPrintable(path), image.width(), image.height());
    }
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication qapp(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [SAMPLE_PASTE]\n", argv[0]);
        return 2;
    }
    if (argc > 2 && QByteArray(argv[1]) == "--guide-pages") {
        QDir().mkpath(QString::fromLocal8Bit(argv[2]));
        return GuidePages(QString::fromLocal8Bit(argv[2]));
    }
    if (argc > 2 && QByteArray(argv[1]) == "--guide") {
        const QString folder = QString::fromLocal8Bit(argv[2]);
        QDir().mkpath(folder);
        return GuidePictures(folder, argc > 3 ? ReadFile(argv[3]) : std::string(), config);
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    CScriptedMessageBox box;  // the run's summary is answered with OK
    CMessageBoxScope scope(&box);
    // A document from the sample paste (or the built-in pool) and two assigned suits.
    const QString file = config.filePath(QStringLiteral("Gorvan Pool.gva"));
    {
        CGorvantaDoc doc;
        std::string paste = argc > 2 ? ReadFile(argv[2]) : std::string();
        if (!paste.empty()) {
            for (CParsedLine& line : ParseItemText(PrepareClipboardText(paste), [] { return true; }))
                if (line.piece) AddToPool(doc, line.piece.release());
        } else {
            AddPool(doc);
        }
        AddTwoSuits(doc);
        if (!SaveDocumentFile(doc, file.toStdString())) return 1;
    }
    CTestApp app;
    if (!app.InitInstance({file})) return 1;
    CMainFrame* main = app.MainFrame();
    CChildFrame* child = main->MDIGetActive();
    CLeftView* tree = child->GetLeftView();
    // Show a few columns more than the defaults, as a player would.
    TheSettings().m_bDisplayLuck = 1;
    TheSettings().m_bDisplayLRC = 1;
    child->GetDocument()->Doc().UpdateAllViews(nullptr, HINT_FILTERS_CHANGED);
    // A run fills the results list.
    const auto runToTheEnd = [main] {
        main->OnCommand(ID_CALC_START);
        for (int i = 0; i < 600 && IsCalcRunning(); ++i) QTest::qWait(50);
        QTest::qWait(200);
    };
    runToTheEnd();
    if (QTreeWidgetItem* gloves = tree->FindChildByText(tree->m_hItemsRoot, "gloves")) tree->setCurrentItem(gloves);
    tree->m_hSuitsRoot->setExpanded(true);
    if (tree->m_hSuitsRoot->childCount() > 0) tree->m_hSuitsRoot->child(0)->setExpanded(true);
    main->activateWindow();
    Save(main, folder, "main-default.png");
    // The File and View menus as they drop down, with a prompt in the status bar.
    for (const char* title : {"&File", "&View", "&Calculate"}) {
        QMenu* menu = main->MenuPopup(QString::fromLatin1(title));
        if (!menu) continue;
        menu->popup(main->mapToGlobal(QPoint(10, 30)));
        QTest::qWait(150);
        if (!menu->actions().isEmpty()) menu->setActiveAction(menu->actions().first());
        const QString name = QStringLiteral("menu-%1.png").arg(QString::fromLatin1(title).remove(QLatin1Char('&')).toLower());
        Save(menu, folder, qPrintable(name));
        Save(main, folder, qPrintable(QStringLiteral("main-with-") + name));
        menu->hide();
    }
    main->showMaximized();
    QTest::qWait(300);
    Save(main, folder, "main-maximized.png");
    // The best suits first: the hundred best by "Eff. Total" over every slot, maximized and at the
    // default size.
    for (int k = 0; k < SLOT_COUNT; ++k) TheSettings().UseSlot(k) = 1;
    TheSettings().m_nRankBy = 6;
    TheSettings().m_nSuitLimit = 100;
    child->GetDocument()->Doc().UpdateAllViews(nullptr, HINT_FILTERS_CHANGED);
    runToTheEnd();
    Save(main, folder, "main-ranked-maximized.png");
    main->showNormal();
    QTest::qWait(300);
    Save(main, folder, "main-ranked-default.png");
    // The Filters dialog with the ranking choice and the highest values this pool reaches.
    QTimer::singleShot(300, [&] {
        if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            Save(dlg, folder, "filters-ranked.png");
            dlg->reject();
        }
    });
    main->OnCommand(ID_CALC_FILTERS);
    main->showMaximized();
    QTest::qWait(300);
    // Document windows side by side.
    main->OnCommand(ID_WINDOW_NEW);
    main->OnCommand(ID_WINDOW_TILE_HORZ);
    Save(main, folder, "main-tiled.png");
    // No document open: menu 128.
    main->showNormal();
    main->MdiArea()->closeAllSubWindows();
    QTest::qWait(200);
    Save(main, folder, "main-empty.png");
    std::printf("messages shown: %zu\n", box.shown.size());
    for (const auto& m : box.shown) std::printf("--- %s\n", m.text.c_str());
    return 0;
}
