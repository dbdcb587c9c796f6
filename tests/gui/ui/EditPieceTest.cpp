// A player's whole path through the corrections: a paste whose capitalised line is listed as skipped and
// taken in by its tick, a value corrected in the preview by a double-click, a pool piece corrected through
// the tree's "Edit Piece..." and moved to another slot, the change undone and redone, saved and reopened.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "gui/import/ImportDlg.h"
#include "gui/resources/Resource.h"
#include "gui/ui/EditPieceDlg.h"
#include "gui/ui/LeftView.h"
#include "support/AppTest.h"

using namespace guitest;

namespace {
const char* const kCapitalised = "Gold Ring, Physical Resist 10%, Luck 80 ";
const char* const kNecklace = "lucky necklace, luck 200 , mana regeneration 2 ";
const char* const kRing = "ring luck 100";

CArmorPiece* Find(CGorvantaDoc& doc, const std::string& text, int* list = nullptr, size_t* index = nullptr) {
    for (int k = 0; k < SLOT_COUNT; ++k)
        for (size_t i = 0; i < doc.m_arrPool[size_t(k)].size(); ++i)
            if (CArmorPiece* p = doc.m_arrPool[size_t(k)][i]; p && p->m_strText == text) {
                if (list) *list = k;
                if (index) *index = i;
                return p;
            }
    return nullptr;
}
QTreeWidgetItem* RowOf(CImportDlg& dlg, const char* text) {
    for (int i = 0; i < dlg.ItemList()->topLevelItemCount(); ++i)
        if (CImportDlg::PieceOf(dlg.ItemList()->topLevelItem(i))->m_strText == text) return dlg.ItemList()->topLevelItem(i);
    return nullptr;
}
}  // namespace

class EditPieceTest : public QObject, AppFixture {
    Q_OBJECT

    QString file;

    CLeftView* Tree() { return Active()->GetLeftView(); }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::ControlModifier) {
        Main()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Main()));
        QTest::keyClick(Main(), key, mods);
    }
    void Select(const void* data) {
        Tree()->setFocus();
        QTreeWidgetItem* item = Tree()->FindDataItem(data);
        QVERIFY(item);
        Tree()->setCurrentItem(item);
    }
    void Open() {
        Start({file});
        Main()->show();
        Main()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Main()));
    }

