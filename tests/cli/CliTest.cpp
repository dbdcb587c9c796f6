#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "document/Assignment.h"
#include "document/DocFile.h"
#include "document/DocTestSupport.h"
#include "import/ItemTextParser.h"
#include "model/Cp1252.h"

namespace fs = std::filesystem;

namespace {
struct CRun {
    int status = -1;
    std::string out;
    std::string err;
};

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/gorvanta-cli-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir = tmpl;
        fs::create_directory(dir / "config");
    }
    void TearDown() override { fs::remove_all(dir); }

    // Runs the tool with a per-user store of its own, so the name tables are the defaults.
    CRun Run(const QStringList& args, const std::string& input = {}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString((dir / "config").string()));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(GORVANTA_CLI), args);
        EXPECT_TRUE(p.waitForStarted());
        p.write(input.data(), qint64(input.size()));
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(60000));
        CRun r;
        r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = p.readAllStandardOutput().toStdString();
        r.err = p.readAllStandardError().toStdString();
        return r;
    }
    QString Path(const std::string& name) const { return QString::fromStdString((dir / name).string()); }
    std::string PathStr(const std::string& name) const { return (dir / name).string(); }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    QJsonObject Dump(const std::string& name) {
        const CRun r = Run({"dump", Path(name)});
        EXPECT_EQ(r.status, 0) << r.err;
        QJsonParseError error;
        const QJsonDocument json = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
        return json.object();
    }

    fs::path dir;
};

// What the paste command would make of the text, in the same order.
void ImportInProcess(CGorvantaDoc& doc, const std::string& raw) {
    std::vector<CParsedLine> rows = ParseItemText(PrepareClipboardText(raw), [] { return true; });
    SortImportRows(rows);
    std::vector<std::unique_ptr<CArmorPiece>> pieces;
    for (CParsedLine& row : rows) pieces.push_back(std::move(row.piece));
    AddImportedPieces(doc, std::move(pieces));
}

void ExpectPieceIs(const QJsonObject& j, const CArmorPiece& p) {
    EXPECT_EQ(j.value("text").toString().toStdString(), Cp1252ToUtf8(p.m_strText));
    EXPECT_EQ(j.value("typeName").toString().toStdString(), Cp1252ToUtf8(p.m_strTypeName));
    const std::pair<const char*, int32_t> numbers[] = {
        {"type", p.m_nType},     {"physical", p.m_nPhysical}, {"fire", p.m_nFire},   {"cold", p.m_nCold},
        {"poison", p.m_nPoison}, {"energy", p.m_nEnergy}, {"totalResist", p.m_nTotalResist},
        {"luck", p.m_nLuck},     {"lmc", p.m_nLMC},      {"lrc", p.m_nLRC},         {"mr", p.m_nMR},
        {"sr", p.m_nSR},         {"hr", p.m_nHR},        {"dci", p.m_nDCI},         {"hci", p.m_nHCI},
        {"medable", p.m_bMedable}};
    for (const auto& [key, value] : numbers) {
        ASSERT_TRUE(j.contains(key)) << key;
        EXPECT_EQ(j.value(key).toInt(), value) << key << " of " << p.m_strText;
    }
    EXPECT_EQ(j.size(), 18);
}

