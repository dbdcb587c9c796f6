#include "PlanWnd.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "core/calc/Settings.h"
#include "core/document/Assignment.h"
#include "core/document/PlanDoc.h"
#include "core/document/PlanText.h"
#include "core/model/ArmorPiece.h"
#include "core/model/ArmorSuit.h"
#include "core/model/Cp1252.h"
#include "core/model/MessageBox.h"
#include "gui/calc/AppState.h"
#include "gui/calc/CalcProgress.h"
#include "gui/calc/FiltersDlg.h"
#include "gui/ui/SuitDetailsDlg.h"
#include "gui/ui/WindowPlacement.h"
#include "qtstore/QtText.h"

namespace {
// What a row of the results list stands for.
enum RowKind { ROW_PLANNED = 1, ROW_CURRENT, ROW_CHANGE, ROW_PIECE, ROW_REASON };
constexpr int KIND_ROLE = Qt::UserRole;
constexpr int TARGET_ROLE = Qt::UserRole + 1;
constexpr int SUIT_ROLE = Qt::UserRole + 2;  // the suit a piece row belongs to: ROW_PLANNED or ROW_CURRENT

const QColor BETTER_COLOUR(0, 128, 0);
const QColor WORSE_COLOUR(190, 0, 0);
// Names longer than this are cut in the lists (with the whole name in the tool tip).
constexpr int NAME_CHARS = 24;

QString Q(const std::string& s) { return ToQt(s); }

// The pool a run would see, without the excluded pieces (pins do not apply to plans).
CalcPool WithoutExcluded(CalcPool pool) {
    for (auto& list : pool)
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [](const CArmorPiece* p) { return p && p->m_nMark == PieceMark::Excluded; }),
                   list.end());
    return pool;
}

QPushButton* Button(const QString& text, const QString& tip, const char* name) {
    auto* b = new QPushButton(text);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(tip);
    b->setAutoDefault(false);
    return b;
}
}  // namespace

