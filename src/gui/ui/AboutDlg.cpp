#include "AboutDlg.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "LinkStatic.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Gorvanta"));
    setObjectName(QStringLiteral("AboutDlg"));

    m_icon = new QLabel;
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull()) icon = style()->standardIcon(QStyle::SP_DesktopIcon);
    m_icon->setPixmap(icon.pixmap(32, 32));
    m_icon->setFixedSize(32, 32);

    auto* version = new QLabel(AboutVersionText());
    version->setTextFormat(Qt::PlainText);
    auto* maker = new QLabel(QString::fromUtf8(ABOUT_MAKER_TEXT));
    maker->setTextFormat(Qt::PlainText);
    m_link = new CLinkStatic(QString::fromLatin1(ABOUT_CONTACT_ADDRESS));
    m_link->setObjectName(QStringLiteral("Link"));
    m_link->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);

    m_btnOk = new QPushButton(QStringLiteral("OK"));
    m_btnOk->setDefault(true);
    m_btnOk->setMinimumWidth(75);
    connect(m_btnOk, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->setSpacing(4);
    text->addWidget(version);
    text->addWidget(maker);
    text->addWidget(m_link, 0, Qt::AlignLeft);
    text->addStretch(1);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(16, 16, 12, 16);
    layout->setHorizontalSpacing(14);
    layout->addWidget(m_icon, 0, 0, Qt::AlignTop);
    layout->addLayout(text, 0, 1);
    layout->addWidget(m_btnOk, 0, 2, Qt::AlignTop);
    layout->setColumnStretch(1, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    OnInitDialog();
}

void CAboutDlg::OnInitDialog() {
    m_link->SetTarget(QStringLiteral("mailto:") + QString::fromLatin1(ABOUT_CONTACT_ADDRESS));
    // The tip text is only taken once the tip is enabled.
    m_link->EnableTip(1);
    m_link->SetTipText(QString::fromLatin1(ABOUT_TIP_TEXT));
    m_btnOk->setFocus();
}
