#include "GorvantaView.h"

#include <QHeaderView>

#include "ui/WaitCursor.h"

namespace {
constexpr int FIRST_OPTIONAL_COLUMN = 8;
}  // namespace

CGorvantaView::CGorvantaView(CGorvantaDoc& doc, QWidget* parent)
    : QTableView(parent), m_pDoc(&doc), m_pModel(new CResultsModel(this)) {
    setObjectName(QStringLiteral("ResultsView"));
    setModel(m_pModel);
    // A report list: whole rows, one at a time, no grid and no row numbers.
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setShowGrid(false);
    setWordWrap(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setMinimumSectionSize(1);
    m_pDoc->AddView(this);
}

CGorvantaView::~CGorvantaView() {
    Detach();
    if (m_pModel->ResultCount() > 0) ClearResults();
}

void CGorvantaView::Detach() {
    if (m_pDoc) m_pDoc->RemoveView(this);
    m_pDoc = nullptr;
}

void CGorvantaView::OnInitialUpdate() {
    const CSettings& s = TheSettings();
    for (int n = 0; n < COLUMN_COUNT; ++n) {
        setColumnHidden(n, false);
        setColumnWidth(n, s.m_nColumnWidth[size_t(n)]);
    }
    ApplyColumnVisibility();
    m_nLowerLimit = s.m_nLowerLimit;
}

void CGorvantaView::OnUpdate(IDocView*, int hint) {
    if (hint == HINT_FILTERS_CHANGED) {
        m_nLowerLimit = TheSettings().m_nLowerLimit;
        ApplyColumnVisibility();
    }
}

int32_t* CGorvantaView::DisplaySwitch(CSettings& s, int column) {
    switch (column) {
        case 8: return &s.m_bDisplayLuck;
        case 9: return &s.m_bDisplayLMC;
        case 10: return &s.m_bDisplayLRC;
        case 11: return &s.m_bDisplayMR;
        case 12: return &s.m_bDisplayHR;
        case 13: return &s.m_bDisplaySR;
        case 14: return &s.m_bDisplayDCI;
        case 15: return &s.m_bDisplayHCI;
        default: return nullptr;
    }
}

void CGorvantaView::ApplyColumnVisibility() {
    CSettings& s = TheSettings();
    for (int n = FIRST_OPTIONAL_COLUMN; n < COLUMN_COUNT; ++n) {
        const int width = s.m_nColumnWidth[size_t(n)];
        // A column shown at width 0 would look hidden but keep a divider to catch; hide it instead.
        if (*DisplaySwitch(s, n) && width > 0) {
            setColumnHidden(n, false);
            setColumnWidth(n, width);
        } else {
            setColumnHidden(n, true);
        }
    }
}

int CGorvantaView::ColumnWidth(int column) const { return isColumnHidden(column) ? 0 : columnWidth(column); }

void CGorvantaView::ClearResults() {
    CWaitCursor wait;
    m_pModel->ClearResults();
}
