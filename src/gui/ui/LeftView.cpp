#include "LeftView.h"

#include <string_view>
#include <unordered_map>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTreeWidgetItemIterator>

#include <algorithm>
#include <functional>

#include "AddPieceDlg.h"
#include "EditPieceDlg.h"
#include "WaitCursor.h"
#include "gui/calc/AppState.h"
#include "core/calc/Settings.h"
#include "core/document/Assignment.h"
#include "core/model/MessageBox.h"
#include "core/model/Properties.h"
#include "gui/resources/Menus.h"
#include "gui/resources/Resource.h"
#include "gui/resources/StringTable.h"
#include "core/model/ArmorPiece.h"
#include "core/model/ArmorSuit.h"
#include "qtstore/QtText.h"

namespace {
constexpr int DRAG_TIMER_PERIOD_MS = 10;
// Where the pointer holds the drag image.
constexpr int DRAG_HOT_SPOT = 15;
// Separates a label from its number among equal siblings in an item's key.
constexpr QChar KEY_SEPARATOR = QChar(0x1f);


// Labels sort alphabetically without regard to case; equal ones keep their order of insertion.
bool LabelLess(const std::string& a, const std::string& b) {
    return LessNoCaseCp1252(a, b);
}

QString ValueText(int prop, int value) {
    return QString::number(value) + (PropertyIsPercent(prop) ? QStringLiteral("%") : QString());
}

// "luck 40, lower mana cost 8%": the bonus properties that are not zero.
QString BonusLine(const std::function<int(int)>& value) {
    QStringList parts;
    for (const PropertyDef& d : kPropertyTable)
        if (const int v = d.high < 0 ? 0 : value(d.index)) parts << QString::fromLatin1(d.keyword) + QLatin1Char(' ') + ValueText(d.index, v);
    return parts.join(QStringLiteral(", "));
}

QString ResistLine(const std::function<int(int)>& value) {
    QStringList parts;
    for (const PropertyDef& d : kPropertyTable)
        if (d.name) parts << QStringLiteral("%1 %2").arg(QString::fromLatin1(d.name), ValueText(d.index, value(d.index)));
    return parts.join(QStringLiteral(", "));
}

// A pushpin, for the pinned piece of a slot.
const QIcon& PinIcon() {
    static const QIcon icon = [] {
        QPixmap pm(16, 16);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(90, 90, 90), 1.6));
        p.drawLine(QPointF(7.5, 8.5), QPointF(2.5, 14.5));
        p.setPen(QPen(QColor(120, 0, 0), 1));
        p.setBrush(QColor(215, 40, 40));
        p.drawEllipse(QPointF(10, 6), 4.5, 4.5);
        return QIcon(pm);
    }();
    return icon;
}

std::string DeleteSuitQuestion(const std::string& character) {
    std::string text = DELETE_SUIT_QUESTION;
    const size_t at = text.find("%1");
    if (at != std::string::npos) text.replace(at, 2, character);
    return text;
}

// The tree's header is its filter box: the view keeps room for it above the items.
class CFilterHeader : public QHeaderView {
public:
    explicit CFilterHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
        m_pEdit = new QLineEdit(this);
        m_pEdit->setObjectName(QStringLiteral("TreeFilter"));
        m_pEdit->setPlaceholderText(QStringLiteral("Filter"));
        m_pEdit->setClearButtonEnabled(true);
        // A window that opens gives the tree the keyboard, not the box; Ctrl+F in the tree reaches it.
        m_pEdit->setFocusPolicy(Qt::ClickFocus);
        m_pEdit->installEventFilter(this);
    }
    QSize sizeHint() const override { return QSize(QHeaderView::sizeHint().width(), m_pEdit->sizeHint().height()); }
    QLineEdit* m_pEdit;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_pEdit && event->type() == QEvent::KeyPress) {
            switch (static_cast<QKeyEvent*>(event)->key()) {
                case Qt::Key_Escape:
                    // Empties the box; when it is empty, back to the tree.
                    if (m_pEdit->text().isEmpty()) parentWidget()->setFocus(Qt::ShortcutFocusReason);
                    m_pEdit->clear();
                    return true;
                case Qt::Key_Down:
                case Qt::Key_Return:
                case Qt::Key_Enter: parentWidget()->setFocus(Qt::ShortcutFocusReason); return true;
                default: break;
            }
        }
        return QHeaderView::eventFilter(watched, event);
    }
    void resizeEvent(QResizeEvent* event) override {
        QHeaderView::resizeEvent(event);
        m_pEdit->setGeometry(rect());
        m_pEdit->raise();
    }
};

// Type nodes show how many pieces they hold; the drop highlight is drawn as the selection.
class CTreeDelegate : public QStyledItemDelegate {
public:
    explicit CTreeDelegate(CLeftView* view) : QStyledItemDelegate(view), m_pView(view) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (const QTreeWidgetItem* item = m_pView->ItemOf(index)) {
            option->text = m_pView->DisplayText(item);
            if (item == m_pView->DropHighlight()) option->state |= QStyle::State_Selected;
        }
    }

private:
    CLeftView* m_pView;
};

