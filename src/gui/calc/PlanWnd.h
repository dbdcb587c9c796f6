#pragma once
// The plan window of a document: the plan's characters in priority order with their wishes, the worn
// switch, and the result of a plan run, each character's planned suit beside the suit it wears now. Every
// change of the plan is a change of the document (modified, undoable, saved with it). One window per
// document, modeless: the player keeps working in the tree and the results list beside it.
#include <QDialog>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/calc/PlanSearch.h"
#include "core/document/GorvantaDoc.h"
#include "gui/calc/PlanRun.h"

class CCalcProgress;
class QHideEvent;

// Where the plan window's rectangle is kept in the per-user store.
constexpr const char* PLANWND_SECTION = "PlanWnd";
class QCheckBox;
class QLabel;
class QPushButton;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;

class CPlanWnd : public QDialog, public IDocView {
    Q_OBJECT
public:
    CPlanWnd(CGorvantaDoc& doc, QWidget* parent = nullptr);
    ~CPlanWnd() override;

    // "Plan Characters - <document title>".
    void SetDocumentTitle(const QString& title);
    // Undo and redo of the document from this window's keys (Ctrl+Z, Ctrl+Y), as the main window has them.
    void SetUndoRedo(std::function<void()> undo, std::function<void()> redo);

    QTreeWidget* Targets() const { return m_pTargets; }
    QTreeWidget* Results() const { return m_pResults; }
    QCheckBox* WornBox() const { return m_pWorn; }
    QPushButton* AddButton() const { return m_btnAdd; }
    QPushButton* EditButton() const { return m_btnEdit; }
    QPushButton* RemoveButton() const { return m_btnRemove; }
    QPushButton* UpButton() const { return m_btnUp; }
    QPushButton* DownButton() const { return m_btnDown; }
    QPushButton* PlanButton() const { return m_btnPlan; }
    QPushButton* StopButton() const { return m_btnStop; }
    QPushButton* AssignButton() const { return m_btnAssign; }
    QPushButton* CloseButton() const { return m_btnClose; }
    QLabel* StatusLabel() const { return m_pStatus; }
    CPlanRun& Run() { return *m_pRun; }

    // The last run's result while it still fits the document; null once discarded.
    const CPlanResult* Result() const { return m_result ? &*m_result : nullptr; }
    // Target t's planned suit (its pieces those of the pool it was planned over), or null.
    const CArmorSuit* PlannedSuit(int t) const;
    // The result row of target t (a top-level item of the results list).
    QTreeWidgetItem* ResultItem(int t) const;
    int CurrentTarget() const;
    void SetCurrentTarget(int t);

    // Add: asks for a name among the document's characters (or a new one).
    void OnAdd();
    // A new target under the name with the current Filters settings as its wishes. A name that is empty
    // or already in the plan is refused with a message; false then.
    bool AddTarget(const std::string& name);
    // Edit: the Filters dialog on the current target's wishes.
    void OnEdit();
    void OnRemove();
    // Moves the current target up (-1) or down (+1).
    void MoveCurrent(int delta);
    void OnPlan();
    void OnStop();
    // Asks once, then assigns every planned suit as one change of the document.
    void OnAssignAll();

    void OnUpdate(IDocView* sender, int hint) override;
    bool RunInProgress() const override { return m_pRun->IsActive(); }
    void StopAndWaitForRun() override { m_pRun->StopAndWait(); }
    void StopRunForClose() override { m_pRun->StopAndWait(); }

    static constexpr int NAME_COLUMN = 0;
    static constexpr int WISHES_COLUMN = 1;
    // The results list: the character (or the row's kind), then the sixteen result columns.
    static constexpr int FIRST_RESULT_COLUMN = 1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void ChangePlan(CPlan plan, int current);
    void FillTargets();
    void FillResults();
    void DiscardResult();
    void UpdateButtons();
    void OnRunFinished();
    void OpenSuitDetails(QTreeWidgetItem* item);
    void ShowProgress();
    void HideProgress();

    CGorvantaDoc* m_pDoc;
    std::unique_ptr<CPlanRun> m_pRun;
    QTreeWidget* m_pTargets = nullptr;
    QTreeWidget* m_pResults = nullptr;
    QCheckBox* m_pWorn = nullptr;
    QLabel* m_pStatus = nullptr;
    QPushButton* m_btnAdd = nullptr;
    QPushButton* m_btnEdit = nullptr;
    QPushButton* m_btnRemove = nullptr;
    QPushButton* m_btnUp = nullptr;
    QPushButton* m_btnDown = nullptr;
    QPushButton* m_btnPlan = nullptr;
    QPushButton* m_btnStop = nullptr;
    QPushButton* m_btnAssign = nullptr;
    QPushButton* m_btnClose = nullptr;
    QPointer<CCalcProgress> m_pProgress;
    // The result and what it was found with: the plan and the plan pool as the run took them.
    std::optional<CPlanResult> m_result;
    CPlan m_resultPlan;
    CalcPool m_resultPool;
    std::vector<std::unique_ptr<CArmorSuit>> m_planned;  // per target; null where none
    // The document changed while a run was going: its result no longer fits.
    bool m_bRunStale = false;
};
