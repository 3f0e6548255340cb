// The receiving end of one transfer: a file in the served directory, or text
// kept in memory (the answer to a remote command). An unfinished file is
// removed, as a device would not keep half a job.
#pragma once

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

namespace corvane::dc {

class IncomingFile {
 public:
  IncomingFile() = default;
  IncomingFile(const IncomingFile&) = delete;
  IncomingFile& operator=(const IncomingFile&) = delete;
  ~IncomingFile();

  bool OpenFile(const std::filesystem::path& path);
  void OpenText();
  bool IsOpen() const { return open_; }
  bool Write(std::string_view bytes);
  // Keeps the file (or text); false when the file could not be written out.
  bool Finish();
  // Drops an unfinished file from the disk.
  void Abandon();

  const std::string& Text() const { return text_; }
  const std::filesystem::path& Path() const { return path_; }

 private:
  bool open_ = false;
  bool toText_ = false;
  std::ofstream file_;
  std::filesystem::path path_;
  std::string text_;
};

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

}  // namespace corvane::dc
