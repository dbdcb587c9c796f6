#include "MainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QDir>
#include <QLabel>
#include <QLayout>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <set>

#include "ChildFrame.h"
#include "DocHolder.h"
#include "qtstore/FileNames.h"
#include "gui/resources/Icons.h"
#include "gui/resources/Menus.h"
#include "gui/resources/Resource.h"
#include "gui/resources/StringTable.h"

namespace {
constexpr int DEFAULT_FRAME_WIDTH = 702;
constexpr int DEFAULT_FRAME_HEIGHT = 416;
constexpr int MDI_WINDOW_ROLE = Qt::UserRole + 1;

QKeySequence AccelSequence(const CAccelDef& a) {
    Qt::Key key = Qt::Key_unknown;
    switch (a.key) {
        case AccelKey::N: key = Qt::Key_N; break;
        case AccelKey::O: key = Qt::Key_O; break;
        case AccelKey::S: key = Qt::Key_S; break;
        case AccelKey::P: key = Qt::Key_P; break;
        case AccelKey::V: key = Qt::Key_V; break;
        case AccelKey::C: key = Qt::Key_C; break;
        case AccelKey::X: key = Qt::Key_X; break;
        case AccelKey::Y: key = Qt::Key_Y; break;
        case AccelKey::Z: key = Qt::Key_Z; break;
        case AccelKey::F: key = Qt::Key_F; break;
        case AccelKey::Insert: key = Qt::Key_Insert; break;
        case AccelKey::Delete: key = Qt::Key_Delete; break;
        case AccelKey::Backspace: key = Qt::Key_Backspace; break;
        case AccelKey::Escape: key = Qt::Key_Escape; break;
        case AccelKey::F5: key = Qt::Key_F5; break;
        case AccelKey::F6: key = Qt::Key_F6; break;
        case AccelKey::F1: key = Qt::Key_F1; break;
    }
    Qt::KeyboardModifiers mods;
    if (a.modifiers & ACCEL_SHIFT) mods |= Qt::ShiftModifier;
    if (a.modifiers & ACCEL_CTRL) mods |= Qt::ControlModifier;
    if (a.modifiers & ACCEL_ALT) mods |= Qt::AltModifier;
    return QKeySequence(QKeyCombination(mods, key));
}

// The first accelerator of the command, or none.
QKeySequence CommandShortcut(int id) {
    for (const CAccelDef& a : AcceleratorResource())
        if (a.id == id) return AccelSequence(a);
    return QKeySequence();
}

// The checked commands of the menus.
bool IsCheckCommand(int id) {
    return id == ID_VIEW_TOOLBAR || id == ID_VIEW_STATUS_BAR || id == ID_VIEW_ALWAYS_ON_TOP;
}

// "&1 /home/me/suits.gva", with the middle of a long path left out.
QString RecentFileText(int index, const QString& path) {
    QString shown = QDir::toNativeSeparators(FileNameForDisplay(path));
    constexpr int MAX_CHARS = 48;
    if (shown.size() > MAX_CHARS) {
        const QString name = FileNameForDisplay(BaseFileName(path));
        const int keep = std::max(0, MAX_CHARS - int(name.size()) - 4);
        shown = shown.left(keep) + QStringLiteral("...") + QDir::separator() + name;
    }
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(shown);
}
}  // namespace

CMainFrame::CMainFrame(IMainFrameHost& host) : m_host(host) {
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(QString::fromLatin1(APP_NAME));
    setAcceptDrops(true);
}

CMainFrame::~CMainFrame() {
    if (&TheSettings() == &m_settings) SetTheSettings(nullptr);
}

bool CMainFrame::LoadFrame(int resourceId) {
    if (resourceId != IDR_MAINFRAME) return false;
    CCreateParams cs;
    if (!PreCreateWindow(cs)) return false;
    if (cs.HasSize()) resize(cs.cx, cs.cy);
    if (cs.HasPos()) move(cs.x, cs.y);
    return OnCreate();
}

bool CMainFrame::PreCreateWindow(CCreateParams& cs) {
    LoadFramePlacement(cs, DEFAULT_FRAME_WIDTH, DEFAULT_FRAME_HEIGHT, &m_bAlwaysOnTop);
    return true;
}

