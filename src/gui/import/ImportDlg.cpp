#include "ImportDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyledItemDelegate>
#include <QTimerEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

#include "gui/calc/AppState.h"
#include "core/document/Assignment.h"
#include "core/import/ItemNames.h"
#include "core/import/ItemTextParser.h"
#include "core/model/MessageBox.h"
#include "core/model/PieceDefs.h"
#include "core/model/ProfileStore.h"
#include "qtstore/QtText.h"
#include "core/document/PieceEdit.h"
#include "gui/ui/EditPieceDlg.h"
#include "gui/ui/WindowPlacement.h"

namespace {
constexpr const char* LIST_NOT_EMPTY_QUESTION =
    "The list still contains items to process. Importing new\n"
    "data will clear these unprocessed items.\n"
    "Do you wish to continue?";
constexpr int BUTTON_PERIOD_MS = 200;
constexpr int PIECE_ROLE = Qt::UserRole;
constexpr int ARRIVAL_ROLE = Qt::UserRole + 1;
constexpr int DUPLICATE_ROLE = Qt::UserRole + 2;
constexpr int SLOT_SET_ROLE = Qt::UserRole + 3;
constexpr int CUT_ROLE = Qt::UserRole + 4;
constexpr int SKIPPED_ROLE = Qt::UserRole + 5;

bool IsValueColumn(int c) { return c >= IMPORT_COL_PHYSICAL && c <= IMPORT_COL_ENERGY; }

// What a slot's drop-down entry says about it: the names of its table.
QString SlotTip(int k) {
    if (k >= 11) return QStringLiteral("Items that no name table claims");
    QStringList names;
    for (const std::string& n : ThePieceDefs().Table(k)) names << ToQt(n);
    return names.isEmpty() ? QStringLiteral("No names") : QStringLiteral("Names: ") + names.join(QStringLiteral(", "));
}

// The slot column opens a drop-down of the twelve slot types; the other columns cannot be edited.
class CSlotDelegate : public QStyledItemDelegate {
public:
    CSlotDelegate(CImportDlg* dlg, QTreeWidget* list) : QStyledItemDelegate(list), m_pDlg(dlg), m_pList(list) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override {
        if (index.column() != IMPORT_COL_SLOT) return nullptr;
        auto* combo = new QComboBox(parent);
        combo->setObjectName(QStringLiteral("SlotChoice"));
        for (int k : SlotChoiceOrder()) {
            combo->addItem(QString::fromLatin1(SlotTypeName(k)), k);
            combo->setItemData(combo->count() - 1, SlotTip(k), Qt::ToolTipRole);
        }
        // A choice is taken as soon as it is made.
        connect(combo, &QComboBox::activated, this, [this, combo] {
            auto* self = const_cast<CSlotDelegate*>(this);
            emit self->commitData(combo);
            emit self->closeEditor(combo);
        });
        return combo;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* combo = static_cast<QComboBox*>(editor);
        const CArmorPiece* piece = CImportDlg::PieceOf(m_pList->itemFromIndex(index));
        combo->setCurrentIndex(std::max(0, combo->findData(piece ? SlotIndexOf(piece->m_nType) : -1)));
    }
    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
        auto* combo = static_cast<QComboBox*>(editor);
        m_pDlg->SetRowSlot(m_pList->itemFromIndex(index), combo->currentData().toInt());
    }
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex&) const override {
        editor->setGeometry(option.rect);
    }
    // The slot cell shows an arrow, so the drop-down can be found.
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        if (index.column() != IMPORT_COL_SLOT) return;
        QStyleOption arrow;
        arrow.initFrom(m_pList);
        const int side = option.rect.height() * 2 / 3;
        arrow.rect = QRect(option.rect.right() - side - 2, option.rect.top() + (option.rect.height() - side) / 2, side,
                           side);
        arrow.state = option.state;
        m_pList->style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, painter, m_pList);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        if (index.column() == IMPORT_COL_SLOT) s.rwidth() += s.height() + 4;
        return s;
    }

private:
    CImportDlg* m_pDlg;
    QTreeWidget* m_pList;
};
}  // namespace