// The values of a piece and the totals of a suit, as their tooltips show them.
QString PieceToolTip(const CArmorPiece& piece) {
    QStringList lines{ToQt(piece.m_strText)};
    lines << ResistLine([&](int p) { return piece.GetProperty(p); }) +
                 QStringLiteral(" (total %1)").arg(piece.m_nTotalResist);
    const QString bonus = BonusLine([&](int p) { return piece.GetProperty(p); });
    if (!bonus.isEmpty()) lines << bonus;
    if (piece.m_bMedable) lines << QStringLiteral("Medable");
    if (piece.m_nMark == PieceMark::Excluded) lines << QStringLiteral("Excluded from searches");
    if (piece.m_nMark == PieceMark::Pinned) lines << QStringLiteral("Pinned: every suit of a search uses it");
    if (piece.m_bEdited) lines << QStringLiteral("Values edited by hand; the text is as imported");
    return lines.join(QLatin1Char('\n'));
}

QString SuitToolTip(const CArmorSuit& suit, bool bypassCap) {
    QStringList lines{QStringLiteral("%1: %2 pieces").arg(ToQt(suit.m_strCharacter)).arg(suit.m_nCount)};
    lines << ResistLine([&](int p) { return suit.GetProperty(p, bypassCap); });
    lines << QStringLiteral("Eff. total %1, actual total %2")
                 .arg(suit.GetCappedTotalResist(bypassCap))
                 .arg(suit.GetTotalResist());
    const QString bonus = BonusLine([&](int p) { return suit.GetProperty(p, bypassCap); });
    if (!bonus.isEmpty()) lines << bonus;
    if (suit.m_bMedable) lines << QStringLiteral("Medable");
    return lines.join(QLatin1Char('\n'));
}
}  // namespace

CTreeItem::CTreeItem(const std::string& label, Kind kind, void* data)
    : QTreeWidgetItem(QTreeWidgetItem::UserType), m_strLabel(label), m_nKind(kind), m_pData(data) {
    setText(0, ToQt(label));
}

QVariant CTreeItem::data(int column, int role) const {
    if (column == 0 && m_pData) {
        const auto* piece = m_nKind == Piece ? static_cast<const CArmorPiece*>(m_pData) : nullptr;
        switch (role) {
            case Qt::ToolTipRole:
                if (piece) return PieceToolTip(*piece);
                return SuitToolTip(*static_cast<const CArmorSuit*>(m_pData), TheSettings().m_bBypassResistCap != 0);
            case Qt::ForegroundRole:
                if (piece && piece->m_nMark == PieceMark::Excluded && treeWidget())
                    return QBrush(treeWidget()->palette().color(QPalette::Disabled, QPalette::Text));
                break;
            case Qt::FontRole:
                if (piece && piece->m_nMark != PieceMark::None && treeWidget()) {
                    QFont font = treeWidget()->font();
                    font.setBold(piece->m_nMark == PieceMark::Pinned);
                    font.setItalic(piece->m_nMark == PieceMark::Excluded);
                    return font;
                }
                break;
            case Qt::DecorationRole:
                if (piece && piece->m_nMark == PieceMark::Pinned) return PinIcon();
                break;
            default: break;
        }
    }
    return QTreeWidgetItem::data(column, role);
}

CLeftView::CLeftView(CGorvantaDoc& doc, QWidget* parent) : QTreeWidget(parent), m_pDoc(&doc) {
    setObjectName(QStringLiteral("LeftView"));
    setColumnCount(1);
    auto* filterHeader = new CFilterHeader(this);
    setHeader(filterHeader);
    m_pFilter = filterHeader->m_pEdit;
    setRootIsDecorated(true);
    setItemsExpandable(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setItemDelegate(new CTreeDelegate(this));
    // Long item lines scroll sideways instead of being cut.
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(false);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &CLeftView::OnSelChanged);
    connect(m_pFilter, &QLineEdit::textChanged, this, &CLeftView::OnFilterEdited);
    m_pDoc->AddView(this);
}

CLeftView::~CLeftView() {
    if (m_bDragging) EndDrag();
    Detach();
}

void CLeftView::Detach() {
    if (!m_pDoc) return;
    m_pDoc->RemoveView(this);
    m_pDoc = nullptr;
    // The items point at the document's pieces and suits, which go with it; a window still on screen
    // may paint or measure them once more.
    ResetRoots();
}

void CLeftView::OnInitialUpdate() { OnUpdate(nullptr, HINT_REFRESH); }

void CLeftView::OnUpdate(IDocView*, int hint) {
    switch (hint) {
        case HINT_START_CALC: m_bCalculating = 1; break;
        case HINT_FILTERS_CHANGED: break;
        case HINT_CALC_DONE: m_bCalculating = 0; break;
        default: RebuildTree(); break;
    }
}

void CLeftView::RebuildTree() {
    if (!m_pDoc) return;
    CWaitCursor wait;
    const bool first = m_hItemsRoot == nullptr;
    const CViewState state = first ? CViewState{} : SaveViewState();
    ResetRoots();
    BuildItems();
    if (first)
        m_hItemsRoot->setExpanded(true);
    else
        RestoreViewState(state);
    // New items are all shown: only a filter in force has anything to hide.
    if (!m_strFilter.empty()) ApplyFilter();
    // The selection may be gone or hold other pieces now (undo, redo): the count follows what is shown.
    if (m_pDoc) m_pDoc->m_nSelPieceCount = SelectedPieceCount();
    emit pieceCountChanged();
}

