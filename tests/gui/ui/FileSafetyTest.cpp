// The running window program and the files it did not write: a file that is no document is never
// replaced, a file name that is not UTF-8 reaches its own file, and a file someone else changed on disk
// is not overwritten without asking.
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <QMessageBox>
#include <QPushButton>

#include "core/document/Assignment.h"
#include "core/document/DocFile.h"
#include "gui/resources/Resource.h"
#include "gui/ui/QtMessageBox.h"
#include "support/AppTest.h"
#include "qtstore/FileNames.h"

using namespace guitest;

class FileSafetyTest : public QObject, AppFixture {
    Q_OBJECT

    static std::string Read(const QString& file) { return ReadFile(FileNameBytes(file).toStdString()); }
    // A change through the tree's commands would do the same: a piece more, the flag, the word to the views.
    void Change() {
        AddToPool(Doc(), ParsedPiece("gold ring, luck 40 "));
        Doc().SetModifiedFlag(true);
        Doc().UpdateAllViews(nullptr, HINT_REFRESH);
    }
    // Another program saves the document at `file` with one piece more than the sample.
    static std::string SaveElsewhere(const QString& file) {
        CGorvantaDoc doc;
        AddPool(doc);
        AddToPool(doc, ParsedPiece("silver bracelet, luck 80 "));
        if (!SaveDocumentFile(doc, FileNameBytes(file).toStdString())) return {};
        return Read(file);
    }

private slots:
    void init() { BeginCase(); }
    void cleanup() { EndCase(); }

    // A text file of notes, through File > Open, the command line and a recent-file entry that has become
    // such a file: the message, no document, no recent entry, and the file byte for byte as it was after
    // Save and close.
    void fileThatIsNoDocumentStaysAsItWas() {
        const QString notes = Path("notes.txt");
        std::string text;
        for (int i = 0; i < 300; ++i) text += "Buy 3 rings at the bank, sell the old cloak.\n";
        std::ofstream(notes.toStdString(), std::ios::binary) << text;

        Start();
        app->answers = {notes};
        Main()->OnCommand(ID_FILE_OPEN);
        QCOMPARE(int(box.shown.size()), 1);
        QCOMPARE(box.shown[0].text, std::string("Archive format not recognized."));
        QCOMPARE(int(app->Documents().size()), 1);
        QVERIFY(Active()->GetDocument()->GetPathName().isEmpty());
        QVERIFY(app->RecentFiles().isEmpty());
        Main()->OnCommand(ID_FILE_SAVE);  // asks for a name for Gorvan1, cancelled
        QCOMPARE(int(app->prompts.size()), 2);
        QCOMPARE(app->prompts[1].proposed, QStringLiteral("Gorvan1.gva"));
        QVERIFY(Main()->close());
        Quit();
        QCOMPARE(ReadFile(notes.toStdString()), text);

        app = std::make_unique<CTestApp>();
        QVERIFY(!app->InitInstance({notes}));
        QCOMPARE(int(box.shown.size()), 2);
        QVERIFY(app->Documents().empty());
        Quit();

        // A document in the recent list, since overwritten by the notes.
        const QString pool = Path("pool.gva");
        QVERIFY(WriteSampleFile(pool));
        Start({pool});
        Main()->OnCommand(ID_FILE_CLOSE);
        QFile::remove(pool);
        QVERIFY(QFile::copy(notes, pool));
        QCOMPARE(app->RecentFiles(), QStringList{QFileInfo(pool).absoluteFilePath()});
        Main()->OnCommand(ID_FILE_MRU_FILE1);
        QCOMPARE(int(box.shown.size()), 3);
        QVERIFY(app->Documents().empty());
        QVERIFY(app->RecentFiles().isEmpty());
        Quit();
        QCOMPARE(ReadFile(pool.toStdString()), text);
        QCOMPARE(ReadFile(notes.toStdString()), text);
    }

