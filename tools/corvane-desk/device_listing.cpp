#include "corvane-desk/device_listing.h"

#include <QRegularExpression>
#include <algorithm>

namespace corvane::desk {
namespace {

DeviceEntry ParseEntry(const QString& line) {
  static const QRegularExpression form(
      R"(^(.*\S)\s+(<DIR>|\d+)(?:\s+(\d{1,2})-(\d{1,2})-(\d{4})\s+(\d{1,2}):(\d{2}))?\s*$)");
  const QRegularExpressionMatch match = form.match(line);
  DeviceEntry entry;
  if (!match.hasMatch()) {
    entry.name = line.trimmed();
    return entry;
  }
  entry.name = match.captured(1);
  entry.isFolder = match.captured(2) == "<DIR>";
  if (!entry.isFolder) entry.size = match.captured(2).toLongLong();
  if (match.hasCaptured(3) && !match.captured(3).isEmpty()) {
    const QDate date(match.captured(5).toInt(), match.captured(3).toInt(), match.captured(4).toInt());
    const QTime time(match.captured(6).toInt(), match.captured(7).toInt());
    entry.modified = QDateTime(date, time);
  }
  return entry;
}

}  // namespace

DeviceListing ParseDeviceListing(const QString& reply) {
  DeviceListing listing;
  const QStringList lines = reply.split(QRegularExpression("[\r\n]+"), Qt::SkipEmptyParts);
  if (lines.isEmpty()) return listing;
  listing.directory = lines.front().trimmed();
  for (qsizetype i = 1; i < lines.size(); ++i) {
    DeviceEntry entry = ParseEntry(lines[i]);
    if (entry.name.isEmpty() || entry.name == ".") continue;
    listing.entries.push_back(std::move(entry));
  }
  std::stable_sort(listing.entries.begin(), listing.entries.end(), [](const DeviceEntry& a, const DeviceEntry& b) {
    if (a.isFolder != b.isFolder) return a.isFolder;
    if ((a.name == "..") != (b.name == "..")) return a.name == "..";
    return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
  });
  return listing;
}

}  // namespace corvane::desk
