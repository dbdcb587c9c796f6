#include "GorvantaView.h"

#include "core/calc/ReducedPool.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QSaveFile>
#include <QStatusBar>
#include <QStyle>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <unordered_set>

#include "gui/calc/CalcProgress.h"
#include "gui/calc/AppState.h"
#include "gui/calc/ResultsHeader.h"
#include "core/document/Assignment.h"
#include "core/model/ArmorSuit.h"
#include "core/model/Cp1252.h"
#include "qtstore/FileNames.h"
#include "core/model/MessageBox.h"
#include "qtstore/QtText.h"
#include "gui/resources/Resource.h"
#include "gui/resources/StringTable.h"
#include "gui/ui/SuitDetailsDlg.h"
#include "gui/ui/WaitCursor.h"

namespace {
// Column 0 shows at least this much of a suit's name by default.
constexpr const char* kWidestSuitName = "Suit 00000";
constexpr const char* EXPORT_TITLE = "Export Results";
constexpr const char* EXPORT_FILTER = "CSV files (*.csv)";
constexpr const char* EXPORT_NAME_SUFFIX = " results.csv";
constexpr const char* MSG_CANNOT_WRITE = "Cannot write the file %1.";
constexpr const char* COMPARE_NONE = "none";

// The piece of a slot type in the suit, or null.
const CArmorPiece* PieceOfType(const CArmorSuit& suit, int32_t type) {
    for (const CArmorPiece* p : suit.m_arrPieces)
        if (p && p->m_nType == type) return p;
    return nullptr;
}
}  // namespace

CGorvantaView::CGorvantaView(CGorvantaDoc& doc, QWidget* parent)
    : QTableView(parent), m_pDoc(&doc), m_pModel(new CResultsModel(this)), m_pRun(new CCalcRun(static_cast<ICalcRunSink&>(*this))) {
    setObjectName(QStringLiteral("ResultsView"));
    setModel(m_pModel);
    // A report list: whole rows, no grid and no row numbers. Several rows can be selected for copying;
    // the details open for the current row only.
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
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
    // Shown from the start, so that the default widths leave room for the arrow; no column is sorted yet.
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    // Clicks are fine during a run: sorting only reorders rows already listed.
    connect(header, &QHeaderView::sectionClicked, this, &CGorvantaView::OnHeaderClicked);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QHeaderView::customContextMenuRequested, this,
            [this, header](const QPoint& pos) { ShowHeaderMenu(header->viewport()->mapToGlobal(pos)); });
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
        setColumnWidth(n, ShownWidth(n));
    }
    ApplyColumnVisibility();
    m_nLowerLimit = s.m_nLowerLimit;
    RefreshCompare();
}

