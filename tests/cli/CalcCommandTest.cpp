// gorvanta-cli calc and plan, run as a process on documents the tests write, with a per-user store of their own.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "core/calc/CalcEngine.h"
#include "core/calc/ResultColumns.h"
#include "core/document/Assignment.h"
#include "core/document/DocFile.h"
#include "qtstore/QtProfileStore.h"

namespace {

void EnsureApp() {
    static int argc = 1;
    static char name[] = "calc_cli_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

struct CCliRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

CArmorPiece* AddPiece(CGorvantaDoc& doc, int slot, std::array<int32_t, 5> r, int medable = 1) {
    auto* p = new CArmorPiece;
    p->m_nType = 1 << slot;
    p->m_strText = "piece " + std::to_string(doc.GetPoolCount());
    p->m_nPhysical = r[0];
    p->m_nFire = r[1];
    p->m_nCold = r[2];
    p->m_nPoison = r[3];
    p->m_nEnergy = r[4];
    p->m_nTotalResist = p->CalcTotalResist();
    p->m_bMedable = medable;
    doc.m_arrPool[size_t(slot)].push_back(p);
    return p;
}

class CalcCli : public testing::Test {
protected:
    void SetUp() override {
        EnsureApp();
        ASSERT_TRUE(m_dir.isValid());
        // Two head wear and two arms; the (1st, 1st) suit has the resist sums 75, 60, 70, 72, 50.
        CGorvantaDoc doc;
        CArmorPiece* h0 = AddPiece(doc, 0, {40, 30, 35, 36, 25});
        h0->m_nLuck = 100;
        AddPiece(doc, 0, {10, 10, 10, 10, 10}, 0)->m_nLMC = 5;
        AddPiece(doc, 2, {35, 30, 35, 36, 25})->m_nDCI = 7;
        AddPiece(doc, 2, {0, 0, 0, 0, 0})->m_nLRC = 20;
        AddPiece(doc, 6, {0, 0, 0, 0, 0})->m_nLuck = 50;  // rings are off by default
        ASSERT_TRUE(SaveDocumentFile(doc, DocPath()));
        StoreSetting("LowerLimit", 320);
    }

    std::string DocPath() const { return (m_dir.path() + "/pool.gva").toStdString(); }
    QString StorePath() const { return m_dir.path() + "/VarnHolt/Gorvanta.conf"; }

    void StoreSetting(const char* name, int32_t value) {
        CQtProfileStore store(StorePath().toLocal8Bit().constData());
        store.WriteInt("Settings", name, value);
        store.Sync();
    }
    std::optional<int32_t> StoredSetting(const char* name) {
        CQtProfileStore store(StorePath().toLocal8Bit().constData());
        return store.ReadInt("Settings", name);
    }

    CCliRun Cli(const QStringList& args) { return Run(QStringList{QStringLiteral("calc")} + args); }
    CCliRun Run(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.path());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(GORVANTA_CLI), args);
        EXPECT_TRUE(p.waitForFinished(120000));
        CCliRun r;
        r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = p.readAllStandardOutput();
        r.err = p.readAllStandardError();
        return r;
    }
    QJsonObject Json(const QStringList& args) {
        CCliRun r = Cli(QStringList{QString::fromStdString(DocPath()), QStringLiteral("--format"), QStringLiteral("json")} +
                        args);
        EXPECT_EQ(r.status, 0) << r.err.constData();
        QJsonParseError error;
        QJsonDocument doc = QJsonDocument::fromJson(r.out, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << r.out.constData();
        return doc.object();
    }

    QTemporaryDir m_dir;
};

QStringList Strings(const QJsonArray& a) {
    QStringList s;
    for (const auto& v : a) s << v.toString();
    return s;
}

}  // namespace

