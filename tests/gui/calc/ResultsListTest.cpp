// The results list in the running program, used as a player would: sorting both ways with the arrow,
// Enter for the details, copying rows, File > Export Results, the header's column menu across two
// documents, and the default column widths against the texts they must show.
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QStatusBar>
#include <QTreeWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyle>

#include <map>
#include <numeric>
#include <utility>

#include "core/calc/CalcEngine.h"
#include "gui/calc/GorvantaView.h"
#include "core/calc/Reach.h"
#include "core/calc/ResultColumns.h"
#include "core/document/Assignment.h"
#include "qtstore/QtText.h"
#include "gui/resources/Resource.h"
#include "support/AppTest.h"
#include "gui/ui/SuitDetailsDlg.h"

using namespace guitest;

namespace {
// Runs a hook, once, when the next message shows.
class CHookBox : public CScriptedMessageBox {
public:
    int Show(const std::string& text, MsgButtons buttons, MsgIcon icon) override {
        if (auto hook = std::exchange(onShow, nullptr)) hook();
        return CScriptedMessageBox::Show(text, buttons, icon);
    }
    std::function<void()> onShow;
};

// A click sent straight to the widget: never taken for half of a double-click.
void Click(QWidget* w, QPoint at, Qt::KeyboardModifiers mods = {}) {
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, mods);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, mods);
    QApplication::sendEvent(w, &release);
}
void ClickHeader(CGorvantaView* v, int column) {
    QHeaderView* h = v->horizontalHeader();
    Click(h->viewport(), QPoint(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2));
}
void ClickRow(CGorvantaView* v, int row, Qt::KeyboardModifiers mods = {}) {
    v->setFocus();
    Click(v->viewport(), v->visualRect(v->model()->index(row, 0)).center(), mods);
}
// Right-clicks the widget; returns the menu that pops up, if any.
QMenu* RightClick(QWidget* w, QPoint at) {
    QContextMenuEvent e(QContextMenuEvent::Mouse, at, w->mapToGlobal(at));
    QApplication::sendEvent(w, &e);
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}
// A menu's entries with their check marks.
std::vector<std::pair<QString, bool>> MenuEntries(QMenu* menu) {
    std::vector<std::pair<QString, bool>> out;
    for (QAction* a : menu->actions()) out.emplace_back(a->text(), a->isCheckable() && a->isChecked());
    return out;
}
// Right-clicks the list's header.
QMenu* HeaderMenu(CGorvantaView* v) {
    return RightClick(v->horizontalHeader()->viewport(), QPoint(10, v->horizontalHeader()->height() / 2));
}
// Picks an entry of the header's menu with the mouse.
bool PickFromHeaderMenu(CGorvantaView* v, const QString& text) {
    QMenu* menu = HeaderMenu(v);
    if (!menu) return false;
    for (QAction* a : menu->actions())
        if (a->text() == text) {
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
            return !QApplication::activePopupWidget();
        }
    return false;
}
// Types the name into the file dialog and saves.
void TypeFileName(QFileDialog& dlg, const QString& path) {
    if (auto* edit = dlg.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) edit->setText(path);
    static_cast<QDialog&>(dlg).accept();  // as the Save button does
}
// The suits' texts in the given rows and columns, as the list's reader would expect them.
// The first columns of the rows, then the text of each switched-on slot's piece (as the CSV export makes
// it safe, where asked).
std::vector<std::vector<std::string>> Cells(const CResultsModel& m, const std::vector<int>& rows, int columns,
                                            bool csv = false) {
    std::vector<std::vector<std::string>> out;
    for (int r : rows) {
        const auto texts = ResultColumnTexts(*m.SuitAt(r), false);
        auto& line = out.emplace_back(texts.begin(), texts.begin() + columns);
        for (int k = 0; k < SLOT_COUNT; ++k) {
            if (!TheSettings().UseSlot(k)) continue;
            std::string text;
            for (const CArmorPiece* p : m.SuitAt(r)->m_arrPieces)
                if (p->m_nType == 1 << k) text = p->m_strText;
            line.push_back(csv ? SpreadsheetSafe(text) : text);
        }
    }
    return out;
}
std::string Joined(const std::vector<std::vector<std::string>>& lines, char separator, const char* end) {
    std::string out;
    for (const auto& line : lines) {
        for (size_t i = 0; i < line.size(); ++i) out += (i ? std::string(1, separator) : std::string()) + line[i];
        out += end;
    }
    return out;
}
// With GORVANTA_SHOTS set: the window with the open menu drawn where it pops up.
void ShotWithMenu(QWidget* window, QMenu* menu, const QString& name) {
    const QByteArray dir = qgetenv("GORVANTA_SHOTS");
    if (dir.isEmpty()) return;
    QTest::qWait(100);
    QPixmap picture = window->grab();
    QPainter(&picture).drawPixmap(window->mapFromGlobal(menu->pos()), menu->grab());
    QDir().mkpath(QString::fromLocal8Bit(dir));
    picture.save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + name + QStringLiteral(".png"));
}
}  // namespace

