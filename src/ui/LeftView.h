#pragma once
// The items and suits tree, the left pane of a document window: the pool grouped by slot type
// under "Items", the assigned suits with their pieces under "Suits". Its selection gives the
// document's piece count; every plain refresh rebuilds it from the document.
#include <QPoint>
#include <QTreeWidget>

#include <memory>
#include <string>

#include "CmdTarget.h"
#include "document/GorvantaDoc.h"

class CArmorPiece;
class CArmorSuit;
class QLabel;
class QMenu;

constexpr const char* DELETE_PIECE_QUESTION = "Are you sure you want to delete this piece?";

// A tree item with the text it was given (8-bit) and what it stands for.
class CTreeItem : public QTreeWidgetItem {
public:
    enum Kind { None, Piece, Suit };
    CTreeItem(const std::string& label, Kind kind, void* data);

    std::string m_strLabel;
    Kind m_nKind;
    void* m_pData;
};

class CLeftView : public QTreeWidget, public IDocView, public CCmdTarget {
    Q_OBJECT
public:
    explicit CLeftView(CGorvantaDoc& doc, QWidget* parent = nullptr);
    ~CLeftView() override;

    CGorvantaDoc* GetDocument() const { return m_pDoc; }
    // The document closes: leave it.
    void Detach();

    void OnInitialUpdate();
    void OnUpdate(IDocView* sender, int hint) override;

    void RebuildTree();
    void ResetRoots();
    QTreeWidgetItem* InsertPieceItem(CArmorPiece* piece);
    QTreeWidgetItem* InsertSuitItem(CArmorSuit* suit);
    // First child of parent, in display order, whose text is exactly text (byte-wise); null if none.
    QTreeWidgetItem* FindChildByText(QTreeWidgetItem* parent, const std::string& text) const;
    // Items with data in the subtree of item, item included.
    int CountPieceItems(QTreeWidgetItem* item) const;
    virtual bool IsDraggable(QTreeWidgetItem* item) const;
    // Deletes the item and every parent it leaves empty, up to "Items"; when pieces stay under the
    // parent, the first of them is selected.
    void DeleteItemAndEmptyParents(QTreeWidgetItem* item);

    // What an item stands for.
    static CArmorPiece* PieceOf(const QTreeWidgetItem* item);
    static CArmorSuit* SuitOf(const QTreeWidgetItem* item);
    static bool HasData(const QTreeWidgetItem* item);
    // The item's text as it was given.
    static std::string LabelOf(const QTreeWidgetItem* item);

    // The item whose label (not merely its row) lies under a point of the viewport; null elsewhere.
    QTreeWidgetItem* HitTestItem(const QPoint& pos) const;
    // The context menu for the selected item, its entries enabled as the item allows.
    QMenu* CreateContextMenu();
    void OnInitMenuPopup(QMenu* menu);
    bool OnCmdMsg(int id, CCmdUI* pUI) override;

    // The context commands; each acts on m_hSelItem.
    void OnAddPieceToSuit();
    void OnDeleteItem();
    void OnDeleteSuit();
    void OnDeleteSuitItem();

    bool IsDragging() const { return m_bDragging != 0; }
    QTreeWidgetItem* DragItem() const { return m_hDragItem; }
    QTreeWidgetItem* DropTarget() const { return m_hDropTarget; }
    QLabel* DragImage() const { return m_pDragImage.get(); }
    int DragTimer() const { return m_nDragTimer; }
    // Ends a drag without changing anything in the document.
    void EndDrag();

    QTreeWidgetItem* m_hItemsRoot = nullptr;
    QTreeWidgetItem* m_hSuitsRoot = nullptr;
    // The item named by the last selection change; the tree's commands act on it.
    QTreeWidgetItem* m_hSelItem = nullptr;
    // 1 between the start and the end of a run.
    int m_bCalculating = 0;

signals:
    // The document's piece count has changed.
    void pieceCountChanged();
    // The context menu is up (tests and the status bar watch it).
    void contextMenuShown(QMenu* menu);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    void UpdateCommand(CCmdUI& ui) const;
    bool RunCommand(int id);
    bool EditingRefused() const;
    void ShowContextMenu(const QPoint& pos);
    void BeginDrag(QTreeWidgetItem* item, const QPoint& globalPos);
    void OnDragTimer();
    void MoveDragImage(const QPoint& globalPos);
    void ShowDragImage(bool show);
    void SetDropTarget(QTreeWidgetItem* item);

    // Drag state: the image follows the pointer, a 10 ms timer scrolls near the edges.
    std::unique_ptr<QLabel> m_pDragImage;
    int m_bDragging = 0;
    QTreeWidgetItem* m_hDragItem = nullptr;
    QTreeWidgetItem* m_hDropTarget = nullptr;
    int m_nDragTicks = 0;
    int m_nDragTimer = 0;
    // Where the left button went down, and on which label.
    QTreeWidgetItem* m_hPressItem = nullptr;
    QPoint m_ptPress;

    void OnSelChanged();
    // Inserts child under parent at its place in the order of labels.
    void InsertSorted(QTreeWidgetItem* parent, QTreeWidgetItem* child);

    CGorvantaDoc* m_pDoc;
};
