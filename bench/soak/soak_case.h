// The soak's cases: an operation, a framing and a fault, each run under a
// number of fixed seeds.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "corvane-dc/faults.h"

namespace corvane::bench {

enum class Operation {
  Send, Receive, Get, Directory, ChangeDirectory, Delete, ServerUpload, ServerDownload, ServerRemote
};
// Packet: the single-fault sweep's one lost or damaged packet (none for its reference run).
enum class Fault { Corrupt01, Corrupt1, Drop01, Silent, Cancel, Packet };
enum class Wire { Classic, Wide };

struct SoakCase {
  Operation operation;
  Wire wire;
  Fault fault;
  int seeds;  // runs of this case, seeds 1..seeds
  std::optional<dc::PacketFault> packetFault = std::nullopt;
};

// Every operation in each framing it exists in, under every fault.
std::vector<SoakCase> AllCases();
// The sweep's reference runs: every operation of the soak, and a remote
// command that the Data Collector sends to a PC server, on a clean line.
std::vector<SoakCase> SweepReferenceCases();
// The reference case with one packet lost or damaged.
SoakCase WithPacketFault(SoakCase reference, const dc::PacketFault& fault);
std::string CaseName(const SoakCase& soakCase);
// A soak case, or a sweep case ("get/wide/clean", "get/wide/sent:3:drop").
std::optional<SoakCase> FindCase(const std::string& name);
std::string OperationName(Operation operation);
std::string FaultTitle(Fault fault);
std::string WireName(Wire wire);

// The longest a run may take when the line stalls once: one packet wait sent
// out to its last retry, plus time for the file itself.
double BudgetSeconds(const SoakCase& soakCase);
// When a user watching a client operation's progress presses Cancel: half as
// long again as the budget, after the corvane command's own idle time-out.
double PatienceSeconds(const SoakCase& soakCase);
// Past this a run hangs: twice the budget, the idle time-out and a margin for a loaded machine.
double LimitSeconds(const SoakCase& soakCase);

}  // namespace corvane::bench
