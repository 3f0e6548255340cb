// File-system services. Every path given here is resolved without regard to
// case, component by component: the exact path first, else a case-insensitive
// match. Names created get exactly the name given.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// The existing path that matches `path` without regard to case; when none
// exists, `path` with as many leading components resolved as exist.
std::string ResolvePath(const std::string& path);

enum class Access { Exists, Read, ReadWrite };
bool HasAccess(const std::string& path, Access access);

// With `within` these stay inside that tree: the kernel keeps every step of
// the lookup there as it goes.
bool RemoveFile(const std::string& path, const std::string& within = {});
// False for a missing directory, and on POSIX for a drive prefix such as "C:"
// (on Windows it changes the drive).
bool ChangeDirectory(const std::string& path, const std::string& within = {});
std::optional<std::string> CurrentDirectory();
bool IsDirectory(const std::string& path);
std::optional<std::int64_t> FileSize(const std::string& path);

// TMPDIR when set, else /tmp; on Windows the directory GetTempPath names.
// Without a trailing separator.
std::string TemporaryDirectory();
// Creates an empty file "<prefix><hex>.tmp" in `directory` under a name not yet
// in use (O_EXCL) and returns its name as "<directory>/<file>" (on Windows
// "<directory>\<PRE><hex>.tmp" from GetTempFileName, the prefix cut to three
// characters); nullopt on failure.
std::optional<std::string> CreateUniqueFile(const std::string& directory, const std::string& prefix);

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
};

struct DirectoryEntry {
  std::string name;
  bool isDirectory = false;
  // Names that start with '.' are hidden, except "." and ".."; on Windows the
  // entries with the hidden attribute.
  bool hidden = false;
  std::int64_t size = 0;
  LocalTime modified;
};

// Every entry of the directory, "." and ".." included, in the order the file
// system returns them; nullopt when the directory cannot be read (or, with
// `within`, lies outside that tree).
std::optional<std::vector<DirectoryEntry>> ListDirectory(const std::string& path, const std::string& within = {});

}  // namespace corvane
