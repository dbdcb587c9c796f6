// Crash recovery in the real program, started as a child process: an edit, a SIGKILL, the next start's
// question answered, the restored pool checked; a program that is still running, or that ended normally,
// has nothing offered.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <csignal>
#include <string>

#include "core/document/DocFile.h"
#include "core/document/DocTestSupport.h"

namespace {
std::string ReadFile(const std::string& path) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

struct CChild {
    QStringList lines;  // what it said, in order
    int status = -1;
};

class RecoveryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    void Start(QProcess& p, const QString& mode, const QStringList& args) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(QStringLiteral(RECOVERY_CHILD), QStringList{mode} + args);
        ASSERT_TRUE(p.waitForStarted());
    }
    // Reads its lines until one equals `until` (or it ends).
    static void ReadUntil(QProcess& p, CChild& child, const QString& until) {
        for (int waited = 0; waited < 60000 && !child.lines.contains(until);) {
            if (!p.canReadLine() && !p.waitForReadyRead(100)) {
                waited += 100;
                if (p.state() == QProcess::NotRunning) break;
                continue;
            }
            while (p.canReadLine()) child.lines << QString::fromUtf8(p.readLine()).chopped(1);
        }
    }
    CChild Run(const QString& mode, const QStringList& args = {}) {
        QProcess p;
        CChild child;
        Start(p, mode, args);
        EXPECT_TRUE(p.waitForFinished(60000));
        for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
            if (!line.isEmpty()) child.lines << QString::fromUtf8(line);
        child.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        return child;
    }
    static QStringList Starting(const CChild& child, const QString& prefix) {
        QStringList out;
        for (const QString& line : child.lines)
            if (line.startsWith(prefix)) out << line.mid(prefix.size());
        return out;
    }
    QStringList Copies() const {
        return QDir(dir.filePath(QStringLiteral("data/VarnHolt/Gorvanta/recovery"))).entryList({"*.gva", "*.info"}, QDir::Files);
    }

    QTemporaryDir dir;
};
}  // namespace

TEST_F(RecoveryTest, AKilledProgramsUnsavedChangesAreOfferedOnceAndRestoredIntoTheirFile) {
    const std::string file = dir.filePath(QStringLiteral("pool.gva")).toStdString();
    CGorvantaDoc doc;
    AddPiece(doc, "plate helm", PIECE_HEADWEAR, {5, 3, 0, 0, 0});
    AddPiece(doc, "leather gloves", PIECE_GLOVES, {2, 0, 0, 0, 0});
    ASSERT_TRUE(SaveDocumentFile(doc, file));
    const std::string before = Bytes(doc);
    const QString path = QString::fromStdString(file);

    QProcess killed;
    CChild edited;
    Start(killed, QStringLiteral("edit"), {path});
    ReadUntil(killed, edited, QStringLiteral("written"));
    ASSERT_TRUE(edited.lines.contains(QStringLiteral("written"))) << edited.lines.join('\n').toStdString();
    EXPECT_EQ(Starting(edited, QStringLiteral("question: ")), QStringList());
    EXPECT_EQ(Copies().size(), 2);  // the copy and what it came from

    // Its copies are its own while it runs: another start offers nothing and leaves them.
    const CChild beside = Run(QStringLiteral("probe"));
    EXPECT_EQ(beside.status, 0);
    EXPECT_EQ(Starting(beside, QStringLiteral("question: ")), QStringList());
    EXPECT_EQ(Copies().size(), 2);

    ::kill(pid_t(killed.processId()), SIGKILL);
    ASSERT_TRUE(killed.waitForFinished(10000));
    EXPECT_EQ(ReadFile(file), before);  // nothing was saved

    const CChild restored = Run(QStringLiteral("restore"));
    EXPECT_EQ(restored.status, 0);
    const QStringList questions = Starting(restored, QStringLiteral("question: "));
    ASSERT_EQ(questions.size(), 1) << restored.lines.join('\n').toStdString();
    EXPECT_EQ(questions[0], QStringLiteral("Gorvanta was not closed properly. Restore the unsaved changes of 1 "
                                           "document?||") + path);
    // Modified, under its own name, the pasted ring in the pool; no empty new document beside it.
    EXPECT_EQ(Starting(restored, QStringLiteral("doc: ")), QStringList{path + "|pool.gva|1|3"});
    EXPECT_EQ(Starting(restored, QStringLiteral("saved: ")), QStringList{path});
    CGorvantaDoc back;
    ASSERT_EQ(LoadDocumentFile(back, file).status, LoadStatus::Ok);
    ASSERT_EQ(back.GetPoolCount(), 3);
    ASSERT_EQ(back.m_arrPool[6].size(), 1u);
    EXPECT_EQ(back.m_arrPool[6][0]->m_strText, "recovered ring, fire resist 15%, luck 80");
    EXPECT_EQ(back.m_arrPool[6][0]->m_nFire, 15);
    EXPECT_TRUE(Copies().isEmpty());

    // Offered once: the next start asks nothing.
    const CChild after = Run(QStringLiteral("probe"));
    EXPECT_EQ(Starting(after, QStringLiteral("question: ")), QStringList());
    EXPECT_EQ(Starting(after, QStringLiteral("doc: ")), QStringList{"|Gorvan1|0|0"});
}

TEST_F(RecoveryTest, NothingIsOfferedAfterANormalEndAndADeclinedOfferIsGone) {
    // Untitled, edited, copy written, then a normal end without saving.
    const CChild clean = Run(QStringLiteral("edit-exit"));
    EXPECT_EQ(clean.status, 0);
    EXPECT_TRUE(clean.lines.contains(QStringLiteral("written")));
    EXPECT_TRUE(Copies().isEmpty());
    EXPECT_EQ(Starting(Run(QStringLiteral("probe")), QStringLiteral("question: ")), QStringList());

    // Killed while untitled: offered under its title; No removes the copy for good.
    QProcess killed;
    CChild edited;
    Start(killed, QStringLiteral("edit"), {});
    ReadUntil(killed, edited, QStringLiteral("written"));
    ::kill(pid_t(killed.processId()), SIGKILL);
    ASSERT_TRUE(killed.waitForFinished(10000));
    const CChild declined = Run(QStringLiteral("decline"));
    EXPECT_EQ(Starting(declined, QStringLiteral("question: ")),
              QStringList{"Gorvanta was not closed properly. Restore the unsaved changes of 1 document?||Gorvan1"});
    EXPECT_EQ(Starting(declined, QStringLiteral("doc: ")), QStringList{"|Gorvan1|0|0"});
    EXPECT_TRUE(Copies().isEmpty());
    EXPECT_EQ(Starting(Run(QStringLiteral("probe")), QStringLiteral("question: ")), QStringList());
}

TEST_F(RecoveryTest, AnUntitledDocumentIsRestoredUntitledAndModified) {
    QProcess killed;
    CChild edited;
    Start(killed, QStringLiteral("edit"), {});
    ReadUntil(killed, edited, QStringLiteral("written"));
    ::kill(pid_t(killed.processId()), SIGKILL);
    ASSERT_TRUE(killed.waitForFinished(10000));
    const CChild restored = Run(QStringLiteral("restore"));
    EXPECT_EQ(Starting(restored, QStringLiteral("doc: ")), QStringList{"|Gorvan1|1|1"});
    EXPECT_EQ(Starting(restored, QStringLiteral("saved: ")), QStringList());
    // The restored document's own copy went with its normal end.
    EXPECT_TRUE(Copies().isEmpty());
}