    // "gorvanta caf\xe9.gva": that very file opens and is saved, no "caf\xef\xbf\xbd.gva" appears; every
    // name keeps its bytes through the program, and UTF-8 names read as UTF-8.
    void commandLineFileNameKeepsItsBytes() {
        for (const QByteArray& bytes : {QByteArray("caf\xe9.gva"), QByteArray("caf\xc3\xa9.gva"), QByteArray("\xe2\x82"),
                                        QByteArray("\xc0\xaf"), QByteArray("\xed\xa0\x80"), QByteArray("\xf0\x9f\x98\x80"),
                                        QByteArray("\xf4\x90\x80\x80"), QByteArray("a\xff\xfe/b")}) {
            const QString name = FileNameFromBytes(bytes);
            QCOMPARE(FileNameBytes(name), bytes);
            if (QString::fromUtf8(bytes).toUtf8() == bytes) QCOMPARE(name, QString::fromUtf8(bytes));
        }
        QCOMPARE(FileNameForDisplay(FileNameFromBytes("caf\xe9.gva")), QStringLiteral(u"caf\uFFFD.gva"));

        // Started in the file's folder, as from a shell.
        struct CurrentFolder {
            QString before = QDir::currentPath();
            ~CurrentFolder() { QDir::setCurrent(before); }
        } restore;
        QVERIFY(QDir::setCurrent(Path(QString())));
        const QByteArray raw = "caf\xe9.gva", lossy = "caf\xef\xbf\xbd.gva";
        {
            CGorvantaDoc doc;
            AddPool(doc);
            QVERIFY(SaveDocumentFile(doc, raw.toStdString()));
        }
        const char* argv[] = {"gorvanta", raw.constData()};
        const QStringList args = FileArguments(2, argv);
        QCOMPARE(FileNameBytes(args.value(0)), raw);
        Start(args);
        QCOMPARE(Doc().GetPoolCount(), 8);
        QCOMPARE(Active()->GetDocument()->GetTitle(), QStringLiteral(u"caf\uFFFD.gva"));
        Change();
        Main()->OnCommand(ID_FILE_SAVE);
        QVERIFY(box.shown.empty());
        QVERIFY(!Active()->GetDocument()->IsModified());
        QCOMPARE(ReadFile(raw.toStdString()), Bytes(Doc()));
        QVERIFY(::access(lossy.constData(), F_OK) != 0);
        // Open again by the same name: the window already open comes forward.
        QCOMPARE(app->OpenDocumentFile(args[0]), Active()->GetDocument());
        QCOMPARE(int(app->Documents().size()), 1);
    }

