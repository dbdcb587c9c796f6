// The Filters dialog driven through its edits, check boxes, drop-downs, arrows and buttons: the values it
// shows, the order in which OK finds errors and what it does with the focus, ranges, Cancel, the command,
// the order of results and the highest values the pool reaches beside the minimums.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "support/GuiTest.h"
#include "support/Pools.h"
#include "gui/calc/AppState.h"
#include "gui/calc/FiltersDlg.h"
#include "core/calc/Settings.h"
#include "core/document/GorvantaDoc.h"
#include "core/model/MessageBox.h"
#include "core/model/ProfileStore.h"

namespace {
using Member = CFiltersDlg::Member;

// Tests name the settings by their store names, which are fixed, rather than by the code's members.
Member M(const char* storeName) {
    const int i = CSettings::IndexOf(storeName);
    Q_ASSERT(i >= 0);
    return kSettingTable[size_t(i)].member;
}

class CHintView : public IDocView {
public:
    void OnUpdate(IDocView* sender, int hint) override { calls.emplace_back(sender, hint); }
    std::vector<std::pair<IDocView*, int>> calls;
};

std::array<int32_t, SETTINGS_COUNT> Values(const CSettings& s) {
    std::array<int32_t, SETTINGS_COUNT> v{};
    for (int i = 0; i < SETTINGS_COUNT; ++i) v[size_t(i)] = s.Value(i);
    return v;
}

// The check boxes: store name and text.
const std::pair<const char*, const char*> kCheckTexts[] = {
    {"Use Arms", "Arms"},         {"Use Bracelets", "Bracelets"},   {"Use Chest Pieces", "Chest Pieces"},
    {"Use Cloaks", "Cloaks"},     {"Use Gloves", "Gloves"},         {"Use Gorgets", "Gorgets"},
    {"Use Head Wear", "Head wear"}, {"Use Legs", "Legs"},           {"Use Rings", "Rings"},
    {"Use Shields", "Shields"},   {"Use Robes", "Robes"},           {"Use Weapons", "Weapons"},
    {"Display DCI", "DCI"},       {"Display LMC", "LMC"},           {"Display LRC", "LRC"},
    {"Display Luck", "Luck"},     {"Use Mage Armor", "Medable Suits Only"}, {"Display MR", "Mana Regen"},
    {"Display HCI", "HCI"},       {"Display HR", "HP Regen"},       {"Display SR", "Stam. Regen"},
    {"Bypass 70/Resist Limit", "Bypass 70/Resist Limit"}};

// The fields: store name, a distinct in-range value, the up-down range (hi < 0: steps without a range,
// hi == 0: no up-down control).
struct FieldCase {
    const char* name;
    int32_t value;
    int32_t stepHi;
};
const FieldCase kFieldCases[] = {
    {"LowerLimit", 275, 350}, {"DCI Limit", 11, 200}, {"LMC Limit", 13, 200}, {"LRC Limit", 14, 200},
    {"Luck Limit", 1500, 2000}, {"MR Limit", 4, 200}, {"Suit Limit", 4321, 0}, {"HCI Limit", 12, -1},
    {"HR Limit", 8, -1},      {"SR Limit", 9, -1}};

// A distinct, in-range value for every setting (switches alternate).
void SetDistinct(CSettings& s) {
    for (int i = 0; i < SETTINGS_COUNT; ++i) s.Value(i) = (i < 22) ? (i % 2) : 0;
    for (const FieldCase& f : kFieldCases) s.*M(f.name) = f.value;
}

void SetText(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

// The minimums and the highest value each is shown against.
const std::pair<const char*, int> kReachFields[] = {
    {"LowerLimit", HIGH_TOTAL}, {"Luck Limit", HIGH_LUCK}, {"LMC Limit", HIGH_LMC}, {"LRC Limit", HIGH_LRC},
    {"MR Limit", HIGH_MR},      {"HR Limit", HIGH_HR},     {"SR Limit", HIGH_SR},   {"DCI Limit", HIGH_DCI},
    {"HCI Limit", HIGH_HCI}};

// What the pool reaches, visiting every combination of one piece per enabled slot that has pieces left
// once the excluded ones are out; with medable-only, combinations with a non-medable armor piece do not
// count. Resists are capped at 70 each unless bypassed.
struct ReachSwitches {
    std::array<bool, SLOT_COUNT> use{};
    bool medableOnly = false;
    bool bypass = false;
};
CalcHighest BruteHighest(const CGorvantaDoc& doc, const ReachSwitches& sw) {
    CalcHighest best{};
    std::array<int64_t, 13> sum{};  // five resists, then the eight properties in HIGH_ order
    const std::function<void(int, bool)> visit = [&](int k, bool medable) {
        if (k == SLOT_COUNT) {
            if (sw.medableOnly && !medable) return;
            int64_t total = 0;
            for (int r = 0; r < 5; ++r) total += sw.bypass ? sum[size_t(r)] : std::min<int64_t>(sum[size_t(r)], 70);
            best[HIGH_TOTAL] = std::max(best[HIGH_TOTAL], int32_t(total));
            for (int h = 1; h < HIGH_COUNT; ++h) best[size_t(h)] = std::max(best[size_t(h)], int32_t(sum[size_t(4 + h)]));
            return;
        }
        bool any = false;
        if (sw.use[size_t(k)])
            for (const CArmorPiece* p : doc.m_arrPool[size_t(k)]) {
                if (p->m_nMark == PieceMark::Excluded) continue;
                any = true;
                const int32_t v[13] = {p->m_nPhysical, p->m_nFire, p->m_nCold, p->m_nPoison, p->m_nEnergy,
                                       p->m_nLuck,     p->m_nLMC,  p->m_nLRC,  p->m_nMR,     p->m_nHR,
                                       p->m_nSR,       p->m_nDCI,  p->m_nHCI};
                for (size_t i = 0; i < 13; ++i) sum[i] += v[i];
                visit(k + 1, medable && (k >= 6 || p->m_bMedable));
                for (size_t i = 0; i < 13; ++i) sum[i] -= v[i];
            }
        if (!any) visit(k + 1, medable);
    };
    visit(0, true);
    return best;
}

// Head wear, gorgets and rings; the physical resist of a head and a gorget passes the cap, one head is not
// medable, and an excluded gorget would lift every value were it counted.
void AddReachPool(CGorvantaDoc& doc) {
    AddPiece(doc, "head 1", 1 << 0, {40, 10, 0, 0, 5}, {80, 5, 0, 1, 0, 2, 6, 0})->m_bMedable = 1;
    AddPiece(doc, "head 2", 1 << 0, {35, 30, 20, 0, 0}, {150, 0, 7, 0, 3, 0, 0, 4})->m_bMedable = 0;
    AddPiece(doc, "gorget 1", 1 << 1, {35, 0, 15, 10, 0}, {0, 3, 10, 2, 0, 1, 5, 0})->m_bMedable = 1;
    CArmorPiece* out = AddPiece(doc, "gorget 2", 1 << 1, {60, 60, 60, 60, 60}, {900, 90, 90, 90, 90, 90, 90, 90});
    out->m_bMedable = 1;
    out->m_nMark = PieceMark::Excluded;
    AddPiece(doc, "ring 1", 1 << 6, {0, 20, 0, 0, 12}, {60, 4, 8, 0, 0, 0, 10, 15});
    AddPiece(doc, "ring 2", 1 << 6, {0, 0, 0, 0, 0}, {120, 0, 0, 1, 2, 3, 0, 5});
}

}  // namespace

class FiltersDlgTest : public QObject, guitest::Fixture {
    Q_OBJECT

