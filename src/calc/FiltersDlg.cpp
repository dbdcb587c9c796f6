#include "FiltersDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

#include "calc/CalcState.h"
#include "calc/Settings.h"
#include "document/GorvantaDoc.h"
#include "model/MessageBox.h"

namespace {
constexpr const char* MSG_NOT_AN_INTEGER = "Please enter an integer.";
constexpr const char* MSG_INTEGER_RANGE = "Please enter an integer between %1 and %2.";

struct FieldInfo {
    const char* objectName;
    bool ranged;
    int32_t lo, hi;
    bool hasSpin;
    bool spinRanged;  // the three unranged minimums step over every non-negative value
};
// In CFiltersDlg::Field order.
const FieldInfo kFields[CFiltersDlg::FIELD_COUNT] = {
    {"editLowerLimit", true, 0, 350, true, true},  {"editDCI", true, 0, 200, true, true},
    {"editLMC", true, 0, 200, true, true},         {"editLRC", true, 0, 200, true, true},
    {"editLuck", true, 0, 2000, true, true},       {"editMR", true, 0, 200, true, true},
    {"editSuitLimit", true, 1, 100000, false, false}, {"editHCI", false, 0, 0, true, false},
    {"editHR", false, 0, 0, true, false},          {"editSR", false, 0, 0, true, false},
};

struct CheckInfo {
    const char* text;
    const char* objectName;
};
// In CFiltersDlg::Check order.
const CheckInfo kChecks[CFiltersDlg::CHECK_COUNT] = {
    {"Arms", "checkArms"},
    {"Bracelets", "checkBracelets"},
    {"Chest Pieces", "checkChestPieces"},
    {"Cloaks", "checkCloaks"},
    {"Gloves", "checkGloves"},
    {"Gorgets", "checkGorgets"},
    {"Head wear", "checkHeadWear"},
    {"Legs", "checkLegs"},
    {"Rings", "checkRings"},
    {"Shields", "checkShields"},
    {"Robes", "checkRobes"},
    {"Weapons", "checkWeapons"},
    {"DCI", "checkDisplayDCI"},
    {"LMC", "checkDisplayLMC"},
    {"LRC", "checkDisplayLRC"},
    {"Luck", "checkDisplayLuck"},
    {"Medable Suits Only", "checkMedableOnly"},
    {"Mana Regen", "checkDisplayMR"},
    {"HCI", "checkDisplayHCI"},
    {"HP Regen", "checkDisplayHR"},
    {"Stam. Regen", "checkDisplaySR"},
    {"Bypass 70/Resist Limit", "checkBypass"},
};

std::string RangeMessage(int32_t lo, int32_t hi) {
    QString text = QString::fromLatin1(MSG_INTEGER_RANGE).arg(lo).arg(hi);
    return text.toStdString();
}
}  // namespace

// ---------------------------------------------------------------------------------------------------------

CSpinEdit::CSpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setAccelerated(true);
}

void CSpinEdit::SetStepRange(int32_t lo, int32_t hi) {
    m_nLo = lo;
    m_nHi = hi;
    update();
}

int64_t CSpinEdit::CurrentForStep() const {
    const auto v = ParseDialogInt(lineEdit()->text());
    return v ? *v : int64_t(m_nLo);
}

void CSpinEdit::stepBy(int steps) {
    const int64_t next = std::clamp<int64_t>(CurrentForStep() + steps, m_nLo, m_nHi);
    lineEdit()->setText(QString::number(next));
    selectAll();
}

QValidator::State CSpinEdit::validate(QString& input, int& pos) const {
    (void)pos;
    for (QChar c : input)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return QValidator::Invalid;
    return QValidator::Acceptable;
}

QAbstractSpinBox::StepEnabled CSpinEdit::stepEnabled() const {
    const auto v = ParseDialogInt(lineEdit()->text());
    if (!v) return StepUpEnabled | StepDownEnabled;
    StepEnabled e = StepNone;
    if (*v < m_nHi) e |= StepUpEnabled;
    if (*v > m_nLo) e |= StepDownEnabled;
    return e;
}

