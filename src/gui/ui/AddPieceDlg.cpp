#include "AddPieceDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>

#include "core/document/Assignment.h"
#include "core/document/GorvantaDoc.h"
#include "core/model/ArmorPiece.h"
#include "core/model/ArmorSuit.h"
#include "qtstore/QtText.h"
#include "core/model/MessageBox.h"
#include "gui/ui/LeftView.h"

namespace {
constexpr int SUIT_ROLE = Qt::UserRole;


// The list box sorts its entries ignoring case.
bool LessIgnoringCase(const std::string& a, const std::string& b) {
    return LessNoCaseCp1252(a, b);
}

}  // namespace

CAddPieceDlg::CAddPieceDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Add Piece to Suit"));
    setObjectName(QStringLiteral("AddPieceDlg"));

    m_editPiece = new QPlainTextEdit;
    m_editPiece->setObjectName(QStringLiteral("PieceBox"));
    m_editPiece->setReadOnly(true);
    m_editPiece->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_editPiece->setFixedHeight(62);
    m_listSuits = new QListWidget;
    m_listSuits->setObjectName(QStringLiteral("SuitList"));
    m_listSuits->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listSuits->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_listSuits->setMinimumHeight(80);

    m_btnOk = new QPushButton(QStringLiteral("OK"));
    m_btnCancel = new QPushButton(QStringLiteral("Cancel"));
    m_btnOk->setDefault(true);
    for (QPushButton* b : {m_btnOk, m_btnCancel}) b->setMinimumWidth(75);
    connect(m_btnOk, &QPushButton::clicked, this, &CAddPieceDlg::accept);
    connect(m_btnCancel, &QPushButton::clicked, this, &CAddPieceDlg::reject);
    // A double click on a suit is OK on it, as in any chooser.
    connect(m_listSuits, &QListWidget::itemDoubleClicked, this, &CAddPieceDlg::accept);

    auto* pieceLabel = new QLabel(QStringLiteral("Armor Piece"));
    auto* suitsLabel = new QLabel(QStringLiteral("Suits"));
    pieceLabel->setBuddy(m_editPiece);
    suitsLabel->setBuddy(m_listSuits);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_btnOk);
    buttons->addSpacing(8);
    buttons->addWidget(m_btnCancel);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(4);
    layout->addWidget(pieceLabel);
    layout->addWidget(m_editPiece);
    layout->addSpacing(4);
    layout->addWidget(suitsLabel);
    layout->addWidget(m_listSuits, 1);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    resize(390, 250);
}

CAddPieceDlg::~CAddPieceDlg() = default;

CArmorSuit* CAddPieceDlg::SuitOf(const QListWidgetItem* entry) {
    return entry ? reinterpret_cast<CArmorSuit*>(entry->data(SUIT_ROLE).value<quintptr>()) : nullptr;
}

CGorvantaDoc* CAddPieceDlg::Document() const { return m_pTree ? m_pTree->GetDocument() : nullptr; }

void CAddPieceDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous() && !m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
    }
}

void CAddPieceDlg::OnInitDialog() {
    if (!m_pPiece || !m_pSuits) return;
    m_strPieceText = m_pPiece->m_strText;
    m_nPieceType = m_pPiece->m_nType;

    for (CArmorSuit* suit : *m_pSuits) {
        if (!suit) continue;
        int pos = 0;
        while (pos < m_listSuits->count() &&
               !LessIgnoringCase(suit->m_strCharacter, SuitOf(m_listSuits->item(pos))->m_strCharacter))
            ++pos;
        auto* entry = new QListWidgetItem(ToQt(suit->m_strCharacter));
        entry->setData(SUIT_ROLE, QVariant::fromValue(reinterpret_cast<quintptr>(suit)));
        m_listSuits->insertItem(pos, entry);
    }

    m_editPiece->setPlainText(ToQt(m_strPieceText));
    // The first entry that begins with the remembered selection; with none remembered, the first one.
    for (int i = 0; i < m_listSuits->count(); ++i) {
        const std::string name = SuitOf(m_listSuits->item(i))->m_strCharacter;
        if (LowerCp1252(name).rfind(LowerCp1252(m_strSuitSel), 0) == 0) {
            m_listSuits->setCurrentRow(i);
            break;
        }
    }
    m_listSuits->setFocus();
}

void CAddPieceDlg::accept() {
    QListWidgetItem* entry = m_listSuits->currentItem();
    if (entry && entry->isSelected()) {
        m_strSuitSel = SuitOf(entry)->m_strCharacter;
        m_pSuit = SuitOf(entry);
        AddPieceToSuit();
    }
    QDialog::accept();
}

void CAddPieceDlg::AddPieceToSuit() {
    CGorvantaDoc* doc = Document();
    if (!m_pSuit || !m_pPiece || !doc) return;
    ::AddPieceToSuit(*doc, *m_pSuit, m_pPiece, AskReplacePiece);
}