void CLeftView::BuildItems() {
    // What inserting the items one by one in sorted place gives (InsertPieceItem, InsertSuitItem), built by
    // a stable sort and handed to each parent at once: a large pool is not sorted by shifting.
    struct CTypeGroup {
        const std::string* name;
        std::vector<CArmorPiece*> pieces;
    };
    std::vector<CTypeGroup> groups;
    std::unordered_map<std::string_view, size_t> groupOf;
    for (const PoolList& list : m_pDoc->m_arrPool)
        for (CArmorPiece* piece : list) {
            if (!piece || piece->m_strTypeName.empty()) continue;
            auto [it, added] = groupOf.try_emplace(piece->m_strTypeName, groups.size());
            if (added) groups.push_back({&piece->m_strTypeName, {}});
            groups[it->second].pieces.push_back(piece);
        }
    std::stable_sort(groups.begin(), groups.end(),
                     [](const CTypeGroup& a, const CTypeGroup& b) { return LabelLess(*a.name, *b.name); });
    QList<QTreeWidgetItem*> typeNodes;
    typeNodes.reserve(qsizetype(groups.size()));
    for (CTypeGroup& group : groups) {
        std::stable_sort(group.pieces.begin(), group.pieces.end(),
                         [](const CArmorPiece* a, const CArmorPiece* b) { return LabelLess(a->m_strText, b->m_strText); });
        auto* typeNode = new CTreeItem(*group.name, CTreeItem::None, nullptr);
        QList<QTreeWidgetItem*> items;
        items.reserve(qsizetype(group.pieces.size()));
        for (CArmorPiece* piece : group.pieces) items.push_back(new CTreeItem(piece->m_strText, CTreeItem::Piece, piece));
        typeNode->addChildren(items);
        typeNodes.push_back(typeNode);
    }
    m_hItemsRoot->addChildren(typeNodes);

    std::vector<CArmorSuit*> suits;
    for (CArmorSuit* suit : m_pDoc->m_arrSuits)
        if (suit) suits.push_back(suit);
    std::stable_sort(suits.begin(), suits.end(),
                     [](const CArmorSuit* a, const CArmorSuit* b) { return LabelLess(a->m_strCharacter, b->m_strCharacter); });
    QList<QTreeWidgetItem*> suitItems;
    for (CArmorSuit* suit : suits) {
        auto* suitItem = new CTreeItem(suit->m_strCharacter, CTreeItem::Suit, suit);
        for (int32_t i = 0; i < suit->m_nCount && size_t(i) < suit->m_arrPieces.size(); ++i)
            if (CArmorPiece* piece = suit->m_arrPieces[size_t(i)])
                suitItem->addChild(new CTreeItem(piece->m_strText, CTreeItem::Piece, piece));
        suitItems.push_back(suitItem);
    }
    m_hSuitsRoot->addChildren(suitItems);
}

void CLeftView::ResetRoots() {
    // The old items go; the selection and drag handles would point at deleted items.
    if (m_bDragging) EndDrag();
    m_hSelItem = nullptr;
    m_hDragItem = m_hDropTarget = m_hHoverTarget = m_hPressItem = nullptr;
    clear();
    m_hItemsRoot = new CTreeItem("Items", CTreeItem::None, nullptr);
    m_hSuitsRoot = new CTreeItem("Suits", CTreeItem::None, nullptr);
    addTopLevelItem(m_hItemsRoot);
    addTopLevelItem(m_hSuitsRoot);
}

// ---- What a rebuild keeps ----

QStringList CLeftView::KeyOf(const QTreeWidgetItem* item) {
    QStringList key;
    for (; item; item = item->parent()) {
        const std::string label = LabelOf(item);
        const QTreeWidget* tree = item->treeWidget();
        const QTreeWidgetItem* parent = item->parent();
        const int count = parent ? parent->childCount() : (tree ? tree->topLevelItemCount() : 0);
        int same = 0;
        for (int i = 0; i < count; ++i) {
            const QTreeWidgetItem* sibling = parent ? parent->child(i) : tree->topLevelItem(i);
            if (sibling == item) break;
            if (LabelOf(sibling) == label) ++same;
        }
        key.prepend(ToQt(label) + KEY_SEPARATOR + QString::number(same));
    }
    return key;
}

QTreeWidgetItem* CLeftView::ItemForKey(const QStringList& key) const {
    QTreeWidgetItem* item = nullptr;
    for (const QString& part : key) {
        const qsizetype cut = part.lastIndexOf(KEY_SEPARATOR);
        const std::string label = FromQt(part.left(cut));
        int same = part.mid(cut + 1).toInt();
        const int count = item ? item->childCount() : topLevelItemCount();
        QTreeWidgetItem* found = nullptr;
        for (int i = 0; i < count && !found; ++i) {
            QTreeWidgetItem* child = item ? item->child(i) : topLevelItem(i);
            if (LabelOf(child) == label && same-- == 0) found = child;
        }
        if (!found) return nullptr;
        item = found;
    }
    return item;
}

std::vector<QStringList> CLeftView::ExpandedKeys() const {
    // Only roots, type nodes and suits have children.
    std::vector<QStringList> keys;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* root = topLevelItem(i);
        if (root->isExpanded()) keys.push_back(KeyOf(root));
        for (int j = 0; j < root->childCount(); ++j)
            if (root->child(j)->isExpanded()) keys.push_back(KeyOf(root->child(j)));
    }
    return keys;
}

void CLeftView::SetExpandedKeys(const std::vector<QStringList>& keys) {
    for (QTreeWidgetItemIterator it(this); *it; ++it)
        if ((*it)->childCount() > 0 || (*it)->parent() == nullptr) (*it)->setExpanded(false);
    for (const QStringList& key : keys)
        if (QTreeWidgetItem* item = ItemForKey(key)) item->setExpanded(true);
}

CLeftView::CViewState CLeftView::SaveViewState() const {
    CViewState state;
    state.expanded = ExpandedKeys();
    if (m_hSelItem) state.selected = KeyOf(m_hSelItem);
    state.vscroll = verticalScrollBar()->value();
    state.hscroll = horizontalScrollBar()->value();
    return state;
}