void ExpectDumpIs(const QJsonObject& json, CGorvantaDoc& doc) {
    const QJsonArray pool = json.value("pool").toArray();
    ASSERT_EQ(pool.size(), 12);
    for (int k = 0; k < 12; ++k) {
        const QJsonArray list = pool[k].toArray();
        ASSERT_EQ(size_t(list.size()), doc.m_arrPool[k].size()) << "list " << k;
        for (int i = 0; i < list.size(); ++i) ExpectPieceIs(list[i].toObject(), *doc.m_arrPool[k][size_t(i)]);
    }
    const QJsonArray suits = json.value("suits").toArray();
    ASSERT_EQ(size_t(suits.size()), doc.m_arrSuits.size());
    for (int i = 0; i < suits.size(); ++i) {
        const QJsonObject s = suits[i].toObject();
        const CArmorSuit& suit = *doc.m_arrSuits[size_t(i)];
        EXPECT_EQ(s.value("name").toString().toStdString(), Cp1252ToUtf8(suit.m_strName));
        EXPECT_EQ(s.value("character").toString().toStdString(), Cp1252ToUtf8(suit.m_strCharacter));
        const QJsonArray pieces = s.value("pieces").toArray();
        ASSERT_EQ(size_t(pieces.size()), suit.m_arrPieces.size());
        for (int n = 0; n < pieces.size(); ++n) ExpectPieceIs(pieces[n].toObject(), *suit.m_arrPieces[size_t(n)]);
    }
    const QJsonArray names = json.value("characters").toArray();
    ASSERT_EQ(size_t(names.size()), doc.m_arrCharacters.size());
    for (int i = 0; i < names.size(); ++i)
        EXPECT_EQ(names[i].toString().toStdString(), Cp1252ToUtf8(doc.m_arrCharacters[size_t(i)]));
}

const char* const kText =
    "Items copied from the item inspector\r\n"
    "Plate Helm, physical resist 5%, fire resist 3%\r\n"
    "gold ring, luck 40 , lower mana cost 8%\r\n"
    "plate helm, cold resist 2%\r\n"
    "leather gloves, physical resist 5%, fire resist 3%, luck 40 , lower mana cost 8%\r\n"
    "a note without any keyword\r\n";
}  // namespace

TEST_F(CliTest, ImportOfThePastedSampleThenDumpRoundTrips) {
    const char* samples = std::getenv("GORVANTA_SAMPLES");
    if (!samples) GTEST_SKIP() << "the shared sample paste is not beside this checkout";
    const std::string sample = std::string(samples) + "/item-paste.txt";
    const CRun r = Run({"import", Path("a.gva"), QString::fromStdString(sample)});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Imported 86 pieces.\n");
    EXPECT_EQ(r.err, "");

    CGorvantaDoc expected;
    ImportInProcess(expected, Read(sample));
    ASSERT_EQ(expected.GetPoolCount(), 86);
    EXPECT_EQ(Read(PathStr("a.gva")), Bytes(expected));
    ExpectDumpIs(Dump("a.gva"), expected);
}

