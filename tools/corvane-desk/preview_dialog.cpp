#include "corvane-desk/preview_dialog.h"

#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLocale>
#include <QScrollBar>
#include <memory>

namespace corvane::desk {
namespace {

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString Coordinate(double value) { return QLocale().toString(value, 'f', 3); }

QString Count(std::size_t count, const QString& thing) {
  return QString("%1 %2%3").arg(count).arg(thing, count == 1 ? "" : "s");
}

}  // namespace

bool IsSurveyFile(const QString& name) {
  return name.endsWith(".CR5", Qt::CaseInsensitive) || name.endsWith(".PL5", Qt::CaseInsensitive);
}

QString CompanionCoordinates(const QString& polylineName, const QStringList& names) {
  const QString wanted = polylineName.left(polylineName.size() - 4) + ".CR5";
  for (const QString& name : names) {
    if (name.compare(wanted, Qt::CaseInsensitive) == 0) return name;
  }
  return {};
}

SurveyDrawing ReadSurveyFile(const QString& path, const QString& companionCoordinates, QString& note) {
  if (!path.endsWith(".PL5", Qt::CaseInsensitive)) return ReadCoordinateFile(ReadAll(path));
  QStringList notDrawn;
  std::vector<Polyline> lines = ReadPolylineFile(ReadAll(path), notDrawn);
  SurveyDrawing drawing;
  if (companionCoordinates.isEmpty()) {
    drawing.problem = QString("No %1 beside it: the lines name points whose places are in that file.")
                          .arg(QFileInfo(path).completeBaseName() + ".CR5");
  } else {
    drawing = ReadCoordinateFile(ReadAll(companionCoordinates));
    note = "Points from " + QFileInfo(companionCoordinates).fileName() + ".";
  }
  drawing.lines = std::move(lines);
  drawing.notDrawn = notDrawn;
  return drawing;
}

PreviewDialog::PreviewDialog(QWidget* parent, const QString& fileName, const QString& where, SurveyDrawing drawing,
                             const QString& note)
    : QDialog(parent), drawing_(std::move(drawing)), layout_(this), splitter_(Qt::Horizontal) {
  setObjectName("previewDialog");
  setWindowTitle(fileName + " — " + where);
  summary_.setObjectName("previewSummary");
  summary_.setWordWrap(true);
  QStringList parts{Count(drawing_.points.size(), "point") + ", " + Count(drawing_.lines.size(), "line") + "."};
  if (!note.isEmpty()) parts.push_back(note);
  if (!drawing_.notDrawn.isEmpty()) parts.push_back("Not drawn: " + drawing_.notDrawn.join(", ") + " lines.");
  if (!drawing_.problem.isEmpty()) parts.push_back(drawing_.problem);
  summary_.setText("<b>" + fileName + "</b>: " + parts.join(" ").toHtmlEscaped());

  table_.setObjectName("pointTable");
  FillTable();
  plan_.SetDrawing(&drawing_);
  connect(&table_, &QTableWidget::currentCellChanged, this, [this](int row) {
    plan_.Highlight(row >= 0 && row < static_cast<int>(drawing_.points.size()) ? drawing_.points[row].number : 0);
  });

  layout_.addWidget(&summary_);
  layout_.addWidget(&splitter_, 1);
  splitter_.addWidget(&table_);
  splitter_.addWidget(&plan_);
  splitter_.setStretchFactor(0, 0);
  splitter_.setStretchFactor(1, 1);
  resize(1060, 600);
}

void PreviewDialog::FillTable() {
  table_.setColumnCount(5);
  table_.setHorizontalHeaderLabels({"Number", "North", "East", "Elevation", "Description"});
  table_.setRowCount(static_cast<int>(drawing_.points.size()));
  table_.setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_.setSelectionBehavior(QAbstractItemView::SelectRows);
  table_.verticalHeader()->hide();
  table_.setAlternatingRowColors(true);
  const auto rightAligned = Qt::AlignRight | Qt::AlignVCenter;
  for (int row = 0; row < table_.rowCount(); ++row) {
    const SurveyPoint& point = drawing_.points[row];
    const QString cells[] = {QString::number(point.number), Coordinate(point.north), Coordinate(point.east),
                             point.elevation ? Coordinate(*point.elevation) : QString("—"), point.description};
    for (int column = 0; column < 5; ++column) {
      auto item = std::make_unique<QTableWidgetItem>(cells[column]);
      if (column < 4) item->setTextAlignment(rightAligned);
      table_.setItem(row, column, item.release());  // the table owns its items
    }
  }
  table_.verticalHeader()->setDefaultSectionSize(table_.fontMetrics().height() + 6);
  table_.resizeColumnsToContents();
  int width = table_.verticalScrollBar()->sizeHint().width() + 2 * table_.frameWidth();
  for (int column = 0; column < 5; ++column) width += table_.columnWidth(column);
  table_.setMinimumWidth(std::min(width, 560));
  table_.setMaximumWidth(width + 40);
}

}  // namespace corvane::desk
