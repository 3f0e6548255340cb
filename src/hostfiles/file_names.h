// Checks and cuts on local file names, shared by the dispatcher, both engines
// and the classic file streams.
#pragma once

#include <string>

namespace corvane {

struct NameChecks {
  bool checkName = false;           // refuse bad characters (only the file-name part counts)
  bool mustExist = false;
  bool mustBeReadable = false;
  bool readWriteIfExists = false;
};

inline constexpr int kNameRefused = -14;
inline constexpr int kNameMissing = -11;
inline constexpr int kNameUnreadable = -5;
inline constexpr int kNameReadOnly = -9;

int CheckFileName(std::string name, NameChecks checks);
bool FileExists(std::string name);
// The text after the last separator ('\\' or '/'); the whole path when it has none.
std::string FileNamePart(const std::string& path);
// Only a to z change, whatever the process's locale: names are compared and
// announced as the C locale would.
std::string UpperCaseAscii(std::string text);
// A path as the Data Collector writes it, with '\\' between its parts, in this system's separators.
std::string SlashedPath(std::string path);

}  // namespace corvane