TEST_F(CliTest, ImportFromStandardInputWithLfLineBreaksMatchesCrLf) {
    std::string lf = kText;
    for (size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.erase(at, 1);
    const CRun viaStdin = Run({"import", Path("lf.gva")}, lf);
    ASSERT_EQ(viaStdin.status, 0) << viaStdin.err;
    EXPECT_EQ(viaStdin.out, "Imported 4 pieces.\n");
    Write(PathStr("crlf.txt"), kText);
    ASSERT_EQ(Run({"import", Path("crlf.gva"), Path("crlf.txt")}).status, 0);
    EXPECT_EQ(Read(PathStr("lf.gva")), Read(PathStr("crlf.gva")));

    CGorvantaDoc expected;
    ImportInProcess(expected, kText);
    const QJsonObject json = Dump("lf.gva");
    ExpectDumpIs(json, expected);
    // Rows sort ignoring case; equal texts keep the order of the paste.
    const QJsonArray heads = json.value("pool").toArray()[0].toArray();
    ASSERT_EQ(heads.size(), 2);
    EXPECT_EQ(heads[0].toObject().value("text").toString(), "plate helm, cold resist 2%");
    EXPECT_EQ(heads[1].toObject().value("text").toString(), "Plate Helm, physical resist 5%, fire resist 3%");
}

TEST_F(CliTest, ImportAppendsToAnExistingDocumentAndKeepsItsSuits) {
    CGorvantaDoc doc;
    AddPoolPiece(doc, "old helm, fire resist 1%", PIECE_HEADWEAR);
    auto* suit = new CArmorSuit;
    suit->m_strName = "Suit 00004";
    suit->m_strCharacter = "\xC9lise";
    suit->AddPiece(NewPiece("caf\xE9 cloak \x80, cold resist 1%", PIECE_CLOAK));
    doc.m_arrSuits.push_back(suit);
    doc.m_arrCharacters.push_back("\xC9lise");
    ASSERT_TRUE(SaveDocumentFile(doc, PathStr("a.gva")));
    ExpectDumpIs(Dump("a.gva"), doc);

    Write(PathStr("t.txt"), kText);
    const CRun r = Run({"import", Path("a.gva"), Path("t.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    ImportInProcess(doc, kText);
    EXPECT_EQ(Read(PathStr("a.gva")), Bytes(doc));
    const QJsonObject json = Dump("a.gva");
    ExpectDumpIs(json, doc);
    EXPECT_EQ(json.value("characters").toArray()[0].toString(), QString::fromUtf8("\xC3\x89lise"));
}

TEST_F(CliTest, TextThatFillsThePasteBufferIsCutWithAWarning) {
    std::string text;
    while (text.size() < 40000) text += "plate legs, energy resist 2%, cold resist 3%\r\n";
    const CRun r = Run({"import", Path("a.gva")}, text);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("warning"), std::string::npos);
    EXPECT_NE(r.err.find("32767"), std::string::npos);
    CGorvantaDoc expected;
    ImportInProcess(expected, text);
    EXPECT_EQ(Read(PathStr("a.gva")), Bytes(expected));
    EXPECT_EQ(r.out, "Imported " + std::to_string(expected.GetPoolCount()) + " pieces.\n");
    EXPECT_LT(expected.GetPoolCount(), int(40000 / 46));

    const CRun small = Run({"import", Path("b.gva")}, kText);
    EXPECT_EQ(small.err, "");
}

TEST_F(CliTest, UnreadableDocumentsAreReportedAndNeverOverwritten) {
    Write(PathStr("t.txt"), kText);
    const std::string foreign = "not a gorvanta file at all";
    Write(PathStr("foreign.gva"), foreign);
    CRun r = Run({"import", Path("foreign.gva"), Path("t.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Archive format not recognized.\n");
    EXPECT_EQ(Read(PathStr("foreign.gva")), foreign);
    EXPECT_EQ(Run({"dump", Path("foreign.gva")}).status, 1);

    CGorvantaDoc doc;
    AddPoolPiece(doc, "helm, fire resist 1%", PIECE_HEADWEAR);
    const std::string cut = Bytes(doc).substr(0, 75);
    Write(PathStr("cut.gva"), cut);
    r = Run({"import", Path("cut.gva"), Path("t.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Unexpected file format.\n");
    EXPECT_EQ(Read(PathStr("cut.gva")), cut);
    r = Run({"dump", Path("cut.gva")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");

    r = Run({"dump", Path("missing.gva")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("missing.gva"), std::string::npos);
    fs::create_directory(dir / "folder.gva");
    EXPECT_EQ(Run({"import", Path("folder.gva"), Path("t.txt")}).status, 1);
}

TEST_F(CliTest, UnreadableTextOrUnwritableDocumentFailWithStatusOne) {
    CRun r = Run({"import", Path("a.gva"), Path("no-such.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no-such.txt"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "a.gva"));

    r = Run({"import", Path("no/folder/a.gva")}, kText);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Failed to save document."), std::string::npos);
    EXPECT_EQ(r.out, "");
}

TEST_F(CliTest, BadUsageExitsWithStatusTwo) {
    const QStringList cases[] = {
        {},
        {"frobnicate", Path("a.gva")},
        {"import"},
        {"import", Path("a.gva"), Path("t.txt"), Path("extra")},
        {"import", "--no-such-option", Path("a.gva")},
        {"dump"},
        {"dump", Path("a.gva"), Path("b.gva")},
    };
    for (const QStringList& args : cases) {
        const CRun r = Run(args);
        EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
        EXPECT_NE(r.err.find("usage:"), std::string::npos) << args.join(' ').toStdString();
    }
    EXPECT_FALSE(fs::exists(dir / "a.gva"));
    const CRun help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("gorvanta-cli import DOC.gva [TEXTFILE]"), std::string::npos);
}
