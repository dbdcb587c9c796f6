// dump: a document as JSON, texts in UTF-8, every value as stored.
#include <QCommandLineParser>

#include <cstdio>
#include <string>

#include "Commands.h"
#include "JsonWriter.h"
#include "core/document/DocFile.h"

namespace {
const CCommandSyntax kSyntax = {"gorvanta-cli dump DOC.gva", "Prints a document as JSON.", 1, 1,
                                "dump takes one document"};

void WritePiece(CJsonWriter& json, const CArmorPiece* p) {
    const CArmorPiece empty;
    if (!p) p = &empty;
    json.BeginObject();
    json.Key("text").String(p->m_strText);
    json.Key("typeName").String(p->m_strTypeName);
    const std::pair<const char*, int32_t> numbers[] = {
        {"type", p->m_nType},       {"physical", p->m_nPhysical}, {"fire", p->m_nFire},
        {"cold", p->m_nCold},       {"poison", p->m_nPoison},     {"energy", p->m_nEnergy},
        {"totalResist", p->m_nTotalResist}, {"luck", p->m_nLuck}, {"lmc", p->m_nLMC},
        {"lrc", p->m_nLRC},         {"mr", p->m_nMR},             {"sr", p->m_nSR},
        {"hr", p->m_nHR},           {"dci", p->m_nDCI},           {"hci", p->m_nHCI},
        {"medable", p->m_bMedable}};
    for (const auto& [key, value] : numbers) json.Key(key).Number(value);
    // Only marked pieces say so, so the dump of a document without marks is what it always was.
    if (p->m_nMark == PieceMark::Excluded) json.Key("excluded").Number(1);
    if (p->m_nMark == PieceMark::Pinned) json.Key("pinned").Number(1);
    json.End();
}

void WritePieces(CJsonWriter& json, const std::vector<CArmorPiece*>& pieces) {
    json.BeginArray(CJsonWriter::Lines);
    for (const CArmorPiece* p : pieces) WritePiece(json, p);
    json.End();
}

// Streamed: a document's JSON is several times the size of its file.
bool WriteDocumentJson(const CGorvantaDoc& doc, std::FILE* out) {
    CJsonWriter json(out);
    json.BeginObject(CJsonWriter::Lines);
    json.Key("pool").BeginArray(CJsonWriter::Lines);
    for (const auto& list : doc.m_arrPool) WritePieces(json, list);
    json.End();
    json.Key("suits").BeginArray(CJsonWriter::Lines);
    for (const CArmorSuit* s : doc.m_arrSuits) {
        json.BeginObject();
        json.Key("name").String(s ? s->m_strName : std::string());
        json.Key("character").String(s ? s->m_strCharacter : std::string());
        json.Key("pieces");
        WritePieces(json, s ? s->m_arrPieces : std::vector<CArmorPiece*>());
        json.End();
    }
    json.End();
    json.Key("characters").BeginArray();
    for (const std::string& name : doc.m_arrCharacters) json.String(name);
    json.End();
    // Only a document with a plan says so, so the dump of one without is what it always was.
    if (!doc.m_plan.Empty()) {
        json.Key("plan").BeginObject(CJsonWriter::Lines);
        json.Key("worn").Number(doc.m_plan.m_bWorn ? 1 : 0);
        json.Key("targets").BeginArray(CJsonWriter::Lines);
        for (const CPlanTarget& t : doc.m_plan.m_arrTargets) {
            json.BeginObject();
            json.Key("name").String(t.m_strName);
            json.Key("settings").BeginObject();
            for (const auto& [name, value] : t.m_wishes.Named()) json.Key(name).Number(value);
            json.End();
            json.End();
        }
        json.End();
        json.End();
    }
    json.End();
    return json.FinishStream();
}
}  // namespace

int RunDumpCommand(const QStringList& args) {
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("DOC.gva"), QStringLiteral("the document to show"));
    if (const auto done = ParseCommandLine(parser, args, kSyntax)) return *done;

    LoadCommandSettings();
    CGorvantaDoc doc;
    if (!LoadForCommand(doc, LocalPath(parser.positionalArguments()[0]))) return CLI_EXIT_FILE;
    return OutputStatus(WriteDocumentJson(doc, stdout));
}
