#pragma once
// The results list, the right pane of a document window: one row per suit the current run has
// listed, sixteen columns of which the eight after "Act. Total" can be hidden.
#include <QTableView>

#include <cstdint>

#include "calc/ResultsModel.h"
#include "calc/Settings.h"
#include "document/GorvantaDoc.h"
#include "ui/CmdTarget.h"

class CGorvantaView : public QTableView, public IDocView, public CCmdTarget {
    Q_OBJECT
public:
    explicit CGorvantaView(CGorvantaDoc& doc, QWidget* parent = nullptr);
    ~CGorvantaView() override;

    CGorvantaDoc* GetDocument() const { return m_pDoc; }
    // The listed suits and their rows; the model owns the suits.
    CResultsModel* Model() const { return m_pModel; }
    // The document closes: leave it.
    void Detach();

    // Columns with their widths from the settings (optional columns hidden unless switched on), and
    // the total resist minimum from the settings.
    void OnInitialUpdate();
    void OnUpdate(IDocView* sender, int hint) override;
    bool IsResultsView() const override { return true; }

    // Shows each optional column (8 to 15) at its stored width when its display switch is on,
    // hides it otherwise. Columns 0 to 7 are left as they are.
    void ApplyColumnVisibility();
    // Deletes every listed suit and empties the list.
    void ClearResults();
    // The width a column shows with; 0 for a hidden one.
    int ColumnWidth(int column) const;
    // The display switch of an optional column, or null for columns 0 to 7.
    static int32_t* DisplaySwitch(CSettings& settings, int column);

    int32_t m_nCombinationCount = 0;
    // The total resist minimum the search reads.
    int32_t m_nLowerLimit = 0;

private:
    CGorvantaDoc* m_pDoc;
    CResultsModel* m_pModel;
};
