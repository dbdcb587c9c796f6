// dump: a document as JSON, texts in UTF-8, every value as stored.
#include <QCommandLineParser>

#include <cstdio>
#include <string>

#include "Commands.h"
#include "document/DocFile.h"
#include "model/Cp1252.h"

namespace {
constexpr const char* USAGE = "gorvanta-cli dump DOC.gva";


// Keys in the order a reader expects them; QJsonObject would sort them.
void AppendPiece(std::string& out, const CArmorPiece* p) {
    CArmorPiece empty;
    if (!p) p = &empty;
    out += "{\"text\": ";
    AppendJsonString(out, p->m_strText);
    out += ", \"typeName\": ";
    AppendJsonString(out, p->m_strTypeName);
    const std::pair<const char*, int32_t> numbers[] = {
        {"type", p->m_nType},       {"physical", p->m_nPhysical}, {"fire", p->m_nFire},
        {"cold", p->m_nCold},       {"poison", p->m_nPoison},     {"energy", p->m_nEnergy},
        {"totalResist", p->m_nTotalResist}, {"luck", p->m_nLuck}, {"lmc", p->m_nLMC},
        {"lrc", p->m_nLRC},         {"mr", p->m_nMR},             {"sr", p->m_nSR},
        {"hr", p->m_nHR},           {"dci", p->m_nDCI},           {"hci", p->m_nHCI},
        {"medable", p->m_bMedable}};
    for (const auto& [key, value] : numbers) out += std::string(", \"") + key + "\": " + std::to_string(value);
    out += "}";
}

void AppendPieces(std::string& out, const std::vector<CArmorPiece*>& pieces, const char* indent) {
    if (pieces.empty()) {
        out += "[]";
        return;
    }
    out += "[\n";
    for (size_t i = 0; i < pieces.size(); ++i) {
        out += indent;
        out += "  ";
        AppendPiece(out, pieces[i]);
        out += i + 1 < pieces.size() ? ",\n" : "\n";
    }
    out += indent;
    out += "]";
}

std::string DocumentJson(const CGorvantaDoc& doc) {
    std::string out = "{\n  \"pool\": [\n";
    for (size_t k = 0; k < doc.m_arrPool.size(); ++k) {
        out += "    ";
        AppendPieces(out, doc.m_arrPool[k], "    ");
        out += k + 1 < doc.m_arrPool.size() ? ",\n" : "\n";
    }
    out += "  ],\n  \"suits\": [";
    for (size_t i = 0; i < doc.m_arrSuits.size(); ++i) {
        const CArmorSuit* s = doc.m_arrSuits[i];
        out += i ? ",\n    {\"name\": " : "\n    {\"name\": ";
        AppendJsonString(out, s ? s->m_strName : std::string());
        out += ", \"character\": ";
        AppendJsonString(out, s ? s->m_strCharacter : std::string());
        out += ", \"pieces\": ";
        AppendPieces(out, s ? s->m_arrPieces : std::vector<CArmorPiece*>(), "    ");
        out += "}";
    }
    out += doc.m_arrSuits.empty() ? "],\n" : "\n  ],\n";
    out += "  \"characters\": [";
    for (size_t i = 0; i < doc.m_arrCharacters.size(); ++i) {
        if (i) out += ", ";
        AppendJsonString(out, doc.m_arrCharacters[i]);
    }
    out += "]\n}\n";
    return out;
}
}  // namespace

int RunDumpCommand(const QStringList& args) {
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("DOC.gva"), QStringLiteral("the document to show"));
    if (!parser.parse(QStringList{QStringLiteral("dump")} + args)) return UsageError(USAGE, parser.errorText());
    const QStringList pos = parser.positionalArguments();
    if (pos.size() != 1) return UsageError(USAGE, QStringLiteral("dump takes one document"));

    CGorvantaDoc doc;
    if (!LoadForCommand(doc, LocalPath(pos[0]))) return CLI_EXIT_FILE;
    const std::string json = DocumentJson(doc);
    if (std::fwrite(json.data(), 1, json.size(), stdout) != json.size() || std::fflush(stdout) != 0) {
        PrintError("gorvanta-cli: cannot write to standard output");
        return CLI_EXIT_FILE;
    }
    return CLI_EXIT_OK;
}
