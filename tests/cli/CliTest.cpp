#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "core/document/Assignment.h"
#include "core/document/DocFile.h"
#include "core/document/DocTestSupport.h"
#include "core/import/ItemTextParser.h"
#include "core/model/Cp1252.h"

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

    // Starts the tool in the test's folder with a per-user store of its own, so the name tables are the
    // defaults.
    void Start(QProcess& p, const QStringList& args, const QString& program = QStringLiteral(GORVANTA_CLI)) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString((dir / "config").string()));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(QString::fromStdString(dir.string()));
        p.start(program, args);
        EXPECT_TRUE(p.waitForStarted());
    }
    static CRun Finish(QProcess& p) {
        EXPECT_TRUE(p.waitForFinished(60000));
        CRun r;
        r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = p.readAllStandardOutput().toStdString();
        r.err = p.readAllStandardError().toStdString();
        return r;
    }
    CRun Run(const QStringList& args, const std::string& input = {},
             const QString& program = QStringLiteral(GORVANTA_CLI)) {
        QProcess p;
        Start(p, args, program);
        p.write(input.data(), qint64(input.size()));
        p.closeWriteChannel();
        return Finish(p);
    }
    // Arguments of any bytes (QProcess passes only UTF-8), through the shell's printf; `redirect` is added
    // to the command as it is ("< /dev/zero").
    CRun RunBytes(const std::vector<std::string>& args, const std::string& redirect = {}) {
        std::string script = "exec \"$0\"";
        for (const std::string& arg : args) {
            script += " \"$(printf '";
            for (unsigned char c : arg)
                for (int shift : {-1, 6, 3, 0}) script += shift < 0 ? '\\' : char('0' + ((c >> shift) & 7));
            script += "')\"";
        }
        return Run({"-c", QString::fromStdString(script + " " + redirect), GORVANTA_CLI}, {}, "/bin/sh");
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

// What successive paste commands would make of the text, pastes as long as the buffer allows and never
// cut inside a line, in order.
void ImportInProcess(CGorvantaDoc& doc, const std::string& raw) {
    const std::string text = ToCrLfLineBreaks(raw);
    for (std::string_view paste : SplitIntoPastes(text)) {
        std::vector<CParsedLine> rows = ParseItemLines(paste);
        SortImportRows(rows);
        std::vector<std::unique_ptr<CArmorPiece>> pieces;
        for (CParsedLine& row : rows) pieces.push_back(std::move(row.piece));
        AddImportedPieces(doc, std::move(pieces));
    }
}

// The texts of the pieces of the document at `path`, pool list by pool list.
std::vector<std::string> PoolTexts(const std::string& path) {
    CGorvantaDoc doc;
    EXPECT_EQ(LoadDocumentFile(doc, path).status, LoadStatus::Ok) << path;
    std::vector<std::string> texts;
    for (const auto& list : doc.m_arrPool)
        for (const CArmorPiece* p : list) texts.push_back(p->m_strText);
    return texts;
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

const std::string kCommandList = "usage:\n  gorvanta-cli import DOC.gva [TEXTFILE]\n  gorvanta-cli dump DOC.gva\n"
                                 "  gorvanta-cli calc DOC.gva [OPTIONS]\n"
                                 "  gorvanta-cli mark DOC.gva K:I excluded|pinned|none\n"
                                 "  gorvanta-cli plan DOC.gva [OPTIONS]\n"
                                 "  gorvanta-cli --version\n";
const std::string kMarkUsage = "usage: gorvanta-cli mark DOC.gva K:I excluded|pinned|none\n";
}  // namespace

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

// The file imported is what successive pastes of the text make, in order; only a paste that fills the
// buffer is cut, with a warning. Dump shows every piece as it is.
// The tool has the whole text: the paste buffer's limit only says where a paste may end, at a line end, and
// nothing is cut or asked, also for a text exactly as long as the buffer or a line longer than it.
TEST_F(CliTest, ImportGoesInAsSuccessivePastesThatEndOnlyAtLineEnds) {
    const std::string line = "plate legs, energy resist 2%, cold resist 3%\r\n";
    std::string lines;
    while (lines.size() < 40000) lines += line;
    // Exactly the buffer's length, ending in a ring whose last characters the buffer's rule would cut.
    const std::string ring = "gold ring, fire resist 15%";
    std::string full = lines.substr(0, 20 * line.size());
    full += std::string(PASTE_LIMIT - full.size() - ring.size() - 2, 'x') + "\r\n" + ring;
    ASSERT_EQ(full.size(), PASTE_LIMIT);
    const std::string longLine = "legs, energy resist 2%" + std::string(40000, 'x') + " cold resist 3%";
    // Each: the text, the pieces it gives, and the fire resist of the last ring (-1: none).
    struct CCase {
        std::string text;
        int pieces;
        int ringFire;
    };
    std::vector<CCase> cases = {
        {lines, 870, -1},
        {lines.substr(0, PASTE_LIMIT), 712, -1},
        {full, 21, 15},
        {longLine, 1, -1},                              // one line, read whole: no phantom second piece
        {line + longLine + "\r\n" + ring, 3, 15},
    };
    if (const char* samples = std::getenv("GORVANTA_SAMPLES")) {
        const std::string sample = Read(std::string(samples) + "/item-paste.txt");
        cases.push_back({sample, 86, -2});
        cases.push_back({sample + sample + sample + sample + sample, 430, -2});
    }
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.text.size());
        Write(PathStr("t.txt"), c.text);
        const CRun r = Run({"import", Path("a.gva"), Path("t.txt")});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        CGorvantaDoc expected;
        ImportInProcess(expected, c.text);
        EXPECT_EQ(expected.GetPoolCount(), c.pieces);
        EXPECT_EQ(Read(PathStr("a.gva")), Bytes(expected));
        EXPECT_EQ(r.out, "Imported " + std::to_string(c.pieces) + (c.pieces == 1 ? " piece.\n" : " pieces.\n"));
        ExpectDumpIs(Dump("a.gva"), expected);
        if (c.ringFire != -2) {
            const PoolList& rings = expected.m_arrPool[6];
            EXPECT_EQ(rings.empty() ? -1 : rings.back()->m_nFire, c.ringFire);
        }
        if (c.text == longLine) {
            for (const PoolList& list : expected.m_arrPool)
                for (const CArmorPiece* legs : list) {
                    EXPECT_EQ(legs->m_nEnergy, 2);
                    EXPECT_EQ(legs->m_nCold, 3);
                }
        }
        fs::remove(dir / "a.gva");
    }
}