CImportDlg::CImportDlg(QWidget* parent, const CGorvantaDoc* doc) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Import from UOAssist"));
    setObjectName(QStringLiteral("ImportDlg"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    if (doc) m_known = KnownItems(*doc);

    m_listItems = new QTreeWidget;
    m_listItems->setObjectName(QStringLiteral("ItemList"));
    m_listItems->setColumnCount(IMPORT_COLUMN_COUNT);
    QStringList headings;
    for (const char* h : ImportColumnHeadings()) headings << QString::fromLatin1(h);
    m_listItems->setHeaderLabels(headings);
    for (int c = 0; c < IMPORT_COLUMN_COUNT; ++c)
        m_listItems->headerItem()->setTextAlignment(c, (IsValueColumn(c) ? Qt::AlignRight : Qt::AlignLeft) |
                                                           Qt::AlignVCenter);
    m_listItems->headerItem()->setToolTip(IMPORT_COL_SLOT, QStringLiteral("Double-click a slot to choose another"));
    m_listItems->headerItem()->setToolTip(IMPORT_COL_MEDABLE, QStringLiteral("Medable"));
    m_listItems->header()->setSectionsClickable(false);
    m_listItems->header()->setSectionsMovable(false);
    m_listItems->header()->setStretchLastSection(false);
    m_listItems->setRootIsDecorated(false);
    m_listItems->setItemsExpandable(false);
    m_listItems->setUniformRowHeights(true);
    m_listItems->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listItems->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listItems->setAllColumnsShowFocus(true);
    m_listItems->setTextElideMode(Qt::ElideRight);
    m_listItems->setItemDelegate(new CSlotDelegate(this, m_listItems));
    m_listItems->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                                 QAbstractItemView::EditKeyPressed);
    m_listItems->viewport()->installEventFilter(this);
    connect(m_listItems, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* row, int column) {
        if (column >= IMPORT_COL_PHYSICAL && column <= IMPORT_COL_MEDABLE) EditRow(row);
    });
    connect(m_listItems, &QTreeWidget::itemChanged, this, &CImportDlg::OnRowChanged);

    m_chkSkipDuplicates = new QCheckBox(QStringLiteral("Skip &duplicates"));
    m_chkSkipDuplicates->setObjectName(QStringLiteral("SkipDuplicates"));
    m_chkSkipDuplicates->setToolTip(
        QStringLiteral("Leave out at Save/Exit the rows whose item is already in the pool or a suit, or is listed "
                       "above"));
    m_chkSkipDuplicates->setChecked(true);
    m_labelDuplicates = new QLabel;
    m_labelDuplicates->setObjectName(QStringLiteral("DuplicatesLabel"));
    connect(m_chkSkipDuplicates, &QCheckBox::toggled, this, &CImportDlg::RefreshRows);

    auto* frame = new QGroupBox;
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(m_listItems, 1);
    m_labelNoItem = new QLabel(QString::fromLatin1(NO_ITEM_LINE_TEXT));
    m_labelNoItem->setObjectName(QStringLiteral("NoItemLabel"));
    m_labelNoItem->setAlignment(Qt::AlignCenter);
    m_labelNoItem->hide();
    frameLayout->addWidget(m_labelNoItem, 1);
    auto* duplicatesRow = new QHBoxLayout;
    duplicatesRow->addWidget(m_chkSkipDuplicates);
    duplicatesRow->addSpacing(12);
    duplicatesRow->addWidget(m_labelDuplicates, 1);
    frameLayout->addLayout(duplicatesRow);

    m_labelNotice = new QLabel;
    m_labelNotice->setObjectName(QStringLiteral("Notice"));
    m_labelNotice->setWordWrap(true);
    m_labelNotice->setFrameShape(QFrame::StyledPanel);
    m_labelNotice->setMargin(4);
    m_labelNotice->hide();

    auto* countBox = new QGroupBox(QStringLiteral("Items Pasted"));
    m_editCount = new QLineEdit(QStringLiteral("0"));
    m_editCount->setObjectName(QStringLiteral("CountBox"));
    m_editCount->setReadOnly(true);
    m_editCount->setFixedWidth(70);
    auto* countLayout = new QHBoxLayout(countBox);
    countLayout->addWidget(m_editCount);

    m_chkKeepRows = new QCheckBox(QStringLiteral("&Keep rows"));
    m_chkKeepRows->setObjectName(QStringLiteral("KeepRows"));
    m_chkKeepRows->setToolTip(QStringLiteral("Paste adds its rows to those listed instead of replacing them"));
    m_btnPaste = new QPushButton(QStringLiteral("&Paste"));
    m_btnSave = new QPushButton(QStringLiteral("&Save/Exit"));
    m_btnCancel = new QPushButton(QStringLiteral("&Cancel"));
    m_btnSave->setDefault(true);
    for (QPushButton* b : {m_btnPaste, m_btnSave, m_btnCancel}) b->setMinimumWidth(80);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(countBox);
    bottom->addStretch(2);
    bottom->addWidget(m_chkKeepRows, 0, Qt::AlignVCenter);
    bottom->addSpacing(4);
    bottom->addWidget(m_btnPaste, 0, Qt::AlignVCenter);
    bottom->addSpacing(8);
    bottom->addWidget(m_btnSave, 0, Qt::AlignVCenter);
    bottom->addSpacing(8);
    bottom->addWidget(m_btnCancel, 0, Qt::AlignVCenter);
    bottom->addStretch(3);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame, 1);
    layout->addWidget(m_labelNotice);
    layout->addLayout(bottom);

    // Wide enough for the value columns beside a useful part of the item text, where the screen allows.
    QSize size(1040, 580);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize() * 9 / 10);
    resize(size);

    connect(m_btnPaste, &QPushButton::clicked, this, &CImportDlg::OnPaste);
    connect(m_btnSave, &QPushButton::clicked, this, &CImportDlg::accept);
    connect(m_btnCancel, &QPushButton::clicked, this, &CImportDlg::reject);

    RefreshRows();
    MeasureColumns();
    UpdateButtons();
}

