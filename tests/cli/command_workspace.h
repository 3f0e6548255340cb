// A scratch directory for a test of the corvane command (dc/ inside it for a
// simulated Data Collector's files), the command run there as a child, and
// the file crossings that several tests make.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/child_process.h"
#include "platform/scratch_directory.h"
#include "support/dc_fixture.h"
#include "support/files.h"

namespace corvane {

class CommandWorkspace : public ::testing::Test {
 protected:
  CommandWorkspace() : workspace_(scratch_.Path()) { std::filesystem::create_directories(workspace_ / "dc"); }

  // Starts `corvane ARGUMENTS` in the workspace; its stdout and stderr go to Output(), or
  // with `terminal` it runs in that terminal (its input too).
  bool StartCorvane(ChildProcess& corvane, const std::vector<std::string>& arguments, const std::string& terminal = "") {
    ChildOptions run;
    run.arguments = {CORVANE_BINARY};
    run.arguments.insert(run.arguments.end(), arguments.begin(), arguments.end());
    run.workingDirectory = workspace_.string();
    run.outputPath = (workspace_ / "output").string();
    if (!terminal.empty()) run.inputPath = run.outputPath = terminal;
    return corvane.Start(run);
  }
  // Runs it to its end: the exit status, or nullopt when it still runs after the guard.
  std::optional<int> RunCorvane(const std::vector<std::string>& arguments, std::uint32_t guardMs = 60000) {
    ChildProcess corvane;
    EXPECT_TRUE(StartCorvane(corvane, arguments));
    return corvane.Wait(guardMs);
  }
  std::string Output() const { return testing::ReadFile(workspace_ / "output"); }

  testing::ScratchDirectory scratch_;
  std::filesystem::path workspace_;
};

// A file crossing the line through the command, one case a direction: the PC
// sends FILE.DAT on the classic line, or receives it from the device on the wide line.
struct Crossing {
  const char* name;
  dc::Framing framing;
  std::vector<std::string> command;  // after --port and --quiet
  bool deviceSends;
};
inline void PrintTo(const Crossing& c, std::ostream* out) { *out << c.name; }
inline std::string CrossingName(const ::testing::TestParamInfo<Crossing>& info) { return info.param.name; }
inline const Crossing kCrossings[] = {
    {"ClassicSend", dc::Framing::Classic, {"--platform", "classic", "send", "FILE.DAT"}, false},
    {"WideReceive", dc::Framing::Wide, {"--platform", "wide", "receive"}, true},
};

class CrossingTest : public CommandWorkspace, public ::testing::WithParamInterface<Crossing> {
 protected:
  // FILE.DAT with `content` on the sending side (the device's in dc/), and a device, not yet started, for the other.
  std::unique_ptr<testing::DcFixture> DeviceWithFile(const std::string& content, int timeoutSeconds = 3) {
    const std::filesystem::path file = workspace_ / (GetParam().deviceSends ? "dc/FILE.DAT" : "FILE.DAT");
    testing::WriteFile(file, content);
    dc::DeviceOptions options = testing::DeviceFor(GetParam().framing);
    options.timeoutSeconds = timeoutSeconds;
    if (GetParam().deviceSends) options.script = {dc::Role::Send(file.string())};
    return std::make_unique<testing::DcFixture>(options);
  }
  // The crossing's command on `port`, quiet, with `options` first.
  std::vector<std::string> Arguments(const std::string& port, std::vector<std::string> options = {}) {
    options.insert(options.begin(), {"--port", port, "--quiet"});
    options.insert(options.end(), GetParam().command.begin(), GetParam().command.end());
    return options;
  }
};

}  // namespace corvane
