#pragma once
// The items and suits tree, the left pane of a document window: the pool grouped by slot type
// under "Items", the assigned suits with their pieces under "Suits". Its selection gives the
// document's piece count; every plain refresh rebuilds it from the document, keeping what was
// expanded, selected and scrolled to. A filter box above it shows only the pieces whose text
// contains what is typed. A pool piece dragged onto a suit joins it; a suit's piece dragged onto
// the pool goes back to it.
#include <QPoint>
#include <QStringList>
#include <QTreeWidget>

#include <memory>
#include <string>
#include <vector>

#include "CmdTarget.h"
#include "core/document/GorvantaDoc.h"

class CArmorPiece;
class CArmorSuit;
class QLabel;
class QLineEdit;
class QMenu;

constexpr const char* DELETE_PIECE_QUESTION = "Are you sure you want to delete this piece?";
// Asked when the Delete key (not the menu command) would dissolve a suit; %1 is the character.
constexpr const char* DELETE_SUIT_QUESTION = "Delete the suit of %1? Its pieces return to the pool.";

// A tree item with the text it was given (8-bit) and what it stands for. A piece's tooltip and its
// mark's look are taken from the piece when they are shown.
class CTreeItem : public QTreeWidgetItem {
public:
    enum Kind { None, Piece, Suit };
    CTreeItem(const std::string& label, Kind kind, void* data);
    QVariant data(int column, int role) const override;

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
    // The document closes: leave it, and drop the items that point into it.
    void Detach();

    void OnInitialUpdate();
    void OnUpdate(IDocView* sender, int hint) override;

    void RebuildTree();
    void ResetRoots();
    // The items of the pool and the suits under the roots, in sorted order.
    void BuildItems();
    QTreeWidgetItem* InsertPieceItem(CArmorPiece* piece);
    QTreeWidgetItem* InsertSuitItem(CArmorSuit* suit);
    // First child of parent, in display order, whose text is exactly text (byte-wise); null if none.
    QTreeWidgetItem* FindChildByText(QTreeWidgetItem* parent, const std::string& text) const;
    // The item that stands for this piece or suit; null if none.
    QTreeWidgetItem* FindDataItem(const void* data) const;
    // Items with data in the subtree of item, item included.
    int CountPieceItems(QTreeWidgetItem* item) const;
    // The pieces under the selected item as the tree shows them now; 0 with nothing selected.
    int SelectedPieceCount() const { return CountPieceItems(m_hSelItem); }
    virtual bool IsDraggable(QTreeWidgetItem* item) const;
    // A slot type's node under "Items"; it shows its piece count after its name.
    bool IsTypeNode(const QTreeWidgetItem* item) const;
    // The text the tree draws for the item: its label, and a type node's piece count (while filtering, how
    // many of them are shown).
    QString DisplayText(const QTreeWidgetItem* item) const;
    // Deletes the item and every parent it leaves empty, up to "Items"; when pieces stay under the
    // parent, the first of them is selected.
    void DeleteItemAndEmptyParents(QTreeWidgetItem* item);

    // What an item stands for.
    static CArmorPiece* PieceOf(const QTreeWidgetItem* item);
    static CArmorSuit* SuitOf(const QTreeWidgetItem* item);
    static bool HasData(const QTreeWidgetItem* item);
    // The item's text as it was given.
    static std::string LabelOf(const QTreeWidgetItem* item);
    QTreeWidgetItem* ItemOf(const QModelIndex& index) const { return itemFromIndex(index); }

    // Where an item is: the labels from the root down, each with its number among equal siblings. It
    // finds the same place again in a tree built anew.
    static QStringList KeyOf(const QTreeWidgetItem* item);
    QTreeWidgetItem* ItemForKey(const QStringList& key) const;

    // The filter box above the tree. Only pieces whose text holds the filter (ignoring case), and the
    // suits that hold such pieces or whose character's name holds it, are shown.
    QLineEdit* FilterBox() const { return m_pFilter; }
    // The keyboard goes to the filter box, its text selected for typing over.
    void FocusFilter();
    void ApplyFilter();

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
    void OnSetMark(PieceMark mark);
    // Edit Piece...: a pool piece or a suit's piece, corrected in the edit dialog as one change.
    void OnEditPiece();
    // The Delete key: a pool piece after the question, a suit after its own question, a suit's piece.
    void OnDeleteKey();

    // What releasing a dragged item over target does: a pool piece joins the suit it is dropped on
    // (or on one of whose pieces); a suit's piece dropped on "Items" or anything under it goes back to
    // the pool. Everything else does nothing.
    enum class DropMove { None, AddToSuit, ReturnToPool };
    DropMove DropMoveFor(const QTreeWidgetItem* dragged, const QTreeWidgetItem* target, CArmorSuit** suit = nullptr) const;

    bool IsDragging() const { return m_bDragging != 0; }
    QTreeWidgetItem* DragItem() const { return m_hDragItem; }
    QTreeWidgetItem* DropTarget() const { return m_hDropTarget; }
    // The item that a release now would drop on, highlighted while the pointer is over it.
    QTreeWidgetItem* HoverTarget() const { return m_hHoverTarget; }
    // The row drawn as the drop target: the hover target, else the auto-scroll's drop target.
    QTreeWidgetItem* DropHighlight() const { return m_hHoverTarget ? m_hHoverTarget : m_hDropTarget; }
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
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    // What a rebuild keeps.
    struct CViewState {
        std::vector<QStringList> expanded;
        QStringList selected;
        int vscroll = 0;
        int hscroll = 0;
    };
    CViewState SaveViewState() const;
    void RestoreViewState(const CViewState& state);
    std::vector<QStringList> ExpandedKeys() const;
    void SetExpandedKeys(const std::vector<QStringList>& keys);
    void OnFilterEdited();

    void UpdateCommand(CCmdUI& ui) const;
    bool RunCommand(int id);
    bool EditingRefused() const;
    void ShowContextMenu(const QPoint& pos);
    // The context menu at the selected item, for the keyboard.
    void ShowContextMenuForSelection();
    void BeginDrag(QTreeWidgetItem* item, const QPoint& globalPos);
    void Drop(const QPoint& pos);
    void SelectData(const void* data);
    void OnDragTimer();
    void MoveDragImage(const QPoint& globalPos);
    void ShowDragImage(bool show);
    void SetDropTarget(QTreeWidgetItem* item);
    void SetHoverTarget(QTreeWidgetItem* item);

    // Drag state: the image follows the pointer, a 10 ms timer scrolls near the edges.
    std::unique_ptr<QLabel> m_pDragImage;
    int m_bDragging = 0;
    QTreeWidgetItem* m_hDragItem = nullptr;
    QTreeWidgetItem* m_hDropTarget = nullptr;
    QTreeWidgetItem* m_hHoverTarget = nullptr;
    int m_nDragTicks = 0;
    int m_nDragTimer = 0;
    // Where the left button went down, and on which label.
    QTreeWidgetItem* m_hPressItem = nullptr;
    QPoint m_ptPress;

    void OnSelChanged();
    // Inserts child under parent at its place in the order of labels.
    void InsertSorted(QTreeWidgetItem* parent, QTreeWidgetItem* child);

    QLineEdit* m_pFilter = nullptr;
    // The lower-cased filter the tree shows, and what was expanded before filtering began.
    std::string m_strFilter;
    std::vector<QStringList> m_arrExpandedBeforeFilter;
    CGorvantaDoc* m_pDoc;
};