CImportDlg::~CImportDlg() { StopTimer(); }

CArmorPiece* CImportDlg::PieceOf(const QTreeWidgetItem* row) {
    return row ? reinterpret_cast<CArmorPiece*>(row->data(0, PIECE_ROLE).value<quintptr>()) : nullptr;
}

bool CImportDlg::IsSkippedRow(const QTreeWidgetItem* row) { return row && row->data(0, SKIPPED_ROLE).toBool(); }

void CImportDlg::setVisible(bool visible) {
    if (visible && !m_bInitialized) {
        m_bInitialized = true;
        RestorePlacement();
    }
    QDialog::setVisible(visible);
}

void CImportDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    // Opening: whatever an earlier run of the dialog handed over is no longer the caller's result.
    m_arrImported.clear();
    ShowCount();
    UpdateButtons();
    if (!m_nTimerID) StartTimer();
    if (m_bPasteOnOpen) {
        m_bPasteOnOpen = false;
        // Once the dialog is up, so that a question about the text shows over it.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (isVisible() && m_btnPaste->isEnabled()) OnPaste();
            },
            Qt::QueuedConnection);
    }
}

void CImportDlg::done(int result) {
    if (m_bInitialized) SavePlacement();
    QDialog::done(result);
}

void CImportDlg::RestorePlacement() { RestoreDialogPlacement(*this, IMPORTDLG_SECTION); }

void CImportDlg::SavePlacement() {
    SaveDialogPlacement(*this, IMPORTDLG_SECTION);
}

void CImportDlg::StartTimer() { m_nTimerID = startTimer(BUTTON_PERIOD_MS); }

void CImportDlg::StopTimer() {
    if (m_nTimerID) killTimer(m_nTimerID);
    m_nTimerID = 0;
}

void CImportDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_nTimerID || m_nTimerID == 0) {
        QDialog::timerEvent(event);
        return;
    }
    StopTimer();
    UpdateButtons();
    StartTimer();
}

bool CImportDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_listItems->viewport() && event->type() == QEvent::Resize) FitColumns();
    return QDialog::eventFilter(watched, event);
}

