#include "corvane-desk/demo_device.h"

#include <QDir>
#include <QFile>
#include <cmath>
#include <vector>

#include "survey/coordinate.h"

namespace corvane::desk {
namespace {

struct SamplePoint {
  int number;
  double north;
  double east;
  double elevation;
  const char* description;
};

// A street with its centre line, two kerbs, a house, trees and two control points.
std::vector<SamplePoint> SiteSurvey() {
  std::vector<SamplePoint> points;
  for (int i = 0; i <= 20; ++i) {
    const double east = 2000 + i * 9.0;
    const double north = 5000 + 18 * std::sin(i / 6.5);
    const double elevation = 101.2 + i * 0.085;
    points.push_back({1 + i, north, east, elevation, "CL"});
    points.push_back({101 + i, north + 4.2, east, elevation - 0.12, "EP LEFT"});
    points.push_back({201 + i, north - 4.2, east, elevation - 0.12, "EP RIGHT"});
  }
  points.push_back({301, 5038.0, 2058.0, 103.10, "BLDG NW"});
  points.push_back({302, 5038.0, 2089.5, 103.10, "BLDG NE"});
  points.push_back({303, 5024.0, 2089.5, 103.08, "BLDG SE"});
  points.push_back({304, 5024.0, 2058.0, 103.05, "BLDG SW"});
  const double trees[][2] = {{5032, 2020}, {5041, 2034}, {5030, 2112}, {5044, 2130}, {4972, 2050}, {4968, 2101}};
  for (int i = 0; i < 6; ++i) points.push_back({401 + i, trees[i][0], trees[i][1], 102.0 + i * 0.3, "TREE"});
  points.push_back({1001, 4985.512, 1991.204, 100.874, "CP1 REBAR"});
  points.push_back({1002, 5049.877, 2176.330, 103.412, "CP2 NAIL"});
  return points;
}

CoordinateRecord Record(const SamplePoint& point) {
  CoordinateRecord record;
  record.pointNumber = point.number;
  record.coordinates = {point.north, point.east, point.elevation};
  record.description = point.description;
  return record;
}

QByteArray CoordinateBytes(const QString& name, const std::vector<SamplePoint>& points) {
  CoordinateHeader header;
  header.name = name.left(8).toStdString();
  for (const SamplePoint& point : points) header.highestPoint = std::max(header.highestPoint, point.number);
  const auto head = header.Encode();
  QByteArray bytes(reinterpret_cast<const char*>(head.data()), head.size());
  for (const SamplePoint& point : points) {
    const auto record = Record(point).Encode();
    bytes.append(reinterpret_cast<const char*>(record.data()), record.size());
  }
  return bytes;
}

QByteArray CoordinateLines(const std::vector<SamplePoint>& points) {
  QByteArray text;
  for (const SamplePoint& point : points) {
    text += QByteArray::fromStdString(CoordinateSendLine(Record(point)));
    text.insert(text.size() - 1, '\r');
  }
  return text;
}

const char kSitePolylines[] =
    "SR,1,21\r\nSR,101,121\r\nSR,201,221\r\n"
    "SS,301\r\nPT,302\r\nPT,303\r\nPT,304\r\nPT,301\r\n"
    "SS,1001\r\nCR,1001,1,40.0,L,R,0,0,0\r\n";

// A bridge deck as the Data Collector keeps it: text points and its own line form.
std::vector<SamplePoint> BridgeSurvey() {
  std::vector<SamplePoint> points;
  for (int i = 0; i < 8; ++i) {
    points.push_back({1 + i, 7200 + i * 6.0, 3100 + i * 1.5, 88.4 + i * 0.05, "DECK N"});
    points.push_back({11 + i, 7200 + i * 6.0, 3112 + i * 1.5, 88.4 + i * 0.05, "DECK S"});
  }
  return points;
}

const char kBridgePolylines[] = "PT 1-8\r\nSS 11-18\r\nSS 1\r\nPT 11\r\nSS 8\r\nPT 18\r\n";

bool Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

QByteArray SampleCoordinateFile(const QString& name, int count) {
  std::vector<SamplePoint> points;
  for (int i = 1; i <= count; ++i) {
    points.push_back({i, 5000 + i * 0.5, 2000 + 40 * std::sin(i / 40.0), 100 + std::fmod(i * 0.37, 6.0), "TOPO"});
  }
  return CoordinateBytes(name, points);
}

DemoDevice::DemoDevice() {
  const QDir root(workspace_.path());
  root.mkpath("pc/returned");
  root.mkpath("data-collector/JOBS");
  Write(PcFolder() + "/JOB1.CR5", CoordinateBytes("JOB1", SiteSurvey()));
  Write(PcFolder() + "/JOB1.PL5", kSitePolylines);
  Write(PcFolder() + "/NOTES.TXT", "Control checked at 08:30.\r\nBenchmark BM4 disturbed; use BM5.\r\n");
  Write(DeviceFolder() + "/TOPO.CR5", SampleCoordinateFile("TOPO", 180));
  Write(DeviceFolder() + "/FIELD.TXT", "Collected on the Data Collector.\r\nRain from 14:00.\r\n");
  Write(DeviceFolder() + "/JOBS/BRIDGE.CR5", CoordinateLines(BridgeSurvey()));
  Write(DeviceFolder() + "/JOBS/BRIDGE.PL5", kBridgePolylines);
}

DemoDevice::~DemoDevice() = default;

QString DemoDevice::Start(dc::Framing framing, std::vector<dc::Role> script) {
  device_.reset();
  dc::DeviceOptions options;
  options.framing = framing;
  options.directory = DeviceFolder().toStdString();
  options.script = std::move(script);
  if (pauseMs_ > 0) {
    options.faults.delayProbability = 1.0;
    options.faults.delayMs = static_cast<std::uint32_t>(pauseMs_);
  }
  device_ = std::make_unique<dc::PtyDevice>(options);
  if (!device_->Start()) {
    error_ = QString::fromStdString(device_->Device().StartError());
    device_.reset();
    return {};
  }
  return QString::fromStdString(device_->SlavePath());
}

QString DemoDevice::Serve(dc::Framing framing) { return Start(framing, {dc::Role::Serve()}); }

QString DemoDevice::SendFileThenServe(dc::Framing framing) {
  return Start(framing, {dc::Role::Send((DeviceFolder() + "/FIELD.TXT").toStdString()), dc::Role::Serve()});
}

QString DemoDevice::DriveServer(const QString& downloadName) {
  return Start(dc::Framing::Wide, {dc::Role::Upload((DeviceFolder() + "/TOPO.CR5").toStdString()),
                                   dc::Role::Remote('D', ""), dc::Role::Download(downloadName.toStdString()),
                                   dc::Role::Serve()});
}

}  // namespace corvane::desk
