// A plan of a survey job: east to the right, north up, one scale for both,
// with a coordinate grid, a scale bar and a north arrow; points as crosses
// with their numbers, lines and arcs between them.
#pragma once

#include <QRectF>
#include <QTransform>
#include <QWidget>

#include "corvane-desk/survey_drawing.h"

namespace corvane::desk {

class PlanView final : public QWidget {
  Q_OBJECT

 public:
  PlanView();
  void SetDrawing(const SurveyDrawing* drawing);
  // The point drawn highlighted; 0 for none.
  void Highlight(int pointNumber);
  QSize sizeHint() const override { return {520, 460}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QTransform GroundToScreen(const QRectF& ground, const QRectF& area) const;
  void DrawGrid(QPainter& painter, const QRectF& area, const QTransform& toScreen) const;
  void DrawLines(QPainter& painter, const QTransform& toScreen) const;
  void DrawPoints(QPainter& painter, const QTransform& toScreen) const;
  void DrawScaleBar(QPainter& painter, const QRectF& area, double pixelsPerMetre) const;
  void DrawNorthArrow(QPainter& painter, const QRectF& area) const;

  const SurveyDrawing* drawing_ = nullptr;
  int highlighted_ = 0;
};

}  // namespace corvane::desk
