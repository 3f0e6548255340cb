#include "soak/soak_run.h"

#include <chrono>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <random>
#include <sstream>
#include <thread>

#include "common/pty_pair.h"
#include "common/timed_stream.h"
#include "corvane-dc/simulated_device.h"
#include "corvane32/corvane32.h"
#include "corvane/operation_watch.h"
#include "lineemu/line_direction.h"
#include "soak/soak_files.h"

namespace corvane::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kBaudRate = 57600;
constexpr std::size_t kFileBytes = 3000;
// The sweep's file: three wide data packets (the last one short), a dozen classic ones.
constexpr std::size_t kSweepFileBytes = 1100;
constexpr int kCoordinatePoints = 60;
constexpr double kCorruptLow = 0.001;
constexpr double kCorruptHigh = 0.01;
constexpr double kDropLow = 0.001;
// A cancel lands within the time the quickest of these transfers takes on a clean line.
constexpr int kLatestCancelMs = 1200;
// A device role left running once the PC's operation has ended is stopped after this.
constexpr std::uint32_t kDeviceEndMs = 5000;
// Only guards the server run against a device that never ends its script.
constexpr auto kServerGuard = std::chrono::seconds(120);

constexpr const char* kVerdictNames[] = {"exact",   "clean", "corrupted", "odd-code", "partial",
                                         "stalled", "hang",  "crash",     "sanitizer"};

// The host of a soak run: starts the device with the operation and, when told
// to, stops it by the Cancel button or by TransferCancel.
class SoakHost final : public HostUi {
 public:
  std::unique_ptr<ProgressSurface> CreateProgressSurface(HostWindow, ProgressInput& input) override {
    input_ = &input;
    stopped_ = false;
    started_ = Clock::now();
    if (onStart) onStart();
    return nullptr;
  }
  bool HasPendingMessage() override {
    if (stopped_) return false;
    if (watch && watch->ShouldStop(false)) gaveUp_ = true;
    return gaveUp_ || (stopWhen && stopWhen(Clock::now() - started_));
  }
  void PumpMessage() override {
    stopped_ = true;
    if (pressCancel && input_ != nullptr) {
      input_->OnCancel();
    } else {
      TransferCancel();
    }
  }

  bool Stopped() const { return stopped_; }
  // Stopped by the command's watch rather than by the user.
  bool GaveUp() const { return gaveUp_; }

  std::function<void()> onStart;
  // The corvane command's watch over a client operation, when the run plays the command.
  std::optional<cli::OperationWatch> watch;
  std::function<bool(Clock::duration)> stopWhen;
  bool pressCancel = false;

 private:
  ProgressInput* input_ = nullptr;
  bool stopped_ = false;
  bool gaveUp_ = false;
  Clock::time_point started_{};
};

bool DefinedFailureCode(int code) {
  return code == -3 || code == -4 || code == -7 || code == -21 || code == -25 || (code >= 248 && code <= 265);
}

bool ServerOperation(Operation operation) {
  return operation == Operation::ServerUpload || operation == Operation::ServerDownload ||
         operation == Operation::ServerRemote;
}

// What the PC's server answers to the Data Collector's erase of `name`.
std::string ErasedReply(const std::string& name) { return "Deleted file: " + name + "\r\n"; }

// The packets of a run in each direction, as the device's log shows them.
std::string PacketCounts(const std::vector<std::string>& deviceLog) {
  int sent = 0;
  int received = 0;
  for (const std::string& line : deviceLog) {
    if (line.starts_with("-> ") && line.find("silent, not sent") == std::string::npos) ++sent;
    if (line.starts_with("<- ")) ++received;
  }
  return "SOAK-PACKETS " + std::to_string(sent) + " " + std::to_string(received);
}

int PlatformFor(const SoakCase& soakCase) {
  if (soakCase.wire == Wire::Wide) return 2;
  // The classic requests go out under the probe setting; send and receive use the classic engine directly.
  const bool request = soakCase.operation == Operation::Get || soakCase.operation == Operation::Directory ||
                       soakCase.operation == Operation::ChangeDirectory || soakCase.operation == Operation::Delete;
  return request ? 1 : 0;
}

