#pragma once
// One suit piece by piece with its totals, and the place to assign it to a character.
#include <QDialog>

#include <string>

class CArmorSuit;
class CGorvantaDoc;
class QComboBox;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

constexpr const char* SUITDLG_SECTION = "SuitDlg";

class CSuitDetailsDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSuitDetailsDlg(QWidget* parent = nullptr);
    ~CSuitDetailsDlg() override;

    // Set when "Assign/Exit" assigned the suit; the document then owns it.
    bool m_bAssigned = false;
    // Set by the caller before the dialog is shown.
    CGorvantaDoc* m_pDoc = nullptr;
    CArmorSuit* m_pSuit = nullptr;
    // Optional: a suit whose pieces are shown beside the result's, each slot whose piece differs marked.
    const CArmorSuit* m_pCompared = nullptr;
    // Shows the suit only: no character box and no assignment.
    bool m_bReadOnly = false;
    // The character name as typed or chosen, in the 8-bit set.
    std::string m_strCharName;

    QComboBox* CharacterBox() const { return m_comboCharacter; }
    QTreeWidget* DetailsList() const { return m_listDetails; }
    QPushButton* AssignButton() const { return m_btnAssign; }
    QPushButton* ExitButton() const { return m_btnExit; }

    // Slot label of a piece type, or null for a type that gets no row.
    static const char* SlotLabel(int type);
    // The column of the compared suit's pieces (shown right after "Item"), while comparing.
    static constexpr int COMPARED_COLUMN = 16;
    // The data (Qt::UserRole, column 0) of a marked row.
    static constexpr const char* DIFFERS_PROPERTY = "differs";

public slots:
    void OnAssign();
    // "Exit", Esc and the close box end the dialog as OK does, without an assignment.
    void reject() override;
    void done(int result) override;

    void setVisible(bool visible) override;

private:
    void OnInitDialog();
    void RestorePlacement();
    void SavePlacement();
    void InsertColumns();
    // At its default place, wide enough for every column shown, within the screen.
    void WidenForColumns();
    void FillRows();
    void OnRowDoubleClicked(QTreeWidgetItem* item, int column);

    QComboBox* m_comboCharacter = nullptr;
    QWidget* m_pAssignGroup = nullptr;
    QTreeWidget* m_listDetails = nullptr;
    QPushButton* m_btnAssign = nullptr;
    QPushButton* m_btnExit = nullptr;
    bool m_bInitialized = false;
    bool m_bPlacementSaved = false;
};