void CLeftView::RestoreViewState(const CViewState& state) {
    for (const QStringList& key : state.expanded)
        if (QTreeWidgetItem* item = ItemForKey(key)) item->setExpanded(true);
    // An item that is gone leaves nothing selected.
    if (QTreeWidgetItem* item = state.selected.isEmpty() ? nullptr : ItemForKey(state.selected)) setCurrentItem(item);
    executeDelayedItemsLayout();
    verticalScrollBar()->setValue(state.vscroll);
    horizontalScrollBar()->setValue(state.hscroll);
}

// ---- Filter ----

void CLeftView::FocusFilter() {
    m_pFilter->setFocus(Qt::ShortcutFocusReason);
    m_pFilter->selectAll();
}

void CLeftView::OnFilterEdited() {
    const std::string filter = LowerCp1252(FromQt(m_pFilter->text()));
    if (filter == m_strFilter) return;
    // What the user had open comes back when the filter is emptied.
    if (m_strFilter.empty()) m_arrExpandedBeforeFilter = ExpandedKeys();
    const bool ended = filter.empty();
    m_strFilter = filter;
    ApplyFilter();
    if (ended) {
        SetExpandedKeys(m_arrExpandedBeforeFilter);
        m_arrExpandedBeforeFilter.clear();
        if (m_hSelItem) scrollToItem(m_hSelItem);
    }
}

void CLeftView::ApplyFilter() {
    if (!m_hItemsRoot || !m_hSuitsRoot) return;
    const bool filtering = !m_strFilter.empty();
    auto matches = [&](const QTreeWidgetItem* item) {
        return LowerCp1252(LabelOf(item)).find(m_strFilter) != std::string::npos;
    };
    // A container is shown when it matches itself (a suit's character) or holds a piece that does.
    auto filterChildren = [&](QTreeWidgetItem* parent, bool allShown) {
        int shown = 0;
        for (int i = 0; i < parent->childCount(); ++i) {
            QTreeWidgetItem* child = parent->child(i);
            const bool show = !filtering || allShown || matches(child);
            child->setHidden(!show);
            shown += show;
        }
        return shown;
    };
    for (int i = 0; i < m_hItemsRoot->childCount(); ++i) {
        QTreeWidgetItem* type = m_hItemsRoot->child(i);
        const int shown = filterChildren(type, false);
        type->setHidden(filtering && shown == 0);
        if (filtering && shown) type->setExpanded(true);
    }
    for (int i = 0; i < m_hSuitsRoot->childCount(); ++i) {
        QTreeWidgetItem* suit = m_hSuitsRoot->child(i);
        const bool named = filtering && matches(suit);
        const int shown = filterChildren(suit, named);
        suit->setHidden(filtering && !named && shown == 0);
        if (filtering && !named && shown) suit->setExpanded(true);
    }
    if (filtering) {
        m_hItemsRoot->setExpanded(true);
        m_hSuitsRoot->setExpanded(true);
    }
}

// ---- Items ----

void CLeftView::InsertSorted(QTreeWidgetItem* parent, QTreeWidgetItem* child) {
    const std::string label = LabelOf(child);
    int pos = parent->childCount();
    while (pos > 0 && LabelLess(label, LabelOf(parent->child(pos - 1)))) --pos;
    parent->insertChild(pos, child);
}

QTreeWidgetItem* CLeftView::InsertPieceItem(CArmorPiece* piece) {
    if (!piece || piece->m_strTypeName.empty() || !m_hItemsRoot) return nullptr;
    QTreeWidgetItem* typeNode = FindChildByText(m_hItemsRoot, piece->m_strTypeName);
    if (!typeNode) {
        typeNode = new CTreeItem(piece->m_strTypeName, CTreeItem::None, nullptr);
        InsertSorted(m_hItemsRoot, typeNode);
    }
    auto* item = new CTreeItem(piece->m_strText, CTreeItem::Piece, piece);
    InsertSorted(typeNode, item);
    return item;
}

QTreeWidgetItem* CLeftView::InsertSuitItem(CArmorSuit* suit) {
    if (!suit || !m_hSuitsRoot) return nullptr;
    auto* suitItem = new CTreeItem(suit->m_strCharacter, CTreeItem::Suit, suit);
    // A suit's pieces keep the suit's order.
    for (int32_t i = 0; i < suit->m_nCount && size_t(i) < suit->m_arrPieces.size(); ++i) {
        CArmorPiece* piece = suit->m_arrPieces[size_t(i)];
        if (piece) suitItem->addChild(new CTreeItem(piece->m_strText, CTreeItem::Piece, piece));
    }
    InsertSorted(m_hSuitsRoot, suitItem);
    return suitItem;
}

QTreeWidgetItem* CLeftView::FindChildByText(QTreeWidgetItem* parent, const std::string& text) const {
    if (!parent) return nullptr;
    for (int i = 0; i < parent->childCount(); ++i)
        if (LabelOf(parent->child(i)) == text) return parent->child(i);
    return nullptr;
}

QTreeWidgetItem* CLeftView::FindDataItem(const void* data) const {
    if (!data) return nullptr;
    for (QTreeWidgetItemIterator it(const_cast<CLeftView*>(this)); *it; ++it)
        if (auto* t = dynamic_cast<CTreeItem*>(*it); t && t->m_pData == data) return t;
    return nullptr;
}

