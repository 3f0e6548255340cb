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

// The words for a request done, and for one that was not ("Upload of X not done: ...").
struct Wording {
  const char* done;
  const char* attempt;
  bool withSize;
};

Wording WordingOf(ServedRequest::Kind kind) {
  using Kind = ServedRequest::Kind;
  switch (kind) {
    case Kind::Upload: return {"Uploaded ", "Upload of ", true};
    case Kind::Download: return {"Downloaded ", "Download of ", true};
    case Kind::Directory: return {"Listed ", "Listing of ", false};
    case Kind::ChangeDirectory: return {"Changed its directory to ", "Change of directory to ", false};
    case Kind::Erase: return {"Erased ", "Erasing ", false};
    case Kind::Unknown: break;
  }
  return {nullptr, nullptr, false};
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
  const Wording words = WordingOf(request.kind);
  if (words.done == nullptr) return "Asked for something this PC does not serve";
  const QString where = Where(request.path, folder);
  if (request.carriedOut) return words.done + where + (words.withSize ? " (" + Bytes(request.bytes) + ")" : "");
  if (request.why.empty()) return words.attempt + where + " broken off by the Data Collector";
  const QString why = QString::fromLatin1(host::PrintableText(request.why).c_str()).trimmed();
  return words.attempt + where + " not done: " + why;
}

}  // namespace corvane::desk