void CImportDlg::UpdateButtons() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    m_btnPaste->setEnabled(data && data->hasText());
    m_btnSave->setEnabled(m_bHasItems == 1);
}

void CImportDlg::ShowCount() { m_editCount->setText(QString::number(m_nItemsPasted)); }

void CImportDlg::ClearRows() {
    m_listItems->clear();
    m_rowPieces.clear();
    m_nSkippedRows = 0;
}

QTreeWidgetItem* CImportDlg::AddRow(const std::string& line, std::unique_ptr<CArmorPiece> piece, bool skipped) {
    // After every row that does not sort behind the new one, so equal texts keep the order of the paste;
    // the skipped lines sort among themselves below the items.
    const int items = m_listItems->topLevelItemCount() - m_nSkippedRows;
    int lo = skipped ? items : 0, hi = skipped ? m_listItems->topLevelItemCount() : items;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (ImportRowLess(line, PieceOf(m_listItems->topLevelItem(mid))->m_strText))
            hi = mid;
        else
            lo = mid + 1;
    }
    auto* row = new QTreeWidgetItem;
    row->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable);
    row->setData(0, PIECE_ROLE, QVariant::fromValue(reinterpret_cast<quintptr>(piece.get())));
    row->setData(0, ARRIVAL_ROLE, m_nNextArrival++);
    for (int c = IMPORT_COL_PHYSICAL; c <= IMPORT_COL_ENERGY; ++c) row->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    row->setToolTip(IMPORT_COL_TEXT, ToQt(line));
    row->setText(IMPORT_COL_TEXT, ToQt(line));
    if (skipped) {
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setData(0, SKIPPED_ROLE, true);
        row->setCheckState(IMPORT_COL_DUPLICATE, Qt::Unchecked);
        row->setToolTip(IMPORT_COL_TEXT, ToQt(line) + QStringLiteral("\nSkipped: its property names are not in lower "
                                                                        "case. Tick \"take it in\" to import it."));
        ++m_nSkippedRows;
    }
    m_rowPieces.push_back(std::move(piece));
    const bool showing = std::exchange(m_bShowingRows, true);
    m_listItems->insertTopLevelItem(lo, row);
    m_bShowingRows = showing;
    return row;
}

void CImportDlg::OnRowChanged(QTreeWidgetItem* row, int column) {
    if (m_bShowingRows || column != IMPORT_COL_DUPLICATE || !IsSkippedRow(row)) return;
    // A skipped line the player takes in is an item to save like any other.
    if (row->checkState(IMPORT_COL_DUPLICATE) == Qt::Checked) m_bHasItems = 1;
    ShowRow(row, {});
    UpdateButtons();
}

void CImportDlg::EditRow(QTreeWidgetItem* row) {
    CArmorPiece* piece = PieceOf(row);
    if (!piece) return;
    CEditPieceDlg dlg(*piece, this);
    if (dlg.exec() != QDialog::Accepted) return;
    const CPieceEdit edit = dlg.Edit();
    const CPieceEdit before = PieceEditOf(*piece);
    if (edit == before || !ApplyPieceEdit(*piece, edit)) return;
    if (edit.slot != before.slot) row->setData(0, SLOT_SET_ROLE, true);
    RefreshRows();
    MeasureColumns();
}

