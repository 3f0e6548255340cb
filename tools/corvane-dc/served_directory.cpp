#include "corvane-dc/served_directory.h"

#include <algorithm>
#include <cctype>
#include <system_error>
#include <vector>

namespace corvane::dc {
namespace fs = std::filesystem;
namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

std::vector<std::string> SplitComponents(const std::string& text) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : text) {
    if (c == '/' || c == '\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part.push_back(c);
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

}  // namespace

std::string FilePart(const std::string& name) {
  const std::size_t cut = name.find_last_of("/\\");
  return cut == std::string::npos ? name : name.substr(cut + 1);
}

ServedDirectory::ServedDirectory(const fs::path& root) {
  std::error_code error;
  const fs::path canonical = fs::canonical(root, error);
  if (error || !fs::is_directory(canonical, error)) return;
  root_ = canonical;
  current_ = canonical;
}

std::optional<fs::path> ServedDirectory::MatchEntry(const fs::path& directory, const std::string& name) const {
  std::error_code error;
  if (fs::exists(directory / name, error)) return directory / name;
  for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
    if (SameIgnoringCase(it->path().filename().string(), name)) return it->path();
  }
  return std::nullopt;
}

std::optional<fs::path> ServedDirectory::FindFile(const std::string& name) const {
  const std::string file = FilePart(name);
  if (file.empty() || file == "." || file == "..") return std::nullopt;
  const std::optional<fs::path> match = MatchEntry(current_, file);
  std::error_code error;
  if (!match || !fs::is_regular_file(*match, error)) return std::nullopt;
  return match;
}

std::optional<fs::path> ServedDirectory::PathForNewFile(const std::string& name) const {
  const std::string file = FilePart(name);
  if (file.empty() || file == "." || file == "..") return std::nullopt;
  if (const std::optional<fs::path> existing = FindFile(file)) return existing;
  return current_ / file;
}

std::string ServedDirectory::CurrentName() const {
  const fs::path relative = current_.lexically_relative(root_);
  if (relative.empty() || relative == ".") return "/";
  return "/" + relative.generic_string();
}

std::string ServedDirectory::Listing() const {
  struct Entry {
    std::string name;
    bool directory;
    std::uintmax_t size;
  };
  std::vector<Entry> entries;
  std::error_code error;
  for (fs::directory_iterator it(current_, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.starts_with('.')) continue;
    std::error_code sizeError;
    const bool directory = it->is_directory(sizeError);
    const std::uintmax_t size = directory ? 0 : it->file_size(sizeError);
    entries.push_back({name, directory, sizeError ? 0 : size});
  }
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
  std::string text = CurrentName() + "\r\n";
  for (const Entry& entry : entries) {
    text += entry.name + (entry.directory ? " <DIR>" : " " + std::to_string(entry.size)) + "\r\n";
  }
  return text;
}

bool ServedDirectory::ChangeDirectory(const std::string& argument, std::string& answer) {
  if (argument.empty()) {
    answer = "No directory given";
    return false;
  }
  // A leading separator starts from the root: the device knows no other tree.
  fs::path target = (argument[0] == '/' || argument[0] == '\\') ? root_ : current_;
  for (const std::string& part : SplitComponents(argument)) {
    if (part == ".") continue;
    if (part == "..") {
      if (target != root_) target = target.parent_path();
      continue;
    }
    const std::optional<fs::path> match = MatchEntry(target, part);
    std::error_code error;
    if (!match || fs::is_symlink(*match, error) || !fs::is_directory(*match, error)) {
      answer = "No such directory: " + argument;
      return false;
    }
    target = *match;
  }
  current_ = target;
  answer = CurrentName() + "\r\n";
  return true;
}

bool ServedDirectory::Erase(const std::string& name, std::string& answer) {
  const std::optional<fs::path> file = FindFile(name);
  std::error_code error;
  if (!file || !fs::remove(*file, error)) {
    answer = "Cannot erase " + name;
    return false;
  }
  answer = "Deleted file: " + file->filename().string() + "\r\n";
  return true;
}

}  // namespace corvane::dc
