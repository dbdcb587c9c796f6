// calc: one combination search over a document's pool, with the settings of the per-user store.
#include <QCommandLineParser>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Commands.h"
#include "JsonWriter.h"
#include "core/calc/CalcCount.h"
#include "core/calc/CalcEngine.h"
#include "core/calc/IntField.h"
#include "core/calc/Reach.h"
#include "core/calc/ReducedPool.h"
#include "core/calc/ResultColumns.h"
#include "core/calc/Settings.h"
#include "core/document/Assignment.h"
#include "core/document/DocFile.h"
#include "core/model/Cp1252.h"

namespace {
const CCommandSyntax kSyntax = {
    "gorvanta-cli calc DOC.gva [--set \"NAME=VALUE\"]... [--format tsv|json] [--threads N] [--explain] "
    "[--compare NAME]",
    "Searches a document's pool with the settings of the per-user store and prints the suits found.", 1, 1,
    "calc takes one document"};

class CCollector : public ICalcReporter {
public:
    void OnBegin(const CCalcCount&) override {}
    void OnSuit(std::unique_ptr<CArmorSuit> suit) override { suits.push_back(std::move(suit)); }
    void OnEnd(const CCalcMsg&) override {}
    std::vector<std::unique_ptr<CArmorSuit>> suits;
};

std::string Json(const CCalcResult& r, const std::vector<std::unique_ptr<CArmorSuit>>& suits, const CalcPool& pool,
                 bool bypass, const std::optional<CalcReach>& reach, const CArmorSuit* compared) {
    // Where each piece sits in the document's pool: list k, index i.
    std::unordered_map<const CArmorPiece*, std::pair<size_t, size_t>> where;
    for (size_t k = 0; k < pool.size(); ++k)
        for (size_t i = 0; i < pool[k].size(); ++i) where.emplace(pool[k][i], std::make_pair(k, i));

    static const char* const kHighest[HIGH_COUNT] = {"total", "luck", "lmc", "lrc", "mr", "hr", "sr", "dci", "hci"};
    CJsonWriter json;
    json.BeginObject(CJsonWriter::Lines);
    // Counts in full: a pool can have more combinations than 64 bits hold.
    json.Key("combinations").Digits(FormatCount(r.m_nCombinations));
    json.Key("examined").Digits(FormatCount(r.m_nExamined));
    json.Key("found").Number(r.m_nFound);
    json.Key("highest").BeginObject();
    for (int h = 0; h < HIGH_COUNT; ++h) json.Key(kHighest[h]).Number(r.m_arrHighest[size_t(h)]);
    json.End();
    json.Key("summary").String(r.m_strSummary);
    if (reach) {
        json.Key("reach").BeginObject();
        for (int h = 0; h < HIGH_COUNT; ++h) {
            json.Key(kHighest[h]);
            if (const auto& value = (*reach)[size_t(h)])
                json.Number(*value);
            else
                json.Null();
        }
        json.End();
    }
    json.Key("suits").BeginArray(CJsonWriter::Lines);
    for (const auto& suit : suits) {
        json.BeginObject();
        json.Key("name").String(suit->m_strName);
        json.Key("pieces").BeginArray();
        for (const CArmorPiece* p : suit->m_arrPieces) {
            const auto& [k, i] = where.at(p);
            json.BeginArray();
            json.Number(int64_t(k));
            json.Number(int64_t(i));
            json.End();
        }
        json.End();
        json.Key("columns").BeginArray();
        for (const std::string& text : ResultColumnTexts(*suit, bypass))
            json.String(text);
        json.End();
        if (compared) {
            json.Key("delta").BeginArray();
            for (int64_t d : ResultColumnDeltas(*suit, *compared, bypass)) json.Number(d);
            json.End();
        }
        json.End();
    }
    json.End();
    json.End();
    return json.Finish();
}

std::string Tsv(const CCalcResult& r, const std::vector<std::unique_ptr<CArmorSuit>>& suits, bool bypass) {
    std::string out;
    const auto& headings = ResultColumnHeadings();
    for (size_t n = 0; n < headings.size(); ++n) {
        if (n) out += '\t';
        out += headings[n];
    }
    out += '\n';
    for (const auto& suit : suits) {
        const auto texts = ResultColumnTexts(*suit, bypass);
        for (size_t n = 0; n < texts.size(); ++n) {
            if (n) out += '\t';
            out += Cp1252ToUtf8(texts[n]);
        }
        out += '\n';
    }
    out += '\n';
    out += r.m_strSummary;
    out += '\n';
    return out;
}
}  // namespace

