// The rows of the results list: where rows land, the texts they keep, sorting by every column, taking one
// suit out, the end of a column resize as the header reports it; the models also run under Qt's model
// tester, which checks the model's signals and answers after each change.
#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTableView>

#include <random>

#include "gui/calc/ResultsHeader.h"
#include "gui/calc/ResultsModel.h"
#include "support/GuiTest.h"
#include "support/Pools.h"

using namespace guitest;

namespace {
// A list of suits with values drawn from a small range, so that every column has ties.
std::vector<std::unique_ptr<CArmorSuit>> RandomSuits(int n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> resist(-5, 90), bonus(-3, 6);
    std::vector<std::unique_ptr<CArmorSuit>> out;
    for (int i = 0; i < n; ++i) {
        std::array<int32_t, 5> r{};
        for (auto& v : r) v = resist(rng);
        std::array<int32_t, 8> b{};
        for (auto& v : b) v = bonus(rng);
        out.push_back(MakeSuit(SuitName(i), r, b));
    }
    return out;
}

// Every neighbouring pair of rows in the order of the column's rule.
void ExpectSortedBy(const CResultsModel& m, int column) {
    for (int r = 0; r + 1 < m.rowCount(); ++r)
        QVERIFY2(CompareResults(*m.SuitAt(r), *m.SuitAt(r + 1), column, false) <= 0,
                 qPrintable(QStringLiteral("column %1 row %2").arg(column).arg(r)));
}
}  // namespace

class ResultsModelTest : public QObject, Fixture {
    Q_OBJECT
    // The model of a case, watched by the model tester for as long as it lives.
    static void Watch(CResultsModel& m) {
        new QAbstractItemModelTester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest, &m);
    }

