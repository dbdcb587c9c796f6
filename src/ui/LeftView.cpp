#include "LeftView.h"

#include <QApplication>
#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

#include "AddPieceDlg.h"
#include "WaitCursor.h"
#include "calc/CalcState.h"
#include "document/Assignment.h"
#include "model/MessageBox.h"
#include "resources/Menus.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"
#include "model/ArmorPiece.h"
#include "model/ArmorSuit.h"
#include "model/QtText.h"

namespace {
constexpr int DRAG_TIMER_PERIOD_MS = 10;
// Where the pointer holds the drag image.
constexpr int DRAG_HOT_SPOT = 15;


// Labels sort alphabetically without regard to case; equal ones keep their order of insertion.
bool LabelLess(const std::string& a, const std::string& b) {
    return LessNoCaseCp1252(a, b);
}
}  // namespace

CTreeItem::CTreeItem(const std::string& label, Kind kind, void* data)
    : QTreeWidgetItem(QTreeWidgetItem::UserType), m_strLabel(label), m_nKind(kind), m_pData(data) {
    setText(0, ToQt(label));
}

CLeftView::CLeftView(CGorvantaDoc& doc, QWidget* parent) : QTreeWidget(parent), m_pDoc(&doc) {
    setObjectName(QStringLiteral("LeftView"));
    setColumnCount(1);
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setItemsExpandable(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Long item lines scroll sideways instead of being cut.
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &CLeftView::OnSelChanged);
    m_pDoc->AddView(this);
}

CLeftView::~CLeftView() {
    if (m_bDragging) EndDrag();
    Detach();
}

void CLeftView::Detach() {
    if (m_pDoc) m_pDoc->RemoveView(this);
    m_pDoc = nullptr;
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
    ResetRoots();
    for (const PoolList& list : m_pDoc->m_arrPool)
        for (CArmorPiece* piece : list)
            if (piece) InsertPieceItem(piece);
    for (CArmorSuit* suit : m_pDoc->m_arrSuits)
        if (suit) InsertSuitItem(suit);
    m_hItemsRoot->setExpanded(true);
}

void CLeftView::ResetRoots() {
    // The old items go; the selection and drag handles would point at deleted items.
    if (m_bDragging) EndDrag();
    m_hSelItem = nullptr;
    m_hDragItem = m_hDropTarget = m_hPressItem = nullptr;
    clear();
    m_hItemsRoot = new CTreeItem("Items", CTreeItem::None, nullptr);
    m_hSuitsRoot = new CTreeItem("Suits", CTreeItem::None, nullptr);
    addTopLevelItem(m_hItemsRoot);
    addTopLevelItem(m_hSuitsRoot);
}

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

int CLeftView::CountPieceItems(QTreeWidgetItem* item) const {
    if (!item) return 0;
    int n = HasData(item) ? 1 : 0;
    for (int i = 0; i < item->childCount(); ++i) n += CountPieceItems(item->child(i));
    return n;
}

bool CLeftView::IsDraggable(QTreeWidgetItem* item) const { return HasData(item); }

void CLeftView::DeleteItemAndEmptyParents(QTreeWidgetItem* item) {
    while (item) {
        QTreeWidgetItem* parent = item->parent();
        if (item == m_hSelItem) m_hSelItem = nullptr;
        if (item == m_hDropTarget) m_hDropTarget = nullptr;
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
    switch (ui.m_nID) {
        case ID_ADD_PIECE_TO_SUIT: ui.Enable(pool); break;
        case ID_DELETE_ITEM: ui.Enable(pool); break;
        case ID_DELETE_SUIT: ui.Enable(suit); break;
        case ID_DELETE_SUIT_ITEM: ui.Enable(suitPiece); break;
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

bool CLeftView::RunCommand(int id) {
    switch (id) {
        case ID_ADD_PIECE_TO_SUIT: OnAddPieceToSuit(); return true;
        case ID_DELETE_ITEM: OnDeleteItem(); return true;
        case ID_DELETE_SUIT: OnDeleteSuit(); return true;
        case ID_DELETE_SUIT_ITEM: OnDeleteSuitItem(); return true;
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
            EndDrag();
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
    QTreeWidget::keyPressEvent(event);
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

void CLeftView::EndDrag() {
    if (m_nDragTimer) killTimer(m_nDragTimer);
    m_nDragTimer = 0;
    m_pDragImage.reset();
    SetDropTarget(nullptr);
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
    if (m_hDropTarget && itemFromIndex(index) == m_hDropTarget) {
        QStyleOptionViewItem highlighted(option);
        highlighted.state |= QStyle::State_Selected;
        QTreeWidget::drawRow(painter, highlighted, index);
        return;
    }
    QTreeWidget::drawRow(painter, option, index);
}
