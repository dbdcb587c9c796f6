#include "Recovery.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <string>

#include <unistd.h>

#include "DocHolder.h"
#include "core/document/DocFile.h"
#include "core/model/Archive.h"
#include "qtstore/FileNames.h"

namespace {
constexpr const char* COPY_SUFFIX = ".gva";
constexpr const char* INFO_SUFFIX = ".info";

bool WriteAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

// The lock a running program holds on its own name in the folder; the system lets go of it when the
// program ends, however it ends.
std::unique_ptr<CDocFileLock> TryLockOwner(const QString& folder, const QString& pid) {
    auto lock = std::make_unique<CDocFileLock>();
    if (!lock->Lock(FileNameBytes(folder + QLatin1Char('/') + pid).toStdString(), nullptr, false)) return nullptr;
    return lock;
}
}  // namespace

// Held in a QLockFile's place: flock, which a killed program cannot leave behind.
struct CRecoveryLocks {
    std::unique_ptr<CDocFileLock> own;
    std::vector<std::unique_ptr<CDocFileLock>> taken;
};

CRecovery::CRecovery(QString folder, int delayMs) : m_strFolder(std::move(folder)), m_nDelayMs(delayMs) {
    if (m_strFolder.isEmpty())
        m_strFolder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/recovery");
    QDir().mkpath(m_strFolder);
    m_pLocks = std::make_unique<CRecoveryLocks>();
    m_pLocks->own = TryLockOwner(m_strFolder, QString::number(::getpid()));
}

CRecovery::~CRecovery() {
    for (auto it = m_watched.begin(); it != m_watched.end(); ++it) {
        QFile::remove(it->base + QLatin1String(INFO_SUFFIX));
        QFile::remove(it->base + QLatin1String(COPY_SUFFIX));
    }
}

std::vector<CRecoveredCopy> CRecovery::Leftovers() {
    std::vector<CRecoveredCopy> copies;
    const QString own = QString::number(::getpid());
    QDir dir(m_strFolder);
    const QFileInfoList infos =
        dir.entryInfoList({QStringLiteral("*") + QLatin1String(INFO_SUFFIX)}, QDir::Files, QDir::Time | QDir::Reversed);
    QHash<QString, bool> dead;
    for (const QFileInfo& info : infos) {
        const QString base = info.completeBaseName();
        const QString pid = base.section(QLatin1Char('-'), 0, 0);
        if (pid.isEmpty() || pid == own) continue;
        if (!dead.contains(pid)) {
            std::unique_ptr<CDocFileLock> lock = TryLockOwner(m_strFolder, pid);
            dead.insert(pid, lock != nullptr);
            if (lock) m_pLocks->taken.push_back(std::move(lock));
        }
        if (!dead.value(pid)) continue;  // its program still runs
        CRecoveredCopy copy;
        copy.infoPath = info.absoluteFilePath();
        copy.copyPath = dir.absoluteFilePath(base + QLatin1String(COPY_SUFFIX));
        QFile file(copy.infoPath);
        if (!QFileInfo::exists(copy.copyPath) || !file.open(QIODevice::ReadOnly)) {
            Discard(copy);
            continue;
        }
        const QList<QByteArray> lines = file.readAll().split('\n');
        copy.original = lines.size() > 0 && !lines[0].isEmpty()
                            ? FileNameFromBytes(QByteArray::fromPercentEncoding(lines[0]))
                            : QString();
        copy.title = lines.size() > 1 ? QString::fromUtf8(QByteArray::fromPercentEncoding(lines[1])) : QString();
        copies.push_back(copy);
    }
    return copies;
}

void CRecovery::Discard(const CRecoveredCopy& copy) {
    QFile::remove(copy.infoPath);
    QFile::remove(copy.copyPath);
}

QString CRecovery::Question(const std::vector<CRecoveredCopy>& copies) {
    const qsizetype n = qsizetype(copies.size());
    QString text = QString::fromLatin1(RECOVERY_QUESTION)
                       .arg(n == 1 ? QStringLiteral("1 document") : QStringLiteral("%1 documents").arg(n));
    text += QLatin1Char('\n');
    for (const CRecoveredCopy& copy : copies)
        text += QLatin1Char('\n') + (copy.original.isEmpty() ? copy.title : FileNameForDisplay(copy.original));
    return text;
}

void CRecovery::Watch(CDocHolder* doc) {
    if (!doc || m_watched.contains(doc)) return;
    CWatched w;
    w.base = m_strFolder + QLatin1Char('/') + QString::number(::getpid()) + QLatin1Char('-') + QString::number(m_nNext++);
    w.timer = new QTimer(this);
    w.timer->setSingleShot(true);
    connect(w.timer, &QTimer::timeout, this, [this, doc] { WriteNow(doc); });
    m_watched.insert(doc, w);
    connect(doc, &CDocHolder::documentChanged, this, [this, doc] { Changed(doc); });
    connect(doc, &CDocHolder::modifiedChanged, this, [this, doc](bool modified) {
        if (!modified) Remove(doc);
    });
    connect(doc, &QObject::destroyed, this, [this, doc] { Forget(doc); });
    if (doc->IsModified()) Changed(doc);
}

void CRecovery::Changed(CDocHolder* doc) {
    auto it = m_watched.find(doc);
    if (it == m_watched.end()) return;
    if (!doc->IsModified()) {
        Remove(doc);
        return;
    }
    // A few seconds after the last change: a run of edits is written once.
    it->timer->start(m_nDelayMs);
}

void CRecovery::WriteNow(CDocHolder* doc) {
    auto it = m_watched.find(doc);
    if (it == m_watched.end() || !doc->IsModified()) return;
    std::string bytes;
    {
        CArchive ar(bytes);
        doc->Doc().Serialize(ar);
    }
    const QByteArray info = FileNameBytes(doc->GetPathName()).toPercentEncoding() + '\n' +
                            doc->GetTitle().toUtf8().toPercentEncoding() + '\n';
    // The copy first: an info file always has its copy complete beside it.
    if (WriteAtomically(it->base + QLatin1String(COPY_SUFFIX), QByteArray::fromStdString(bytes)) &&
        WriteAtomically(it->base + QLatin1String(INFO_SUFFIX), info))
        it->written = true;
}

QString CRecovery::CopyPathOf(CDocHolder* doc) const {
    const auto it = m_watched.find(doc);
    return it == m_watched.end() || !it->written ? QString() : it->base + QLatin1String(COPY_SUFFIX);
}

void CRecovery::Remove(CDocHolder* doc) {
    auto it = m_watched.find(doc);
    if (it == m_watched.end()) return;
    it->timer->stop();
    QFile::remove(it->base + QLatin1String(INFO_SUFFIX));
    QFile::remove(it->base + QLatin1String(COPY_SUFFIX));
    it->written = false;
}

void CRecovery::Forget(CDocHolder* doc) {
    Remove(doc);
    auto it = m_watched.find(doc);
    if (it == m_watched.end()) return;
    delete it->timer;
    m_watched.erase(it);
}
