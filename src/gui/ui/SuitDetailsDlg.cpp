#include "SuitDetailsDlg.h"

#include <QColor>
#include <QComboBox>
#include <QCompleter>
#include <QFont>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

#include "core/calc/Settings.h"
#include "core/model/Properties.h"
#include "gui/calc/AppState.h"
#include "core/document/Assignment.h"
#include "core/document/GorvantaDoc.h"
#include "core/model/ArmorPiece.h"
#include "core/model/ArmorSuit.h"
#include "qtstore/QtText.h"
#include "core/model/MessageBox.h"
#include "core/model/ProfileStore.h"
#include "gui/ui/WindowPlacement.h"

namespace {
constexpr int DETAIL_COLUMNS = 16;
// The resists stand one column to the right of the results list's, after "Type" and "Item"; the bonus
// properties in the same columns as there.
constexpr int DetailColumn(const PropertyDef& d) { return d.high < 0 ? d.column + 1 : d.column; }
const std::array<const char*, DETAIL_COLUMNS> kHeadings = [] {
    std::array<const char*, DETAIL_COLUMNS> h{};
    h[0] = "Type";
    h[1] = "Item";
    h[7] = "Eff. Total";
    for (const PropertyDef& d : kPropertyTable) h[size_t(DetailColumn(d))] = d.heading;
    return h;
}();
const int kWidths[DETAIL_COLUMNS] = {50, 350, 50, 50, 50, 50, 50, 60, 50, 50, 50, 50, 50, 50, 50, 50};
// The rows' slot order and labels.
const std::pair<int, const char*> kSlots[] = {
    {PIECE_HEADWEAR, "Head"}, {PIECE_GORGET, "Neck"},  {PIECE_CHEST, "Chest"},       {PIECE_ARMS, "Arms"},
    {PIECE_GLOVES, "Gloves"}, {PIECE_LEGS, "Legs"},    {PIECE_ROBE, "Robe"},         {PIECE_CLOAK, "Cloak"},
    {PIECE_RING, "Ring"},     {PIECE_BRACELET, "Bracelet"}, {PIECE_SHIELD, "Shield"}, {PIECE_WEAPON, "Weapon"},
};

QString Num(int v) { return QString::number(v); }

// The bonus columns follow the results list's display switches.
bool DisplayOn(CSettings& s, int column) {
    const int32_t* on = s.ColumnSwitch(column);
    return !on || *on != 0;
}

// The sorted list of the character box: letters compared without case, as the 8-bit set lowers them.
bool CharacterLess(const std::string& a, const std::string& b) {
    const int c = CompareNoCaseCp1252(a, b);
    return c != 0 ? c < 0 : a < b;
}
}  // namespace

const char* CSuitDetailsDlg::SlotLabel(int type) {
    for (const auto& [t, label] : kSlots)
        if (t == type) return label;
    return nullptr;
}

CSuitDetailsDlg::CSuitDetailsDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SuitDetailsDlg"));
    setWindowTitle(QStringLiteral("Suit Details"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);

    auto* group = new QGroupBox(QStringLiteral("Character Assignment"));
    m_pAssignGroup = group;
    auto* groupLayout = new QGridLayout(group);
    groupLayout->addWidget(new QLabel(QStringLiteral("Character")), 0, 0);
    m_comboCharacter = new QComboBox;
    m_comboCharacter->setObjectName(QStringLiteral("comboCharacter"));
    m_comboCharacter->setEditable(true);
    // Typed names are assigned, not collected into the list.
    m_comboCharacter->setInsertPolicy(QComboBox::NoInsert);
    // Completion keeps the letter case the user types: 'bob' must not turn into a listed 'Bob'.
    if (m_comboCharacter->completer()) m_comboCharacter->completer()->setCaseSensitivity(Qt::CaseSensitive);
    m_comboCharacter->setMinimumContentsLength(14);
    m_comboCharacter->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_btnAssign = new QPushButton(QStringLiteral("Assign/Exit"));
    m_btnAssign->setObjectName(QStringLiteral("buttonAssign"));
    m_btnAssign->setAutoDefault(false);
    m_btnExit = new QPushButton(QStringLiteral("E&xit"));
    m_btnExit->setObjectName(QStringLiteral("buttonExit"));
    m_btnExit->setAutoDefault(false);
    groupLayout->addWidget(m_comboCharacter, 1, 0);
    groupLayout->addWidget(m_btnAssign, 1, 1);
    groupLayout->addWidget(m_btnExit, 1, 2);
    connect(m_btnAssign, &QPushButton::clicked, this, &CSuitDetailsDlg::OnAssign);
    connect(m_btnExit, &QPushButton::clicked, this, &CSuitDetailsDlg::reject);

    m_listDetails = new QTreeWidget;
    m_listDetails->setObjectName(QStringLiteral("listDetails"));
    m_listDetails->setRootIsDecorated(false);
    m_listDetails->setItemsExpandable(false);
    m_listDetails->setUniformRowHeights(true);
    m_listDetails->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listDetails->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listDetails->setAllColumnsShowFocus(true);
    m_listDetails->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listDetails->setTextElideMode(Qt::ElideRight);
    m_listDetails->header()->setSectionsClickable(false);
    m_listDetails->header()->setSectionsMovable(false);
    m_listDetails->header()->setStretchLastSection(false);
    m_listDetails->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(m_listDetails, &QTreeWidget::itemDoubleClicked, this, &CSuitDetailsDlg::OnRowDoubleClicked);

    auto* top = new QHBoxLayout;
    top->addWidget(group);
    top->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    // The list takes whatever the dialog's size leaves below the assignment controls.
    layout->addWidget(m_listDetails, 1);

    // 478 by 188 dialog units in this font.
    const QFontMetrics fm = fontMetrics();
    resize(478 * fm.averageCharWidth() / 4, 188 * fm.height() / 8);
}