int CLeftView::CountPieceItems(QTreeWidgetItem* item) const {
    if (!item) return 0;
    int n = HasData(item) ? 1 : 0;
    for (int i = 0; i < item->childCount(); ++i) n += CountPieceItems(item->child(i));
    return n;
}

bool CLeftView::IsDraggable(QTreeWidgetItem* item) const { return HasData(item); }

bool CLeftView::IsTypeNode(const QTreeWidgetItem* item) const {
    return item && m_hItemsRoot && item->parent() == m_hItemsRoot && !HasData(item);
}

QString CLeftView::DisplayText(const QTreeWidgetItem* item) const {
    if (!item) return QString();
    if (!IsTypeNode(item)) return item->text(0);
    if (m_strFilter.empty()) return QStringLiteral("%1  (%2)").arg(item->text(0)).arg(item->childCount());
    int shown = 0;
    for (int i = 0; i < item->childCount(); ++i) shown += !item->child(i)->isHidden();
    return QStringLiteral("%1  (%2 of %3)").arg(item->text(0)).arg(shown).arg(item->childCount());
}

void CLeftView::DeleteItemAndEmptyParents(QTreeWidgetItem* item) {
    while (item) {
        QTreeWidgetItem* parent = item->parent();
        if (item == m_hSelItem) m_hSelItem = nullptr;
        if (item == m_hDropTarget) m_hDropTarget = nullptr;
        if (item == m_hHoverTarget) m_hHoverTarget = nullptr;
        if (item == m_hPressItem) m_hPressItem = nullptr;
        delete item;
        if (!parent || parent == m_hItemsRoot) return;
        if (parent->childCount() > 0) {
            setCurrentItem(parent->child(0));
            return;
        }
        item = parent;
    }
}

CArmorPiece* CLeftView::PieceOf(const QTreeWidgetItem* item) {
    auto* t = dynamic_cast<const CTreeItem*>(item);
    return (t && t->m_nKind == CTreeItem::Piece) ? static_cast<CArmorPiece*>(t->m_pData) : nullptr;
}

CArmorSuit* CLeftView::SuitOf(const QTreeWidgetItem* item) {
    auto* t = dynamic_cast<const CTreeItem*>(item);
    return (t && t->m_nKind == CTreeItem::Suit) ? static_cast<CArmorSuit*>(t->m_pData) : nullptr;
}

bool CLeftView::HasData(const QTreeWidgetItem* item) {
    auto* t = dynamic_cast<const CTreeItem*>(item);
    return t && t->m_pData;
}

std::string CLeftView::LabelOf(const QTreeWidgetItem* item) {
    auto* t = dynamic_cast<const CTreeItem*>(item);
    return t ? t->m_strLabel : std::string();
}

void CLeftView::OnSelChanged() {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.isEmpty()) return;
    m_hSelItem = selected.first();
    if (m_pDoc) m_pDoc->m_nSelPieceCount = CountPieceItems(m_hSelItem);
    emit pieceCountChanged();
}

void CLeftView::SelectData(const void* data) {
    QTreeWidgetItem* item = FindDataItem(data);
    if (!item) return;
    for (QTreeWidgetItem* p = item->parent(); p; p = p->parent()) p->setExpanded(true);
    setCurrentItem(item);
    scrollToItem(item);
}

// ---- Context menu and its commands ----

QTreeWidgetItem* CLeftView::HitTestItem(const QPoint& pos) const {
    QTreeWidgetItem* item = itemAt(pos);
    if (!item) return nullptr;
    // Only the label counts as the item, as a right click beside or below the text means nothing.
    const QRect cell = visualItemRect(item);
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    const int width = fontMetrics().horizontalAdvance(item->text(0)) + 2 * margin;
    if (pos.x() < cell.left() || pos.x() > cell.left() + width) return nullptr;
    return item;
}

QMenu* CLeftView::CreateContextMenu() {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("TreePopup"));
    // The first popup of the tree's menu resource.
    const std::vector<CMenuItemDef>& bar = MenuResource(IDR_TREE_POPUP);
    if (!bar.empty()) {
        for (const CMenuItemDef& entry : bar.front().items) {
            if (entry.IsSeparator()) {
                menu->addSeparator();
                continue;
            }
            QAction* a = menu->addAction(QString::fromLatin1(entry.text));
            a->setData(entry.id);
            a->setStatusTip(QString::fromLatin1(CommandPrompt(entry.id).c_str()));
        }
    }
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { OnInitMenuPopup(menu); });
    return menu;
}

bool CLeftView::OnCmdMsg(int id, CCmdUI* pUI) {
    switch (id) {
        case ID_ADD_PIECE_TO_SUIT:
        case ID_DELETE_ITEM:
        case ID_DELETE_SUIT:
        case ID_DELETE_SUIT_ITEM:
        case ID_EXCLUDE_PIECE:
        case ID_PIN_PIECE:
        case ID_CLEAR_PIECE_MARK:
        case ID_EDIT_PIECE:
            if (pUI)
                UpdateCommand(*pUI);
            else
                RunCommand(id);
            return true;
        default: return false;
    }
}

void CLeftView::OnInitMenuPopup(QMenu* menu) {
    for (QAction* a : menu->actions()) {
        if (a->isSeparator()) continue;
        CCmdUI ui(a->data().toInt());
        UpdateCommand(ui);
        a->setEnabled(ui.m_bEnabled);
    }
}

