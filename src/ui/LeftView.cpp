#include "LeftView.h"

#include <QHeaderView>

#include "WaitCursor.h"
#include "model/ArmorPiece.h"
#include "model/ArmorSuit.h"
#include "model/Cp1252.h"

namespace {
QString ToQt(const std::string& s) { return QString::fromStdU16String(Cp1252ToUtf16(s)); }

// Labels sort alphabetically without regard to case; equal ones keep their order of insertion.
bool LabelLess(const std::string& a, const std::string& b) {
    const std::string la = LowerCp1252(a), lb = LowerCp1252(b);
    return std::lexicographical_compare(la.begin(), la.end(), lb.begin(), lb.end(),
                                        [](char x, char y) { return (unsigned char)x < (unsigned char)y; });
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

CLeftView::~CLeftView() { Detach(); }

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
    // The old items go; the selection handle would point at a deleted item.
    m_hSelItem = nullptr;
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