TEST_F(CalcCli, JsonReportsTheRunWithStoreSettings) {
    QJsonObject o = Json({});
    for (const auto& [key, value] : {std::pair{"combinations", 4}, {"examined", 4}, {"found", 1}})
        EXPECT_EQ(o.value(key).toInteger(), value) << key;
    const QJsonObject hi = o.value("highest").toObject();
    for (const auto& [key, value] :
         {std::pair{"total", 320}, {"luck", 100}, {"lmc", 5}, {"lrc", 20}, {"dci", 7}, {"hci", 0}})
        EXPECT_EQ(hi.value(key).toInt(), value) << key;
    EXPECT_EQ(hi.keys().size(), 9);
    EXPECT_EQ(o.value("summary").toString(),
              "4 suit configurations examined.\n1 suit meets limit standards.\nAttr.\tLimit\tHighest\n"
              "Resist\t320\t320\nLuck\t0\t100\nLMC\t0\t5\nLRC\t0\t20\nMR\t0\t0\nHR\t0\t0\nSR\t0\t0\nDCI\t0\t7\nHCI\t0\t0");
    const QJsonArray suits = o.value("suits").toArray();
    ASSERT_EQ(suits.size(), 1);
    const QJsonObject s = suits[0].toObject();
    EXPECT_EQ(s.value("name").toString(), "Suit 00000");
    EXPECT_EQ(s.value("pieces").toArray(), QJsonArray({QJsonArray{0, 0}, QJsonArray{2, 0}}));
    EXPECT_EQ(Strings(s.value("columns").toArray()),
              QStringList({"Suit 00000", "70", "60", "70", "70", "50", "320", "327", "100", "0", "0", "0", "0", "0",
                           "7", "0"}));
    // Scripts may read it line by line: the layout and the key order are fixed.
    EXPECT_EQ(Cli({QString::fromStdString(DocPath()), "--format", "json"}).out.toStdString(), R"({
  "combinations": 4,
  "examined": 4,
  "found": 1,
  "highest": {"total": 320, "luck": 100, "lmc": 5, "lrc": 20, "mr": 0, "hr": 0, "sr": 0, "dci": 7, "hci": 0},
  "summary": "4 suit configurations examined.\n1 suit meets limit standards.\nAttr.\tLimit\tHighest\nResist\t320\t320\nLuck\t0\t100\nLMC\t0\t5\nLRC\t0\t20\nMR\t0\t0\nHR\t0\t0\nSR\t0\t0\nDCI\t0\t7\nHCI\t0\t0",
  "suits": [
    {"name": "Suit 00000", "pieces": [[0, 0], [2, 0]], "columns": ["Suit 00000", "70", "60", "70", "70", "50", "320", "327", "100", "0", "0", "0", "0", "0", "7", "0"]}
  ]
}
)");
}

TEST_F(CalcCli, SetOverridesForThisRunOnly) {
    QJsonObject o = Json({"--set", "Bypass 70/Resist Limit=1", "--set", "lowerlimit=211"});
    EXPECT_EQ(o.value("found").toInteger(), 2);
    EXPECT_TRUE(o.value("summary").toString().contains("\n2 suits meet limit standards.\n"));
    const QJsonArray suits = o.value("suits").toArray();
    ASSERT_EQ(suits.size(), 2);
    // The bypass reaches the columns too: uncapped resists and effective total.
    EXPECT_EQ(Strings(suits[0].toObject().value("columns").toArray()).mid(1, 7),
              QStringList({"75", "60", "70", "72", "50", "327", "327"}));
    EXPECT_EQ(suits[1].toObject().value("pieces").toArray(), QJsonArray({QJsonArray{0, 1}, QJsonArray{2, 0}}));
    EXPECT_EQ(suits[1].toObject().value("name").toString(), "Suit 00001");
    EXPECT_EQ(StoredSetting("LowerLimit"), 320);
    EXPECT_FALSE(StoredSetting("Bypass 70/Resist Limit").has_value());

    // Medable-only: the plate head wear's combinations raise nothing. Rings take part when switched on.
    o = Json({"--set", "Use Mage Armor=1", "--set", "LowerLimit=0", "--set", "Use Rings=1"});
    EXPECT_EQ(o.value("examined").toInteger(), 4);
    EXPECT_EQ(o.value("found").toInteger(), 2);
    EXPECT_EQ(o.value("highest").toObject().value("lmc").toInt(), 0);
    EXPECT_EQ(o.value("highest").toObject().value("luck").toInt(), 150);
    EXPECT_EQ(o.value("suits").toArray()[1].toObject().value("pieces").toArray(),
              QJsonArray({QJsonArray{0, 0}, QJsonArray{2, 1}, QJsonArray{6, 0}}));

    // The later of two values for one setting wins.
    o = Json({"--set", "LowerLimit=0", "--set", "Suit Limit=1", "--set", "LowerLimit=321"});
    EXPECT_EQ(o.value("found").toInteger(), 0);
}