CSuitDetailsDlg::~CSuitDetailsDlg() {
    if (m_bInitialized && !m_bPlacementSaved) SavePlacement();
}

void CSuitDetailsDlg::setVisible(bool visible) {
    if (visible && !m_bInitialized) OnInitDialog();
    QDialog::setVisible(visible);
}

void CSuitDetailsDlg::OnInitDialog() {
    m_bInitialized = true;
    m_comboCharacter->setEditText(ToQt(m_strCharName));
    RestorePlacement();
    setWindowTitle(QStringLiteral("Details for suit: %1").arg(m_pSuit ? ToQt(m_pSuit->m_strName) : QString()));
    InsertColumns();
    WidenForColumns();
    if (m_pDoc) {
        std::vector<std::string> names = m_pDoc->m_arrCharacters;
        std::stable_sort(names.begin(), names.end(), CharacterLess);
        for (const std::string& n : names) m_comboCharacter->addItem(ToQt(n));
    }
    FillRows();
    m_comboCharacter->setEditText(QString());
    m_comboCharacter->setFocus(Qt::OtherFocusReason);
    if (m_bReadOnly) {
        // Exit stays; it leaves the group, which goes with what it assigns.
        m_pAssignGroup->hide();
        if (auto* top = qobject_cast<QHBoxLayout*>(layout()->itemAt(0)->layout())) top->insertWidget(0, m_btnExit);
        m_listDetails->setFocus(Qt::OtherFocusReason);
    }
}

void CSuitDetailsDlg::RestorePlacement() { RestoreDialogPlacement(*this, SUITDLG_SECTION); }

void CSuitDetailsDlg::SavePlacement() {
    m_bPlacementSaved = true;
    SaveDialogPlacement(*this, SUITDLG_SECTION);
}

void CSuitDetailsDlg::InsertColumns() {
    m_listDetails->setColumnCount(DETAIL_COLUMNS + (m_pCompared ? 1 : 0));
    QStringList headings;
    for (const char* h : kHeadings) headings << QString::fromLatin1(h);
    if (m_pCompared) headings << QStringLiteral("Compared: %1").arg(ToQt(m_pCompared->m_strCharacter));
    m_listDetails->setHeaderLabels(headings);
    // The widths are meant for an 8-point dialog font; wider fonts get wider columns.
    const double scale = std::max(1.0, fontMetrics().averageCharWidth() / 6.0);
    CSettings& s = TheSettings();
    for (int n = 0; n < DETAIL_COLUMNS; ++n) {
        m_listDetails->setColumnWidth(n, int(kWidths[n] * scale + 0.5));
        // A hidden column keeps its texts; it is only given no width.
        m_listDetails->setColumnHidden(n, !DisplayOn(s, n));
    }
    // A resist above the cap shows what lies above it, "70 (+15)", in the totals row.
    if (m_pSuit && !s.m_bBypassResistCap) {
        const CPropertyValues sums = CPropertyValues::Of(*m_pSuit);
        const int over = fontMetrics().horizontalAdvance(QStringLiteral("70 (+00)")) + 12;
        for (const PropertyDef& d : kPropertyTable)
            if (d.high < 0 && sums.v[size_t(d.index)] > 70)
                m_listDetails->setColumnWidth(DetailColumn(d), std::max(m_listDetails->columnWidth(DetailColumn(d)), over));
    }
    if (m_pCompared) {
        // Two item texts side by side: each gets less room, and the slot labels room for their mark.
        const int item = int(kWidths[1] * 0.7 * scale + 0.5);
        m_listDetails->setColumnWidth(1, item);
        m_listDetails->setColumnWidth(COMPARED_COLUMN, item);
        QFont bold = m_listDetails->font();
        bold.setBold(true);
        m_listDetails->setColumnWidth(0, std::max(m_listDetails->columnWidth(0),
                                                  QFontMetrics(bold).horizontalAdvance(QStringLiteral("Bracelet *")) + 12));
        // Beside the result's pieces, so that a slot reads across as this piece against that one.
        m_listDetails->header()->moveSection(m_listDetails->header()->visualIndex(COMPARED_COLUMN), 2);
    }
}

