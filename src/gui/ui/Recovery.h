#pragma once
// Crash recovery: while a document has unsaved changes, a copy of it is written, a few seconds after its
// last change, into a folder of the per-user data; saving or closing the document removes the copy. A
// program that was killed leaves its copies behind, and the next start offers them. Each running program
// holds a lock file of its own in the folder, so a start never offers the copies of another program that is
// still running.
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class CDocHolder;
struct CRecoveryLocks;
class QTimer;

constexpr const char* RECOVERY_QUESTION = "Gorvanta was not closed properly. Restore the unsaved changes of %1?";

// One copy left by a program that is no longer running.
struct CRecoveredCopy {
    QString copyPath;  // the document's bytes
    QString infoPath;  // its original path and title
    QString original;  // the file the document came from; empty for an untitled document
    QString title;
};

class CRecovery : public QObject {
    Q_OBJECT
public:
    // folder: where the copies go; empty for "recovery" in QStandardPaths::AppLocalDataLocation.
    explicit CRecovery(QString folder = {}, int delayMs = 3000);
    ~CRecovery() override;

    const QString& Folder() const { return m_strFolder; }
    // Copies left by programs that are no longer running, oldest first. Their owners' locks are taken, so
    // that a second program starting now does not offer them too.
    std::vector<CRecoveredCopy> Leftovers();
    // Removes a copy (restored, or declined).
    static void Discard(const CRecoveredCopy& copy);
    // The question, with the documents' names.
    static QString Question(const std::vector<CRecoveredCopy>& copies);

    // Follows the document's changes from now on until it is closed.
    void Watch(CDocHolder* doc);
    // Writes the copies that are due now (tests, and the program's end of a timer).
    void WriteNow(CDocHolder* doc);
    QString CopyPathOf(CDocHolder* doc) const;

private:
    struct CWatched {
        QString base;  // folder/PID-N
        QTimer* timer = nullptr;
        bool written = false;
    };
    void Changed(CDocHolder* doc);
    void Remove(CDocHolder* doc);
    void Forget(CDocHolder* doc);

    QString m_strFolder;
    int m_nDelayMs;
    // Our own, and those of dead programs whose copies were taken over; let go when this object goes.
    std::unique_ptr<CRecoveryLocks> m_pLocks;
    QHash<CDocHolder*, CWatched> m_watched;
    int m_nNext = 0;
};
