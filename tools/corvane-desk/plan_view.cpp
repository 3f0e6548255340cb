#include "corvane-desk/plan_view.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace corvane::desk {
namespace {

constexpr double kMargin = 58;
// Past this many numbers the overlap test would slow the drawing; the crosses stay.
constexpr std::size_t kMostLabels = 600;
const QColor kGridColour(222, 226, 232);
const QColor kGridText(110, 116, 126);
const QColor kLineColour(20, 90, 170);
const QColor kPointColour(190, 60, 40);

// 1, 2 or 5 times a power of ten: the grid step nearest to `rough`.
double NiceStep(double rough) {
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
    if (factor * power >= rough) return factor * power;
  }
  return 10 * power;
}

QString Metres(double value) {
  return value >= 1000 ? QString("%1 km").arg(value / 1000) : QString("%1 m").arg(value);
}

// The way from `from` to `to` along a circle of `radius`, bending left or right.
void AddArc(QPainterPath& path, QPointF from, QPointF to, double radius, bool turnsLeft) {
  const QPointF chord = to - from;
  const double length = std::hypot(chord.x(), chord.y());
  if (length == 0 || radius < length / 2) {
    path.lineTo(to);
    return;
  }
  const QPointF middle = (from + to) / 2;
  const double offset = std::sqrt(radius * radius - length * length / 4);
  // The centre lies on the side the way turns to (ground coordinates, y north).
  const QPointF normal(-chord.y() / length, chord.x() / length);
  const QPointF centre = middle + (turnsLeft ? normal : -normal) * offset;
  const double start = std::atan2(from.y() - centre.y(), from.x() - centre.x());
  double sweep = std::atan2(to.y() - centre.y(), to.x() - centre.x()) - start;
  if (turnsLeft && sweep < 0) sweep += 2 * std::numbers::pi;
  if (!turnsLeft && sweep > 0) sweep -= 2 * std::numbers::pi;
  constexpr int kSteps = 24;
  for (int i = 1; i <= kSteps; ++i) {
    const double angle = start + sweep * i / kSteps;
    path.lineTo(centre + QPointF(std::cos(angle), std::sin(angle)) * radius);
  }
}

}  // namespace

PlanView::PlanView() {
  setObjectName("planView");
  setMinimumSize(360, 320);
  setAutoFillBackground(true);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, Qt::white);
  setPalette(colours);
}

void PlanView::SetDrawing(const SurveyDrawing* drawing) {
  drawing_ = drawing;
  update();
}

void PlanView::Highlight(int pointNumber) {
  highlighted_ = pointNumber;
  update();
}

QTransform PlanView::GroundToScreen(const QRectF& ground, const QRectF& area) const {
  const double scale = std::min(area.width() / ground.width(), area.height() / ground.height());
  const QPointF groundCentre = ground.center();
  const QPointF areaCentre = area.center();
  QTransform transform;
  transform.translate(areaCentre.x(), areaCentre.y());
  transform.scale(scale, -scale);
  transform.translate(-groundCentre.x(), -groundCentre.y());
  return transform;
}

void PlanView::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF area = QRectF(rect()).adjusted(kMargin, kMargin / 2, -kMargin / 2, -kMargin);
  if (drawing_ == nullptr || drawing_->points.empty()) {
    painter.setPen(kGridText);
    painter.drawText(rect(), Qt::AlignCenter, "No points to draw");
    return;
  }
  double west = drawing_->points.front().east, east = west;
  double south = drawing_->points.front().north, north = south;
  for (const SurveyPoint& point : drawing_->points) {
    west = std::min(west, point.east);
    east = std::max(east, point.east);
    south = std::min(south, point.north);
    north = std::max(north, point.north);
  }
  // A single point or a straight row still gets ground around it on both axes.
  const double span = std::max({east - west, north - south, 1.0}) * 1.12;
  const QPointF centre((west + east) / 2, (south + north) / 2);
  const QSizeF size(std::max(east - west + span * 0.12, span * 0.3), std::max(north - south + span * 0.12, span * 0.3));
  const QRectF ground(centre - QPointF(size.width() / 2, size.height() / 2), size);
  const QTransform toScreen = GroundToScreen(ground, area);
  DrawGrid(painter, area, toScreen);
  DrawLines(painter, toScreen);
  DrawPoints(painter, toScreen);
  DrawScaleBar(painter, area, toScreen.m11());
  DrawNorthArrow(painter, area);
}

