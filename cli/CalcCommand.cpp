// calc: one combination search over a document's pool, with the settings of the per-user store.
#include <QCommandLineParser>

#include <chrono>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Commands.h"
#include "calc/CalcEngine.h"
#include "calc/CalcState.h"
#include "calc/ResultColumns.h"
#include "calc/Settings.h"
#include "document/DocFile.h"
#include "model/Cp1252.h"

namespace {
constexpr const char* USAGE =
    "gorvanta-cli calc DOC.gva [--set \"NAME=VALUE\"]... [--format tsv|json] [--threads N]";
constexpr int MAX_THREADS = 256;

// A whole decimal number in the 32-bit range, with an optional sign and nothing else.
bool ParseInt32(const std::string& text, int32_t& out) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    int64_t v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
        if (v > int64_t(std::numeric_limits<int32_t>::max()) + 1) return false;
    }
    if (negative) v = -v;
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) return false;
    out = int32_t(v);
    return true;
}

struct COverride {
    int index;
    int32_t value;
};

class CCollector : public ICalcReporter {
public:
    void OnBegin(int64_t) override {}
    void OnSuit(std::unique_ptr<CArmorSuit> suit) override { suits.push_back(std::move(suit)); }
    void OnEnd(const CCalcMsg&) override {}
    std::vector<std::unique_ptr<CArmorSuit>> suits;
};


std::string Json(const CCalcResult& r, const std::vector<std::unique_ptr<CArmorSuit>>& suits, const CalcPool& pool) {
    // Where each piece sits in the pool: list k, index i.
    std::unordered_map<const CArmorPiece*, std::pair<size_t, size_t>> where;
    for (size_t k = 0; k < pool.size(); ++k)
        for (size_t i = 0; i < pool[k].size(); ++i) where.emplace(pool[k][i], std::make_pair(k, i));

    static const char* const kHighest[HIGH_COUNT] = {"total", "luck", "lmc", "lrc", "mr", "hr", "sr", "dci", "hci"};
    std::string out = "{\n  \"combinations\": " + std::to_string(r.m_nCombinations) +
                      ",\n  \"examined\": " + std::to_string(r.m_nExamined) +
                      ",\n  \"found\": " + std::to_string(r.m_nFound) + ",\n  \"highest\": {";
    for (int h = 0; h < HIGH_COUNT; ++h) {
        out += h ? ", \"" : "\"";
        out += kHighest[h];
        out += "\": " + std::to_string(r.m_arrHighest[size_t(h)]);
    }
    out += "},\n  \"summary\": ";
    AppendJsonString(out, r.m_strSummary);
    out += ",\n  \"suits\": [";
    for (size_t s = 0; s < suits.size(); ++s) {
        const CArmorSuit& suit = *suits[s];
        out += s ? ",\n    {\"name\": " : "\n    {\"name\": ";
        AppendJsonString(out, suit.m_strName);
        out += ", \"pieces\": [";
        for (size_t p = 0; p < suit.m_arrPieces.size(); ++p) {
            const auto& [k, i] = where.at(suit.m_arrPieces[p]);
            out += (p ? ", [" : "[") + std::to_string(k) + ", " + std::to_string(i) + "]";
        }
        out += "], \"columns\": [";
        const auto texts = ResultColumnTexts(suit);
        for (size_t n = 0; n < texts.size(); ++n) {
            if (n) out += ", ";
            AppendJsonString(out, texts[n]);
        }
        out += "]}";
    }
    out += suits.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return out;
}

std::string Tsv(const CCalcResult& r, const std::vector<std::unique_ptr<CArmorSuit>>& suits) {
    std::string out;
    const auto& headings = ResultColumnHeadings();
    for (size_t n = 0; n < headings.size(); ++n) {
        if (n) out += '\t';
        out += headings[n];
    }
    out += '\n';
    for (const auto& suit : suits) {
        const auto texts = ResultColumnTexts(*suit);
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
    const QCommandLineOption setOption(QStringLiteral("set"), QStringLiteral("override one setting"),
                                       QStringLiteral("NAME=VALUE"));
    const QCommandLineOption formatOption(QStringLiteral("format"), QStringLiteral("tsv or json"),
                                          QStringLiteral("FORMAT"), QStringLiteral("tsv"));
    const QCommandLineOption threadsOption(QStringLiteral("threads"), QStringLiteral("worker threads, 0 for all cores"),
                                           QStringLiteral("N"), QStringLiteral("0"));
    parser.addOption(setOption);
    parser.addOption(formatOption);
    parser.addOption(threadsOption);
    if (!parser.parse(QStringList{QStringLiteral("calc")} + args)) return UsageError(USAGE, parser.errorText());
    const QStringList pos = parser.positionalArguments();
    if (pos.size() != 1) return UsageError(USAGE, QStringLiteral("calc takes one document"));

    const QString format = parser.value(formatOption);
    if (format != QLatin1String("tsv") && format != QLatin1String("json"))
        return UsageError(USAGE, QStringLiteral("unknown format \"%1\"; use tsv or json").arg(format));
    int32_t threads = 0;
    if (!ParseInt32(parser.value(threadsOption).toStdString(), threads) || threads < 0 || threads > MAX_THREADS)
        return UsageError(USAGE, QStringLiteral("--threads takes a whole number from 0 (all cores) to %1").arg(MAX_THREADS));

    // Checked before the document is read; applied after, since reading the document reloads the settings.
    std::vector<COverride> overrides;
    for (const QString& item : parser.values(setOption)) {
        const std::string text = item.toStdString();
        const size_t eq = text.find('=');
        if (eq == std::string::npos)
            return UsageError(USAGE, QStringLiteral("--set \"%1\": expected NAME=VALUE").arg(item));
        const std::string name = text.substr(0, eq);
        const int index = CSettings::IndexOf(name.c_str());
        if (index < 0) return UsageError(USAGE, QStringLiteral("--set \"%1\": unknown setting").arg(item));
        int32_t value = 0;
        if (!ParseInt32(text.substr(eq + 1), value))
            return UsageError(USAGE, QStringLiteral("--set \"%1\": the value is not a 32-bit integer").arg(item));
        overrides.push_back({index, value});
    }

    CGorvantaDoc doc;
    if (!LoadForCommand(doc, LocalPath(pos[0]))) return CLI_EXIT_FILE;
    // Only for this run: nothing is written back to the store.
    CSettings& settings = TheSettings();
    for (const COverride& o : overrides) settings.Value(o.index) = o.value;
    CCalcParam param;
    param.FillFrom(settings);

    CCollector collector;
    const auto start = std::chrono::steady_clock::now();
    const CCalcResult result =
        RunCalculation(param, doc.m_arrPool, settings.m_nLowerLimit, TheCalcState().m_bCalcRunning, collector, threads);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const std::string out = format == QLatin1String("json") ? Json(result, collector.suits, doc.m_arrPool)
                                                            : Tsv(result, collector.suits);
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
        PrintError("gorvanta-cli: cannot write to standard output");
        return CLI_EXIT_FILE;
    }
    char line[64];
    std::snprintf(line, sizeof line, "Elapsed time: %.3f s", elapsed);
    PrintError(line);
    return CLI_EXIT_OK;
}