bool CMainFrame::OnCreate() {
    m_pMdiArea = new QMdiArea(this);
    m_pMdiArea->setObjectName(QStringLiteral("MdiArea"));
    m_pMdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pMdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pMdiArea->setBackground(QColor(128, 128, 128));
    setCentralWidget(m_pMdiArea);
    m_pUpdateTimer = new QTimer(this);
    m_pUpdateTimer->setSingleShot(true);
    m_pUpdateTimer->setInterval(0);
    connect(m_pUpdateTimer, &QTimer::timeout, this, &CMainFrame::UpdateCmdUI);
    connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, [this] { UpdateCmdUI(); });

    CreateActions();

    // Toolbar: buttons of resource 128; it docks on any side.
    m_wndToolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_wndToolBar->setObjectName(QStringLiteral("ToolBar"));
    m_wndToolBar->setIconSize(QSize(16, 16));
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setFloatable(true);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    for (int id : ToolbarResource()) {
        if (id == 0) {
            m_wndToolBar->addSeparator();
            continue;
        }
        m_wndToolBar->addAction(Action(id));
    }
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
    // The toolbar can also be hidden from the window's context menu.
    connect(m_wndToolBar, &QToolBar::visibilityChanged, this, &CMainFrame::UpdateCmdUILater);

    // Status bar: the message pane and the piece count pane.
    m_pMessagePane = new QLabel(QString::fromLatin1(IDLE_MESSAGE));
    m_pMessagePane->setObjectName(QStringLiteral("MessagePane"));
    m_pPieceCountPane = new QLabel;
    m_pPieceCountPane->setObjectName(QStringLiteral("PieceCountPane"));
    m_pPieceCountPane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_pPieceCountPane->setMinimumWidth(
        m_pPieceCountPane->fontMetrics().horizontalAdvance(QString::fromLatin1(PIECE_COUNT_PANE_SIZE_TEXT)) + 8);
    m_pPieceCountPane->setContentsMargins(3, 0, 3, 0);
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    // The message pane shows the prompts itself, one text at a time. As an ordinary item of the status
    // bar it would be hidden under a prompt that the bar paints itself, and shown again over that prompt
    // by every relayout, such as the run's progress coming and going. As the first permanent item it is
    // never hidden, the bar has no room left to paint a prompt, and its background covers that room.
    m_pMessagePane->setAutoFillBackground(true);
    statusBar()->addPermanentWidget(m_pMessagePane, 1);
    statusBar()->addPermanentWidget(m_pPieceCountPane);
    connect(statusBar(), &QStatusBar::messageChanged, m_pMessagePane, [this](const QString& message) {
        m_pMessagePane->setText(message.isEmpty() ? QString::fromLatin1(IDLE_MESSAGE) : message);
    });

    // The two menu bars.
    for (const CMenuItemDef& def : MenuResource(IDR_MAINFRAME)) {
        auto* menu = new QMenu(QString::fromLatin1(def.text), this);
        BuildMenu(menu, def.items);
        m_mainMenuBar.push_back(menu->menuAction());
    }
    for (const CMenuItemDef& def : MenuResource(IDR_DOCTYPE)) {
        if (!def.IsPopup()) {
            m_docMenuBar.push_back(MakeAction(def.id, def.text));
            continue;
        }
        auto* menu = new QMenu(QString::fromLatin1(def.text), this);
        BuildMenu(menu, def.items);
        m_docMenuBar.push_back(menu->menuAction());
    }
    menuBar()->setObjectName(QStringLiteral("MenuBar"));
    OnUpdateFrameMenu();

    // Accelerators work whenever the main window has the focus.
    for (const CAccelDef& accel : AcceleratorResource()) {
        auto* a = new QAction(this);
        a->setShortcut(AccelSequence(accel));
        a->setShortcutContext(Qt::WindowShortcut);
        const int id = accel.id;
        connect(a, &QAction::triggered, this, [this, id] { OnCommand(id); });
        addAction(a);
        // Esc is the focused widget's (the filter box empties itself) unless it can stop a run.
        if (accel.key == AccelKey::Escape) m_arrCommandOnlyAccels.emplace_back(id, a);
    }

    ApplyAlwaysOnTop(m_bAlwaysOnTop);
    m_settings.LoadSettings();
    SetTheSettings(&m_settings);
    UpdateRecentFileItems();
    UpdateCmdUI();
    return true;
}

