#pragma once
// The dialog where pasted item text becomes pieces: one sorted row per recognised item line.
#include <QDialog>

#include <memory>
#include <string>
#include <vector>

#include "model/ArmorPiece.h"

class CGorvantaDoc;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class CImportDlg : public QDialog {
    Q_OBJECT
public:
    explicit CImportDlg(QWidget* parent = nullptr);
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

    QPushButton* PasteButton() const { return m_btnPaste; }
    QPushButton* SaveButton() const { return m_btnSave; }
    QPushButton* CancelButton() const { return m_btnCancel; }
    QTreeWidget* ItemList() const { return m_listItems; }
    QLineEdit* CountBox() const { return m_editCount; }
    // The piece a row carries.
    static CArmorPiece* PieceOf(const QTreeWidgetItem* row);

public slots:
    void OnPaste();
    void accept() override;
    void reject() override;

protected:
    void timerEvent(QTimerEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void UpdateButtons();
    void StartTimer();
    void StopTimer();
    void ClearRows();
    void AddRow(const std::string& line, std::unique_ptr<CArmorPiece> piece);
    void ShowCount();

    QTreeWidget* m_listItems = nullptr;
    QLineEdit* m_editCount = nullptr;
    QPushButton* m_btnPaste = nullptr;
    QPushButton* m_btnSave = nullptr;
    QPushButton* m_btnCancel = nullptr;
    // The pieces of the rows; a row only points at its piece.
    std::vector<std::unique_ptr<CArmorPiece>> m_rowPieces;
};

// The document's Paste command: nothing during a run; otherwise the dialog, and on Save/Exit its pieces
// join the pool in row order, the document is marked modified and the views refreshed. True on Save/Exit.
bool DoPasteCommand(CGorvantaDoc* doc, QWidget* parent);