TEST_F(CalcCli, SummaryLinesOfTheEdgeCases) {
    // Suit limit 1: the run ends at the first combination, which qualifies.
    QJsonObject o = Json({"--set", "LowerLimit=0", "--set", "Suit Limit=1"});
    EXPECT_TRUE(o.value("summary").toString().startsWith(
        "1 suit configurations examined.\n1 suit meets limit standards.\nAttr."));
    // Every slot off: one empty combination, nothing listed.
    QStringList off;
    for (const char* slot : {"Head Wear", "Gorgets", "Arms", "Gloves", "Chest Pieces", "Legs"})
        off << "--set" << QStringLiteral("Use %1=0").arg(slot);
    o = Json(off);
    EXPECT_EQ(o.value("combinations").toInteger(), 1);
    EXPECT_TRUE(o.value("summary").toString().startsWith(
        "1 suit configurations examined.\n0 suits meet limit standards.\nAttr.\tLimit\tHighest\nResist\t320\t0\n"));
    EXPECT_TRUE(o.value("suits").toArray().isEmpty());
}

TEST_F(CalcCli, TsvIsHeadingsRowsBlankLineSummary) {
    CCliRun r = Cli({QString::fromStdString(DocPath()), "--set", "LowerLimit=211"});
    ASSERT_EQ(r.status, 0) << r.err.constData();
    const QStringList lines = QString::fromUtf8(r.out).split('\n');
    QStringList headings;
    for (const char* h : ResultColumnHeadings()) headings << h;
    ASSERT_GE(lines.size(), 5);
    EXPECT_EQ(lines[0], headings.join('\t'));
    EXPECT_EQ(lines[1], "Suit 00000\t70\t60\t70\t70\t50\t320\t327\t100\t0\t0\t0\t0\t0\t7\t0");
    EXPECT_TRUE(lines[2].startsWith("Suit 00001\t"));
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines.mid(4).join('\n'),
              "4 suit configurations examined.\n2 suits meet limit standards.\nAttr.\tLimit\tHighest\n"
              "Resist\t211\t320\nLuck\t0\t100\nLMC\t0\t5\nLRC\t0\t20\nMR\t0\t0\nHR\t0\t0\nSR\t0\t0\nDCI\t0\t7\nHCI\t0\t0\n");
    // The elapsed time goes to standard error only.
    EXPECT_TRUE(QRegularExpression("^Elapsed time: [0-9]+\\.[0-9]{3} s\\n$").match(QString::fromUtf8(r.err)).hasMatch())
        << r.err.constData();
}

