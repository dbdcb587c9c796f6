#include "ItemNamesDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "core/import/ItemNames.h"
#include "core/model/Cp1252.h"
#include "core/model/MessageBox.h"
#include "qtstore/QtText.h"

namespace {
constexpr const char* MSG_NOT_SAVED = "The item names could not be written to the settings store.";

// Names are edited in place, no longer than the store's loader reads.
class CNameDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor)) line->setMaxLength(int(PIECEDEF_MAX_CHARS));
        return editor;
    }
};
}  // namespace

CItemNamesDlg::CItemNamesDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ItemNamesDlg"));
    setWindowTitle(QStringLiteral("Item Names"));
    setSizeGripEnabled(true);
    LoadPieceDefTables(m_tables);

    auto* note = new QLabel(QStringLiteral(
        "An imported item is filed under the first slot, top to bottom, with a name that occurs anywhere in its "
        "text. The text is compared in lower case, so a name with capital letters never matches. An item that no "
        "name claims is a weapon. Pieces already in the pool keep their slot."));
    note->setWordWrap(true);

    m_listTables = new QListWidget;
    m_listTables->setObjectName(QStringLiteral("TableList"));
    for (int i = 0; i < 11; ++i) {
        const int k = SlotChoiceOrder()[size_t(i)];
        auto* item = new QListWidgetItem(QString::fromLatin1(SlotTypeName(k)), m_listTables);
        item->setData(Qt::UserRole, k);
        item->setToolTip(QStringLiteral("Kept under PieceDefs\\%1").arg(QString::fromLatin1(PieceDefSubkey(k))));
    }
    m_listTables->setMaximumWidth(m_listTables->sizeHintForColumn(0) + 4 * fontMetrics().averageCharWidth());

    m_labelNames = new QLabel;
    m_listNames = new QListWidget;
    m_listNames->setObjectName(QStringLiteral("NameList"));
    m_listNames->setItemDelegate(new CNameDelegate(m_listNames));
    m_listNames->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                                 QAbstractItemView::EditKeyPressed);
    m_labelNames->setBuddy(m_listNames);

    m_btnAdd = new QPushButton(QStringLiteral("&Add"));
    m_btnRemove = new QPushButton(QStringLiteral("&Remove"));
    m_btnUp = new QPushButton(QStringLiteral("Move &Up"));
    m_btnDown = new QPushButton(QStringLiteral("Move Do&wn"));
    m_btnDefaults = new QPushButton(QStringLiteral("Restore &Defaults"));
    m_btnDefaults->setToolTip(QStringLiteral("The names this table had when the program was first started"));
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {m_btnAdd, m_btnRemove, m_btnUp, m_btnDown}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    m_btnDefaults->setAutoDefault(false);
    buttons->addWidget(m_btnDefaults);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    m_btnOk = box->button(QDialogButtonBox::Ok);
    m_btnCancel = box->button(QDialogButtonBox::Cancel);

    auto* labelTables = new QLabel(QStringLiteral("&Slot"));
    labelTables->setBuddy(m_listTables);
    auto* grid = new QGridLayout;
    grid->addWidget(labelTables, 0, 0);
    grid->addWidget(m_labelNames, 0, 1);
    grid->addWidget(m_listTables, 1, 0);
    grid->addWidget(m_listNames, 1, 1);
    grid->addLayout(buttons, 1, 2);
    grid->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addLayout(grid, 1);
    layout->addWidget(box);
    resize(560, 440);

    connect(m_listTables, &QListWidget::currentRowChanged, this, &CItemNamesDlg::ShowTable);
    connect(m_listNames, &QListWidget::currentRowChanged, this, &CItemNamesDlg::UpdateButtons);
    // An edit that leaves a name empty removes it; the rest are checked for capitals again.
    connect(m_listNames->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                // A name still being typed (a later Add) stays. Blanks at the ends are dropped; a name of
                // blanks alone would file every item here, so it goes.
                for (int r = m_listNames->count() - 1; r >= 0; --r) {
                    QListWidgetItem* item = m_listNames->item(r);
                    if (m_listNames->indexWidget(m_listNames->model()->index(r, 0))) continue;
                    const std::optional<std::string> clean = CleanItemName(FromQt(item->text()));
                    if (!clean)
                        delete m_listNames->takeItem(r);
                    else if (ToQt(*clean) != item->text())
                        item->setText(ToQt(*clean));
                }
                for (int r = 0; r < m_listNames->count(); ++r) MarkName(r);
                UpdateButtons();
            },
            Qt::QueuedConnection);
    });
    connect(m_btnAdd, &QPushButton::clicked, this, &CItemNamesDlg::AddName);
    connect(m_btnRemove, &QPushButton::clicked, this, &CItemNamesDlg::RemoveName);
    connect(m_btnUp, &QPushButton::clicked, this, [this] { MoveName(-1); });
    connect(m_btnDown, &QPushButton::clicked, this, [this] { MoveName(1); });
    connect(m_btnDefaults, &QPushButton::clicked, this, &CItemNamesDlg::RestoreDefaults);
    connect(box, &QDialogButtonBox::accepted, this, &CItemNamesDlg::accept);
    connect(box, &QDialogButtonBox::rejected, this, &CItemNamesDlg::reject);

    m_listTables->setCurrentRow(0);
}

