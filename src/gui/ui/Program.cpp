#include "Program.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

#include "GorvantaApp.h"
#include "QtMessageBox.h"
#include "core/model/Version.h"
#include "qtstore/FileNames.h"

namespace {
// --version and --help are answered before QApplication exists, so they work without a display.
// Anything else (a file, Qt's own options such as -platform) is left to the start-up below.
int AnswerInfoOptions(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    // "-stylesheet" is one of Qt's options, not -s -t -y ... -h.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral("Plans armor suits from the pieces you own."));
    parser.addPositionalArgument(QStringLiteral("FILE.gva"), QStringLiteral("the document to open; a new one when absent"));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Displays the version."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Displays this help."));
    parser.addOption(version);
    parser.addOption(help);
    parser.parse(args);  // unknown options are Qt's or a file's, not an error here
    if (parser.isSet(version)) {
        std::printf("gorvanta %s\n", GORVANTA_VERSION);
        return 0;
    }
    if (parser.isSet(help)) {
        const QString text = parser.helpText();
        std::printf("usage: gorvanta [FILE.gva]%s", qPrintable(text.mid(text.indexOf(u'\n'))));
        return 0;
    }
    return -1;
}
}  // namespace

int RunWindowProgram(int argc, char** argv, const CProgramHooks& hooks) {
    if (const int status = AnswerInfoOptions(argc, argv); status >= 0) return status;
    QApplication qapp(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("VarnHolt"));
    QApplication::setApplicationName(QStringLiteral("Gorvanta"));
    QApplication::setApplicationVersion(QLatin1String(GORVANTA_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("gorvanta"));

    CQtMessageBox box;
    SetMessageBox(&box);
    CGorvantaApp app;
    app.EnableRecovery();
    if (hooks.beforeStart) hooks.beforeStart(app);
    // From argv itself, which QApplication has rid of its own options: arguments() would change file
    // names that are not UTF-8.
    if (!app.InitInstance(FileArguments(argc, argv))) return 1;
    if (hooks.started) hooks.started(app);
    return qapp.exec();
}
