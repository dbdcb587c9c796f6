#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/calc/Settings.h"
#include "core/import/ItemTextParser.h"
#include "core/model/PieceDefs.h"
#include "qtstore/QtProfileStore.h"
#include "support/FifoWatchdog.h"

namespace {
// A settings record whose name tables file pasted items, as a command of the tool has.
CSettings& CommandSettings() {
    static CSettings settings;
    SetThePieceDefs(&settings.m_pieceDefs);
    return settings;
}
}  // namespace

TEST(QtProfileStore, UsesTheTemporaryConfigFolder) {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    ASSERT_NE(xdg, nullptr) << "tests must never touch the real user's settings";
    CQtProfileStore store;
    EXPECT_TRUE(store.Settings().fileName().startsWith(QString::fromLocal8Bit(xdg)));
    EXPECT_TRUE(store.Settings().fileName().endsWith("VarnHolt/Gorvanta.conf"));
}

TEST(QtProfileStore, KeysValuesAndTheCreatedMarker) {
    QTemporaryDir dir;
    std::string ini = (dir.path() + "/store.conf").toStdString();
    {
        CQtProfileStore store(ini.c_str());
        bool created = false;
        EXPECT_FALSE(store.OpenKey("PieceDefs\\Rings"));
        ASSERT_TRUE(store.CreateKey("PieceDefs\\Rings", created));
        EXPECT_TRUE(created);
        ASSERT_TRUE(store.CreateKey("PieceDefs\\Rings", created));
        EXPECT_FALSE(created);
        std::vector<std::pair<std::string, std::string>> values;
        ASSERT_TRUE(store.EnumValues("PieceDefs\\Rings", values));
        EXPECT_TRUE(values.empty());  // the marker is no item name
        store.WriteString("PieceDefs\\Rings", "02", "band");
        store.WriteString("PieceDefs\\Rings", "01", "ring \xE9");
        store.WriteInt("Settings", "LowerLimit", -250);
        store.WriteInt("Settings", "Suit Limit", INT32_MIN);
    }
    CQtProfileStore again(ini.c_str());
    bool created = true;
    ASSERT_TRUE(again.CreateKey("PieceDefs\\Rings", created));
    EXPECT_FALSE(created);  // survives a restart, empty or not
    std::vector<std::pair<std::string, std::string>> values;
    ASSERT_TRUE(again.EnumValues("PieceDefs\\Rings", values));
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0], (std::pair<std::string, std::string>{"01", "ring \xE9"}));
    EXPECT_EQ(values[1].second, "band");
    EXPECT_EQ(again.GetInt("Settings", "LowerLimit", 300), -250);
    EXPECT_EQ(again.GetInt("Settings", "Suit Limit", 0), INT32_MIN);
    EXPECT_EQ(again.GetInt("Settings", "Missing", 42), 42);
    again.Settings().setValue("Settings/Garbage", "abc");
    EXPECT_EQ(again.GetInt("Settings", "Garbage", 7), 7);
}

TEST(QtProfileStore, TableRulesOnTheUsersStore) {
    // The store under the temporary XDG_CONFIG_HOME, started afresh: first start, an emptied table, restart.
    QString file = CQtProfileStore().Settings().fileName();
    QFile::remove(file);
    {
        CQtProfileStore store;
        SetProfileStore(&store);
        CommandSettings().LoadSettings();
        EXPECT_EQ(CommandSettings().m_pieceDefs.Table(6), PieceDefDefaults(6));
        EXPECT_EQ(store.ReadString("PieceDefs\\Headwear", "14"), "ninja hood");
        store.Settings().remove("PieceDefs/Rings/01");  // the player deletes the only ring name
        SetProfileStore(nullptr);
    }
    QSettings raw(file, QSettings::IniFormat);
    EXPECT_TRUE(raw.contains("PieceDefs/Rings/.gorvanta-key"));
    CQtProfileStore store;
    SetProfileStore(&store);
    CommandSettings().LoadSettings();
    EXPECT_TRUE(CommandSettings().m_pieceDefs.Table(6).empty());
    EXPECT_EQ(CommandSettings().m_pieceDefs.Table(0).size(), 14u);
    SetProfileStore(nullptr);
    QFile::remove(file);
}

