// What the device is asked to do, and what came of it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvane::dc {

enum class RoleKind {
  Serve,     // answer the PC: take its files, serve R and G requests, answer probes
  Send,      // push one file to a PC that is receiving
  Upload,    // put a file on a PC (or Kermit) server
  Download,  // fetch a file from a PC server into the served directory
  Remote,    // a generic command to a PC server: directory, change directory, erase
};

struct Role {
  RoleKind kind = RoleKind::Serve;
  std::string argument;   // local path for send/upload, remote name, command argument
  char remoteLetter = 0;  // 'D' directory, 'C' change directory, 'E' erase

  static Role Serve() { return {}; }
  static Role Send(std::string path) { return {RoleKind::Send, std::move(path), 0}; }
  static Role Upload(std::string path) { return {RoleKind::Upload, std::move(path), 0}; }
  static Role Download(std::string name) { return {RoleKind::Download, std::move(name), 0}; }
  static Role Remote(char letter, std::string argument) { return {RoleKind::Remote, std::move(argument), letter}; }
};

// "serve", "send FILE", "upload FILE", "download NAME", "remote dir|cd|erase [ARG]".
std::optional<Role> ParseRole(const std::vector<std::string>& words);
// One role a line; blank lines and lines starting with '#' are skipped. Nothing
// when a line does not parse (`badLine` then names it).
std::optional<std::vector<Role>> ParseScript(const std::string& text, std::string& badLine);
std::string DescribeRole(const Role& role);

struct Outcome {
  Outcome() = default;
  explicit Outcome(Role played) : role(std::move(played)) {}

  Role role;
  bool success = false;
  std::string detail;             // what happened, in words
  std::string remoteError;        // the data of an E packet from the peer
  int remoteErrorLength = -1;     // its length: the PC's result code on the wide line
  std::string reply;              // the answer text of a remote command
  std::vector<std::string> filesStored;  // files written into the served directory
  int exchanges = 0;              // exchanges a serving device completed
};

}  // namespace corvane::dc