class ResultsListTest : public QObject, AppFixture {
    Q_OBJECT
    CHookBox box;  // read by the cases instead of the fixture's

public:
    ResultsListTest() : AppFixture({StoreKind::TestIni, true}) { UseBox(box); }

private slots:
    void init() { BeginShown(); }
    void cleanup() { EndCase(); }

    void aSessionWithTheResultsList() {
        // Two documents; the second one runs, the first must follow its column switches.
        CGorvantaView* firstView = Active()->GetResultsView();
        Main()->OnCommand(ID_FILE_NEW);
        CGorvantaView* v = Active()->GetResultsView();
        QVERIFY(v != firstView);
        const CResultsModel& m = *v->Model();
        TheSettings().m_bDisplayLuck = 1;
        FillPool(Doc(), 3, 5);
        // A piece text a spreadsheet would run as a formula.
        Doc().m_arrPool[2][1]->m_strText = "=1+2";
        OpenSettings(Doc(), 3);
        QVERIFY(!Enabled(ID_FILE_EXPORT_RESULTS));

        // While the summary box is open the run still counts: no export, no details, but the header
        // menu switches a column on in both documents.
        bool exportDuringRun = true, menuDuringRun = false;
        ModalProbe probe;
        box.onShow = [&] {
            exportDuringRun = Enabled(ID_FILE_EXPORT_RESULTS);
            v->setCurrentIndex(m.index(0, 0));
            probe.Start();
            QTest::keyClick(v, Qt::Key_Return);
            probe.Stop();
            menuDuringRun = PickFromHeaderMenu(v, QStringLiteral("LMC"));
        };
        Main()->OnCommand(ID_CALC_START);
        QTRY_VERIFY_WITH_TIMEOUT(!v->HasActiveRun(), 30000);
        QCOMPARE(m.rowCount(), 125);
        QVERIFY(!exportDuringRun);
        QVERIFY(!probe.Seen());
        QVERIFY(menuDuringRun);
        QCOMPARE(TheSettings().m_bDisplayLMC, 1);
        QCOMPARE(StoredInt(SETTINGS_SECTION, "Display LMC"), std::optional<int32_t>(1));
        for (CGorvantaView* view : {v, firstView}) QVERIFY(view->ColumnWidth(9) > 0);
        QVERIFY(Enabled(ID_FILE_EXPORT_RESULTS));

        // A header click sorts in the column's own order, the next one the other way with equal rows
        // kept in their order, the third one back; the arrow follows.
        QHeaderView* h = v->horizontalHeader();
        ClickHeader(v, 6);
        const auto down = SuitNames(m);
        QCOMPARE(h->sortIndicatorSection(), 6);
        QCOMPARE(h->sortIndicatorOrder(), Qt::DescendingOrder);
        for (int r = 0; r + 1 < m.rowCount(); ++r)
            QVERIFY(CompareResults(*m.SuitAt(r), *m.SuitAt(r + 1), 6, false) <= 0);
        ClickHeader(v, 6);
        QCOMPARE(h->sortIndicatorOrder(), Qt::AscendingOrder);
        std::map<std::string, size_t> placeDown;
        for (size_t i = 0; i < down.size(); ++i) placeDown[down[i]] = i;
        int ties = 0;
        for (int r = 0; r + 1 < m.rowCount(); ++r) {
            const int order = CompareResults(*m.SuitAt(r), *m.SuitAt(r + 1), 6, false);
            QVERIFY(order >= 0);
            if (order == 0) {
                ++ties;
                QVERIFY(placeDown[m.SuitAt(r)->m_strName] < placeDown[m.SuitAt(r + 1)->m_strName]);
            }
        }
        QVERIFY(ties > 0);
        ClickHeader(v, 6);
        QCOMPARE(SuitNames(m), down);
        QCOMPARE(h->sortIndicatorOrder(), Qt::DescendingOrder);
        // Another column starts in its own order: names up, then down.
        ClickHeader(v, 0);
        auto names = SuitNames(m);
        QVERIFY(std::is_sorted(names.begin(), names.end()));
        QCOMPARE(h->sortIndicatorSection(), 0);
        QCOMPARE(h->sortIndicatorOrder(), Qt::AscendingOrder);
        ClickHeader(v, 0);
        std::reverse(names.begin(), names.end());
        QCOMPARE(SuitNames(m), names);
        QCOMPARE(h->sortIndicatorOrder(), Qt::DescendingOrder);
        ClickHeader(v, 6);
        ClickHeader(v, 6);

        // Return and Enter open the details of the current row, as a double-click does.
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
            ClickRow(v, 2);
            const CArmorSuit* opened = nullptr;
            WhenModal<CSuitDetailsDlg>([&opened](CSuitDetailsDlg& dlg) {
                opened = dlg.m_pSuit;
                QTest::mouseClick(dlg.ExitButton(), Qt::LeftButton);
            });
            QTest::keyClick(v, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
            QCOMPARE(opened, m.SuitAt(2));
            QCOMPARE(m.rowCount(), 125);
        }

        // Ctrl+C copies the selected rows in the list's order with the shown columns' headings. (The
        // offscreen platform gives the window back its focus only when asked.)
        Main()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Main()));
        ClickRow(v, 4);
        ClickRow(v, 1, Qt::ControlModifier);
        ClickRow(v, 7, Qt::ControlModifier);
        QTest::keyClick(v, Qt::Key_C, Qt::ControlModifier);
        // After the shown columns, the piece of each switched-on slot.
        const std::vector<std::string> headings = {"Suit",   "Phy.",       "Fire",       "Cold", "Poison", "Energy",
                                                   "Eff. Total", "Act. Total", "Luck", "LMC", "Head",   "Neck", "Arms"};
        std::vector<std::vector<std::string>> lines{headings};
        for (auto& row : Cells(m, {1, 4, 7}, 10)) lines.push_back(row);
        QCOMPARE(QGuiApplication::clipboard()->text().toStdString(), Joined(lines, '\t', "\n"));
        // The program's Copy command, when its accelerator gets the key first, does the same.
        QGuiApplication::clipboard()->clear();
        Main()->OnCommand(ID_EDIT_COPY);
        QCOMPARE(QGuiApplication::clipboard()->text().toStdString(), Joined(lines, '\t', "\n"));

        // Export Results: the proposed name and filter, then every row in the list's order as CSV.
        QString proposed;
        QStringList filters;
        const QString target = Path(QStringLiteral("list.csv"));
        WhenModal<QFileDialog>([&](QFileDialog& dlg) {
            proposed = dlg.selectedFiles().value(0);
            filters = dlg.nameFilters();
            TypeFileName(dlg, target);
        });
        Main()->OnCommand(ID_FILE_EXPORT_RESULTS);
        QCOMPARE(QFileInfo(proposed).fileName(), QStringLiteral("Gorvan2 results.csv"));
        QCOMPARE(filters, QStringList{QStringLiteral("CSV files (*.csv)")});
        std::vector<int> all(size_t(m.rowCount()));
        std::iota(all.begin(), all.end(), 0);
        lines = {headings};
        for (auto& row : Cells(m, all, 10, true)) lines.push_back(row);
        QCOMPARE(ReadFile(target.toStdString()), Joined(lines, ',', "\r\n"));
        QVERIFY(ReadFile(target.toStdString()).find(",'=1+2") != std::string::npos);
        QCOMPARE(Main()->statusBar()->currentMessage(),
                 QStringLiteral("125 suits written to ") + QDir::toNativeSeparators(target));
        QCOMPARE(box.shown.size(), size_t(1));  // the summary only
        // A file that cannot be written says so, with the reason, and leaves nothing behind.
        const QString nowhere = Path(QStringLiteral("missing/list.csv"));
        WhenModal<QFileDialog>([&](QFileDialog& dlg) {
            TypeFileName(dlg, nowhere);
        });
        Main()->OnCommand(ID_FILE_EXPORT_RESULTS);
        const QString folder = QFileInfo(target).absolutePath();
        QVERIFY(!v->ExportResults(folder));
        QCOMPARE(box.shown.size(), size_t(3));
        for (const auto& [shown, path] : {std::pair{box.shown[1], nowhere}, {box.shown[2], folder}}) {
            const std::string start = "Cannot write the file " + QDir::toNativeSeparators(path).toStdString() + ".\n";
            QVERIFY2(shown.text.rfind(start, 0) == 0 && shown.text.size() > start.size(), shown.text.c_str());
            QCOMPARE(shown.icon, MsgIcon::Exclamation);
        }
        QVERIFY(!QFileInfo::exists(nowhere));

        // The header menu lists the eight optional columns, checked where shown; LMC goes again from
        // both documents. A right click on the rows opens nothing.
        QMenu* menu = HeaderMenu(v);
        QVERIFY(menu);
        QCOMPARE(MenuEntries(menu), (std::vector<std::pair<QString, bool>>{{"Luck", true}, {"LMC", true},
                                                                           {"LRC", false}, {"MR", false},
                                                                           {"HR", false}, {"SR", false},
                                                                           {"DCI", false}, {"HCI", false}}));
        ShotWithMenu(Main(), menu, QStringLiteral("results-list-header-menu"));
        menu->close();
        QVERIFY(PickFromHeaderMenu(v, QStringLiteral("LMC")));
        QCOMPARE(TheSettings().m_bDisplayLMC, 0);
        QCOMPARE(StoredInt(SETTINGS_SECTION, "Display LMC"), std::optional<int32_t>(0));
        for (CGorvantaView* view : {v, firstView}) QCOMPARE(view->ColumnWidth(9), 0);
        QVERIFY(v->ColumnWidth(8) > 0);
        QVERIFY(!RightClick(v->viewport(), v->visualRect(m.index(1, 0)).center()));

        Main()->showMaximized();
        Active()->showMaximized();
        QTest::qWait(100);
        menu = HeaderMenu(v);
        QVERIFY(menu);
        ShotWithMenu(Main(), menu, QStringLiteral("results-list-header-menu-maximized"));
        menu->close();
    }

    // "Best first by" Eff. Total: the list holds the Suit Limit best suits, greatest first and equal ones
    // in the order a search reaches them, named in that order; the summary counts every combination.
    void aRankedRunListsTheBestFirst() {
        CGorvantaView* v = Active()->GetResultsView();
        FillPool(Doc(), 4, 6);
        OpenSettings(Doc(), 4, 10);
        TheSettings().m_nRankBy = 6;
        // Every combination in visiting order, from a run as found; the best ten by a stable sort.
        struct CAll : ICalcReporter {
            void OnBegin(const CCalcCount&) override {}
            void OnSuit(std::unique_ptr<CArmorSuit> suit) override { suits.push_back(std::move(suit)); }
            void OnEnd(const CCalcMsg&) override {}
            std::vector<std::unique_ptr<CArmorSuit>> suits;
        } all;
        CCalcParam asFound;
        asFound.FillFrom(TheSettings());
        asFound.m_nRankBy = 0;
        asFound.m_nSuitLimit = 100000;
        std::atomic<int32_t> running{0};
        RunCalculation(asFound, Doc().m_arrPool, 0, running, all, 1);
        QCOMPARE(all.suits.size(), size_t(1296));
        std::stable_sort(all.suits.begin(), all.suits.end(), [](const auto& a, const auto& b) {
            return ResultColumnValue(*a, 6, false) > ResultColumnValue(*b, 6, false);
        });
        QVERIFY(ResultColumnValue(*all.suits[9], 6, false) == ResultColumnValue(*all.suits[10], 6, false) ||
                ResultColumnValue(*all.suits[0], 6, false) == ResultColumnValue(*all.suits[1], 6, false));

        Main()->OnCommand(ID_CALC_START);
        QTRY_VERIFY_WITH_TIMEOUT(!v->HasActiveRun(), 30000);
        const CResultsModel& m = *v->Model();
        QCOMPARE(m.rowCount(), 10);
        for (int r = 0; r < 10; ++r) {
            QCOMPARE(m.SuitAt(r)->m_strName, SuitName(r));
            QVERIFY(m.SuitAt(r)->m_arrPieces == all.suits[size_t(r)]->m_arrPieces);
        }
        QVERIFY(!box.shown.empty());
        QVERIFY(box.shown.back().text.rfind("1296 suit configurations examined.\n10 suits meet limit standards.", 0) == 0);
        Shot(Main(), QStringLiteral("ranked-result"));
        Main()->showMaximized();
        Active()->showMaximized();
        QTest::qWait(100);
        Shot(Main(), QStringLiteral("ranked-result-maximized"));
    }

    // What a player acts on: why a run lists nothing, that a full ranked list may leave suits out, and the
    // results against a character's suit, in the list and in the details.
    void explanationsAndComparison() {
        CGorvantaView* v = Active()->GetResultsView();
        const CResultsModel& m = *v->Model();
        FillPool(Doc(), 3, 5);
        OpenSettings(Doc(), 3);
        TheSettings().m_nLuckLimit = 2000;
        CCalcParam param;
        param.FillFrom(TheSettings());
        const std::string why = ExplainNothing(param, Doc().m_arrPool, 0, MinimumReach(param, Doc().m_arrPool, 0));
        QVERIFY(why.rfind("Lower one of these to the value shown and suits qualify: Luck ", 0) == 0);
        Main()->OnCommand(ID_CALC_START);
        QTRY_VERIFY_WITH_TIMEOUT(!v->HasActiveRun(), 30000);
        QCOMPARE(m.rowCount(), 0);
        const std::string& nothing = box.shown.back().text;
        QVERIFY2(nothing.find("\nHCI\t0\t0\n" + why + "\nElapsed time: ") != std::string::npos, nothing.c_str());
        {
            QMessageBox shown(QMessageBox::Warning, QStringLiteral("Gorvanta"), ToQt(nothing), QMessageBox::Ok, Main());
            shown.show();
            QTest::qWait(50);
            Shot(&shown, QStringLiteral("summary-explains-nothing"));
        }

        // Ranked and then by luck: a full list says so; equal totals come with the greater luck first.
        TheSettings().m_nLuckLimit = 0;
        TheSettings().m_nSuitLimit = 10;
        TheSettings().m_nRankBy = 6;
        TheSettings().m_nThenBy = 8;
        TheSettings().m_bDisplayLuck = 1;
        Doc().UpdateAllViews(nullptr, HINT_FILTERS_CHANGED);
        Main()->OnCommand(ID_CALC_START);
        QTRY_VERIFY_WITH_TIMEOUT(!v->HasActiveRun(), 30000);
        QCOMPARE(m.rowCount(), 10);
        const std::string& full = box.shown.back().text;
        QVERIFY2(full.find("\nOnly the best 10 are listed; more suits may meet the limits.\nElapsed") != std::string::npos,
                 full.c_str());
        const CWishes wishes(TheSettings());
        for (int r = 0; r + 1 < m.rowCount(); ++r) QVERIFY(RankPair(wishes, *m.SuitAt(r)) >= RankPair(wishes, *m.SuitAt(r + 1)));

        // Bob wears a suit of his own pieces; the list compares with it once he is chosen.
        QCOMPARE(v->CompareBox()->count(), 1);
        auto* worn = new CArmorSuit;
        worn->AddPiece(NewPiece("worn helm", PIECE_HEADWEAR, 9));
        worn->AddPiece(NewPiece("worn gorget", PIECE_GORGET, 2));
        worn->CalcTotals();
        AddAssignedSuit(Doc(), worn, "Bob");
        Doc().UpdateAllViews(nullptr, HINT_REFRESH);
        QCOMPARE(v->CompareBox()->count(), 2);
        QCOMPARE(v->CompareBox()->itemText(1), QStringLiteral("Bob"));
        QCOMPARE(m.rowCount(), 10);  // the pool did not change
        v->CompareBox()->setCurrentIndex(1);
        emit v->CompareBox()->activated(1);
        QCOMPARE(v->ComparedSuit(), worn);
        int higher = 0, lower = 0;
        for (int r = 0; r < m.rowCount(); ++r) {
            const auto deltas = ResultColumnDeltas(*m.SuitAt(r), *worn, false);
            for (int n = 1; n < RESULT_COLUMN_COUNT; ++n) {
                const int64_t d = deltas[size_t(n - 1)];
                const QModelIndex cell = m.index(r, n);
                QCOMPARE(cell.data().toString(), m.Text(r, n) + QStringLiteral("  ") + ToQt(SignedText(d)));
                const QVariant colour = cell.data(Qt::ForegroundRole);
                QCOMPARE(colour.isValid(), d != 0);
                if (d != 0) QCOMPARE(colour.value<QBrush>().color(), d > 0 ? QColor(0x00, 0x80, 0x00) : QColor(0xC0, 0x10, 0x10));
                (d > 0 ? higher : lower) += d != 0;
            }
        }
        QVERIFY(higher > 0 && lower > 0);
        // Sorting still goes by the values.
        ClickHeader(v, 8);
        for (int r = 0; r + 1 < m.rowCount(); ++r) QVERIFY(CompareResults(*m.SuitAt(r), *m.SuitAt(r + 1), 8, false) <= 0);
        Shot(Main(), QStringLiteral("results-compared"));
        Main()->showMaximized();
        Active()->showMaximized();
        QTest::qWait(100);
        Shot(Main(), QStringLiteral("results-compared-maximized"));

        // The details show Bob's pieces beside the result's.
        const CArmorSuit* compared = nullptr;
        QString heading;
        WhenModal<CSuitDetailsDlg>([&](CSuitDetailsDlg& dlg) {
            compared = dlg.m_pCompared;
            heading = dlg.DetailsList()->headerItem()->text(CSuitDetailsDlg::COMPARED_COLUMN);
            Shot(&dlg, QStringLiteral("suit-details-compared"));
            dlg.showMaximized();
            QTest::qWait(100);
            Shot(&dlg, QStringLiteral("suit-details-compared-maximized"));
            QTest::mouseClick(dlg.ExitButton(), Qt::LeftButton);
        });
        ClickRow(v, 0);
        QTest::keyClick(v, Qt::Key_Return);
        QCOMPARE(compared, worn);
        QCOMPARE(heading, QStringLiteral("Compared: Bob"));

        // Once Bob's suit is gone the list compares with nothing.
        ReleaseAssignedSuit(Doc(), worn);
        Doc().UpdateAllViews(nullptr, HINT_REFRESH);
        QCOMPARE(v->CompareBox()->count(), 1);
        QVERIFY(!m.IsComparing());
    }

    // A built-in width shows its heading with the arrow's room, and column 0 a whole suit name, in the
    // font in use; none of that is stored. A width the player drags is kept as it is, even a narrow one.
    void defaultWidthsFitAndPlayerWidthsStay() {
        CGorvantaView* v = Active()->GetResultsView();
        for (int c = 8; c < COLUMN_COUNT; ++c) *TheSettings().ColumnSwitch(c) = 1;
        Doc().UpdateAllViews(nullptr, HINT_FILTERS_CHANGED);
        const CSettings defaults;
        auto fits = [&] {
            QHeaderView* h = v->horizontalHeader();
            const int margin = h->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, h);
            const int cellMargin = v->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, v) + 1;
            for (int c = 0; c < COLUMN_COUNT; ++c) {
                const int width = v->ColumnWidth(c);
                // The label loses two margins each side and half the height to the arrow.
                const QString text = QString::fromLatin1(ResultColumnHeadings()[size_t(c)]);
                const int heading = h->fontMetrics().horizontalAdvance(text);
                if (width < std::max(defaults.m_nColumnWidth[size_t(c)], heading + 4 * margin + h->height() / 2))
                    return false;
            }
            const QString name = QStringLiteral("Suit 00000");
            return v->fontMetrics().elidedText(name, Qt::ElideLeft, v->ColumnWidth(0) - 2 * cellMargin) == name;
        };
        QVERIFY(fits());
        QVERIFY(v->ColumnWidth(0) > defaults.m_nColumnWidth[0]);
        QFont large = v->font();
        large.setPixelSize(QFontInfo(large).pixelSize() * 2);
        v->setFont(large);
        QVERIFY(fits());
        QCOMPARE(TheSettings().m_nColumnWidth, defaults.m_nColumnWidth);
        SyncStore();
        for (int c = 0; c < STORED_COLUMN_COUNT; ++c) {
            const auto stored = StoredInt(SETTINGS_SECTION, ("Column" + std::to_string(c)).c_str());
            QVERIFY(!stored || *stored == defaults.m_nColumnWidth[size_t(c)]);
        }
        // The player drags column 0 narrower than its name: stored, and a new window keeps it.
        QHeaderView* h = v->horizontalHeader();
        const int edge = h->sectionViewportPosition(0) + h->sectionSize(0) - 1, y = h->height() / 2;
        const int narrow = 40, to = edge - (h->sectionSize(0) - narrow);
        SendMouse(h->viewport(), QEvent::MouseButtonPress, QPoint(edge, y), Qt::LeftButton);
        SendMouse(h->viewport(), QEvent::MouseMove, QPoint(to, y), Qt::LeftButton);
        SendMouse(h->viewport(), QEvent::MouseButtonRelease, QPoint(to, y), Qt::NoButton);
        QTRY_COMPARE(TheSettings().m_nColumnWidth[0], narrow);
        SyncStore();
        QCOMPARE(StoredInt(SETTINGS_SECTION, "Column0"), std::optional<int32_t>(narrow));
        Main()->OnCommand(ID_WINDOW_NEW);
        QCOMPARE(Active()->GetResultsView()->ColumnWidth(0), narrow);
        v->setFont(QFont());
        QCOMPARE(v->ColumnWidth(0), narrow);
        Shot(Main(), QStringLiteral("results-list-widths"));
    }
};

QTEST_MAIN(ResultsListTest)
#include "ResultsListTest.moc"