TEST_F(CliTest, Utf8TextIsConvertedAndOtherBytesAreTakenAsWindows1252) {
    // Each: the bytes given and the piece's text as stored.
    const std::pair<std::string, std::string> cases[] = {
        {"Caf\xC3\xA9 ring, luck 40 \r\n", "Caf\xE9 ring, luck 40 "},
        {"Caf\xE9 ring, luck 40 \r\n", "Caf\xE9 ring, luck 40 "},
        // A byte order mark is dropped; a character the 8-bit set lacks becomes '?'.
        {"\xEF\xBB\xBFring \xE2\x82\xAC \xCE\xA9 luck 1 \n", "ring \x80 ? luck 1 "},
        // One byte that is no UTF-8 makes the whole text Windows-1252.
        {"ring \xC3\xA9 luck 2 \r\nring \xE9 luck 3 \r\n", "ring \xC3\xA9 luck 2 "},
        {kText, "plate helm, cold resist 2%"},  // a short paste: no warning
    };
    for (const auto& [bytes, text] : cases) {
        fs::remove(dir / "a.gva");
        const CRun r = Run({"import", Path("a.gva")}, bytes);
        ASSERT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        const std::vector<std::string> texts = PoolTexts(PathStr("a.gva"));
        ASSERT_FALSE(texts.empty());
        EXPECT_EQ(texts[0], text);
    }
}