    CMemoryProfileStore& MemoryStore() { return static_cast<CMemoryProfileStore&>(Store()); }

    void Open(CFiltersDlg& dlg) {
        dlg.CopyFrom(TheSettings());
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    }
    void Ok(CFiltersDlg& dlg) { QTest::mouseClick(dlg.OkButton(), Qt::LeftButton); }
    // The dialog is still open, with the one message shown and the field focused, all of it selected.
    void ExpectRefused(CFiltersDlg& dlg, const char* field, const std::string& message) {
        const auto shown = box.shown;
        box.shown.clear();
        QVERIFY2(dlg.isVisible(), field);
        QCOMPARE(dlg.result(), 0);
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(shown[0].text, message);
        QCOMPARE(shown[0].buttons, MsgButtons::OK);
        QLineEdit* edit = dlg.FieldEdit(M(field));
        // An edit with arrows takes the focus through its spin box.
        QWidget* focus = dlg.FieldSpin(M(field)) ? static_cast<QWidget*>(dlg.FieldSpin(M(field))) : edit;
        QCOMPARE(dlg.focusWidget(), focus);
        if (!edit->text().isEmpty()) {
            QVERIFY(edit->hasSelectedText());
            QCOMPARE(edit->selectedText(), edit->text());
        }
    }

