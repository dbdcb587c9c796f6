#pragma once
// The results list, the right pane of a document window: one row per suit the current run has
// listed, sixteen columns of which the eight after "Act. Total" can be hidden (from the Filters dialog
// or the header's menu). Rows sort either way by a header click, copy as text and export as CSV. It
// starts the runs of its document and receives their reports.
#include <QComboBox>
#include <QPointer>
#include <QTableView>

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "gui/calc/CalcRun.h"
#include "gui/calc/ResultsModel.h"
#include "core/calc/Settings.h"
#include "core/document/GorvantaDoc.h"
#include "gui/ui/CmdTarget.h"

class CCalcProgress;
class CColumnResizeWatcher;
class CWaitCursor;

class CGorvantaView : public QTableView, public IDocView, public CCmdTarget, private ICalcRunSink {
    Q_OBJECT
public:
    explicit CGorvantaView(CGorvantaDoc& doc, QWidget* parent = nullptr);
    ~CGorvantaView() override;

    CGorvantaDoc* GetDocument() const { return m_pDoc; }
    // The listed suits and their rows; the model owns the suits.
    CResultsModel* Model() const { return m_pModel; }
    // The view leaves its document (its window or the document closes): its run stops first, and the
    // other views of the document hear that it is done.
    void Detach();

    // Columns with their widths from the settings (optional columns hidden unless switched on), and
    // the total resist minimum from the settings.
    void OnInitialUpdate();
    // HINT_START_CALC from no view starts a run here; from a view, it tells of the run started there.
    void OnUpdate(IDocView* sender, int hint) override;
    // True while this view's own run is in progress: the document's close step stops that run and no
    // other (the running flag it looks at may belong to another document's run).
    bool IsResultsView() const override { return HasActiveRun(); }
    // Stops this view's run and returns once its worker has returned; no summary is shown.
    void StopAndWaitForRun() override;
    bool RunInProgress() const override;
    void StopRunForClose() override;
    // Clears the results and starts a run on the document's pool. False, doing nothing, while a run is in
    // progress anywhere in the program or without a document.
    bool StartCalc();

    // Shows each optional column (8 to 15) at its stored width when its display switch is on,
    // hides it otherwise. Columns 0 to 7 are left as they are.
    void ApplyColumnVisibility();
    // Deletes every listed suit and empties the list.
    void ClearResults();
    // The pool may have changed: listed suits that borrow a piece no longer in the pool would reach a
    // deleted piece or one that another suit owns, so then every result goes.
    void OnPoolChanged();
    // The width a column shows with; 0 for a hidden one.
    int ColumnWidth(int column) const;
    // The width a column is shown at: the stored one, but a built-in default grows until the heading
    // with the sort arrow and, in column 0, a suit name fit in the font in use.
    int ShownWidth(int column) const;

    // A header click: sorts by the column in its own order, or the other way if the rows are in that
    // order now. The header's arrow shows the order the rows are in.
    void OnHeaderClicked(int column);

    // Puts the selected rows on the clipboard as tab-separated text with the headings; false without a
    // selection.
    bool CopySelection();
    // File > Export Results: enabled with rows and no run in progress.
    bool CanExportResults() const;
    // Asks for a file, proposing "<title> results.csv", and writes every row to it.
    void OnExportResults(const QString& documentTitle);
    // Writes every row in the list's order as CSV (UTF-8), replacing the file only once all is written.
    // A failure is shown and returns false.
    bool ExportResults(const QString& path);

    // Turns an optional column's display switch over, saves the settings and tells this document's views;
    // displaySwitchesChanged then lets the other documents' lists follow.
    void SwitchColumn(int column);

    bool OnCmdMsg(int id, CCmdUI* pUI) override;

    // The "Compare with:" line above the list, made once, for the window that shows the list.
    QWidget* CreateCompareBar(QWidget* parent);
    QComboBox* CompareBox() const { return m_pCompareBox; }
    // The character whose suit the list is compared with (set as the box sets it), or empty for none.
    void SetCompared(const std::string& character);
    const std::string& Compared() const { return m_strCompared; }
    // The suit compared with, or null.
    CArmorSuit* ComparedSuit() const;

    // Opens the suit details of a row; takes an assigned suit out of the results.
    void OnResultDoubleClicked(int row);
    // The run of this view, if any.
    CCalcRun& Run() { return *m_pRun; }
    bool HasActiveRun() const { return m_pRun->IsActive(); }
    // The status bar's progress part while a run is in progress, else null.
    CCalcProgress* Progress() const;

    int64_t m_nCombinationCount = 0;
    // The total resist minimum the search reads.
    int32_t m_nLowerLimit = 0;
    std::time_t m_timeStart = 0;
    std::time_t m_timeEnd = 0;
    // Worker threads for a run (0: every core).
    int m_nThreads = 0;

signals:
    // A display switch of an optional column was turned from this list.
    void displaySwitchesChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void OnColumnResized(int column, int width);
    void ShowSortIndicator();
    // The visible columns' headings and, for each row given, its visible cells as the list shows them.
    std::vector<std::string> ShownHeadings() const;
    std::vector<std::vector<std::string>> ShownRows(const std::vector<int>& rows) const;
    // The selected rows, top to bottom.
    std::vector<int> SelectedRows() const;
    // The menu of the optional columns, as a right click on the header opens it.
    void ShowHeaderMenu(const QPoint& globalPos);
    // Shows the visible columns at ShownWidth (after a change of font or style).
    void ApplyShownWidths();
    void ShowProgress();
    void HideProgress();
    // The box lists "none" and every character with a suit; a compared character that lost its suit
    // goes back to none. The rows then compare with the suit as it is now.
    void RefreshCompare();

    void OnCalcBegin(int64_t combinations) override;
    void OnCalcSuits(std::vector<std::unique_ptr<CArmorSuit>>& suits) override;
    void OnCalcEnd(const CCalcMsg& end) override;

    CGorvantaDoc* m_pDoc;
    CResultsModel* m_pModel;
    CColumnResizeWatcher* m_pResizeWatcher;
    std::unique_ptr<CCalcRun> m_pRun;
    std::unique_ptr<CWaitCursor> m_pWaitCursor;
    // Lives in the main frame's status bar, which may go first.
    QPointer<CCalcProgress> m_pProgress;
    int m_nSortColumn = -1;
    bool m_bSortReversed = false;
    QPointer<QComboBox> m_pCompareBox;
    std::string m_strCompared;
};