TEST_F(CliTest, FileNamesReachTheFileSystemAsTheBytesGiven) {
    // Latin-1, valid UTF-8, a character beyond 16 bits followed by a stray byte, and a UTF-8 surrogate.
    const std::string names[] = {"caf\xE9", "\xFF\xFE", "caf\xC3\xA9", "\xF0\x9F\x98\x80\xE9", "a\xED\xA0\x80"};
    for (const std::string& name : names) {
        Write(PathStr(name + ".txt"), kText);
        const CRun r = RunBytes({"import", name + ".gva", name + ".txt"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(PoolTexts(PathStr(name + ".gva")).size(), 4u);
        EXPECT_EQ(RunBytes({"dump", name + ".gva"}).status, 0);
    }
    // No other file was written, under another name.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2 * std::ssize(names) + 1);
    // Messages quote the names as they were given.
    const CRun missing = RunBytes({"dump", "gone\xE9.gva"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find(" gone\xE9.gva: "), std::string::npos) << missing.err;
    EXPECT_EQ(RunBytes({"frob\xE9"}).err, "gorvanta-cli: unknown command \"frob\xE9\"\n" + kCommandList);
}

// A document or text that cannot be read, or a document that cannot be written, fails with status 1 and
// leaves every file as it was; input that is no regular file or too large is refused at once.
TEST_F(CliTest, FilesThatCannotBeReadOrWrittenFailWithStatusOneAndStayAsTheyWere) {
    constexpr off_t limit = off_t(64) << 20;
    ASSERT_EQ(::mkfifo(PathStr("fifo").c_str(), 0600), 0);
    fs::create_directory(dir / "folder");
    fs::create_directory(dir / "folder.gva");
    for (const auto& [name, size] : {std::pair{"limit.txt", limit}, {"over.txt", limit + 1}}) {
        Write(PathStr(name), "");
        fs::resize_file(dir / name, uintmax_t(size));  // sparse: zero bytes, nothing on disk
    }
    Write(PathStr("t.txt"), kText);
    const std::string foreign = "not a gorvanta file at all";
    Write(PathStr("foreign.gva"), foreign);
    CGorvantaDoc doc;
    AddPoolPiece(doc, "helm, fire resist 1%", PIECE_HEADWEAR);
    const std::string cut = Bytes(doc).substr(0, 75);
    Write(PathStr("cut.gva"), cut);
    const std::string notRegular = "Not a regular file (a named pipe).\n";
    const std::string tooLarge = "the text is larger than 64 MB.\n";
    enum { Whole, Part, End };
    // Each: the arguments, standard input's redirection, and standard error: the whole of it, a part or
    // its end.
    const struct {
        std::vector<std::string> args;
        std::string redirect, err;
        int match;
    } cases[] = {
        {{"import", PathStr("foreign.gva"), "t.txt"}, "", "Archive format not recognized.\n", Whole},
        {{"dump", PathStr("foreign.gva")}, "", "Archive format not recognized.\n", Whole},
        {{"import", PathStr("cut.gva"), "t.txt"}, "", "Unexpected file format.\n", Whole},
        {{"dump", PathStr("cut.gva")}, "", "Unexpected file format.\n", Whole},
        {{"dump", PathStr("missing.gva")}, "", "missing.gva", Part},
        {{"mark", PathStr("missing.gva"), "0:0", "none"}, "", "missing.gva", Part},
        {{"import", PathStr("folder.gva"), "t.txt"}, "", "folder.gva", Part},
        {{"import", PathStr("a.gva"), PathStr("no-such.txt")}, "", "no-such.txt", Part},
        {{"import", PathStr("no/folder/a.gva")}, "< t.txt", "Failed to save document.", Part},
        {{"import", "a.gva", "/dev/zero"}, "", "Cannot read /dev/zero: not a regular file.\n", End},
        {{"import", "a.gva", "fifo"}, "", "Cannot read fifo: not a regular file.\n", End},
        {{"import", "a.gva", "folder"}, "", "Cannot read folder: Is a directory.\n", End},
        {{"import", "a.gva", "over.txt"}, "", "Cannot read over.txt: " + tooLarge, End},
        {{"import", "a.gva"}, "< /dev/zero", "Cannot read standard input: " + tooLarge, End},
        {{"import", "fifo", "t.txt"}, "", "fifo: " + notRegular, End},
        {{"dump", "fifo"}, "", "fifo: " + notRegular, End},
        {{"calc", "fifo"}, "", "fifo: " + notRegular, End},
    };
    for (const auto& c : cases) {
        const CRun r = RunBytes(c.args, c.redirect);
        std::string what = c.redirect;
        for (const std::string& arg : c.args) what += " " + arg;
        SCOPED_TRACE(what);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(c.match == Whole ? r.err == c.err : c.match == Part ? r.err.find(c.err) != std::string::npos
                                                                        : r.err.ends_with(c.err))
            << r.err;
    }
    EXPECT_EQ(Read(PathStr("foreign.gva")), foreign);
    EXPECT_EQ(Read(PathStr("cut.gva")), cut);
    EXPECT_FALSE(fs::exists(dir / "a.gva"));
    EXPECT_FALSE(fs::exists(dir / "missing.gva"));
    // Exactly the limit is read (zero bytes: no item, and every paste of them full).
    const CRun r = RunBytes({"import", "a.gva", "limit.txt"});
    EXPECT_EQ(r.status, 0) << r.err.substr(0, 200);
    EXPECT_EQ(r.out, "Imported 0 pieces.\n");
}

TEST_F(CliTest, ImportsRunningAtOnceIntoOneFileKeepEveryPiece) {
    constexpr int kImports = 20;
    std::vector<std::string> expected;
    std::vector<std::unique_ptr<QProcess>> running;
    for (int n = 0; n < kImports; ++n) {
        expected.push_back("helm " + std::to_string(n) + ", fire resist 1%");
        Write(PathStr("t" + std::to_string(n)), expected.back() + "\r\n");
        running.push_back(std::make_unique<QProcess>());
        Start(*running.back(), {"import", "a.gva", QString::fromStdString("t" + std::to_string(n))});
    }
    for (auto& p : running) EXPECT_EQ(Finish(*p).status, 0);
    std::vector<std::string> texts = PoolTexts(PathStr("a.gva"));
    std::sort(texts.begin(), texts.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(texts, expected);
    // The lock goes with its last holder.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), kImports + 2);
}

TEST_F(CliTest, DumpKeepsItsLayoutKeyOrderAndEscapes) {
    const std::string text = "q\"uote \\ tab\t ctl\x01 caf\xE9 \x80";
    const std::string piece =
        R"({"text": "q\"uote \\ tab\t ctl\u0001 café €", "typeName": "head wear", "type": 1, "physical": 1, )"
        R"("fire": 2, "cold": 3, "poison": 4, "energy": 5, "totalResist": 15, "luck": 10, "lmc": 6, "lrc": 7, )"
        R"("mr": 8, "sr": 9, "hr": 10, "dci": 11, "hci": 12, "medable": 1})";
    // The pool's first list and the suits differ; the other eleven lists are empty.
    std::string head = "{\n  \"pool\": [\n", tail;
    for (int k = 0; k < 10; ++k) tail += "    [],\n";
    tail += "    []\n  ],\n";
    CGorvantaDoc empty, full;
    AddPoolPiece(full, text, PIECE_HEADWEAR);
    auto* suit = new CArmorSuit;
    suit->m_strName = "Suit 00001";
    suit->m_strCharacter = "\xC9lise";
    suit->AddPiece(NewPiece(text, PIECE_HEADWEAR));
    full.m_arrSuits.push_back(suit);
    full.m_arrSuits.push_back(new CArmorSuit);
    full.m_arrCharacters = {"\xC9lise", "Bob"};
    const std::pair<CGorvantaDoc*, std::string> cases[] = {
        {&empty, head + "    [],\n" + tail + "  \"suits\": [],\n  \"characters\": []\n}\n"},
        {&full, head + "    [\n      " + piece + "\n    ],\n" + tail + R"(  "suits": [
    {"name": "Suit 00001", "character": "Élise", "pieces": [
      )" + piece + R"(
    ]},
    {"name": "", "character": "", "pieces": []}
  ],
  "characters": ["Élise", "Bob"]
}
)"},
    };
    for (const auto& [doc, expected] : cases) {
        ASSERT_TRUE(SaveDocumentFile(*doc, PathStr("a.gva")));
        const CRun r = Run({"dump", Path("a.gva")});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, expected);
    }
}

