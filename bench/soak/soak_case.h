// The soak's cases: an operation, a framing and a fault, each run under a
// number of fixed seeds.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvane::bench {

enum class Operation { Send, Receive, Get, Directory, ChangeDirectory, Delete, ServerUpload, ServerDownload };
enum class Fault { Corrupt01, Corrupt1, Drop01, Silent, Cancel };
enum class Wire { Classic, Wide };

struct SoakCase {
  Operation operation;
  Wire wire;
  Fault fault;
  int seeds;  // runs of this case, seeds 1..seeds
};

// Every operation in each framing it exists in, under every fault.
std::vector<SoakCase> AllCases();
std::string CaseName(const SoakCase& soakCase);
std::optional<SoakCase> FindCase(const std::string& name);
std::string OperationName(Operation operation);
std::string FaultTitle(Fault fault);
std::string WireName(Wire wire);

// The longest a run may take when the line stalls once: one packet wait sent
// out to its last retry, plus time for the file itself.
double BudgetSeconds(const SoakCase& soakCase);

}  // namespace corvane::bench
