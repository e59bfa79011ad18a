#include "ui/pictures.h"

#include <QIcon>

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>

#include "ui/fonts.h"

// The icons live in a static library, whose resources are registered only
// when asked for (Q_INIT_RESOURCE cannot stand inside a namespace).
static void InitIconResources() { Q_INIT_RESOURCE(icons); }

namespace tally::ui {
namespace {

const QColor kInk(24, 48, 96);

// The largest square centred in r, less a margin.
QRectF Square(const QRectF& r, qreal margin) {
  const qreal side = std::min(r.width(), r.height()) - 2 * margin;
  return {r.center().x() - side / 2, r.center().y() - side / 2, side, side};
}

}  // namespace

void PaintMailPicture(QPainter& p, const QRectF& r) {
  p.save();
  const QRectF s = Square(r, 1.5);
  const QRectF env(s.left(), s.top() + s.height() * 0.18, s.width(), s.height() * 0.64);
  QLinearGradient paper(env.topLeft(), env.bottomLeft());
  paper.setColorAt(0, QColor(255, 253, 240));
  paper.setColorAt(1, QColor(232, 226, 200));
  p.setPen(QPen(kInk, 1.4));
  p.setBrush(paper);
  p.drawRoundedRect(env, 1.5, 1.5);
  const QPointF fold(env.center().x(), env.top() + env.height() * 0.58);
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(QPolygonF{env.topLeft(), fold, env.topRight()});
  p.setPen(QPen(kInk, 1.0));
  p.drawLine(env.bottomLeft(),
             QPointF(env.left() + env.width() * 0.4, env.top() + env.height() * 0.5));
  p.drawLine(env.bottomRight(),
             QPointF(env.right() - env.width() * 0.4, env.top() + env.height() * 0.5));
  // A red stamp in the corner.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(200, 40, 40));
  p.drawRect(QRectF(env.right() - env.width() * 0.26, env.top() + 2.5, env.width() * 0.18,
                    env.height() * 0.22));
  p.restore();
}

void PaintWebPicture(QPainter& p, const QRectF& r) {
  p.save();
  const QRectF s = Square(r, 1.5);
  QRadialGradient sea(s.center() - QPointF(s.width() * 0.2, s.height() * 0.2), s.width() * 0.75);
  sea.setColorAt(0, QColor(170, 215, 255));
  sea.setColorAt(1, QColor(30, 100, 190));
  p.setPen(QPen(kInk, 1.4));
  p.setBrush(sea);
  p.drawEllipse(s);

  QPainterPath globe;
  globe.addEllipse(s);
  p.setClipPath(globe);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(255, 255, 255, 200), 1.0));
  const QPointF c = s.center();
  for (const qreal f : {0.25, 0.55}) {
    p.drawEllipse(c, s.width() * f / 2 + s.width() * 0.12, s.height() / 2);
  }
  p.drawLine(QPointF(c.x(), s.top()), QPointF(c.x(), s.bottom()));
  for (const qreal f : {0.25, 0.5, 0.75}) {
    const qreal y = s.top() + s.height() * f;
    p.drawLine(QPointF(s.left(), y), QPointF(s.right(), y));
  }
  p.restore();
}