    // One opening of the dialog: the choice as shown, the keys pressed, the choice after them.
    void RankStep(CFiltersDlg& dlg, const char* mode, const char* column, Qt::Key modeKey, Qt::Key columnKey,
                  const char* modeAfter, const char* columnAfter) {
        CRankChoice* choice = dlg.Choice(M("Rank By"));
        QVERIFY(choice);
        QCOMPARE(choice->Mode()->objectName(), QStringLiteral("comboRankBy"));
        QCOMPARE(choice->Mode()->count(), 2);
        QCOMPARE(choice->Column()->count(), 15);
        QCOMPARE(choice->Column()->itemText(0), QStringLiteral("Phy."));
        QCOMPARE(choice->Column()->itemText(14), QStringLiteral("HCI"));
        QCOMPARE(choice->Mode()->currentText(), QString::fromLatin1(mode));
        QCOMPARE(choice->Column()->currentText(), QString::fromLatin1(column));
        QCOMPARE(choice->Column()->isEnabled(), choice->Mode()->currentIndex() == 1);
        // Tab order: from the suit limits line to the two drop-downs, then OK.
        dlg.CheckBox(M("Bypass 70/Resist Limit"))->setFocus();
        QTest::keyClick(dlg.focusWidget(), Qt::Key_Tab);
        QCOMPARE(dlg.focusWidget(), static_cast<QWidget*>(choice->Mode()));
        if (modeKey) QTest::keyClick(choice->Mode(), modeKey);
        QCOMPARE(choice->Column()->isEnabled(), choice->Mode()->currentIndex() == 1);
        QTest::keyClick(dlg.focusWidget(), Qt::Key_Tab);
        QCOMPARE(dlg.focusWidget(), choice->Column()->isEnabled() ? static_cast<QWidget*>(choice->Column())
                                                                  : static_cast<QWidget*>(dlg.OkButton()));
        if (columnKey) QTest::keyClick(choice->Column(), columnKey);
        QCOMPARE(choice->Mode()->currentText(), QString::fromLatin1(modeAfter));
        QCOMPARE(choice->Column()->currentText(), QString::fromLatin1(columnAfter));
    }

