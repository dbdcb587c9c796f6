#include "Icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <functional>
#include <initializer_list>

#include "Resource.h"

namespace {
using Painter = std::function<void(QPainter&)>;

// Draws on a 16 by 16 grid scaled to the pixmap.
QPixmap Render(int size, const Painter& paint, double grid = 16.0) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / grid, size / grid);
    paint(p);
    return pm;
}

QIcon MakeIcon(const Painter& paint, double grid = 16.0) {
    QIcon icon;
    for (int size : {16, 20, 24, 32, 48}) icon.addPixmap(Render(size, paint, grid));
    return icon;
}

QPen Outline(const QColor& c, double w = 1.0) {
    QPen pen(c, w);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

QPainterPath Polygon(std::initializer_list<QPointF> points) {
    QPainterPath path;
    bool first = true;
    for (const QPointF& pt : points) {
        if (first) path.moveTo(pt);
        else path.lineTo(pt);
        first = false;
    }
    path.closeSubpath();
    return path;
}

QRadialGradient Radial(QPointF centre, double radius, const QColor& inner, const QColor& outer) {
    QRadialGradient g(centre, radius);
    g.setColorAt(0, inner);
    g.setColorAt(1, outer);
    return g;
}

// A sheet with its top right corner folded over, the fold `f` wide.
void PaintFoldedPage(QPainter& p, const QRectF& r, double f, const QPen& pen, const QColor& paper) {
    p.setPen(pen);
    p.setBrush(paper);
    p.drawPath(Polygon({r.topLeft(), {r.right() - f, r.top()}, {r.right(), r.top() + f}, r.bottomRight(),
                        r.bottomLeft()}));
    p.setBrush(QColor(214, 220, 230));
    p.drawPath(Polygon({{r.right() - f, r.top()}, {r.right() - f, r.top() + f}, {r.right(), r.top() + f}}));
}

void PaintPage(QPainter& p) {
    PaintFoldedPage(p, QRectF(QPointF(3.5, 1.5), QPointF(13.5, 14.5)), 3.5, Outline(QColor(90, 96, 110)), Qt::white);
    p.setPen(Outline(QColor(150, 170, 200), 0.8));
    for (double y : {7.5, 9.5, 11.5}) p.drawLine(QPointF(5.5, y), QPointF(11.5, y));
}

void PaintOpen(QPainter& p) {
    p.setPen(Outline(QColor(150, 110, 20)));
    p.setBrush(QColor(236, 190, 70));
    p.drawPath(Polygon({{1.5, 3.5}, {5.5, 3.5}, {7.0, 5.0}, {12.5, 5.0}, {12.5, 13.5}, {1.5, 13.5}}));
    const QPainterPath flap = Polygon({{3.5, 7.5}, {15.0, 7.5}, {12.5, 13.5}, {1.5, 13.5}});
    QLinearGradient g(0, 7.5, 0, 13.5);
    g.setColorAt(0, QColor(255, 224, 130));
    g.setColorAt(1, QColor(244, 196, 80));
    p.setBrush(g);
    p.drawPath(flap);
}

void PaintSave(QPainter& p) {
    p.setPen(Outline(QColor(30, 50, 100)));
    p.setBrush(QColor(60, 100, 180));
    p.drawPath(Polygon({{1.5, 1.5}, {12.5, 1.5}, {14.5, 3.5}, {14.5, 14.5}, {1.5, 14.5}}));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(245, 245, 245));
    p.drawRect(QRectF(4, 2, 8, 5));
    p.setBrush(QColor(60, 100, 180));
    p.drawRect(QRectF(9.5, 2.8, 1.5, 3.4));
    p.setBrush(QColor(200, 205, 215));
    p.drawRect(QRectF(4, 9.5, 8, 5));
    p.setPen(Outline(QColor(120, 125, 140), 0.7));
    p.drawLine(QPointF(5.5, 11.2), QPointF(10.5, 11.2));
    p.drawLine(QPointF(5.5, 12.8), QPointF(10.5, 12.8));
}

