// `corvane-desk --demo`: the simulated Data Collector on a pty pair inside
// this process, a PC folder and a Data Collector folder with sample jobs, and
// the scripts that make the device send a file or drive the PC's server.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "corvane-dc/simulated_device.h"

namespace corvane::desk {

class DemoDevice {
 public:
  DemoDevice();
  ~DemoDevice();
  DemoDevice(const DemoDevice&) = delete;
  DemoDevice& operator=(const DemoDevice&) = delete;

  bool IsUsable() const { return workspace_.isValid(); }
  QString PcFolder() const { return workspace_.filePath("pc"); }
  QString DeviceFolder() const { return workspace_.filePath("data-collector"); }

  // (Re)starts the device answering the PC in a framing: the pty path the PC
  // opens, or empty when it did not start. The PC closes its old port first.
  QString Serve(dc::Framing framing);
  // The same, but the device first sends FIELD.TXT from its own menu.
  QString SendFileThenServe(dc::Framing framing);
  // The device works with a PC server: uploads, lists the folder, downloads a
  // job, then answers the PC again. Server mode speaks the wide framing.
  QString DriveServer(const QString& downloadName);
  // Each byte the device sends waits this long first (0: none), from the next start on.
  void SetLinePause(int milliseconds) { pauseMs_ = milliseconds; }
  QString StartError() const { return error_; }

 private:
  QString Start(dc::Framing framing, std::vector<dc::Role> script);

  QTemporaryDir workspace_;
  std::unique_ptr<dc::PtyDevice> device_;
  int pauseMs_ = 0;
  QString error_;
};

// A sample job's coordinate file of `count` points along a road, binary as
// the PC keeps it; the same points as the Data Collector's text lines.
QByteArray SampleCoordinateFile(const QString& name, int count);

}  // namespace corvane::desk
