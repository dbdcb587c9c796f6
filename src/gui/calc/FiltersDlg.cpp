#include "FiltersDlg.h"

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRegularExpression>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>
#include <vector>
#include <limits>

#include "gui/calc/AppState.h"
#include "core/calc/IntField.h"
#include "core/calc/ReducedPool.h"
#include "core/calc/ResultColumns.h"
#include "core/calc/Settings.h"
#include "gui/calc/FiltersLayout.h"
#include "core/document/GorvantaDoc.h"
#include "core/model/MessageBox.h"
#include "qtstore/QtText.h"

namespace {
constexpr const char* MSG_NOT_AN_INTEGER = "Please enter an integer.";
constexpr const char* MSG_INTEGER_RANGE = "Please enter an integer between %1 and %2.";

// The rule a run applies to the stored value.
int RankColumnOf(int32_t value) {
    CCalcParam p;
    p.m_nRankBy = value;
    return p.RankColumn();
}

// The "then by" entry a stored value shows: its column, or 0 for "(none)".
int ThenEntryOf(int32_t value) { return value >= 1 && value <= 15 ? value : 0; }

// Table indexes of the settings a group shows, ordered by (row, col), or by (col, row) for the type grid,
// which is read column by column.
std::vector<size_t> GroupMembers(FiltersGroup group, bool byColumn = false) {
    std::vector<size_t> out;
    for (size_t i = 0; i < std::size(kSettingTable); ++i)
        if (FiltersControl(i).group == group && FiltersControl(i).ctl != SettingCtl::None) out.push_back(i);
    std::stable_sort(out.begin(), out.end(), [byColumn](size_t a, size_t b) {
        const FiltersControlDef &x = FiltersControl(a), &y = FiltersControl(b);
        return byColumn ? std::pair(x.col, x.row) < std::pair(y.col, y.row)
                        : std::pair(x.row, x.col) < std::pair(y.row, y.col);
    });
    return out;
}

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
    return ParseInt32Field(FromQt(text), FieldBlanks::Trim);
}

// ---------------------------------------------------------------------------------------------------------

CRankChoice::CRankChoice(QWidget* parent) : QWidget(parent), m_pMode(new QComboBox), m_pColumn(new QComboBox) {
    m_pMode->addItems({QStringLiteral("As found"), QStringLiteral("Best first by")});
    const auto& headings = ResultColumnHeadings();
    for (int n = 1; n < RESULT_COLUMN_COUNT; ++n) m_pColumn->addItem(QString::fromLatin1(headings[size_t(n)]));
    m_pColumn->setCurrentIndex(DEFAULT_COLUMN - 1);
    m_pColumn->setEnabled(false);
    m_pColumn->setObjectName(QStringLiteral("comboRankColumn"));
    connect(m_pMode, &QComboBox::currentIndexChanged, m_pColumn, [this](int mode) { m_pColumn->setEnabled(mode == 1); });
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_pMode);
    row->addWidget(m_pColumn);
    setFocusProxy(m_pMode);
}

void CRankChoice::SetValue(int32_t value) {
    const int column = RankColumnOf(value);
    if (column > 0) m_pColumn->setCurrentIndex(column - 1);
    m_pMode->setCurrentIndex(column > 0 ? 1 : 0);
}

int32_t CRankChoice::Value() const { return m_pMode->currentIndex() == 1 ? m_pColumn->currentIndex() + 1 : 0; }

// ---------------------------------------------------------------------------------------------------------