void CLeftView::UpdateCommand(CCmdUI& ui) const {
    bool pool = false, suitPiece = false, suit = false;
    if (!m_bCalculating && HasData(m_hSelItem)) {
        suit = SuitOf(m_hSelItem) != nullptr;
        if (PieceOf(m_hSelItem)) (HasData(m_hSelItem->parent()) ? suitPiece : pool) = true;
    }
    const PieceMark mark = pool ? PieceOf(m_hSelItem)->m_nMark : PieceMark::None;
    switch (ui.m_nID) {
        case ID_ADD_PIECE_TO_SUIT: ui.Enable(pool); break;
        case ID_DELETE_ITEM: ui.Enable(pool); break;
        case ID_DELETE_SUIT: ui.Enable(suit); break;
        case ID_DELETE_SUIT_ITEM: ui.Enable(suitPiece); break;
        case ID_EXCLUDE_PIECE: ui.Enable(pool && mark != PieceMark::Excluded); break;
        case ID_PIN_PIECE: ui.Enable(pool && mark != PieceMark::Pinned); break;
        case ID_CLEAR_PIECE_MARK: ui.Enable(pool && mark != PieceMark::None); break;
        case ID_EDIT_PIECE: ui.Enable(pool || suitPiece); break;
        default: break;
    }
}

void CLeftView::ShowContextMenu(const QPoint& pos) {
    std::unique_ptr<QMenu> menu(CreateContextMenu());
    connect(menu.get(), &QMenu::aboutToShow, this, [this, m = menu.get()] { emit contextMenuShown(m); });
    QAction* chosen = menu->exec(viewport()->mapToGlobal(pos));
    const int id = chosen && chosen->isEnabled() ? chosen->data().toInt() : 0;
    menu.reset();
    if (id) RunCommand(id);
}

void CLeftView::ShowContextMenuForSelection() {
    if (!m_hSelItem || m_hSelItem->isHidden()) return;
    scrollToItem(m_hSelItem);
    const QRect r = visualItemRect(m_hSelItem);
    ShowContextMenu(QPoint(r.left() + 4, r.bottom()));
}

bool CLeftView::RunCommand(int id) {
    switch (id) {
        case ID_ADD_PIECE_TO_SUIT: OnAddPieceToSuit(); return true;
        case ID_DELETE_ITEM: OnDeleteItem(); return true;
        case ID_DELETE_SUIT: OnDeleteSuit(); return true;
        case ID_DELETE_SUIT_ITEM: OnDeleteSuitItem(); return true;
        case ID_EXCLUDE_PIECE: OnSetMark(PieceMark::Excluded); return true;
        case ID_PIN_PIECE: OnSetMark(PieceMark::Pinned); return true;
        case ID_CLEAR_PIECE_MARK: OnSetMark(PieceMark::None); return true;
        case ID_EDIT_PIECE: OnEditPiece(); return true;
        default: return false;
    }
}

bool CLeftView::EditingRefused() const {
    // The menu is greyed during a run; the commands also refuse, so the pool never changes under the worker.
    return m_bCalculating || IsCalcRunning() || !m_pDoc;
}

void CLeftView::OnDeleteItem() {
    if (EditingRefused()) return;
    CArmorPiece* piece = PieceOf(m_hSelItem);
    if (!piece) return;
    if (ShowMessage(DELETE_PIECE_QUESTION, MsgButtons::YesNo, MsgIcon::Question) != IDYES) return;
    // The other views rebuild; this tree only loses the item, so its expanded branches stay as they are.
    if (DeletePoolPiece(*m_pDoc, piece, this)) DeleteItemAndEmptyParents(m_hSelItem);
}

void CLeftView::OnDeleteSuit() {
    if (EditingRefused()) return;
    CArmorSuit* suit = SuitOf(m_hSelItem);
    if (!suit) return;
    // Returns the pieces, deletes the suit and refreshes every view, this tree included.
    DeleteSuit(*m_pDoc, suit);
}

void CLeftView::OnDeleteSuitItem() {
    if (EditingRefused()) return;
    CArmorPiece* piece = PieceOf(m_hSelItem);
    QTreeWidgetItem* parent = m_hSelItem ? m_hSelItem->parent() : nullptr;
    CArmorSuit* suit = SuitOf(parent);
    if (!piece || !suit) return;
    DeleteSuitItem(*m_pDoc, suit, piece);
}

void CLeftView::OnAddPieceToSuit() {
    if (EditingRefused()) return;
    CArmorPiece* piece = PieceOf(m_hSelItem);
    if (!piece || HasData(m_hSelItem->parent())) return;
    CAddPieceDlg dlg(window());
    dlg.m_pPiece = piece;
    dlg.m_pSuits = &m_pDoc->m_arrSuits;
    dlg.m_pTree = this;
    dlg.exec();
}

void CLeftView::OnSetMark(PieceMark mark) {
    if (EditingRefused()) return;
    CArmorPiece* piece = PieceOf(m_hSelItem);
    if (!piece || HasData(m_hSelItem->parent())) return;
    // Every view rebuilds: a pin may have moved from another piece.
    SetPieceMark(*m_pDoc, piece, mark);
}

void CLeftView::OnEditPiece() {
    if (EditingRefused()) return;
    CArmorPiece* piece = PieceOf(m_hSelItem);
    if (!piece) return;
    CEditPieceDlg dlg(*piece, window());
    if (dlg.exec() != QDialog::Accepted || EditingRefused()) return;
    // One change of the document; every view rebuilds, as the piece may have moved to another slot.
    const EditResult result = EditPiece(*m_pDoc, piece, dlg.Edit());
    if (result == EditResult::Changed) SelectData(piece);
    if (result == EditResult::SlotTaken) ShowMessage(EDIT_SLOT_TAKEN_MESSAGE, MsgButtons::OK, MsgIcon::Exclamation);
}