void CGorvantaView::OnUpdate(IDocView* sender, int hint) {
    switch (hint) {
        case HINT_START_CALC:
            if (!sender) StartCalc();
            break;
        case HINT_FILTERS_CHANGED:
            m_nLowerLimit = TheSettings().m_nLowerLimit;
            ApplyColumnVisibility();
            RefreshCompare();  // the bypass may have changed what the compared suit's columns show
            break;
        case HINT_STOP_CALC: m_pRun->RequestStop(); break;
        case HINT_REFRESH:
            if (sender != this) OnPoolChanged();
            RefreshCompare();
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

// The window program has one flag for its one run: closing any document during a run stops it.
bool CGorvantaView::RunInProgress() const { return IsCalcRunning(); }

void CGorvantaView::StopRunForClose() {
    TheCalcState().m_bCalcRunning.store(0);
    StopAndWaitForRun();
}

void CGorvantaView::ApplyColumnVisibility() {
    const CSettings& s = TheSettings();
    for (const SettingDef& d : kSettingTable) {
        if (d.column < 0) continue;
        const int width = s.m_nColumnWidth[size_t(d.column)];
        // A column shown at width 0 would look hidden but keep a divider to catch; hide it instead.
        if (s.*d.member && width > 0) {
            setColumnHidden(d.column, false);
            setColumnWidth(d.column, ShownWidth(d.column));
        } else {
            setColumnHidden(d.column, true);
        }
    }
}

int CGorvantaView::ColumnWidth(int column) const { return isColumnHidden(column) ? 0 : columnWidth(column); }

int CGorvantaView::ShownWidth(int column) const {
    if (column < 0 || column >= COLUMN_COUNT) return 0;
    static const std::array<int32_t, COLUMN_COUNT> kDefaults = CSettings().m_nColumnWidth;
    const int stored = TheSettings().m_nColumnWidth[size_t(column)];
    // While comparing, a number and its difference must both show; nothing of it is stored.
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    const int compared = m_pModel->IsComparing() && column > 0
                             ? int(std::ceil(QFontMetricsF(font()).horizontalAdvance(QStringLiteral("000  +000")))) + 2 * margin
                             : 0;
    // A width the player has set stays as it is, even one that cuts the heading.
    if (stored != kDefaults[size_t(column)]) return std::max(stored, compared);
    QHeaderView* header = horizontalHeader();
    // The header's own measure, with the arrow's room; a hidden section has none.
    int fit = header->isSectionHidden(column) ? 0 : header->sectionSizeHint(column);
    if (column == 0) {
        // Text is laid out in fractions of a pixel: a rounded-down width would cut the last one.
        const qreal text = QFontMetricsF(font()).horizontalAdvance(QString::fromLatin1(kWidestSuitName));
        fit = std::max(fit, int(std::ceil(text)) + 2 * margin);
    }
    return std::max({stored, fit, compared});
}

void CGorvantaView::ApplyShownWidths() {
    for (int n = 0; n < COLUMN_COUNT; ++n)
        if (!isColumnHidden(n)) setColumnWidth(n, ShownWidth(n));
}

void CGorvantaView::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) ApplyShownWidths();
}

void CGorvantaView::ClearResults() {
    CWaitCursor wait;
    m_pModel->ClearResults();
    // A new list is in arrival order again.
    m_nSortColumn = -1;
    m_bSortReversed = false;
    ShowSortIndicator();
}

void CGorvantaView::OnHeaderClicked(int column) {
    if (column < 0 || column >= COLUMN_COUNT) return;
    m_bSortReversed = column == m_nSortColumn && !m_bSortReversed;
    m_nSortColumn = column;
    m_pModel->SortByColumn(column, m_bSortReversed);
    ShowSortIndicator();
}

void CGorvantaView::ShowSortIndicator() {
    QHeaderView* header = horizontalHeader();
    if (m_nSortColumn < 0) {
        header->setSortIndicator(-1, Qt::AscendingOrder);
        return;
    }
    // Names go up by themselves, numbers down: the arrow shows the order the rows are in.
    const bool ascending = (m_nSortColumn == 0) != m_bSortReversed;
    header->setSortIndicator(m_nSortColumn, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

std::vector<std::string> CGorvantaView::ShownHeadings() const {
    std::vector<std::string> out;
    const QHeaderView* header = horizontalHeader();
    for (int v = 0; v < header->count(); ++v) {
        const int column = header->logicalIndex(v);
        if (!isColumnHidden(column)) out.emplace_back(ResultColumnHeadings()[size_t(column)]);
    }
    // Then the piece of each switched-on slot, so that the text says which pieces make the suit.
    for (int k = 0; k < SLOT_COUNT; ++k)
        if (TheSettings().UseSlot(k)) out.emplace_back(CSuitDetailsDlg::SlotLabel(1 << k));
    return out;
}

std::vector<std::vector<std::string>> CGorvantaView::ShownRows(const std::vector<int>& rows) const {
    std::vector<int> columns;
    const QHeaderView* header = horizontalHeader();
    for (int v = 0; v < header->count(); ++v)
        if (!isColumnHidden(header->logicalIndex(v))) columns.push_back(header->logicalIndex(v));
    std::vector<std::vector<std::string>> out;
    out.reserve(rows.size());
    for (int row : rows) {
        std::vector<std::string>& cells = out.emplace_back();
        cells.reserve(columns.size());
        for (int column : columns) cells.push_back(m_pModel->CellText(row, column));
        const CArmorSuit* suit = m_pModel->SuitAt(row);
        for (int k = 0; k < SLOT_COUNT; ++k) {
            if (!TheSettings().UseSlot(k)) continue;
            const CArmorPiece* piece = suit ? PieceOfType(*suit, 1 << k) : nullptr;
            cells.push_back(piece ? piece->m_strText : std::string());
        }
    }
    return out;
}

std::vector<int> CGorvantaView::SelectedRows() const {
    std::vector<bool> selected(size_t(m_pModel->rowCount()), false);
    if (const QItemSelectionModel* sel = selectionModel())
        for (const QItemSelectionRange& range : sel->selection())
            for (int r = range.top(); r <= range.bottom(); ++r)
                if (r >= 0 && r < int(selected.size())) selected[size_t(r)] = true;
    std::vector<int> rows;
    for (size_t r = 0; r < selected.size(); ++r)
        if (selected[r]) rows.push_back(int(r));
    return rows;
}

bool CGorvantaView::CopySelection() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) return false;
    QGuiApplication::clipboard()->setText(ToQt(ResultsAsTsv(ShownHeadings(), ShownRows(rows))));
    return true;
}

