// plan: suits for several characters at once from one pool, printed, assigned or stored as the plan.
#include <QCommandLineParser>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"
#include "JsonWriter.h"
#include "core/calc/PlanSearch.h"
#include "core/calc/ResultColumns.h"
#include "core/calc/Settings.h"
#include "core/document/Assignment.h"
#include "core/document/DocFile.h"
#include "core/document/PlanDoc.h"
#include "core/model/Cp1252.h"

namespace {
const CCommandSyntax kSyntax = {
    "gorvanta-cli plan DOC.gva [--worn] [--assign] [--save-plan] [--set \"NAME=VALUE\"]... "
    "[--target NAME [--set \"NAME=VALUE\"]...]... [--format tsv|json] [--threads N]",
    "Plans suits for several characters at once from a document's pool: each target gets at most one suit, "
    "no piece serves two, and higher targets come first.",
    1, 1, "plan takes one document"};
constexpr const char* MSG_NO_PLAN = "The document has no plan.";

// The --set options before the first --target, and each --target with the --set options that follow it,
// in the order given: the parser keeps the order of one option's values but not how two options interleave.
struct CTargetArgs {
    QString name;
    QStringList sets;
};
struct CGroupedArgs {
    QStringList sets;  // for every target
    std::vector<CTargetArgs> targets;
};

// Walks the arguments as the parser has read them (it has accepted them already): "--name=value" or
// "--name value" for an option with a value, everything after "--" positional.
CGroupedArgs GroupArguments(const QStringList& args, const QStringList& valued) {
    CGroupedArgs out;
    for (qsizetype n = 0; n < args.size(); ++n) {
        const QString& arg = args[n];
        if (arg == QLatin1String("--")) break;
        if (!arg.startsWith(QLatin1String("--"))) continue;
        const qsizetype eq = arg.indexOf(u'=');
        const QString name = arg.mid(2, eq < 0 ? -1 : eq - 2);
        if (!valued.contains(name)) continue;
        const QString value = eq < 0 ? (n + 1 < args.size() ? args[++n] : QString()) : arg.mid(eq + 1);
        if (name == QLatin1String("target"))
            out.targets.push_back({value, {}});
        else if (name == QLatin1String("set"))
            (out.targets.empty() ? out.sets : out.targets.back().sets).push_back(value);
    }
    return out;
}

// The wishes the --set texts give: only what a character wants of a suit.
bool ApplySets(const QStringList& sets, CWishes& wishes, QString& why) {
    for (const QString& item : sets) {
        const auto o = ParseSetOption(item, why);
        if (!o) return false;
        if (!wishes.SetNamed(CSettings::ValueName(o->index), o->value)) {
            why = QStringLiteral("--set \"%1\": not a wish of a character (a slot, a minimum, \"Use Mage Armor\", "
                                 "the bypass or \"Rank By\")").arg(item);
            return false;
        }
    }
    return true;
}

// What the result shows of each target: its suit over the plan pool (null when it got none).
struct CTargetOutcome {
    const CPlanTarget* target;
    const CPlanPick* pick;
    std::unique_ptr<CArmorSuit> suit;
};

std::vector<CTargetOutcome> Outcomes(const CPlan& plan, const CalcPool& pool, const CPlanResult& result) {
    std::vector<CTargetOutcome> out;
    int64_t served = 0;
    for (size_t t = 0; t < plan.m_arrTargets.size(); ++t) {
        const CPlanPick& pick = result.m_arrPicks[t];
        out.push_back({&plan.m_arrTargets[t], &pick, pick.Served() ? MakePlanSuit(pool, pick, SuitName(served++)) : nullptr});
    }
    return out;
}

std::string Json(const std::vector<CTargetOutcome>& outcomes, const CPlan& plan, int served) {
    CJsonWriter json;
    json.BeginObject(CJsonWriter::Lines);
    json.Key("targets").BeginArray(CJsonWriter::Lines);
    for (const CTargetOutcome& o : outcomes) {
        json.BeginObject();
        json.Key("name").String(o.target->m_strName);
        json.Key("reason").String(PlanReasonName(o.pick->m_reason));
        json.Key("value");
        if (o.suit && o.target->m_wishes.RankColumn() != 0)
            json.Number(o.pick->m_nValue);
        else
            json.Null();
        json.Key("suit");
        if (!o.suit) {
            json.Null();
        } else {
            json.BeginObject();
            json.Key("name").String(o.suit->m_strName);
            json.Key("pieces").BeginArray();
            for (size_t k = 0; k < SLOT_COUNT; ++k) {
                if (o.pick->m_pos[k] == PLAN_NO_PIECE) continue;
                json.BeginArray();
                json.Number(int64_t(k));
                json.Number(o.pick->m_pos[k]);
                json.End();
            }
            json.End();
            json.Key("columns").BeginArray();
            for (const std::string& text : ResultColumnTexts(*o.suit, o.target->m_wishes.m_bBypassResistCap != 0))
                json.String(text);
            json.End();
            json.End();
        }
        json.End();
    }
    json.End();
    json.Key("served").Number(served);
    json.Key("worn").Number(plan.m_bWorn ? 1 : 0);
    json.End();
    return json.Finish();
}

std::string Tsv(const std::vector<CTargetOutcome>& outcomes) {
    std::vector<std::string> headings = {"Target", "Reason"};
    for (const char* h : ResultColumnHeadings()) headings.emplace_back(h);
    std::vector<std::vector<std::string>> rows;
    for (const CTargetOutcome& o : outcomes) {
        std::vector<std::string> row = {o.target->m_strName, PlanReasonName(o.pick->m_reason)};
        if (o.suit) {
            for (std::string& text : ResultColumnTexts(*o.suit, o.target->m_wishes.m_bBypassResistCap != 0))
                row.push_back(std::move(text));
        } else {
            row.resize(row.size() + RESULT_COLUMN_COUNT);
        }
        rows.push_back(std::move(row));
    }
    return Cp1252ToUtf8(ResultsAsTsv(headings, rows));
}
}  // namespace