CPlanWnd::CPlanWnd(CGorvantaDoc& doc, QWidget* parent) : QDialog(parent), m_pDoc(&doc), m_pRun(std::make_unique<CPlanRun>()) {
    setObjectName(QStringLiteral("PlanWnd"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setModal(false);
    setSizeGripEnabled(true);
    SetDocumentTitle(QString());

    m_pTargets = new QTreeWidget;
    m_pTargets->setObjectName(QStringLiteral("planTargets"));
    m_pTargets->setColumnCount(2);
    m_pTargets->setHeaderLabels({QStringLiteral("Character"), QStringLiteral("Wishes")});
    m_pTargets->setRootIsDecorated(false);
    m_pTargets->setUniformRowHeights(true);
    m_pTargets->setAllColumnsShowFocus(true);
    m_pTargets->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pTargets->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pTargets->setTextElideMode(Qt::ElideRight);
    m_pTargets->header()->setStretchLastSection(true);
    m_pTargets->header()->setSectionsMovable(false);
    m_pTargets->setToolTip(QStringLiteral("The characters of the plan, highest priority first"));

    m_btnAdd = Button(QStringLiteral("&Add..."), QStringLiteral("Add a character to the plan, with the current Filters settings as its wishes"), "buttonAdd");
    m_btnEdit = Button(QStringLiteral("&Edit..."), QStringLiteral("Change the wishes of the selected character in the Filters dialog"), "buttonEdit");
    m_btnRemove = Button(QStringLiteral("&Remove"), QStringLiteral("Take the selected character out of the plan (Delete)"), "buttonRemove");
    m_btnUp = Button(QStringLiteral("&Up"), QStringLiteral("Give the selected character a higher priority (Ctrl+Up)"), "buttonUp");
    m_btnDown = Button(QStringLiteral("Do&wn"), QStringLiteral("Give the selected character a lower priority (Ctrl+Down)"), "buttonDown");
    m_pWorn = new QCheckBox(QStringLiteral("Re-plan &worn suits"));
    m_pWorn->setObjectName(QStringLiteral("checkWorn"));
    m_pWorn->setToolTip(QStringLiteral("Let the plan use the pieces its characters wear now; their suits are then replaced"));

    m_btnPlan = new QPushButton(QStringLiteral("&Plan"));
    m_btnPlan->setObjectName(QStringLiteral("buttonPlan"));
    m_btnPlan->setToolTip(QStringLiteral("Find the best suits for all characters of the plan at once (Enter)"));
    m_btnPlan->setDefault(true);
    m_btnStop = Button(QStringLiteral("&Stop"), QStringLiteral("Stop the plan run"), "buttonStop");
    m_btnAssign = Button(QStringLiteral("Assign A&ll..."), QStringLiteral("Assign every planned suit to its character in one step"), "buttonAssignAll");
    m_btnClose = Button(QStringLiteral("Close"), QStringLiteral("Close the plan window; the plan stays with the document"), "buttonClose");
    m_pStatus = new QLabel;
    m_pStatus->setObjectName(QStringLiteral("planStatus"));
    m_pStatus->setMinimumWidth(1);

    m_pResults = new QTreeWidget;
    m_pResults->setObjectName(QStringLiteral("planResults"));
    QStringList headings{QStringLiteral("Character")};
    for (const char* h : ResultColumnHeadings()) headings << QString::fromLatin1(h);
    m_pResults->setColumnCount(int(headings.size()));
    m_pResults->setHeaderLabels(headings);
    m_pResults->setUniformRowHeights(true);
    m_pResults->setAllColumnsShowFocus(true);
    m_pResults->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pResults->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pResults->setTextElideMode(Qt::ElideRight);
    m_pResults->header()->setStretchLastSection(false);
    m_pResults->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_pResults->setToolTip(QStringLiteral("Each character's planned suit, the suit it wears now and the change; "
                                          "Enter or a double-click shows a suit's pieces"));
    {
        const QFontMetrics fm = fontMetrics();
        m_pResults->setColumnWidth(0, fm.horizontalAdvance(QLatin1Char('M')) * 12);
        m_pResults->setColumnWidth(FIRST_RESULT_COLUMN, fm.horizontalAdvance(QStringLiteral("Suit 00000")) + 16);
        for (int n = 1; n < RESULT_COLUMN_COUNT; ++n) {
            const QString h = QString::fromLatin1(ResultColumnHeadings()[size_t(n)]);
            const int w = std::max(fm.horizontalAdvance(h), fm.horizontalAdvance(QStringLiteral("70 (100)"))) + 14;
            m_pResults->setColumnWidth(FIRST_RESULT_COLUMN + n, w);
        }
        m_pResults->setColumnWidth(FIRST_RESULT_COLUMN + 7, fm.horizontalAdvance(QStringLiteral("355 (55 over cap)")) + 14);
    }

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {m_btnAdd, m_btnEdit, m_btnRemove, m_btnUp, m_btnDown}) buttons->addWidget(b);
    buttons->addStretch(1);
    auto* targetsRow = new QHBoxLayout;
    targetsRow->setContentsMargins(0, 0, 0, 0);
    targetsRow->addWidget(m_pTargets, 1);
    targetsRow->addLayout(buttons);
    auto* runRow = new QHBoxLayout;
    runRow->setContentsMargins(0, 0, 0, 0);
    runRow->addWidget(m_pWorn);
    runRow->addSpacing(12);
    runRow->addWidget(m_btnPlan);
    runRow->addWidget(m_btnStop);
    runRow->addWidget(m_btnAssign);
    runRow->addWidget(m_pStatus, 1);
    auto* top = new QWidget;
    auto* topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->addLayout(targetsRow, 1);
    topLayout->addLayout(runRow);
    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->setObjectName(QStringLiteral("planSplitter"));
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(top);
    splitter->addWidget(m_pResults);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    // The targets take room for a handful of rows; the result gets the rest.
    {
        const int row = fontMetrics().height() + 4;
        splitter->setSizes({row * 9, row * 20});
    }
    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch(1);
    closeRow->addWidget(m_btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addLayout(closeRow);

    setTabOrder(m_pTargets, m_btnAdd);
    setTabOrder(m_btnAdd, m_btnEdit);
    setTabOrder(m_btnEdit, m_btnRemove);
    setTabOrder(m_btnRemove, m_btnUp);
    setTabOrder(m_btnUp, m_btnDown);
    setTabOrder(m_btnDown, m_pWorn);
    setTabOrder(m_pWorn, m_btnPlan);
    setTabOrder(m_btnPlan, m_btnStop);
    setTabOrder(m_btnStop, m_btnAssign);
    setTabOrder(m_btnAssign, m_pResults);
    setTabOrder(m_pResults, m_btnClose);

    connect(m_btnAdd, &QPushButton::clicked, this, &CPlanWnd::OnAdd);
    connect(m_btnEdit, &QPushButton::clicked, this, &CPlanWnd::OnEdit);
    connect(m_btnRemove, &QPushButton::clicked, this, &CPlanWnd::OnRemove);
    connect(m_btnUp, &QPushButton::clicked, this, [this] { MoveCurrent(-1); });
    connect(m_btnDown, &QPushButton::clicked, this, [this] { MoveCurrent(+1); });
    connect(m_btnPlan, &QPushButton::clicked, this, &CPlanWnd::OnPlan);
    connect(m_btnStop, &QPushButton::clicked, this, &CPlanWnd::OnStop);
    connect(m_btnAssign, &QPushButton::clicked, this, &CPlanWnd::OnAssignAll);
    connect(m_btnClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pWorn, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_pDoc || m_pDoc->m_plan.m_bWorn == on) return;
        CPlan plan = m_pDoc->m_plan;
        plan.m_bWorn = on;
        ChangePlan(std::move(plan), CurrentTarget());
    });
    connect(m_pTargets, &QTreeWidget::currentItemChanged, this, [this] { UpdateButtons(); });
    connect(m_pTargets, &QTreeWidget::itemDoubleClicked, this, [this] { OnEdit(); });
    connect(m_pResults, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { OpenSuitDetails(item); });
    // Straight to the move: a button's own shortcut clicks it only after a pause.
    auto* up = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Up), this);
    connect(up, &QShortcut::activated, this, [this] { MoveCurrent(-1); });
    auto* down = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Down), this);
    connect(down, &QShortcut::activated, this, [this] { MoveCurrent(+1); });
    auto* del = new QShortcut(QKeySequence::Delete, m_pTargets, nullptr, nullptr, Qt::WidgetShortcut);
    connect(del, &QShortcut::activated, this, &CPlanWnd::OnRemove);
    m_pResults->installEventFilter(this);
    connect(m_pRun.get(), &CPlanRun::Finished, this, &CPlanWnd::OnRunFinished);

    m_pDoc->AddView(this);
    FillTargets();
    const QFontMetrics fm = fontMetrics();
    resize(fm.averageCharWidth() * 150, fm.height() * 34);
    RestoreDialogPlacement(*this, PLANWND_SECTION);
}