std::optional<int32_t> ParseDialogInt(const QString& text) {
    const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    qsizetype b = 0, e = text.size();
    while (b < e && blank(text.at(b))) ++b;
    while (e > b && blank(text.at(e - 1))) --e;
    bool negative = false;
    if (b < e && (text.at(b) == QLatin1Char('-') || text.at(b) == QLatin1Char('+'))) {
        negative = text.at(b) == QLatin1Char('-');
        ++b;
    }
    if (b == e) return std::nullopt;
    int64_t value = 0;
    for (qsizetype i = b; i < e; ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
        if (value > int64_t(std::numeric_limits<int32_t>::max()) + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) return std::nullopt;
    return int32_t(value);
}

// ---------------------------------------------------------------------------------------------------------

CFiltersDlg::CFiltersDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FiltersDlg"));
    setWindowTitle(QStringLiteral("Filters"));

    for (int c = 0; c < CHECK_COUNT; ++c) {
        auto* box = new QCheckBox(QString::fromLatin1(kChecks[c].text));
        box->setObjectName(QString::fromLatin1(kChecks[c].objectName));
        m_checks[size_t(c)] = box;
    }
    for (int f = 0; f < FIELD_COUNT; ++f) {
        const FieldInfo& info = kFields[f];
        if (info.hasSpin) {
            auto* spin = new CSpinEdit;
            spin->setObjectName(QString::fromLatin1(info.objectName));
            if (info.spinRanged) spin->SetStepRange(info.lo, info.hi);
            m_spins[size_t(f)] = spin;
            m_edits[size_t(f)] = spin->Edit();
        } else {
            auto* edit = new QLineEdit;
            edit->setObjectName(QString::fromLatin1(info.objectName));
            m_edits[size_t(f)] = edit;
        }
    }

    // Display columns and minimums: one check box and its minimum per row, the total resist on the right.
    auto* minimums = new QGroupBox(QStringLiteral("Display Columns && Calculation Minimums"));
    auto* grid = new QGridLayout(minimums);
    const std::pair<Check, Field> rows[] = {
        {CHECK_DISPLAY_LUCK, FIELD_LUCK}, {CHECK_DISPLAY_LMC, FIELD_LMC}, {CHECK_DISPLAY_LRC, FIELD_LRC},
        {CHECK_DISPLAY_MR, FIELD_MR},     {CHECK_DISPLAY_HR, FIELD_HR},   {CHECK_DISPLAY_SR, FIELD_SR},
        {CHECK_DISPLAY_DCI, FIELD_DCI},   {CHECK_DISPLAY_HCI, FIELD_HCI},
    };
    int r = 0;
    for (const auto& [check, field] : rows) {
        grid->addWidget(m_checks[size_t(check)], r, 0);
        grid->addWidget(m_spins[size_t(field)], r, 1);
        m_spins[size_t(field)]->setMinimumWidth(70);
        ++r;
    }
    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("Total Resist Minimum:")));
    right->addWidget(m_spins[FIELD_LOWER_LIMIT]);
    right->addSpacing(6);
    right->addWidget(m_checks[CHECK_MEDABLE]);
    right->addSpacing(6);
    auto* note = new QLabel(QStringLiteral(
        "Note: Prop. minimums will be used even if columns are not displayed. \nSet property limits to 0 if not used."));
    note->setWordWrap(true);
    note->setObjectName(QStringLiteral("labelNote"));
    right->addWidget(note);
    right->addStretch(1);
    grid->setColumnMinimumWidth(2, 12);
    grid->addLayout(right, 0, 3, r, 1);
    grid->setColumnStretch(3, 1);

    auto* types = new QGroupBox(QStringLiteral("Piece Type Filter"));
    auto* typeGrid = new QGridLayout(types);
    const Check left[] = {CHECK_HEADWEAR, CHECK_GORGETS, CHECK_ARMS, CHECK_GLOVES, CHECK_LEGS, CHECK_CHEST};
    const Check rightCol[] = {CHECK_RINGS, CHECK_BRACELETS, CHECK_SHIELDS, CHECK_ROBES, CHECK_CLOAKS, CHECK_WEAPONS};
    for (int i = 0; i < 6; ++i) {
        typeGrid->addWidget(m_checks[size_t(left[i])], i, 0);
        typeGrid->addWidget(m_checks[size_t(rightCol[i])], i, 1);
    }

    auto* limits = new QGroupBox(QStringLiteral("Suit Limits"));
    auto* limitRow = new QHBoxLayout(limits);
    limitRow->addWidget(new QLabel(QStringLiteral("Suits in ListView")));
    m_edits[FIELD_SUIT_LIMIT]->setMaximumWidth(80);
    limitRow->addWidget(m_edits[FIELD_SUIT_LIMIT]);
    limitRow->addStretch(1);
    // The text stands to the left of the box.
    m_checks[CHECK_BYPASS]->setLayoutDirection(Qt::RightToLeft);
    limitRow->addWidget(m_checks[CHECK_BYPASS]);

    m_btnOk = new QPushButton(QStringLiteral("OK"));
    m_btnOk->setObjectName(QStringLiteral("buttonOk"));
    m_btnOk->setDefault(true);
    m_btnCancel = new QPushButton(QStringLiteral("Cancel"));
    m_btnCancel->setObjectName(QStringLiteral("buttonCancel"));
    connect(m_btnOk, &QPushButton::clicked, this, &CFiltersDlg::accept);
    connect(m_btnCancel, &QPushButton::clicked, this, &CFiltersDlg::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_btnOk);
    buttons->addWidget(m_btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(minimums);
    layout->addWidget(types);
    layout->addWidget(limits);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Tab order follows the screen: the minimums row by row, then the right side, the types, the limits.
    QWidget* previous = nullptr;
    auto chain = [&](QWidget* w) {
        if (previous) setTabOrder(previous, w);
        previous = w;
    };
    for (const auto& [check, field] : rows) {
        chain(m_checks[size_t(check)]);
        chain(m_spins[size_t(field)]);
    }
    chain(m_spins[FIELD_LOWER_LIMIT]);
    chain(m_checks[CHECK_MEDABLE]);
    for (int i = 0; i < 6; ++i) chain(m_checks[size_t(left[i])]);
    for (int i = 0; i < 6; ++i) chain(m_checks[size_t(rightCol[i])]);
    chain(m_edits[FIELD_SUIT_LIMIT]);
    chain(m_checks[CHECK_BYPASS]);
    chain(m_btnOk);
    chain(m_btnCancel);
}

