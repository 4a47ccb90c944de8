#include "Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <cmath>

namespace dxconsole {

namespace {

// An arrow pointing at `degrees` (0 = right, 90 = up) filling the square.
void paintArrow(QPainter& p, double s, double degrees) {
    p.save();
    p.translate(s / 2, s / 2);
    p.rotate(-degrees);
    const double h = s * 0.42;
    QPolygonF arrow;
    arrow << QPointF(h, 0) << QPointF(0, -h * 0.8) << QPointF(0, -h * 0.32)
          << QPointF(-h, -h * 0.32) << QPointF(-h, h * 0.32) << QPointF(0, h * 0.32)
          << QPointF(0, h * 0.8);
    p.drawPolygon(arrow);
    p.restore();
}

// A magnifier with a minus (wide) or plus (tele) in its lens.
void paintMagnifier(QPainter& p, double s, bool plus) {
    const double r = s * 0.3;
    const QPointF c(s * 0.42, s * 0.42);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, r, r);
    p.drawLine(QPointF(c.x() + r * 0.7, c.y() + r * 0.7), QPointF(s * 0.92, s * 0.92));
    p.drawLine(QPointF(c.x() - r * 0.55, c.y()), QPointF(c.x() + r * 0.55, c.y()));
    if (plus) p.drawLine(QPointF(c.x(), c.y() - r * 0.55), QPointF(c.x(), c.y() + r * 0.55));
}

// Focus near: a small flower; focus far: two mountains.
void paintFocus(QPainter& p, double s, bool far) {
    if (far) {
        QPolygonF m;
        m << QPointF(s * 0.05, s * 0.85) << QPointF(s * 0.38, s * 0.3) << QPointF(s * 0.55, s * 0.58)
          << QPointF(s * 0.7, s * 0.4) << QPointF(s * 0.95, s * 0.85);
        p.drawPolygon(m);
        return;
    }
    p.drawLine(QPointF(s * 0.5, s * 0.5), QPointF(s * 0.5, s * 0.95));
    for (int i = 0; i < 5; ++i) {
        const double a = i * 2 * M_PI / 5;
        p.drawEllipse(QPointF(s * 0.5 + std::cos(a) * s * 0.18, s * 0.32 + std::sin(a) * s * 0.18),
                      s * 0.1, s * 0.1);
    }
}

// Iris: a ring whose hole is large (open) or small (closed).
void paintIris(QPainter& p, double s, bool open) {
    QPainterPath ring;
    ring.addEllipse(QPointF(s / 2, s / 2), s * 0.44, s * 0.44);
    const double hole = open ? s * 0.3 : s * 0.1;
    ring.addEllipse(QPointF(s / 2, s / 2), hole, hole);
    ring.setFillRule(Qt::OddEvenFill);
    p.drawPath(ring);
}

}  // namespace

QIcon PaintedIcon(Glyph glyph, int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(20, 40, 90), std::max(1.0, size / 12.0)));
    p.setBrush(QColor(40, 90, 170));
    const double s = size;
    switch (glyph) {
    case Glyph::Right: paintArrow(p, s, 0); break;
    case Glyph::UpRight: paintArrow(p, s, 45); break;
    case Glyph::Up: paintArrow(p, s, 90); break;
    case Glyph::UpLeft: paintArrow(p, s, 135); break;
    case Glyph::Left: paintArrow(p, s, 180); break;
    case Glyph::DownLeft: paintArrow(p, s, 225); break;
    case Glyph::Down: paintArrow(p, s, 270); break;
    case Glyph::DownRight: paintArrow(p, s, 315); break;
    case Glyph::ZoomWide: paintMagnifier(p, s, false); break;
    case Glyph::ZoomTele: paintMagnifier(p, s, true); break;
    case Glyph::FocusNear: paintFocus(p, s, false); break;
    case Glyph::FocusFar: paintFocus(p, s, true); break;
    case Glyph::IrisOpen: paintIris(p, s, true); break;
    case Glyph::IrisClose: paintIris(p, s, false); break;
    }
    p.end();
    return QIcon(pm);
}

QPixmap PaintedLogo(int width, int height) {
    QPixmap pm(width, height);
    pm.fill(QColor(235, 240, 250));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // a dome camera: base plate, dome and lens
    const double w = width, h = height;
    p.setPen(QPen(QColor(30, 50, 100), 2));
    p.setBrush(QColor(90, 110, 150));
    p.drawRoundedRect(QRectF(w * 0.15, h * 0.2, w * 0.7, h * 0.14), 4, 4);
    p.setBrush(QColor(40, 60, 110, 200));
    p.drawChord(QRectF(w * 0.25, h * 0.02, w * 0.5, h * 0.9), 180 * 16, 180 * 16);
    p.setBrush(QColor(10, 10, 20));
    p.drawEllipse(QPointF(w * 0.5, h * 0.6), w * 0.08, w * 0.08);
    p.end();
    return pm;
}

}  // namespace dxconsole
