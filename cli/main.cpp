// gorvanta-cli: works on ".gva" documents without the window program.
#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <string>

#include "Commands.h"
#include "model/Cp1252.h"
#include "model/MessageBox.h"
#include "model/ProfileStore.h"
#include "model/QtProfileStore.h"

namespace {
// There is no one to answer questions: messages go to standard error and questions get the safe answer.
class CStderrMessageBox : public IMessageBox {
public:
    int Show(const std::string& text, MsgButtons buttons, MsgIcon) override {
        PrintError(Cp1252ToUtf8(text));
        switch (buttons) {
            case MsgButtons::OK: return IDOK;
            case MsgButtons::YesNo: return IDNO;
            default: return IDCANCEL;
        }
    }
};

struct CCommand {
    const char* name;
    const char* usage;
    int (*run)(const QStringList& args);
};

// Every command is registered here: its name, its usage line and its entry point (declared in Commands.h).
const CCommand kCommands[] = {
    {"import", "gorvanta-cli import DOC.gva [TEXTFILE]", RunImportCommand},
    {"dump", "gorvanta-cli dump DOC.gva", RunDumpCommand},
    {"calc", "gorvanta-cli calc DOC.gva [OPTIONS]", RunCalcCommand},
};

std::string Usage() {
    std::string text = "usage:\n";
    for (const CCommand& c : kCommands) text += std::string("  ") + c.usage + "\n";
    return text;
}

int BadUsage(const std::string& why) {
    const std::string text = (why.empty() ? std::string() : "gorvanta-cli: " + why + "\n") + Usage();
    std::fwrite(text.data(), 1, text.size(), stderr);
    return CLI_EXIT_USAGE;
}
}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    if (args.isEmpty()) return BadUsage("no command given");
    const QString name = args.takeFirst();
    if (name == QLatin1String("-h") || name == QLatin1String("--help") || name == QLatin1String("help")) {
        const std::string text = Usage();
        std::fwrite(text.data(), 1, text.size(), stdout);
        return CLI_EXIT_OK;
    }
    for (const CCommand& c : kCommands) {
        if (name != QLatin1String(c.name)) continue;
        CQtProfileStore store;
        SetProfileStore(&store);
        CStderrMessageBox box;
        CMessageBoxScope scope(&box);
        const int status = c.run(args);
        SetProfileStore(nullptr);
        return status;
    }
    return BadUsage("unknown command \"" + name.toStdString() + "\"");
}