void CPlanWnd::hideEvent(QHideEvent* event) {
    SaveDialogPlacement(*this, PLANWND_SECTION);
    QDialog::hideEvent(event);
}

CPlanWnd::~CPlanWnd() {
    // Going with its document while shown: no hide event reaches this class any more.
    if (isVisible()) SaveDialogPlacement(*this, PLANWND_SECTION);
    m_pRun->StopAndWait();
    HideProgress();
    if (m_pDoc) m_pDoc->RemoveView(this);
    DiscardResult();
}

void CPlanWnd::SetDocumentTitle(const QString& title) {
    setWindowTitle(title.isEmpty() ? QStringLiteral("Plan Characters") : QStringLiteral("Plan Characters - %1").arg(title));
}

void CPlanWnd::SetUndoRedo(std::function<void()> undo, std::function<void()> redo) {
    auto* u = new QShortcut(QKeySequence::Undo, this);
    connect(u, &QShortcut::activated, this, [undo] { undo(); });
    for (const QKeySequence& key : {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}) {
        auto* r = new QShortcut(key, this);
        connect(r, &QShortcut::activated, this, [redo] { redo(); });
    }
}

int CPlanWnd::CurrentTarget() const {
    QTreeWidgetItem* item = m_pTargets->currentItem();
    return item ? m_pTargets->indexOfTopLevelItem(item) : -1;
}

void CPlanWnd::SetCurrentTarget(int t) {
    const int n = m_pTargets->topLevelItemCount();
    if (n == 0) return;
    m_pTargets->setCurrentItem(m_pTargets->topLevelItem(std::clamp(t, 0, n - 1)));
}

const CArmorSuit* CPlanWnd::PlannedSuit(int t) const {
    return t >= 0 && size_t(t) < m_planned.size() ? m_planned[size_t(t)].get() : nullptr;
}

QTreeWidgetItem* CPlanWnd::ResultItem(int t) const { return m_pResults->topLevelItem(t); }