// "Rank By": the Suit Limit best suits by that column, earlier combinations first among equal values,
// worked out here from the document's four combinations (head wear outermost).
TEST_F(CalcCli, RankByListsTheBestSuitsInOrder) {
    CGorvantaDoc doc;
    ASSERT_EQ(LoadDocumentFile(doc, DocPath()).status, LoadStatus::Ok);
    struct CExpected {
        QJsonArray pieces;
        std::unique_ptr<CArmorSuit> suit;
    };
    auto expected = [&doc](int column, int suitLimit, int32_t lowerLimit, bool bypass) {
        std::vector<CExpected> list;
        for (int h = 0; h < 2; ++h)
            for (int a = 0; a < 2; ++a) {
                auto suit = std::make_unique<CArmorSuit>();
                suit->AddPiece(doc.m_arrPool[0][size_t(h)]);
                suit->AddPiece(doc.m_arrPool[2][size_t(a)]);
                suit->CalcTotals();
                if (suit->GetCappedTotalResist(bypass) >= lowerLimit)
                    list.push_back({QJsonArray{QJsonArray{0, h}, QJsonArray{2, a}}, std::move(suit)});
            }
        std::stable_sort(list.begin(), list.end(), [&](const CExpected& x, const CExpected& y) {
            return ResultColumnValue(*x.suit, column, bypass) > ResultColumnValue(*y.suit, column, bypass);
        });
        if (list.size() > size_t(suitLimit)) list.resize(size_t(suitLimit));
        for (size_t i = 0; i < list.size(); ++i) list[i].suit->m_strName = SuitName(int64_t(i));
        return list;
    };
    // Not the visiting order: the second head wear with the first arms comes second.
    EXPECT_EQ(expected(6, 3, 0, false)[1].pieces, QJsonArray({QJsonArray{0, 1}, QJsonArray{2, 0}}));

    const struct {
        int rankBy, suitLimit;
        int32_t lowerLimit;
        bool bypass;
    } rows[] = {{6, 3, 0, false}, {8, 2, 0, false}, {9, 3, 0, false}, {7, 4, 0, false},
                {1, 2, 0, true},  {1, 2, 0, false}, {12, 1, 200, false}, {15, 5, 300, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "Rank By " << row.rankBy << ", Suit Limit " << row.suitLimit);
        const std::vector<CExpected> want = expected(row.rankBy, row.suitLimit, row.lowerLimit, row.bypass);
        const QJsonObject o = Json({"--set", QStringLiteral("Rank By=%1").arg(row.rankBy), "--set",
                                    QStringLiteral("Suit Limit=%1").arg(row.suitLimit), "--set",
                                    QStringLiteral("LowerLimit=%1").arg(row.lowerLimit), "--set",
                                    QStringLiteral("Bypass 70/Resist Limit=%1").arg(int(row.bypass))});
        EXPECT_EQ(o.value("examined").toInteger(), 4);
        EXPECT_EQ(o.value("found").toInteger(), qint64(want.size()));
        const QJsonArray suits = o.value("suits").toArray();
        ASSERT_EQ(suits.size(), qsizetype(want.size()));
        for (size_t i = 0; i < want.size(); ++i) {
            const QJsonObject s = suits[qsizetype(i)].toObject();
            EXPECT_EQ(s.value("name").toString().toStdString(), want[i].suit->m_strName);
            EXPECT_EQ(s.value("pieces").toArray(), want[i].pieces) << "suit " << i;
            QStringList columns;
            for (const std::string& text : ResultColumnTexts(*want[i].suit, row.bypass))
                columns << QString::fromStdString(text);
            EXPECT_EQ(Strings(s.value("columns").toArray()), columns) << "suit " << i;
        }
    }

    // TSV: the rows in the same order.
    const QString path = QString::fromStdString(DocPath());
    CCliRun r = Cli({path, "--set", "Rank By=6", "--set", "Suit Limit=3", "--set", "LowerLimit=0"});
    ASSERT_EQ(r.status, 0) << r.err.constData();
    const QStringList lines = QString::fromUtf8(r.out).split('\n');
    const std::vector<CExpected> want = expected(6, 3, 0, false);
    ASSERT_GE(lines.size(), 7);
    for (size_t i = 0; i < want.size(); ++i) {
        QStringList columns;
        for (const std::string& text : ResultColumnTexts(*want[i].suit, false)) columns << QString::fromStdString(text);
        EXPECT_EQ(lines[qsizetype(i) + 1], columns.join('\t'));
    }
    EXPECT_EQ(lines[4], "");
    EXPECT_TRUE(lines[5].startsWith("4 suit configurations examined.")) << lines[5].toStdString();
    EXPECT_EQ(lines[6], "3 suits meet limit standards.");

    // A value that names no column leaves the run as found, byte for byte.
    for (const char* format : {"tsv", "json"}) {
        const QStringList args = {path, "--format", format, "--set", "LowerLimit=0", "--set", "Suit Limit=3"};
        EXPECT_EQ(Cli(args + QStringList{"--set", "Rank By=99"}).out, Cli(args).out) << format;
    }
}

