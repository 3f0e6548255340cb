#include "corvane-desk/survey_drawing.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "survey/coordinate.h"
#include "survey/polyline.h"

namespace corvane::desk {
namespace {

// A range line names its points one by one: a typing slip such as PR,1,999999
// must not fill memory, so a range is cut at this many points.
constexpr int kLongestRange = 10000;

SurveyPoint FromRecord(const CoordinateRecord& record) {
  SurveyPoint point;
  point.number = record.pointNumber;
  point.north = record.coordinates[0];
  point.east = record.coordinates[1];
  if (record.coordinates[2] != kMissingCoordinate) point.elevation = record.coordinates[2];
  point.description = QString::fromLatin1(record.description.c_str());
  return point;
}

bool IsBinaryCoordinateFile(const QByteArray& bytes) {
  if (static_cast<std::size_t>(bytes.size()) < kCoordinateHeaderSize) return false;
  std::array<std::uint8_t, kCoordinateHeaderSize> header;
  std::memcpy(header.data(), bytes.constData(), header.size());
  return CoordinateHeader::Decode(header).endMark == -1;
}

class LineBuilder {
 public:
  explicit LineBuilder(QStringList& notDrawn) : notDrawn_(notDrawn) {}

  void Read(const QString& pcLine) {
    const QStringList fields = pcLine.trimmed().split(',');
    const QString tag = fields.front();
    auto number = [&](int i) { return i < fields.size() ? fields[i].trimmed().toInt() : 0; };
    if (tag == "PT") {
      Continue(number(1));
    } else if (tag == "PR") {
      Range(number(1), number(2), false);
    } else if (tag == "SS") {
      Start();
      Continue(number(1));
    } else if (tag == "SR") {
      Range(number(1), number(2), true);
    } else if (tag == "CR" && fields.size() >= 9) {
      Curve(number(1), number(2), fields[3].toDouble(), fields[4].trimmed().startsWith('L'));
    } else if (tag.startsWith('U')) {
      penUp_ = true;
    } else if (tag.startsWith('D')) {
      penUp_ = false;
    } else if (!tag.isEmpty() && !notDrawn_.contains(tag)) {
      notDrawn_.push_back(tag);
    }
  }

  std::vector<Polyline> Lines() {
    Start();
    return std::move(lines_);
  }

 private:
  void Start() {
    if (current_.vertices.size() > 1) lines_.push_back(current_);
    current_.vertices.clear();
    penUp_ = false;
  }
  void Continue(int point, double radius = 0, bool turnsLeft = false) {
    if (point <= 0) return;
    if (penUp_) Start();
    current_.vertices.push_back({point, radius, turnsLeft});
  }
  void Range(int from, int to, bool startsLine) {
    if (from <= 0 || to <= 0) return;
    if (startsLine) Start();
    const int step = to >= from ? 1 : -1;
    const int count = std::min(std::abs(to - from) + 1, kLongestRange);
    for (int i = 0; i < count; ++i) Continue(from + i * step);
  }
  void Curve(int from, int to, double radius, bool turnsLeft) {
    if (current_.vertices.empty() || current_.vertices.back().point != from || penUp_) Continue(from);
    Continue(to, radius, turnsLeft);
  }

  QStringList& notDrawn_;
  std::vector<Polyline> lines_;
  Polyline current_;
  bool penUp_ = false;
};

// The Data Collector's form: a blank or a dash where the PC's form has commas.
bool IsDeviceForm(const QByteArray& line) {
  return line.startsWith("PT ") || line.startsWith("CR ") || line.startsWith("PEN ") ||
         (line.startsWith("SS") && !line.startsWith("SS,"));
}

}  // namespace

SurveyDrawing ReadCoordinateFile(const QByteArray& bytes) {
  SurveyDrawing drawing;
  if (IsBinaryCoordinateFile(bytes)) {
    for (qsizetype at = kCoordinateHeaderSize; at + static_cast<qsizetype>(kCoordinateRecordSize) <= bytes.size();
         at += kCoordinateRecordSize) {
      std::array<std::uint8_t, kCoordinateRecordSize> raw;
      std::memcpy(raw.data(), bytes.constData() + at, raw.size());
      const CoordinateRecord record = CoordinateRecord::Decode(raw);
      if (record.pointNumber > 0) drawing.points.push_back(FromRecord(record));
    }
    return drawing;
  }
  int unreadable = 0;
  for (const QByteArray& line : bytes.split('\n')) {
    const QByteArray trimmed = line.trimmed();
    if (trimmed.isEmpty()) continue;
    const auto record = ParseCoordinateLine(std::string_view(trimmed.constData(), trimmed.size()));
    if (record) {
      drawing.points.push_back(FromRecord(*record));
    } else {
      ++unreadable;
    }
  }
  if (drawing.points.empty()) {
    drawing.problem = "This is not a coordinate file: no point record and no point line could be read.";
  } else if (unreadable > 0) {
    drawing.problem = QString("%1 lines are not point lines and were left out.").arg(unreadable);
  }
  return drawing;
}

std::vector<Polyline> ReadPolylineFile(const QByteArray& bytes, QStringList& notDrawn) {
  LineBuilder builder(notDrawn);
  for (QByteArray line : bytes.split('\n')) {
    if (line.endsWith('\r')) line.chop(1);
    if (IsDeviceForm(line)) {
      std::string converted = line.toStdString() + "\n";
      ConvertPolylineLineForReceive(converted);
      line = QByteArray::fromStdString(converted);
    }
    builder.Read(QString::fromLatin1(line));
  }
  return builder.Lines();
}

}  // namespace corvane::desk
