#pragma once
// The items and suits tree, the left pane of a document window: the pool grouped by slot type
// under "Items", the assigned suits with their pieces under "Suits". Its selection gives the
// document's piece count; every plain refresh rebuilds it from the document.
#include <QTreeWidget>

#include <string>

#include "CmdTarget.h"
#include "document/GorvantaDoc.h"

class CArmorPiece;
class CArmorSuit;

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

    QTreeWidgetItem* m_hItemsRoot = nullptr;
    QTreeWidgetItem* m_hSuitsRoot = nullptr;
    // The item named by the last selection change; the tree's commands act on it.
    QTreeWidgetItem* m_hSelItem = nullptr;
    // 1 between the start and the end of a run.
    int m_bCalculating = 0;

signals:
    // The document's piece count has changed.
    void pieceCountChanged();

private:
    void OnSelChanged();
    // Inserts child under parent at its place in the order of labels.
    void InsertSorted(QTreeWidgetItem* parent, QTreeWidgetItem* child);

    CGorvantaDoc* m_pDoc;
};
