#include <chrono>
#include <csignal>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>
#include <vector>

#include "common/child_process.h"
#include "throughput/transfer_case.h"

namespace corvane::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kLineStartMs = 5000;
constexpr std::uint32_t kStopMs = 5000;
// The receiver gets this head start, so that the sender's first packet finds it listening.
constexpr auto kReceiverHeadStart = std::chrono::milliseconds(300);

// C-Kermit held to what the classic framing does: short packets, one at a time,
// type-1 check, every control character prefixed, no repeat counts or attributes.
constexpr const char* kKermitBasic =
    "set send packet-length 90, set receive packet-length 90, set window 1, set block-check 1, "
    "set repeat counts off, set streaming off, set reliable off, set prefixing all, set attributes off";

struct Files {
  std::string name;
  const std::string* pcSide;      // the file as the PC keeps it
  const std::string* deviceSide;  // the file as the device (or the receiving Kermit) keeps it
};

Files FilesOf(Media media, const BenchMedia& bytes) {
  switch (media) {
    case Media::Text: return {"TEXT64.TXT", &bytes.text, &bytes.text};
    case Media::Points: return {"POINTS.CR5", &bytes.points, &bytes.pointsText};
    case Media::Binary: return {"DATA64.BIN", &bytes.binary, &bytes.binary};
  }
  return {};
}

// The two slave paths the emulator prints first, or nothing when it does not start.
std::optional<std::pair<std::string, std::string>> AwaitLine(const fs::path& output) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(kLineStartMs);
  while (Clock::now() < deadline) {
    std::ifstream in(output);
    std::string first;
    std::string second;
    if (std::getline(in, first) && std::getline(in, second)) return std::make_pair(first, second);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return std::nullopt;
}

// "active SECONDS", the byte counts and the answers' packet marks from the
// emulator's closing report; `answerWay` names the direction the ACKs took.
void ReadLineReport(const fs::path& output, const std::string& answerWay, TransferResult& result) {
  std::ifstream in(output);
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string key;
    words >> key;
    if (key == "active") words >> result.lineSeconds;
    if (key == "a->b" || key == "b->a") {
      std::uint64_t bytesIn = 0;
      std::uint64_t number = 0;
      std::string label;
      words >> label >> bytesIn;
      result.lineBytes += bytesIn;
      while (words >> label >> number) {
        if (label == "soh" && key == answerWay) result.answers = number;
      }
    }
  }
}

std::vector<std::string> Corvane(const BenchPaths& paths, const std::string& line, const TransferCase& what) {
  return {paths.corvane.string(), "--port", line, "--baud", std::to_string(what.baudRate), "--platform",
          what.peers == Peers::Wide ? "wide" : "classic", "--quiet", "--overwrite"};
}

std::vector<std::string> Device(const BenchPaths& paths, const std::string& line, const TransferCase& what,
                                const fs::path& directory) {
  return {paths.device.string(), "--device", line, "--baud", std::to_string(what.baudRate), "--framing",
          what.peers == Peers::Wide ? "wide" : "classic", "--dir", directory.string()};
}

std::vector<std::string> Kermit(const std::string& line, const TransferCase& what, const std::string& action) {
  std::string settings = "set line " + line + ", set speed " + std::to_string(what.baudRate) +
                         ", set carrier-watch off, set flow none, set delay 0";
  if (what.peers == Peers::KermitBasic) {
    settings += std::string(", ") + kKermitBasic + ", set file type " + (what.media == Media::Text ? "text" : "binary");
  }
  return {"kermit", "-Y", "-B", "-C", settings + ", " + action + ", exit"};
}

bool Start(ChildProcess& child, std::vector<std::string> arguments, const fs::path& directory, const fs::path& log) {
  ChildOptions options;
  options.arguments = std::move(arguments);
  options.workingDirectory = directory.string();
  options.outputPath = log.string();
  return child.Start(options);
}

// The one file a receiving program left in `directory` (Kermit may change the name's case).
std::string ReceivedFile(const fs::path& directory) {
  for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
    if (entry.is_regular_file()) return ReadFile(entry.path());
  }
  return {};
}

}  // namespace

std::string Describe(Peers peers) {
  switch (peers) {
    case Peers::Classic: return "classic";
    case Peers::Wide: return "wide";
    case Peers::KermitBasic: return "C-Kermit basic";
    case Peers::KermitDefaults: return "C-Kermit defaults";
  }
  return "?";
}

std::string Describe(Direction direction) { return direction == Direction::Send ? "send" : "receive"; }

std::string Describe(Media media) {
  switch (media) {
    case Media::Text: return "text";
    case Media::Points: return ".CR5";
    case Media::Binary: return "binary";
  }
  return "?";
}

