// A stdio-style file object with binary and text modes. Text mode behaves as on
// the systems the survey files come from: CR LF on disk is LF in memory, LF is
// written as CR LF, and a Ctrl-Z byte ends a text file being read.
// Paths are resolved without regard to case (see paths.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane {

enum class FileOpen {
  Read,             // existing file, read only
  CreateReadWrite,  // create or truncate, read and write
  ReadWrite,        // existing file, read and write
};

enum class FileKind { Binary, Text };

class StdioFile {
 public:
  StdioFile() = default;
  StdioFile(StdioFile&&) noexcept;
  StdioFile& operator=(StdioFile&&) noexcept;
  StdioFile(const StdioFile&) = delete;
  StdioFile& operator=(const StdioFile&) = delete;
  ~StdioFile();

  // A created file gets exactly the name given (its directory part resolved
  // without regard to case); an existing file is found whatever its case.
  // With `within`, the kernel keeps the open inside that tree.
  bool Open(const std::string& path, FileOpen how, FileKind kind, const std::string& within = {});
  bool IsOpen() const { return fd_ >= 0; }
  // Flushes and closes; false when buffered data could not be written.
  bool Close();

  // Up to `length` bytes; text mode converts CR LF to LF and stops at Ctrl-Z.
  // Returns the count read (0 at the end), or -1 on a read error.
  long Read(void* buffer, std::size_t length);
  // fgets: at most `capacity` - 1 bytes up to and including a line feed, then a
  // zero byte. False at the end of the file (nothing read) or on an error.
  bool ReadLine(char* buffer, int capacity);
  // Text mode writes each LF as CR LF. False when not every byte was written.
  bool Write(const void* data, std::size_t length);
  bool Write(const std::string& text) { return Write(text.data(), text.size()); }
  // Hands what is buffered to the system; false when it could not be written.
  bool Flush();

  // Positions are byte offsets on disk.
  bool Seek(long offset);
  bool SeekToEnd();
  long Tell();
  long Length();

 private:
  bool FlushWrites();
  // Moves the disk position back over bytes read ahead but not handed out.
  bool DropReadAhead();
  int FillReadBuffer();
  int NextRawByte();
  int NextTextByte();
  void Forget();

  int fd_ = -1;
  FileKind kind_ = FileKind::Binary;
  bool writable_ = false;
  bool atCtrlZ_ = false;
  std::string readBuffer_;
  std::size_t readIndex_ = 0;
  std::string writeBuffer_;
};

}  // namespace corvane