int RunPlanCommand(const QStringList& args) {
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("DOC.gva"), QStringLiteral("the document whose pool is planned"));
    const QCommandLineOption targetOption(
        QStringLiteral("target"),
        QStringLiteral("starts a target, the character NAME, in priority order; repeatable. Without any, the "
                       "document's stored plan"),
        QStringLiteral("NAME"));
    const QCommandLineOption setOption(
        QStringLiteral("set"),
        QStringLiteral("one wish by its store name, over the per-user store's settings: for every target before "
                       "the first --target, for the target before it after; repeatable"),
        QStringLiteral("NAME=VALUE"));
    const QCommandLineOption wornOption(QStringLiteral("worn"),
                                        QStringLiteral("the pieces the targets wear now may be used"));
    const QCommandLineOption assignOption(QStringLiteral("assign"),
                                          QStringLiteral("assigns the suits found to the targets and saves"));
    const QCommandLineOption savePlanOption(QStringLiteral("save-plan"),
                                            QStringLiteral("stores the targets and --worn as the document's plan "
                                                           "and saves"));
    CSearchOptions search;
    const QCommandLineOption force = ForceOption();
    for (const QCommandLineOption* o : std::initializer_list<const QCommandLineOption*>{
             &targetOption, &setOption, &wornOption, &assignOption, &savePlanOption, &search.format, &search.threads, &force})
        parser.addOption(*o);
    if (const auto done = ParseCommandLine(parser, args, kSyntax)) return *done;

    if (const auto done = search.Read(parser, kSyntax)) return *done;

    // Everything the command line says is checked before the document is read.
    const CGroupedArgs grouped = GroupArguments(args, {QStringLiteral("target"), QStringLiteral("set"),
                                                       QStringLiteral("format"), QStringLiteral("threads")});
    QString why;
    CWishes probe;
    if (!ApplySets(grouped.sets, probe, why)) return UsageError(kSyntax, why);
    std::vector<CPlanTarget> given;
    for (const CTargetArgs& t : grouped.targets) {
        // Typed as UTF-8 or as the 8-bit set itself, as item text is.
        const std::string name = TrimName(ItemTextToCp1252(LocalPath(t.name)));
        switch (TargetNameFaultOf(given, name)) {
            case TargetNameFault::Empty:
                return UsageError(kSyntax, QStringLiteral("--target \"%1\": the name is empty").arg(t.name));
            case TargetNameFault::Taken:
                return UsageError(kSyntax, QStringLiteral("--target \"%1\": another target has that name").arg(t.name));
            case TargetNameFault::None: break;
        }
        if (!ApplySets(t.sets, probe, why)) return UsageError(kSyntax, why);
        given.push_back({name, {}});
    }

    const std::string docPath = LocalPath(parser.positionalArguments()[0]);
    const bool assign = parser.isSet(assignOption), savePlan = parser.isSet(savePlanOption);
    const bool writes = assign || savePlan;
    // Held from loading to saving, as import and mark hold it, so that no other change is lost.
    std::string error;
    CDocFileLock lock;
    if (writes && !lock.Lock(docPath, &error)) {
        PrintError(std::string(MSG_FAILED_TO_SAVE) + " " + error);
        return CLI_EXIT_FILE;
    }
    const CSettings& settings = LoadCommandSettings();
    CGorvantaDoc doc;
    if (!LoadForCommand(doc, docPath)) return CLI_EXIT_FILE;
    if (writes && (!MayWriteDocument(docPath) || !MayReplaceBlocks(doc, docPath, parser.isSet(force))))
        return CLI_EXIT_FILE;

    // Each target's wishes: the store's settings, then the --set options for all, then its own. A stored
    // plan keeps its own wishes, under the --set options for all.
    CPlan plan;
    if (given.empty()) {
        if (doc.m_plan.Empty()) {
            PrintError(MSG_NO_PLAN);
            return CLI_EXIT_FAILURE;
        }
        plan = doc.m_plan;
        for (CPlanTarget& t : plan.m_arrTargets) ApplySets(grouped.sets, t.m_wishes, why);
    } else {
        for (size_t t = 0; t < given.size(); ++t) {
            CPlanTarget target{given[t].m_strName, CWishes(settings)};
            ApplySets(grouped.sets, target.m_wishes, why);
            ApplySets(grouped.targets[t].sets, target.m_wishes, why);
            plan.m_arrTargets.push_back(std::move(target));
        }
    }
    plan.m_bWorn = plan.m_bWorn || parser.isSet(wornOption);

    const CalcPool pool = PlanPool(doc, plan);
    std::atomic<int32_t> stop{1};
    const CPlanResult result = RunPlan({&plan.m_arrTargets, &pool, search.threadCount}, stop);
    if (!result.Usable()) {
        PrintError("gorvanta-cli: " + (result.m_strError.empty() ? std::string("the plan was stopped") : result.m_strError));
        return CLI_EXIT_FAILURE;
    }
    // Made before an assignment moves the pieces, from the pool the result was found over.
    const std::vector<CTargetOutcome> outcomes = Outcomes(plan, pool, result);
    const std::string out = search.json ? Json(outcomes, plan, result.m_nServed) : Tsv(outcomes);

    if (writes) {
        if (assign && !AssignPlan(doc, plan, pool, result)) {
            PrintError("gorvanta-cli: the plan's suits could not be assigned; the document is left unchanged.");
            return CLI_EXIT_FAILURE;
        }
        if (savePlan) {
            doc.m_plan = plan;
            doc.SetModifiedFlag(true);
        }
        if (!SaveForCommand(doc, docPath)) return CLI_EXIT_FILE;
        ReportKeptBlocks(doc);
    }
    return WriteOutput(out);
}
