#include "ChildFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QHeaderView>
#include <QMdiArea>
#include <QSplitter>
#include <QStyle>
#include <QVBoxLayout>

#include <functional>

#include "DocHolder.h"
#include "LeftView.h"
#include "gui/calc/CalcRun.h"
#include "gui/calc/GorvantaView.h"
#include "core/document/Assignment.h"
#include "gui/resources/Icons.h"
#include "gui/resources/Resource.h"
#include "gui/resources/StringTable.h"

namespace {
constexpr int DEFAULT_CHILD_WIDTH = 599;
constexpr int DEFAULT_CHILD_HEIGHT = 356;
// The keyboard split moves by this much a key press, by one pixel with Ctrl.
constexpr int SPLIT_KEY_STEP = 16;
// The tree is not narrowed below this for the list's sake.
constexpr int MIN_TREE_WIDTH = 120;
// The list keeps room for this many of its first columns while the window is wide enough.
constexpr int KEPT_RESULT_COLUMNS = 7;

// Tree and list keep their proportion when the window is resized, tiled or cascaded. The proportion is
// the split as last set by the user (or the program) at the width it had then; the split this class
// applies itself does not change it, so a window narrowed and widened again gets its split back.
class CProportionalSplitter : public QSplitter {
public:
    explicit CProportionalSplitter(std::function<int()> minRight) : QSplitter(Qt::Horizontal), m_minRight(std::move(minRight)) {}
    void SetProportion(int left, int reference) {
        m_nLeft = left;
        m_nReference = reference;
        m_arrApplied.clear();
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        const QList<int> before = sizes();
        if (!m_arrApplied.isEmpty() && before != m_arrApplied && before.size() == 2) SetProportion(before[0], before[0] + before[1]);
        QSplitter::resizeEvent(event);
        const QList<int> now = sizes();
        if (now.size() != 2 || m_nReference <= 0) return;
        const int total = now[0] + now[1];
        const int left = SplitLeftWidth(m_nLeft, m_nReference, total, MIN_TREE_WIDTH, m_minRight());
        setSizes({left, total - left});
        m_arrApplied = sizes();
    }

private:
    std::function<int()> m_minRight;
    int m_nLeft = 0;
    int m_nReference = 0;
    QList<int> m_arrApplied;
};

// What the list needs to show its first `count` columns without scrolling.
int FirstColumnsWidth(const QTableView& view, int count) {
    const QHeaderView* header = view.horizontalHeader();
    int width = 2 * view.frameWidth() + view.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &view);
    if (!view.verticalHeader()->isHidden()) width += view.verticalHeader()->width();
    for (int i = 0; i < std::min(count, header->count()); ++i) width += header->sectionSize(header->logicalIndex(i));
    return width;
}
}  // namespace

CChildFrame::CChildFrame(CDocHolder& doc) : m_pDoc(&doc) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(DocIcon());
    setObjectName(QStringLiteral("ChildFrame"));
    connect(&doc, &CDocHolder::titleChanged, this, &CChildFrame::OnUpdateFrameTitle);
    connect(&doc, &CDocHolder::modifiedChanged, this, &CChildFrame::OnUpdateFrameTitle);
    // The pool count of the pane and the commands' states both follow the document.
    connect(&doc, &CDocHolder::documentChanged, this, &CChildFrame::pieceCountChanged);
    connect(&doc, &CDocHolder::documentChanged, this, &CChildFrame::commandStatesChanged);
}

CChildFrame::~CChildFrame() {
    SaveSplitterPos(this, m_wndSplitter ? this : nullptr);
    if (m_bKeyboardSplit) qApp->removeEventFilter(this);
    if (m_pDoc) DetachFromDocument();
}

bool CChildFrame::PreCreateWindow(CCreateParams& cs) {
    m_nShowState = LoadChildFramePlacement(cs, DEFAULT_CHILD_WIDTH, DEFAULT_CHILD_HEIGHT);
    return true;
}

