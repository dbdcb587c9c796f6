#include "HelpWindow.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>

CHelpWindow::CHelpWindow(QWidget* parent) : QMainWindow(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    setAttribute(Qt::WA_DeleteOnClose, false);  // kept, so the next F1 comes back to the same page

    m_browser = new QTextBrowser;
    m_browser->setObjectName(QStringLiteral("GuideBrowser"));
    m_browser->setOpenExternalLinks(true);  // mail and web links go to the desktop
    m_browser->setSearchPaths({QStringLiteral(":/guide")});
    setCentralWidget(m_browser);

    QToolBar* bar = addToolBar(QStringLiteral("Guide"));
    bar->setObjectName(QStringLiteral("GuideToolBar"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_back = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("Back"), m_browser,
                            &QTextBrowser::backward);
    m_back->setShortcut(QKeySequence::Back);
    m_forward = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("Forward"), m_browser,
                               &QTextBrowser::forward);
    m_forward->setShortcut(QKeySequence::Forward);
    QAction* home = bar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("Contents"), m_browser,
                                   &QTextBrowser::home);
    home->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Home));
    m_back->setEnabled(false);
    m_forward->setEnabled(false);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this, [this] {
        setWindowTitle(m_browser->documentTitle() + QStringLiteral(" - Gorvanta Help"));
        m_findStatus->clear();
    });

    bar->addSeparator();
    bar->addWidget(new QLabel(QStringLiteral("Find: ")));
    m_find = new QLineEdit;
    m_find->setObjectName(QStringLiteral("FindField"));
    m_find->setClearButtonEnabled(true);
    m_find->setMaximumWidth(220);
    bar->addWidget(m_find);
    m_findStatus = new QLabel;
    bar->addWidget(m_findStatus);
    connect(m_find, &QLineEdit::returnPressed, this, [this] { FindNext(); });

    auto* focusFind = new QAction(this);
    focusFind->setShortcut(QKeySequence::Find);
    connect(focusFind, &QAction::triggered, this, [this] {
        m_find->setFocus();
        m_find->selectAll();
    });
    auto* next = new QAction(this);
    next->setShortcut(QKeySequence::FindNext);
    connect(next, &QAction::triggered, this, [this] { FindNext(); });
    auto* previous = new QAction(this);
    previous->setShortcut(QKeySequence::FindPrevious);
    connect(previous, &QAction::triggered, this, [this] { FindNext(true); });
    addActions({focusFind, next, previous});

    m_browser->setSource(GuideHomeUrl());
    resize(760, 620);
}

bool CHelpWindow::FindNext(bool backward) {
    const QString text = m_find->text();
    if (text.isEmpty()) return false;
    const QTextDocument::FindFlags flags = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    bool found = m_browser->find(text, flags);
    if (!found) {
        // Round from the other end of the page.
        QTextCursor from = m_browser->textCursor();
        from.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
        m_browser->setTextCursor(from);
        found = m_browser->find(text, flags);
    }
    m_findStatus->setText(found ? QString() : QStringLiteral("  Not found"));
    return found;
}
