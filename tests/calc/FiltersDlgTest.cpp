// The Filters dialog driven through its edits, check boxes, arrows and buttons: the values it shows, the
// order in which OK finds errors and what it does with the focus, ranges, Cancel, and the command.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

#include "CalcGuiSupport.h"
#include "calc/CalcState.h"
#include "calc/FiltersDlg.h"
#include "calc/Settings.h"
#include "document/GorvantaDoc.h"
#include "model/MessageBox.h"
#include "model/ProfileStore.h"

namespace {
using F = CFiltersDlg;

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

// A distinct, in-range value for every setting (switches alternate).
void SetDistinct(CSettings& s) {
    for (int i = 0; i < SETTINGS_COUNT; ++i) s.Value(i) = (i < 22) ? (i % 2) : 0;
    s.m_nDCILimit = 11;
    s.m_nHCILimit = 12;
    s.m_nLMCLimit = 13;
    s.m_nLRCLimit = 14;
    s.m_nLuckLimit = 1500;
    s.m_nMRLimit = 4;
    s.m_nHRLimit = 8;
    s.m_nSRLimit = 9;
    s.m_nLowerLimit = 275;
    s.m_nSuitLimit = 4321;
}

void SetText(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

// Runs fn on the modal dialog once it is up.
void OnModal(std::function<void(CFiltersDlg&)> fn) {
    QTimer::singleShot(0, [fn] {
        auto* dlg = qobject_cast<CFiltersDlg*>(QApplication::activeModalWidget());
        if (!dlg) {
            QTimer::singleShot(10, [fn] { OnModal(fn); });
            return;
        }
        fn(*dlg);
    });
}
}  // namespace

class FiltersDlgTest : public QObject {
    Q_OBJECT

    CMemoryProfileStore store;
    CScriptedMessageBox box;
    CTestSurroundings surroundings;

    void Open(CFiltersDlg& dlg) {
        dlg.CopyFrom(TheSettings());
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    }
    void Ok(CFiltersDlg& dlg) { QTest::mouseClick(dlg.OkButton(), Qt::LeftButton); }
    // The dialog is still open, with the one message shown and the field focused, all of it selected.
    void ExpectRefused(CFiltersDlg& dlg, F::Field field, const std::string& message) {
        const auto shown = box.shown;
        box.shown.clear();
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.result(), 0);
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(shown[0].text, message);
        QCOMPARE(shown[0].buttons, MsgButtons::OK);
        QLineEdit* edit = dlg.FieldEdit(field);
        // An edit with arrows takes the focus through its spin box.
        QWidget* focus = dlg.FieldSpin(field) ? static_cast<QWidget*>(dlg.FieldSpin(field)) : edit;
        QCOMPARE(dlg.focusWidget(), focus);
        if (!edit->text().isEmpty()) {
            QVERIFY(edit->hasSelectedText());
            QCOMPARE(edit->selectedText(), edit->text());
        }
    }

private slots:
    void initTestCase() { surroundings.Install(store, box); }
    void cleanupTestCase() { surroundings.Remove(); }
    void init() { ResetForCase(box); }

    void controlsAndTexts() {
        CFiltersDlg dlg;
        Open(dlg);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Filters"));
        const char* texts[F::CHECK_COUNT] = {"Arms", "Bracelets", "Chest Pieces", "Cloaks", "Gloves", "Gorgets",
                                             "Head wear", "Legs", "Rings", "Shields", "Robes", "Weapons", "DCI", "LMC",
                                             "LRC", "Luck", "Medable Suits Only", "Mana Regen", "HCI", "HP Regen",
                                             "Stam. Regen", "Bypass 70/Resist Limit"};
        for (int c = 0; c < F::CHECK_COUNT; ++c)
            QCOMPARE(dlg.CheckBox(F::Check(c))->text(), QString::fromLatin1(texts[c]));
        QCOMPARE(dlg.OkButton()->text(), QStringLiteral("OK"));
        QVERIFY(dlg.OkButton()->isDefault());
        QCOMPARE(dlg.CancelButton()->text(), QStringLiteral("Cancel"));
        QVERIFY(!dlg.FieldSpin(F::FIELD_SUIT_LIMIT));
        // Up-down ranges of the ranged fields.
        const std::pair<F::Field, int> ranges[] = {{F::FIELD_LOWER_LIMIT, 350}, {F::FIELD_DCI, 200}, {F::FIELD_LMC, 200},
                                                   {F::FIELD_LRC, 200},         {F::FIELD_LUCK, 2000}, {F::FIELD_MR, 200}};
        for (const auto& [field, hi] : ranges) {
            QCOMPARE(dlg.FieldSpin(field)->StepMinimum(), 0);
            QCOMPARE(dlg.FieldSpin(field)->StepMaximum(), hi);
        }
        const auto labels = dlg.findChildren<QWidget*>();
        bool note = false;
        for (QWidget* w : labels)
            if (w->objectName() == QStringLiteral("labelNote")) note = true;
        QVERIFY(note);
    }