void CPlanWnd::ChangePlan(CPlan plan, int current) {
    if (!m_pDoc || IsCalcInProgress()) {
        FillTargets();
        return;
    }
    m_pDoc->m_plan = std::move(plan);
    m_pDoc->SetModifiedFlag(true);
    // Heard as a change of the document: recorded for undo, and every result of the plan goes.
    m_pDoc->UpdateAllViews(nullptr, HINT_REFRESH);
    SetCurrentTarget(current);
}

void CPlanWnd::OnAdd() {
    if (!m_pDoc || IsCalcInProgress()) return;
    // The document's characters not yet in the plan, sorted as the suit details' box sorts them.
    QStringList names;
    std::vector<std::string> chars = m_pDoc->m_arrCharacters;
    std::stable_sort(chars.begin(), chars.end(), [](const std::string& a, const std::string& b) {
        const int c = CompareNoCaseCp1252(a, b);
        return c != 0 ? c < 0 : a < b;
    });
    for (const std::string& c : chars) {
        std::string probe = c;
        if (CheckTargetName(m_pDoc->m_plan, probe).empty()) names << Q(c);
    }
    QInputDialog dlg(this);
    dlg.setObjectName(QStringLiteral("AddTargetDlg"));
    dlg.setWindowTitle(QStringLiteral("Add Character"));
    dlg.setLabelText(QStringLiteral("Character (one of the document's, or a new name):"));
    dlg.setComboBoxItems(names);
    dlg.setComboBoxEditable(true);
    dlg.setTextValue(QString());
    for (;;) {
        if (dlg.exec() != QDialog::Accepted) return;
        if (AddTarget(FromQt(dlg.textValue()))) return;
    }
}

bool CPlanWnd::AddTarget(const std::string& typed) {
    if (!m_pDoc || IsCalcInProgress()) return false;
    std::string name = typed;
    const std::string error = CheckTargetName(m_pDoc->m_plan, name);
    if (!error.empty()) {
        ShowMessage(error, MsgButtons::OK, MsgIcon::Exclamation);
        return false;
    }
    CPlan plan = m_pDoc->m_plan;
    plan.m_arrTargets.push_back({name, CWishes(TheSettings())});
    const int at = int(plan.m_arrTargets.size()) - 1;
    ChangePlan(std::move(plan), at);
    return true;
}

void CPlanWnd::OnEdit() {
    const int t = CurrentTarget();
    if (!m_pDoc || t < 0 || size_t(t) >= m_pDoc->m_plan.m_arrTargets.size() || IsCalcInProgress()) return;
    const CPlanTarget& target = m_pDoc->m_plan.m_arrTargets[size_t(t)];
    // The dialog edits a whole settings record: the player's own, with this character's wishes in it. The
    // player's settings themselves stay as they are.
    CSettings settings = TheSettings();
    target.m_wishes.WriteTo(settings);
    CFiltersDlg dlg(this);
    dlg.setWindowTitle(QStringLiteral("Filters - %1").arg(Q(target.m_strName)));
    dlg.CopyFrom(settings);
    dlg.SetPool(WithoutExcluded(PlanPool(*m_pDoc, m_pDoc->m_plan)));
    // What is no wish of a character (the columns shown, the results list's limit) is not set here.
    for (const SettingDef& d : kSettingTable) {
        if (d.wish) continue;
        const QString tip = QStringLiteral("Set in Filters for the results list, not for a character");
        for (QWidget* w : {static_cast<QWidget*>(dlg.CheckBox(d.member)), static_cast<QWidget*>(dlg.FieldEdit(d.member)),
                           static_cast<QWidget*>(dlg.FieldSpin(d.member)), static_cast<QWidget*>(dlg.Choice(d.member))})
            if (w) {
                w->setEnabled(false);
                w->setToolTip(tip);
            }
    }
    if (dlg.exec() != QDialog::Accepted) return;
    dlg.CopyTo(settings);
    const CWishes wishes(settings);
    if (!m_pDoc || size_t(t) >= m_pDoc->m_plan.m_arrTargets.size() ||
        m_pDoc->m_plan.m_arrTargets[size_t(t)].m_wishes == wishes)
        return;
    CPlan plan = m_pDoc->m_plan;
    plan.m_arrTargets[size_t(t)].m_wishes = wishes;
    ChangePlan(std::move(plan), t);
}

void CPlanWnd::OnRemove() {
    const int t = CurrentTarget();
    if (!m_pDoc || t < 0 || size_t(t) >= m_pDoc->m_plan.m_arrTargets.size() || IsCalcInProgress()) return;
    CPlan plan = m_pDoc->m_plan;
    plan.m_arrTargets.erase(plan.m_arrTargets.begin() + t);
    ChangePlan(std::move(plan), t);
}

