#include "hostfiles/file_names.h"

#include <algorithm>
#include <string_view>

#include "platform/paths.h"

namespace corvane {

namespace {

// Characters no file name on the Data Collector's or the PC's side may hold;
// a colon is allowed only as a drive letter's ("X:").
bool RefusedCharacter(char c, std::size_t position) {
  const auto code = static_cast<unsigned char>(c);
  if (code < 32 || code >= 127) return true;
  if (std::string_view("*?><|").find(c) != std::string_view::npos) return true;
  return c == ':' && position != 1;
}

}  // namespace

int CheckFileName(std::string name, NameChecks checks) {
  if (checks.checkName) {
    if (name.empty()) return kNameRefused;
    // Only the file-name part is looked at, so the access tests below look in
    // the current directory.
    name = FileNamePart(name);
    for (std::size_t i = 0; i < name.size(); ++i) {
      if (RefusedCharacter(name[i], i)) return kNameRefused;
    }
  }
  if (checks.mustExist && !HasAccess(name, Access::Exists)) return kNameMissing;
  if (checks.mustBeReadable && !HasAccess(name, Access::Read)) return kNameUnreadable;
  if (checks.readWriteIfExists && HasAccess(name, Access::Exists) && !HasAccess(name, Access::ReadWrite)) {
    return kNameReadOnly;
  }
  return 0;
}

bool FileExists(std::string name) {
  return CheckFileName(std::move(name), NameChecks{.mustExist = true, .mustBeReadable = true}) == 0;
}

std::string FileNamePart(const std::string& path) {
  const std::size_t separator = path.find_last_of("/\\");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string UpperCaseAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::string SlashedPath(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

}  // namespace corvane