    // Every label against the values the pool reaches with these switches, coloured against the minimums.
    void ExpectReach(CFiltersDlg& dlg, const CGorvantaDoc& doc, const ReachSwitches& sw, const char* step) {
        const CalcHighest want = BruteHighest(doc, sw);
        for (const auto& [name, high] : kReachFields) {
            QLabel* label = dlg.ReachLabel(M(name));
            QVERIFY2(label && label->isVisible(), name);
            QCOMPARE(label->text(), QStringLiteral("max %1").arg(want[size_t(high)]));
            const bool unreachable = dlg.FieldEdit(M(name))->text().toInt() > want[size_t(high)];
            QVERIFY2(label->property("unreachable").toBool() == unreachable, (std::string(step) + " " + name).c_str());
        }
    }
    void ReachPath(CFiltersDlg& dlg, const CGorvantaDoc& doc, ReachSwitches& sw) {
        ExpectReach(dlg, doc, sw, "opened");
        QVERIFY(!dlg.ReachLabel(M("Luck Limit"))->property("unreachable").toBool());
        guitest::Shot(&dlg, QStringLiteral("filters-reach"));
        // Each switch, the value it changes (so the step proves something), and whether it rises.
        const struct {
            const char* check;
            int high;
            bool rises;
        } switches[] = {{"Use Rings", HIGH_LUCK, false}, {"Use Mage Armor", HIGH_LUCK, false},
                        {"Bypass 70/Resist Limit", HIGH_TOTAL, true}, {"Use Rings", HIGH_HCI, true}};
        for (const auto& sws : switches) {
            const CalcHighest before = BruteHighest(doc, sw);
            dlg.CheckBox(M(sws.check))->click();
            const int slot = kSettingTable[size_t(CSettings::IndexOf(sws.check))].slot;
            if (slot >= 0) sw.use[size_t(slot)] = !sw.use[size_t(slot)];
            if (std::string(sws.check) == "Use Mage Armor") sw.medableOnly = !sw.medableOnly;
            if (std::string(sws.check) == "Bypass 70/Resist Limit") sw.bypass = !sw.bypass;
            const CalcHighest after = BruteHighest(doc, sw);
            QVERIFY2(sws.rises ? after[size_t(sws.high)] > before[size_t(sws.high)]
                               : after[size_t(sws.high)] < before[size_t(sws.high)],
                     sws.check);
            ExpectReach(dlg, doc, sw, sws.check);
        }
        // The luck minimum of 201 is out of reach without the non-medable head; typing follows at once.
        QLabel* luck = dlg.ReachLabel(M("Luck Limit"));
        QVERIFY(luck->property("unreachable").toBool());
        const QColor warning = luck->palette().color(QPalette::WindowText);
        QVERIFY(warning != dlg.ReachLabel(M("DCI Limit"))->palette().color(QPalette::WindowText));
        const int reached = BruteHighest(doc, sw)[HIGH_LUCK];
        for (const auto& [typed, unreachable] : {std::pair(reached, false), std::pair(reached + 1, true)}) {
            SetText(dlg.FieldEdit(M("Luck Limit")), QString::number(typed));
            QCOMPARE(luck->property("unreachable").toBool(), unreachable);
        }
        ExpectReach(dlg, doc, sw, "typed");
        guitest::Shot(&dlg, QStringLiteral("filters-reach-warning"));
    }

private slots:
    void init() { BeginCase(); }
    void cleanup() { EndCase(); }

    // Texts and up-down ranges; every stored value is shown; OK without changes keeps every setting.
    void controlsShowStoredValuesAndOkKeepsThem() {
        SetDistinct(TheSettings());
        const auto before = Values(TheSettings());
        CFiltersDlg dlg;
        Open(dlg);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Filters"));
        for (const auto& [name, text] : kCheckTexts) {
            QCOMPARE(dlg.CheckBox(M(name))->text(), QString::fromLatin1(text));
            QCOMPARE(dlg.CheckBox(M(name))->isChecked(), TheSettings().*M(name) != 0);
        }
        for (const FieldCase& f : kFieldCases) {
            QCOMPARE(dlg.FieldEdit(M(f.name))->text(), QString::number(f.value));
            CSpinEdit* spin = dlg.FieldSpin(M(f.name));
            QCOMPARE(spin != nullptr, f.stepHi != 0);
            if (!spin) continue;
            QCOMPARE(spin->StepMinimum(), 0);
            QCOMPARE(spin->StepMaximum(), f.stepHi > 0 ? f.stepHi : INT32_MAX);
        }
        QCOMPARE(dlg.OkButton()->text(), QStringLiteral("OK"));
        QVERIFY(dlg.OkButton()->isDefault());
        QCOMPARE(dlg.CancelButton()->text(), QStringLiteral("Cancel"));
        QVERIFY(dlg.findChild<QWidget*>(QStringLiteral("labelNote")));
        // Without a document there is no pool to reach anything with.
        for (const auto& [name, high] : kReachFields) QVERIFY(dlg.ReachLabel(M(name))->text().isEmpty());
        guitest::Shot(&dlg, QStringLiteral("filters"));
        Ok(dlg);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(box.shown.empty());
        CSettings after;
        dlg.CopyTo(after);
        for (int i = 0; i < SETTINGS_COUNT; ++i) QCOMPARE(after.Value(i), before[size_t(i)]);
    }

