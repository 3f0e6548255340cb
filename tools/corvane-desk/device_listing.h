// The Data Collector's directory as its listing reply tells it: the current
// directory on the first line, then one entry a line.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

namespace corvane::desk {

struct DeviceEntry {
  QString name;
  bool isFolder = false;
  qint64 size = -1;     // -1: the line gave none
  QDateTime modified;   // invalid: the line gave none
};

struct DeviceListing {
  QString directory;
  std::vector<DeviceEntry> entries;  // folders first, then files, each by name; "." left out
};

// Reads "NAME SIZE [M-D-YYYY H:MM]" and "NAME <DIR> [M-D-YYYY H:MM]" lines; a
// line of neither form is kept as a name alone, so nothing the device lists is hidden.
DeviceListing ParseDeviceListing(const QString& reply);

}  // namespace corvane::desk