void CMainFrame::AddChildFrame(CChildFrame* frame) {
    m_pMdiArea->addSubWindow(frame);
    connect(frame, &CChildFrame::pieceCountChanged, this, &CMainFrame::UpdatePieceCountPane);
    connect(frame, &CChildFrame::titleChanged, this, &CMainFrame::OnUpdateFrameTitle);
    connect(frame, &CChildFrame::commandStatesChanged, this, &CMainFrame::UpdateCmdUILater);
    connect(frame, &CChildFrame::closed, this, &CMainFrame::UpdateCmdUI);
    connect(frame, &CChildFrame::displaySwitchesChanged, this, [this, frame] { OnDisplaySwitchesChanged(frame); });
}

void CMainFrame::OnDisplaySwitchesChanged(CChildFrame* from) {
    std::set<CDocHolder*> told;
    if (from) told.insert(from->GetDocument());
    for (QMdiSubWindow* w : m_pMdiArea->subWindowList())
        if (auto* frame = qobject_cast<CChildFrame*>(w))
            if (CDocHolder* doc = frame->GetDocument(); doc && told.insert(doc).second)
                doc->Doc().UpdateAllViews(nullptr, HINT_FILTERS_CHANGED);
}

void CMainFrame::SetRecentFiles(const QStringList& files) {
    m_recentFiles = files;
    UpdateRecentFileItems();
    UpdateCmdUILater();
}

void CMainFrame::UpdateRecentFileItems() {
    for (int i = 0; i < MRU_FILE_COUNT; ++i) {
        QAction* a = Action(ID_FILE_MRU_FILE1 + i);
        if (i < m_recentFiles.size()) {
            a->setText(RecentFileText(i, m_recentFiles[i]));
            a->setVisible(true);
        } else {
            // With no recent file at all, the first entry stays as the greyed "Recent File".
            a->setText(QStringLiteral("Recent File"));
            a->setVisible(i == 0);
        }
    }
}

QAction* CMainFrame::MakeAction(int id, const char* text) {
    if (QAction* existing = Action(id)) return existing;
    QString label = QString::fromLatin1(text);
    const QKeySequence key = CommandShortcut(id);
    // The menu shows the key; the accelerators, not the action, take it.
    if (!key.isEmpty() && !label.contains(QLatin1Char('\t'))) label += QLatin1Char('\t') + key.toString(QKeySequence::NativeText);
    auto* a = new QAction(label, this);
    a->setObjectName(QStringLiteral("ID_%1").arg(id));
    a->setStatusTip(QString::fromLatin1(CommandPrompt(id).c_str()));
    a->setIcon(CommandIcon(id));
    QString tip = QString::fromLatin1(CommandTip(id).c_str());
    if (!tip.isEmpty() && !key.isEmpty()) tip += QStringLiteral(" (%1)").arg(key.toString(QKeySequence::NativeText));
    if (!tip.isEmpty()) a->setToolTip(tip);
    a->setCheckable(IsCheckCommand(id));
    // In a menu a checked command shows its check mark, not its picture.
    if (a->isCheckable()) a->setIconVisibleInMenu(false);
    a->setMenuRole(QAction::NoRole);
    connect(a, &QAction::triggered, this, [this, id] { OnCommand(id); });
    m_actions[id] = a;
    return a;
}

