// Owned Windows handles and the final path of what one has opened: links and
// junctions resolved by the system, so that confinement judges where an open
// really led, not how it was spelled.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>

namespace corvane {

// A handle from CreateFile, closed with the object.
class Handle {
 public:
  explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  Handle& operator=(Handle&& other) noexcept;
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle();

  HANDLE Get() const { return handle_; }
  bool IsValid() const { return handle_ != INVALID_HANDLE_VALUE; }
  // Hands the handle over to the caller, who closes it.
  HANDLE Release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }

 private:
  HANDLE handle_;
};

// Opens a file or a directory to look at, not to read: what it is and where it lies.
// With `followLink` false a link is opened itself.
Handle OpenToInspect(const std::string& path, bool followLink = true);
bool IsDirectoryHandle(HANDLE handle);
// "C:\dir\name" (or "\\server\share\name"), without the "\\?\" prefix.
std::optional<std::string> FinalPathOf(HANDLE handle);
// True when what `opened` leads to is the directory `root` leads to, or lies below it.
bool OpenedBeneath(HANDLE opened, const std::string& root);

}  // namespace corvane
