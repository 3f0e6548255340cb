// The preview of a survey job before it goes out or after it came in: its
// points as a table beside a plan of the points and lines.
#pragma once

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include "corvane-desk/plan_view.h"
#include "corvane-desk/survey_drawing.h"

namespace corvane::desk {

class PreviewDialog final : public QDialog {
  Q_OBJECT

 public:
  // `where` says which side the file is on, for the title.
  PreviewDialog(QWidget* parent, const QString& fileName, const QString& where, SurveyDrawing drawing,
                const QString& note);

 private:
  void FillTable();

  SurveyDrawing drawing_;
  QVBoxLayout layout_;
  QLabel summary_;
  QSplitter splitter_;
  QTableWidget table_;
  PlanView plan_;
};

// Reads a .CR5 or .PL5 file for the preview; a .PL5 takes its points from the
// .CR5 of the same name in `companionCoordinates` (empty: there is none).
SurveyDrawing ReadSurveyFile(const QString& path, const QString& companionCoordinates, QString& note);

// True for the names the preview can show.
bool IsSurveyFile(const QString& name);
// The .CR5 beside a .PL5 of that name, among `names` (any case); empty when none.
QString CompanionCoordinates(const QString& polylineName, const QStringList& names);

}  // namespace corvane::desk