bool CChildFrame::OnCreateClient() {
    if (!m_pDoc) return false;
    // Until the window is shown it gets no move or resize events: start from the size it was given.
    m_rcNormal = geometry();
    // The client area is the window without its border and title bar.
    const int border = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this);
    const int clientWidth = std::max(0, width() - 2 * border);
    m_nCreatedClientWidth = clientWidth;
    const int leftWidth = LoadSplitterPos(clientWidth / 3);

    auto* splitter = new CProportionalSplitter([this] {
        return m_pResultsView ? FirstColumnsWidth(*m_pResultsView, KEPT_RESULT_COLUMNS) : 0;
    });
    m_wndSplitter = splitter;
    m_wndSplitter->setObjectName(QStringLiteral("Splitter"));
    m_wndSplitter->setChildrenCollapsible(false);
    m_pLeftView = new CLeftView(m_pDoc->Doc());
    m_pResultsView = new CGorvantaView(m_pDoc->Doc());
    // The results pane: the "Compare with:" line above the list.
    auto* results = new QWidget;
    results->setObjectName(QStringLiteral("ResultsPane"));
    auto* column = new QVBoxLayout(results);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_pResultsView->CreateCompareBar(results));
    column->addWidget(m_pResultsView, 1);
    m_wndSplitter->addWidget(m_pLeftView);
    m_wndSplitter->addWidget(results);
    // Sizes given that do not fill the split leave the tree as given; resizes keep the proportion.
    m_wndSplitter->setStretchFactor(0, 0);
    m_wndSplitter->setStretchFactor(1, 1);
    m_wndSplitter->setSizes({leftWidth, clientWidth / 2});
    // The stored width is the tree's in a window of the size this one was made with.
    splitter->SetProportion(leftWidth, std::max(0, clientWidth - m_wndSplitter->handleWidth()));
    setWidget(m_wndSplitter);

    m_pActiveView = m_pLeftView;
    m_pLeftView->installEventFilter(this);
    m_pResultsView->installEventFilter(this);
    connect(m_pLeftView, &CLeftView::pieceCountChanged, this, &CChildFrame::pieceCountChanged);
    // The worker lowers the running flag on its own thread; its return is the first word of it here.
    connect(&m_pResultsView->Run(), &CCalcRun::Finished, this, &CChildFrame::commandStatesChanged);
    connect(m_pResultsView, &CGorvantaView::displaySwitchesChanged, this, &CChildFrame::displaySwitchesChanged);
    return true;
}

void CChildFrame::ActivateFrame(int showCmd) {
    if (m_nShowState == SW_SHOWMAXIMIZED || showCmd == SW_SHOWMAXIMIZED)
        showMaximized();
    else if (showCmd == SW_SHOWMINIMIZED)
        showMinimized();
    else
        show();
    m_bCreated = true;
    if (mdiArea()) mdiArea()->setActiveSubWindow(this);
    if (m_pActiveView) m_pActiveView->setFocus();
}

CCmdTarget* CChildFrame::GetActiveView() const {
    if (m_pActiveView == m_pResultsView) return m_pResultsView;
    return m_pLeftView;
}

QString CChildFrame::OnUpdatePieceCount() const {
    if (!m_pDoc) return QString();
    const CGorvantaDoc& doc = m_pDoc->Doc();
    // This window's own tree: another window on the document may have another selection.
    const int selected = m_pLeftView ? m_pLeftView->SelectedPieceCount() : int(doc.m_nSelPieceCount);
    QString text = QString::asprintf(PIECE_COUNT_FORMAT, selected, doc.GetPoolCount());
    // Excluded pieces stay in the pool count; how many of them searches leave out is told apart.
    if (const int excluded = CountMarked(doc, PieceMark::Excluded)) text += QStringLiteral(" (%1 excluded)").arg(excluded);
    return text;
}

QString CChildFrame::FrameTitle() const {
    if (!m_pDoc) return windowTitle();
    QString title = m_pDoc->GetTitle();
    if (m_nWindow > 0) title += QStringLiteral(":%1").arg(m_nWindow);
    return title;
}

void CChildFrame::OnUpdateFrameTitle() {
    if (!m_pDoc) return;
    const QString title = FrameTitle() + QStringLiteral("[*]");
    const bool modified = m_pDoc->IsModified();
    if (windowTitle() == title && isWindowModified() == modified) return;
    if (windowTitle() != title) setWindowTitle(title);
    if (isWindowModified() != modified) setWindowModified(modified);
    emit titleChanged();
}

void CChildFrame::DetachFromDocument() {
    if (m_pLeftView) m_pLeftView->Detach();
    if (m_pResultsView) m_pResultsView->Detach();
    CDocHolder* doc = m_pDoc;
    m_pDoc = nullptr;
    if (!doc) return;
    disconnect(doc, nullptr, this, nullptr);
    doc->RemoveFrame(this);
}

void CChildFrame::DestroyFrame() {
    m_bDestroying = true;
    if (m_pDoc) DetachFromDocument();
    close();
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (m_bKeyboardSplit) EndKeyboardSplit(false);
    if (!m_bDestroying) {
        SaveChildFramePlacement(this);
        if (m_pDoc && !m_pDoc->CanCloseFrame(this)) {
            event->ignore();
            return;
        }
    }
    m_bDestroying = true;
    if (m_pDoc) {
        if (m_pDoc->Frames().size() <= 1)
            m_pDoc->OnCloseDocument();  // closes this window too
        else
            DetachFromDocument();
    }
    QMdiSubWindow::closeEvent(event);
    emit closed();
}

void CChildFrame::moveEvent(QMoveEvent* event) {
    QMdiSubWindow::moveEvent(event);
    RememberNormalGeometry();
    if (!m_bDestroying) SaveChildFramePlacement(this);
}

void CChildFrame::resizeEvent(QResizeEvent* event) {
    QMdiSubWindow::resizeEvent(event);
    RememberNormalGeometry();
    if (!m_bDestroying) SaveChildFramePlacement(this);
}