void CPlanWnd::MoveCurrent(int delta) {
    const int t = CurrentTarget();
    if (!m_pDoc || t < 0 || IsCalcInProgress()) return;
    const int to = t + delta;
    CPlan plan = m_pDoc->m_plan;
    if (to < 0 || size_t(to) >= plan.m_arrTargets.size() || size_t(t) >= plan.m_arrTargets.size()) return;
    std::swap(plan.m_arrTargets[size_t(t)], plan.m_arrTargets[size_t(to)]);
    ChangePlan(std::move(plan), to);
}

void CPlanWnd::OnPlan() {
    if (!m_pDoc || m_pDoc->m_plan.Empty() || IsCalcInProgress()) return;
    DiscardResult();
    m_resultPlan = m_pDoc->m_plan;
    m_bRunStale = false;
    if (!m_pRun->Start(m_resultPlan.m_arrTargets, PlanPool(*m_pDoc, m_resultPlan))) return;
    m_pStatus->setText(QStringLiteral("Planning..."));
    ShowProgress();
    // The trees grey their editing commands as for a calculation; the results lists start nothing.
    m_pDoc->UpdateAllViews(this, HINT_START_CALC);
    UpdateButtons();
}

void CPlanWnd::OnStop() { m_pRun->RequestStop(); }

void CPlanWnd::OnRunFinished() {
    HideProgress();
    if (m_pDoc) m_pDoc->UpdateAllViews(this, HINT_CALC_DONE);
    CPlanResult result = m_pRun->TakeResult();
    if (!result.m_strError.empty()) {
        m_pStatus->setText(QString());
        ShowMessage(result.m_strError, MsgButtons::OK, MsgIcon::Stop);
    } else if (result.m_bStopped) {
        m_pStatus->setText(QStringLiteral("Stopped."));
    } else if (m_bRunStale || !m_pDoc) {
        m_pStatus->setText(QStringLiteral("The document changed during the run: plan again."));
    } else {
        m_result = std::move(result);
        m_resultPool = m_pRun->Pool();
        int64_t number = 0;
        for (const CPlanPick& pick : m_result->m_arrPicks)
            m_planned.push_back(pick.Served() ? MakePlanSuit(m_resultPool, pick, SuitName(number++)) : nullptr);
        const size_t n = m_result->m_arrPicks.size();
        m_pStatus->setText(QStringLiteral("Suits for %1 of %2 %3.")
                               .arg(m_result->m_nServed)
                               .arg(n)
                               .arg(n == 1 ? QStringLiteral("character") : QStringLiteral("characters")));
    }
    FillResults();
    UpdateButtons();
}

void CPlanWnd::OnAssignAll() {
    if (!m_pDoc || !m_result || IsCalcInProgress() || PlanAssignCount(*m_result) == 0) return;
    if (ShowMessage(AssignAllQuestion(*m_pDoc, m_resultPlan, *m_result), MsgButtons::YesNo, MsgIcon::Question) != IDYES)
        return;
    if (!AssignPlan(*m_pDoc, m_resultPlan, m_resultPool, *m_result)) {
        DiscardResult();
        FillResults();
        ShowMessage("The plan no longer fits the document. Plan again.", MsgButtons::OK, MsgIcon::Exclamation);
        return;
    }
    // One change of the document: one step to undo. The results lists follow as after any pool change.
    m_pDoc->UpdateAllViews(nullptr, HINT_REFRESH);
    m_pStatus->setText(QStringLiteral("The planned suits are assigned."));
}

void CPlanWnd::OnUpdate(IDocView* sender, int hint) {
    switch (hint) {
        case HINT_REFRESH:
            // The pool, the suits or the plan changed: a result found before no longer fits.
            if (m_pRun->IsActive()) m_bRunStale = true;
            DiscardResult();
            FillTargets();
            FillResults();
            break;
        case HINT_STOP_CALC: m_pRun->RequestStop(); break;
        case HINT_START_CALC:
        case HINT_CALC_DONE:
            if (sender != this) UpdateButtons();
            break;
        default: break;
    }
}

void CPlanWnd::DiscardResult() {
    m_result.reset();
    m_planned.clear();
    m_resultPool = {};
}