// Help goes to standard output with status 0; bad usage says why and shows the usage on standard error,
// with status 2. Neither runs the command.
TEST_F(CliTest, HelpAndBadUsageShowTheUsage) {
    const std::string import = "usage: gorvanta-cli import DOC.gva [TEXTFILE]\n";
    const std::string dump = "usage: gorvanta-cli dump DOC.gva\n";
    const std::string calc =
        "usage: gorvanta-cli calc DOC.gva [--set \"NAME=VALUE\"]... [--format tsv|json] [--threads N] [--explain] "
        "[--compare NAME]\n";
    // Each: the arguments, why they are bad usage (empty for help), the usage or the start of the help,
    // and what else the help must mention.
    const struct {
        QStringList args;
        std::string why, usage;
        std::vector<std::string> mentions = {};
    } cases[] = {
        {{"--help"}, "", kCommandList},
        {{"-h", "dump"}, "", kCommandList},
        {{"help"}, "", kCommandList},
        {{"import", "--help", Path("a.gva")}, "", import, {"-h, --help", "TEXTFILE"}},
        {{"dump", "-h"}, "", dump, {"-h, --help", "DOC.gva "}},
        {{"calc", Path("a.gva"), "--help"}, "", calc, {"--set <NAME=VALUE>", "--format <FORMAT>", "--threads <N>"}},
        {{"calc", "--set", "Use Ringz=1", "-h"}, "", calc, {"-h, --help"}},
        {{"mark", "-h"}, "", kMarkUsage, {"K:I", "MARK", "pinned"}},
        {{}, "no command given", kCommandList},
        {{"frobnicate", Path("a.gva")}, "unknown command \"frobnicate\"", kCommandList},
        {{"--bogus", "dump"}, "unknown command \"--bogus\"", kCommandList},
        {{"--", "dump", Path("a.gva")}, "unknown command \"--\"", kCommandList},
        {{"import"}, "import takes one or two files", import},
        {{"import", Path("a.gva"), Path("t.txt"), Path("extra")}, "import takes one or two files", import},
        {{"import", "--no-such-option", Path("a.gva")}, "Unknown option 'no-such-option'.", import},
        {{"dump"}, "dump takes one document", dump},
        {{"dump", Path("a.gva"), Path("b.gva")}, "dump takes one document", dump},
        {{"dump", "--help-all", Path("a.gva")}, "Unknown option 'help-all'.", dump},
        {{"mark", Path("a.gva"), "0:0"}, "mark takes a document, a piece and a mark", kMarkUsage},
        {{"mark", Path("a.gva"), "0:0", "none", "x"}, "mark takes a document, a piece and a mark", kMarkUsage},
    };
    for (const auto& c : cases) {
        const CRun r = Run(c.args);
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const bool help = c.why.empty();
        EXPECT_EQ(r.status, help ? 0 : 2);
        EXPECT_EQ(r.err, help ? "" : "gorvanta-cli: " + c.why + "\n" + c.usage);
        EXPECT_EQ(c.mentions.empty() ? r.out : r.out.substr(0, c.usage.size()), help ? c.usage : "");
        for (const std::string& m : c.mentions) EXPECT_NE(r.out.find(m), std::string::npos) << m;
    }
    EXPECT_FALSE(fs::exists(dir / "a.gva"));
}

