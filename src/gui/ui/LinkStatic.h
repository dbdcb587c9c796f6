#pragma once
// A text label that behaves like a web link: underlined, link colours, hand pointer, a tool tip, and a
// click that hands its target to the desktop.
#include <QColor>
#include <QCursor>
#include <QFont>
#include <QLabel>
#include <QString>
#include <QUrl>

#include <functional>

class CLinkStatic : public QLabel {
    Q_OBJECT
public:
    // Opens a URL; returns whether something took it.
    using UrlOpener = std::function<bool(const QUrl&)>;

    explicit CLinkStatic(const QString& text = QString(), QWidget* parent = nullptr);

    void SetTarget(const QString& target) { m_strTarget = target; }
    QString Target() const { return m_strTarget; }
    void EnableTip(int enable) { m_bTipEnabled = enable ? 1 : 0; }
    // Dropped unless EnableTip came first.
    void SetTipText(const QString& text);
    QString TipText() const { return m_strTip; }

    // What a click uses instead of the desktop's URL handler (tests, or a program with its own mailer).
    void SetUrlOpener(UrlOpener opener) { m_opener = std::move(opener); }
    // The opener new links start with.
    static void SetDefaultUrlOpener(UrlOpener opener);

    bool IsHovering() const { return m_bHover != 0; }
    bool IsVisited() const { return m_bVisited != 0; }
    // The colour the text is drawn in now.
    QColor TextColour() const;

    QColor m_crHover{255, 0, 0};
    QColor m_crNormal{0, 0, 255};
    QColor m_crVisited{5, 34, 143};

signals:
    void Clicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void SetHover(bool hover);
    void ApplyColour();

    QCursor m_hHandCursor;
    unsigned char m_bTipEnabled = 0;
    unsigned char m_bHover = 0;
    unsigned char m_bVisited = 0;
    bool m_bPressed = false;
    QFont m_fontUnderline;
    QString m_strTip;
    QString m_strTarget;
    UrlOpener m_opener;
};
