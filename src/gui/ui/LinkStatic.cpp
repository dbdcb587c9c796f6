#include "LinkStatic.h"

#include <QDesktopServices>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPalette>

namespace {
CLinkStatic::UrlOpener& DefaultOpener() {
    static CLinkStatic::UrlOpener opener = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return opener;
}
}  // namespace

void CLinkStatic::SetDefaultUrlOpener(UrlOpener opener) {
    DefaultOpener() = opener ? std::move(opener) : [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

CLinkStatic::CLinkStatic(const QString& text, QWidget* parent)
    : QLabel(parent), m_hHandCursor(Qt::PointingHandCursor), m_opener(DefaultOpener()) {
    setTextFormat(Qt::PlainText);
    setText(text);
    m_fontUnderline = font();
    m_fontUnderline.setUnderline(true);
    setFont(m_fontUnderline);
    setCursor(m_hHandCursor);
    // Hover is tracked without a button held, and the tip shows even while the dialog is not active.
    setMouseTracking(true);
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setAutoFillBackground(false);
    ApplyColour();
}

void CLinkStatic::SetTipText(const QString& text) {
    if (!m_bTipEnabled) return;
    m_strTip = text;
    setToolTip(text);
}

QColor CLinkStatic::TextColour() const {
    // A visited link keeps its colour under the pointer.
    if (m_bVisited) return m_crVisited;
    if (m_bHover) return m_crHover;
    return m_crNormal;
}

void CLinkStatic::ApplyColour() {
    QPalette pal = palette();
    const QColor c = TextColour();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(g, QPalette::WindowText, c);
        pal.setColor(g, QPalette::Text, c);
    }
    setPalette(pal);
}

void CLinkStatic::paintEvent(QPaintEvent* event) {
    if (palette().color(QPalette::WindowText) != TextColour()) ApplyColour();
    QLabel::paintEvent(event);
}

void CLinkStatic::SetHover(bool hover) {
    if (bool(m_bHover) == hover) return;
    m_bHover = hover ? 1 : 0;
    ApplyColour();
    repaint();
}

void CLinkStatic::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    SetHover(true);
}

void CLinkStatic::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    SetHover(false);
}

void CLinkStatic::mouseMoveEvent(QMouseEvent* event) {
    QLabel::mouseMoveEvent(event);
    SetHover(rect().contains(event->position().toPoint()));
}

void CLinkStatic::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_bPressed = true;
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void CLinkStatic::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = m_bPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton) m_bPressed = false;
    if (!click) {
        QLabel::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    if (m_opener && !m_strTarget.isEmpty()) m_opener(QUrl(m_strTarget));
    // Visited whether or not anything opened the target.
    m_bVisited = 1;
    ApplyColour();
    update();
    emit Clicked();
}