void CImportDlg::ShowRow(QTreeWidgetItem* row, const CDuplicate& dup) {
    const CArmorPiece* piece = PieceOf(row);
    if (!piece) return;
    const bool showing = std::exchange(m_bShowingRows, true);
    const bool skippedLine = IsSkippedRow(row);
    auto texts = ImportRowTexts(*piece, dup);
    if (skippedLine) texts[IMPORT_COL_DUPLICATE] = TAKE_IT_IN_TEXT;
    for (int c = 1; c < IMPORT_COLUMN_COUNT; ++c) row->setText(c, ToQt(texts[size_t(c)]));
    row->setData(0, DUPLICATE_ROLE, int(dup.kind));
    const QString edited = piece->m_bEdited ? QStringLiteral("Values edited by hand") : QString();
    for (int c = IMPORT_COL_PHYSICAL; c <= IMPORT_COL_MEDABLE; ++c) row->setToolTip(c, edited);
    // A row that Save/Exit leaves out is greyed.
    const bool skipped = skippedLine ? row->checkState(IMPORT_COL_DUPLICATE) != Qt::Checked
                                     : dup.kind != DupKind::None && m_chkSkipDuplicates->isChecked();
    const QBrush brush = skipped ? palette().brush(QPalette::Disabled, QPalette::Text) : QBrush();
    QFont font = m_listItems->font();
    font.setItalic(skipped);
    for (int c = 0; c < IMPORT_COLUMN_COUNT; ++c) {
        row->setForeground(c, brush);
        QFont f = font;
        if (c == IMPORT_COL_SLOT) f.setBold(row->data(0, SLOT_SET_ROLE).toBool());
        row->setFont(c, f);
    }
    row->setToolTip(IMPORT_COL_DUPLICATE, skipped ? QStringLiteral("Left out at Save/Exit") : QString());
    m_bShowingRows = showing;
}

void CImportDlg::RefreshRows() {
    const int n = m_listItems->topLevelItemCount();
    std::vector<QTreeWidgetItem*> byArrival;
    for (int i = 0; i < n; ++i) {
        QTreeWidgetItem* row = m_listItems->topLevelItem(i);
        // A skipped line is taken in by the player's own tick, whatever it repeats.
        if (IsSkippedRow(row))
            ShowRow(row, {});
        else
            byArrival.push_back(row);
    }
    std::sort(byArrival.begin(), byArrival.end(), [](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        return a->data(0, ARRIVAL_ROLE).toInt() < b->data(0, ARRIVAL_ROLE).toInt();
    });
    std::vector<CPastedText> texts;
    for (const QTreeWidgetItem* row : byArrival)
        texts.push_back(CPastedText{PieceOf(row)->m_strText, row->data(0, CUT_ROLE).toBool()});
    const std::vector<CDuplicate> dups = FindDuplicates(texts, m_known);
    int marked = 0;
    for (size_t i = 0; i < byArrival.size(); ++i) {
        ShowRow(byArrival[i], dups[i]);
        if (dups[i].kind != DupKind::None) ++marked;
    }
    if (marked == 0)
        m_labelDuplicates->clear();
    else
        m_labelDuplicates->setText(
            QStringLiteral("%1 %2 %3").arg(marked).arg(marked == 1 ? QStringLiteral("duplicate") : QStringLiteral("duplicates"),
                                               m_chkSkipDuplicates->isChecked() ? QStringLiteral("marked, left out at Save/Exit")
                                                                                : QStringLiteral("marked, imported all the same")));
}

void CImportDlg::MeasureColumns() {
    // Contents and heading, as the list measures them.
    for (int c = 0; c < IMPORT_COLUMN_COUNT; ++c) {
        m_listItems->resizeColumnToContents(c);
        m_contentWidth[size_t(c)] = m_listItems->columnWidth(c);
    }
    FitColumns();
}

void CImportDlg::FitColumns() {
    // Every column as wide as its contents; the item text takes what the others leave, but keeps enough to
    // tell the items apart (its whole text is in its tooltip).
    int others = 0;
    for (int c = 1; c < IMPORT_COLUMN_COUNT; ++c) {
        m_listItems->setColumnWidth(c, m_contentWidth[size_t(c)]);
        others += m_contentWidth[size_t(c)];
    }
    const int width = m_listItems->viewport()->width();
    const int least = std::min(m_contentWidth[0], fontMetrics().averageCharWidth() * 28);
    const int room = width - others;
    m_listItems->setColumnWidth(IMPORT_COL_TEXT, std::max(least, std::min(m_contentWidth[0], room)));
}

void CImportDlg::SetRowSlot(QTreeWidgetItem* row, int k) {
    CArmorPiece* piece = PieceOf(row);
    if (!piece || k == SlotIndexOf(piece->m_nType) || !SetPieceSlot(*piece, k)) return;
    row->setData(0, SLOT_SET_ROLE, true);
    RefreshRows();
    MeasureColumns();
}

