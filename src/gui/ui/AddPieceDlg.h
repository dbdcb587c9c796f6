#pragma once
// Moves one pool piece into a suit already assigned to a character, replacing a piece of the same slot
// type after asking.
#include <QDialog>

#include <cstdint>
#include <string>
#include <vector>

class CArmorPiece;
class CArmorSuit;
class CGorvantaDoc;
class CLeftView;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;

class CAddPieceDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAddPieceDlg(QWidget* parent = nullptr);
    ~CAddPieceDlg() override;

    // The tree that opened the dialog; the document is reached through it.
    CLeftView* m_pTree = nullptr;
    // The pool piece to add.
    CArmorPiece* m_pPiece = nullptr;
    // The suit chosen when OK was pressed.
    CArmorSuit* m_pSuit = nullptr;
    // The document's assigned suits.
    std::vector<CArmorSuit*>* m_pSuits = nullptr;
    std::string m_strPieceText;
    std::string m_strSuitSel;
    int32_t m_nPieceType = 0;

    QPlainTextEdit* PieceBox() const { return m_editPiece; }
    QListWidget* SuitList() const { return m_listSuits; }
    QPushButton* OkButton() const { return m_btnOk; }
    QPushButton* CancelButton() const { return m_btnCancel; }
    static CArmorSuit* SuitOf(const QListWidgetItem* entry);

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnInitDialog();
    void AddPieceToSuit();
    CGorvantaDoc* Document() const;

    QPlainTextEdit* m_editPiece = nullptr;
    QListWidget* m_listSuits = nullptr;
    QPushButton* m_btnOk = nullptr;
    QPushButton* m_btnCancel = nullptr;
    bool m_bInitialised = false;
};
