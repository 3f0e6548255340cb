#include "throughput/report.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

namespace corvane::bench {
namespace {

// The median over the runs that completed, of whatever `pick` takes from a run.
template <typename Pick>
std::optional<double> MedianOf(const CaseResults& results, Pick pick) {
  std::vector<double> values;
  for (const TransferResult& run : results.runs) {
    if (run.ok) values.push_back(pick(run));
  }
  if (values.empty()) return std::nullopt;
  return Median(values);
}

struct Figures {
  double seconds = 0;
  double efficiency = 0;
  double cpuSeconds = 0;  // of the side that plays the PC's part in this direction
  double waits = 0;       // times that side blocked
  int completed = 0;
  int runs = 0;
};

std::optional<Figures> FiguresOf(const CaseResults& results, Direction role) {
  const auto seconds = MedianOf(results, [](const TransferResult& run) { return run.lineSeconds; });
  if (!seconds) return std::nullopt;
  Figures figures;
  figures.seconds = *seconds;
  figures.efficiency = *MedianOf(results, [&](const TransferResult& run) {
    return Efficiency(run.fileBytes, run.lineSeconds, results.what.baudRate);
  });
  figures.cpuSeconds = *MedianOf(results, [&](const TransferResult& run) {
    return role == Direction::Send ? run.senderCpu : run.receiverCpu;
  });
  figures.waits = *MedianOf(results, [&](const TransferResult& run) {
    return static_cast<double>(role == Direction::Send ? run.senderWaits : run.receiverWaits);
  });
  for (const TransferResult& run : results.runs) figures.completed += run.ok ? 1 : 0;
  figures.runs = static_cast<int>(results.runs.size());
  return figures;
}

bool IsKermit(Peers peers) { return peers == Peers::KermitBasic || peers == Peers::KermitDefaults; }

// Packets the PC accepted: one for every answer of the other side.
std::optional<double> PacketsOf(const CaseResults& results) {
  return MedianOf(results, [](const TransferResult& run) { return static_cast<double>(run.answers); });
}

// The C-Kermit pair that moved the same kind of bytes: .CR5 points travel as text lines.
const CaseResults* KermitReference(const std::vector<CaseResults>& cases, Peers kermit, const TransferCase& what) {
  const Media kind = what.media == Media::Binary ? Media::Binary : Media::Text;
  for (const CaseResults& results : cases) {
    if (results.what.peers == kermit && results.what.media == kind && results.what.baudRate == what.baudRate) {
      return &results;
    }
  }
  return nullptr;
}

std::string Format(const char* format, double value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// The cells that name a Corvane row.
std::string RowStart(const TransferCase& what) {
  return "| " + Describe(what.peers) + " | " + Describe(what.direction) + " | " + Describe(what.media) + " | " +
         std::to_string(what.baudRate) + " | ";
}

// A table of the Corvane rows: the naming cells, then one figure for each of
// `columns`; `row` prints the figures of one configuration, or nothing.
template <typename Row>
void PrintCorvaneTable(const std::vector<CaseResults>& cases, const std::vector<const char*>& columns,
                       std::ostream& out, Row row) {
  out << "| Peers | Direction | File | Baud |";
  for (const char* column : columns) out << ' ' << column << " |";
  out << "\n|---|---|---|---:|";
  for (std::size_t i = 0; i < columns.size(); ++i) out << "---:|";
  out << '\n';
  for (const CaseResults& results : cases) {
    if (!IsKermit(results.what.peers)) row(results);
  }
}

std::string EfficiencyRatio(const Figures& mine, const CaseResults* reference, Direction role) {
  const std::optional<Figures> theirs = reference ? FiguresOf(*reference, role) : std::nullopt;
  if (!theirs || theirs->efficiency <= 0) return "–";
  return Format("%.2f", mine.efficiency / theirs->efficiency);
}

// CPU is set against the reference per byte moved: the two files differ a little in size.
std::string CpuRatio(const Figures& mine, std::uint64_t myBytes, const CaseResults* reference, Direction role) {
  const std::optional<Figures> theirs = reference ? FiguresOf(*reference, role) : std::nullopt;
  if (!theirs || theirs->cpuSeconds <= 0) return "–";
  const double theirsPerByte = theirs->cpuSeconds / static_cast<double>(reference->runs.front().fileBytes);
  return Format("%.2f", mine.cpuSeconds / static_cast<double>(myBytes) / theirsPerByte);
}

void PrintRow(const std::vector<CaseResults>& cases, const CaseResults& results, Direction role, std::ostream& out) {
  const TransferCase& what = results.what;
  const std::optional<Figures> figures = FiguresOf(results, role);
  std::string name = Describe(what.peers);
  if (IsKermit(what.peers)) name += role == Direction::Send ? " (sender)" : " (receiver)";
  out << "| " << name << " | " << Describe(role) << " | " << Describe(what.media) << " | " << what.baudRate << " | ";
  if (!figures) {
    out << "failed | | | | | | | 0/" << results.runs.size() << " |\n";
    return;
  }
  const std::uint64_t bytes = results.runs.front().fileBytes;
  const double cpuPerKiB = figures->cpuSeconds * 1000.0 / (static_cast<double>(bytes) / 1024.0);
  out << bytes << " | " << Format("%.2f", figures->seconds) << " | " << Format("%.3f", figures->efficiency) << " | ";
  if (IsKermit(what.peers)) {
    out << "– | – | " << Format("%.3f", figures->cpuSeconds) << " | " << Format("%.2f", cpuPerKiB) << " | – | ";
  } else {
    const CaseResults* basic = KermitReference(cases, Peers::KermitBasic, what);
    const CaseResults* defaults = KermitReference(cases, Peers::KermitDefaults, what);
    out << EfficiencyRatio(*figures, basic, role) << " | " << EfficiencyRatio(*figures, defaults, role) << " | "
        << Format("%.3f", figures->cpuSeconds) << " | " << Format("%.2f", cpuPerKiB) << " | "
        << CpuRatio(*figures, bytes, basic, role) << " | ";
  }
  out << figures->completed << "/" << figures->runs << " |\n";
}

}  // namespace

double Efficiency(std::uint64_t fileBytes, double seconds, int baudRate) {
  if (seconds <= 0 || baudRate <= 0) return 0;
  return static_cast<double>(fileBytes) / (seconds * baudRate / 10.0);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void PrintTable(const std::vector<CaseResults>& cases, std::ostream& out) {
  out << "| Peers | Direction | File | Baud | File bytes | Seconds | Efficiency | × C-Kermit basic | "
         "× C-Kermit defaults | CPU s | CPU ms/KiB | CPU × C-Kermit basic | Runs ok |\n";
  out << "|---|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n";
  for (const CaseResults& results : cases) {
    if (IsKermit(results.what.peers)) {
      PrintRow(cases, results, Direction::Send, out);
      PrintRow(cases, results, Direction::Receive, out);
    } else {
      PrintRow(cases, results, results.what.direction, out);
    }
  }
}

void PrintWaitTable(const std::vector<CaseResults>& cases, std::ostream& out) {
  // Every accepted packet costs a wake for its arrival (when it starts is the
  // peer's business) and one for the 10 ms sleep after it; the host's thread
  // looks at the operation every 250 ms.
  constexpr double kWaitsPerPacket = 2;
  constexpr double kHostPollsPerSecond = 4;
  const std::vector<const char*> columns{"Packets", "Waits", "Waits per packet", "Floor waits",
                                         "C-Kermit basic waits per packet", "CPU × C-Kermit basic",
                                         "Floor × C-Kermit basic waits"};
  PrintCorvaneTable(cases, columns, out, [&](const CaseResults& results) {
    const TransferCase& what = results.what;
    const std::optional<Figures> mine = FiguresOf(results, what.direction);
    const std::optional<double> packets = PacketsOf(results);
    const CaseResults* basic = KermitReference(cases, Peers::KermitBasic, what);
    if (!mine || !packets || basic == nullptr) return;
    const std::optional<Figures> theirs = FiguresOf(*basic, what.direction);
    const std::optional<double> theirPackets = PacketsOf(*basic);
    if (!theirs || !theirPackets || theirs->waits <= 0) return;
    const double floor = kWaitsPerPacket * *packets + kHostPollsPerSecond * mine->seconds;
    const std::uint64_t myBytes = results.runs.front().fileBytes;
    const double theirWaitsPerByte = theirs->waits / static_cast<double>(basic->runs.front().fileBytes);
    out << RowStart(what) << Format("%.0f", *packets) << " | " << Format("%.0f", mine->waits) << " | "
        << Format("%.1f", mine->waits / *packets) << " | " << Format("%.0f", floor) << " | "
        << Format("%.1f", theirs->waits / *theirPackets) << " | " << CpuRatio(*mine, myBytes, basic, what.direction)
        << " | " << Format("%.2f", floor / static_cast<double>(myBytes) / theirWaitsPerByte) << " |\n";
  });
}

void PrintBoundTable(const std::vector<CaseResults>& cases, std::ostream& out) {
  constexpr double kFlushSeconds = 0.010;
  const std::vector<const char*> columns{"Bytes on the line", "Packets accepted", "Line s", "Flush s", "Bound s",
                                         "Bound efficiency", "Seconds", "Reached"};
  PrintCorvaneTable(cases, columns, out, [&](const CaseResults& results) {
    const TransferCase& what = results.what;
    const auto lineBytes = MedianOf(results, [](const TransferResult& run) { return double(run.lineBytes); });
    const std::optional<double> answers = PacketsOf(results);
    const auto seconds = MedianOf(results, [](const TransferResult& run) { return run.lineSeconds; });
    if (!lineBytes || !answers || !seconds) return;
    const double lineSeconds = *lineBytes * 10.0 / what.baudRate;
    const double flushSeconds = *answers * kFlushSeconds;
    const double bound = lineSeconds + flushSeconds;
    out << RowStart(what) << Format("%.0f", *lineBytes) << " | " << Format("%.0f", *answers) << " | "
        << Format("%.2f", lineSeconds) << " | " << Format("%.2f", flushSeconds) << " | " << Format("%.2f", bound)
        << " | " << Format("%.3f", Efficiency(results.runs.front().fileBytes, bound, what.baudRate)) << " | "
        << Format("%.2f", *seconds) << " | " << Format("%.1f %%", 100.0 * bound / *seconds) << " |\n";
  });
}

}  // namespace corvane::bench