void CPlanWnd::FillTargets() {
    const int current = CurrentTarget();
    m_pTargets->clear();
    if (!m_pDoc) return;
    const QFontMetrics fm = m_pTargets->fontMetrics();
    int nameWidth = fm.horizontalAdvance(QStringLiteral("Character"));
    int t = 0;
    for (const CPlanTarget& target : m_pDoc->m_plan.m_arrTargets) {
        auto* item = new QTreeWidgetItem(m_pTargets);
        const QString name = Q(target.m_strName);
        item->setText(NAME_COLUMN, QStringLiteral("%1. %2").arg(++t).arg(name));
        item->setText(WISHES_COLUMN, Q(WishesSummary(target.m_wishes)));
        item->setToolTip(NAME_COLUMN, name);
        item->setToolTip(WISHES_COLUMN, Q(WishesSummary(target.m_wishes)) + QStringLiteral("\nSlots: ") +
                                            Q(WishesSlots(target.m_wishes)));
        nameWidth = std::max(nameWidth, fm.horizontalAdvance(item->text(NAME_COLUMN)));
    }
    // Long names are cut rather than pushing the wishes out of sight.
    m_pTargets->setColumnWidth(NAME_COLUMN, std::min(nameWidth, fm.averageCharWidth() * NAME_CHARS) + 24);
    {
        const QSignalBlocker block(m_pWorn);
        m_pWorn->setChecked(m_pDoc->m_plan.m_bWorn);
    }
    if (current >= 0) SetCurrentTarget(current);
    UpdateButtons();
}

void CPlanWnd::FillResults() {
    m_pResults->clear();
    if (!m_result || !m_pDoc) return;
    const QColor neutral = palette().color(QPalette::PlaceholderText);
    QFont bold = m_pResults->font();
    bold.setBold(true);
    for (size_t t = 0; t < m_resultPlan.m_arrTargets.size() && t < m_result->m_arrPicks.size(); ++t) {
        const CPlanTarget& target = m_resultPlan.m_arrTargets[t];
        const CPlanPick& pick = m_result->m_arrPicks[t];
        const bool bypass = target.m_wishes.m_bBypassResistCap != 0;
        const CArmorSuit* planned = PlannedSuit(int(t));
        const CArmorSuit* current = SuitOfCharacter(*m_pDoc, target.m_strName);
        auto* top = new QTreeWidgetItem(m_pResults);
        top->setData(0, TARGET_ROLE, int(t));
        top->setFont(0, bold);
        top->setToolTip(0, Q(target.m_strName));
        auto fillSuit = [&](QTreeWidgetItem* row, const CArmorSuit& suit) {
            for (int n = 0; n < RESULT_COLUMN_COUNT; ++n) {
                row->setText(FIRST_RESULT_COLUMN + n, Q(PlanCellText(suit, n, bypass)));
                if (OverCap(suit, n, bypass) > 0)
                    row->setToolTip(FIRST_RESULT_COLUMN + n,
                                    n == 7 ? QStringLiteral("Resist points over the 70 cap count here but not in Eff. Total")
                                           : QStringLiteral("Over the 70 cap: counts as 70"));
            }
        };
        auto addPieces = [&](QTreeWidgetItem* parent, const CArmorSuit& suit, int kind) {
            for (int type = 1; type <= PIECE_WEAPON; type <<= 1) {
                const char* label = CSuitDetailsDlg::SlotLabel(type);
                for (const CArmorPiece* p : suit.m_arrPieces) {
                    if (!p || p->m_nType != type || !label) continue;
                    auto* row = new QTreeWidgetItem(parent);
                    row->setData(0, KIND_ROLE, ROW_PIECE);
                    row->setData(0, TARGET_ROLE, int(t));
                    row->setData(0, SUIT_ROLE, kind);
                    row->setText(0, QStringLiteral("%1: %2").arg(QString::fromLatin1(label), Q(p->m_strText)));
                    row->setToolTip(0, Q(p->m_strText));
                    row->setFirstColumnSpanned(true);
                }
            }
        };
        if (planned) {
            top->setData(0, KIND_ROLE, ROW_PLANNED);
            top->setText(0, Q(target.m_strName));
            fillSuit(top, *planned);
        } else {
            top->setData(0, KIND_ROLE, ROW_REASON);
            top->setText(0, QStringLiteral("%1: %2").arg(Q(target.m_strName), Q(PlanReasonText(m_resultPlan, pick))));
            top->setForeground(0, WORSE_COLOUR);
            top->setFirstColumnSpanned(true);
        }
        // Under the planned suit: the suit worn now, the change, then the planned suit's pieces.
        auto* now = new QTreeWidgetItem(top);
        now->setData(0, TARGET_ROLE, int(t));
        now->setText(0, QStringLiteral("worn now"));
        if (current) {
            now->setData(0, KIND_ROLE, ROW_CURRENT);
            fillSuit(now, *current);
        } else {
            now->setData(0, KIND_ROLE, ROW_REASON);
            now->setText(FIRST_RESULT_COLUMN, QStringLiteral("none"));
        }
        if (planned && current) {
            auto* change = new QTreeWidgetItem(top);
            change->setData(0, KIND_ROLE, ROW_CHANGE);
            change->setData(0, TARGET_ROLE, int(t));
            change->setText(0, QStringLiteral("change"));
            const auto diffs = ColumnDiffs(*planned, *current, bypass);
            for (int n = 1; n < RESULT_COLUMN_COUNT; ++n) {
                const CColumnDiff& d = diffs[size_t(n)];
                const int col = FIRST_RESULT_COLUMN + n;
                change->setText(col, Q(SignedText(d.delta)));
                switch (d.sense) {
                    case DiffSense::Better: change->setForeground(col, BETTER_COLOUR); break;
                    case DiffSense::Worse: change->setForeground(col, WORSE_COLOUR); break;
                    case DiffSense::Neutral:
                        change->setForeground(col, neutral);
                        change->setToolTip(col, QStringLiteral("Includes points over the cap: neither better nor worse"));
                        break;
                    case DiffSense::Same: break;
                }
            }
        }
        if (planned) addPieces(top, *planned, ROW_PLANNED);
        top->setExpanded(true);
    }
}