LineFaults FaultsFor(Fault fault, std::uint64_t seed) {
  LineFaults faults;
  faults.seed = seed;
  if (fault == Fault::Corrupt01) faults.corruptProbability = kCorruptLow;
  if (fault == Fault::Corrupt1) faults.corruptProbability = kCorruptHigh;
  if (fault == Fault::Drop01) faults.dropProbability = kDropLow;
  return faults;
}

// The directories of a run; the operation runs with pc/ as its current directory.
struct Scene {
  fs::path pc, served, outbox;
  std::string fileName;
  std::string content;   // the file as its sender holds it
  std::string expected;  // the file as it must arrive
};

class Run {
 public:
  Run(const SoakCase& soakCase, std::uint64_t seed, const fs::path& scratch)
      : case_(soakCase), seed_(seed), random_(seed) {
    scene_.pc = scratch / "pc";
    scene_.served = scratch / "served";
    scene_.outbox = scratch / "outbox";
    for (const fs::path& directory : {scene_.pc, scene_.served, scene_.outbox, scratch / "tmp"}) {
      fs::create_directories(directory);
    }
    // The server's answer file has one name in the temporary directory: runs side by side must not share it.
    ::setenv("TMPDIR", (scratch / "tmp").c_str(), 1);
    const bool classic = soakCase.wire == Wire::Classic;
    const std::size_t size = soakCase.fault == Fault::Packet ? kSweepFileBytes : kFileBytes;
    scene_.fileName = classic ? "PLAN.TXT" : "PLAN.BIN";
    scene_.content = classic ? SoakText(size, static_cast<unsigned>(seed)) : SoakBinary(size, static_cast<unsigned>(seed));
    scene_.expected = scene_.content;
    // Every other classic send is a coordinate file, which arrives as one text line a point.
    if (classic && soakCase.operation == Operation::Send && seed % 2 == 0) {
      scene_.fileName = "SOAKJOB.CR5";
      scene_.content = CoordinateFile(kCoordinatePoints, static_cast<unsigned>(seed));
      scene_.expected = CoordinateLines(kCoordinatePoints, static_cast<unsigned>(seed));
    }
  }

  RunReport Execute() {
    RunReport report;
    PtyPair pcEnd;
    PtyPair deviceEnd;
    if (!pcEnd.Open() || !deviceEnd.Open()) return Failed("cannot open two pty pairs");
    TimedStream pcLine(std::move(pcEnd.Master()));
    TimedStream deviceLine(std::move(deviceEnd.Master()));
    LineShape shape;
    shape.baudRate = kBaudRate;
    shape.faults = FaultsFor(case_.fault, seed_);
    LineDirection toDevice(pcLine, deviceLine, shape, seed_ * 2 + 1);
    LineDirection toPc(deviceLine, pcLine, shape, seed_ * 2 + 2);
    {
      // The relays stop (and join) before the streams they use close.
      std::jthread up([&toDevice](std::stop_token stop) { toDevice.Run(stop); });
      std::jthread down([&toPc](std::stop_token stop) { toPc.Run(stop); });
      report = Operate(pcEnd.SlavePath(), deviceEnd.SlavePath());
    }
    return report;
  }

 private:
  static RunReport Failed(std::string note) {
    RunReport report;
    report.verdict = Verdict::Crash;
    report.note = std::move(note);
    return report;
  }

  dc::DeviceOptions DeviceSetup() {
    dc::DeviceOptions options;
    options.framing = case_.wire == Wire::Classic ? dc::Framing::Classic : dc::Framing::Wide;
    options.directory = scene_.served.string();
    options.baudRate = kBaudRate;
    if (case_.fault == Fault::Silent) options.faults.silentAfterPackets = 2 + static_cast<int>(seed_ % 3);
    options.faults.packetFault = case_.packetFault;
    const fs::path outgoing = scene_.outbox / scene_.fileName;
    switch (case_.operation) {
      case Operation::Send:
        WriteWhole(scene_.pc / scene_.fileName, scene_.content);
        break;
      case Operation::Receive:
        WriteWhole(outgoing, scene_.content);
        options.script = {dc::Role::Send(outgoing.string())};
        break;
      case Operation::Get:
        WriteWhole(scene_.served / scene_.fileName, scene_.content);
        break;
      case Operation::Directory:
      case Operation::ChangeDirectory:
      case Operation::Delete:
        WriteWhole(scene_.served / "A.TXT", "12345");
        fs::create_directory(scene_.served / "SUB");
        WriteWhole(scene_.served / "SUB" / "INNER.TXT", "xy");
        break;
      case Operation::ServerUpload:
        WriteWhole(outgoing, scene_.content);
        options.script = {dc::Role::Upload(outgoing.string())};
        break;
      case Operation::ServerDownload:
        WriteWhole(scene_.pc / scene_.fileName, scene_.content);
        options.script = {dc::Role::Download(scene_.fileName)};
        break;
      case Operation::ServerRemote:
        WriteWhole(scene_.pc / scene_.fileName, scene_.content);
        options.script = {dc::Role::Remote('E', scene_.fileName)};
        break;
    }
    return options;
  }

