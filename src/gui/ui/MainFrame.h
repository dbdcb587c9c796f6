#pragma once
// The one top-level window: menu bar, toolbar, status bar, the document area with the document
// windows, the "Always on Top" switch, and as members the settings and the name tables. Commands go
// along the route to its host last; the states of the commands are refreshed when the document
// windows report a change, not on a timer.
#include <QMainWindow>
#include <QStringList>

#include <map>
#include <vector>

#include "CmdTarget.h"
#include "FrameHost.h"
#include "WindowPlacement.h"
#include "core/calc/Settings.h"
#include "gui/calc/AppState.h"

class CChildFrame;
class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QTimer;
class QToolBar;
struct CMenuItemDef;

class CMainFrame : public QMainWindow, public CCmdTarget, public IPlacedWindow {
    Q_OBJECT
public:
    explicit CMainFrame(IMainFrameHost& host);
    ~CMainFrame() override;

    // Creates the window from resource 128: placement, toolbar, status bar, always-on-top, the
    // settings, which become the ones TheSettings() returns. False when it cannot be created.
    bool LoadFrame(int resourceId);
    // Puts a new document window into the document area and follows its signals.
    void AddChildFrame(CChildFrame* frame);
    // The recent files, newest first, for the entries of the File menu.
    void SetRecentFiles(const QStringList& files);

    // The settings with the name tables.
    CSettings m_settings;
    int m_bAlwaysOnTop = 0;

    QMdiArea* MdiArea() const { return m_pMdiArea; }
    // The size of the area that holds the document windows, laid out now even while the window is hidden.
    QSize DocumentAreaSize() const;
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
    void UpdateCmdUI();
    // The same once control returns to the event loop; several requests make one refresh.
    void UpdateCmdUILater();
    void UpdatePieceCountPane();
    // Picks the menu bar for whether a document window is open.
    void OnUpdateFrameMenu();
    void OnUpdateFrameTitle();

    bool OnCmdMsg(int id, CCmdUI* pUI) override;
    CWindowPlacement GetWindowPlacement() const override;

    // Arrange Icons and Cascade of the Window menu.
    void OnWindowArrange();
    void OnWindowCascade();

signals:
    // Every command state has just been refreshed.
    void commandStatesUpdated();
    // Files were dropped on the window, to be opened in this order.
    void filesDropped(const QStringList& files);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool PreCreateWindow(CCreateParams& cs);
    bool OnCreate();
    void CreateActions();
    QAction* MakeAction(int id, const char* text);
    void BuildMenu(QMenu* menu, const std::vector<CMenuItemDef>& items);
    void UpdateRecentFileItems();
    // The display switches belong to the program: the documents other than the one of `from` hear of
    // a change as after the Filters dialog.
    void OnDisplaySwitchesChanged(CChildFrame* from);
    void UpdateWindowListItems(QMenu* windowMenu);
    void RememberNormalGeometry();

    IMainFrameHost& m_host;
    QMdiArea* m_pMdiArea = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    QLabel* m_pMessagePane = nullptr;
    QLabel* m_pPieceCountPane = nullptr;
    std::map<int, QAction*> m_actions;
    // Accelerators that are enabled only while their command is, so that the key is not lost otherwise.
    std::vector<std::pair<int, QAction*>> m_arrCommandOnlyAccels;
    // The two menu bars' popups, built once and swapped in and out of the bar.
    std::vector<QAction*> m_mainMenuBar;
    std::vector<QAction*> m_docMenuBar;
    int m_nMenuId = 0;
    QStringList m_recentFiles;
    QTimer* m_pUpdateTimer = nullptr;
    // Restored rectangle, relative to the work area.
    QRect m_rcNormal;
};
