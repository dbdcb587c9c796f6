#pragma once
// The user guide: the HTML pages in the program's resources (qrc:/guide), in a browser window with
// back, forward, contents and find.
#include <QMainWindow>
#include <QUrl>

class QAction;
class QLabel;
class QLineEdit;
class QTextBrowser;

// The guide's first page.
inline QUrl GuideHomeUrl() { return QUrl(QStringLiteral("qrc:/guide/index.html")); }

class CHelpWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit CHelpWindow(QWidget* parent = nullptr);

    QTextBrowser* Browser() const { return m_browser; }
    QLineEdit* FindField() const { return m_find; }
    QAction* BackAction() const { return m_back; }
    QAction* ForwardAction() const { return m_forward; }
    // Selects the next (or previous) place of the find field's text, wrapping round; false when the page
    // has none.
    bool FindNext(bool backward = false);

private:
    QTextBrowser* m_browser;
    QLineEdit* m_find;
    QLabel* m_findStatus;
    QAction* m_back;
    QAction* m_forward;
};
