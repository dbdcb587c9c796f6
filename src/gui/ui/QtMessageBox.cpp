#include "QtMessageBox.h"

#include <QApplication>
#include <QMessageBox>

#include "qtstore/QtText.h"
#include "gui/resources/StringTable.h"

int CQtMessageBox::Show(const std::string& text, MsgButtons buttons, MsgIcon icon) {
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    switch (icon) {
        case MsgIcon::Stop: qicon = QMessageBox::Critical; break;
        case MsgIcon::Question: qicon = QMessageBox::Question; break;
        case MsgIcon::Warning:
        case MsgIcon::Exclamation: qicon = QMessageBox::Warning; break;
        case MsgIcon::Information: qicon = QMessageBox::Information; break;
        case MsgIcon::None: break;
    }
    QMessageBox::StandardButtons qbuttons = QMessageBox::Ok;
    QMessageBox::StandardButton escape = QMessageBox::Ok;
    switch (buttons) {
        case MsgButtons::OK: break;
        case MsgButtons::OKCancel:
            qbuttons = QMessageBox::Ok | QMessageBox::Cancel;
            escape = QMessageBox::Cancel;
            break;
        case MsgButtons::YesNo:
        case MsgButtons::YesNoDefaultNo:
            qbuttons = QMessageBox::Yes | QMessageBox::No;
            escape = QMessageBox::No;
            break;
        case MsgButtons::YesNoCancel:
            qbuttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
            escape = QMessageBox::Cancel;
            break;
    }
    QMessageBox box(qicon, QString::fromLatin1(APP_NAME), ToQt(text), qbuttons,
                    QApplication::activeWindow());
    // The first button is the default, as in the platform's message boxes.
    box.setDefaultButton(buttons == MsgButtons::YesNoDefaultNo                                  ? QMessageBox::No
                         : buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? QMessageBox::Yes
                                                                                              : QMessageBox::Ok);
    box.setEscapeButton(escape);
    switch (box.exec()) {
        case QMessageBox::Yes: return IDYES;
        case QMessageBox::No: return IDNO;
        case QMessageBox::Cancel: return IDCANCEL;
        case QMessageBox::Ok: return IDOK;
        default: return buttons == MsgButtons::OK ? IDOK : (buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoDefaultNo ? IDNO : IDCANCEL);
    }
}