CFiltersDlg::~CFiltersDlg() = default;

QLineEdit* CFiltersDlg::FieldEdit(Field f) const { return m_edits[size_t(f)]; }
CSpinEdit* CFiltersDlg::FieldSpin(Field f) const { return m_spins[size_t(f)]; }
QCheckBox* CFiltersDlg::CheckBox(Check c) const { return m_checks[size_t(c)]; }

int32_t* CFiltersDlg::FieldMember(Field f) {
    switch (f) {
    case FIELD_LOWER_LIMIT: return &m_nLowerLimit;
    case FIELD_DCI: return &m_nDCILimit;
    case FIELD_LMC: return &m_nLMCLimit;
    case FIELD_LRC: return &m_nLRCLimit;
    case FIELD_LUCK: return &m_nLuckLimit;
    case FIELD_MR: return &m_nMRLimit;
    case FIELD_SUIT_LIMIT: return &m_nSuitLimit;
    case FIELD_HCI: return &m_nHCILimit;
    case FIELD_HR: return &m_nHRLimit;
    case FIELD_SR: return &m_nSRLimit;
    case FIELD_COUNT: break;
    }
    return nullptr;
}

int32_t* CFiltersDlg::CheckMember(Check c) {
    int32_t* const members[CHECK_COUNT] = {
        &m_bUseArms,      &m_bUseBracelets, &m_bUseChestPieces, &m_bUseCloaks,   &m_bUseGloves,   &m_bUseGorgets,
        &m_bUseHeadWear,  &m_bUseLegs,      &m_bUseRings,       &m_bUseShields,  &m_bUseRobes,    &m_bUseWeapons,
        &m_bDisplayDCI,   &m_bDisplayLMC,   &m_bDisplayLRC,     &m_bDisplayLuck, &m_bMedableOnly, &m_bDisplayMR,
        &m_bDisplayHCI,   &m_bDisplayHR,    &m_bDisplaySR,      &m_bBypassResistCap,
    };
    return members[c];
}

void CFiltersDlg::CopyFrom(const CSettings& s) {
    m_nLowerLimit = s.m_nLowerLimit;
    m_bUseArms = s.m_bUseArms;
    m_bUseBracelets = s.m_bUseBracelets;
    m_bUseChestPieces = s.m_bUseChestPieces;
    m_bUseCloaks = s.m_bUseCloaks;
    m_bUseGloves = s.m_bUseGloves;
    m_bUseGorgets = s.m_bUseGorgets;
    m_bUseHeadWear = s.m_bUseHeadWear;
    m_bUseLegs = s.m_bUseLegs;
    m_bUseRings = s.m_bUseRings;
    m_bUseShields = s.m_bUseShields;
    m_bUseRobes = s.m_bUseRobes;
    m_bUseWeapons = s.m_bUseWeapons;
    m_bDisplayDCI = s.m_bDisplayDCI;
    m_bDisplayLMC = s.m_bDisplayLMC;
    m_bDisplayLRC = s.m_bDisplayLRC;
    m_bDisplayLuck = s.m_bDisplayLuck;
    m_bMedableOnly = s.m_bMedableOnly;
    m_bDisplayMR = s.m_bDisplayMR;
    m_nDCILimit = s.m_nDCILimit;
    m_nLMCLimit = s.m_nLMCLimit;
    m_nLRCLimit = s.m_nLRCLimit;
    m_nLuckLimit = s.m_nLuckLimit;
    m_nMRLimit = s.m_nMRLimit;
    m_nSuitLimit = s.m_nSuitLimit;
    m_bDisplayHCI = s.m_bDisplayHCI;
    m_bDisplayHR = s.m_bDisplayHR;
    m_bDisplaySR = s.m_bDisplaySR;
    m_nHCILimit = s.m_nHCILimit;
    m_nHRLimit = s.m_nHRLimit;
    m_nSRLimit = s.m_nSRLimit;
    m_bBypassResistCap = s.m_bBypassResistCap;
}

