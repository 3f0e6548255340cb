#include "corvane-dc/incoming_file.h"

#include <iterator>
#include <system_error>

namespace corvane::dc {

IncomingFile::~IncomingFile() { Abandon(); }

bool IncomingFile::OpenFile(const std::filesystem::path& path) {
  Abandon();
  file_.open(path, std::ios::binary | std::ios::out | std::ios::trunc);
  if (!file_.is_open()) return false;
  path_ = path;
  toText_ = false;
  open_ = true;
  return true;
}

void IncomingFile::OpenText() {
  Abandon();
  text_.clear();
  path_.clear();
  toText_ = true;
  open_ = true;
}

bool IncomingFile::Write(std::string_view bytes) {
  if (!open_) return false;
  if (toText_) {
    text_ += bytes;
    return true;
  }
  file_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file_);
}

bool IncomingFile::Finish() {
  if (!open_) return false;
  open_ = false;
  if (toText_) return true;
  file_.close();
  return !file_.fail();
}

void IncomingFile::Abandon() {
  if (!open_) return;
  open_ = false;
  if (toText_) return;
  file_.close();
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file.is_open()) return std::nullopt;
  std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) return std::nullopt;
  return content;
}

}  // namespace corvane::dc
