#include "QtProfileStore.h"

#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include "qtstore/QtText.h"

namespace {
QString Group(const std::string& section) {
    QString g = ToQt(section);
    g.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return g;
}
QString Key(const std::string& section, const std::string& name) {
    return Group(section) + QLatin1Char('/') + ToQt(name);
}

// A file QSettings may open: missing (it is made on the first save) or a regular file.
bool Usable(const QString& file) {
    const QFileInfo info(file);
    return !info.exists() || info.isFile();
}

std::string NotRegular(const QString& file, const char* consequence) {
    return "The settings file " + QFile::encodeName(file).toStdString() + " is not a regular file; " + consequence;
}

constexpr const char* kInMemory = "settings are kept for this run only.";

// Settings in memory only: QSettings without a file.
std::unique_ptr<QSettings> MemoryOnly() { return std::make_unique<QSettings>(QString(), QSettings::IniFormat); }
}  // namespace

CQtProfileStore::CQtProfileStore() : CQtProfileStore(Access::ReadWrite) {}

CQtProfileStore::CQtProfileStore(Access access) {
    OpenUserStore();
    if (access == Access::ReadOnly) {
        // Same values, fallbacks included, in memory: what is read is what the file says, and nothing
        // written reaches it.
        std::unique_ptr<QSettings> copy = MemoryOnly();
        for (const QString& key : m_pSettings->allKeys()) copy->setValue(key, m_pSettings->value(key));
        m_pSettings = std::move(copy);
    }
}

void CQtProfileStore::OpenUserStore() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    // The files QSettings("VarnHolt", "Gorvanta") reads, in its order: the user's application and
    // organisation files, then the system's.
    const QString user = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/VarnHolt";
    const QString system = QLibraryInfo::path(QLibraryInfo::SettingsPath) + "/VarnHolt";
    const QString own = user + "/Gorvanta.conf";
    if (!Usable(own)) {
        m_problem = NotRegular(own, kInMemory);
        m_pSettings = MemoryOnly();
        return;
    }
    for (const QString& fallback : {user + ".conf", system + "/Gorvanta.conf", system + ".conf"}) {
        if (Usable(fallback)) continue;
        m_problem = NotRegular(fallback, "it is ignored.");
        m_pSettings = std::make_unique<QSettings>(own, QSettings::IniFormat);
        return;
    }
#endif
    m_pSettings = std::make_unique<QSettings>("VarnHolt", "Gorvanta");
}

CQtProfileStore::CQtProfileStore(const char* iniPath) {
    const QString file = QFile::decodeName(iniPath);
    if (Usable(file)) {
        m_pSettings = std::make_unique<QSettings>(file, QSettings::IniFormat);
    } else {
        m_problem = NotRegular(file, kInMemory);
        m_pSettings = MemoryOnly();
    }
}

CQtProfileStore::~CQtProfileStore() { m_pSettings->sync(); }

void CQtProfileStore::Sync() { m_pSettings->sync(); }

std::optional<int32_t> CQtProfileStore::ReadInt(const std::string& section, const std::string& name) {
    QVariant v = m_pSettings->value(Key(section, name));
    if (!v.isValid()) return std::nullopt;
    bool ok = false;
    qlonglong n = v.toString().trimmed().toLongLong(&ok);
    if (!ok) return std::nullopt;
    // A 32-bit value written as unsigned reads back as the same bits.
    if (n < INT32_MIN || n > UINT32_MAX) return std::nullopt;
    return int32_t(uint32_t(n));
}

bool CQtProfileStore::WriteInt(const std::string& section, const std::string& name, int32_t value) {
    m_pSettings->setValue(Key(section, name), int(value));
    return m_pSettings->status() == QSettings::NoError;
}

std::optional<std::string> CQtProfileStore::ReadString(const std::string& section, const std::string& name) {
    QVariant v = m_pSettings->value(Key(section, name));
    if (!v.isValid()) return std::nullopt;
    return FromQt(v.toString());
}

bool CQtProfileStore::WriteString(const std::string& section, const std::string& name, const std::string& value) {
    m_pSettings->setValue(Key(section, name), ToQt(value));
    return m_pSettings->status() == QSettings::NoError;
}

bool CQtProfileStore::OpenKey(const std::string& section) {
    m_pSettings->beginGroup(Group(section));
    bool exists = !m_pSettings->childKeys().isEmpty() || !m_pSettings->childGroups().isEmpty();
    m_pSettings->endGroup();
    return exists;
}

bool CQtProfileStore::CreateKey(const std::string& section, bool& createdNow) {
    createdNow = false;
    if (OpenKey(section)) return true;
    if (!m_pSettings->isWritable()) return false;
    m_pSettings->setValue(Group(section) + QLatin1Char('/') + QLatin1String(KEY_MARKER), 1);
    createdNow = true;
    return true;
}

bool CQtProfileStore::DeleteKey(const std::string& section) {
    if (!m_pSettings->isWritable()) return false;
    m_pSettings->remove(Group(section));
    return !OpenKey(section);
}

bool CQtProfileStore::EnumValues(const std::string& section, std::vector<std::pair<std::string, std::string>>& out) {
    out.clear();
    if (!OpenKey(section)) return false;
    m_pSettings->beginGroup(Group(section));
    const QStringList keys = m_pSettings->childKeys();
    for (const QString& k : keys) {
        if (k == QLatin1String(KEY_MARKER)) continue;
        out.emplace_back(FromQt(k), FromQt(m_pSettings->value(k).toString()));
    }
    m_pSettings->endGroup();
    return true;
}