TEST_F(CalcCli, BadArgumentsAreUsageErrors) {
    const QString doc = QString::fromStdString(DocPath());
    const QByteArray usage =
        "usage: gorvanta-cli calc DOC.gva [--set \"NAME=VALUE\"]... [--format tsv|json] [--threads N] [--explain] "
        "[--compare NAME]\n";
    const QByteArray notInt = "the value is not a 32-bit integer", threads =
        "--threads takes a whole number from 0 (all cores) to 256";
    const std::pair<QStringList, QByteArray> bad[] = {
        {{doc, "--set", "Use Ringz=1"}, "--set \"Use Ringz=1\": unknown setting"},
        {{doc, "--set", "LowerLimit=abc"}, "--set \"LowerLimit=abc\": " + notInt},
        {{doc, "--set", "LowerLimit="}, "--set \"LowerLimit=\": " + notInt},
        {{doc, "--set", "LowerLimit=12.5"}, "--set \"LowerLimit=12.5\": " + notInt},
        {{doc, "--set", "LowerLimit= 12"}, "--set \"LowerLimit= 12\": " + notInt},
        {{doc, "--set", "LowerLimit=2147483648"}, "--set \"LowerLimit=2147483648\": " + notInt},
        {{doc, "--set", "LowerLimit"}, "--set \"LowerLimit\": expected NAME=VALUE"},
        {{doc, "--set", "Column3=80"}, "--set \"Column3=80\": unknown setting"},
        {{doc, "--format", "xml"}, "unknown format \"xml\"; use tsv or json"},
        {{doc, "--threads", "-1"}, threads},
        {{doc, "--threads", "two"}, threads},
        {{doc, "--threads", "257"}, threads},
        {{doc, "--set"}, "Missing value after '--set'."},
        {{}, "calc takes one document"},
        {{doc, doc}, "calc takes one document"},
    };
    for (const auto& [args, why] : bad) {
        CCliRun r = Cli(args);
        EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << args.join(' ').toStdString();
        EXPECT_EQ(r.err, "gorvanta-cli: " + why + "\n" + usage) << args.join(' ').toStdString();
    }
    EXPECT_EQ(Json({"--set", "LowerLimit=-2147483648"}).value("summary").toString().contains("Resist\t-2147483648\t"),
              true);
    EXPECT_EQ(Cli({m_dir.path() + "/missing.gva"}).status, 1);
}

TEST_F(CalcCli, ThreadCountDoesNotChangeTheOutput) {
    CGorvantaDoc doc;
    uint32_t x = 12345;
    auto next = [&x](int n) {
        x = x * 1103515245u + 12345u;
        return int32_t((x >> 16) % uint32_t(n));
    };
    for (int k = 0; k < 6; ++k)
        for (int i = 0; i < 5; ++i) {
            CArmorPiece* p = AddPiece(doc, k, {next(20), next(20), next(20), next(20), next(20)}, next(2));
            p->m_nLMC = next(6);
        }
    const std::string path = (m_dir.path() + "/big.gva").toStdString();
    ASSERT_TRUE(SaveDocumentFile(doc, path));
    const QStringList args = {QString::fromStdString(path), "--format", "json", "--set", "LowerLimit=250",
                              "--set", "LMC Limit=12"};
    CCliRun one = Cli(args + QStringList{"--threads", "1"});
    CCliRun two = Cli(args + QStringList{"--threads", "2"});
    ASSERT_EQ(one.status, 0);
    EXPECT_EQ(one.out, two.out);
    EXPECT_GT(QJsonDocument::fromJson(one.out).object().value("found").toInteger(), 0);
}

namespace {
// plan over the same pool: the mage's only suit is (helm 0, arms 0) at 320; the healer's minimum of 50
// lets (helm 1, arms 1) through as well; nothing reaches 340.
class PlanCli : public CalcCli {
protected:
    CCliRun Plan(const QStringList& args) {
        return Run(QStringList{QStringLiteral("plan"), QString::fromStdString(DocPath())} + args);
    }
    QJsonObject PlanJson(const QStringList& args) {
        const CCliRun r = Plan(args + QStringList{"--format", "json"});
        EXPECT_EQ(r.status, 0) << r.err.constData();
        return QJsonDocument::fromJson(r.out).object();
    }
    // Per target: name, reason, value, pieces (null without a suit), as compact JSON.
    static std::string Brief(const QJsonObject& o) {
        QJsonArray out;
        for (const auto& v : o.value("targets").toArray()) {
            const QJsonObject t = v.toObject();
            const QJsonValue suit = t.value("suit");
            out.append(QJsonArray{t.value("name"), t.value("reason"), t.value("value"),
                                  suit.isNull() ? QJsonValue::Null : suit.toObject().value("pieces")});
        }
        return QJsonDocument(out).toJson(QJsonDocument::Compact).toStdString();
    }
    std::string FileBytes() {
        QFile f(QString::fromStdString(DocPath()));
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
    }
};
const QStringList kMage = {"--target", "Mage", "--set", "LowerLimit=300"};
const QStringList kHealer = {"--target", "Healer", "--set", "LowerLimit=50"};
}  // namespace

