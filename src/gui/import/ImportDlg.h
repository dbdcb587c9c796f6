#pragma once
// The dialog where pasted item text becomes pieces: one sorted row per recognised item line, showing what
// was read from it, with its slot open to change and repeats of items the player already has marked.
#include <QDialog>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "core/import/ImportRows.h"
#include "core/model/ArmorPiece.h"

class CGorvantaDoc;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

constexpr const char* IMPORTDLG_SECTION = "ImportDlg";
// Shown in place of the list when a paste found no line to list.
constexpr const char* NO_ITEM_LINE_TEXT = "No line of this text describes an item.";
// The check box of a line the paste skipped because its property names are not in lower case.
constexpr const char* TAKE_IT_IN_TEXT = "take it in";

class CImportDlg : public QDialog {
    Q_OBJECT
public:
    // Rows repeating an item of `doc` (its pool or its suits) are marked as duplicates.
    explicit CImportDlg(QWidget* parent = nullptr, const CGorvantaDoc* doc = nullptr);
    ~CImportDlg() override;

    // Filled by Save/Exit in row order, top to bottom; the caller moves the pieces out.
    std::vector<std::unique_ptr<CArmorPiece>> m_arrImported;

    // Number of pieces found by the last paste, as the count box shows it.
    int m_nItemsPasted = 0;
    // The text the last paste read from the clipboard, CR LF line breaks, at most PASTE_LIMIT characters.
    std::string m_strPasted;
    // Set by the first row ever added; never cleared while the dialog is open.
    int m_bHasItems = 0;
    // The running button-update timer, 0 while stopped.
    int m_nTimerID = 0;

    // Paste once as soon as the dialog is up, if the clipboard holds text: the paste command's way in.
    void SetPasteOnOpen(bool on) { m_bPasteOnOpen = on; }

    QPushButton* PasteButton() const { return m_btnPaste; }
    QPushButton* SaveButton() const { return m_btnSave; }
    QPushButton* CancelButton() const { return m_btnCancel; }
    QTreeWidget* ItemList() const { return m_listItems; }
    QLineEdit* CountBox() const { return m_editCount; }
    QCheckBox* KeepRowsBox() const { return m_chkKeepRows; }
    QCheckBox* SkipDuplicatesBox() const { return m_chkSkipDuplicates; }
    QLabel* DuplicatesLabel() const { return m_labelDuplicates; }
    QLabel* NoticeLabel() const { return m_labelNotice; }
    QLabel* NoItemLabel() const { return m_labelNoItem; }
    // The piece a row carries.
    static CArmorPiece* PieceOf(const QTreeWidgetItem* row);
    // A row of a line the paste skipped (listed greyed below the items, imported only when ticked).
    static bool IsSkippedRow(const QTreeWidgetItem* row);
    // Files the row's piece under slot k, as choosing it in the row's drop-down does.
    void SetRowSlot(QTreeWidgetItem* row, int k);
    // Corrects the row's piece in the edit dialog, as a double-click on one of its value cells does.
    void EditRow(QTreeWidgetItem* row);

public slots:
    void OnPaste();
    void accept() override;
    void reject() override;

public:
    void setVisible(bool visible) override;
    void done(int result) override;

protected:
    void timerEvent(QTimerEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateButtons();
    void StartTimer();
    void StopTimer();
    void ClearRows();
    QTreeWidgetItem* AddRow(const std::string& line, std::unique_ptr<CArmorPiece> piece, bool skipped = false);
    void OnRowChanged(QTreeWidgetItem* row, int column);
    void ShowCount();
    // Marks the duplicates and writes every row's texts.
    void RefreshRows();
    void ShowRow(QTreeWidgetItem* row, const CDuplicate& dup);
    // Measures the columns' contents, then fits them to the list.
    void MeasureColumns();
    void FitColumns();
    void RestorePlacement();
    void SavePlacement();

    QTreeWidget* m_listItems = nullptr;
    QLineEdit* m_editCount = nullptr;
    QPushButton* m_btnPaste = nullptr;
    QPushButton* m_btnSave = nullptr;
    QPushButton* m_btnCancel = nullptr;
    QCheckBox* m_chkKeepRows = nullptr;
    QCheckBox* m_chkSkipDuplicates = nullptr;
    QLabel* m_labelDuplicates = nullptr;
    QLabel* m_labelNotice = nullptr;
    QLabel* m_labelNoItem = nullptr;
    // How many rows at the end of the list are skipped lines.
    int m_nSkippedRows = 0;
    // Set while rows are written, so their changes are not taken for the player's ticks.
    bool m_bShowingRows = false;
    // The pieces of the rows; a row only points at its piece.
    std::vector<std::unique_ptr<CArmorPiece>> m_rowPieces;
    // Item texts of the document's pool and suits.
    CKnownItems m_known;
    // Rows count their arrival, so the first of identical texts is the one kept.
    int m_nNextArrival = 0;
    std::array<int, IMPORT_COLUMN_COUNT> m_contentWidth{};
    bool m_bPasteOnOpen = false;
    bool m_bInitialized = false;
};

// The document's Paste command: nothing during a run; otherwise the dialog, which pastes the clipboard's
// text at once, and on Save/Exit its pieces join the pool in row order, the document is marked modified
// and the views refreshed. True on Save/Exit.
bool DoPasteCommand(CGorvantaDoc* doc, QWidget* parent);