void CMainFrame::CreateActions() {
    // Toolbar commands first: they are all in one of the menus too, with the same text.
    for (const CMenuItemDef& def : MenuResource(IDR_DOCTYPE)) {
        if (!def.IsPopup()) MakeAction(def.id, def.text);
        for (const CMenuItemDef& item : def.items)
            if (!item.IsSeparator() && !item.IsPopup() && item.id != ID_FILE_MRU_FILE1) MakeAction(item.id, item.text);
    }
    for (const CMenuItemDef& def : MenuResource(IDR_MAINFRAME))
        for (const CMenuItemDef& item : def.items) {
            if (item.IsPopup()) {
                for (const CMenuItemDef& sub : item.items)
                    if (!sub.IsSeparator()) MakeAction(sub.id, sub.text);
            } else if (!item.IsSeparator() && item.id != ID_FILE_MRU_FILE1) {
                MakeAction(item.id, item.text);
            }
        }
    for (int i = 0; i < MRU_FILE_COUNT; ++i) MakeAction(ID_FILE_MRU_FILE1 + i, "Recent File");
}

void CMainFrame::BuildMenu(QMenu* menu, const std::vector<CMenuItemDef>& items) {
    for (const CMenuItemDef& item : items) {
        if (item.IsSeparator()) {
            menu->addSeparator();
        } else if (item.IsPopup()) {
            QMenu* sub = menu->addMenu(QString::fromLatin1(item.text));
            BuildMenu(sub, item.items);
        } else if (item.id == ID_FILE_MRU_FILE1) {
            // The recent files take the place of the "Recent File" entry.
            for (int i = 0; i < MRU_FILE_COUNT; ++i) menu->addAction(Action(ID_FILE_MRU_FILE1 + i));
        } else {
            menu->addAction(MakeAction(item.id, item.text));
        }
    }
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        UpdateCmdUI();
        UpdateWindowListItems(menu);
    });
}

QAction* CMainFrame::Action(int id) const {
    auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

QMenu* CMainFrame::MenuPopup(const QString& title) const {
    for (QAction* a : menuBar()->actions())
        if (a->menu() && a->text() == title) return a->menu();
    return nullptr;
}

QSize CMainFrame::DocumentAreaSize() const {
    if (!m_pMdiArea) return QSize();
    // Before the first show nothing has been laid out: the area still has its initial size.
    if (layout()) layout()->activate();
    return m_pMdiArea->contentsRect().size();
}

CChildFrame* CMainFrame::MDIGetActive() const {
    if (!m_pMdiArea) return nullptr;
    QMdiSubWindow* w = m_pMdiArea->activeSubWindow();
    if (!w) w = m_pMdiArea->currentSubWindow();
    auto* frame = qobject_cast<CChildFrame*>(w);
    return (frame && frame->GetDocument()) ? frame : nullptr;
}

void CMainFrame::ApplyAlwaysOnTop(int flag) {
    const bool on = flag != 0;
    if (bool(windowFlags() & Qt::WindowStaysOnTopHint) == on) return;
    // Changing the flag hides the window; it comes back where it was, in the state it was in.
    const bool visible = isVisible();
    const QPoint where = pos();
    const Qt::WindowStates state = windowState();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (visible) {
        move(where);
        setWindowState(state & ~Qt::WindowActive);
        show();
    }
}

void CMainFrame::OnCommand(int id) {
    CCmdUI ui(id);
    if (!RouteCmdMsg(id, &ui) || !ui.m_bEnabled) return;
    RouteCmdMsg(id, nullptr);
    UpdateCmdUI();
}

bool CMainFrame::RouteCmdMsg(int id, CCmdUI* pUI) {
    if (CChildFrame* child = MDIGetActive())
        if (child->OnCmdMsg(id, pUI)) return true;
    if (OnCmdMsg(id, pUI)) return true;
    return m_host.OnCmdMsg(id, pUI);
}

bool CMainFrame::OnCmdMsg(int id, CCmdUI* pUI) {
    switch (id) {
        case ID_VIEW_TOOLBAR:
            if (pUI)
                pUI->SetCheck(m_wndToolBar->isVisibleTo(this));
            else
                m_wndToolBar->setVisible(!m_wndToolBar->isVisibleTo(this));
            return true;
        case ID_VIEW_STATUS_BAR:
            if (pUI)
                pUI->SetCheck(statusBar()->isVisibleTo(this));
            else
                statusBar()->setVisible(!statusBar()->isVisibleTo(this));
            return true;
        case ID_VIEW_ALWAYS_ON_TOP:
            if (pUI) {
                pUI->SetCheck(m_bAlwaysOnTop != 0);
            } else {
                m_bAlwaysOnTop = m_bAlwaysOnTop ? 0 : 1;
                ApplyAlwaysOnTop(m_bAlwaysOnTop);
            }
            return true;
        case ID_WINDOW_CASCADE:
        case ID_WINDOW_TILE_HORZ:
        case ID_WINDOW_ARRANGE:
            if (pUI) {
                pUI->Enable(MDIGetActive() != nullptr);
                return true;
            }
            if (id == ID_WINDOW_CASCADE)
                OnWindowCascade();
            else if (id == ID_WINDOW_TILE_HORZ)
                m_pMdiArea->tileSubWindows();
            else
                OnWindowArrange();
            return true;
        default: return false;
    }
}

void CMainFrame::OnWindowCascade() {
    // The area's own cascade gives each window its size hint, too small for a tree and a list.
    std::vector<QMdiSubWindow*> windows;
    QMdiSubWindow* active = m_pMdiArea->activeSubWindow();
    for (QMdiSubWindow* w : m_pMdiArea->subWindowList(QMdiArea::CreationOrder))
        if (!w->isHidden() && !w->isMinimized() && w != active) windows.push_back(w);
    // The active window ends on top, in front.
    if (active && !active->isHidden() && !active->isMinimized()) windows.push_back(active);
    if (windows.empty()) return;
    QStyleOptionTitleBar option;
    option.initFrom(windows.front());
    const int step = style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, windows.front()) +
                     style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, windows.front());
    const std::vector<CPlaceRect> places = CascadeRects(int(windows.size()), ToPlace(m_pMdiArea->viewport()->rect()), step);
    for (size_t i = 0; i < windows.size(); ++i) {
        if (windows[i]->isMaximized()) windows[i]->showNormal();
        windows[i]->setGeometry(ToQRect(places[i]));
        windows[i]->raise();
    }
    if (active) m_pMdiArea->setActiveSubWindow(active);
}

