#pragma once
// Edit > Item Names...: the eleven name tables that file an imported item under its slot, edited in place
// and written to the per-user store on OK.
#include <QDialog>

#include "core/model/PieceDefs.h"

class QLabel;
class QListWidget;
class QPushButton;

class CItemNamesDlg : public QDialog {
    Q_OBJECT
public:
    // Opens on the tables as the store holds them.
    explicit CItemNamesDlg(QWidget* parent = nullptr);

    QListWidget* TableList() const { return m_listTables; }
    QListWidget* NameList() const { return m_listNames; }
    QPushButton* AddButton() const { return m_btnAdd; }
    QPushButton* RemoveButton() const { return m_btnRemove; }
    QPushButton* UpButton() const { return m_btnUp; }
    QPushButton* DownButton() const { return m_btnDown; }
    QPushButton* DefaultsButton() const { return m_btnDefaults; }
    QPushButton* OkButton() const { return m_btnOk; }
    QPushButton* CancelButton() const { return m_btnCancel; }

public slots:
    // Writes the tables to the store and reloads the tables in force from it.
    void accept() override;

private:
    void ShowTable();
    void KeepShownTable();
    void AddName();
    void RemoveName();
    void MoveName(int step);
    void RestoreDefaults();
    void UpdateButtons();
    void MarkName(int row);

    CPieceDefs m_tables;
    // The slot of the table shown, -1 for none.
    int m_nShownSlot = -1;
    QListWidget* m_listTables = nullptr;
    QListWidget* m_listNames = nullptr;
    QLabel* m_labelNames = nullptr;
    QPushButton* m_btnAdd = nullptr;
    QPushButton* m_btnRemove = nullptr;
    QPushButton* m_btnUp = nullptr;
    QPushButton* m_btnDown = nullptr;
    QPushButton* m_btnDefaults = nullptr;
    QPushButton* m_btnOk = nullptr;
    QPushButton* m_btnCancel = nullptr;
};

// The Edit menu's "Item Names..." command.
void DoItemNamesCommand(QWidget* parent);