void CFiltersDlg::CopyTo(CSettings& s) const {
    s.m_nLowerLimit = m_nLowerLimit;
    s.m_bUseArms = m_bUseArms;
    s.m_bUseBracelets = m_bUseBracelets;
    s.m_bUseChestPieces = m_bUseChestPieces;
    s.m_bUseCloaks = m_bUseCloaks;
    s.m_bUseGloves = m_bUseGloves;
    s.m_bUseGorgets = m_bUseGorgets;
    s.m_bUseHeadWear = m_bUseHeadWear;
    s.m_bUseLegs = m_bUseLegs;
    s.m_bUseRings = m_bUseRings;
    s.m_bUseShields = m_bUseShields;
    s.m_bUseRobes = m_bUseRobes;
    s.m_bUseWeapons = m_bUseWeapons;
    s.m_bDisplayDCI = m_bDisplayDCI;
    s.m_bDisplayLMC = m_bDisplayLMC;
    s.m_bDisplayLRC = m_bDisplayLRC;
    s.m_bDisplayLuck = m_bDisplayLuck;
    s.m_bMedableOnly = m_bMedableOnly;
    s.m_bDisplayMR = m_bDisplayMR;
    s.m_nDCILimit = m_nDCILimit;
    s.m_nLMCLimit = m_nLMCLimit;
    s.m_nLRCLimit = m_nLRCLimit;
    s.m_nLuckLimit = m_nLuckLimit;
    s.m_nMRLimit = m_nMRLimit;
    s.m_nSuitLimit = m_nSuitLimit;
    s.m_bDisplayHCI = m_bDisplayHCI;
    s.m_bDisplayHR = m_bDisplayHR;
    s.m_bDisplaySR = m_bDisplaySR;
    s.m_nHCILimit = m_nHCILimit;
    s.m_nHRLimit = m_nHRLimit;
    s.m_nSRLimit = m_nSRLimit;
    s.m_bBypassResistCap = m_bBypassResistCap;
}

void CFiltersDlg::showEvent(QShowEvent* event) {
    if (!m_bInitialized) InitDialog();
    QDialog::showEvent(event);
}

void CFiltersDlg::InitDialog() {
    m_bInitialized = true;
    FillControls();
}

void CFiltersDlg::FillControls() {
    for (int f = 0; f < FIELD_COUNT; ++f) m_edits[size_t(f)]->setText(QString::number(*FieldMember(Field(f))));
    for (int c = 0; c < CHECK_COUNT; ++c) m_checks[size_t(c)]->setChecked(*CheckMember(Check(c)) != 0);
}

bool CFiltersDlg::TakeControls() {
    // Everything is read into a scratch copy first so that a refusal leaves the members as they were.
    std::array<int32_t, FIELD_COUNT> values{};
    const Field order[] = {FIELD_LOWER_LIMIT, FIELD_DCI, FIELD_LMC,  FIELD_LRC, FIELD_LUCK,
                           FIELD_MR,          FIELD_SUIT_LIMIT, FIELD_HCI, FIELD_HR, FIELD_SR};
    for (Field f : order) {
        const FieldInfo& info = kFields[f];
        QLineEdit* edit = m_edits[size_t(f)];
        const auto v = ParseDialogInt(edit->text());
        std::string error;
        if (!v)
            error = MSG_NOT_AN_INTEGER;
        else if (info.ranged && (*v < info.lo || *v > info.hi))
            error = RangeMessage(info.lo, info.hi);
        if (!error.empty()) {
            ShowMessage(error, MsgButtons::OK, MsgIcon::Exclamation);
            edit->setFocus(Qt::OtherFocusReason);
            edit->selectAll();
            return false;
        }
        values[size_t(f)] = *v;
    }
    for (int f = 0; f < FIELD_COUNT; ++f) *FieldMember(Field(f)) = values[size_t(f)];
    for (int c = 0; c < CHECK_COUNT; ++c) *CheckMember(Check(c)) = m_checks[size_t(c)]->isChecked() ? 1 : 0;
    return true;
}

void CFiltersDlg::accept() {
    if (!TakeControls()) return;
    QDialog::accept();
}

bool DoFiltersCommand(CGorvantaDoc* doc, QWidget* parent) {
    if (IsCalcRunning()) return false;
    CFiltersDlg dlg(parent);
    CSettings& settings = TheSettings();
    dlg.CopyFrom(settings);
    if (dlg.exec() != QDialog::Accepted) return false;
    dlg.CopyTo(settings);
    settings.SaveSettings();
    if (doc) doc->UpdateAllViews(nullptr, HINT_FILTERS_CHANGED);
    return true;
}