int RunCalcCommand(const QStringList& args) {
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("DOC.gva"), QStringLiteral("the document whose pool is searched"));
    const QCommandLineOption setOption(QStringLiteral("set"),
                                       QStringLiteral("overrides one setting, by its store name, for this run "
                                                      "only; repeatable"),
                                       QStringLiteral("NAME=VALUE"));
    CSearchOptions search;
    const QCommandLineOption explainOption(
        QStringLiteral("explain"),
        QStringLiteral("adds to the JSON how far each minimum could go with the others kept (always when "
                       "nothing qualifies)"));
    const QCommandLineOption compareOption(
        QStringLiteral("compare"),
        QStringLiteral("adds to each suit in the JSON its columns 1 to 15 less those of the character's suit"),
        QStringLiteral("NAME"));
    parser.addOption(setOption);
    parser.addOption(search.format);
    parser.addOption(search.threads);
    parser.addOption(explainOption);
    parser.addOption(compareOption);
    if (const auto done = ParseCommandLine(parser, args, kSyntax)) return *done;

    if (const auto done = search.Read(parser, kSyntax)) return *done;

    // Checked before the document is read; applied after, since reading the document reloads the settings.
    std::vector<CSettingOverride> overrides;
    for (const QString& item : parser.values(setOption)) {
        QString why;
        const auto o = ParseSetOption(item, why);
        if (!o) return UsageError(kSyntax, why);
        overrides.push_back(*o);
    }

    CSettings& settings = LoadCommandSettings();
    CGorvantaDoc doc;
    if (!LoadForCommand(doc, LocalPath(parser.positionalArguments()[0]))) return CLI_EXIT_FILE;
    // Only for this run: nothing is written back to the store.
    for (const CSettingOverride& o : overrides) settings.Value(o.index) = o.value;
    const CArmorSuit* compared = nullptr;
    if (parser.isSet(compareOption)) {
        const std::string name = Utf8ToCp1252(parser.value(compareOption).toStdString());
        compared = SuitOfCharacter(doc, TrimName(name));
        if (!compared) {
            PrintError("gorvanta-cli: " + Cp1252ToUtf8(TrimName(name)) + " has no suit to compare with.");
            return CLI_EXIT_FAILURE;
        }
    }

    CCollector collector;
    const auto start = std::chrono::steady_clock::now();
    // The marks leave out excluded pieces and hold pinned ones; positions below stay the document's.
    const CalcPool reduced = ReducedPool(doc.m_arrPool);
    CSearchRequest request{CWishes(settings), settings.m_nSuitLimit, &reduced, search.threadCount};
    std::atomic<int32_t> running{0};
    const CCalcResult result = RunSearch(request, running, collector);
    const bool bypass = request.wishes.m_bBypassResistCap != 0;
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // A run that failed lists what it reached, but the command did not do what it was asked.
    if (!result.m_strError.empty()) {
        PrintError("gorvanta-cli: " + result.m_strError);
        return CLI_EXIT_FAILURE;
    }

    std::optional<CalcReach> reach;
    if (search.json && (result.m_nFound == 0 || parser.isSet(explainOption)))
        reach = MinimumReach(CalcParamFor(request), reduced, request.wishes.m_nLowerLimit, search.threadCount);
    const std::string out = search.json
                                ? Json(result, collector.suits, doc.m_arrPool, bypass, reach, compared)
                                : Tsv(result, collector.suits, bypass);
    if (const int status = WriteOutput(out); status != CLI_EXIT_OK) return status;
    char line[64];
    std::snprintf(line, sizeof line, "Elapsed time: %.3f s", elapsed);
    PrintError(line);
    return CLI_EXIT_OK;
}
