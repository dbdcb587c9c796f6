#pragma once
// The one top-level window: menu bar, toolbar, status bar, the document area with the document
// windows, the "Always on Top" switch, and as members the settings and the name tables.
#include <QMainWindow>

#include <map>
#include <vector>

#include "CmdTarget.h"
#include "WindowPlacement.h"
#include "calc/Settings.h"

class CChildFrame;
class CGorvantaApp;
class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QToolBar;
struct CMenuItemDef;

class CMainFrame : public QMainWindow, public CCmdTarget, public IPlacedWindow {
    Q_OBJECT
public:
    explicit CMainFrame(CGorvantaApp& app);
    ~CMainFrame() override;

    // Creates the window from resource 128: placement, toolbar, status bar, always-on-top, the
    // settings; then publishes the frame as g_pMainFrame. False when it cannot be created.
    bool LoadFrame(int resourceId);

    // The settings with the name tables.
    CSettings m_settings;
    int m_bAlwaysOnTop = 0;

    QMdiArea* MdiArea() const { return m_pMdiArea; }
    QToolBar* ToolBar() const { return m_wndToolBar; }
    QLabel* PieceCountPane() const { return m_pPieceCountPane; }
    QLabel* MessagePane() const { return m_pMessagePane; }
    // The active document window, or null.
    CChildFrame* MDIGetActive() const;
    // The menu bar in force: IDR_MAINFRAME or IDR_DOCTYPE.
    int CurrentMenuId() const { return m_nMenuId; }
    QAction* Action(int id) const;
    // The popup of the menu bar with that title (as in the resource, with '&'), or null.
    QMenu* MenuPopup(const QString& title) const;

    void ApplyAlwaysOnTop(int flag);
    // Runs a command along the route, if it is enabled there.
    void OnCommand(int id);
    // Whether some target along the route handles the command, and its state.
    bool RouteCmdMsg(int id, CCmdUI* pUI);
    // Refreshes every command's enabled and checked state, the piece count, the titles and the menu bar.
    void OnIdleUpdateCmdUI();
    void UpdatePieceCountPane();
    // Picks the menu bar for whether a document window is open.
    void OnUpdateFrameMenu();
    void OnUpdateFrameTitle();

    bool OnCmdMsg(int id, CCmdUI* pUI) override;
    CWindowPlacement GetWindowPlacement() const override;

    // The window commands of the Window menu.
    void OnWindowNew();
    void OnWindowArrange();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool PreCreateWindow(CCreateParams& cs);
    bool OnCreate();
    void CreateActions();
    QAction* MakeAction(int id, const char* text);
    void BuildMenu(QMenu* menu, const std::vector<CMenuItemDef>& items);
    void UpdateRecentFileItems(QMenu* fileMenu);
    void UpdateWindowListItems(QMenu* windowMenu);
    void RememberNormalGeometry();

    CGorvantaApp& m_app;
    QMdiArea* m_pMdiArea = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    QLabel* m_pMessagePane = nullptr;
    QLabel* m_pPieceCountPane = nullptr;
    std::map<int, QAction*> m_actions;
    // The two menu bars' popups, built once and swapped in and out of the bar.
    std::vector<QAction*> m_mainMenuBar;
    std::vector<QAction*> m_docMenuBar;
    int m_nMenuId = 0;
    // Restored rectangle, relative to the work area.
    QRect m_rcNormal;
};

// The main frame, set at the end of its creation.
extern CMainFrame* g_pMainFrame;
