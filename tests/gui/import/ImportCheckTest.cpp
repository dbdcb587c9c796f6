// The import as a player checks it in the running program: one Ctrl+V, the table of what was read, a slot
// chosen by hand, duplicates, a text too long for one paste, and the name tables edited from the menu.
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <functional>

#include "gui/import/ImportDlg.h"
#include "gui/import/ItemNamesDlg.h"
#include "core/import/ItemTextParser.h"
#include "gui/resources/Resource.h"
#include "support/AppTest.h"

using namespace guitest;

namespace {
const QString kShroud = QStringLiteral("hooded shroud, physical resist 3%, luck 50 ");
const QStringList kSlotLabels{"head wear", "gorgets", "arms",   "gloves",  "legs",      "chest pieces",
                              "rings",     "robes",   "cloaks", "shields", "bracelets", "weapons"};

QTreeWidgetItem* RowOf(const CImportDlg& dlg, const QString& text) {
    for (int r = 0; r < dlg.ItemList()->topLevelItemCount(); ++r)
        if (dlg.ItemList()->topLevelItem(r)->text(IMPORT_COL_TEXT) == text) return dlg.ItemList()->topLevelItem(r);
    return nullptr;
}

QStringList Cells(const QTreeWidgetItem* row) {
    QStringList out;
    for (int c = 0; row && c < IMPORT_COLUMN_COUNT; ++c) out << row->text(c);
    return out;
}

std::vector<std::string> Texts(const PoolList& list) {
    std::vector<std::string> out;
    for (const CArmorPiece* p : list) out.push_back(p->m_strText);
    return out;
}

void ClickRow(QAbstractItemView* view, const QModelIndex& index) {
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

// Opens the row's slot drop-down as a double-click does.
QComboBox* SlotDropDown(CImportDlg& dlg, QTreeWidgetItem* row) {
    QTreeWidget* list = dlg.ItemList();
    const QModelIndex cell = list->indexFromItem(row, IMPORT_COL_SLOT);
    list->scrollTo(cell);
    DoubleClick(list->viewport(), list->visualRect(cell).center());
    return qobject_cast<QComboBox*>(list->indexWidget(cell));
}

QStringList Choices(const QComboBox* combo) {
    QStringList out;
    for (int i = 0; i < combo->count(); ++i) out << combo->itemText(i);
    return out;
}

// The name list's editor that Add or F2 opened.
QLineEdit* NameEditor(CItemNamesDlg& dlg) {
    return qobject_cast<QLineEdit*>(dlg.NameList()->indexWidget(dlg.NameList()->currentIndex()));
}
}  // namespace

class ImportCheckTest : public QObject, AppFixture {
    Q_OBJECT

    // Runs `check` on the dialog of type Dlg that `open` brings up; a check that fails leaves the dialog
    // cancelled, so the program does not wait on it.
    template <class Dlg>
    void Within(const std::function<void(Dlg&)>& check, const std::function<void()>& open) {
        bool seen = false;
        WhenModal<Dlg>([&](Dlg& dlg) {
            seen = true;
            auto close = qScopeGuard([&] {
                if (dlg.isVisible()) dlg.reject();
            });
            check(dlg);
        });
        open();
        QVERIFY(seen);
    }
    void CtrlV(const QString& text, const std::function<void(CImportDlg&)>& check) {
        QGuiApplication::clipboard()->setText(text);
        // The keys reach the main window's shortcuts only while it is the active window.
        Main()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Main()));
        Within<CImportDlg>(check, [this] { QTest::keyClick(Main(), Qt::Key_V, Qt::ControlModifier); });
    }
    void ItemNamesFromTheMenu(const std::function<void(CItemNamesDlg&)>& check) {
        QAction* entry = nullptr;
        for (QAction* a : Main()->MenuPopup(QStringLiteral("&Edit"))->actions())
            if (a->text() == QStringLiteral("&Item Names...")) entry = a;
        QVERIFY(entry);
        Within<CItemNamesDlg>(check, [entry] { entry->trigger(); });
    }
    void ShowTable(CItemNamesDlg& dlg, const QString& label) {
        const int row = Entries(dlg.TableList()).indexOf(label);
        QVERIFY(row >= 0);
        ClickRow(dlg.TableList(), dlg.TableList()->model()->index(row, 0));
        QCOMPARE(dlg.TableList()->currentRow(), row);
    }
    void SelectName(CItemNamesDlg& dlg, const QString& name) {
        const int row = Entries(dlg.NameList()).indexOf(name);
        QVERIFY(row >= 0);
        ClickRow(dlg.NameList(), dlg.NameList()->model()->index(row, 0));
    }

