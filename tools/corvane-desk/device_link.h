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

  // False when the port did not open: DescribeFailedOpen then says why.
  bool Open(const LineSettings& settings);
  void Close();
  bool IsOpen() const { return open_; }
  const LineSettings& Settings() const { return settings_; }
  // A new framing applies from the next operation on.
  void SetFraming(const QString& framing) {
    settings_.framing = framing;
    genericPlatform_.reset();
  }

  // With the automatic framing: the framing the Data Collector's directory
  // commands were found to answer in ("classic" or "wide"); empty until found.
  QString FoundFraming() const;

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
  // `mayTryWide`: the command may run twice (a listing), when the automatic
  // framing is still to be found.
  Outcome RemoteCommand(const std::function<bool()>& operation, bool mayTryWide);

  HostWindow window_;
  QTemporaryDir scratch_;
  LineSettings settings_;
  bool open_ = false;
  // With the automatic framing, the engine that answered a command to the Data Collector.
  std::optional<int> genericPlatform_;
};

// Right after Open failed: "Cannot open /dev/ttyUSB0 at 9600 baud." and the
// library's explanation below it, a line a cause with its fix.
QString DescribeFailedOpen(const LineSettings& settings);

}  // namespace corvane::desk