    // Each check box belongs to the setting of its own meaning, and to no other.
    void checkBoxesMapToTheirSettings() {
        for (const auto& [name, text] : kCheckTexts) {
            CSettings zero;
            for (int i = 0; i < 22; ++i) zero.Value(i) = 0;
            CFiltersDlg dlg;
            dlg.CopyFrom(zero);
            dlg.show();
            // On the box itself, which stands right of the text for the bypass switch.
            QCheckBox* check = dlg.CheckBox(M(name));
            const int x = check->layoutDirection() == Qt::RightToLeft ? check->width() - 8 : 8;
            QTest::mouseClick(check, Qt::LeftButton, Qt::NoModifier, QPoint(x, check->height() / 2));
            QVERIFY(check->isChecked());
            Ok(dlg);
            CSettings out = zero;
            dlg.CopyTo(out);
            for (int i = 0; i < 22; ++i) QCOMPARE(out.Value(i), CSettings::IndexOf(name) == i ? 1 : 0);
        }
    }

    // One field typed on a fresh dialog: refused with the message, or taken.
    void rangesOfEachField() {
        struct Case {
            const char* field;
            const char* typed;
            const char* refusal;  // null: accepted
            int32_t taken;
        };
        const Case cases[] = {
            {"LowerLimit", "351", "Please enter an integer between 0 and 350.", 0},
            {"LowerLimit", "350", nullptr, 350},
            {"Suit Limit", "0", "Please enter an integer between 1 and 100000.", 0},
            {"Suit Limit", "100001", "Please enter an integer between 1 and 100000.", 0},
            // This edit takes any characters; blanks around a number are fine, letters are not.
            {"Suit Limit", "12x", "Please enter an integer.", 0},
            {"Suit Limit", " 100000 ", nullptr, 100000},
            {"Luck Limit", "2001", "Please enter an integer between 0 and 2000.", 0},
            {"Luck Limit", "2000", nullptr, 2000},
            // No range for the HCI, HP Regen and Stam. Regen minimums, but they must be integers.
            {"HR Limit", "500", nullptr, 500},
            {"HCI Limit", "999999", nullptr, 999999},
            {"SR Limit", "0", nullptr, 0},
            {"SR Limit", "", "Please enter an integer.", 0},
            {"SR Limit", "99999999999", "Please enter an integer.", 0},
        };
        for (const Case& c : cases) {
            CFiltersDlg dlg;
            Open(dlg);
            SetText(dlg.FieldEdit(M(c.field)), QString::fromLatin1(c.typed));
            QCOMPARE(dlg.FieldEdit(M(c.field))->text(), QString::fromLatin1(c.typed));
            // The focus elsewhere: a refusal brings it back.
            dlg.FieldEdit(M(c.field == std::string("DCI Limit") ? "LowerLimit" : "DCI Limit"))->setFocus();
            Ok(dlg);
            if (c.refusal) {
                ExpectRefused(dlg, c.field, c.refusal);
            } else {
                QVERIFY2(box.shown.empty(), c.field);
                QCOMPARE(dlg.result(), int(QDialog::Accepted));
                QCOMPARE(dlg.Value(M(c.field)), c.taken);
            }
        }
    }