void CPlanWnd::UpdateButtons() {
    const bool busy = IsCalcInProgress();
    const bool running = m_pRun->IsActive();
    const int t = CurrentTarget();
    const int n = m_pTargets->topLevelItemCount();
    const bool edit = !busy && m_pDoc;
    m_btnAdd->setEnabled(edit);
    m_btnEdit->setEnabled(edit && t >= 0);
    m_btnRemove->setEnabled(edit && t >= 0);
    m_btnUp->setEnabled(edit && t > 0);
    m_btnDown->setEnabled(edit && t >= 0 && t < n - 1);
    m_pWorn->setEnabled(edit);
    m_btnPlan->setEnabled(edit && n > 0);
    m_btnStop->setEnabled(running);
    m_btnAssign->setEnabled(edit && m_result && PlanAssignCount(*m_result) > 0);
}

void CPlanWnd::OpenSuitDetails(QTreeWidgetItem* item) {
    if (!item || !m_pDoc || !m_result) return;
    int kind = item->data(0, KIND_ROLE).toInt();
    if (kind == ROW_PIECE) kind = item->data(0, SUIT_ROLE).toInt();
    const int t = item->data(0, TARGET_ROLE).toInt();
    const CArmorSuit* suit = nullptr;
    if (kind == ROW_PLANNED) suit = PlannedSuit(t);
    if (kind == ROW_CURRENT && size_t(t) < m_resultPlan.m_arrTargets.size())
        suit = SuitOfCharacter(*m_pDoc, m_resultPlan.m_arrTargets[size_t(t)].m_strName);
    if (!suit) return;
    CSuitDetailsDlg dlg(this);
    dlg.m_bReadOnly = true;
    dlg.m_pSuit = const_cast<CArmorSuit*>(suit);
    dlg.exec();
}

bool CPlanWnd::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pResults && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        // Enter on a suit's row shows the suit; elsewhere it runs the plan.
        if (enter && key->modifiers() == Qt::NoModifier && m_pResults->currentItem()) {
            const int kind = m_pResults->currentItem()->data(0, KIND_ROLE).toInt();
            if (kind == ROW_PLANNED || kind == ROW_CURRENT || kind == ROW_PIECE) {
                OpenSuitDetails(m_pResults->currentItem());
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CPlanWnd::ShowProgress() {
    HideProgress();
    auto* frame = qobject_cast<QMainWindow*>(parentWidget());
    if (!frame) return;
    CPlanRun* run = m_pRun.get();
    m_pProgress = new CCalcProgress([run] { return run->Status(); });
    m_pProgress->ShowIn(*frame);
}

void CPlanWnd::HideProgress() { CCalcProgress::Remove(m_pProgress); }
