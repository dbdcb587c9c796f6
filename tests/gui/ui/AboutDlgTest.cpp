// The About box and its mail link, moved over and clicked with real mouse events.
#include <QLabel>
#include <QPushButton>
#include <QToolTip>

#include "support/GuiTest.h"
#include "gui/ui/AboutDlg.h"
#include "gui/ui/LinkStatic.h"

using namespace guitest;

namespace {
const QColor kNormal(0, 0, 255), kHover(255, 0, 0), kVisited(5, 34, 143);

// Whether the widget's picture holds at least a few pixels of exactly this colour (the underline is solid).
int PixelsOf(QWidget* w, const QColor& c) {
    const QImage img = w->grab().toImage();
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (QColor(img.pixel(x, y)).rgb() == c.rgb()) ++n;
    return n;
}

QStringList LabelTexts(QWidget* w) {
    QStringList out;
    for (QLabel* l : w->findChildren<QLabel*>())
        if (!l->text().isEmpty()) out << l->text();
    return out;
}
}  // namespace

class AboutDlgTest : public QObject {
    Q_OBJECT
    QStringList opened;
    bool openResult = true;
    void Open(CAboutDlg& dlg) {
        dlg.Link()->SetUrlOpener([this](const QUrl& u) {
            opened << u.toString();
            return openResult;
        });
        ShowAndWait(dlg);
        // Start with the pointer away from the link.
        PointAway(dlg);
        QTest::qWait(20);
    }
    static void PointAway(CAboutDlg& dlg) { QTest::mouseMove(&dlg, QPoint(2, dlg.height() - 2)); }

private slots:
    void init() {
        opened.clear();
        openResult = true;
    }
    // The box's contents; the link's colours through hover and visit, its tip; OK closes the box. A new box
    // has a new, unvisited link, visited by a click even when nothing opens the target.
    void contentsAndTheLink() {
        CAboutDlg dlg;
        Open(dlg);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("About Gorvanta"));
        const QStringList texts = LabelTexts(&dlg);
        QVERIFY(texts.contains(QStringLiteral("Gorvanta Version 1.0.8.0")));
        QVERIFY(texts.contains(QString::fromUtf8("Copyright \xC2\xA9 2004 VarnHolt")));
        CLinkStatic* link = dlg.Link();
        QCOMPARE(link->text(), QStringLiteral("gorvanta@varnholt.example"));
        QCOMPARE(link->Target(), QStringLiteral("mailto:gorvanta@varnholt.example"));
        QCOMPARE(link->toolTip(), QStringLiteral("Please send your comments, questions, or complaints here :-)"));
        QVERIFY(!dlg.IconLabel()->pixmap().isNull());
        QVERIFY(dlg.OkButton()->isDefault());
        QCOMPARE(dlg.OkButton()->text(), QStringLiteral("OK"));
        QVERIFY(link->font().underline());
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(link->testAttribute(Qt::WA_AlwaysShowToolTips));
        Shot(&dlg, QStringLiteral("about-box"));
        QCOMPARE(link->TextColour(), kNormal);
        QVERIFY(PixelsOf(link, kNormal) > 5);
        QCOMPARE(PixelsOf(link, kHover), 0);
        QTest::mouseMove(link, link->rect().center());
        QTRY_VERIFY(link->IsHovering());
        QCOMPARE(link->TextColour(), kHover);
        QVERIFY(PixelsOf(link, kHover) > 5);
        QCOMPARE(PixelsOf(link, kNormal), 0);
        Shot(&dlg, QStringLiteral("about-box-hover"));
        // The tip comes up after the tool tip delay.
        QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible(), 3000);
        QCOMPARE(QToolTip::text(), QStringLiteral("Please send your comments, questions, or complaints here :-)"));
        PointAway(dlg);
        QTRY_VERIFY(!link->IsHovering());
        QCOMPARE(link->TextColour(), kNormal);
        QVERIFY(PixelsOf(link, kNormal) > 5);
        QVERIFY(opened.isEmpty());
        QTest::mouseMove(link, link->rect().center());
        QTRY_VERIFY(link->IsHovering());
        QTest::mouseClick(link, Qt::LeftButton, Qt::NoModifier, link->rect().center());
        QCOMPARE(opened, QStringList{QStringLiteral("mailto:gorvanta@varnholt.example")});
        QVERIFY(link->IsVisited());
        // Visited wins over hover.
        QCOMPARE(link->TextColour(), kVisited);
        QVERIFY(PixelsOf(link, kVisited) > 5);
        QCOMPARE(PixelsOf(link, kHover), 0);
        PointAway(dlg);
        QTRY_VERIFY(!link->IsHovering());
        QCOMPARE(link->TextColour(), kVisited);
        QVERIFY(PixelsOf(link, kVisited) > 5);
        QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        openResult = false;
        opened.clear();
        CAboutDlg again;
        Open(again);
        QVERIFY(!again.Link()->IsVisited());
        QCOMPARE(again.Link()->TextColour(), kNormal);
        QVERIFY(PixelsOf(again.Link(), kNormal) > 5);
        QTest::mouseClick(again.Link(), Qt::LeftButton, Qt::NoModifier, again.Link()->rect().center());
        QCOMPARE(opened.size(), 1);
        QVERIFY(again.Link()->IsVisited());
        QCOMPARE(again.Link()->TextColour(), kVisited);
    }
    void tipTextBeforeEnableTipIsDropped() {
        QWidget host;
        CLinkStatic link(QStringLiteral("somebody@example.org"), &host);
        link.SetTipText(QStringLiteral("too early"));
        link.EnableTip(1);
        QCOMPARE(link.toolTip(), QString());
        QCOMPARE(link.TipText(), QString());
        ShowAndWait(host);
        QTest::mouseMove(&link, link.rect().center());
        QTest::qWait(1200);
        QVERIFY(!QToolTip::isVisible() || QToolTip::text().isEmpty());
        link.SetTipText(QStringLiteral("now"));
        QCOMPARE(link.toolTip(), QStringLiteral("now"));
        link.EnableTip(0);
        link.SetTipText(QStringLiteral("disabled again"));
        QCOMPARE(link.toolTip(), QStringLiteral("now"));
    }
};

QTEST_MAIN(AboutDlgTest)
#include "AboutDlgTest.moc"
