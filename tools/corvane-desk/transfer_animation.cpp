#include "corvane-desk/transfer_animation.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace corvane::desk {
namespace {

const QColor kOutline(70, 74, 82);
const QColor kScreen(120, 170, 215);
const QColor kCase(214, 217, 222);
const QColor kDotOff(190, 192, 196);
const QColor kDotLit(40, 170, 70);

void DrawPc(QPainter& painter, const QRectF& box) {
  const QRectF monitor(box.left(), box.top(), box.width(), box.height() * 0.68);
  painter.setBrush(kCase);
  painter.drawRoundedRect(monitor, 3, 3);
  painter.setBrush(kScreen);
  painter.drawRect(monitor.adjusted(5, 5, -5, -5));
  const double neckWidth = box.width() * 0.16;
  painter.setBrush(kCase);
  painter.drawRect(QRectF(box.center().x() - neckWidth / 2, monitor.bottom(), neckWidth, box.height() * 0.16));
  painter.drawRoundedRect(QRectF(box.left() + box.width() * 0.2, box.bottom() - box.height() * 0.16,
                                 box.width() * 0.6, box.height() * 0.16), 2, 2);
}

void DrawDataCollector(QPainter& painter, const QRectF& box) {
  painter.setBrush(QColor(250, 196, 40));
  painter.drawRoundedRect(box, 6, 6);
  const QRectF screen(box.left() + 5, box.top() + 6, box.width() - 10, box.height() * 0.38);
  painter.setBrush(QColor(200, 222, 190));
  painter.drawRect(screen);
  painter.setBrush(kOutline);
  const double keySize = (box.width() - 16) / 3;
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      painter.drawRect(QRectF(box.left() + 5 + column * (keySize + 3), screen.bottom() + 5 + row * (keySize * 0.6 + 3),
                              keySize - 1, keySize * 0.6));
    }
  }
}

}  // namespace

TransferAnimation::TransferAnimation(QWidget* parent) : QWidget(parent) {
  setMinimumSize(260, 64);
  setObjectName("transferAnimation");
}

void TransferAnimation::ShowFrame(int frame) {
  frame_ = std::clamp(frame, 0, kDots);
  repaint();
}

void TransferAnimation::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(kOutline, 1.2));
  const double height = this->height() - 8;
  const QRectF pc(8, 4, height * 1.25, height);
  const QRectF collector(width() - 8 - height * 0.55, 4, height * 0.55, height);
  DrawPc(painter, pc);
  DrawDataCollector(painter, collector);

  const double from = pc.right() + 14;
  const double to = collector.left() - 14;
  const double step = (to - from) / (kDots - 1);
  const double radius = std::min(6.0, step / 3);
  painter.setPen(Qt::NoPen);
  for (int k = 1; k <= kDots; ++k) {
    painter.setBrush(k == frame_ ? kDotLit : kDotOff);
    const double r = k == frame_ ? radius * 1.35 : radius;
    painter.drawEllipse(QPointF(from + (k - 1) * step, pc.top() + pc.height() * 0.4), r, r);
  }
}

}  // namespace corvane::desk