void PlanView::DrawGrid(QPainter& painter, const QRectF& area, const QTransform& toScreen) const {
  const QTransform toGround = toScreen.inverted();
  const QRectF visible = toGround.mapRect(area);
  const double step = NiceStep(std::max(visible.width(), visible.height()) / 6);
  painter.setFont(QFont(font().family(), std::max(7, font().pointSize() - 2)));
  const QFontMetrics metrics(painter.font());
  for (double e = std::ceil(visible.left() / step) * step; e <= visible.right(); e += step) {
    const double x = toScreen.map(QPointF(e, 0)).x();
    painter.setPen(kGridColour);
    painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    painter.setPen(kGridText);
    const QString label = QString::number(e, 'f', step < 1 ? 1 : 0);
    painter.drawText(QPointF(x - metrics.horizontalAdvance(label) / 2.0, area.bottom() + metrics.height()), label);
  }
  for (double n = std::ceil(visible.top() / step) * step; n <= visible.bottom(); n += step) {
    const double y = toScreen.map(QPointF(0, n)).y();
    painter.setPen(kGridColour);
    painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    painter.setPen(kGridText);
    painter.save();
    painter.translate(area.left() - 6, y);
    painter.rotate(-90);
    const QString label = QString::number(n, 'f', step < 1 ? 1 : 0);
    painter.drawText(QPointF(-metrics.horizontalAdvance(label) / 2.0, 0), label);
    painter.restore();
  }
  painter.setPen(kGridText);
  painter.drawText(QRectF(area.left(), area.bottom() + metrics.height() + 2, area.width(), metrics.height()),
                   Qt::AlignHCenter, "East");
  painter.save();
  painter.translate(area.left() - metrics.height() - 10, area.center().y());
  painter.rotate(-90);
  painter.drawText(QRectF(-area.height() / 2, -metrics.height(), area.height(), metrics.height()), Qt::AlignHCenter,
                   "North");
  painter.restore();
  painter.setPen(QPen(kGridText, 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(area);
}

void PlanView::DrawLines(QPainter& painter, const QTransform& toScreen) const {
  QHash<int, QPointF> where;
  for (const SurveyPoint& point : drawing_->points) where.insert(point.number, QPointF(point.east, point.north));
  painter.setPen(QPen(kLineColour, 1.6));
  painter.setBrush(Qt::NoBrush);
  for (const Polyline& line : drawing_->lines) {
    QPainterPath path;
    bool started = false;
    for (const LineVertex& vertex : line.vertices) {
      const auto found = where.constFind(vertex.point);
      if (found == where.cend()) {
        started = false;  // a point the coordinate file lacks breaks the line
        continue;
      }
      if (!started) {
        path.moveTo(*found);
        started = true;
      } else if (vertex.radius > 0) {
        AddArc(path, path.currentPosition(), *found, vertex.radius, vertex.turnsLeft);
      } else {
        path.lineTo(*found);
      }
    }
    painter.drawPath(toScreen.map(path));
  }
}

// A number is written only where it covers no number written before it, so
// that a dense job stays readable; the highlighted point is always numbered.
void PlanView::DrawPoints(QPainter& painter, const QTransform& toScreen) const {
  painter.setFont(QFont(font().family(), std::max(7, font().pointSize() - 2)));
  const QFontMetricsF metrics(painter.font());
  std::vector<QRectF> labels;
  for (const SurveyPoint& point : drawing_->points) {
    const QPointF at = toScreen.map(QPointF(point.east, point.north));
    const bool highlighted = point.number == highlighted_;
    const double arm = highlighted ? 6 : 3;
    painter.setPen(QPen(highlighted ? QColor(230, 140, 0) : kPointColour, highlighted ? 2.4 : 1.2));
    painter.drawLine(at - QPointF(arm, arm), at + QPointF(arm, arm));
    painter.drawLine(at - QPointF(arm, -arm), at + QPointF(arm, -arm));
    const QString text = QString::number(point.number);
    const QRectF box = metrics.boundingRect(text).translated(at + QPointF(5, -4)).adjusted(-2, -1, 2, 1);
    const bool free = labels.size() < kMostLabels &&
                      std::none_of(labels.begin(), labels.end(), [&](const QRectF& other) { return other.intersects(box); });
    if (free || highlighted) {
      labels.push_back(box);
      painter.setPen(QColor(60, 60, 60));
      painter.drawText(at + QPointF(5, -4), text);
    }
  }
}

void PlanView::DrawScaleBar(QPainter& painter, const QRectF& area, double pixelsPerMetre) const {
  const double metres = NiceStep(area.width() / 5 / pixelsPerMetre);
  const double length = metres * pixelsPerMetre;
  const QPointF start(area.right() - length - 14, area.bottom() - 16);
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(Qt::white);
  painter.drawRect(QRectF(start - QPointF(6, 18), QSizeF(length + 12, 26)));
  painter.setBrush(Qt::black);
  painter.drawRect(QRectF(start, QSizeF(length / 2, 4)));
  painter.setBrush(Qt::white);
  painter.drawRect(QRectF(start + QPointF(length / 2, 0), QSizeF(length / 2, 4)));
  painter.drawText(QRectF(start - QPointF(0, 16), QSizeF(length, 14)), Qt::AlignCenter, Metres(metres));
}

void PlanView::DrawNorthArrow(QPainter& painter, const QRectF& area) const {
  const QPointF tip(area.right() - 22, area.top() + 12);
  QPainterPath arrow;
  arrow.moveTo(tip);
  arrow.lineTo(tip + QPointF(8, 26));
  arrow.lineTo(tip + QPointF(0, 20));
  arrow.lineTo(tip + QPointF(-8, 26));
  arrow.closeSubpath();
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(QColor(40, 40, 40));
  painter.drawPath(arrow);
  painter.drawText(QRectF(tip.x() - 10, tip.y() + 26, 20, 16), Qt::AlignCenter, "N");
}

}  // namespace corvane::desk
