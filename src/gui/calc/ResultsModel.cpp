#include "ResultsModel.h"

#include <QBrush>
#include <QColor>

#include <algorithm>
#include <numeric>

#include "core/calc/Settings.h"
#include "gui/calc/AppState.h"
#include "core/model/ArmorSuit.h"
#include "qtstore/QtText.h"

namespace {
// Rows and sorts follow the bypass setting of the moment they are made.
bool BypassCap() { return TheSettings().m_bBypassResistCap != 0; }
}  // namespace

CResultsModel::CResultsModel(QObject* parent) : QAbstractTableModel(parent) { m_arrResults.reserve(1000); }

CResultsModel::~CResultsModel() = default;

int CResultsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_arrRows.size());
}

int CResultsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RESULT_COLUMN_COUNT;
}

QVariant CResultsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(m_arrRows.size()) || index.column() >= RESULT_COLUMN_COUNT)
        return {};
    if (role == Qt::DisplayRole) {
        if (const std::optional<int64_t> d = Delta(index.row(), index.column()))
            return Text(index.row(), index.column()) + QStringLiteral("  ") + ToQt(SignedText(*d));
        return Text(index.row(), index.column());
    }
    if (role == Qt::ForegroundRole) {
        const std::optional<int64_t> d = Delta(index.row(), index.column());
        if (d && *d > 0) return QBrush(QColor(0x00, 0x80, 0x00));
        if (d && *d < 0) return QBrush(QColor(0xC0, 0x10, 0x10));
        return {};
    }
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

QVariant CResultsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= RESULT_COLUMN_COUNT) return {};
    if (role == Qt::DisplayRole) return QString::fromLatin1(ResultColumnHeadings()[size_t(section)]);
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

QString CResultsModel::Text(int row, int column) const {
    if (row < 0 || row >= int(m_arrRows.size()) || column < 0 || column >= RESULT_COLUMN_COUNT) return {};
    const CEntry& e = m_arrResults[size_t(m_arrRows[size_t(row)])];
    if (column == 0) return ToQt(e.m_pSuit->m_strName);
    return QString::number(e.m_arrValues[size_t(column - 1)]);
}

std::string CResultsModel::CellText(int row, int column) const {
    if (row < 0 || row >= int(m_arrRows.size()) || column < 0 || column >= RESULT_COLUMN_COUNT) return {};
    const CEntry& e = m_arrResults[size_t(m_arrRows[size_t(row)])];
    if (column == 0) return e.m_pSuit->m_strName;
    return std::to_string(e.m_arrValues[size_t(column - 1)]);
}

void CResultsModel::SetCompared(const CArmorSuit* suit) {
    m_compared.reset();
    if (suit) {
        const bool bypass = BypassCap();
        std::array<int32_t, RESULT_COLUMN_COUNT - 1> values;
        for (int n = 1; n < RESULT_COLUMN_COUNT; ++n) values[size_t(n - 1)] = ResultColumnValue(*suit, n, bypass);
        m_compared = values;
    }
    if (!m_arrRows.empty()) emit dataChanged(index(0, 1), index(rowCount() - 1, RESULT_COLUMN_COUNT - 1));
}

std::optional<int64_t> CResultsModel::Delta(int row, int column) const {
    if (!m_compared || row < 0 || row >= int(m_arrRows.size()) || column < 1 || column >= RESULT_COLUMN_COUNT)
        return std::nullopt;
    const CEntry& e = m_arrResults[size_t(m_arrRows[size_t(row)])];
    return int64_t(e.m_arrValues[size_t(column - 1)]) - (*m_compared)[size_t(column - 1)];
}

CResultsModel::CEntry CResultsModel::MakeEntry(std::unique_ptr<CArmorSuit> suit) {
    CEntry e;
    const bool bypass = BypassCap();
    for (int n = 1; n < RESULT_COLUMN_COUNT; ++n) e.m_arrValues[size_t(n - 1)] = ResultColumnValue(*suit, n, bypass);
    e.m_pSuit = std::move(suit);
    return e;
}

int CResultsModel::InsertPosition(const CArmorSuit& suit) const {
    const std::string& name = suit.m_strName;
    // Rows arrive in name order, so the end is almost always the place.
    if (m_arrRows.empty() || m_arrResults[size_t(m_arrRows.back())].m_pSuit->m_strName <= name)
        return int(m_arrRows.size());
    const auto it = std::upper_bound(m_arrRows.begin(), m_arrRows.end(), name, [this](const std::string& n, int32_t e) {
        return n < m_arrResults[size_t(e)].m_pSuit->m_strName;
    });
    return int(it - m_arrRows.begin());
}

