#pragma once
// The rows of the results list: the suits of the current run in arrival order, owned here, and the order
// in which the list shows them. A row keeps the numbers it showed when it was added, so 100 000 rows
// cost a few megabytes and no widget per cell.
#include <QAbstractTableModel>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/calc/ResultColumns.h"

class CArmorSuit;

class CResultsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CResultsModel(QObject* parent = nullptr);
    ~CResultsModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Takes the suits in the order given (null entries are skipped). Each row goes where its name
    // belongs among the rows, ascending byte by byte, as a list sorted on insertion does; its texts
    // are fixed now.
    void AddResultRows(std::vector<std::unique_ptr<CArmorSuit>>& suits);
    void AddResultRow(std::unique_ptr<CArmorSuit> suit);
    // Deletes every suit and every row.
    void ClearResults();
    // Takes the first entry that is this suit out of the results, with its row, without deleting it.
    std::unique_ptr<CArmorSuit> TakeSuit(const CArmorSuit* suit);

    // Reorders the rows by the column's rule (CompareResults) with the bypass setting of now, or by its
    // opposite when reversed; equal rows keep their order either way.
    void SortByColumn(int column, bool reversed = false);

    CArmorSuit* SuitAt(int row) const;
    int RowOf(const CArmorSuit* suit) const;
    QString Text(int row, int column) const;
    // The same text as the 8-bit (Windows-1252) string it is made from.
    std::string CellText(int row, int column) const;
    // Compares every row with the suit (null: none): each number cell then shows its value and its signed
    // difference from the suit's, as the suit's columns are now, green where higher and red where lower.
    // Sorting still goes by the values alone.
    void SetCompared(const CArmorSuit* suit);
    bool IsComparing() const { return m_compared.has_value(); }
    // The difference a number cell shows, while comparing.
    std::optional<int64_t> Delta(int row, int column) const;

    // The results in arrival order.
    int ResultCount() const { return int(m_arrResults.size()); }
    CArmorSuit* ResultAt(int i) const;

private:
    struct CEntry {
        std::unique_ptr<CArmorSuit> m_pSuit;
        std::array<int32_t, RESULT_COLUMN_COUNT - 1> m_arrValues;  // columns 1 to 15
    };
    static CEntry MakeEntry(std::unique_ptr<CArmorSuit> suit);
    int InsertPosition(const CArmorSuit& suit) const;

    std::vector<CEntry> m_arrResults;  // arrival order
    std::vector<int32_t> m_arrRows;    // row -> index into m_arrResults
    std::optional<std::array<int32_t, RESULT_COLUMN_COUNT - 1>> m_compared;  // columns 1 to 15
};
