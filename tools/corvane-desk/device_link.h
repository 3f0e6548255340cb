// The desktop application's side of the cable: the port it holds open and the
// library operations it runs on it, each ending in an outcome worded for the user.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <optional>

#include "corvane-desk/device_listing.h"
#include "corvane32/host.h"

namespace corvane::desk {

struct LineSettings {
  QString port;             // a device path
  int baudRate = 9600;
  QString parity = "none";  // a name the library knows: none, odd, even, mark, space
  QString framing = "auto";  // auto, classic or wide
};

enum class OpenOutcome { Opened, Missing, Busy, NotPermitted };

struct Outcome {
  int result = 0;  // the library's result code
  QString words;   // empty on success; else what went wrong, in plain words

  bool Succeeded() const { return result == 0; }
  bool Cancelled() const { return result == -3; }
};

class DeviceLink {
 public:
  // `window` is disabled while an operation runs.
  explicit DeviceLink(HostWindow window) : window_(window) {}
  ~DeviceLink() { Close(); }
  DeviceLink(const DeviceLink&) = delete;
  DeviceLink& operator=(const DeviceLink&) = delete;

  OpenOutcome Open(const LineSettings& settings);
  void Close();
  bool IsOpen() const { return open_; }
  const LineSettings& Settings() const { return settings_; }
  // A new framing applies from the next operation on.
  void SetFraming(const QString& framing) {
    settings_.framing = framing;
    genericPlatform_.reset();
  }

  Outcome List(DeviceListing& listing);
  Outcome ChangeDirectory(const QString& directory);
  Outcome Delete(const QString& name);
  Outcome Send(const QString& localPath);
  // Received files land in `folder`; `written` names the file the Data Collector sent.
  Outcome Get(const QString& name, const QString& folder);
  Outcome Receive(const QString& folder, QString& written);
  // Serves `folder`, confined to it, until the user stops the server.
  Outcome Serve(const QString& folder);

 private:
  void ChooseEngine(bool generic) const;
  Outcome Finish(bool succeeded) const;
  Outcome RemoteCommand(const std::function<bool()>& operation);

  HostWindow window_;
  QTemporaryDir scratch_;
  LineSettings settings_;
  bool open_ = false;
  // With the automatic framing, the engine that answered the first command to the Data Collector.
  std::optional<int> genericPlatform_;
};

// "cannot open /dev/ttyUSB0: it is in use by another program".
QString DescribeOpenOutcome(OpenOutcome outcome, const QString& port);

}  // namespace corvane::desk
