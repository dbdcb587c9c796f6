// The import dialog driven through its buttons and keys, with the real (in-process) clipboard.
#include <QHeaderView>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>

#include "gui/import/ImportDlg.h"
#include "core/import/ItemTextParser.h"
#include "support/GuiTest.h"

using namespace guitest;

namespace {
const char* const kListQuestion =
    "The list still contains items to process. Importing new\ndata will clear these unprocessed items.\n"
    "Do you wish to continue?";

const QString kFirstThree = QStringLiteral(
    "gold ring, fire resist 8%, lower reagent cost 5%\r\n"
    "platemail gloves, poison resist 20%, physical resist 10%\r\n"
    "lucky necklace, luck 200 , mana regeneration 2 \r\n");
const QString kSecondThree = QStringLiteral(
    "leather tunic, luck 40 , fire resist 18%\r\n"
    "silver bracelet, energy resist 12%\r\n"
    "ornate robe, lower reagent cost 15%, artifact rarity 11\r\n");

QStringList Rows(const CImportDlg& dlg) { return Column(dlg.ItemList()); }

std::vector<std::string> ImportedTexts(const CImportDlg& dlg) {
    std::vector<std::string> out;
    for (auto& p : dlg.m_arrImported) out.push_back(p->m_strText);
    return out;
}
}  // namespace