    // Someone else saves the open document's file: Save asks before overwriting it, and No keeps their
    // file and our changes, also from the question before closing; Yes overwrites; a file that has gone is
    // simply written again.
    void fileChangedOnDiskIsNotOverwrittenUnasked() {
        const QString file = Path("pool.gva");
        QVERIFY(WriteSampleFile(file));
        Start({file});
        CDocHolder* doc = Active()->GetDocument();
        Change();
        Main()->OnCommand(ID_FILE_SAVE);
        QVERIFY(box.shown.empty());
        QCOMPARE(Read(file), Bytes(Doc()));

        const std::string theirs = SaveElsewhere(file);
        QVERIFY(!theirs.empty());
        Change();
        Main()->OnCommand(ID_FILE_SAVE);  // the box answers No
        QCOMPARE(int(box.shown.size()), 1);
        QCOMPARE(box.shown[0].text, std::string("pool.gva has been changed on disk since it was opened or last saved.\n"
                                                "Do you want to overwrite it with this document?"));
        QCOMPARE(box.shown[0].buttons, MsgButtons::YesNoDefaultNo);  // Enter keeps their file
        QCOMPARE(Read(file), theirs);
        QVERIFY(doc->IsModified());

        box.answers = {IDYES, IDNO};
        Main()->OnCommand(ID_FILE_CLOSE);
        QCOMPARE(int(box.shown.size()), 3);
        QCOMPARE(box.shown[1].text, std::string("Save changes to pool.gva?"));
        QCOMPARE(box.shown[2].text, box.shown[0].text);
        QCOMPARE(int(app->Documents().size()), 1);
        QCOMPARE(Read(file), theirs);
        QVERIFY(doc->IsModified());

        box.answers = {IDYES};
        Main()->OnCommand(ID_FILE_SAVE);
        QCOMPARE(int(box.shown.size()), 4);
        QVERIFY(!doc->IsModified());
        QCOMPARE(Read(file), Bytes(Doc()));
        Change();
        Main()->OnCommand(ID_FILE_SAVE);  // our own last save is no change on disk
        QCOMPARE(int(box.shown.size()), 4);
        QCOMPARE(Read(file), Bytes(Doc()));

        QVERIFY(QFile::remove(file));
        Change();
        Main()->OnCommand(ID_FILE_SAVE);
        QCOMPARE(int(box.shown.size()), 4);
        QCOMPARE(Read(file), Bytes(Doc()));
        QVERIFY(!doc->IsModified());
    }
    // A settings file that is no regular file is left alone; the program says so and runs from defaults.
    void storeThatIsNoFileIsReported() {
        const QString conf =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/VarnHolt/Gorvanta.conf";
        QFile::remove(conf);
        QCOMPARE(::mkfifo(QFile::encodeName(conf).constData(), 0600), 0);
        box.shown.clear();
        Start();
        QFile::remove(conf);
        QCOMPARE(int(box.shown.size()), 1);
        QCOMPARE(box.shown[0].text, "The settings file " + QFile::encodeName(conf).toStdString() +
                                        " is not a regular file; settings are kept for this run only.");
        QVERIFY(Active());
    }

    // A file with a block of a later version and a damaged mark block: one message on opening; every save
    // keeps the later version's block after what this program writes; the damaged marks are replaced only
    // once the player says Yes to the question, whose default keeps the file. The save waits for the lock
    // that command-line tools hold, and gives up with a message rather than write under them.
    void blocksThisVersionCannotReadSurviveTheWindowProgramsSave() {
        CGorvantaDoc source;
        AddPool(source);
        const std::string plain = Bytes(source);
        const std::string later = std::string("GVPL\x03\0\0\0\x04\0\0\0", 12) + "plan";
        QVERIFY(SetPieceMark(source, source.m_arrPool[0][0], PieceMark::Excluded));
        std::string damaged = Bytes(source).substr(plain.size());
        damaged.back() ^= 0x11;  // its checksum
        const QString file = Path("later.gva");
        std::ofstream(file.toStdString(), std::ios::binary) << plain + later + damaged;

        Start({file});
        QCOMPARE(int(box.shown.size()), 1);
        QCOMPARE(box.shown[0].text, std::string(MSG_MARKS_UNREADABLE));
        Change();
        Main()->OnCommand(ID_FILE_SAVE);  // the box answers No
        QCOMPARE(int(box.shown.size()), 2);
        QCOMPARE(box.shown[1].text, std::string("The exclude and pin marks stored in later.gva could not be read. "
                                                "Saving replaces them with the marks the document has now.\n"
                                                "Do you want to save it?"));
        QCOMPARE(box.shown[1].buttons, MsgButtons::YesNoDefaultNo);
        QCOMPARE(Read(file), plain + later + damaged);
        QVERIFY(Active()->GetDocument()->IsModified());

        box.answers = {IDYES};
        Main()->OnCommand(ID_FILE_SAVE);
        QCOMPARE(int(box.shown.size()), 3);
        QVERIFY(!Active()->GetDocument()->IsModified());
        const std::string saved = Read(file);
        QVERIFY(saved.size() > later.size());
        QCOMPARE(saved.substr(saved.size() - later.size()), later);
        QCOMPARE(saved, Bytes(Doc()));
        // Asked once: later saves keep the later version's block without a word.
        Change();
        Main()->OnCommand(ID_FILE_SAVE);
        QCOMPARE(int(box.shown.size()), 3);
        QVERIFY(Read(file).ends_with(later));

        // A command-line tool holds the lock: the save waits, then fails and changes nothing.
        CDocFileLock held;
        QVERIFY(held.Lock(FileNameBytes(file).toStdString()));
        const std::string before = Read(file);
        Change();
        Main()->OnCommand(ID_FILE_SAVE);
        QCOMPARE(int(box.shown.size()), 4);
        QVERIFY(box.shown[3].text.starts_with("Failed to save document.\n"));
        QVERIFY(box.shown[3].text.ends_with("is being changed by another program."));
        QCOMPARE(Read(file), before);
        QVERIFY(Active()->GetDocument()->IsModified());
        held.Unlock();
        Main()->OnCommand(ID_FILE_SAVE);
        QCOMPARE(int(box.shown.size()), 4);
        QCOMPARE(Read(file), Bytes(Doc()));
    }