void CMainFrame::OnWindowArrange() {
    // Minimized windows line up along the bottom of the document area.
    const QRect area = m_pMdiArea->viewport()->rect();
    int x = 0;
    int row = 0;
    for (QMdiSubWindow* w : m_pMdiArea->subWindowList(QMdiArea::CreationOrder)) {
        if (!w->isMinimized()) continue;
        const QSize size = w->size();
        if (x > 0 && x + size.width() > area.width()) {
            x = 0;
            ++row;
        }
        w->move(x, area.height() - (row + 1) * size.height());
        x += size.width();
    }
}

void CMainFrame::UpdateCmdUI() {
    // This refresh does what a pending one would have done.
    m_pUpdateTimer->stop();
    OnUpdateFrameMenu();
    for (const auto& [id, action] : m_actions) {
        CCmdUI ui(id);
        const bool handled = RouteCmdMsg(id, &ui);
        action->setEnabled(handled && ui.m_bEnabled);
        if (action->isCheckable()) action->setChecked(handled && ui.m_bChecked);
    }
    for (const auto& [id, accel] : m_arrCommandOnlyAccels) {
        CCmdUI ui(id);
        accel->setEnabled(RouteCmdMsg(id, &ui) && ui.m_bEnabled);
    }
    // A document's flag may have been set without a word to its windows.
    for (QMdiSubWindow* w : m_pMdiArea->subWindowList())
        if (auto* frame = qobject_cast<CChildFrame*>(w)) frame->OnUpdateFrameTitle();
    OnUpdateFrameTitle();
    UpdatePieceCountPane();
    emit commandStatesUpdated();
}

void CMainFrame::UpdateCmdUILater() {
    if (m_pUpdateTimer && !m_pUpdateTimer->isActive()) m_pUpdateTimer->start();
}

void CMainFrame::UpdatePieceCountPane() {
    CChildFrame* child = MDIGetActive();
    const QString text = child ? child->OnUpdatePieceCount() : QString();
    if (m_pPieceCountPane->text() != text) m_pPieceCountPane->setText(text);
}