CFiltersDlg::CFiltersDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FiltersDlg"));
    setWindowTitle(QStringLiteral("Filters"));

    for (size_t i = 0; i < std::size(kSettingTable); ++i) {
        const SettingDef& d = kSettingTable[i];
        const FiltersControlDef& c = FiltersControl(i);
        if (c.ctl == SettingCtl::Check) {
            auto* box = new QCheckBox(QString::fromLatin1(c.text));
            box->setObjectName(QString::fromLatin1(c.objectName));
            m_checks[i] = box;
        } else if (c.ctl == SettingCtl::Field && c.spin != SpinSteps::None) {
            auto* spin = new CSpinEdit;
            spin->setObjectName(QString::fromLatin1(c.objectName));
            if (c.spin == SpinSteps::InRange) spin->SetStepRange(d.lo, d.hi);
            m_spins[i] = spin;
            m_edits[i] = spin->Edit();
        } else if (c.ctl == SettingCtl::Field) {
            auto* edit = new QLineEdit;
            edit->setObjectName(QString::fromLatin1(c.objectName));
            m_edits[i] = edit;
        } else if (c.ctl == SettingCtl::Choice) {
            auto* choice = new CRankChoice;
            choice->Mode()->setObjectName(QString::fromLatin1(c.objectName));
            m_choices[i] = choice;
        } else if (c.ctl == SettingCtl::ThenChoice) {
            auto* then = new QComboBox;
            then->setObjectName(QString::fromLatin1(c.objectName));
            then->addItem(QStringLiteral("(none)"));
            const auto& headings = ResultColumnHeadings();
            for (int n = 1; n < RESULT_COLUMN_COUNT; ++n) then->addItem(QString::fromLatin1(headings[size_t(n)]));
            then->setEnabled(false);
            m_thens[i] = then;
        }
        m_reachIndex[i] = c.ctl == SettingCtl::Field ? d.high : -1;
        if (m_reachIndex[i] >= 0) {
            auto* label = new QLabel;
            label->setObjectName(QStringLiteral("reach") + QString::fromLatin1(c.objectName).mid(4));
            // Room for any value, so the dialog keeps its size as the values change.
            label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("max 0000000")));
            m_reach[i] = label;
            connect(m_edits[i], &QLineEdit::textChanged, this, &CFiltersDlg::UpdateReachColours);
        }
        // What the highest values depend on: the slots, medable-only and the resist cap.
        if (m_checks[i] && (d.slot >= 0 || d.member == &CSettings::m_bMedableOnly ||
                            d.member == &CSettings::m_bBypassResistCap))
            connect(m_checks[i], &QCheckBox::toggled, this, &CFiltersDlg::UpdateReach);
    }
    // A second key means something only for a ranked order.
    for (CRankChoice* choice : m_choices)
        for (QComboBox* then : m_thens)
            if (choice && then)
                connect(choice->Mode(), &QComboBox::currentIndexChanged, then, [then](int mode) { then->setEnabled(mode == 1); });
    // A field's widget in a layout: its up-down control where it has one.
    const auto widget = [this](size_t i) -> QWidget* {
        if (m_checks[i]) return m_checks[i];
        if (m_choices[i]) return m_choices[i];
        if (m_thens[i]) return m_thens[i];
        return m_spins[i] ? static_cast<QWidget*>(m_spins[i]) : m_edits[i];
    };
    // Tab order follows the screen: the minimums row by row, then the side, the types, the limits.
    std::vector<QWidget*> tabOrder;
    const auto chain = [&tabOrder](QWidget* w) { tabOrder.push_back(w); };
    const auto chainSetting = [&](size_t i) {
        if (m_choices[i]) {
            chain(m_choices[i]->Mode());
            chain(m_choices[i]->Column());
        } else {
            chain(widget(i));
        }
    };

    // Display columns and minimums: one check box and its minimum per row, the total resist on the right.
    auto* minimums = new QGroupBox(QStringLiteral("Display Columns && Calculation Minimums"));
    auto* grid = new QGridLayout(minimums);
    int rows = 0;
    for (size_t i : GroupMembers(FiltersGroup::Minimums)) {
        const FiltersControlDef& d = FiltersControl(i);
        grid->addWidget(widget(i), d.row, d.col);
        if (d.ctl == SettingCtl::Field) widget(i)->setMinimumWidth(70);
        if (m_reach[i]) grid->addWidget(m_reach[i], d.row, d.col + 1);
        rows = std::max(rows, d.row + 1);
        chainSetting(i);
    }
    auto* right = new QVBoxLayout;
    for (size_t i : GroupMembers(FiltersGroup::Side)) {
        const FiltersControlDef& d = FiltersControl(i);
        if (d.ctl == SettingCtl::Field && d.text) right->addWidget(new QLabel(QString::fromLatin1(d.text)));
        if (m_reach[i]) {
            auto* line = new QHBoxLayout;
            line->addWidget(widget(i), 1);
            line->addWidget(m_reach[i]);
            right->addLayout(line);
        } else {
            right->addWidget(widget(i));
        }
        right->addSpacing(6);
        chainSetting(i);
    }
    auto* note = new QLabel(QStringLiteral(
        "Note: Prop. minimums will be used even if columns are not displayed. \nSet property limits to 0 if not used."));
    note->setWordWrap(true);
    note->setObjectName(QStringLiteral("labelNote"));
    right->addWidget(note);
    right->addStretch(1);
    grid->setColumnMinimumWidth(2, 12);
    grid->setColumnMinimumWidth(3, 12);
    grid->addLayout(right, 0, 4, rows, 1);
    grid->setColumnStretch(4, 1);

    auto* types = new QGroupBox(QStringLiteral("Piece Type Filter"));
    auto* typeGrid = new QGridLayout(types);
    for (size_t i : GroupMembers(FiltersGroup::Types, true)) {
        typeGrid->addWidget(widget(i), FiltersControl(i).row, FiltersControl(i).col);
        chainSetting(i);
    }

    // Each entry takes two cells: its label (if any) in the first, the control in the second.
    auto* limits = new QGroupBox(QStringLiteral("Suit Limits"));
    auto* limitGrid = new QGridLayout(limits);
    for (size_t i : GroupMembers(FiltersGroup::Limits)) {
        const FiltersControlDef& d = FiltersControl(i);
        if (d.ctl == SettingCtl::Check) {
            // The text stands to the left of the box.
            widget(i)->setLayoutDirection(Qt::RightToLeft);
        } else {
            if (d.text) {
                auto* label = new QLabel(QString::fromLatin1(d.text));
                label->setBuddy(widget(i));
                limitGrid->addWidget(label, d.row, d.col);
            }
            if (m_edits[i]) m_edits[i]->setMaximumWidth(80);
        }
        limitGrid->addWidget(widget(i), d.row, d.col + 1, Qt::AlignLeft);
        chainSetting(i);
    }
    limitGrid->setColumnStretch(2, 1);

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
    chain(m_btnOk);
    chain(m_btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(minimums);
    layout->addWidget(types);
    layout->addWidget(limits);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    for (size_t i = 1; i < tabOrder.size(); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

CFiltersDlg::~CFiltersDlg() = default;

size_t CFiltersDlg::Index(Member m) {
    const int i = SettingIndexOf(m);
    Q_ASSERT(i >= 0);
    return size_t(i);
}

void CFiltersDlg::CopyFrom(const CSettings& s) {
    for (size_t i = 0; i < std::size(kSettingTable); ++i) m_values[i] = s.*kSettingTable[i].member;
}

void CFiltersDlg::CopyTo(CSettings& s) const {
    for (size_t i = 0; i < std::size(kSettingTable); ++i) s.*kSettingTable[i].member = m_values[i];
}

void CFiltersDlg::showEvent(QShowEvent* event) {
    if (!m_bInitialized) InitDialog();
    QDialog::showEvent(event);
}

void CFiltersDlg::InitDialog() {
    // Filling the switches would recompute the highest values once for each of them.
    FillControls();
    m_bInitialized = true;
    UpdateReach();
}

void CFiltersDlg::FillControls() {
    for (size_t i = 0; i < std::size(kSettingTable); ++i) {
        if (m_edits[i]) m_edits[i]->setText(QString::number(m_values[i]));
        if (m_checks[i]) m_checks[i]->setChecked(m_values[i] != 0);
        if (m_choices[i]) m_choices[i]->SetValue(m_values[i]);
        if (m_thens[i]) m_thens[i]->setCurrentIndex(ThenEntryOf(m_values[i]));
    }
}

void CFiltersDlg::SetPool(const CalcPool& pool) {
    m_pool = pool;
    if (m_bInitialized) UpdateReach();
}

CCalcParam CFiltersDlg::CurrentParam() const {
    CCalcParam p;
    for (size_t i = 0; i < std::size(kSettingTable); ++i) {
        const SettingDef& d = kSettingTable[i];
        if (!d.param) continue;
        int32_t v = m_values[i];
        if (m_checks[i]) v = m_checks[i]->isChecked() ? 1 : 0;
        if (m_choices[i]) v = m_choices[i]->Value();
        if (m_thens[i]) v = m_thens[i]->currentIndex();
        if (m_edits[i])
            if (const auto typed = ParseDialogInt(m_edits[i]->text())) v = *typed;
        p.*d.param = v;
    }
    return p;
}

void CFiltersDlg::UpdateReach() {
    if (!m_bInitialized) return;
    m_highest.reset();
    if (m_pool) m_highest = ReachableHighest(CurrentParam(), *m_pool);
    for (size_t i = 0; i < std::size(kSettingTable); ++i)
        if (m_reach[i])
            m_reach[i]->setText(m_highest ? QStringLiteral("max %1").arg((*m_highest)[size_t(m_reachIndex[i])])
                                          : QString());
    UpdateReachColours();
}

void CFiltersDlg::UpdateReachColours() {
    for (size_t i = 0; i < std::size(kSettingTable); ++i) {
        QLabel* label = m_reach[i];
        if (!label) continue;
        const auto minimum = ParseDialogInt(m_edits[i]->text());
        const bool unreachable = m_highest && minimum && *minimum > (*m_highest)[size_t(m_reachIndex[i])];
        // Below the minimum: no suit of these pieces can pass it.
        QPalette pal = palette();
        pal.setColor(QPalette::WindowText, unreachable ? QColor(0xC0, 0x10, 0x10)
                                                       : pal.color(QPalette::Disabled, QPalette::WindowText));
        label->setPalette(pal);
        label->setProperty("unreachable", unreachable);
        label->setToolTip(!m_highest   ? QString()
                          : unreachable ? QStringLiteral("No suit of the enabled pieces reaches this minimum.")
                                        : QStringLiteral("The highest value the enabled pieces reach."));
    }
}

bool CFiltersDlg::TakeControls() {
    // Everything is read into a scratch copy first so that a refusal leaves the values as they were.
    std::array<int32_t, SETTINGS_COUNT> values = m_values;
    std::array<size_t, SETTINGS_COUNT> order{};
    const int fields = FiltersFieldCount();
    for (size_t i = 0; i < std::size(kSettingTable); ++i)
        if (FiltersControl(i).ctl == SettingCtl::Field) order[size_t(FiltersControl(i).fieldOrder)] = i;
    for (int k = 0; k < fields; ++k) {
        const size_t i = order[size_t(k)];
        const SettingDef& d = kSettingTable[i];
        QLineEdit* edit = m_edits[i];
        const auto v = ParseDialogInt(edit->text());
        std::string error;
        if (!v)
            error = MSG_NOT_AN_INTEGER;
        else if (d.ranged && (*v < d.lo || *v > d.hi))
            error = RangeMessage(d.lo, d.hi);
        if (!error.empty()) {
            ShowMessage(error, MsgButtons::OK, MsgIcon::Exclamation);
            edit->setFocus(Qt::OtherFocusReason);
            edit->selectAll();
            return false;
        }
        values[i] = *v;
    }
    for (size_t i = 0; i < std::size(kSettingTable); ++i) {
        if (m_checks[i]) values[i] = m_checks[i]->isChecked() ? 1 : 0;
        // A stored value the choice shows as it is stays as it was.
        if (m_choices[i] && RankColumnOf(values[i]) != RankColumnOf(m_choices[i]->Value()))
            values[i] = m_choices[i]->Value();
        if (m_thens[i] && ThenEntryOf(values[i]) != m_thens[i]->currentIndex()) values[i] = m_thens[i]->currentIndex();
    }
    m_values = values;
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
    if (doc) dlg.SetPool(ReducedPool(doc->m_arrPool));
    if (dlg.exec() != QDialog::Accepted) return false;
    dlg.CopyTo(settings);
    settings.SaveSettings();
    if (doc) doc->UpdateAllViews(nullptr, HINT_FILTERS_CHANGED);
    return true;
}
