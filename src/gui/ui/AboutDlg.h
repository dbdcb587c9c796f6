#pragma once
// The About box: program name and version, the maker, and a mail link for feedback.
#include <QDialog>
#include <QString>

#include "core/model/Version.h"

class CLinkStatic;
class QLabel;
class QPushButton;

constexpr const char* ABOUT_MAKER_TEXT = "Copyright \xC2\xA9 2004 VarnHolt";
constexpr const char* ABOUT_CONTACT_ADDRESS = "gorvanta@varnholt.example";
constexpr const char* ABOUT_TIP_TEXT = "Please send your comments, questions, or complaints here :-)";

// "Gorvanta Version 1.0.8.0", from the project version.
inline QString AboutVersionText() {
    return QStringLiteral("Gorvanta Version ") + QLatin1String(GORVANTA_VERSION);
}

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    CLinkStatic* Link() const { return m_link; }
    QPushButton* OkButton() const { return m_btnOk; }
    QLabel* IconLabel() const { return m_icon; }

private:
    void OnInitDialog();

    CLinkStatic* m_link = nullptr;
    QPushButton* m_btnOk = nullptr;
    QLabel* m_icon = nullptr;
};