void CItemNamesDlg::KeepShownTable() {
    if (m_nShownSlot < 0) return;
    std::vector<std::string>& table = m_tables.Table(m_nShownSlot);
    table.clear();
    for (int r = 0; r < m_listNames->count(); ++r)
        if (std::optional<std::string> clean = CleanItemName(FromQt(m_listNames->item(r)->text())))
            table.push_back(std::move(*clean));
}

void CItemNamesDlg::ShowTable() {
    KeepShownTable();
    const QListWidgetItem* current = m_listTables->currentItem();
    m_nShownSlot = current ? current->data(Qt::UserRole).toInt() : -1;
    m_listNames->clear();
    if (m_nShownSlot >= 0) {
        for (const std::string& name : m_tables.Table(m_nShownSlot)) {
            auto* item = new QListWidgetItem(ToQt(name), m_listNames);
            item->setFlags(item->flags() | Qt::ItemIsEditable);
            MarkName(m_listNames->count() - 1);
        }
        m_labelNames->setText(QStringLiteral("&Names that file an item under %1:").arg(current->text()));
    }
    if (m_listNames->count() > 0) m_listNames->setCurrentRow(0);
    UpdateButtons();
}

void CItemNamesDlg::MarkName(int row) {
    QListWidgetItem* item = m_listNames->item(row);
    if (!item) return;
    const std::string name = FromQt(item->text());
    const bool neverMatches = LowerCp1252(name) != name;
    item->setForeground(neverMatches ? palette().brush(QPalette::Disabled, QPalette::Text) : QBrush());
    item->setToolTip(neverMatches ? QStringLiteral("Never matches: it has capital letters") : QString());
}

void CItemNamesDlg::AddName() {
    if (m_nShownSlot < 0) return;
    auto* item = new QListWidgetItem(QString(), m_listNames);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    m_listNames->setCurrentItem(item);
    m_listNames->editItem(item);
    UpdateButtons();
}

void CItemNamesDlg::RemoveName() {
    const int row = m_listNames->currentRow();
    if (row < 0) return;
    delete m_listNames->takeItem(row);
    UpdateButtons();
}

void CItemNamesDlg::MoveName(int step) {
    const int row = m_listNames->currentRow();
    const int to = row + step;
    if (row < 0 || to < 0 || to >= m_listNames->count()) return;
    QListWidgetItem* item = m_listNames->takeItem(row);
    m_listNames->insertItem(to, item);
    m_listNames->setCurrentRow(to);
    UpdateButtons();
}

void CItemNamesDlg::RestoreDefaults() {
    if (m_nShownSlot < 0) return;
    m_tables.Table(m_nShownSlot) = PieceDefDefaults(m_nShownSlot);
    // Shown again as it now is, without keeping the list that was shown.
    m_nShownSlot = -1;
    ShowTable();
}

void CItemNamesDlg::UpdateButtons() {
    const int row = m_listNames->currentRow();
    const bool table = m_nShownSlot >= 0;
    m_btnAdd->setEnabled(table);
    m_btnDefaults->setEnabled(table);
    m_btnRemove->setEnabled(row >= 0);
    m_btnUp->setEnabled(row > 0);
    m_btnDown->setEnabled(row >= 0 && row + 1 < m_listNames->count());
}

void CItemNamesDlg::accept() {
    KeepShownTable();
    const bool saved = SavePieceDefs(m_tables);
    // The tables in force follow the store, also after a write that failed halfway.
    LoadPieceDefTables(ThePieceDefs());
    if (!saved) {
        ShowMessage(MSG_NOT_SAVED, MsgButtons::OK, MsgIcon::Warning);
        return;
    }
    QDialog::accept();
}

void DoItemNamesCommand(QWidget* parent) {
    CItemNamesDlg dlg(parent);
    dlg.exec();
}