void CLeftView::OnDeleteKey() {
    if (EditingRefused() || !HasData(m_hSelItem)) return;
    if (CArmorSuit* suit = SuitOf(m_hSelItem)) {
        // A key is pressed by mistake more easily than a menu entry is chosen.
        if (ShowMessage(DeleteSuitQuestion(suit->m_strCharacter), MsgButtons::YesNo, MsgIcon::Question) == IDYES)
            OnDeleteSuit();
    } else if (HasData(m_hSelItem->parent())) {
        OnDeleteSuitItem();
    } else {
        OnDeleteItem();
    }
}

// ---- Mouse: right button for the menu, left button for dragging ----

void CLeftView::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::RightButton) {
        // On an item: select it and keep the press from the tree; elsewhere the selection stays as it is.
        if (QTreeWidgetItem* item = HitTestItem(pos)) setCurrentItem(item);
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton && !m_bDragging) {
        m_hPressItem = HitTestItem(pos);
        m_ptPress = pos;
    }
    QTreeWidget::mousePressEvent(event);
}

void CLeftView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        m_hPressItem = nullptr;
        if (m_bDragging) {
            Drop(pos);
            event->accept();
            return;
        }
    }
    if (event->button() == Qt::RightButton) {
        if (HitTestItem(pos)) ShowContextMenu(pos);
    }
    QTreeWidget::mouseReleaseEvent(event);
}

void CLeftView::mouseMoveEvent(QMouseEvent* event) {
    if (m_bDragging) {
        MoveDragImage(event->globalPosition().toPoint());
        const QPoint pos = event->position().toPoint();
        QTreeWidgetItem* over = viewport()->rect().contains(pos) ? itemAt(pos) : nullptr;
        SetHoverTarget(DropMoveFor(m_hDragItem, over) != DropMove::None ? over : nullptr);
        event->accept();
        return;
    }
    if ((event->buttons() & Qt::LeftButton) && m_hPressItem &&
        (event->position().toPoint() - m_ptPress).manhattanLength() >= QApplication::startDragDistance()) {
        QTreeWidgetItem* item = m_hPressItem;
        m_hPressItem = nullptr;
        BeginDrag(item, viewport()->mapToGlobal(m_ptPress));
        if (m_bDragging) {
            MoveDragImage(event->globalPosition().toPoint());
            event->accept();
            return;
        }
    }
    QTreeWidget::mouseMoveEvent(event);
}

void CLeftView::keyPressEvent(QKeyEvent* event) {
    if (m_bDragging && event->key() == Qt::Key_Escape) {
        EndDrag();
        event->accept();
        return;
    }
    const bool shiftF10 = event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier;
    if (event->key() == Qt::Key_Menu || shiftF10) {
        event->accept();
        ShowContextMenuForSelection();
        return;
    }
    if (event->matches(QKeySequence::Find)) {
        event->accept();
        FocusFilter();
        return;
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        event->accept();
        OnDeleteKey();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void CLeftView::contextMenuEvent(QContextMenuEvent* event) {
    // The window system's menu key; the mouse's menu comes with the right button's release.
    if (event->reason() == QContextMenuEvent::Keyboard) {
        event->accept();
        ShowContextMenuForSelection();
        return;
    }
    QTreeWidget::contextMenuEvent(event);
}

void CLeftView::focusOutEvent(QFocusEvent* event) {
    // Another window or a popup took the mouse: the drag is over.
    if (m_bDragging) EndDrag();
    QTreeWidget::focusOutEvent(event);
}

void CLeftView::hideEvent(QHideEvent* event) {
    if (m_bDragging) EndDrag();
    QTreeWidget::hideEvent(event);
}

void CLeftView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && m_bDragging && !isActiveWindow()) EndDrag();
    QTreeWidget::changeEvent(event);
}

// ---- Dragging ----

void CLeftView::BeginDrag(QTreeWidgetItem* item, const QPoint& globalPos) {
    m_hDragItem = item;
    SetDropTarget(nullptr);
    if (item) setCurrentItem(item);
    if (!IsDraggable(m_hDragItem)) return;

    // The drag image: the item's label as drawn.
    QRect label = visualItemRect(item);
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    label.setWidth(std::min(label.width(), fontMetrics().horizontalAdvance(item->text(0)) + 2 * margin));
    const QPixmap image = viewport()->grab(label);
    if (image.isNull()) return;

    m_nDragTimer = startTimer(DRAG_TIMER_PERIOD_MS);
    m_bDragging = 1;

    m_pDragImage = std::make_unique<QLabel>(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                                                         Qt::WindowDoesNotAcceptFocus);
    m_pDragImage->setObjectName(QStringLiteral("DragImage"));
    m_pDragImage->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_pDragImage->setAttribute(Qt::WA_ShowWithoutActivating);
    m_pDragImage->setPixmap(image);
    m_pDragImage->setFixedSize(image.size() / image.devicePixelRatio());
    m_pDragImage->setWindowOpacity(0.6);
    MoveDragImage(globalPos);
    m_pDragImage->show();
    viewport()->grabMouse();
}