    // Every stored value is shown, the HCI, HP Regen and Stam. Regen minimums too; OK without changes
    // leaves every setting as it was.
    void showsStoredValuesAndOkKeepsThem() {
        SetDistinct(TheSettings());
        const auto before = Values(TheSettings());
        CFiltersDlg dlg;
        Open(dlg);
        QCOMPARE(dlg.FieldEdit(F::FIELD_LOWER_LIMIT)->text(), QStringLiteral("275"));
        QCOMPARE(dlg.FieldEdit(F::FIELD_DCI)->text(), QStringLiteral("11"));
        QCOMPARE(dlg.FieldEdit(F::FIELD_LMC)->text(), QStringLiteral("13"));
        QCOMPARE(dlg.FieldEdit(F::FIELD_LRC)->text(), QStringLiteral("14"));
        QCOMPARE(dlg.FieldEdit(F::FIELD_LUCK)->text(), QStringLiteral("1500"));
        QCOMPARE(dlg.FieldEdit(F::FIELD_MR)->text(), QStringLiteral("4"));
        QCOMPARE(dlg.FieldEdit(F::FIELD_SUIT_LIMIT)->text(), QStringLiteral("4321"));
        QCOMPARE(dlg.FieldEdit(F::FIELD_HCI)->text(), QStringLiteral("12"));
        QCOMPARE(dlg.FieldEdit(F::FIELD_HR)->text(), QStringLiteral("8"));
        QCOMPARE(dlg.FieldEdit(F::FIELD_SR)->text(), QStringLiteral("9"));
        QCOMPARE(dlg.CheckBox(F::CHECK_BYPASS)->isChecked(), false);
        QCOMPARE(dlg.CheckBox(F::CHECK_HEADWEAR)->isChecked(), true);
        QCOMPARE(dlg.CheckBox(F::CHECK_GORGETS)->isChecked(), false);
        SaveShot(dlg, "filters");
        Ok(dlg);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(box.shown.empty());
        CSettings after;
        dlg.CopyTo(after);
        for (int i = 0; i < SETTINGS_COUNT; ++i) QCOMPARE(after.Value(i), before[size_t(i)]);
    }

    // Each check box belongs to the setting of its own meaning, and to no other.
    void checkBoxesMapToTheirSettings() {
        const char* names[F::CHECK_COUNT] = {
            "Use Arms",     "Use Bracelets", "Use Chest Pieces", "Use Cloaks",   "Use Gloves",     "Use Gorgets",
            "Use Head Wear", "Use Legs",     "Use Rings",        "Use Shields",  "Use Robes",      "Use Weapons",
            "Display DCI",  "Display LMC",   "Display LRC",      "Display Luck", "Use Mage Armor", "Display MR",
            "Display HCI",  "Display HR",    "Display SR",       "Bypass 70/Resist Limit"};
        for (int c = 0; c < F::CHECK_COUNT; ++c) {
            CSettings zero;
            for (int i = 0; i < 22; ++i) zero.Value(i) = 0;
            CFiltersDlg dlg;
            dlg.CopyFrom(zero);
            dlg.show();
            // On the box itself, which stands right of the text for the bypass switch.
            QCheckBox* check = dlg.CheckBox(F::Check(c));
            const int x = check->layoutDirection() == Qt::RightToLeft ? check->width() - 8 : 8;
            QTest::mouseClick(check, Qt::LeftButton, Qt::NoModifier, QPoint(x, check->height() / 2));
            QVERIFY(dlg.CheckBox(F::Check(c))->isChecked());
            Ok(dlg);
            CSettings out = zero;
            dlg.CopyTo(out);
            for (int i = 0; i < 22; ++i)
                QCOMPARE(out.Value(i), CSettings::IndexOf(names[c]) == i ? 1 : 0);
        }
    }