    // Errors are found in the order of the exchange, one at a time.
    void errorsInExchangeOrder() {
        CFiltersDlg dlg;
        Open(dlg);
        SetText(dlg.FieldEdit(M("HCI Limit")), QString());
        SetText(dlg.FieldEdit(M("Suit Limit")), QStringLiteral("0"));
        SetText(dlg.FieldEdit(M("MR Limit")), QStringLiteral("201"));
        SetText(dlg.FieldEdit(M("DCI Limit")), QStringLiteral("300"));
        SetText(dlg.FieldEdit(M("LowerLimit")), QString());
        // Each step: the field refused, with its message, then the fix typed into it.
        const struct {
            const char* field;
            const char* message;
            const char* fix;
        } steps[] = {
            {"LowerLimit", "Please enter an integer.", "0"},
            {"DCI Limit", "Please enter an integer between 0 and 200.", "200"},
            {"MR Limit", "Please enter an integer between 0 and 200.", "7"},
            {"Suit Limit", "Please enter an integer between 1 and 100000.", "1"},
            {"HCI Limit", "Please enter an integer.", "3"},
        };
        for (const auto& step : steps) {
            Ok(dlg);
            ExpectRefused(dlg, step.field, step.message);
            // A refusal copies nothing into the values.
            QCOMPARE(dlg.Value(M("LowerLimit")), 300);
            QCOMPARE(dlg.Value(M("DCI Limit")), 0);
            SetText(dlg.FieldEdit(M(step.field)), QString::fromLatin1(step.fix));
        }
        QTest::keyClick(dlg.FieldEdit(M("HCI Limit")), Qt::Key_Return);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.Value(M("DCI Limit")), 200);
        QCOMPARE(dlg.Value(M("MR Limit")), 7);
        QCOMPARE(dlg.Value(M("Suit Limit")), 1);
        QCOMPARE(dlg.Value(M("HCI Limit")), 3);
    }

    // The minimum edits take digits only; the arrows step within the up-down range.
    void digitsOnlyAndArrows() {
        CFiltersDlg dlg;
        Open(dlg);
        QLineEdit* luck = dlg.FieldEdit(M("Luck Limit"));
        SetText(luck, QStringLiteral("1a-2 3"));
        QCOMPARE(luck->text(), QStringLiteral("123"));
        // Field, text before, key, text after.
        const struct {
            const char* field;
            const char* before;
            Qt::Key key;
            int presses;
            const char* after;
        } steps[] = {
            {"LowerLimit", "349", Qt::Key_Up, 1, "350"}, {"LowerLimit", "350", Qt::Key_Up, 1, "350"},
            {"LowerLimit", "351", Qt::Key_Down, 1, "350"}, {"LowerLimit", "0", Qt::Key_Down, 1, "0"},
            {"Luck Limit", "1999", Qt::Key_Up, 2, "2000"},
            // The unranged minimums step too.
            {"HR Limit", "500", Qt::Key_Up, 1, "501"},   {"HR Limit", "", Qt::Key_Up, 1, "1"},
        };
        for (const auto& s : steps) {
            QLineEdit* edit = dlg.FieldEdit(M(s.field));
            SetText(edit, QString::fromLatin1(s.before));
            for (int n = 0; n < s.presses; ++n) QTest::keyClick(edit, s.key);
            QCOMPARE(edit->text(), QString::fromLatin1(s.after));
        }
        // Arrow buttons with the mouse.
        CSpinEdit* spin = dlg.FieldSpin(M("DCI Limit"));
        SetText(dlg.FieldEdit(M("DCI Limit")), QStringLiteral("10"));
        QTest::mouseClick(spin, Qt::LeftButton, Qt::NoModifier, QPoint(spin->width() - 5, 3));
        QCOMPARE(dlg.FieldEdit(M("DCI Limit"))->text(), QStringLiteral("11"));
    }

    void parseRules() {
        const std::pair<const char*, std::optional<int32_t>> cases[] = {
            {"0", 0}, {" \t42\t ", 42}, {"-17", -17}, {"+5", 5}, {"2147483647", INT32_MAX},
            {"-2147483648", INT32_MIN}, {"2147483648", std::nullopt}, {"", std::nullopt}, {"   ", std::nullopt},
            {"-", std::nullopt}, {"1 2", std::nullopt}, {"0x10", std::nullopt}, {"3.5", std::nullopt}};
        for (const auto& [text, expected] : cases) QCOMPARE(ParseDialogInt(QString::fromLatin1(text)), expected);
    }