CLeftView::DropMove CLeftView::DropMoveFor(const QTreeWidgetItem* dragged, const QTreeWidgetItem* target,
                                           CArmorSuit** suit) const {
    CArmorPiece* piece = PieceOf(dragged);
    if (!piece || !target || EditingRefused()) return DropMove::None;
    CArmorSuit* from = SuitOf(dragged->parent());
    if (!from) {
        // A pool piece onto a suit or one of its pieces.
        CArmorSuit* to = SuitOf(target) ? SuitOf(target) : (PieceOf(target) ? SuitOf(target->parent()) : nullptr);
        if (!to) return DropMove::None;
        if (suit) *suit = to;
        return DropMove::AddToSuit;
    }
    // A suit's piece onto "Items", a type node or a pool piece.
    for (const QTreeWidgetItem* p = target; p; p = p->parent())
        if (p == m_hItemsRoot) {
            if (suit) *suit = from;
            return DropMove::ReturnToPool;
        }
    return DropMove::None;
}

void CLeftView::Drop(const QPoint& pos) {
    QTreeWidgetItem* target = viewport()->rect().contains(pos) ? itemAt(pos) : nullptr;
    CArmorSuit* suit = nullptr;
    const DropMove move = DropMoveFor(m_hDragItem, target, &suit);
    CArmorPiece* piece = PieceOf(m_hDragItem);
    // The drag ends (capture released) before a question can come up; the move then rebuilds the tree.
    EndDrag();
    bool moved = false;
    if (move == DropMove::AddToSuit)
        moved = ::AddPieceToSuit(*m_pDoc, *suit, piece, AskReplacePiece);
    else if (move == DropMove::ReturnToPool)
        moved = DeleteSuitItem(*m_pDoc, suit, piece);
    // The piece stays selected where it went.
    if (moved) SelectData(piece);
}

void CLeftView::MoveDragImage(const QPoint& globalPos) {
    if (m_pDragImage) m_pDragImage->move(globalPos - QPoint(DRAG_HOT_SPOT, DRAG_HOT_SPOT));
}

void CLeftView::ShowDragImage(bool show) {
    if (m_pDragImage) m_pDragImage->setVisible(show);
}

void CLeftView::SetDropTarget(QTreeWidgetItem* item) {
    if (m_hDropTarget == item) return;
    m_hDropTarget = item;
    viewport()->update();
}

void CLeftView::SetHoverTarget(QTreeWidgetItem* item) {
    if (m_hHoverTarget == item) return;
    m_hHoverTarget = item;
    viewport()->update();
}

void CLeftView::EndDrag() {
    if (m_nDragTimer) killTimer(m_nDragTimer);
    m_nDragTimer = 0;
    m_pDragImage.reset();
    SetDropTarget(nullptr);
    SetHoverTarget(nullptr);
    if (m_bDragging) viewport()->releaseMouse();
    m_bDragging = 0;
    m_hDragItem = nullptr;
    m_hPressItem = nullptr;
}

void CLeftView::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_nDragTimer || m_nDragTimer == 0) {
        QTreeWidget::timerEvent(event);
        return;
    }
    OnDragTimer();
}

void CLeftView::OnDragTimer() {
    ++m_nDragTicks;
    const QPoint pt = QCursor::pos();
    const QRect client(viewport()->mapToGlobal(QPoint(0, 0)), viewport()->size());
    // Window rectangles: right and bottom lie one past the last pixel.
    const int left = client.left(), top = client.top();
    const int right = left + client.width(), bottom = top + client.height();
    MoveDragImage(pt);

    QScrollBar* vbar = verticalScrollBar();
    if (pt.x() >= left - 10 && pt.x() <= right + 10) {
        if (pt.y() < top + 10 && vbar->value() > vbar->minimum()) {
            int n = 6 - (top - pt.y() + 10) / 20;
            if (n <= 0) n = 1;
            if (m_nDragTicks % n == 0) {
                ShowDragImage(false);
                QTreeWidgetItem* first = itemAt(0, 0);
                vbar->triggerAction(QAbstractSlider::SliderSingleStepSub);
                SetDropTarget(first);
                ShowDragImage(true);
            }
        } else if (pt.y() > bottom - 10 && vbar->value() < vbar->maximum()) {
            int n = 6 - (pt.y() - bottom + 10) / 20;
            if (n <= 0) n = 1;
            if (m_nDragTicks % n == 0) {
                ShowDragImage(false);
                QTreeWidgetItem* item = itemAt(0, 0);
                const int rowHeight = item ? std::max(1, visualItemRect(item).height()) : 1;
                const int visible = viewport()->height() / rowHeight;
                vbar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
                for (int i = 0; item && i < visible - 1; ++i) item = itemBelow(item);
                SetDropTarget(item);
                ShowDragImage(true);
            }
        }
    }

    QScrollBar* hbar = horizontalScrollBar();
    if (client.contains(pt)) {
        if (pt.x() < left + 10 && hbar->value() > hbar->minimum()) {
            ShowDragImage(false);
            hbar->triggerAction(QAbstractSlider::SliderSingleStepSub);
            ShowDragImage(true);
        } else if (pt.x() > right - 10 && hbar->value() < hbar->maximum()) {
            ShowDragImage(false);
            hbar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            ShowDragImage(true);
        }
    }
}

void CLeftView::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    // As in a tree control with a drop highlight: while there is one, it is the one row drawn selected.
    QStyleOptionViewItem shown(option);
    if (const QTreeWidgetItem* target = DropHighlight()) {
        if (itemFromIndex(index) == target) {
            shown.state |= QStyle::State_Selected;
        } else {
            shown.palette.setBrush(QPalette::Highlight, shown.palette.base());
            shown.palette.setBrush(QPalette::HighlightedText, shown.palette.text());
        }
    }
    QTreeWidget::drawRow(painter, shown, index);
}
