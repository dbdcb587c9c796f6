// gorvanta-cli: works on ".gva" documents without the window program.
#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <string>

#include "Commands.h"
#include "core/model/Cp1252.h"
#include "core/model/MessageBox.h"
#include "core/model/ProfileStore.h"
#include "core/model/Version.h"
#include "qtstore/QtProfileStore.h"

namespace {
// There is no one to answer questions: messages go to standard error and questions get the safe answer.
class CStderrMessageBox : public IMessageBox {
public:
    int Show(const std::string& text, MsgButtons buttons, MsgIcon) override {
        PrintError(Cp1252ToUtf8(text));
        switch (buttons) {
            case MsgButtons::OK: return IDOK;
            case MsgButtons::YesNo:
            case MsgButtons::YesNoDefaultNo: return IDNO;
            default: return IDCANCEL;
        }
    }
};

struct CCommand {
    const char* name;
    const char* usage;
    int (*run)(const QStringList& args);
    // Commands that only read leave the per-user store as it was, even where they would write to it.
    bool readsOnly;
};

// Every command is registered here: its name, its usage line and its entry point (declared in Commands.h).
const CCommand kCommands[] = {
    {"import", "gorvanta-cli import DOC.gva [TEXTFILE]", RunImportCommand, false},
    {"dump", "gorvanta-cli dump DOC.gva", RunDumpCommand, true},
    {"calc", "gorvanta-cli calc DOC.gva [OPTIONS]", RunCalcCommand, true},
    {"mark", "gorvanta-cli mark DOC.gva K:I excluded|pinned|none", RunMarkCommand, false},
    // Saves only the document (--assign, --save-plan); the store it reads as calc does.
    {"plan", "gorvanta-cli plan DOC.gva [OPTIONS]", RunPlanCommand, true},
};

std::string Usage() {
    std::string text = "usage:\n";
    for (const CCommand& c : kCommands) text += std::string("  ") + c.usage + "\n";
    text += "  gorvanta-cli --version\n";
    return text;
}

int ListCommands() {
    const std::string text = Usage();
    std::fwrite(text.data(), 1, text.size(), stdout);
    return CLI_EXIT_OK;
}

int BadUsage(const std::string& why) {
    const std::string text = (why.empty() ? std::string() : "gorvanta-cli: " + why + "\n") + Usage();
    std::fwrite(text.data(), 1, text.size(), stderr);
    return CLI_EXIT_USAGE;
}
}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    // Not QCoreApplication::arguments(): it turns bytes that are not UTF-8 into U+FFFD, another file name.
    const QStringList args = ArgumentsFromArgv(argc, argv);
    QCommandLineParser parser;
    // Whatever follows the command is the command's own, options included.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Lists the commands."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Prints the version."));
    parser.addOption(help);
    parser.addOption(version);
    const bool parsed = parser.parse(args);
    QStringList rest = parser.positionalArguments();
    if (parsed && parser.isSet(help)) return ListCommands();
    if (parsed && parser.isSet(version)) return WriteOutput(std::string("gorvanta-cli ") + GORVANTA_VERSION + "\n");
    if (args.size() < 2) return BadUsage("no command given");
    // The command must come first: an unknown option or "--" in its place is an unknown command.
    if (!parsed || rest.isEmpty() || rest.first() != args[1])
        return BadUsage("unknown command \"" + LocalPath(args[1]) + "\"");
    const QString name = rest.takeFirst();
    if (name == QLatin1String("help")) return ListCommands();
    for (const CCommand& c : kCommands) {
        if (name != QLatin1String(c.name)) continue;
        CQtProfileStore store(c.readsOnly ? CQtProfileStore::Access::ReadOnly : CQtProfileStore::Access::ReadWrite);
        // Settings still work from memory; the user should know they will not be kept.
        if (!store.Problem().empty()) PrintError("gorvanta-cli: " + store.Problem());
        SetProfileStore(&store);
        CStderrMessageBox box;
        CMessageBoxScope scope(&box);
        const int status = c.run(rest);
        SetProfileStore(nullptr);
        return status;
    }
    return BadUsage("unknown command \"" + LocalPath(name) + "\"");
}
