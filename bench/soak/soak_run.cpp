#include "soak/soak_run.h"

#include <chrono>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <thread>

#include "corvane-dc/simulated_device.h"
#include "corvane32/corvane32.h"
#include "lineemu/line_direction.h"
#include "platform/timed_stream.h"
#include "soak/soak_files.h"

namespace corvane::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kBaudRate = 57600;
constexpr std::size_t kFileBytes = 3000;
constexpr double kCorruptLow = 0.001;
constexpr double kCorruptHigh = 0.01;
constexpr double kDropLow = 0.001;
// A cancel lands somewhere in the first seconds, where all these operations run.
constexpr int kLatestCancelMs = 2500;
// A device role left running once the PC's operation has ended is stopped after this.
constexpr std::uint32_t kDeviceEndMs = 5000;
// Only guards the server run against a device that never ends its script.
constexpr auto kServerGuard = std::chrono::seconds(120);

constexpr const char* kVerdictNames[] = {"exact", "clean", "corrupted", "odd-code",
                                         "partial", "hang", "crash", "sanitizer"};

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
  bool HasPendingMessage() override { return !stopped_ && stopWhen && stopWhen(Clock::now() - started_); }
  void PumpMessage() override {
    stopped_ = true;
    if (pressCancel && input_ != nullptr) {
      input_->OnCancel();
    } else {
      TransferCancel();
    }
  }

  std::function<void()> onStart;
  std::function<bool(Clock::duration)> stopWhen;
  bool pressCancel = false;

 private:
  ProgressInput* input_ = nullptr;
  bool stopped_ = false;
  Clock::time_point started_{};
};

bool DefinedFailureCode(int code) {
  return code == -3 || code == -4 || code == -7 || code == -21 || code == -25 || (code >= 248 && code <= 265);
}

bool ServerOperation(Operation operation) {
  return operation == Operation::ServerUpload || operation == Operation::ServerDownload;
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
  std::string content;
};

class Run {
 public:
  Run(const SoakCase& soakCase, std::uint64_t seed, const fs::path& scratch)
      : case_(soakCase), seed_(seed), random_(seed) {
    scene_.pc = scratch / "pc";
    scene_.served = scratch / "served";
    scene_.outbox = scratch / "outbox";
    for (const fs::path& directory : {scene_.pc, scene_.served, scene_.outbox}) fs::create_directories(directory);
    const bool classic = soakCase.wire == Wire::Classic;
    scene_.fileName = classic ? "PLAN.TXT" : "PLAN.BIN";
    scene_.content = classic ? SoakText(kFileBytes, static_cast<unsigned>(seed))
                             : SoakBinary(kFileBytes, static_cast<unsigned>(seed));
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
    if (case_.fault == Fault::Cancel) {
      const auto at = std::chrono::milliseconds(std::uniform_int_distribution<int>(0, kLatestCancelMs)(random_));
      host.stopWhen = [at](Clock::duration elapsed) { return elapsed >= at; };
    } else if (ServerOperation(case_.operation)) {
      host.stopWhen = [&device](Clock::duration elapsed) {
        return (device && device->Finished()) || elapsed > kServerGuard;
      };
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
    if (device) {
      device->WaitFinished(kDeviceEndMs);
      device->Stop();
      const std::vector<dc::Outcome> outcomes = device->Outcomes();
      deviceSucceeded = !outcomes.empty() && outcomes.front().success;
    }
    TransferCloseCom();
    TransferSetHostUi(nullptr);
    if (!deviceError.empty()) return Failed("device did not start: " + deviceError);

    RunReport report = ServerOperation(case_.operation) ? JudgeServer(deviceSucceeded) : Judge(succeeded, code, reply);
    report.code = code;
    report.seconds = seconds;
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
      case Operation::ServerDownload: return TransferServer();
    }
    return false;
  }

  static RunReport Verdicted(Verdict verdict, std::string note = {}) {
    RunReport report;
    report.verdict = verdict;
    report.note = std::move(note);
    return report;
  }

  RunReport Judge(bool succeeded, int code, const std::string& reply) {
    if (!succeeded && !DefinedFailureCode(code)) return Verdicted(Verdict::OddCode);
    switch (case_.operation) {
      case Operation::Send: return JudgeFile(succeeded, scene_.served, false);
      case Operation::Receive:
      case Operation::Get: return JudgeFile(succeeded, scene_.pc, case_.wire == Wire::Wide);
      case Operation::Directory: return JudgeListing(succeeded, reply);
      case Operation::ChangeDirectory: return JudgeCommand(succeeded, true);
      case Operation::Delete:
        return JudgeCommand(succeeded, !fs::exists(scene_.served / "A.TXT") &&
                                           fs::exists(scene_.served / "SUB" / "INNER.TXT"));
      default: return Verdicted(Verdict::Crash, "not a client operation");
    }
  }

  // `removesPartial`: the engine must delete what it could not finish.
  RunReport JudgeFile(bool succeeded, const fs::path& destination, bool removesPartial) {
    const auto arrived = FindIgnoringCase(destination, scene_.fileName);
    const bool exact = arrived && ReadWhole(*arrived) == scene_.content;
    if (succeeded) {
      if (exact) return Verdicted(Verdict::Exact);
      return Verdicted(Verdict::Corrupted, arrived ? "content differs" : "file missing");
    }
    if (removesPartial && arrived && !exact) return Verdicted(Verdict::PartialFile, arrived->filename().string());
    return Verdicted(Verdict::CleanFailure);
  }

  RunReport JudgeListing(bool succeeded, const std::string& reply) {
    if (!succeeded) return NoReplyLeft();
    const fs::path path = fs::absolute(reply);
    if (!fs::exists(path)) return Verdicted(Verdict::Corrupted, "no reply file");
    const bool same = ReadWhole(path) == ExpectedListing(scene_.served, "/");
    fs::remove(path);
    return same ? Verdicted(Verdict::Exact) : Verdicted(Verdict::Corrupted, "listing differs");
  }

  RunReport JudgeCommand(bool succeeded, bool effectSeen) {
    if (succeeded) {
      if (FileCount(scene_.pc) != 0) return Verdicted(Verdict::PartialFile, "reply file left");
      return effectSeen ? Verdicted(Verdict::Exact) : Verdicted(Verdict::Corrupted, "no effect on the device");
    }
    return NoReplyLeft();
  }

  RunReport NoReplyLeft() {
    if (FileCount(scene_.pc) != 0) return Verdicted(Verdict::PartialFile, "reply file left");
    return Verdicted(Verdict::CleanFailure);
  }

  // The server reports nothing per file: the device's outcome says whether the
  // file went through, and an upload must not stay behind half-written.
  RunReport JudgeServer(bool deviceSucceeded) {
    const bool upload = case_.operation == Operation::ServerUpload;
    const auto arrived = FindIgnoringCase(upload ? scene_.pc : scene_.served, scene_.fileName);
    const bool exact = arrived && ReadWhole(*arrived) == scene_.content;
    if (exact) return Verdicted(Verdict::Exact);
    if (deviceSucceeded) return Verdicted(Verdict::Corrupted, arrived ? "content differs" : "file missing");
    if (upload && arrived) return Verdicted(Verdict::PartialFile, arrived->filename().string());
    return Verdicted(Verdict::CleanFailure);
  }

  SoakCase case_;
  std::uint64_t seed_;
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

}  // namespace corvane::bench