    void totalResist351IsRefused() {
        CFiltersDlg dlg;
        Open(dlg);
        SetText(dlg.FieldEdit(F::FIELD_LOWER_LIMIT), QStringLiteral("351"));
        dlg.FieldEdit(F::FIELD_DCI)->setFocus();
        Ok(dlg);
        ExpectRefused(dlg, F::FIELD_LOWER_LIMIT, "Please enter an integer between 0 and 350.");
        SetText(dlg.FieldEdit(F::FIELD_LOWER_LIMIT), QStringLiteral("350"));
        Ok(dlg);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.m_nLowerLimit, 350);
    }

    void suitLimitZeroIsRefused() {
        CFiltersDlg dlg;
        Open(dlg);
        SetText(dlg.FieldEdit(F::FIELD_SUIT_LIMIT), QStringLiteral("0"));
        Ok(dlg);
        ExpectRefused(dlg, F::FIELD_SUIT_LIMIT, "Please enter an integer between 1 and 100000.");
        SetText(dlg.FieldEdit(F::FIELD_SUIT_LIMIT), QStringLiteral("100001"));
        Ok(dlg);
        ExpectRefused(dlg, F::FIELD_SUIT_LIMIT, "Please enter an integer between 1 and 100000.");
        // This edit takes any characters; blanks around a number are fine, letters are not.
        SetText(dlg.FieldEdit(F::FIELD_SUIT_LIMIT), QStringLiteral("12x"));
        QCOMPARE(dlg.FieldEdit(F::FIELD_SUIT_LIMIT)->text(), QStringLiteral("12x"));
        Ok(dlg);
        ExpectRefused(dlg, F::FIELD_SUIT_LIMIT, "Please enter an integer.");
        SetText(dlg.FieldEdit(F::FIELD_SUIT_LIMIT), QStringLiteral(" 100000 "));
        Ok(dlg);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.m_nSuitLimit, 100000);
    }

    void luck2000AcceptedAnd2001Refused() {
        {
            CFiltersDlg dlg;
            Open(dlg);
            SetText(dlg.FieldEdit(F::FIELD_LUCK), QStringLiteral("2001"));
            Ok(dlg);
            ExpectRefused(dlg, F::FIELD_LUCK, "Please enter an integer between 0 and 2000.");
        }
        CFiltersDlg dlg;
        Open(dlg);
        SetText(dlg.FieldEdit(F::FIELD_LUCK), QStringLiteral("2000"));
        Ok(dlg);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.m_nLuckLimit, 2000);
    }

    // No range for the HCI, HP Regen and Stam. Regen minimums.
    void hpRegen500IsAccepted() {
        CFiltersDlg dlg;
        Open(dlg);
        SetText(dlg.FieldEdit(F::FIELD_HR), QStringLiteral("500"));
        SetText(dlg.FieldEdit(F::FIELD_HCI), QStringLiteral("999999"));
        SetText(dlg.FieldEdit(F::FIELD_SR), QStringLiteral("0"));
        Ok(dlg);
        QVERIFY(box.shown.empty());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.m_nHRLimit, 500);
        QCOMPARE(dlg.m_nHCILimit, 999999);
        // Even those must be integers; the empty edit is not one.
        CFiltersDlg again;
        Open(again);
        SetText(again.FieldEdit(F::FIELD_SR), QString());
        Ok(again);
        ExpectRefused(again, F::FIELD_SR, "Please enter an integer.");
        SetText(again.FieldEdit(F::FIELD_SR), QStringLiteral("99999999999"));
        Ok(again);
        ExpectRefused(again, F::FIELD_SR, "Please enter an integer.");
    }

    // Errors are found in the order of the exchange, one at a time.
    void errorsInExchangeOrder() {
        CFiltersDlg dlg;
        Open(dlg);
        SetText(dlg.FieldEdit(F::FIELD_HCI), QString());
        SetText(dlg.FieldEdit(F::FIELD_SUIT_LIMIT), QStringLiteral("0"));
        SetText(dlg.FieldEdit(F::FIELD_MR), QStringLiteral("201"));
        SetText(dlg.FieldEdit(F::FIELD_DCI), QStringLiteral("300"));
        SetText(dlg.FieldEdit(F::FIELD_LOWER_LIMIT), QString());
        Ok(dlg);
        ExpectRefused(dlg, F::FIELD_LOWER_LIMIT, "Please enter an integer.");
        SetText(dlg.FieldEdit(F::FIELD_LOWER_LIMIT), QStringLiteral("0"));
        Ok(dlg);
        ExpectRefused(dlg, F::FIELD_DCI, "Please enter an integer between 0 and 200.");
        SetText(dlg.FieldEdit(F::FIELD_DCI), QStringLiteral("200"));
        Ok(dlg);
        ExpectRefused(dlg, F::FIELD_MR, "Please enter an integer between 0 and 200.");
        SetText(dlg.FieldEdit(F::FIELD_MR), QStringLiteral("7"));
        Ok(dlg);
        ExpectRefused(dlg, F::FIELD_SUIT_LIMIT, "Please enter an integer between 1 and 100000.");
        SetText(dlg.FieldEdit(F::FIELD_SUIT_LIMIT), QStringLiteral("1"));
        Ok(dlg);
        ExpectRefused(dlg, F::FIELD_HCI, "Please enter an integer.");
        // A refusal copies nothing into the members.
        QCOMPARE(dlg.m_nLowerLimit, 300);
        QCOMPARE(dlg.m_nDCILimit, 0);
        SetText(dlg.FieldEdit(F::FIELD_HCI), QStringLiteral("3"));
        QTest::keyClick(dlg.FieldEdit(F::FIELD_HCI), Qt::Key_Return);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.m_nDCILimit, 200);
        QCOMPARE(dlg.m_nMRLimit, 7);
        QCOMPARE(dlg.m_nSuitLimit, 1);
        QCOMPARE(dlg.m_nHCILimit, 3);
    }

    // The minimum edits take digits only; the arrows step within the up-down range.
    void digitsOnlyAndArrows() {
        CFiltersDlg dlg;
        Open(dlg);
        QLineEdit* luck = dlg.FieldEdit(F::FIELD_LUCK);
        SetText(luck, QStringLiteral("1a-2 3"));
        QCOMPARE(luck->text(), QStringLiteral("123"));
        QLineEdit* lower = dlg.FieldEdit(F::FIELD_LOWER_LIMIT);
        SetText(lower, QStringLiteral("349"));
        QTest::keyClick(lower, Qt::Key_Up);
        QCOMPARE(lower->text(), QStringLiteral("350"));
        QTest::keyClick(lower, Qt::Key_Up);
        QCOMPARE(lower->text(), QStringLiteral("350"));
        SetText(lower, QStringLiteral("351"));
        QTest::keyClick(lower, Qt::Key_Down);
        QCOMPARE(lower->text(), QStringLiteral("350"));
        SetText(lower, QStringLiteral("0"));
        QTest::keyClick(lower, Qt::Key_Down);
        QCOMPARE(lower->text(), QStringLiteral("0"));
        SetText(luck, QStringLiteral("1999"));
        QTest::keyClick(luck, Qt::Key_Up);
        QTest::keyClick(luck, Qt::Key_Up);
        QCOMPARE(luck->text(), QStringLiteral("2000"));
        // The unranged minimums step too.
        QLineEdit* hr = dlg.FieldEdit(F::FIELD_HR);
        SetText(hr, QStringLiteral("500"));
        QTest::keyClick(hr, Qt::Key_Up);
        QCOMPARE(hr->text(), QStringLiteral("501"));
        SetText(hr, QString());
        QTest::keyClick(hr, Qt::Key_Up);
        QCOMPARE(hr->text(), QStringLiteral("1"));
        // Arrow buttons with the mouse.
        CSpinEdit* spin = dlg.FieldSpin(F::FIELD_DCI);
        SetText(dlg.FieldEdit(F::FIELD_DCI), QStringLiteral("10"));
        QTest::mouseClick(spin, Qt::LeftButton, Qt::NoModifier, QPoint(spin->width() - 5, 3));
        QCOMPARE(dlg.FieldEdit(F::FIELD_DCI)->text(), QStringLiteral("11"));
    }

    void parseRules() {
        QCOMPARE(ParseDialogInt(QStringLiteral("0")), std::optional<int32_t>(0));
        QCOMPARE(ParseDialogInt(QStringLiteral(" \t42\t ")), std::optional<int32_t>(42));
        QCOMPARE(ParseDialogInt(QStringLiteral("-17")), std::optional<int32_t>(-17));
        QCOMPARE(ParseDialogInt(QStringLiteral("+5")), std::optional<int32_t>(5));
        QCOMPARE(ParseDialogInt(QStringLiteral("2147483647")), std::optional<int32_t>(INT32_MAX));
        QCOMPARE(ParseDialogInt(QStringLiteral("-2147483648")), std::optional<int32_t>(INT32_MIN));
        QVERIFY(!ParseDialogInt(QStringLiteral("2147483648")));
        QVERIFY(!ParseDialogInt(QString()));
        QVERIFY(!ParseDialogInt(QStringLiteral("   ")));
        QVERIFY(!ParseDialogInt(QStringLiteral("-")));
        QVERIFY(!ParseDialogInt(QStringLiteral("1 2")));
        QVERIFY(!ParseDialogInt(QStringLiteral("0x10")));
        QVERIFY(!ParseDialogInt(QStringLiteral("3.5")));
    }

    // OK through the command: the settings take the values, are saved, and the views hear of it.
    void commandOkSavesAndTellsTheViews() {
        CGorvantaDoc doc;
        CHintView view;
        doc.AddView(&view);
        const size_t writes = store.WriteCount();
        OnModal([](CFiltersDlg& dlg) {
            SetText(dlg.FieldEdit(F::FIELD_HCI), QStringLiteral("25"));
            dlg.CheckBox(F::CHECK_DISPLAY_HR)->click();
            QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
        });
        QVERIFY(DoFiltersCommand(&doc, nullptr));
        QCOMPARE(TheSettings().m_nHCILimit, 25);
        QCOMPARE(TheSettings().m_bDisplayHR, 1);
        QVERIFY(store.WriteCount() > writes);
        QCOMPARE(store.GetInt(SETTINGS_SECTION, "HCI Limit", -1), 25);
        QCOMPARE(store.GetInt(SETTINGS_SECTION, "Display HR", -1), 1);
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
        const size_t writes = store.WriteCount();
        OnModal([](CFiltersDlg& dlg) {
            SetText(dlg.FieldEdit(F::FIELD_LOWER_LIMIT), QStringLiteral("100"));
            dlg.CheckBox(F::CHECK_BYPASS)->click();
            dlg.CheckBox(F::CHECK_RINGS)->click();
            QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
        });
        QVERIFY(!DoFiltersCommand(&doc, nullptr));
        QCOMPARE(Values(TheSettings()), before);
        QCOMPARE(store.WriteCount(), writes);
        QVERIFY(view.calls.empty());
        doc.RemoveView(&view);
    }

    // During a run the command does nothing at all: no dialog, no change.
    void commandRefusedDuringARun() {
        CGorvantaDoc doc;
        CHintView view;
        doc.AddView(&view);
        TheCalcState().m_bCalcRunning.store(1);
        CModalProbe probe;
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
