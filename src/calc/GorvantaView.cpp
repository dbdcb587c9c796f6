#include "GorvantaView.h"

#include "calc/ReducedPool.h"

#include <QApplication>
#include <QHeaderView>
#include <QMainWindow>
#include <QStatusBar>

#include <unordered_set>

#include "calc/CalcProgress.h"
#include "calc/CalcState.h"
#include "calc/ResultsHeader.h"
#include "model/ArmorSuit.h"
#include "model/MessageBox.h"
#include "ui/SuitDetailsDlg.h"
#include "ui/WaitCursor.h"

CGorvantaView::CGorvantaView(CGorvantaDoc& doc, QWidget* parent)
    : QTableView(parent), m_pDoc(&doc), m_pModel(new CResultsModel(this)), m_pRun(new CCalcRun(static_cast<ICalcRunSink&>(*this))) {
    setObjectName(QStringLiteral("ResultsView"));
    setModel(m_pModel);
    // A report list: whole rows, one at a time, no grid and no row numbers.
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setShowGrid(false);
    setWordWrap(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Suit names differ only at their end: a column too narrow for them keeps the number in sight.
    setTextElideMode(Qt::ElideLeft);
    setSortingEnabled(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    QHeaderView* header = horizontalHeader();
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(1);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    // Each column sorts one fixed way, however often it is clicked; clicks are fine during a run.
    connect(header, &QHeaderView::sectionClicked, this, [this](int column) { m_pModel->SortByColumn(column); });
    m_pResizeWatcher = new CColumnResizeWatcher(header);
    connect(m_pResizeWatcher, &CColumnResizeWatcher::ColumnResized, this, &CGorvantaView::OnColumnResized);
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { OnResultDoubleClicked(index.isValid() ? index.row() : -1); });
    m_pDoc->AddView(this);
}

CGorvantaView::~CGorvantaView() {
    // The worker sends to this view and reads the document's pool until its last step: Detach stops it.
    Detach();
    HideProgress();
    m_pRun.reset();
    if (m_pModel->ResultCount() > 0) ClearResults();
}

void CGorvantaView::Detach() {
    // Still attached while it stops, so that the end of the run reaches the document's other views.
    StopAndWaitForRun();
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

void CGorvantaView::OnUpdate(IDocView* sender, int hint) {
    switch (hint) {
        case HINT_START_CALC:
            if (!sender) StartCalc();
            break;
        case HINT_FILTERS_CHANGED:
            m_nLowerLimit = TheSettings().m_nLowerLimit;
            ApplyColumnVisibility();
            break;
        case HINT_STOP_CALC: m_pRun->RequestStop(); break;
        case HINT_REFRESH:
            if (sender != this) OnPoolChanged();
            break;
        default: break;
    }
}

void CGorvantaView::StopAndWaitForRun() {
    // A view with a run stops it when it leaves its document, so no other view's worker reads the pool.
    if (!m_pRun || !m_pRun->IsActive()) return;
    m_pRun->SetClosing(true);
    m_pRun->StopAndWait();
    m_pRun->SetClosing(false);
}

void CGorvantaView::ApplyColumnVisibility() {
    const CSettings& s = TheSettings();
    for (const SettingDef& d : kSettingTable) {
        if (d.column < 0) continue;
        const int width = s.m_nColumnWidth[size_t(d.column)];
        // A column shown at width 0 would look hidden but keep a divider to catch; hide it instead.
        if (s.*d.member && width > 0) {
            setColumnHidden(d.column, false);
            setColumnWidth(d.column, width);
        } else {
            setColumnHidden(d.column, true);
        }
    }
}

int CGorvantaView::ColumnWidth(int column) const { return isColumnHidden(column) ? 0 : columnWidth(column); }

void CGorvantaView::ClearResults() {
    CWaitCursor wait;
    m_pModel->ClearResults();
}

void CGorvantaView::OnPoolChanged() {
    // During a run the pool cannot change, and the rows still arriving borrow from it as it is.
    if (IsCalcRunning() || m_pModel->ResultCount() == 0 || !m_pDoc) return;
    // What a run would visit now: a piece since excluded, or one beside a new pin, also ends the results.
    std::unordered_set<const CArmorPiece*> pool;
    for (const auto& list : ReducedPool(m_pDoc->m_arrPool)) pool.insert(list.begin(), list.end());
    for (int i = 0; i < m_pModel->ResultCount(); ++i) {
        const CArmorSuit* suit = m_pModel->ResultAt(i);
        for (const CArmorPiece* p : suit->m_arrPieces)
            if (p && !pool.count(p)) {
                ClearResults();
                return;
            }
    }
}

void CGorvantaView::OnColumnResized(int column, int width) {
    if (column < 0 || column >= COLUMN_COUNT) return;
    CSettings& s = TheSettings();
    s.m_nColumnWidth[size_t(column)] = width;
    s.SaveSettings();
}

bool CGorvantaView::StartCalc() {
    if (IsCalcInProgress() || !m_pDoc) return false;
    m_timeStart = std::time(nullptr);
    ClearResults();
    auto param = std::make_unique<CCalcParam>();
    param->FillFrom(TheSettings());
    param->m_pView = this;
    return m_pRun->Start(std::move(param), m_pDoc->m_arrPool, m_nLowerLimit, m_nThreads);
}

void CGorvantaView::OnCalcBegin(int64_t combinations) {
    if (!m_pWaitCursor) m_pWaitCursor = std::make_unique<CWaitCursor>();
    m_nCombinationCount = combinations;
    ShowProgress();
}

void CGorvantaView::OnCalcSuits(std::vector<std::unique_ptr<CArmorSuit>>& suits) { m_pModel->AddResultRows(suits); }

void CGorvantaView::OnCalcEnd(const CCalcMsg& end) {
    HideProgress();
    if (m_pDoc) m_pDoc->UpdateAllViews(this, HINT_CALC_DONE);
    m_pWaitCursor.reset();
    // The application keeps an hourglass of its own up while the flag is set, and the flag stays set
    // until the summary has been read; the box must not show it.
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    m_timeEnd = std::time(nullptr);
    // A document that is closing has nobody left to read the summary.
    if (m_pRun->IsClosing()) return;
    // A run that failed says so first; its summary covers what it reached.
    if (!end.m_strError.empty()) ShowMessage(end.m_strError, MsgButtons::OK, MsgIcon::Stop);
    ShowMessage(SummaryWithElapsed(end.m_strSummary, int64_t(m_timeEnd - m_timeStart)), MsgButtons::OK,
                MsgIcon::Exclamation);
}

CCalcProgress* CGorvantaView::Progress() const { return m_pProgress.data(); }

void CGorvantaView::ShowProgress() {
    HideProgress();
    auto* frame = qobject_cast<QMainWindow*>(window());
    if (!frame) return;
    m_pProgress = new CCalcProgress(*m_pRun);
    frame->statusBar()->addPermanentWidget(m_pProgress);
    m_pProgress->show();
}

void CGorvantaView::HideProgress() {
    if (!m_pProgress) return;
    CCalcProgress* progress = m_pProgress.data();
    m_pProgress.clear();
    if (QWidget* bar = progress->parentWidget())
        if (auto* status = qobject_cast<QStatusBar*>(bar)) status->removeWidget(progress);
    delete progress;
}

void CGorvantaView::OnResultDoubleClicked(int row) {
    // No assignment may change the pool that a running search reads.
    if (IsCalcInProgress() || row < 0) return;
    CArmorSuit* suit = m_pModel->SuitAt(row);
    if (!suit) return;
    CSuitDetailsDlg dlg(this);
    dlg.m_pDoc = m_pDoc;
    dlg.m_pSuit = suit;
    if (dlg.exec() != QDialog::Accepted || !dlg.m_bAssigned) return;
    // The document owns the suit now; the others may hold pieces that have just left the pool.
    m_pModel->TakeSuit(suit).release();
    ClearResults();
    if (m_pDoc) m_pDoc->UpdateAllViews(this, HINT_REFRESH);
}