void CSuitDetailsDlg::FillRows() {
    m_listDetails->clear();
    // The pieces of a slot type in a suit's piece order (only the first m_nCount entries count).
    const auto piecesOf = [](const CArmorSuit* suit, int type) {
        std::vector<const CArmorPiece*> out;
        if (!suit) return out;
        const size_t count = std::min(size_t(std::max(suit->m_nCount, 0)), suit->m_arrPieces.size());
        for (size_t i = 0; i < count; ++i)
            if (suit->m_arrPieces[i] && suit->m_arrPieces[i]->m_nType == type) out.push_back(suit->m_arrPieces[i]);
        return out;
    };
    for (const auto& [type, label] : kSlots) {
        const std::vector<const CArmorPiece*> mine = piecesOf(m_pSuit, type), theirs = piecesOf(m_pCompared, type);
        for (size_t i = 0; i < std::max(mine.size(), theirs.size()); ++i) {
            const CArmorPiece* p = i < mine.size() ? mine[i] : nullptr;
            const CArmorPiece* q = i < theirs.size() ? theirs[i] : nullptr;
            auto* row = new QTreeWidgetItem(m_listDetails);
            row->setText(0, QString::fromLatin1(label));
            if (p) {
                row->setText(1, ToQt(p->m_strText));
                for (const PropertyDef& d : kPropertyTable) row->setText(DetailColumn(d), Num(p->GetProperty(d.index)));
                row->setText(7, Num(p->m_nTotalResist));
            }
            if (!m_pCompared) continue;
            if (q) row->setText(COMPARED_COLUMN, ToQt(q->m_strText));
            // The compared suit's pieces are its own copies: the same item is the same text and values.
            const bool same = p && q && p->m_strText == q->m_strText && CPropertyValues::Of(*p).v == CPropertyValues::Of(*q).v;
            if (same) continue;
            row->setData(0, Qt::UserRole, QString::fromLatin1(DIFFERS_PROPERTY));
            row->setText(0, QString::fromLatin1(label) + QStringLiteral(" *"));
            QFont bold = m_listDetails->font();
            bold.setBold(true);
            for (int n = 0; n < m_listDetails->columnCount(); ++n) {
                row->setFont(n, bold);
                row->setBackground(n, QColor(0xFF, 0xF0, 0xC0));
            }
            row->setToolTip(0, QStringLiteral("The compared suit has another piece here."));
        }
    }
    new QTreeWidgetItem(m_listDetails);
    auto* totals = new QTreeWidgetItem(m_listDetails);
    totals->setText(0, QStringLiteral("Totals"));
    const CArmorSuit empty;
    const CArmorSuit& s = m_pSuit ? *m_pSuit : empty;
    totals->setText(1, QStringLiteral("Actual total resist: %1").arg(s.GetTotalResist()));
    // The sums as they are; a resist above the cap shows what lies above it, since only the cap counts.
    const bool bypass = TheSettings().m_bBypassResistCap != 0;
    const CPropertyValues sums = CPropertyValues::Of(s);
    for (const PropertyDef& d : kPropertyTable) {
        const int32_t v = sums.v[size_t(d.index)];
        const bool over = d.high < 0 && !bypass && v > 70;
        totals->setText(DetailColumn(d), over ? QStringLiteral("70 (+%1)").arg(int64_t(v) - 70) : Num(v));
    }
    totals->setText(7, Num(s.GetCappedTotalResist(TheSettings().m_bBypassResistCap != 0)));
}

void CSuitDetailsDlg::OnRowDoubleClicked(QTreeWidgetItem* item, int) {
    const int row = item ? m_listDetails->indexOfTopLevelItem(item) : -1;
    if (row < 0) return;
    // Neither the empty row nor the totals row is a piece.
    if (row < m_listDetails->topLevelItemCount() - 2 && !item->text(1).isEmpty())
        ShowMessage(FromQt(item->text(1)), MsgButtons::OK, MsgIcon::None);
}

void CSuitDetailsDlg::OnAssign() {
    if (m_bReadOnly) return;
    m_strCharName = FromQt(m_comboCharacter->currentText());
    if (!AssignSuit(m_pDoc, m_pSuit, m_strCharName)) return;
    m_bAssigned = true;
    QDialog::accept();
}

void CSuitDetailsDlg::reject() { QDialog::accept(); }

void CSuitDetailsDlg::done(int result) {
    if (m_bInitialized) SavePlacement();
    QDialog::done(result);
}

void CSuitDetailsDlg::WidenForColumns() {
    // A place from the store is the user's own; the dialog is centred over its parent otherwise.
    if (testAttribute(Qt::WA_Moved)) return;
    const QMargins margins = layout()->contentsMargins();
    const int needed = m_listDetails->header()->length() + 2 * m_listDetails->frameWidth() +
                       style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_listDetails) + margins.left() +
                       margins.right();
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen();
    if (!screen) return;
    resize(WidenWithin(ToPlace(geometry()), needed, ToPlace(screen->availableGeometry())).w, height());
}
