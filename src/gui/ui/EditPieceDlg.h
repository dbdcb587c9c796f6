#pragma once
// Corrects what the import read from a piece: its slot, its thirteen values and the medable flag. The
// piece's text is shown as it was imported and cannot be changed here.
#include <QDialog>

#include <array>

#include "core/document/PieceEdit.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QSpinBox;

constexpr const char* EDIT_SLOT_TAKEN_MESSAGE =
    "The suit already has a piece in that slot. Take that piece out of the suit first.";

class CEditPieceDlg : public QDialog {
    Q_OBJECT
public:
    explicit CEditPieceDlg(const CArmorPiece& piece, QWidget* parent = nullptr);

    // What the controls hold now.
    CPieceEdit Edit() const;

    QComboBox* SlotBox() const { return m_comboSlot; }
    // The box of a property index; null for 9 and indices outside the thirteen.
    QSpinBox* ValueBox(int prop) const;
    QCheckBox* MedableBox() const { return m_chkMedable; }
    QPushButton* OkButton() const { return m_btnOk; }

private:
    QComboBox* m_comboSlot = nullptr;
    std::array<QSpinBox*, PROP_COUNT> m_spinValues{};
    QCheckBox* m_chkMedable = nullptr;
    QPushButton* m_btnOk = nullptr;
};