  RunReport Operate(const std::string& pcPath, const std::string& devicePath) {
    const dc::DeviceOptions options = DeviceSetup();
    std::unique_ptr<dc::SimulatedDevice> device;
    std::string deviceError;
    SoakHost host;
    // The device starts with the operation, so that the operation's flush of
    // stale input cannot swallow its first packet.
    host.onStart = [&] {
      if (device) return;
      device = std::make_unique<dc::SimulatedDevice>(options);
      if (!device->Start(devicePath)) deviceError = device->StartError();
    };
    host.pressCancel = seed_ % 2 == 0;
    std::string cancelNote;
    if (case_.fault == Fault::Cancel) {
      const auto at = std::chrono::milliseconds(std::uniform_int_distribution<int>(0, kLatestCancelMs)(random_));
      cancelNote = std::string(host.pressCancel ? "Cancel pressed" : "TransferCancel") + " at " +
                   std::to_string(at.count()) + " ms";
      host.stopWhen = [at](Clock::duration elapsed) { return elapsed >= at; };
    } else if (ServerOperation(case_.operation)) {
      host.stopWhen = [&device](Clock::duration elapsed) {
        return (device && device->Finished()) || elapsed > kServerGuard;
      };
    } else {
      // The corvane command gives up by itself; a user watching waits that long and more.
      const auto patience = std::chrono::duration<double>(PatienceSeconds(case_));
      host.pressCancel = true;
      host.watch.emplace(cli::kDefaultIdleTimeoutSeconds);
      host.stopWhen = [patience](Clock::duration elapsed) { return elapsed > patience; };
    }

    fs::current_path(scene_.pc);
    TransferSetHostUi(&host);
    if (!TransferOpenDevice(pcPath, kBaudRate, 0, nullptr)) return Failed("TransferOpenDevice failed");
    TransferSetOtherPlatform(PlatformFor(case_));

    const Clock::time_point start = Clock::now();
    const bool succeeded = Call();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const int code = TransferGetLastError();
    std::string reply;
    if (!TransferGetOutputFilename(reply)) reply.clear();

    bool deviceSucceeded = false;
    std::string deviceReply;
    std::vector<std::string> deviceLog;
    if (device) {
      // A serving device never finishes by itself; a role of its own gets time to end.
      if (options.script.front().kind != dc::RoleKind::Serve) device->WaitFinished(kDeviceEndMs);
      device->Stop();
      const std::vector<dc::Outcome> outcomes = device->Outcomes();
      deviceSucceeded = !outcomes.empty() && outcomes.front().success;
      if (!outcomes.empty()) deviceReply = outcomes.front().reply;
      deviceLog = device->LogLines();
    }
    TransferCloseCom();
    TransferSetHostUi(nullptr);
    if (!deviceError.empty()) return Failed("device did not start: " + deviceError);

    // TransferCancel from the host ends an operation with result 0 by design, so
    // such a run says nothing about the file: only its content does.
    cancelledByCall_ = case_.fault == Fault::Cancel && !host.pressCancel && host.Stopped();
    RunReport report = ServerOperation(case_.operation) ? JudgeServer(deviceSucceeded, deviceReply)
                                                        : Judge(succeeded, code, reply);
    if (const auto stray = StrayFile()) report = Verdicted(Verdict::PartialFile, "stray file " + *stray);
    const bool userGaveUp =
        case_.fault != Fault::Cancel && !ServerOperation(case_.operation) && host.Stopped() && !host.GaveUp();
    if (userGaveUp && report.verdict == Verdict::CleanFailure) report.verdict = Verdict::Stalled;
    if (host.GaveUp()) report.note = "given up by the command's watch: " + host.watch->Message();
    report.code = code;
    report.seconds = seconds;
    report.note += (report.note.empty() || cancelNote.empty() ? "" : "; ") + cancelNote;
    // The device's packet log goes to the run's log file, kept when the run fails the soak.
    if (report.verdict != Verdict::Exact) {
      for (const std::string& line : deviceLog) std::cout << line << "\n";
    }
    std::cout << PacketCounts(deviceLog) << "\n";
    return report;
  }

