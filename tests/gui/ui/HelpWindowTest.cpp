// The user guide in the running program: F1 and the Help menu open it, links lead on, Back and Forward
// return, Find finds; and every page of the resources links only to pages and pictures that exist.
#include <QAction>
#include <QDirIterator>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>

#include <set>

#include "gui/resources/Resource.h"
#include "gui/ui/HelpWindow.h"
#include "support/AppTest.h"

using namespace guitest;

namespace {
// Each link of the page shown (href), with the text position of its first character.
std::vector<std::pair<QString, int>> Links(const QTextDocument* doc) {
    std::vector<std::pair<QString, int>> links;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (const QTextCharFormat f = it.fragment().charFormat(); f.isAnchor() && !f.anchorHref().isEmpty())
                links.emplace_back(f.anchorHref(), it.fragment().position());
    return links;
}
std::vector<QString> Images(const QTextDocument* doc) {
    std::vector<QString> images;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (const QTextCharFormat f = it.fragment().charFormat(); f.isImageFormat())
                images.push_back(f.toImageFormat().name());
    return images;
}
QStringList GuideFiles(const QString& suffix) {
    QStringList files;
    for (QDirIterator it(QStringLiteral(":/guide"), QDirIterator::Subdirectories); it.hasNext();)
        if (const QString f = it.next(); f.endsWith(suffix)) files << f.mid(QStringLiteral(":/guide/").size());
    files.sort();
    return files;
}
QString PageOf(const QTextBrowser* b) { return b->source().fileName(); }
}  // namespace

class HelpWindowTest : public QObject, AppFixture {
    Q_OBJECT
    CHelpWindow* Help() { return app->HelpWindow(); }

private slots:
    void cleanup() { EndCase(); }

    // A player's path: F1, a link from the contents, Back, Forward, a word found, F1 again.
    void f1OpensTheGuideAndItsLinksLeadOnAndBack() {
        BeginShown();
        QVERIFY(!Help());
        QTest::keyClick(Main(), Qt::Key_F1);
        QTRY_VERIFY(Help() && Help()->isVisible());
        QTextBrowser* browser = Help()->Browser();
        QCOMPARE(browser->source(), GuideHomeUrl());
        QCOMPARE(Help()->windowTitle(), QStringLiteral("Contents - Gorvanta Help"));
        QVERIFY(!Help()->BackAction()->isEnabled());
        QVERIFY(QTest::qWaitForWindowExposed(Help()));

        // Click the contents' link to the import preview where it is drawn.
        int at = -1;
        for (const auto& [href, position] : Links(browser->document()))
            if (href == QStringLiteral("import.html")) at = position;
        QVERIFY(at >= 0);
        QTextCursor cursor(browser->document());
        cursor.setPosition(at + 1);
        const QPoint point = browser->cursorRect(cursor).center();
        QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, point);
        QTRY_COMPARE(PageOf(browser), QStringLiteral("import.html"));
        QCOMPARE(Help()->windowTitle(), QStringLiteral("The import preview - Gorvanta Help"));
        QVERIFY(Help()->BackAction()->isEnabled());

        Help()->BackAction()->trigger();
        QCOMPARE(browser->source(), GuideHomeUrl());
        QVERIFY(Help()->ForwardAction()->isEnabled());
        QVERIFY(!Help()->BackAction()->isEnabled());
        Help()->ForwardAction()->trigger();
        QCOMPARE(PageOf(browser), QStringLiteral("import.html"));