void PaintTermsPicture(QPainter& p, const QRectF& r) {
  p.save();
  const qreal w = std::min(r.width() * 0.72, r.height() * 0.8);
  const qreal h = std::min(r.height() - 3, w * 1.3);
  const QRectF sheet(r.center().x() - w / 2 - 3, r.center().y() - h / 2, w, h);
  const qreal ear = w * 0.28;

  QPainterPath page;
  page.moveTo(sheet.topLeft());
  page.lineTo(sheet.right() - ear, sheet.top());
  page.lineTo(sheet.right(), sheet.top() + ear);
  page.lineTo(sheet.bottomRight());
  page.lineTo(sheet.bottomLeft());
  page.closeSubpath();
  p.setPen(QPen(kInk, 1.2));
  p.setBrush(QColor(255, 255, 252));
  p.drawPath(page);
  p.setBrush(QColor(210, 210, 220));
  p.drawPolygon(QPolygonF{QPointF(sheet.right() - ear, sheet.top()),
                          QPointF(sheet.right() - ear, sheet.top() + ear),
                          QPointF(sheet.right(), sheet.top() + ear)});

  // Lines of text.
  p.setPen(QPen(QColor(110, 110, 130), 1.3));
  for (int k = 0; k < 6; ++k) {
    const qreal y = sheet.top() + ear + 3 + k * (h - ear - 8) / 6;
    const qreal right = k == 5 ? sheet.left() + w * 0.5 : sheet.right() - 4;
    p.drawLine(QPointF(sheet.left() + 4, y), QPointF(right, y));
  }

  // The seal with its ribbons.
  const QPointF seal(sheet.right() - 1, sheet.bottom() - w * 0.22);
  const qreal radius = w * 0.24;
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(170, 20, 30));
  p.drawPolygon(QPolygonF{seal, seal + QPointF(-radius * 0.9, radius * 1.9),
                          seal + QPointF(-radius * 0.3, radius * 1.5)});
  p.drawPolygon(QPolygonF{seal, seal + QPointF(radius * 0.9, radius * 1.9),
                          seal + QPointF(radius * 0.3, radius * 1.5)});
  QRadialGradient wax(seal - QPointF(radius * 0.3, radius * 0.3), radius * 1.3);
  wax.setColorAt(0, QColor(240, 80, 80));
  wax.setColorAt(1, QColor(150, 10, 20));
  p.setBrush(wax);
  p.setPen(QPen(QColor(110, 0, 10), 1.0));
  p.drawEllipse(seal, radius, radius);
  p.restore();
}

void PaintBannerPicture(QPainter& p, const QRectF& r) {
  p.save();
  QLinearGradient sky(r.topLeft(), r.topRight());
  sky.setColorAt(0, QColor(16, 70, 60));
  sky.setColorAt(1, QColor(40, 140, 120));
  p.fillRect(r, sky);

  // A roll of paper tape unwinding to the right.
  const qreal h = r.height();
  const QPointF hub(r.left() + h * 0.62, r.center().y());
  const qreal roll = h * 0.36;
  const QRectF strip(hub.x(), hub.y() + roll * 0.25, r.width() * 0.42, roll * 0.75);
  p.setPen(QPen(QColor(200, 200, 185), 1.0));
  p.setBrush(QColor(252, 250, 238));
  p.drawRect(strip);
  p.setPen(QPen(QColor(90, 90, 90), 1.0));
  for (int k = 1; k <= 6; ++k) {
    const qreal x = strip.left() + k * strip.width() / 7;
    p.drawLine(QPointF(x, strip.top() + 4), QPointF(x, strip.bottom() - 4));
  }
  p.setBrush(QColor(245, 240, 220));
  p.setPen(QPen(QColor(150, 140, 110), 1.2));
  p.drawEllipse(hub, roll, roll);
  p.setBrush(QColor(60, 60, 60));
  p.drawEllipse(hub, roll * 0.3, roll * 0.3);

  // The name.
  QFont big = UiFont(static_cast<int>(h * 0.42), true);
  p.setFont(big);
  p.setPen(Qt::white);
  const QRectF text(strip.right() + h * 0.25, r.top(), r.right() - strip.right() - h * 0.3,
                    r.height() * 0.7);
  p.drawText(text, Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("Tallyroller"));
  QFont small = UiFont(std::max(9, static_cast<int>(h * 0.17)));
  p.setFont(small);
  p.setPen(QColor(210, 240, 230));
  p.drawText(QRectF(text.left(), r.top() + r.height() * 0.7, text.width(), r.height() * 0.3),
             Qt::AlignLeft | Qt::AlignTop, QStringLiteral("calculadora com fita"));
  p.restore();
}

QIcon ApplicationIcon() {
  InitIconResources();
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icons/tallyroller-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

}  // namespace tally::ui