TransferResult RunTransfer(const TransferCase& what, const BenchMedia& media, const BenchPaths& paths, int runIndex) {
  TransferResult result;
  const Files files = FilesOf(what.media, media);
  result.fileBytes = files.deviceSide->size();
  const fs::path run = paths.scratch / ("run-" + std::to_string(runIndex));
  const fs::path pcDirectory = run / "pc";
  const fs::path deviceDirectory = run / "dc";
  const fs::path logs = run / "logs";
  fs::create_directories(pcDirectory);
  fs::create_directories(deviceDirectory);
  fs::create_directories(logs);

  const bool pcSends = what.direction == Direction::Send;
  const bool kermitPair = what.peers == Peers::KermitBasic || what.peers == Peers::KermitDefaults;
  const fs::path sourceDirectory = pcSends ? pcDirectory : deviceDirectory;
  const fs::path targetDirectory = pcSends ? deviceDirectory : pcDirectory;
  WriteFile(sourceDirectory / files.name, pcSends ? *files.pcSide : *files.deviceSide);
  const std::string& expected = pcSends ? *files.deviceSide : *files.pcSide;

  // Bounded like everything else here: a transfer that hangs ends with the emulator.
  const int expectedSeconds = static_cast<int>(result.fileBytes * 10 / static_cast<std::uint64_t>(what.baudRate));
  const int boundSeconds = 3 * expectedSeconds + 60;
  ChildProcess line;
  if (!Start(line, {paths.lineEmulator.string(), "--baud", std::to_string(what.baudRate), "--seconds",
                    std::to_string(boundSeconds)},
             run, logs / "line.out")) {
    result.problem = "line emulator did not start";
    return result;
  }
  const auto slaves = AwaitLine(logs / "line.out");
  if (!slaves) {
    result.problem = "line emulator printed no paths";
    return result;
  }
  // The device (or the receiving Kermit) sits on end A, the PC on end B.
  const std::string& deviceLine = slaves->first;
  const std::string& pcLine = slaves->second;

  ChildProcess sender;
  ChildProcess receiver;
  std::vector<std::string> senderArguments;
  std::vector<std::string> receiverArguments;
  fs::path senderDirectory = sourceDirectory;
  fs::path receiverDirectory = targetDirectory;
  if (kermitPair) {
    senderArguments = Kermit(pcLine, what, "send " + files.name);
    receiverArguments = Kermit(deviceLine, what, "receive");
  } else if (pcSends) {
    senderArguments = Corvane(paths, pcLine, what);
    senderArguments.insert(senderArguments.end(), {"send", files.name});
    receiverArguments = Device(paths, deviceLine, what, deviceDirectory);
    receiverArguments.push_back("serve");
  } else {
    senderArguments = Device(paths, deviceLine, what, deviceDirectory);
    senderArguments.insert(senderArguments.end(), {"send", (deviceDirectory / files.name).string()});
    receiverArguments = Corvane(paths, pcLine, what);
    receiverArguments.push_back("receive");
  }
  if (!Start(receiver, receiverArguments, receiverDirectory, logs / "receiver.log")) {
    result.problem = "receiver did not start";
    return result;
  }
  std::this_thread::sleep_for(kReceiverHeadStart);
  const auto started = Clock::now();
  if (!Start(sender, senderArguments, senderDirectory, logs / "sender.log")) {
    result.problem = "sender did not start";
    return result;
  }

  const std::uint32_t boundMs = static_cast<std::uint32_t>(boundSeconds) * 1000;
  const bool deviceServes = !kermitPair && pcSends;
  const std::optional<int> senderStatus = sender.Wait(boundMs);
  // A serving device does not end by itself once the PC is done.
  if (deviceServes) receiver.Signal(SIGTERM);
  const std::optional<int> receiverStatus = receiver.Wait(deviceServes ? kStopMs : boundMs);
  result.wallSeconds = std::chrono::duration<double>(Clock::now() - started).count();
  line.Signal(SIGTERM);
  line.Wait(kStopMs);
  // End A is the device's: a->b carries the device's packets to the PC.
  ReadLineReport(logs / "line.out", pcSends ? "a->b" : "b->a", result);
  result.senderCpu = sender.CpuSeconds();
  result.receiverCpu = receiver.CpuSeconds();
  result.senderWaits = sender.Waits();
  result.receiverWaits = receiver.Waits();

  if (senderStatus != 0) {
    result.problem = "sender ended with " + (senderStatus ? std::to_string(*senderStatus) : "a time-out");
  } else if (!deviceServes && receiverStatus != 0) {
    result.problem = "receiver ended with " + (receiverStatus ? std::to_string(*receiverStatus) : "a time-out");
  } else if (ReceivedFile(targetDirectory) != expected) {
    result.problem = "received file differs";
  } else if (result.lineSeconds <= 0) {
    result.problem = "nothing crossed the line";
  } else {
    result.ok = true;
  }
  return result;
}

}  // namespace corvane::bench
