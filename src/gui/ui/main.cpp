// The window program: Qt's application, our message box, then the application object's start-up.
#include <QApplication>

#include "qtstore/FileNames.h"
#include "gui/ui/GorvantaApp.h"
#include "gui/ui/QtMessageBox.h"

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("VarnHolt"));
    QApplication::setApplicationName(QStringLiteral("Gorvanta"));
    QApplication::setDesktopFileName(QStringLiteral("gorvanta"));

    CQtMessageBox box;
    SetMessageBox(&box);
    CGorvantaApp app;
    // From argv itself, which QApplication has rid of its own options: arguments() would change file
    // names that are not UTF-8.
    if (!app.InitInstance(FileArguments(argc, argv))) return 1;
    return qapp.exec();
}
