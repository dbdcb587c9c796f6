#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdlib>

#include "calc/Settings.h"
#include "model/PieceDefs.h"
#include "model/QtProfileStore.h"

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
        TheSettings().LoadSettings();
        EXPECT_EQ(TheSettings().m_pieceDefs.Table(6), PieceDefDefaults(6));
        EXPECT_EQ(store.ReadString("PieceDefs\\Headwear", "14"), "ninja hood");
        store.Settings().remove("PieceDefs/Rings/01");  // the player deletes the only ring name
        SetProfileStore(nullptr);
    }
    QSettings raw(file, QSettings::IniFormat);
    EXPECT_TRUE(raw.contains("PieceDefs/Rings/.gorvanta-key"));
    CQtProfileStore store;
    SetProfileStore(&store);
    TheSettings().LoadSettings();
    EXPECT_TRUE(TheSettings().m_pieceDefs.Table(6).empty());
    EXPECT_EQ(TheSettings().m_pieceDefs.Table(0).size(), 14u);
    SetProfileStore(nullptr);
    QFile::remove(file);
}
