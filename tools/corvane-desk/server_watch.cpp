#include "corvane-desk/server_watch.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include "corvane32/corvane32.h"

namespace corvane::desk {
namespace {

constexpr int kLookPeriodMs = 300;
// A folder of more files than this is watched in its first ones only.
constexpr int kMostFilesWatched = 20000;

QString Bytes(qint64 size) { return QLocale().toString(size) + (size == 1 ? " byte" : " bytes"); }

}  // namespace

ServerWatch::ServerWatch(QString folder, std::function<void(const QString&)> report)
    : folder_(std::move(folder)), report_(std::move(report)) {
  // Where the library writes its answers to the Data Collector's commands: TMPDIR, else /tmp.
  const QByteArray temporary = qgetenv("TMPDIR");
  answerPath_ = QDir(temporary.isEmpty() ? QString("/tmp") : QFile::decodeName(temporary)).filePath("$ktm$.tmp");
  timer_.setInterval(kLookPeriodMs);
  connect(&timer_, &QTimer::timeout, this, &ServerWatch::Look);
}

void ServerWatch::Start() {
  files_ = TakeSnapshot();
  answerSeen_ = QFileInfo(answerPath_).lastModified();
  TransferGetStatus(lastDone_, lastTotal_);
  timer_.start();
}

void ServerWatch::Look() {
  CompareFiles();
  ReadAnswerFile();
  FollowCounters();
}

ServerWatch::Snapshot ServerWatch::TakeSnapshot() const {
  Snapshot snapshot;
  QDirIterator it(folder_, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
  while (it.hasNext() && snapshot.size() < kMostFilesWatched) {
    const QFileInfo info(it.next());
    snapshot.insert(QDir(folder_).relativeFilePath(info.filePath()), {info.size(), info.lastModified()});
  }
  return snapshot;
}

// A changed file is reported when it has stopped changing between two looks.
void ServerWatch::CompareFiles() {
  const Snapshot now = TakeSnapshot();
  for (auto it = now.cbegin(); it != now.cend(); ++it) {
    const auto before = files_.constFind(it.key());
    const bool changed =
        before == files_.cend() || before->size != it->size || before->modified != it->modified;
    if (changed) {
      growing_.insert(it.key(), it->size);
      filesChanged_ = true;
    } else if (growing_.contains(it.key())) {
      report_("Received " + it.key() + " (" + Bytes(it->size) + ")");
      growing_.remove(it.key());
    }
  }
  for (auto it = files_.cbegin(); it != files_.cend(); ++it) {
    if (now.contains(it.key())) continue;
    growing_.remove(it.key());
    report_("Erased " + it.key());
    filesChanged_ = true;
  }
  files_ = now;
}

// One line answers a change of directory; a listing has its entries after the first line.
void ServerWatch::ReadAnswerFile() {
  const QFileInfo info(answerPath_);
  if (!info.exists() || info.lastModified() == answerSeen_) return;
  answerSeen_ = info.lastModified();
  answerWritten_ = true;
  QFile file(answerPath_);
  if (!file.open(QIODevice::ReadOnly)) return;
  const QStringList lines = QString::fromLatin1(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
  if (lines.isEmpty() || lines.front().startsWith("Deleted file:")) return;
  if (lines.size() == 1) {
    report_("Changed its directory to " + lines.front());
  } else {
    report_(QString("Listed %1 (%2 entries)").arg(lines.front()).arg(lines.size() - 1));
  }
}

void ServerWatch::FollowCounters() {
  qint32 done = 0;
  qint32 total = 0;
  TransferGetStatus(done, total);
  if (done != lastDone_ || total != lastTotal_) transferOpen_ = total > 0;
  if (transferOpen_ && done >= total) {
    transferOpen_ = false;
    // An upload changes a file, and an answer to a command is the answer file going out.
    const bool download = !filesChanged_ && !answerWritten_;
    filesChanged_ = false;
    answerWritten_ = false;
    if (download) {
      const QString name = NameOfSize(total);
      report_("Sent " + (name.isEmpty() ? "a file" : name) + " (" + Bytes(total) + ")");
    }
  }
  lastDone_ = done;
  lastTotal_ = total;
}

QString ServerWatch::NameOfSize(qint64 size) const {
  QString found;
  for (auto it = files_.cbegin(); it != files_.cend(); ++it) {
    if (it->size != size) continue;
    if (!found.isEmpty()) return {};
    found = it.key();
  }
  return found;
}

}  // namespace corvane::desk
