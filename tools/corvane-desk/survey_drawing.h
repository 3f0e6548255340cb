// What a .CR5 coordinate file and a .PL5 polyline file hold, read for the
// preview: the points, and the lines drawn between them.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace corvane::desk {

struct SurveyPoint {
  int number = 0;
  double north = 0;
  double east = 0;
  std::optional<double> elevation;  // none: the file marks it missing
  QString description;
};

// A vertex of a line; with a radius, the way to it from the previous vertex is an arc.
struct LineVertex {
  int point = 0;
  double radius = 0;      // 0: straight
  bool turnsLeft = false;
};

struct Polyline {
  std::vector<LineVertex> vertices;
};

struct SurveyDrawing {
  std::vector<SurveyPoint> points;
  std::vector<Polyline> lines;
  QStringList notDrawn;  // tags of lines the preview does not draw, once each
  QString problem;       // why the file could not be read; empty when it could
};

// Either form of a coordinate file: the PC's binary records, or the text lines
// the Data Collector keeps (a file fetched over the wide framing stays so).
SurveyDrawing ReadCoordinateFile(const QByteArray& bytes);

// Either form of a polyline file: the PC's comma lines or the Data Collector's
// blank-and-dash lines. PT and PR continue the line in hand, SS and SR start a
// new one, U lifts the pen, CR bends the way between two points; SA and SC
// lines are counted as not drawn.
std::vector<Polyline> ReadPolylineFile(const QByteArray& bytes, QStringList& notDrawn);

}  // namespace corvane::desk