bool CGorvantaView::CanExportResults() const { return m_pModel->rowCount() > 0 && !IsCalcInProgress(); }

void CGorvantaView::OnExportResults(const QString& documentTitle) {
    if (!CanExportResults()) return;
    QString name = documentTitle;
    const QString ext = QString::fromLatin1(GetDocString(DocString::FilterExt).c_str());
    if (!ext.isEmpty() && name.endsWith(ext, Qt::CaseInsensitive)) name.chop(ext.size());
    QFileDialog dlg(window(), QString::fromLatin1(EXPORT_TITLE));
    dlg.setObjectName(QStringLiteral("ExportResultsDialog"));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setNameFilter(QString::fromLatin1(EXPORT_FILTER));
    dlg.setDefaultSuffix(QStringLiteral("csv"));
    dlg.selectFile(name + QString::fromLatin1(EXPORT_NAME_SUFFIX));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return;
    ExportResults(dlg.selectedFiles().first());
}

bool CGorvantaView::ExportResults(const QString& path) {
    std::vector<int> rows(size_t(m_pModel->rowCount()));
    std::iota(rows.begin(), rows.end(), 0);
    const QByteArray bytes = ToQt(ResultsAsCsv(ShownHeadings(), ShownRows(rows))).toUtf8();
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) {
        if (auto* frame = qobject_cast<QMainWindow*>(window())) {
            const int n = int(rows.size());
            frame->statusBar()->showMessage(QStringLiteral("%1 %2 written to %3")
                                                .arg(n)
                                                .arg(n == 1 ? QStringLiteral("suit") : QStringLiteral("suits"))
                                                .arg(FileNameForDisplay(QDir::toNativeSeparators(path))));
        }
        return true;
    }
    QString text = QString::fromLatin1(MSG_CANNOT_WRITE).arg(FileNameForDisplay(QDir::toNativeSeparators(path)));
    if (!file.errorString().isEmpty()) text += QLatin1Char('\n') + file.errorString();
    ShowMessage(FromQt(text), MsgButtons::OK, MsgIcon::Exclamation);
    return false;
}

void CGorvantaView::ShowHeaderMenu(const QPoint& globalPos) {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("ColumnsMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (int column = 0; column < COLUMN_COUNT; ++column) {
        const int32_t* on = TheSettings().ColumnSwitch(column);
        if (!on) continue;
        QAction* a = menu->addAction(QString::fromLatin1(ResultColumnHeadings()[size_t(column)]));
        a->setCheckable(true);
        a->setChecked(*on != 0);
        connect(a, &QAction::triggered, this, [this, column] { SwitchColumn(column); });
    }
    menu->popup(globalPos);
}

void CGorvantaView::SwitchColumn(int column) {
    int32_t* on = TheSettings().ColumnSwitch(column);
    if (!on) return;
    *on = *on ? 0 : 1;
    TheSettings().SaveSettings();
    // As the Filters dialog's OK does; the switch only shows or hides, so a run may go on.
    if (m_pDoc)
        m_pDoc->UpdateAllViews(nullptr, HINT_FILTERS_CHANGED);
    else
        ApplyColumnVisibility();
    emit displaySwitchesChanged();
}

