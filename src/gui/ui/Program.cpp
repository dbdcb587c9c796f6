#include "Program.h"

#include <QApplication>

#include "GorvantaApp.h"
#include "QtMessageBox.h"
#include "qtstore/FileNames.h"

int RunWindowProgram(int argc, char** argv, const CProgramHooks& hooks) {
    QApplication qapp(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("VarnHolt"));
    QApplication::setApplicationName(QStringLiteral("Gorvanta"));
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