// Served, conflict and unreachable, the joint choice (the healer first still leaves the mage its suit),
// values only for a ranking target, the --set options for all before their own, and the worn pieces.
TEST_F(PlanCli, TargetsAreServedJointlyInPriorityOrder) {
    const struct {
        const char* what;
        QStringList args;
        const char* brief;
        int served;
    } cases[] = {
        {"mage, healer, gnome", kMage + kHealer + QStringList{"--target", "Gnome", "--set", "LowerLimit=340"},
         R"([["Mage","served",null,[[0,0],[2,0]]],["Healer","served",null,[[0,1],[2,1]]],)"
         R"(["Gnome","unreachable",null,null]])", 2},
        {"healer first", kHealer + kMage,
         R"([["Healer","served",null,[[0,1],[2,1]]],["Mage","served",null,[[0,0],[2,0]]]])", 2},
        {"ranked, for all", QStringList{"--set", "Rank By=6", "--set", "LowerLimit=200"} + kMage +
                                QStringList{"--target", "Tank"},
         R"([["Mage","served",320,[[0,0],[2,0]]],["Tank","conflict",null,null]])", 1},
        {"one's own --set last", QStringList{"--set", "LowerLimit=340"} + kMage,
         R"([["Mage","served",null,[[0,0],[2,0]]]])", 1},
    };
    for (const auto& c : cases) {
        const QJsonObject o = PlanJson(c.args);
        EXPECT_EQ(Brief(o), c.brief) << c.what;
        EXPECT_EQ(o.value("served").toInt(), c.served) << c.what;
    }
    // The columns are calc's for the same suit; TSV has a row per target, sixteen columns or none.
    const QJsonObject o = PlanJson(kMage + QStringList{"--target", "Gnome", "--set", "LowerLimit=340"});
    const QJsonArray calcColumns = Json({"--set", "LowerLimit=300"}).value("suits")[0].toObject().value("columns").toArray();
    EXPECT_EQ(o.value("targets")[0].toObject().value("suit").toObject().value("columns").toArray(), calcColumns);
    const QStringList tsv = QString::fromUtf8(Plan(kMage + QStringList{"--target", "Gnome", "--set", "LowerLimit=340"}).out).split('\n');
    EXPECT_EQ(tsv.mid(1), QStringList({"Mage\tserved\t" + Strings(calcColumns).join('\t'),
                                       "Gnome\tunreachable" + QString(16, '\t'), ""}));
    EXPECT_TRUE(tsv[0].startsWith("Target\tReason\tSuit\tPhy.\t")) << tsv[0].toStdString();

    // Worn: what the mage wears comes back at the end of its lists, only with --worn.
    CGorvantaDoc doc;
    ASSERT_EQ(LoadDocumentFile(doc, DocPath()).status, LoadStatus::Ok);
    CArmorSuit* suit = new CArmorSuit;
    for (PoolList* list : {&doc.m_arrPool[0], &doc.m_arrPool[2]}) suit->AddPiece(list->front());
    suit->CalcTotals();
    AddAssignedSuit(doc, suit, "Mage");
    ASSERT_TRUE(SaveDocumentFile(doc, DocPath()));
    EXPECT_EQ(Brief(PlanJson(kMage)), R"([["Mage","unreachable",null,null]])");
    EXPECT_EQ(Brief(PlanJson(kMage + QStringList{"--worn"})), R"([["Mage","served",null,[[0,1],[2,1]]]])");
}