void CResultsModel::AddResultRows(std::vector<std::unique_ptr<CArmorSuit>>& suits) {
    m_arrResults.reserve(m_arrResults.size() + suits.size());
    size_t i = 0;
    while (i < suits.size()) {
        if (!suits[i]) {
            ++i;
            continue;
        }
        const int pos = InsertPosition(*suits[i]);
        if (pos < int(m_arrRows.size())) {
            beginInsertRows(QModelIndex(), pos, pos);
            m_arrRows.insert(m_arrRows.begin() + pos, int32_t(m_arrResults.size()));
            m_arrResults.push_back(MakeEntry(std::move(suits[i])));
            endInsertRows();
            ++i;
            continue;
        }
        // A stretch of suits that each go after the one before: one insertion at the end for all.
        size_t j = i + 1;
        while (j < suits.size() && suits[j] && suits[j - 1]->m_strName <= suits[j]->m_strName) ++j;
        const int first = int(m_arrRows.size());
        beginInsertRows(QModelIndex(), first, first + int(j - i) - 1);
        for (size_t k = i; k < j; ++k) {
            m_arrRows.push_back(int32_t(m_arrResults.size()));
            m_arrResults.push_back(MakeEntry(std::move(suits[k])));
        }
        endInsertRows();
        i = j;
    }
    suits.clear();
}

void CResultsModel::AddResultRow(std::unique_ptr<CArmorSuit> suit) {
    if (!suit) return;
    std::vector<std::unique_ptr<CArmorSuit>> one;
    one.push_back(std::move(suit));
    AddResultRows(one);
}

void CResultsModel::ClearResults() {
    beginResetModel();
    m_arrRows.clear();
    m_arrResults.clear();
    m_arrRows.shrink_to_fit();
    m_arrResults.shrink_to_fit();
    m_arrResults.reserve(1000);
    endResetModel();
}

std::unique_ptr<CArmorSuit> CResultsModel::TakeSuit(const CArmorSuit* suit) {
    const auto it = std::find_if(m_arrResults.begin(), m_arrResults.end(),
                                 [suit](const CEntry& e) { return e.m_pSuit.get() == suit; });
    if (!suit || it == m_arrResults.end()) return nullptr;
    const int32_t index = int32_t(it - m_arrResults.begin());
    const int row = int(std::find(m_arrRows.begin(), m_arrRows.end(), index) - m_arrRows.begin());
    beginRemoveRows(QModelIndex(), row, row);
    std::unique_ptr<CArmorSuit> taken = std::move(it->m_pSuit);
    m_arrResults.erase(it);
    m_arrRows.erase(m_arrRows.begin() + row);
    for (int32_t& r : m_arrRows)
        if (r > index) --r;
    endRemoveRows();
    return taken;
}

void CResultsModel::SortByColumn(int column, bool reversed) {
    if (column < 0 || column >= RESULT_COLUMN_COUNT || m_arrRows.size() < 2) return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList persistent = persistentIndexList();
    std::vector<int32_t> oldEntryOf;  // entry shown by each persistent row before the sort
    oldEntryOf.reserve(size_t(persistent.size()));
    for (const QModelIndex& idx : persistent) oldEntryOf.push_back(m_arrRows[size_t(idx.row())]);

    // The keys are asked once per row, as the suits answer now (the bypass setting may have changed
    // since the rows were added).
    if (column == 0) {
        auto name = [this](int32_t e) -> const std::string& { return m_arrResults[size_t(e)].m_pSuit->m_strName; };
        std::stable_sort(m_arrRows.begin(), m_arrRows.end(),
                         [&](int32_t a, int32_t b) { return reversed ? name(b) < name(a) : name(a) < name(b); });
    } else {
        const bool bypass = BypassCap();
        std::vector<CResultSortKey> keys(m_arrResults.size());
        for (size_t e = 0; e < m_arrResults.size(); ++e)
            keys[e] = ResultSortKey(*m_arrResults[e].m_pSuit, column, bypass);
        std::stable_sort(m_arrRows.begin(), m_arrRows.end(), [&keys, reversed](int32_t a, int32_t b) {
            return reversed ? keys[size_t(a)] < keys[size_t(b)] : keys[size_t(a)] > keys[size_t(b)];
        });
    }

    if (!persistent.isEmpty()) {
        std::vector<int32_t> rowOfEntry(m_arrResults.size());
        for (size_t r = 0; r < m_arrRows.size(); ++r) rowOfEntry[size_t(m_arrRows[r])] = int32_t(r);
        QModelIndexList moved;
        moved.reserve(persistent.size());
        for (qsizetype i = 0; i < persistent.size(); ++i)
            moved.append(index(rowOfEntry[size_t(oldEntryOf[size_t(i)])], persistent[i].column()));
        changePersistentIndexList(persistent, moved);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

CArmorSuit* CResultsModel::SuitAt(int row) const {
    if (row < 0 || row >= int(m_arrRows.size())) return nullptr;
    return m_arrResults[size_t(m_arrRows[size_t(row)])].m_pSuit.get();
}

int CResultsModel::RowOf(const CArmorSuit* suit) const {
    for (size_t r = 0; r < m_arrRows.size(); ++r)
        if (m_arrResults[size_t(m_arrRows[r])].m_pSuit.get() == suit) return int(r);
    return -1;
}

CArmorSuit* CResultsModel::ResultAt(int i) const {
    if (i < 0 || i >= int(m_arrResults.size())) return nullptr;
    return m_arrResults[size_t(i)].m_pSuit.get();
}
