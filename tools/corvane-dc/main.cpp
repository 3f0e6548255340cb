// corvane-dc: the simulated Data Collector on a tty or on a pty pair of its own.
#include <CLI/CLI.hpp>

#include <fstream>
#include <iostream>
#include <sstream>

#include "common/interrupt.h"
#include "corvane-dc/simulated_device.h"

namespace {

using namespace corvane::dc;

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNoLine = 3;

std::optional<std::vector<Role>> ScriptFromWords(const std::vector<std::string>& words, std::string& problem) {
  if (words.size() == 2 && words[0] == "script") {
    std::ifstream file(words[1]);
    if (!file) {
      problem = "cannot read the script " + words[1];
      return std::nullopt;
    }
    std::stringstream text;
    text << file.rdbuf();
    std::string badLine;
    std::optional<std::vector<Role>> roles = ParseScript(text.str(), badLine);
    if (!roles) problem = "script line not understood: " + badLine;
    return roles;
  }
  if (std::optional<Role> role = ParseRole(words)) return std::vector<Role>{*role};
  problem = "action not understood";
  return std::nullopt;
}

void Report(const Outcome& outcome) {
  std::cout << DescribeRole(outcome.role) << ": " << (outcome.success ? "ok" : "FAILED") << " - " << outcome.detail
            << '\n';
  for (const std::string& file : outcome.filesStored) std::cout << "  stored " << file << '\n';
  if (!outcome.reply.empty()) std::cout << outcome.reply << (outcome.reply.ends_with('\n') ? "" : "\n");
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Simulated Data Collector: plays the device end of a Kermit serial line."};
  DeviceOptions options;
  std::string devicePath;
  bool usePty = false;
  std::string framing = "classic";
  std::vector<std::string> action;
  auto* device = app.add_option("--device", devicePath, "tty to play the device on");
  auto* pty = app.add_flag("--pty", usePty, "create a pty pair and print the path the PC side opens");
  device->excludes(pty);
  app.add_option("--framing", framing, "line framing")->check(CLI::IsMember({"classic", "wide"}));
  app.add_option("--dir", options.directory, "served directory")->required()->check(CLI::ExistingDirectory);
  app.add_option("--log", options.logPath, "packet log file ('-' for stderr)");
  app.add_option("--baud", options.baudRate, "baud rate for --device");
  app.add_option("--timeout", options.timeoutSeconds, "read time-out in seconds")->check(CLI::Range(1, 94));
  app.add_option("--corrupt", options.faults.corruptProbability, "probability of corrupting a byte")->check(CLI::Range(0.0, 1.0));
  app.add_option("--drop", options.faults.dropProbability, "probability of dropping a byte")->check(CLI::Range(0.0, 1.0));
  app.add_option("--delay", options.faults.delayProbability, "probability of stalling before a byte sent")->check(CLI::Range(0.0, 1.0));
  app.add_option("--delay-ms", options.faults.delayMs, "length of a stall in milliseconds");
  app.add_option("--seed", options.faults.seed, "seed of the fault decisions");
  app.add_option("--silent-after", options.faults.silentAfterPackets, "send nothing after this many packets");
  app.add_option("--error-text", options.faults.errorText, "refuse every exchange with an E packet of this text");
  std::string packetFault;
  app.add_option("--packet-fault", packetFault,
                 "lose or damage one packet: sent|received:K:drop|damage, K counted from 1 in that direction")
      ->check([](const std::string& text) {
        return ParsePacketFault(text) ? std::string() : std::string("expected e.g. sent:3:drop or received:5:damage");
      });
  app.add_option("action", action,
                 "serve | send FILE | upload FILE | download NAME | remote dir|cd|erase [ARG] | script FILE")
      ->required();
  CLI11_PARSE(app, argc, argv);

  if (devicePath.empty() && !usePty) {
    std::cerr << "corvane-dc: give --device PATH or --pty\n";
    return kExitUsage;
  }
  std::string problem;
  const std::optional<std::vector<Role>> script = ScriptFromWords(action, problem);
  if (!script) {
    std::cerr << "corvane-dc: " << problem << '\n';
    return kExitUsage;
  }
  options.framing = framing == "wide" ? Framing::Wide : Framing::Classic;
  if (!packetFault.empty()) options.faults.packetFault = ParsePacketFault(packetFault);
  options.script = *script;
  if (options.faults.delayMs == 0 && options.faults.delayProbability > 0) options.faults.delayMs = 500;

  const corvane::InterruptCatcher interrupts;
  PtyDevice onPty(options);
  SimulatedDevice onTty(options);
  SimulatedDevice* running = &onTty;
  if (usePty) {
    if (!onPty.Start()) {
      std::cerr << "corvane-dc: cannot start on a pty pair: " << onPty.Device().StartError() << '\n';
      return kExitNoLine;
    }
    running = &onPty.Device();
    std::cout << onPty.SlavePath() << std::endl;
  } else if (!onTty.Start(devicePath)) {
    std::cerr << "corvane-dc: " << onTty.StartError() << '\n';
    return kExitNoLine;
  }
  while (!running->WaitFinished(100)) {
    if (interrupts.Count() > 0) break;
  }
  running->Stop();
  bool allDone = true;
  for (const Outcome& outcome : running->Outcomes()) {
    Report(outcome);
    allDone = allDone && outcome.success;
  }
  return allDone ? 0 : kExitFailed;
}