        // Find, from the keys: Ctrl+F to the field, Return finds, F3 goes on and wraps round.
        Help()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Help()));
        QTest::keyClick(Help(), Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(Help()->FindField()->hasFocus());
        QTest::keyClicks(Help()->FindField(), QStringLiteral("duplicates"));
        QTest::keyClick(Help()->FindField(), Qt::Key_Return);
        QCOMPARE(browser->textCursor().selectedText().toLower(), QStringLiteral("duplicates"));
        const int first = browser->textCursor().position();
        std::set<int> places{first};
        for (int i = 0; i < 6; ++i) {
            QTest::keyClick(Help(), Qt::Key_F3);
            places.insert(browser->textCursor().position());
        }
        QVERIFY2(places.size() > 1, "F3 found no second place");
        QVERIFY2(places.size() < 7, "F3 did not wrap round");
        QVERIFY(!places.count(-1));
        Help()->FindField()->setText(QStringLiteral("no such word anywhere"));
        QVERIFY(!Help()->FindNext());

        // F1 again brings the same window back, on the page it was left at.
        CHelpWindow* shown = Help();
        QVERIFY(Help()->close());
        Main()->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), Main());
        QTest::keyClick(Main(), Qt::Key_F1);
        QTRY_VERIFY(Help()->isVisible());
        QCOMPARE(Help(), shown);
        QCOMPARE(PageOf(browser), QStringLiteral("import.html"));
    }

    // Both Help menus hold the guide's command above About; without a document window it works too.
    void helpMenuHasTheGuideInBothMenus() {
        BeginShown();
        for (bool withDocument : {true, false}) {
            if (!withDocument) Main()->OnCommand(ID_FILE_CLOSE);
            QCOMPARE(Main()->CurrentMenuId(), withDocument ? IDR_DOCTYPE : IDR_MAINFRAME);
            QMenu* help = Main()->MenuPopup(QStringLiteral("&Help"));
            QVERIFY(help);
            QStringList texts;
            for (QAction* a : help->actions())
                if (a->isVisible()) texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
            QCOMPARE(texts, (QStringList{"&Gorvanta Help\tF1", "-", "&About Gorvanta..."}));
        }
        Main()->UpdateCmdUI();
        QVERIFY(Main()->Action(ID_HELP_FINDER)->isEnabled());
        Main()->Action(ID_HELP_FINDER)->trigger();
        QTRY_VERIFY(Help() && Help()->isVisible());
    }

    // Every page: a title, links only to pages of the guide (or mail and web), pictures that are real
    // screenshots; every page reached from the contents and every picture used.
    void everyPageLinksToPagesAndPicturesThatExist() {
        CHelpWindow help;
        QTextBrowser* browser = help.Browser();
        const QStringList pages = GuideFiles(QStringLiteral(".html"));
        QVERIFY(pages.size() >= 9);
        std::set<QString> linked{QStringLiteral("index.html")}, used;
        for (const QString& page : pages) {
            browser->setSource(QUrl(QStringLiteral("qrc:/guide/") + page));
            QVERIFY2(!browser->documentTitle().isEmpty(), qPrintable(page));
            for (const auto& [href, position] : Links(browser->document())) {
                const QUrl url(href);
                if (!url.scheme().isEmpty()) {
                    QVERIFY2(url.scheme() == QStringLiteral("mailto") || url.scheme() == QStringLiteral("https"),
                             qPrintable(page + QStringLiteral(": ") + href));
                    continue;
                }
                QVERIFY2(pages.contains(url.path()), qPrintable(page + QStringLiteral(" links to ") + href));
                linked.insert(url.path());
            }
            for (const QString& image : Images(browser->document())) {
                const QImage picture(QStringLiteral(":/guide/") + image);
                QVERIFY2(!picture.isNull(), qPrintable(page + QStringLiteral(": ") + image));
                QVERIFY2(picture.width() >= 200 && picture.height() >= 100,
                         qPrintable(page + QStringLiteral(": ") + image + QStringLiteral(" is no screenshot")));
                used.insert(image);
            }
        }
        QCOMPARE(linked, (std::set<QString>(pages.begin(), pages.end())));
        const QStringList pictures = GuideFiles(QStringLiteral(".png"));
        QCOMPARE(used, (std::set<QString>(pictures.begin(), pictures.end())));
    }
};

QTEST_MAIN(HelpWindowTest)
#include "HelpWindowTest.moc"
