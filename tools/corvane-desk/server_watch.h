// What the Data Collector did while the PC served a folder, as far as the PC
// can see it from outside the library: files that appear, change or vanish in
// the folder (uploads and erases), the answer file of its directory and
// change-directory commands, and transfers that the library counts while no
// file changes (downloads; named when one file in the folder has their size).
// A download shorter than one look (a third of a second) of the same size as
// the one before is seen once.
#pragma once

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

namespace corvane::desk {

class ServerWatch final : public QObject {
  Q_OBJECT

 public:
  ServerWatch(QString folder, std::function<void(const QString&)> report);
  void Start();
  // One look; the timer calls it, and once more at the end of the run.
  void Look();

 private:
  struct FileState {
    qint64 size = 0;
    QDateTime modified;
  };
  using Snapshot = QHash<QString, FileState>;

  Snapshot TakeSnapshot() const;
  void CompareFiles();
  void ReadAnswerFile();
  void FollowCounters();
  QString NameOfSize(qint64 size) const;

  QString folder_;
  std::function<void(const QString&)> report_;
  QTimer timer_;
  Snapshot files_;
  QHash<QString, qint64> growing_;  // changed since the last look, not yet reported
  QString answerPath_;
  QDateTime answerSeen_;
  qint32 lastDone_ = 0;
  qint32 lastTotal_ = 0;
  bool transferOpen_ = false;
  bool filesChanged_ = false;  // since the last transfer ended
  bool answerWritten_ = false;
};

}  // namespace corvane::desk
