#include "corvane/command_line.h"

#include <CLI/CLI.hpp>

#include <functional>
#include <iostream>

#include "corvane/corvane.h"
#include "corvane/exit_status.h"
#include "corvane/operations.h"
#include "corvane/port_options.h"

namespace corvane::cli {
namespace {

void AddPortOptions(CLI::App& app, PortOptions& options) {
  app.add_option("--port", options.port, "serial device path or COM number")->capture_default_str();
  app.add_option("--baud", options.baudRate, "baud rate")->capture_default_str();
  app.add_option("--parity", options.parity, "none, odd, even, mark or space (7 data bits with parity)")
      ->check(CLI::IsMember({"none", "odd", "even", "mark", "space"}))
      ->capture_default_str();
  app.add_option("--platform", options.platform, "auto, classic, wide or a number")->capture_default_str();
  app.add_flag("--quiet,-q", options.quiet, "draw no progress");
  app.add_flag("--overwrite", options.overwrite, "replace a received file that exists instead of asking");
  app.add_option("--idle-timeout", options.idleTimeoutSeconds,
                 "give up a client operation (exit 1) once for this many seconds no packet has come whole from "
                 "the Data Collector (NAKs aside) and no file data has moved; resending into a silent line "
                 "does not count as moving. 0 waits without end. Not for server")
      ->check(CLI::NonNegativeNumber)
      ->capture_default_str();
}

}  // namespace

int RunCommandLine(int argc, char** argv) {
  CLI::App app{"corvane: move files between this PC and a Data Collector over a serial line"};
  app.set_version_flag("--version", corvane_version(), "print the version and exit");
  app.require_subcommand(1);
  PortOptions options;
  AddPortOptions(app, options);
  std::function<int()> action;

  std::string local, announced, name, second, argument, root;
  bool noConfine = false;

  auto* send = app.add_subcommand("send", "send a file to the Data Collector");
  send->add_option("LOCAL", local, "the local file")->required();
  send->add_option("--as", announced, "the name the Data Collector stores it under");
  send->callback([&] { action = [&] { return SendFile(options, local, announced); }; });

  auto* receive = app.add_subcommand("receive", "receive the file the Data Collector sends");
  receive->add_option("NAME", name, "store it under this name (default: the name it announces)");
  receive->callback([&] { action = [&] { return ReceiveFile(options, name); }; });

  auto* get = app.add_subcommand("get", "get a file from the Data Collector's server");
  get->add_option("NAME", name, "the file to get")->required();
  get->add_option("SECOND", second, "the remote name, when NAME is the local one");
  get->callback([&] { action = [&] { return GetFile(options, name, second); }; });

  auto* dir = app.add_subcommand("dir", "list the Data Collector's directory on stdout");
  dir->add_option("ARG", argument, "passed to the Data Collector");
  dir->callback([&] { action = [&] { return RemoteCommand(options, 'D', argument); }; });

  auto* cd = app.add_subcommand("cd", "change the Data Collector's directory");
  cd->add_option("DIR", argument, "the directory")->required();
  cd->callback([&] { action = [&] { return RemoteCommand(options, 'C', argument); }; });

  auto* del = app.add_subcommand("del", "erase a file on the Data Collector");
  del->add_option("NAME", argument, "the file")->required();
  del->callback([&] { action = [&] { return RemoteCommand(options, 'E', argument); }; });

  auto* server = app.add_subcommand("server", "serve the Data Collector until Ctrl-C or SIGTERM");
  server->add_option("--root", root, "the directory tree served (default: the current directory)");
  server->add_flag("--no-confine", noConfine, "let the Data Collector reach the whole file system");
  server->callback([&] { action = [&] { return Serve(options, root, !noConfine); }; });

  auto* ports = app.add_subcommand("ports", "list the serial ports of this machine");
  ports->callback([&] { action = [] { return ListPorts(); }; });

  auto* demo = app.add_subcommand("demo", "a tour against the built-in simulated Data Collector");
  demo->callback([&] { action = [&] { return RunDemo(options); }; });

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& help) {
    return app.exit(help);
  } catch (const CLI::CallForVersion& version) {
    return app.exit(version);
  } catch (const CLI::ParseError& error) {
    app.exit(error);
    return kExitUsage;
  }
  return action ? action() : kExitUsage;
}

}  // namespace corvane::cli