void PaintAlwaysOnTop(QPainter& p) {
    // Two windows, the front one raised, with a pin through it.
    p.setPen(Outline(QColor(90, 96, 110)));
    p.setBrush(QColor(225, 229, 236));
    p.drawRect(QRectF(1.5, 6.5, 9, 7.5));
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(QRectF(5.5, 3.5, 9, 7.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 120, 200));
    p.drawRect(QRectF(6, 4, 8, 2));
    p.setPen(Outline(QColor(110, 110, 110), 1.2));
    p.drawLine(QPointF(10.0, 8.0), QPointF(7.0, 12.5));
    p.setPen(Outline(QColor(120, 10, 10), 0.7));
    p.setBrush(Radial(QPointF(10.6, 6.4), 3.0, QColor(255, 120, 110), QColor(190, 20, 20)));
    p.drawEllipse(QPointF(11.0, 7.0), 2.6, 2.6);
}

void PaintStart(QPainter& p) {
    p.setPen(Outline(QColor(20, 90, 30)));
    p.setBrush(Radial(QPointF(6.5, 5.5), 8.0, QColor(120, 220, 120), QColor(30, 140, 40)));
    p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(Polygon({{6.3, 4.8}, {11.4, 8.0}, {6.3, 11.2}}));
}

void PaintStop(QPainter& p) {
    const double a = 4.6, b = 1.5;
    p.setPen(Outline(QColor(120, 15, 15)));
    p.setBrush(Radial(QPointF(6.5, 5.5), 8.0, QColor(250, 110, 100), QColor(190, 30, 30)));
    p.drawPath(Polygon({{a, b}, {16 - a, b}, {16 - b, a}, {16 - b, 16 - a}, {16 - a, 16 - b}, {a, 16 - b},
                        {b, 16 - a}, {b, a}}));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5.5, 5.5, 5, 5));
}

// Three characters side by side, the first in front.
void PaintPlan(QPainter& p) {
    const QColor fills[3] = {QColor(150, 160, 200), QColor(110, 170, 120), QColor(70, 110, 190)};
    const double xs[3] = {3.5, 12.5, 8.0};
    for (int i = 0; i < 3; ++i) {
        const double x = xs[i], y = i == 2 ? 1.5 : 0.0;
        p.setPen(Outline(fills[i].darker(180)));
        p.setBrush(fills[i]);
        p.drawEllipse(QPointF(x, 4.5 + y), 2.2, 2.2);
        p.drawRoundedRect(QRectF(x - 3.0, 7.5 + y, 6.0, 7.0 - y), 2.0, 2.0);
    }
}

void PaintPaste(QPainter& p) {
    p.setPen(Outline(QColor(110, 70, 30)));
    p.setBrush(QColor(190, 135, 70));
    p.drawRoundedRect(QRectF(1.5, 2.5, 10, 12), 1.2, 1.2);
    p.setBrush(QColor(160, 165, 175));
    p.setPen(Outline(QColor(90, 95, 105)));
    p.drawRoundedRect(QRectF(4, 1.5, 5, 2.5), 0.8, 0.8);
    p.setPen(Outline(QColor(90, 96, 110)));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6.5, 6.5, 8, 8));
    p.setPen(Outline(QColor(150, 170, 200), 0.8));
    for (double y : {9.0, 11.0, 13.0}) p.drawLine(QPointF(8.3, y), QPointF(12.7, y));
}

void PaintAbout(QPainter& p) {
    p.setPen(Outline(QColor(20, 50, 120)));
    p.setBrush(Radial(QPointF(6.0, 5.0), 9.0, QColor(120, 170, 240), QColor(30, 80, 170)));
    p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
    QFont f;
    f.setBold(true);
    f.setPixelSize(10);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(1.5, 2.0, 13, 12), Qt::AlignCenter, QStringLiteral("?"));
}

