#include "corvane-dc/roles.h"

#include <sstream>

namespace corvane::dc {

std::optional<Role> ParseRole(const std::vector<std::string>& words) {
  if (words.empty()) return std::nullopt;
  const std::string& verb = words[0];
  if (verb == "serve" && words.size() == 1) return Role::Serve();
  if (words.size() == 2 && verb == "send") return Role::Send(words[1]);
  if (words.size() == 2 && verb == "upload") return Role::Upload(words[1]);
  if (words.size() == 2 && verb == "download") return Role::Download(words[1]);
  if (verb == "remote" && (words.size() == 2 || words.size() == 3)) {
    const std::string argument = words.size() == 3 ? words[2] : "";
    if (words[1] == "dir") return Role::Remote('D', argument);
    if (words[1] == "cd" && !argument.empty()) return Role::Remote('C', argument);
    if (words[1] == "erase" && !argument.empty()) return Role::Remote('E', argument);
  }
  return std::nullopt;
}

std::optional<std::vector<Role>> ParseScript(const std::string& text, std::string& badLine) {
  std::vector<Role> roles;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream wordStream(line);
    std::vector<std::string> words;
    for (std::string word; wordStream >> word;) words.push_back(word);
    if (words.empty() || words[0].starts_with('#')) continue;
    const std::optional<Role> role = ParseRole(words);
    if (!role) {
      badLine = line;
      return std::nullopt;
    }
    roles.push_back(*role);
  }
  return roles;
}

std::string DescribeRole(const Role& role) {
  switch (role.kind) {
    case RoleKind::Serve: return "serve";
    case RoleKind::Send: return "send " + role.argument;
    case RoleKind::Upload: return "upload " + role.argument;
    case RoleKind::Download: return "download " + role.argument;
    case RoleKind::Remote: {
      const std::string verb = role.remoteLetter == 'D' ? "dir" : role.remoteLetter == 'C' ? "cd" : "erase";
      return "remote " + verb + (role.argument.empty() ? "" : " " + role.argument);
    }
  }
  return "?";
}

}  // namespace corvane::dc