    // OK through the command: the settings take the values, are saved, and the views hear of it.
    void commandOkSavesAndTellsTheViews() {
        CGorvantaDoc doc;
        CHintView view;
        doc.AddView(&view);
        const size_t writes = MemoryStore().WriteCount();
        guitest::WhenModal<CFiltersDlg>([](CFiltersDlg& dlg) {
            SetText(dlg.FieldEdit(M("HCI Limit")), QStringLiteral("25"));
            dlg.CheckBox(M("Display HR"))->click();
            QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
        });
        QVERIFY(DoFiltersCommand(&doc, nullptr));
        QCOMPARE(TheSettings().m_nHCILimit, 25);
        QCOMPARE(TheSettings().m_bDisplayHR, 1);
        QVERIFY(MemoryStore().WriteCount() > writes);
        QCOMPARE(Store().GetInt(SETTINGS_SECTION, "HCI Limit", -1), 25);
        QCOMPARE(Store().GetInt(SETTINGS_SECTION, "Display HR", -1), 1);
        // A setting never moved from its default is not written.
        QCOMPARE(Store().GetInt(SETTINGS_SECTION, "Rank By", -1), -1);
        QCOMPARE(view.calls.size(), size_t(1));
        QCOMPARE(view.calls[0].first, static_cast<IDocView*>(nullptr));
        QCOMPARE(view.calls[0].second, int(HINT_FILTERS_CHANGED));
        // A restart reads the new values.
        CSettings restarted;
        restarted.LoadSettings();
        QCOMPARE(restarted.m_nHCILimit, 25);
        doc.RemoveView(&view);
    }

    // Cancel after changes: no setting changes, nothing is written, no view is told.
    void commandCancelChangesNothing() {
        CGorvantaDoc doc;
        CHintView view;
        doc.AddView(&view);
        const auto before = Values(TheSettings());
        const size_t writes = MemoryStore().WriteCount();
        guitest::WhenModal<CFiltersDlg>([](CFiltersDlg& dlg) {
            SetText(dlg.FieldEdit(M("LowerLimit")), QStringLiteral("100"));
            dlg.CheckBox(M("Bypass 70/Resist Limit"))->click();
            dlg.CheckBox(M("Use Rings"))->click();
            QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
        });
        QVERIFY(!DoFiltersCommand(&doc, nullptr));
        QCOMPARE(Values(TheSettings()), before);
        QCOMPARE(MemoryStore().WriteCount(), writes);
        QVERIFY(view.calls.empty());
        doc.RemoveView(&view);
    }

    // The order of results through the command, opened again and again on what the last one left: the
    // drop-downs show the stored value, the column list only with "Best first by"; OK stores the choice,
    // Cancel nothing. A stored value that names no column shows as "As found" and is kept by OK.
    void rankChoiceSavedAndRestored() {
        struct Step {
            int32_t stored;  // < 0: what the step before left
            const char* mode;
            const char* column;
            Qt::Key modeKey;  // pressed on the first drop-down (0: none)
            Qt::Key columnKey;
            const char* modeAfter;
            const char* columnAfter;
            bool ok;
            int32_t after;
        };
        const Step steps[] = {
            {0, "As found", "Eff. Total", Qt::Key_Down, Qt::Key_L, "Best first by", "Luck", true, 8},
            {-1, "Best first by", "Luck", Qt::Key_Up, Qt::Key(0), "As found", "Luck", false, 8},
            {-1, "Best first by", "Luck", Qt::Key(0), Qt::Key_H, "Best first by", "HR", true, 12},
            {99, "As found", "Eff. Total", Qt::Key(0), Qt::Key(0), "As found", "Eff. Total", true, 99},
            {-3, "As found", "Eff. Total", Qt::Key_Down, Qt::Key(0), "Best first by", "Eff. Total", true, 6},
            {15, "Best first by", "HCI", Qt::Key_Up, Qt::Key(0), "As found", "HCI", true, 0},
        };
        const Member rank = M("Rank By");
        CGorvantaDoc doc;
        for (const Step& step : steps) {
            if (step.stored >= 0 || step.stored == -3) TheSettings().*rank = step.stored;
            const int32_t before = TheSettings().*rank;
            const size_t writes = MemoryStore().WriteCount();
            guitest::WhenModal<CFiltersDlg>([&](CFiltersDlg& dlg) {
                RankStep(dlg, step.mode, step.column, step.modeKey, step.columnKey, step.modeAfter, step.columnAfter);
                if (&step == steps) guitest::Shot(&dlg, QStringLiteral("filters-rank"));
                if (step.ok)
                    QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
                else
                    QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
                // A failed check above must not leave the dialog open.
                if (dlg.isVisible()) dlg.reject();
            });
            QCOMPARE(DoFiltersCommand(&doc, nullptr), step.ok);
            QCOMPARE(TheSettings().*rank, step.after);
            if (!step.ok) {
                QCOMPARE(step.after, before);
                QCOMPARE(MemoryStore().WriteCount(), writes);
                continue;
            }
            QCOMPARE(Store().GetInt(SETTINGS_SECTION, "Rank By", -1), step.after);
            CSettings restarted;
            restarted.LoadSettings();
            QCOMPARE(restarted.*rank, step.after);
        }
    }

