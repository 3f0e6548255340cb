#include "corvane-desk/device_link.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdint>

#include "corvane32/corvane32.h"
#include "hostkit/line_choices.h"
#include "hostkit/port_words.h"
#include "hostkit/result_words.h"

namespace corvane::desk {
namespace {

// Letter, length character, argument and a terminating zero must fit 96 bytes.
constexpr qsizetype kLongestRemoteArgument = 93;
constexpr int kNoAnswer = -21;
constexpr int kWidePlatform = 2;
constexpr int kClassicGenericPlatform = 1;

std::string Local(const QString& text) { return QFile::encodeName(text).toStdString(); }

// Received files go to the process's current directory: point it at the
// folder for the length of one operation. What the Data Collector asks of the
// PC meanwhile (its own cd and erase, a server's requests) stays inside it.
class WorkingFolder {
 public:
  explicit WorkingFolder(const QString& folder) : previous_(QDir::currentPath()) {
    QDir::setCurrent(folder);
    TransferSetServerRoot(Local(folder));
  }
  ~WorkingFolder() {
    TransferSetServerRoot("");
    QDir::setCurrent(previous_);
  }
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;

 private:
  QString previous_;
};

// Longer names do not fit the command's packet: refused here rather than cut.
Outcome TooLong(const QString& argument) {
  return {kNoAnswer, QString("The name is %1 characters long; at most %2 fit a command to the Data Collector.")
                         .arg(argument.size())
                         .arg(kLongestRemoteArgument)};
}

}  // namespace

bool DeviceLink::Open(const LineSettings& settings) {
  Close();
  settings_ = settings;
  genericPlatform_.reset();
  const int parity = host::ParityCode(settings.parity.toStdString()).value_or(0);
  open_ = TransferOpenDevice(Local(settings.port), settings.baudRate, parity, window_);
  return open_;
}

void DeviceLink::Close() {
  if (!open_) return;
  TransferCloseCom();
  open_ = false;
}

void DeviceLink::ChooseEngine(bool generic) const {
  const auto family = generic ? host::CommandFamily::Generic : host::CommandFamily::FileTransfer;
  const int platform = host::PlatformValue(settings_.framing.toStdString(), family).value_or(1);
  TransferSetOtherPlatform(generic && genericPlatform_ ? *genericPlatform_ : platform);
}

// With the automatic framing the library asks for a listing, a change of
// directory or an erase in the classic framing only, which a wide Data
// Collector does not answer. So a listing that heard nothing whole in the
// classic framing is asked once more in the wide framing, and the framing that
// answered serves the connection's later commands. Never the other way round:
// a wide request to a classic Data Collector waits until it is cancelled.
Outcome DeviceLink::RemoteCommand(const std::function<bool()>& operation, bool mayTryWide) {
  // The reply file is written to the working folder: a scratch one, not the user's.
  WorkingFolder inScratch(scratch_.path());
  ChooseEngine(true);
  Outcome outcome = Finish(operation());
  if (settings_.framing != "auto" || genericPlatform_) return outcome;
  std::uint32_t packetsRead = 0;
  std::uint32_t errorPackets = 0;
  TransferGetLineActivity(packetsRead, errorPackets);
  if (outcome.Succeeded()) {
    genericPlatform_ = kClassicGenericPlatform;
  } else if (mayTryWide && outcome.result == kNoAnswer && packetsRead == 0) {
    TransferSetOtherPlatform(kWidePlatform);
    outcome = Finish(operation());
    if (outcome.Succeeded()) genericPlatform_ = kWidePlatform;
  }
  return outcome;
}

QString DeviceLink::FoundFraming() const {
  if (!genericPlatform_) return {};
  return *genericPlatform_ == kWidePlatform ? "wide" : "classic";
}

Outcome DeviceLink::Finish(bool succeeded) const {
  Outcome outcome;
  outcome.result = succeeded ? 0 : TransferGetLastError();
  if (outcome.Succeeded()) return outcome;
  outcome.words = QString::fromStdString(host::ResultMeaning(outcome.result));
  outcome.words[0] = outcome.words[0].toUpper();
  outcome.words += QString(" (result %1).").arg(outcome.result);
  const std::string detail = host::PrintableText(TransferGetErrorDetail());
  if (!detail.empty()) {
    QString said = QString::fromLatin1(detail.c_str());
    said[0] = said[0].toUpper();
    outcome.words += "\n" + said;
  }
  return outcome;
}

Outcome DeviceLink::List(DeviceListing& listing) {
  Outcome outcome = RemoteCommand([] { return TransferDirectory(""); }, true);
  std::string reply;
  if (TransferGetOutputFilename(reply)) {
    // The library names the reply file relative to the scratch folder the command ran in.
    QFile file(QDir(scratch_.path()).filePath(QFile::decodeName(reply.c_str())));
    if (outcome.Succeeded() && file.open(QIODevice::ReadOnly)) {
      listing = ParseDeviceListing(QString::fromLatin1(file.readAll()));
    }
    file.remove();
  }
  return outcome;
}

Outcome DeviceLink::ChangeDirectory(const QString& directory) {
  if (directory.size() > kLongestRemoteArgument) return TooLong(directory);
  return RemoteCommand([&] { return TransferChangeDirectory(directory.toStdString()); }, false);
}

Outcome DeviceLink::Delete(const QString& name) {
  if (name.size() > kLongestRemoteArgument) return TooLong(name);
  return RemoteCommand([&] { return TransferDelete(name.toStdString()); }, false);
}

Outcome DeviceLink::Send(const QString& localPath) {
  // The library ends a send of a missing file without error; say so before anything is sent.
  if (!QFileInfo(localPath).isReadable()) return {-21, localPath + " does not exist or cannot be read."};
  ChooseEngine(false);
  return Finish(TransferSend(Local(localPath), Local(QFileInfo(localPath).fileName())));
}

Outcome DeviceLink::Get(const QString& name, const QString& folder) {
  WorkingFolder inFolder(folder);
  ChooseEngine(false);
  return Finish(TransferGet(name.toStdString(), ""));
}

Outcome DeviceLink::Receive(const QString& folder, QString& written) {
  WorkingFolder inFolder(folder);
  ChooseEngine(false);
  const bool ok = TransferReceive("");
  std::string name;
  if (ok && TransferGetOutputFilename(name)) written = QFile::decodeName(name.c_str());
  return Finish(ok);
}

Outcome DeviceLink::Serve(const QString& folder) {
  WorkingFolder inFolder(folder);
  const bool ok = TransferServer();
  Outcome outcome = Finish(ok);
  // Stop is how a server is meant to end.
  return outcome.Cancelled() ? Outcome{} : outcome;
}

QString DescribeFailedOpen(const LineSettings& settings) {
  QStringList words{QString("Cannot open %1 at %2 baud.").arg(settings.port).arg(settings.baudRate)};
  for (const std::string& line : host::WhyPortDidNotOpen()) {
    QString cause = QFile::decodeName(line.c_str());
    if (cause.isEmpty()) continue;
    cause[0] = cause[0].toUpper();
    words.push_back(cause);
  }
  return words.join("\n");
}

}  // namespace corvane::desk
