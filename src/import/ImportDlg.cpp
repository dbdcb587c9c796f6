#include "ImportDlg.h"

#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QShowEvent>
#include <QTimerEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "calc/CalcState.h"
#include "document/Assignment.h"
#include "import/ItemTextParser.h"
#include "model/QtText.h"
#include "model/MessageBox.h"

namespace {
constexpr const char* LIST_NOT_EMPTY_QUESTION =
    "The list still contains items to process. Importing new\n"
    "data will clear these unprocessed items.\n"
    "Do you wish to continue?";
constexpr int BUTTON_PERIOD_MS = 200;
constexpr int PIECE_ROLE = Qt::UserRole;

}  // namespace

CImportDlg::CImportDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Import from UOAssist"));
    setObjectName(QStringLiteral("ImportDlg"));

    m_listItems = new QTreeWidget;
    m_listItems->setObjectName(QStringLiteral("ItemList"));
    m_listItems->setColumnCount(1);
    m_listItems->setHeaderLabels({QStringLiteral("Items")});
    m_listItems->headerItem()->setTextAlignment(0, Qt::AlignLeft | Qt::AlignVCenter);
    // The one column is always as wide as the list's client area.
    m_listItems->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_listItems->header()->setSectionsClickable(false);
    m_listItems->setRootIsDecorated(false);
    m_listItems->setItemsExpandable(false);
    m_listItems->setUniformRowHeights(true);
    m_listItems->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listItems->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_listItems->setTextElideMode(Qt::ElideRight);

    auto* frame = new QGroupBox;
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(m_listItems);

    auto* countBox = new QGroupBox(QStringLiteral("Items Pasted"));
    m_editCount = new QLineEdit(QStringLiteral("0"));
    m_editCount->setObjectName(QStringLiteral("CountBox"));
    m_editCount->setReadOnly(true);
    m_editCount->setFixedWidth(70);
    auto* countLayout = new QHBoxLayout(countBox);
    countLayout->addWidget(m_editCount);

    m_btnPaste = new QPushButton(QStringLiteral("&Paste"));
    m_btnSave = new QPushButton(QStringLiteral("&Save/Exit"));
    m_btnCancel = new QPushButton(QStringLiteral("&Cancel"));
    m_btnSave->setDefault(true);
    for (QPushButton* b : {m_btnPaste, m_btnSave, m_btnCancel}) b->setMinimumWidth(80);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(countBox);
    bottom->addStretch(2);
    bottom->addWidget(m_btnPaste, 0, Qt::AlignVCenter);
    bottom->addSpacing(8);
    bottom->addWidget(m_btnSave, 0, Qt::AlignVCenter);
    bottom->addSpacing(8);
    bottom->addWidget(m_btnCancel, 0, Qt::AlignVCenter);
    bottom->addStretch(3);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame, 1);
    layout->addLayout(bottom);
    resize(620, 420);

    connect(m_btnPaste, &QPushButton::clicked, this, &CImportDlg::OnPaste);
    connect(m_btnSave, &QPushButton::clicked, this, &CImportDlg::accept);
    connect(m_btnCancel, &QPushButton::clicked, this, &CImportDlg::reject);

    UpdateButtons();
}

CImportDlg::~CImportDlg() { StopTimer(); }

CArmorPiece* CImportDlg::PieceOf(const QTreeWidgetItem* row) {
    return row ? reinterpret_cast<CArmorPiece*>(row->data(0, PIECE_ROLE).value<quintptr>()) : nullptr;
}

void CImportDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    // Opening: whatever an earlier run of the dialog handed over is no longer the caller's result.
    m_arrImported.clear();
    ShowCount();
    UpdateButtons();
    if (!m_nTimerID) StartTimer();
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

void CImportDlg::UpdateButtons() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    m_btnPaste->setEnabled(data && data->hasText());
    m_btnSave->setEnabled(m_bHasItems == 1);
}

void CImportDlg::ShowCount() { m_editCount->setText(QString::number(m_nItemsPasted)); }

void CImportDlg::ClearRows() {
    m_listItems->clear();
    m_rowPieces.clear();
}

void CImportDlg::AddRow(const std::string& line, std::unique_ptr<CArmorPiece> piece) {
    // After every row that does not sort behind the new one, so equal texts keep the order of the paste.
    int pos = m_listItems->topLevelItemCount();
    int lo = 0, hi = pos;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (ImportRowLess(line, PieceOf(m_listItems->topLevelItem(mid))->m_strText))
            hi = mid;
        else
            lo = mid + 1;
    }
    pos = lo;
    auto* row = new QTreeWidgetItem({ToQt(line)});
    row->setData(0, PIECE_ROLE, QVariant::fromValue(reinterpret_cast<quintptr>(piece.get())));
    m_rowPieces.push_back(std::move(piece));
    m_listItems->insertTopLevelItem(pos, row);
}

void CImportDlg::OnPaste() {
    StopTimer();

    m_strPasted.clear();
    const QString clip = QGuiApplication::clipboard()->text();
    // The clipboard here may carry LF alone; the parser cuts lines at CR LF, as the Windows buffer hands them.
    m_strPasted = PrepareClipboardText(FromQt(clip));

    bool pass = true;
    if (m_listItems->topLevelItemCount() > 0) {
        if (ShowMessage(LIST_NOT_EMPTY_QUESTION, MsgButtons::YesNo, MsgIcon::Question) != IDYES)
            pass = false;
        else
            ClearRows();
    }
    if (pass) {
        m_nItemsPasted = 0;
        if (!m_strPasted.empty()) {
            auto confirm = [] {
                return ShowMessage(LONG_TEXT_QUESTION, MsgButtons::OKCancel, MsgIcon::Warning) == IDOK;
            };
            std::vector<CParsedLine> lines = ParseItemText(m_strPasted, confirm);
            for (CParsedLine& l : lines) {
                AddRow(l.line, std::move(l.piece));
                ++m_nItemsPasted;
                m_bHasItems = 1;
            }
        }
        // Also after a declined long text: the box must not go on showing a count the list no longer holds.
        ShowCount();
        UpdateButtons();
    }

    StartTimer();
}

void CImportDlg::accept() {
    for (int i = 0; i < m_listItems->topLevelItemCount(); ++i) {
        CArmorPiece* piece = PieceOf(m_listItems->topLevelItem(i));
        if (!piece) continue;
        auto it = std::find_if(m_rowPieces.begin(), m_rowPieces.end(),
                               [piece](const std::unique_ptr<CArmorPiece>& p) { return p.get() == piece; });
        if (it == m_rowPieces.end()) continue;
        m_arrImported.push_back(std::move(*it));
        m_rowPieces.erase(it);
    }
    m_listItems->clear();
    m_rowPieces.clear();
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
    CImportDlg dlg(parent);
    if (dlg.exec() != QDialog::Accepted) return false;
    AddImportedPieces(*doc, std::move(dlg.m_arrImported));
    return true;
}