void CImportDlg::OnPaste() {
    StopTimer();

    const std::string raw = FromQt(QGuiApplication::clipboard()->text());
    // The clipboard here may carry LF alone; the parser cuts lines at CR LF, as the Windows buffer hands them.
    m_strPasted = PrepareClipboardText(raw);

    bool pass = true;
    // "Keep rows" adds to the rows listed, so there is nothing to ask about them.
    if (m_listItems->topLevelItemCount() > 0 && !m_chkKeepRows->isChecked()) {
        if (ShowMessage(LIST_NOT_EMPTY_QUESTION, MsgButtons::YesNo, MsgIcon::Question) != IDYES)
            pass = false;
        else
            ClearRows();
    }
    if (pass) {
        m_nItemsPasted = 0;
        bool cut = false;
        if (!m_strPasted.empty()) {
            auto confirm = [&cut] {
                cut = ShowMessage(LONG_TEXT_QUESTION, MsgButtons::OKCancel, MsgIcon::Warning) == IDOK;
                return cut;
            };
            std::vector<CParsedLine> skippedLines;
            std::vector<CParsedLine> lines = ParseItemText(m_strPasted, confirm, &skippedLines);
            // The last line of a cut paste lost its end; pasted again whole, it is left out.
            const bool lastCut = cut && !lines.empty() && lines.back().line == CutLine(m_strPasted);
            for (size_t i = 0; i < lines.size(); ++i) {
                QTreeWidgetItem* row = AddRow(lines[i].line, std::move(lines[i].piece));
                if (lastCut && i + 1 == lines.size()) row->setData(0, CUT_ROLE, true);
                ++m_nItemsPasted;
                m_bHasItems = 1;
            }
            for (CParsedLine& skipped : skippedLines) AddRow(skipped.line, std::move(skipped.piece), true);
        }
        // A text in which nothing looks like an item says so, instead of showing an empty list.
        const bool nothing = !m_strPasted.empty() && m_listItems->topLevelItemCount() == 0;
        m_listItems->setVisible(!nothing);
        m_labelNoItem->setVisible(nothing);
        const size_t leftOut = cut ? CharactersLeftOut(raw) : 0;
        m_labelNotice->setText(leftOut ? ToQt(LeftOutNotice(leftOut, CutLine(m_strPasted))) : QString());
        m_labelNotice->setVisible(leftOut != 0);
        RefreshRows();
        MeasureColumns();
        // Also after a declined long text: the box must not go on showing a count the list no longer holds.
        ShowCount();
        UpdateButtons();
    }

    StartTimer();
}

void CImportDlg::accept() {
    const bool skip = m_chkSkipDuplicates->isChecked();
    for (int i = 0; i < m_listItems->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = m_listItems->topLevelItem(i);
        CArmorPiece* piece = PieceOf(row);
        if (!piece) continue;
        if (IsSkippedRow(row)) {
            if (row->checkState(IMPORT_COL_DUPLICATE) != Qt::Checked) continue;
        } else if (skip && row->data(0, DUPLICATE_ROLE).toInt() != int(DupKind::None)) {
            continue;
        }
        auto it = std::find_if(m_rowPieces.begin(), m_rowPieces.end(),
                               [piece](const std::unique_ptr<CArmorPiece>& p) { return p.get() == piece; });
        if (it == m_rowPieces.end()) continue;
        m_arrImported.push_back(std::move(*it));
        m_rowPieces.erase(it);
    }
    // The skipped rows' pieces go with the rows.
    ClearRows();
    StopTimer();
    QDialog::accept();
}

void CImportDlg::reject() {
    ClearRows();
    StopTimer();
    QDialog::reject();
}

bool DoPasteCommand(CGorvantaDoc* doc, QWidget* parent) {
    // The worker reads the pool without a lock: it must not change under a run.
    if (!doc || IsCalcRunning()) return false;
    CImportDlg dlg(parent, doc);
    dlg.SetPasteOnOpen(true);
    if (dlg.exec() != QDialog::Accepted) return false;
    AddImportedPieces(*doc, std::move(dlg.m_arrImported));
    return true;
}
