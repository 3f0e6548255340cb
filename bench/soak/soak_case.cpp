#include "soak/soak_case.h"

#include "corvane-dc/simulated_device.h"
#include "corvane/operation_watch.h"
#include "session/kermit_basics.h"

namespace corvane::bench {
namespace {

// A silent run costs a whole retry budget, so those cases get one seed.
constexpr int kSeedsPerFault[] = {5, 5, 5, 1, 6};
// Time for the few kilobytes themselves, stalls aside.
constexpr double kFileSeconds = 10.0;
// The wide engine waits 2 s for a start byte and about 1 s for the rest,
// and pauses before its error packet.
constexpr double kWideWaitSeconds = 3.0;
constexpr double kWideErrorPauseSeconds = 1.5;
constexpr double kPatienceFactor = 1.5;
constexpr double kLimitFactor = 2.0;
constexpr double kLimitMarginSeconds = 30.0;

struct OperationRoute {
  Operation operation;
  Wire wire;
};

constexpr OperationRoute kRoutes[] = {
    {Operation::Send, Wire::Classic},
    {Operation::Send, Wire::Wide},
    {Operation::Receive, Wire::Classic},
    {Operation::Receive, Wire::Wide},
    {Operation::Get, Wire::Classic},
    {Operation::Get, Wire::Wide},
    {Operation::Directory, Wire::Classic},
    {Operation::Directory, Wire::Wide},
    {Operation::ChangeDirectory, Wire::Classic},
    {Operation::ChangeDirectory, Wire::Wide},
    {Operation::Delete, Wire::Classic},
    {Operation::Delete, Wire::Wide},
    {Operation::ServerUpload, Wire::Wide},
    {Operation::ServerDownload, Wire::Wide},
};

constexpr Fault kFaults[] = {Fault::Corrupt01, Fault::Corrupt1, Fault::Drop01, Fault::Silent, Fault::Cancel};
constexpr char kCleanKey[] = "clean";

std::string FaultKey(Fault fault) {
  switch (fault) {
    case Fault::Corrupt01: return "corrupt0.1";
    case Fault::Corrupt1: return "corrupt1";
    case Fault::Drop01: return "drop0.1";
    case Fault::Silent: return "silent";
    case Fault::Cancel: return "cancel";
    case Fault::Packet: return kCleanKey;
  }
  return "?";
}

}  // namespace

std::vector<SoakCase> AllCases() {
  std::vector<SoakCase> cases;
  for (std::size_t f = 0; f < std::size(kFaults); ++f) {
    for (const OperationRoute& route : kRoutes) {
      cases.push_back({route.operation, route.wire, kFaults[f], kSeedsPerFault[f]});
    }
  }
  return cases;
}

std::vector<SoakCase> SweepReferenceCases() {
  std::vector<SoakCase> cases;
  for (const OperationRoute& route : kRoutes) cases.push_back({route.operation, route.wire, Fault::Packet, 1});
  cases.push_back({Operation::ServerRemote, Wire::Wide, Fault::Packet, 1});
  return cases;
}

SoakCase WithPacketFault(SoakCase reference, const dc::PacketFault& fault) {
  reference.packetFault = fault;
  return reference;
}

std::string OperationName(Operation operation) {
  switch (operation) {
    case Operation::Send: return "send";
    case Operation::Receive: return "receive";
    case Operation::Get: return "get";
    case Operation::Directory: return "dir";
    case Operation::ChangeDirectory: return "cd";
    case Operation::Delete: return "del";
    case Operation::ServerUpload: return "server-upload";
    case Operation::ServerDownload: return "server-download";
    case Operation::ServerRemote: return "server-remote";
  }
  return "?";
}

std::string WireName(Wire wire) { return wire == Wire::Classic ? "classic" : "wide"; }

std::string FaultTitle(Fault fault) {
  switch (fault) {
    case Fault::Corrupt01: return "Byte corruption 0.1 %";
    case Fault::Corrupt1: return "Byte corruption 1 %";
    case Fault::Drop01: return "Byte loss 0.1 %";
    case Fault::Silent: return "Device falls silent mid-transfer";
    case Fault::Cancel: return "Cancel at a random moment";
    case Fault::Packet: return "One packet lost or damaged";
  }
  return "?";
}

std::string CaseName(const SoakCase& soakCase) {
  const std::string fault = soakCase.packetFault ? dc::DescribePacketFault(*soakCase.packetFault) : FaultKey(soakCase.fault);
  return OperationName(soakCase.operation) + "/" + WireName(soakCase.wire) + "/" + fault;
}

std::optional<SoakCase> FindCase(const std::string& name) {
  for (const SoakCase& soakCase : AllCases()) {
    if (CaseName(soakCase) == name) return soakCase;
  }
  for (const SoakCase& reference : SweepReferenceCases()) {
    const std::string prefix = CaseName(reference);
    if (name == prefix) return reference;
    const std::string stem = prefix.substr(0, prefix.size() - (sizeof kCleanKey - 1));
    if (!name.starts_with(stem)) continue;
    if (const auto fault = dc::ParsePacketFault(std::string_view(name).substr(stem.size()))) {
      return WithPacketFault(reference, *fault);
    }
  }
  return std::nullopt;
}

double BudgetSeconds(const SoakCase& soakCase) {
  const double deviceTimeout = dc::DeviceOptions{}.timeoutSeconds;
  if (soakCase.operation == Operation::ServerUpload || soakCase.operation == Operation::ServerDownload ||
      soakCase.operation == Operation::ServerRemote) {
    // The PC's server waits without end; the device's own retries bound the run.
    return dc::DeviceOptions{}.retries * (deviceTimeout + 1) + kFileSeconds;
  }
  const int sendings = kRetryLimit + 2;
  if (soakCase.wire == Wire::Classic) return sendings * (deviceTimeout + 1) + kFileSeconds;
  return sendings * kWideWaitSeconds + kWideErrorPauseSeconds + kFileSeconds;
}

double PatienceSeconds(const SoakCase& soakCase) {
  return kPatienceFactor * BudgetSeconds(soakCase) + cli::kDefaultIdleTimeoutSeconds;
}

double LimitSeconds(const SoakCase& soakCase) {
  return kLimitFactor * BudgetSeconds(soakCase) + cli::kDefaultIdleTimeoutSeconds + kLimitMarginSeconds;
}

}  // namespace corvane::bench
