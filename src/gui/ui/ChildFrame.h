#pragma once
// A document window: a two-pane splitter with the items and suits tree on the left and the
// results list on the right. It remembers its placement and the split in the per-user store and
// reports the piece count of its document. It follows its document's signals and tells whoever shows
// it of its own changes through signals; it knows nothing of the main frame.
#include <QMdiSubWindow>

#include "CmdTarget.h"
#include "WindowPlacement.h"

class CDocHolder;
class CGorvantaView;
class CLeftView;
class QSplitter;

class CChildFrame : public QMdiSubWindow, public CCmdTarget, public IPlacedWindow, public ISplitPane {
    Q_OBJECT
public:
    explicit CChildFrame(CDocHolder& doc);
    ~CChildFrame() override;

    // Placement from the store (or the default size); sets m_nShowState.
    bool PreCreateWindow(CCreateParams& cs);
    // The splitter and its two views, both attached to the document.
    bool OnCreateClient();
    // Shows the window, maximized when m_nShowState says so.
    void ActivateFrame(int showCmd = -1);

    QSplitter* m_wndSplitter = nullptr;
    // SW_SHOWMAXIMIZED: open maximized; 0: open as asked.
    int m_nShowState = 0;
    // Number of this window among the document's windows; 0 when it is the only one.
    int m_nWindow = 0;

    CDocHolder* GetDocument() const { return m_pDoc; }
    CLeftView* GetLeftView() const { return m_pLeftView; }
    CGorvantaView* GetResultsView() const { return m_pResultsView; }
    // The view that commands go to first: the one that had the focus last.
    CCmdTarget* GetActiveView() const;
    // The client width the split was computed from when the window was made.
    int CreatedClientWidth() const { return m_nCreatedClientWidth; }

    // "Piece count: %d/%d" for the document, or empty without one.
    QString OnUpdatePieceCount() const;
    void OnUpdateFrameTitle();
    // Title as the window shows it: the document's title with the window number.
    QString FrameTitle() const;

    // The document closes: the views leave it and the window goes.
    void DetachFromDocument();
    // Closes the window without asking (the document is closing).
    void DestroyFrame();
    // Lets the user move the split bar with the keyboard: arrows move it, Enter keeps, Escape
    // restores.
    void OnKeyboardSplit();
    bool IsKeyboardSplitting() const { return m_bKeyboardSplit; }

    bool OnCmdMsg(int id, CCmdUI* pUI) override;
    CWindowPlacement GetWindowPlacement() const override;
    int GetColumnWidth(int column) const override;

signals:
    // The tree's selection or the document's pool changed.
    void pieceCountChanged();
    // The window's title, its modified mark or its maximized state changed.
    void titleChanged();
    // Something the enabled and checked states of commands depend on changed: the document, a run
    // ended, the pane that commands go to first.
    void commandStatesChanged();
    // The window has closed; it has left its document.
    void closed();
    // The results list turned a column's display switch: every open list is to follow.
    void displaySwitchesChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RememberNormalGeometry();
    void EndKeyboardSplit(bool keep);
    void ActivateNextPane(bool next);
    void SetActiveView(QWidget* view);

    CDocHolder* m_pDoc;
    CLeftView* m_pLeftView = nullptr;
    CGorvantaView* m_pResultsView = nullptr;
    QWidget* m_pActiveView = nullptr;
    QRect m_rcNormal;
    int m_nCreatedClientWidth = 0;
    bool m_bDestroying = false;
    bool m_bCreated = false;
    bool m_bKeyboardSplit = false;
    int m_nSplitBefore = 0;
};