private slots:
    void init() { BeginCase(); }
    void cleanup() { EndCase(); }
    void columnsAndHeadings() {
        CResultsModel m;
        Watch(m);
        QCOMPARE(m.columnCount(), 16);
        const char* expected[16] = {"Suit", "Phy.", "Fire", "Cold", "Poison", "Energy", "Eff. Total", "Act. Total",
                                    "Luck", "LMC",  "LRC",  "MR",   "HR",     "SR",     "DCI",        "HCI"};
        for (int c = 0; c < 16; ++c) {
            QCOMPARE(m.headerData(c, Qt::Horizontal).toString(), QString::fromLatin1(expected[c]));
            QCOMPARE(m.headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>(),
                     Qt::AlignLeft | Qt::AlignVCenter);
        }
        QVERIFY(!m.headerData(0, Qt::Vertical).isValid());
    }
    // Every text of a row is what the column definition gives for the suit when it is added.
    void rowTextsMatchTheColumns() {
        CResultsModel m;
        Watch(m);
        auto suits = RandomSuits(50, 7);
        std::vector<std::array<std::string, RESULT_COLUMN_COUNT>> expected;
        for (auto& s : suits) expected.push_back(ResultColumnTexts(*s, false));
        m.AddResultRows(suits);
        QCOMPARE(m.rowCount(), 50);
        for (int r = 0; r < 50; ++r)
            for (int c = 0; c < 16; ++c) {
                QCOMPARE(m.Text(r, c), QString::fromStdString(expected[size_t(r)][size_t(c)]));
                QCOMPARE(m.data(m.index(r, c)).toString(), m.Text(r, c));
            }
        m.AddResultRow(MakeSuit("Suit 00050", {-4, 0, 0, 0, 0}, {-7, 0, 0, 0, 0, 0, 0, 0}));
        QCOMPARE(m.Text(50, 1), QStringLiteral("-4"));
        QCOMPARE(m.Text(50, 8), QStringLiteral("-7"));
    }
    // Rows take their place by name, whatever the order of arrival; an in-order stretch is one insertion.
    void rowsLandInNameOrder() {
        CResultsModel m;
        Watch(m);
        QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);
        std::vector<std::unique_ptr<CArmorSuit>> batch;
        for (int i = 0; i < 1000; ++i) batch.push_back(MakeSuit(SuitName(i), {1, 1, 1, 1, 1}));
        m.AddResultRows(batch);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(m.rowCount(), 1000);
        QVERIFY(batch.empty());
        std::vector<std::unique_ptr<CArmorSuit>> mixed;
        for (const char* name : {"Suit 01002", "", "Suit 01000", "Suit 01001", "Suit 0005"})
            mixed.push_back(*name ? MakeSuit(name, {0, 0, 0, 0, 0}) : nullptr);
        m.AddResultRows(mixed);
        QCOMPARE(m.rowCount(), 1004);
        auto names = SuitNames(m);
        QVERIFY(std::is_sorted(names.begin(), names.end()));
        // Past five digits names still sort as text: 'Suit 100000' lands after 'Suit 10000'.
        m.AddResultRow(MakeSuit("Suit 100000", {0, 0, 0, 0, 0}));
        names = SuitNames(m);
        QVERIFY(std::is_sorted(names.begin(), names.end()));
        QCOMPARE(m.ResultCount(), 1005);
        QCOMPARE(m.ResultAt(1004)->m_strName, std::string("Suit 100000"));
    }
    // A row keeps the numbers it was added with; a change of the bypass setting shows in later rows and
    // in sorting, which asks the suits again.
    void textsAreFixedWhenAdded() {
        CResultsModel m;
        Watch(m);
        m.AddResultRow(MakeSuit("Suit 00000", {75, 0, 0, 0, 0}));
        m.AddResultRow(MakeSuit("Suit 00001", {72, 10, 0, 0, 0}));
        QCOMPARE(m.Text(0, 1), QStringLiteral("70"));
        QCOMPARE(m.Text(0, 6), QStringLiteral("70"));
        QCOMPARE(m.Text(0, 7), QStringLiteral("75"));
        TheSettings().m_bBypassResistCap = 1;
        m.AddResultRow(MakeSuit("Suit 00002", {75, 0, 0, 0, 0}));
        QCOMPARE(m.Text(0, 1), QStringLiteral("70"));
        QCOMPARE(m.Text(2, 1), QStringLiteral("75"));
        QCOMPARE(m.Text(2, 6), QStringLiteral("75"));
        // Phy. with the cap bypassed: 75, 75, 72.
        m.SortByColumn(1);
        QCOMPARE(SuitNames(m), (std::vector<std::string>{"Suit 00000", "Suit 00002", "Suit 00001"}));
        TheSettings().m_bBypassResistCap = 0;
        // With the cap, all three show 70: the effective totals decide (80 before 70, 70).
        m.SortByColumn(1);
        QCOMPARE(SuitNames(m), (std::vector<std::string>{"Suit 00001", "Suit 00000", "Suit 00002"}));
        QCOMPARE(m.Text(1, 1), QStringLiteral("70"));
        QCOMPARE(m.Text(2, 1), QStringLiteral("75"));
    }
    // Every column, clicked twice: the same order both times, and every neighbouring pair in the order
    // of the column's rule. The selected row follows its suit through a sort.
    void everyColumnSortsTheSameWayTwice() {
        CResultsModel m;  // not under the tester: 32 sorts of 600 rows would take it seconds
        auto suits = RandomSuits(600, 11);
        std::shuffle(suits.begin(), suits.end(), std::mt19937(3));
        m.AddResultRows(suits);
        for (int c = 0; c < 16; ++c) {
            m.SortByColumn(c);
            const auto once = SuitNames(m);
            ExpectSortedBy(m, c);
            m.SortByColumn(c);
            QCOMPARE(SuitNames(m), once);
        }
        m.SortByColumn(0);
        const auto names = SuitNames(m);
        QCOMPARE(names.front(), std::string("Suit 00000"));
        QCOMPARE(names[1], std::string("Suit 00001"));
        QVERIFY(std::is_sorted(names.begin(), names.end()));
        CResultsModel three;
        Watch(three);
        for (int i : {10, 30, 20}) three.AddResultRow(MakeSuit(SuitName(three.rowCount()), {i, 0, 0, 0, 0}));
        QPersistentModelIndex sel(three.index(0, 3));
        three.SortByColumn(1);
        QCOMPARE(SuitNames(three), (std::vector<std::string>{"Suit 00001", "Suit 00002", "Suit 00000"}));
        QCOMPARE(sel.row(), 2);
        QCOMPARE(sel.column(), 3);
    }
    void takeAndClear() {
        CResultsModel m;
        Watch(m);
        auto suits = RandomSuits(5, 1);
        std::vector<CArmorSuit*> raw;
        for (auto& s : suits) raw.push_back(s.get());
        m.AddResultRows(suits);
        m.SortByColumn(6);
        const int row = m.RowOf(raw[2]);
        QVERIFY(row >= 0);
        std::unique_ptr<CArmorSuit> taken = m.TakeSuit(raw[2]);
        QCOMPARE(taken.get(), raw[2]);
        QCOMPARE(m.rowCount(), 4);
        QCOMPARE(m.ResultCount(), 4);
        QCOMPARE(m.RowOf(raw[2]), -1);
        for (int i : {0, 1, 3, 4}) QVERIFY(m.RowOf(raw[size_t(i)]) >= 0);
        for (int r = 0; r < 4; ++r) QVERIFY(m.SuitAt(r) != raw[2]);
        QVERIFY(!m.TakeSuit(raw[2]));
        QVERIFY(!m.TakeSuit(nullptr));
        QSignalSpy reset(&m, &QAbstractItemModel::modelReset);
        m.ClearResults();
        QCOMPARE(reset.count(), 1);
        QCOMPARE(m.rowCount(), 0);
        QCOMPARE(m.ResultCount(), 0);
        QVERIFY(!m.SuitAt(0));
    }
    // As a run fills the list shown in a view: batches of suits arrive in name order with a late one among
    // them, the user sorts during the run, a suit is assigned away, and the next run clears the rows and
    // fills them again.
    void aRunLikeSequence() {
        CResultsModel m;
        Watch(m);
        QTableView view;
        view.setModel(&m);
        auto suits = RandomSuits(400, 5);
        std::swap(suits[100], suits[300]);  // a late suit: its row goes in among those listed before
        for (size_t from = 0; from < suits.size(); from += 64) {
            std::vector<std::unique_ptr<CArmorSuit>> batch;
            for (size_t i = from; i < std::min(from + 64, suits.size()); ++i) batch.push_back(std::move(suits[i]));
            m.AddResultRows(batch);
            QCOMPARE(m.rowCount(), int(std::min(from + 64, suits.size())));
            if (from == 128) {
                m.SortByColumn(6);
                ExpectSortedBy(m, 6);
            }
        }
        QCOMPARE(m.ResultCount(), 400);
        for (int i = 0; i < m.ResultCount(); ++i) QVERIFY(m.RowOf(m.ResultAt(i)) >= 0);
        m.SortByColumn(0);
        const auto names = SuitNames(m);
        QVERIFY(std::is_sorted(names.begin(), names.end()));
        QCOMPARE(names.size(), size_t(400));
        QVERIFY(m.TakeSuit(m.SuitAt(17)));
        QCOMPARE(m.rowCount(), 399);
        m.ClearResults();
        QCOMPARE(m.rowCount(), 0);
        auto next = RandomSuits(70, 6);
        m.AddResultRows(next);
        QCOMPARE(m.rowCount(), 70);
        m.SortByColumn(8);
        ExpectSortedBy(m, 8);
    }
    // A drag of a divider is reported once, at the release, with the width the user set; widths the
    // program sets are not reported; a divider double-click reports the fitted width.
    void columnResizeEndsOnRelease() {
        CResultsModel m;
        Watch(m);
        m.AddResultRow(MakeSuit("Suit 00000 with a long name", {1, 2, 3, 4, 5}));
        QTableView view;
        view.setModel(&m);
        view.horizontalHeader()->setStretchLastSection(false);
        for (int c = 0; c < 16; ++c) view.setColumnWidth(c, 50);
        auto* watcher = new CColumnResizeWatcher(view.horizontalHeader());
        QSignalSpy spy(watcher, &CColumnResizeWatcher::ColumnResized);
        view.resize(900, 300);
        ShowAndWait(view);
        QHeaderView* header = view.horizontalHeader();
        QWidget* vp = header->viewport();
        const int y = header->height() / 2;
        const int edge = header->sectionViewportPosition(2) + header->sectionSize(2) - 1;
        SendMouse(vp, QEvent::MouseButtonPress, QPoint(edge, y), Qt::LeftButton);
        for (int dx = 5; dx <= 30; dx += 5)
            SendMouse(vp, QEvent::MouseMove, QPoint(edge + dx, y), Qt::LeftButton, Qt::NoButton);
        QCOMPARE(header->sectionSize(2), 80);
        QCOMPARE(spy.count(), 0);
        SendMouse(vp, QEvent::MouseButtonRelease, QPoint(edge + 30, y), Qt::NoButton);
        QTRY_COMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 2);
        QCOMPARE(spy.at(0).at(1).toInt(), 80);
        // Set by the program: nothing.
        header->resizeSection(3, 120);
        view.setColumnHidden(9, true);
        view.setColumnHidden(9, false);
        QTest::qWait(20);
        QCOMPARE(spy.count(), 1);
        // A click on a header that resizes nothing reports nothing.
        const int mid = header->sectionViewportPosition(5) + header->sectionSize(5) / 2;
        QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, QPoint(mid, y));
        QTest::qWait(20);
        QCOMPARE(spy.count(), 1);
        // Double-click on the divider of column 0: fitted to its text, then reported.
        const int edge0 = header->sectionViewportPosition(0) + header->sectionSize(0) - 1;
        QTest::mouseDClick(vp, Qt::LeftButton, Qt::NoModifier, QPoint(edge0, y));
        QTRY_COMPARE(spy.count(), 2);
        QCOMPARE(spy.at(1).at(0).toInt(), 0);
        QVERIFY(header->sectionSize(0) > 50);
        QCOMPARE(spy.at(1).at(1).toInt(), header->sectionSize(0));
    }
};

QTEST_MAIN(ResultsModelTest)
#include "ResultsModelTest.moc"