class ImportDlgTest : public QObject, Fixture {
    Q_OBJECT
    void Paste(CImportDlg& dlg, const QString& text) {
        QGuiApplication::clipboard()->setText(text);
        // The Paste button follows the clipboard on the dialog's 200 ms tick.
        QTRY_VERIFY_WITH_TIMEOUT(dlg.PasteButton()->isEnabled(), 2000);
        QTest::mouseClick(dlg.PasteButton(), Qt::LeftButton);
    }

private slots:
    void init() {
        BeginCase();
        QGuiApplication::clipboard()->clear();
    }
    static int ColumnsWidth(const CImportDlg& dlg) {
        int w = 0;
        for (int c = 0; c < dlg.ItemList()->columnCount(); ++c) w += dlg.ItemList()->columnWidth(c);
        return w;
    }
    void cleanup() { EndCase(); }
    // The empty dialog; the Paste button follows whether the clipboard holds text.
    void opensEmptyAndPasteFollowsTheClipboard() {
        CImportDlg dlg;
        ShowAndWait(dlg);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Import from UOAssist"));
        QCOMPARE(dlg.ItemList()->headerItem()->text(0), QStringLiteral("Items"));
        // The item text, its slot, the five resists, the bonuses, the medable mark and the duplicate mark.
        QCOMPARE(dlg.ItemList()->columnCount(), 10);
        QCOMPARE(dlg.PasteButton()->text(), QStringLiteral("&Paste"));
        QCOMPARE(dlg.SaveButton()->text(), QStringLiteral("&Save/Exit"));
        QCOMPARE(dlg.CancelButton()->text(), QStringLiteral("&Cancel"));
        QVERIFY(dlg.SaveButton()->isDefault());
        QCOMPARE(dlg.CountBox()->text(), QStringLiteral("0"));
        QVERIFY(dlg.CountBox()->isReadOnly());
        QVERIFY(!dlg.SaveButton()->isEnabled());
        QVERIFY(dlg.m_nTimerID != 0);
        // Every heading is readable in the empty list.
        for (int c = 0; c < dlg.ItemList()->columnCount(); ++c)
            QVERIFY(dlg.ItemList()->header()->fontMetrics().horizontalAdvance(dlg.ItemList()->headerItem()->text(c)) <=
                    dlg.ItemList()->columnWidth(c));
        QVERIFY(!dlg.PasteButton()->isEnabled());
        QGuiApplication::clipboard()->setText(QStringLiteral("anything"));
        QTRY_VERIFY_WITH_TIMEOUT(dlg.PasteButton()->isEnabled(), 1000);
        auto* image = new QMimeData;
        image->setData(QStringLiteral("application/octet-stream"), "\x01\x02");
        QGuiApplication::clipboard()->setMimeData(image);
        QTRY_VERIFY_WITH_TIMEOUT(!dlg.PasteButton()->isEnabled(), 1000);
        QGuiApplication::clipboard()->setText(QStringLiteral("x"));
        QTRY_VERIFY_WITH_TIMEOUT(dlg.PasteButton()->isEnabled(), 1000);
        QGuiApplication::clipboard()->clear();
        QTRY_VERIFY_WITH_TIMEOUT(!dlg.PasteButton()->isEnabled(), 1000);
        // A click on the disabled button pastes nothing.
        QTest::mouseClick(dlg.PasteButton(), Qt::LeftButton);
        QCOMPARE(dlg.ItemList()->topLevelItemCount(), 0);
        QVERIFY(box.shown.empty());
    }
    // A second paste asks first: No keeps the rows and their pieces, Yes replaces them.
    void secondPasteAnsweredNoThenYes() {
        CImportDlg dlg;
        ShowAndWait(dlg);
        Paste(dlg, kFirstThree);
        QCOMPARE(dlg.ItemList()->topLevelItemCount(), 3);
        QCOMPARE(dlg.CountBox()->text(), QStringLiteral("3"));
        QVERIFY(box.shown.empty());
        const QStringList first = Rows(dlg);
        std::vector<CArmorPiece*> pieces;
        for (int i = 0; i < 3; ++i) pieces.push_back(CImportDlg::PieceOf(dlg.ItemList()->topLevelItem(i)));
        box.answers = {IDNO};
        Paste(dlg, kSecondThree);
        QCOMPARE(box.shown.size(), size_t(1));
        QCOMPARE(Rows(dlg), first);
        QCOMPARE(dlg.m_nItemsPasted, 3);
        QCOMPARE(dlg.CountBox()->text(), QStringLiteral("3"));
        for (int i = 0; i < 3; ++i) QCOMPARE(CImportDlg::PieceOf(dlg.ItemList()->topLevelItem(i)), pieces[i]);
        // The timer runs again after the declined pass.
        QVERIFY(dlg.m_nTimerID != 0);
        box.answers = {IDYES};
        Paste(dlg, kSecondThree);
        QCOMPARE(box.shown.size(), size_t(2));
        for (const auto& shown : box.shown) {
            QCOMPARE(QString::fromStdString(shown.text), QString::fromLatin1(kListQuestion));
            QCOMPARE(shown.buttons, MsgButtons::YesNo);
            QCOMPARE(shown.icon, MsgIcon::Question);
        }
        const std::vector<std::string> second{"leather tunic, luck 40 , fire resist 18%",
                                              "ornate robe, lower reagent cost 15%, artifact rarity 11",
                                              "silver bracelet, energy resist 12%"};
        QStringList secondRows;
        for (const std::string& text : second) secondRows << QString::fromStdString(text);
        QCOMPARE(Rows(dlg), secondRows);
        QCOMPARE(dlg.m_nItemsPasted, 3);
        QCOMPARE(dlg.CountBox()->text(), QStringLiteral("3"));
        // Only the second paste's pieces are left to hand over.
        QTest::mouseClick(dlg.SaveButton(), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(ImportedTexts(dlg), second);
    }
    // A paste without items leaves Save/Exit disabled, and Enter on it closes nothing; once enabled, it
    // stays enabled after a paste without items and then hands over nothing.
    void pastesWithoutItems() {
        CImportDlg dlg;
        ShowAndWait(dlg);
        Paste(dlg, QStringLiteral("Items copied from the item inspector\r\nnothing here\r\nPhysical Resist 5%\r\n"));
        QVERIFY(box.shown.empty());
        // The capitalised line is listed as skipped, not counted, and Save/Exit stays off until it is ticked.
        QCOMPARE(dlg.ItemList()->topLevelItemCount(), 1);
        QVERIFY(CImportDlg::IsSkippedRow(dlg.ItemList()->topLevelItem(0)));
        QCOMPARE(dlg.CountBox()->text(), QStringLiteral("0"));
        QTest::qWait(300);
        QVERIFY(!dlg.SaveButton()->isEnabled());
        QTest::keyClick(dlg.ItemList(), Qt::Key_Return);
        QVERIFY(dlg.isVisible());
        // The skipped line is a row: the next paste asks before clearing it.
        box.answers = {IDYES};
        Paste(dlg, kFirstThree);
        QTRY_VERIFY(dlg.SaveButton()->isEnabled());
        box.answers = {IDYES};
        Paste(dlg, QStringLiteral("no item here\r\n"));
        QCOMPARE(dlg.ItemList()->topLevelItemCount(), 0);
        QCOMPARE(dlg.CountBox()->text(), QStringLiteral("0"));
        QTest::qWait(300);
        QVERIFY(dlg.SaveButton()->isEnabled());
        QCOMPARE(dlg.m_bHasItems, 1);
        QTest::mouseClick(dlg.SaveButton(), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(dlg.m_arrImported.empty());
    }
    void rowsSortedIgnoringCaseAndHandedOverInThatOrder() {
        CImportDlg dlg;
        ShowAndWait(dlg);
        Paste(dlg, QStringLiteral("silver ring, luck 10 \n"
                                  "Bone Helm, fire resist 2%\n"
                                  "gold ring, luck 1 \n"
                                  "bone arms, cold resist 3%\n"
                                  "Gold ring, luck 1 \n"
                                  "amber ring, luck 5 \n"));
        // LF alone reached the parser as CR LF: six lines, not one.
        QCOMPARE(dlg.m_nItemsPasted, 6);
        QVERIFY(dlg.m_strPasted.find("\r\n") != std::string::npos);
        const QStringList expected{"amber ring, luck 5 ", "bone arms, cold resist 3%", "Bone Helm, fire resist 2%",
                                   "gold ring, luck 1 ", "Gold ring, luck 1 ", "silver ring, luck 10 "};
        QCOMPARE(Rows(dlg), expected);
        QTest::mouseClick(dlg.SaveButton(), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.m_arrImported.size(), size_t(6));
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(QString::fromStdString(dlg.m_arrImported[i]->m_strText), expected[i]);
            QCOMPARE(dlg.m_arrImported[i]->m_strText, dlg.m_arrImported[i]->GetText());
        }
        // The pieces were parsed: the helm is head wear, the rings are rings.
        QCOMPARE(dlg.m_arrImported[2]->m_nType, int(PIECE_HEADWEAR));
        QCOMPARE(dlg.m_arrImported[2]->m_nFire, 2);
        QCOMPARE(dlg.m_arrImported[0]->m_nType, int(PIECE_RING));
        QCOMPARE(dlg.m_arrImported[5]->m_nLuck, 10);
    }
    void cancelEscapeAndCloseBoxDeleteThePieces() {
        for (int way = 0; way < 3; ++way) {
            CImportDlg dlg;
            ShowAndWait(dlg);
            Paste(dlg, kFirstThree);
            QCOMPARE(dlg.ItemList()->topLevelItemCount(), 3);
            if (way == 0)
                QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
            else if (way == 1)
                QTest::keyClick(dlg.ItemList(), Qt::Key_Escape);
            else
                dlg.close();
            QCOMPARE(dlg.result(), int(QDialog::Rejected));
            QVERIFY(!dlg.isVisible());
            QVERIFY(dlg.m_arrImported.empty());
            QCOMPARE(dlg.ItemList()->topLevelItemCount(), 0);
            QCOMPARE(dlg.m_nTimerID, 0);
        }
    }
    void textWithLongLines() {
        CImportDlg dlg;
        ShowAndWait(dlg);
        // Longer than the buffer: cut to the limit, which asks the long-text question.
        QString text;
        while (text.size() < 40000) text += QStringLiteral("plate helm, fire resist 3%, cold resist 4%\n");
        box.answers = {IDCANCEL};
        Paste(dlg, text);
        QCOMPARE(dlg.m_strPasted.size(), PASTE_LIMIT);
        QCOMPARE(box.shown.size(), size_t(1));
        QCOMPARE(box.shown[0].text, std::string(LONG_TEXT_QUESTION));
        QCOMPARE(box.shown[0].buttons, MsgButtons::OKCancel);
        QCOMPARE(box.shown[0].icon, MsgIcon::Warning);
        QCOMPARE(dlg.ItemList()->topLevelItemCount(), 0);
        QCOMPARE(dlg.CountBox()->text(), QStringLiteral("0"));
        box.answers = {IDOK};
        Paste(dlg, text);
        // 44 characters a line once LF became CR LF: 744 whole lines and the cut one.
        QCOMPARE(dlg.m_nItemsPasted, 745);
        QCOMPARE(dlg.CountBox()->text(), QStringLiteral("745"));
        QCOMPARE(dlg.ItemList()->topLevelItemCount(), 745);
        // Declining the long text after Yes to the list question leaves an empty list and says so.
        box.answers = {IDYES, IDCANCEL};
        Paste(dlg, text);
        QCOMPARE(dlg.ItemList()->topLevelItemCount(), 0);
        QCOMPARE(dlg.CountBox()->text(), QStringLiteral("0"));
        QVERIFY(dlg.m_nTimerID != 0);
    }
    void eightBitTextSurvives() {
        CImportDlg dlg;
        ShowAndWait(dlg);
        Paste(dlg, QString::fromUtf8("épée d’or, luck 50 \r\n"));
        QCOMPARE(dlg.ItemList()->topLevelItemCount(), 1);
        QCOMPARE(dlg.ItemList()->topLevelItem(0)->text(0), QString::fromUtf8("épée d’or, luck 50 "));
        QTest::mouseClick(dlg.SaveButton(), Qt::LeftButton);
        QCOMPARE(dlg.m_arrImported.size(), size_t(1));
        QCOMPARE(dlg.m_arrImported[0]->m_strText, std::string("\xE9p\xE9" "e d\x92or, luck 50 "));
        QCOMPARE(dlg.m_arrImported[0]->m_nLuck, 50);
    }
    void samplePaste() {
        const std::string sample = SamplePaste();
        if (sample.empty()) QSKIP("the shared sample paste is not here");
        CImportDlg dlg;
        ShowAndWait(dlg);
        Paste(dlg, QString::fromLatin1(sample.data(), qsizetype(sample.size())));
        QCOMPARE(dlg.m_nItemsPasted, 86);
        QCOMPARE(dlg.ItemList()->topLevelItemCount(), 86);
        const QStringList rows = Rows(dlg);
        for (int i = 1; i < rows.size(); ++i) QVERIFY(QString::compare(rows[i - 1], rows[i], Qt::CaseInsensitive) <= 0);
        QTRY_VERIFY(dlg.SaveButton()->isEnabled());
        // With the vertical scroll bar up, the columns still fill the list, and none but the item text
        // (which has a tooltip) is narrower than what it shows.
        QTRY_VERIFY(ColumnsWidth(dlg) >= dlg.ItemList()->viewport()->width() - 1);
        const QFontMetrics fm = dlg.ItemList()->fontMetrics();
        for (int c = 1; c < dlg.ItemList()->columnCount(); ++c)
            for (int r = 0; r < dlg.ItemList()->topLevelItemCount(); ++r)
                QVERIFY(fm.horizontalAdvance(dlg.ItemList()->topLevelItem(r)->text(c)) <= dlg.ItemList()->columnWidth(c));
        Shot(&dlg, QStringLiteral("import-dialog"));
        QTest::mouseClick(dlg.SaveButton(), Qt::LeftButton);
        QCOMPARE(dlg.m_arrImported.size(), size_t(86));
    }
};

QTEST_MAIN(ImportDlgTest)
#include "ImportDlgTest.moc"
