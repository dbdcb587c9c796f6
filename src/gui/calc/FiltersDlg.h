#pragma once
// The Filters dialog: every calculation setting except the column widths, checked field by field on OK.
#include <QAbstractSpinBox>
#include <QDialog>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/calc/CalcEngine.h"
#include "core/calc/Settings.h"

class CGorvantaDoc;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// An edit with an up-down control: digits only, the arrows and arrow keys step within their own range,
// while the text itself may hold any number of digits so that OK can refuse what is out of range.
class CSpinEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit CSpinEdit(QWidget* parent = nullptr);

    void SetStepRange(int32_t lo, int32_t hi);
    int32_t StepMinimum() const { return m_nLo; }
    int32_t StepMaximum() const { return m_nHi; }
    QLineEdit* Edit() const { return lineEdit(); }

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;

protected:
    StepEnabled stepEnabled() const override;

private:
    int64_t CurrentForStep() const;
    int32_t m_nLo = 0;
    int32_t m_nHi = INT32_MAX;
};

// Reads an integer the way the dialog's exchange does: blanks around it allowed, an optional sign, at
// least one digit, nothing else, within 32 bits. Empty or anything else: no value.
std::optional<int32_t> ParseDialogInt(const QString& text);

// The order of the results: "As found", or "Best first by" one of the results columns 1 to 15, whose
// drop-down is enabled only with that choice.
class CRankChoice : public QWidget {
public:
    explicit CRankChoice(QWidget* parent = nullptr);

    // A value that names no column shows as "As found"; the column list keeps its last choice then.
    void SetValue(int32_t value);
    int32_t Value() const;
    QComboBox* Mode() const { return m_pMode; }
    QComboBox* Column() const { return m_pColumn; }

    static constexpr int DEFAULT_COLUMN = 6;  // "Eff. Total"

private:
    QComboBox* m_pMode;
    QComboBox* m_pColumn;
};

class CFiltersDlg : public QDialog {
    Q_OBJECT
public:
    using Member = int32_t CSettings::*;

    explicit CFiltersDlg(QWidget* parent = nullptr);
    ~CFiltersDlg() override;

    // Every setting of the settings table, both ways (the column widths are not in it).
    void CopyFrom(const CSettings& s);
    void CopyTo(CSettings& s) const;

    // The value the controls are filled from and, after OK, what the user entered.
    int32_t& Value(Member m) { return m_values[Index(m)]; }
    int32_t Value(Member m) const { return m_values[Index(m)]; }

    // A field's edit; its up-down control, or null for a field without one ("Suits in ListView").
    QLineEdit* FieldEdit(Member m) const { return m_edits[Index(m)]; }
    CSpinEdit* FieldSpin(Member m) const { return m_spins[Index(m)]; }
    QCheckBox* CheckBox(Member m) const { return m_checks[Index(m)]; }
    CRankChoice* Choice(Member m) const { return m_choices[Index(m)]; }
    QComboBox* ThenChoice(Member m) const { return m_thens[Index(m)]; }
    // The highest value the pool reaches beside a minimum's field, or null for a setting without one.
    QLabel* ReachLabel(Member m) const { return m_reach[Index(m)]; }
    QPushButton* OkButton() const { return m_btnOk; }
    QPushButton* CancelButton() const { return m_btnCancel; }

    // The pool (as a run sees it) whose highest values show beside the minimums; without one the labels
    // stay empty.
    void SetPool(const CalcPool& pool);

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    static size_t Index(Member m);
    void InitDialog();
    // Controls from the values; the other way round returns false at the first field in error.
    void FillControls();
    bool TakeControls();
    // The run parameters as the controls stand now (fields that do not read as numbers keep their values).
    CCalcParam CurrentParam() const;
    // Recomputes the reachable values, or only re-colours them against the minimums as typed.
    void UpdateReach();
    void UpdateReachColours();

    std::array<int32_t, SETTINGS_COUNT> m_values{};
    std::array<QLineEdit*, SETTINGS_COUNT> m_edits{};
    std::array<CSpinEdit*, SETTINGS_COUNT> m_spins{};
    std::array<QCheckBox*, SETTINGS_COUNT> m_checks{};
    std::array<CRankChoice*, SETTINGS_COUNT> m_choices{};
    std::array<QComboBox*, SETTINGS_COUNT> m_thens{};  // "then by": index 0 "(none)", n the column n
    std::array<QLabel*, SETTINGS_COUNT> m_reach{};
    std::array<int, SETTINGS_COUNT> m_reachIndex{};  // HIGH_ index of a minimum's value, -1 for others
    std::optional<CalcPool> m_pool;
    std::optional<CalcHighest> m_highest;
    QPushButton* m_btnOk = nullptr;
    QPushButton* m_btnCancel = nullptr;
    bool m_bInitialized = false;
};

// The document's Filters command: nothing during a run; otherwise the dialog on a copy of the settings,
// and on OK the settings are replaced, saved and the views told. Returns true when OK was pressed.
bool DoFiltersCommand(CGorvantaDoc* doc, QWidget* parent);
