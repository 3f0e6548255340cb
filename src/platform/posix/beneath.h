// Opening below a root in one step: the kernel keeps every part of the lookup,
// symbolic links and ".." included, inside the root while it opens, so that
// nothing swapped in after a confinement check can lead out of it.
#pragma once

#include <string>
#include <utility>

namespace corvane {

// An owned file descriptor, closed with the object; -1 holds nothing.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Descriptor& operator=(Descriptor&& other) noexcept;
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor();

  int Get() const { return fd_; }
  bool IsValid() const { return fd_ >= 0; }
  // Hands the descriptor over to the caller, who closes it.
  int Release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// Opens `path` (absolute, or relative to the working directory, and already
// resolved for case) with open(2) `flags` and `mode`, confined to the tree of
// `root`. Holds nothing when the path leads out of the root or the open fails.
Descriptor OpenBeneath(const std::string& root, const std::string& path, int flags, unsigned mode = 0);

}  // namespace corvane
