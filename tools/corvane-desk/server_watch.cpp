#include "corvane-desk/server_watch.h"

#include <QFileInfo>
#include <QLocale>

#include "hostkit/result_words.h"

namespace corvane::desk {
namespace {

constexpr int kLookPeriodMs = 300;

QString Bytes(qint64 size) { return QLocale().toString(size) + (size == 1 ? " byte" : " bytes"); }

// The served folder itself, a path inside it, or where the Data Collector pointed outside it.
QString Where(const std::string& path, const QDir& folder) {
  if (path.empty()) return "a file without a name";
  const QString relative = folder.relativeFilePath(QFile::decodeName(path.c_str()));
  return relative.isEmpty() || relative == "." ? QString("the served folder") : relative;
}

QString Done(const ServedRequest& request, const QString& where) {
  using Kind = ServedRequest::Kind;
  switch (request.kind) {
    case Kind::Upload:
      return "Uploaded " + where + " (" + Bytes(request.bytes) + ")";
    case Kind::Download:
      return "Downloaded " + where + " (" + Bytes(request.bytes) + ")";
    case Kind::Directory:
      return "Listed " + where;
    case Kind::ChangeDirectory:
      return "Changed its directory to " + where;
    case Kind::Erase:
      return "Erased " + where;
    case Kind::Unknown:
      break;
  }
  return "Asked for something this PC does not serve";
}

QString Attempt(const ServedRequest& request, const QString& where) {
  using Kind = ServedRequest::Kind;
  switch (request.kind) {
    case Kind::Upload:
      return "Upload of " + where;
    case Kind::Download:
      return "Download of " + where;
    case Kind::Directory:
      return "Listing of " + where;
    case Kind::ChangeDirectory:
      return "Change of directory to " + where;
    case Kind::Erase:
      return "Erasing " + where;
    case Kind::Unknown:
      break;
  }
  return "A request this PC does not serve";
}

}  // namespace

ServerWatch::ServerWatch(const QString& folder, std::function<void(const QString&)> report)
    // The library names what it served by real paths: the folder's links resolved.
    : folder_(QFileInfo(folder).canonicalFilePath()), report_(std::move(report)) {
  timer_.setInterval(kLookPeriodMs);
  connect(&timer_, &QTimer::timeout, this, &ServerWatch::Look);
  timer_.start();
}

void ServerWatch::Look() {
  for (const ServedRequest& request : TransferTakeServedRequests()) report_(DescribeServedRequest(request, folder_));
}

QString DescribeServedRequest(const ServedRequest& request, const QDir& folder) {
  const QString where = Where(request.path, folder);
  if (request.carriedOut) return Done(request, where);
  if (request.why.empty()) return Attempt(request, where) + " broken off by the Data Collector";
  return Attempt(request, where) + " not done: " + QString::fromLatin1(host::PrintableText(request.why).c_str()).trimmed();
}

}  // namespace corvane::desk