void CMainFrame::OnUpdateFrameMenu() {
    // A window that is closing has already left its document.
    bool anyFrame = false;
    for (QMdiSubWindow* w : m_pMdiArea->subWindowList()) {
        auto* frame = qobject_cast<CChildFrame*>(w);
        if (frame && frame->GetDocument()) anyFrame = true;
    }
    const int wanted = anyFrame ? IDR_DOCTYPE : IDR_MAINFRAME;
    if (wanted == m_nMenuId) return;
    m_nMenuId = wanted;
    menuBar()->clear();
    for (QAction* a : wanted == IDR_DOCTYPE ? m_docMenuBar : m_mainMenuBar) menuBar()->addAction(a);
}

void CMainFrame::OnUpdateFrameTitle() {
    QString title = QString::fromLatin1(APP_NAME);
    bool modified = false;
    if (CChildFrame* child = MDIGetActive()) {
        const QString doc = child->FrameTitle() + QStringLiteral("[*]");
        title += QStringLiteral(" - ") + (child->isMaximized() ? QStringLiteral("[%1]").arg(doc) : doc);
        modified = child->GetDocument()->IsModified();
    }
    if (windowTitle() != title) setWindowTitle(title);
    if (isWindowModified() != modified) setWindowModified(modified);
}

void CMainFrame::UpdateWindowListItems(QMenu* menu) {
    // Only the Window menu lists the document windows, below its own commands.
    if (!menu->actions().contains(Action(ID_WINDOW_CASCADE))) return;
    for (QAction* a : menu->actions())
        if (a->data().toInt() == MDI_WINDOW_ROLE) {
            menu->removeAction(a);
            a->deleteLater();
        }
    const QList<QMdiSubWindow*> windows = m_pMdiArea->subWindowList(QMdiArea::CreationOrder);
    if (windows.isEmpty()) return;
    QAction* sep = menu->addSeparator();
    sep->setData(MDI_WINDOW_ROLE);
    int n = 1;
    for (QMdiSubWindow* w : windows) {
        auto* frame = qobject_cast<CChildFrame*>(w);
        if (!frame || !frame->GetDocument()) continue;
        QString label = frame->FrameTitle();
        label.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* a = menu->addAction(QStringLiteral("&%1 %2").arg(n++).arg(label));
        a->setData(MDI_WINDOW_ROLE);
        a->setCheckable(true);
        a->setChecked(frame == MDIGetActive());
        a->setStatusTip(QStringLiteral("Activate this window"));
        connect(a, &QAction::triggered, this, [this, frame] {
            m_pMdiArea->setActiveSubWindow(frame);
            if (frame->isMinimized()) frame->showNormal();
        });
    }
}

CWindowPlacement CMainFrame::GetWindowPlacement() const {
    CWindowPlacement wp;
    const QPoint workArea = GetScreenMetrics().workArea.topLeft();
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))) {
        wp.rcNormalPosition = QRect(pos() - workArea, size());
    } else {
        const QRect normal = normalGeometry();
        wp.rcNormalPosition = normal.isValid() ? QRect(normal.topLeft() - (geometry().topLeft() - pos()) - workArea, normal.size())
                                               : m_rcNormal;
    }
    wp.showCmd = isMaximized() ? SW_SHOWMAXIMIZED : isMinimized() ? SW_SHOWMINIMIZED : SW_SHOWNORMAL;
    return wp;
}

void CMainFrame::RememberNormalGeometry() {
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)))
        m_rcNormal = QRect(pos() - GetScreenMetrics().workArea.topLeft(), size());
}

void CMainFrame::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    RememberNormalGeometry();
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    RememberNormalGeometry();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // The placement is kept even when the user then cancels in a save prompt.
    SaveFramePlacement(this, m_bAlwaysOnTop);
    if (!m_host.CloseAllForExit()) {
        event->ignore();
        return;
    }
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        for (const QUrl& url : event->mimeData()->urls())
            if (url.isLocalFile()) {
                event->acceptProposedAction();
                return;
            }
    QMainWindow::dragEnterEvent(event);
}

void CMainFrame::dropEvent(QDropEvent* event) {
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    if (files.isEmpty()) {
        QMainWindow::dropEvent(event);
        return;
    }
    event->acceptProposedAction();
    activateWindow();
    emit filesDropped(files);
}