// mark sets the marks that dump shows and calc honours; calc's positions stay those of the document's
// lists. A bad position or mark changes nothing, and clearing every mark gives the unmarked file back.
TEST_F(CliTest, MarkSetsExcludeAndPinThatDumpShowsAndCalcHonours) {
    CGorvantaDoc doc;
    for (int i = 0; i < 3; ++i) AddPiece(doc, "helm " + std::to_string(i), PIECE_HEADWEAR, {10 * (i + 1), 0, 0, 0, 0});
    for (int i = 0; i < 2; ++i) AddPiece(doc, "arms " + std::to_string(i), PIECE_ARMS, {0, i + 1, 0, 0, 0});
    ASSERT_TRUE(SaveDocumentFile(doc, PathStr("a.gva")));
    const std::string plain = Read(PathStr("a.gva"));
    // Each: the piece and the mark, the exit status, and standard output or (status 2) what goes wrong.
    const struct {
        QString at, mark;
        int status;
        std::string said;
    } steps[] = {
        {"0:1", "excluded", 0, "Piece 0:1 excluded.\n"},
        {"0:1", "excluded", 0, "Piece 0:1 is already excluded.\n"},
        {"2:0", "pinned", 0, "Piece 2:0 pinned.\n"},
        {"2:1", "pinned", 0, "Piece 2:1 pinned; piece 2:0 is no longer pinned.\n"},
        {"0:3", "none", 2, "no piece at 0:3: pool list 0 holds 3 pieces"},
        {"12:0", "none", 2, "\"12:0\": expected K:I, pool list K from 0 to 11 and index I from 0"},
        {"0:-1", "none", 2, "\"0:-1\": expected K:I, pool list K from 0 to 11 and index I from 0"},
        {"0", "none", 2, "\"0\": expected K:I, pool list K from 0 to 11 and index I from 0"},
        {"0:0", "hidden", 2, "unknown mark \"hidden\"; use excluded, pinned or none"},
    };
    for (const auto& s : steps) {
        const CRun r = Run({"mark", Path("a.gva"), s.at, s.mark});
        const std::string what = (s.at + " " + s.mark).toStdString();
        EXPECT_EQ(r.status, s.status) << what;
        EXPECT_EQ(r.out, s.status ? "" : s.said) << what;
        EXPECT_EQ(r.err, s.status ? "gorvanta-cli: " + s.said + "\n" + kMarkUsage : "") << what;
    }

    const CRun dump = Run({"dump", Path("a.gva")});
    EXPECT_NE(dump.out.find(R"("hci": 0, "medable": 0, "excluded": 1})"), std::string::npos) << dump.out;
    const QJsonArray pool = Dump("a.gva").value("pool").toArray();
    // Each: list, index, and the keys its object has beyond the eighteen of every piece.
    const std::tuple<int, int, const char*> pieces[] = {{0, 0, ""}, {0, 1, "excluded"}, {0, 2, ""},
                                                        {2, 0, ""}, {2, 1, "pinned"}};
    for (const auto& [k, i, key] : pieces) {
        const QJsonObject j = pool[k].toArray()[i].toObject();
        EXPECT_EQ(j.size(), *key ? 19 : 18) << k << ":" << i;
        if (*key) { EXPECT_EQ(j.value(key).toInt(), 1) << k << ":" << i; }
    }

    // Helms 0 and 2 with the pinned arms: positions in the document's lists, not in what the search visited.
    const CRun calc = Run({"calc", Path("a.gva"), "--format", "json", "--set", "LowerLimit=0"});
    ASSERT_EQ(calc.status, 0) << calc.err;
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(calc.out)).object();
    EXPECT_EQ(o.value("combinations").toInteger(), 2);
    EXPECT_EQ(o.value("examined").toInteger(), 2);
    const QJsonArray suits = o.value("suits").toArray();
    ASSERT_EQ(suits.size(), 2);
    EXPECT_EQ(suits[0].toObject().value("pieces").toArray(), QJsonArray({QJsonArray{0, 0}, QJsonArray{2, 1}}));
    EXPECT_EQ(suits[1].toObject().value("pieces").toArray(), QJsonArray({QJsonArray{0, 2}, QJsonArray{2, 1}}));
    EXPECT_EQ(suits[1].toObject().value("name").toString(), "Suit 00001");

    for (const char* at : {"0:1", "2:1"}) EXPECT_EQ(Run({"mark", Path("a.gva"), at, "none"}).status, 0) << at;
    EXPECT_EQ(Read(PathStr("a.gva")), plain);
}