void CChildFrame::changeEvent(QEvent* event) {
    QMdiSubWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        if (!m_bDestroying) SaveChildFramePlacement(this);
        // A maximized window's title is shown in brackets.
        emit titleChanged();
    }
}

void CChildFrame::RememberNormalGeometry() {
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))) m_rcNormal = geometry();
}

CWindowPlacement CChildFrame::GetWindowPlacement() const {
    CWindowPlacement wp;
    wp.rcNormalPosition = m_rcNormal.isNull() ? geometry() : m_rcNormal;
    if (windowState() & Qt::WindowMinimized)
        wp.showCmd = SW_SHOWMINIMIZED;
    else if (windowState() & Qt::WindowMaximized)
        wp.showCmd = SW_SHOWMAXIMIZED;
    else
        wp.showCmd = SW_SHOWNORMAL;
    return wp;
}

int CChildFrame::GetColumnWidth(int column) const {
    if (!m_wndSplitter || column < 0 || column >= m_wndSplitter->count()) return 0;
    return m_wndSplitter->sizes().value(column);
}

bool CChildFrame::OnCmdMsg(int id, CCmdUI* pUI) {
    if (CCmdTarget* view = GetActiveView())
        if (view->OnCmdMsg(id, pUI)) return true;
    // The run starts in this window's results list, not in whichever window of the document came first;
    // the document decides whether Start is enabled.
    if (id == ID_CALC_START && !pUI && m_pDoc) {
        m_pDoc->StartCalc(m_pResultsView);
        return true;
    }
    if (m_pDoc && m_pDoc->OnCmdMsg(id, pUI)) return true;
    switch (id) {
        case ID_WINDOW_SPLIT:
            if (!pUI) OnKeyboardSplit();
            return true;
        case ID_EDIT_FIND:
            // From either pane: the filter belongs to the tree.
            if (!m_pLeftView) return false;
            if (!pUI) m_pLeftView->FocusFilter();
            return true;
        case ID_NEXT_PANE:
        case ID_PREV_PANE:
            if (!pUI) ActivateNextPane(id == ID_NEXT_PANE);
            return true;
        case ID_FILE_EXPORT_RESULTS:
            // This window's list, whichever pane had the focus.
            if (!m_pResultsView) return false;
            if (pUI)
                pUI->Enable(m_pResultsView->CanExportResults());
            else
                m_pResultsView->OnExportResults(m_pDoc ? m_pDoc->GetTitle() : QString());
            return true;
        default: return false;
    }
}

void CChildFrame::ActivateNextPane(bool) {
    // With two panes the next and the previous pane are the same one.
    QWidget* next = (m_pActiveView == m_pLeftView) ? static_cast<QWidget*>(m_pResultsView) : m_pLeftView;
    if (next) {
        SetActiveView(next);
        next->setFocus(Qt::OtherFocusReason);
    }
}

void CChildFrame::SetActiveView(QWidget* view) {
    if (m_pActiveView == view) return;
    m_pActiveView = view;
    emit commandStatesChanged();
}

void CChildFrame::OnKeyboardSplit() {
    if (!m_wndSplitter || m_bKeyboardSplit) return;
    m_bKeyboardSplit = true;
    m_nSplitBefore = GetColumnWidth(0);
    qApp->installEventFilter(this);
    QApplication::setOverrideCursor(QCursor(Qt::SplitHCursor));
}

void CChildFrame::EndKeyboardSplit(bool keep) {
    if (!m_bKeyboardSplit) return;
    m_bKeyboardSplit = false;
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
    if (!keep && m_wndSplitter) {
        const int total = GetColumnWidth(0) + GetColumnWidth(1);
        m_wndSplitter->setSizes({m_nSplitBefore, std::max(0, total - m_nSplitBefore)});
    }
}

bool CChildFrame::eventFilter(QObject* watched, QEvent* event) {
    if (m_bKeyboardSplit) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            const int step = (key->modifiers() & Qt::ControlModifier) ? 1 : SPLIT_KEY_STEP;
            const int total = GetColumnWidth(0) + GetColumnWidth(1);
            int left = GetColumnWidth(0);
            switch (key->key()) {
                case Qt::Key_Left: left -= step; break;
                case Qt::Key_Right: left += step; break;
                case Qt::Key_Return:
                case Qt::Key_Enter: EndKeyboardSplit(true); return true;
                case Qt::Key_Escape: EndKeyboardSplit(false); return true;
                default: return true;
            }
            left = std::clamp(left, 0, total);
            m_wndSplitter->setSizes({left, total - left});
            return true;
        }
        if (event->type() == QEvent::MouseButtonPress) {
            EndKeyboardSplit(true);
            return true;
        }
        if (event->type() == QEvent::KeyRelease || event->type() == QEvent::ShortcutOverride) return true;
    }
    if (event->type() == QEvent::FocusIn && (watched == m_pLeftView || watched == m_pResultsView))
        SetActiveView(static_cast<QWidget*>(watched));
    return QMdiSubWindow::eventFilter(watched, event);
}