private slots:
    void init() {
        BeginShown();
    }
    void cleanup() { EndCase(); }

    // One Ctrl+V lists the sample with what was read from each item; a slot chosen in the drop-down is the
    // one the piece is filed under; the dialog reopens at the size it was left with.
    void oneCtrlVShowsTheSampleAndASlotChosenByHand() {
        const std::string sample = SamplePaste();
        if (sample.empty()) QSKIP("the shared sample paste is not here");
        CtrlV(QString::fromLatin1(sample.data(), qsizetype(sample.size())), [&](CImportDlg& dlg) {
            QTRY_COMPARE(dlg.ItemList()->topLevelItemCount(), 86);
            QCOMPARE(dlg.CountBox()->text(), QStringLiteral("86"));
            QVERIFY(box.shown.empty());
            // Values as the sample's lines give them, surprises included.
            const QStringList expected[] = {
                {"lucky necklace, luck 200 , mana regeneration 2 ", "gorgets", "0", "0", "0", "0", "0",
                 "Luck 200, MR 2", "yes", ""},
                {kShroud, "weapons", "3", "0", "0", "0", "0", "Luck 50", "yes", ""},
                {"shadow iron wizard's hat, cold resist 2%, lower mana cost 6%, poison resist 20%, energy resist 10%, "
                 "durability 110 / 255, physical resist 2%, fire resist 5%",
                 "head wear", "2", "5", "2", "20", "10", "LMC 6%", "", ""},
                {"crimson cloak, luck 80 , hit point regeneration 2 , energy resist 5%", "cloaks", "0", "0", "0", "0",
                 "5", "Luck 80, HR 2", "yes", ""},
            };
            for (const QStringList& cells : expected) {
                QTreeWidgetItem* row = RowOf(dlg, cells[0]);
                QVERIFY2(row, qPrintable(cells[0]));
                QCOMPARE(Cells(row), cells);
                QCOMPARE(row->toolTip(IMPORT_COL_TEXT), cells[0]);
            }
            // Every column but the item text is wide enough for all it shows.
            const QFontMetrics fm(dlg.ItemList()->font());
            for (int c = IMPORT_COL_SLOT; c < IMPORT_COLUMN_COUNT; ++c)
                for (int r = 0; r < 86; ++r)
                    QVERIFY(dlg.ItemList()->columnWidth(c) >= fm.horizontalAdvance(dlg.ItemList()->topLevelItem(r)->text(c)));
            QTest::qWait(20);  // the list lays itself out
            Shot(&dlg, QStringLiteral("import-table"));
            dlg.showMaximized();
            QTRY_VERIFY(dlg.isMaximized());
            QTest::qWait(50);
            Shot(&dlg, QStringLiteral("import-table-maximized"));
            dlg.showNormal();

            QTreeWidgetItem* shroud = RowOf(dlg, kShroud);
            QComboBox* combo = SlotDropDown(dlg, shroud);
            QVERIFY(combo);
            QCOMPARE(Choices(combo), kSlotLabels);
            QCOMPARE(combo->currentText(), QStringLiteral("weapons"));
            combo->showPopup();
            QTRY_VERIFY(combo->view()->isVisible());
            ClickRow(combo->view(), combo->model()->index(kSlotLabels.indexOf("robes"), 0));
            QTRY_COMPARE(shroud->text(IMPORT_COL_SLOT), QStringLiteral("robes"));
            QVERIFY(shroud->font(IMPORT_COL_SLOT).bold());
            dlg.resize(900, 500);
            QTest::mouseClick(dlg.SaveButton(), Qt::LeftButton);
        });
        QCOMPARE(Doc().GetPoolCount(), 86);
        const std::vector<std::string> robes = Texts(*Doc().PoolListFor(PIECE_ROBE));
        QVERIFY(std::find(robes.begin(), robes.end(), kShroud.toStdString()) != robes.end());
        for (const CArmorPiece* p : *Doc().PoolListFor(PIECE_WEAPON)) QVERIFY(p->m_strText != kShroud.toStdString());
        for (const CArmorPiece* p : *Doc().PoolListFor(PIECE_ROBE))
            if (p->m_strText == kShroud.toStdString()) QCOMPARE(p->m_strTypeName, std::string("robes"));

        CtrlV(QStringLiteral("amber ring, luck 1 \r\n"), [](CImportDlg& dlg) {
            QCOMPARE(dlg.size(), QSize(900, 500));
            QTRY_COMPARE(dlg.ItemList()->topLevelItemCount(), 1);
        });
    }

    // Rows repeating the pool, a suit or an earlier row are marked: skipped by default, all filed with the
    // box cleared. Cancel leaves the document as it was.
    void duplicatesSkippedOrKeptAndCancel() {
        const std::string gold = "gold ring, luck 2 ", helm = "platemail helm, physical resist 8%, fire resist 5%";
        AddToPool(Doc(), gold);
        AddSuit(Doc(), "Varn", {helm});
        const QString paste = QString::fromStdString("silver ring, luck 3 \r\n" + gold + "\r\n" + helm +
                                                     "\r\nsilver ring, luck 3 \r\namber ring, luck 1 \r\n");
        // Each round: whether the box stays checked, the marks of the rows (amber, gold, helm, silver,
        // silver), the label, and the rings the pool then holds.
        const struct {
            bool skip;
            QStringList marks;
            QString label;
            std::vector<std::string> rings;
        } rounds[] = {
            {true,
             {"", "in pool", "in suit of Varn", "", "repeated"},
             "3 duplicates marked, left out at Save/Exit",
             {gold, "amber ring, luck 1 ", "silver ring, luck 3 "}},
            {false,
             {"in pool", "in pool", "in suit of Varn", "in pool", "in pool"},
             "5 duplicates marked, imported all the same",
             {gold, "amber ring, luck 1 ", "silver ring, luck 3 ", "amber ring, luck 1 ", gold, "silver ring, luck 3 ",
              "silver ring, luck 3 "}},
        };
        for (const auto& round : rounds) {
            CtrlV(paste, [&](CImportDlg& dlg) {
                QTRY_COMPARE(dlg.ItemList()->topLevelItemCount(), 5);
                QCOMPARE(Column(dlg.ItemList(), IMPORT_COL_DUPLICATE), round.marks);
                QVERIFY(dlg.SkipDuplicatesBox()->isChecked());
                if (!round.skip) QTest::mouseClick(dlg.SkipDuplicatesBox(), Qt::LeftButton);
                QCOMPARE(dlg.DuplicatesLabel()->text(), round.label);
                if (round.skip) Shot(&dlg, QStringLiteral("import-duplicates"));
                QTest::mouseClick(dlg.SaveButton(), Qt::LeftButton);
            });
            QCOMPARE(Texts(*Doc().PoolListFor(PIECE_RING)), round.rings);
        }
        QCOMPARE(Doc().PoolListFor(PIECE_HEADWEAR)->size(), size_t(1));

        Doc().SetModifiedFlag(false);
        CtrlV(paste, [](CImportDlg& dlg) {
            QTRY_COMPARE(dlg.ItemList()->topLevelItemCount(), 5);
            QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
            QVERIFY(dlg.m_arrImported.empty());
            QCOMPARE(dlg.ItemList()->topLevelItemCount(), 0);
        });
        QCOMPARE(Doc().GetPoolCount(), 8);
        QVERIFY(!Doc().IsModified());
    }

    // A text beyond one paste: after OK the dialog says how much was left out; the rest, pasted with
    // "Keep rows", joins the same list without a question, and the row the cut shortened is left out.
    void aLongPasteGoesOnInTheSameList() {
        // 800 items of 59 characters: the cut falls 20 characters into the 556th, after its "luck".
        const int count = 800;
        QString text;
        for (int i = 0; i < count; ++i)
            text += QStringLiteral("ring %1, luck 1 , fire resist 10%, durability 100 / 255\r\n").arg(i, 4, 10, QLatin1Char('0'));
        box.answers = {IDOK};
        CtrlV(text, [&](CImportDlg& dlg) {
            QTRY_VERIFY(dlg.NoticeLabel()->isVisible());
            QCOMPARE(box.shown.size(), size_t(1));
            QCOMPARE(box.shown[0].text, std::string(LONG_TEXT_QUESTION));
            const QString notice = dlg.NoticeLabel()->text();
            QVERIFY2(notice.contains(QString::number(text.size() - qsizetype(PASTE_LIMIT)) + " characters"),
                     qPrintable(notice));
            const int first = dlg.ItemList()->topLevelItemCount();
            // The player copies the rest from the item that was cut on.
            const qsizetype from = text.lastIndexOf(QStringLiteral("\r\n"), qsizetype(PASTE_LIMIT) - 4) + 2;
            QCOMPARE(first, 556);
            QVERIFY(notice.contains(text.mid(from, text.indexOf(QLatin1Char(','), from) - from)));
            QGuiApplication::clipboard()->setText(text.mid(from));
            QTest::mouseClick(dlg.KeepRowsBox(), Qt::LeftButton);
            QVERIFY(dlg.KeepRowsBox()->isChecked());
            QTRY_VERIFY(dlg.PasteButton()->isEnabled());
            QTest::mouseClick(dlg.PasteButton(), Qt::LeftButton);
            QCOMPARE(box.shown.size(), size_t(1));
            QVERIFY(!dlg.NoticeLabel()->isVisible());
            QCOMPARE(dlg.ItemList()->topLevelItemCount(), count + 1);
            QCOMPARE(dlg.CountBox()->text(), QString::number(count - first + 1));
            QCOMPARE(Column(dlg.ItemList(), IMPORT_COL_DUPLICATE).count(QStringLiteral("cut short, pasted again")), 1);
            QTest::mouseClick(dlg.SaveButton(), Qt::LeftButton);
        });
        QStringList lines = text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QStringList rings;
        for (const std::string& t : Texts(*Doc().PoolListFor(PIECE_RING))) rings << QString::fromStdString(t);
        QCOMPARE(rings, lines);
        QCOMPARE(Doc().GetPoolCount(), count);
    }

    // Edit > Item Names...: the tables edited, written to the store, in force at once and shown again;
    // the next import follows them, the pool keeps its slots, and the import's drop-down agrees.
    void itemNamesEditedFromTheMenu() {
        AddToPool(Doc(), kShroud.toStdString());
        const QString longName(300, QLatin1Char('x'));
        QStringList tables;
        ItemNamesFromTheMenu([&](CItemNamesDlg& dlg) {
            tables = Entries(dlg.TableList());
            QCOMPARE(tables, kSlotLabels.mid(0, 11));
            ShowTable(dlg, "robes");
            QCOMPARE(Entries(dlg.NameList()), QStringList{"robe"});
            // A name of blanks alone would file every item as a robe: it goes, and the others are trimmed.
            for (const QString& typed : {QStringLiteral("shroud"), longName, QString(), QStringLiteral(" "),
                                         QStringLiteral("  gown ")}) {
                QTest::mouseClick(dlg.AddButton(), Qt::LeftButton);
                QLineEdit* editor = NameEditor(dlg);
                QVERIFY(editor);
                QTest::keyClicks(editor, typed);
                QTest::keyClick(editor, typed.isEmpty() ? Qt::Key_Escape : Qt::Key_Return);
                // As between a user's keys: the dialog tidies the list once the editor has closed.
                QTRY_VERIFY(!NameEditor(dlg));
                QTest::qWait(20);
            }
            // The long name is cut where the store's loader stops; the empty ones are gone.
            QTRY_COMPARE(Entries(dlg.NameList()), (QStringList{"robe", "shroud", longName.left(254), "gown"}));

            ShowTable(dlg, "head wear");
            SelectName(dlg, "hat");
            QTest::keyClick(dlg.NameList(), Qt::Key_F2);
            QVERIFY(NameEditor(dlg));
            QTest::keyClick(NameEditor(dlg), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(NameEditor(dlg), QStringLiteral("Hat"));
            QTest::keyClick(NameEditor(dlg), Qt::Key_Return);
            QTRY_COMPARE(dlg.NameList()->item(8)->toolTip(), QStringLiteral("Never matches: it has capital letters"));
            SelectName(dlg, "ninja hood");
            QVERIFY(!dlg.DownButton()->isEnabled());
            QTest::mouseClick(dlg.UpButton(), Qt::LeftButton);
            QCOMPARE(dlg.NameList()->currentRow(), 12);
            QVERIFY(dlg.DownButton()->isEnabled());
            Shot(&dlg, QStringLiteral("item-names-dialog"));

            ShowTable(dlg, "rings");
            SelectName(dlg, "ring");
            QTest::mouseClick(dlg.RemoveButton(), Qt::LeftButton);
            QVERIFY(Entries(dlg.NameList()).isEmpty());
            QVERIFY(!dlg.RemoveButton()->isEnabled());
            QTest::mouseClick(dlg.DefaultsButton(), Qt::LeftButton);
            QCOMPARE(Entries(dlg.NameList()), QStringList{"ring"});
            QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
        });
        // In the store's file under this run's own XDG_CONFIG_HOME, and in force.
        const QSettings ini(QStringLiteral("VarnHolt"), QStringLiteral("Gorvanta"));
        QVERIFY(ini.fileName().startsWith(QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"))));
        QCOMPARE(ini.value(QStringLiteral("PieceDefs/Robes/02")).toString(), QStringLiteral("shroud"));
        QCOMPARE(ini.value(QStringLiteral("PieceDefs/Robes/03")).toString(), longName.left(254));
        QCOMPARE(ini.value(QStringLiteral("PieceDefs/Robes/04")).toString(), QStringLiteral("gown"));
        QCOMPARE(ThePieceDefs().Table(7), (std::vector<std::string>{"robe", "shroud", std::string(254, 'x'), "gown"}));
        const std::vector<std::string>& head = ThePieceDefs().Table(0);
        QCOMPARE(std::vector<std::string>(head.end() - 3, head.end()),
                 (std::vector<std::string>{"jingasa", "ninja hood", "kabuto"}));
        QCOMPARE(head[8], std::string("Hat"));
        QCOMPARE(ThePieceDefs().Table(6), PieceDefDefaults(6));

        ItemNamesFromTheMenu([&](CItemNamesDlg& dlg) {
            ShowTable(dlg, "robes");
            QCOMPARE(Entries(dlg.NameList()), (QStringList{"robe", "shroud", longName.left(254), "gown"}));
            ShowTable(dlg, "head wear");
            QCOMPARE(dlg.NameList()->item(8)->text(), QStringLiteral("Hat"));
            QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
        });

        const QString newShroud = QStringLiteral("hooded shroud of the night, luck 60 ");
        const QString hat = QStringLiteral("wizard's hat, fire resist 2%");
        CtrlV(newShroud + "\r\n" + hat + "\r\n", [&](CImportDlg& dlg) {
            QTRY_COMPARE(dlg.ItemList()->topLevelItemCount(), 2);
            QCOMPARE(RowOf(dlg, newShroud)->text(IMPORT_COL_SLOT), QStringLiteral("robes"));
            // "Hat" never matches, and no other name claims the hat.
            QCOMPARE(RowOf(dlg, hat)->text(IMPORT_COL_SLOT), QStringLiteral("weapons"));
            QComboBox* combo = SlotDropDown(dlg, RowOf(dlg, hat));
            QVERIFY(combo);
            QCOMPARE(Choices(combo).mid(0, 11), tables);
            QCOMPARE(combo->itemData(tables.indexOf("robes"), Qt::ToolTipRole).toString(),
                     "Names: robe, shroud, " + longName.left(254) + ", gown");
            QTest::keyClick(combo, Qt::Key_Escape);
            QTest::mouseClick(dlg.SaveButton(), Qt::LeftButton);
        });
        QCOMPARE(Texts(*Doc().PoolListFor(PIECE_WEAPON)), (std::vector<std::string>{kShroud.toStdString(), hat.toStdString()}));
        QCOMPARE(Texts(*Doc().PoolListFor(PIECE_ROBE)), std::vector<std::string>{newShroud.toStdString()});
    }
};

int main(int argc, char** argv) {
    // The store's file lives in a folder of this run only.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
    ImportCheckTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ImportCheckTest.moc"