// --assign and --save-plan save under the lock (the file read back), the stored plan serves without
// --target, and without either option the file stays byte for byte.
TEST_F(PlanCli, AssignAndSavePlanWriteTheDocumentAndNothingElseDoes) {
    const std::string before = FileBytes();
    ASSERT_EQ(Plan(kMage + kHealer).status, 0);
    EXPECT_EQ(FileBytes(), before);
    const CCliRun none = Plan({});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err.toStdString(), "The document has no plan.\n");

    // The healer first: the suits are assigned in priority order and the plan is stored.
    ASSERT_EQ(Plan(kHealer + kMage + QStringList{"--assign", "--save-plan"}).status, 0);
    CGorvantaDoc doc;
    ASSERT_EQ(LoadDocumentFile(doc, DocPath()).status, LoadStatus::Ok);
    std::string suits;
    for (const CArmorSuit* suit : doc.m_arrSuits) {
        suits += suit->m_strCharacter + ": " + suit->m_strName;
        for (const CArmorPiece* p : suit->m_arrPieces) suits += ", " + p->m_strText;
        suits += "; ";
    }
    EXPECT_EQ(suits, "Healer: Suit 00000, piece 1, piece 3; Mage: Suit 00001, piece 0, piece 2; ");
    EXPECT_EQ(doc.GetPoolCount(), 1);  // the ring
    CWishes healer, mage;
    healer.m_nLowerLimit = 50;
    mage.m_nLowerLimit = 300;
    EXPECT_EQ(doc.m_plan, (CPlan{{{"Healer", healer}, {"Mage", mage}}, false}));

    // The stored plan, worn on the command line: the two swap nothing and keep what they wear.
    const std::string assigned = FileBytes();
    EXPECT_EQ(Brief(PlanJson({})), R"([["Healer","unreachable",null,null],["Mage","unreachable",null,null]])");
    EXPECT_EQ(Brief(PlanJson({"--worn"})),
              R"([["Healer","served",null,[[0,0],[2,0]]],["Mage","served",null,[[0,1],[2,1]]]])");
    EXPECT_EQ(FileBytes(), assigned);
    // Stored with worn on, the dump shows it; a --set for all changes the run, not the stored plan.
    ASSERT_EQ(Plan({"--worn", "--save-plan", "--format", "json"}).status, 0);
    const QJsonObject plan = QJsonDocument::fromJson(Run({"dump", QString::fromStdString(DocPath())}).out).object()["plan"].toObject();
    EXPECT_EQ(plan["worn"].toInt(), 1);
    EXPECT_EQ(plan["targets"][1]["settings"]["LowerLimit"].toInt(), 300);
    const std::string stored = FileBytes();
    EXPECT_EQ(Brief(PlanJson({"--set", "LowerLimit=340"})),
              R"([["Healer","unreachable",null,null],["Mage","unreachable",null,null]])");
    EXPECT_EQ(FileBytes(), stored);

    // A plan block that does not check out (its checksum ends the file) is saved over only with --force.
    std::string damaged = stored;
    damaged.back() ^= 1;
    QFile f(QString::fromStdString(DocPath()));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(damaged.data(), qint64(damaged.size())) == qint64(damaged.size()));
    f.close();
    const CCliRun refused = Plan(kMage + QStringList{"--save-plan"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.contains("its stored plan cannot be read")) << refused.err.constData();
    EXPECT_EQ(FileBytes(), damaged);
    ASSERT_EQ(Plan(kMage + QStringList{"--save-plan", "--force"}).status, 0);
    CGorvantaDoc forced;
    ASSERT_EQ(LoadDocumentFile(forced, DocPath()).status, LoadStatus::Ok);
    EXPECT_EQ(forced.m_plan, (CPlan{{{"Mage", mage}}, false}));
    EXPECT_TRUE(forced.KeptBlocks().empty());
}

