// What the Data Collector did while the PC served a folder, as the library
// reports each request it has finished: uploads, downloads, listings, changes
// of directory and erasures, and the refused ones with the reason.
#pragma once

#include <QDir>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

#include "corvane32/corvane32.h"

namespace corvane::desk {

class ServerWatch final : public QObject {
  Q_OBJECT

 public:
  // Reports one line per request, with paths relative to the served `folder`.
  ServerWatch(const QString& folder, std::function<void(const QString&)> report);
  // One look; the timer calls it, and once more at the end of the run.
  void Look();

 private:
  QDir folder_;
  std::function<void(const QString&)> report_;
  QTimer timer_;
};

// "Uploaded JOBS/TOPO.CR5 (8,138 bytes)", "Download of X.TXT refused: ...".
QString DescribeServedRequest(const ServedRequest& request, const QDir& folder);

}  // namespace corvane::desk
