#pragma once
// The Filters dialog: every calculation setting except the column widths, checked field by field on OK.
#include <QAbstractSpinBox>
#include <QDialog>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

class CSettings;
class CGorvantaDoc;
class QCheckBox;
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

class CFiltersDlg : public QDialog {
    Q_OBJECT
public:
    // The edits in the order their values are taken on OK, which is also the order errors are found.
    enum Field {
        FIELD_LOWER_LIMIT,
        FIELD_DCI,
        FIELD_LMC,
        FIELD_LRC,
        FIELD_LUCK,
        FIELD_MR,
        FIELD_SUIT_LIMIT,
        FIELD_HCI,
        FIELD_HR,
        FIELD_SR,
        FIELD_COUNT
    };
    // The check boxes, in the order their states are taken.
    enum Check {
        CHECK_ARMS,
        CHECK_BRACELETS,
        CHECK_CHEST,
        CHECK_CLOAKS,
        CHECK_GLOVES,
        CHECK_GORGETS,
        CHECK_HEADWEAR,
        CHECK_LEGS,
        CHECK_RINGS,
        CHECK_SHIELDS,
        CHECK_ROBES,
        CHECK_WEAPONS,
        CHECK_DISPLAY_DCI,
        CHECK_DISPLAY_LMC,
        CHECK_DISPLAY_LRC,
        CHECK_DISPLAY_LUCK,
        CHECK_MEDABLE,
        CHECK_DISPLAY_MR,
        CHECK_DISPLAY_HCI,
        CHECK_DISPLAY_HR,
        CHECK_DISPLAY_SR,
        CHECK_BYPASS,
        CHECK_COUNT
    };

    explicit CFiltersDlg(QWidget* parent = nullptr);
    ~CFiltersDlg() override;

    // Every setting but the column widths, both ways.
    void CopyFrom(const CSettings& s);
    void CopyTo(CSettings& s) const;

    QLineEdit* FieldEdit(Field f) const;
    // The up-down control of a field, or null for "Suits in ListView".
    CSpinEdit* FieldSpin(Field f) const;
    QCheckBox* CheckBox(Check c) const;
    QPushButton* OkButton() const { return m_btnOk; }
    QPushButton* CancelButton() const { return m_btnCancel; }

    // The members the controls are filled from and, after OK, hold what the user entered.
    int32_t m_nLowerLimit = 0;
    int32_t m_bUseArms = 0;
    int32_t m_bUseBracelets = 0;
    int32_t m_bUseChestPieces = 0;
    int32_t m_bUseCloaks = 0;
    int32_t m_bUseGloves = 0;
    int32_t m_bUseGorgets = 0;
    int32_t m_bUseHeadWear = 0;
    int32_t m_bUseLegs = 0;
    int32_t m_bUseRings = 0;
    int32_t m_bUseShields = 0;
    int32_t m_bUseRobes = 0;
    int32_t m_bUseWeapons = 0;
    int32_t m_bDisplayDCI = 0;
    int32_t m_bDisplayLMC = 0;
    int32_t m_bDisplayLRC = 0;
    int32_t m_bDisplayLuck = 0;
    int32_t m_bMedableOnly = 0;
    int32_t m_bDisplayMR = 0;
    int32_t m_nDCILimit = 0;
    int32_t m_nLMCLimit = 0;
    int32_t m_nLRCLimit = 0;
    int32_t m_nLuckLimit = 0;
    int32_t m_nMRLimit = 0;
    int32_t m_nSuitLimit = 0;
    int32_t m_bDisplayHCI = 0;
    int32_t m_bDisplayHR = 0;
    int32_t m_bDisplaySR = 0;
    int32_t m_nHCILimit = 0;
    int32_t m_nHRLimit = 0;
    int32_t m_nSRLimit = 0;
    int32_t m_bBypassResistCap = 0;

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void InitDialog();
    // Controls from members; the other way round returns false at the first field in error.
    void FillControls();
    bool TakeControls();
    int32_t* FieldMember(Field f);
    int32_t* CheckMember(Check c);

    std::array<QLineEdit*, FIELD_COUNT> m_edits{};
    std::array<CSpinEdit*, FIELD_COUNT> m_spins{};
    std::array<QCheckBox*, CHECK_COUNT> m_checks{};
    QPushButton* m_btnOk = nullptr;
    QPushButton* m_btnCancel = nullptr;
    bool m_bInitialized = false;
};

// The document's Filters command: nothing during a run; otherwise the dialog on a copy of the settings,
// and on OK the settings are replaced, saved and the views told. Returns true when OK was pressed.
bool DoFiltersCommand(CGorvantaDoc* doc, QWidget* parent);