TEST_F(PlanCli, BadArgumentsAreUsageErrorsAndChangeNothing) {
    const std::string before = FileBytes();
    const struct {
        QStringList args;
        const char* why;
    } cases[] = {
        {{"--target", "  "}, "--target \"  \": the name is empty"},
        {{"--target", "Mage", "--target", " mAGE"}, "another target has that name"},
        {{"--target", "Mage", "--set", "Suit Limit=3"}, "not a wish of a character"},
        {{"--set", "Nope=1", "--target", "Mage"}, "unknown setting"},
        {{"--target"}, "Missing value after '--target'"},
        {{"--target", "Mage", "extra.gva"}, "plan takes one document"},
    };
    for (const auto& c : cases) {
        const CCliRun r = Plan(QStringList{"--assign", "--save-plan"} + c.args);
        EXPECT_EQ(r.status, 2) << c.why;
        EXPECT_TRUE(r.err.contains(c.why)) << r.err.constData();
        EXPECT_TRUE(r.err.contains("usage: gorvanta-cli plan DOC.gva")) << c.why;
    }
    EXPECT_EQ(FileBytes(), before);
}

// "Then By" orders equal "Rank By" values; --compare adds each suit's columns less a character's suit's;
// the reaches come with a run that lists nothing, or with --explain.
TEST_F(CalcCli, ThenByCompareAndReach) {
    {
        CGorvantaDoc doc;
        ASSERT_EQ(LoadDocumentFile(doc, DocPath()).status, LoadStatus::Ok);
        auto* worn = new CArmorSuit;
        worn->AddPiece(AddPiece(doc, 0, {70, 5, 80, 0, 1}));
        doc.m_arrPool[0].pop_back();  // the suit's own piece, not the pool's
        worn->m_arrPieces.back()->m_nLuck = 30;
        worn->CalcTotals();
        AddAssignedSuit(doc, worn, "Bob");
        ASSERT_TRUE(SaveDocumentFile(doc, DocPath()));
    }
    // By luck, then by LRC: the first head wear with the second arms (LRC 20) goes before the first arms.
    const QJsonObject ranked = Json({"--set", "LowerLimit=0", "--set", "Rank By=8", "--set", "Then By=10",
                                     "--compare", "bob"});
    const QJsonArray suits = ranked.value("suits").toArray();
    ASSERT_EQ(suits.size(), 4);
    const QJsonArray order[] = {{QJsonArray{0, 0}, QJsonArray{2, 1}}, {QJsonArray{0, 0}, QJsonArray{2, 0}},
                                {QJsonArray{0, 1}, QJsonArray{2, 1}}, {QJsonArray{0, 1}, QJsonArray{2, 0}}};
    // Bob's suit as the columns show it: resists capped, 70 5 70 0 1, totals 146 and 156, luck 30.
    const int bob[15] = {70, 5, 70, 0, 1, 146, 156, 30, 0, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        const QJsonObject s = suits[i].toObject();
        EXPECT_EQ(s.value("pieces").toArray(), order[i]) << i;
        const QStringList columns = Strings(s.value("columns").toArray());
        const QJsonArray delta = s.value("delta").toArray();
        ASSERT_EQ(delta.size(), 15);
        for (int n = 1; n <= 15; ++n) EXPECT_EQ(delta[n - 1].toInt(), columns[n].toInt() - bob[n - 1]) << i << " " << n;
    }
    EXPECT_FALSE(ranked.contains("reach"));

    CCliRun missing = Cli({QString::fromStdString(DocPath()), "--format", "json", "--compare", "Alice"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains("Alice has no suit to compare with.")) << missing.err.constData();

    // Nothing reaches 350: the resist minimum alone could go to 320; with it no luck can be had.
    const QJsonObject none = Json({"--set", "LowerLimit=350", "--set", "Luck Limit=50"});
    EXPECT_EQ(none.value("found").toInt(), 0);
    const QJsonObject reach = none.value("reach").toObject();
    EXPECT_EQ(reach.keys().size(), 9);
    EXPECT_EQ(reach.value("total").toInt(), 320);
    EXPECT_TRUE(reach.value("luck").isNull());
    EXPECT_TRUE(reach.value("hci").isNull());
    const QJsonObject explained = Json({"--explain"});
    EXPECT_EQ(explained.value("reach").toObject().value("luck").toInt(), 100);
    EXPECT_EQ(explained.value("reach").toObject().value("total").toInt(), 320);
}