// A store file that is no regular file is left alone: the command works from defaults and says why.
TEST_F(CliTest, StoreThatIsAFifoIsReportedAndLeftAlone) {
    fs::create_directories(dir / "config" / "VarnHolt");
    const std::string fifo = (dir / "config" / "VarnHolt" / "Gorvanta.conf").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const CRun r = Run({"import", Path("a.gva")}, "gold ring, luck 2 \n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("gorvanta-cli: The settings file " + fifo +
                         " is not a regular file; settings are kept for this run only."),
              std::string::npos)
        << r.err;
    // Filed by the default name tables, as a ring.
    EXPECT_EQ(Dump("a.gva").value("pool").toArray()[6].toArray().size(), 1);
    EXPECT_TRUE(fs::is_fifo(fifo));
}

// Commands that only read leave the per-user store as it was: not made when it is absent, neither rewritten
// nor touched when it is there; they still read it, and what they print is the same either way.
TEST_F(CliTest, ReadingCommandsLeaveTheStoreAsItWas) {
    const fs::path store = dir / "config" / "VarnHolt" / "Gorvanta.conf";
    // import writes a document, and the name tables' defaults, as the window program would.
    ASSERT_EQ(Run({"import", Path("a.gva")}, kText).status, 0);
    ASSERT_TRUE(fs::exists(store));
    Write(store.string(), Read(store.string()) + "\n[Settings]\nLowerLimit=0\n");
    const std::string stored = Read(store.string());
    const std::vector<QStringList> commands = {
        {"dump", Path("a.gva")},
        {"calc", Path("a.gva")},
        {"calc", Path("a.gva"), "--set", "Use Rings=1", "--format", "json"},
        {"calc", Path("a.gva"), "--help"},
        {"--help"},
        {"help"},
    };
    std::vector<std::string> withStore;
    for (const QStringList& args : commands) {
        const auto old = fs::file_time_type::clock::now() - std::chrono::hours(2);
        fs::last_write_time(store, old);
        const CRun r = Run(args);
        EXPECT_EQ(r.status, 0) << args.join(' ').toStdString() << ": " << r.err;
        EXPECT_EQ(Read(store.string()), stored) << args.join(' ').toStdString();
        EXPECT_EQ(fs::last_write_time(store), old) << args.join(' ').toStdString();
        withStore.push_back(r.out);
    }

    fs::remove_all(dir / "config" / "VarnHolt");
    std::vector<std::string> without;
    for (const QStringList& args : commands) {
        const CRun r = Run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_FALSE(fs::exists(dir / "config" / "VarnHolt")) << args.join(' ').toStdString();
        without.push_back(r.out);
    }
    // The dump does not depend on the store; the run read the stored minimum of 0 where the default is 300.
    EXPECT_EQ(without[0], withStore[0]);
    EXPECT_NE(without[1], withStore[1]);
    EXPECT_EQ(without[3], withStore[3]);
    // A command that writes a document may write the store, as before.
    ASSERT_EQ(Run({"mark", Path("a.gva"), "0:0", "excluded"}).status, 0);
    EXPECT_TRUE(fs::exists(store));
}

