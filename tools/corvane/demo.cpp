// `corvane demo`: a tour of the library against the simulated Data Collector,
// which runs in this process on the other end of a pty pair.
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <vector>

#include "corvane-dc/simulated_device.h"
#include "corvane/exit_status.h"
#include "corvane/operations.h"
#include "corvane/terminal_display.h"
#include "corvane32/corvane32.h"
#include "hostkit/result_words.h"

namespace corvane::cli {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Step {
  std::string what;
  int result = 0;
  std::string detail;
  double seconds = 0;
};

template <typename Number>
void Append(std::string& bytes, Number value) {
  char raw[sizeof value];
  std::memcpy(raw, &value, sizeof value);  // little-endian, as the file format
  bytes.append(raw, sizeof raw);
}

// A .CR5 job of `count` points whose coordinates survive the trip through text.
std::string SurveyJob(int count) {
  std::string bytes("DEMOJOB", 7);
  bytes.append(23, '\0');
  Append(bytes, static_cast<std::int32_t>(count));
  Append(bytes, std::int32_t{-1});
  for (int point = 1; point <= count; ++point) {
    Append(bytes, static_cast<std::int32_t>(point));
    Append(bytes, 5000.0 + point * 12.5);
    Append(bytes, 3000.0 - point * 0.25);
    Append(bytes, 100.0 + std::fmod(point * 0.375, 20.0));
    std::string description = point % 10 == 0 ? "HUB " + std::to_string(point) : "TOPO";
    description.resize(17, '\0');
    bytes += description;
  }
  return bytes;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The header's name field holds the name the file was stored under: compare the records.
bool SameRecords(const std::string& a, const std::string& b) {
  constexpr std::size_t kNameField = 8;
  return a.size() == b.size() && a.compare(kNameField, std::string::npos, b, kNameField, std::string::npos) == 0;
}

class Tour {
 public:
  explicit Tour(const PortOptions& options) : display_(options.quiet) {}

  Step Run(const std::string& what, const std::function<bool()>& operation) {
    std::cerr << "\n== " << what << "\n";
    const auto start = Clock::now();
    operation();
    Step step{what, TransferGetLastError(), "", std::chrono::duration<double>(Clock::now() - start).count()};
    steps_.push_back(step);
    return step;
  }
  void Note(const std::string& detail) { steps_.back().detail = detail; }
  TerminalDisplay& Display() { return display_; }

  int Summarise() const {
    std::cout << "\nWhat happened\n";
    bool allGood = true;
    for (const Step& step : steps_) {
      allGood = allGood && step.result == 0;
      std::cout << "  " << std::left << std::setw(54) << step.what << std::right << std::fixed << std::setprecision(1)
                << std::setw(6) << step.seconds << " s  " << (step.result == 0 ? "ok" : host::DescribeResult(step.result))
                << (step.detail.empty() ? "" : "  " + step.detail) << "\n";
    }
    std::cout << (allGood ? "Every step succeeded.\n" : "Some steps failed.\n");
    return allGood ? kExitSuccess : kExitFailed;
  }

 private:
  TerminalDisplay display_;
  std::vector<Step> steps_;
};

bool StartDevice(dc::PtyDevice& device, std::ostream& out) {
  if (device.Start()) return true;
  out << "corvane: the simulated Data Collector did not start: " << device.Device().StartError() << "\n";
  return false;
}

}  // namespace

int RunDemo(const PortOptions& options) {
  const fs::path workspace = fs::temp_directory_path() / ("corvane-demo-" + std::to_string(::getpid()));
  const fs::path pcDir = workspace / "pc";
  const fs::path returnedDir = pcDir / "returned";
  const fs::path deviceDir = workspace / "data-collector";
  fs::create_directories(returnedDir);
  fs::create_directories(deviceDir);
  const std::string job = SurveyJob(240);
  std::ofstream(pcDir / "JOB1.CR5", std::ios::binary) << job;
  std::ofstream(pcDir / "NOTES.TXT") << "Control points checked at 08:30.\nBenchmark BM4 disturbed; use BM5.\n";
  std::ofstream(deviceDir / "FIELD.TXT") << "Collected on the Data Collector.\n";
  fs::current_path(pcDir);

  std::cout << "Corvane demo: the PC is this process, the Data Collector a simulated one on a pty pair.\n"
            << "Workspace: " << workspace.string() << "\n";
  Tour tour(options);
  TransferSetHostUi(&tour.Display());

  // The classic framing: the library's probe finds out by itself.
  dc::DeviceOptions classic;
  classic.framing = dc::Framing::Classic;
  classic.directory = deviceDir.string();
  dc::PtyDevice classicDevice(classic);
  if (!StartDevice(classicDevice, std::cerr)) return kExitFailed;
  TransferOpenDevice(classicDevice.SlavePath(), 115200, 0, nullptr);
  TransferSetOtherPlatform(1);
  tour.Run("send JOB1.CR5 (240 points) [classic]", [] { return TransferSend("JOB1.CR5", ""); });
  tour.Note(std::to_string(job.size()) + " bytes as " + std::to_string(fs::file_size(deviceDir / "JOB1.CR5")) +
            " bytes of text lines");
  tour.Run("send NOTES.TXT [classic]", [] { return TransferSend("NOTES.TXT", ""); });
  if (tour.Run("list the Data Collector's directory [classic]", [] { return TransferDirectory(""); }).result == 0) {
    std::string reply;
    if (TransferGetOutputFilename(reply)) {
      std::cout << "\nThe Data Collector's directory:\n" << ReadAll(reply);
      fs::remove(reply);
    }
  }
  fs::current_path(returnedDir);
  if (tour.Run("get JOB1.CR5 back [classic]", [] { return TransferGet("JOB1.CR5", ""); }).result == 0) {
    tour.Note(SameRecords(ReadAll(returnedDir / "JOB1.CR5"), job) ? "identical to the file sent"
                                                                  : "DIFFERS from the file sent");
  }
  fs::current_path(pcDir);
  TransferCloseCom();
  classicDevice.Stop();

  // The wide framing: two-character lengths and 512 raw bytes a packet.
  dc::DeviceOptions wide = classic;
  wide.framing = dc::Framing::Wide;
  dc::PtyDevice wideDevice(wide);
  if (!StartDevice(wideDevice, std::cerr)) return kExitFailed;
  TransferOpenDevice(wideDevice.SlavePath(), 115200, 0, nullptr);
  tour.Run("send JOB1.CR5 as JOB2.CR5 [wide, found by the probe]", [] { return TransferSend("JOB1.CR5", "JOB2.CR5"); });
  tour.Note(ReadAll(deviceDir / "JOB2.CR5") == job ? "stored byte for byte" : "DIFFERS from the file sent");
  TransferSetOtherPlatform(2);
  tour.Run("get FIELD.TXT [wide]", [] { return TransferGet("FIELD.TXT", ""); });
  TransferCloseCom();
  wideDevice.Stop();

  TransferSetHostUi(nullptr);
  const int status = tour.Summarise();
  std::cout << "Files are in " << workspace.string() << "\n";
  return status;
}

}  // namespace corvane::cli
