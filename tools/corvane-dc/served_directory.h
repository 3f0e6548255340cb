// The device's file store: a directory tree on the host, with a current
// directory that the peer can change but never leave. Names from the peer are
// matched without regard to case, as on the device's own file system.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace corvane::dc {

class ServedDirectory {
 public:
  explicit ServedDirectory(const std::filesystem::path& root);

  bool IsUsable() const { return !root_.empty(); }
  const std::filesystem::path& Root() const { return root_; }
  const std::filesystem::path& Current() const { return current_; }

  // An existing regular file in the current directory; a directory part in the
  // name is ignored.
  std::optional<std::filesystem::path> FindFile(const std::string& name) const;
  // Where a received file of this name goes: an existing file of the same name
  // (any case) is replaced. Nothing for an empty or dot name.
  std::optional<std::filesystem::path> PathForNewFile(const std::string& name) const;

  // The answers of the device's server, as text with CR LF line ends; false
  // with a reason in `answer` when the command cannot be carried out.
  std::string Listing() const;
  bool ChangeDirectory(const std::string& argument, std::string& answer);
  bool Erase(const std::string& name, std::string& answer);

  // "/" for the root, "/JOBS/2024" below it.
  std::string CurrentName() const;

 private:
  std::optional<std::filesystem::path> MatchEntry(const std::filesystem::path& directory, const std::string& name) const;

  std::filesystem::path root_;
  std::filesystem::path current_;
};

// The last component of a name from the peer: it may carry / or \ separators.
std::string FilePart(const std::string& name);

}  // namespace corvane::dc