    // "then by" beside the order: enabled only for "Best first by"; "(none)" or a column; a stored value
    // that names no column shows as "(none)" and is kept by OK.
    void thenByBesideTheOrder() {
        const struct {
            int32_t rankBy, stored;
            const char* shown;
            bool enabled;
            int pick;  // the entry chosen before OK, -1: none
            int32_t after;
        } steps[] = {{6, 8, "Luck", true, -1, 8},    {6, 0, "(none)", true, 15, 15}, {0, 8, "Luck", false, -1, 8},
                     {6, 99, "(none)", true, -1, 99}, {6, 99, "(none)", true, 9, 9},  {6, 12, "HR", true, 0, 0}};
        CGorvantaDoc doc;
        for (const auto& step : steps) {
            TheSettings().m_nRankBy = step.rankBy;
            TheSettings().m_nThenBy = step.stored;
            guitest::WhenModal<CFiltersDlg>([&](CFiltersDlg& dlg) {
                QComboBox* then = dlg.ThenChoice(M("Then By"));
                QVERIFY(then);
                QCOMPARE(then->objectName(), QStringLiteral("comboThenBy"));
                QCOMPARE(then->count(), 16);
                QCOMPARE(then->currentText(), QString::fromLatin1(step.shown));
                QCOMPARE(then->isEnabled(), step.enabled);
                if (step.pick >= 0) then->setCurrentIndex(step.pick);
                QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
                if (dlg.isVisible()) dlg.reject();
            });
            QVERIFY(DoFiltersCommand(&doc, nullptr));
            QCOMPARE(TheSettings().m_nThenBy, step.after);
        }
    }

    // The highest values beside the minimums follow the slot switches, medable-only and the bypass, and
    // turn to the warning colour where the minimum as typed is above them.
    void reachableValuesBesideTheMinimums() {
        CGorvantaDoc doc;
        AddReachPool(doc);
        CSettings& s = TheSettings();
        s.m_bUseRings = 1;
        s.m_nLuckLimit = 201;
        s.m_nLMCLimit = 9;
        ReachSwitches sw;
        for (int k = 0; k < SLOT_COUNT; ++k) sw.use[size_t(k)] = s.UseSlot(k) != 0;
        guitest::WhenModal<CFiltersDlg>([&](CFiltersDlg& dlg) {
            ReachPath(dlg, doc, sw);
            dlg.reject();
        });
        QVERIFY(!DoFiltersCommand(&doc, nullptr));
    }

    // During a run the command does nothing at all: no dialog, no change.
    void commandRefusedDuringARun() {
        CGorvantaDoc doc;
        CHintView view;
        doc.AddView(&view);
        TheCalcState().m_bCalcRunning.store(1);
        guitest::ModalProbe probe;
        probe.Start();
        QVERIFY(!DoFiltersCommand(&doc, nullptr));
        QTest::qWait(30);
        QVERIFY(!probe.Seen());
        QVERIFY(view.calls.empty());
        TheCalcState().m_bCalcRunning.store(0);
        doc.RemoveView(&view);
    }
};

QTEST_MAIN(FiltersDlgTest)
#include "FiltersDlgTest.moc"
