// The window program: Qt's application, our message box, then the application object's start-up.
#include <QApplication>

#include "ui/GorvantaApp.h"
#include "ui/QtMessageBox.h"

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("VarnHolt"));
    QApplication::setApplicationName(QStringLiteral("Gorvanta"));
    QApplication::setDesktopFileName(QStringLiteral("gorvanta"));

    CQtMessageBox box;
    SetMessageBox(&box);
    CGorvantaApp app;
    if (!app.InitInstance(QApplication::arguments().mid(1))) return 1;
    return qapp.exec();
}