namespace {
std::string LeInts(std::initializer_list<int32_t> values) {
    std::string out;
    for (int32_t v : values)
        for (int shift = 0; shift < 32; shift += 8) out += char((uint32_t(v) >> shift) & 0xFF);
    return out;
}
}  // namespace

// Blocks after the records that this version cannot read survive mark and import, which say so; a damaged
// mark block stops both (status 1, the file as it was) unless --force lets it be replaced.
TEST_F(CliTest, MarkAndImportKeepBlocksTheyCannotReadAndRefuseToReplaceDamagedMarks) {
    CGorvantaDoc doc;
    for (int i = 0; i < 2; ++i) AddPiece(doc, "helm " + std::to_string(i), PIECE_HEADWEAR, {10, 0, 0, 0, 0});
    const std::string plain = Bytes(doc);
    ASSERT_TRUE(SetPieceMark(doc, doc.m_arrPool[0][1], PieceMark::Excluded));
    const std::string marks = Bytes(doc).substr(plain.size());
    ASSERT_EQ(marks.substr(0, 4), "GVMK");
    std::string badCrc = marks;
    badCrc.back() ^= 0x40;
    const std::string other = "GVPL" + LeInts({2, 3}) + "abc";
    const std::string newer = "GVMK" + LeInts({2, 4}) + "wxyz";
    const std::string kept = "gorvanta-cli: warning: 1 block this version cannot read kept unchanged.\n";
    const struct {
        const char* what;
        std::string tail;
        bool damaged;
    } cases[] = {
        {"unknown tag", other, false},   {"newer version", newer, false}, {"garbage", "\x01\x02\x03", false},
        {"two blocks", marks + other, false}, {"wrong CRC", badCrc, true},
    };
    for (const auto& c : cases) {
        for (const char* command : {"mark", "import"}) {
            SCOPED_TRACE(std::string(c.what) + ", " + command);
            const std::string before = plain + c.tail;
            Write(PathStr("k.gva"), before);
            Write(PathStr("t.txt"), kText);
            const QStringList args = std::string(command) == "mark" ? QStringList{"mark", Path("k.gva"), "0:0", "pinned"}
                                                                    : QStringList{"import", Path("k.gva"), Path("t.txt")};
            const CRun r = Run(args);
            if (c.damaged) {
                EXPECT_EQ(r.status, 1);
                EXPECT_EQ(r.out, "");
                EXPECT_NE(r.err.find("is left unchanged: its exclude and pin marks cannot be read"), std::string::npos)
                    << r.err;
                EXPECT_EQ(Read(PathStr("k.gva")), before);
                const CRun forced = Run(QStringList(args) << "--force");
                EXPECT_EQ(forced.status, 0) << forced.err;
                EXPECT_NE(forced.err.find("are replaced"), std::string::npos) << forced.err;
                CGorvantaDoc back;
                ASSERT_EQ(LoadDocumentFile(back, PathStr("k.gva")).status, LoadStatus::Ok);
                EXPECT_TRUE(back.KeptBlocks().empty());
                continue;
            }
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_TRUE(r.err.ends_with(kept)) << r.err;
            const std::string after = Read(PathStr("k.gva"));
            const std::string foreign = c.tail.substr(c.tail.starts_with(marks) ? marks.size() : 0);
            EXPECT_TRUE(after.ends_with(foreign));
            CGorvantaDoc back;
            ASSERT_EQ(LoadDocumentFile(back, PathStr("k.gva")).status, LoadStatus::Ok);
            ASSERT_EQ(back.KeptBlocks().size(), 1u);
            EXPECT_EQ(back.KeptBlocks()[0].bytes, foreign);
            EXPECT_EQ(back.GetPoolCount(), std::string(command) == "mark" ? 2 : 6);
            // The marks the file had, and the command's own, are there.
            EXPECT_EQ(back.m_arrPool[0][0]->m_nMark, std::string(command) == "mark" ? PieceMark::Pinned : PieceMark::None);
            EXPECT_EQ(back.m_arrPool[0][1]->m_nMark, c.tail.starts_with(marks) ? PieceMark::Excluded : PieceMark::None);
        }
    }
}