namespace {
// The slot types the import gives the sample paste (and a few lines of its own where the sample is absent)
// with the store in force.
std::vector<int32_t> ClassifiedTypes(IProfileStore& store) {
    std::string text = "plate helm, fire resist 5%\r\nGold Ring, luck 40 \r\nleather tunic, cold resist 3%\r\n"
                       "heater shield, physical resist 8%\r\nlongsword, luck 5 \r\n";
    if (const char* dir = std::getenv("GORVANTA_SAMPLES")) {
        std::ifstream f(std::string(dir) + "/item-paste.txt", std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        text += ss.str();
    }
    SetProfileStore(&store);
    CommandSettings().LoadSettings();
    std::vector<int32_t> types;
    for (const CParsedLine& row : ParseItemText(PrepareClipboardText(text), [] { return true; }))
        types.push_back(row.piece->m_nType);
    SetProfileStore(nullptr);
    return types;
}

}  // namespace

// Whatever keeps the store from being written or read, the import files the sample as with a fresh store.
TEST(QtProfileStore, UnusableStoreClassifiesTheSampleAsAFreshStore) {
    CMemoryProfileStore fresh;
    const std::vector<int32_t> expected = ClassifiedTypes(fresh);
    ASSERT_GE(expected.size(), 5u);
    ASSERT_EQ(expected[0], PIECE_HEADWEAR);
    ASSERT_EQ(expected[1], PIECE_RING);

    QTemporaryDir dir;
    const QString root = dir.path();
    const struct {
        const char* what;
        std::function<std::string()> prepare;  // makes the surroundings, returns the INI path
        bool refused;                          // the store says it does not use the file
    } cases[] = {
        {"a folder", [&] { QDir(root).mkdir("folder.ini"); return (root + "/folder.ini").toStdString(); }, true},
        {"read-only",
         [&] {
             const QString file = root + "/ro.ini";
             QFile(file).open(QIODevice::WriteOnly);
             QFile::setPermissions(file, QFileDevice::ReadOwner);
             return file.toStdString();
         },
         false},
        {"in a folder that is a file",
         [&] {
             QFile(root + "/plain").open(QIODevice::WriteOnly);
             return (root + "/plain/store.ini").toStdString();
         },
         false},
        {"a FIFO",
         [&] {
             const std::string fifo = (root + "/fifo.ini").toStdString();
             EXPECT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
             return fifo;
         },
         true},
    };
    for (const auto& c : cases) {
        const std::string ini = c.prepare();
        CFifoWatchdog watchdog(ini);
        const auto start = std::chrono::steady_clock::now();
        CQtProfileStore store(ini.c_str());
        EXPECT_EQ(ClassifiedTypes(store), expected) << c.what;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << c.what;
        EXPECT_EQ(store.Problem().empty(), !c.refused) << c.what << ": " << store.Problem();
        if (c.refused) {
            EXPECT_EQ(store.Problem(), "The settings file " + ini + " is not a regular file; settings are kept for "
                                                                     "this run only.");
        }
    }
    // Stores that refuse writes entirely, or take keys but no values.
    CMemoryProfileStore noWrites;
    noWrites.failWrites = true;
    EXPECT_EQ(ClassifiedTypes(noWrites), expected);
}

// The user's own file, or a fallback QSettings also reads, as a FIFO: the store does not wait on it.
TEST(QtProfileStore, UsersFilesThatAreNoRegularFilesAreNotOpened) {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    ASSERT_TRUE(config.startsWith(QString::fromLocal8Bit(std::getenv("XDG_CONFIG_HOME"))));
    QDir(config).mkpath("VarnHolt");
    const QString own = config + "/VarnHolt/Gorvanta.conf", org = config + "/VarnHolt.conf";
    QFile::remove(own);
    QFile::remove(org);
    for (const QString& fifo : {own, org}) {
        ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        CFifoWatchdog watchdog(QFile::encodeName(fifo).toStdString());
        const auto start = std::chrono::steady_clock::now();
        {
            CQtProfileStore store;
            EXPECT_NE(store.Problem().find(QFile::encodeName(fifo).toStdString()), std::string::npos)
                << store.Problem();
            EXPECT_TRUE(store.WriteInt("Settings", "LowerLimit", 123));
            EXPECT_EQ(store.GetInt("Settings", "LowerLimit", 0), 123);
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        QFile::remove(fifo);
    }
    // With only the fallback refused, the user's own file is still read and written.
    QSettings saved(own, QSettings::IniFormat);
    EXPECT_EQ(saved.value("Settings/LowerLimit").toInt(), 123);
    QFile::remove(own);
}