  bool Call() {
    switch (case_.operation) {
      case Operation::Send: return TransferSend(scene_.fileName, "");
      case Operation::Receive: return TransferReceive("");
      case Operation::Get: return TransferGet(scene_.fileName, "");
      case Operation::Directory: return TransferDirectory("");
      case Operation::ChangeDirectory: return TransferChangeDirectory("SUB");
      case Operation::Delete: return TransferDelete("A.TXT");
      case Operation::ServerUpload:
      case Operation::ServerDownload:
      case Operation::ServerRemote: return TransferServer();
    }
    return false;
  }

  static RunReport Verdicted(Verdict verdict, std::string note = {}) {
    RunReport report;
    report.verdict = verdict;
    report.note = std::move(note);
    return report;
  }

  RunReport Judge(bool returnedTrue, int code, const std::string& reply) {
    if (!returnedTrue && !DefinedFailureCode(code)) return Verdicted(Verdict::OddCode);
    const bool succeeded = returnedTrue && !cancelledByCall_;
    switch (case_.operation) {
      case Operation::Send: return JudgeFile(succeeded, scene_.served, false);
      case Operation::Receive:
      case Operation::Get: return JudgeFile(succeeded, scene_.pc, case_.wire == Wire::Wide);
      case Operation::Directory: return JudgeListing(succeeded, reply);
      // The device's current directory is not visible from here: a change of directory is judged by its result.
      case Operation::ChangeDirectory: return JudgeCommand(succeeded, std::nullopt);
      case Operation::Delete:
        return JudgeCommand(succeeded, !fs::exists(scene_.served / "A.TXT") &&
                                           fs::exists(scene_.served / "SUB" / "INNER.TXT"));
      default: return Verdicted(Verdict::Crash, "not a client operation");
    }
  }

  // `removesPartial`: the engine must delete what it could not finish.
  RunReport JudgeFile(bool succeeded, const fs::path& destination, bool removesPartial) {
    const auto arrived = FindIgnoringCase(destination, scene_.fileName);
    const bool exact = arrived && ReadWhole(*arrived) == scene_.expected;
    if (exact && cancelledByCall_) return Verdicted(Verdict::Exact);
    if (succeeded) {
      if (exact) return Verdicted(Verdict::Exact);
      return Verdicted(Verdict::Corrupted, arrived ? "content differs" : "file missing");
    }
    if (removesPartial && arrived && !exact) return Verdicted(Verdict::PartialFile, arrived->filename().string());
    return Verdicted(Verdict::CleanFailure);
  }

  // The listing stays on disk for the host whatever the outcome; the soak,
  // as the host, reads and removes it.
  RunReport JudgeListing(bool succeeded, const std::string& reply) {
    const fs::path path = reply.empty() ? fs::path() : fs::absolute(reply);
    const bool present = !reply.empty() && fs::exists(path);
    const bool same = present && ReadWhole(path) == ExpectedListing(scene_.served, "/");
    if (present) fs::remove(path);
    if (FileCount(scene_.pc) != 0) return Verdicted(Verdict::PartialFile, "a file besides the reply left");
    if (same && (succeeded || cancelledByCall_)) return Verdicted(Verdict::Exact);
    if (succeeded) return Verdicted(Verdict::Corrupted, present ? "listing differs" : "no reply file");
    return Verdicted(Verdict::CleanFailure);
  }