bool CGorvantaView::OnCmdMsg(int id, CCmdUI* pUI) {
    if (id != ID_EDIT_COPY) return false;
    if (pUI)
        pUI->Enable(selectionModel() && selectionModel()->hasSelection());
    else
        CopySelection();
    return true;
}

QWidget* CGorvantaView::CreateCompareBar(QWidget* parent) {
    auto* bar = new QWidget(parent);
    bar->setObjectName(QStringLiteral("CompareBar"));
    auto* line = new QHBoxLayout(bar);
    line->setContentsMargins(4, 2, 4, 2);
    auto* label = new QLabel(QStringLiteral("Compare with:"));
    m_pCompareBox = new QComboBox;
    m_pCompareBox->setObjectName(QStringLiteral("comboCompare"));
    m_pCompareBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    label->setBuddy(m_pCompareBox);
    line->addWidget(label);
    line->addWidget(m_pCompareBox);
    line->addStretch(1);
    connect(m_pCompareBox, &QComboBox::activated, this, [this](int index) {
        SetCompared(index <= 0 ? std::string() : FromQt(m_pCompareBox->itemText(index)));
    });
    RefreshCompare();
    return bar;
}

CArmorSuit* CGorvantaView::ComparedSuit() const {
    return m_pDoc && !m_strCompared.empty() ? SuitOfCharacter(*m_pDoc, m_strCompared) : nullptr;
}

void CGorvantaView::SetCompared(const std::string& character) {
    m_strCompared = character;
    RefreshCompare();
}

void CGorvantaView::RefreshCompare() {
    if (!ComparedSuit()) m_strCompared.clear();
    if (m_pCompareBox) {
        const QSignalBlocker block(m_pCompareBox);
        m_pCompareBox->clear();
        m_pCompareBox->addItem(QString::fromLatin1(COMPARE_NONE));
        std::vector<std::string> names;
        if (m_pDoc)
            for (const CArmorSuit* suit : m_pDoc->m_arrSuits)
                if (suit && !suit->m_strCharacter.empty()) names.push_back(suit->m_strCharacter);
        std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
            const int c = CompareNoCaseCp1252(a, b);
            return c != 0 ? c < 0 : a < b;
        });
        for (const std::string& name : names) {
            m_pCompareBox->addItem(ToQt(name));
            if (!m_strCompared.empty() && SameCharacterName(name, m_strCompared))
                m_pCompareBox->setCurrentIndex(m_pCompareBox->count() - 1);
        }
    }
    const bool was = m_pModel->IsComparing();
    m_pModel->SetCompared(ComparedSuit());
    if (was != m_pModel->IsComparing()) ApplyShownWidths();
}

void CGorvantaView::keyPressEvent(QKeyEvent* event) {
    // Without the program's accelerators (a list on its own) the key comes here.
    if (event->matches(QKeySequence::Copy)) {
        CopySelection();
        event->accept();
        return;
    }
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        const QModelIndex current = currentIndex();
        OnResultDoubleClicked(current.isValid() ? current.row() : -1);
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
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
    m_pProgress->ShowIn(*frame);
}

void CGorvantaView::HideProgress() { CCalcProgress::Remove(m_pProgress); }

void CGorvantaView::OnResultDoubleClicked(int row) {
    // No assignment may change the pool that a running search reads.
    if (IsCalcInProgress() || row < 0) return;
    CArmorSuit* suit = m_pModel->SuitAt(row);
    if (!suit) return;
    CSuitDetailsDlg dlg(this);
    dlg.m_pDoc = m_pDoc;
    dlg.m_pSuit = suit;
    dlg.m_pCompared = ComparedSuit();
    if (dlg.exec() != QDialog::Accepted || !dlg.m_bAssigned) return;
    // The document owns the suit now; the others may hold pieces that have just left the pool.
    m_pModel->TakeSuit(suit).release();
    ClearResults();
    if (m_pDoc) m_pDoc->UpdateAllViews(this, HINT_REFRESH);
}
