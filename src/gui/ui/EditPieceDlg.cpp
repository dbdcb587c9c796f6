#include "EditPieceDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

#include "core/import/ItemNames.h"
#include "qtstore/QtText.h"

namespace {
const int kResists[] = {PROP_PHYSICAL, PROP_FIRE, PROP_COLD, PROP_POISON, PROP_ENERGY};
const int kBonuses[] = {PROP_LUCK, PROP_LMC, PROP_LRC, PROP_MR, PROP_HR, PROP_SR, PROP_DCI, PROP_HCI};

QString Caption(int prop) {
    QString text = QString::fromLatin1(PropertyKeyword(prop));
    if (!text.isEmpty()) text[0] = text[0].toUpper();
    return text + QLatin1Char(':');
}
}  // namespace

CEditPieceDlg::CEditPieceDlg(const CArmorPiece& piece, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Edit Piece"));
    setObjectName(QStringLiteral("EditPieceDlg"));
    const CPieceEdit edit = PieceEditOf(piece);

    auto* text = new QPlainTextEdit(ToQt(piece.m_strText));
    text->setObjectName(QStringLiteral("PieceText"));
    text->setReadOnly(true);
    text->setFixedHeight(text->fontMetrics().lineSpacing() * 3 + 12);
    text->setToolTip(QStringLiteral("The item text stays as it was imported"));

    m_comboSlot = new QComboBox;
    m_comboSlot->setObjectName(QStringLiteral("SlotChoice"));
    for (int k : SlotChoiceOrder()) m_comboSlot->addItem(QString::fromLatin1(SlotTypeName(k)), k);
    m_comboSlot->setCurrentIndex(std::max(0, m_comboSlot->findData(edit.slot)));

    auto column = [&](const char* title, const auto& props) {
        auto* box = new QGroupBox(QString::fromLatin1(title));
        auto* form = new QFormLayout(box);
        for (int prop : props) {
            auto* spin = new QSpinBox;
            spin->setObjectName(QStringLiteral("Value%1").arg(prop));
            spin->setRange(INT_MIN, INT_MAX);
            spin->setValue(edit.values[size_t(prop)]);
            if (PropertyIsPercent(prop)) spin->setSuffix(QStringLiteral("%"));
            spin->setAlignment(Qt::AlignRight);
            m_spinValues[size_t(prop)] = spin;
            form->addRow(Caption(prop), spin);
        }
        return box;
    };
    auto* values = new QHBoxLayout;
    values->addWidget(column("Resists", kResists), 0, Qt::AlignTop);
    values->addWidget(column("Bonuses", kBonuses), 0, Qt::AlignTop);

    m_chkMedable = new QCheckBox(QStringLiteral("&Medable"));
    m_chkMedable->setObjectName(QStringLiteral("Medable"));
    m_chkMedable->setChecked(edit.medable != 0);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    m_btnOk = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* slotRow = new QFormLayout;
    slotRow->addRow(QStringLiteral("&Slot:"), m_comboSlot);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Item text:")));
    layout->addWidget(text);
    layout->addLayout(slotRow);
    layout->addLayout(values);
    layout->addWidget(m_chkMedable);
    layout->addWidget(buttons);
    m_comboSlot->setFocus();
}

QSpinBox* CEditPieceDlg::ValueBox(int prop) const {
    return prop >= 0 && prop < PROP_COUNT ? m_spinValues[size_t(prop)] : nullptr;
}

CPieceEdit CEditPieceDlg::Edit() const {
    CPieceEdit edit;
    edit.slot = m_comboSlot->currentData().toInt();
    for (int prop = 0; prop < PROP_COUNT; ++prop)
        if (const QSpinBox* spin = m_spinValues[size_t(prop)]) edit.values[size_t(prop)] = spin->value();
    edit.medable = m_chkMedable->isChecked() ? 1 : 0;
    return edit;
}