  // `effect`: whether the command's effect shows on the device, when that can be seen.
  RunReport JudgeCommand(bool succeeded, std::optional<bool> effect) {
    // Both commands delete their reply file before they return, whatever the outcome.
    if (FileCount(scene_.pc) != 0) return Verdicted(Verdict::PartialFile, "reply file left");
    if (cancelledByCall_ && effect.value_or(false)) return Verdicted(Verdict::Exact);
    if (!succeeded) return Verdicted(Verdict::CleanFailure);
    return effect.value_or(true) ? Verdicted(Verdict::Exact) : Verdicted(Verdict::Corrupted, "no effect on the device");
  }

  // Any file in the PC's directory besides the one the run moves (the reply
  // files have been judged and removed by now) is something left behind.
  std::optional<std::string> StrayFile() const {
    for (const fs::directory_entry& entry : fs::directory_iterator(scene_.pc)) {
      const std::string name = entry.path().filename().string();
      if (!entry.is_regular_file() || FindIgnoringCase(scene_.pc, scene_.fileName) == entry.path()) continue;
      return name;
    }
    return std::nullopt;
  }

  // The server reports nothing per file: the device's outcome says whether the
  // file went through, and an upload must not stay behind half-written.
  RunReport JudgeServer(bool deviceSucceeded, const std::string& deviceReply) {
    if (case_.operation == Operation::ServerRemote) {
      const bool erased = !FindIgnoringCase(scene_.pc, scene_.fileName);
      if (erased && deviceSucceeded && deviceReply == ErasedReply(scene_.fileName)) return Verdicted(Verdict::Exact);
      if (deviceSucceeded) return Verdicted(Verdict::Corrupted, erased ? "reply differs" : "file not erased");
      return Verdicted(Verdict::CleanFailure);
    }
    const bool upload = case_.operation == Operation::ServerUpload;
    const auto arrived = FindIgnoringCase(upload ? scene_.pc : scene_.served, scene_.fileName);
    const bool exact = arrived && ReadWhole(*arrived) == scene_.expected;
    if (exact) return Verdicted(Verdict::Exact);
    if (deviceSucceeded) return Verdicted(Verdict::Corrupted, arrived ? "content differs" : "file missing");
    if (upload && arrived) return Verdicted(Verdict::PartialFile, arrived->filename().string());
    return Verdicted(Verdict::CleanFailure);
  }

  SoakCase case_;
  std::uint64_t seed_;
  bool cancelledByCall_ = false;
  std::mt19937_64 random_;
  Scene scene_;
};

}  // namespace

std::string VerdictName(Verdict verdict) { return kVerdictNames[static_cast<int>(verdict)]; }

std::optional<Verdict> ParseVerdict(const std::string& name) {
  for (std::size_t i = 0; i < std::size(kVerdictNames); ++i) {
    if (name == kVerdictNames[i]) return static_cast<Verdict>(i);
  }
  return std::nullopt;
}

RunReport RunCase(const SoakCase& soakCase, std::uint64_t seed, const fs::path& scratch) {
  Run run(soakCase, seed, scratch);
  return run.Execute();
}

std::string FormatReport(const RunReport& report) {
  std::ostringstream line;
  line << "SOAK-RESULT " << VerdictName(report.verdict) << ' ' << report.code << ' ' << report.seconds << ' '
       << report.note;
  return line.str();
}

std::optional<RunReport> ParseReport(const std::string& output) {
  const std::size_t at = output.rfind("SOAK-RESULT ");
  if (at == std::string::npos) return std::nullopt;
  std::istringstream line(output.substr(at + 12, output.find('\n', at) - at - 12));
  std::string verdict;
  RunReport report;
  if (!(line >> verdict >> report.code >> report.seconds)) return std::nullopt;
  const auto parsed = ParseVerdict(verdict);
  if (!parsed) return std::nullopt;
  report.verdict = *parsed;
  std::getline(line >> std::ws, report.note);
  return report;
}

std::optional<PacketCount> ParsePacketCount(const std::string& output) {
  const std::size_t at = output.rfind("SOAK-PACKETS ");
  if (at == std::string::npos) return std::nullopt;
  std::istringstream line(output.substr(at + 13));
  PacketCount count;
  if (!(line >> count.sent >> count.received)) return std::nullopt;
  return count;
}

}  // namespace corvane::bench