    // The question names what could not be read: the plan, or the marks and the plan.
    void damagedPlanIsNamedBeforeItIsReplaced() {
        const struct {
            bool marks;
            const char* question;
        } cases[] = {
            {false, "The plan stored in plan.gva could not be read. Saving replaces it with the plan the document "
                    "has now.\nDo you want to save it?"},
            {true, "The exclude and pin marks and the plan stored in plan.gva could not be read. Saving replaces "
                   "them with the marks and the plan the document has now.\nDo you want to save it?"},
        };
        for (const auto& c : cases) {
            CGorvantaDoc source;
            AddPool(source);
            if (c.marks) QVERIFY(SetPieceMark(source, source.m_arrPool[0][0], PieceMark::Excluded));
            std::string head = Bytes(source);
            source.m_plan.m_arrTargets.push_back(CPlanTarget{"Tank", {}});
            std::string plan = Bytes(source).substr(head.size());
            plan.back() ^= 0x11;  // the checksums
            if (c.marks) head.back() ^= 0x11;
            const QString file = Path("plan.gva");
            std::ofstream(file.toStdString(), std::ios::binary) << head + plan;
            box.shown.clear();
            Start({file});
            Change();
            Main()->OnCommand(ID_FILE_SAVE);  // the box answers No
            QVERIFY(!box.shown.empty());
            QCOMPARE(box.shown.back().text, std::string(c.question));
            QCOMPARE(Read(file), head + plan);
            Quit();
        }
    }

    // The real message box: a question whose Yes loses something has No as its default, so Enter keeps
    // the file; the other questions keep Yes as theirs.
    void enterAnswersNoWhereYesWouldOverwrite() {
        CQtMessageBox qtBox;
        CMessageBoxScope scope(&qtBox);
        const struct {
            MsgButtons buttons;
            int enter;
        } cases[] = {{MsgButtons::YesNoDefaultNo, IDNO}, {MsgButtons::YesNo, IDYES}, {MsgButtons::OK, IDOK}};
        for (const auto& c : cases) {
            QString seenDefault;
            WhenModal<QMessageBox>([&seenDefault, &c](QMessageBox& m) {
                if (m.defaultButton()) seenDefault = m.defaultButton()->text();
                if (c.buttons == MsgButtons::YesNoDefaultNo) Shot(&m, QStringLiteral("question-default-no"));
                QTest::keyClick(&m, Qt::Key_Return);
            });
            QCOMPARE(ShowMessage("Overwrite it?", c.buttons, MsgIcon::Warning), c.enter);
            QVERIFY(!seenDefault.isEmpty());
        }
    }
};

QTEST_MAIN(FileSafetyTest)
#include "FileSafetyTest.moc"