QPainterPath ShieldPath(double x, double y, double w, double h) {
    QPainterPath s;
    s.moveTo(x + w / 2, y);
    s.cubicTo(x + w * 0.78, y + h * 0.08, x + w * 0.92, y + h * 0.08, x + w, y + h * 0.06);
    s.lineTo(x + w, y + h * 0.45);
    s.cubicTo(x + w, y + h * 0.75, x + w * 0.7, y + h * 0.9, x + w / 2, y + h);
    s.cubicTo(x + w * 0.3, y + h * 0.9, x, y + h * 0.75, x, y + h * 0.45);
    s.lineTo(x, y + h * 0.06);
    s.cubicTo(x + w * 0.08, y + h * 0.08, x + w * 0.22, y + h * 0.08, x + w / 2, y);
    s.closeSubpath();
    return s;
}

// A steel heater shield with a gold rim and a G, on a 64 grid.
void PaintShield(QPainter& p, double x, double y, double w, double h) {
    const QPainterPath shield = ShieldPath(x, y, w, h);
    QLinearGradient steel(x, y, x + w, y + h);
    steel.setColorAt(0, QColor(96, 132, 190));
    steel.setColorAt(0.55, QColor(38, 70, 130));
    steel.setColorAt(1, QColor(20, 40, 84));
    QPen rim(QColor(214, 170, 60), w * 0.075);
    rim.setJoinStyle(Qt::RoundJoin);
    p.setPen(rim);
    p.setBrush(steel);
    p.drawPath(shield);
    // A bright band down the middle, as on a polished plate.
    p.save();
    p.setClipPath(shield);
    QLinearGradient shine(x, y, x + w, y);
    shine.setColorAt(0.0, QColor(255, 255, 255, 0));
    shine.setColorAt(0.35, QColor(255, 255, 255, 40));
    shine.setColorAt(0.5, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawRect(QRectF(x, y, w, h));
    p.restore();
    QFont f(QStringLiteral("DejaVu Serif"));
    f.setBold(true);
    f.setPixelSize(int(h * 0.56));
    p.setFont(f);
    p.setPen(QColor(246, 226, 160));
    p.drawText(QRectF(x, y + h * 0.08, w, h * 0.8), Qt::AlignCenter, QStringLiteral("G"));
}

void PaintApp(QPainter& p) { PaintShield(p, 10, 5, 44, 54); }

void PaintDoc(QPainter& p) {
    PaintFoldedPage(p, QRectF(QPointF(10, 3), QPointF(54, 61)), 14, Outline(QColor(110, 116, 128), 2.0),
                    QColor(252, 252, 252));
    PaintShield(p, 20, 20, 24, 30);
}
}  // namespace

QIcon CommandIcon(int id) {
    switch (id) {
        case ID_FILE_NEW: return MakeIcon(PaintPage);
        case ID_FILE_OPEN: return MakeIcon(PaintOpen);
        case ID_FILE_SAVE: return MakeIcon(PaintSave);
        case ID_VIEW_ALWAYS_ON_TOP: return MakeIcon(PaintAlwaysOnTop);
        case ID_CALC_START: return MakeIcon(PaintStart);
        case ID_CALC_STOP: return MakeIcon(PaintStop);
        case ID_CALC_PLAN: return MakeIcon(PaintPlan);
        case ID_EDIT_PASTE: return MakeIcon(PaintPaste);
        case ID_APP_ABOUT: return MakeIcon(PaintAbout);
        default: return QIcon();
    }
}

QPixmap AppIconPixmap(int size) { return Render(size, PaintApp, 64.0); }
QPixmap DocIconPixmap(int size) { return Render(size, PaintDoc, 64.0); }

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(AppIconPixmap(size));
    return icon;
}

QIcon DocIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128}) icon.addPixmap(DocIconPixmap(size));
    return icon;
}