// A document without write permission is refused by the commands that change it, whoever runs them; a
// file of another owner that may be written keeps its owner.
TEST_F(CliTest, CommandsThatChangeADocumentRespectReadOnlyFilesAndKeepTheOwner) {
    CGorvantaDoc doc;
    AddPiece(doc, "helm", PIECE_HEADWEAR, {10, 0, 0, 0, 0});
    const std::string bytes = Bytes(doc);
    Write(PathStr("t.txt"), kText);
    for (const QStringList& args : {QStringList{"mark", Path("r.gva"), "0:0", "excluded"},
                                    QStringList{"import", Path("r.gva"), Path("t.txt")}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        Write(PathStr("r.gva"), bytes);
        ASSERT_EQ(::chmod(PathStr("r.gva").c_str(), 0444), 0);
        const CRun r = Run(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "The document is read-only.\n");
        EXPECT_EQ(Read(PathStr("r.gva")), bytes);
        ASSERT_EQ(::chmod(PathStr("r.gva").c_str(), 0644), 0);
        EXPECT_EQ(Run(args).status, 0);
        fs::remove(dir / "r.gva");
    }
    // dump only reads.
    Write(PathStr("r.gva"), bytes);
    ASSERT_EQ(::chmod(PathStr("r.gva").c_str(), 0444), 0);
    EXPECT_EQ(Run({"dump", Path("r.gva")}).status, 0);
    if (::geteuid() != 0) GTEST_SKIP() << "files of another owner need root to make";
    ASSERT_EQ(::chmod(PathStr("r.gva").c_str(), 0666), 0);
    ASSERT_EQ(::chown(PathStr("r.gva").c_str(), 65534, 65534), 0);
    ASSERT_EQ(Run({"mark", Path("r.gva"), "0:0", "excluded"}).status, 0);
    struct stat st {};
    ASSERT_EQ(::stat(PathStr("r.gva").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(st.st_mode & 0777, 0666u);
}

// The command-line import reads with the window program's rules: the lucky necklace's mana regeneration as
// written, a value at the end of a line whole, and a line in capitals left out.
TEST_F(CliTest, ImportReadsWithTheMendedRules) {
    Write(PathStr("m.txt"), "lucky necklace, luck 200 , mana regeneration 2 \r\ngold ring, fire resist 10%, luck 100\r\n"
                            "Gold Ring, Physical Resist 10%, Luck 80 \r\n");
    const CRun r = Run({"import", Path("m.gva"), Path("m.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Imported 2 pieces.\n");
    const QJsonArray pool = Dump("m.gva").value("pool").toArray();
    const QJsonObject necklace = pool[1].toArray()[0].toObject();
    const QJsonObject ring = pool[6].toArray()[0].toObject();
    EXPECT_EQ(necklace.value("mr").toInt(), 2);
    EXPECT_EQ(necklace.value("luck").toInt(), 200);
    EXPECT_EQ(ring.value("luck").toInt(), 100);
    EXPECT_EQ(ring.value("fire").toInt(), 10);
    EXPECT_EQ(pool[6].toArray().size(), 1);
}