private slots:
    void init() {
        BeginCase();
        file = Path(QStringLiteral("edit.gva"));
        QVERIFY(WriteSampleFile(file));
        Open();
    }
    void cleanup() { EndCase(); }

    void pasteTakeInCorrectUndoRedoSaveReopen() {
        const int before = Doc().GetPoolCount();
        QGuiApplication::clipboard()->setText(QString::fromLatin1(kCapitalised) + "\r\n" + kNecklace + "\r\n" + kRing + "\r\n");
        bool seen = false;
        WhenModal<CImportDlg>([&](CImportDlg& dlg) {
            QTRY_COMPARE(dlg.ItemList()->topLevelItemCount(), 3);
            QCOMPARE(dlg.CountBox()->text(), QStringLiteral("2"));
            QTreeWidgetItem* skipped = dlg.ItemList()->topLevelItem(2);
            QVERIFY(CImportDlg::IsSkippedRow(skipped));
            QCOMPARE(CImportDlg::PieceOf(skipped)->m_strText, std::string(kCapitalised));
            QCOMPARE(skipped->text(IMPORT_COL_DUPLICATE), QString::fromLatin1(TAKE_IT_IN_TEXT));
            QCOMPARE(skipped->checkState(IMPORT_COL_DUPLICATE), Qt::Unchecked);
            QCOMPARE(skipped->foreground(0).color(), dlg.palette().color(QPalette::Disabled, QPalette::Text));
            QCOMPARE(RowOf(dlg, kNecklace)->text(IMPORT_COL_BONUS), QStringLiteral("Luck 200, MR 2"));
            QCOMPARE(RowOf(dlg, kRing)->text(IMPORT_COL_BONUS), QStringLiteral("Luck 100"));
            Shot(&dlg, QStringLiteral("import-skipped-lines"));
            skipped->setCheckState(IMPORT_COL_DUPLICATE, Qt::Checked);
            QVERIFY(skipped->foreground(0).color() != dlg.palette().color(QPalette::Disabled, QPalette::Text));

            // A double-click on the ring's bonus cell opens the edit dialog on its piece.
            QTreeWidget* list = dlg.ItemList();
            QTreeWidgetItem* ring = RowOf(dlg, kRing);
            const QRect r = list->visualItemRect(ring);
            const QPoint cell(list->header()->sectionViewportPosition(IMPORT_COL_BONUS) + 4, r.center().y());
            WhenModal<CEditPieceDlg>([&](CEditPieceDlg& edit) {
                QCOMPARE(edit.ValueBox(PROP_LUCK)->value(), 100);
                edit.ValueBox(PROP_LUCK)->setValue(110);
                QTest::mouseClick(edit.OkButton(), Qt::LeftButton);
            });
            DoubleClick(list->viewport(), cell);
            QTRY_COMPARE(RowOf(dlg, kRing)->text(IMPORT_COL_BONUS), QStringLiteral("Luck 110"));
            QVERIFY(RowOf(dlg, kRing)->toolTip(IMPORT_COL_BONUS).contains(QStringLiteral("edited")));
            seen = true;
            QTest::mouseClick(dlg.SaveButton(), Qt::LeftButton);
        });
        Main()->OnCommand(ID_EDIT_PASTE);
        QVERIFY(seen);
        QCOMPARE(Doc().GetPoolCount(), before + 3);
        CArmorPiece* taken = Find(Doc(), kCapitalised);
        QVERIFY(taken);
        QCOMPARE(taken->m_nPhysical, 10);
        QCOMPARE(taken->m_nLuck, 80);
        CArmorPiece* ring = Find(Doc(), kRing);
        QVERIFY(ring && ring->m_bEdited);
        QCOMPARE(ring->m_nLuck, 110);
        CArmorPiece* necklace = Find(Doc(), kNecklace);
        QVERIFY(necklace && !necklace->m_bEdited);
        QCOMPARE(necklace->m_nMR, 2);
        QCOMPARE(necklace->m_nLuck, 200);
        const std::string imported = Bytes(Doc());

        // Edit Piece...: the necklace becomes a ring with mana regeneration 3.
        Select(necklace);
        bool edited = false;
        WhenModal<CEditPieceDlg>([&](CEditPieceDlg& dlg) {
            QCOMPARE(dlg.SlotBox()->currentText(), QStringLiteral("gorgets"));
            QCOMPARE(dlg.ValueBox(PROP_MR)->value(), 2);
            QVERIFY(dlg.MedableBox()->isChecked());
            Shot(&dlg, QStringLiteral("edit-piece"));
            dlg.SlotBox()->setCurrentIndex(dlg.SlotBox()->findData(6));
            dlg.ValueBox(PROP_MR)->setValue(3);
            edited = true;
            QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
        });
        Main()->OnCommand(ID_EDIT_PIECE);
        QVERIFY(edited);
        int list = -1;
        size_t index = 0;
        QCOMPARE(Find(Doc(), kNecklace, &list, &index), necklace);
        QCOMPARE(list, 6);
        QCOMPARE(index + 1, Doc().m_arrPool[6].size());
        QCOMPARE(necklace->m_nMR, 3);
        QCOMPARE(necklace->m_strText, std::string(kNecklace));
        QTreeWidgetItem* item = Tree()->FindDataItem(necklace);
        QVERIFY(item);
        QCOMPARE(CLeftView::LabelOf(item->parent()), std::string("rings"));
        QVERIFY(item->data(0, Qt::ToolTipRole).toString().contains(QStringLiteral("Values edited by hand")));
        const std::string after = Bytes(Doc());

        // One step: undone to the imported state, redone to the edit.
        Key(Qt::Key_Z);
        QCOMPARE(Bytes(Doc()), imported);
        necklace = Find(Doc(), kNecklace, &list);
        QCOMPARE(list, 1);
        QCOMPARE(necklace->m_nMR, 2);
        QVERIFY(!necklace->m_bEdited);
        Key(Qt::Key_Y);
        QCOMPARE(Bytes(Doc()), after);

        Main()->OnCommand(ID_FILE_SAVE);
        QVERIFY(!Doc().IsModified());
        Quit();
        Open();
        necklace = Find(Doc(), kNecklace, &list);
        QVERIFY(necklace);
        QCOMPARE(list, 6);
        QCOMPARE(necklace->m_nMR, 3);
        QVERIFY(necklace->m_bEdited);
        QVERIFY(Find(Doc(), kRing)->m_bEdited);
        QVERIFY(!Find(Doc(), kCapitalised)->m_bEdited);
        QVERIFY(box.shown.empty());
    }

    // A paste in which nothing looks like an item says so instead of an empty list.
    void aPasteWithoutItemsSaysSo() {
        QGuiApplication::clipboard()->setText(QStringLiteral("nothing here\r\nnor here\r\n"));
        bool seen = false;
        WhenModal<CImportDlg>([&](CImportDlg& dlg) {
            QTRY_VERIFY(dlg.NoItemLabel()->isVisible());
            QCOMPARE(dlg.NoItemLabel()->text(), QString::fromLatin1(NO_ITEM_LINE_TEXT));
            QVERIFY(!dlg.ItemList()->isVisible());
            Shot(&dlg, QStringLiteral("import-nothing"));
            seen = true;
            QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
        });
        Main()->OnCommand(ID_EDIT_PASTE);
        QVERIFY(seen);
    }
};

QTEST_MAIN(EditPieceTest)
#include "EditPieceTest.moc"
